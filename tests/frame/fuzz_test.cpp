// Mutated example sessions run through the module, each in a child process
// of its own (forked, so that a crash, a sanitizer report or a hang is the
// child's and is told apart): no crash, no report, no hang; every run either
// completes with balanced, non-empty procedures or ends with a message and
// no procedure announced as created. Fixed seed; 300 runs sized to take
// about a minute on a quiet machine (three children side by side, each run
// cut after a few seconds); past 300, the runs stop at the time budget.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "inprocess.h"
#include "runcheck.h"

namespace {

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr int RUNS = 300;          // mutated sessions
constexpr double BUDGET = 60.0;    // seconds for the runs beyond the first 300
constexpr int LEAST = 300;         // runs made whatever the time
constexpr int ONE_RUN = 6;         // seconds a run may take; then it is cut
constexpr double SILENT = 5.0;     // a run cut after this long without a keyboard poll hangs
constexpr double KILL = 40.0;      // seconds before the parent kills a child
constexpr int AT_ONCE = 3;         // children running side by side
constexpr unsigned SEED = 20231123;

// The seed, the number of runs and the budget; TAVREK_FUZZ="seed runs
// seconds" in the environment explores further than the suite's fixed run.
void settings(unsigned& seed, int& runs, double& budget)
{
    seed = SEED, runs = RUNS, budget = BUDGET;
    if (const char* e = std::getenv("TAVREK_FUZZ")) {
        std::istringstream in(e);
        in >> seed >> runs >> budget;
    }
}

// An example session, with a coarser tolerance and scallop height so that
// many runs fit the budget: the same roads, fewer passes.
json example(const char* name)
{
    std::ifstream f(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name);
    json s = json::parse(f);
    if (s.contains("replies"))
        for (auto& r : s["replies"]) {
            if (r.value("menu", json()) == "TOLERANCE") r["value"] = 0.05;
            if (r.value("menu", json()) == "SCALLOP HEIGHT") r["value"] = 1.0;
        }
    return s;
}

// Numbers the module may meet in a damaged session.
double odd_number(std::mt19937& g, double was)
{
    static const double odd[] = {0, -1, 1, 2, -2, 1e30, -1e30, 1e-30, 1e-12, 1e12, 1e300, -1e300, 1e6, -1e6,
                                 2147483647.0, -2147483648.0, 0.5, 1e-4, 3e6, 65536};
    switch (g() % 4) {
    case 0: return was * (g() % 2 ? 10.0 : 0.1);
    case 1: return -was;
    case 2: return was + (g() % 2 ? 1.0 : -1.0);
    default: return odd[g() % (sizeof odd / sizeof odd[0])];
    }
}

// The numbers of a part of the session (pointers into it).
void numbers(json& j, std::vector<json*>& out)
{
    if (j.is_number()) out.push_back(&j);
    if (j.is_object() || j.is_array())
        for (auto& v : j) numbers(v, out);
}

// One to three changes of the kinds a user, a damaged file or the host may
// bring: odd numbers in the geometry, the tool, the records, the settings or
// the replies; weights; injected allocation failures and small lists;
// replies lost, repeated or swapped; fields lost.
json mutate(const json& base, std::mt19937& g, std::string& what)
{
    json s = base;
    const int n = 1 + static_cast<int>(g() % 3);
    for (int k = 0; k < n; ++k) {
        const unsigned kind = g() % 12;
        std::vector<json*> nums;
        switch (kind) {
        case 0: case 1: case 2:  // a number of the geometry or the tool
            if (s.contains("entities")) numbers(s["entities"], nums);
            break;
        case 3:  // a number of a record
            if (s.contains("records")) numbers(s["records"], nums);
            break;
        case 4:  // a value given in a reply
            if (s.contains("replies")) numbers(s["replies"], nums);
            break;
        case 5:  // an injected allocation failure
            s["settings"]["fail_alloc_after"] = 1 + static_cast<int>(g() % 3000);
            what += " fail_alloc_after";
            continue;
        case 6:  // a small tool path list
            s["settings"]["list_capacity"] = 200 + static_cast<int>(g() % 20000);
            what += " list_capacity";
            continue;
        case 7: {  // weights on a surface's control points
            if (!s.contains("entities")) continue;
            for (auto& e : s["entities"])
                if (e.contains("points") && e.value("kind", "") == "nurbs_surface") {
                    const double w[] = {1e-12, 1e12, 1e300, 1e-300, 0.5, 3.0};
                    const double a = w[g() % 6], b = g() % 2 ? a : w[g() % 6];
                    int i = 0;
                    for (auto& p : e["points"]) {
                        if (p.size() == 3) p.push_back(1.0);
                        if (p.size() == 4) p[3] = i++ % 2 ? a : b;
                    }
                    what += " weights";
                    break;
                }
            continue;
        }
        case 8: case 9: {  // a reply lost, repeated or moved
            if (!s.contains("replies") || s["replies"].empty()) continue;
            json& r = s["replies"];
            const size_t a = g() % r.size(), b = g() % r.size();
            if (kind == 8) {
                r.erase(a);
                what += " reply-lost";
            } else if (g() % 2) {
                r.insert(r.begin() + static_cast<long>(a), r[a]);
                what += " reply-repeated";
            } else {
                std::swap(r[a], r[b]);
                what += " reply-swapped";
            }
            continue;
        }
        case 10: {  // a field of an entity lost
            if (!s.contains("entities") || s["entities"].empty()) continue;
            json& e = s["entities"][g() % s["entities"].size()];
            if (e.size() < 2) continue;
            auto it = e.begin();
            std::advance(it, static_cast<long>(g() % e.size()));
            if (it.key() == "kind") continue;
            what += " lost-" + it.key();
            e.erase(it);
            continue;
        }
        default:  // a number anywhere
            numbers(s, nums);
            break;
        }
        if (nums.empty()) continue;
        json& v = *nums[g() % nums.size()];
        const double was = v.get<double>();
        const double now = odd_number(g, was);
        if (v.is_number_integer() && std::fabs(now) < 2e9 && now == std::floor(now))
            v = static_cast<long long>(now);
        else
            v = now;
        what += " number";
    }
    return s;
}

// What a child reports through its exit status.
constexpr int OK_COMPLETED = 0, OK_REFUSED = 10, OK_STOPPED = 11, OK_CUT = 12, BROKEN = 1, HUNG = 2;

// A run still going at the end of its time is cut: one that polled the
// keyboard within the last SILENT seconds (the user could stop it) is only
// long; one that did not hangs.
extern "C" void cut_run(int)
{
    long long polls = 0;
    double since = 0;
    norak::poll_stats(polls, since);
    _exit(since < SILENT ? OK_CUT : HUNG);
}

// Runs one session in this process and checks what it left; the exit status
// of the child.
int run_and_check(const std::string& text, std::string& why)
{
    std::unique_ptr<InProcess> p;
    try {
        p = std::make_unique<InProcess>(text);
    } catch (const norak::session_error&) {
        return OK_REFUSED;
    }
    norak::poll_mark();
    std::signal(SIGALRM, cut_run);
    alarm(ONE_RUN);
    bool stopped = false;
    std::vector<std::string> calls = norak::calls();
    if (calls.empty()) calls.push_back("tavrek");
    try {
        for (const auto& c : calls) p->call(c);
    } catch (const norak::session_error&) {
        stopped = true;  // the host stopped the session (a reply that does not fit)
    }
    alarm(0);
    const auto procs = runcheck::procedures();
    const int announced = runcheck::announced();
    int made = 0;
    bool open = false;
    for (const auto& q : procs) {
        if (q.motions > 0) ++made;
        if (!q.balanced) open = true;
    }
    // A procedure is announced only with its motions; its markers pair up
    // unless the user stopped it; one without motions is said to be so.
    const bool user_stop = norak::transcript_has("question: STOP EXECUTION?");
    if (announced > made) why += "a procedure without motions was announced as created; ";
    if (announced > 0 && open && !user_stop) why += "an announced procedure has open markers; ";
    if (!stopped && made < static_cast<int>(procs.size()) && !norak::transcript_has("DRVEXE, THE EXECUTION"))
        why += "a procedure without motions and no message; ";
    p.reset();
    if (!why.empty()) return BROKEN;
    return stopped ? OK_STOPPED : OK_COMPLETED;
}

struct Child {
    pid_t pid;
    int index;
    Clock::time_point start;
    std::string what;
    std::string text;
};

// Keeps the session of a broken run for its reproduction with norak-run.
std::string keep(const Child& c)
{
    const std::string path = ::testing::TempDir() + "tavrek_fuzz_run" + std::to_string(c.index) + ".json";
    std::ofstream(path) << c.text;
    return " (session kept in " + path + ")";
}

}  // namespace

TEST(SessionFuzz, MutatedExampleSessionsRunCleanlyUnderTheSanitizers)
{
    const char* const names[] = {"dome.json", "cavity.json", "dome5x.json", "hello.json", "tools.json"};
    const int weight[] = {45, 20, 20, 5, 10};
    std::vector<json> bases;
    for (const char* n : names) bases.push_back(example(n));

    unsigned seed = 0;
    int runs = 0;
    double budget = 0;
    settings(seed, runs, budget);
    std::mt19937 g(seed);
    std::map<int, int> outcome;
    std::vector<std::string> broken;
    std::vector<Child> running;
    int started = 0;
    double longest = 0;
    const auto t0 = Clock::now();
    auto seconds = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); };

    auto reap = [&](bool wait_all) {
        while (!running.empty()) {
            bool any = false;
            for (size_t k = 0; k < running.size(); ++k) {
                int st = 0;
                const pid_t r = waitpid(running[k].pid, &st, WNOHANG);
                const double took = seconds(running[k].start, Clock::now());
                if (r == 0 && took < KILL) continue;
                if (r == 0) {
                    kill(running[k].pid, SIGKILL);
                    waitpid(running[k].pid, &st, 0);
                    broken.push_back("run " + std::to_string(running[k].index) + " (" + running[k].what + "): killed" + keep(running[k]));
                } else if (WIFEXITED(st) && WEXITSTATUS(st) == HUNG) {
                    broken.push_back("run " + std::to_string(running[k].index) + " (" + running[k].what + "): no keyboard poll for " +
                                     std::to_string(SILENT) + " s" + keep(running[k]));
                } else if (WIFEXITED(st) && (WEXITSTATUS(st) == OK_COMPLETED || WEXITSTATUS(st) == OK_REFUSED ||
                                              WEXITSTATUS(st) == OK_STOPPED || WEXITSTATUS(st) == OK_CUT)) {
                    ++outcome[WEXITSTATUS(st)];
                    if (WEXITSTATUS(st) == OK_CUT) std::printf("run %d (%s) cut after %d s, still polling%s\n", running[k].index, running[k].what.c_str(), ONE_RUN, keep(running[k]).c_str());
                } else {
                    broken.push_back("run " + std::to_string(running[k].index) + " (" + running[k].what + "): " +
                                     (WIFSIGNALED(st) ? "signal " + std::to_string(WTERMSIG(st))
                                                      : "exit " + std::to_string(WEXITSTATUS(st))) +
                                     keep(running[k]));
                }
                longest = std::max(longest, took);
                running.erase(running.begin() + static_cast<long>(k));
                any = true;
                break;
            }
            if (!wait_all && (any || running.size() < AT_ONCE)) return;
            if (!any) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };

    while (started < runs && (started < LEAST || seconds(t0, Clock::now()) < budget)) {
        // The session of run i is the same whatever the budget.
        int pick = static_cast<int>(g() % 100), b = 0;
        while (pick >= weight[b]) pick -= weight[b++];
        std::string what = names[b];
        const std::string text = mutate(bases[static_cast<size_t>(b)], g, what).dump();
        std::fflush(nullptr);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::string why;
            const int rc = run_and_check(text, why);
            if (rc == BROKEN) std::fprintf(stderr, "run %d (%s): %s\n", started, what.c_str(), why.c_str());
            std::fflush(nullptr);
            std::exit(rc);
        }
        running.push_back({pid, started, Clock::now(), what, text});
        ++started;
        if (running.size() >= AT_ONCE) reap(false);
    }
    reap(true);
    const double total = seconds(t0, Clock::now());
    std::printf("MEASURE session fuzz: %d mutated sessions in %.1f s (longest run %.2f s): %d completed, %d stopped "
                "by the host's script, %d refused at load, %d cut after %d s while still polling, %zu broken\n",
                started, total, longest, outcome[OK_COMPLETED], outcome[OK_STOPPED], outcome[OK_REFUSED],
                outcome[OK_CUT], ONE_RUN, broken.size());
    for (const auto& b : broken) ADD_FAILURE() << b;
    EXPECT_GE(started, std::min(runs, LEAST));
    EXPECT_GT(outcome[OK_COMPLETED], 0);
}
