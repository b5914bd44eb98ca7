// The display walking the dome's tool path: one registered display block per
// motion (each point of a string has its own number), ending at its point;
// technology blocks register without points; texts and markers none.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/words.h"
#include "tests/inprocess.h"
#include "tests/session_util.h"

TEST(DisplayWalk, TheDomesToolPathRegistersOneDisplayBlockPerMotion)
{
    InProcess s(read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/dome.json"));
    norak::start_toolpath();
    for (const auto& c : norak::calls()) s.call(c);
    ASSERT_FALSE(norak::transcript_has("internal:"));

    // The procedure's blocks: motions by number with their end points, and
    // the count of technology blocks.
    ltop();
    i32 answer = 0, st = 0;
    lacces(2, answer);
    FNDTYP(12, st);
    ASSERT_EQ(st, 0);
    i32 count = 1, number = 0;
    TPGETN(AM_LIST, GR_LEAD, 33, count, DT_INT, &number, st);
    ASSERT_EQ(st, 0);
    const norak::Element* proc = nullptr;
    for (const auto& e : norak::main_list().elems)
        if (!e.words.empty() && e.words[0] == 12 && e.words[1] == number) proc = &e;
    ASSERT_TRUE(proc && proc->sub);
    std::map<i32, std::array<f32, 3>> motions;
    size_t techs = 0, others = 0;
    for (const auto& e : proc->sub->elems) {
        const auto& w = e.words;
        auto pt = [&](size_t k) { return std::array<f32, 3>{wrd2r(w[k]), wrd2r(w[k + 1]), wrd2r(w[k + 2])}; };
        const i32 t = w[0];
        if (t == 7 || t == 27 || t == 227) {
            const size_t rec = t == 7 ? 4 : 7;
            for (size_t k = 1; k + rec <= w.size(); k += rec) motions[w[k]] = pt(k + 1);
        } else if (t == 2 || t == 22 || t == 222) {
            motions[w[1]] = pt(2);
        } else if (t == 3 || t == 23 || t == 223) {
            motions[w[1]] = pt(7);
        } else if (t == 1) {
            ++techs;
        } else {
            ++others;
        }
    }
    ASSERT_GT(motions.size(), 500u);
    EXPECT_GT(others, 10u);  // markers and the like

    // Walk the sub-list afresh with the display drawing.
    ncd_delete_block_or_proc(number);
    for (const auto& b : norak::display_blocks()) ASSERT_NE(b.key1, number);
    const size_t before = norak::display_blocks().size();
    DSPINI(1);
    OPNSBL(st);
    ASSERT_EQ(st, 0);
    lacces(1, answer);
    while (answer > 0) {
        i32 type = 0, hit = 0;
        DSPBLK(1, AM_LIST, type, hit, st);
        ASSERT_GE(st, 0);
        lacces(1, answer);
    }
    CLSSBL(st);
    ASSERT_EQ(st, 0);

    const auto& shown = norak::display_blocks();
    ASSERT_EQ(shown.size() - before, motions.size() + techs);
    size_t moving = 0;
    for (size_t k = before; k < shown.size(); ++k) {
        const auto& b = shown[k];
        EXPECT_EQ(b.key1, number);
        if (b.points.empty()) continue;
        ++moving;
        auto it = motions.find(b.key2);
        ASSERT_NE(it, motions.end()) << b.key2;
        EXPECT_EQ(b.points.back(), it->second) << b.key2;
        EXPECT_FALSE(b.strokes.empty());
    }
    EXPECT_EQ(moving, motions.size());
}
