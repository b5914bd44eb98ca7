#include "stock/stkrun.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/names.h"
#include "core/prcwrd.h"
#include "core/progress.h"
#include "core/records.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optim.h"
#include "stock/optrun.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkseries.h"
#include "stock/stkstamp.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"
#include "tools/tooldsp.h"

StkProcPosFn STKPOS = nullptr;
StkShowFn STKDSP = nullptr;

void optim_open_list(const i32& kind, i32& status)
{
    status = 0;
    if (kind == 1) {
        if (is_open_proc() == 0) status = -1;
        return;
    }
    // The tool path list from its start. An empty list (the host answers
    // -1) is no failure: a procedure whose movement sub-list holds no move
    // has nothing to stamp, to check or to optimize, and the runs end on it
    // with status 0. Only a list the host cannot reach fails.
    i32 a = 0;
    lacces(2, a);
    if (a < -1) {
        eroutc("optim_open_list, ERROR IN LIST", 0);
        status = -1;
    }
}

i32 optim_progress(const i32& kind, i32& counter, const i32& n)
{
    ++counter;
    if (orbis_flag_get() != 0) {
        PRGSHW(1);
        PRGCNT(1, counter);
        PRGSTG(1, kind == 2 ? 10 : 5);
    }
    return stk_progress_poll(counter, n, orbis_flag_get() == 0);
}

bool optim_scan_stopped(i32& counter, i32& at_end, i32& status)
{
    if (optim_progress(1, counter, 5) == 0) return false;
    at_end = 1;
    status = 1000;
    return true;
}

i32 stk_progress_poll(const i32& counter, const i32& n, bool show)
{
    if (n <= 0 || counter % n != 0) return 0;
    // The first poll of a walk puts the text up with its count (mode 0);
    // later ones repaint the count alone (mode 1).
    if (show) PRGTXT(counter == n ? 0 : 1, "EXECUTING... NUMBER OF SEGMENTS DONE:", counter);
    i32 hit = 0;
    SPCHIT(hit);
    if (hit == 0) return 0;
    i32 reply = 0;
    irepyc("STOP EXECUTION?", reply);
    return reply == 1 ? 1 : 0;
}

void stk_tool_shape(const i32& id, f32& D, f32& R, f32& L, f32& T)
{
    R = L = T = 0.0f;
    GTDIAM(id, D);
    if (D > 0.0f) {
        GTCRNR(id, R);
        GTCUTL(id, L);
        GTTAPA(id, T);
        // The values go as the tool gives them, as in the tool records of the
        // path: a negative corner radius, cut length or taper is a broken
        // tool, which the image refuses with its message rather than the
        // stock being cut with another shape.
        return;
    }
    f32 d = 0.0f;
    GTDRDI(id, d);
    D = 0.0f;
    if (!(d > 0.0f)) return;
    GTDRTA(id, T);
    T *= 0.5f;
    if (T > 89.0f) {
        D = d;
        T = 0.0f;
        GTDRCU(id, L);
    } else {
        D = 0.01f;
        L = static_cast<f32>((f64(d) - 0.01) * 0.5 / std::tan(f64(T) * M_PI / 180.0));
    }
}

void stk_stamp_points(const i32& points, const i32& blocks, const i32& count, i32& status)
{
    status = 0;
    void *pb = nullptr, *bb = nullptr;
    mmcptr(points, pb);
    mmcptr(blocks, bb);
    const f32* p = static_cast<const f32*>(pb);
    const i32* b = static_cast<const i32*>(bb);
    if (count < 2 || !p || !b) return;
    stk_image_select(0, status);
    if (status != 0) return;
    i32 i = count > 0 && tp_is_tool(p) ? 2 : 0;
    i32 counter = 0;
    f32 dm = 0, de = 0, v = 0, ve = 0, q[3], len = 0;
    while (i + 1 < count) {
        if (optim_progress(1, counter, 200) != 0) {
            status = 1000;
            return;
        }
        if (tp_is_tool(p + 3 * (i + 1))) {
            // A tool record takes two points after the move's: one that ends
            // the list has no room for its words, and is not read.
            if (i + 3 >= count) break;
            f32 rec[8];
            std::copy(p + 3 * i, p + 3 * i + 8, rec);
            stk_tool_change(1, rec, status);
            if (status != 0) return;
            stk_move(1, 0, p + 3 * i, p + 3 * (i + 3), b[i + 1], dm, de, v, ve, q, len, status);
            i += 3;
        } else {
            stk_move(1, 0, p + 3 * i, p + 3 * (i + 1), b[i + 1], dm, de, v, ve, q, len, status);
            i += 1;
        }
        if (status < 0) return;
    }
}

namespace {
// The procedure as the run left it: its blocks shown again from its saved
// block (the second one when `second`), the tool symbol drawn before taken
// away and the tool drawn where the display ended.
void show_run(i32 proc, bool second)
{
    // A display that fails says so itself; the run's status is the stock's.
    i32 st = 0;
    if (STKDSP) STKDSP(proc, second ? 1 : 0, st);
    i32 shown = 0;
    tm_inst_id(1, shown);
    if (shown > 0) tm_inst_delete();
    if (CURTOL <= 0) return;
    f32 pos[3], axis[3];
    for (i32 k = 0; k < 3; ++k) pos[k] = wrd2r(DSP8[DSP8_POS + k]), axis[k] = wrd2r(DSP8[DSP8_AXIS + k]);
    // A display record that holds no axis (nothing drawn yet) stands the
    // tool upright: along no direction it has no figure to draw.
    if (axis[0] == 0.0f && axis[1] == 0.0f && axis[2] == 0.0f) axis[2] = 1.0f;
    i32 figure = -1;
    DISPT1(CURTOL, pos, axis, figure);
    if (figure >= 0) tm_inst_id(2, figure);
}

// The procedure's row of the current level: a stock procedure cuts nothing
// (false, status as it was); one that has to be executed again has no tool
// path to stamp yet (false, status -1). A series runs every procedure of the
// level, not only the one in hand: code takes the row's code, under which
// the pass sizes are read.
bool row_allows_run(const i32& proc, i32& code, i32& status)
{
    i32 row[PTAB_N], st = 0;
    get_proc_table(CLP1[0] < 1 ? 1 : CLP1[0], proc, row, st);
    if (st == 0 && (row[PTAB_CODE] == 52 || row[PTAB_CODE] == 53)) return false;
    if (st == 0) code = row[PTAB_CODE];
    if (st == 0 && row[PTAB_EXEC] == 4) {
        userrc("CANNOT CALCULATE STOCK, PROC. HAS TO RERUN FIRST", 0);
        status = -1;
        return false;
    }
    return true;
}
}  // namespace

void stk_optim_run(const i32& mode, const i32& proc, i32& status)
{
    status = 0;
    CMPBLK[CMP_CHANGED] = 0;
    optim_ref_volume = 0.0f;
    i32 code = nu_sgcd_get_code();  // the procedure's code (its row's when read)
    // Mode 3 stamps a procedure of an earlier level, whose index is not one
    // of the current level's rows: the series passes over stock procedures
    // itself, and checked those procedures' states before the run.
    if (mode != 3 && !row_allows_run(proc, code, status)) return;
    // No grid or no tool size: nothing to stamp into or with, a failure.
    if (stk_grid.hdl < 0) {
        eroutc("stk_optim_run, NO STOCK GRID", 0);
        status = -1;
        return;
    }
    // The tool's shape in slot 0.
    f32 D = 0, R = 0, L = 0, T = 0;
    stk_tool_shape(CURTOL, D, R, L, T);
    if (!(D > 0.0f)) {
        eroutc("stk_optim_run, THE TOOL HAS NO SHAPE", 0);
        status = -1;
        return;
    }
    // A failure before the list stands at the procedure's blocks returns at
    // once (nothing opened, no progress window up, no procedure reached to
    // show again); from the list opening on, every way out ends below.
    stk_tool_image(0, D, R, L, T, status);
    if (status != 0) return;
    i32 rmode = MV_LIST;
    bool reached = false;  // the list stands at the procedure's blocks
    bool sub = false;  // the procedure's sub-list was opened here
    bool entity = false;  // the procedure's movement entity was opened here
    if (mode != 3) {
        // The procedure's three limits, with their copy taken at the start
        // of the run. The procedure block keeps no item for them (its writer
        // stores none), so they stand as the stock set-up left them; the
        // rest of the procedure's words are read back by the series, which
        // positions the list on the procedure and reads its block before
        // this run.
        for (i32 w = 0; w < 3; ++w) CMPBLK[CMP_LIMITS_COPY + w] = CMPBLK[CMP_LIMITS + w];
        // The procedure's block is reached through the frame's positioning
        // hook; a module loaded without its frame has no procedure blocks,
        // and the feed stage then counts the nominal pass sizes.
        if (STKPOS) {
            STKPOS(proc, status);
            if (status < 0) return;
            // The procedure's own current commands: a stock set-up before
            // the run put the stock procedure's view, view parameter and
            // origin into "NPT1" and handed them to the host, and the
            // display of the procedure before this one read that one's
            // machine values and heights. The stages and the display after
            // the run work in this procedure's words.
            if (STKCOM) STKCOM(status);
            if (status < 0) return;
            // The feed stage measures against the procedure's own passes.
            const i32 feed = CMPBLK[CMP_FEED];
            if (feed == 2 || feed == 3) {
                f32 width = 0, depth = 0;
                optim_pass_size(code, width, depth);
                optim_ref_volume = optim_reference_volume(width, depth, D, L);
            }
            // A stock-only run reads the procedure's movement entity (kind
            // 1) and leaves the tool path as it is; the stages read and
            // rewrite the tool path (kind 2), so their moves are copied
            // into the procedure's sub-list. The procedure's sub-list flag
            // (read by OPNMVL) makes the list kind 2: its moves are there.
            // A procedure with neither is read from its sub-list as well.
            // The Z-range limits are the procedure's words 7 and 8, read
            // with its block.
            const i32 kind = mode == 0 || optim_all_off() != 0 ? 1 : 2;
            i32 st = 0;
            OPNMVL(kind, st);
            if (st >= 0 && kind == 1 && st != 2 && is_open_proc() == 0) OPNMVL(2, st);
            // Moves that cannot be reached fail the run: the series marks
            // the stock of a run that ends with 0 valid, and every later
            // series would carry a stock that lacks this procedure's cut.
            // (A procedure with no movement entity is no failure: it is
            // read from its sub-list above.)
            if (st < 0) {
                status = st;
                return;
            }
            sub = st == 2;
            entity = kind == 1 && !sub;
        }
        // The list stands at the procedure's blocks (or is the procedure's
        // when no positioning is handed down).
        reached = true;
        i32 st = 0;
        optim_open_list(entity ? 1 : 2, st);
        if (st < 0) {
            // A list the host cannot reach is a failure of the run, not a
            // procedure with nothing to stamp (an empty list opens with 0):
            // ended with 0, the stock would be marked valid without the cut.
            status = -1;
            if (sub) CLSSBL(st);
            if (entity) reset_open_proc(), eclose();
            show_run(proc, mode == 4);
            return;
        }
        if (entity) rmode = MV_ENTITY;
        prmptc("<SPACE> TO PAUSE");
    } else {
        rmode = is_open_proc() != 0 ? MV_ENTITY : MV_LIST;
    }
    i32 ph = -1, bh = -1, n = 0;
    const bool staged = (mode == 1 || mode == 4) && rmode == MV_LIST && optim_all_off() == 0;
    if (staged) {
        optim_run_stages(code, status);
    } else {
        tp_to_points(0, rmode, ph, bh, n, status);
        if (status == 0) stk_stamp_points(ph, bh, n, status);
    }
    // A close that fails after a run that went well is the run's status.
    auto closed = [&](i32 st) {
        if (st < 0 && (status == 0 || status == 1000)) status = st;
    };
    i32 st = 0;
    if (ph >= 0) MM_CLOSE(ph, st), closed(st);
    if (bh >= 0) MM_CLOSE(bh, st), closed(st);
    if (sub) CLSSBL(st), closed(st);
    if (entity) reset_open_proc(), eclose();
    PRGCLR();
    // The procedure is shown again as the run left it, also when the run
    // failed or was stopped: the stages may have rewritten its path up to
    // there. The stock-only road shows it too: the end of the run is the
    // same on every road, and the tool is drawn where the procedure ends
    // whether or not its path was optimized. A procedure of an earlier
    // level (mode 3) is not in the list shown, and has no block here to
    // show it from.
    if (reached) show_run(proc, mode == 4);
    // Said once for the run, after the tool is drawn.
    if (staged && rapid_top > hei8_clear())
        usms1c("WARNING : DUE TO GOUGING - FAST MOTION EXCEEDS CLEAR HEIGHT Z = ", rapid_top - wrd2r(NPT1[5]));
}

// ------------------------------------------------- one move at a time

namespace {
// The stamping keeps its own last feed rather than the one the air-cut and
// Z-band scans and the line split share: the scans hold that value for the
// move in hand (the split writes its pieces with it), while the stamping is
// called in the middle of other stages' walks (the holder stage replays
// moves through it). A shared value would let a replay change the feed that
// a scan is about to write, and hand the replay the scan's feed.
struct StampState {
    f32 point[3] = {0, 0, 0};  // where the tool stands before the next move
    i32 known = 0;             // 1 once the point is a position of the tool
    f32 last_feed = -1.0f;     // feed of the previous move
    i32 foot = 0;              // 1 while no cut has stamped the tool at the point
    i32 skip = 0;              // 1: the next feed move is passed over
    i32 shaped = 0;            // 1: the move last handled has an end point
} SS;

void sweep_to(const f32* q, i32 move, i32& status)
{
    f32 dm = 0, de = 0, v = 0, ve = 0, r[3], len = 0;
    if (SS.known) stk_move(1, 0, SS.point, q, move, dm, de, v, ve, r, len, status);
    std::copy(q, q + 3, SS.point);
    SS.known = 1;
    SS.foot = 0;
}

// The next motion block from the list position (its number, type, size and
// the feed passed on the way). A cycle activation, retract mode or depth
// setting is no move: it is stepped over, and a feed passed on the way to
// it is the feed in force for the moves after it (asking such a block for
// an end point would fail and end the walk there). Status below 0 at the
// list's end or on failure.
void next_stamp_move(i32& number, i32& type, i32& size, f32& feed, i32& status)
{
    while (true) {
        i32 tc = 0;
        find_move(MV_LIST, 1, number, type, size, feed, tc, status);
        if (status < 0 || (type != 30 && type != 34 && type != 36)) return;
        if (std::fabs(feed) >= 1.0e-6f) SS.last_feed = feed;
        i32 a = 0;
        lacces(0, a);
        TPJUMP(1, status);
        if (status != 0) return;
    }
}

// The points an arc or a curve move of the list is swept through, for a
// tool of diameter D.
void curved_points(i32 type, i32 size, f32 D, std::vector<f32>& pts, i32& status)
{
    const f32 cell = stk_grid.cell;
    i32 h = 0;
    f32 p[3], v[3];
    if (mv_arc(type)) {
        i32 plane = 0;
        f32 angle = 0, step = 0, c[2];
        RDBT3(MV_LIST, type, h, plane, angle, step, c, p, v, status);
        const f32 pct = wrd2r(CMPBLK[CMP_ENLARGE_PCT]);
        const f32 t = std::min(pct * D * 0.01f, cell) * 0.25f;
        // With no known position the arc's start is unknown too: chords
        // turned from its end would sweep on past it and cut where the
        // tool never went. Like a line there, it only places the tool
        // at its end.
        if (status >= 0 && SS.known)
            arc_points(SS.point, plane, angle, c, p, t, 0, pts);
        else if (status >= 0)
            pts.assign(p, p + 3);
    } else {
        // The curve's points after its first: its first chord is swept
        // from where the walk stands, as a line is swept from there and
        // an arc turned from there, none of them from a start of its
        // own. Within a walk that point is the end of the move before,
        // which is the curve's start. Where it is not (the moves before
        // passed over, or a point given by a caller), the tool goes from
        // there to the curve as it goes to a line's end, and the stamp
        // stays one unbroken track from the point the walk was given.
        nurbs_points(MV_LIST, size, cell * 0.25f, h, pts, status);
    }
}
}  // namespace

void stk_stamp_point(const f32* p)
{
    std::copy(p, p + 3, SS.point);
    SS.known = 1;
    SS.foot = 1;
}

void stk_stamp_from(const f32* p)
{
    stk_stamp_point(p);
    SS.skip = 0;
}

i32 stk_stamp_shaped() { return SS.shaped; }

void stk_stamp_move(i32& move_no, i32& rapid, const i32& cont, i32& status)
{
    rapid = 0;
    status = 0;
    f32 D = 0;
    GTDIAM(CURTOL, D);
    if (move_no == -1) {
        // A walk that starts from the list's start knows no position yet;
        // one that continues starts from the point given.
        if (cont == 0) SS.known = 0;
        SS.skip = cont == 0 ? 1 : 0;
        SS.last_feed = -1.0f;
        i32 a = 0;
        lacces(2, a);
    }
    // The next move is taken from the list position, not searched for by
    // move_no: every call leaves the list behind the move it handled, and
    // callers that move the list put it back there or hand over the position
    // they want stamped next; a search by number would walk the list per move.
    i32 number = 0, type = 0, size = 0;
    f32 feed = 0;
    next_stamp_move(number, type, size, feed, status);
    if (status != 0) {
        rapid = 1;
        return;
    }
    move_no = number;
    // A move has been found: from here on a reader's -2 (a block too short
    // for its words) is a failure (-1), not the list's end, which would have
    // the enlarged-tool stage relink the rapids before it to the path's end.
    auto failed = [](i32 st) { return st == -2 ? -1 : st; };
    if (cont != 0 && std::fabs(feed) < 1.0e-6f) {
        feed_at_move(1, number, feed, status);
        // The feed search leaves the list at the block's start: read its
        // header again so the move's words are read from where find_move
        // left them. A search that failed ends the walk with its status:
        // the move would be cut at a feed that is not its own, or read from
        // wherever the failed search left the list.
        i32 cls = 0;
        if (status >= 0) TPBLKH(MV_LIST, size, type, cls, status);
        if (status < 0) {
            status = failed(status);
            return;
        }
    }
    if (std::fabs(feed) < 1.0e-6f) feed = SS.last_feed;
    SS.last_feed = feed;
    i32 h = 0;
    f32 p[3], v[3];
    const bool shaped = mv_line(type) || mv_string(type) || mv_arc(type) || mv_nurbs(type);
    SS.shaped = shaped ? 1 : 0;
    if (shaped && feed >= 0.0f && cont != 0 && SS.known != 0 && SS.foot != 0) {
        // A continuing walk cuts the tool where it stands before a feed move
        // that follows rapids (or starts the walk): a sweep leaves its start
        // to the move before it.
        f32 dm = 0, dv = 0;
        stk_tool_at(1, SS.point, number, dm, dv);
        SS.foot = 0;
    }
    if (!shaped) {
        // Another motion (a drill location and the like) is stepped over
        // unstamped. It is reported as no rapid whatever the feed: the
        // enlarged-tool stage relinks runs of rapids, and a relink takes the
        // moves of the run away, a drilling cycle's locations with them.
        // Where the tool stands after it is not followed here, so the point
        // is unknown: the next feed move only places the tool at its end.
        SS.known = 0;
        SS.foot = 0;
    } else if (feed >= 0.0f && SS.skip != 0) {
        // An ordinary walk passes over the first feed move of the walk and
        // the one after each rapid: the walk of the enlarged tool hands the
        // rapids to the relink as soon as that move is found, and the relink
        // must measure the stock as it was before this move: with the move
        // stamped it finds the move's own cut and rapids down through the
        // stock that the move is still to cut at its feed.
        // The move after it is cut from the point the tool stood at; with
        // no point known yet the tool is only placed at this move's end.
        SS.skip = 0;
        if (SS.known == 0) {
            f32 e[3];
            move_end_point(e, status);
            if (status >= 0) std::copy(e, e + 3, SS.point), SS.known = 1, SS.foot = 0;
        }
    } else if (feed < 0.0f) {
        // A rapid carries the point along; the move after it is cut from
        // there. The point is where the move ends: a string of lines is read
        // through to its last point (its first record alone would leave the
        // tool at the string's start), and an arc or a curve ends at its own
        // end point, which their blocks do not hold where a line's does.
        rapid = 1;
        SS.skip = cont == 0 ? 1 : 0;
        if (mv_line(type) || mv_string(type)) {
            i32 records = 1;
            for (i32 r = 0; r < records && status >= 0; ++r) RDBT2(MV_LIST, type, size, records, h, p, v, status);
            if (status >= 0) stk_stamp_point(p);
        } else {
            f32 e[3];
            move_end_point(e, status);
            if (status >= 0) stk_stamp_point(e);
        }
    } else if (mv_line(type) || mv_string(type)) {
        i32 records = 1;
        for (i32 r = 0; r < records && status >= 0; ++r) {
            RDBT2(MV_LIST, type, size, records, h, p, v, status);
            if (status >= 0) sweep_to(p, number, status);
        }
    } else if (mv_arc(type) || mv_nurbs(type)) {
        std::vector<f32> pts;
        curved_points(type, size, D, pts, status);
        for (size_t k = 0; status >= 0 && k + 2 < pts.size(); k += 3) sweep_to(pts.data() + k, 0, status);
    }
    if (status < 0) {
        status = failed(status);
        return;
    }
    i32 a = 0;
    lacces(0, a);
    TPJUMP(1, status);
    // A step that cannot move past the list's last block answers -2, which
    // the callers read as "no move found". The move has been handled all
    // the same: the step's end is answered 1, so that a walk counts the
    // move (the enlarged tool relinks the rapids before a last cut, instead
    // of taking the path for ending in them and deleting that cut) and
    // stops there; -1 stays a failure.
    if (status == -2) status = 1;
}
