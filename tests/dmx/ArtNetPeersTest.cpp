// Our Art-Net node checked by independent receivers: Wireshark's dissector reads what it really
// sent, and an OLA daemon on a separate test host holds the universe we drive.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "dmx/DMX.Delegate.ArtNet.h"
#include "dmx/DMXOutput.h"
#include "platform/posix/PosixUdp.h"
#include "platform/testing/VirtualLoop.h"
#include "tests/support/NetNs.h"
#include "tests/support/WaitFor.h"

using namespace dmx;
using foundation::Supports;
using testsupport::Capture;
using testsupport::HaveProgram;
using testsupport::TChild;
using testsupport::TNetNs;
using testsupport::WaitFor;

namespace {

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream f(p);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string Suffix() { return std::to_string(::getpid()); }

class ArtNetPeers : public ::testing::Test {
protected:
    ArtNetPeers() {
        platform::posix::InstallPosixUdp();
        InstallDMXInterfaces();
        InstallDMXOutput();
        InstallDMXArtNet();
        FDir = std::filesystem::temp_directory_path() / ("lumacue-artnet-" + Suffix());
        std::filesystem::create_directories(FDir);
    }
    ~ArtNetPeers() override {
        Intf.reset();
        ArtNet.reset();
        Root.reset();
        FinalizeDMXOutput();
        std::filesystem::remove_all(FDir);
    }

    // The output under test, activated (its socket bound) inside Ns.
    void Open(const TNetNs& Ns, const std::string& Dest, int Subnet, int Universe) {
        Root = NewArtNetOutput(Dest);
        Intf = Supports<IDMXInterface>(Root);
        ArtNet = Supports<IDMXArtNetInterfaceDelegate>(Root);
        ArtNet->setSubnet(Subnet);
        ArtNet->setUniverse(Universe);
        TNetNs::TEnter inside(Ns);
        Intf->SetActive(true);
    }

    platform::testing::TVirtualLoop Loop;
    std::filesystem::path FDir;
    IPtr<IDMXNamedInterfaceDelegate> Root;
    IPtr<IDMXInterface> Intf;
    IPtr<IDMXArtNetInterfaceDelegate> ArtNet;
};

} // namespace

TEST_F(ArtNetPeers, WiresharkDecodesThePacketsWeSend) {
    if (!HaveProgram("tshark")) GTEST_SKIP() << "tshark is not installed (scripts/install-deps installs it)";
    TNetNs ns("lumacue-ts-" + Suffix());
    if (!ns.Ok()) GTEST_SKIP() << "cannot create a network namespace (needs root and iproute2)";

    const auto pcap = FDir / "artnet.pcap";
    const auto log = FDir / "tshark.log";
    TChild capture(ns.Exec("tshark -i lo -f 'udp dst port 6454' -c 3 -a duration:30 -w " + pcap.string()), log);
    ASSERT_TRUE(WaitFor([&] { return ReadFile(log).find("Capture started") != std::string::npos; }, 20000))
        << ReadFile(log);

    Open(ns, "127.0.0.1", 0x35, 7);
    Intf->setDMXCh(0, 1);
    Intf->setDMXCh(1, 128);
    Intf->setDMXCh(511, 255);
    ASSERT_TRUE(capture.Wait(20000)) << "tshark did not see three packets: " << ReadFile(log);

    const std::string fields = Capture("tshark -r " + pcap.string() +
                                       " -T fields -E separator=, -e artnet.header.id -e artnet.header.opcode"
                                       " -e artnet.header.protver -e artnet.output.sequence"
                                       " -e artnet.output.universe -e artnet.output.length -e dmx_chan.data_filter");
    std::vector<std::string> lines;
    std::istringstream in(fields);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line.rfind("Running as", 0) != 0) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u) << fields;

    // The last packet carries all three channels; SubUni 0x57 and Net 0x03 make port address 0x0357.
    std::string data = "01" "80" + std::string(509 * 2, '0') + "ff";
    EXPECT_EQ(lines[2], "Art-Net,0x5000,14,0,855,512," + data) << fields;
    EXPECT_EQ(lines[0].substr(0, lines[0].rfind(',') + 5), "Art-Net,0x5000,14,0,855,512,0100");
}
