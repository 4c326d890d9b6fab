#include "osc/OSC.Parameter.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "osc/OSC.Utils.h"

namespace osc {

using foundation::HRESULT;

namespace {

const char* const DisplayNames[OSCParameterTypeCount] = {
    "Invalid",        "Integer (number)", "Float (float number)", "Blob",
    "Boolean (T, F)", "Boolean (T, F)",   "Infinitum (I)",        "String",
    "Pointer",        "Unsigned Integer"};

bool Is32Bit(TOSCParameterType t) {
    return t == opInteger || t == opFloat || t == opPointer || t == opUInteger;
}

bool IsNumeric(TOSCParameterType t) {
    return t == opInteger || t == opFloat || t == opTrue || t == opFalse || t == opUInteger;
}

foundation::Exception UnknownDataType() {
    return foundation::Exception("Unknown data type!");
}

std::string Trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

template <class T> T ParseInteger(const std::string& text) {
    std::string t = Trimmed(text);
    const char* b = t.data();
    if (!t.empty() && t[0] == '+') ++b;
    T v{};
    auto [ptr, ec] = std::from_chars(b, t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || ptr != t.data() + t.size())
        throw EConvertError("'" + text + "' is not a valid integer value");
    return v;
}

float ParseFloat(const std::string& text) {
    std::string t = Trimmed(text);
    for (char& c : t)
        if (c == OSCDecimalSeparator()) c = '.';
    const char* b = t.data();
    if (!t.empty() && t[0] == '+') ++b;
    double v = 0;
    auto [ptr, ec] = std::from_chars(b, t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(v) ||
        std::fabs(v) > double(std::numeric_limits<float>::max()))
        throw EConvertError("'" + text + "' is not a valid floating point value");
    return float(v);
}

// Two decimals, with at most ten significant digits; larger values in exponent form. Written
// without the C library's locale, which the toolkit sets to the user's: the separator is ours.
std::string FormatFloat(float f) {
    if (std::isnan(f)) return "NAN";
    if (std::isinf(f)) return f > 0 ? "INF" : "-INF";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, double(f), std::chars_format::scientific, 9);
    double rounded = 0;
    std::from_chars(buf, r.ptr, rounded);
    if (std::fabs(rounded) >= 1e10) {
        r = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::scientific, 9);
        for (char* c = buf; c != r.ptr; ++c)
            if (*c == 'e') *c = 'E';
    } else {
        r = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, 2);
    }
    std::string s(buf, r.ptr);
    if (s == "-0.00") s = "0.00";
    for (char& c : s)
        if (c == '.') c = OSCDecimalSeparator();
    return s;
}

} // namespace

char OSCTypeTag(TOSCParameterType AType) {
    return AType < OSCParameterTypeCount ? OSCTypeTags[AType] : '\0';
}

std::optional<TOSCParameterType> OSCTypeOfTag(char ATag) {
    for (int i = 0; i < OSCParameterTypeCount; ++i)
        if (OSCTypeTags[i] == ATag) return TOSCParameterType(i);
    return std::nullopt;
}

std::string OSCTypeDisplayName(TOSCParameterType AType) {
    return AType < OSCParameterTypeCount ? DisplayNames[AType] : std::string();
}

HRESULT TOSCParameter::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (foundation::OfferInterface<IOSCParameter>(this, IID, Obj)) return foundation::S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

uint32_t TOSCParameter::Data32() const {
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && i < FData.size(); ++i)
        v |= uint32_t(FData[i]) << (8 * i);
    return v;
}

void TOSCParameter::Set32(uint32_t Value, TOSCParameterType AType) {
    FData = {uint8_t(Value), uint8_t(Value >> 8), uint8_t(Value >> 16), uint8_t(Value >> 24)};
    FParamType = AType;
}

void TOSCParameter::SetParamType(TOSCParameterType Value) {
    FParamType = Value;
    FData.resize(Is32Bit(Value) ? 4 : 0, 0);
}

int32_t TOSCParameter::GetOSCSize() {
    if (Is32Bit(FParamType)) return 4;
    if (FParamType == opBlob) return int32_t(OSCBlobSize(FData.size()));
    if (FParamType == opString) return int32_t(OSCStringSize(FData.size()));
    return 0;
}

uint32_t TOSCParameter::GetAsUInt() {
    switch (FParamType) {
    case opInteger:
    case opUInteger:
        return Data32();
    case opFloat: {
        double f = GetAsFloat();
        // Halves go to the even neighbour (the default rounding mode); what cannot be an
        // integer gives 0.
        if (!std::isfinite(f) || std::fabs(f) >= 9.2e18) return 0;
        return uint32_t(int64_t(std::nearbyint(f)));
    }
    case opTrue:
        return 1;
    default:
        return 0;
    }
}

float TOSCParameter::GetAsFloat() {
    switch (FParamType) {
    case opFloat: {
        uint32_t bits = Data32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    case opInteger:
        return float(int32_t(Data32()));
    case opTrue:
    case opFalse:
    case opUInteger:
        return float(GetAsUInt());
    default:
        return 0;
    }
}

bool TOSCParameter::GetAsBool() {
    switch (FParamType) {
    case opTrue:
        return true;
    case opFloat:
        return GetAsFloat() != 0;
    case opInteger:
    case opUInteger:
        return Data32() != 0;
    default:
        return false;
    }
}

TAnsiString TOSCParameter::GetAsAnsiString() {
    return FParamType == opString ? TAnsiString(FData.begin(), FData.end()) : TAnsiString();
}

std::string TOSCParameter::GetAsString() {
    return AnsiToUTF8(GetAsAnsiString());
}

void TOSCParameter::SetAsFloat(float Value) {
    uint32_t bits;
    std::memcpy(&bits, &Value, 4);
    Set32(bits, opFloat);
}

void TOSCParameter::SetAsAnsiString(const TAnsiString& Value) {
    FData.assign(Value.begin(), Value.end());
    FParamType = opString;
}

void TOSCParameter::SetAsString(const std::string& Value) {
    SetAsAnsiString(UTF8ToAnsi(Value));
}

void TOSCParameter::SetAsBlob(const TBytes& Value) {
    FData = Value;
    FParamType = opBlob;
}

bool TOSCParameter::IsCompatible(IOSCParameter* AParameter) {
    if (!AParameter) return false;
    TOSCParameterType other = AParameter->GetParamType();
    return other == FParamType || (IsNumeric(other) && IsNumeric(FParamType));
}

std::string TOSCParameter::GetValue() {
    switch (FParamType) {
    case opInteger:
        return std::to_string(int32_t(Data32()));
    case opFloat:
        return FormatFloat(GetAsFloat());
    case opBlob:
    case opString:
        return QuoteBytes(FData);
    case opTrue:
        return "T";
    case opFalse:
        return "F";
    case opInfinitum:
        return "I";
    case opPointer:
    case opUInteger:
        return std::to_string(Data32());
    default:
        throw UnknownDataType();
    }
}

void TOSCParameter::SetValue(const std::string& Value) {
    bool zero = Value.empty() || Value == "-";
    switch (FParamType) {
    case opInteger:
    case opPointer:
        SetAsInt(zero ? 0 : ParseInteger<int32_t>(Value));
        break;
    case opFloat:
        SetAsFloat(zero ? 0.0f : ParseFloat(Value));
        break;
    case opBlob:
        SetAsBlob(UnquoteBytes(Value));
        break;
    case opTrue:
    case opFalse: {
        std::string l;
        for (char c : Value)
            l += char(std::tolower(uint8_t(c)));
        SetAsBool(l == "t" || l == "true" || l == "1");
        break;
    }
    case opString: {
        TBytes b = UnquoteBytes(Value);
        SetAsAnsiString(TAnsiString(b.begin(), b.end()));
        break;
    }
    case opUInteger:
        SetAsUInt(uint32_t(zero ? 0 : ParseInteger<int64_t>(Value)));
        break;
    default: // opInfinitum stays, opInvalid takes no value
        break;
    }
}

std::string TOSCParameter::ToString() {
    switch (FParamType) {
    case opInvalid:
        return "Invalid";
    case opTrue:
        return "True";
    case opFalse:
        return "False";
    case opInfinitum:
        return "\u221E";
    default:
        return FParamType < OSCParameterTypeCount ? GetValue() : std::string();
    }
}

TBytes TOSCParameter::AsOSCBytes() {
    switch (FParamType) {
    case opInvalid:
    case opTrue:
    case opFalse:
    case opInfinitum:
        return {};
    case opInteger:
    case opUInteger:
    case opFloat:
        return OSCUInt32Bytes(Data32());
    case opString:
        return OSCStringBytes(GetAsAnsiString());
    case opBlob:
        return OSCBlobBytes(FData);
    default:
        throw UnknownDataType();
    }
}

TOSCReceivedArgument ReadOSCArgument(char ATag, TOSCCursor& ABytes) {
    TOSCReceivedArgument a;
    std::optional<TOSCParameterType> t = OSCTypeOfTag(ATag);
    if (!t || *t == opPointer) return a;
    a.Type = t;
    switch (*t) {
    case opInteger:
    case opFloat:
        a.Value = ABytes.ReadUInt32();
        break;
    case opBlob:
        a.Bytes = ABytes.ReadBlob();
        break;
    case opString: {
        TAnsiString s = ABytes.ReadString();
        a.Bytes.assign(s.begin(), s.end());
        break;
    }
    default:
        break;
    }
    return a;
}

void ApplyOSCArgument(IOSCParameter* P, const TOSCReceivedArgument& A) {
    if (!A.Type) return;
    switch (*A.Type) {
    case opInteger:
        return P->SetAsInt(int32_t(A.Value));
    case opFloat: {
        float f;
        std::memcpy(&f, &A.Value, 4);
        return P->SetAsFloat(f);
    }
    case opBlob:
        return P->SetAsBlob(A.Bytes);
    case opString:
        return P->SetAsAnsiString(TAnsiString(A.Bytes.begin(), A.Bytes.end()));
    case opTrue:
    case opFalse:
        return P->SetAsBool(*A.Type == opTrue);
    case opInfinitum:
        return P->AsInfinitum();
    default:
        return P->SetParamType(*A.Type);
    }
}

void TOSCParameter::FromOSCBytes(char AType, TOSCCursor& ABytes) {
    ApplyOSCArgument(this, ReadOSCArgument(AType, ABytes));
}

} // namespace osc

namespace osc {

void TOSCParameter::SaveToXML(IXMLNode* ANode) {
    ANode->AddAttribute("OSCParam_Type")->SetAsInt(FParamType);
    ANode->AddAttribute("OSCParam_Visibility")->SetAsInt(FVisibility);
    ANode->AddAttribute("OSCParam_Value")->SetAsBytes(FData);
    ANode->AddAttribute("OSCParam_Name")->SetAsStr(FParamName);
    ANode->AddAttribute("OSCParam_Desc")->SetAsStr(FDescription);
}

void TOSCParameter::LoadFromXML(IXMLNode* ANode) {
    // All read and checked first: a failed load changes nothing.
    int32_t type = RequiredAttribute(ANode, "OSCParam_Type")->GetAsInt();
    int32_t visibility = RequiredAttribute(ANode, "OSCParam_Visibility")->GetAsInt();
    TBytes data = RequiredAttribute(ANode, "OSCParam_Value")->GetAsBytes();
    std::string name = RequiredAttribute(ANode, "OSCParam_Name")->GetAsStr();
    std::string desc = RequiredAttribute(ANode, "OSCParam_Desc")->GetAsStr();
    // Type ordinals outside the table are kept (they read as unknown); beyond a byte they cannot be.
    if (type < 0 || type > 255) throw EOSCDocument("Invalid argument type " + std::to_string(type));
    if (visibility < opvMandatory || visibility > opvOptionalVisible)
        throw EOSCDocument("Invalid argument visibility " + std::to_string(visibility));
    FParamType = TOSCParameterType(type);
    FVisibility = TOSCParameterVisibility(visibility);
    FData = std::move(data);
    FParamName = std::move(name);
    FDescription = std::move(desc);
}

} // namespace osc
