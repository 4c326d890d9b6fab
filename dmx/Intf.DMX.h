// The DMX universe contract: the interfaces front ends use and the delegate interfaces that the
// transports (Art-Net, USB, OSC) implement, with the factories that build interfaces.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "foundation/Events.h"
#include "foundation/IntfClasses.h"
#include "foundation/Streams.h"

namespace dmx {

using foundation::IInterface;
using foundation::IPtr;
using foundation::TBytes;
using foundation::TGUID;
using namespace foundation::literals;

inline constexpr int DMXChannels = 512;

// Reserved channel numbers of calls and change reports.
inline constexpr int32_t DMXChMaster = -1;      // the master level
inline constexpr int32_t DMXChUniverse = -2;    // the whole universe was replaced; read it again
inline constexpr int32_t DMXChAllChannels = -3; // every channel was set to the value passed

// A change report: a channel (or reserved code) and its value.
using TDMXReceivedChange = std::function<void(int32_t AChannel, int32_t AValue)>;

enum TPlayAction { paStop, paNext, paPrev };
enum TEditAction { eaRec, eaAddScene, eaDelScene, eaNext, eaPrev, eaDelShow };
enum TEditParameter { epSceneFade, epSceneStand, epShowSpeed };

struct IDMXNamedInterface : virtual IInterface {
    static constexpr TGUID IID = "{DF5671A9-08AB-49AB-97DD-A43595EBE804}"_guid;
    virtual std::string GetName() = 0;
    virtual void SetName(const std::string& Value) = 0;
    virtual std::string GetHardwareID() = 0;
};

struct IDMXInterfaceDelegate;

struct IDMXInterface : virtual IDMXNamedInterface {
    static constexpr TGUID IID = "{418F6613-DE45-46DD-A9A1-1879F65E7BD7}"_guid;
    virtual uint8_t getDMXCh(int32_t Index) = 0;
    virtual void setDMXCh(int32_t Index, uint8_t Value) = 0;
    virtual TBytes GetDMX() = 0;
    virtual void SetDMX(const TBytes& Value) = 0;
    virtual uint8_t GetDMXMaster() = 0;
    virtual void SetDMXMaster(uint8_t Value) = 0;
    virtual bool GetActive() = 0;
    virtual void SetActive(bool Value) = 0;
    virtual bool GetBlackOut() = 0;
    virtual void SetBlackOut(bool Value) = 0;
    virtual bool GetDelegateUpdating() = 0;
    virtual void SetDelegateUpdating(bool Value) = 0;
    virtual TDMXReceivedChange GetOnDMXChanged() = 0;
    virtual void SetOnDMXChanged(TDMXReceivedChange Handler) = 0;
    virtual IDMXInterfaceDelegate* GetDMXInterfaceDelegate() = 0;
    virtual void SetDMXInterfaceDelegate(IDMXInterfaceDelegate* Value) = 0;
    virtual void SetAllZero() = 0;
    virtual void SetAllFull() = 0;
};

struct IDMXStorageInterface : virtual IDMXInterface {
    static constexpr TGUID IID = "{E782CFB1-E97D-4C6F-A59F-B9676D67C944}"_guid;
    virtual int32_t GetScenesCount() = 0;
    virtual int32_t GetShowCount() = 0;
    virtual int32_t GetShowPlaying() = 0;
    virtual bool GetShowPlayingStopAndGo() = 0;
    virtual float GetShowSpeed() = 0;
    virtual void SetShowSpeed(float Value) = 0;
    virtual int32_t GetShowEditing() = 0;
    virtual int32_t GetSceneCurrent() = 0;
    virtual void SetSceneCurrent(int32_t Value) = 0;
    virtual float GetSceneEditingStand() = 0;
    virtual void SetSceneEditingStand(float Value) = 0;
    virtual float GetSceneEditingFade() = 0;
    virtual void SetSceneEditingFade(float Value) = 0;
    virtual bool GetLiveMode() = 0;
    virtual void SetLiveMode(bool Value) = 0;
    virtual bool GetEditMode() = 0;
    virtual void SetEditMode(bool Value) = 0;
    virtual foundation::TNotifyEvent GetOnEditParamsChange() = 0;
    virtual void SetOnEditParamsChange(foundation::TNotifyEvent Handler) = 0;
    virtual void ShowPlay(int32_t AShow, bool AStopAndGo) = 0;
    virtual void ShowStop() = 0;
    virtual void ShowNext() = 0;
    virtual void ShowPrev() = 0;
    virtual void ScenePlay(int32_t AScene) = 0;
    virtual void EditShow(int32_t AShow) = 0;
    virtual void EditScene(int32_t AScene) = 0;
    virtual void EditRec() = 0;
    virtual void EditAddScene() = 0;
    virtual void EditDelScene() = 0;
    virtual void EditNextScene() = 0;
    virtual void EditPrevScene() = 0;
    virtual void EditDelShow() = 0;
    virtual void ClearMemory() = 0;
    virtual void SaveCuesToStream(foundation::TStream& AStream) = 0;
    virtual void LoadCuesFromStream(foundation::TStream& AStream) = 0;
    virtual void SaveCuesToFile(const std::string& AFileName) = 0;
    virtual void LoadCuesFromFile(const std::string& AFileName) = 0;
};

struct IDMXNamedInterfaceDelegate : virtual IInterface {
    static constexpr TGUID IID = "{D75EA31C-D020-47F2-B1E8-8D204FBF2CEB}"_guid;
    virtual std::string GetName() = 0;
    virtual void SetName(const std::string& Value) = 0;
    virtual std::string GetHardwareID() = 0;
};

struct IDMXInterfaceDelegate : virtual IInterface {
    static constexpr TGUID IID = "{F52BF8B3-5110-4AD4-8D1D-C5DC2B834498}"_guid;
    virtual void ChangedDMX(int32_t Index, int32_t Value) = 0;
    virtual void ChangedActive() = 0;   // read Active from the interface
    virtual void ChangedBlackOut() = 0; // read BlackOut from the interface
};

struct IDMXStorageInterfaceDelegate : virtual IDMXInterfaceDelegate {
    static constexpr TGUID IID = "{07CDAD2A-376A-41D2-9CA7-40AEC90C42DE}"_guid;
    virtual void GetShowsScenesCount(int32_t& AShows, int32_t& AScenes) = 0;
    virtual void PlayShow(int32_t AShow, bool AStopAndGo) = 0;
    virtual void PlayScene(int32_t AScene) = 0;
    virtual void PlayMakeAction(TPlayAction AAction) = 0;
    virtual void ClearMemory() = 0;
    virtual void SaveCuesToStream(foundation::TStream& AStream) = 0;
    virtual void LoadCuesFromStream(foundation::TStream& AStream) = 0;
    virtual void SetEditMode(bool Value) = 0;
    virtual void SetLiveMode(bool Value) = 0;
    virtual void EditShow(int32_t AShow) = 0;
    virtual void EditScene(int32_t AScene) = 0;
    virtual void EditMakeAction(TEditAction AAction) = 0;
    virtual void EditSetParameter(TEditParameter AParameter, float AValue) = 0;
};

struct IDMXArtNetInterfaceDelegate : virtual IDMXInterfaceDelegate {
    static constexpr TGUID IID = "{B3A9E338-04DA-445F-A10D-70149132EB9A}"_guid;
    virtual int32_t getSubnet() = 0;
    virtual int32_t getUniverse() = 0;
    virtual void setSubnet(int32_t ASubnet) = 0;
    virtual void setUniverse(int32_t AUniverse) = 0;
    virtual std::string getDestIP() = 0;
    virtual void setDestIP(const std::string& Value) = 0;
};

// Brackets a delegate's write-back into its interface (the echo protocol): while it lives, the
// interface reports changes to its subscriber instead of the delegate; the flag is cleared in every
// case, also when the write-back throws.
class TDelegateUpdate {
public:
    explicit TDelegateUpdate(IDMXInterface* AIntf) : FIntf(AIntf) { FIntf->SetDelegateUpdating(true); }
    ~TDelegateUpdate() { FIntf->SetDelegateUpdating(false); }
    TDelegateUpdate(const TDelegateUpdate&) = delete;
    TDelegateUpdate& operator=(const TDelegateUpdate&) = delete;

private:
    IDMXInterface* FIntf;
};

// Factories, set by InstallDMXInterfaces(). The interface becomes a part of the object that
// answers the delegate's IDMXNamedInterfaceDelegate (so it lives and dies with the device).
extern IPtr<IDMXNamedInterface> (*NewDMXNamedInterface)(IDMXNamedInterfaceDelegate* ADelegate);
extern IPtr<IDMXInterface> (*NewDMXInterface)(IDMXInterfaceDelegate* ADelegate);
extern IPtr<IDMXStorageInterface> (*NewDMXStorageInterface)(IDMXInterfaceDelegate* ADelegate);

void InstallDMXInterfaces();

} // namespace dmx
