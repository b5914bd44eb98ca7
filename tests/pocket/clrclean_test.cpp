// The contour-cleaning pass of the area clearing: the cut first offsets in
// a polygon buffer, the tries of the clean area with the retry allowance,
// and the clearings nested inside a clearing by the cleaning core.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "cleanup/clrarea.h"
#include "cleanup/clrclean.h"
#include "cleanup/clrout.h"
#include "cleanup/clrset.h"
#include "cleanup/hatch.h"
#include "cutter/linntb.h"
#include "pocket/clrpok.h"
#include "pocket/polbuf.h"
#include "tests/common/tooldefs.h"
#include "tests/pocket/common.h"

using namespace pk;

namespace {

std::vector<f32> rect(f32 x0, f32 y0, f32 w, f32 h)
{
    return {x0, y0, x0 + w, y0, x0 + w, y0 + h, x0, y0 + h, x0, y0};
}

void start_fresh()
{
    fresh();
    tooldefs::use_mill(10.0f, 0.0f);
    i32 st = 0;
    polbuf_init(2, 9000, st);
    BNDACT = 0;
    ccl_pass_set(1);
    clr_nest_result_clear();
}

// Width, height and signed area of polygon k of buffer b, and its point
// count.
struct Extent {
    f32 w = 0, h = 0, area = 0;  // area signed: > 0 counter-clockwise
    i32 n = 0;
};
Extent extent(i32 b, i32 k)
{
    i32 st = 0, cur = 0;
    polbuf_select(PB_GET, cur, st);
    polbuf_select(0, b, st);
    Extent e;
    polbuf_get_np(k, e.n, st);
    f32 x0 = 1e30f, x1 = -1e30f, y0 = 1e30f, y1 = -1e30f;
    for (i32 j = 1; j <= e.n; ++j) {
        f32 x = 0, y = 0;
        polbuf_get_point(k, j, x, y, st);
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    e.w = x1 - x0, e.h = y1 - y0;
    for (i32 j = 1; j <= e.n; ++j) {
        f32 ax = 0, ay = 0, bx = 0, by = 0;
        polbuf_get_point(k, j, ax, ay, st);
        polbuf_get_point(k, j % e.n + 1, bx, by, st);
        e.area += 0.5f * (ax * by - bx * ay);
    }
    polbuf_select(0, cur, st);
    return e;
}

i32 npol(i32 b)
{
    i32 st = 0, cur = 0, n = 0;
    polbuf_select(PB_GET, cur, st);
    polbuf_select(0, b, st);
    polbuf_get_npol(n, st);
    polbuf_select(0, cur, st);
    return n;
}

// A pocket 100 x 100 with an island 20 x 20 in its middle set up for the
// clean area (allowances 1 and 2, side 1).
void pocket_set_up()
{
    const f32 allow[2] = {1.0f, 2.0f};
    i32 st = 0;
    clr_set_params(0, 0, 0.0f, 1.0f, 2, allow, st);
    std::vector<f32> o = rect(0, 0, 100, 100), i = rect(40, 40, 20, 20);
    clr_add_contour(1, 5, o.data(), st);
    clr_add_contour(0, 5, i.data(), st);
}

struct Out {
    i32 status = -99, n = 0;
    std::vector<i32> counts = std::vector<i32>(20);
    std::vector<f32> pts = std::vector<f32>(30000);
};
Out clear_pocket()
{
    Out o;
    std::vector<f32> pts = rect(0, 0, 100, 100), isl = rect(40, 40, 20, 20);
    pts.insert(pts.end(), isl.begin(), isl.end());
    const i32 counts[2] = {5, 5};
    const f32 allow[2] = {1.0f, 2.0f};
    o.n = 20;
    clrpok(0, 0, 0.0f, 1.0f, 2, counts, pts.data(), allow, o.n, o.counts.data(), o.pts.data(), o.status);
    return o;
}

}  // namespace

TEST(ContourCleaning, TheCutFirstOffsetsGoIntoTheCurrentBuffer)
{
    start_fresh();
    clr_save_state(1);
    pocket_set_up();
    i32 st = 0;
    cmtpk1(1, st);
    ASSERT_EQ(st, 0);
    i32 two = 2;
    polbuf_select(0, two, st);
    clr_clean_contours(1.0f, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(npol(2), 2);
    // last row first: the outer contour's tour (offset by 1), then the
    // island's (by 2), which the cutting made first
    const Extent a = extent(2, 1), b = extent(2, 2);
    EXPECT_NEAR(a.w, 98.0f, 1e-4);
    EXPECT_NEAR(a.h, 98.0f, 1e-4);
    EXPECT_NEAR(b.w, 24.0f, 1e-4);
    // the tool keeps its diameter
    f32 D = 0;
    GTDIAM(CURTOL, D);
    EXPECT_EQ(D, 10.0f);
    // nothing cut: nothing left to clean
    clr_cut_mark = 0;
    clr_clean_contours(1.0f, st);
    EXPECT_EQ(st, 1);
    EXPECT_EQ(npol(2), 0);
    // no buffer to write into: the buffer's failure comes back as it came
    polbuf_init(1, 0, st);
    clr_clean_contours(1.0f, st);
    EXPECT_EQ(st, -1);
    GTDIAM(CURTOL, D);
    EXPECT_EQ(D, 10.0f);
    clr_save_state(2);
    pkdm_rel_all();
}

TEST(ContourCleaning, TriesRunWithTheRetryAllowanceAndGiveTheWordsBack)
{
    start_fresh();
    clr_save_state(1);
    pocket_set_up();
    pokpar.retry_allow = 3.0;
    const PokPar before = pokpar;
    i32 st = 0;
    // a single run (code 21) makes no try: the buffers stay empty
    clr_clean_area(21, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(npol(5), 0);
    EXPECT_EQ(npol(0), 0);
    // the outer contour fixed (code 11): try 0 into buffer 5 with the
    // allowances, try 1 into the current buffer with the island's grown by
    // the retry allowance; the final run as without tries
    clr_clean_area(11, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(npol(5), 2);
    EXPECT_NEAR(extent(5, 1).w, 98.0f, 1e-4);
    EXPECT_NEAR(extent(5, 2).w, 24.0f, 1e-4);
    ASSERT_EQ(npol(0), 2);
    EXPECT_NEAR(extent(0, 1).w, 98.0f, 1e-4);
    EXPECT_NEAR(extent(0, 2).w, 30.0f, 1e-4);
    const f32 first_pass = extent(0, 1).area;
    i32 n = 10, counts[10];
    std::vector<f32> pts(14000);
    clr_output(1.0f, 7000, pts.data(), n, counts, st);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(std::memcmp(&pokpar, &before, sizeof pokpar), 0);
    // the retry switch (code 1): the outer contour's allowance grows too
    pokpar.retry_sw_c = 1;
    clr_clean_area(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(extent(0, 1).w, 92.0f, 1e-4);
    // a retry allowance that leaves nothing: a second pass without it,
    // the direction turned once more, so its tours run the other way round
    // than the first pass's
    pokpar.retry_allow = 60.0;
    clr_clean_area(1, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(extent(0, 1).w, 98.0f, 1e-4);
    EXPECT_LT(extent(0, 1).area * first_pass, 0.0f);
    EXPECT_NEAR(extent(0, 2).w, 24.0f, 1e-4);
    EXPECT_EQ(pokpar.retry_allow, 60.0);
    clr_save_state(2);
    pkdm_rel_all();
}

TEST(ContourCleaning, ClearingsNestedByTheCoreLeaveTheClearingAsItWas)
{
    start_fresh();
    const Out alone = clear_pocket();
    ASSERT_EQ(alone.status, 0);
    ASSERT_EQ(alone.n, 2);
    // with boundary clipping the pre-pass cleans; the machining boundary in
    // buffer 1 is given back as it was
    BNDACT = 1;
    i32 st = 0, one = 1;
    polbuf_select(0, one, st);
    polbuf_put_point(1, 1, 7.0f, 8.0f, st);
    polbuf_set_np(1, 1, st);
    polbuf_set_npol(1, st);
    const Out clipped = clear_pocket();
    ASSERT_EQ(clipped.status, 0);
    EXPECT_EQ(clipped.n, alone.n);
    EXPECT_TRUE(clr_nest_result().counts.empty());
    // the core clears both cut first offsets by clearings nested inside
    ccl_pass_set(3);
    const Out nested = clear_pocket();
    ASSERT_EQ(nested.status, 0);
    i32 mode = 0;
    ccl_pass_get(mode);
    EXPECT_EQ(mode, 3);
    ASSERT_EQ(nested.n, alone.n);
    EXPECT_EQ(nested.counts, alone.counts);
    EXPECT_EQ(nested.pts, alone.pts);
    EXPECT_EQ(clr_save_depth(), 0);
    EXPECT_EQ(pkdm_entries(), 0);
    // each nested clearing cleared one polygon (allowance 0): a tour of the
    // outer contour's first offset (98 wide) and one of the island's (24)
    const ClrNestResult& r = clr_nest_result();
    ASSERT_EQ(r.counts.size(), 2u);
    std::vector<f32> widths;
    i32 at = 0;
    for (i32 c : r.counts) {
        f32 x0 = 1e30f, x1 = -1e30f;
        for (i32 j = 0; j < c; ++j) x0 = std::min(x0, r.points[2 * (at + j)]), x1 = std::max(x1, r.points[2 * (at + j)]);
        widths.push_back(x1 - x0);
        at += c;
    }
    std::sort(widths.begin(), widths.end());
    EXPECT_NEAR(widths[0], 24.0f, 1e-3);
    EXPECT_NEAR(widths[1], 98.0f, 1e-3);
    // the boundary is back
    polbuf_select(0, one, st);
    f32 x = 0, y = 0;
    polbuf_get_point(1, 1, x, y, st);
    EXPECT_EQ(npol(1), 1);
    EXPECT_EQ(x, 7.0f);
    BNDACT = 0;
    ccl_pass_set(1);
}

TEST(ContourCleaning, TheClearingKindComesFromTheCodeAndSilencesTheUser)
{
    start_fresh();
    clr_save_state(1);
    pocket_set_up();
    pokpar.allow[10000] = 45.0;  // the island (key 10001) grown past the pocket's walls
    i32 st = 0, kind = -1;
    const char* said = "THE POCKET OUTER CONTOUR CONTAINED WITHIN THE ISLAND CONTOUR";
    clr_clean_area(10, st);
    EXPECT_EQ(st, 17);
    EXPECT_EQ(norak::transcript_count(said), 1u);
    clr_get_kind(kind);
    EXPECT_EQ(kind, 0);
    // a clearing of kind 3 fails the same way without a word to the user
    clr_clean_area(13, st);
    EXPECT_EQ(st, 17);
    EXPECT_EQ(norak::transcript_count(said), 1u);
    clr_get_kind(kind);
    EXPECT_EQ(kind, 3);
    clr_clean_area(22, st);
    clr_get_kind(kind);
    EXPECT_EQ(kind, 2);
    clr_save_state(2);
    pkdm_rel_all();
}
