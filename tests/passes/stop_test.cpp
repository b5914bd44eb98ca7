// A space key pressed while the passes of an example are written, with the
// display on: the display's keyboard poll after the next displayed movement
// block sees it, the execution menu stops the execution, and the procedure
// ends as a stopped execution ends: nothing left open, markers balanced, the
// procedure block marked as stopped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "core/codedio.h"
#include "core/host.h"
#include "tests/inprocess.h"
#include "tests/session_util.h"

namespace {

// The example with a key pressed once the display has registered `blocks`
// blocks of the execution, and the execution stopped at the menu it opens.
std::string with_stop(const std::string& name, int blocks)
{
    auto j = nlohmann::json::parse(read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name + ".json"));
    auto& r = j["replies"];
    size_t at = 0;
    while (at < r.size() && !(r[at].contains("note") && r[at]["note"] == "OK TO EXECUTE?")) ++at;
    EXPECT_LT(at, r.size());
    nlohmann::json stop = nlohmann::json::parse(R"([
        {"key": "space", "after_blocks": 1},
        {"menu": "EXECUTION:STOP", "expect": "EXECUTION:RESUME@EXECUTION:BY STEP@EXECUTION:STOP"},
        {"menu": "ACCEPT"},
        {"question": "STOP EXECUTION?", "answer": "yes"}])");
    stop[0]["after_blocks"] = blocks;
    r.insert(r.begin() + static_cast<long>(at + 1), stop.begin(), stop.end());
    return j.dump();
}

// The movement elements of a list tree in order, each with the block
// numbers it holds (a string: one number a point).
void movements(const norak::List& l, std::vector<std::vector<i32>>& out)
{
    for (const auto& e : l.elems) {
        const auto& w = e.words;
        if (w.size() >= 2) {
            const i32 t = w[0];
            if (t == 7 || t == 27 || t == 227) {
                const size_t rec = t == 7 ? 4 : 7;
                out.emplace_back();
                for (size_t k = 1; k + rec <= w.size(); k += rec) out.back().push_back(w[k]);
            } else if (t == 2 || t == 22 || t == 222 || t == 3 || t == 23 || t == 223) {
                out.push_back({w[1]});
            }
        }
        if (e.sub) movements(*e.sub, out);
    }
}

// Start and end markers of a list tree.
void markers(const norak::List& l, int& starts, int& ends)
{
    for (const auto& e : l.elems) {
        if (e.words.size() >= 3 && e.words[0] == 99) (e.words[2] % 2 == 1 ? starts : ends) += 1;
        if (e.sub) markers(*e.sub, starts, ends);
    }
}

size_t element_holding(const std::vector<std::vector<i32>>& m, i32 number)
{
    for (size_t k = 0; k < m.size(); ++k)
        for (i32 n : m[k])
            if (n == number) return k;
    return m.size();
}

void stopped_in_the_middle(const char* name, int blocks)
{
    SCOPED_TRACE(name);
    InProcess s(with_stop(name, blocks));
    norak::start_toolpath();
    for (const auto& c : norak::calls()) s.call(c);
    for (const auto& l : norak::transcript())
        if (l.find("internal:") != std::string::npos) ADD_FAILURE() << l;
    ASSERT_TRUE(norak::transcript_has("key: 32"));
    ASSERT_TRUE(norak::transcript_has("question: STOP EXECUTION?"));
    EXPECT_EQ(norak::replies_left(), 0u);

    // The poll that took the key followed the display of the first movement
    // block holding the registration at which the key was pressed or
    // coming after it.
    const auto& log = norak::display_log();
    const i32 seen = norak::key_seen_at();
    ASSERT_GE(seen, blocks);
    ASSERT_LE(seen, static_cast<i32>(log.size()));
    std::vector<std::vector<i32>> moves;
    movements(norak::main_list(), moves);
    i32 pressed = blocks;
    while (pressed <= seen && log[static_cast<size_t>(pressed - 1)].points == 0) ++pressed;
    ASSERT_LE(pressed, seen);
    const size_t first = element_holding(moves, log[static_cast<size_t>(pressed - 1)].key2);
    const size_t taken = element_holding(moves, log[static_cast<size_t>(seen - 1)].key2);
    ASSERT_LT(first, moves.size());
    EXPECT_EQ(taken, first);
    EXPECT_GT(log[static_cast<size_t>(seen - 1)].points, 0);
    // The stop came at once: at most the retract's moves follow that block.
    EXPECT_LE(moves.size(), first + 3);

    // Nothing left open, the markers closed, no warning of a missing one.
    EXPECT_EQ(norak::nc_counts(), "arrays 0, blocks 0, elements 0, entity 0, list level 1");
    int starts = 0, ends = 0;
    markers(norak::main_list(), starts, ends);
    EXPECT_GT(starts, 0);
    EXPECT_EQ(starts, ends);
    EXPECT_FALSE(norak::transcript_has("MISSING MARKER"));

    // The procedure block carries the stopped execution's state words.
    ltop();
    i32 answer = 0, st = 0;
    lacces(2, answer);
    FNDTYP(12, st);
    ASSERT_EQ(st, 0);
    i32 count = 1, w44 = 0, w22 = 0;
    TPGETN(AM_LIST, GR_GLOBAL, 44, count, DT_INT, &w44, st);
    EXPECT_EQ(w44, 3);
    count = 1;
    TPGETN(AM_LIST, GR_GLOBAL, 22, count, DT_INT, &w22, st);
    EXPECT_EQ(w22, 2);
    lclos();
}

TEST(StopDuringPasses, TheDisplayOfTheNextMovementSeesTheKeyOnEachExample)
{
    stopped_in_the_middle("dome", 900);
    stopped_in_the_middle("cavity", 2800);
    stopped_in_the_middle("dome5x", 900);
}

}  // namespace
