// The message bus the parts of one device talk over, and the registry of message groups.
#pragma once

#include <string>

#include "foundation/Intf.Messages.h"

namespace foundation {

struct TOwnedMethod {
    IInterface* Owner;
    std::string OwnerName;
    TMsgHandler Method;
    void* CustomData;
    int32_t InsideHandler = 0;
    bool MarkForDeletion = false;
    const void* OwnerObject; // the complete object behind Owner: what identifies the owner
};
using POwnedMethod = TOwnedMethod*;

struct THandler {
    TGUID HndType;
    int32_t HandlerNotifying = 0; // nested deliveries of this type in progress
    std::vector<POwnedMethod> Handlers;
    // Withdrawn while a delivery still walks over them; freed when the outermost one ends.
    std::vector<POwnedMethod> Retired;
};
using PHandler = THandler*;

class TMsgServer : public TIaAObject, public virtual IMsgServer {
public:
    TMsgServer() = default;
    ~TMsgServer() override;

    bool IsUpdating() override { return FUpdating != 0; }
    void BeginUpdate() override { ++FUpdating; }
    void EndUpdate() override { --FUpdating; }
    void RegisterMsgHandler(const TGUID& AType, TMsgHandler AHandler, IInterface* AOwner,
                            void* ACustomData) override;
    void RegisterMsgHandlers(const std::vector<TGUID>& ATypes, const std::vector<TMsgHandler>& AHandlers,
                             IInterface* AOwner, const std::vector<void*>& ACustomDatas) override;
    void UnregisterMsgOwner(IInterface* AOwner) override;
    void NotifyMsg(IInterface* ASender, const TGUID& AType, const TMsgParams& AParams) override;

protected:
    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;
    // Raises EMsgServer when registrations are left: an object forgot UnregisterMsgOwner. The
    // error leaves the Release that would have destroyed the bus, and the bus stays alive.
    void BeforeDestruction() override;

private:
    PHandler Find(const TGUID& AType);
    void Withdraw(PHandler H, POwnedMethod M);
    void Remove(PHandler H, POwnedMethod M);
    void DropIfEmpty(PHandler H);

    std::vector<PHandler> FHandlers;
    int32_t FUpdating = 0;
};

class TMsgGroupManager : public TIaAObject, public virtual IMsgGroupManager {
public:
    void RegisterGroup(int32_t AGroup) override;
    void UnregisterGroup(int32_t AGroup) override;

protected:
    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;

private:
    std::vector<int32_t> FGroups;
};

// Sets NewMsgServer and MsgGroupManager.
void InstallMsgServer();

} // namespace foundation
