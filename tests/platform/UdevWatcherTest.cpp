// The libudev watcher on an emulated sysfs and uevent stream. The executable runs under
// umockdev's preload library, which points libudev at a test bed this process fills.
#include "platform/posix/UdevWatcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <umockdev.h>

#include <cstdlib>
#include <cstring>

#include "devices/D2XXUnit.h"
#include "devices/System.USB.h"
#include "devices/USB.Watcher.h"
#include "dmx/DMX.Delegate.USBEntek.h"
#include "dmx/DMXOutput.h"
#include "lightdevices/PX10.h"
#include "platform/USB.h"
#include "platform/testing/FakeUSB.h"
#include "platform/testing/VirtualLoop.h"

using platform::TUSBDeviceId;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace platform {
void PrintTo(const TUSBDeviceId& id, std::ostream* os) {
    *os << std::hex << id.VID << ":" << id.PID << " '" << id.SerialNumber << "'";
}
} // namespace platform

namespace {

struct TEvent {
    bool Arrived;
    TUSBDeviceId Id;
    friend bool operator==(const TEvent&, const TEvent&) = default;
};
void PrintTo(const TEvent& e, std::ostream* os) {
    *os << (e.Arrived ? "+" : "-");
    platform::PrintTo(e.Id, os);
}

class UdevWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* preload = std::getenv("LD_PRELOAD");
        ASSERT_TRUE(preload && std::strstr(preload, "libumockdev-preload"))
            << "run this test through umockdev-wrapper";
        Bed = umockdev_testbed_new();
        platform::posix::InstallUdevWatcher();
    }
    void TearDown() override {
        if (Bed) g_object_unref(Bed);
    }

    // A USB device node with its interface below it, as the kernel shows an adapter. The test bed
    // announces each node with an "add" uevent, as the kernel does.
    std::string AddDevice(const char* name, const char* vid, const char* pid, const char* serial) {
        gchar* path = serial ? umockdev_testbed_add_device(Bed, "usb", name, nullptr, "idVendor", vid, "idProduct", pid,
                                                           "serial", serial, nullptr, "DEVTYPE", "usb_device", nullptr)
                             : umockdev_testbed_add_device(Bed, "usb", name, nullptr, "idVendor", vid, "idProduct", pid,
                                                           nullptr, "DEVTYPE", "usb_device", nullptr);
        std::string out = path;
        g_free(path);
        std::string intf = std::string(name) + ":1.0";
        g_free(umockdev_testbed_add_device(Bed, "usb", intf.c_str(), out.c_str(), "bInterfaceClass", "ff", nullptr,
                                           "DEVTYPE", "usb_interface", nullptr));
        return out;
    }
    void Unplug(const std::string& path) {
        // The kernel reports the removal while the node is still there, then it disappears.
        umockdev_testbed_uevent(Bed, path.c_str(), "remove");
        umockdev_testbed_remove_device(Bed, path.c_str());
    }

    std::unique_ptr<platform::IUSBWatcher> Watch() {
        auto w = platform::NewUSBWatcher();
        w->OnChange = [this](bool a, const TUSBDeviceId& id) { Events.push_back({a, id}); };
        return w;
    }

    platform::testing::TVirtualLoop Loop;
    UMockdevTestbed* Bed = nullptr;
    std::vector<TEvent> Events;
};

} // namespace

TEST_F(UdevWatcherTest, ListsTheUSBDevicesPresentWithTheirIds) {
    AddDevice("1-1", "0403", "6001", "A6008XYZ");
    AddDevice("1-2", "1d6b", "0002", nullptr); // no serial number: named after its place on the bus
    g_free(umockdev_testbed_add_device(Bed, "tty", "ttyS0", nullptr, "dev", "4:64", nullptr, nullptr));

    auto w = Watch();
    EXPECT_THAT(w->Present(), UnorderedElementsAre(TUSBDeviceId{0x0403, 0x6001, "A6008XYZ"},
                                                   TUSBDeviceId{0x1d6b, 0x0002, "1-2"}));
    Loop.Advance(1000);
    EXPECT_THAT(Events, IsEmpty()); // what was there at start is not reported again
}

TEST_F(UdevWatcherTest, ReportsArrivalAndRemovalOnTheLoop) {
    auto w = Watch();
    EXPECT_THAT(w->Present(), IsEmpty());

    std::string path = AddDevice("2-1", "0403", "6001", "B1");
    EXPECT_THAT(Events, IsEmpty()); // nothing is reported outside the loop
    Loop.Advance(100);
    const TEvent arrived{true, {0x0403, 0x6001, "B1"}};
    EXPECT_THAT(Events, ElementsAre(arrived));

    // A replayed "add" (udevadm trigger) for a device already reported says nothing new.
    umockdev_testbed_uevent(Bed, path.c_str(), "add");
    Loop.Advance(100);
    EXPECT_THAT(Events, ElementsAre(arrived));

    // The removal names the device as it came, though its attributes are gone by then.
    Unplug(path);
    Loop.Advance(100);
    EXPECT_THAT(Events, ElementsAre(arrived, TEvent{false, {0x0403, 0x6001, "B1"}}));
}

TEST_F(UdevWatcherTest, ReportsADeviceOnceWhenItArrivesWhileTheListIsTaken) {
    // Plugged after the monitor started but before the list of present devices was taken: it is
    // in the list, and its "add" is not a second arrival.
    auto w = Watch();
    std::string path = AddDevice("3-1", "0403", "6001", "C1");
    EXPECT_THAT(w->Present(), ElementsAre(TUSBDeviceId{0x0403, 0x6001, "C1"}));
    Loop.Advance(100);
    EXPECT_THAT(Events, IsEmpty());
    Unplug(path);
    Loop.Advance(100);
    EXPECT_THAT(Events, ElementsAre(TEvent{false, {0x0403, 0x6001, "C1"}}));
}

TEST_F(UdevWatcherTest, IgnoresWhatIsNotAnIdentifiableDevice) {
    auto w = Watch();
    // A node whose ids are not hexadecimal; a device gone before its "add" was read, and the
    // removal of a device that was never reported.
    AddDevice("3-2", "04x3", "6001", "C2");
    AddDevice("3-3", "0403", "", "C3");
    std::string brief = AddDevice("3-4", "0403", "6001", "C4");
    Unplug(brief);
    Loop.Advance(100);
    EXPECT_THAT(Events, IsEmpty());
}

// The programs' start-up on the real watcher: the adapter model adds and removes its output.
TEST_F(UdevWatcherTest, PluggingAnAdapterAddsItsOutputToTheRegistry) {
    using namespace dmx;
    std::map<std::string, platform::testing::TFakeFTDevice> chips;
    chips["PRESENT1"];
    chips["A6008XYZ"];
    InstallDMXInterfaces();
    InstallDMXOutput();
    InstallDMXUSBEntekDelegate();
    devices::InstallUSB();
    platform::testing::InstallFakeD2XX(&chips);
    devices::InstallD2XX();
    lightdevices::InstallPX10();
    std::vector<std::string> log;
    DMXOutput()->OnInterfaceChange = [&](TDMXOutput*, IDMXNamedInterface* i, TDMXInterfaceEvent e) {
        log.push_back((e == deAdded ? "added:" : "removed:") + i->GetName());
    };

    AddDevice("4-1", "0403", "6001", "PRESENT1");
    AddDevice("4-2", "046d", "c52b", "MOUSE"); // not an adapter
    devices::StartUSBWatcher();
    std::string path = AddDevice("4-3", "0403", "6001", "A6008XYZ");
    Loop.Advance(100);
    EXPECT_THAT(log, ElementsAre("added:PX-10 (PRESENT1)", "added:PX-10 (A6008XYZ)"));
    Unplug(path);
    Loop.Advance(100);
    EXPECT_THAT(log, ElementsAre("added:PX-10 (PRESENT1)", "added:PX-10 (A6008XYZ)", "removed:PX-10 (A6008XYZ)"));

    devices::StopUSBWatcher();
    lightdevices::FinalizePX10();
    devices::FinalizeUSB();
    devices::FinalizeD2XX();
    platform::testing::InstallFakeD2XX(nullptr);
    DMXOutput()->OnInterfaceChange = nullptr;
    FinalizeDMXOutput();
}
