#include "osc/OSC.ServerList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "osc/OSC.Method.h"

using namespace osc;
using ::testing::ElementsAre;

namespace {

class OSCServerListTest : public ::testing::Test {
protected:
    OSCServerListTest() {
        InstallOSCMethods();
        InstallOSCServerList();
        List = OSCServerList();
    }
    ~OSCServerListTest() override { FinalizeOSCServerList(); }

    static IPtr<IOSCMethod> Named(const std::string& Name) {
        auto m = CreateOSCMethod();
        m->FromFootprint({"/m", "", Name});
        return m;
    }
    IOSCServerList* List;
};

// Only the identity of a transport matters to the list.
IOSCServer* FakeServer(int& Tag) {
    return reinterpret_cast<IOSCServer*>(&Tag);
}

} // namespace

TEST_F(OSCServerListTest, KeepsTheSixNewestNamedMethodsAndReportsThem) {
    EXPECT_TRUE(List->GetOSCAllowTx());
    int s = 0;
    std::vector<std::string> reported;
    List->SetOSCOnMethodSent([&](IOSCServer* Server, IOSCMethod* Method) {
        EXPECT_EQ(Server, FakeServer(s));
        reported.push_back(Method->GetOSCMethodName());
    });
    for (const char* name : {"1", "2", "", "3", "4", "5", "6", "7"})
        List->OSCSentMethod(Named(name).get(), FakeServer(s));
    EXPECT_THAT(reported, ElementsAre("1", "2", "3", "4", "5", "6", "7"));
    ASSERT_EQ(List->GetOSCLastMethodsSentCount(), 6);
    std::vector<std::string> kept;
    for (int i = 0; i < 6; ++i)
        kept.push_back(List->getOSCLastMethodsSent(i)->GetOSCMethodName());
    EXPECT_THAT(kept, ElementsAre("7", "6", "5", "4", "3", "2"));
    EXPECT_THROW(List->getOSCLastMethodsSent(6), EListError);
}

TEST_F(OSCServerListTest, ServersAndReceiversAreListedOnce) {
    int a = 0, b = 0;
    List->AddServer(FakeServer(a));
    List->AddServer(FakeServer(a));
    List->AddServer(FakeServer(b));
    EXPECT_EQ(List->GetOSCServerCount(), 2);
    List->RemoveServer(FakeServer(a));
    List->RemoveServer(FakeServer(a));
    EXPECT_EQ(List->getOSCServer(0), FakeServer(b));
    List->RemoveServer(0);
    EXPECT_EQ(List->GetOSCServerCount(), 0);
    EXPECT_THROW(List->RemoveServer(0), EListError);

    auto r = CreateOSCMethodReceiverDefault();
    List->AddReceiver(r.get());
    List->AddReceiver(r.get());
    EXPECT_EQ(List->GetOSCReceiverCount(), 1);
    EXPECT_EQ(List->getOSCReceiver(0), static_cast<IOSCMethodReceiver*>(r.get()));
    List->RemoveReceiver(r.get());
    EXPECT_EQ(List->GetOSCReceiverCount(), 0);

    List->SetOSCAllowTx(false);
    EXPECT_FALSE(OSCServerList()->GetOSCAllowTx());
}
