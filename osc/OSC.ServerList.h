// The process-wide registry of OSC transports: the switch that stops all sending, the receivers
// every transport also dispatches to, and the six newest named methods sent.
#pragma once

#include <deque>

#include "osc/Intf.OSC.h"

namespace osc {

class TOSCServerList : public foundation::TIaAObject, public virtual IOSCServerList {
public:
    static constexpr size_t LastMethodsKept = 6;

    TOSCServerList() = default;

    foundation::HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;
    int32_t GetOSCServerCount() override { return int32_t(FOSCServers.size()); }
    IOSCServer* getOSCServer(int32_t Index) override;
    int32_t GetOSCLastMethodsSentCount() override { return int32_t(FOSCLastMethodsSent.size()); }
    IPtr<IOSCMethod> getOSCLastMethodsSent(int32_t Index) override;
    bool GetOSCAllowTx() override { return FOSCAllowTx; }
    void SetOSCAllowTx(bool Value) override { FOSCAllowTx = Value; }
    TOSCMethodEvent GetOSCOnMethodSent() override { return FOnMethodSent; }
    void SetOSCOnMethodSent(TOSCMethodEvent Value) override { FOnMethodSent = std::move(Value); }
    void OSCSentMethod(IOSCMethod* Msg, IOSCServer* Server) override;
    int32_t GetOSCReceiverCount() override { return int32_t(FOSCReceivers.size()); }
    IOSCMethodReceiver* getOSCReceiver(int32_t Index) override;
    void AddServer(IOSCServer* AServer) override;
    void RemoveServer(IOSCServer* AServer) override;
    void RemoveServer(int32_t Index) override;
    void AddReceiver(IOSCMethodReceiver* AReceiver) override;
    void RemoveReceiver(IOSCMethodReceiver* AReceiver) override;

protected:
    // The transports are their owners' business: the list forgets them without touching them.
    void BeforeDestruction() override { FOSCServers.clear(); }

private:
    std::vector<IOSCServer*> FOSCServers;
    std::vector<IOSCMethodReceiver*> FOSCReceivers;
    bool FOSCAllowTx = true;
    TOSCMethodEvent FOnMethodSent;
    std::deque<IPtr<IOSCMethod>> FOSCLastMethodsSent; // newest first
};

// Creates the process's list (before any transport) and releases it at the end.
void InstallOSCServerList();
void FinalizeOSCServerList();

} // namespace osc
