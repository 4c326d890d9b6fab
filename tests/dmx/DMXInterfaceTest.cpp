#include "dmx/DMXInterface.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/Exceptions.h"

#include "dmx/DMXOutput.h"
#include "tests/support/FakeDMXDelegate.h"

using namespace dmx;
using testsupport::TFakeDMXDelegate;
using testsupport::TFakeOutput;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class DMXInterfaceTest : public ::testing::Test {
protected:
    // In the constructor, so that outputs built by derived fixtures' members find the factories.
    DMXInterfaceTest() {
        InstallDMXInterfaces();
        InstallDMXOutput();
    }
    ~DMXInterfaceTest() override { FinalizeDMXOutput(); }

    // Records the subscriber's reports.
    std::vector<std::pair<int, int>> Reports;
    void Subscribe(IDMXInterface* intf) {
        intf->SetOnDMXChanged([this](int32_t ch, int32_t v) { Reports.emplace_back(ch, v); });
    }
};

} // namespace

TEST_F(DMXInterfaceTest, InactiveInterfaceStoresAndReportsNothing) {
    TFakeOutput out;
    Subscribe(out.Intf.get());
    out.Intf->setDMXCh(5, 200);
    EXPECT_EQ(out.Intf->getDMXCh(5), 200);
    EXPECT_THAT(out.Delegate->Calls, IsEmpty());
    EXPECT_THAT(Reports, IsEmpty());
}

TEST_F(DMXInterfaceTest, ActiveInterfaceReportsToDelegateOrSubscriberNeverBoth) {
    TFakeOutput out;
    Subscribe(out.Intf.get());
    out.Intf->SetActive(true);
    out.Delegate->Take();

    out.Intf->setDMXCh(5, 200);
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(5,200)"));
    EXPECT_THAT(Reports, IsEmpty());

    {
        TDelegateUpdate updating(out.Intf.get());
        out.Intf->setDMXCh(5, 201);
    }
    EXPECT_THAT(out.Delegate->Take(), IsEmpty());
    EXPECT_THAT(Reports, ElementsAre(std::pair(5, 201)));
    EXPECT_FALSE(out.Intf->GetDelegateUpdating());
}

TEST_F(DMXInterfaceTest, EchoingDelegateMovesTheSubscriberToTheAcceptedValue) {
    TFakeOutput out;
    out.Delegate->Echo = true;
    out.Delegate->EchoOffset = -1; // the device accepted one less
    Subscribe(out.Intf.get());
    out.Intf->SetActive(true);
    out.Intf->setDMXCh(7, 100);
    EXPECT_EQ(out.Intf->getDMXCh(7), 99);
    EXPECT_THAT(Reports, ElementsAre(std::pair(7, 99)));
}

TEST_F(DMXInterfaceTest, ReservedChannelCodes) {
    TFakeOutput out;
    out.Intf->setDMXCh(10, 9);
    out.Intf->SetActive(true);
    out.Delegate->Take();

    struct Case {
        int32_t ch;
        uint8_t v;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {-1, 77, {"ChangedDMX(-1,77)"}},
        {-1, 77, {"ChangedDMX(-1,77)"}}, // the master reports even when unchanged
        {-3, 0, {"ChangedDMX(-3,0)"}},
        {-2, 5, {}},
        {-7, 5, {}},
        {512, 5, {}},
        {511, 5, {"ChangedDMX(511,5)"}},
    };
    for (const auto& c : cases) {
        out.Intf->setDMXCh(c.ch, c.v);
        EXPECT_EQ(out.Delegate->Take(), c.calls) << "channel " << c.ch;
    }
    EXPECT_EQ(out.Intf->GetDMXMaster(), 77);
    EXPECT_EQ(out.Intf->getDMXCh(-1), 77);
    EXPECT_EQ(out.Intf->getDMXCh(10), 0); // cleared by -3
    EXPECT_EQ(out.Intf->getDMXCh(511), 5);
    EXPECT_EQ(out.Intf->getDMXCh(-2), 0);
    EXPECT_EQ(out.Intf->getDMXCh(600), 0);

    out.Intf->SetAllFull();
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(-3,255)"));
    EXPECT_EQ(out.Intf->getDMXCh(0), 255);
    out.Intf->SetAllZero();
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(-3,0)"));
}

TEST_F(DMXInterfaceTest, SetDMXReplacesExactly512ValuesWhateverTheArrayLength) {
    TFakeOutput out;
    out.Intf->SetAllFull();
    out.Intf->SetActive(true);
    out.Delegate->Take();

    out.Intf->SetDMX(TBytes{1, 2, 3});
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedDMX(-2,0)"));
    EXPECT_EQ(out.Intf->getDMXCh(2), 3);
    EXPECT_EQ(out.Intf->getDMXCh(3), 0);

    TBytes longer(600, 9);
    out.Intf->SetDMX(longer);
    EXPECT_EQ(out.Intf->GetDMX(), TBytes(512, 9));
}

TEST_F(DMXInterfaceTest, BlackOutHidesValuesFromGetDMXAndTellsTheDelegateEvenWhenInactive) {
    TFakeOutput out;
    out.Intf->setDMXCh(3, 50);
    out.Intf->SetBlackOut(true);
    EXPECT_THAT(out.Delegate->Take(), ElementsAre("ChangedBlackOut"));
    out.Intf->SetBlackOut(true);
    EXPECT_THAT(out.Delegate->Take(), IsEmpty());
    EXPECT_EQ(out.Intf->GetDMX(), TBytes(512, 0));
    EXPECT_EQ(out.Intf->getDMXCh(3), 50);
    {
        TDelegateUpdate updating(out.Intf.get());
        out.Intf->SetBlackOut(false);
    }
    EXPECT_THAT(out.Delegate->Take(), IsEmpty());
    EXPECT_EQ(out.Intf->GetDMX()[3], 50);
}

TEST_F(DMXInterfaceTest, InterfaceIsAPartOfTheDelegatesObjectAndNamedThroughIt) {
    TFakeOutput out("Stage left");
    EXPECT_EQ(out.Intf->GetName(), "Stage left");
    EXPECT_EQ(out.Intf->GetHardwareID(), "hw:Stage left");
    out.Intf->SetName("Stage right");
    EXPECT_EQ(out.Delegate->GetName(), "Stage right");
    EXPECT_TRUE(foundation::SameObject(out.Intf, out.Root));
    EXPECT_EQ(DMXOutput()->GetDMXInterfaceCount(), 1);
}

TEST_F(DMXInterfaceTest, DelegateWithoutNameGivesEmptyNameAndAStandaloneInterface) {
    auto* d = foundation::Make<TFakeDMXDelegate>("hidden", /*named=*/false);
    IPtr<IDMXInterfaceDelegate> hold(d);
    {
        auto intf = NewDMXInterface(d);
        EXPECT_EQ(intf->GetName(), "");
        EXPECT_EQ(intf->GetHardwareID(), "");
        intf->SetName("ignored");
        EXPECT_EQ(d->GetName(), "hidden");
        EXPECT_FALSE(foundation::SameObject(intf, hold));
        EXPECT_EQ(DMXOutput()->GetDMXInterfaceCount(), 1);
    }
    // A root of its own: gone with its last reference, and out of the registry.
    EXPECT_EQ(DMXOutput()->GetDMXInterfaceCount(), 0);
}

// ---- storage interface

namespace {
class StorageTest : public DMXInterfaceTest {
protected:
    TFakeOutput Out{"PX", true};
    IPtr<IDMXStorageInterface> S = foundation::Supports<IDMXStorageInterface>(Out.Intf);
    int ParamsChanged = 0;
    void SetUp() override {
        S->SetOnEditParamsChange([this](void*) { ++ParamsChanged; });
    }
};
} // namespace

TEST_F(StorageTest, CountsComeFromTheDelegateOnce) {
    EXPECT_EQ(S->GetShowCount(), 24);
    EXPECT_EQ(S->GetScenesCount(), 100);
    EXPECT_EQ(S->GetShowPlaying(), -1);
    EXPECT_EQ(S->GetShowEditing(), -1);
    EXPECT_EQ(S->GetSceneCurrent(), -1);
}

TEST_F(StorageTest, PlayingAnotherShowStopsTheFirst) {
    S->ShowPlay(0, false);
    S->ShowPlay(2, true);
    S->ShowPlay(2, true);
    S->ShowPlay(24, false);
    S->ShowPlay(-1, false);
    EXPECT_THAT(Out.Delegate->Take(), ElementsAre("PlayShow(0,0)", "PlayMakeAction(paStop)", "PlayShow(2,1)"));
    EXPECT_EQ(S->GetShowPlaying(), 2);
    EXPECT_TRUE(S->GetShowPlayingStopAndGo());
    S->ShowNext();
    S->ShowPrev();
    S->ShowStop();
    S->ShowStop();
    S->ShowNext();
    EXPECT_THAT(Out.Delegate->Take(),
                ElementsAre("PlayMakeAction(paNext)", "PlayMakeAction(paPrev)", "PlayMakeAction(paStop)"));
}

TEST_F(StorageTest, NextAndPrevOnlyForStopAndGoShows) {
    S->ShowPlay(1, false);
    Out.Delegate->Take();
    S->ShowNext();
    S->ShowPrev();
    EXPECT_THAT(Out.Delegate->Take(), IsEmpty());
}

TEST_F(StorageTest, EditingNeedsEditModeAndNoShowPlaying) {
    S->EditShow(1);
    EXPECT_EQ(S->GetShowEditing(), -1);
    S->SetEditMode(true);
    S->SetEditMode(true);
    S->ShowPlay(0, false);
    S->EditShow(1);
    EXPECT_EQ(S->GetShowEditing(), -1);
    S->ShowStop();
    Out.Delegate->Take();

    S->EditRec(); // nothing open yet
    S->EditShow(1);
    S->EditShow(1);
    S->EditAddScene();
    S->EditNextScene();
    S->EditPrevScene();
    S->EditDelShow();
    S->EditDelScene(); // no scene open
    S->EditRec();
    S->EditScene(5);
    EXPECT_EQ(S->GetShowEditing(), -1);
    EXPECT_EQ(S->GetSceneCurrent(), 5);
    S->EditDelScene();
    S->EditScene(100);
    EXPECT_THAT(Out.Delegate->Take(),
                ElementsAre("EditShow(1)", "EditMakeAction(eaAddScene)", "EditMakeAction(eaNext)",
                            "EditMakeAction(eaPrev)", "EditMakeAction(eaDelShow)", "EditMakeAction(eaRec)",
                            "EditScene(5)", "EditMakeAction(eaDelScene)"));
    EXPECT_EQ(ParamsChanged, 0);
}

TEST_F(StorageTest, DelegateReportsStateWithoutBeingCalledBack) {
    S->SetEditMode(true);
    Out.Delegate->Take();
    {
        TDelegateUpdate updating(Out.Intf.get());
        S->EditShow(3);       // stored even as reported by the device
        S->EditScene(7);
        S->SetSceneCurrent(8);
        S->SetLiveMode(true);
        S->SetSceneEditingFade(1.5f);
        S->SetSceneEditingStand(2.5f);
        S->SetShowSpeed(2.0f);
        S->SetShowSpeed(2.0f); // unchanged: no event
        S->SetEditMode(false); // no event
        EXPECT_EQ(S->GetShowEditing(), 3);
        EXPECT_EQ(S->GetSceneCurrent(), 8);
        S->ShowPlay(1, false); // playing clears the edit selection
        S->ClearMemory();
    }
    EXPECT_THAT(Out.Delegate->Take(), IsEmpty());
    EXPECT_EQ(ParamsChanged, 7);
    EXPECT_EQ(S->GetShowEditing(), -1);
    EXPECT_EQ(S->GetSceneCurrent(), -1);
    EXPECT_FLOAT_EQ(S->GetSceneEditingFade(), 1.5f);
    EXPECT_EQ(S->GetShowPlaying(), 1);
}

TEST_F(StorageTest, UserChangesOfParametersGoToTheDelegate) {
    S->SetSceneCurrent(4); // only the device may set the current scene this way
    EXPECT_EQ(S->GetSceneCurrent(), -1);
    S->SetSceneEditingFade(1.5f);
    S->SetSceneEditingStand(1.5f);
    S->SetShowSpeed(0.5f);
    S->SetLiveMode(true);
    S->ScenePlay(3);
    S->ScenePlay(100);
    S->ClearMemory();
    EXPECT_THAT(Out.Delegate->Take(),
                ElementsAre("EditSetParameter(epSceneFade,15)", "EditSetParameter(epSceneStand,15)",
                            "EditSetParameter(epShowSpeed,5)", "SetLiveMode(1)", "PlayScene(3)", "ClearMemory"));
    EXPECT_EQ(ParamsChanged, 0);
}

TEST_F(StorageTest, CuesThroughFiles) {
    auto path = (std::filesystem::temp_directory_path() / "lumacue-cues-test.bin").string();
    S->SaveCuesToFile(path);
    EXPECT_EQ(std::filesystem::file_size(path), 3u);
    S->LoadCuesFromFile(path);
    EXPECT_THAT(Out.Delegate->Take(), ElementsAre("SaveCuesToStream", "LoadCuesFromStream(3)"));
    std::filesystem::remove(path);
    EXPECT_THROW(S->LoadCuesFromFile(path), foundation::Exception);
    EXPECT_THROW(S->SaveCuesToFile("/nonexistent-dir/x.bin"), foundation::Exception);
}
