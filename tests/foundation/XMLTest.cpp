#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "foundation/Exceptions.h"
#include "foundation/XML.Impl.h"
#include "foundation/XML.Persist.h"
#include "platform/testing/MemoryClipboard.h"

using namespace foundation;

namespace {

class XML : public ::testing::Test {
protected:
    void SetUp() override {
        InstallXMLNodes();
        InstallXMLPersist();
    }
    void TearDown() override { FinalizeXMLPersist(); }

    static TXMLLines Lines(IXMLNode* n) {
        TXMLLines l;
        n->WriteToStrings(l);
        return l;
    }
    // Reads a document given as UTF-16LE text with a byte-order mark and CR LF line ends.
    static IPtr<IXMLNode> Read(const std::vector<std::string>& lines) {
        std::string text;
        for (auto& l : lines)
            text += l + "\r\n";
        TBytes b{0xFF, 0xFE};
        for (char c : text) {
            b.push_back(uint8_t(c));
            b.push_back(0);
        }
        TMemoryStream s(b);
        auto root = CreateXMLNode(nullptr);
        root->LoadFromStream(s);
        return root;
    }
    static std::string ReadError(const std::vector<std::string>& lines) {
        try {
            Read(lines);
        } catch (const Exception& e) {
            return e.what();
        }
        return "(no error)";
    }
};

} // namespace

TEST_F(XML, WritesOneLinePerTagWithEscapedValues) {
    auto root = CreateXMLNode(nullptr);
    root->SetNodeName("Root");
    EXPECT_EQ(Lines(root.get()), TXMLLines{"<Root/>"});
    root->AddAttribute("a")->SetAsStr("x&y");
    root->AddChild("Empty");
    root->AddChild("T")->SetNodeValue("<\"it's\">");
    EXPECT_EQ(Lines(root.get()), (TXMLLines{"<Root a=\"x&amp;y\">", "<Empty/>", "<T>",
                                            "&lt;&quot;it&apos;s&quot;&gt;", "</T>", "</Root>"}));

    TMemoryStream s;
    root->SaveToStream(s);
    const TBytes& b = s.Bytes();
    ASSERT_GE(b.size(), 6u);
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[1], 0xFE);
    EXPECT_EQ(b[2], '<');
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(TBytes(b.end() - 4, b.end()), (TBytes{'\r', 0, '\n', 0}));
}

TEST_F(XML, RoundTripKeepsTreeValuesAndEntityText) {
    auto root = CreateXMLNode(nullptr);
    root->SetNodeName("Doc");
    root->AddAttribute("lt")->SetAsStr("&lt;");
    root->AddAttribute("utf")->SetAsStr("Grüße €");
    auto a = root->AddChild("A");
    a->AddAttribute("empty");
    a->AddAttribute("space")->SetAsStr("x y");
    auto b = a->AddChild("B");
    b->SetNodeValue("line1\r\nline2 &amp; more");
    root->AddChild("C");

    TMemoryStream s;
    root->SaveToStream(s);
    s.SetPosition(0);
    auto back = CreateXMLNode(nullptr);
    back->LoadFromStream(s);
    EXPECT_EQ(Lines(back.get()), Lines(root.get()));
    EXPECT_EQ(back->Attribute("lt")->GetAsStr(), "&lt;");
    EXPECT_EQ(back->Attribute("utf")->GetAsStr(), "Grüße €");
    EXPECT_EQ(back->Child("A")->Attribute("space")->GetAsStr(), "x y");
    EXPECT_EQ(back->Child("A")->Attribute("empty")->GetAsStr(), "");
    EXPECT_EQ(back->Child("A")->Child("B")->GetNodeValue(), "line1\r\nline2 &amp; more");
    EXPECT_EQ(back->ChildCount(), 2);
}

TEST_F(XML, DeclarationIsOptionalAndCaseInsensitive) {
    for (const char* decl : {"", "<?XML version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>"}) {
        std::vector<std::string> doc = {"<R k=\"v\">", "<C/>", "</R>"};
        if (*decl) doc.insert(doc.begin(), decl);
        auto r = Read(doc);
        EXPECT_EQ(r->GetNodeName(), "R") << decl;
        EXPECT_EQ(r->Attribute("k")->GetAsStr(), "v");
        EXPECT_EQ(r->ChildCount(), 1);
    }
}

TEST_F(XML, DecodesByByteOrderMark) {
    const std::string doc = "<R v=\"\xC3\xA9\"/>\r\n";
    TBytes utf8{0xEF, 0xBB, 0xBF};
    utf8.insert(utf8.end(), doc.begin(), doc.end());
    TBytes be{0xFE, 0xFF}, ansi;
    for (uint8_t c : std::string("<R v=\"\xE9\"/>\n")) {
        be.push_back(0);
        be.push_back(c);
        ansi.push_back(c);
    }
    for (const TBytes& bytes : {utf8, be, ansi}) {
        TMemoryStream s(bytes);
        auto r = CreateXMLNode(nullptr);
        r->LoadFromStream(s);
        EXPECT_EQ(r->Attribute("v")->GetAsStr(), "\xC3\xA9"); // é
    }
}

TEST_F(XML, InvalidTags) {
    for (const auto& doc : std::vector<std::vector<std::string>>{
             {},                             // an empty document
             {"R/>"},                        // no "<"
             {"<R a=\"1\"", "b=\"2\""},      // a tag that never ends
             {"<R>", "<C/>"},                // truncated: the last line is no closing tag
             {"<R>", "<C>", "<D/>", "</C>"}, // truncated one level up
             {"<R>"},                        // nothing after the opening tag
         })
        EXPECT_EQ(ReadError(doc), "Invalid tags") << (doc.empty() ? "(empty)" : doc[0]);
}

TEST_F(XML, TagOverSeveralLinesAndTokenizer) {
    auto r = Read({"<N a=\"x y\" b=\"\"", "c=\"3\">", "text", "</N>"});
    EXPECT_EQ(r->GetNodeName(), "N");
    ASSERT_EQ(r->AttributeCount(), 3);
    EXPECT_EQ(r->Attribute(0)->GetAsStr(), "x y");
    EXPECT_EQ(r->Attribute(1)->GetAsStr(), "");
    EXPECT_EQ(r->Attribute(2)->GetAsStr(), "3");
    EXPECT_EQ(r->GetNodeValue(), "text");
}

TEST_F(XML, NestingIsBounded) {
    std::vector<std::string> doc;
    for (int i = 0; i < 100000; ++i)
        doc.push_back("<N" + std::to_string(i) + ">");
    EXPECT_EQ(ReadError(doc), "Invalid tags");

    std::vector<std::string> ok;
    for (int i = 0; i < 200; ++i)
        ok.push_back("<N" + std::to_string(i) + ">");
    for (int i = 199; i >= 0; --i)
        ok.push_back("</N" + std::to_string(i) + ">");
    EXPECT_EQ(ReadError(ok), "(no error)");
}

TEST_F(XML, DuplicateNamesFromFileAndNodeXChildren) {
    auto r = Read({"<R>", "<Dup a=\"1\"/>", "<Dup a=\"2\"/>", "</R>"});
    ASSERT_EQ(r->ChildCount(), 2);
    EXPECT_EQ(r->Child("dup")->Attribute("a")->GetAsStr(), "1");
    EXPECT_THROW(r->AddChild("Dup"), Exception);
    EXPECT_EQ(ReadError({"<R>", "<nodex/>", "<B/>", "</R>"}), "Name already in use: NodeX");
    EXPECT_EQ(ReadError({"<R a=\"1\" A=\"2\"/>"}), "Name already in use: A");
}

TEST_F(XML, NameRules) {
    auto root = CreateXMLNode(nullptr);
    auto a = root->AddChild("A");
    root->AddChild("B");
    auto msg = [](auto fn) {
        try {
            fn();
        } catch (const Exception& e) {
            return std::string(e.what());
        }
        return std::string("(no error)");
    };
    EXPECT_EQ(msg([&] { a->SetNodeName("x y"); }), "NodeNames cannot have spaces");
    EXPECT_EQ(msg([&] { a->SetNodeName(""); }), "NodeNames cannot be blank");
    EXPECT_EQ(msg([&] { a->SetNodeName("b"); }), "Name already in use");
    EXPECT_EQ(msg([&] { a->SetNodeName("A"); }), "(no error)");
    EXPECT_EQ(msg([&] { root->AddChild("a"); }), "Name already in use: a");
    auto cls = root->AddAttribute("Class");
    root->AddAttribute("Other");
    EXPECT_EQ(msg([&] { root->AddAttribute("CLASS"); }), "Name already in use: CLASS");
    EXPECT_EQ(msg([&] { cls->SetName("other"); }), "Name already in use");
    EXPECT_TRUE(root->Attribute("class"));
    root->DeleteAttribute("class");
    EXPECT_TRUE(root->Attribute("Class")) << "deleting compares exactly";
    root->DeleteAttribute("Class");
    EXPECT_FALSE(root->Attribute("Class"));
    EXPECT_EQ(root->ChildIndex("a"), -1);
    EXPECT_EQ(root->ChildIndex("A"), 0);
    EXPECT_THROW(root->Child(5), Exception);
    EXPECT_THROW(root->Attribute(-1), Exception);
}

TEST_F(XML, TreeLinksAndSiblings) {
    auto root = CreateXMLNode(nullptr);
    auto a = root->AddChild("A");
    auto b = root->AddChild("B");
    EXPECT_EQ(a->GetParentNode().get(), root.get());
    EXPECT_EQ(a->NextSibling().get(), b.get());
    EXPECT_EQ(b->PrevSibling().get(), a.get());
    EXPECT_FALSE(b->NextSibling());
    EXPECT_FALSE(root->NextSibling());

    auto other = CreateXMLNode(nullptr);
    a->SetParentNode(other.get());
    EXPECT_EQ(root->ChildCount(), 1);
    EXPECT_EQ(other->FirstChild().get(), a.get());
    other->DeleteChild(a.get());
    EXPECT_FALSE(a->GetParentNode());
    EXPECT_EQ(other->ChildCount(), 0);

    // Dropping the root detaches the children that are still referenced.
    root.reset();
    EXPECT_FALSE(b->GetParentNode());
    EXPECT_FALSE(b->PrevSibling());
}

TEST_F(XML, CopyToNodeIsDeep) {
    auto src = CreateXMLNode(nullptr);
    src->SetNodeName("S");
    src->AddAttribute("k")->SetAsInt(7);
    src->AddChild("C")->AddChild("D")->SetNodeValue("v");
    auto dst = CreateXMLNode(nullptr);
    dst->AddAttribute("old");
    dst->AddChild("Old");
    src->CopyToNode(dst.get());
    EXPECT_EQ(Lines(dst.get()), Lines(src.get()));
    src->Child("C")->Child("D")->SetNodeValue("changed");
    EXPECT_EQ(dst->Child("C")->Child("D")->GetNodeValue(), "v");
}

TEST_F(XML, TypedAttributes) {
    auto n = CreateXMLNode(nullptr);
    auto a = n->AddAttribute("v");
    a->SetAsBool(true);
    EXPECT_EQ(a->GetAsStr(), "-1");
    a->SetAsBool(false);
    EXPECT_EQ(a->GetAsStr(), "0");
    struct B {
        const char* text;
        bool value;
    };
    for (auto c : {B{"-1", true}, B{"2.5", true}, B{"0", false}, B{"TRUE", true}, B{"false", false},
                   B{"yes", false}, B{"", false}}) {
        a->SetAsStr(c.text);
        EXPECT_EQ(a->GetAsBool(), c.value) << c.text;
    }

    a->SetAsInt(-42);
    EXPECT_EQ(a->GetAsStr(), "-42");
    EXPECT_EQ(a->GetAsInt(), -42);
    for (const char* bad : {"abc", "", "12x", "99999999999"}) {
        a->SetAsStr(bad);
        EXPECT_EQ(a->GetAsInt(), 0) << bad;
    }

    a->SetAsFloat(1.0);
    EXPECT_EQ(a->GetAsStr(), "000000000000F03F");
    EXPECT_EQ(a->GetAsFloat(), 1.0);
    a->SetAsFloat(-0.1);
    EXPECT_EQ(a->GetAsFloat(), -0.1);
    a->SetAsStr("12");
    EXPECT_EQ(a->GetAsFloat(), 0.0);

    a->SetAsStr("1.25");
    EXPECT_EQ(a->GetAsFloatDirect(), 1.25);
    a->SetAsStr("1,25");
    EXPECT_EQ(a->GetAsFloatDirect(), 1.25);
    a->SetAsStr("1.2,5");
    EXPECT_THROW(a->GetAsFloatDirect(), Exception);

    a->SetAsBytes({0x0A, 0xFF, 0x00});
    EXPECT_EQ(a->GetAsStr(), "0AFF00");
    EXPECT_EQ(a->GetAsBytes(), (TBytes{0x0A, 0xFF, 0x00}));
    a->SetAsStr("0aZZ1");
    EXPECT_EQ(a->GetAsBytes(), (TBytes{0x0A, 0x00})) << "never fails; half the text length";
}

TEST_F(XML, SaveToFileReplacesOnlyAfterASuccessfulWrite) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("lumacue-xml-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string file = (dir / "doc.xml").string();
    auto root = CreateXMLNode(nullptr);
    root->SetNodeName("First");
    root->SaveToFile(file);
    root->SetNodeName("Second");
    root->SaveToFile(file);
    auto back = CreateXMLNode(nullptr);
    back->LoadFromFile(file);
    EXPECT_EQ(back->GetNodeName(), "Second");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary left";

    // A write that cannot complete leaves the old document as it was.
    auto* node = dynamic_cast<TXMLNode*>(root.get());
    ASSERT_NE(node, nullptr);
    TMemoryStream s;
    root->SaveToStream(s);
    EXPECT_THROW(node->SaveStreamToFile(s, (dir / "missing" / "doc.xml").string()), EOSError);
    // A folder that refuses the temporary file stands in for a full disk.
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0) {
        root->SetNodeName("Third");
        EXPECT_THROW(root->SaveToFile(file), EOSError);
        back->LoadFromFile(file);
        EXPECT_EQ(back->GetNodeName(), "Second");
    }
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove_all(dir);
}

TEST_F(XML, Clipboard) {
    platform::testing::TMemoryClipboard clipboard;
    uint32_t fmt = clipboard.RegisterFormat("Lumacue Scene");
    uint32_t other = clipboard.RegisterFormat("Other");
    auto root = CreateXMLNode(nullptr);
    root->SetNodeName("Clip");
    root->AddAttribute("x")->SetAsInt(3);
    root->SaveToClipboard(fmt);
    TMemoryStream expected;
    root->SaveToStream(expected);
    EXPECT_EQ(clipboard.GetData(fmt), expected.Bytes());

    auto back = CreateXMLNode(nullptr);
    back->LoadFromClipboard(other);
    EXPECT_EQ(back->GetNodeName(), "NodeX") << "a format the clipboard does not hold changes nothing";
    back->LoadFromClipboard(fmt);
    EXPECT_EQ(Lines(back.get()), Lines(root.get()));
}

// ---- persistence

namespace {

struct IProbe : virtual IInterface {
    static constexpr TGUID IID = "{0D67B119-12FE-44F8-8764-A06EB50A8AB5}"_guid;
};

class TPersistPart : public TIaAObject, public virtual IXMLPersist {
public:
    using TIaAObject::TIaAObject;
    void SaveToXML(IXMLNode* ANode) override { ANode->AddAttribute("PartValue")->SetAsInt(Value); }
    void LoadFromXML(IXMLNode* ANode, const TFormatVersion&) override {
        LoadedWhileLoading = GetObjectStatus().Has(ioLoading);
        Value = ANode->Attribute("PartValue")->GetAsInt();
    }
    int Value = 0;
    bool LoadedWhileLoading = false;

protected:
    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override {
        if (OfferInterface<IXMLPersist>(this, IID, Obj)) return S_OK;
        return TIaAObject::QueryOwnInterface(IID, Obj);
    }
};

class TPersistRoot : public TIaAObject, public virtual IXMLPersist, public virtual IProbe {
public:
    TPersistRoot() { Part = Make<TPersistPart>(Identity()); }
    void SaveToXML(IXMLNode* ANode) override { ANode->AddAttribute("Name")->SetAsStr(Name); }
    void LoadFromXML(IXMLNode* ANode, const TFormatVersion& V) override {
        if (ANode->Attribute("Fail")) throw Exception("load failed");
        Name = ANode->Attribute("Name")->GetAsStr();
        Version = V;
    }
    std::string Name;
    TFormatVersion Version;
    TPersistPart* Part;

protected:
    HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override {
        if (OfferInterface<IXMLPersist>(this, IID, Obj) || OfferInterface<IProbe>(this, IID, Obj))
            return S_OK;
        return TIaAObject::QueryOwnInterface(IID, Obj);
    }
};

} // namespace

TEST_F(XML, ObjectAndPartsShareOneNode) {
    IPtr<IProbe> obj(Make<TPersistRoot>());
    auto* root = dynamic_cast<TPersistRoot*>(obj.get());
    root->Name = "Front";
    root->Part->Value = 12;
    auto node = CreateXMLNode(nullptr);
    SaveObjectToXML(node.get(), obj.get());
    EXPECT_EQ(node->Attribute("Class")->GetAsStr(), "TPersistRoot");
    EXPECT_EQ(node->Attribute("Name")->GetAsStr(), "Front");
    EXPECT_EQ(node->Attribute("PartValue")->GetAsInt(), 12);
    EXPECT_THROW(SaveObjectToXML(node.get(), obj.get()), Exception) << "a second Class attribute";

    RegisterXMLConstructorFor<TPersistRoot>(
        [](IXMLNode*) { return IPtr<IInterface>(Make<TPersistRoot>()->Identity()); });
    auto made = CreateObjectFromXML(node.get(), {2, 0, 0, 1});
    ASSERT_TRUE(made);
    auto probe = Supports<IProbe>(made);
    auto* back = dynamic_cast<TPersistRoot*>(probe.get());
    EXPECT_EQ(back->Name, "Front");
    EXPECT_EQ(back->Version, (TFormatVersion{2, 0, 0, 1}));
    EXPECT_EQ(back->Part->Value, 12);
    EXPECT_TRUE(back->Part->LoadedWhileLoading);
    EXPECT_FALSE(back->GetObjectStatus().Has(ioLoading));
}

TEST_F(XML, LoadingBracketClosesOnFailureAndUnknownClassIsNil) {
    IPtr<IProbe> obj(Make<TPersistRoot>());
    auto* root = dynamic_cast<TPersistRoot*>(obj.get());
    auto node = CreateXMLNode(nullptr);
    node->AddAttribute("Fail");
    EXPECT_THROW(LoadObjectFromXML(node.get(), obj.get(), {}), Exception);
    EXPECT_FALSE(root->GetObjectStatus().Has(ioLoading));

    auto unknown = CreateXMLNode(nullptr);
    unknown->AddAttribute("Class")->SetAsStr("TNobody");
    EXPECT_FALSE(CreateObjectFromXML(unknown.get(), {}));
    EXPECT_FALSE(CreateObjectFromXML(CreateXMLNode(nullptr).get(), {}));
}
