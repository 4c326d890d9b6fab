#include "platform/testing/FakeUdp.h"

#include <algorithm>
#include <cerrno>

#include "foundation/Exceptions.h"

namespace platform::testing {

namespace {
TFakeUdpNetwork* gNet = nullptr;
std::unique_ptr<IUdpSocket> NewFakeSocket() {
    return std::make_unique<TFakeUdpSocket>(*gNet);
}
std::vector<std::string> FakeAddresses() {
    return gNet->Addresses;
}
} // namespace

TFakeUdpNetwork::TFakeUdpNetwork() {
    gNet = this;
    NewUdpSocket = NewFakeSocket;
    LocalIPv4Addresses = FakeAddresses;
}

TFakeUdpNetwork::~TFakeUdpNetwork() {
    gNet = nullptr;
    NewUdpSocket = nullptr;
    LocalIPv4Addresses = nullptr;
}

std::vector<TFakeUdpSocket*> TFakeUdpNetwork::BoundTo(uint16_t Port) const {
    std::vector<TFakeUdpSocket*> result;
    for (TFakeUdpSocket* s : FSockets)
        if (s->IsOpen() && s->LocalPort() == Port) result.push_back(s);
    return result;
}

int TFakeUdpNetwork::Deliver(uint16_t Port, const std::vector<uint8_t>& Data, const std::string& From) {
    int reached = 0;
    for (TFakeUdpSocket* s : BoundTo(Port)) {
        if (!s->OnReceive) continue;
        TUdpDatagram d{From, 6454, Data};
        s->OnReceive(d);
        ++reached;
    }
    return reached;
}

TFakeUdpSocket::TFakeUdpSocket(TFakeUdpNetwork& Net) : FNet(Net) {
    FNet.FSockets.push_back(this);
}

TFakeUdpSocket::~TFakeUdpSocket() {
    std::erase(FNet.FSockets, this);
}

void TFakeUdpSocket::Bind(const std::string& Address, uint16_t Port) {
    FOpen = false;
    if (FNet.PortsInUse.count(Port))
        throw foundation::EOSError("bind " + Address + ":" + std::to_string(Port), EADDRINUSE);
    FAddress = Address;
    FPort = Port ? Port : uint16_t(40000 + FNet.BindCount);
    FOpen = true;
    ++FNet.BindCount;
}

void TFakeUdpSocket::SendTo(const std::string& Address, uint16_t Port, const uint8_t* Data, size_t Size) {
    if (!FOpen) throw foundation::Exception("Socket is not open");
    if (FNet.FailSends)
        throw foundation::EOSError("sendto " + Address + ":" + std::to_string(Port), ENETUNREACH);
    FNet.Sent.push_back({FPort, Address, Port, std::vector<uint8_t>(Data, Data + Size)});
}

} // namespace platform::testing
