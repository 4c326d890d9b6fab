// Art-Net output cost: a fader change on the active interface until its datagram is handed to the
// kernel, and "All Full" from all zeros (512 packets), each against a plain sendto of the same
// 530 bytes measured in the same run. The node loops its own packets back (it listens on the port
// it sends to), so both sides drain the main-thread queue alike.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "dmx/DMX.Delegate.ArtNet.h"
#include "dmx/DMXOutput.h"
#include "platform/posix/PosixUdp.h"
#include "platform/testing/VirtualLoop.h"

using namespace dmx;

namespace {

struct TBench {
    platform::testing::TVirtualLoop Loop;
    IPtr<IDMXNamedInterfaceDelegate> Root;
    IPtr<IDMXInterface> Intf;
    std::string Error;

    TBench() {
        platform::posix::InstallPosixUdp();
        InstallDMXInterfaces();
        InstallDMXOutput();
        InstallDMXArtNet();
        Root = NewArtNetOutput("127.0.0.1");
        Intf = foundation::Supports<IDMXInterface>(Root);
        try {
            Intf->SetActive(true);
        } catch (const std::exception& e) {
            Error = e.what();
        }
    }
    ~TBench() {
        Intf.reset();
        Root.reset();
        FinalizeDMXOutput();
    }
};

void RawSend(benchmark::State& state, int PacketsPerIteration) {
    TBench b; // the node listens as in the measured case
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(ArtNetPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    uint8_t packet[ArtDmxSize] = {};
    int n = 0;
    for (auto _ : state) {
        for (int i = 0; i < PacketsPerIteration; ++i) {
            packet[18 + (i & 511)] ^= 1;
            ::sendto(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            // Drained as the measured cases drain: every 64 changes, or once after "All Full".
            if (PacketsPerIteration == 1 ? (++n & 63) == 0 : i == PacketsPerIteration - 1)
                platform::ProcessMessages();
        }
    }
    ::close(fd);
    state.SetItemsProcessed(state.iterations() * PacketsPerIteration);
}

void BM_RawSendto(benchmark::State& state) {
    RawSend(state, 1);
}
void BM_RawSendto512(benchmark::State& state) {
    RawSend(state, 512);
}

void BM_FaderChangeToKernel(benchmark::State& state) {
    TBench b;
    if (!b.Error.empty()) return state.SkipWithError(b.Error.c_str());
    uint8_t v = 0;
    int n = 0;
    for (auto _ : state) {
        DMXOutput()->setDMXCh(28, ++v); // the registry's entry, as the console's fader calls it
        if ((++n & 63) == 0) platform::ProcessMessages();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_AllFullFromZeros(benchmark::State& state) {
    TBench b;
    if (!b.Error.empty()) return state.SkipWithError(b.Error.c_str());
    for (auto _ : state) {
        state.PauseTiming();
        {
            // Back to zeros without sending, so every iteration starts from all zeros.
            TDelegateUpdate updating(b.Intf.get());
            auto artnet = foundation::Supports<IDMXArtNetInterfaceDelegate>(b.Intf);
            auto& node = dynamic_cast<TDMXArtNetDelegate&>(*artnet).Server();
            node.SetArtNetEnabled(false);
            for (int i = 0; i < DMXChannels; ++i)
                node.setArnetDataByte(i, 0);
            node.SetArtNetEnabled(true);
            platform::ProcessMessages();
        }
        state.ResumeTiming();
        b.Intf->SetAllFull();
        platform::ProcessMessages();
    }
    state.SetItemsProcessed(state.iterations() * DMXChannels); // packets
}

BENCHMARK(BM_RawSendto);
BENCHMARK(BM_FaderChangeToKernel);
BENCHMARK(BM_RawSendto512);
BENCHMARK(BM_AllFullFromZeros);

// Keeps each run's CPU time per iteration (the machine is shared: wall time carries other load) so that the
// ratios can be printed at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Ns;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (!r.error_occurred) Ns[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Ratio(const char* What, const std::string& A, const std::string& Base) {
        if (Ns.count(A) && Ns.count(Base) && Ns[Base] > 0)
            std::printf("%-48s %6.2fx the baseline (%s)\n", What, Ns[A] / Ns[Base], Base.c_str());
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n");
    reporter.Ratio("setDMXCh to datagram handed to the kernel:", "BM_FaderChangeToKernel", "BM_RawSendto");
    reporter.Ratio("\"All Full\" from zeros (512 packets):", "BM_AllFullFromZeros", "BM_RawSendto512");
    if (reporter.Ns.count("BM_AllFullFromZeros"))
        std::printf("%-48s %8.0f packets/s\n", "\"All Full\" packets per second:",
                    512 / (reporter.Ns["BM_AllFullFromZeros"] * 1e-9)); // by CPU time
    benchmark::Shutdown();
    return 0;
}
