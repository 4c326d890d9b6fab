// Art-Net output: TArtnetServer, a node that sends one universe as ArtDmx to one address at every
// change and every 1.5 s, and TDMXArtNetDelegate, the delegate that joins it to a DMX interface.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "dmx/Intf.DMX.h"
#include "platform/Loop.h"
#include "platform/Udp.h"

namespace dmx {

inline constexpr uint16_t ArtNetPort = 6454;
inline constexpr size_t ArtDmxSize = 530; // 18 header bytes and 512 channels
inline constexpr size_t ArtDmxHeader = 18;

enum TArtnetServerMode { smTx, smRx };

using TArtnetDataChanged = std::function<void(int32_t Channel, uint8_t Value)>;

// The SubUni (low byte) and Net (high byte) a node with this subnet and universe writes.
uint16_t ArtDmxAddress(int32_t ASubnet, int32_t AUniverse);

// The channel data of an ArtDmx packet for Address (as ArtDmxAddress gives it), or an empty
// span when Data is not one: shorter than 530 bytes, another ID or OpCode, another universe.
// The span holds at most 512 bytes, never more than the Length field says, and lies inside Data.
std::span<const uint8_t> ArtDmxData(const uint8_t* Data, size_t Size, uint16_t Address);

class TArtnetServer {
public:
    TArtnetServer();
    ~TArtnetServer();
    TArtnetServer(const TArtnetServer&) = delete;
    TArtnetServer& operator=(const TArtnetServer&) = delete;

    uint8_t getArnetDataByte(int32_t Index) const;
    // Stores and sends when the value is new and the node is in smTx; an index outside 0..511 does nothing.
    void setArnetDataByte(int32_t Index, uint8_t Value);
    const std::array<uint8_t, DMXChannels>& GetArnetData() const { return FArtnetData; }

    const std::string& GetDestIP() const { return FDestIP; }
    void SetDestIP(const std::string& Value) { FDestIP = Value; }
    TArtnetServerMode GetServerMode() const { return FServerMode; }
    void SetServerMode(TArtnetServerMode Value);
    TArtnetDataChanged OnArtnetReceive;
    uint8_t GetArtNetDataMaster() const { return FArtNetDataMaster; }
    void SetArtNetDataMaster(uint8_t Value);
    bool GetArtNetDataBlackOut() const { return FArtnetDataBlackOut; }
    void SetArtNetDataBlackOut(bool Value);
    bool GetArtNetEnabled() const { return FArtNetEnabled; }
    // Opens or closes the socket. The flag turns true only once the port is bound: a failed bind
    // raises to the caller once and leaves the node disabled, so later changes do not raise again.
    void SetArtNetEnabled(bool Value);
    int32_t GetUniverse() const { return FUniverse; }
    void SetUniverse(int32_t Value) { FUniverse = Value; }
    int32_t GetSubnetArtNet() const { return FSubnetArtNet; }
    void SetSubnetArtNet(int32_t Value) { FSubnetArtNet = Value; }

    // The packet the node sends now.
    std::array<uint8_t, ArtDmxSize> BuildArtDmx() const;
    // One datagram that arrived on the node's port (main thread).
    void ReceiveDatagram(const uint8_t* Data, size_t Size);

private:
    void Send();
    void Refresh();

    platform::TTimer FSendTimer{1500};
    std::array<uint8_t, DMXChannels> FArtnetData{};
    std::string FDestIP = "0.0.0.0";
    TArtnetServerMode FServerMode = smTx;
    int32_t FUniverse = 0;
    int32_t FSubnetArtNet = 0;
    uint8_t FArtNetDataMaster = 255;
    bool FArtnetDataBlackOut = false;
    bool FArtNetEnabled = false;
    std::unique_ptr<platform::IUdpSocket> FSocket;
};

class TDMXArtNetDelegate : public foundation::TIaAObject, public virtual IDMXArtNetInterfaceDelegate {
public:
    explicit TDMXArtNetDelegate(IInterface* AController);

    foundation::HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;

    void ChangedDMX(int32_t Index, int32_t Value) override;
    void ChangedActive() override;
    void ChangedBlackOut() override;

    int32_t getSubnet() override { return FArtNetServer->GetSubnetArtNet(); }
    int32_t getUniverse() override { return FArtNetServer->GetUniverse(); }
    void setSubnet(int32_t ASubnet) override { FArtNetServer->SetSubnetArtNet(ASubnet); }
    void setUniverse(int32_t AUniverse) override { FArtNetServer->SetUniverse(AUniverse); }
    std::string getDestIP() override { return FArtNetServer->GetDestIP(); }
    void setDestIP(const std::string& Value) override { FArtNetServer->SetDestIP(Value); }

    TArtnetServer& Server() { return *FArtNetServer; }

protected:
    void DoAfterControllerConstruction() override;

private:
    IDMXInterface* FDMXInterface = nullptr;
    std::unique_ptr<TArtnetServer> FArtNetServer;
};

// Creates the delegate as a part of AController; set by InstallDMXArtNet().
extern IPtr<IDMXArtNetInterfaceDelegate> (*NewDMXArtNetDelegate)(IInterface* AController);

// A one-output Art-Net device: an Art-Net delegate and its DMX interface as parts of one object,
// named "Art-Net ADDRESS" with ADDRESS as its hardware identification and destination. The
// interface is in the output registry as long as the object lives.
extern IPtr<IDMXNamedInterfaceDelegate> (*NewArtNetOutput)(const std::string& ADestIP);

void InstallDMXArtNet();

} // namespace dmx
