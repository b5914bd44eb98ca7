// The longest stretch between two keyboard polls while each milling example
// session (hello and tools make no passes), and the dome under balls far
// larger than the part, execute with the display off (the block display's
// own poll then never runs): how long the space key may wait before the
// module looks. The
// stretch before the first poll counts from the call of the module, and the
// one after the last poll up to its return.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/examples.h"
#include "core/load.h"
#include "frame/entry.h"
#include "frame/intctl.h"
#include "platform/norak/norak.h"

namespace {

using benchex::example;

// The dome example with its ball 10 made a ball of the given diameter.
std::string dome_ball(int diameter)
{
    std::string text = example("dome.json");
    const std::string tool = "\"diameter\": 10,\n   \"corner_radius\": 5";
    const size_t at = text.find(tool);
    if (at != std::string::npos)
        text.replace(at, tool.size(), "\"diameter\": " + std::to_string(diameter) +
                                          ", \"corner_radius\": " + std::to_string(diameter / 2.0));
    return text;
}

void poll_stretch(benchmark::State& state, const char* name, const std::string& text)
{
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

void BM_PollStretch(benchmark::State& state, const char* name) { poll_stretch(state, name, example(name)); }

// A ball far larger than the part: every position gathers the whole model.
void BM_PollStretchLargeBall(benchmark::State& state, int diameter)
{
    const std::string name = "dome.json, ball " + std::to_string(diameter);
    poll_stretch(state, name.c_str(), dome_ball(diameter));
}

BENCHMARK_CAPTURE(BM_PollStretch, dome, "dome.json")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PollStretch, cavity, "cavity.json")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PollStretch, dome5x, "dome5x.json")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PollStretchLargeBall, ball1000, 1000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PollStretchLargeBall, ball10000, 10000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
