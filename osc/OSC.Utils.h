// The byte routines of OSC: big-endian numbers, padded strings and blobs, the checked read cursor,
// the bundle layout, the quoted text form of bytes and the one conversion to the 8-bit code page.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/Exceptions.h"
#include "osc/Intf.OSC.h"

namespace osc {

// Received bytes that do not hold what they announce; the receiver drops the whole message.
class EOSCMalformed : public foundation::Exception {
public:
    EOSCMalformed() : Exception("Malformed OSC data") {}
};

// Number text that does not convert.
class EConvertError : public foundation::Exception {
public:
    using Exception::Exception;
};

// An index outside a list.
class EListError : public foundation::Exception {
public:
    explicit EListError(int64_t Index);
};

// The only place where text crosses between UTF-8 and the wire's Windows-1252. Characters the code
// page lacks become "?"; the five unassigned bytes map to the control characters of the same value.
TAnsiString UTF8ToAnsi(const std::string& S);
std::string AnsiToUTF8(const TAnsiString& S);

// The decimal separator of the user's locale, used by the text form of floats.
char OSCDecimalSeparator();
void SetOSCDecimalSeparator(char Value);

TBytes OSCJoin(const std::vector<TBytes>& Parts);
TBytes OSCStringBytes(const TAnsiString& S); // 1 to 4 NULs up to a multiple of four
TBytes OSCInt32Bytes(int32_t V);
TBytes OSCUInt32Bytes(uint32_t V);
TBytes OSCUInt64Bytes(uint64_t V);
TBytes OSCBlobBytes(const TBytes& B); // length, data, 0 to 3 zeros
bool IsPrintableASCII(uint8_t B);
bool IsHexDigit(char C);

// Size on the wire of a string or blob of N bytes.
inline size_t OSCStringSize(size_t N) {
    return N - N % 4 + 4;
}
inline size_t OSCBlobSize(size_t N) {
    return 4 + (N + 3) / 4 * 4;
}

// Reads OSC data from bytes it does not own. Every read checks the bytes left and raises
// EOSCMalformed without moving when they do not suffice.
class TOSCCursor {
public:
    TOSCCursor(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}
    explicit TOSCCursor(const TBytes& Bytes) : TOSCCursor(Bytes.data(), Bytes.size()) {}

    size_t Position() const { return FPos; }
    size_t Remaining() const { return FSize - FPos; }
    bool AtEnd() const { return FPos == FSize; }

    TAnsiString ReadString(); // needs a NUL and the whole padding
    int32_t ReadInt32() { return int32_t(ReadUInt32()); }
    uint32_t ReadUInt32();
    uint64_t ReadUInt64();
    float ReadFloat();
    TBytes ReadBlob(); // a length that is negative or beyond the data is malformed

private:
    void Need(size_t N) const {
        if (N > Remaining()) throw EOSCMalformed();
    }
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

// Bundle layout: "#bundle", an 8-byte time tag, then each element preceded by its 4-byte size.
TBytes OSCBundleBytes(uint64_t ATimeTag, const std::vector<TBytes>& AElements);
bool IsOSCBundle(const uint8_t* Data, size_t Size);

// Bundles deeper than this are not taken apart: the limit bounds the work a packet can cause.
inline constexpr int OSCMaxBundleDepth = 8;

// Hands each message of a packet to OnMessage in order, taking nested bundles apart. Element sizes
// are unsigned and must fit in what remains; an element that does not ends its bundle.
void OSCSplitPacket(const uint8_t* Data, size_t Size,
                    const std::function<void(const uint8_t* Data, size_t Size)>& OnMessage);

// A stored document lacking what an OSC argument or method needs; the load fails with it.
class EOSCDocument : public foundation::Exception {
public:
    using Exception::Exception;
};
IPtr<foundation::IXMLAttribute> RequiredAttribute(IXMLNode* ANode, const std::string& AName);
IPtr<IXMLNode> RequiredChild(IXMLNode* ANode, const std::string& AName);
// A "Count" attribute: at least 0.
int32_t RequiredCount(IXMLNode* ANode);

// Quoted text form of blob and string values: "$$", "$" + quote, "$" + two hex digits for bytes
// that are not printable. An invalid text reads as empty.
std::string QuoteBytes(const TBytes& Bytes);
TBytes UnquoteBytes(const std::string& Text);

} // namespace osc
