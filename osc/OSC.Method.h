// OSC methods built from footprints: address patterns with name parameters, matching, encoding
// and decoding; the receivers that hold expected methods with their callbacks.
#pragma once

#include "osc/Intf.OSC.h"
#include "osc/OSC.Utils.h"

namespace osc {

class TOSCMethod : public foundation::TIaAObject, public virtual IOSCMethod {
public:
    TOSCMethod() = default;

    foundation::HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;
    std::string GetOSCMethodDescription() override { return FMethodDescription; }
    std::string GetOSCMethodName() override { return FMethodName; }
    int32_t GetOSCParameterCount() override { return int32_t(FParameters.size()); }
    TAnsiString GetOSCMethodAddress() override;
    void SetOSCMethodAddressUnresolved(const std::string& Value) override {
        FMethodAddress = UTF8ToAnsi(Value);
    }
    TAnsiString GetOSCMethodAddressUnresolved() override { return FMethodAddress; }
    IPtr<IOSCParameter> getParameters(int32_t Index) override;
    IPtr<IOSCParameter> getParametersS(const std::string& Name) override;
    int32_t GetOSCNameParametersCountTx() override { return int32_t(FNameParametersTxName.size()); }
    std::string getNameParametersDescriptionTx(int32_t Index) override;
    std::string getNameParametersNameTx(int32_t Index) override;
    std::string getNameParametersValueTx(int32_t Index) override;
    void setNameParametersValueTx(int32_t Index, const std::string& Value) override;
    void* GetSolver() override { return FSolver; }
    void SetSolver(void* Value) override;
    bool GetLocalFeedback() override { return FLocalFeedback; }
    void SetLocalFeedback(bool Value) override { FLocalFeedback = Value; }
    std::string getNameParametersRx(const TOSCMethodFootprint& Footprint, int32_t Index) override;
    IPtr<IOSCParameter> OSCCreateParameter() override;
    IPtr<IOSCParameter> OSCCreateParameter(TOSCParameterType AType) override;
    void OSCDestroyParameter(IOSCParameter* AParameter) override;
    void OSCDestroyParameter(int32_t Index) override;
    void OSCParametersClear() override;
    bool IsCompatible(IOSCMethod* AMethod) override;
    bool IsCompatible(const TOSCMethodFootprint& AFootprint) override;
    TBytes AsOSCBytes() override;
    TAnsiString AsASCIIString(char HexMarker) override;
    std::string ToString() override;
    void DeleteHiddenParameters() override;
    void SaveToXML(IXMLNode* ANode) override;
    void LoadFromXML(IXMLNode* ANode) override;
    void FromOSCBytes(const TBytes& ABytes, bool APreserveFootprint) override;
    void FromOSCBytes(TOSCCursor& ABytes, bool APreserveFootprint) override;
    void FromOSCBytes(const TBytes& ABytes, const TOSCMethodFootprint& AFootprint) override;
    void FromFootprint(const TOSCMethodFootprint& AFootprint) override;
    void FromFootprint(const TOSCMethodFootprint& AFootprint,
                       const std::vector<std::string>& Values) override;
    void FromMethod(IOSCMethod* AMethod) override;

protected:
    void BeforeDestruction() override { FParameters.clear(); }

private:
    bool FCanResolveAddr = false;
    TAnsiString FMethodAddress;
    std::string FMethodName, FMethodDescription;
    std::vector<IPtr<IOSCParameter>> FParameters;
    std::vector<std::string> FNameParametersTxName, FNameParametersTxValue, FNameParametersTxDesc;
    void* FSolver = nullptr;
    bool FLocalFeedback = false;
};

class TOSCMethodReceiverDefault : public foundation::TIaAObject, public virtual IOSCMethodReceiverDefault {
public:
    TOSCMethodReceiverDefault() = default;

    foundation::HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;
    IPtr<IOSCMethod> getOSCMethod(int32_t Index) override;
    int32_t GetOSCMethodCount() override { return int32_t(FMethodsList.size()); }
    void OSCMethodCallBack(IOSCServer* AServer, IOSCMethod* AMethod, int32_t AMethodIndex) override;
    TOSCCallBack GetOnCallBack() override { return FOnCallBack; }
    void SetOnCallBack(TOSCCallBack Value) override { FOnCallBack = std::move(Value); }
    void AddOSCMethod(IOSCMethod* AMethod, TOSCCallBack AOSCCallback) override;
    void AddOSCMethod(const TOSCMethodFootprint& AFootprint, TOSCCallBack AOSCCallback) override;
    void DeleteOSCMethod(IOSCMethod* AMethod) override;
    void DeleteOSCMethod(const TOSCMethodFootprint& AFootprint) override;

protected:
    void BeforeDestruction() override { FMethodsList.clear(); }

private:
    std::vector<TOSCMethodCallback> FMethodsList;
    TOSCCallBack FOnCallBack;
};

// The address rules on their own: one segment pair, and two whole unresolved addresses.
bool OSCSegmentsMatch(const std::string& A, const std::string& B);
bool OSCAddressesMatch(const TAnsiString& A, const TAnsiString& B);

// Offers AMethod to every expected method of AHandler that is compatible with it; an error raised
// by a callback is swallowed and the next expected method is tried.
void OSCDispatch(IOSCServer* AServer, IOSCMethodHandler* AHandler, IOSCMethod* AMethod);

// Decodes a received packet (a message or a bundle of them) into new methods, handed to OnMethod in
// order. A malformed message and one without an address are dropped silently.
void OSCDecodePacket(const uint8_t* Data, size_t Size,
                     const std::function<void(IOSCMethod* AMethod)>& OnMethod);

void InstallOSCMethods();

} // namespace osc
