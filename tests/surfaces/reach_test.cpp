// Surface services few roads reach: the criteria masks applied to the
// lists that have them, the line entity, and the contour count of a
// geometry entity.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "surfaces/cntsrf.h"
#include "surfaces/srfbuf.h"
#include "surfaces/srflist.h"
#include "tests/surfaces/shapes.h"

namespace {
std::vector<i32> list_ids(i32 list)
{
    i32 n = 0, st = 0;
    nc_surf_list_count(1, list, n, st);
    std::vector<i32> ids(static_cast<size_t>(n));
    nc_surf_ids(ids.data(), n, st);
    return ids;
}
}  // namespace

TEST(SurfaceReach, MasksApplyOnlyToTheListsThatHaveThem)
{
    norak::reset();
    norak::load_session_text(shapes::session({shapes::plane(1, 0, 0, 0, 1, 1, ",\"attrs\":{\"LV\":5}"),
                                              shapes::plane(2, 0, 0, 0, 1, 1, ",\"attrs\":{\"LV\":6}"),
                                              shapes::plane(3, 0, 0, 0, 1, 1, ",\"attrs\":{\"LV\":5}")},
                                             "[]"));
    i32 st = 0, n = 1;
    const i32 one[1] = {1};
    nc_surf_count(2, 0, n, st);  // the part list holds surface 1, no masks
    nc_surf_put(1, one, nullptr, st);
    const i32 mask[5] = {-1, 5, -1, -1, -1};
    nc_geomsk_lst_add(1, mask, st);
    nc_geomsk_refresh(0, 1, 0);  // not by criteria: nothing changes
    EXPECT_TRUE(list_ids(1).empty());
    nc_geomsk_apply();
    EXPECT_EQ(list_ids(1), (std::vector<i32>{1, 3}));
    EXPECT_EQ(list_ids(0), (std::vector<i32>{1}));
    // A level-6 mask on the part list too, through the refresh by criteria.
    const i32 six[5] = {-1, 6, -1, -1, -1};
    nc_geomsk_lst_add(0, six, st);
    nc_geomsk_refresh(0, 1, 1);
    EXPECT_EQ(list_ids(0), (std::vector<i32>{2}));
    EXPECT_EQ(list_ids(1), (std::vector<i32>{1, 3}));
}

TEST(SurfaceReach, LineEntityHoldsItsTwoPoints)
{
    norak::reset();
    const f32 a[3] = {1, 2, 3}, b[3] = {4.5f, -5, 6};
    i32 id = 0, st = 9;
    LINE(id, a, b, st);
    ASSERT_EQ(st, 0);
    ASSERT_GT(id, 0);
    const auto& e = norak::entities().at(id);
    EXPECT_EQ(e.cls, 2);
    EXPECT_EQ(e.type, 1);
    ASSERT_EQ(e.words.size(), 12u);  // six doubles
    f64 p[6];
    std::memcpy(p, e.words.data(), sizeof p);
    EXPECT_EQ(p[0], 1.0);
    EXPECT_EQ(p[3], 4.5);
    EXPECT_EQ(p[4], -5.0);
    EXPECT_EQ(p[5], 6.0);
}

TEST(SurfaceReach, ContourCountOfAGeometryEntity)
{
    norak::reset();
    norak::load_session_text(shapes::session({shapes::plane(1, 0, 0, 0, 1, 1, "")}, "[]"));
    i32 count = -1, st = 9;
    PLFGNG(1, count, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(count, 1);
    PLFGNG(77, count, st);  // no such entity
    EXPECT_EQ(st, -1);
    EXPECT_EQ(count, 0);
}
