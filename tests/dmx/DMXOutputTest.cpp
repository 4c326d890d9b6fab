#include "dmx/DMXOutput.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "tests/support/FakeDMXDelegate.h"

using namespace dmx;
using testsupport::TFakeOutput;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class DMXOutputTest : public ::testing::Test {
protected:
    DMXOutputTest() {
        InstallDMXInterfaces();
        InstallDMXOutput();
        Reg = DMXOutput();
        Reg->OnActiveInterfaceChange = [this](void*) {
            auto* a = Reg->GetActiveDMXInterface();
            Log.push_back("active:" + (a ? a->GetName() : std::string("none")));
        };
        Reg->OnInterfaceChange = [this](TDMXOutput*, IDMXNamedInterface* i, TDMXInterfaceEvent e) {
            Log.push_back((e == deAdded ? "added:" : "removed:") + i->GetName());
        };
    }
    ~DMXOutputTest() override {
        if (DMXOutput()) {
            DMXOutput()->OnActiveInterfaceChange = nullptr;
            DMXOutput()->OnInterfaceChange = nullptr;
        }
        FinalizeDMXOutput();
    }
    TDMXOutput* Reg;
    std::vector<std::string> Log;
};

} // namespace

TEST_F(DMXOutputTest, RegistersOnceAndFindsTheFirstOfEqualNames) {
    TFakeOutput a("Twin"), b("Twin");
    Reg->AddDMXInterface(Reg->getDMXInterface(0));
    EXPECT_THAT(Log, ElementsAre("added:Twin", "added:Twin"));
    EXPECT_EQ(Reg->GetDMXInterfaceCount(), 2);
    EXPECT_EQ(Reg->IndexOf("Twin"), 0);
    EXPECT_EQ(Reg->IndexOf(b.Intf.get()), 1);
    EXPECT_EQ(Reg->IndexOf("twin"), -1);
    EXPECT_EQ(Reg->IndexOfAddress("hw:Twin"), 0);
    EXPECT_EQ(foundation::Supports<IDMXInterface>(Reg->getDMXInterfaceN("Twin")).get(), a.Intf.get());
    EXPECT_EQ(Reg->getDMXInterfaceHId("hw:none"), nullptr);
    EXPECT_EQ(Reg->getDMXInterface(2), nullptr);
}

TEST_F(DMXOutputTest, ActivatingAnotherOutputDeactivatesTheFirst) {
    TFakeOutput a("A"), b("B");
    Log.clear();
    Reg->SetActiveDMXInterface(a.Intf.get());
    EXPECT_THAT(Log, ElementsAre("active:A"));
    EXPECT_THAT(a.Delegate->Take(), ElementsAre("ChangedActive(1)"));
    Log.clear();

    b.Intf->SetActive(true); // directly on the interface: the same outcome
    EXPECT_THAT(Log, ElementsAre("active:none", "active:B"));
    EXPECT_FALSE(a.Intf->GetActive());
    EXPECT_TRUE(b.Intf->GetActive());
    EXPECT_EQ(Reg->GetActiveDMXInterface(), b.Intf.get());
    EXPECT_THAT(a.Delegate->Take(), ElementsAre("ChangedActive(0)"));
    EXPECT_THAT(b.Delegate->Take(), ElementsAre("ChangedActive(1)"));

    Log.clear();
    Reg->SetActiveDMXInterface(b.Intf.get());
    a.Intf->SetActive(false); // not active: must not clear B
    EXPECT_THAT(Log, IsEmpty());
    EXPECT_EQ(Reg->GetActiveDMXInterface(), b.Intf.get());
}

TEST_F(DMXOutputTest, ChannelAccessGoesToTheActiveInterfaceOnly) {
    Reg->setDMXCh(0, 10);
    EXPECT_EQ(Reg->getDMXCh(0), 0);
    EXPECT_EQ(Reg->GetDMX(), TBytes());
    EXPECT_EQ(Reg->GetDMXMaster(), 0);
    TFakeOutput a("A");
    Reg->setDMXCh(0, 10);
    EXPECT_EQ(a.Intf->getDMXCh(0), 0);

    Reg->SetActiveDMXInterface(a.Intf.get());
    a.Delegate->Take();
    Reg->setDMXCh(28, 99);
    Reg->SetDMXMaster(200);
    Reg->setDMXCh(-3, 1);
    EXPECT_THAT(a.Delegate->Take(), ElementsAre("ChangedDMX(28,99)", "ChangedDMX(-1,200)", "ChangedDMX(-3,1)"));
    EXPECT_EQ(Reg->getDMXCh(28), 1);
    EXPECT_EQ(Reg->GetDMXMaster(), 200);
    EXPECT_EQ(Reg->GetDMX().size(), 512u);
}

TEST_F(DMXOutputTest, RemovingTheActiveOutputClearsActiveBeforeRemoval) {
    auto a = std::make_unique<TFakeOutput>("A");
    a->Intf->SetActive(true);
    Log.clear();
    a.reset();
    EXPECT_THAT(Log, ElementsAre("active:none", "active:none", "removed:A"));
    EXPECT_EQ(Reg->GetActiveDMXInterface(), nullptr);
    EXPECT_EQ(Reg->GetDMXInterfaceCount(), 0);
}

TEST_F(DMXOutputTest, ClearEmptiesWithoutEvents) {
    TFakeOutput a("A");
    a.Intf->SetActive(true);
    Log.clear();
    Reg->DMXInterfaceClear();
    EXPECT_THAT(Log, ElementsAre("active:none", "active:none"));
    EXPECT_EQ(Reg->GetDMXInterfaceCount(), 0);
}

TEST_F(DMXOutputTest, ShutDownWaitsForTheLastInterface) {
    auto a = std::make_unique<TFakeOutput>("A");
    Reg->OnInterfaceChange = nullptr;
    Reg->OnActiveInterfaceChange = nullptr;
    FinalizeDMXOutput();
    ASSERT_EQ(DMXOutput(), Reg); // still alive: an interface remains
    a.reset();
    EXPECT_EQ(DMXOutput(), nullptr);
}
