#include "foundation/XML.Persist.h"

#include <map>

namespace foundation {

namespace {

std::map<std::string, TXMLConstructor>& Registry() {
    static std::map<std::string, TXMLConstructor> registry;
    return registry;
}

// The parts of the object that store themselves through an IXMLPersist of their own (not the one
// the object answers with, which may come from a part).
template <class Fn> void ForEachPersist(IInterface* AObject, Fn&& fn) {
    auto own = Supports<IXMLPersist>(AObject);
    if (own) fn(own.get());
    auto obj = Supports<IIaAObject>(AObject);
    if (!obj) return;
    for (int32_t i = 0; i < obj->GetIntfCount(); ++i) {
        auto* part = dynamic_cast<IIaAObject*>(obj->GetIntf(i));
        void* out = nullptr;
        if (!part || part->QueryOwnInterface(IXMLPersist::IID, &out) != S_OK) continue;
        auto persist = IPtr<IXMLPersist>::Adopt(static_cast<IXMLPersist*>(out));
        if (persist.get() != own.get()) fn(persist.get());
    }
}

void DoSaveObjectToXML(IXMLNode* ANode, IInterface* AObject) {
    ANode->AddAttribute("Class")->SetAsStr(ClassName(AObject));
    ForEachPersist(AObject, [&](IXMLPersist* p) { p->SaveToXML(ANode); });
}

void DoLoadObjectFromXML(IXMLNode* ANode, IInterface* AObject, const TFormatVersion& AVersion) {
    auto obj = Supports<IIaAObject>(AObject);
    if (obj) obj->BeginLoad();
    try {
        ForEachPersist(AObject, [&](IXMLPersist* p) { p->LoadFromXML(ANode, AVersion); });
    } catch (...) {
        if (obj) obj->EndLoad();
        throw;
    }
    if (obj) obj->EndLoad();
}

void DoRegisterXMLConstructor(const std::string& AClassName, TXMLConstructor AConstructor) {
    Registry()[AClassName] = std::move(AConstructor);
}

IPtr<IInterface> DoCreateObjectFromXML(IXMLNode* ANode, const TFormatVersion& AVersion) {
    auto cls = ANode->Attribute("Class");
    if (!cls) return {};
    auto it = Registry().find(cls->GetAsStr());
    if (it == Registry().end() || !it->second) return {};
    IPtr<IInterface> obj = it->second(ANode);
    if (obj && Supports<IIaAObject>(obj)) LoadObjectFromXML(ANode, obj.get(), AVersion);
    return obj;
}

} // namespace

void (*SaveObjectToXML)(IXMLNode*, IInterface*) = nullptr;
void (*LoadObjectFromXML)(IXMLNode*, IInterface*, const TFormatVersion&) = nullptr;
void (*RegisterXMLConstructor)(const std::string&, TXMLConstructor) = nullptr;
IPtr<IInterface> (*CreateObjectFromXML)(IXMLNode*, const TFormatVersion&) = nullptr;

void InstallXMLPersist() {
    SaveObjectToXML = DoSaveObjectToXML;
    LoadObjectFromXML = DoLoadObjectFromXML;
    RegisterXMLConstructor = DoRegisterXMLConstructor;
    CreateObjectFromXML = DoCreateObjectFromXML;
}

void FinalizeXMLPersist() {
    Registry().clear();
}

} // namespace foundation
