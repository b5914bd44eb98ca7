#include "edit/alter/trimact.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/listdsp.h"
#include "blocks/movement.h"
#include "blocks/navig.h"
#include "blocks/readers.h"
#include "blocks/regdsp.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/intchk.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/alter/contour.h"
#include "edit/alter/motion.h"
#include "edit/alter/project.h"
#include "edit/alter/search.h"
#include "edit/alter/state.h"
#include "edit/alter/zmove.h"
#include "edit/gapcon.h"
#include "edit/prmflg.h"
#include "edit/support.h"
#include "passes/retract.h"

namespace {
const f32 UP[3] = {0, 0, 1};
// Words of "PRM9" (from 0) the trim reads and writes in place.
constexpr i32 M_FEED = 0, M_PLUNGE = 4, M_DOWN = 6;

void copy3(f32* to, const f32* from) { std::copy(from, from + 3, to); }
bool rapid(f32 f) { return f == -1.0f; }
bool maximum(f32 f) { return f <= -2.0f; }
bool fast(f32 f) { return rapid(f) || maximum(f); }

// The machine feed and the plunge and down percentages, saved at entry and
// put back before every feed request that ends a piece of work.
struct MachineValues {
    i32 feed = 0, plunge = 0, down = 0;
    void save()
    {
        feed = PRM9[M_FEED];
        plunge = PRM9[M_PLUNGE];
        down = PRM9[M_DOWN];
    }
    void restore() const
    {
        PRM9[M_FEED] = feed;
        PRM9[M_PLUNGE] = plunge;
        PRM9[M_DOWN] = down;
    }
};

// Puts the cursor on the block of the number, from the start of the list.
// The region is found by its first block's number rather than through the
// caller's list marks, which the region search and the walk set in
// different places; the cursor is left after the last block written, where
// ALTERATIONS goes on from.
void goto_block(i32 number, i32& status)
{
    i32 answer = 0;
    lacces(2, answer);
    while (answer >= 1) {
        i32 size = 0, type = 0, cls = 0, n = -1;
        TPBLKH(AM_LIST, size, type, cls, status);
        if (status >= 0) tpget(AM_LIST, 1, DT_INT, &n, status);
        if (status >= 0 && type == 1) {
            // The feed in force at the region comes with the way there.
            i32 code = 0, kind = 0, iv = 0, skip = -1;
            f32 rv = 0;
            TPSKIP(AM_LIST, skip, DT_INT, status);
            if (status >= 0) RDBT1(AM_LIST, n, code, kind, iv, rv, status);
            if (status >= 0 && code == 1) EDTFED = rv;
        }
        lclos();
        if (status < 0) return;
        status = 0;
        if (n == number) return;
        lacces(1, answer);
    }
    status = -2;
}

// Writes the vertical move from the region point to the height before the
// block at the cursor, with the plunge request when it goes down at the
// machine feed and the rapid request when continuing at rapid; the cursor
// stays on that block.
// The feed in force is asked for again right after the vertical move, before
// the cursor steps back onto the region's first block: asked for after that
// step it would go in behind the region's first motion, and a move down at
// the plunge feed would leave that motion at the plunge feed too. Stepping
// forward only when the move does not go down would not do here: the region
// is read from the cursor on, which must not stay on the block before it.
void vertical_move(f32* region, f32 height, i32 continuing, i32& status)
{
    const f32 F = EDTFED;
    i32 answer = 0;
    lacces(-1, answer);
    PRM9[M_PLUNGE] = ALTPDF.plunge;
    const i32 code = feed_code(F);
    bool requested = false;
    if (F == wrd2r(PRM9[M_FEED]) && height < region[2]) {
        STPV01(3);
        requested = true;
    }
    if (continuing != 0 && rapid(F)) {
        STPV01(4);
        requested = true;
    }
    copy3(MOVST.point, region);
    region[2] = height;
    MOVLIN(1, region, UP, status);
    if (status >= 0 && requested) {
        STPV01(code);
        PTAMCH(status);
    }
    lacces(1, answer);
}

// The connection along the contour: both ends on the offset polygon, the
// vertices between them on the shorter way, the heights spread by length.
// The heights follow the length actually travelled from the exit, segment
// by segment in the walk's own direction (the part of the first segment
// on the side walked): taking a fixed neighbouring segment, or the exit's
// remainder whatever the direction, would put the heights out of
// proportion on a backward or wrapped walk.
bool along_contour(const f32* resume, const f32* gap_start, i32 dim_kind, i32& status)
{
    const TrimState& t = trim_state;
    const i32 n = t.npoly;
    if (n < 3) return false;
    const f64* p = t.polygon.data();
    const f64 a[2] = {gap_start[0], gap_start[1]}, b[2] = {resume[0], resume[1]};
    i32 on1 = 0, on2 = 0;
    inpold(0.0006, p, n, 1, a, on1);
    inpold(0.0006, p, n, 1, b, on2);
    if (on1 != 2 || on2 != 2) return false;
    // The gap runs from where the region was entered to where it was left.
    // The walk's names are the region's: the crossing where the kept path is
    // left (the gap start, the exit from the path) is the one where the
    // region is entered, and the crossing where the kept path is taken up
    // again (the resume point, the entry to it) is where the region is left.
    // So the length runs from `entering` to `leaving`, from gap start to
    // resume point, the way the moves below go.
    const ContourPos from = t.entering, to = t.leaving;
    f64 forward = contour_length(p, n, from.seg, to.seg, from.frac, to.frac);
    if (forward < 0) return false;
    f64 perimeter = contour_length(p, n, 1, n - 1, 0.0, 1.0);
    const i32 dir = perimeter - forward < forward ? -1 : 1;
    const f64 L = dir > 0 ? forward : perimeter - forward;
    if (L <= 0) return false;
    // The walk moves a copy of the region point: the region point stays
    // where the region started (every region sets it anew), and the point
    // the joining moves reach is the writers' last point.
    f32 region[3];
    copy3(region, MOVST.point);
    const f32 z0 = region[2], dz = resume[2] - z0;
    PRM9[M_FEED] = r2wrd(ALTPDF.feed);
    STPV01(dz > 0 ? 26 : 1);
    // Vertices passed: forward the end of each segment from the exit
    // segment on, backward its start; the walk ends on the entry segment.
    auto seg_len = [&](i32 k) { return std::hypot(p[2 * k] - p[2 * k - 2], p[2 * k + 1] - p[2 * k - 1]); };
    const i32 a1 = from.seg == n ? 1 : from.seg, b1 = to.seg == n ? 1 : to.seg;
    f64 done = dir > 0 ? (1.0 - from.frac) * seg_len(a1) : from.frac * seg_len(a1);
    i32 seg = a1;
    const bool same = a1 == b1 && (dir > 0) == (from.frac < to.frac);
    for (i32 guard = 0; !same && guard < n && status >= 0; ++guard) {
        const i32 vertex = dir > 0 ? seg + 1 : seg;  // point index, from 1
        region[0] = static_cast<f32>(p[2 * vertex - 2]);
        region[1] = static_cast<f32>(p[2 * vertex - 1]);
        region[2] = static_cast<f32>(z0 + dz * std::min(1.0, done / L));
        MOVLIN(dim_kind, region, UP, status);
        seg = dir > 0 ? (seg == n - 1 ? 1 : seg + 1) : (seg == 1 ? n - 1 : seg - 1);
        if (seg == b1) break;
        done += seg_len(seg);
    }
    if (status >= 0) MOVLIN(dim_kind, resume, UP, status);
    return true;
}
}  // namespace

i32 feed_code(const f32& feed)
{
    if (rapid(feed)) return 4;
    if (maximum(feed)) return 27;
    const f32 m = wrd2r(PRM9[M_FEED]);
    if (feed == m) return 1;
    if (feed == static_cast<f32>(PRM9[M_PLUNGE]) * m * 0.01f) return 3;
    // Any other feed value (a down feed, a feed written by hand) has no code
    // of its own: the move is asked for at the procedure feed, the feed the
    // region's motions are cut at.
    return 1;
}

i32 next_block_exists()
{
    i32 answer = 0, st = 0;
    lmark(1, 16, answer);
    if (answer < 1) return 0;
    // Only a look ahead: the cursor goes back to where it was, and so does
    // the current feed, which is that of the motions up to the cursor (a
    // feed met on the way would otherwise stand for the gap's start feed).
    const f32 keep = EDTFED;
    lacces(1, answer);
    i32 number = 0, type = 0;
    f32 p[3], n[3];
    if (answer >= 1) next_motion(1, number, type, p, n, st);
    EDTFED = keep;
    i32 back = 0;
    TPTOP(16, back);
    return answer >= 1 && st >= 0 ? 1 : 0;
}

// The look-ahead hands the feed of the next motion out in next_feed and
// puts the current feed back: the worker that asks is still at the motion
// before, whose feed it goes on writing with, and a current feed moved
// ahead would give the blocks before the next motion the next one's feed.
// The step is one list element (`lacces` 1): the motion reader then passes
// any non-motion block itself, as a block jump would.
void next_mach_state(f32& next_feed, i32& status)
{
    status = 0;
    i32 answer = 0;
    lmark(1, 15, answer);
    const f32 keep = EDTFED;
    next_feed = EDTFED;
    lacces(1, answer);
    if (answer >= 1) {
        i32 number = 0, type = 0;
        f32 p[3], n[3];
        next_motion(1, number, type, p, n, status);
        if (status >= 0) {
            next_feed = EDTFED;
            const i32 codes[1] = {1};
            PRVMCH(1, 1, codes, status);
        }
    }
    EDTFED = keep;
    i32 st = 0;
    TPTOP(15, st);
    if (status > 0) status = 0;
}

void connect_trim_gap(const i32& mode, const f32& clear_level, const f32& start_feed, const f32* resume_point,
                      const f32* gap_start, const i32& dim_kind, const i32& at_end, const f32& z_up, i32& status)
{
    (void)clear_level;
    (void)z_up;
    status = 0;
    MachineValues saved;
    saved.save();
    if (mode == 4) {
        // No way along the contour (an end off it, or no length between
        // them): nothing at all is written, not even the machine state.
        if (!along_contour(resume_point, gap_start, dim_kind, status) && status >= 0) return;
    } else if (mode == 3) {
        PRM9[M_FEED] = r2wrd(ALTPDF.feed);
        // With no motion after the gap the feed stays as it was.
        f32 next = start_feed;
        if (next_block_exists() != 0) next_mach_state(next, status);
        if (status < 0) return;
        i32 code = resume_point[2] < MOVST.point[2] ? 26 : 1;
        if (rapid(start_feed) && rapid(next)) code = 4;
        if ((rapid(start_feed) && maximum(next)) || (maximum(start_feed) && fast(next))) code = 27;
        f32 to[3];
        copy3(to, resume_point);
        if (at_end != 0) {
            to[0] = gap_start[0];
            to[1] = gap_start[1];
            code = 4;
        }
        STPV01(code);
        MOVLIN(dim_kind, to, UP, status);
    } else {
        return;
    }
    saved.restore();
    if (status >= 0 && (mode == 4 || !fast(start_feed))) {
        STPV01(1);
        PTAMCH(status);
    }
}

namespace {
// What one call works with.
struct Action {
    i32 action = 0, proj = 0, kind = 0, connect = 0;
    bool zcase = false, surfaces = false;
    MachineValues saved;
    f32 start_feed = 0;
    f32 last_end[3] = {0, 0, 0};  // the last block's end as read
    f32 resume[3] = {0, 0, 0};
    i32 capacity = 0, scratch = 0;  // entries of the accumulated and scratch arrays
};

// Opens the accumulated points, their vectors and the resampling scratch
// (50 entries of three floats each). Only a surface projection opens them:
// no other action reads them, and a deletion or a Z move must not fail for
// want of memory it does not use.
bool open_surface_arrays(Action& a, i32& status)
{
    for (const i32 slot : {TA_POINTS, TA_VECTORS, TA_SCRATCH}) {
        void* base = nullptr;
        MM_OPEN_ARRAY(12, 50, trim_state.arrays[slot], base, status);
        if (status < 0 || base == nullptr) {
            eroutc("delete_trimed_blocks, DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE", 0);
            if (status >= 0) status = -1;
            return false;
        }
    }
    a.capacity = a.scratch = 50;
    trim_state.npoints = 0;
    return true;
}

// Closes the three working arrays of the surface projection.
void close_surface_arrays()
{
    i32 st = 0;
    for (const i32 slot : {TA_POINTS, TA_VECTORS, TA_SCRATCH})
        if (trim_state.arrays[slot] >= 0) MM_CLOSE(trim_state.arrays[slot], st);
    trim_state.npoints = 0;
}

// Resamples the motion under the cursor from the start point and adds its
// points and vectors to the accumulated ones; the joint with the motion
// before is shared. The start point and direction become the motion's end.
void accumulate_motion(Action& a, f32* start, f32* dir, i32& status)
{
    TrimState& t = trim_state;
    f32 end[3], vec[3], centre[2], radius = 0;
    i32 count = 0, plane = 0;
    f32* pts = block_to_points(end, vec, start, dir, t.arrays[TA_SCRATCH], a.scratch, 1, count, plane, radius,
                               centre, status);
    if (pts == nullptr || status < 0) {
        if (status >= 0) status = -1;
        return;
    }
    const i32 from = t.npoints < 1 ? 0 : t.npoints - 1;
    if (from + count > a.capacity) {
        const i32 more = from + count - a.capacity;
        if (!resize_array(more, t.arrays[TA_POINTS], status) || !resize_array(more, t.arrays[TA_VECTORS], status)) {
            DM_FREE(pts, count * 12);
            return;
        }
        a.capacity += more;
    }
    void *pb = nullptr, *vb = nullptr, *sb = nullptr;
    mmcptr(t.arrays[TA_POINTS], pb);
    mmcptr(t.arrays[TA_VECTORS], vb);
    mmcptr(t.arrays[TA_SCRATCH], sb);
    auto* P = static_cast<f32*>(pb);
    auto* V = static_cast<f32*>(vb);
    const auto* S = static_cast<const f32*>(sb);
    for (i32 k = 0; k < 3 * count; ++k) {
        P[3 * from + k] = pts[k];
        V[3 * from + k] = S[k];
    }
    t.npoints = from + count;
    DM_FREE(pts, count * 12);
    copy3(start, end);
    copy3(dir, vec);
}

// A surface region that continues a split motion: the motions that only
// repeat the last written point, and the rapid ones, lead to the first real
// motion and are not resampled; start_point becomes the end of the last of
// them, or that real motion's end when it lies at or above the clearance.
// The cursor is left on the first motion resampled. The region's last block
// is never passed. A motion repeats the point when it ends at the same place
// in XY within the host's tolerance, as for the other joining motions of a
// continuing region (end_repeated_motions): the split leaves moves straight
// up or down there, which are joining moves, not part of the region's path.
void skip_joining_motions(f32* start_point, const f32& clear_level, const i32& last_block, i32& status)
{
    copy3(start_point, MOVST.point);
    i32 number = 0, type = 0;
    f32 end[3], normal[3];
    next_motion(1, number, type, end, normal, status);
    while (status >= 0 && number != last_block && (eqpt2(end, start_point) != 0 || rapid(EDTFED))) {
        TPJUMP(1, status);
        if (status < 0) return;
        copy3(start_point, end);
        next_motion(1, number, type, end, normal, status);
    }
    if (status < 0) return;
    status = 0;
    if (end[2] >= clear_level) copy3(start_point, end);
}

// The start of the redisplay of a Z-plane or delta-Z region (slot 15): the
// nearest technology block before the region, or the top of the list; the
// cursor stays where it was (slot 14).
void mark_display_start()
{
    i32 answer = 0, st = 0;
    lmark(1, 14, answer);
    while (true) {
        lacces(-1, answer);
        if (answer < 0) break;
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_LIST, size, type, cls, st);
        lclos();
        if (st < 0 || type == 1) break;
    }
    lmark(1, 15, answer);
    TPTOP(14, st);
}

// The display start of a continuing region: the block before the cursor,
// which the region's rewrite leaves in place (a mark on the region's first
// block would go with it); the cursor stays.
void mark_continuing_display_start()
{
    i32 answer = 0;
    lacces(-1, answer);
    lmark(1, 15, answer);
    if (answer >= 0) lacces(1, answer);
}

// A region that continues a split motion and stays below the clearance:
// the motions that only repeat the writers' last point are deleted (the
// region's last block never is), the string ends with the Z-up link at the
// last of the points so read (the repeated point, where the tool stands),
// and the region starts with the first motion left, where the cursor is
// left; that motion's number is the region's first block. The link is made
// at the maximum feed; the feed in force is asked for again after it, or
// the region's motions would follow at that feed.
void end_repeated_motions(i32& first_block, const i32& last_block, f32* start_point, i32& status)
{
    f32 last[3], read[3];
    copy3(last, MOVST.point);
    copy3(read, last);
    i32 number = 0, type = 0, answer = 0;
    f32 end[3], normal[3];
    next_motion(1, number, type, end, normal, status);
    while (status >= 0 && number != last_block && eqpt2(end, last) != 0) {
        copy3(read, end);
        TPDELB(1, status);  // the cursor lands on the block before
        if (status < 0) return;
        lacces(1, answer);
        next_motion(1, number, type, end, normal, status);
    }
    if (status < 0) return;
    status = 0;
    const i32 code = feed_code(EDTFED);
    lacces(-1, answer);
    STREND(2, read, UP, 1, ALTPDF.zup, status);
    if (status < 0) return;
    STPV01(code);
    PTAMCH(status);
    if (status < 0) return;
    status = 0;
    first_block = number;
    copy3(start_point, read);
    lacces(1, answer);
}

// Takes the drawing of the region's motions off the display before the
// region is rewritten: a deleted motion, or a block split and written again
// in pieces, would otherwise stay drawn where it no longer is. The drawings
// are taken by the keys they were registered under (the level table of the
// block display). Nothing is taken off unless the walk from the cursor
// reaches the region's last block, so that no motion after the region, which
// nothing here draws again, loses its drawing; the cursor stays. This takes
// the place of the host's delete of the blocks' drawings by the list key
// (-1, 2, 2): the display registers each block under its own key, which that
// call does not name, so it would take nothing off.
void forget_drawn_region(const i32& last_block)
{
    std::vector<i32> drawn;
    i32 answer = 0, st = 0;
    lmark(1, 12, answer);
    lacces(0, answer);
    bool reached = false;
    while (answer >= 1 && !reached) {
        i32 size = 0, type = 0, cls = 0, number = -1;
        TPBLKH(AM_LIST, size, type, cls, st);
        if (st >= 0) tpget(AM_LIST, 1, DT_INT, &number, st);
        lclos();
        if (st < 0) break;
        if (cls == BC_MOVE) {
            drawn.push_back(number);
            reached = number == last_block;
        }
        lacces(1, answer);
    }
    TPTOP(12, st);
    if (!reached) return;
    for (const i32 number : drawn) DSPBEG(AM_LIST, 0, number);
}

// The preparation of the Z-plane case and of MOVE BY DELTA Z: the start of
// the redisplay, and the vertical move to the new height before the region
// or, for a continuing region below the clearance, the end of the string.
void prepare_heights(Action& a, f32* start_point, const f32& clear_level, i32& continuing, const f32& z_level,
                     i32& first_block, const i32& last_block, i32& status)
{
    TrimState& t = trim_state;
    // A continuing region marks its display start after the motions it
    // deletes: a mark on a deleted block would be lost.
    if (continuing == 0) mark_display_start();
    // The first chain picked sets the writers' link flag to 2 before its
    // vertical move. No writer of this module reads the flag yet: what the
    // value asks of the links is open, so it changes no move written here.
    if (t.mode == SEL_PICK && t.pending_link != 0) {
        MOVST.link = 2;
        t.pending_link = 0;
    }
    f32* region = t.region;
    if (a.zcase) {
        if (continuing == 0 || clear_level < z_level) {
            if (continuing != 0) mark_continuing_display_start();
            if ((a.proj == PRJ_ALL_Z && region[2] != z_level) || region[2] < z_level)
                vertical_move(region, z_level, continuing, status);
            else
                copy3(MOVST.point, start_point);
        } else {
            end_repeated_motions(first_block, last_block, start_point, status);
            mark_continuing_display_start();
        }
        return;
    }
    f32 height = region[2] + zqar(ZQA_DELTAZ);
    if (height > clear_level) {
        height = clear_level;
        if (t.msg31 == 0) msg_mdls(317, 31);
        t.msg31 = 1;
    }
    if (continuing == 0 || height >= clear_level) {
        if (continuing != 0) mark_continuing_display_start();
        vertical_move(region, height, continuing, status);
        continuing = 0;
    } else {
        end_repeated_motions(first_block, last_block, start_point, status);
        mark_continuing_display_start();
    }
}

// The block loop: every motion of the region deleted or handed to the
// per-block Z work, until the last block has been handled.
void block_loop(Action& a, i32& first_block, i32& last_block, const i32& dim_kind, const f32& z_level,
                i32& status)
{
    // The start of each motion (its resampling or its Z work) follows the
    // region in a copy of its own: start_point keeps the point before the
    // region, which is what it hands back to the caller.
    f32 s[3], sn[3] = {0, 0, 1};
    copy3(s, trim_state.region);
    const i32 last = last_block;
    for (i32 pass = 0;; ++pass) {
        i32 answer = 0;
        if (pass > 0) lacces(1, answer);
        i32 number = 0, type = 0;
        f32 end[3], normal[3];
        next_motion(1, number, type, end, normal, status);
        if (status < 0) return;
        if (pass == 0) a.start_feed = EDTFED;
        copy3(a.last_end, end);
        if (a.surfaces) {
            accumulate_motion(a, s, sn, status);
            if (status < 0) return;
        } else if (a.action == ACT_DELETE) {
            copy3(a.resume, end);
            TPDELB(1, status);
            if (status < 0) return;
        } else {
            // A block split at the plane does not end the region: the blocks
            // after it are still below the plane and are projected too (the
            // pieces written keep the numbering going).
            i32 split = 0, block = -1;
            move_block_z(end, normal, s, sn, a.kind, dim_kind, z_level, split, block, status);
            // A failure ends the action unless the failing block was the
            // region's last: the region is then done with all it could
            // move, and the join after it still runs.
            if (status < 0 && number != last) return;
            status = 0;
            if (block > 0 && number == first_block) first_block = block;
            if (block > 0 && number == last_block) last_block = block;
            copy3(sn, normal);
        }
        if (number == last) return;
        // The poll runs only while no request stands, so a key press raises
        // the flag (as every worker of the alterations does) rather than
        // clearing it, which would be no request at all.
        // A key pressed while the region is rewritten asks FORWARD: TO END to
        // stop after this region and opens the interrupt menu (its STOP
        // unwinds to ALTERATIONS at once). The keyboard is polled until the
        // request stands. Deletions and Z moves are polled as the surface
        // projections are: a long region of them could not be interrupted
        // otherwise. (The writers' display polls too; see the end of
        // delete_trimed_blocks.)
        if (trim_state.interrupt == 0) {
            i32 hit = 0;
            SPCHIT(hit);
            if (hit != 0) {
                trim_state.interrupt = 1;
                INTMNU(1);
            }
        }
    }
}

// After the loop of a deletion: the connection of the gap by the connect
// option, or the approach to the resume point of a continuing region.
void join_deletion(Action& a, const f32* start_point, const f32& clear_level, i32& continuing,
                   const i32& dim_kind, const i32& at_end, i32& status)
{
    // No step back is taken after the deletions: each deletion already left
    // the cursor on the block before the one it took out, which is where
    // a step back from the gap would bring it.
    const bool follows = next_block_exists() != 0;
    // The join goes by the option chosen: ALONG CONT. turned into THROUGH
    // CLEAR for a continuing region still joins it as a continuing one
    // (and ends the editing when nothing follows).
    const i32 option = zqa(ZQA_CONNECT);
    if (option == CON_CLEAR || option == CON_INCR) {
        // Through clear links at the clearance level (the absolute link
        // height), through incremental clear at the incremental clearance
        // over the ends. Through clear also puts the action's clearance
        // level in the record's second plane height, the height an absolute
        // link rises to: that level is the highest a move of the action may
        // reach, and the record's own height may lie above it.
        const i32 incr = HEI8[HEI8_INCR], absolute = HEI8[HEI8_ABSOLUTE], plane2 = HEI8[HEI8_PLANE2];
        if (a.connect == CON_INCR) HEI8[HEI8_INCR] = r2wrd(zqar(ZQA_INCCLR));
        if (a.connect == CON_CLEAR) HEI8[HEI8_PLANE2] = r2wrd(clear_level);
        HEI8[HEI8_ABSOLUTE] = a.connect == CON_CLEAR ? 1 : 0;
        copy3(MOVST.point, start_point);
        GAPCON(clear_level, ALTPDF.zup, start_point[0], start_point[1], start_point[2], a.resume[0], a.resume[1],
               a.resume[2]);
        HEI8[HEI8_INCR] = incr;
        HEI8[HEI8_ABSOLUTE] = absolute;
        HEI8[HEI8_PLANE2] = plane2;
        continuing = 0;
        return;
    }
    if (continuing != 0) {
        if (!follows) {
            trim_state.must_end = 1;
            return;
        }
        f32 next = EDTFED;
        next_mach_state(next, status);
        if (status < 0) return;
        const f32 zup = fast(next) ? 0.0f : ALTPDF.zup;
        STREND(2, a.resume, UP, 1, zup, status);
        if (status >= 0 && a.resume[2] + zup < MOVST.point[2]) {
            const f32 above[3] = {a.resume[0], a.resume[1], a.resume[2] + zup};
            MOVLIN(dim_kind, above, UP, status);
        }
        if (status >= 0) MOVLN3(2, a.resume, UP, status);
        continuing = 0;
        return;
    }
    copy3(MOVST.point, start_point);
    const i32 mode = eqpt2(a.resume, trim_state.region) != 0 ? CON_DIRECT : a.connect;
    connect_trim_gap(mode, clear_level, a.start_feed, a.resume, start_point, dim_kind, at_end, ALTPDF.zup, status);
}

// After the loop of a surface projection: the region's points projected
// and its motions replaced at the procedure's feeds.
void project_region(Action& a, const f32& clear_level, const i32& surf_word, i32& continuing,
                    const i32& first_block, const i32& last_block, i32& status)
{
    TrimState& t = trim_state;
    PRM9[M_FEED] = r2wrd(ALTPDF.feed);
    PRM9[M_DOWN] = ALTPDF.down;
    PRM9[M_PLUNGE] = ALTPDF.plunge;
    // The point at the clearance is dropped only from a region of more than
    // one point: a region of one point would be left with none to project.
    if (t.npoints > 1 && (t.at_end != 0 || t.mode == SEL_ALL)) {
        void* pb = nullptr;
        mmcptr(t.arrays[TA_POINTS], pb);
        const auto* P = static_cast<const f32*>(pb);
        if (P != nullptr && P[3 * (t.npoints - 1) + 2] == clear_level) --t.npoints;
    }
    project_on_surf(surf_word, continuing, first_block, last_block, status);
    a.saved.restore();
    // A failed projection (or a stop, -5) ends the action here: no code is
    // requested and no machine state written after a region left half done.
    if (status < 0) return;
    STPV01(1);
    i32 st = 0;
    PTAMCH(st);
    if (st < 0 && status >= 0) status = st;
}

// The region drawn again from the display start: every block that is not a
// motion, and the motions from the region's first block on, up to its last
// block; a pause asked for while a block is shown opens the interrupt menu.
// A continuing region is drawn from its first block too, and is joined
// there: that block is the region's first motion kept (the motions that
// repeat the tool's point are gone and the link before them is drawn as it
// is written), and its old drawing was taken off before the rewrite, so
// starting after it would leave it undrawn.
// The blocks the per-block work changed in place are shown as they are now.
// The cursor is kept. A display start that was rewritten away starts the
// walk at the top of the list. A failure ends the redrawing only: the region
// is rewritten already, and the move that closes it must still be written.
void redisplay(const i32& first_block, const i32& last_block, i32& continuing)
{
    i32 answer = 0, st = 0;
    lmark(1, 14, answer);
    TPTOP(15, st);
    if (st < 0) {
        st = 0;
        lacces(2, answer);
    } else {
        lacces(0, answer);
    }
    bool drawing = false;
    while (st >= 0 && answer >= 0) {
        i32 size = 0, type = 0, cls = 0, number = -1;
        TPBLKH(AM_LIST, size, type, cls, st);
        if (st >= 0) tpget(AM_LIST, 1, DT_INT, &number, st);
        lclos();
        if (st < 0) break;
        const bool motion = cls == BC_MOVE;
        if (motion && number == first_block) {
            drawing = true;
            continuing = 0;
        }
        if (!motion || drawing) {
            // A pause answer opens the interrupt menu. No request is cleared
            // here: one made while the region is worked on must stop FORWARD:
            // TO END after it, and the way out raises it when a menu was
            // opened (the menus are counted there).
            i32 pause = 0;
            DISPLB(1, pause, st);
            if (st < 0) break;
            if (pause != 0) INTMNU(1);
        }
        if (motion && number == last_block) break;
        lacces(1, answer);
    }
    i32 back = 0;
    TPTOP(14, back);
}

// After the loop of the Z-plane case and of MOVE BY DELTA Z: back down to
// the last block's end as read, unless the region runs to the end: there no
// motion follows that would start from that end, and a move back down would
// only undo the lift at the path's last point.
void finish_heights(Action& a, const i32& dim_kind, const i32& at_end, const f32& z_level, i32& status)
{
    if (at_end == 0) {
        if (z_level != a.last_end[2]) {
            const i32 code = fast(EDTFED) ? 4 : z_level <= a.last_end[2] ? 1 : 3;
            PRM9[M_PLUNGE] = ALTPDF.plunge;
            STPV01(code);
        }
        if (a.action == ACT_MOVE) RSTMOV();
        MOVLIN(dim_kind, a.last_end, UP, status);
    }
    a.saved.restore();
    STPV01(1);
    if (status >= 0) PTAMCH(status);
}
}  // namespace

void delete_trimed_blocks(i32& first_block, i32& last_block, f32* start_point, f32* start_dir,
                          const f32& clear_level, const i32& surf_word, i32& continuing, const i32& dim_kind,
                          const i32& at_end, const f32& z_level, i32& status)
{
    status = 0;
    Action a;
    a.saved.save();
    // Every way out joins the drawn tool path again, and an interrupt menu
    // opened while the region was worked on (by the poll below or by the
    // writers' display) asks FORWARD: TO END to stop after it. The machine
    // feed and percentages are put back on every way out too: a STOP that
    // unwinds from the region, or a failure after the writers changed them,
    // would otherwise leave the region's feeds in the machine state for the
    // edits that follow.
    struct Exit {
        const MachineValues& saved;
        i32 menus = INTCNT;
        ~Exit()
        {
            saved.restore();
            if (INTCNT != menus) trim_state.interrupt = 1;
            // The host's connect takes no list argument: it always joins
            // the current tool path's display, the one the -1 names.
            ncd_connect_toolpath();
        }
    } exit{a.saved};
    UITSET(1);
    a.action = zqa(ZQA_ACTION);
    a.proj = zqa(ZQA_PROJOPT);
    a.surfaces = a.action == ACT_PROJECT && a.proj >= PRJ_BELOW_SRF;
    a.kind = a.action == ACT_MOVE ? ZK_DELTA : a.proj == PRJ_ALL_Z ? ZK_ALL : ZK_BELOW;
    a.connect = zqa(ZQA_CONNECT);
    if (a.connect == CON_ALONG && (continuing != 0 || at_end != 0)) a.connect = CON_CLEAR;
    // Only the projections onto the Z plane are the Z-plane case: a surface
    // projection writes no move to that plane before its region.
    a.zcase = a.action == ACT_PROJECT && (a.proj == PRJ_BELOW_Z || a.proj == PRJ_ALL_Z);
    TrimState& t = trim_state;
    // The technology blocks written around the region restate what the
    // edit flags ask (flag 0, as for every edit of the editor); a check
    // writes nothing and leaves them alone. The point before the region is
    // then read from the block before the cursor (mode 0).
    if (!(a.action == ACT_PROJECT && a.proj == PRJ_CHECK)) {
        i32 st = 0;
        PRMFLG(0, st);
    }
    // The region's first block and the point before it.
    goto_block(first_block, status);
    // A region whose first block the list does not hold (a number gone with
    // an earlier rewrite) is refused before anything is changed, and said so:
    // the callers only count the regions done.
    if (status == -2)
        erou1c("delete_trimed_blocks, THE FIRST BLOCK OF THE REGION WAS NOT FOUND, BLOCK =", first_block);
    if (status < 0) return;
    // The drawn region goes before it is rewritten (a surface projection
    // takes its own region off when it replaces it); every block written
    // here is drawn as it is written, the joined path connected again on
    // the way out.
    if (!a.surfaces) forget_drawn_region(last_block);
    if (continuing == 0) {
        i32 number = 0;
        PRVPNT(0, t.region, start_dir, number, status);
        if (status < 0) return;
        // No motion before the region: the region starts where the writers
        // last put the tool, not at the tool position shown, which the
        // display may have moved since.
        if (status == 1) copy3(t.region, MOVST.point);
        status = 0;
    } else {
        copy3(t.region, MOVST.point);
        copy3(start_dir, UP);
    }
    copy3(start_point, t.region);
    copy3(MOVST.point, t.region);
    if (a.surfaces) {
        // The region's start, where its motions are later replaced.
        i32 answer = 0;
        lmark(1, 14, answer);
        if (continuing != 0) {
            skip_joining_motions(start_point, clear_level, last_block, status);
            if (status < 0) return;
            // The block loop resamples from the region point: past the
            // joining motions skipped, it starts from the new start point.
            copy3(t.region, start_point);
        }
        if (!open_surface_arrays(a, status)) {
            close_surface_arrays();
            return;
        }
    }
    if (a.connect == CON_ALONG && fast(EDTFED)) a.connect = CON_DIRECT;
    if (a.zcase || a.action == ACT_MOVE)
        prepare_heights(a, start_point, clear_level, continuing, z_level, first_block, last_block, status);
    if (status >= 0) block_loop(a, first_block, last_block, dim_kind, z_level, status);
    if (a.surfaces) {
        if (status >= 0) project_region(a, clear_level, surf_word, continuing, first_block, last_block, status);
        close_surface_arrays();
    } else if (status >= 0 && a.action == ACT_DELETE)
        join_deletion(a, start_point, clear_level, continuing, dim_kind, at_end, status);
    else if (status >= 0) {
        redisplay(first_block, last_block, continuing);
        finish_heights(a, dim_kind, at_end, z_level, status);
    }
    if (status > 0) status = 0;
}
