#include "foundation/CRC.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <unistd.h>

#include "foundation/ByteHelpers.h"
#include "foundation/Exceptions.h"

using namespace foundation;

namespace {

TBytes Text(const char* s) {
    return TBytes(s, s + std::strlen(s));
}

TBytes Pattern(size_t n) {
    TBytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 7 + 3);
    return b;
}

uint32_t Crc32(const TBytes& b) {
    return ~UpdateCRC32(0xFFFFFFFFu, b.data(), b.size());
}

// A scratch file per test, removed afterwards.
class CRCFile : public ::testing::Test {
protected:
    std::string Write(const TBytes& b) {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        return path_.string();
    }
    void TearDown() override { std::filesystem::remove(path_); }
    std::filesystem::path path_ =
        std::filesystem::temp_directory_path() / ("lumacue-crc-" + std::to_string(::getpid()) + ".bin");
};

} // namespace

TEST(CRC, CheckValues) {
    TMemoryStream s(Text("123456789"));
    EXPECT_EQ(FileCRC32Stream(s), 0xCBF43926u);
    EXPECT_EQ(genCRC8(s.Bytes().data(), 9), 0x04);
    EXPECT_EQ(genCRC8(Text("abc").data(), 3), 0x8B);
    EXPECT_EQ(genCRC8(nullptr, 0), 0x00);
    EXPECT_EQ(getCRC8array(Text("abcdef"), 3), 0x8B);
    EXPECT_EQ(getCRC8array(Text("abc"), 100), 0x8B) << "a count beyond the array is cut to its length";
    TMemoryStream empty;
    EXPECT_EQ(FileCRC32Stream(empty), 0u);
}

TEST(CRC, PageCountRoundsHalfToEven) {
    struct Case {
        int64_t size;
        int32_t page;
        int64_t pages;
    };
    for (auto c :
         {Case{0, 256, 0}, Case{1, 256, 1}, Case{256, 256, 2}, Case{512, 256, 2}, Case{500, 256, 2},
          Case{1024, 256, 4}, Case{1280, 256, 6}, Case{1281, 256, 6}, Case{100, 0, 0}, Case{100, -5, 0}})
        EXPECT_EQ(PBPPageCount(c.size, c.page), c.pages) << c.size << "/" << c.page;
}

// The combination is rebuilt here from its definition: per-page entries (not inverted), fed most
// significant byte first; the entry no page touched is FF FF FF FF.
TEST(CRC, PageByPageCRC32BuildsFromEntries) {
    auto expected = [](const TBytes& data, size_t page, size_t entries) {
        TBytes combined;
        for (size_t k = 0; k < entries; ++k) {
            uint32_t e = 0xFFFFFFFFu;
            if (k * page < data.size())
                e = UpdateCRC32(e, data.data() + k * page, std::min(page, data.size() - k * page));
            for (int sh = 24; sh >= 0; sh -= 8)
                combined.push_back(uint8_t(e >> sh));
        }
        return Crc32(combined);
    };
    for (auto [size, entries] : {std::pair<size_t, size_t>{1280, 6}, {1024, 4}, {1000, 4}}) {
        TMemoryStream s(Pattern(size));
        EXPECT_EQ(FileCRC32PBPStream(s, 256), expected(s.Bytes(), 256, entries)) << size;
        EXPECT_NE(FileCRC32PBPStream(s, 256), expected(s.Bytes(), 256, entries + 1)) << size;
    }
    TMemoryStream empty;
    EXPECT_EQ(FileCRC32PBPStream(empty, 256), 0u);
}

TEST(CRC, PageByPageCRC8NeedsWholePages) {
    TMemoryStream ok(Pattern(512));
    TBytes list = {genCRC8(ok.Bytes().data(), 256), genCRC8(ok.Bytes().data() + 256, 256)};
    EXPECT_EQ(FileCRC8PBPStream(ok, 256), genCRC8(list.data(), 2));

    TMemoryStream shortPage(Pattern(500));
    EXPECT_THROW(FileCRC8PBPStream(shortPage, 256), Exception);
    // An odd number of whole pages accounts for one page more than there is.
    TMemoryStream odd(Pattern(768));
    EXPECT_THROW(FileCRC8PBPStream(odd, 256), Exception);

    TMemoryStream empty;
    EXPECT_EQ(FileCRC8PBPStream(empty, 256), 0x00);
}

TEST(CRC, BoundsTakesTheInclusiveRangeAndFailsToZero) {
    TBytes data = Pattern(600);
    TMemoryStream s(data);
    TMemoryStream inner(TBytes(data.begin() + 10, data.begin() + 522));
    EXPECT_EQ(FileCRC8PBPStreamBounds(s, 256, 10, 521), FileCRC8PBPStream(inner, 256));
    EXPECT_NE(FileCRC8PBPStreamBounds(s, 256, 10, 521), 0);
    EXPECT_EQ(FileCRC8PBPStreamBounds(s, 256, 10, 520), 0) << "a short page";
    EXPECT_EQ(FileCRC8PBPStreamBounds(s, 256, 100, 700), 0) << "past the end";
    EXPECT_EQ(FileCRC8PBPStreamBounds(s, 256, -1, 10), 0);
    EXPECT_EQ(FileCRC8PBPStreamBounds(s, 256, 20, 10), 0);
}

TEST(CRC, PageSizeZeroOrLessIsTheFailureValue) {
    TMemoryStream s(Pattern(512));
    for (int32_t page : {0, -1}) {
        EXPECT_EQ(FileCRC32PBPStream(s, page), 0u);
        EXPECT_EQ(FileCRC8PBPStream(s, page), 0);
        EXPECT_EQ(FileCRC8PBPStreamBounds(s, page, 0, 511), 0);
        EXPECT_FALSE(checkCRCStream(s, 0, true, page));
    }
}

TEST(CRC, StoredChecksumIsTestedAndContentLeftUnchanged) {
    TBytes data = Pattern(300);
    data.insert(data.end(), 4, 0);
    uint32_t crc = Crc32(data);
    for (int i = 0; i < 4; ++i)
        data[300 + i] = uint8_t(crc >> (8 * i));
    TMemoryStream s(data);
    s.SetPosition(17);
    EXPECT_TRUE(checkCRCStream(s, 300, false, 0));
    EXPECT_EQ(s.Bytes(), data);
    EXPECT_EQ(s.GetPosition(), 17);

    TBytes bad = data;
    bad[5] ^= 1;
    TMemoryStream b(bad);
    EXPECT_FALSE(checkCRCStream(b, 300, false, 0));
    EXPECT_EQ(b.Bytes(), bad);

    // Per page: store the page-by-page value at the start instead.
    TBytes paged = Pattern(512);
    std::fill(paged.begin(), paged.begin() + 4, 0);
    TMemoryStream p(paged);
    uint32_t pcrc = FileCRC32PBPStream(p, 128);
    for (int i = 0; i < 4; ++i)
        paged[size_t(i)] = uint8_t(pcrc >> (8 * i));
    TMemoryStream p2(paged);
    EXPECT_TRUE(checkCRCStream(p2, 0, true, 128));
    EXPECT_FALSE(checkCRCStream(p2, 0, false, 128));
}

TEST(CRC, StoredChecksumOutsideTheContentIsFalse) {
    for (size_t size : {0, 3}) {
        TMemoryStream s(TBytes(size, 0));
        EXPECT_FALSE(checkCRCStream(s, int64_t(size) - 4, false, 0)) << size;
        EXPECT_EQ(s.Bytes(), TBytes(size, 0));
    }
    TMemoryStream s(TBytes(8, 0));
    EXPECT_FALSE(checkCRCStream(s, 5, false, 0));
    EXPECT_FALSE(checkCRCStream(s, -1, false, 0));
}

TEST_F(CRCFile, FileFormsAgreeWithZlibAndFailToZero) {
    TBytes data = Pattern(100000);
    std::string path = Write(data);
    EXPECT_EQ(FileCRC32(path), uint32_t(crc32(0, data.data(), uInt(data.size()))));
    TMemoryStream s(data);
    EXPECT_EQ(FileCRC32PBP(path, 4096), FileCRC32PBPStream(s, 4096));

    Write(Pattern(500));
    EXPECT_EQ(FileCRC8PBP(path, 256), 0) << "a short page";
    Write(Pattern(512));
    EXPECT_NE(FileCRC8PBP(path, 256), 0);
    Write(Pattern(2));
    EXPECT_FALSE(checkCRC(path, 2 - 4, false, 0)) << "a file shorter than its checksum";

    std::filesystem::remove(path);
    EXPECT_EQ(FileCRC32(path), 0u);
    EXPECT_EQ(FileCRC32PBP(path, 256), 0u);
    EXPECT_EQ(FileCRC8PBP(path, 256), 0);
    EXPECT_FALSE(checkCRC(path, 0, false, 0));
}

TEST_F(CRCFile, FirmwareChecksumInTheLastFourBytes) {
    TBytes data = Pattern(1000);
    data.insert(data.end(), 4, 0);
    uint32_t crc = uint32_t(::crc32(0, data.data(), uInt(data.size())));
    for (int i = 0; i < 4; ++i)
        data[1000 + size_t(i)] = uint8_t(crc >> (8 * i));
    std::string path = Write(data);
    EXPECT_TRUE(checkCRC(path, int64_t(data.size()) - 4, false, 0));
}

TEST(ByteHelpers, WordsRoundTripEveryBitPattern) {
    uint64_t signalingNaN = 0x7FF0000000000001ull;
    double sn;
    std::memcpy(&sn, &signalingNaN, 8);
    for (double v :
         {1.5, -0.0, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
          std::numeric_limits<double>::quiet_NaN(), sn}) {
        uint32_t hi = 0, lo = 0;
        DoubleWordToLongWord(v, hi, lo);
        double back = 0;
        LongWordToDoubleWord(back, hi, lo);
        EXPECT_EQ(std::memcmp(&v, &back, 8), 0);
    }
    double one = 1.0; // 3FF0000000000000
    uint32_t hi = 0, lo = 1;
    DoubleWordToLongWord(one, hi, lo);
    EXPECT_EQ(hi, 0x3FF00000u);
    EXPECT_EQ(lo, 0u);
}

TEST(ByteHelpers, HexText) {
    const uint8_t bytes[] = {0x0A, 0xFF};
    EXPECT_EQ(BinToStr(bytes, 2), "0AFF");
    EXPECT_EQ(BinToStr(bytes, 0), "");

    struct Case {
        const char* text;
        int32_t bufSize;
        TBytes want;
    };
    for (const auto& c : {Case{"0aff", 8, {0x0A, 0xFF}}, Case{"0AfF", 1, {0x0A}}, Case{"0Ax1", 8, {0x0A}},
                          Case{"0A1", 8, {0x0A}}, Case{"", 8, {}}, Case{"zz", 8, {}}}) {
        uint8_t buf[8] = {};
        int32_t n = StrToBin(buf, c.text, c.bufSize);
        EXPECT_EQ(TBytes(buf, buf + n), c.want) << c.text;
    }
}
