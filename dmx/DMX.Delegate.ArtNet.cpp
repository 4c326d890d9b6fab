#include "dmx/DMX.Delegate.ArtNet.h"

#include <algorithm>
#include <cstring>

#include "foundation/Exceptions.h"

namespace dmx {

using foundation::HRESULT;
using foundation::Make;
using foundation::OfferInterface;
using foundation::S_OK;
using foundation::Supports;

namespace {
constexpr uint8_t ArtNetID[8] = {'A', 'r', 't', '-', 'N', 'e', 't', 0};
constexpr uint16_t OpDmx = 0x5000;
constexpr uint16_t ProtVer = 14;
} // namespace

uint16_t ArtDmxAddress(int32_t ASubnet, int32_t AUniverse) {
    const uint8_t subUni = uint8_t(((ASubnet & 15) << 4) | (AUniverse & 15));
    const uint8_t net = uint8_t((ASubnet >> 4) & 0xFF);
    return uint16_t(subUni | (net << 8));
}

std::span<const uint8_t> ArtDmxData(const uint8_t* Data, size_t Size, uint16_t Address) {
    if (!Data || Size < ArtDmxSize) return {};
    if (std::memcmp(Data, ArtNetID, sizeof ArtNetID) != 0) return {};
    if ((Data[8] | (Data[9] << 8)) != OpDmx) return {};
    if ((Data[14] | (Data[15] << 8)) != Address) return {};
    const size_t length = size_t(Data[16] << 8 | Data[17]);
    const size_t n = std::min({length, size_t(DMXChannels), Size - ArtDmxHeader});
    return {Data + ArtDmxHeader, n};
}

// ---- TArtnetServer

TArtnetServer::TArtnetServer() : FSocket(platform::NewUdpSocket()) {
    FSocket->SetBroadcast(true);
    FSocket->OnReceive = [this](const platform::TUdpDatagram& d) {
        ReceiveDatagram(d.Data.data(), d.Data.size());
    };
    FSendTimer.OnTimer = [this] { Refresh(); };
    FSendTimer.SetEnabled(true);
}

TArtnetServer::~TArtnetServer() {
    FSendTimer.SetEnabled(false);
    FSocket->Close();
}

uint8_t TArtnetServer::getArnetDataByte(int32_t Index) const {
    if (Index < 0 || Index >= DMXChannels) return 0;
    return FArtnetData[size_t(Index)];
}

void TArtnetServer::setArnetDataByte(int32_t Index, uint8_t Value) {
    if (Index < 0 || Index >= DMXChannels) return;
    if (FArtnetData[size_t(Index)] == Value || FServerMode == smRx) return;
    FArtnetData[size_t(Index)] = Value;
    Send();
}

void TArtnetServer::SetServerMode(TArtnetServerMode Value) {
    if (Value == FServerMode) return;
    FServerMode = Value;
    if (FServerMode == smTx) Send();
}

void TArtnetServer::SetArtNetDataMaster(uint8_t Value) {
    if (Value == FArtNetDataMaster) return;
    FArtNetDataMaster = Value;
    Send();
}

void TArtnetServer::SetArtNetDataBlackOut(bool Value) {
    if (Value == FArtnetDataBlackOut) return;
    FArtnetDataBlackOut = Value;
    Send();
}

void TArtnetServer::SetArtNetEnabled(bool Value) {
    if (Value == FArtNetEnabled) return;
    if (Value) {
        FSocket->Bind("0.0.0.0", ArtNetPort); // raises, and the node stays disabled
        FArtNetEnabled = true;
    } else {
        FArtNetEnabled = false;
        FSocket->Close();
    }
}

std::array<uint8_t, ArtDmxSize> TArtnetServer::BuildArtDmx() const {
    std::array<uint8_t, ArtDmxSize> p{};
    std::memcpy(p.data(), ArtNetID, sizeof ArtNetID);
    p[8] = OpDmx & 0xFF;
    p[9] = OpDmx >> 8;
    p[10] = ProtVer >> 8;
    p[11] = ProtVer & 0xFF;
    const uint16_t address = ArtDmxAddress(FSubnetArtNet, FUniverse);
    p[14] = uint8_t(address & 0xFF);
    p[15] = uint8_t(address >> 8);
    p[16] = DMXChannels >> 8;
    p[17] = DMXChannels & 0xFF;
    if (!FArtnetDataBlackOut)
        for (size_t i = 0; i < FArtnetData.size(); ++i)
            p[ArtDmxHeader + i] = uint8_t(FArtnetData[i] * FArtNetDataMaster / 255);
    return p;
}

void TArtnetServer::Send() {
    if (FDestIP == "0.0.0.0" || !FArtNetEnabled) return;
    const auto packet = BuildArtDmx();
    FSocket->SendTo(FDestIP, ArtNetPort, packet.data(), packet.size());
}

void TArtnetServer::Refresh() {
    FSendTimer.SetEnabled(false);
    try {
        if (FServerMode == smTx) Send();
    } catch (const std::exception&) {
        // Nobody to tell on a timer tick; the next change raises to its caller.
    }
    FSendTimer.SetEnabled(true);
}

void TArtnetServer::ReceiveDatagram(const uint8_t* Data, size_t Size) {
    const auto data = ArtDmxData(Data, Size, ArtDmxAddress(FSubnetArtNet, FUniverse));
    // A transmitting node owns its values: storing another sender's data would make the output
    // stop matching the faders and suppress re-sending the fader's value.
    if (data.empty() || FServerMode == smTx) return;
    for (size_t j = 0; j < data.size(); ++j) {
        if (data[j] == FArtnetData[j]) continue;
        FArtnetData[j] = data[j];
        if (OnArtnetReceive) OnArtnetReceive(int32_t(j), data[j]);
    }
}

// ---- TDMXArtNetDelegate

TDMXArtNetDelegate::TDMXArtNetDelegate(IInterface* AController)
    : TIaAObject(AController), FArtNetServer(std::make_unique<TArtnetServer>()) {}

HRESULT TDMXArtNetDelegate::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (OfferInterface<IDMXArtNetInterfaceDelegate>(this, IID, Obj) ||
        OfferInterface<IDMXInterfaceDelegate>(this, IID, Obj))
        return S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

void TDMXArtNetDelegate::DoAfterControllerConstruction() {
    FDMXInterface = Supports<IDMXInterface>(GetRootIntf()).get();
    FArtNetServer->SetServerMode(smTx);
}

void TDMXArtNetDelegate::ChangedDMX(int32_t Index, int32_t Value) {
    if (!FDMXInterface) return;
    TArtnetServer& node = *FArtNetServer;
    if (Index == DMXChUniverse) return;
    if (Index == DMXChAllChannels) {
        const uint8_t v = Value != 0 ? 255 : 0;
        for (int32_t i = 0; i < DMXChannels; ++i) {
            node.setArnetDataByte(i, v);
            TDelegateUpdate updating(FDMXInterface);
            FDMXInterface->setDMXCh(i, v);
        }
        return;
    }
    if (Index == DMXChMaster) {
        node.SetArtNetDataMaster(uint8_t(Value));
        TDelegateUpdate updating(FDMXInterface);
        FDMXInterface->setDMXCh(DMXChMaster, uint8_t(Value));
        return;
    }
    if (Index < 0 || Index >= DMXChannels) return;
    node.setArnetDataByte(Index, uint8_t(Value));
    TDelegateUpdate updating(FDMXInterface);
    FDMXInterface->setDMXCh(Index, uint8_t(Value));
}

void TDMXArtNetDelegate::ChangedActive() {
    if (!FDMXInterface) return;
    FArtNetServer->SetArtNetEnabled(FDMXInterface->GetActive());
    if (!FDMXInterface->GetActive()) return;
    const auto& data = FArtNetServer->GetArnetData();
    TDelegateUpdate updating(FDMXInterface);
    FDMXInterface->SetBlackOut(FArtNetServer->GetArtNetDataBlackOut());
    FDMXInterface->SetDMXMaster(FArtNetServer->GetArtNetDataMaster());
    FDMXInterface->SetDMX(TBytes(data.begin(), data.end()));
}

void TDMXArtNetDelegate::ChangedBlackOut() {
    if (!FDMXInterface) return;
    FArtNetServer->SetArtNetDataBlackOut(FDMXInterface->GetBlackOut());
    TDelegateUpdate updating(FDMXInterface);
    FDMXInterface->SetBlackOut(FArtNetServer->GetArtNetDataBlackOut());
}

// ---- the one-output device

namespace {

class TArtNetOutput : public foundation::TIaAObject, public virtual IDMXNamedInterfaceDelegate {
public:
    explicit TArtNetOutput(const std::string& ADestIP) : FAddress(ADestIP) {
        FDelegate = Make<TDMXArtNetDelegate>(Identity());
        FDelegate->setDestIP(ADestIP);
        FIntf = NewDMXInterface(FDelegate).get(); // a part of this object: not counted
    }

    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override {
        if (OfferInterface<IDMXNamedInterfaceDelegate>(this, IID, Obj)) return S_OK;
        // The parts answer for themselves; the root answers for them so that each finds the other.
        if (FIntf && (IID == IDMXInterface::IID || IID == IDMXNamedInterface::IID))
            return FIntf->QueryInterface(IID, Obj);
        if (FDelegate && (IID == IDMXArtNetInterfaceDelegate::IID || IID == IDMXInterfaceDelegate::IID))
            return FDelegate->QueryOwnInterface(IID, Obj);
        return TIaAObject::QueryOwnInterface(IID, Obj);
    }

    std::string GetName() override { return FName.empty() ? "Art-Net " + FAddress : FName; }
    void SetName(const std::string& Value) override { FName = Value; }
    std::string GetHardwareID() override { return FAddress; }

private:
    std::string FAddress, FName;
    TDMXArtNetDelegate* FDelegate = nullptr;
    IDMXInterface* FIntf = nullptr;
};

IPtr<IDMXArtNetInterfaceDelegate> DoNewDMXArtNetDelegate(IInterface* AController) {
    return IPtr<IDMXArtNetInterfaceDelegate>(Make<TDMXArtNetDelegate>(AController));
}

IPtr<IDMXNamedInterfaceDelegate> DoNewArtNetOutput(const std::string& ADestIP) {
    return IPtr<IDMXNamedInterfaceDelegate>(Make<TArtNetOutput>(ADestIP));
}

} // namespace

IPtr<IDMXArtNetInterfaceDelegate> (*NewDMXArtNetDelegate)(IInterface*) = nullptr;
IPtr<IDMXNamedInterfaceDelegate> (*NewArtNetOutput)(const std::string&) = nullptr;

void InstallDMXArtNet() {
    NewDMXArtNetDelegate = DoNewDMXArtNetDelegate;
    NewArtNetOutput = DoNewArtNetOutput;
}

} // namespace dmx
