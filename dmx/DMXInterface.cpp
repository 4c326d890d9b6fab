#include "dmx/DMXInterface.h"

#include <algorithm>

#include "dmx/DMXOutput.h"

namespace dmx {

using foundation::HRESULT;
using foundation::Make;
using foundation::OfferInterface;
using foundation::S_OK;
using foundation::Supports;

namespace {

// The delegate's answer for the named delegate: the device a delegate belongs to answers for it.
// Not counted: the interface becomes a part of that object and cannot outlive it.
IDMXNamedInterfaceDelegate* NamedDelegateOf(IInterface* ADelegate) {
    return Supports<IDMXNamedInterfaceDelegate>(ADelegate).get();
}

} // namespace

// ---- TDMXNamedInterface

TDMXNamedInterface::TDMXNamedInterface(IInterface* AController, IDMXNamedInterfaceDelegate* ANamedDelegate)
    : TIaAObject(AController), FDMXNamedInterfacedDelegate(ANamedDelegate) {}

HRESULT TDMXNamedInterface::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (OfferInterface<IDMXNamedInterface>(this, IID, Obj)) return S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

std::string TDMXNamedInterface::GetName() {
    return FDMXNamedInterfacedDelegate ? FDMXNamedInterfacedDelegate->GetName() : std::string();
}

void TDMXNamedInterface::SetName(const std::string& Value) {
    if (FDMXNamedInterfacedDelegate) FDMXNamedInterfacedDelegate->SetName(Value);
}

std::string TDMXNamedInterface::GetHardwareID() {
    return FDMXNamedInterfacedDelegate ? FDMXNamedInterfacedDelegate->GetHardwareID() : std::string();
}

void TDMXNamedInterface::AfterConstructionSafe() {
    TIaAObject::AfterConstructionSafe();
    if (TDMXOutput* output = DMXOutput()) {
        output->AddDMXInterface(static_cast<IDMXNamedInterface*>(this));
        FRegistered = true;
    }
}

void TDMXNamedInterface::Unregister() {
    if (!FRegistered) return;
    FRegistered = false;
    if (TDMXOutput* output = DMXOutput()) output->RemoveDMXInterface(static_cast<IDMXNamedInterface*>(this));
}

// ---- TDMXInterface

TDMXInterface::TDMXInterface(IDMXInterfaceDelegate* ADelegate)
    : TDMXNamedInterface(NamedDelegateOf(ADelegate), NamedDelegateOf(ADelegate)), FDelegate(ADelegate) {}

HRESULT TDMXInterface::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (OfferInterface<IDMXInterface>(this, IID, Obj)) return S_OK;
    return TDMXNamedInterface::QueryOwnInterface(IID, Obj);
}

void TDMXInterface::Report(int32_t AChannel, int32_t AValue) {
    if (!FActive) return;
    if (!FDelegateUpdating) {
        if (FDelegate) FDelegate->ChangedDMX(AChannel, AValue);
    } else if (FOnDMXChanged) {
        FOnDMXChanged(AChannel, AValue & 255);
    }
}

uint8_t TDMXInterface::getDMXCh(int32_t Index) {
    if (Index == DMXChMaster) return FDMXMaster;
    if (Index < 0 || Index >= DMXChannels) return 0;
    return FDMXCh[size_t(Index)];
}

void TDMXInterface::setDMXCh(int32_t Index, uint8_t Value) {
    if (Index == DMXChMaster) return SetDMXMaster(Value);
    if (Index == DMXChAllChannels) {
        FDMXCh.fill(Value);
        return Report(DMXChAllChannels, Value);
    }
    if (Index < 0 || Index >= DMXChannels) return;
    FDMXCh[size_t(Index)] = Value;
    Report(Index, Value);
}

TBytes TDMXInterface::GetDMX() {
    if (FBlackOut) return TBytes(DMXChannels, 0);
    return TBytes(FDMXCh.begin(), FDMXCh.end());
}

void TDMXInterface::SetDMX(const TBytes& Value) {
    // Exactly 512 values replace the universe: a short array leaves the rest at 0, a long one is cut.
    FDMXCh.fill(0);
    std::copy_n(Value.begin(), std::min(Value.size(), FDMXCh.size()), FDMXCh.begin());
    Report(DMXChUniverse, 0);
}

void TDMXInterface::SetDMXMaster(uint8_t Value) {
    FDMXMaster = Value;
    Report(DMXChMaster, Value);
}

void TDMXInterface::SetAllFull() {
    FDMXCh.fill(255);
    Report(DMXChAllChannels, 255);
}

void TDMXInterface::SetAllZero() {
    FDMXCh.fill(0);
    Report(DMXChAllChannels, 0);
}

void TDMXInterface::SetBlackOut(bool Value) {
    if (Value == FBlackOut) return;
    FBlackOut = Value;
    BlackOutChanged();
}

void TDMXInterface::BlackOutChanged() {
    if (!FDelegateUpdating && FDelegate) FDelegate->ChangedBlackOut();
}

void TDMXInterface::SetActive(bool Value) {
    // Only a real change goes to the registry: the registry calls back here, and an inactive
    // interface saying "not active" must not clear another interface's activation.
    if (Value == FActive) return;
    FActive = Value;
    if (TDMXOutput* output = DMXOutput()) output->SetActiveDMXInterface(Value ? static_cast<IDMXInterface*>(this) : nullptr);
    if (!FDelegateUpdating && FDelegate) FDelegate->ChangedActive();
}

// ---- TDMXStorageInterface

TDMXStorageInterface::TDMXStorageInterface(IDMXInterfaceDelegate* ADelegate) : TDMXInterface(ADelegate) {}

HRESULT TDMXStorageInterface::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (OfferInterface<IDMXStorageInterface>(this, IID, Obj)) return S_OK;
    return TDMXInterface::QueryOwnInterface(IID, Obj);
}

void TDMXStorageInterface::AfterConstructionSafe() {
    TDMXInterface::AfterConstructionSafe();
    FStorageDelegate = Supports<IDMXStorageInterfaceDelegate>(GetDMXInterfaceDelegate()).get();
    if (FStorageDelegate) FStorageDelegate->GetShowsScenesCount(FShowsCount, FScenesCount);
}

IDMXStorageInterfaceDelegate* TDMXStorageInterface::Callable() {
    return GetDelegateUpdating() ? nullptr : FStorageDelegate;
}

void TDMXStorageInterface::EditParamsChanged() {
    if (FOnEditParamsChange) FOnEditParamsChange(static_cast<IDMXStorageInterface*>(this));
}

void TDMXStorageInterface::ShowPlay(int32_t AShow, bool AStopAndGo) {
    if (!ValidShow(AShow) || AShow == FShowPlaying) return;
    if (FShowPlaying != -1) ShowStop();
    FSceneCurrent = -1;
    FShowEditing = -1;
    FShowPlaying = AShow;
    FShowPlayingStopGo = AStopAndGo;
    if (auto* d = Callable()) d->PlayShow(AShow, AStopAndGo);
}

void TDMXStorageInterface::ShowStop() {
    if (FShowPlaying == -1) return;
    FShowPlaying = -1;
    if (auto* d = Callable()) d->PlayMakeAction(paStop);
}

void TDMXStorageInterface::ShowNext() {
    if (FShowPlaying == -1 || !FShowPlayingStopGo) return;
    if (auto* d = Callable()) d->PlayMakeAction(paNext);
}

void TDMXStorageInterface::ShowPrev() {
    if (FShowPlaying == -1 || !FShowPlayingStopGo) return;
    if (auto* d = Callable()) d->PlayMakeAction(paPrev);
}

void TDMXStorageInterface::ScenePlay(int32_t AScene) {
    if (!ValidScene(AScene)) return;
    FSceneCurrent = -1;
    FShowEditing = -1;
    if (auto* d = Callable()) d->PlayScene(AScene);
}

void TDMXStorageInterface::EditShow(int32_t AShow) {
    if (!FEditMode) return;
    if (GetDelegateUpdating()) {
        FShowEditing = AShow;
        return EditParamsChanged();
    }
    if (!ValidShow(AShow) || FShowPlaying != -1 || AShow == FShowEditing) return;
    FSceneCurrent = -1;
    FShowEditing = AShow;
    if (FStorageDelegate) FStorageDelegate->EditShow(AShow);
}

void TDMXStorageInterface::EditScene(int32_t AScene) {
    if (!FEditMode) return;
    if (GetDelegateUpdating()) {
        FSceneCurrent = AScene;
        return EditParamsChanged();
    }
    if (!ValidScene(AScene) || FShowPlaying != -1 || AScene == FSceneCurrent) return;
    FSceneCurrent = AScene;
    FShowEditing = -1;
    if (FStorageDelegate) FStorageDelegate->EditScene(AScene);
}

void TDMXStorageInterface::EditAction(bool Guard, TEditAction AAction) {
    if (!FEditMode || !Guard) return;
    if (auto* d = Callable()) d->EditMakeAction(AAction);
}

void TDMXStorageInterface::EditRec() { EditAction(FSceneCurrent != -1 || FShowEditing != -1, eaRec); }
void TDMXStorageInterface::EditAddScene() { EditAction(FShowEditing != -1, eaAddScene); }
void TDMXStorageInterface::EditDelScene() { EditAction(FSceneCurrent != -1, eaDelScene); }
void TDMXStorageInterface::EditNextScene() { EditAction(FShowEditing != -1, eaNext); }
void TDMXStorageInterface::EditPrevScene() { EditAction(FShowEditing != -1, eaPrev); }
void TDMXStorageInterface::EditDelShow() { EditAction(FShowEditing != -1, eaDelShow); }

void TDMXStorageInterface::ClearMemory() {
    if (auto* d = Callable()) d->ClearMemory();
}

void TDMXStorageInterface::SetEditMode(bool Value) {
    if (Value == FEditMode) return;
    FEditMode = Value;
    if (auto* d = Callable()) d->SetEditMode(Value);
}

void TDMXStorageInterface::SetSceneCurrent(int32_t Value) {
    if (!GetDelegateUpdating()) return;
    FSceneCurrent = Value;
    EditParamsChanged();
}

void TDMXStorageInterface::SetLiveMode(bool Value) {
    if (Value == FLiveMode) return;
    FLiveMode = Value;
    if (GetDelegateUpdating())
        EditParamsChanged();
    else if (FStorageDelegate)
        FStorageDelegate->SetLiveMode(Value);
}

void TDMXStorageInterface::SetSceneEditingFade(float Value) {
    FSceneFade = Value;
    if (GetDelegateUpdating())
        EditParamsChanged();
    else if (FStorageDelegate)
        FStorageDelegate->EditSetParameter(epSceneFade, Value);
}

void TDMXStorageInterface::SetSceneEditingStand(float Value) {
    FSceneStand = Value;
    if (GetDelegateUpdating())
        EditParamsChanged();
    else if (FStorageDelegate)
        FStorageDelegate->EditSetParameter(epSceneStand, Value);
}

void TDMXStorageInterface::SetShowSpeed(float Value) {
    if (Value == FShowSpeed) return;
    FShowSpeed = Value;
    if (GetDelegateUpdating())
        EditParamsChanged();
    else if (FStorageDelegate)
        FStorageDelegate->EditSetParameter(epShowSpeed, Value);
}

void TDMXStorageInterface::SaveCuesToStream(foundation::TStream& AStream) {
    if (FStorageDelegate) FStorageDelegate->SaveCuesToStream(AStream);
}

void TDMXStorageInterface::LoadCuesFromStream(foundation::TStream& AStream) {
    if (FStorageDelegate) FStorageDelegate->LoadCuesFromStream(AStream);
}

void TDMXStorageInterface::SaveCuesToFile(const std::string& AFileName) {
    foundation::TFileStream file(AFileName, foundation::TFileMode::fmCreate);
    SaveCuesToStream(file);
    file.Close();
}

void TDMXStorageInterface::LoadCuesFromFile(const std::string& AFileName) {
    foundation::TFileStream file(AFileName, foundation::TFileMode::fmOpenRead);
    LoadCuesFromStream(file);
}

// ---- factories

namespace {
IPtr<IDMXNamedInterface> DoNewDMXNamedInterface(IDMXNamedInterfaceDelegate* ADelegate) {
    return IPtr<IDMXNamedInterface>(Make<TDMXNamedInterface>(NamedDelegateOf(ADelegate), NamedDelegateOf(ADelegate)));
}
IPtr<IDMXInterface> DoNewDMXInterface(IDMXInterfaceDelegate* ADelegate) {
    return IPtr<IDMXInterface>(Make<TDMXInterface>(ADelegate));
}
IPtr<IDMXStorageInterface> DoNewDMXStorageInterface(IDMXInterfaceDelegate* ADelegate) {
    return IPtr<IDMXStorageInterface>(Make<TDMXStorageInterface>(ADelegate));
}
} // namespace

IPtr<IDMXNamedInterface> (*NewDMXNamedInterface)(IDMXNamedInterfaceDelegate*) = nullptr;
IPtr<IDMXInterface> (*NewDMXInterface)(IDMXInterfaceDelegate*) = nullptr;
IPtr<IDMXStorageInterface> (*NewDMXStorageInterface)(IDMXInterfaceDelegate*) = nullptr;

void InstallDMXInterfaces() {
    NewDMXNamedInterface = DoNewDMXNamedInterface;
    NewDMXInterface = DoNewDMXInterface;
    NewDMXStorageInterface = DoNewDMXStorageInterface;
}

} // namespace dmx
