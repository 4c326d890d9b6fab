#include "foundation/Exports.h"

#include <algorithm>
#include <exception>
#include <string>

#include "foundation/ByteHelpers.h"
#include "foundation/CRC.h"
#include "foundation/Utf8.h"

namespace {

using foundation::TBytes;
using foundation::TMemoryStream;

// Wide text (UTF-32, or UTF-16 where wchar_t is 16 bits) to the UTF-8 the file system takes.
std::string ToUtf8(const wchar_t* Text) {
    std::string out;
    if (!Text) return out;
    for (const wchar_t* p = Text; *p; ++p) {
        uint32_t c = uint32_t(*p);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000)
                c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(*++p) - 0xDC00);
        }
        foundation::AppendUtf8(out, c);
    }
    return out;
}

TMemoryStream StreamOf(const uint8_t* Data, int64_t Size) {
    if (!Data || Size <= 0) return TMemoryStream();
    return TMemoryStream(TBytes(Data, Data + Size));
}

template <class F, class R> R Guarded(R Failure, F&& Fn) {
    try {
        return Fn();
    } catch (const std::exception&) {
        return Failure;
    }
}

} // namespace

extern "C" {

uint8_t genCRC8(const uint8_t* Data, int32_t Count) {
    return foundation::genCRC8(Data, Count);
}

uint8_t getCRC8array(const uint8_t* Arr, int32_t ArrLength, int32_t Count) {
    if (!Arr || ArrLength <= 0) return foundation::genCRC8(nullptr, 0);
    return foundation::genCRC8(Arr, Count < ArrLength ? Count : ArrLength);
}

uint32_t FileCRC32(const wchar_t* FileName) {
    return Guarded(0u, [&] { return foundation::FileCRC32(ToUtf8(FileName)); });
}

uint32_t FileCRC32Stream(const uint8_t* Data, int64_t Size) {
    return Guarded(0u, [&] {
        auto s = StreamOf(Data, Size);
        return foundation::FileCRC32Stream(s);
    });
}

uint32_t FileCRC32PBP(const wchar_t* FileName, int32_t PageSize) {
    return Guarded(0u, [&] { return foundation::FileCRC32PBP(ToUtf8(FileName), PageSize); });
}

uint32_t FileCRC32PBPStream(const uint8_t* Data, int64_t Size, int32_t PageSize) {
    return Guarded(0u, [&] {
        auto s = StreamOf(Data, Size);
        return foundation::FileCRC32PBPStream(s, PageSize);
    });
}

uint8_t FileCRC8PBP(const wchar_t* FileName, int32_t PageSize) {
    return Guarded(uint8_t(0), [&] { return foundation::FileCRC8PBP(ToUtf8(FileName), PageSize); });
}

uint8_t FileCRC8PBPStream(const uint8_t* Data, int64_t Size, int32_t PageSize) {
    return Guarded(uint8_t(0), [&] {
        auto s = StreamOf(Data, Size);
        return foundation::FileCRC8PBPStream(s, PageSize);
    });
}

uint8_t FileCRC8PBPStreamBounds(const uint8_t* Data, int64_t Size, int32_t PageSize, int64_t First,
                                int64_t Last) {
    return Guarded(uint8_t(0), [&] {
        auto s = StreamOf(Data, Size);
        return foundation::FileCRC8PBPStreamBounds(s, PageSize, First, Last);
    });
}

bool checkCRC(const wchar_t* FileName, int64_t Position, bool PerPage, int32_t PageSize) {
    return Guarded(false,
                   [&] { return foundation::checkCRC(ToUtf8(FileName), Position, PerPage, PageSize); });
}

// Works on a copy, so the caller's bytes are never touched, not even for a moment.
bool checkCRCStream(const uint8_t* Data, int64_t Size, int64_t Position, bool PerPage, int32_t PageSize) {
    return Guarded(false, [&] {
        auto s = StreamOf(Data, Size);
        return foundation::checkCRCStream(s, Position, PerPage, PageSize);
    });
}

void DoubleWordToLongWord(const double* Value, uint32_t* High, uint32_t* Low) {
    if (!Value || !High || !Low) return;
    foundation::DoubleWordToLongWord(*Value, *High, *Low);
}

void LongWordToDoubleWord(double* Value, uint32_t High, uint32_t Low) {
    if (Value) foundation::LongWordToDoubleWord(*Value, High, Low);
}

int32_t StrToBin(uint8_t* Buffer, const wchar_t* Text, int32_t BufSize) {
    if (!Buffer || !Text || BufSize <= 0) return 0;
    // Only ASCII can be a hex digit; anything else ends the conversion like any other non-digit.
    std::string narrow;
    for (const wchar_t* p = Text; *p && uint32_t(*p) < 0x80; ++p)
        narrow += char(*p);
    return Guarded(0, [&] { return foundation::StrToBin(Buffer, narrow, BufSize); });
}

int32_t BinToStr(const uint8_t* Buffer, int32_t BufSize, wchar_t* Text, int32_t TextCapacity) {
    std::string hex = Guarded(std::string(), [&] { return foundation::BinToStr(Buffer, BufSize); });
    if (Text && TextCapacity > 0) {
        size_t n = std::min(hex.size(), size_t(TextCapacity) - 1);
        for (size_t i = 0; i < n; ++i)
            Text[i] = wchar_t(hex[i]);
        Text[n] = 0;
    }
    return int32_t(hex.size());
}
}
