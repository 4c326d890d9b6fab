#include "platform/posix/PosixUdp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "foundation/Exceptions.h"
#include "platform/testing/VirtualLoop.h"
#include "tests/support/WaitFor.h"

using namespace platform;
using platform::testing::TVirtualLoop;
using testsupport::Pump;
using testsupport::WaitFor;

namespace {

class UdpTest : public ::testing::Test {
protected:
    UdpTest() { posix::InstallPosixUdp(); }
    TVirtualLoop loop;

    static void Send(IUdpSocket& s, uint16_t port, const std::vector<uint8_t>& data) {
        s.SendTo("127.0.0.1", port, data.data(), data.size());
    }
};

} // namespace

TEST_F(UdpTest, DatagramsArriveOnTheMainThreadWithTheirSender) {
    auto a = NewUdpSocket(), b = NewUdpSocket();
    a->Bind("127.0.0.1", 0);
    b->Bind("0.0.0.0", 0);
    ASSERT_NE(a->LocalPort(), 0);
    ASSERT_NE(b->LocalPort(), 0);
    std::vector<TUdpDatagram> got;
    const auto mainThread = std::this_thread::get_id();
    bool onMain = true;
    b->OnReceive = [&](const TUdpDatagram& d) {
        onMain = onMain && std::this_thread::get_id() == mainThread;
        got.push_back(d);
    };

    Send(*a, b->LocalPort(), {1, 2, 3});
    Send(*a, b->LocalPort(), {}); // an empty datagram is still a datagram
    std::vector<uint8_t> big(9000, 0xAB);
    Send(*a, b->LocalPort(), big);
    ASSERT_TRUE(WaitFor([&] { return got.size() == 3; }));
    EXPECT_TRUE(onMain);
    EXPECT_EQ(got[0].Data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(got[0].FromAddress, "127.0.0.1");
    EXPECT_EQ(got[0].FromPort, a->LocalPort());
    EXPECT_TRUE(got[1].Data.empty());
    EXPECT_EQ(got[2].Data, big);
}

TEST_F(UdpTest, BindingAPortInUseFailsAndLeavesTheSocketClosed) {
    auto a = NewUdpSocket(), b = NewUdpSocket();
    a->Bind("127.0.0.1", 0);
    try {
        b->Bind("127.0.0.1", a->LocalPort());
        FAIL() << "second bind succeeded";
    } catch (const foundation::EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), EADDRINUSE);
    }
    EXPECT_FALSE(b->IsOpen());
    EXPECT_EQ(b->LocalPort(), 0);
    EXPECT_THROW(Send(*b, a->LocalPort(), {1}), foundation::Exception);
    EXPECT_THROW(b->Bind("127.0.0.256", 0), foundation::Exception);
    EXPECT_FALSE(b->IsOpen());
}

TEST_F(UdpTest, NothingIsDeliveredAfterClose) {
    auto a = NewUdpSocket(), b = NewUdpSocket();
    a->Bind("127.0.0.1", 0);
    b->Bind("127.0.0.1", 0);
    std::vector<uint8_t> seen;
    b->OnReceive = [&](const TUdpDatagram& d) {
        seen.push_back(d.Data.at(0));
        b->Close(); // the second datagram may already wait on the main thread
    };
    const uint16_t port = b->LocalPort();
    Send(*a, port, {1});
    Send(*a, port, {2});
    ASSERT_TRUE(WaitFor([&] { return !seen.empty(); }));
    Pump(50);
    EXPECT_EQ(seen, std::vector<uint8_t>{1});

    // The socket opens again, on the same port, and delivers again.
    b->Bind("127.0.0.1", port);
    b->OnReceive = [&](const TUdpDatagram& d) { seen.push_back(d.Data.at(0)); };
    Send(*a, port, {3});
    ASSERT_TRUE(WaitFor([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen.back(), 3);
}

TEST_F(UdpTest, BroadcastNeedsToBeAllowed) {
    // Refused locally: nothing leaves the machine.
    auto a = NewUdpSocket();
    a->Bind("127.0.0.1", 0);
    try {
        Send(*a, 9, {1});
        a->SendTo("255.255.255.255", 9, nullptr, 0);
        FAIL() << "broadcast without permission was sent";
    } catch (const foundation::EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), EACCES);
    }
}

TEST_F(UdpTest, LocalAddressesIncludeLoopback) {
    auto list = LocalIPv4Addresses();
    EXPECT_NE(std::find(list.begin(), list.end(), "127.0.0.1"), list.end());
}

TEST_F(UdpTest, DestroyingAnOpenSocketWithTrafficWaitingIsSafe) {
    auto a = NewUdpSocket();
    a->Bind("127.0.0.1", 0);
    {
        auto b = NewUdpSocket();
        b->Bind("127.0.0.1", 0);
        int n = 0;
        b->OnReceive = [&](const TUdpDatagram&) { ++n; };
        for (int i = 0; i < 20; ++i)
            Send(*a, b->LocalPort(), {uint8_t(i)});
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Pump(20); // deliveries posted for the destroyed socket run and are dropped
}
