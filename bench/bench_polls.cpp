// The longest stretch between two keyboard polls while each example session
// executes with the display off (the block display's own poll then never
// runs): how long the space key may wait before the module looks. The
// stretch before the first poll counts from the call of the module, and the
// one after the last poll up to its return.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/load.h"
#include "frame/entry.h"
#include "frame/intctl.h"
#include "platform/norak/norak.h"

namespace {

std::string example(const char* name)
{
    std::ifstream f(std::string(TAVREK_EXAMPLES) + "/" + name);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void BM_PollStretch(benchmark::State& state, const char* name)
{
    const std::string text = example(name);
    long long polls = 0;
    double longest = 0, total = 0;
    for (auto _ : state) {
        norak::reset();
        norak::load_session_text(text);
        module_load(nullptr, 1, nullptr);
        DSPMOD = 3;  // motion: no display
        norak::poll_mark();
        const auto t0 = std::chrono::steady_clock::now();
        tavrek();
        total = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        norak::poll_stats(polls, longest);
        norak::nc_after_call();
    }
    state.counters["polls"] = static_cast<double>(polls);
    state.counters["longest_ms"] = longest * 1000.0;
    state.counters["run_ms"] = total * 1000.0;
    std::printf("MEASURE polls %s: %lld polls in %.1f ms, longest stretch between two %.2f ms\n", name, polls,
                total * 1000.0, longest * 1000.0);
    norak::reset();
}

BENCHMARK_CAPTURE(BM_PollStretch, dome, "dome.json")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PollStretch, cavity, "cavity.json")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PollStretch, dome5x, "dome5x.json")->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
