// A chain of trimmed patches under machining type 2: picked one after the
// other and joined at their common edge, milled by the pass loop with the
// passes cut at the trim loops; every pass goes on from one patch to the
// next at the common edge.
#include <gtest/gtest.h>

#include "tests/passes/drop_common.h"
#include "tests/passes/geodef_util.h"
#include "tests/passes/loop_common.h"
#include "tests/passes/trim_common.h"

namespace {

using trm::Loop;

// Two trimmed patches of one floor sharing the edge x = 30, y 0 to 40: the
// left one's loop narrows to the left, the right one's to the right; each
// loop in its patch's own (u, v).
const Loop LEFT = {{0, 8}, {30, 0}, {30, 40}, {0, 32}};
const Loop RIGHT = {{0, 0}, {25, 10}, {25, 30}, {0, 40}};

std::string floor_patch()
{
    return gdt::patch(1, 0, 0, 0, 30, 40, "[1,0,0]", "[0,1,0]", "," + trm::loops_json({LEFT}));
}
std::string right_patch()
{
    return gdt::patch(2, 30, 0, 0, 25, 40, "[1,0,0]", "[0,1,0]", "," + trm::loops_json({RIGHT}));
}

TEST(TrimmedChain, PassesGoOnFromPatchToPatchAtTheCommonEdge)
{
    const std::string a = floor_patch(), b = right_patch();
    // Both picked, the side and the cut direction accepted: the common
    // edge orients both (passes across it, stepped along it).
    pt::host({a, b});
    norak::reset();
    norak::load_session_text(gdt::session(
        {pt::TOOLS, a, b},
        "[" + gdt::pk(1, 5, 20) + "," + gdt::pk(2, 5, 20) +
            R"(,{"pick":0,"exit":true},{"question":"MILLING SIDE OK?","answer":"yes"}])"));
    TLTINI();
    MACTYP = 2;
    PRCCLR();
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    FIGCLR();
    INIGEO();
    pws(PRTTOL, 0.01f);
    i32 defined = 0, st = 9;
    PCKSRS(1, 0, 0.01f, defined, st);
    ASSERT_EQ(st, 0);
    ASSERT_EQ(SRFGEO.NSRF, 2);
    ASSERT_EQ(SRFGEO.CRNREC[0][CR_HELD], 1);
    ASSERT_EQ(SRFGEO.CRNREC[1][CR_HELD], 1);
    ASSERT_EQ(SRFGEO.SRFLNK[1], 1);

    pt::params(1, 0.01f);
    pw(STPMOD) = 2;
    pw(NPSREQ) = 9;
    CURTOL = pt::BALL;
    lp::fresh_run();
    lp::clearlist();
    ASSERT_GE(lp::run_surm1(), 0);
    EXPECT_FALSE(norak::transcript_has("internal:"));
    const lp::Path p = lp::written();
    // Each pass: a string on the left patch, then one on the right.
    ASSERT_EQ(p.strings.size(), 18u);
    double seam = 0, off = 0;
    for (size_t k = 0; k < p.strings.size(); ++k) {
        const std::vector<lp::Pt>& s = p.strings[k];
        // Every point inside its own patch's loop, in that patch's (u, v).
        for (const lp::Pt& q : s) {
            const bool first = q.x < 30.0 - 1e-3 || (q.x < 30.0 + 1e-3 && k % 2 == 0);
            const double u = first ? q.x : q.x - 30.0, v = q.y;
            const Loop& l = first ? LEFT : RIGHT;
            if (!trm::inside({l}, u, v)) off = std::max(off, trm::border(l, u, v));
        }
        if (k % 2 == 1) {
            const lp::Pt e = p.strings[k - 1].back(), f = s.front();
            seam = std::max(seam, std::hypot(std::hypot(e.x - f.x, e.y - f.y), e.z - f.z));
            EXPECT_NEAR(e.x, 30.0, 0.05) << k;
        }
    }
    // Within a pass the tool goes on at the common edge without leaving
    // the floor: points off the floor come only between passes.
    int lifts = 0;
    bool up = false;
    for (const lp::Pt& q : lp::moves()) {
        if (q.z > 1.0 && !up) ++lifts;
        up = q.z > 1.0;
    }
    EXPECT_EQ(lifts, 9);  // one approach to each pass
    // The ball's tip on the floor is its contact point: the strings lie on
    // the floor, and no move between them goes below it.
    const drp::Result r = drp::check(drp::moves(), {1, 2}, dropref::Tool{1, 5.0, 5.0}, 1.0, 0.5);
    std::printf("MEASURE chain of two trimmed patches: %zu strings, seams at most %.5f apart, points off their "
                "loops by at most %.5f; deepest below the reference drop %.5f\n",
                p.strings.size(), seam, off, r.deepest);
    EXPECT_LE(seam, 0.02);
    EXPECT_LE(off, 0.01);
    EXPECT_LE(r.deepest, 0.01 + r.sag);

    // Patch after patch (passes along the common edge): each pass is cut at
    // its own patch's loop at both ends, not stretched over the along range
    // as a pass going on to the next patch is.
    SRFGEO.CUTFLP = 2;
    lp::fresh_run();
    lp::clearlist();
    i32 work = 0;
    CLIMIT(st);
    ASSERT_EQ(st, 0);
    SURMP1(work, st);
    ASSERT_EQ(st, 1);
    const lp::Path q = lp::written();
    ASSERT_GE(q.strings.size(), 4u);
    double out = 0;
    for (const auto& s : q.strings)
        for (const lp::Pt& w : s) {
            const bool first = w.x < 30.0;
            const double u = first ? w.x : w.x - 30.0;
            const Loop& l = first ? LEFT : RIGHT;
            if (!trm::inside({l}, u, w.y)) out = std::max(out, trm::border(l, u, w.y));
        }
    EXPECT_LE(out, 0.01);
}

}  // namespace
