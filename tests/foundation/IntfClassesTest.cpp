#include "foundation/IntfClasses.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace foundation;

namespace {

std::vector<std::string> gLog;

struct IProbe : virtual IInterface {
    static constexpr TGUID IID = "{6A0D1E61-2B7C-4F51-9D0E-1C2A3B4C5D6E}"_guid;
    virtual std::string Tag() = 0;
};
struct IRootOnly : virtual IInterface {
    static constexpr TGUID IID = "{7B1E2F72-3C8D-4062-AE1F-2D3B4C5D6E7F}"_guid;
    virtual int Answer() = 0;
};

// A part that records its notifications and loading marks in gLog.
class TPart : public TIaAObject, public virtual IProbe {
public:
    TPart(IInterface* AController, std::string tag) : TIaAObject(AController), FTag(std::move(tag)) {}
    ~TPart() override { gLog.push_back("free " + FTag); }
    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override {
        if (OfferInterface<IProbe>(this, IID, Obj)) return S_OK;
        return TIaAObject::QueryOwnInterface(IID, Obj);
    }
    std::string Tag() override { return FTag; }
    void BeginLoading() override {
        TIaAObject::BeginLoading();
        gLog.push_back("load " + FTag);
    }
    void EndLoading() override {
        TIaAObject::EndLoading();
        gLog.push_back("unload " + FTag);
    }

protected:
    void DoAfterControllerConstruction() override {
        // All siblings exist now, and the root's state still says it is being built.
        bool creating = GetObjectStatus().Has(ioCreating);
        gLog.push_back("after " + FTag + (creating ? " creating" : ""));
    }
    void DoBeforeControllerDestruction() override { gLog.push_back("before " + FTag); }

private:
    std::string FTag;
};

class TRoot : public TIaAObject, public virtual IRootOnly {
public:
    explicit TRoot(int parts = 2) {
        for (int i = 0; i < parts; ++i)
            Parts.push_back(Make<TPart>(Identity(), "p" + std::to_string(i)));
    }
    ~TRoot() override { gLog.push_back("free root"); }
    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override {
        if (OfferInterface<IRootOnly>(this, IID, Obj)) return S_OK;
        return TIaAObject::QueryOwnInterface(IID, Obj);
    }
    int Answer() override { return 42; }
    std::vector<TPart*> Parts;
    int32_t CountDuringSafe = -1;

protected:
    void AfterConstructionSafe() override {
        // A reference taken and dropped here must not destroy the object.
        IPtr<IRootOnly> self(this);
        CountDuringSafe = OwnRefCount();
        gLog.push_back("safe");
    }
};

class IntfClasses : public ::testing::Test {
protected:
    void SetUp() override { gLog.clear(); }
};

} // namespace

TEST(TGUIDTest, ParsesAndPrintsBracedText) {
    constexpr TGUID g = "{3B79E813-7739-4F85-A6E7-70BE19D44A12}"_guid;
    static_assert(g.D1 == 0x3B79E813 && g.D2 == 0x7739 && g.D3 == 0x4F85 && g.D4[0] == 0xA6 && g.D4[7] == 0x12);
    EXPECT_EQ(g.ToString(), "{3B79E813-7739-4F85-A6E7-70BE19D44A12}");
    EXPECT_EQ(g, "{3b79e813-7739-4f85-a6e7-70be19d44a12}"_guid);
    EXPECT_FALSE(g == IIaALoad::IID);
    EXPECT_THROW(TGUID::Parse("{3B79E813-7739-4F85-A6E7-70BE19D44A1}", 37), std::invalid_argument);
    EXPECT_THROW(TGUID::Parse("{3B79E813-7739-4F85-A6E7-70BE19D44A1G}", 38), std::invalid_argument);
}

TEST_F(IntfClasses, UnreferencedRootHasCountZeroAndFirstReferenceDestroysIt) {
    TRoot* root = Make<TRoot>(0);
    EXPECT_EQ(root->CountDuringSafe, 2); // allocation's 1 plus the reference taken in the hook
    EXPECT_EQ(root->OwnRefCount(), 0);
    EXPECT_FALSE(root->GetObjectStatus().Has(ioCreating));
    EXPECT_EQ(gLog, (std::vector<std::string>{"safe"}));
    { IPtr<IRootOnly> ref(root); }
    EXPECT_EQ(gLog.back(), "free root");
}

TEST_F(IntfClasses, UnreferencedRootLivesUntilFreedExplicitly) {
    TRoot* root = Make<TRoot>(1);
    root->FreeIntf();
    EXPECT_EQ(gLog, (std::vector<std::string>{"safe", "after p0 creating", "before p0", "free p0", "free root"}));
}

TEST_F(IntfClasses, PartsShareTheRootsCountAndIdentity) {
    TRoot* root = Make<TRoot>(2);
    IPtr<IRootOnly> hold(root);
    TPart* part = root->Parts[1];
    const int32_t partOwn = part->OwnRefCount();

    part->AddRef();
    EXPECT_EQ(root->OwnRefCount(), 2);
    part->Release();
    EXPECT_EQ(root->OwnRefCount(), 1);
    EXPECT_EQ(part->OwnRefCount(), partOwn);

    auto probe = Supports<IProbe>(static_cast<IIaAObject*>(part));
    EXPECT_TRUE(SameObject(probe, hold));
    EXPECT_EQ(Supports<IInterface>(probe).get(), root->Identity());
    EXPECT_EQ(Supports<IIaAObject>(probe).get(), static_cast<IIaAObject*>(root));
    EXPECT_EQ(part->GetRootIntf(), root->Identity());
    EXPECT_EQ(part->GetObject(), root);
    EXPECT_FALSE(SameObject(IPtr<IProbe>(root->Parts[0]).get(), nullptr));
}

TEST_F(IntfClasses, PartReachesRootAndSiblingsThroughTheRoot) {
    TRoot* root = Make<TRoot>(2);
    IPtr<IRootOnly> hold(root);
    auto viaPart = Supports<IRootOnly>(static_cast<IIaAObject*>(root->Parts[0]));
    ASSERT_TRUE(viaPart);
    EXPECT_EQ(viaPart->Answer(), 42);
    // The part answers IProbe itself, never the sibling's.
    EXPECT_EQ(Supports<IProbe>(static_cast<IIaAObject*>(root->Parts[1]))->Tag(), "p1");
    EXPECT_FALSE(Supports<IIaAFullUpdate>(static_cast<IIaAObject*>(root->Parts[0])));
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(root->QueryInterface(IIaAFullUpdate::IID, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

TEST_F(IntfClasses, RegistersOnceAndNotifiesInOrder) {
    TRoot* root = Make<TRoot>(3);
    IPtr<IRootOnly> hold(root);
    root->AddIntf(root->Parts[0]); // the same part again
    root->Parts[2]->AddIntf(root->Parts[1]); // a part passes registration up to the root
    EXPECT_EQ(root->GetIntfCount(), 3);
    EXPECT_EQ(root->Parts[0]->GetIntfCount(), 0);
    EXPECT_EQ(root->GetIntf(0), static_cast<IIaAObject*>(root->Parts[0]));
    EXPECT_EQ(root->GetIntf(3), nullptr);
    EXPECT_EQ(gLog, (std::vector<std::string>{"safe", "after p0 creating", "after p1 creating", "after p2 creating"}));
    gLog.clear();
    hold.reset();
    EXPECT_EQ(gLog, (std::vector<std::string>{"before p2", "before p1", "before p0", "free p2", "free p1", "free p0",
                                              "free root"}));
}

TEST_F(IntfClasses, PartsReportTheRootsState) {
    TRoot* root = Make<TRoot>(1);
    IPtr<IRootOnly> hold(root);
    TPart* part = root->Parts[0];
    EXPECT_EQ(part->GetObjectStatus(), TIiAObjectStates());
    root->BeginLoad();
    EXPECT_TRUE(part->GetObjectStatus().Has(ioLoading));
    root->EndLoad();
    EXPECT_EQ(part->GetObjectStatus().Bits(), 0);
}

TEST_F(IntfClasses, NestedLoadingMarksTheTreeOnce) {
    TRoot* root = Make<TRoot>(2);
    IPtr<IRootOnly> hold(root);
    gLog.clear();
    root->BeginLoad();
    root->BeginLoad();
    root->EndLoad();
    EXPECT_TRUE(root->OwnObjectStatus().Has(ioLoading));
    EXPECT_TRUE(root->Parts[0]->OwnObjectStatus().Has(ioLoading));
    EXPECT_TRUE(root->Parts[1]->OwnObjectStatus().Has(ioLoading));
    root->EndLoad();
    EXPECT_FALSE(root->OwnObjectStatus().Has(ioLoading));
    EXPECT_FALSE(root->Parts[1]->OwnObjectStatus().Has(ioLoading));
    EXPECT_EQ(gLog, (std::vector<std::string>{"load p0", "load p1", "unload p0", "unload p1"}));
    // An unmatched close changes nothing.
    root->EndLoad();
    root->BeginLoad();
    EXPECT_TRUE(root->OwnObjectStatus().Has(ioLoading));
    root->EndLoad();
}

TEST_F(IntfClasses, ReferencesDroppedDuringDestructionDoNotDestroyTwice) {
    struct TSelfReferencing : TRoot {
        TSelfReferencing() : TRoot(0) {}
        void BeforeDestruction() override { IPtr<IRootOnly> again(this); }
    };
    TSelfReferencing* root = Make<TSelfReferencing>();
    { IPtr<IRootOnly> hold(root); } // ASan reports a second destruction
    EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "free root"), 1);
}

TEST(IPtrTest, CopyCountsMoveDoesNot) {
    struct TPlain : TIaAObject {};
    TPlain* obj = Make<TPlain>();
    IPtr<IIaAObject> a(obj);
    EXPECT_EQ(obj->OwnRefCount(), 1);
    IPtr<IIaAObject> b = a;
    EXPECT_EQ(obj->OwnRefCount(), 2);
    IPtr<IIaAObject> c = std::move(b);
    EXPECT_EQ(obj->OwnRefCount(), 2);
    EXPECT_FALSE(b);
    IInterface* weak = nullptr;
    AssignWeak(weak, Supports<IInterface>(c));
    EXPECT_EQ(obj->OwnRefCount(), 2);
    EXPECT_EQ(weak, obj->Identity());
}
