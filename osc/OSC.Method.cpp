#include "osc/OSC.Method.h"

#include <algorithm>
#include <clocale>

#include "osc/OSC.Parameter.h"

namespace osc {

using foundation::HRESULT;
using foundation::Make;
using foundation::OfferInterface;
using foundation::S_OK;

IPtr<IOSCMethod> (*CreateOSCMethod)() = nullptr;
IPtr<IOSCMethodReceiverDefault> (*CreateOSCMethodReceiverDefault)() = nullptr;

namespace {

// Every piece, empty ones included: "/a/" gives "", "a", "".
std::vector<std::string> SplitAll(const std::string& s, const std::string& seps) {
    std::vector<std::string> out(1);
    for (char c : s) {
        if (seps.find(c) != std::string::npos)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// A ";" list of a footprint; an empty text has no entries.
std::vector<std::string> SplitList(const std::string& s) {
    return s.empty() ? std::vector<std::string>() : SplitAll(s, ";");
}

const std::string Wildcards = "*?";

template <class T> const T& At(const std::vector<T>& v, int32_t Index) {
    if (Index < 0 || size_t(Index) >= v.size()) throw EListError(Index);
    return v[size_t(Index)];
}

TOSCParameterVisibility VisibilityOf(const std::string& s) {
    if (s == "oh") return opvOptionalHidden;
    if (s == "ov") return opvOptionalVisible;
    return opvMandatory;
}

IPtr<IOSCMethod> MethodFrom(const TOSCMethodFootprint& F) {
    IPtr<IOSCMethod> m(Make<TOSCMethod>());
    m->FromFootprint(F);
    return m;
}

} // namespace

bool OSCSegmentsMatch(const std::string& A, const std::string& B) {
    size_t star = A.find('*');
    if (star != std::string::npos) {
        if (star == 0) {
            std::string rest = A.substr(1);
            return OSCSegmentsMatch(rest, B.size() > rest.size() ? B.substr(B.size() - rest.size()) : B);
        }
        return OSCSegmentsMatch(A.substr(0, star), B.substr(0, std::min(star, B.size())));
    }
    if (B.find('*') != std::string::npos) return OSCSegmentsMatch(B, A);
    if (A.size() != B.size()) return false;
    std::string a = A, b = B;
    if (size_t q = A.find('?'); q != std::string::npos) a[q] = B[q];
    if (size_t q = B.find('?'); q != std::string::npos) b[q] = A[q];
    return a == b;
}

bool OSCAddressesMatch(const TAnsiString& A, const TAnsiString& B) {
    std::vector<std::string> a = SplitAll(A, "/"), b = SplitAll(B, "/");
    if (a.size() != b.size()) return A == "*" || B == "*";
    for (size_t i = 0; i < a.size(); ++i)
        if (!OSCSegmentsMatch(a[i], b[i])) return false;
    return true;
}

// ---- TOSCMethod

HRESULT TOSCMethod::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (OfferInterface<IOSCMethod>(this, IID, Obj)) return S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

TAnsiString TOSCMethod::GetOSCMethodAddress() {
    if (!FCanResolveAddr) return FMethodAddress;
    std::vector<std::string> pieces = SplitAll(FMethodAddress, Wildcards);
    TAnsiString out = pieces[0];
    for (size_t i = 1; i < pieces.size(); ++i) {
        if (i - 1 < FNameParametersTxValue.size()) out += UTF8ToAnsi(FNameParametersTxValue[i - 1]);
        out += pieces[i];
    }
    return out;
}

IPtr<IOSCParameter> TOSCMethod::getParameters(int32_t Index) {
    return At(FParameters, Index);
}

IPtr<IOSCParameter> TOSCMethod::getParametersS(const std::string& Name) {
    for (const auto& p : FParameters)
        if (p->GetName() == Name) return p;
    return {};
}

std::string TOSCMethod::getNameParametersDescriptionTx(int32_t Index) {
    return At(FNameParametersTxDesc, Index);
}
std::string TOSCMethod::getNameParametersNameTx(int32_t Index) {
    return At(FNameParametersTxName, Index);
}
std::string TOSCMethod::getNameParametersValueTx(int32_t Index) {
    return At(FNameParametersTxValue, Index);
}

void TOSCMethod::setNameParametersValueTx(int32_t Index, const std::string& Value) {
    At(FNameParametersTxValue, Index);
    FNameParametersTxValue[size_t(Index)] = Value;
}

void TOSCMethod::SetSolver(void* Value) {
    FSolver = Value;
    for (auto& p : FParameters)
        p->SetSolver(Value);
}

std::string TOSCMethod::getNameParametersRx(const TOSCMethodFootprint& Footprint, int32_t Index) {
    std::vector<std::string> pieces = SplitAll(UTF8ToAnsi(Footprint.Address), Wildcards);
    const TAnsiString& addr = FMethodAddress;
    size_t pos = 0;
    for (size_t i = 0; i + 1 < pieces.size(); ++i) {
        pos = std::min(addr.size(), pos + pieces[i].size());
        size_t end = addr.size();
        if (!pieces[i + 1].empty()) end = std::min(addr.find(pieces[i + 1], pos), addr.size());
        TAnsiString value = addr.substr(pos, end - pos);
        value = value.substr(0, value.find('/'));
        if (int32_t(i) == Index) return AnsiToUTF8(value);
        pos += value.size();
    }
    return {};
}

IPtr<IOSCParameter> TOSCMethod::OSCCreateParameter() {
    IPtr<IOSCParameter> p(Make<TOSCParameter>());
    p->SetSolver(FSolver);
    FParameters.push_back(p);
    return p;
}

IPtr<IOSCParameter> TOSCMethod::OSCCreateParameter(TOSCParameterType AType) {
    IPtr<IOSCParameter> p = OSCCreateParameter();
    p->SetParamType(AType);
    return p;
}

void TOSCMethod::OSCDestroyParameter(IOSCParameter* AParameter) {
    auto it =
        std::find_if(FParameters.begin(), FParameters.end(), [&](auto& p) { return p.get() == AParameter; });
    if (it != FParameters.end()) FParameters.erase(it);
}

void TOSCMethod::OSCDestroyParameter(int32_t Index) {
    At(FParameters, Index);
    FParameters.erase(FParameters.begin() + Index);
}

void TOSCMethod::OSCParametersClear() {
    while (!FParameters.empty())
        FParameters.pop_back();
}

bool TOSCMethod::IsCompatible(IOSCMethod* AMethod) {
    if (!AMethod || AMethod->GetOSCParameterCount() != GetOSCParameterCount()) return false;
    for (int32_t i = 0; i < GetOSCParameterCount(); ++i)
        if (!FParameters[size_t(i)]->IsCompatible(AMethod->getParameters(i).get())) return false;
    return OSCAddressesMatch(FMethodAddress, AMethod->GetOSCMethodAddressUnresolved());
}

bool TOSCMethod::IsCompatible(const TOSCMethodFootprint& AFootprint) {
    return IsCompatible(MethodFrom(AFootprint).get());
}

TBytes TOSCMethod::AsOSCBytes() {
    TAnsiString tags = ",";
    std::vector<TBytes> args;
    for (auto& p : FParameters) {
        // An invalid argument has no tag any receiver knows: such a method cannot be sent.
        if (p->GetParamType() == opInvalid) throw foundation::Exception("Unknown data type!");
        args.push_back(p->AsOSCBytes());
        tags += OSCTypeTag(p->GetParamType());
    }
    args.insert(args.begin(), {OSCStringBytes(GetOSCMethodAddress()), OSCStringBytes(tags)});
    return OSCJoin(args);
}

TAnsiString TOSCMethod::AsASCIIString(char) {
    TAnsiString tags, values;
    for (auto& p : FParameters) {
        if (p->GetVisibility() == opvOptionalHidden) continue;
        tags += OSCTypeTag(p->GetParamType());
        if (p->GetOSCSize() != 0) values += ";" + UTF8ToAnsi(p->GetValue());
    }
    return "/" + GetOSCMethodAddress() + ";" + tags + values + ";";
}

std::string TOSCMethod::ToString() {
    std::string s = FMethodName;
    if (!FNameParametersTxName.empty() || !FParameters.empty()) s += ":";
    for (size_t i = 0; i < FNameParametersTxName.size(); ++i)
        s += " " + FNameParametersTxName[i] + "=" +
             (i < FNameParametersTxValue.size() ? FNameParametersTxValue[i] : std::string());
    for (auto& p : FParameters)
        if (p->GetVisibility() != opvOptionalHidden) s += " " + p->GetName() + "=" + p->ToString();
    return s;
}

void TOSCMethod::DeleteHiddenParameters() {
    for (size_t i = FParameters.size(); i-- > 0;)
        if (FParameters[i]->GetVisibility() == opvOptionalHidden)
            FParameters.erase(FParameters.begin() + long(i));
}

void TOSCMethod::FromOSCBytes(const TBytes& ABytes, bool APreserveFootprint) {
    TOSCCursor cursor(ABytes);
    FromOSCBytes(cursor, APreserveFootprint);
}

void TOSCMethod::FromOSCBytes(TOSCCursor& ABytes, bool APreserveFootprint) {
    // Everything is read before anything changes, so a message cut short leaves the method as it was.
    TOSCCursor c = ABytes;
    TAnsiString address = c.ReadString();
    TAnsiString tags = c.AtEnd() ? TAnsiString() : c.ReadString();
    std::vector<TOSCReceivedArgument> args;
    for (size_t i = 1; i < tags.size(); ++i)
        args.push_back(ReadOSCArgument(tags[i], c));
    ABytes = c;

    FNameParametersTxValue.resize(FNameParametersTxName.size());
    std::vector<std::string> pieces = SplitAll(FMethodAddress, Wildcards);
    size_t pos = 0;
    for (size_t i = 0; i + 1 < pieces.size() && i < FNameParametersTxValue.size(); ++i) {
        size_t start = address.find(pieces[i], pos);
        if (start == std::string::npos) break;
        start += pieces[i].size();
        size_t end = pieces[i + 1].empty() ? address.size()
                                           : std::min(address.find(pieces[i + 1], start), address.size());
        FNameParametersTxValue[i] = AnsiToUTF8(address.substr(start, end - start));
        pos = end;
    }
    if (!APreserveFootprint || FMethodAddress.empty()) FMethodAddress = address;

    for (size_t i = 0; i < args.size(); ++i) {
        IPtr<IOSCParameter> p = i < FParameters.size() ? FParameters[i] : OSCCreateParameter();
        ApplyOSCArgument(p.get(), args[i]);
    }
    FParameters.resize(args.size());
}

void TOSCMethod::FromOSCBytes(const TBytes& ABytes, const TOSCMethodFootprint& AFootprint) {
    FromFootprint(AFootprint);
    FromOSCBytes(ABytes, true);
}

void TOSCMethod::FromFootprint(const TOSCMethodFootprint& F) {
    FCanResolveAddr = true;
    FMethodAddress = UTF8ToAnsi(F.Address);
    FNameParametersTxValue.assign(size_t(std::count_if(FMethodAddress.begin(), FMethodAddress.end(),
                                                       [](char c) { return c == '*' || c == '?'; })),
                                  std::string());
    FMethodName = F.MethodName;
    FMethodDescription = F.Description;
    FNameParametersTxName = SplitList(F.ArgNameNames);
    FNameParametersTxDesc = SplitList(F.ArgNameDescriptions);

    OSCParametersClear();
    std::vector<std::string> names = SplitList(F.ArgNames), descs = SplitList(F.ArgDescriptions),
                             vis = SplitList(F.ArgVisibility);
    size_t tagIndex = 0;
    size_t count = 0;
    bool counted = false;
    for (char c : F.ArgTypes) {
        if (c >= '0' && c <= '9') {
            count = count * 10 + size_t(c - '0');
            counted = true;
            continue;
        }
        std::optional<TOSCParameterType> t = OSCTypeOfTag(c);
        if (!t) continue;
        for (size_t k = 0; k < (counted ? count : 1); ++k) {
            IPtr<IOSCParameter> p = OSCCreateParameter(*t);
            if (tagIndex < names.size()) p->SetName(names[tagIndex]);
            if (tagIndex < descs.size()) p->SetDescription(descs[tagIndex]);
            p->SetVisibility(tagIndex < vis.size() ? VisibilityOf(vis[tagIndex]) : opvMandatory);
        }
        ++tagIndex;
        count = 0;
        counted = false;
    }
}

void TOSCMethod::FromFootprint(const TOSCMethodFootprint& AFootprint,
                               const std::vector<std::string>& Values) {
    FromFootprint(AFootprint);
    for (size_t i = 0;
         i < Values.size() && i < FNameParametersTxValue.size() && i < FNameParametersTxName.size(); ++i)
        FNameParametersTxValue[i] = Values[i];
}

void TOSCMethod::SaveToXML(IXMLNode* ANode) {
    ANode->AddAttribute("OSCMethodAddress")->SetAsStr(AnsiToUTF8(FMethodAddress));
    ANode->AddAttribute("OSCMethodName")->SetAsStr(FMethodName);
    ANode->AddAttribute("OSCMethodDesc")->SetAsStr(FMethodDescription);
    IPtr<IXMLNode> params = ANode->AddChild("OSCMethodParameters");
    params->AddAttribute("Count")->SetAsInt(int32_t(FParameters.size()));
    for (size_t i = 0; i < FParameters.size(); ++i)
        FParameters[i]->SaveToXML(params->AddChild("OSCMethodParameter" + std::to_string(i)).get());
    IPtr<IXMLNode> names = ANode->AddChild("OSCMethodNameParams");
    names->AddAttribute("Count")->SetAsInt(int32_t(FNameParametersTxName.size()));
    auto entry = [](const std::vector<std::string>& v, size_t i) {
        return i < v.size() ? v[i] : std::string();
    };
    for (size_t i = 0; i < FNameParametersTxName.size(); ++i) {
        IPtr<IXMLNode> n = names->AddChild("OSCMethodNameParam" + std::to_string(i));
        n->AddAttribute("OSCMethodNameParam_Name")->SetAsStr(FNameParametersTxName[i]);
        n->AddAttribute("OSCMethodNameParam_Value")->SetAsStr(entry(FNameParametersTxValue, i));
        n->AddAttribute("OSCMethodNameParam_Desc")->SetAsStr(entry(FNameParametersTxDesc, i));
    }
}

void TOSCMethod::LoadFromXML(IXMLNode* ANode) {
    // Read into locals first: a document that lacks a part leaves the method as it was. Counts are
    // only trusted as far as the numbered children really exist.
    TAnsiString address = UTF8ToAnsi(RequiredAttribute(ANode, "OSCMethodAddress")->GetAsStr());
    std::string name = RequiredAttribute(ANode, "OSCMethodName")->GetAsStr();
    std::string desc = RequiredAttribute(ANode, "OSCMethodDesc")->GetAsStr();
    IPtr<IXMLNode> paramsNode = RequiredChild(ANode, "OSCMethodParameters");
    std::vector<IPtr<IOSCParameter>> params;
    for (int32_t i = 0, n = RequiredCount(paramsNode.get()); i < n; ++i) {
        IPtr<IOSCParameter> p(Make<TOSCParameter>());
        p->LoadFromXML(RequiredChild(paramsNode.get(), "OSCMethodParameter" + std::to_string(i)).get());
        p->SetSolver(FSolver);
        params.push_back(p);
    }
    IPtr<IXMLNode> namesNode = RequiredChild(ANode, "OSCMethodNameParams");
    std::vector<std::string> names, values, descs;
    for (int32_t i = 0, n = RequiredCount(namesNode.get()); i < n; ++i) {
        IPtr<IXMLNode> e = RequiredChild(namesNode.get(), "OSCMethodNameParam" + std::to_string(i));
        names.push_back(RequiredAttribute(e.get(), "OSCMethodNameParam_Name")->GetAsStr());
        values.push_back(RequiredAttribute(e.get(), "OSCMethodNameParam_Value")->GetAsStr());
        descs.push_back(RequiredAttribute(e.get(), "OSCMethodNameParam_Desc")->GetAsStr());
    }
    FCanResolveAddr = true;
    OSCParametersClear();
    FMethodAddress = std::move(address);
    FMethodName = std::move(name);
    FMethodDescription = std::move(desc);
    FParameters = std::move(params);
    FNameParametersTxName = std::move(names);
    FNameParametersTxValue = std::move(values);
    FNameParametersTxDesc = std::move(descs);
}

void TOSCMethod::FromMethod(IOSCMethod* AMethod) {
    IPtr<IXMLNode> node = foundation::CreateXMLNode(nullptr);
    AMethod->SaveToXML(node.get());
    LoadFromXML(node.get());
}

// ---- TOSCMethodReceiverDefault

HRESULT TOSCMethodReceiverDefault::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (OfferInterface<IOSCMethodReceiverDefault>(this, IID, Obj) ||
        OfferInterface<IOSCMethodReceiver>(this, IID, Obj) ||
        OfferInterface<IOSCMethodHandler>(this, IID, Obj))
        return S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

IPtr<IOSCMethod> TOSCMethodReceiverDefault::getOSCMethod(int32_t Index) {
    return At(FMethodsList, Index).Method;
}

void TOSCMethodReceiverDefault::OSCMethodCallBack(IOSCServer* AServer, IOSCMethod* AMethod,
                                                  int32_t AMethodIndex) {
    // A copy: the callback may change the list it came from.
    TOSCCallBack cb;
    if (AMethodIndex >= 0 && size_t(AMethodIndex) < FMethodsList.size())
        cb = FMethodsList[size_t(AMethodIndex)].Callback;
    if (!cb) cb = FOnCallBack;
    if (cb) cb(AServer, AMethod);
}

void TOSCMethodReceiverDefault::AddOSCMethod(IOSCMethod* AMethod, TOSCCallBack AOSCCallback) {
    if (!AMethod) return;
    for (auto& e : FMethodsList)
        if (e.Method->IsCompatible(AMethod)) return;
    FMethodsList.push_back({IPtr<IOSCMethod>(AMethod), std::move(AOSCCallback)});
}

void TOSCMethodReceiverDefault::AddOSCMethod(const TOSCMethodFootprint& AFootprint,
                                             TOSCCallBack AOSCCallback) {
    AddOSCMethod(MethodFrom(AFootprint).get(), std::move(AOSCCallback));
}

void TOSCMethodReceiverDefault::DeleteOSCMethod(IOSCMethod* AMethod) {
    for (size_t i = FMethodsList.size(); i-- > 0;)
        if (FMethodsList[i].Method->IsCompatible(AMethod)) FMethodsList.erase(FMethodsList.begin() + long(i));
}

void TOSCMethodReceiverDefault::DeleteOSCMethod(const TOSCMethodFootprint& AFootprint) {
    DeleteOSCMethod(MethodFrom(AFootprint).get());
}

void OSCDispatch(IOSCServer* AServer, IOSCMethodHandler* AHandler, IOSCMethod* AMethod) {
    for (int32_t i = 0; i < AHandler->GetOSCMethodCount(); ++i) {
        try {
            IPtr<IOSCMethod> expected = AHandler->getOSCMethod(i);
            if (expected->IsCompatible(AMethod)) AHandler->OSCMethodCallBack(AServer, AMethod, i);
        } catch (...) {
        }
    }
}

void OSCDecodePacket(const uint8_t* Data, size_t Size,
                     const std::function<void(IOSCMethod* AMethod)>& OnMethod) {
    OSCSplitPacket(Data, Size, [&](const uint8_t* d, size_t n) {
        IPtr<IOSCMethod> m(Make<TOSCMethod>());
        try {
            TOSCCursor c(d, n);
            m->FromOSCBytes(c, true);
        } catch (const EOSCMalformed&) {
            return;
        }
        if (m->GetOSCMethodAddressUnresolved().empty()) return;
        OnMethod(m.get());
    });
}

void InstallOSCMethods() {
    // The programs install after the toolkit has set the C library to the user's locale.
    if (const std::lconv* lc = std::localeconv(); lc && lc->decimal_point && lc->decimal_point[0])
        SetOSCDecimalSeparator(lc->decimal_point[0]);
    CreateOSCMethod = [] { return IPtr<IOSCMethod>(Make<TOSCMethod>()); };
    CreateOSCMethodReceiverDefault = [] {
        return IPtr<IOSCMethodReceiverDefault>(Make<TOSCMethodReceiverDefault>());
    };
}

} // namespace osc
