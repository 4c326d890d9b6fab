#include "osc/OSC.ServerList.h"

#include <algorithm>

#include "osc/OSC.Utils.h"

namespace osc {

using foundation::HRESULT;

namespace {

IPtr<IOSCServerList> gServerList;

IOSCServerList* TheServerList() {
    return gServerList.get();
}

template <class T> void AddOnce(std::vector<T*>& v, T* x) {
    if (x && std::find(v.begin(), v.end(), x) == v.end()) v.push_back(x);
}

template <class T> void RemoveItem(std::vector<T*>& v, T* x) {
    auto it = std::find(v.begin(), v.end(), x);
    if (it != v.end()) v.erase(it);
}

} // namespace

IOSCServerList* (*OSCServerList)() = TheServerList;

HRESULT TOSCServerList::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (foundation::OfferInterface<IOSCServerList>(this, IID, Obj)) return foundation::S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

IOSCServer* TOSCServerList::getOSCServer(int32_t Index) {
    if (Index < 0 || size_t(Index) >= FOSCServers.size()) throw EListError(Index);
    return FOSCServers[size_t(Index)];
}

IPtr<IOSCMethod> TOSCServerList::getOSCLastMethodsSent(int32_t Index) {
    if (Index < 0 || size_t(Index) >= FOSCLastMethodsSent.size()) throw EListError(Index);
    return FOSCLastMethodsSent[size_t(Index)];
}

void TOSCServerList::OSCSentMethod(IOSCMethod* Msg, IOSCServer* Server) {
    if (!Msg || Msg->GetOSCMethodName().empty()) return;
    if (FOSCLastMethodsSent.size() >= LastMethodsKept) FOSCLastMethodsSent.pop_back();
    FOSCLastMethodsSent.emplace_front(Msg);
    if (FOnMethodSent) FOnMethodSent(Server, Msg);
}

IOSCMethodReceiver* TOSCServerList::getOSCReceiver(int32_t Index) {
    if (Index < 0 || size_t(Index) >= FOSCReceivers.size()) throw EListError(Index);
    return FOSCReceivers[size_t(Index)];
}

void TOSCServerList::AddServer(IOSCServer* AServer) {
    AddOnce(FOSCServers, AServer);
}
void TOSCServerList::RemoveServer(IOSCServer* AServer) {
    RemoveItem(FOSCServers, AServer);
}

void TOSCServerList::RemoveServer(int32_t Index) {
    getOSCServer(Index);
    FOSCServers.erase(FOSCServers.begin() + Index);
}

void TOSCServerList::AddReceiver(IOSCMethodReceiver* AReceiver) {
    AddOnce(FOSCReceivers, AReceiver);
}
void TOSCServerList::RemoveReceiver(IOSCMethodReceiver* AReceiver) {
    RemoveItem(FOSCReceivers, AReceiver);
}

void InstallOSCServerList() {
    if (!gServerList) gServerList = IPtr<IOSCServerList>(foundation::Make<TOSCServerList>());
}

void FinalizeOSCServerList() {
    gServerList.reset();
}

} // namespace osc
