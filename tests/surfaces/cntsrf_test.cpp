// The contour services of the part surfaces on the stand-in's surfaces,
// trim loops and curves: the surfaces a contour's loop bounds, the
// contours a geometry entity stands for, a curve's vector in a frame, and
// the arc entity of the debug drawing.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "surfaces/cntsrf.h"

namespace {

// The part: surfaces inside, across and (trimmed) inside the square 0..10
// that lines 10..13 bound; a point; a line and a polyline curve.
void part()
{
    norak::reset();
    norak::load_session_text(R"({"entities": [
        {"kind": "plane_patch", "id": 1, "origin": [1, 1, 4], "u_axis": [1, 0, 0], "v_axis": [0, 1, 0], "u": [0, 2], "v": [0, 2]},
        {"kind": "plane_patch", "id": 2, "origin": [8, 1, 0], "u_axis": [1, 0, 0], "v_axis": [0, 1, 0], "u": [0, 4], "v": [0, 2]},
        {"kind": "plane_patch", "id": 3, "origin": [-5, -5, 0], "u_axis": [1, 0, 0], "v_axis": [0, 1, 0], "u": [0, 20], "v": [0, 20],
         "loops": [{"points": [[6, 6], [14, 6], [14, 14], [6, 14]]}, {"points": [[8, 8], [9, 8], [9, 9], [8, 9]]}]},
        {"kind": "line", "id": 10, "from": [0, 0, 0], "to": [10, 0, 0]},
        {"kind": "line", "id": 11, "from": [10, 0, 0], "to": [10, 10, 0]},
        {"kind": "line", "id": 12, "from": [10, 10, 0], "to": [0, 10, 0]},
        {"kind": "line", "id": 13, "from": [0, 10, 0], "to": [0, 0, 0]},
        {"kind": "point", "id": 14, "at": [1, 2, 3]},
        {"kind": "line", "id": 15, "from": [1, 2, 3], "to": [4, 5, 6]}]})");
}

std::vector<i32> stack()
{
    std::vector<i32> ids(static_cast<size_t>(pkscnt()));
    i32 n = 0;
    pksget(ids.data(), static_cast<i32>(ids.size()), n);
    return ids;
}

}  // namespace

TEST(ContourServices, TheSurfacesALoopBoundsAreGatheredOnce)
{
    part();
    const i32 square[10] = {4, 0, 10, 0, 11, 0, 12, 0, 13, 0};
    LOPSRF(square, 1, 1);
    EXPECT_EQ(stack(), (std::vector<i32>{1, 3}));  // surface 2 reaches past x = 10
    LOPSRF(square, 1, 1);                          // held already: nothing more
    i32 len = 0;
    sllen(len);
    EXPECT_EQ(len, 2);
    // an open contour bounds nothing; another mode gathers nothing
    slclr();
    const i32 open[6] = {2, 0, 10, 0, 11, 0};
    LOPSRF(open, 1, 1);
    LOPSRF(square, 2, 1);
    EXPECT_TRUE(stack().empty());
    EXPECT_TRUE(norak::transcript_has("internal: LOPSRF, WRONG MODE"));
}

// A loop with heights (a rising line, a half circle at height 3 bulging out
// to x = 15, a line climbing to 6 and one falling back) bounds in plan:
// surfaces tilted or far above inside it are gathered, one reaching past
// the half circle is not.
TEST(ContourServices, ALoopWithHeightsBoundsInPlan)
{
    norak::reset();
    norak::load_session_text(R"({"entities": [
        {"kind": "plane_patch", "id": 1, "origin": [11, 4, 2], "u_axis": [1, 0, 1], "v_axis": [0, 1, 0], "u": [0, 2], "v": [0, 2]},
        {"kind": "plane_patch", "id": 2, "origin": [13, 4, 0], "u_axis": [1, 0, 1], "v_axis": [0, 1, 0], "u": [0, 3], "v": [0, 2]},
        {"kind": "plane_patch", "id": 3, "origin": [1, 1, 100], "u_axis": [1, 0, 0], "v_axis": [0, 1, -1], "u": [0, 3], "v": [0, 3]},
        {"kind": "line", "id": 10, "from": [0, 0, 0], "to": [10, 0, 3]},
        {"kind": "arc", "id": 11, "center": [10, 5, 3], "ref": [0, -1, 0], "radius": 5, "angles": [0, 180]},
        {"kind": "line", "id": 12, "from": [10, 10, 3], "to": [0, 10, 6]},
        {"kind": "line", "id": 13, "from": [0, 10, 6], "to": [0, 0, 0]}]})");
    const i32 loop[10] = {4, 0, 10, 0, 11, 0, 12, 0, 13, 0};
    ASSERT_EQ(dfdgoc(loop), 1);
    LOPSRF(loop, 1, 1);
    EXPECT_EQ(stack(), (std::vector<i32>{1, 3}));
    // the same loop with heights taken backwards bounds the same surfaces
    slclr();
    const i32 back[10] = {4, 0, 13, 1, 12, 1, 11, 1, 10, 1};
    LOPSRF(back, 1, 1);
    EXPECT_EQ(stack(), (std::vector<i32>{1, 3}));
}

TEST(ContourServices, GeometryEntitiesStandForTheirLoops)
{
    part();
    i32 arc = 0, spline = 0, st = 0;
    const f32 rec[6] = {0, 0, 2, 3, 0, 270};
    DBSARC(rec, arc, st);
    const f64 pts[9] = {0, 0, 0, 1, 2, 3, 4, 1, 5};
    crcmpl(3, pts, spline, st);
    struct Case {
        i32 id, count, status;
    } cases[] = {{15, 1, 0}, {arc, 1, 0}, {spline, 1, 0}, {1, 1, 0}, {3, 2, 0}, {14, 0, -2}, {77, 0, -1}};
    for (const Case& c : cases) {
        i32 count = -1, st = 9;
        PLFGNG(c.id, count, st);
        EXPECT_EQ(count, c.count) << c.id;
        EXPECT_EQ(st, c.status) << c.id;
    }
    EXPECT_TRUE(norak::transcript_has("internal: PLFGNG, NOT A CURVE OR SURFACE"));
    EXPECT_TRUE(norak::transcript_has("internal: PLFGNG, NO SUCH ENTITY"));
}

TEST(ContourServices, ACurvesVectorInTheModelAndTheWorkPlane)
{
    part();
    const f64 rot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, shift[3] = {10, 0, 0};
    norak::set_model_to_world(rot, shift);
    f64 v[3] = {0, 0, 0}, o[6];
    i32 st = -1;
    DBDPTW(1, 15, 1, v, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(std::vector<f64>(v, v + 3), (std::vector<f64>{1, 2, 3}));
    DBDPTW(1, 15, 2, v, st);
    EXPECT_EQ(std::vector<f64>(v, v + 3), (std::vector<f64>{11, 2, 3}));
    // put at height 0 in the work plane: the line moves with its start
    v[2] = 0.0;
    DBDPTW(2, 15, 2, v, st);
    EXPECT_EQ(st, 0);
    evcrv(15, 1.0, o, st);
    EXPECT_EQ(std::vector<f64>(o, o + 3), (std::vector<f64>{4, 5, 3}));
    // read as stored, written back in the work plane: moved by the map
    DBDPTW(1, 15, 1, v, st);
    DBDPTW(2, 15, 2, v, st);
    evcrv(15, 0.0, o, st);
    EXPECT_EQ(o[0], -9.0);
    for (const auto& [mode, frame, id] : std::vector<std::array<i32, 3>>{{3, 1, 15}, {1, 0, 15}, {1, 1, 1}}) {
        st = 0;
        DBDPTW(mode, id, frame, v, st);
        EXPECT_EQ(st, -1) << mode << frame << id;
    }
    EXPECT_TRUE(norak::transcript_has("internal: DBDPTW, WRONG MODE"));
    EXPECT_TRUE(norak::transcript_has("internal: DBDPTW, WRONG FRAME"));
    EXPECT_TRUE(norak::transcript_has("internal: DBDPTW, NOT A CURVE ENTITY"));
}

// Under a work plane turned a quarter about z and shifted: an arc and a
// curve through points with heights read their vector in either frame, and
// a put moves the whole curve with it.
TEST(ContourServices, ArcsAndCurvesWithHeightsMoveWholeInEitherFrame)
{
    part();
    const f64 rot[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1}, shift[3] = {5, -2, 1};
    norak::set_model_to_world(rot, shift);
    i32 arc = 0, spline = 0, st = 0;
    const f32 rec[6] = {1, 2, 3, 4, 0, 90};
    DBSARC(rec, arc, st);
    const f64 pts[9] = {1, 1, 1, 2, 3, 4, 6, 2, 8};
    crcmpl(3, pts, spline, st);
    ASSERT_GT(arc, 0);
    ASSERT_GT(spline, 0);
    auto ends = [](i32 id) {
        f64 t0 = 0, t1 = 0, a[6], b[6];
        i32 s = 0;
        crvrng(id, t0, t1, s);
        evcrv(id, t0, a, s);
        evcrv(id, t1, b, s);
        return std::vector<f64>{a[0], a[1], a[2], b[0], b[1], b[2]};
    };
    for (i32 id : {arc, spline}) {
        const std::vector<f64> before = ends(id);
        f64 m[3], w[3], want[3];
        DBDPTW(1, id, 1, m, st);
        ASSERT_EQ(st, 0) << id;
        DBDPTW(1, id, 2, w, st);
        madm2w(m, want);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(w[c], want[c], 1e-12) << id;
        EXPECT_GT(std::hypot(w[0] - m[0], w[1] - m[1], w[2] - m[2]), 0.1) << id;  // the frames differ
        // put back where it was read in the work plane: nothing moves
        DBDPTW(2, id, 2, w, st);
        std::vector<f64> after = ends(id);
        for (int c = 0; c < 6; ++c) EXPECT_NEAR(after[c], before[c], 1e-9) << id;
        // put one up and one along x in the model: both ends move with it
        m[0] += 1.0;
        m[2] += 1.0;
        DBDPTW(2, id, 1, m, st);
        after = ends(id);
        for (int c = 0; c < 6; ++c) EXPECT_NEAR(after[c], before[c] + (c % 3 == 1 ? 0.0 : 1.0), 1e-9) << id << " " << c;
    }
}

TEST(ContourServices, AnArcRecordBecomesAnArcEntity)
{
    part();
    const f32 rec[6] = {1, 2, 3, 5, 0, 90};
    i32 id = 0, st = -1;
    DBSARC(rec, id, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(id, 0);
    EXPECT_EQ(norak::entities().at(id).cls, 2);
    f64 o[6];
    evcrv(id, 90.0, o, st);
    EXPECT_NEAR(o[0], 1.0, 1e-12);
    EXPECT_NEAR(o[1], 7.0, 1e-12);
    EXPECT_NEAR(o[2], 3.0, 1e-12);
    const f32 bad[6] = {1, 2, 3, 0, 0, 90};
    DBSARC(bad, id, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(id, 0);
    EXPECT_TRUE(norak::transcript_has("internal: DBSARC, BAD ARC RECORD"));
}
