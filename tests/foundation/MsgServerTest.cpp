#include "foundation/IoC.MsgServer.h"

#include <gtest/gtest.h>

#include <string>

using namespace foundation;

namespace {

constexpr TGUID msgA = MsgType(0x12345678, 0, 1);
constexpr TGUID msgB = MsgType(0x12345678, 0, 2);

class TSubscriber : public TIaAObject {};

// Owners are plain objects; the fixture records who was called, in order.
class MsgBus : public ::testing::Test {
protected:
    void SetUp() override {
        InstallMsgServer();
        bus = NewMsgServer();
        for (auto& o : owners)
            o = IPtr<IIaAObject>(Make<TSubscriber>());
    }
    void TearDown() override {
        for (auto& o : owners)
            if (bus) bus->UnregisterMsgOwner(o.get());
    }
    IInterface* Owner(int i) { return owners[i].get(); }
    TMsgHandler Record(const std::string& name) {
        return [this, name](IMsgServer*, const TGUID&, void*, const TMsgParams&) { calls += name; };
    }

    IPtr<IMsgServer> bus;
    IPtr<IIaAObject> owners[3];
    std::string calls;
};

} // namespace

TEST_F(MsgBus, NewestFirstSenderSkippedArgumentsPassed) {
    int custom = 0;
    bus->RegisterMsgHandler(msgA, Record("A"), Owner(0), nullptr);
    bus->RegisterMsgHandler(msgA, Record("B"), Owner(1), nullptr);
    bus->RegisterMsgHandler(
        msgA,
        [&](IMsgServer* server, const TGUID& type, void* data, const TMsgParams& params) {
            calls += "C";
            EXPECT_EQ(server, bus.get());
            EXPECT_EQ(type, msgA);
            EXPECT_EQ(data, &custom);
            ASSERT_EQ(params.size(), 2u);
            *static_cast<bool*>(params[1]) = false; // a veto written back to the sender
        },
        Owner(2), &custom);
    bool allowed = true;
    IInterface* sender = Owner(0);
    bus->NotifyMsg(sender, msgA, {&sender, &allowed});
    EXPECT_EQ(calls, "CB");
    EXPECT_FALSE(allowed);
    calls.clear();
    bus->NotifyMsg(nullptr, msgA, {nullptr, &allowed});
    EXPECT_EQ(calls, "CBA");
}

TEST_F(MsgBus, UnknownTypeAndSuspensionDoNothing) {
    bus->RegisterMsgHandler(msgA, Record("A"), Owner(0), nullptr);
    bus->NotifyMsg(nullptr, msgB, {});
    bus->BeginUpdate();
    EXPECT_TRUE(bus->IsUpdating());
    bus->NotifyMsg(nullptr, msgA, {});
    bus->EndUpdate();
    EXPECT_EQ(calls, "") << "messages while suspended are lost, not replayed";
    bus->NotifyMsg(nullptr, msgA, {});
    EXPECT_EQ(calls, "A");
}

TEST_F(MsgBus, DuplicatesAreCalledTwice) {
    bus->RegisterMsgHandler(msgA, Record("A"), Owner(0), nullptr);
    bus->RegisterMsgHandler(msgA, Record("A"), Owner(0), nullptr);
    bus->NotifyMsg(nullptr, msgA, {});
    EXPECT_EQ(calls, "AA");
}

TEST_F(MsgBus, NestedDeliveryDoesNotReenterTheHandler) {
    bus->RegisterMsgHandler(msgA, Record("A"), Owner(0), nullptr);
    int depth = 0;
    bus->RegisterMsgHandler(
        msgA,
        [&](IMsgServer* s, const TGUID&, void*, const TMsgParams&) {
            calls += "N";
            if (++depth < 5) s->NotifyMsg(nullptr, msgA, {});
        },
        Owner(1), nullptr);
    bus->NotifyMsg(nullptr, msgA, {});
    EXPECT_EQ(calls, "NAA") << "inner delivery reaches A but not N again";
    EXPECT_EQ(depth, 1);
}

TEST_F(MsgBus, WithdrawingAnotherDuringDelivery) {
    bus->RegisterMsgHandler(msgB, Record("b"), Owner(0), nullptr);
    bus->RegisterMsgHandler(msgA, Record("A"), Owner(0), nullptr);
    bus->RegisterMsgHandler(
        msgA,
        [&](IMsgServer* s, const TGUID&, void*, const TMsgParams&) {
            calls += "W";
            s->UnregisterMsgOwner(Owner(0));
        },
        Owner(1), nullptr);
    bus->NotifyMsg(nullptr, msgA, {});
    EXPECT_EQ(calls, "W");
    bus->UnregisterMsgOwner(Owner(1));
    // Every type is gone now: the bus can be destroyed without complaint.
    EXPECT_NO_THROW(bus.reset());
}

TEST_F(MsgBus, WithdrawingItselfDuringDeliveryAndRegisteringDuringDelivery) {
    bus->RegisterMsgHandler(msgA, Record("A"), Owner(0), nullptr);
    bus->RegisterMsgHandler(
        msgA,
        [&](IMsgServer* s, const TGUID&, void*, const TMsgParams&) {
            calls += "S";
            s->UnregisterMsgOwner(Owner(1));
            s->RegisterMsgHandler(msgA, Record("L"), Owner(2), nullptr);
        },
        Owner(1), nullptr);
    bus->NotifyMsg(nullptr, msgA, {});
    EXPECT_EQ(calls, "SA") << "the registration added meanwhile is not part of the walk";
    calls.clear();
    bus->NotifyMsg(nullptr, msgA, {});
    EXPECT_EQ(calls, "LA");
}

TEST_F(MsgBus, HandlerErrorReachesPublisherAndCountersRecover) {
    bus->RegisterMsgHandler(msgA, Record("A"), Owner(0), nullptr);
    bool fail = true;
    bus->RegisterMsgHandler(
        msgA,
        [&](IMsgServer* s, const TGUID&, void*, const TMsgParams&) {
            calls += "F";
            if (fail) {
                s->UnregisterMsgOwner(Owner(0));
                throw Exception("boom");
            }
        },
        Owner(1), nullptr);
    EXPECT_THROW(bus->NotifyMsg(nullptr, msgA, {}), Exception);
    EXPECT_EQ(calls, "F");
    fail = false;
    calls.clear();
    bus->NotifyMsg(nullptr, msgA, {});
    EXPECT_EQ(calls, "F") << "the handler runs again; the withdrawn one is gone";
}

TEST_F(MsgBus, RegisterMsgHandlersChecksLengths) {
    try {
        bus->RegisterMsgHandlers({msgA, msgB}, {Record("1"), Record("2")}, Owner(0), {nullptr});
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Length of parameters for register handlers is invalid.");
    }
    bus->NotifyMsg(nullptr, msgA, {});
    bus->NotifyMsg(nullptr, msgB, {});
    EXPECT_EQ(calls, "");
    bus->RegisterMsgHandlers({msgA, msgB}, {Record("1"), Record("2")}, Owner(0), {nullptr, nullptr});
    bus->NotifyMsg(nullptr, msgB, {});
    EXPECT_EQ(calls, "2");
    bus->UnregisterMsgOwner(Owner(2)); // no registrations: nothing changes
    bus->NotifyMsg(nullptr, msgA, {});
    EXPECT_EQ(calls, "21");
}

TEST_F(MsgBus, DestroyingWithRegistrationsLeftNamesOwnerAndType) {
    bus->RegisterMsgHandler(msgB, Record("x"), Owner(0), nullptr);
    bus->RegisterMsgHandler(msgA, Record("y"), Owner(1), nullptr);
    IMsgServer* raw = bus.get();
    raw->AddRef();
    bus.reset();
    try {
        raw->Release();
        FAIL() << "no error";
    } catch (const EMsgServer& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Not all handlers have been removed. Number of remaining handlers=2.\n\r"
                  "Class Name of the first handler: TSubscriber\r\n"
                  "GUID: {12345678-0000-0002-0000-000000000000}");
    }
    // The bus survived the refusal; once everyone withdrew it goes quietly.
    for (auto& o : owners)
        raw->UnregisterMsgOwner(o.get());
    auto obj = Supports<IIaAObject>(raw);
    IIaAObject* o = obj.get();
    obj.reset();
    o->FreeIntf();
}

TEST(MsgGroups, ReserveAndRelease) {
    InstallMsgServer();
    IMsgGroupManager* m = MsgGroupManager();
    EXPECT_EQ(m, MsgGroupManager());
    m->RegisterGroup(-7);
    try {
        m->RegisterGroup(-7);
        FAIL();
    } catch (const EMsgGroup& e) {
        EXPECT_STREQ(e.what(), "The messages group -7 is already reserved.");
    }
    m->UnregisterGroup(-7);
    try {
        m->UnregisterGroup(-7);
        FAIL();
    } catch (const EMsgGroup& e) {
        EXPECT_STREQ(e.what(), "The messages group -7 is not reserved!");
    }
}

TEST(MsgTypes, GuidLayout) {
    EXPECT_EQ(msgDevConnectionChanged, "{D19B6262-0000-0001-0000-000000000000}"_guid);
    EXPECT_EQ(msgPinNameChanged, "{00000000-0001-0000-0000-000000000000}"_guid);
}
