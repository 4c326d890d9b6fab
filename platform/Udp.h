// The UDP socket seam: bind, send unicast or broadcast, and receive datagrams on the main thread;
// also the machine's own IPv4 addresses. The programs use the POSIX backend, tests may use a fake.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct TUdpDatagram {
    std::string FromAddress; // dotted IPv4
    uint16_t FromPort = 0;
    std::vector<uint8_t> Data;
};

// Every failing call raises foundation::EOSError naming the call; an address that is not a
// dotted IPv4 text raises foundation::Exception.
class IUdpSocket {
public:
    virtual ~IUdpSocket() = default;

    // Opens the socket on Address ("0.0.0.0": every local address) and Port (0: the system
    // chooses). From then on each datagram that arrives goes to OnReceive on the main thread.
    virtual void Bind(const std::string& Address, uint16_t Port) = 0;
    // Closes the socket; no OnReceive call happens after Close returns, not even for datagrams
    // already handed to the main thread. Closing a closed socket does nothing.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual uint16_t LocalPort() const = 0; // the bound port, 0 while closed
    // Allows sending to broadcast addresses; kept across Close and Bind.
    virtual void SetBroadcast(bool Value) = 0;
    // One datagram; the socket must be open.
    virtual void SendTo(const std::string& Address, uint16_t Port, const uint8_t* Data, size_t Size) = 0;

    std::function<void(const TUdpDatagram&)> OnReceive;
};

// Entry points, set by an installer (InstallPosixUdp in the programs, a fake in tests).
extern std::unique_ptr<IUdpSocket> (*NewUdpSocket)();
extern std::vector<std::string> (*LocalIPv4Addresses)();

} // namespace platform
