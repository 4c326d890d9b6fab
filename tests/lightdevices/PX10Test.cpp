#include "lightdevices/PX10.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "devices/D2XXUnit.h"
#include "devices/USB.Watcher.h"
#include "dmx/DMX.Delegate.USBEntek.h"
#include "dmx/DMXOutput.h"
#include "platform/testing/FakeUSB.h"
#include "platform/testing/VirtualLoop.h"

using namespace lightdevices;
using namespace dmx;
using ::testing::ElementsAre;

namespace {

// Start-up as the programs do it, on fakes: registry, USB layer, driver, model, watcher.
class PX10Test : public ::testing::Test {
protected:
    PX10Test() {
        InstallDMXInterfaces();
        InstallDMXOutput();
        InstallDMXUSBEntekDelegate();
        devices::InstallUSB();
        platform::testing::InstallFakeD2XX(&Devices);
        devices::InstallD2XX();
        InstallPX10();
        DMXOutput()->OnInterfaceChange = [this](TDMXOutput*, IDMXNamedInterface* i, TDMXInterfaceEvent e) {
            Log.push_back((e == deAdded ? "added:" : "removed:") + i->GetName());
        };
    }
    ~PX10Test() override {
        devices::StopUSBWatcher();
        FinalizePX10();
        devices::FinalizeUSB();
        devices::FinalizeD2XX();
        platform::testing::InstallFakeD2XX(nullptr);
        if (DMXOutput()) DMXOutput()->OnInterfaceChange = nullptr;
        FinalizeDMXOutput();
    }
    platform::testing::TVirtualLoop Loop;
    platform::testing::TFakeUSBBus Bus;
    std::map<std::string, platform::testing::TFakeFTDevice> Devices;
    std::vector<std::string> Log;
};

} // namespace

TEST_F(PX10Test, PluggingAnAdapterAddsAnOutputAndUnpluggingRemovesIt) {
    Devices["PRESENT1"];
    Devices["A6008XYZ"];
    Bus.Devices.push_back({1027, 24577, "PRESENT1"});
    devices::StartUSBWatcher(); // the adapter present at start
    Bus.Plug({1027, 24577, "A6008XYZ"});
    EXPECT_THAT(Log, ElementsAre("added:PX-10 (PRESENT1)", "added:PX-10 (A6008XYZ)"));

    IDMXNamedInterface* named = DMXOutput()->getDMXInterfaceHId("A6008XYZ");
    ASSERT_NE(named, nullptr);
    named->SetName("renamed"); // the name follows the adapter only
    EXPECT_EQ(named->GetName(), "PX-10 (A6008XYZ)");
    auto intf = foundation::Supports<IDMXInterface>(named);
    ASSERT_TRUE(intf);
    DMXOutput()->SetActiveDMXInterface(intf.get());
    intf.reset();
    Devices["A6008XYZ"].Writes.clear();
    DMXOutput()->setDMXCh(0, 42);
    ASSERT_EQ(Devices["A6008XYZ"].Writes.size(), 1u);
    EXPECT_EQ(Devices["A6008XYZ"].Writes[0][5], 42);
    EXPECT_EQ(Devices["A6008XYZ"].Baud, 500000u);

    Log.clear();
    Devices["A6008XYZ"].Present = false;
    Bus.Unplug({1027, 24577, "A6008XYZ"});
    EXPECT_THAT(Log, ElementsAre("removed:PX-10 (A6008XYZ)"));
    EXPECT_EQ(DMXOutput()->GetActiveDMXInterface(), nullptr);
    EXPECT_EQ(DMXOutput()->GetDMXInterfaceCount(), 1);
    EXPECT_EQ(PX10Listener()->Count(), 1u);
}

TEST_F(PX10Test, AnAdapterThatCannotBeOpenedGetsNoOutput) {
    Devices["X"].FailOpens = 1000000;
    platform::ShowMessage = [](const std::string&) {};
    platform::testing::InstallFakeD2XX(&Devices, [this] { Loop.Advance(1000); });
    devices::TFTD2XX_DLL::Load();
    devices::StartUSBWatcher();
    Bus.Plug({1027, 24577, "X"});
    EXPECT_EQ(DMXOutput()->GetDMXInterfaceCount(), 0);
    EXPECT_EQ(PX10Listener()->Count(), 0u);
}

// Something may still hold the output when its adapter is unplugged and the adapter's device
// object destroyed: using it then changes nothing and writes nowhere.
TEST_F(PX10Test, AnOutputHeldPastItsUnplugStaysSafeToUse) {
    Devices["A6008XYZ"];
    devices::StartUSBWatcher();
    Bus.Plug({1027, 24577, "A6008XYZ"});
    IPtr<IDMXInterface> held = foundation::Supports<IDMXInterface>(DMXOutput()->getDMXInterfaceHId("A6008XYZ"));
    ASSERT_TRUE(held);
    held->SetActive(true);
    Devices["A6008XYZ"].Writes.clear();

    Devices["A6008XYZ"].Present = false;
    Bus.Unplug({1027, 24577, "A6008XYZ"});
    EXPECT_EQ(DMXOutput()->GetDMXInterfaceCount(), 0);
    EXPECT_EQ(PX10Listener()->Count(), 0u);

    held->setDMXCh(0, 42);
    held->SetBlackOut(true);
    held->SetAllFull();
    EXPECT_EQ(held->getDMXCh(0), 255); // the universe itself still answers
    EXPECT_EQ(foundation::Supports<IDMXNamedInterface>(held)->GetName(), "PX-10 (A6008XYZ)");
    EXPECT_TRUE(Devices["A6008XYZ"].Writes.empty());
    held->SetActive(false);
}
