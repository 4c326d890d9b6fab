#include "platform/posix/PosixUdp.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "foundation/Exceptions.h"
#include "platform/Loop.h"

namespace platform::posix {

using foundation::EOSError;

namespace {

// A listener that keeps posting while the main thread is busy must not grow the queue without
// bound: past this many undelivered datagrams the newest are dropped, as a full socket buffer would.
constexpr int MaxPending = 4096;

sockaddr_in ParseAddress(const std::string& Address, uint16_t Port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(Port);
    if (inet_pton(AF_INET, Address.c_str(), &sa.sin_addr) != 1)
        throw foundation::Exception("Invalid IPv4 address \"" + Address + "\"");
    return sa;
}

std::string AddressText(const in_addr& a) {
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, buf, sizeof buf);
    return buf;
}

// What the posted deliveries share with the socket: they run on the main thread, as Close does,
// so a delivery that finds the link closed is dropped without touching the socket.
struct TLink {
    IUdpSocket* Owner = nullptr;
    bool Open = true;
    std::atomic<int> Pending{0};
};

class TPosixUdpSocket : public IUdpSocket {
public:
    ~TPosixUdpSocket() override { Close(); }

    void Bind(const std::string& Address, uint16_t Port) override {
        if (FFd >= 0) Close();
        const sockaddr_in sa = ParseAddress(Address, Port);
        int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) throw EOSError("socket", errno);
        int on = FBroadcast ? 1 : 0;
        if (::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) < 0 ||
            ::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) < 0) {
            const int err = errno;
            ::close(fd);
            throw EOSError("bind " + Address + ":" + std::to_string(Port), err);
        }
        sockaddr_in bound{};
        socklen_t len = sizeof bound;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);
        int wake = ::eventfd(0, EFD_CLOEXEC);
        if (wake < 0) {
            const int err = errno;
            ::close(fd);
            throw EOSError("eventfd", err);
        }
        FFd = fd;
        FWake = wake;
        FPort = ntohs(bound.sin_port);
        FLink = std::make_shared<TLink>();
        FLink->Owner = this;
        FListener = std::thread(&TPosixUdpSocket::Listen, FFd, FWake, FLink);
    }

    void Close() override {
        if (FFd < 0) return;
        FLink->Open = false;
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(FWake, &one, sizeof one);
        FListener.join();
        ::close(FFd);
        ::close(FWake);
        FFd = FWake = -1;
        FPort = 0;
        FLink.reset();
    }

    bool IsOpen() const override { return FFd >= 0; }
    uint16_t LocalPort() const override { return FPort; }

    void SetBroadcast(bool Value) override {
        FBroadcast = Value;
        if (FFd < 0) return;
        int on = Value ? 1 : 0;
        if (::setsockopt(FFd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) < 0)
            throw EOSError("setsockopt", errno);
    }

    void SendTo(const std::string& Address, uint16_t Port, const uint8_t* Data, size_t Size) override {
        const sockaddr_in sa = ParseAddress(Address, Port);
        if (FFd < 0) throw foundation::Exception("Socket is not open");
        if (::sendto(FFd, Data, Size, 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) < 0)
            throw EOSError("sendto " + Address + ":" + std::to_string(Port), errno);
    }

private:
    static void Listen(int Fd, int Wake, std::shared_ptr<TLink> Link) {
        std::vector<uint8_t> buf(65536);
        pollfd fds[2] = {{Fd, POLLIN, 0}, {Wake, POLLIN, 0}};
        for (;;) {
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents) return;
            if (!(fds[0].revents & POLLIN)) continue;
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n =
                ::recvfrom(Fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 0) continue; // a transient error (an ICMP report, an interrupted call)
            if (Link->Pending.load() >= MaxPending) continue;
            TUdpDatagram d;
            d.FromAddress = AddressText(from.sin_addr);
            d.FromPort = ntohs(from.sin_port);
            d.Data.assign(buf.begin(), buf.begin() + n);
            ++Link->Pending;
            platform::Post([Link, d = std::move(d)] {
                --Link->Pending;
                if (Link->Open && Link->Owner->OnReceive) Link->Owner->OnReceive(d);
            });
        }
    }

    int FFd = -1;
    int FWake = -1;
    uint16_t FPort = 0;
    bool FBroadcast = false;
    std::shared_ptr<TLink> FLink;
    std::thread FListener;
};

std::unique_ptr<IUdpSocket> NewPosixUdpSocket() {
    return std::make_unique<TPosixUdpSocket>();
}

std::vector<std::string> PosixLocalIPv4Addresses() {
    std::vector<std::string> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) < 0) throw EOSError("getifaddrs", errno);
    for (ifaddrs* i = list; i; i = i->ifa_next)
        if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET && (i->ifa_flags & IFF_UP))
            result.push_back(AddressText(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr));
    ::freeifaddrs(list);
    return result;
}

} // namespace

void InstallPosixUdp() {
    NewUdpSocket = NewPosixUdpSocket;
    LocalIPv4Addresses = PosixLocalIPv4Addresses;
}

} // namespace platform::posix
