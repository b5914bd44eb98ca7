// The editor's store of triangle models: snapshots round-trip every word of
// the live state, a model live before a snapshot was got comes back when the
// snapshot is dropped, nothing is left open; and the surface set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "edit/support.h"
#include "platform/norak/norak.h"
#include "surfaces/trimodel.h"
#include "tests/common/meshes.h"

namespace {
std::vector<i32> live()
{
    std::vector<i32> w(TRIMDL, TRIMDL + TRIMDL_N);
    w.insert(w.end(), QTBOX, QTBOX + 4);
    w.insert(w.end(), QTNODE, QTNODE + QT_NODES * QT_ROW);
    return w;
}

// Forgets the live model without freeing it (what a model kept elsewhere
// looks like from the live state).
void forget_live()
{
    for (i32& w : TRIMDL) w = 0;
    TRIMDL[TM_SRFHDL] = TRIMDL[TM_NODHDL] = TRIMDL[TM_NRMHDL] = TRIMDL[TM_STGHDL] = -1;
    for (i32 n = 0; n < QT_NODES; ++n) {
        qtrow(n)[QT_COUNT] = 0;
        qtrow(n)[QT_HANDLE] = -1;
    }
}

i32 build(f64 height)
{
    return meshes::build({meshes::grid(0, 0, 40, 30, 8, 6, [&](f64 x, f64) { return height + 0.1 * x; })});
}
}  // namespace

TEST(ModelStore, SnapshotsRoundTripAndTheModelLiveBeforeComesBackWhenOneIsDropped)
{
    norak::reset();
    MDLDRP(0);
    MDLDRP(1);
    FRETRI();
    const i32 base = norak::open_arrays();
    const std::vector<i32> none = live();
    // An empty slot gives nothing and changes nothing.
    EXPECT_EQ(MDLGET(1), 0);
    EXPECT_EQ(live(), none);

    ASSERT_EQ(build(5.0), 0);
    const std::vector<i32> a = live();
    const i32 with_a = norak::open_arrays();
    ASSERT_GT(with_a, base);
    MDLPUT(1);
    forget_live();
    ASSERT_EQ(build(9.0), 0);
    const std::vector<i32> b = live();
    ASSERT_NE(a, b);

    // Getting slot 1 puts every word of A back.
    EXPECT_EQ(MDLGET(1), 1);
    EXPECT_EQ(live(), a);
    // Dropping it frees A alone: B, live before, is live again.
    const i32 freed = MDLFRE;
    MDLDRP(1);
    EXPECT_EQ(MDLFRE, freed + 1);
    EXPECT_EQ(live(), b);
    EXPECT_FALSE(MDLHAS(1));
    EXPECT_EQ(norak::open_arrays(), base + (with_a - base));  // B's arrays, as many as A had
    // Dropping an empty slot does nothing.
    MDLDRP(1);
    EXPECT_EQ(live(), b);
    FRETRI();
    EXPECT_EQ(norak::open_arrays(), base);
}

TEST(ModelStore, ASlotSavedOverFreesTheModelItHeldWhenNothingElseHoldsIt)
{
    norak::reset();
    MDLDRP(0);
    MDLDRP(1);
    FRETRI();
    const i32 base = norak::open_arrays();
    ASSERT_EQ(build(1.0), 0);
    MDLSAV();
    forget_live();
    ASSERT_EQ(build(2.0), 0);
    const std::vector<i32> b = live();
    MDLSAV();  // A would be lost: it is freed
    EXPECT_EQ(live(), b);
    FRETRI();
    MDLREL(0);
    EXPECT_EQ(norak::open_arrays(), base);
    // The live model saved and dropped is freed and leaves no model live.
    ASSERT_EQ(build(3.0), 0);
    MDLSAV();
    MDLDRP(0);
    EXPECT_EQ(TRIMDL[TM_STATE], 0);
    EXPECT_EQ(norak::open_arrays(), base);
}

TEST(ModelStore, ASlotOutsideTheTwoHoldsNothingAndTakesNothing)
{
    norak::reset();
    MDLDRP(0);
    MDLDRP(1);
    FRETRI();
    const i32 base = norak::open_arrays();
    ASSERT_EQ(build(4.0), 0);
    const std::vector<i32> a = live();
    const i32 freed = MDLFRE;
    for (const i32 slot : {-1, 2}) {
        MDLPUT(slot);
        EXPECT_FALSE(MDLHAS(slot));
        EXPECT_EQ(MDLGET(slot), 0);
        MDLREL(slot);
        MDLDRP(slot);
        EXPECT_EQ(live(), a);
    }
    EXPECT_FALSE(MDLHAS(0));
    EXPECT_FALSE(MDLHAS(1));
    EXPECT_EQ(MDLFRE, freed);
    FRETRI();
    EXPECT_EQ(norak::open_arrays(), base);
}

// While armed, every allocation of the standard library fails, as it would
// on a host whose memory is spent. (Every form allocates and releases
// through the same two C calls, so the sanitizer sees one kind of
// allocation; they are called through pointers the compiler cannot follow,
// or it would take the pairs of new and free for mismatched ones.)
namespace {
bool ALLOC_FAILS = false;
void* (*volatile const ALLOC)(std::size_t) = std::malloc;
void (*volatile const RELEASE)(void*) = std::free;
}  // namespace
void* operator new(std::size_t n)
{
    if (ALLOC_FAILS) throw std::bad_alloc();
    if (void* p = ALLOC(n != 0 ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return ::operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return ALLOC_FAILS ? nullptr : ALLOC(n != 0 ? n : 1); }
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return ::operator new(n, t); }
void operator delete(void* p) noexcept { RELEASE(p); }
void operator delete[](void* p) noexcept { RELEASE(p); }
void operator delete(void* p, std::size_t) noexcept { RELEASE(p); }
void operator delete[](void* p, std::size_t) noexcept { RELEASE(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { RELEASE(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { RELEASE(p); }

namespace {
// Runs the store operation with allocations failing; whether it threw.
template <class F> bool threw_without_memory(F f)
{
    bool threw = false;
    ALLOC_FAILS = true;
    try {
        f();
    } catch (...) {
        threw = true;
    }
    ALLOC_FAILS = false;
    return threw;
}
}  // namespace

// A copy the store cannot allocate leaves its slot or the set empty and
// loses no model: nothing escapes to the caller (only a stop is caught
// above the editor).
TEST(ModelStore, WithoutMemoryASlotOrTheSetStaysEmptyAndNoModelIsLost)
{
    norak::reset();
    MDLDRP(0);
    MDLDRP(1);
    FRETRI();
    const i32 base = norak::open_arrays();
    ASSERT_EQ(build(5.0), 0);
    const std::vector<i32> a = live();
    // Saving: slot 0 stays empty, A stays live.
    EXPECT_FALSE(threw_without_memory([] { MDLPUT(0); }));
    EXPECT_FALSE(MDLHAS(0));
    EXPECT_EQ(MDLGET(0), 0);
    EXPECT_EQ(live(), a);
    // Getting a slot while B, held by no slot, is live: B cannot be kept
    // aside, so it is freed and counted (its owner builds it again).
    MDLPUT(1);
    forget_live();
    ASSERT_EQ(build(9.0), 0);
    const i32 freed = MDLFRE;
    i32 got = 0;
    EXPECT_FALSE(threw_without_memory([&] { got = MDLGET(1); }));
    EXPECT_EQ(got, 1);
    EXPECT_EQ(live(), a);
    EXPECT_EQ(MDLFRE, freed + 1);
    MDLDRP(1);
    EXPECT_EQ(TRIMDL[TM_STATE], 0);
    EXPECT_EQ(norak::open_arrays(), base);
    // The surface set: none, counts 0.
    const i32 ids[2] = {11, 12}, flags[2] = {1, 1};
    SRFSNW(2, 0, ids, flags, nullptr, nullptr);
    EXPECT_FALSE(threw_without_memory([&] { SRFSNW(2, 2, ids, flags, ids, flags); }));
    i32 n1 = -1, n2 = -1;
    SRFCNT(n1, n2);
    EXPECT_EQ(n1, 0);
    EXPECT_EQ(n2, 0);
}

TEST(ModelStore, TheSurfaceSetKeepsItsOwnCopiesAndIsReplacedWhole)
{
    const i32 ids1[3] = {11, 12, 13}, fl1[3] = {1, -1, 1}, ids2[1] = {21}, fl2[1] = {-1};
    SRFSNW(3, 1, ids1, fl1, ids2, fl2);
    i32 n1 = 0, n2 = 0;
    SRFCNT(n1, n2);
    EXPECT_EQ(n1, 3);
    EXPECT_EQ(n2, 1);
    i32 a[3] = {0, 0, 0}, f[3] = {0, 0, 0};
    SRFGT1(a, f);
    EXPECT_EQ(a[2], 13);
    EXPECT_EQ(f[1], -1);
    SRFGT2(a, f);
    EXPECT_EQ(a[0], 21);
    EXPECT_EQ(f[0], -1);
    SRFSNW(0, 2, nullptr, nullptr, ids1, fl1);
    SRFCNT(n1, n2);
    EXPECT_EQ(n1, 0);
    EXPECT_EQ(n2, 2);
}

#include "blocks/dspblk.h"
#include "edit/proctab.h"
#include "tests/edit/fixture.h"

TEST(ProcTables, AreFilledFromTheProcedureBlocksAndKeepThePosition)
{
    fix::fresh();
    fix::build();
    i32 answer = 0, st = 0;
    lacces(2, answer);
    lacces(1, answer);
    i32 before = 0;
    lgtpos(before);
    PRCTAB.count = 7;
    PRCTBF(st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(PRCTAB.count, 2);
    EXPECT_EQ(PRCTAB.type[1], 9);
    EXPECT_EQ(PRCTAB.type[2], 52);
    EXPECT_EQ(std::string(PRCTAB.comment[1]), "DOME FINISH         ");
    EXPECT_EQ(std::string(PRCTAB.comment[2]), "RAW STOCK           ");
    EXPECT_EQ(PRCTAB.blank[1], 1);
    EXPECT_EQ(DSPVTB, PRCTAB.blank);  // the block display's visibility table
    EXPECT_EQ(PRCTAB.manual[1], 0);
    EXPECT_GT(PRCTAB.number[2], PRCTAB.number[1]);
    i32 after = 0;
    lgtpos(after);
    EXPECT_EQ(after, before);
}

#include "blocks/geoslot.h"
#include "core/codedio.h"

namespace {
// Writes a surface geometry entity of the procedure as the procedure writer
// does (coded items in the entity) and puts it in the slot table.
void geometry(i32 kind, const std::vector<std::pair<i32, std::vector<i32>>>& items)
{
    i32 id = -1, slot = -1, st = 0, position = 0;
    create_geom_ent(kind, "        ", id, slot, st);
    ASSERT_GE(st, 0);
    for (const auto& [code, v] : items)
        tpptntl(MED_ENTITY, code, static_cast<i32>(v.size()), DT_INT, v.data(), position, st);
    eclose();
    update_geom_slot(kind, id, slot, position, st);
}

std::vector<i32> surfaces(i32 n)
{
    std::vector<i32> ids;
    for (i32 k = 0; k < n; ++k) ids.push_back(norak::add_entity({0, 3, 128, {}, {}, ""}));
    return ids;
}
}  // namespace

// The set made from the procedure's geometry holds its part and check
// surfaces, their ids found from the unique ids (more of them than one host
// item of fixed size holds) or, without unique ids, read as stored.
TEST(ModelStore, TheSurfaceSetIsTheProcedureSurfaces)
{
    norak::reset();
    for (i32& w : GSLOTS) w = 0;
    const i32 n = GS_PARAM_MAX + 5;
    const std::vector<i32> part = surfaces(n), check = surfaces(2);
    std::vector<i32> uids, flags;
    for (i32 k = 0; k < n; ++k) uids.push_back(euid(part[k])), flags.push_back(k % 2 ? -1 : 1);
    geometry(10004, {{43, {n}}, {308, uids}, {46, flags}});
    geometry(10002, {{44, {2}}, {309, {euid(check[0]), euid(check[1])}}, {248, {-1, 1}}, {402, {0, 0}}});
    SRFSET();
    i32 n1 = 0, n2 = 0;
    SRFCNT(n1, n2);
    ASSERT_EQ(n1, n);
    ASSERT_EQ(n2, 2);
    std::vector<i32> ids1(n), fl1(n), ids2(2), fl2(2);
    SRFGT1(ids1.data(), fl1.data());
    SRFGT2(ids2.data(), fl2.data());
    EXPECT_EQ(ids1, part);
    EXPECT_EQ(fl1, flags);
    EXPECT_EQ(ids2, check);
    EXPECT_EQ(fl2, (std::vector<i32>{-1, 1}));

    // Only part surfaces, stored by id without unique ids: the check group
    // of the earlier set is gone.
    norak::reset();
    for (i32& w : GSLOTS) w = 0;
    geometry(10004, {{43, {2}}, {45, {31, 32}}, {46, {1, -1}}});
    SRFSET();
    SRFCNT(n1, n2);
    ASSERT_EQ(n1, 2);
    EXPECT_EQ(n2, 0);
    SRFGT1(ids1.data(), fl1.data());
    EXPECT_EQ(ids1[0], 31);
    EXPECT_EQ(ids1[1], 32);
    EXPECT_EQ(fl1[1], -1);

    // Neither unique ids nor ids: the internal error, the count kept.
    norak::reset();
    for (i32& w : GSLOTS) w = 0;
    geometry(10004, {{43, {1}}});
    SRFSET();
    SRFCNT(n1, n2);
    EXPECT_EQ(n1, 1);
    bool said = false;
    for (const std::string& l : norak::transcript()) said = said || l.find("problem with surfaces") != std::string::npos;
    EXPECT_TRUE(said);
    norak::reset();
}

// An item of ids longer than its group's count and than a host item holds is
// refused: that group is left empty, the other one is read.
TEST(ModelStore, ASurfaceItemLongerThanItsAreaLeavesItsGroupEmpty)
{
    const std::vector<i32> long_item(GS_PARAM_MAX + 6, 1);
    // A negative count: the group is empty.
    norak::reset();
    for (i32& w : GSLOTS) w = 0;
    const std::vector<i32> some = surfaces(2);
    geometry(10004, {{43, {-3}}, {308, {euid(some[0]), euid(some[1])}}, {46, {1, -1}}});
    SRFSET();
    i32 count1 = -1, count2 = -1;
    SRFCNT(count1, count2);
    EXPECT_EQ(count1, 0);
    for (const bool part_broken : {true, false}) {
        norak::reset();
        for (i32& w : GSLOTS) w = 0;
        const std::vector<i32> part = surfaces(2), check = surfaces(2);
        if (part_broken) {
            // The unique ids refused.
            geometry(10004, {{43, {2}}, {308, long_item}, {46, {1, -1}}});
            geometry(10002, {{44, {2}}, {309, {euid(check[0]), euid(check[1])}}, {248, {-1, 1}}});
        } else {
            // No unique ids, the ids refused.
            geometry(10004, {{43, {2}}, {308, {euid(part[0]), euid(part[1])}}, {46, {1, -1}}});
            geometry(10002, {{44, {2}}, {150, long_item}, {248, {-1, 1}}});
        }
        SRFSET();
        i32 n1 = -1, n2 = -1;
        SRFCNT(n1, n2);
        EXPECT_EQ(n1, part_broken ? 0 : 2);
        EXPECT_EQ(n2, part_broken ? 2 : 0);
        std::vector<i32> ids(2), fl(2);
        if (part_broken) SRFGT2(ids.data(), fl.data());
        else SRFGT1(ids.data(), fl.data());
        EXPECT_EQ(ids, part_broken ? check : part);
    }
    norak::reset();
}
