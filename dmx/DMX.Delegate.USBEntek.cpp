#include "dmx/DMX.Delegate.USBEntek.h"

#include "devices/D2XXUnit.h"
#include "foundation/Exceptions.h"

namespace dmx {

using foundation::HRESULT;
using foundation::OfferInterface;
using foundation::S_OK;

uint8_t TEntekServer::getChannel(int32_t Index) const {
    if (Index == DMXChMaster) return FMaster;
    if (Index < 0 || Index >= DMXChannels) return 0;
    return FChannels[size_t(Index)];
}

void TEntekServer::setChannel(int32_t Index, uint8_t Value) {
    if (Index == DMXChMaster) return SetMaster(Value);
    if (Index < 0 || Index >= DMXChannels || FChannels[size_t(Index)] == Value) return;
    FChannels[size_t(Index)] = Value;
    WriteFrame();
}

void TEntekServer::SetMaster(uint8_t Value) {
    if (Value == FMaster) return;
    FMaster = Value;
    WriteFrame();
}

void TEntekServer::SetBlackOut(bool Value) {
    if (Value == FBlackOut) return;
    FBlackOut = Value;
    WriteFrame();
}

void TEntekServer::EndUpdate() {
    if (FUpdating <= 0) return;
    if (--FUpdating == 0) WriteFrame();
}

std::array<uint8_t, EntekFrameSize> TEntekServer::Frame() const {
    std::array<uint8_t, EntekFrameSize> f{};
    f[0] = 0x7E;
    f[1] = 6;
    f[2] = (DMXChannels + 1) & 0xFF;
    f[3] = (DMXChannels + 1) >> 8;
    f[4] = 0;
    if (!FBlackOut)
        for (size_t i = 0; i < DMXChannels; ++i) f[5 + i] = uint8_t(unsigned(FChannels[i]) * FMaster / 255);
    f[EntekFrameSize - 1] = 0xE7;
    return f;
}

void TEntekServer::WriteFrame() {
    devices::TUSBDevice* device = FDevice.get();
    if (FUpdating != 0 || !device) return;
    // Another user of the same adapter (a probe for a controller behind it) may have changed the
    // line speed since the last frame; DMX only works at its own.
    if (auto* ftdi = dynamic_cast<devices::TFTD2XXDev*>(device)) {
        try {
            ftdi->SetFT_BaudRate(EntekBaudRate);
        } catch (const foundation::Exception&) {
            return;
        }
    }
    auto f = Frame();
    try {
        device->WriteData(f.data(), int32_t(f.size()));
    } catch (const foundation::Exception&) {
        // A removed or unusable adapter drops frames silently.
    }
}

namespace {

class TDMXUSBEntekDelegate : public foundation::TIaAObject, public virtual IDMXInterfaceDelegate {
public:
    TDMXUSBEntekDelegate(IInterface* AController, devices::TUSBDevice* ADevice)
        : TIaAObject(AController), FServer(ADevice) {}

    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override {
        if (OfferInterface<IDMXInterfaceDelegate>(this, IID, Obj)) return S_OK;
        return TIaAObject::QueryOwnInterface(IID, Obj);
    }

    void ChangedDMX(int32_t Index, int32_t Value) override {
        if (Index == DMXChUniverse || !FDMXInterface) return;
        if (Index == DMXChAllChannels) {
            uint8_t v = Value != 0 ? 255 : 0;
            FServer.BeginUpdate();
            struct EndGuard {
                TEntekServer& S;
                ~EndGuard() { S.EndUpdate(); }
            } guard{FServer};
            TDelegateUpdate updating(FDMXInterface);
            for (int32_t i = 0; i < DMXChannels; ++i) {
                FServer.setChannel(i, v);
                FDMXInterface->setDMXCh(i, v);
            }
            return;
        }
        FServer.setChannel(Index, uint8_t(Value));
        TDelegateUpdate updating(FDMXInterface);
        FDMXInterface->setDMXCh(Index, uint8_t(Value));
    }

    void ChangedActive() override {
        if (!FDMXInterface || !FDMXInterface->GetActive()) return;
        TDelegateUpdate updating(FDMXInterface);
        FDMXInterface->SetBlackOut(FServer.BlackOut());
        FDMXInterface->SetDMXMaster(FServer.Master());
        TBytes all(DMXChannels);
        for (int32_t i = 0; i < DMXChannels; ++i) all[size_t(i)] = FServer.getChannel(i);
        FDMXInterface->SetDMX(all);
    }

    void ChangedBlackOut() override {
        if (FDMXInterface) FServer.SetBlackOut(FDMXInterface->GetBlackOut());
    }

protected:
    void DoAfterControllerConstruction() override {
        AssignWeak(FDMXInterface, foundation::Supports<IDMXInterface>(GetRootIntf()));
    }
    void DoBeforeControllerDestruction() override { FDMXInterface = nullptr; }

private:
    TEntekServer FServer;
    IDMXInterface* FDMXInterface = nullptr;
};

IPtr<IDMXInterfaceDelegate> MakeUSBEntekDelegate(IInterface* AController, devices::TUSBDevice* ADevice) {
    return IPtr<IDMXInterfaceDelegate>(foundation::Make<TDMXUSBEntekDelegate>(AController, ADevice));
}

} // namespace

IPtr<IDMXInterfaceDelegate> (*NewDMXUSBEntekDelegate)(IInterface*, devices::TUSBDevice*) = nullptr;

void InstallDMXUSBEntekDelegate() { NewDMXUSBEntekDelegate = MakeUSBEntekDelegate; }

} // namespace dmx
