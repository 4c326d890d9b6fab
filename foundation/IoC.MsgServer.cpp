#include "foundation/IoC.MsgServer.h"

#include <algorithm>
#include <cstdio>

#include "foundation/ClassName.h"

namespace foundation {

namespace {

const void* ObjectOf(IInterface* AObject) {
    return AObject ? dynamic_cast<const void*>(AObject) : nullptr;
}

} // namespace

// ---- TMsgServer

TMsgServer::~TMsgServer() {
    // Only reached once every registration has gone (the check below refuses otherwise); what is
    // left here are the records of types whose last registration went during a delivery.
    for (PHandler h : FHandlers) {
        for (POwnedMethod m : h->Handlers)
            delete m;
        for (POwnedMethod m : h->Retired)
            delete m;
        delete h;
    }
}

HRESULT TMsgServer::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (OfferInterface<IMsgServer>(this, IID, Obj) || OfferInterface<IIaAFullUpdate>(this, IID, Obj))
        return S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

void TMsgServer::BeforeDestruction() {
    if (FHandlers.empty()) return;
    const PHandler first = FHandlers.front();
    const std::string owner = first->Handlers.empty() ? std::string() : first->Handlers.front()->OwnerName;
    char count[16];
    std::snprintf(count, sizeof count, "%d", int(FHandlers.size()));
    throw EMsgServer(std::string("Not all handlers have been removed. Number of remaining handlers=") +
                     count + ".\n\rClass Name of the first handler: " + owner +
                     "\r\nGUID: " + first->HndType.ToString());
}

PHandler TMsgServer::Find(const TGUID& AType) {
    for (PHandler h : FHandlers)
        if (h->HndType == AType) return h;
    return nullptr;
}

void TMsgServer::RegisterMsgHandler(const TGUID& AType, TMsgHandler AHandler, IInterface* AOwner,
                                    void* ACustomData) {
    if (!AOwner) throw EMsgServer("A message handler needs an owner.");
    PHandler h = Find(AType);
    if (!h) {
        h = new THandler{AType, 0, {}, {}};
        FHandlers.push_back(h);
    }
    h->Handlers.push_back(new TOwnedMethod{AOwner, ClassName(AOwner), std::move(AHandler), ACustomData, 0,
                                           false, ObjectOf(AOwner)});
}

void TMsgServer::RegisterMsgHandlers(const std::vector<TGUID>& ATypes,
                                     const std::vector<TMsgHandler>& AHandlers, IInterface* AOwner,
                                     const std::vector<void*>& ACustomDatas) {
    if (ATypes.size() != AHandlers.size() || ATypes.size() != ACustomDatas.size())
        throw Exception("Length of parameters for register handlers is invalid.");
    for (size_t i = 0; i < ATypes.size(); ++i)
        RegisterMsgHandler(ATypes[i], AHandlers[i], AOwner, ACustomDatas[i]);
}

// Out of the list at once; freed at once unless a delivery of the type may still hold it.
void TMsgServer::Remove(PHandler H, POwnedMethod M) {
    H->Handlers.erase(std::find(H->Handlers.begin(), H->Handlers.end(), M));
    if (H->HandlerNotifying == 0)
        delete M;
    else
        H->Retired.push_back(M);
}

void TMsgServer::Withdraw(PHandler H, POwnedMethod M) {
    M->MarkForDeletion = true;
    if (H->HandlerNotifying == 0) Remove(H, M);
}

void TMsgServer::DropIfEmpty(PHandler H) {
    if (H->HandlerNotifying != 0 || !H->Handlers.empty()) return;
    for (POwnedMethod m : H->Retired)
        delete m;
    FHandlers.erase(std::find(FHandlers.begin(), FHandlers.end(), H));
    delete H;
}

void TMsgServer::UnregisterMsgOwner(IInterface* AOwner) {
    const void* owner = ObjectOf(AOwner);
    for (size_t t = FHandlers.size(); t-- > 0;) {
        PHandler h = FHandlers[t];
        for (size_t i = h->Handlers.size(); i-- > 0;) {
            POwnedMethod m = h->Handlers[i];
            if (m->OwnerObject == owner && !m->MarkForDeletion) Withdraw(h, m);
        }
        DropIfEmpty(h);
    }
}

void TMsgServer::NotifyMsg(IInterface* ASender, const TGUID& AType, const TMsgParams& AParams) {
    if (FUpdating != 0) return;
    PHandler h = Find(AType);
    if (!h) return;
    const void* sender = ObjectOf(ASender);
    // A handler may drop the last reference to the bus; it must outlive this walk.
    AddRef();
    ++h->HandlerNotifying;
    const std::vector<POwnedMethod> walk = h->Handlers; // registrations added meanwhile are not called
    auto finish = [&] {
        if (--h->HandlerNotifying == 0) {
            for (size_t i = h->Handlers.size(); i-- > 0;)
                if (h->Handlers[i]->MarkForDeletion) Remove(h, h->Handlers[i]);
            for (POwnedMethod m : h->Retired)
                delete m;
            h->Retired.clear();
            DropIfEmpty(h);
        }
    };
    try {
        for (size_t i = walk.size(); i-- > 0;) {
            POwnedMethod m = walk[i];
            if ((sender && m->OwnerObject == sender) || m->InsideHandler != 0 || m->MarkForDeletion) continue;
            ++m->InsideHandler;
            try {
                m->Method(this, AType, m->CustomData, AParams);
            } catch (...) {
                --m->InsideHandler;
                throw;
            }
            --m->InsideHandler;
            if (m->MarkForDeletion &&
                std::find(h->Handlers.begin(), h->Handlers.end(), m) != h->Handlers.end())
                Remove(h, m);
        }
    } catch (...) {
        finish();
        try {
            Release();
        } catch (const EMsgServer&) {
            // The handler's own error is the one the publisher has to see.
        }
        throw;
    }
    finish();
    Release();
}

// ---- TMsgGroupManager

HRESULT TMsgGroupManager::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (OfferInterface<IMsgGroupManager>(this, IID, Obj)) return S_OK;
    return TIaAObject::QueryOwnInterface(IID, Obj);
}

void TMsgGroupManager::RegisterGroup(int32_t AGroup) {
    if (std::find(FGroups.begin(), FGroups.end(), AGroup) != FGroups.end())
        throw EMsgGroup("The messages group " + std::to_string(AGroup) + " is already reserved.");
    FGroups.push_back(AGroup);
}

void TMsgGroupManager::UnregisterGroup(int32_t AGroup) {
    auto it = std::find(FGroups.begin(), FGroups.end(), AGroup);
    if (it == FGroups.end())
        throw EMsgGroup("The messages group " + std::to_string(AGroup) + " is not reserved!");
    FGroups.erase(it);
}

// ---- entry points

namespace {

IPtr<IMsgServer> DoNewMsgServer() {
    return IPtr<IMsgServer>(Make<TMsgServer>());
}

IMsgGroupManager* DoMsgGroupManager() {
    static IPtr<IMsgGroupManager> manager(Make<TMsgGroupManager>());
    return manager.get();
}

} // namespace

IPtr<IMsgServer> (*NewMsgServer)() = nullptr;
IMsgGroupManager* (*MsgGroupManager)() = nullptr;

void InstallMsgServer() {
    NewMsgServer = DoNewMsgServer;
    MsgGroupManager = DoMsgGroupManager;
}

} // namespace foundation
