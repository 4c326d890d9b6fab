// The 8-bit Windows code page 1252, in which text without a byte-order mark and the controllers'
// strings are written: the one table behind every conversion to and from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "foundation/Utf8.h"

namespace foundation {

// The code points of 0x80..0x9F; the unassigned bytes keep their own value. Every other byte is
// its own code point.
inline constexpr std::array<char32_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

inline char32_t Cp1252ToCodePoint(uint8_t b) { return b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : b; }

inline std::string Cp1252ToUtf8(const uint8_t* p, size_t n) {
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) AppendUtf8(out, Cp1252ToCodePoint(p[i]));
    return out;
}

// A code point the code page lacks becomes '?'.
inline char CodePointToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
    for (size_t i = 0; i < Cp1252High.size(); ++i)
        if (Cp1252High[i] == c) return char(0x80 + i);
    return '?';
}

} // namespace foundation
