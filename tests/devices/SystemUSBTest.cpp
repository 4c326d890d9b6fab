#include "devices/System.USB.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "devices/USB.Watcher.h"
#include "platform/testing/FakeUSB.h"
#include "platform/testing/VirtualLoop.h"
#include "tests/support/FakeUSB.h"

using namespace devices;
using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr uint16_t VID = 0x1234, PID = 0x0001;

class USBTest : public ::testing::Test {
protected:
    USBTest() {
        InstallUSB();
        TTestUSBDev::OpensOK = true;
        TTestUSBDev::Log = &Log;
    }
    ~USBTest() override {
        FinalizeUSB();
        TTestUSBDev::Log = nullptr;
    }
    platform::testing::TVirtualLoop Loop;
    std::vector<std::string> Log;
    TUSBHandler Handler;
};

} // namespace

TEST(USBInterfaceName, DecodesTheWindowsDeviceInterfaceName) {
    auto id = DecodeUSBInterfaceName(R"(\\?\USB#VID_0403&PID_6001#A6008XYZ#{A5DCBF10-6530-11D2-901F-00C04FB951ED})");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->VID, 0x0403);
    EXPECT_EQ(id->PID, 0x6001);
    EXPECT_EQ(id->SerialNumber, "A6008XYZ");
    for (const char* bad : {R"(\\?\USB#VID_0403&PID_6001#A6008XYZ)", R"(\\?\USB#VID_04G3&PID_6001#S#{x})",
                            R"(\\?\USB#VID_0403#S#{x})", "", "###", R"(\\?\USB#PID_0403&VID_6001#S#{x})"})
        EXPECT_FALSE(DecodeUSBInterfaceName(bad)) << bad;
}

TEST_F(USBTest, ARegisteredListenerHearsTheKnownDevicesOnce) {
    Handler.DeviceArrived(VID, PID, "B");
    Handler.DeviceArrived(VID, PID, "A");
    auto l = NewLogListener(Log, "L");
    TUSBHandler::RegisterUSBListener(VID, PID, l.get());
    TUSBHandler::RegisterUSBListener(VID, PID, l.get());
    EXPECT_THAT(Log, ElementsAre("L:in:A", "L:in:B"));
    TUSBHandler::UnregisterUSBListener(l.get());
}

TEST_F(USBTest, ArrivalWithoutAClassIsRecordedAndReportedNewestListenerFirst) {
    auto first = NewLogListener(Log, "first"), second = NewLogListener(Log, "second");
    TUSBHandler::RegisterUSBListener(VID, PID, first.get());
    TUSBHandler::RegisterUSBListener(VID, PID, second.get());
    Handler.DeviceArrived(VID, PID, "S1");
    EXPECT_THAT(Log, ElementsAre("second:in:S1", "first:in:S1"));
    EXPECT_EQ(TUSBHandler::getUSBDevicesSN("S1"), nullptr);
    EXPECT_EQ(TUSBHandler::Pairs().at(TUSBPair{VID, PID}).DevicesInfo.count("S1"), 1u);

    // Registering the class now opens the device already known.
    TUSBHandler::RegisterUSBDeviceClass(USBDeviceClassOf<TTestUSBDev>());
    TUSBDevice* dev = TUSBHandler::getUSBDevicesSN("S1");
    ASSERT_NE(dev, nullptr);
    EXPECT_EQ(TUSBHandler::getUSBDevices(0), dev);
    EXPECT_EQ(TUSBHandler::getUSBDevices(1), nullptr);

    Log.clear();
    Handler.DeviceRemoved(VID, PID, "S1");
    EXPECT_THAT(Log, ElementsAre("hook:S1", "second:out:S1+dev", "first:out:S1+dev", "destroyed:S1"));
    Handler.DeviceRemoved(VID, PID, "S1"); // unknown now: nothing
    EXPECT_EQ(Log.size(), 4u);
    TUSBHandler::UnregisterUSBListener(first.get());
    TUSBHandler::UnregisterUSBListener(second.get());
    EXPECT_THAT(TUSBHandler::Pairs(), IsEmpty());
}

TEST_F(USBTest, TheLastDeviceOfAnUnwatchedPairTakesThePairWithIt) {
    Handler.DeviceArrived(0x1111, 0x2222, "X");
    EXPECT_EQ(TUSBHandler::Pairs().size(), 1u);
    Handler.DeviceRemoved(0x1111, 0x2222, "X");
    EXPECT_THAT(TUSBHandler::Pairs(), IsEmpty());
}

TEST_F(USBTest, ADeviceThatDoesNotOpenGetsNoDeviceObject) {
    TUSBHandler::RegisterUSBDeviceClass(USBDeviceClassOf<TTestUSBDev>());
    TTestUSBDev::OpensOK = false;
    Handler.DeviceArrived(VID, PID, "Busy");
    EXPECT_THAT(Log, ElementsAre("destroyed:Busy"));
    EXPECT_EQ(TUSBHandler::getUSBDevicesSN("Busy"), nullptr);
}

TEST_F(USBTest, ShutDownTellsListenersBeforeDestroyingDevices) {
    TUSBHandler::RegisterUSBDeviceClass(USBDeviceClassOf<TTestUSBDev>());
    auto l = NewLogListener(Log, "L");
    TUSBHandler::RegisterUSBListener(VID, PID, l.get());
    Handler.DeviceArrived(VID, PID, "S");
    Log.clear();
    FinalizeUSB();
    EXPECT_THAT(Log, ElementsAre("hook:S", "L:out:S+dev", "destroyed:S"));
    EXPECT_THAT(TUSBHandler::Pairs(), IsEmpty());
}

TEST_F(USBTest, ReadDataIsOfferedUntilNothingMoreIsConsumed) {
    TTestUSBDev dev(VID, PID, "R");
    dev.Feed({1, 2}); // no reader: dropped
    std::vector<TBytes> offered;
    std::vector<int> consume{3, 0};
    dev.SetOnReadData([&](TUSBDevice*, const TBytes& data, int32_t& read) {
        offered.push_back(data);
        if (!consume.empty()) {
            read = consume.front();
            consume.erase(consume.begin());
        }
    });
    dev.Feed({10, 11, 12, 13, 14});
    EXPECT_THAT(offered, ElementsAre(TBytes{10, 11, 12, 13, 14}, TBytes{13, 14}));
    EXPECT_EQ(dev.PendingBytes(), 2u);
    offered.clear();
    dev.Feed({15});
    EXPECT_THAT(offered, ElementsAre(TBytes{13, 14, 15})); // the 2 bytes waited for the next read
}

TEST_F(USBTest, BytesThatNeverFormAFrameAreDroppedAndTheBufferIsCapped) {
    TTestUSBDev dev(VID, PID, "G");
    dev.SetFrameStart(0x23);
    std::vector<TBytes> frames;
    // A reader of "#...\" frames: consumes a whole frame or nothing.
    dev.SetOnReadData([&](TUSBDevice*, const TBytes& data, int32_t& read) {
        if (data.empty() || data[0] != 0x23) return;
        for (size_t i = 1; i < data.size(); ++i)
            if (data[i] == 0x5C) {
                frames.emplace_back(data.begin() + 1, data.begin() + ptrdiff_t(i));
                read = int32_t(i + 1);
                return;
            }
    });
    dev.Feed({0xFF, 0x00, 0x23, 'a', 0x5C, 0x01});
    EXPECT_THAT(frames, ElementsAre(TBytes{'a'}));
    EXPECT_EQ(dev.PendingBytes(), 0u);

    // A frame start whose end never comes: the buffer stays bounded and the next frame still arrives.
    dev.Feed({0x23});
    dev.Feed(TBytes(TUSBDevice::MaxPendingBytes + 10, 'x'));
    EXPECT_LE(dev.PendingBytes(), TUSBDevice::MaxPendingBytes);
    dev.Feed({0x23, 'b', 0x5C});
    EXPECT_EQ(frames.back(), TBytes{'b'});
}

TEST_F(USBTest, ThePlatformWatcherReportsPresentDevicesThenArrivalsAndRemovals) {
    TUSBHandler::RegisterUSBDeviceClass(USBDeviceClassOf<TTestUSBDev>());
    platform::testing::TFakeUSBBus bus;
    bus.Devices.push_back({VID, PID, "P"});
    auto l = NewLogListener(Log, "L");
    TUSBHandler::RegisterUSBListener(VID, PID, l.get());
    StartUSBWatcher();
    bus.Plug({VID, PID, "Q"});
    bus.Plug({0x9999, 0x1, "other"});
    bus.Unplug({VID, PID, "P"});
    EXPECT_THAT(Log, ElementsAre("L:in:P+dev", "L:in:Q+dev", "hook:P", "L:out:P+dev", "destroyed:P"));
    StopUSBWatcher();
    TUSBHandler::UnregisterUSBListener(l.get());
}
