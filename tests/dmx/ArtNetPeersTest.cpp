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

std::string Suffix() {
    return std::to_string(::getpid());
}

// A GET on loopback inside Ns; the body, or empty when nothing answers.
std::string HttpGet(const TNetNs& Ns, uint16_t Port, const std::string& Path) {
    int fd;
    {
        TNetNs::TEnter inside(Ns);
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    }
    if (fd < 0) return {};
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(Port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval tv{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::string reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
        const std::string req = "GET " + Path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::send(fd, req.data(), req.size(), MSG_NOSIGNAL) == ssize_t(req.size())) {
            char buf[4096];
            for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
                reply.append(buf, size_t(n));
        }
    }
    ::close(fd);
    const size_t body = reply.find("\r\n\r\n");
    return body == std::string::npos ? std::string() : reply.substr(body + 4);
}

// The 512 values of an OLA universe from the daemon's JSON ({"dmx": [v, ...], ...}).
std::vector<int> OlaValues(const std::string& Json) {
    std::vector<int> v;
    const size_t open = Json.find('[', Json.find("\"dmx\""));
    const size_t close = Json.find(']', open);
    if (open == std::string::npos || close == std::string::npos) return v;
    std::istringstream in(Json.substr(open + 1, close - open - 1));
    for (std::string item; std::getline(in, item, ',');)
        v.push_back(std::atoi(item.c_str()));
    return v;
}

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
    TChild capture(ns.Exec("tshark -i lo -f 'udp dst port 6454' -c 3 -a duration:30 -w " + pcap.string()),
                   log);
    ASSERT_TRUE(WaitFor([&] { return ReadFile(log).find("Capture started") != std::string::npos; }, 20000))
        << ReadFile(log);

    Open(ns, "127.0.0.1", 0x35, 7);
    Intf->setDMXCh(0, 1);
    Intf->setDMXCh(1, 128);
    Intf->setDMXCh(511, 255);
    ASSERT_TRUE(capture.Wait(20000)) << "tshark did not see three packets: " << ReadFile(log);

    const std::string fields =
        Capture("tshark -r " + pcap.string() +
                " -T fields -E separator=, -e artnet.header.id -e artnet.header.opcode"
                " -e artnet.header.protver -e artnet.output.sequence"
                " -e artnet.output.universe -e artnet.output.length -e dmx_chan.data_filter");
    std::vector<std::string> lines;
    std::istringstream in(fields);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line.rfind("Running as", 0) != 0) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u) << fields;

    // The last packet carries all three channels; SubUni 0x57 and Net 0x03 make port address 0x0357.
    std::string data = "01"
                       "80" +
                       std::string(509 * 2, '0') + "ff";
    EXPECT_EQ(lines[2], "Art-Net,0x5000,14,0,855,512," + data) << fields;
    EXPECT_EQ(lines[0].substr(0, lines[0].rfind(',') + 5), "Art-Net,0x5000,14,0,855,512,0100");
}

namespace {

// Plugins of the daemon other than Art-Net, switched off so that the test host runs only the receiver.
const char* const OtherOlaPlugins[] = {"dummy",     "e131",       "espnet",  "ftdidmx", "gpio",
                                       "karate",    "kinet",      "milinst", "opendmx", "openpixelcontrol",
                                       "osc",       "pathport",   "renard",  "sandnet", "shownet",
                                       "spi",       "stageprofi", "uartdmx", "usbdmx",  "usbserial",
                                       "dmx4linux", "nanoleaf",   "usbpro"};

} // namespace

TEST_F(ArtNetPeers, OlaHoldsTheUniverseWeDrive) {
    if (!HaveProgram("olad") || !HaveProgram("ola_patch"))
        GTEST_SKIP() << "OLA is not installed (scripts/install-deps installs it)";
    if (!HaveProgram("setpriv")) GTEST_SKIP() << "setpriv is not installed";
    // Two test hosts joined by a veth pair; the addresses exist only inside these namespaces.
    TNetNs us("lumacue-oa-" + Suffix()), ola("lumacue-ob-" + Suffix());
    if (!us.Ok() || !ola.Ok()) GTEST_SKIP() << "cannot create network namespaces (needs root and iproute2)";
    const std::string net = "10.254." + std::to_string(::getpid() % 250 + 1) + ".";
    ASSERT_EQ(
        testsupport::Run("ip -n " + us.Name() + " link add lcA type veth peer name lcB netns " + ola.Name()),
        0);
    ASSERT_EQ(testsupport::Run("ip -n " + us.Name() + " addr add " + net + "1/24 dev lcA"), 0);
    ASSERT_EQ(testsupport::Run("ip -n " + ola.Name() + " addr add " + net + "2/24 dev lcB"), 0);
    ASSERT_EQ(testsupport::Run("ip -n " + us.Name() + " link set lcA up"), 0);
    ASSERT_EQ(testsupport::Run("ip -n " + ola.Name() + " link set lcB up"), 0);

    // Its own configuration folder; the daemon refuses root, so it runs as nobody.
    const auto conf = FDir / "ola";
    std::filesystem::create_directories(conf);
    std::ofstream(conf / "ola-artnet.conf") << "enabled = true\nip = " << net << "2\nnet = 0\nsubnet = 1\n";
    for (const char* p : OtherOlaPlugins)
        std::ofstream(conf / ("ola-" + std::string(p) + ".conf")) << "enabled = false\n";
    ASSERT_EQ(testsupport::Run("chown -R nobody " + FDir.string()), 0);
    TChild olad(ola.Exec("setpriv --reuid=nobody --regid=nogroup --clear-groups olad -c " + conf.string() +
                         " --no-register-with-dns-sd -l 3"),
                FDir / "olad.log");
    ASSERT_TRUE(WaitFor([&] { return !HttpGet(ola, 9090, "/get_dmx?u=0").empty(); }, 20000))
        << ReadFile(FDir / "olad.log");

    const std::string devices = Capture(ola.Exec("ola_dev_info"));
    const size_t at = devices.find(": ArtNet");
    ASSERT_NE(at, std::string::npos) << devices;
    const std::string device = devices.substr(devices.rfind(' ', at) + 1, at - devices.rfind(' ', at) - 1);
    ASSERT_EQ(testsupport::Run(ola.Exec("ola_patch -d " + device + " -p 0 -i -u 2")), 0);

    Open(us, net + "2", 1, 2); // SubUni 0x12, as the daemon's port listens for
    auto olaHolds = [&](std::vector<int> want) {
        std::vector<int> got;
        const bool ok =
            WaitFor([&] { return (got = OlaValues(HttpGet(ola, 9090, "/get_dmx?u=2"))) == want; }, 10000);
        EXPECT_TRUE(ok) << "OLA holds " << ::testing::PrintToString(got) << "\n"
                        << ReadFile(FDir / "olad.log");
        return ok;
    };
    std::vector<int> want(512, 0);

    Intf->setDMXCh(0, 10);
    Intf->setDMXCh(1, 200);
    Intf->setDMXCh(511, 255);
    want[0] = 10, want[1] = 200, want[511] = 255;
    olaHolds(want);

    Intf->SetDMXMaster(128); // truncating: 10 -> 5, 200 -> 100, 255 -> 128
    want[0] = 5, want[1] = 100, want[511] = 128;
    olaHolds(want);

    Intf->SetBlackOut(true);
    olaHolds(std::vector<int>(512, 0));

    Intf->SetBlackOut(false);
    Intf->SetDMXMaster(255);
    want[0] = 10, want[1] = 200, want[511] = 255;
    olaHolds(want);
}
