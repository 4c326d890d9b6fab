#include "foundation/Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/Exceptions.h"

namespace foundation {

void TStream::ReadBuffer(void* Buffer, size_t Count) {
    if (Read(Buffer, Count) != Count) throw Exception("Stream read error");
}

size_t TMemoryStream::Read(void* Buffer, size_t Count) {
    size_t n = FPos < FData.size() ? std::min(Count, FData.size() - FPos) : 0;
    if (n) std::memcpy(Buffer, FData.data() + FPos, n);
    FPos += n;
    return n;
}

void TMemoryStream::Write(const void* Buffer, size_t Count) {
    if (FPos + Count > FData.size()) FData.resize(FPos + Count);
    if (Count) std::memcpy(FData.data() + FPos, Buffer, Count);
    FPos += Count;
}

void TMemoryStream::SetPosition(int64_t Pos) { FPos = Pos < 0 ? 0 : size_t(Pos); }

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) {
    FFile = std::fopen(FileName.c_str(), Mode == TFileMode::fmCreate ? "w+b" : "rb");
    if (!FFile)
        throw EOSError(std::string(Mode == TFileMode::fmCreate ? "Cannot create file \"" : "Cannot open file \"") +
                           FileName + "\"",
                       errno);
}

TFileStream::~TFileStream() {
    if (FFile) std::fclose(FFile);
}

size_t TFileStream::Read(void* Buffer, size_t Count) { return std::fread(Buffer, 1, Count, FFile); }

void TFileStream::Write(const void* Buffer, size_t Count) {
    if (std::fwrite(Buffer, 1, Count, FFile) != Count) throw EOSError("Stream write error", errno);
}

int64_t TFileStream::GetPosition() { return std::ftell(FFile); }

void TFileStream::SetPosition(int64_t Pos) { std::fseek(FFile, long(Pos), SEEK_SET); }

int64_t TFileStream::GetSize() {
    long here = std::ftell(FFile);
    std::fseek(FFile, 0, SEEK_END);
    long size = std::ftell(FFile);
    std::fseek(FFile, here, SEEK_SET);
    return size;
}

void TFileStream::Close() {
    if (!FFile) return;
    std::FILE* f = FFile;
    FFile = nullptr;
    if (std::fclose(f) != 0) throw EOSError("Stream write error", errno);
}

} // namespace foundation
