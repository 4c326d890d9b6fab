// A transport delegate for tests: it records every call it receives and, when asked to, writes
// accepted values back into its interface as a device acknowledgement would.
#pragma once

#include <string>
#include <vector>

#include "dmx/Intf.DMX.h"

namespace testsupport {

using namespace dmx;
using foundation::HRESULT;
using foundation::OfferInterface;
using foundation::S_OK;

class TFakeDMXDelegate : public foundation::TIaAObject,
                         public virtual IDMXNamedInterfaceDelegate,
                         public virtual IDMXStorageInterfaceDelegate {
public:
    explicit TFakeDMXDelegate(std::string name = "Fake", bool named = true, int shows = 24, int scenes = 100)
        : FName(std::move(name)), FNamed(named), FShows(shows), FScenes(scenes) {}

    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override {
        if (FNamed && OfferInterface<IDMXNamedInterfaceDelegate>(this, IID, Obj)) return S_OK;
        if (OfferInterface<IDMXInterfaceDelegate>(this, IID, Obj) ||
            OfferInterface<IDMXStorageInterfaceDelegate>(this, IID, Obj))
            return S_OK;
        return TIaAObject::QueryOwnInterface(IID, Obj);
    }

    std::vector<std::string> Calls;
    IDMXInterface* Intf = nullptr; // the interface built on this delegate, for write-backs
    bool Echo = false;             // acknowledge every channel change at once
    int EchoOffset = 0;            // an acknowledgement that differs from what was sent

    std::string GetName() override { return FName; }
    void SetName(const std::string& Value) override { FName = Value; }
    std::string GetHardwareID() override { return "hw:" + FName; }

    void ChangedDMX(int32_t Index, int32_t Value) override {
        Calls.push_back("ChangedDMX(" + std::to_string(Index) + "," + std::to_string(Value) + ")");
        if (Echo && Intf && Index >= 0) {
            TDelegateUpdate updating(Intf);
            Intf->setDMXCh(Index, uint8_t(Value + EchoOffset));
        }
    }
    void ChangedActive() override { Calls.push_back(std::string("ChangedActive(") + (Intf && Intf->GetActive() ? "1" : "0") + ")"); }
    void ChangedBlackOut() override { Calls.push_back("ChangedBlackOut"); }

    void GetShowsScenesCount(int32_t& AShows, int32_t& AScenes) override {
        AShows = FShows;
        AScenes = FScenes;
    }
    void PlayShow(int32_t AShow, bool AStopAndGo) override {
        Calls.push_back("PlayShow(" + std::to_string(AShow) + "," + (AStopAndGo ? "1" : "0") + ")");
    }
    void PlayScene(int32_t AScene) override { Calls.push_back("PlayScene(" + std::to_string(AScene) + ")"); }
    void PlayMakeAction(TPlayAction AAction) override {
        static const char* names[] = {"paStop", "paNext", "paPrev"};
        Calls.push_back(std::string("PlayMakeAction(") + names[AAction] + ")");
    }
    void ClearMemory() override { Calls.push_back("ClearMemory"); }
    void SaveCuesToStream(foundation::TStream& AStream) override {
        Calls.push_back("SaveCuesToStream");
        AStream.Write(foundation::TBytes{1, 2, 3});
    }
    void LoadCuesFromStream(foundation::TStream& AStream) override {
        Calls.push_back("LoadCuesFromStream(" + std::to_string(AStream.GetSize()) + ")");
    }
    void SetEditMode(bool Value) override { Calls.push_back(std::string("SetEditMode(") + (Value ? "1" : "0") + ")"); }
    void SetLiveMode(bool Value) override { Calls.push_back(std::string("SetLiveMode(") + (Value ? "1" : "0") + ")"); }
    void EditShow(int32_t AShow) override { Calls.push_back("EditShow(" + std::to_string(AShow) + ")"); }
    void EditScene(int32_t AScene) override { Calls.push_back("EditScene(" + std::to_string(AScene) + ")"); }
    void EditMakeAction(TEditAction AAction) override {
        static const char* names[] = {"eaRec", "eaAddScene", "eaDelScene", "eaNext", "eaPrev", "eaDelShow"};
        Calls.push_back(std::string("EditMakeAction(") + names[AAction] + ")");
    }
    void EditSetParameter(TEditParameter AParameter, float AValue) override {
        static const char* names[] = {"epSceneFade", "epSceneStand", "epShowSpeed"};
        Calls.push_back(std::string("EditSetParameter(") + names[AParameter] + "," + std::to_string(int(AValue * 10)) + ")");
    }

    std::vector<std::string> Take() { return std::exchange(Calls, {}); }

private:
    std::string FName;
    bool FNamed;
    int FShows, FScenes;
};

// A delegate with its DMX interface as a part of it: the shape of a one-output device.
struct TFakeOutput {
    IPtr<IDMXNamedInterfaceDelegate> Root;
    TFakeDMXDelegate* Delegate = nullptr;
    IPtr<IDMXInterface> Intf;

    explicit TFakeOutput(std::string name = "Fake", bool storage = false) {
        Delegate = foundation::Make<TFakeDMXDelegate>(std::move(name));
        Root = IPtr<IDMXNamedInterfaceDelegate>(Delegate);
        if (storage)
            Intf = NewDMXStorageInterface(Delegate);
        else
            Intf = NewDMXInterface(Delegate);
        Delegate->Intf = Intf.get();
    }
};

} // namespace testsupport
