// Whole executions that cannot finish: a failure while the passes are
// written, and an execution that writes no motion. Neither is announced as
// created; the first keeps what it wrote, with its markers closed.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "inprocess.h"
#include "runcheck.h"

namespace {

nlohmann::json example(const std::string& name)
{
    std::ifstream f(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name);
    return nlohmann::json::parse(f);
}

const char* const FAILED = "user: DRVEXE, THE EXECUTION FAILED: THE TOOL PATH IS CUT SHORT";
const char* const NOMOTION = "user: DRVEXE, THE EXECUTION WROTE NO MOTION";

}  // namespace

TEST(Reliability, AFailureWhileThePassesAreWrittenKeepsThemClosedAndUnannounced)
{
    const std::string dome = example("dome.json").dump();
    // The whole run: how many allocations the call makes, and how many
    // blocks its procedure holds.
    long long total = 0;
    int motions = 0;
    {
        InProcess p(dome);
        const long long before = norak::allocations();
        p.call("tavrek");
        total = norak::allocations() - before;
        auto procs = runcheck::procedures();
        ASSERT_EQ(procs.size(), 1u);
        motions = procs[0].motions;
        ASSERT_GT(motions, 100);
        EXPECT_TRUE(procs[0].balanced);
        EXPECT_EQ(runcheck::announced(), 1);
    }
    // The list elements of the passes are the last allocations of the run:
    // one refused halfway through them cuts the passes short.
    // The failed procedure ends the driver: no next definition is asked for.
    nlohmann::json cut = example("dome.json");
    cut["replies"].erase(cut["replies"].size() - 1);
    InProcess p(cut.dump());
    norak::fail_alloc_after(static_cast<i32>(total - motions / 2));
    p.call("tavrek");
    EXPECT_EQ(norak::replies_left(), 0u);
    auto procs = runcheck::procedures();
    ASSERT_EQ(procs.size(), 1u);
    EXPECT_GT(procs[0].motions, 0);
    EXPECT_LT(procs[0].motions, motions);
    EXPECT_TRUE(procs[0].markers > 0 && procs[0].balanced) << runcheck::kinds();
    EXPECT_EQ(norak::transcript_count(FAILED), 1u);
    EXPECT_EQ(norak::transcript_count("MISSING MARKER"), 0u);
    EXPECT_EQ(runcheck::announced(), 0);
    EXPECT_EQ(norak::open_arrays(), 0);
}

TEST(Reliability, ATrimmedSurfaceIsMilledOrSaysItWroteNothing)
{
    // One loop around the whole parameter square: until trimmed surfaces are
    // milled this execution writes nothing, says so and is not announced.
    nlohmann::json s = example("dome.json");
    s["entities"][0]["loops"] = nlohmann::json::parse(R"([{"points": [[0, 0], [1, 0], [1, 1], [0, 1]]}])");
    // The start corner of a trimmed surface is indicated by a point.
    ASSERT_EQ(s["replies"][4].dump(), R"({"exit":true,"pick":0})");
    s["replies"][4] = nlohmann::json::parse(R"({"point": [0, 0, 0], "exit": true})");
    InProcess p(s.dump());
    p.call("tavrek");
    auto procs = runcheck::procedures();
    ASSERT_EQ(procs.size(), 1u);
    if (procs[0].motions == 0) {
        EXPECT_EQ(norak::transcript_count(NOMOTION), 1u);
        EXPECT_EQ(runcheck::announced(), 0);
        EXPECT_EQ(norak::replies_left(), 1u);  // no next definition
    } else {
        EXPECT_TRUE(procs[0].balanced);
        EXPECT_EQ(runcheck::announced(), 1);
    }
}

TEST(Reliability, DegenerateSurfacesAndHugeToolsAreRefusedUpFront)
{
    // Weights mixing 1e-12 and 1e12, a dome 1e-28 across, a tool of diameter
    // 1e30: each execution says why, writes nothing and is not announced.
    struct Case {
        const char* what;
        std::function<void(nlohmann::json&)> change;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"weights", [](nlohmann::json& s) {
             auto& p = s["entities"][0]["points"];
             for (size_t i = 0; i < p.size(); ++i) p[i].push_back(i % 2 ? 1e-12 : 1e12);
         }, "user: [allsrf] SURFACE IS NOT APPROXIMATED AND GOES TO THE BAD SURFACES: 11"},
        {"tiny", [](nlohmann::json& s) {
             for (auto& q : s["entities"][0]["points"])
                 for (auto& c : q) c = c.get<double>() * 1e-28;
         }, "user: [allsrf] SURFACE IS NOT APPROXIMATED AND GOES TO THE BAD SURFACES: 11"},
        {"tool", [](nlohmann::json& s) {
             s["entities"][1]["diameter"] = 1e30;
             s["entities"][1]["corner_radius"] = 5e29;
         }, "user: ELMTOL, THE TOOL AND ITS ALLOWANCES REACH BEYOND THE TRIANGLE GRID. LARGEST REACH 1000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        nlohmann::json s = example("dome.json");
        c.change(s);
        s["replies"].erase(s["replies"].size() - 1);  // the driver ends: no next definition
        InProcess p(s.dump());
        p.call("tavrek");
        EXPECT_EQ(norak::replies_left(), 0u);
        EXPECT_EQ(norak::transcript_count(c.message), 1u);
        EXPECT_EQ(norak::transcript_count(NOMOTION), 1u);
        EXPECT_EQ(runcheck::announced(), 0);
        EXPECT_FALSE(norak::transcript_has("internal:"));
    }
}
