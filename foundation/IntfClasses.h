// Reference-counted interfaces identified by GUIDs, and TIaAObject: the base of model objects that
// can be aggregated into a composite sharing one count and one identity with its root.
#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace foundation {

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);

struct TGUID {
    uint32_t D1 = 0;
    uint16_t D2 = 0, D3 = 0;
    uint8_t D4[8] = {};

    friend constexpr bool operator==(const TGUID& a, const TGUID& b) {
        if (a.D1 != b.D1 || a.D2 != b.D2 || a.D3 != b.D3) return false;
        for (int i = 0; i < 8; ++i)
            if (a.D4[i] != b.D4[i]) return false;
        return true;
    }

    // Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; at compile time a malformed text does not compile.
    static constexpr TGUID Parse(const char* s, size_t n) {
        if (n != 38 || s[0] != '{' || s[37] != '}' || s[9] != '-' || s[14] != '-' || s[19] != '-' ||
            s[24] != '-')
            throw std::invalid_argument("malformed GUID text");
        auto hex = [&](size_t pos, int digits) {
            uint32_t v = 0;
            for (int i = 0; i < digits; ++i) {
                char c = s[pos + i];
                uint32_t d = c >= '0' && c <= '9'   ? uint32_t(c - '0')
                             : c >= 'A' && c <= 'F' ? uint32_t(c - 'A' + 10)
                             : c >= 'a' && c <= 'f' ? uint32_t(c - 'a' + 10)
                                                    : throw std::invalid_argument("malformed GUID text");
                v = v * 16 + d;
            }
            return v;
        };
        TGUID g;
        g.D1 = hex(1, 8);
        g.D2 = uint16_t(hex(10, 4));
        g.D3 = uint16_t(hex(15, 4));
        g.D4[0] = uint8_t(hex(20, 2));
        g.D4[1] = uint8_t(hex(22, 2));
        for (int i = 0; i < 6; ++i)
            g.D4[2 + i] = uint8_t(hex(25 + 2 * i, 2));
        return g;
    }

    std::string ToString() const; // braced, upper-case hex
};

namespace literals {
consteval TGUID operator""_guid(const char* s, size_t n) { return TGUID::Parse(s, n); }
} // namespace literals
using namespace literals;

// Every interface derives (virtually) from IInterface, so an object holds exactly one IInterface
// whatever interfaces it implements: that pointer is its identity.
struct IInterface {
    static constexpr TGUID IID = "{00000000-0000-0000-C000-000000000046}"_guid;
    virtual HRESULT QueryInterface(const TGUID& IID, void** Obj) = 0;
    virtual int32_t AddRef() = 0;
    virtual int32_t Release() = 0;

protected:
    ~IInterface() = default;
};

// The counted reference. Copying adds a reference, dropping releases it, moving touches nothing.
template <class T> class IPtr {
public:
    IPtr() = default;
    IPtr(std::nullptr_t) {}
    IPtr(T* p) : p_(p) {
        if (p_) p_->AddRef();
    }
    IPtr(const IPtr& o) : IPtr(o.p_) {}
    IPtr(IPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U> IPtr(const IPtr<U>& o) : IPtr(static_cast<T*>(o.get())) {}
    ~IPtr() { reset(); }

    IPtr& operator=(IPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }

    // Takes over a reference that was already counted for us (an out-parameter of QueryInterface).
    static IPtr Adopt(T* p) {
        IPtr r;
        r.p_ = p;
        return r;
    }

    void reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    friend bool operator==(const IPtr& a, const IPtr& b) { return a.p_ == b.p_; }

private:
    T* p_ = nullptr;
};

// Asks x for interface T; empty when x is empty or does not answer to it.
template <class T, class U> IPtr<T> Supports(U* x) {
    void* out = nullptr;
    if (x && x->QueryInterface(T::IID, &out) == S_OK) return IPtr<T>::Adopt(static_cast<T*>(out));
    return {};
}
template <class T, class U> IPtr<T> Supports(const IPtr<U>& x) { return Supports<T>(x.get()); }

// Stores a back reference without counting it: the referenced object outlives the holder by
// construction, and a counted reference would close a cycle.
template <class T, class U> void AssignWeak(T*& Target, U* Source) { Target = Source; }
template <class T, class U> void AssignWeak(T*& Target, const IPtr<U>& Source) { Target = Source.get(); }

// True when both references lead to the same root (compared through their IInterface identities).
bool SameObject(IInterface* A, IInterface* B);
template <class A, class B> bool SameObject(const IPtr<A>& a, const IPtr<B>& b) {
    return SameObject(static_cast<IInterface*>(a.get()), static_cast<IInterface*>(b.get()));
}

enum class TIiAObjectState : uint8_t { ioCreating = 1, ioDestroying = 2, ioLoading = 4 };
using enum TIiAObjectState;

// A set of object states, stored as one byte of bit values.
class TIiAObjectStates {
public:
    constexpr TIiAObjectStates() = default;
    constexpr TIiAObjectStates(TIiAObjectState s) : bits_(uint8_t(s)) {}
    constexpr bool Has(TIiAObjectState s) const { return bits_ & uint8_t(s); }
    constexpr void Include(TIiAObjectState s) { bits_ |= uint8_t(s); }
    constexpr void Exclude(TIiAObjectState s) { bits_ &= uint8_t(~uint8_t(s)); }
    constexpr uint8_t Bits() const { return bits_; }
    friend constexpr bool operator==(TIiAObjectStates, TIiAObjectStates) = default;

private:
    uint8_t bits_ = 0;
};

struct IIaALoad : virtual IInterface {
    static constexpr TGUID IID = "{E9C4B3A3-E280-4FD3-B13C-77BB97DB82A0}"_guid;
    virtual void BeginLoading() = 0;
    virtual void EndLoading() = 0;
};

class TIaAObject;

struct IIaAObject : virtual IInterface {
    static constexpr TGUID IID = "{3B79E813-7739-4F85-A6E7-70BE19D44A12}"_guid;
    virtual HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) = 0;
    virtual IInterface* GetIntf(int32_t Index) = 0;
    virtual int32_t GetIntfCount() = 0;
    virtual IInterface* GetRootIntf() = 0;
    virtual TIiAObjectStates GetObjectStatus() = 0;
    virtual TIaAObject* GetObject() = 0;
    virtual void AddIntf(IIaAObject* AIntf) = 0;
    virtual void BeginLoad() = 0;
    virtual void EndLoad() = 0;
    virtual void AfterControllerConstruction() = 0;
    virtual void BeforeControllerDestruction() = 0;
    virtual void FreeIntf() = 0;
};

struct IIaAFullUpdate : virtual IInterface {
    static constexpr TGUID IID = "{C57CEADD-C631-4B4B-A6A9-65015FF0156C}"_guid;
    virtual bool IsUpdating() = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
};

// Offers `self` as interface I when IID names it; the helper every QueryOwnInterface uses.
template <class I, class Self> bool OfferInterface(Self* self, const TGUID& IID, void** Obj) {
    if (!(IID == I::IID)) return false;
    I* intf = static_cast<I*>(self);
    intf->AddRef();
    *Obj = intf;
    return true;
}

// Subclasses put their initialisation in their constructors and are created only through
// Make<T>(), which runs the after-construction phase once the outermost constructor has returned.
class TIaAObject : public virtual IIaALoad, public virtual IIaAObject {
public:
    // IInterface
    HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
    int32_t AddRef() override;
    int32_t Release() override;

    // IIaALoad
    void BeginLoading() override { FObjectStatus.Include(ioLoading); }
    void EndLoading() override { FObjectStatus.Exclude(ioLoading); }

    // IIaAObject
    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override;
    IInterface* GetIntf(int32_t Index) override;
    int32_t GetIntfCount() override;
    IInterface* GetRootIntf() override;
    TIiAObjectStates GetObjectStatus() override;
    TIaAObject* GetObject() override;
    void AddIntf(IIaAObject* AIntf) override;
    void BeginLoad() override;
    void EndLoad() override;
    void AfterControllerConstruction() override { DoAfterControllerConstruction(); }
    void BeforeControllerDestruction() override { DoBeforeControllerDestruction(); }
    void FreeIntf() override;

    // The object's own identity, whatever its controller.
    IInterface* Identity() { return static_cast<IIaALoad*>(this); }
    IInterface* Controller() const { return FController; }
    // The object's own state set and count, without following the controller.
    TIiAObjectStates OwnObjectStatus() const { return FObjectStatus; }
    int32_t OwnRefCount() const { return FRefCount.load(); }

    TIaAObject(const TIaAObject&) = delete;
    TIaAObject& operator=(const TIaAObject&) = delete;

protected:
    TIaAObject();
    explicit TIaAObject(IInterface* AController);
    virtual ~TIaAObject();

    // Hooks, empty in the base.
    virtual void DoBeforeControllerDestruction() {}
    virtual void DoAfterControllerConstruction() {}
    // Runs with the object's count held at 1, so references to the object may be taken and dropped.
    virtual void AfterConstructionSafe() {}
    // Start of the before-destruction phase of this object itself (a root or a part being freed).
    virtual void BeforeDestruction() {}

private:
    template <class T, class... Args> friend T* Make(Args&&... args);
    void AfterConstruction();
    void Destroy();
    IIaAObject* ControllerObject() const;

    std::atomic<int32_t> FRefCount{1};
    IInterface* FController = nullptr;
    TIiAObjectStates FObjectStatus;
    int32_t FLoading = 0;
    std::vector<IIaAObject*>* FIntfList = nullptr;
    IIaAObject* FControllerObject = nullptr; // the controller's IIaAObject, looked up once
};

// The only way to build a TIaAObject: construction, then the after-construction phase. A root
// comes back with a count of 0 (nothing references it yet); a part lives as long as its root.
template <class T, class... Args> T* Make(Args&&... args) {
    T* obj = new T(std::forward<Args>(args)...);
    obj->AfterConstruction();
    return obj;
}

} // namespace foundation
