#include "foundation/XML.Impl.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "foundation/ByteHelpers.h"
#include "foundation/Exceptions.h"
#include "foundation/Cp1252.h"
#include "foundation/Utf8.h"
#include "platform/Clipboard.h"

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace foundation {

namespace {

// ---- text

// Decodes one code point at i (advancing it); malformed input gives U+FFFD and moves on by one byte.
uint32_t NextUtf8(const std::string& s, size_t& i) {
    auto b = [&](size_t k) { return uint8_t(s[k]); };
    uint8_t c = b(i);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return c < 0x80 ? c : 0xFFFD;
    }
    uint32_t cp = len == 1 ? c : c & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = cp << 6 | (b(i + k) & 0x3F);
    }
    i += len;
    return cp;
}

void AppendUtf16LE(TBytes& out, const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        uint32_t c = NextUtf8(s, i);
        if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = 0xFFFD;
        auto unit = [&](uint32_t u) {
            out.push_back(uint8_t(u));
            out.push_back(uint8_t(u >> 8));
        };
        if (c >= 0x10000) {
            c -= 0x10000;
            unit(0xD800 + (c >> 10));
            unit(0xDC00 + (c & 0x3FF));
        } else {
            unit(c);
        }
    }
}

std::string DecodeUtf16(const uint8_t* p, size_t n, bool bigEndian) {
    std::string out;
    auto unit = [&](size_t k) {
        return bigEndian ? uint32_t(p[2 * k] << 8 | p[2 * k + 1]) : uint32_t(p[2 * k] | p[2 * k + 1] << 8);
    };
    size_t units = n / 2;
    for (size_t k = 0; k < units; ++k) {
        uint32_t u = unit(k);
        if (u >= 0xD800 && u < 0xDC00 && k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) < 0xE000) {
            u = 0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
            ++k;
        }
        AppendUtf8(out, u);
    }
    return out;
}

std::string DecodeDocument(const TBytes& b) {
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) return DecodeUtf16(b.data() + 2, b.size() - 2, false);
    if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) return DecodeUtf16(b.data() + 2, b.size() - 2, true);
    if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return std::string(b.begin() + 3, b.end());
    return Cp1252ToUtf8(b.data(), b.size()); // no byte-order mark
}

// Lines end at CR LF, CR or LF; a break at the very end adds no empty line.
TXMLLines SplitLines(const std::string& s) {
    TXMLLines lines;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\r' && s[i] != '\n') continue;
        lines.push_back(s.substr(start, i - start));
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < s.size()) lines.push_back(s.substr(start));
    return lines;
}

// White space and control characters off both ends.
std::string Trim(const std::string& s) {
    size_t a = 0, e = s.size();
    while (a < e && uint8_t(s[a]) <= ' ')
        ++a;
    while (e > a && uint8_t(s[e - 1]) <= ' ')
        --e;
    return s.substr(a, e - a);
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
    std::string out;
    size_t pos = 0;
    for (size_t hit; (hit = s.find(from, pos)) != std::string::npos; pos = hit + from.size())
        out.append(s, pos, hit - pos).append(to);
    out.append(s, pos, std::string::npos);
    s = std::move(out);
}

// The ampersand goes first on the way out and comes back last, so a value that itself contains
// an entity's text survives.
std::string Escape(std::string s) {
    ReplaceAll(s, "&", "&amp;");
    ReplaceAll(s, "\"", "&quot;");
    ReplaceAll(s, "'", "&apos;");
    ReplaceAll(s, "<", "&lt;");
    ReplaceAll(s, ">", "&gt;");
    return s;
}

std::string Unescape(std::string s) {
    ReplaceAll(s, "&quot;", "\"");
    ReplaceAll(s, "&apos;", "'");
    ReplaceAll(s, "&lt;", "<");
    ReplaceAll(s, "&gt;", ">");
    ReplaceAll(s, "&amp;", "&");
    return s;
}

uint32_t FoldCase(uint32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32; // Latin-1
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        bool oddLower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return oddLower ? (c % 2 == 1 ? c + 1 : c) : (c % 2 == 0 ? c + 1 : c); // Latin Extended-A pairs
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32; // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 32;               // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// ---- the tag tokenizer

class TTagTokens {
public:
    explicit TTagTokens(const std::string& Text) : FText(Text) {}
    std::string Name() { return Next(" \"/<=>", true); }
    std::string Value() { return Next("\"", false); }

private:
    std::string Next(const char* delims, bool withNul) {
        auto isDelim = [&](char c) {
            return (withNul && c == '\0') || (c != '\0' && std::strchr(delims, c) != nullptr);
        };
        while (FPos < FText.size() && isDelim(FText[FPos])) {
            if (FText[FPos++] == '"') break;
        }
        if (FPos >= FText.size()) return {};
        size_t start = FPos;
        while (FPos < FText.size() && !isDelim(FText[FPos]))
            ++FPos;
        std::string token = FText.substr(start, FPos - start);
        if (FPos < FText.size()) ++FPos; // past the delimiter
        return token;
    }

    const std::string& FText;
    size_t FPos = 0;
};

[[noreturn]] void InvalidTags() {
    throw Exception("Invalid tags");
}

[[noreturn]] void IndexError(int32_t Index) {
    throw Exception("List index out of bounds (" + std::to_string(Index) + ")");
}

void CheckName(const std::string& Value) {
    if (Value.find(' ') != std::string::npos) throw Exception("NodeNames cannot have spaces");
    if (Value.empty()) throw Exception("NodeNames cannot be blank");
}

thread_local int ReadDepth = 0;

struct TDepthGuard {
    TDepthGuard() {
        if (++ReadDepth > TXMLNode::MaxReadDepth) {
            --ReadDepth;
            InvalidTags();
        }
    }
    ~TDepthGuard() { --ReadDepth; }
};

void SyncToDisk(std::FILE* f) {
#ifdef _WIN32
    _commit(_fileno(f));
#else
    ::fsync(fileno(f));
#endif
}

IPtr<IXMLNode> DoCreateXMLNode(IXMLNode* AParent) {
    return IPtr<IXMLNode>(Make<TXMLNode>(AParent));
}

} // namespace

bool SameText(const std::string& A, const std::string& B) {
    size_t i = 0, j = 0;
    while (i < A.size() && j < B.size())
        if (FoldCase(NextUtf8(A, i)) != FoldCase(NextUtf8(B, j))) return false;
    return i == A.size() && j == B.size();
}

// ---- TXMLNode

TXMLNode::TXMLNode(IXMLNode* AParent) {
    SetParentNode(AParent);
}

HRESULT TXMLNode::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (OfferInterface<IXMLNode>(this, IID, Obj)) return S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

void TXMLNode::BeforeDestruction() {
    if (FParent) SetParentNode(nullptr);
    Clear();
}

void TXMLNode::SetNodeName(const std::string& Value) {
    if (Value == FNodeName) return;
    CheckName(Value);
    if (FParent && FParent->Child(Value)) throw Exception("Name already in use");
    FNodeName = Value;
}

void TXMLNode::SetParentNode(IXMLNode* Value) {
    if (Value == FParent) return;
    IPtr<IXMLNode> keep(Self()); // leaving the old parent may drop the last reference
    if (IXMLNode* old = FParent) {
        old->DeleteChild(Self());
        FParent = nullptr;
    }
    FParent = Value;
    if (Value) Value->AddChild(Self());
}

void TXMLNode::Clear() {
    for (auto& a : FAttributes)
        a->Detach();
    FAttributes.clear();
    while (!FChildNodes.empty()) {
        IPtr<IXMLNode> child = FChildNodes.back();
        FChildNodes.pop_back();
        if (child->GetParentNode().get() == Self()) child->SetParentNode(nullptr);
    }
}

void TXMLNode::CopyToNode(IXMLNode* ADestNode) {
    TXMLLines lines;
    WriteToStrings(lines);
    ADestNode->Clear();
    ADestNode->ReadFromStrings(lines);
}

void TXMLNode::SaveToStream(TStream& AStream) {
    TXMLLines lines{"<?xml version=\"1.0\" encoding=\"UTF-16\"?>"};
    WriteToStrings(lines);
    TBytes out{0xFF, 0xFE};
    for (const auto& line : lines) {
        AppendUtf16LE(out, line);
        AppendUtf16LE(out, "\r\n");
    }
    AStream.Write(out);
}

void TXMLNode::SaveToFile(const std::string& AFileName) {
    TMemoryStream s;
    SaveToStream(s);
    SaveStreamToFile(s, AFileName);
}

void TXMLNode::SaveStreamToFile(TMemoryStream& AStream, const std::string& AFileName) {
    namespace fs = std::filesystem;
    const TBytes& data = AStream.Bytes();
    std::string temp;
    std::FILE* f = nullptr;
    for (int n = 0; n < 100 && !f; ++n) {
        temp = AFileName + ".tmp" + std::to_string(n);
        f = std::fopen(temp.c_str(), "wbx"); // exclusive: never reuse a file someone else writes
        if (!f && errno != EEXIST) break;
    }
    if (!f) throw EOSError("Cannot create file \"" + AFileName + "\"", errno);
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size() && std::fflush(f) == 0;
    int err = errno;
    if (ok) SyncToDisk(f);
    ok = std::fclose(f) == 0 && ok;
    if (ok) {
        std::error_code ec;
        fs::rename(temp, AFileName, ec);
        if (!ec) return;
        err = ec.value();
    } else if (err == 0) {
        err = EIO;
    }
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw EOSError("Cannot write file \"" + AFileName + "\"", err);
}

void TXMLNode::LoadStreamFromFile(TMemoryStream& AStream, const std::string& AFileName) {
    TFileStream f(AFileName, TFileMode::fmOpenRead);
    TBytes data(static_cast<size_t>(std::max<int64_t>(f.GetSize(), 0)));
    f.ReadBuffer(data.data(), data.size());
    AStream = TMemoryStream(std::move(data));
}

void TXMLNode::LoadFromFile(const std::string& AFileName) {
    TMemoryStream s;
    LoadStreamFromFile(s, AFileName);
    LoadFromStream(s);
}

void TXMLNode::LoadFromStream(TStream& AStream) {
    TBytes bytes;
    uint8_t buf[65536];
    for (size_t n; (n = AStream.Read(buf, sizeof buf)) > 0;)
        bytes.insert(bytes.end(), buf, buf + n);
    TXMLLines lines = SplitLines(DecodeDocument(bytes));
    if (!lines.empty() && StartsWithNoCase(lines.front(), "<?xml")) lines.pop_front();
    ReadFromStrings(lines);
}

void TXMLNode::SaveToClipboard(uint32_t AClipboardFormat) {
    TMemoryStream s;
    SaveToStream(s);
    platform::Clipboard().SetData(AClipboardFormat, s.Bytes());
}

void TXMLNode::LoadFromClipboard(uint32_t AClipboardFormat) {
    platform::IClipboard& clipboard = platform::Clipboard();
    if (!clipboard.HasFormat(AClipboardFormat)) return;
    TMemoryStream s(clipboard.GetData(AClipboardFormat));
    LoadFromStream(s);
}

void TXMLNode::WriteToStrings(TXMLLines& Lines) {
    std::string tag = "<" + FNodeName;
    for (auto& a : FAttributes)
        tag += " " + a->GetName() + "=\"" + Escape(a->GetAsStr()) + "\"";
    const bool hasBody = !FNodeValue.empty() || !FChildNodes.empty();
    tag += hasBody ? ">" : "/>";
    Lines.push_back(std::move(tag));
    if (!FNodeValue.empty()) Lines.push_back(Escape(FNodeValue));
    for (auto& c : FChildNodes)
        c->WriteToStrings(Lines);
    if (hasBody) Lines.push_back("</" + FNodeName + ">");
}

void TXMLNode::ReadFromStrings(TXMLLines& Lines) {
    TDepthGuard depth;
    if (Lines.empty()) InvalidTags();
    std::string tag = Trim(Lines[0]);
    if (tag.empty() || tag[0] != '<') InvalidTags();
    while (tag.back() != '>' && Lines.size() > 1) {
        tag += "\r\n" + Lines[1];
        Lines.erase(Lines.begin() + 1);
    }
    if (tag.back() != '>') InvalidTags();

    TTagTokens tokens(tag);
    FNodeName = tokens.Name();
    for (std::string name; !(name = tokens.Name()).empty();) {
        std::string value = Unescape(tokens.Value());
        AddAttribute(name)->SetAsStr(value);
    }

    std::string text;
    for (bool first = true; Lines.size() >= 2; first = false) {
        std::string t = Trim(Lines[1]);
        if (!t.empty() && t[0] == '<') break;
        if (!first) text += "\r\n";
        text += Lines[1];
        Lines.erase(Lines.begin() + 1);
    }
    FNodeValue = Unescape(text);
    Lines.pop_front();

    if (tag.size() >= 2 && tag[tag.size() - 2] == '/') return;
    const std::string closing = "</" + FNodeName + ">";
    while (Lines.size() >= 2 && Trim(Lines[0]) != closing)
        AddChild("NodeX")->ReadFromStrings(Lines);
    // The closing tag is compared even when it is the last line: a truncated file must not pass
    // with its last element silently lost.
    if (Lines.empty() || Trim(Lines[0]) != closing) InvalidTags();
    Lines.pop_front();
}

IPtr<IXMLAttribute> TXMLNode::Attribute(const std::string& AName) {
    for (auto& a : FAttributes)
        if (SameText(a->GetName(), AName)) return IPtr<IXMLAttribute>(a.get());
    return {};
}

IPtr<IXMLAttribute> TXMLNode::Attribute(int32_t AIndex) {
    if (AIndex < 0 || size_t(AIndex) >= FAttributes.size()) IndexError(AIndex);
    return IPtr<IXMLAttribute>(FAttributes[size_t(AIndex)].get());
}

IPtr<IXMLAttribute> TXMLNode::AddAttribute(const std::string& AName) {
    if (Attribute(AName)) throw Exception("Name already in use: " + AName);
    IPtr<TXMLAttribute> a(Make<TXMLAttribute>(Self()));
    a->SetName(AName);
    FAttributes.push_back(a);
    return IPtr<IXMLAttribute>(a.get());
}

void TXMLNode::DeleteAttribute(const std::string& AName) {
    for (auto it = FAttributes.begin(); it != FAttributes.end(); ++it)
        if ((*it)->GetName() == AName) {
            (*it)->Detach();
            FAttributes.erase(it);
            return;
        }
}

IPtr<IXMLNode> TXMLNode::Child(const std::string& AName) {
    for (auto& c : FChildNodes)
        if (SameText(c->GetNodeName(), AName)) return c;
    return {};
}

IPtr<IXMLNode> TXMLNode::Child(int32_t AIndex) {
    if (AIndex < 0 || size_t(AIndex) >= FChildNodes.size()) IndexError(AIndex);
    return FChildNodes[size_t(AIndex)];
}

int32_t TXMLNode::ChildIndex(IXMLNode* AChild) {
    for (size_t i = 0; i < FChildNodes.size(); ++i)
        if (FChildNodes[i].get() == AChild) return int32_t(i);
    return -1;
}

int32_t TXMLNode::ChildIndex(const std::string& AChildName) {
    for (size_t i = 0; i < FChildNodes.size(); ++i)
        if (FChildNodes[i]->GetNodeName() == AChildName) return int32_t(i);
    return -1;
}

IPtr<IXMLNode> TXMLNode::AddChild(const std::string& AName) {
    if (Child(AName)) throw Exception("Name already in use: " + AName);
    IPtr<IXMLNode> child = CreateXMLNode(Self());
    child->SetNodeName(AName);
    return child;
}

IPtr<IXMLNode> TXMLNode::AddChild(IXMLNode* AChild) {
    if (AChild && ChildIndex(AChild) < 0) FChildNodes.emplace_back(AChild);
    return IPtr<IXMLNode>(AChild);
}

void TXMLNode::DeleteChild(const std::string& AName) {
    int32_t i = ChildIndex(AName);
    if (i >= 0) DeleteChild(FChildNodes[size_t(i)].get());
}

void TXMLNode::DeleteChild(IXMLNode* AChild) {
    int32_t i = ChildIndex(AChild);
    if (i < 0) return;
    IPtr<IXMLNode> child = FChildNodes[size_t(i)];
    FChildNodes.erase(FChildNodes.begin() + i);
    if (child->GetParentNode().get() == Self()) child->SetParentNode(nullptr);
}

IPtr<IXMLNode> TXMLNode::FirstChild() {
    return FChildNodes.empty() ? IPtr<IXMLNode>() : FChildNodes.front();
}
IPtr<IXMLNode> TXMLNode::LastChild() {
    return FChildNodes.empty() ? IPtr<IXMLNode>() : FChildNodes.back();
}

IPtr<IXMLNode> TXMLNode::Sibling(int Step) {
    if (!FParent) return {};
    int32_t i = FParent->ChildIndex(Self());
    if (i < 0) return {};
    int32_t j = i + Step;
    if (j < 0 || j >= FParent->ChildCount()) return {};
    return FParent->Child(j);
}

IPtr<IXMLNode> TXMLNode::NextSibling() {
    return Sibling(1);
}
IPtr<IXMLNode> TXMLNode::PrevSibling() {
    return Sibling(-1);
}

// ---- TXMLAttribute

HRESULT TXMLAttribute::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (OfferInterface<IXMLAttribute>(this, IID, Obj)) return S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

void TXMLAttribute::SetName(const std::string& Value) {
    if (Value == FName) return;
    CheckName(Value);
    if (FNode && FNode->Attribute(Value)) throw Exception("Name already in use");
    FName = Value;
}

void TXMLAttribute::SetAsBytes(const TBytes& Value) {
    FValue = BinToStr(Value.data(), int32_t(Value.size()));
}

TBytes TXMLAttribute::GetAsBytes() {
    TBytes b(FValue.size() / 2);
    StrToBin(b.data(), FValue, int32_t(b.size()));
    return b;
}

void TXMLAttribute::SetAsFloat(double Value) {
    uint8_t b[8];
    std::memcpy(b, &Value, 8);
    FValue = BinToStr(b, 8);
}

// Anything but 16 hexadecimal digits reads as 0.
double TXMLAttribute::GetAsFloat() {
    uint8_t b[8] = {};
    if (FValue.size() != 16 || StrToBin(b, FValue, 8) != 8) return 0.0;
    double v;
    std::memcpy(&v, b, 8);
    return v;
}

double TXMLAttribute::GetAsFloatDirect() {
    auto parse = [](std::string s, double& v) {
        s = Trim(s);
        if (!s.empty() && s[0] == '+') s.erase(0, 1);
        auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        return !s.empty() && ec == std::errc() && end == s.data() + s.size();
    };
    double v = 0;
    if (parse(FValue, v)) return v;
    if (FValue.find('.') == std::string::npos) {
        std::string comma = FValue;
        std::replace(comma.begin(), comma.end(), ',', '.');
        if (parse(comma, v)) return v;
    }
    throw Exception("'" + FValue + "' is not a valid floating point value");
}

int32_t TXMLAttribute::GetAsInt() {
    std::string s = Trim(FValue);
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    int32_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && end == s.data() + s.size() && !s.empty() ? v : 0;
}

bool TXMLAttribute::GetAsBool() {
    if (SameText(FValue, "True")) return true;
    if (SameText(FValue, "False")) return false;
    std::string s = Trim(FValue);
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size() && v != 0;
}

// ---- entry point

IPtr<IXMLNode> (*CreateXMLNode)(IXMLNode* AParent) = nullptr;

void InstallXMLNodes() {
    CreateXMLNode = DoCreateXMLNode;
}

} // namespace foundation
