// The surface checks: sound surfaces of every kind pass; surfaces beyond the
// model's coordinates, smaller than the grid's step, or whose weights pile
// the surface onto a point or make it jump are refused and go to the bad
// surfaces.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "surfaces/srfbuf.h"
#include "surfaces/srfchk.h"
#include "tests/surfaces/shapes.h"

namespace {

// A bicubic 4 x 4 dome of 100 x 80, scaled by s, weights by w(i).
template <class W>
std::string dome(int id, double s, W w)
{
    const double z[16] = {13.6, 29.7, 32.4, 21.8, 21.1, 36.4, 38.4, 27.1, 22.1, 36.8, 38.1, 26.1, 16.8, 30.7, 31.3, 18.6};
    std::vector<shapes::Pt> p;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) p.push_back({s * 100.0 * i / 3, s * 80.0 * j / 3, s * z[4 * j + i], w(4 * j + i)});
    std::ostringstream o;
    o << "{\"kind\":\"nurbs_surface\",\"id\":" << id << ",\"degree\":[3,3],\"counts\":[4,4],"
      << "\"u_knots\":[0,0,0,0,1,1,1,1],\"v_knots\":[0,0,0,0,1,1,1,1],\"points\":" << shapes::pts_json(p) << "}";
    return o.str();
}

i32 verdict(i32 id)
{
    std::vector<f64> buf(SB_CAP);
    i32 st = 0;
    LDSRFB(id, buf.data(), st);
    EXPECT_EQ(st, 0);
    return SRFCHK(buf.data());
}

}  // namespace

TEST(SurfaceCheck, SoundSurfacesPassAndDegenerateOnesAreRefused)
{
    norak::reset();
    const auto one = [](int) { return 1.0; };
    norak::load_session_text(shapes::session({
        dome(1, 1.0, one),
        dome(2, 1.0, [](int) { return 1e300; }),  // uniform weights, however large: the same dome
        shapes::nurbs_sphere(3, 25.0),           // poles at two edges
        shapes::plane(4, -50, -50, 0, 100, 100),
        shapes::freeform(5),
        R"({"kind":"revolution","id":6,"profile":{"degree":1,"count":2,"knots":[0,0,1,1],"points":[[0,0,10],[10,0,0]]}})",
        dome(7, 1e-28, one),                                   // a dome 1e-28 across
        dome(8, 1.0, [](int i) { return i == 5 ? 1e300 : 1.0; }),  // one weight of 1e300
        dome(9, 1.0, [](int i) { return i % 2 ? 1e-12 : 1e12; }),  // weights mixing 1e-12 and 1e12
        dome(10, 2e4, one),                                    // 2,000,000 across
        shapes::plane(11, 0, 0, 0, 5e-4, 5e-4),
    }));
    for (i32 id : {1, 2, 3, 4, 5, 6}) EXPECT_EQ(verdict(id), SCK_SOUND) << id;
    EXPECT_EQ(verdict(7), SCK_TINY);
    EXPECT_EQ(verdict(8), SCK_COLLAPSED);
    EXPECT_EQ(verdict(9), SCK_COLLAPSED);
    EXPECT_EQ(verdict(10), SCK_FAR);
    EXPECT_EQ(verdict(11), SCK_TINY);

    // The procedure's surfaces: the refused ones go to the bad surfaces, each
    // with the bad-surface message.
    init_badsrf();
    const i32 ids[] = {1, 8, 3, 9};
    i32 st = 0;
    SRFCKL(ids, 4, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(count_badsrf(), 2);
    EXPECT_EQ(find_id_in_buf_badsrf(8), 0);
    EXPECT_EQ(find_id_in_buf_badsrf(9), 1);
    EXPECT_EQ(norak::transcript_count("user: [allsrf] SURFACE IS NOT APPROXIMATED AND GOES TO THE BAD SURFACES: "), 2u);
    SRFCKL(ids, 1, st);
    EXPECT_EQ(st, 0);
    const i32 missing = 99;
    SRFCKL(&missing, 1, st);
    EXPECT_EQ(st, -1);
    end_badsrf();
}

TEST(SurfaceCheck, ASurfaceEntityLargerThanTheBufferIsNamedSo)
{
    norak::reset();
    std::string words = "0";
    for (i32 k = 1; k < 2 * SB_CAP + 2; ++k) words += ",0";
    norak::load_session_text(R"({"entities":[{"kind":"raw","id":5,"class":3,"type":3,"words":[)" + words +
                             R"(]}, {"kind":"raw","id":6,"class":9,"type":3,"words":[1]}]})");
    std::vector<f64> buf(SB_CAP);
    i32 st = 0;
    LDSRFB(5, buf.data(), st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::transcript_count("user: LDSRFB, SURFACE ENTITY LARGER THAN THE SURFACE BUFFER: 5"), 1u);
    LDSRFB(6, buf.data(), st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::transcript_count("user: LDSRFB, NOT A SURFACE ENTITY: 6"), 1u);
    EXPECT_FALSE(SRFBOK(buf.data()));
}
