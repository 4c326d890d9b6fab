// Byte arrays and the small stream classes that carry device memory images and files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace foundation {

using TBytes = std::vector<uint8_t>;

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to Count bytes; returns how many were read (fewer only at the end).
    virtual size_t Read(void* Buffer, size_t Count) = 0;
    // Writes all Count bytes or raises.
    virtual void Write(const void* Buffer, size_t Count) = 0;
    virtual int64_t GetPosition() = 0;
    virtual void SetPosition(int64_t Pos) = 0;
    virtual int64_t GetSize() = 0;

    // Reads exactly Count bytes or raises "Stream read error".
    void ReadBuffer(void* Buffer, size_t Count);
    void Write(const TBytes& Bytes) { Write(Bytes.data(), Bytes.size()); }
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(TBytes Data) : FData(std::move(Data)) {}
    using TStream::Write;
    size_t Read(void* Buffer, size_t Count) override;
    void Write(const void* Buffer, size_t Count) override;
    int64_t GetPosition() override { return int64_t(FPos); }
    void SetPosition(int64_t Pos) override;
    int64_t GetSize() override { return int64_t(FData.size()); }
    const TBytes& Bytes() const { return FData; }

private:
    TBytes FData;
    size_t FPos = 0;
};

enum class TFileMode { fmCreate, fmOpenRead };

class TFileStream : public TStream {
public:
    // fmCreate creates or truncates the file; fmOpenRead opens an existing one. Raises on failure.
    TFileStream(const std::string& FileName, TFileMode Mode);
    ~TFileStream() override;
    using TStream::Write;
    size_t Read(void* Buffer, size_t Count) override;
    void Write(const void* Buffer, size_t Count) override;
    int64_t GetPosition() override;
    void SetPosition(int64_t Pos) override;
    int64_t GetSize() override;
    // Flushes and closes, raising when the data did not reach the file.
    void Close();

private:
    std::FILE* FFile = nullptr;
};

} // namespace foundation
