#include "foundation/IntfClasses.h"

#include <algorithm>
#include <cstdio>

namespace foundation {

std::string TGUID::ToString() const {
    char buf[39];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(D1),
                  unsigned(D2), unsigned(D3), D4[0], D4[1], D4[2], D4[3], D4[4], D4[5], D4[6], D4[7]);
    return buf;
}

bool SameObject(IInterface* A, IInterface* B) {
    auto a = Supports<IInterface>(A);
    auto b = Supports<IInterface>(B);
    return a.get() == b.get();
}

TIaAObject::TIaAObject() {
    FObjectStatus.Include(ioCreating);
    FIntfList = new std::vector<IIaAObject*>();
}

TIaAObject::TIaAObject(IInterface* AController) : FController(AController) {
    FObjectStatus.Include(ioCreating);
    if (FController) {
        // Looked up once: the controller's interfaces do not change, and its count must not be
        // kept (the controller outlives its parts).
        auto ctl = Supports<IIaAObject>(FController);
        FControllerObject = ctl.get();
        if (FControllerObject) FControllerObject->AddIntf(static_cast<IIaAObject*>(this));
    } else {
        FIntfList = new std::vector<IIaAObject*>();
    }
}

TIaAObject::~TIaAObject() {
    if (FIntfList) {
        // Parts are normally freed by Destroy() before the subclass destructors ran; this covers
        // an object whose construction threw.
        while (!FIntfList->empty()) {
            IIaAObject* part = FIntfList->back();
            FIntfList->pop_back();
            part->FreeIntf();
        }
        delete FIntfList;
    }
}

IIaAObject* TIaAObject::ControllerObject() const { return FControllerObject; }

HRESULT TIaAObject::QueryInterface(const TGUID& IID, void** Obj) {
    *Obj = nullptr;
    if (FController && (IID == IIaAObject::IID || IID == IInterface::IID))
        return FController->QueryInterface(IID, Obj);
    if (QueryOwnInterface(IID, Obj) == S_OK) return S_OK;
    if (FController) return FController->QueryInterface(IID, Obj);
    return E_NOINTERFACE;
}

HRESULT TIaAObject::QueryOwnInterface(const TGUID& IID, void** Obj) {
    if (IID == IInterface::IID) {
        IInterface* self = Identity();
        self->AddRef();
        *Obj = self;
        return S_OK;
    }
    if (OfferInterface<IIaALoad>(this, IID, Obj) || OfferInterface<IIaAObject>(this, IID, Obj))
        return S_OK;
    return E_NOINTERFACE;
}

int32_t TIaAObject::AddRef() {
    if (FController) return FController->AddRef();
    return FRefCount.fetch_add(1) + 1;
}

int32_t TIaAObject::Release() {
    if (FController) return FController->Release();
    int32_t n = FRefCount.fetch_sub(1) - 1;
    if (n == 0) Destroy();
    return n;
}

IInterface* TIaAObject::GetIntf(int32_t Index) {
    if (!FIntfList || Index < 0 || size_t(Index) >= FIntfList->size()) return nullptr;
    return (*FIntfList)[size_t(Index)];
}

int32_t TIaAObject::GetIntfCount() { return FIntfList ? int32_t(FIntfList->size()) : 0; }

IInterface* TIaAObject::GetRootIntf() {
    if (auto* ctl = ControllerObject()) return ctl->GetRootIntf();
    return Identity();
}

TIiAObjectStates TIaAObject::GetObjectStatus() {
    if (auto* ctl = ControllerObject()) return ctl->GetObjectStatus();
    return FObjectStatus;
}

TIaAObject* TIaAObject::GetObject() {
    if (auto* ctl = ControllerObject()) return ctl->GetObject();
    return this;
}

void TIaAObject::AddIntf(IIaAObject* AIntf) {
    if (auto* ctl = ControllerObject()) return ctl->AddIntf(AIntf);
    if (!FIntfList) FIntfList = new std::vector<IIaAObject*>();
    if (std::find(FIntfList->begin(), FIntfList->end(), AIntf) == FIntfList->end())
        FIntfList->push_back(AIntf);
}

// Each part is asked for IIaALoad itself: the answer must be the part's own, not the root's.
static IIaALoad* OwnLoad(IIaAObject* part) {
    void* out = nullptr;
    if (part->QueryOwnInterface(IIaALoad::IID, &out) != S_OK) return nullptr;
    auto* load = static_cast<IIaALoad*>(out);
    load->Release(); // the part lives as long as its root: no count is kept
    return load;
}

void TIaAObject::BeginLoad() {
    if (FLoading == 0) {
        BeginLoading();
        if (FIntfList)
            for (IIaAObject* part : *FIntfList)
                if (IIaALoad* load = OwnLoad(part)) load->BeginLoading();
    }
    ++FLoading;
}

void TIaAObject::EndLoad() {
    if (FLoading <= 0) return; // an unmatched close: nothing is open
    if (FLoading-- == 1) {
        EndLoading();
        if (FIntfList)
            for (IIaAObject* part : *FIntfList)
                if (IIaALoad* load = OwnLoad(part)) load->EndLoading();
    }
}

void TIaAObject::AfterConstruction() {
    AfterConstructionSafe();
    if (FIntfList)
        for (size_t i = 0; i < FIntfList->size(); ++i)
            (*FIntfList)[i]->AfterControllerConstruction();
    FRefCount.fetch_sub(1);
    FObjectStatus.Exclude(ioCreating);
}

void TIaAObject::FreeIntf() { Destroy(); }

void TIaAObject::Destroy() {
    FObjectStatus.Include(ioDestroying);
    // Held for the rest of the destruction, so that references taken and dropped on the way
    // cannot bring the count to zero a second time.
    // (A part's own count is unused, so holding it leaves the root's count alone.)
    FRefCount.fetch_add(1);
    BeforeDestruction();
    if (FIntfList) {
        for (size_t i = FIntfList->size(); i-- > 0;)
            (*FIntfList)[i]->BeforeControllerDestruction();
        while (!FIntfList->empty()) {
            IIaAObject* part = FIntfList->back();
            FIntfList->pop_back();
            part->FreeIntf();
        }
        delete FIntfList;
        FIntfList = nullptr;
    }
    delete this;
}

} // namespace foundation
