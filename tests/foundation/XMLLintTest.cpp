// Cross-check with an independent parser: what we write must be well-formed XML.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "foundation/XML.Impl.h"

using namespace foundation;

TEST(XMLLint, WrittenDocumentIsWellFormed) {
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmllint is not installed (Debian package libxml2-utils); cross-check skipped";
    InstallXMLNodes();
    auto root = CreateXMLNode(nullptr);
    root->SetNodeName("Schedule");
    root->AddAttribute("quote")->SetAsStr("a \"b\" 'c' <d> & e &lt;");
    root->AddAttribute("Level")->SetAsFloat(0.75);
    root->AddAttribute("Name")->SetAsStr("Grüße € 日本");
    auto ev = root->AddChild("Event");
    ev->SetNodeValue("first line\r\nsecond <line> & more");
    ev->AddChild("Empty");
    root->AddChild("Other")->AddAttribute("v");

    auto path =
        std::filesystem::temp_directory_path() / ("lumacue-xmllint-" + std::to_string(::getpid()) + ".xml");
    root->SaveToFile(path.string());
    std::string cmd = "xmllint --noout '" + path.string() + "'";
    int rc = std::system(cmd.c_str());
    // xmllint also reads the values back: it must see the text we stored.
    std::string xpath = "xmllint --xpath 'string(/Schedule/@quote)' '" + path.string() + "'";
    FILE* p = ::popen(xpath.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[256] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, p);
    ::pclose(p);
    std::filesystem::remove(path);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(std::string(buf, n), "a \"b\" 'c' <d> & e &lt;\n");
}
