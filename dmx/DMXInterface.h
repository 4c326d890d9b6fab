// The model of one DMX universe: 512 channels, master, black-out and the active mark, reporting
// every change either to its transport delegate or, while the delegate writes back, to its subscriber.
#pragma once

#include <array>

#include "dmx/Intf.DMX.h"

namespace dmx {

class TDMXNamedInterface : public foundation::TIaAObject, public virtual IDMXNamedInterface {
public:
    TDMXNamedInterface(IInterface* AController, IDMXNamedInterfaceDelegate* ANamedDelegate);

    foundation::HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;
    std::string GetName() override;
    void SetName(const std::string& Value) override;
    std::string GetHardwareID() override;

protected:
    // In the registry from the end of construction to the start of destruction.
    void AfterConstructionSafe() override;
    void DoBeforeControllerDestruction() override { Unregister(); }
    void BeforeDestruction() override { Unregister(); }

private:
    void Unregister();
    IDMXNamedInterfaceDelegate* FDMXNamedInterfacedDelegate = nullptr;
    bool FRegistered = false;
};

class TDMXInterface : public TDMXNamedInterface, public virtual IDMXInterface {
public:
    explicit TDMXInterface(IDMXInterfaceDelegate* ADelegate);

    foundation::HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;
    uint8_t getDMXCh(int32_t Index) override;
    void setDMXCh(int32_t Index, uint8_t Value) override;
    TBytes GetDMX() override;
    void SetDMX(const TBytes& Value) override;
    uint8_t GetDMXMaster() override { return FDMXMaster; }
    void SetDMXMaster(uint8_t Value) override;
    bool GetActive() override { return FActive; }
    void SetActive(bool Value) override;
    bool GetBlackOut() override { return FBlackOut; }
    void SetBlackOut(bool Value) override;
    bool GetDelegateUpdating() override { return FDelegateUpdating; }
    void SetDelegateUpdating(bool Value) override { FDelegateUpdating = Value; }
    TDMXReceivedChange GetOnDMXChanged() override { return FOnDMXChanged; }
    void SetOnDMXChanged(TDMXReceivedChange Handler) override { FOnDMXChanged = std::move(Handler); }
    IDMXInterfaceDelegate* GetDMXInterfaceDelegate() override { return FDelegate; }
    void SetDMXInterfaceDelegate(IDMXInterfaceDelegate* Value) override { foundation::AssignWeak(FDelegate, Value); }
    void SetAllZero() override;
    void SetAllFull() override;

    int32_t GetUniverseNumber() const { return FUniverseNumber; }
    void SetUniverseNumber(int32_t Value) { FUniverseNumber = Value; }

protected:
    virtual void BlackOutChanged();
    // The one report step every change ends in.
    void Report(int32_t AChannel, int32_t AValue);

private:
    std::array<uint8_t, DMXChannels> FDMXCh{};
    bool FActive = false;
    IDMXInterfaceDelegate* FDelegate = nullptr;
    int32_t FUniverseNumber = 0;
    TDMXReceivedChange FOnDMXChanged;
    uint8_t FDMXMaster = 0;
    bool FDelegateUpdating = false;
    bool FBlackOut = false;
};

class TDMXStorageInterface : public TDMXInterface, public virtual IDMXStorageInterface {
public:
    explicit TDMXStorageInterface(IDMXInterfaceDelegate* ADelegate);

    foundation::HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;
    int32_t GetScenesCount() override { return FScenesCount; }
    int32_t GetShowCount() override { return FShowsCount; }
    int32_t GetShowPlaying() override { return FShowPlaying; }
    bool GetShowPlayingStopAndGo() override { return FShowPlayingStopGo; }
    float GetShowSpeed() override { return FShowSpeed; }
    void SetShowSpeed(float Value) override;
    int32_t GetShowEditing() override { return FShowEditing; }
    int32_t GetSceneCurrent() override { return FSceneCurrent; }
    void SetSceneCurrent(int32_t Value) override;
    float GetSceneEditingStand() override { return FSceneStand; }
    void SetSceneEditingStand(float Value) override;
    float GetSceneEditingFade() override { return FSceneFade; }
    void SetSceneEditingFade(float Value) override;
    bool GetLiveMode() override { return FLiveMode; }
    void SetLiveMode(bool Value) override;
    bool GetEditMode() override { return FEditMode; }
    void SetEditMode(bool Value) override;
    foundation::TNotifyEvent GetOnEditParamsChange() override { return FOnEditParamsChange; }
    void SetOnEditParamsChange(foundation::TNotifyEvent Handler) override { FOnEditParamsChange = std::move(Handler); }
    void ShowPlay(int32_t AShow, bool AStopAndGo) override;
    void ShowStop() override;
    void ShowNext() override;
    void ShowPrev() override;
    void ScenePlay(int32_t AScene) override;
    void EditShow(int32_t AShow) override;
    void EditScene(int32_t AScene) override;
    void EditRec() override;
    void EditAddScene() override;
    void EditDelScene() override;
    void EditNextScene() override;
    void EditPrevScene() override;
    void EditDelShow() override;
    void ClearMemory() override;
    void SaveCuesToStream(foundation::TStream& AStream) override;
    void LoadCuesFromStream(foundation::TStream& AStream) override;
    void SaveCuesToFile(const std::string& AFileName) override;
    void LoadCuesFromFile(const std::string& AFileName) override;

protected:
    void AfterConstructionSafe() override;

private:
    // The storage delegate when it may be called: present and not writing into us.
    IDMXStorageInterfaceDelegate* Callable();
    bool ValidShow(int32_t AShow) const { return AShow >= 0 && AShow < FShowsCount; }
    bool ValidScene(int32_t AScene) const { return AScene >= 0 && AScene < FScenesCount; }
    void EditParamsChanged();
    void EditAction(bool Guard, TEditAction AAction);

    foundation::TNotifyEvent FOnEditParamsChange;
    IDMXStorageInterfaceDelegate* FStorageDelegate = nullptr;
    int32_t FShowEditing = -1;
    int32_t FSceneCurrent = -1;
    float FSceneStand = 0, FSceneFade = 0;
    bool FShowPlayingStopGo = false;
    int32_t FShowPlaying = -1;
    bool FLiveMode = false;
    float FShowSpeed = 0;
    int32_t FShowsCount = 0, FScenesCount = 0;
    bool FEditMode = false;
};

} // namespace dmx
