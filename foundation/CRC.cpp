#include "foundation/CRC.h"

#include <array>
#include <vector>

#include "foundation/Exceptions.h"

namespace foundation {

namespace {

constexpr std::array<uint32_t, 256> MakeCRC32Table() {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[i] = c;
    }
    return t;
}

constexpr std::array<uint8_t, 256> MakeCRC8Table() {
    std::array<uint8_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 0x80) ? ((c << 1) ^ 0x07) & 0xFF : (c << 1) & 0xFF;
        t[i] = uint8_t(c);
    }
    return t;
}

constexpr auto CRC32Table = MakeCRC32Table();
constexpr auto CRC8Table = MakeCRC8Table();
static_assert(CRC8Table[1] == 0x07 && CRC8Table[4] == 0x1C && CRC8Table[7] == 0x15);

uint8_t CRC8(const uint8_t* Data, size_t Count) {
    uint8_t crc = 0xFF;
    for (size_t i = 0; i < Count; ++i)
        crc = CRC8Table[crc ^ Data[i]];
    return crc ^ 0xFF;
}

uint32_t PBPCRC32(const TBytes& Data, int32_t PageSize) {
    if (PageSize <= 0) return 0;
    std::vector<uint32_t> entries(size_t(PBPPageCount(int64_t(Data.size()), PageSize)), 0xFFFFFFFFu);
    size_t page = 0;
    for (size_t pos = 0; pos < Data.size(); pos += size_t(PageSize), ++page) {
        size_t n = std::min(size_t(PageSize), Data.size() - pos);
        entries[page] = UpdateCRC32(entries[page], Data.data() + pos, n);
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (uint32_t e : entries) {
        const uint8_t be[4] = {uint8_t(e >> 24), uint8_t(e >> 16), uint8_t(e >> 8), uint8_t(e)};
        crc = UpdateCRC32(crc, be, 4);
    }
    return ~crc;
}

uint8_t PBPCRC8(const TBytes& Data, int32_t PageSize) {
    if (PageSize <= 0) return 0;
    TBytes list(size_t(PBPPageCount(int64_t(Data.size()), PageSize)));
    size_t pos = 0;
    for (uint8_t& e : list) {
        if (Data.size() - pos < size_t(PageSize)) throw Exception("Stream read error");
        e = CRC8(Data.data() + pos, size_t(PageSize));
        pos += size_t(PageSize);
    }
    return CRC8(list.data(), list.size());
}

bool ReadFileBytes(const std::string& FileName, TMemoryStream& Out) {
    try {
        TFileStream f(FileName, TFileMode::fmOpenRead);
        int64_t size = f.GetSize();
        if (size < 0) return false;
        TBytes data(static_cast<size_t>(size));
        f.ReadBuffer(data.data(), data.size());
        Out = TMemoryStream(std::move(data));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

uint32_t UpdateCRC32(uint32_t Crc, const uint8_t* Data, size_t Count) {
    for (size_t i = 0; i < Count; ++i)
        Crc = CRC32Table[(Crc ^ Data[i]) & 0xFF] ^ (Crc >> 8);
    return Crc;
}

int64_t PBPPageCount(int64_t Size, int32_t PageSize) {
    if (PageSize <= 0 || Size <= 0) return 0;
    int64_t q = Size / PageSize, r = Size % PageSize;
    if (r != 0) return q + 1;
    return q + (q & 1);
}

uint8_t genCRC8(const uint8_t* Data, int32_t Count) {
    if (!Data || Count <= 0) return CRC8(nullptr, 0);
    return CRC8(Data, size_t(Count));
}

uint8_t getCRC8array(const TBytes& Arr, int32_t Count) {
    size_t n = Count <= 0 ? 0 : std::min(size_t(Count), Arr.size());
    return CRC8(Arr.data(), n);
}

uint32_t FileCRC32Stream(TMemoryStream& S) {
    const TBytes& d = S.Bytes();
    return ~UpdateCRC32(0xFFFFFFFFu, d.data(), d.size());
}

uint32_t FileCRC32PBPStream(TMemoryStream& S, int32_t PageSize) {
    return PBPCRC32(S.Bytes(), PageSize);
}

uint8_t FileCRC8PBPStream(TMemoryStream& S, int32_t PageSize) {
    return PBPCRC8(S.Bytes(), PageSize);
}

uint8_t FileCRC8PBPStreamBounds(TMemoryStream& S, int32_t PageSize, int64_t First, int64_t Last) {
    const TBytes& d = S.Bytes();
    if (First < 0 || Last < First || Last >= int64_t(d.size())) return 0;
    try {
        return PBPCRC8(TBytes(d.begin() + First, d.begin() + Last + 1), PageSize);
    } catch (const std::exception&) {
        return 0;
    }
}

bool checkCRCStream(TMemoryStream& S, int64_t Position, bool PerPage, int32_t PageSize) {
    if (Position < 0 || Position > S.GetSize() - 4) return false;
    if (PerPage && PageSize <= 0) return false;
    const int64_t here = S.GetPosition();
    uint8_t stored[4];
    S.SetPosition(Position);
    S.ReadBuffer(stored, 4);
    const uint8_t zero[4] = {};
    S.SetPosition(Position);
    S.Write(zero, 4);
    uint32_t computed = PerPage ? FileCRC32PBPStream(S, PageSize) : FileCRC32Stream(S);
    S.SetPosition(Position);
    S.Write(stored, 4);
    S.SetPosition(here);
    uint32_t value = uint32_t(stored[0]) | uint32_t(stored[1]) << 8 | uint32_t(stored[2]) << 16 |
                     uint32_t(stored[3]) << 24;
    return computed == value;
}

uint32_t FileCRC32(const std::string& FileName) {
    TMemoryStream s;
    return ReadFileBytes(FileName, s) ? FileCRC32Stream(s) : 0;
}

uint32_t FileCRC32PBP(const std::string& FileName, int32_t PageSize) {
    TMemoryStream s;
    return ReadFileBytes(FileName, s) ? FileCRC32PBPStream(s, PageSize) : 0;
}

uint8_t FileCRC8PBP(const std::string& FileName, int32_t PageSize) {
    TMemoryStream s;
    if (!ReadFileBytes(FileName, s)) return 0;
    try {
        return FileCRC8PBPStream(s, PageSize);
    } catch (const std::exception&) {
        return 0;
    }
}

bool checkCRC(const std::string& FileName, int64_t Position, bool PerPage, int32_t PageSize) {
    TMemoryStream s;
    return ReadFileBytes(FileName, s) && checkCRCStream(s, Position, PerPage, PageSize);
}

} // namespace foundation
