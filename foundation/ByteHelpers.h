// Splitting a 64-bit value into two 32-bit words and back (time stamps travel so), and bytes to
// and from hexadecimal text.
#pragma once

#include <cstdint>
#include <string>

namespace foundation {

// High is bytes 4 to 7 of the value in memory order, Low bytes 0 to 3; every bit pattern (the
// infinities and not-a-number included) survives the round trip.
void DoubleWordToLongWord(const double& Value, uint32_t& High, uint32_t& Low);
void LongWordToDoubleWord(double& Value, uint32_t High, uint32_t Low);

// Two hexadecimal digits (either case) per byte into at most BufSize bytes, stopping at the first
// character that is not a hexadecimal digit; returns the number of bytes written.
int32_t StrToBin(uint8_t* Buffer, const std::string& Text, int32_t BufSize);
// Two upper-case digits per byte, in order.
std::string BinToStr(const uint8_t* Buffer, int32_t BufSize);

} // namespace foundation
