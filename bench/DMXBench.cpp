// How long one fader change takes from the registry to the transport delegate, and "All Full",
// each as a ratio to a plain store of the same bytes measured in the same run.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>

#include "dmx/DMXOutput.h"

using namespace dmx;

namespace {

// A delegate that does what a transport's cheapest path does: keeps the last value.
class TNullDelegate : public foundation::TIaAObject, public virtual IDMXInterfaceDelegate {
public:
    foundation::HRESULT QueryOwnInterface(const TGUID& IID, void** Obj) override {
        if (foundation::OfferInterface<IDMXInterfaceDelegate>(this, IID, Obj)) return foundation::S_OK;
        return TIaAObject::QueryOwnInterface(IID, Obj);
    }
    void ChangedDMX(int32_t Index, int32_t Value) override {
        Last = Index;
        benchmark::DoNotOptimize(Value);
    }
    void ChangedActive() override {}
    void ChangedBlackOut() override {}
    int32_t Last = 0;
};

struct TActiveOutput {
    IPtr<IDMXInterfaceDelegate> Delegate;
    IPtr<IDMXInterface> Intf;
    TActiveOutput() {
        InstallDMXInterfaces();
        InstallDMXOutput();
        Delegate = IPtr<IDMXInterfaceDelegate>(foundation::Make<TNullDelegate>());
        Intf = NewDMXInterface(Delegate.get());
        Intf->SetActive(true);
    }
};

TActiveOutput& Output() {
    static TActiveOutput out;
    return out;
}

void BM_BaselineStore(benchmark::State& state) {
    std::array<uint8_t, 512> values{};
    int i = 0;
    for (auto _ : state) {
        values[size_t(i & 511)] = uint8_t(i);
        benchmark::DoNotOptimize(values);
        ++i;
    }
}
BENCHMARK(BM_BaselineStore);

void BM_FaderChange(benchmark::State& state) {
    Output();
    int i = 0;
    for (auto _ : state) {
        DMXOutput()->setDMXCh(i & 511, uint8_t(i));
        ++i;
    }
}
BENCHMARK(BM_FaderChange);

void BM_SetAllFull(benchmark::State& state) {
    auto& out = Output();
    for (auto _ : state)
        out.Intf->SetAllFull();
}
BENCHMARK(BM_SetAllFull);

// Prints the usual table, then each benchmark as a multiple of the baseline.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs)
            FNs[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double base = FNs["BM_BaselineStore"];
        std::printf("\nper operation, and as a multiple of a plain store (%.2f ns):\n", base);
        for (const auto& [name, ns] : FNs)
            std::printf("  %-20s %10.2f ns  x%.1f\n", name.c_str(), ns, base > 0 ? ns / base : 0.0);
    }

private:
    std::map<std::string, double> FNs;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
