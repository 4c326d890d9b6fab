#include "devices/D2XXUnit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/Exceptions.h"
#include "platform/testing/FakeUSB.h"
#include "platform/testing/VirtualLoop.h"
#include "tests/support/FakeUSB.h"

using namespace devices;
using namespace testsupport;
using platform::testing::TFakeFTDevice;
using ::testing::ElementsAre;

namespace {

class D2XXTest : public ::testing::Test {
protected:
    D2XXTest() {
        platform::ShowMessage = [this](const std::string& t) { Messages.push_back(t); };
        Start(true);
    }
    ~D2XXTest() override {
        FinalizeUSB();
        FinalizeD2XX();
        platform::testing::InstallFakeD2XX(nullptr);
    }
    void Start(bool withLibrary) {
        FinalizeUSB();
        InstallUSB();
        // Each failed open moves time on, so the opening deadline is reached without waiting.
        platform::testing::InstallFakeD2XX(withLibrary ? &Devices : nullptr, [this] { Loop.Advance(1000); });
        InstallD2XX();
    }
    TFTD2XXDev* Dev(const std::string& serial) {
        return dynamic_cast<TFTD2XXDev*>(TUSBHandler::getUSBDevicesSN(serial));
    }
    platform::testing::TVirtualLoop Loop;
    std::map<std::string, TFakeFTDevice> Devices;
    std::vector<std::string> Messages, Log;
    TUSBHandler Handler;
};

} // namespace

TEST_F(D2XXTest, OpensByItsSerialNumberWithTheDefaultLineSettings) {
    Devices["A6008XYZ"];
    Handler.DeviceArrived(0x0403, 0x6001, "A6008XYZ");
    TFTD2XXDev* dev = Dev("A6008XYZ");
    ASSERT_NE(dev, nullptr);
    EXPECT_TRUE(dev->IsOpened());
    EXPECT_EQ(dev->FT_Handle(), Devices["A6008XYZ"].Handle);
    EXPECT_EQ(dev->FT_Description(), "FT232R USB UART");
    EXPECT_THAT(Devices["A6008XYZ"].Calls,
                ElementsAre("SetBaudRate(500000)", "SetFlowControl(0,17,19)", "SetDataCharacteristics(8,2,0)"));
    EXPECT_EQ(TFTD2XX_DLL::GetFTDeviceCount(), 1);

    Devices["A6008XYZ"].Calls.clear();
    dev->SetFT_BaudRate(625000);
    dev->SetFT_BaudRate(625000); // unchanged: not applied again
    dev->SetFT_FlowDTR(true);
    dev->SetFT_FlowControl(platform::FT_FLOW_DTR_DSR);
    EXPECT_THAT(Devices["A6008XYZ"].Calls, ElementsAre("SetBaudRate(625000)", "SetFlowControl(0,17,19)",
                                                       "SetFlowControl(512,17,19)", "SetDtr", "ClrRts"));
    EXPECT_TRUE(Messages.empty());
}

TEST_F(D2XXTest, PollingHandsQueuedBytesToTheReaderAndWritesGoOutWhole) {
    Devices["S"];
    Handler.DeviceArrived(0x0403, 0x6001, "S");
    TFTD2XXDev* dev = Dev("S");
    ASSERT_NE(dev, nullptr);
    TBytes got;
    dev->SetOnReadData([&](TUSBDevice*, const TBytes& data, int32_t& read) {
        got.insert(got.end(), data.begin(), data.end());
        read = int32_t(data.size());
    });
    Devices["S"].RxQueue = {1, 2, 3};
    EXPECT_EQ(dev->DataToReadCount(), 3);
    Loop.Advance(1);
    EXPECT_EQ(got, (TBytes{1, 2, 3}));
    Devices["S"].RxQueue = {4};
    Loop.Advance(1);
    EXPECT_EQ(got, (TBytes{1, 2, 3, 4}));

    dev->WriteBytes({9, 8, 7});
    EXPECT_THAT(Devices["S"].Writes, ElementsAre(TBytes{9, 8, 7}));
}

TEST_F(D2XXTest, RemovalClosesTheHandleAndDestroysTheDevice) {
    Devices["S"];
    Handler.DeviceArrived(0x0403, 0x6001, "S");
    ASSERT_NE(Devices["S"].Handle, 0u);
    Devices["S"].Present = false;
    Handler.DeviceRemoved(0x0403, 0x6001, "S");
    EXPECT_EQ(Devices["S"].Handle, 0u); // no handle left behind for a replug
    EXPECT_EQ(Dev("S"), nullptr);
    Devices["S"].Present = true;
    Handler.DeviceArrived(0x0403, 0x6001, "S");
    EXPECT_NE(Dev("S"), nullptr);
}

TEST_F(D2XXTest, ADeviceBusyBeyondTheOpeningTimeHasNoDeviceObjectButIsReported) {
    Devices["Busy"].FailOpens = 1000;
    auto l = NewLogListener(Log, "L");
    TUSBHandler::RegisterUSBListener(0x0403, 0x6001, l.get());
    Handler.DeviceArrived(0x0403, 0x6001, "Busy");
    EXPECT_THAT(Messages, ElementsAre(D2XXOpenFailedText));
    EXPECT_THAT(Log, ElementsAre("L:in:Busy"));
    EXPECT_GE(Loop.Now(), 5000);
    EXPECT_LT(Loop.Now(), 7000);

    Devices["Late"].FailOpens = 2; // free again within the opening time
    Handler.DeviceArrived(0x0403, 0x6001, "Late");
    EXPECT_NE(Dev("Late"), nullptr);
    TUSBHandler::UnregisterUSBListener(l.get());
}

TEST_F(D2XXTest, AMissingLibraryLeavesTheProgramRunningWithoutDeviceObjects) {
    Start(false);
    auto l = NewLogListener(Log, "L");
    TUSBHandler::RegisterUSBListener(0x0403, 0x6001, l.get());
    Handler.DeviceArrived(0x0403, 0x6001, "A");
    Handler.DeviceArrived(0x0403, 0x6001, "B");
    EXPECT_THAT(Log, ElementsAre("L:in:A", "L:in:B"));
    EXPECT_EQ(Dev("A"), nullptr);
    EXPECT_LE(Messages.size(), 1u); // said at most once per run
    for (auto& m : Messages) EXPECT_EQ(m, D2XXMissingText);
    try {
        TFTD2XX_DLL::GetFTDeviceCount();
        ADD_FAILURE() << "no error";
    } catch (const foundation::Exception& e) {
        EXPECT_STREQ(e.what(), D2XXMissingText);
    }
    TUSBHandler::UnregisterUSBListener(l.get());
}
