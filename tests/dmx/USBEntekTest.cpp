#include "dmx/DMX.Delegate.USBEntek.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "devices/D2XXUnit.h"
#include "dmx/DMXOutput.h"
#include "platform/testing/FakeUSB.h"
#include "platform/testing/VirtualLoop.h"
#include "tests/support/FakeUSB.h"

using namespace dmx;
using testsupport::TTestUSBDev;
using ::testing::ElementsAre;
using ::testing::Each;

namespace {

// The smallest device that owns a USB DMX output: names it, and holds the delegate and interface.
class TOutputRoot : public foundation::TIaAObject, public virtual IDMXNamedInterfaceDelegate {
public:
    explicit TOutputRoot(devices::TUSBDevice* ADev) {
        Delegate = NewDMXUSBEntekDelegate(Identity(), ADev).get();
        Intf = NewDMXInterface(Delegate).get();
    }
    foundation::HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override {
        if (foundation::OfferInterface<IDMXNamedInterfaceDelegate>(this, IID, Obj)) return foundation::S_OK;
        if (IID == IDMXInterface::IID && Intf) return Intf->QueryInterface(IID, Obj); // the delegate finds it here
        return TIaAObject::QueryOwnInterface(IID, Obj);
    }
    std::string GetName() override { return "usb"; }
    void SetName(const std::string&) override {}
    std::string GetHardwareID() override { return "usb"; }
    IDMXInterfaceDelegate* Delegate = nullptr;
    IDMXInterface* Intf = nullptr;
};

class USBEntekTest : public ::testing::Test {
protected:
    USBEntekTest() : Dev(0x0403, 0x6001, "E") {
        InstallDMXInterfaces();
        InstallDMXOutput();
        InstallDMXUSBEntekDelegate();
    }
    ~USBEntekTest() override { FinalizeDMXOutput(); }
    platform::testing::TVirtualLoop Loop;
    TTestUSBDev Dev;
};

TBytes Data(const TBytes& frame) { return TBytes(frame.begin() + 5, frame.begin() + 517); }

} // namespace

TEST_F(USBEntekTest, FramesCarryTheScaledUniverseBetweenFixedMarks) {
    TEntekServer server(&Dev);
    server.SetMaster(128);
    server.setChannel(0, 200);
    server.setChannel(0, 200); // unchanged: nothing written
    ASSERT_EQ(Dev.Writes.size(), 2u);
    const TBytes& f = Dev.Writes.back();
    ASSERT_EQ(f.size(), 518u);
    EXPECT_THAT(TBytes(f.begin(), f.begin() + 5), ElementsAre(0x7E, 6, 0x01, 0x02, 0));
    EXPECT_EQ(f[5], 100); // 200 * 128 div 255
    EXPECT_EQ(f[517], 0xE7);

    server.SetBlackOut(true);
    EXPECT_THAT(Data(Dev.Writes.back()), Each(0));
    server.SetBlackOut(false);
    EXPECT_EQ(Dev.Writes.back()[5], 100);

    server.setChannel(-1, 0); // the master through the channel call
    EXPECT_EQ(server.getChannel(-1), 0);
    EXPECT_EQ(Dev.Writes.back()[2], 0x01);
    EXPECT_EQ(Dev.Writes.back()[3], 0x02);
    EXPECT_THAT(Data(Dev.Writes.back()), Each(0));
    server.setChannel(512, 9);
    server.setChannel(-7, 9);
    EXPECT_EQ(Dev.Writes.size(), 5u); // out-of-range channels write nothing
}

TEST_F(USBEntekTest, AllFullWritesOneFrameAndEchoesEveryChannel) {
    auto* model = foundation::Make<TOutputRoot>(&Dev);
    IPtr<IDMXNamedInterfaceDelegate> root(model);
    std::vector<std::pair<int, int>> reports;
    model->Intf->SetOnDMXChanged([&](int32_t ch, int32_t v) { reports.emplace_back(ch, v); });
    model->Intf->SetActive(true);
    EXPECT_EQ(DMXOutput()->GetActiveDMXInterface(), model->Intf);
    EXPECT_EQ(model->Intf->GetDMXMaster(), 255); // taken from the server at activation
    Dev.Writes.clear();
    reports.clear();

    model->Intf->SetAllFull();
    ASSERT_EQ(Dev.Writes.size(), 1u);
    EXPECT_THAT(Data(Dev.Writes[0]), Each(255));
    ASSERT_EQ(reports.size(), 512u);
    EXPECT_EQ(reports.front(), std::make_pair(0, 255));
    EXPECT_EQ(reports.back(), std::make_pair(511, 255));
    EXPECT_FALSE(model->Intf->GetDelegateUpdating());

    reports.clear();
    DMXOutput()->setDMXCh(3, 7);
    EXPECT_EQ(Dev.Writes.size(), 2u);
    EXPECT_EQ(Dev.Writes.back()[5 + 3], 7);
    EXPECT_THAT(reports, ElementsAre(std::make_pair(3, 7)));

    model->Intf->SetBlackOut(true);
    EXPECT_THAT(Data(Dev.Writes.back()), Each(0));
    EXPECT_EQ(Dev.Writes.size(), 3u);
}

TEST_F(USBEntekTest, FramesGoOutAtTheDMXLineSpeedWhateverAnotherUserSet) {
    std::map<std::string, platform::testing::TFakeFTDevice> fakes;
    fakes["F"];
    platform::testing::InstallFakeD2XX(&fakes);
    devices::TFTD2XX_DLL::Load();
    {
        devices::TFTD2XXDev ftdi(0x0403, 0x6001, "F");
        TEntekServer server(&ftdi);
        ftdi.SetFT_BaudRate(625000); // a probe for a controller behind the adapter
        fakes["F"].Calls.clear();
        server.setChannel(1, 1);
        EXPECT_THAT(fakes["F"].Calls, ElementsAre("SetBaudRate(500000)"));
        EXPECT_EQ(fakes["F"].Writes.size(), 1u);
        server.setChannel(1, 2);
        EXPECT_EQ(fakes["F"].Calls.size(), 1u); // already right: not set again
    }
    devices::TFTD2XX_DLL::Release();
    platform::testing::InstallFakeD2XX(nullptr);
}
