#include "dmx/DMX.Delegate.ArtNet.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "dmx/DMXOutput.h"
#include "foundation/Exceptions.h"
#include "platform/testing/FakeUdp.h"
#include "platform/testing/VirtualLoop.h"

using namespace dmx;
using foundation::Supports;
using platform::testing::TFakeUdpNetwork;
using platform::testing::TVirtualLoop;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

using TPacket = std::vector<uint8_t>;

TPacket Header(uint8_t subUni, uint8_t net) {
    return {'A', 'r', 't', '-', 'N', 'e', 't', 0, 0x00, 0x50, 0x00, 0x0E, 0, 0, subUni, net, 0x02, 0x00};
}

TPacket Data(const TPacket& p) {
    return TPacket(p.begin() + 18, p.end());
}

// A valid ArtDmx as another node would send it.
TPacket Foreign(uint8_t subUni, uint8_t net, uint8_t fill, size_t size = 530) {
    TPacket p = Header(subUni, net);
    p.resize(size, fill);
    return p;
}

class ArtNetTest : public ::testing::Test {
protected:
    ArtNetTest() {
        InstallDMXInterfaces();
        InstallDMXOutput();
        InstallDMXArtNet();
        Root = NewArtNetOutput("127.0.0.1");
        Intf = Supports<IDMXInterface>(Root);
        ArtNet = Supports<IDMXArtNetInterfaceDelegate>(Root);
        Node = &dynamic_cast<TDMXArtNetDelegate&>(*ArtNet).Server();
        Intf->SetOnDMXChanged([this](int32_t ch, int32_t v) { Reports.emplace_back(ch, v); });
    }
    ~ArtNetTest() override {
        Intf.reset();
        ArtNet.reset();
        Root.reset();
        FinalizeDMXOutput();
    }

    void Activate() {
        Intf->SetActive(true);
        Net.Take();
        Reports.clear();
    }

    TVirtualLoop Loop;
    TFakeUdpNetwork Net;
    IPtr<IDMXNamedInterfaceDelegate> Root;
    IPtr<IDMXInterface> Intf;
    IPtr<IDMXArtNetInterfaceDelegate> ArtNet;
    TArtnetServer* Node = nullptr;
    std::vector<std::pair<int, int>> Reports;
};

} // namespace

TEST_F(ArtNetTest, OutputIsNamedAfterItsAddressAndRegistered) {
    EXPECT_EQ(Intf->GetName(), "Art-Net 127.0.0.1");
    EXPECT_EQ(Intf->GetHardwareID(), "127.0.0.1");
    EXPECT_EQ(ArtNet->getDestIP(), "127.0.0.1");
    EXPECT_EQ(DMXOutput()->getDMXInterfaceHId("127.0.0.1"), static_cast<IDMXNamedInterface*>(Intf.get()));
    EXPECT_TRUE(Supports<IDMXArtNetInterfaceDelegate>(Intf)); // asked of the interface, as the console does
}

struct TAddressCase {
    int32_t Subnet, Universe;
    uint8_t SubUni, Net;
};

class ArtNetAddressTest : public ArtNetTest, public ::testing::WithParamInterface<TAddressCase> {};

TEST_P(ArtNetAddressTest, PacketIsByteExact) {
    const auto c = GetParam();
    ArtNet->setSubnet(c.Subnet);
    ArtNet->setUniverse(c.Universe);
    Activate();
    Intf->setDMXCh(0, 10);
    Intf->setDMXCh(511, 255);
    auto sent = Net.Take();
    ASSERT_EQ(sent.size(), 2u);
    const TPacket& p = sent[1].Data;
    ASSERT_EQ(p.size(), 530u);
    EXPECT_EQ(TPacket(p.begin(), p.begin() + 18), Header(c.SubUni, c.Net));
    TPacket data(512, 0);
    data[0] = 10;
    data[511] = 255;
    EXPECT_EQ(Data(p), data);
    EXPECT_EQ(sent[1].ToAddress, "127.0.0.1");
    EXPECT_EQ(sent[1].ToPort, 6454);
    EXPECT_EQ(sent[1].FromPort, 6454);
}

INSTANTIATE_TEST_SUITE_P(Addresses, ArtNetAddressTest,
                         ::testing::Values(TAddressCase{1, 2, 0x12, 0x00}, TAddressCase{0x35, 7, 0x57, 0x03},
                                           TAddressCase{0, 0, 0x00, 0x00},
                                           TAddressCase{0xFFF, 0x1F, 0xFF, 0xFF})); // only the low bits count

TEST_F(ArtNetTest, SocketIsBoundExactlyWhileActive) {
    EXPECT_TRUE(Net.BoundTo(6454).empty());
    Intf->setDMXCh(3, 7); // inactive: stored in the interface only, nothing sent
    EXPECT_THAT(Net.Sent, IsEmpty());
    Intf->SetActive(true);
    ASSERT_EQ(Net.BoundTo(6454).size(), 1u);
    EXPECT_TRUE(Net.BoundTo(6454)[0]->Broadcast());
    EXPECT_EQ(Net.BoundTo(6454)[0]->BoundAddress(), "0.0.0.0");
    EXPECT_TRUE(Node->GetArtNetEnabled());
    Intf->SetActive(false);
    EXPECT_TRUE(Net.BoundTo(6454).empty());
    EXPECT_FALSE(Node->GetArtNetEnabled());
}

TEST_F(ArtNetTest, ActivationPushesTheNodeStateIntoTheInterface) {
    Intf->setDMXCh(3, 7);
    Intf->SetBlackOut(true); // inactive, not delegate-updating: the node learns of it
    Intf->SetActive(true);
    // The node's state wins: its values (all zero), master 255 and its black-out.
    EXPECT_EQ(Intf->getDMXCh(3), 0);
    EXPECT_EQ(Intf->GetDMXMaster(), 255);
    EXPECT_TRUE(Intf->GetBlackOut());
    EXPECT_THAT(Reports, ElementsAre(std::pair(-1, 255), std::pair(-2, 0)));
    EXPECT_FALSE(Intf->GetDelegateUpdating());
}

TEST_F(ArtNetTest, ChangeSendsOnceAndTheFaderSeesTheAcceptedValue) {
    Activate();
    Intf->setDMXCh(4, 200);
    EXPECT_EQ(Net.Take().size(), 1u);
    EXPECT_THAT(Reports, ElementsAre(std::pair(4, 200)));
    Intf->setDMXCh(4, 200); // unchanged: nothing on the wire
    EXPECT_THAT(Net.Take(), IsEmpty());
    EXPECT_EQ(Node->getArnetDataByte(4), 200);
}

TEST_F(ArtNetTest, RefreshEveryOneAndAHalfSeconds) {
    Activate();
    Intf->setDMXCh(0, 1);
    Net.Take();
    Loop.Advance(1499);
    EXPECT_THAT(Net.Sent, IsEmpty());
    Loop.Advance(1);
    ASSERT_EQ(Net.Sent.size(), 1u);
    EXPECT_EQ(Net.Sent[0].Data[18], 1);
    Loop.Advance(3000);
    EXPECT_EQ(Net.Take().size(), 3u);

    // A failing send leaves the refresh running; the next change raises to its caller.
    Net.FailSends = true;
    EXPECT_NO_THROW(Loop.Advance(1500));
    EXPECT_THROW(Intf->setDMXCh(0, 2), foundation::EOSError);
    Net.FailSends = false;
    Loop.Advance(1500);
    ASSERT_EQ(Net.Sent.size(), 1u);
    EXPECT_EQ(Net.Sent[0].Data[18], 2);
}

TEST_F(ArtNetTest, NoDestinationSendsNothingUntilOneIsSet) {
    ArtNet->setDestIP("0.0.0.0");
    Activate();
    Intf->setDMXCh(9, 9);
    Loop.Advance(3000);
    EXPECT_THAT(Net.Sent, IsEmpty());
    ArtNet->setDestIP("127.0.0.1");
    Loop.Advance(1500);
    ASSERT_EQ(Net.Sent.size(), 1u);
    EXPECT_EQ(Net.Sent[0].Data[18 + 9], 9);
}

TEST_F(ArtNetTest, MasterScalesByTruncatingDivision) {
    Activate();
    Intf->setDMXCh(0, 255);
    Intf->setDMXCh(1, 1);
    Intf->setDMXCh(2, 100);
    Net.Take();

    Intf->SetDMXMaster(128);
    auto sent = Net.Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Data[18], 128);
    EXPECT_EQ(sent[0].Data[19], 0);
    EXPECT_EQ(sent[0].Data[20], 50);

    Intf->SetDMXMaster(254);
    EXPECT_EQ(Net.Take().at(0).Data[19], 0); // 1 * 254 / 255

    Intf->SetDMXMaster(0);
    EXPECT_THAT(Data(Net.Take().at(0).Data), Each(0));
    EXPECT_EQ(Node->getArnetDataByte(2), 100); // stored values stay
    Intf->SetDMXMaster(255);
    auto back = Data(Net.Take().at(0).Data);
    EXPECT_EQ(back[0], 255);
    EXPECT_EQ(back[1], 1);
    EXPECT_EQ(back[2], 100);
    EXPECT_THAT(Reports, testing::Contains(std::pair(-1, 0)));
}

TEST_F(ArtNetTest, BlackOutSendsZerosAndBack) {
    Activate();
    Intf->setDMXCh(7, 70);
    Net.Take();
    Intf->SetBlackOut(true);
    EXPECT_THAT(Data(Net.Take().at(0).Data), Each(0));
    Intf->setDMXCh(8, 80); // stored and sent, still dark
    EXPECT_THAT(Data(Net.Take().at(0).Data), Each(0));
    Intf->SetBlackOut(false);
    auto p = Data(Net.Take().at(0).Data);
    EXPECT_EQ(p[7], 70);
    EXPECT_EQ(p[8], 80);
}

TEST_F(ArtNetTest, AllFullFromZerosSendsOnePacketPerChannel) {
    Activate();
    Intf->SetAllFull();
    auto sent = Net.Take();
    ASSERT_EQ(sent.size(), 512u);
    EXPECT_EQ(Data(sent[0].Data)[0], 255);
    EXPECT_EQ(Data(sent[0].Data)[1], 0);
    EXPECT_THAT(Data(sent[511].Data), Each(255));
    EXPECT_EQ(Reports.size(), 512u);
    Intf->SetAllFull(); // nothing changed
    EXPECT_THAT(Net.Take(), IsEmpty());
    Intf->setDMXCh(DMXChAllChannels, 3); // any non-zero value means full
    EXPECT_THAT(Net.Take(), IsEmpty());
    Intf->SetAllZero();
    EXPECT_EQ(Net.Take().size(), 512u);
    Intf->SetDMX(TBytes(512, 9)); // the node keeps its own values
    EXPECT_THAT(Net.Take(), IsEmpty());
}

TEST_F(ArtNetTest, FailedBindRaisesOnceAndLeavesTheNodeDisabled) {
    Net.PortsInUse.insert(6454);
    try {
        Intf->SetActive(true);
        FAIL() << "bind of a port in use succeeded";
    } catch (const foundation::EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), EADDRINUSE);
    }
    EXPECT_FALSE(Node->GetArtNetEnabled());
    // Later changes neither raise nor send; they go out once the port can be had.
    EXPECT_NO_THROW(Intf->setDMXCh(1, 50));
    EXPECT_NO_THROW(Loop.Advance(3000));
    EXPECT_THAT(Net.Sent, IsEmpty());
    Net.PortsInUse.clear();
    Intf->SetActive(false);
    Intf->SetActive(true);
    EXPECT_TRUE(Node->GetArtNetEnabled());
    Loop.Advance(1500);
    ASSERT_FALSE(Net.Sent.empty());
    EXPECT_EQ(Net.Sent.back().Data[19], 50);
}

TEST_F(ArtNetTest, ReceivingInRxModeTakesOnlyOurUniverse) {
    ArtNet->setSubnet(1);
    ArtNet->setUniverse(2);
    Activate();
    Node->SetServerMode(smRx);
    std::vector<std::pair<int, int>> got;
    Node->OnArtnetReceive = [&](int32_t ch, uint8_t v) { got.emplace_back(ch, v); };

    struct TCase {
        const char* What;
        TPacket Packet;
    };
    TPacket opPoll = Foreign(0x12, 0, 5);
    opPoll[9] = 0x20;
    TPacket badId = Foreign(0x12, 0, 5);
    badId[3] = '_';
    const TCase ignored[] = {
        {"other universe", Foreign(0x13, 0, 5)},
        {"other net", Foreign(0x12, 1, 5)},
        {"short packet", Foreign(0x12, 0, 5, 529)},
        {"other OpCode", opPoll},
        {"other ID", badId},
        {"empty", {}},
    };
    for (const auto& c : ignored) {
        Net.Deliver(6454, c.Packet);
        EXPECT_THAT(got, IsEmpty()) << c.What;
    }
    EXPECT_EQ(Node->getArnetDataByte(0), 0);

    TPacket p = Foreign(0x12, 0, 0);
    p[16] = 0; // Length 3: only three channels are taken
    p[17] = 3;
    p[18] = 11;
    p[20] = 33;
    p[21] = 44;
    ASSERT_EQ(Net.Deliver(6454, p), 1);
    EXPECT_THAT(got, ElementsAre(std::pair(0, 11), std::pair(2, 33)));
    EXPECT_EQ(Node->getArnetDataByte(3), 0);

    got.clear();
    TPacket longer = Foreign(0x12, 0, 1, 600); // a Length beyond 512 reads 512 channels, no more
    longer[16] = 0xFF;
    longer[17] = 0xFF;
    Net.Deliver(6454, longer);
    EXPECT_EQ(got.size(), 512u);

    // In smRx nothing is sent on changes or on the refresh.
    Net.Take();
    Intf->setDMXCh(100, 1);
    Loop.Advance(3000);
    EXPECT_THAT(Net.Sent, IsEmpty());
}

TEST_F(ArtNetTest, ReceivingInTxModeKeepsTheFaderValues) {
    Activate();
    Intf->setDMXCh(0, 100);
    Net.Take();
    int raised = 0;
    Node->OnArtnetReceive = [&](int32_t, uint8_t) { ++raised; };
    Net.Deliver(6454, Foreign(0, 0, 7)); // another sender on our universe
    EXPECT_EQ(raised, 0);
    EXPECT_EQ(Node->getArnetDataByte(0), 100);
    // Re-sending the fader's value is still a no-op and the next refresh carries our values.
    Intf->setDMXCh(0, 100);
    EXPECT_THAT(Net.Sent, IsEmpty());
    Loop.Advance(1500);
    ASSERT_EQ(Net.Sent.size(), 1u);
    EXPECT_EQ(Net.Sent[0].Data[18], 100);
    EXPECT_EQ(Net.Sent[0].Data[19], 0);
}

TEST(ArtDmxData, NeverReachesPastTheDatagram) {
    // The span lies inside the buffer whatever the Length field says.
    for (size_t size : {530u, 531u, 1000u}) {
        TPacket p = Foreign(0, 0, 1, size);
        p[16] = 0xFF;
        p[17] = 0xFF;
        auto d = ArtDmxData(p.data(), p.size(), 0);
        EXPECT_EQ(d.size(), 512u);
        EXPECT_GE(d.data(), p.data());
        EXPECT_LE(d.data() + d.size(), p.data() + p.size());
    }
    EXPECT_TRUE(ArtDmxData(nullptr, 0, 0).empty());
}
