// A UDP network in memory for tests: sockets record what they send, tests hand them datagrams,
// and binds or sends can be made to fail as the operating system would.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Udp.h"

namespace platform::testing {

class TFakeUdpSocket;

class TFakeUdpNetwork {
public:
    struct TSent {
        uint16_t FromPort;
        std::string ToAddress;
        uint16_t ToPort;
        std::vector<uint8_t> Data;
    };

    TFakeUdpNetwork();  // installs itself as NewUdpSocket and LocalIPv4Addresses
    ~TFakeUdpNetwork(); // removes itself

    std::vector<TSent> Sent;
    std::set<uint16_t> PortsInUse; // binding one of these fails with EADDRINUSE
    bool FailSends = false;        // every send fails with ENETUNREACH
    std::vector<std::string> Addresses{"127.0.0.1"};

    std::vector<TSent> Take() { return std::exchange(Sent, {}); }
    // The open sockets bound to Port.
    std::vector<TFakeUdpSocket*> BoundTo(uint16_t Port) const;
    // Hands Data to every open socket bound to Port, as its listener would on the main thread.
    // Returns the number of sockets it reached.
    int Deliver(uint16_t Port, const std::vector<uint8_t>& Data, const std::string& From = "10.0.0.9");
    int BindCount = 0; // successful binds so far

private:
    friend class TFakeUdpSocket;
    std::vector<TFakeUdpSocket*> FSockets;
};

class TFakeUdpSocket : public IUdpSocket {
public:
    explicit TFakeUdpSocket(TFakeUdpNetwork& Net);
    ~TFakeUdpSocket() override;
    void Bind(const std::string& Address, uint16_t Port) override;
    void Close() override { FOpen = false; }
    bool IsOpen() const override { return FOpen; }
    uint16_t LocalPort() const override { return FOpen ? FPort : 0; }
    void SetBroadcast(bool Value) override { FBroadcast = Value; }
    void SendTo(const std::string& Address, uint16_t Port, const uint8_t* Data, size_t Size) override;

    bool Broadcast() const { return FBroadcast; }
    const std::string& BoundAddress() const { return FAddress; }

private:
    TFakeUdpNetwork& FNet;
    bool FOpen = false;
    bool FBroadcast = false;
    uint16_t FPort = 0;
    std::string FAddress;
};

} // namespace platform::testing
