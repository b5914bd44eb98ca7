// The stand-in host's polygons and contours: nesting, turning and touch of
// polygons, contour definitions over curve entities, polyline curves, the
// selection of contours by criteria, and line figures.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"

namespace {

std::vector<f32> square(f32 x0, f32 y0, f32 s) { return {x0, y0, x0 + s, y0, x0 + s, y0 + s, x0, y0 + s}; }

// A quarter disc of radius 10 about the origin: a line out along x, the arc,
// and the line along y taken reversed. Its curve ids.
std::vector<i32> quarter_disc()
{
    norak::load_session_text(R"({"entities": [
        {"kind": "line", "id": 1, "from": [0, 0, 0], "to": [10, 0, 0]},
        {"kind": "arc", "id": 2, "center": [0, 0, 0], "radius": 10, "angles": [0, 90]},
        {"kind": "line", "id": 3, "from": [0, 0, 0], "to": [0, 10, 0]},
        {"kind": "line", "id": 4, "from": [0, 20, 0], "to": [5, 20, 0]}]})");
    return {1, 2, 3, 4};
}

class Contours : public ::testing::Test {
protected:
    void SetUp() override { norak::reset(); }
};

}  // namespace

TEST_F(Contours, PolygonsNestTurnAndTouch)
{
    // a square holding a square holding a square, and one beside them
    std::vector<f32> pts;
    for (const auto& s : {square(0, 0, 10), square(2, 2, 6), square(4, 4, 2), square(20, 0, 2)})
        pts.insert(pts.end(), s.begin(), s.end());
    const i32 counts[4] = {4, 4, 4, 4};
    std::vector<i32> sons(4 * 5, -7);
    i32 work = -1, st = -1;
    polson(4, counts, pts.data(), sons.data(), work, st);
    EXPECT_EQ(st, 0);
    // every polygon inside, not only the next one down
    EXPECT_EQ(sons[0], 2);
    EXPECT_EQ(sons[1], 1);
    EXPECT_EQ(sons[2], 2);
    EXPECT_EQ(sons[5], 1);
    EXPECT_EQ(sons[6], 2);
    EXPECT_EQ(sons[10], 0);
    EXPECT_EQ(sons[15], 0);

    std::vector<f32> ccw = square(0, 0, 2), cw{0, 0, 0, 2, 2, 2, 2, 0}, flat{0, 0, 1, 1, 2, 2};
    EXPECT_EQ(polccw(ccw.data(), 4), 0);
    EXPECT_EQ(polccw(cw.data(), 4), 1);
    EXPECT_EQ(polccw(flat.data(), 3), -1);
    EXPECT_EQ(polccw(ccw.data(), 2), -1);
    f32 a = 0.0f;
    plarea(cw.data(), 4, a);
    EXPECT_FLOAT_EQ(a, -4.0f);

    // the edge from the last point back to the first counts only when closed
    const f64 poly[8] = {0, 0, 4, 0, 4, 4, 0, 4}, near_closing[2] = {0.0005, 2}, near_first[2] = {2, 0.0005};
    i32 ans = -1;
    tchptpol(2, 0.001, poly, 4, near_closing, ans);
    EXPECT_EQ(ans, 1);
    tchptpol(1, 0.001, poly, 4, near_closing, ans);
    EXPECT_EQ(ans, 0);
    tchptpol(1, 0.001, poly, 4, near_first, ans);
    EXPECT_EQ(ans, 1);
    tchptpol(1, 0.0001, poly, 4, near_first, ans);
    EXPECT_EQ(ans, 0);
}

TEST_F(Contours, DefinitionsChainTheirCurvesIntoPolygons)
{
    quarter_disc();
    const i32 closed[8] = {3, 0, 1, 0, 2, 0, 3, 1}, open[6] = {2, 0, 1, 0, 2, 0}, bad[4] = {1, 0, 99, 0};
    EXPECT_EQ(dfcgld(closed), 4);
    EXPECT_EQ(dfdgnc(closed), 3);
    EXPECT_EQ(dfdgoc(closed), 1);
    EXPECT_EQ(dfdgoc(open), 0);
    EXPECT_EQ(dfdgoc(bad), 0);

    std::vector<f32> pts(2000);
    i32 n = 0;
    const f64 tol = 0.01;
    dfcpol(closed, tol, 1000, pts.data(), n);
    ASSERT_GT(n, 4);
    // chained end to end, the shared ends once; the reversed line runs down
    EXPECT_FLOAT_EQ(pts[0], 0.0f);
    EXPECT_FLOAT_EQ(pts[1], 0.0f);
    EXPECT_FLOAT_EQ(pts[2], 10.0f);
    EXPECT_FLOAT_EQ(pts[3], 0.0f);
    EXPECT_NEAR(pts[2 * n - 2], 0.0f, 1e-6);
    EXPECT_NEAR(pts[2 * n - 1], 0.0f, 1e-6);
    // the arc's chords stay within the tolerance, and not far inside it
    f64 worst = 0.0;
    for (i32 k = 1; k + 2 < n - 1; ++k) {
        f64 mx = (pts[2 * k] + pts[2 * k + 2]) / 2.0, my = (pts[2 * k + 1] + pts[2 * k + 3]) / 2.0;
        EXPECT_NEAR(std::hypot(pts[2 * k], pts[2 * k + 1]), 10.0, 1e-5);
        worst = std::max(worst, 10.0 - std::hypot(mx, my));
    }
    EXPECT_LE(worst, tol + 1e-6);
    EXPECT_GT(worst, tol / 4);
    f32 area = 0.0f;
    plarea(pts.data(), n - 1, area);
    EXPECT_NEAR(area, 25.0 * M_PI, 0.2);
    // too small a buffer: -2, nothing counted as written
    i32 m = 0;
    dfcpol(closed, tol, n - 1, pts.data(), m);
    EXPECT_EQ(m, -2);
    dfcpol(bad, tol, 1000, pts.data(), m);
    EXPECT_EQ(m, 0);

    // element directions at their starts: the reversed line points down
    i32 id = 0, st = 0;
    f64 v[3];
    dfdget(closed, 1, 3, id, v, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(id, 3);
    EXPECT_NEAR(v[1], -1.0, 1e-12);
    dfdget(closed, 1, 2, id, v, st);
    EXPECT_NEAR(v[0], 0.0, 1e-9);
    EXPECT_NEAR(v[1], 1.0, 1e-9);
    dfdget(closed, 1, 4, id, v, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(id, 0);
    // an element naming a surface: its id and no direction, no polygon
    norak::Entity face;
    face.cls = ESRF_CLASS;
    face.type = ESRF_PLAIN;
    const i32 sid = norak::add_entity(face), loops[4] = {1, 0, sid, 0};
    dfdget(loops, 1, 1, id, v, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(id, sid);
    EXPECT_EQ(std::vector<f64>(v, v + 3), (std::vector<f64>{0, 0, 0}));
    dfcpol(loops, tol, 1000, pts.data(), m);
    EXPECT_EQ(m, 0);
}

TEST_F(Contours, PolylineCurvesRunThroughTheirPoints)
{
    const f64 p[9] = {0, 0, 1, 3, 0, 1, 3, 4, 2};
    i32 id = 0, st = -1;
    crcmpl(3, p, id, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(id, 0);
    f64 t0 = 0, t1 = 0, o[6];
    crvrng(id, t0, t1, st);
    ASSERT_EQ(st, 0);
    for (i32 k = 0; k < 3; ++k) {
        evcrv(id, t0 + (t1 - t0) * k / 2.0, o, st);
        EXPECT_NEAR(o[0], p[3 * k], 1e-9);
        EXPECT_NEAR(o[1], p[3 * k + 1], 1e-9);
        EXPECT_NEAR(o[2], p[3 * k + 2], 1e-9);
    }
    crcmpl(1, p, id, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(id, 0);
}

TEST_F(Contours, CurvesMoveWithTheirPlacementPointAndArcsAreMadeInAPlane)
{
    quarter_disc();
    const f64 p[6] = {0, 0, 1, 3, 4, 1};
    i32 poly = 0, st = -1;
    crcmpl(2, p, poly, st);
    // the placement point: a line's start, an arc's centre, a curve's first point
    f64 q[3] = {9, 9, 9}, o[6];
    for (const auto& [id, want] : std::vector<std::pair<i32, std::vector<f64>>>{{1, {0, 0, 0}}, {2, {0, 0, 0}}, {poly, {0, 0, 1}}}) {
        crvplc(1, id, q, st);
        EXPECT_EQ(st, 0) << id;
        EXPECT_EQ(std::vector<f64>(q, q + 3), want) << id;
    }
    // moved there, the whole curve follows
    const f64 to[3] = {1, 2, 3};
    for (i32 id : {1, 2, poly}) {
        f64 t0 = 0, t1 = 0, before[6];
        crvrng(id, t0, t1, st);
        evcrv(id, t1, before, st);
        crvplc(1, id, q, st);
        const f64 by[3] = {to[0] - q[0], to[1] - q[1], to[2] - q[2]};
        f64 there[3] = {to[0], to[1], to[2]};
        crvplc(2, id, there, st);
        EXPECT_EQ(st, 0);
        evcrv(id, t1, o, st);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(o[c], before[c] + by[c], 1e-12) << id;
    }
    crvplc(3, 1, q, st);
    EXPECT_EQ(st, -1);
    crvplc(1, 99, q, st);
    EXPECT_EQ(st, -1);
    // an arc about a normal along x: its x axis is the world y laid into the plane
    const f64 c[3] = {1, 2, 3}, nx[3] = {2, 0, 0};
    i32 arc = 0;
    crarc(c, nx, 5.0, 0.0, 90.0, arc, st);
    ASSERT_EQ(st, 0);
    evcrv(arc, 0.0, o, st);
    EXPECT_NEAR(o[0], 1.0, 1e-12);
    EXPECT_NEAR(o[1], 7.0, 1e-12);
    evcrv(arc, 90.0, o, st);
    EXPECT_NEAR(o[2], 8.0, 1e-12);  // y axis: x cross y = z
    const f64 zero[3] = {0, 0, 0};
    crarc(c, zero, 5.0, 0.0, 90.0, arc, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(arc, 0);
    crarc(c, nx, 0.0, 0.0, 90.0, arc, st);
    EXPECT_EQ(st, -1);
}

namespace {
std::vector<i32> deleted_orders;
void on_delete(i32 order) { deleted_orders.push_back(order); }
}  // namespace

TEST_F(Contours, CriteriaContoursAreAppendedOnceAndSelected)
{
    quarter_disc();
    i32 count = 0, first[700], last[700], pos[700], kind[700], order[700], selected[700];
    std::vector<i32> elems(2 * 12, 0);
    i32 st = 0;
    find_cont_by_crit(2, st);
    EXPECT_EQ(st, -1);  // nothing handed over yet
    pkt_set_to_main(&count, first, last, pos, kind, order, selected);
    cntbuf_set_to_main(elems.data(), 12, nullptr, nullptr);
    norak::set_crit_contours({{1, 0, 2, 0, 3, 1}, {4, 0}});
    find_cont_by_crit(2, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(count, 1);  // the closed one only
    i32 n = 0;
    get_num_cnt(n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(pos[0], 1);
    EXPECT_EQ(kind[0], 2);
    EXPECT_EQ(order[0], 1);
    EXPECT_EQ(selected[0], 1);
    EXPECT_EQ(elems[0], 3);
    EXPECT_EQ(elems[6], 3);
    EXPECT_EQ(elems[7], 1);
    EXPECT_EQ(compare_cnt(nullptr, 3, 1, 3, 0), 1);
    EXPECT_EQ(compare_cnt(nullptr, 2, 1, 3, 0), 0);
    EXPECT_EQ(compare_cnt(nullptr, 3, 1, 3, 1), 0);
    // found again: listed already, marked selected, not appended
    selected[0] = 0;
    find_cont_by_crit(2, st);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(selected[0], 1);
    // the open one follows the closed one's elements and order number
    find_cont_by_crit(1, st);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(pos[1], 5);
    EXPECT_EQ(kind[1], 1);
    EXPECT_EQ(order[1], 2);
    // no room left in the element buffer (7 elements from element 7 of 12)
    norak::set_crit_contours({{1, 0, 2, 0, 3, 0, 4, 0, 1, 0, 2, 0}});
    find_cont_by_crit(1, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(count, 2);
    // deletion by order number goes to the module's own routine
    deleted_orders.clear();
    prfdel_by_OrderNum(2);
    set_pdel_callback(on_delete);
    pktdel_by_OrderNum(2);
    EXPECT_EQ(deleted_orders, std::vector<i32>{2});
    norak::set_crit_deletes(false);  // a host that deletes nothing
    pktdel_by_OrderNum(3);
    EXPECT_EQ(deleted_orders, std::vector<i32>{2});
    set_pdel_callback(nullptr);
    // no entity is a solid: a curve answers 1 as a surface does
    EXPECT_EQ(ncs_id_is_not_solid(1), 1);
}

TEST_F(Contours, LineFiguresKeepTheirColourAndStrokes)
{
    drawto(1.0f, 1.0f, 0.0f);
    EXPECT_TRUE(norak::transcript_has("internal: NO FIGURE IS OPEN"));
    figopa(-1, 5);
    moveto(0.0f, 0.0f, 0.0f);
    drawto(1.0f, 0.0f, 0.0f);
    drawto(1.0f, 2.0f, 0.0f);
    moveto(5.0f, 5.0f, 1.0f);
    drawto(6.0f, 5.0f, 1.0f);
    figcls();
    ASSERT_FALSE(norak::figures().empty());
    const norak::Figure& f = norak::figures().back();
    EXPECT_EQ(f.kind, "lines");
    EXPECT_EQ(f.colour, 5);
    ASSERT_EQ(f.strokes.size(), 3u);
    EXPECT_FLOAT_EQ(f.strokes[1].from[0], 1.0f);
    EXPECT_FLOAT_EQ(f.strokes[1].to[1], 2.0f);
    EXPECT_FLOAT_EQ(f.strokes[2].from[0], 5.0f);
    EXPECT_FLOAT_EQ(f.strokes[2].from[2], 1.0f);
    EXPECT_EQ(gncalw(), 1);
}
