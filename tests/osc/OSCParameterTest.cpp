#include "osc/OSC.Parameter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "osc/OSC.Utils.h"

using namespace osc;
using foundation::Make;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

IPtr<IOSCParameter> NewParam() {
    return IPtr<IOSCParameter>(Make<TOSCParameter>());
}

struct DecimalComma {
    DecimalComma() { SetOSCDecimalSeparator(','); }
    ~DecimalComma() { SetOSCDecimalSeparator('.'); }
};

} // namespace

TEST(OSCParameter, WireEncodingPadsStringsAndBlobsDifferently) {
    struct Case {
        std::function<void(IOSCParameter*)> Set;
        TBytes Wire;
    };
    const Case cases[] = {
        {[](IOSCParameter* p) { p->SetAsUInt(4294967295u); }, {0xFF, 0xFF, 0xFF, 0xFF}},
        {[](IOSCParameter* p) { p->SetAsInt(-2); }, {0xFF, 0xFF, 0xFF, 0xFE}},
        {[](IOSCParameter* p) { p->SetAsFloat(1.0f); }, {0x3F, 0x80, 0, 0}},
        {[](IOSCParameter* p) { p->SetAsAnsiString("abc"); }, {'a', 'b', 'c', 0}},
        {[](IOSCParameter* p) { p->SetAsAnsiString("abcd"); }, {'a', 'b', 'c', 'd', 0, 0, 0, 0}},
        {[](IOSCParameter* p) { p->SetAsAnsiString(""); }, {0, 0, 0, 0}},
        {[](IOSCParameter* p) {
             p->SetAsBlob({1, 2, 3, 4});
         },
         {0, 0, 0, 4, 1, 2, 3, 4}},
        {[](IOSCParameter* p) {
             p->SetAsBlob({1, 2, 3, 4, 5});
         },
         {0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0}},
        {[](IOSCParameter* p) { p->SetAsBlob({}); }, {0, 0, 0, 0}},
        {[](IOSCParameter* p) { p->SetAsBool(true); }, {}},
        {[](IOSCParameter* p) { p->AsInfinitum(); }, {}},
    };
    for (const auto& c : cases) {
        auto p = NewParam();
        c.Set(p.get());
        EXPECT_EQ(p->AsOSCBytes(), c.Wire) << p->ToString();
        EXPECT_EQ(size_t(p->GetOSCSize()), c.Wire.size()) << p->ToString();
    }
    EXPECT_EQ(OSCTypeTag(opUInteger), 'i');
}

TEST(OSCParameter, ReadingTakesTheFirstTypeOfATagAndChecksEveryLength) {
    auto p = NewParam();
    TBytes minusOne = {0xFF, 0xFF, 0xFF, 0xFF, 0x99};
    TOSCCursor c(minusOne);
    p->FromOSCBytes('i', c);
    EXPECT_EQ(p->GetParamType(), opInteger);
    EXPECT_EQ(p->GetAsInt(), -1);
    EXPECT_EQ(c.Position(), 4u);

    // An unknown tag, and p, change nothing and read nothing.
    for (char tag : {'x', 'p'}) {
        p->FromOSCBytes(tag, c);
        EXPECT_EQ(p->GetParamType(), opInteger);
        EXPECT_EQ(c.Position(), 4u);
    }

    // Cut short, negative or oversized: raised before anything changes.
    const std::pair<char, TBytes> bad[] = {
        {'i', {1, 2, 3}},
        {'f', {}},
        {'s', {'a', 'b', 'c', 'd'}},        // no NUL
        {'s', {'a', 'b', 'c', 'd', 0}},     // NUL but padding cut
        {'b', {0xFF, 0xFF, 0xFF, 0xFF, 1}}, // negative length
        {'b', {0, 0, 0, 9, 1, 2, 3, 4}},    // longer than the data
        {'b', {0, 0, 0, 1, 7}},             // padding cut
    };
    for (const auto& [tag, bytes] : bad) {
        TOSCCursor bc(bytes);
        EXPECT_THROW(p->FromOSCBytes(tag, bc), EOSCMalformed) << tag;
        EXPECT_EQ(bc.Position(), 0u);
        EXPECT_EQ(p->GetAsInt(), -1);
    }

    TBytes str = {'h', 'i', 0, 0, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0};
    TOSCCursor sc(str);
    p->FromOSCBytes('s', sc);
    EXPECT_EQ(p->GetAsAnsiString(), "hi");
    p->FromOSCBytes('b', sc);
    EXPECT_THAT(p->GetAsBlob(), ElementsAre(1, 2, 3, 4, 5));
    EXPECT_TRUE(sc.AtEnd());
}

TEST(OSCParameter, GettersConvertAndNeverReadPastTheirData) {
    auto p = NewParam();
    p->SetAsFloat(2.5f);
    EXPECT_EQ(p->GetAsInt(), 2);
    p->SetAsFloat(3.5f);
    EXPECT_EQ(p->GetAsInt(), 4);
    p->SetAsFloat(-1.5f);
    EXPECT_EQ(p->GetAsInt(), -2);
    p->SetAsFloat(1e30f);
    EXPECT_EQ(p->GetAsUInt(), 0u);
    EXPECT_TRUE(p->GetAsBool());

    p->SetAsBool(true);
    EXPECT_EQ(p->GetAsFloat(), 1.0f);
    EXPECT_EQ(p->GetAsInt(), 1);
    p->SetAsUInt(4294967295u);
    EXPECT_EQ(p->GetAsFloat(), 4294967295.0f);
    EXPECT_EQ(p->GetAsInt(), -1);
    p->SetAsInt(-1);
    EXPECT_EQ(p->GetAsFloat(), -1.0f);
    EXPECT_EQ(p->GetAsAnsiString(), "");

    // A pointer or integer whose data are shorter than four bytes (as a document may store them).
    auto* raw = Make<TOSCParameter>();
    IPtr<IOSCParameter> hold(raw);
    raw->SetRaw(opPointer, {0x01});
    EXPECT_EQ(raw->GetAsPointer(), 1u);
    raw->SetRaw(opInteger, {});
    EXPECT_EQ(raw->GetAsInt(), 0);
    raw->SetRaw(opFloat, {0, 0});
    EXPECT_EQ(raw->GetAsFloat(), 0.0f);

    p->SetAsString("caf\u00e9 \u20ac");
    EXPECT_EQ(p->GetAsAnsiString(), "caf\xE9 \x80");
    EXPECT_EQ(p->GetAsString(), "caf\u00e9 \u20ac");
}

TEST(OSCParameter, SetParamTypeKeepsLeadingBytes) {
    auto p = NewParam();
    p->SetAsBlob({9, 8});
    p->SetParamType(opInteger);
    EXPECT_EQ(p->GetAsBlob(), (TBytes{9, 8, 0, 0}));
    p->SetParamType(opTrue);
    EXPECT_TRUE(p->GetAsBlob().empty());
    p->SetAsInt(7);
    p->SetAsBool(false); // data untouched
    EXPECT_EQ(p->GetAsBlob().size(), 4u);
}

TEST(OSCParameter, Compatibility) {
    auto a = NewParam(), b = NewParam();
    a->SetParamType(opFloat);
    b->SetParamType(opFalse);
    EXPECT_TRUE(a->IsCompatible(b.get()));
    b->SetParamType(opUInteger);
    EXPECT_TRUE(a->IsCompatible(b.get()));
    a->SetParamType(opString);
    b->SetParamType(opBlob);
    EXPECT_FALSE(a->IsCompatible(b.get()));
    b->SetParamType(opString);
    EXPECT_TRUE(a->IsCompatible(b.get()));
    b->SetParamType(opInfinitum);
    a->SetParamType(opInteger);
    EXPECT_FALSE(a->IsCompatible(b.get()));
}

TEST(OSCParameter, QuotedFormOfBytes) {
    EXPECT_EQ(QuoteBytes({0x41, 0x24, 0x22, 0x00}), "\"A$$$\"$00\"");
    EXPECT_EQ(UnquoteBytes("\"A$$$\"$00\""), (TBytes{0x41, 0x24, 0x22, 0x00}));
    EXPECT_EQ(UnquoteBytes("\"$ff$0a\""), (TBytes{0xFF, 0x0A}));
    EXPECT_TRUE(UnquoteBytes("\"\"").empty());
    for (const char* invalid : {"", "\"", "abc", "\"abc", "\"a\"b\"", "\"$x1\"", "\"$\"", "\"$1\""})
        EXPECT_TRUE(UnquoteBytes(invalid).empty()) << invalid;
    TBytes all(256);
    for (int i = 0; i < 256; ++i)
        all[size_t(i)] = uint8_t(i);
    EXPECT_EQ(UnquoteBytes(QuoteBytes(all)), all);
}

TEST(OSCParameter, TextForm) {
    auto p = NewParam();
    p->SetAsFloat(0.5f);
    EXPECT_EQ(p->GetValue(), "0.50");
    {
        DecimalComma comma;
        EXPECT_EQ(p->GetValue(), "0,50");
        p->SetValue("1,25");
        EXPECT_EQ(p->GetAsFloat(), 1.25f);
    }
    for (auto [value, text] : {std::pair{2.675f, "2.67"},
                               {-0.001f, "0.00"},
                               {123456.5f, "123456.50"},
                               {1e12f, "9.999999959E+11"}}) {
        p->SetAsFloat(value);
        EXPECT_EQ(p->GetValue(), text) << value;
    }
    p->SetValue("-");
    EXPECT_EQ(p->GetParamType(), opFloat);
    EXPECT_EQ(p->GetAsFloat(), 0.0f);
    EXPECT_THROW(p->SetValue("abc"), EConvertError);
    EXPECT_EQ(p->GetAsFloat(), 0.0f);

    p->SetAsBool(false);
    p->SetValue("TRUE");
    EXPECT_EQ(p->GetParamType(), opTrue);
    p->SetValue("yes");
    EXPECT_EQ(p->GetParamType(), opFalse);
    EXPECT_EQ(p->GetValue(), "F");
    EXPECT_EQ(p->ToString(), "False");

    p->SetAsPointer(5);
    EXPECT_EQ(p->GetValue(), "5");
    p->SetValue("-3");
    EXPECT_EQ(p->GetParamType(), opInteger);
    EXPECT_EQ(p->GetValue(), "-3");
    EXPECT_THROW(p->SetValue("99999999999"), EConvertError);
    EXPECT_EQ(p->GetAsInt(), -3);

    p->SetAsUInt(0);
    p->SetValue("-1");
    EXPECT_EQ(p->GetAsUInt(), 4294967295u);
    EXPECT_EQ(p->GetValue(), "4294967295");

    p->SetAsAnsiString("");
    p->SetValue("\"a$22b\"");
    EXPECT_EQ(p->GetAsAnsiString(), "a\"b");
    p->SetValue("not quoted");
    EXPECT_EQ(p->GetParamType(), opString);
    EXPECT_EQ(p->GetAsAnsiString(), "");

    p->AsInfinitum();
    EXPECT_EQ(p->ToString(), "\u221E");
    EXPECT_EQ(p->GetValue(), "I");

    p->SetParamType(opInvalid);
    EXPECT_EQ(p->ToString(), "Invalid");
    EXPECT_THROW(p->GetValue(), foundation::Exception);
    p->SetParamType(TOSCParameterType(42));
    EXPECT_EQ(p->ToString(), "");
    EXPECT_THROW(p->AsOSCBytes(), foundation::Exception);
    p->SetAsPointer(1);
    try {
        p->AsOSCBytes();
        ADD_FAILURE();
    } catch (const foundation::Exception& e) {
        EXPECT_STREQ(e.what(), "Unknown data type!");
    }
}

TEST(OSCUtils, CodePageRoundTripsEveryByte) {
    TAnsiString all;
    for (int i = 1; i < 256; ++i)
        all += char(i);
    EXPECT_EQ(UTF8ToAnsi(AnsiToUTF8(all)), all);
    EXPECT_EQ(UTF8ToAnsi("\u4e2d\xff"), "??");
}

TEST(OSCUtils, SplitPacketWalksNestedBundlesAndStopsAtBadSizes) {
    TBytes m1 = {'/', 'a', 0, 0}, m2 = {'/', 'b', 0, 0};
    TBytes inner = OSCBundleBytes(1, {m2});
    TBytes outer = OSCBundleBytes(0x0102030405060708ull, {m1, inner, m1});
    EXPECT_THAT(TBytes(outer.begin() + 8, outer.begin() + 16), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8));
    std::vector<TBytes> got;
    auto collect = [&](const uint8_t* d, size_t n) { got.emplace_back(d, d + n); };
    OSCSplitPacket(outer.data(), outer.size(), collect);
    EXPECT_THAT(got, ElementsAre(m1, m2, m1));

    // An element size beyond the packet (also one that would be negative if read signed).
    got.clear();
    TBytes bad = OSCBundleBytes(0, {m1});
    TBytes tail = {0xFF, 0xFF, 0xFF, 0xF0, '/', 'c', 0, 0};
    bad.insert(bad.end(), tail.begin(), tail.end());
    OSCSplitPacket(bad.data(), bad.size(), collect);
    EXPECT_THAT(got, ElementsAre(m1));

    // Nesting beyond the cap is not taken apart.
    got.clear();
    TBytes deep = m1;
    for (int i = 0; i < OSCMaxBundleDepth + 1; ++i)
        deep = OSCBundleBytes(0, {deep});
    OSCSplitPacket(deep.data(), deep.size(), collect);
    EXPECT_TRUE(got.empty());
    got.clear();
    deep = m1;
    for (int i = 0; i < OSCMaxBundleDepth; ++i)
        deep = OSCBundleBytes(0, {deep});
    OSCSplitPacket(deep.data(), deep.size(), collect);
    EXPECT_THAT(got, ElementsAre(m1));

    // The bare mark is a message; a bundle without elements gives nothing.
    got.clear();
    TBytes mark(outer.begin(), outer.begin() + 8), empty(outer.begin(), outer.begin() + 16);
    OSCSplitPacket(mark.data(), mark.size(), collect);
    OSCSplitPacket(empty.data(), empty.size(), collect);
    EXPECT_THAT(got, ElementsAre(mark));
}
