#include "osc/OSC.Utils.h"

#include <cstring>

#include "foundation/Cp1252.h"

namespace osc {

EListError::EListError(int64_t Index)
    : Exception("List index out of bounds (" + std::to_string(Index) + ")") {}

namespace {

char gDecimalSeparator = '.';

} // namespace

std::string AnsiToUTF8(const TAnsiString& S) {
    return foundation::Cp1252ToUtf8(reinterpret_cast<const uint8_t*>(S.data()), S.size());
}

TAnsiString UTF8ToAnsi(const std::string& S) {
    TAnsiString out;
    out.reserve(S.size());
    size_t i = 0;
    while (i < S.size()) {
        auto b = uint8_t(S[i]);
        size_t len = b < 0x80             ? 1
                     : (b & 0xE0) == 0xC0 ? 2
                     : (b & 0xF0) == 0xE0 ? 3
                     : (b & 0xF8) == 0xF0 ? 4
                                          : 0;
        if (len == 0 || i + len > S.size()) { // not UTF-8: one unknown character per byte
            out += '?';
            ++i;
            continue;
        }
        char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            auto cb = uint8_t(S[i + k]);
            if ((cb & 0xC0) != 0x80) ok = false;
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        out += foundation::CodePointToCp1252(c);
        i += len;
    }
    return out;
}

char OSCDecimalSeparator() {
    return gDecimalSeparator;
}
void SetOSCDecimalSeparator(char Value) {
    gDecimalSeparator = Value;
}

TBytes OSCJoin(const std::vector<TBytes>& Parts) {
    TBytes out;
    for (const auto& p : Parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TBytes OSCStringBytes(const TAnsiString& S) {
    TBytes out(OSCStringSize(S.size()), 0);
    std::memcpy(out.data(), S.data(), S.size());
    return out;
}

TBytes OSCUInt32Bytes(uint32_t V) {
    return {uint8_t(V >> 24), uint8_t(V >> 16), uint8_t(V >> 8), uint8_t(V)};
}
TBytes OSCInt32Bytes(int32_t V) {
    return OSCUInt32Bytes(uint32_t(V));
}

TBytes OSCUInt64Bytes(uint64_t V) {
    TBytes out(8);
    for (int i = 0; i < 8; ++i)
        out[size_t(i)] = uint8_t(V >> (56 - 8 * i));
    return out;
}

TBytes OSCBlobBytes(const TBytes& B) {
    TBytes out = OSCUInt32Bytes(uint32_t(B.size()));
    out.insert(out.end(), B.begin(), B.end());
    out.resize(OSCBlobSize(B.size()), 0);
    return out;
}

bool IsPrintableASCII(uint8_t B) {
    return B >= 32 && B <= 126;
}
bool IsHexDigit(char C) {
    return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

TAnsiString TOSCCursor::ReadString() {
    Need(1); // also keeps an empty buffer, whose pointer may be null, away from memchr
    const void* nul = std::memchr(FData + FPos, 0, Remaining());
    if (!nul) throw EOSCMalformed();
    size_t len = size_t(static_cast<const uint8_t*>(nul) - (FData + FPos));
    Need(OSCStringSize(len));
    TAnsiString s(reinterpret_cast<const char*>(FData + FPos), len);
    FPos += OSCStringSize(len);
    return s;
}

uint32_t TOSCCursor::ReadUInt32() {
    Need(4);
    const uint8_t* p = FData + FPos;
    FPos += 4;
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint64_t TOSCCursor::ReadUInt64() {
    Need(8);
    uint64_t hi = ReadUInt32();
    return hi << 32 | ReadUInt32();
}

float TOSCCursor::ReadFloat() {
    uint32_t bits = ReadUInt32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

TBytes TOSCCursor::ReadBlob() {
    Need(4);
    const uint8_t* p = FData + FPos;
    int32_t n = int32_t(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
    if (n < 0 || size_t(n) > Remaining() - 4) throw EOSCMalformed();
    Need(OSCBlobSize(size_t(n)));
    TBytes b(p + 4, p + 4 + n);
    FPos += OSCBlobSize(size_t(n));
    return b;
}

static const uint8_t BundleMark[8] = {'#', 'b', 'u', 'n', 'd', 'l', 'e', 0};

TBytes OSCBundleBytes(uint64_t ATimeTag, const std::vector<TBytes>& AElements) {
    TBytes out(BundleMark, BundleMark + 8);
    TBytes tag = OSCUInt64Bytes(ATimeTag);
    out.insert(out.end(), tag.begin(), tag.end());
    for (const auto& e : AElements) {
        TBytes size = OSCUInt32Bytes(uint32_t(e.size()));
        out.insert(out.end(), size.begin(), size.end());
        out.insert(out.end(), e.begin(), e.end());
    }
    return out;
}

bool IsOSCBundle(const uint8_t* Data, size_t Size) {
    return Size > 8 && std::memcmp(Data, BundleMark, 8) == 0;
}

static void SplitPacket(const uint8_t* Data, size_t Size, int Depth,
                        const std::function<void(const uint8_t*, size_t)>& OnMessage) {
    if (!IsOSCBundle(Data, Size)) return OnMessage(Data, Size);
    if (Depth >= OSCMaxBundleDepth || Size < 17) return;
    size_t pos = 16; // the mark and the time tag, which is not used
    while (Size - pos >= 4) {
        const uint8_t* p = Data + pos;
        uint32_t n = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
        pos += 4;
        if (n > Size - pos) return;
        SplitPacket(Data + pos, n, Depth + 1, OnMessage);
        pos += n;
    }
}

void OSCSplitPacket(const uint8_t* Data, size_t Size,
                    const std::function<void(const uint8_t*, size_t)>& OnMessage) {
    SplitPacket(Data, Size, 0, OnMessage);
}

IPtr<foundation::IXMLAttribute> RequiredAttribute(IXMLNode* ANode, const std::string& AName) {
    auto a = ANode ? ANode->Attribute(AName) : IPtr<foundation::IXMLAttribute>();
    if (!a) throw EOSCDocument("Missing attribute \"" + AName + "\"");
    return a;
}

IPtr<IXMLNode> RequiredChild(IXMLNode* ANode, const std::string& AName) {
    auto c = ANode ? ANode->Child(AName) : IPtr<IXMLNode>();
    if (!c) throw EOSCDocument("Missing node \"" + AName + "\"");
    return c;
}

int32_t RequiredCount(IXMLNode* ANode) {
    int32_t n = RequiredAttribute(ANode, "Count")->GetAsInt();
    if (n < 0)
        throw EOSCDocument("Invalid count " + std::to_string(n) + " in \"" + ANode->GetNodeName() + "\"");
    return n;
}

std::string QuoteBytes(const TBytes& Bytes) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = "\"";
    for (uint8_t b : Bytes) {
        if (b == '$' || b == '"') {
            out += '$';
            out += char(b);
        } else if (IsPrintableASCII(b)) {
            out += char(b);
        } else {
            out += '$';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out + "\"";
}

static uint8_t HexValue(char c) {
    return uint8_t(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
}

TBytes UnquoteBytes(const std::string& Text) {
    TAnsiString t = UTF8ToAnsi(Text); // a character other than the escapes stands for its byte
    if (t.size() < 2 || t.front() != '"' || t.back() != '"') return {};
    TBytes out;
    size_t end = t.size() - 1;
    for (size_t i = 1; i < end; ++i) {
        char c = t[i];
        if (c == '"') return {};
        if (c != '$') {
            out.push_back(uint8_t(c));
            continue;
        }
        if (i + 1 >= end) return {}; // "$" at the very end
        char n = t[i + 1];
        if (n == '$' || n == '"') {
            out.push_back(uint8_t(n));
            ++i;
        } else if (i + 2 < end && IsHexDigit(n) && IsHexDigit(t[i + 2])) {
            out.push_back(uint8_t(HexValue(n) << 4 | HexValue(t[i + 2])));
            i += 2;
        } else {
            return {};
        }
    }
    return out;
}

} // namespace osc
