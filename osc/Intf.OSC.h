// The OSC contract: arguments, methods declared by footprints, receivers, transports and the
// process-wide server list, with the entry points that create them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/IntfClasses.h"
#include "foundation/Streams.h"
#include "foundation/XML.Intf.h"

namespace osc {

using foundation::IInterface;
using foundation::IPtr;
using foundation::IXMLNode;
using foundation::TBytes;
using foundation::TGUID;
using namespace foundation::literals;

// Text in the 8-bit code page (Windows-1252) as it travels on the wire; every other std::string
// of this module is UTF-8. OSC.Utils converts between the two.
using TAnsiString = std::string;

// The ordinal is stored in documents: the order is fixed. Values outside the table can arrive
// from a stored document and are handled as unknown types.
enum TOSCParameterType : uint8_t {
    opInvalid,
    opInteger,
    opFloat,
    opBlob,
    opTrue,
    opFalse,
    opInfinitum,
    opString,
    opPointer,
    opUInteger
};
inline constexpr int OSCParameterTypeCount = 10;

enum TOSCParameterVisibility : uint8_t { opvMandatory, opvOptionalHidden, opvOptionalVisible };

class TOSCCursor;

struct IOSCParameter : virtual IInterface {
    static constexpr TGUID IID = "{232FAEC6-C4AF-4942-837A-97560A079E07}"_guid;
    virtual TOSCParameterType GetParamType() = 0;
    virtual void SetParamType(TOSCParameterType Value) = 0;
    virtual int32_t GetOSCSize() = 0;
    virtual int32_t GetAsInt() = 0;
    virtual uint32_t GetAsUInt() = 0;
    virtual bool GetAsBool() = 0;
    virtual float GetAsFloat() = 0;
    virtual TAnsiString GetAsAnsiString() = 0;
    virtual std::string GetAsString() = 0;
    virtual TBytes GetAsBlob() = 0;
    virtual uint32_t GetAsPointer() = 0;
    virtual void SetAsInt(int32_t Value) = 0;
    virtual void SetAsUInt(uint32_t Value) = 0;
    virtual void SetAsBool(bool Value) = 0;
    virtual void SetAsFloat(float Value) = 0;
    virtual void SetAsAnsiString(const TAnsiString& Value) = 0;
    virtual void SetAsString(const std::string& Value) = 0;
    virtual void SetAsBlob(const TBytes& Value) = 0;
    virtual void SetAsPointer(uint32_t Value) = 0;
    virtual void* GetSolver() = 0;
    virtual void SetSolver(void* Value) = 0;
    virtual std::string GetName() = 0;
    virtual void SetName(const std::string& Value) = 0;
    virtual std::string GetDescription() = 0;
    virtual void SetDescription(const std::string& Value) = 0;
    virtual TOSCParameterVisibility GetVisibility() = 0;
    virtual void SetVisibility(TOSCParameterVisibility Value) = 0;
    virtual bool IsCompatible(IOSCParameter* AParameter) = 0;
    virtual std::string GetValue() = 0;
    virtual void SetValue(const std::string& Value) = 0;
    virtual std::string ToString() = 0;
    virtual TBytes AsOSCBytes() = 0;
    // Reads one argument of tag AType at the cursor; raises EOSCMalformed (nothing changed) when
    // the bytes left cannot hold it.
    virtual void FromOSCBytes(char AType, TOSCCursor& ABytes) = 0;
    virtual void SaveToXML(IXMLNode* ANode) = 0;
    virtual void LoadFromXML(IXMLNode* ANode) = 0;
    virtual void AsInfinitum() = 0;
};

// How the code declares a method; all texts UTF-8 except ArgTypes.
struct TOSCMethodFootprint {
    std::string Address{};
    TAnsiString ArgTypes{};
    std::string MethodName{};
    std::string Description{};
    std::string ArgNames{};
    std::string ArgDescriptions{};
    std::string ArgVisibility{};
    std::string ArgNameNames{};
    std::string ArgNameDescriptions{};
};

struct IOSCMethod : virtual IInterface {
    static constexpr TGUID IID = "{00E5BF22-6A7A-4CA4-84E9-0E04A65BF5FF}"_guid;
    virtual std::string GetOSCMethodDescription() = 0;
    virtual std::string GetOSCMethodName() = 0;
    virtual int32_t GetOSCParameterCount() = 0;
    virtual TAnsiString GetOSCMethodAddress() = 0;
    virtual void SetOSCMethodAddressUnresolved(const std::string& Value) = 0;
    virtual TAnsiString GetOSCMethodAddressUnresolved() = 0;
    virtual IPtr<IOSCParameter> getParameters(int32_t Index) = 0;
    virtual IPtr<IOSCParameter> getParametersS(const std::string& Name) = 0;
    virtual int32_t GetOSCNameParametersCountTx() = 0;
    virtual std::string getNameParametersDescriptionTx(int32_t Index) = 0;
    virtual std::string getNameParametersNameTx(int32_t Index) = 0;
    virtual std::string getNameParametersValueTx(int32_t Index) = 0;
    virtual void setNameParametersValueTx(int32_t Index, const std::string& Value) = 0;
    virtual void* GetSolver() = 0;
    virtual void SetSolver(void* Value) = 0;
    virtual bool GetLocalFeedback() = 0;
    virtual void SetLocalFeedback(bool Value) = 0;
    virtual std::string getNameParametersRx(const TOSCMethodFootprint& Footprint, int32_t Index) = 0;
    virtual IPtr<IOSCParameter> OSCCreateParameter() = 0;
    virtual IPtr<IOSCParameter> OSCCreateParameter(TOSCParameterType AType) = 0;
    virtual void OSCDestroyParameter(IOSCParameter* AParameter) = 0;
    virtual void OSCDestroyParameter(int32_t Index) = 0;
    virtual void OSCParametersClear() = 0;
    virtual bool IsCompatible(IOSCMethod* AMethod) = 0;
    virtual bool IsCompatible(const TOSCMethodFootprint& AFootprint) = 0;
    virtual TBytes AsOSCBytes() = 0;
    virtual TAnsiString AsASCIIString(char HexMarker) = 0;
    virtual std::string ToString() = 0;
    virtual void DeleteHiddenParameters() = 0;
    virtual void SaveToXML(IXMLNode* ANode) = 0;
    virtual void LoadFromXML(IXMLNode* ANode) = 0;
    // Decoding raises EOSCMalformed when the bytes do not hold a whole message; the method is
    // then left as it was.
    virtual void FromOSCBytes(const TBytes& ABytes, bool APreserveFootprint) = 0;
    virtual void FromOSCBytes(TOSCCursor& ABytes, bool APreserveFootprint) = 0;
    virtual void FromOSCBytes(const TBytes& ABytes, const TOSCMethodFootprint& AFootprint) = 0;
    virtual void FromFootprint(const TOSCMethodFootprint& AFootprint) = 0;
    virtual void FromFootprint(const TOSCMethodFootprint& AFootprint,
                               const std::vector<std::string>& Values) = 0;
    // A copy through the XML form; the solver and LocalFeedback stay this method's own.
    virtual void FromMethod(IOSCMethod* AMethod) = 0;
};

struct IOSCServer;

using TOSCCallBack = std::function<void(IOSCServer* AServer, IOSCMethod* AMethod)>;

struct TOSCMethodCallback {
    IPtr<IOSCMethod> Method;
    TOSCCallBack Callback;
};

struct IOSCMethodHandler : virtual IInterface {
    static constexpr TGUID IID = "{75114779-64F4-41C3-97B2-4785F255B919}"_guid;
    virtual IPtr<IOSCMethod> getOSCMethod(int32_t Index) = 0;
    virtual int32_t GetOSCMethodCount() = 0;
    virtual void OSCMethodCallBack(IOSCServer* AServer, IOSCMethod* AMethod, int32_t AMethodIndex) = 0;
};

struct IOSCMethodReceiver : virtual IOSCMethodHandler {
    static constexpr TGUID IID = "{D8F7F059-D56B-4B4E-A6C8-A400A08181EB}"_guid;
    virtual TOSCCallBack GetOnCallBack() = 0;
    virtual void SetOnCallBack(TOSCCallBack Value) = 0;
    virtual void AddOSCMethod(IOSCMethod* AMethod, TOSCCallBack AOSCCallback) = 0;
    virtual void AddOSCMethod(const TOSCMethodFootprint& AFootprint, TOSCCallBack AOSCCallback) = 0;
};

struct IOSCMethodReceiverDefault : virtual IOSCMethodReceiver {
    static constexpr TGUID IID = "{DF85390E-FBA7-44E6-A037-B4894A336867}"_guid;
    virtual void DeleteOSCMethod(IOSCMethod* AMethod) = 0;
    virtual void DeleteOSCMethod(const TOSCMethodFootprint& AFootprint) = 0;
};

using TOSCSendBytes = std::function<bool(IOSCServer* Sender, const TBytes& ABytes)>;
using TOSCBeforeSend = std::function<void(IOSCServer* Sender, IOSCMethod* AMethod)>;

// One transport to one device (UDP, multicast or USB serial).
struct IOSCServer : virtual IInterface {
    static constexpr TGUID IID = "{746757D7-2215-44F4-9C10-472073EDB9A0}"_guid;
    virtual TOSCSendBytes GetOSCOnSendBytes() = 0;
    virtual void SetOSCOnSendBytes(TOSCSendBytes Value) = 0;
    virtual bool GetAllowTx() = 0;
    virtual void AllowTx(bool Allow) = 0;
    virtual uint32_t GetOSCTxDelay() = 0;
    virtual void SetOSCTxDelay(uint32_t Value) = 0;
    virtual TOSCBeforeSend GetOnOSCBeforeSend() = 0;
    virtual void SetOnOSCBeforeSend(TOSCBeforeSend Value) = 0;
    virtual std::string GetOSCServerName() = 0;
    virtual bool SendMethod(IOSCMethod* AMethod) = 0;
    virtual bool SendBundle(const std::vector<IPtr<IOSCMethod>>& AMethods, uint64_t ATimeTag) = 0;
    virtual void ReceiveBytes(const TBytes& ABytes) = 0;
    virtual void ReceiveBytes(const uint8_t* ABuffer, size_t ALength) = 0;
    virtual void Dispatch(IOSCMethod* AMethod) = 0;
    virtual void AddReceiver(IOSCMethodReceiver* AReceiver) = 0;
    virtual void RemoveReceiver(IOSCMethodReceiver* AReceiver) = 0;
};

using TOSCMethodEvent = std::function<void(IOSCServer* Server, IOSCMethod* Method)>;

// Transports and receivers are held without counting: each removes itself before it goes.
struct IOSCServerList : virtual IInterface {
    static constexpr TGUID IID = "{9895FCFB-FA42-43E6-A4D7-F6B18544FE12}"_guid;
    virtual int32_t GetOSCServerCount() = 0;
    virtual IOSCServer* getOSCServer(int32_t Index) = 0;
    virtual int32_t GetOSCLastMethodsSentCount() = 0;
    virtual IPtr<IOSCMethod> getOSCLastMethodsSent(int32_t Index) = 0;
    virtual bool GetOSCAllowTx() = 0;
    virtual void SetOSCAllowTx(bool Value) = 0;
    virtual TOSCMethodEvent GetOSCOnMethodSent() = 0;
    virtual void SetOSCOnMethodSent(TOSCMethodEvent Value) = 0;
    virtual void OSCSentMethod(IOSCMethod* Msg, IOSCServer* Server) = 0;
    virtual int32_t GetOSCReceiverCount() = 0;
    virtual IOSCMethodReceiver* getOSCReceiver(int32_t Index) = 0;
    virtual void AddServer(IOSCServer* AServer) = 0;
    virtual void RemoveServer(IOSCServer* AServer) = 0;
    virtual void RemoveServer(int32_t Index) = 0;
    virtual void AddReceiver(IOSCMethodReceiver* AReceiver) = 0;
    virtual void RemoveReceiver(IOSCMethodReceiver* AReceiver) = 0;
};

// Entry points: the first two set by InstallOSCMethods(), the list by InstallOSCServerList().
extern IPtr<IOSCMethod> (*CreateOSCMethod)();
extern IPtr<IOSCMethodReceiverDefault> (*CreateOSCMethodReceiverDefault)();
// The process's one server list; none before InstallOSCServerList() and after FinalizeOSCServerList().
extern IOSCServerList* (*OSCServerList)();

} // namespace osc
