// The checksum and byte functions every program exports by name for other programs to call.
// Text is a wide string; a memory stream is passed as its content (pointer and length), and no
// failure crosses this boundary as an exception: it becomes the failure value (0 or false).
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

uint8_t genCRC8(const uint8_t* Data, int32_t Count);
uint8_t getCRC8array(const uint8_t* Arr, int32_t ArrLength, int32_t Count);
uint32_t FileCRC32(const wchar_t* FileName);
uint32_t FileCRC32Stream(const uint8_t* Data, int64_t Size);
uint32_t FileCRC32PBP(const wchar_t* FileName, int32_t PageSize);
uint32_t FileCRC32PBPStream(const uint8_t* Data, int64_t Size, int32_t PageSize);
uint8_t FileCRC8PBP(const wchar_t* FileName, int32_t PageSize);
uint8_t FileCRC8PBPStream(const uint8_t* Data, int64_t Size, int32_t PageSize);
uint8_t FileCRC8PBPStreamBounds(const uint8_t* Data, int64_t Size, int32_t PageSize, int64_t First,
                                int64_t Last);
bool checkCRC(const wchar_t* FileName, int64_t Position, bool PerPage, int32_t PageSize);
bool checkCRCStream(const uint8_t* Data, int64_t Size, int64_t Position, bool PerPage, int32_t PageSize);
void DoubleWordToLongWord(const double* Value, uint32_t* High, uint32_t* Low);
void LongWordToDoubleWord(double* Value, uint32_t High, uint32_t Low);
// Returns the number of bytes written.
int32_t StrToBin(uint8_t* Buffer, const wchar_t* Text, int32_t BufSize);
// Writes at most TextCapacity characters including the terminating zero; returns the number of
// characters the whole text needs without the zero (2 × BufSize).
int32_t BinToStr(const uint8_t* Buffer, int32_t BufSize, wchar_t* Text, int32_t TextCapacity);
}
