// The gathering under the tool across a change of the live triangle model:
// a gathering that reuses the cells of the previous point (mode 1) right
// after the model was released and built again over other surfaces, or
// after the editor's store brought another model back, lists what a fresh
// gathering at that point lists on the model now live; it never walks the
// cells of the model it was gathered on.
#include <gtest/gtest.h>

#include <vector>

#include "common/meshes.h"
#include "common/positioning.h"
#include "common/tooldefs.h"
#include "cutter/congeo.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/planar.h"
#include "cutter/under.h"
#include "edit/support.h"
#include "surfaces/qtside.h"
#include "surfaces/trimodel.h"

namespace {

// One gathering's outputs and its list, word by word.
struct Listing {
    i32 status = 0, count = 0, best = 0;
    f32 best_z = 0;
    std::vector<i32> words;
};

bool operator==(const Listing& a, const Listing& b)
{
    return a.status == b.status && a.count == b.count && a.best == b.best && a.best_z == b.best_z &&
           a.words == b.words;
}

std::ostream& operator<<(std::ostream& os, const Listing& l)
{
    return os << "status " << l.status << " count " << l.count << " best " << l.best << " z " << l.best_z;
}

Listing at_point(i32 mode, f32 x, f32 y)
{
    Listing l;
    f32 p[3] = {x, y, 0.0f};
    i32 ixy[2] = {static_cast<i32>(x * 1000.0f), static_cast<i32>(y * 1000.0f)};
    i32 part = 0, check = 0, other = 0;
    elm2nd(mode, p, ixy, 0.01f, ELMCAP, l.count, l.best, l.best_z, part, check, other, l.status);
    const i32* lst = elmlst();
    if (lst && l.count > 0) l.words.assign(lst, lst + l.count * ELM_WORDS);
    return l;
}

Listing along(i32 mode, f32 ax, f32 ay, f32 bx, f32 by)
{
    Listing l;
    const f32 a[2] = {ax, ay}, b[2] = {bx, by};
    i32 part = 0, check = 0, other = 0;
    elm2n2(mode, a, b, -50.0f, ELMCAP, l.count, part, check, other, l.status);
    const i32* lst = elmlst();
    if (lst && l.count > 0) l.words.assign(lst, lst + l.count * ELM_WORDS);
    return l;
}

// The positioning context over the live model, a ball of 10.
void context()
{
    i32 st = 0;
    CNTPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    LOCPTR(TRIMDL[TM_SRFHDL], TRIMDL[TM_NODHDL], st);
    ASSERT_TRUE(LOCTOL(0.0f, 0.0f));
}

// A fine terrain over 100 x 100 (many entries in every leaf) and a coarser
// one over the same box, lower (fewer entries in the same nodes).
i32 build_fine()
{
    return meshes::build({meshes::grid(0, 0, 100, 100, 160, 160, [](f64 x, f64 y) { return 0.05 * x + 0.03 * y; })});
}
i32 build_coarse()
{
    return meshes::build({meshes::grid(0, 0, 100, 100, 40, 40, [](f64 x, f64 y) { return 0.02 * x - 0.01 * y - 3; })});
}

constexpr f32 PX = 50.3f, PY = 47.9f;

class Regather : public ::testing::Test {
protected:
    void SetUp() override
    {
        positioning::reset();
        MDLDRP(0);
        MDLDRP(1);
        FRETRI();
        tooldefs::use_mill(10.0f, 5.0f);
    }
    void TearDown() override
    {
        MDLDRP(0);
        MDLDRP(1);
        FRETRI();
    }
    // Gathers at the point on the live model, afresh and then reusing the
    // cells; both list the same. The listing.
    Listing gather_twice()
    {
        const Listing fresh = at_point(0, PX, PY);
        EXPECT_EQ(fresh.status, 0);
        EXPECT_GT(fresh.count, 20);
        EXPECT_EQ(at_point(1, PX, PY), fresh);
        return fresh;
    }
};

TEST_F(Regather, AfterTheModelIsBuiltAgainTheCellsAreGatheredAfresh)
{
    ASSERT_EQ(build_fine(), 0);
    context();
    const Listing on_fine = gather_twice();
    const Listing move_fine = along(0, PX - 4, PY, PX + 4, PY + 1);
    ASSERT_GT(move_fine.count, 20);

    // The model released and built over the other surfaces.
    ASSERT_EQ(build_coarse(), 0);
    context();
    const Listing reused = at_point(1, PX, PY);
    const Listing fresh = at_point(0, PX, PY);
    EXPECT_GT(fresh.count, 0);
    EXPECT_NE(fresh, on_fine);
    EXPECT_EQ(reused, fresh);

    // Released alone and built again: the move reusing the cells lists
    // what it listed before.
    FRETRI();
    ASSERT_EQ(build_fine(), 0);
    context();
    EXPECT_EQ(along(1, PX - 4, PY, PX + 4, PY + 1), move_fine);
    FRETRI();
    ASSERT_EQ(build_fine(), 0);
    context();
    EXPECT_EQ(at_point(1, PX, PY), on_fine);
}

TEST_F(Regather, AModelBroughtBackFromTheStoreIsGatheredAfresh)
{
    // The fine model kept in slot 1, the coarse one in slot 0; both stay
    // open.
    ASSERT_EQ(build_fine(), 0);
    MDLPUT(1);
    for (i32& w : TRIMDL) w = 0;
    TRIMDL[TM_SRFHDL] = TRIMDL[TM_NODHDL] = TRIMDL[TM_NRMHDL] = TRIMDL[TM_STGHDL] = -1;
    for (i32 n = 0; n < QT_NODES; ++n) {
        qtrow(n)[QT_COUNT] = 0;
        qtrow(n)[QT_HANDLE] = -1;
    }
    ASSERT_EQ(build_coarse(), 0);
    MDLPUT(0);
    context();
    const Listing coarse_alone = at_point(0, PX, PY);

    // The fine model live, gathered at the point.
    ASSERT_EQ(MDLGET(1), 1);
    context();
    const Listing on_fine = gather_twice();

    // Bringing back the model that is live keeps the cells, as any reuse
    // does: far from them they list less than a fresh gathering.
    const Listing elsewhere = at_point(1, PX + 30, PY + 30);
    at_point(0, PX, PY);
    ASSERT_EQ(MDLGET(1), 1);
    EXPECT_EQ(at_point(1, PX + 30, PY + 30), elsewhere);
    EXPECT_NE(at_point(0, PX + 30, PY + 30), elsewhere);

    // The coarse model brought back: reusing the cells and gathering afresh
    // list what the coarse model listed on its own.
    ASSERT_EQ(MDLGET(0), 1);
    context();
    EXPECT_EQ(at_point(1, PX, PY), coarse_alone);
    EXPECT_EQ(at_point(0, PX, PY), coarse_alone);

    // And back to the fine one.
    ASSERT_EQ(MDLGET(1), 1);
    context();
    EXPECT_EQ(at_point(1, PX, PY), on_fine);
}

}  // namespace
