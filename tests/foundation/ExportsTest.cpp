// The exported C forms: bounds of caller buffers, wide text, and failures as values.
#include "foundation/Exports.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(Exports, BuffersAndTextAreBounded) {
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(getCRC8array(abc, 3, 100), 0x8B) << "count cut to the array's length";
    EXPECT_EQ(genCRC8(nullptr, 5), 0x00);

    const uint8_t bytes[] = {0x0A, 0xFF};
    wchar_t text[8];
    EXPECT_EQ(BinToStr(bytes, 2, text, 8), 4);
    EXPECT_EQ(std::wstring(text), L"0AFF");
    wchar_t small[3] = {L'x', L'x', L'x'};
    EXPECT_EQ(BinToStr(bytes, 2, small, 3), 4) << "reports the length it needs";
    EXPECT_EQ(std::wstring(small), L"0A") << "and writes no more than it was given";

    uint8_t out[4] = {};
    EXPECT_EQ(StrToBin(out, L"0aff\u00e9E", 4), 2) << "stops at the first non-digit";
    EXPECT_EQ(out[0], 0x0A);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_EQ(StrToBin(out, L"01020304", 2), 2);
}

TEST(Exports, StreamFormsFailToValues) {
    uint8_t data[500];
    std::memset(data, 7, sizeof data);
    EXPECT_EQ(FileCRC8PBPStream(data, 500, 256), 0) << "a short page is no exception here";
    EXPECT_FALSE(checkCRCStream(data, 2, -2, false, 0));
    EXPECT_EQ(FileCRC32Stream(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);
    EXPECT_EQ(FileCRC32(L"/nonexistent/\u00e9.bin"), 0u);

    double v = -2.5, back = 0;
    uint32_t hi = 0, lo = 0;
    DoubleWordToLongWord(&v, &hi, &lo);
    LongWordToDoubleWord(&back, hi, lo);
    EXPECT_EQ(back, v);
}
