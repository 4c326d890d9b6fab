#include "osc/OSC.Method.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "osc/OSC.Parameter.h"

using namespace osc;
using ::testing::ElementsAre;

namespace {

class OSCMethodTest : public ::testing::Test {
protected:
    OSCMethodTest() { InstallOSCMethods(); }

    static IPtr<IOSCMethod> Built(const TOSCMethodFootprint& F, std::vector<std::string> Values = {}) {
        auto m = CreateOSCMethod();
        m->FromFootprint(F, Values);
        return m;
    }
    // A received method: decoded from the bytes of a sent one.
    static IPtr<IOSCMethod> Received(const TBytes& Bytes) {
        auto m = CreateOSCMethod();
        m->FromOSCBytes(Bytes, true);
        return m;
    }

    const TOSCMethodFootprint DMXCh{"/dmx/ch/*", "f", "DMX Channel Value", "Set one channel", "Value",
                                    "",          "",  "Channel",           "Channel number"};
};

std::vector<std::string> Types(IOSCMethod* m) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < m->GetOSCParameterCount(); ++i)
        out.push_back(std::string(1, OSCTypeTag(m->getParameters(i)->GetParamType())) + ":" +
                      m->getParameters(i)->GetName());
    return out;
}

} // namespace

TEST_F(OSCMethodTest, FootprintsRepeatTagsAndShareTheirListEntries) {
    auto m = Built({"/x", "2i3f", "", "", "n;v", "", "m;oh"});
    EXPECT_THAT(Types(m.get()), ElementsAre("i:n", "i:n", "f:v", "f:v", "f:v"));
    EXPECT_EQ(m->getParameters(0)->GetVisibility(), opvMandatory);
    EXPECT_EQ(m->getParameters(4)->GetVisibility(), opvOptionalHidden);

    m->FromFootprint({"/x", "iiiiiiib", "", "", "a;b", "", "ov;bogus"});
    EXPECT_THAT(Types(m.get()), ElementsAre("i:a", "i:b", "i:", "i:", "i:", "i:", "i:", "b:"));
    EXPECT_EQ(m->getParameters(0)->GetVisibility(), opvOptionalVisible);
    EXPECT_EQ(m->getParameters(1)->GetVisibility(), opvMandatory);

    m->FromFootprint({"/x", "64i", "", "", "Ch"});
    ASSERT_EQ(m->GetOSCParameterCount(), 64);
    EXPECT_EQ(m->getParameters(63)->GetName(), "Ch");
    EXPECT_EQ(m->getParametersS("Ch").get(), m->getParameters(0).get());
    EXPECT_FALSE(m->getParametersS("ch"));
    EXPECT_THROW(m->getParameters(64), EListError);

    m->FromFootprint({"/x", "i-x0fs"}); // junk skipped, an explicit 0 creates none
    EXPECT_THAT(Types(m.get()), ElementsAre("i:", "s:"));
}

TEST_F(OSCMethodTest, AddressResolvesWithNameParameterValues) {
    auto m = Built(DMXCh);
    EXPECT_EQ(m->GetOSCNameParametersCountTx(), 1);
    EXPECT_EQ(m->getNameParametersNameTx(0), "Channel");
    EXPECT_EQ(m->getNameParametersDescriptionTx(0), "Channel number");
    EXPECT_EQ(m->GetOSCMethodAddress(), "/dmx/ch/");
    m->setNameParametersValueTx(0, "12");
    EXPECT_EQ(m->GetOSCMethodAddress(), "/dmx/ch/12");
    EXPECT_EQ(m->GetOSCMethodAddressUnresolved(), "/dmx/ch/*");
    EXPECT_THROW(m->setNameParametersValueTx(1, "x"), EListError);

    auto two = Built({"/in?/out*/set", "", "", "", "", "", "", "In;Out"}, {"3", "7", "ignored"});
    EXPECT_EQ(two->GetOSCMethodAddress(), "/in3/out7/set");
    EXPECT_EQ(two->ToString(), ": In=3 Out=7");
    EXPECT_EQ(Received(two->AsOSCBytes())->getNameParametersRx({"/in?/out*/set"}, 1), "7");
}

TEST_F(OSCMethodTest, NameParametersAreReadBackFromReceivedAddresses) {
    auto rx = CreateOSCMethod();
    rx->SetOSCMethodAddressUnresolved("/dmx/ch/12");
    EXPECT_EQ(rx->getNameParametersRx(DMXCh, 0), "12");
    EXPECT_EQ(rx->getNameParametersRx(DMXCh, 1), "");
    rx->SetOSCMethodAddressUnresolved("/dmx/ch/12/extra");
    EXPECT_EQ(rx->getNameParametersRx(DMXCh, 0), "12");
    rx->SetOSCMethodAddressUnresolved("/dm"); // shorter than the pattern
    EXPECT_EQ(rx->getNameParametersRx(DMXCh, 0), "");

    // Decoding against a footprint keeps the pattern and captures the value.
    auto sent = Built(DMXCh, {"29"});
    sent->getParameters(0)->SetAsFloat(0.5f);
    auto m = CreateOSCMethod();
    m->FromOSCBytes(sent->AsOSCBytes(), DMXCh);
    EXPECT_EQ(m->GetOSCMethodAddressUnresolved(), "/dmx/ch/*");
    EXPECT_EQ(m->getNameParametersValueTx(0), "29");
    EXPECT_EQ(m->GetOSCMethodAddress(), "/dmx/ch/29");
    EXPECT_EQ(m->getParameters(0)->GetName(), "Value");
    EXPECT_EQ(m->getParameters(0)->GetAsFloat(), 0.5f);
}

TEST_F(OSCMethodTest, AddressMatchingIsSymmetric) {
    struct Case {
        const char *A, *B;
        bool Match;
    };
    const Case cases[] = {
        {"/dmx/ch/*", "/dmx/ch/12", true},
        {"/dmx/ch/*", "/dmx/ch/", true},
        {"/in*/setName", "/in3/setName", true},
        {"/*3/setName", "/in3/setName", true},
        {"/*4/setName", "/in3/setName", false},
        {"/dmx/set/ch", "/dmx/set/ch/array/4", false},
        {"*", "/dmx/set/ch/array/4", true},
        {"/a?c", "/abc", true},
        {"/a?c", "/abd", false},
        {"/a??", "/abc", false}, // a second "?" is literal
        {"/a??", "/ab?", true},
        {"/Dmx", "/dmx", false},
        {"/dmx", "/dmxx", false},
        {"", "", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OSCAddressesMatch(c.A, c.B), c.Match) << c.A << " " << c.B;
        EXPECT_EQ(OSCAddressesMatch(c.B, c.A), c.Match) << c.B << " " << c.A;
    }
}

TEST_F(OSCMethodTest, CompatibilityNeedsMatchingArguments) {
    auto rx = Built({"/dmx/ch/7", "f"});
    EXPECT_TRUE(rx->IsCompatible(DMXCh));
    EXPECT_TRUE(rx->IsCompatible({"/dmx/ch/*", "i"}));
    EXPECT_FALSE(rx->IsCompatible({"/dmx/ch/*", ""}));
    EXPECT_FALSE(rx->IsCompatible({"/dmx/ch/*", "s"}));
    EXPECT_FALSE(rx->IsCompatible({"/dmx/cx/*", "f"}));
    EXPECT_FALSE(rx->IsCompatible(nullptr));
}

TEST_F(OSCMethodTest, EncodesAndDecodesTheMessageLayout) {
    auto m = Built({"/t/*", "isbTFIfi", "", "", "", "", "m;m;m;m;m;m;oh", "N"}, {"5"});
    m->getParameters(0)->SetAsInt(-7);
    m->getParameters(1)->SetAsString("abcd");
    m->getParameters(2)->SetAsBlob({1, 2, 3, 4, 5});
    m->getParameters(3)->SetAsBool(true);
    m->getParameters(4)->SetAsBool(false);
    m->getParameters(5)->AsInfinitum();
    m->getParameters(6)->SetAsFloat(0.25f);
    m->getParameters(7)->SetAsUInt(4294967295u);
    TBytes bytes = m->AsOSCBytes();
    TBytes head = {'/', 't', '/', '5', 0, 0, 0, 0, ',', 'i', 's', 'b', 'T', 'F', 'I', 'f', 'i', 0, 0, 0};
    EXPECT_EQ(TBytes(bytes.begin(), bytes.begin() + long(head.size())), head);
    EXPECT_EQ(bytes.size(), head.size() + 4 + 8 + 12 + 4 + 4);

    auto rx = Received(bytes);
    EXPECT_EQ(rx->GetOSCMethodAddressUnresolved(), "/t/5");
    EXPECT_EQ(rx->GetOSCMethodAddress(), "/t/5");
    EXPECT_EQ(rx->AsOSCBytes(), bytes);
    EXPECT_EQ(rx->getParameters(7)->GetParamType(), opInteger);
    EXPECT_EQ(rx->getParameters(7)->GetAsInt(), -1);
    EXPECT_TRUE(rx->IsCompatible(m.get()));
    EXPECT_EQ(rx->AsASCIIString('$'), "//t/5;isbTFIfi;-7;\"abcd\";\"$01$02$03$04$05\";0.25;-1;");
    EXPECT_EQ(m->AsASCIIString('$'), "//t/5;isbTFIi;-7;\"abcd\";\"$01$02$03$04$05\";4294967295;");

    // Re-decoding into a longer method drops the extra arguments; a missing tag string means none.
    rx->FromOSCBytes(TBytes{'/', 'q', 0, 0}, false);
    EXPECT_EQ(rx->GetOSCParameterCount(), 0);
    EXPECT_EQ(rx->GetOSCMethodAddress(), "/q");

    auto invalid = CreateOSCMethod();
    invalid->OSCCreateParameter();
    EXPECT_THROW(invalid->AsOSCBytes(), foundation::Exception);
}

TEST_F(OSCMethodTest, MalformedBytesLeaveTheMethodAsItWas) {
    auto sent = Built({"/a", "is"});
    sent->getParameters(1)->SetAsAnsiString("hello");
    TBytes good = sent->AsOSCBytes();
    auto m = Received(good);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        TBytes part(good.begin(), good.begin() + long(cut));
        if (cut == 4) continue; // the address alone is a whole message without arguments
        EXPECT_THROW(m->FromOSCBytes(part, false), EOSCMalformed) << cut;
        EXPECT_EQ(m->AsOSCBytes(), good) << cut;
    }

    // A received p, like an unknown tag, creates an argument that holds nothing and reads nothing.
    TBytes withP = {'/', 'a', 0, 0, ',', 'p', 'i', 0, 0, 0, 0, 9};
    auto rx = Received(withP);
    ASSERT_EQ(rx->GetOSCParameterCount(), 2);
    EXPECT_EQ(rx->getParameters(0)->GetParamType(), opInvalid);
    EXPECT_EQ(rx->getParameters(0)->GetAsPointer(), 0u);
    EXPECT_EQ(rx->getParameters(1)->GetAsInt(), 9);
}

TEST_F(OSCMethodTest, DecodePacketDropsBadMessagesAndKeepsTheRest) {
    TBytes a = Built({"/a", ""})->AsOSCBytes(), b = Built({"/b", ""})->AsOSCBytes();
    TBytes cut = {'/', 'c', 0, 0, ',', 'i', 0, 0, 1}, noAddress = {0, 0, 0, 0};
    TBytes packet = OSCBundleBytes(1, {a, cut, noAddress, OSCBundleBytes(2, {b})});
    std::vector<std::string> got;
    OSCDecodePacket(packet.data(), packet.size(),
                    [&](IOSCMethod* m) { got.push_back(m->GetOSCMethodAddress()); });
    EXPECT_THAT(got, ElementsAre("/a", "/b"));

    got.clear();
    OSCDecodePacket(nullptr, 0, [&](IOSCMethod* m) { got.push_back(m->GetOSCMethodAddress()); });
    EXPECT_TRUE(got.empty());
}

TEST_F(OSCMethodTest, TextForms) {
    auto m = Built(DMXCh, {"5"});
    m->getParameters(0)->SetAsFloat(0.5f);
    EXPECT_EQ(m->ToString(), "DMX Channel Value: Channel=5 Value=0.50");
    m->OSCCreateParameter(opInteger)->SetVisibility(opvOptionalHidden);
    EXPECT_EQ(m->ToString(), "DMX Channel Value: Channel=5 Value=0.50");
    EXPECT_EQ(m->AsASCIIString('$'), "//dmx/ch/5;f;0.50;");
    m->DeleteHiddenParameters();
    EXPECT_EQ(m->GetOSCParameterCount(), 1);
    EXPECT_EQ(Built({"/x", "", "Plain"})->ToString(), "Plain");
}

TEST_F(OSCMethodTest, ParametersTakeTheSolverAndCanBeRemoved) {
    int solver = 0;
    auto m = Built({"/x", "ii"});
    m->SetSolver(&solver);
    EXPECT_EQ(m->getParameters(1)->GetSolver(), &solver);
    auto p = m->OSCCreateParameter(opFloat);
    EXPECT_EQ(p->GetSolver(), &solver);
    EXPECT_EQ(p->GetAsBlob().size(), 4u);
    m->OSCDestroyParameter(m->getParameters(0).get());
    m->OSCDestroyParameter(p.get());
    m->OSCDestroyParameter(p.get()); // not there any more
    EXPECT_EQ(m->GetOSCParameterCount(), 1);
    EXPECT_THROW(m->OSCDestroyParameter(1), EListError);
    m->OSCDestroyParameter(0);
    EXPECT_EQ(m->GetOSCParameterCount(), 0);
}

TEST_F(OSCMethodTest, ReceiversKeepTheFirstOfCompatibleMethods) {
    auto r = CreateOSCMethodReceiverDefault();
    std::vector<std::string> log;
    r->AddOSCMethod(DMXCh,
                    [&](IOSCServer*, IOSCMethod* m) { log.push_back("first " + m->GetOSCMethodAddress()); });
    r->AddOSCMethod(DMXCh, [&](IOSCServer*, IOSCMethod*) { log.push_back("second"); });
    r->AddOSCMethod(TOSCMethodFootprint{"/dmx/master", "i"}, nullptr);
    r->SetOnCallBack(
        [&](IOSCServer*, IOSCMethod* m) { log.push_back("default " + m->GetOSCMethodAddress()); });
    ASSERT_EQ(r->GetOSCMethodCount(), 2);
    EXPECT_FALSE(r->getOSCMethod(0)->GetLocalFeedback());

    auto ch = Built({"/dmx/ch/3", "i"}), master = Built({"/dmx/master", "f"}), other = Built({"/other", ""});
    for (auto* m : {ch.get(), master.get(), other.get()})
        OSCDispatch(nullptr, r.get(), m);
    EXPECT_THAT(log, ElementsAre("first /dmx/ch/3", "default /dmx/master"));

    // A callback that throws does not stop dispatch; one that empties its own receiver is safe.
    log.clear();
    // "/*" is one segment: it does not catch deeper addresses.
    r->AddOSCMethod(TOSCMethodFootprint{"/*", "i"},
                    [&](IOSCServer*, IOSCMethod*) { log.push_back("catch-all"); });
    auto thrower = CreateOSCMethodReceiverDefault();
    thrower->AddOSCMethod(TOSCMethodFootprint{"/dmx/ch/*", "i"}, [&](IOSCServer*, IOSCMethod*) {
        thrower->DeleteOSCMethod(TOSCMethodFootprint{"*", "i"});
        throw std::runtime_error("boom");
    });
    thrower->AddOSCMethod(TOSCMethodFootprint{"/dmx/c?/3", "s"},
                          [&](IOSCServer*, IOSCMethod*) { log.push_back("x"); });
    OSCDispatch(nullptr, thrower.get(), ch.get());
    EXPECT_EQ(thrower->GetOSCMethodCount(), 1);
    OSCDispatch(nullptr, r.get(), ch.get());
    EXPECT_THAT(log, ElementsAre("first /dmx/ch/3"));

    r->DeleteOSCMethod(TOSCMethodFootprint{"/dmx/ch/9", "f"});
    EXPECT_EQ(r->GetOSCMethodCount(), 2);
    EXPECT_EQ(r->getOSCMethod(0)->GetOSCMethodAddressUnresolved(), "/dmx/master");
    EXPECT_THROW(r->getOSCMethod(2), EListError);
}
