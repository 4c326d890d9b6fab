#include "foundation/ByteHelpers.h"

#include <cstring>

namespace foundation {

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
} // namespace

void DoubleWordToLongWord(const double& Value, uint32_t& High, uint32_t& Low) {
    static_assert(sizeof(double) == 8);
    uint8_t b[8];
    std::memcpy(b, &Value, 8);
    std::memcpy(&Low, b, 4);
    std::memcpy(&High, b + 4, 4);
}

void LongWordToDoubleWord(double& Value, uint32_t High, uint32_t Low) {
    uint8_t b[8];
    std::memcpy(b, &Low, 4);
    std::memcpy(b + 4, &High, 4);
    std::memcpy(&Value, b, 8);
}

int32_t StrToBin(uint8_t* Buffer, const std::string& Text, int32_t BufSize) {
    int32_t n = 0;
    for (size_t i = 0; n < BufSize && i < Text.size(); i += 2) {
        int hi = HexDigit(Text[i]);
        int lo = i + 1 < Text.size() ? HexDigit(Text[i + 1]) : -1;
        if (hi < 0 || lo < 0) break;
        Buffer[n++] = uint8_t(hi << 4 | lo);
    }
    return n;
}

std::string BinToStr(const uint8_t* Buffer, int32_t BufSize) {
    static const char Digits[] = "0123456789ABCDEF";
    std::string s;
    if (!Buffer || BufSize <= 0) return s;
    s.reserve(size_t(BufSize) * 2);
    for (int32_t i = 0; i < BufSize; ++i) {
        s += Digits[Buffer[i] >> 4];
        s += Digits[Buffer[i] & 0xF];
    }
    return s;
}

} // namespace foundation
