// The example sessions run with the clean-up switch on: they complete, the
// clean-up runs over their passes, and the tool path is the one written
// without it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "cleanup/clntrace.h"
#include "core/params.h"
#include "frame/entry.h"
#include "passes/services.h"
#include "tests/inprocess.h"

namespace {

std::string read_file(const std::string& p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The pass loops with the clean-up switched on for the execution.
void with_cleanup(i32 loop, i32& status)
{
    SRMHOOK = nullptr;
    pw(CLNFLG) = 1;
    i32 work = 0;
    if (loop == 1) SURM1(work, status);
    else SURMP1(work, status);
    SRMHOOK = with_cleanup;
}

// Every element of the tool path but the header, sub-lists included, word
// for word.
void words(const norak::List& l, std::vector<std::vector<i32>>& out)
{
    for (const auto& e : l.elems) {
        // The header block holds the time of writing.
        if (!e.words.empty() && e.words[0] != 12) out.push_back(e.words);
        if (e.sub) words(*e.sub, out);
    }
}

std::vector<std::vector<i32>> run(const std::string& text, bool cleanup)
{
    InProcess s(text);
    if (cleanup) SRMHOOK = with_cleanup;
    tavrek();
    norak::nc_after_call();
    EXPECT_FALSE(norak::transcript_has("internal:"));
    EXPECT_FALSE(norak::transcript_has("dynamic memory error"));
    std::vector<std::vector<i32>> out;
    words(norak::main_list(), out);
    return out;
}

void example(const char* name, size_t& outlines, i32& spots)
{
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name + ".json");
    ASSERT_FALSE(text.empty());
    // The first move of a session starts where the session before it left
    // the tool: both runs compared follow a run of the same example.
    run(text, false);
    const auto plain = run(text, false);
    const auto cleaned = run(text, true);
    outlines = clntrc_outlines().size();
    spots = clntrc_spots();
    EXPECT_GT(plain.size(), 20u);
    EXPECT_EQ(plain.size(), cleaned.size());
    for (size_t k = 0; k < plain.size() && k < cleaned.size(); ++k)
        if (plain[k] != cleaned[k]) {
            std::string a, b;
            for (i32 w : plain[k]) a += std::to_string(w) + " ";
            for (i32 w : cleaned[k]) b += std::to_string(w) + " ";
            ADD_FAILURE() << name << " element " << k << ":\n" << a.substr(0, 300) << "\n" << b.substr(0, 300);
            break;
        }
}

}  // namespace

TEST(CleanUpExamples, DomeAndCavityCompleteWithTheirPassesUnchanged)
{
    size_t dome = 0, cavity = 0;
    i32 sd = 0, sc = 0;
    example("dome", dome, sd);
    example("cavity", cavity, sc);
    std::printf("clean-up: dome %d spots, %zu outlines; cavity %d spots, %zu outlines\n", sd, dome, sc, cavity);
}

// The dome standing on a plate: its foot is a sharp concave edge the ball
// cannot reach. The session switches the clean-up on through its stored
// parameters alone; the passes leave spots along the foot, and every traced
// outline lies round them, within a tool diameter of the edge.
TEST(CleanUpExamples, TheDomeOnItsPlateLeavesItsFootToTheCleanUp)
{
    const std::string text = read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome_cleanup.json");
    ASSERT_FALSE(text.empty());
    run(text, false);
    const auto& outlines = clntrc_outlines();
    std::printf("clean-up: dome on its plate %d spots, %zu outlines\n", clntrc_spots(), outlines.size());
    EXPECT_GE(clntrc_spots(), 3);
    ASSERT_FALSE(outlines.empty());
    // The foot: the rectangle 25..75 x 20..60; a tool diameter is 10.
    auto near_foot = [](f32 x, f32 y) {
        const bool in_x = x > 15 && x < 85, in_y = y > 10 && y < 70;
        const bool on_x = std::fabs(x - 25) < 10 || std::fabs(x - 75) < 10;
        const bool on_y = std::fabs(y - 20) < 10 || std::fabs(y - 60) < 10;
        return (in_y && on_x) || (in_x && on_y);
    };
    size_t points = 0;
    for (const ClnOutline& o : outlines) {
        EXPECT_GE(o.xy.size(), 4u);
        for (size_t k = 0; k + 1 < o.xy.size(); k += 2, ++points)
            EXPECT_TRUE(near_foot(o.xy[k], o.xy[k + 1])) << o.xy[k] << " " << o.xy[k + 1];
    }
    EXPECT_GE(points, 2u);
}
