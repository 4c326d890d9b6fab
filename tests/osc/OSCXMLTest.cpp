#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/XML.Impl.h"
#include "osc/OSC.Method.h"
#include "osc/OSC.Parameter.h"

using namespace osc;
using foundation::CreateXMLNode;
using foundation::TXMLLines;
using ::testing::ElementsAre;

namespace {

class OSCXMLTest : public ::testing::Test {
protected:
    OSCXMLTest() {
        foundation::InstallXMLNodes();
        InstallOSCMethods();
    }
    // Through the document text, as a stored file would go.
    static IPtr<IXMLNode> ThroughText(IXMLNode* Node) {
        TXMLLines lines;
        Node->WriteToStrings(lines);
        auto copy = CreateXMLNode(nullptr);
        copy->ReadFromStrings(lines);
        return copy;
    }
    static std::vector<std::string> AttributeNames(IXMLNode* Node) {
        std::vector<std::string> out;
        for (int32_t i = 0; i < Node->AttributeCount(); ++i)
            out.push_back(Node->Attribute(i)->GetName());
        return out;
    }
};

} // namespace

TEST_F(OSCXMLTest, ArgumentStoresTypeVisibilityRawBytesAndTexts) {
    IPtr<IOSCParameter> p(foundation::Make<TOSCParameter>());
    p->SetAsInt(1);
    p->SetName("Value");
    p->SetDescription("a \"quoted\" <text>");
    p->SetVisibility(opvOptionalVisible);
    auto node = CreateXMLNode(nullptr);
    p->SaveToXML(node.get());
    EXPECT_THAT(AttributeNames(node.get()), ElementsAre("OSCParam_Type", "OSCParam_Visibility",
                                                        "OSCParam_Value", "OSCParam_Name", "OSCParam_Desc"));
    EXPECT_EQ(node->Attribute("OSCParam_Value")->GetAsStr(), "01000000");
    EXPECT_EQ(node->Attribute("OSCParam_Type")->GetAsStr(), "1");

    IPtr<IOSCParameter> q(foundation::Make<TOSCParameter>());
    q->LoadFromXML(ThroughText(node.get()).get());
    EXPECT_EQ(q->GetParamType(), opInteger);
    EXPECT_EQ(q->GetAsInt(), 1);
    EXPECT_EQ(q->GetVisibility(), opvOptionalVisible);
    EXPECT_EQ(q->GetName(), "Value");
    EXPECT_EQ(q->GetDescription(), "a \"quoted\" <text>");

    // Loaded without conversion: a float whose stored bytes are short reads as far as they go.
    node->Attribute("OSCParam_Type")->SetAsInt(opFloat);
    node->Attribute("OSCParam_Value")->SetAsStr("0000");
    q->LoadFromXML(node.get());
    EXPECT_EQ(q->GetAsBlob().size(), 2u);
    EXPECT_EQ(q->GetAsFloat(), 0.0f);

    // A missing attribute or an impossible value fails and changes nothing.
    q->SetAsInt(5);
    for (const char* attr : {"OSCParam_Desc", "OSCParam_Visibility"}) {
        auto broken = ThroughText(node.get());
        if (std::string(attr) == "OSCParam_Desc")
            broken->DeleteAttribute(attr);
        else
            broken->Attribute(attr)->SetAsInt(7);
        EXPECT_THROW(q->LoadFromXML(broken.get()), EOSCDocument) << attr;
        EXPECT_EQ(q->GetAsInt(), 5);
    }
}

TEST_F(OSCXMLTest, MethodRoundTripsThroughADocumentAndCopies) {
    auto m = CreateOSCMethod();
    m->FromFootprint({"/dmx/ch/*", "fsb", "DMX Channel Value", "Set one channel", "Value;Label;Data", "",
                      "m;ov;oh", "Channel", "Channel number"},
                     {"5"});
    m->getParameters(0)->SetAsFloat(0.5f);
    m->getParameters(1)->SetAsString("caf\u00e9");
    m->getParameters(2)->SetAsBlob({0, 1});
    int solver = 0;
    m->SetSolver(&solver);
    m->SetLocalFeedback(true);

    auto node = CreateXMLNode(nullptr);
    m->SaveToXML(node.get());
    EXPECT_THAT(AttributeNames(node.get()),
                ElementsAre("OSCMethodAddress", "OSCMethodName", "OSCMethodDesc"));
    ASSERT_EQ(node->ChildCount(), 2);
    EXPECT_EQ(node->Child(0)->GetNodeName(), "OSCMethodParameters");
    EXPECT_EQ(node->Child(0)->Attribute("Count")->GetAsInt(), 3);
    EXPECT_EQ(node->Child(0)->Child(2)->GetNodeName(), "OSCMethodParameter2");
    EXPECT_EQ(node->Child(1)->Child(0)->GetNodeName(), "OSCMethodNameParam0");
    EXPECT_EQ(node->Child(1)->Child(0)->Attribute("OSCMethodNameParam_Value")->GetAsStr(), "5");

    auto loaded = CreateOSCMethod();
    loaded->LoadFromXML(ThroughText(node.get()).get());
    EXPECT_EQ(loaded->AsOSCBytes(), m->AsOSCBytes());
    EXPECT_EQ(loaded->ToString(), m->ToString());
    EXPECT_EQ(loaded->GetOSCMethodAddressUnresolved(), "/dmx/ch/*");
    EXPECT_EQ(loaded->GetOSCMethodAddress(), "/dmx/ch/5");
    EXPECT_EQ(loaded->getNameParametersDescriptionTx(0), "Channel number");
    EXPECT_EQ(loaded->getParameters(2)->GetVisibility(), opvOptionalHidden);
    EXPECT_EQ(loaded->getParameters(1)->GetAsString(), "caf\u00e9");

    auto copy = CreateOSCMethod();
    int other = 0;
    copy->SetSolver(&other);
    copy->FromMethod(m.get());
    EXPECT_EQ(copy->AsOSCBytes(), m->AsOSCBytes());
    EXPECT_FALSE(copy->GetLocalFeedback());
    EXPECT_EQ(copy->GetSolver(), &other);
    EXPECT_EQ(copy->getParameters(0)->GetSolver(), &other);
    EXPECT_TRUE(copy->IsCompatible(m.get()));
}

TEST_F(OSCXMLTest, IncompleteMethodDocumentsFailWithoutChangingTheMethod) {
    auto m = CreateOSCMethod();
    m->FromFootprint({"/a", "ii", "A"});
    auto good = CreateXMLNode(nullptr);
    m->SaveToXML(good.get());

    const std::function<void(IXMLNode*)> breakages[] = {
        [](IXMLNode* n) { n->DeleteAttribute("OSCMethodDesc"); },
        [](IXMLNode* n) { n->DeleteChild("OSCMethodNameParams"); },
        [](IXMLNode* n) { n->Child("OSCMethodParameters")->DeleteChild("OSCMethodParameter1"); },
        [](IXMLNode* n) { n->Child("OSCMethodParameters")->Attribute("Count")->SetAsInt(2000000000); },
        [](IXMLNode* n) { n->Child("OSCMethodNameParams")->Attribute("Count")->SetAsInt(-1); },
        [](IXMLNode* n) { n->Child("OSCMethodParameters")->DeleteAttribute("Count"); },
    };
    auto target = CreateOSCMethod();
    target->FromFootprint({"/keep", "s", "Keep"});
    TBytes before = target->AsOSCBytes();
    for (size_t i = 0; i < std::size(breakages); ++i) {
        auto broken = ThroughText(good.get());
        breakages[i](broken.get());
        EXPECT_THROW(target->LoadFromXML(broken.get()), EOSCDocument) << i;
        EXPECT_EQ(target->AsOSCBytes(), before) << i;
    }
}
