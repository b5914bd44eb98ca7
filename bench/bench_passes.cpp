// The whole execution of the cavity example (a procedure defined through
// the menus and executed: triangle model, passes, links and retracts) at
// three tolerances (0.01, 0.002, 0.001); time per run and the peak resident memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "frame/entry.h"
#include "core/load.h"
#include "platform/norak/norak.h"

namespace {

std::string example(double tol)
{
    std::ifstream f(std::string(TAVREK_EXAMPLES) + "/cavity.json");
    std::stringstream s;
    s << f.rdbuf();
    std::string text = s.str();
    const std::string key = "\"TOLERANCE\",\n   \"value\": 0.01";
    const size_t at = text.find(key);
    if (at != std::string::npos) {
        char v[64];
        std::snprintf(v, sizeof v, "\"TOLERANCE\",\n   \"value\": %g", tol);
        text.replace(at, key.size(), v);
    }
    return text;
}

size_t count(const norak::List& l)
{
    size_t n = 0;
    for (const auto& e : l.elems) n += 1 + (e.sub ? count(*e.sub) : 0);
    return n;
}

long peak_kb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

void BM_CavityExecution(benchmark::State& state)
{
    const double tol = state.range(0) / 10000.0;
    const std::string text = example(tol);
    size_t elements = 0;
    for (auto _ : state) {
        norak::reset();
        norak::load_session_text(text);
        module_load(nullptr, 1, nullptr);
        tavrek();
        norak::nc_after_call();
        elements = count(norak::main_list());
    }
    state.counters["tolerance"] = tol;
    state.counters["blocks"] = static_cast<double>(elements);
    state.counters["peak_rss_MB"] = static_cast<double>(peak_kb()) / 1024.0;
    norak::reset();
}

}  // namespace

BENCHMARK(BM_CavityExecution)->Arg(100)->Arg(20)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(3);
