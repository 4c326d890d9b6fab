// CRC-32 (zlib's) and CRC-8 (polynomial 0x07) checksums of buffers, memory streams and files, whole
// or page by page, and the test of a checksum stored inside a file; firmware files are checked so.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/Streams.h"

namespace foundation {

// One CRC-32 step over Count bytes without the final inversion; start from 0xFFFFFFFF.
uint32_t UpdateCRC32(uint32_t Crc, const uint8_t* Data, size_t Count);

uint8_t genCRC8(const uint8_t* Data, int32_t Count);
// Count beyond the array's length is cut to the length.
uint8_t getCRC8array(const TBytes& Arr, int32_t Count);

// The stream forms use the stream's whole content, whatever its position, and leave the position
// where it was. A page size of 0 or less gives the failure value.
uint32_t FileCRC32Stream(TMemoryStream& S);
uint32_t FileCRC32PBPStream(TMemoryStream& S, int32_t PageSize);
// Raises "Stream read error" when a page cannot be read whole.
uint8_t FileCRC8PBPStream(TMemoryStream& S, int32_t PageSize);
// Bytes First to Last inclusive; 0 when the range lies outside the content or any step fails.
uint8_t FileCRC8PBPStreamBounds(TMemoryStream& S, int32_t PageSize, int64_t First, int64_t Last);
// False when the 4 stored bytes at Position do not lie wholly inside the content.
bool checkCRCStream(TMemoryStream& S, int64_t Position, bool PerPage, int32_t PageSize);

// The file forms read the whole file first; an unreadable file gives 0 or false.
uint32_t FileCRC32(const std::string& FileName);
uint32_t FileCRC32PBP(const std::string& FileName, int32_t PageSize);
uint8_t FileCRC8PBP(const std::string& FileName, int32_t PageSize);
bool checkCRC(const std::string& FileName, int64_t Position, bool PerPage, int32_t PageSize);

// The number of pages a page-by-page checksum accounts for: size / page size + 0.5 rounded half
// to even, which is one more than needed for an exact odd multiple of the page size.
int64_t PBPPageCount(int64_t Size, int32_t PageSize);

} // namespace foundation
