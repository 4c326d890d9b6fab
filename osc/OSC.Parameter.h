// One OSC argument: its type, raw value in host order, text form, conversions and wire encoding.
#pragma once

#include <optional>

#include "osc/Intf.OSC.h"

namespace osc {

// The tag of each type by ordinal; i appears twice, and a received i is always opInteger.
inline constexpr char OSCTypeTags[] = "zifbTFIspi";
char OSCTypeTag(TOSCParameterType AType); // '\0' outside the table
// The first type of the table with this tag, or none.
std::optional<TOSCParameterType> OSCTypeOfTag(char ATag);
std::string OSCTypeDisplayName(TOSCParameterType AType);

class TOSCParameter : public foundation::TIaAObject, public virtual IOSCParameter {
public:
    TOSCParameter() = default;

    foundation::HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;
    TOSCParameterType GetParamType() override { return FParamType; }
    void SetParamType(TOSCParameterType Value) override;
    int32_t GetOSCSize() override;
    int32_t GetAsInt() override { return int32_t(GetAsUInt()); }
    uint32_t GetAsUInt() override;
    bool GetAsBool() override;
    float GetAsFloat() override;
    TAnsiString GetAsAnsiString() override;
    std::string GetAsString() override;
    TBytes GetAsBlob() override { return FData; }
    uint32_t GetAsPointer() override { return Data32(); }
    void SetAsInt(int32_t Value) override { Set32(uint32_t(Value), opInteger); }
    void SetAsUInt(uint32_t Value) override { Set32(Value, opUInteger); }
    void SetAsBool(bool Value) override { FParamType = Value ? opTrue : opFalse; }
    void SetAsFloat(float Value) override;
    void SetAsAnsiString(const TAnsiString& Value) override;
    void SetAsString(const std::string& Value) override;
    void SetAsBlob(const TBytes& Value) override;
    void SetAsPointer(uint32_t Value) override { Set32(Value, opPointer); }
    void* GetSolver() override { return FSolver; }
    void SetSolver(void* Value) override { FSolver = Value; }
    std::string GetName() override { return FParamName; }
    void SetName(const std::string& Value) override { FParamName = Value; }
    std::string GetDescription() override { return FDescription; }
    void SetDescription(const std::string& Value) override { FDescription = Value; }
    TOSCParameterVisibility GetVisibility() override { return FVisibility; }
    void SetVisibility(TOSCParameterVisibility Value) override { FVisibility = Value; }
    bool IsCompatible(IOSCParameter* AParameter) override;
    std::string GetValue() override;
    void SetValue(const std::string& Value) override;
    std::string ToString() override;
    TBytes AsOSCBytes() override;
    void FromOSCBytes(char AType, TOSCCursor& ABytes) override;
    void SaveToXML(IXMLNode* ANode) override;
    void LoadFromXML(IXMLNode* ANode) override;
    void AsInfinitum() override { FParamType = opInfinitum; }

    // Type and data exactly as given, without conversion (documents store them so).
    void SetRaw(TOSCParameterType AType, const TBytes& AData) {
        FParamType = AType;
        FData = AData;
    }

private:
    // The first four data bytes, least significant first; missing bytes read as zero, so no
    // getter reads past the data held.
    uint32_t Data32() const;
    void Set32(uint32_t Value, TOSCParameterType AType);

    TOSCParameterType FParamType = opInvalid;
    TBytes FData;
    std::string FParamName;
    void* FSolver = nullptr;
    std::string FDescription;
    TOSCParameterVisibility FVisibility = opvMandatory;
};

// One argument as read from the wire, before it is stored. Type is empty for an unknown tag, and
// so for p: a pointer from another process means nothing here and carries no bytes we could read.
struct TOSCReceivedArgument {
    std::optional<TOSCParameterType> Type;
    uint32_t Value = 0; // i, and the bits of f
    TBytes Bytes;       // b, s
};
TOSCReceivedArgument ReadOSCArgument(char ATag, TOSCCursor& ABytes);
void ApplyOSCArgument(IOSCParameter* AParameter, const TOSCReceivedArgument& AArgument);

} // namespace osc
