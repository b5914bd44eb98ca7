#include "stock/airlink.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "blocks/writers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/feedcopy.h"
#include "stock/holder.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optwords.h"
#include "stock/stkimage.h"
#include "stock/stkrun.h"
#include "stock/stkstamp.h"

namespace {
i32 FORCED = 0;                  // the forced-link flag
i32 RELINK = 0;                  // the link is the enlarged-tool stage's (optim_relink)
i32 KEEP_AFTER = 0;              // the moves after a link over one XY stay (air-cut stage)
i32 COPIED = 0;                  // the feed after the link is a copy's, already scaled
constexpr f32 NONE = -100000.0f;  // no height needed yet

// The holder code of a link or a pass: the factor and the mode it selects.
struct HolderCode {
    i32 mode = 0;  // 0 none, 4 or 5
    i32 row = 0;   // tool row of mode 5
    f32 factor = 1.0f;
};

HolderCode decode(i32 code)
{
    HolderCode h;
    // A negative code keeps the base feed and asks for the list position
    // of before the link: every search of the link starts from the list's
    // top, so there is no position to return to, and the sign is dropped.
    const i32 c = code < 0 ? -code : code;
    if (c >= 10000) {
        h.mode = 4;
        h.factor = wrd2r(CMPBLK[CMP_HOLDER_FEED]) * 0.01f;
    } else if (c >= 1000) {
        h.mode = 5;
        h.row = std::min(c / 1000, 10);
        h.factor = static_cast<f32>(CMPBLK[CMP_TOOL_ROWS + h.row]) * 0.01f;
    }
    return h;
}

f32 holder_feed(f32 F, const HolderCode& h)
{
    if (h.mode == 0 || !(F > 0.0f)) return F;
    const f32 base = wrd2r(PRM9[0]);
    const f32 named = base * static_cast<f32>(PRM9[4]) / 100.0f;  // machine-table word 9
    if (F == base || F == named) return F * h.factor;
    if (h.mode != 5) return F;
    // A feed an earlier tool row made of the base feed is looked for in
    // every row before one made of the named feed.
    // The feed is made as the holder stage makes it (base x p / 100, in
    // that order): in single precision another order can differ in the
    // last bit, and the exact comparison would miss the row's feed.
    auto p = [](i32 j) { return static_cast<f32>(CMPBLK[CMP_TOOL_ROWS + j]); };
    for (i32 j = 1; j < h.row; ++j)
        if (F == base * p(j) / 100.0f) return base * h.factor;
    for (i32 j = 1; j < h.row; ++j)
        if (F == named * p(j) / 100.0f) return named * h.factor;
    return F;
}

// The feed written again in front of the move kept after a link: the
// holder's share of it, except behind a copy, whose feeds the copy has
// scaled already; scaled again, a copy of a run at half its feed would go
// on at a quarter.
f32 kept_feed(f32 F, const HolderCode& h) { return COPIED != 0 ? F : holder_feed(F, h); }

// Positions the cursor on the move numbered `number` (searched from the top).
void seek(i32 number, i32& status)
{
    i32 a = 0;
    lacces(2, a);
    // A list that cannot be put at its top: searched from where the cursor
    // stands, a move behind it would not be found, or one found there taken
    // for the whole path's.
    if (a < -1) {
        status = -1;
        return;
    }
    goto_block(1, number, status);
}

void end_of(i32 number, f32* p, i32& status)
{
    seek(number, status);
    if (status >= 0) move_end_point(p, status);
}

// The move after the cursor and the feed in force there (N -1, F 0 when
// the path ends). A failed access of the list (-1, where the end answers
// -2) is the link's failure: taken for the end, the link would take every
// move after it for the old link and delete cuts it never read.
void next_feed(i32& N, f32& F, i32& status)
{
    N = -1;
    F = 0.0f;
    i32 st = 0, type = 0, size = 0, tc = 0;
    f32 f = 0;
    TPJUMP(1, st);
    if (st == -1) status = -1;
    if (st < 0) return;
    find_move(MV_LIST, 1, N, type, size, f, tc, st);
    if (st < 0) {
        if (st == -1) status = -1;
        N = -1;
        return;
    }
    feed_at_move(1, N, F, status);
}

// Heights the tool tip needs over the stock at the start (E1, over the
// whole move) and at the end (E2) of the move P1 to P2, the highest over
// the widened tool and every holder section.
void needed(const f32* P1, const f32* P2, f32& E1, f32& E2, i32& status)
{
    E1 = E2 = NONE;
    // The sections imaged now: the holder's own count, or none once the
    // images were cleared, when the widened tool stands in slot 1 (the
    // slot after the sections, as stk_enlarged_slot gives it). A section
    // whose image cannot be selected is passed over; without the widened
    // tool the link has nothing to measure and fails.
    const i32 n = std::min(holder_steps.n, stk_sections);
    const bool same = eqpt2(P1, P2) != 0;
    for (i32 k = 1; k <= n + 1; ++k) {
        i32 st = 0;
        stk_image_select(k, st);
        if (st != 0) {
            if (k <= n) continue;
            userrc("optim_air_link, NO IMAGE OF THE WIDENED TOOL", 0);
            status = -1;
            return;
        }
        const f32 off = k <= n ? holder_steps.z[k - 1] : 0.0f;
        const f32 a[3] = {P1[0], P1[1], P1[2] + off}, b[3] = {P2[0], P2[1], P2[2] + off};
        f32 e1 = std::max(a[2], b[2]), e2 = e1;
        if (!same) {
            stk_move_top(a, b, e1, e2, st);
            if (st == 1) e1 = a[2], e2 = b[2];
        }
        E1 = std::max(E1, e1 - off);
        E2 = std::max(E2, e2 - off);
    }
    i32 st = 0;
    stk_image_select(0, st);
}

// The highest tip height at which the widened tool and the sections,
// dropped at P, touch the stock (NONE when nothing lies under them). Every
// section is dropped, not the widened tool alone: the approach is to come
// down as low as the tool and each step of its holder clear the stock, and
// a section over a wall beside the cut's start meets it first.
f32 dropped(const f32* P)
{
    f32 h = NONE;
    const i32 n = std::min(holder_steps.n, stk_sections);
    for (i32 k = 1; k <= n + 1; ++k) {
        i32 st = 0;
        stk_image_select(k, st);
        if (st != 0) continue;
        f32 r[3];
        stk_tool_drop(P, r, st);
        if (st == 0) h = std::max(h, r[2] - (k <= n ? holder_steps.z[k - 1] : 0.0f));
    }
    i32 st = 0;
    stk_image_select(0, st);
    return h;
}

// The old blocks after the cursor up to the move numbered `stop` (-1: the
// list's end): moves and feed settings, noted for deletion (the feed in
// force after the link is written again in front of the next move, so an
// old feed setting between would only undo it), the highest Z
// of the moves and the end of the first. anchor: the last element walked.
// Other blocks (markers, tool changes, other technology) stay, and the link
// is written behind them: they belong to the path around the link, and a
// tool change taken away would leave the next cut with the wrong tool.
struct OldRun {
    std::vector<i32> doomed;
    i32 anchor = 0;
    f32 top = NONE;
    f32 first[3] = {0, 0, 0};
    bool any = false;
};

// The walk ends at the list's end (-2); a failed access or read of a
// block ends it with status -1: taken for the end, the walk would take
// every move after the failure for the old link (the next cut among them)
// and the link delete it.
void old_run(i32 stop, OldRun& r, i32& status)
{
    lgtpos(r.anchor);
    while (status >= 0) {
        i32 st = 0, pos = 0, size = 0, type = 0, cls = 0;
        TPJUMP(1, st);
        if (st == -1) status = -1;
        if (st < 0) return;
        lgtpos(pos);
        TPBLKH(MV_LIST, size, type, cls, status);
        // A block of no known type fails the walk, as in the tail after a
        // link: taken for the end, a retract written in front of it would
        // leave the moves after it in place and report the link done.
        if (status >= 0 && cls == BC_ILLEGAL) status = -1;
        if (status < 0) return;
        if (cls == BC_MOVE) {
            i32 number = 0;
            tpget(MED_LIST, 1, DT_INT, &number, status);
            if (status < 0) return;
            if (number == stop) {
                // Back onto the last element before the stop move, where the
                // tail walk and the writers go on; a step the list refuses
                // would leave them one move on.
                TPJUMP(-1, st);
                if (st < 0) status = -1;
                return;
            }
            r.doomed.push_back(pos);
            move_top_z(type, r.top, status);
            if (!r.any && status >= 0) move_end_point(r.first, status);
            r.any = true;
        } else if (cls == BC_TECH) {
            i32 n = 0, p = 0, kind = 0, iv = 0;
            f32 rv = 0;
            RDBT1(MV_LIST, n, p, kind, iv, rv, st);
            if (st >= 0 && p == 1) r.doomed.push_back(pos);
        }
        r.anchor = pos;
    }
}

// The moves after a link over one XY that stay at that XY and end below
// Z1, with the feed settings among them: they go with the link. keep: the
// first move kept after them (-1: the list ends), its end and the move
// after it. The cursor stands before the first of them on entry.
struct Tail {
    std::vector<i32> doomed;   // positions of the moves and feed settings
    std::vector<i32> numbers;  // block numbers of the moves
    i32 keep = -1, after = -1;
    f32 end[3] = {0, 0, 0};
};

// Only the list's end (-2) ends the walk without a kept move. A failed
// step or read, and a motion whose end point cannot be read (a drill
// location, a cycle), fail the link with status -1: taken for the end, the
// walk would leave keep at -1, and the link would delete the moves taken so
// far and write no feed in front of the move after them, which would then
// run at the link's own rapid or approach feed.
void tail_run(const f32* P1, Tail& t, i32& status)
{
    while (true) {
        i32 st = 0, pos = 0, size = 0, type = 0, cls = 0;
        TPJUMP(1, st);
        if (st == -2) return;
        if (st < 0) break;
        lgtpos(pos);
        TPBLKH(MV_LIST, size, type, cls, st);
        if (st < 0) break;
        if (cls == BC_TECH) {
            i32 n = 0, p = 0, kind = 0, iv = 0;
            f32 rv = 0;
            RDBT1(MV_LIST, n, p, kind, iv, rv, st);
            if (st < 0) break;
            if (p == 1) t.doomed.push_back(pos);
            continue;
        }
        if (cls != BC_MOVE) continue;
        i32 number = 0;
        tpget(MED_LIST, 1, DT_INT, &number, st);
        f32 p[3];
        if (st >= 0) move_end_point(p, st);
        if (st < 0) break;
        if (eqpt2(p, P1) == 0 || !(p[2] < P1[2])) {
            t.keep = number;
            std::copy(p, p + 3, t.end);
            f32 f = 0;
            i32 tc = 0;
            TPJUMP(1, st);
            if (st == -2) return;
            if (st >= 0) find_move(MV_LIST, 1, t.after, type, size, f, tc, st);
            if (st == -2) t.after = -1;
            else if (st < 0) break;
            return;
        }
        t.doomed.push_back(pos);
        t.numbers.push_back(number);
    }
    status = -1;
}

// The approach at feed onto P2 (form 3, or the explicit holder feed).
void approach_feed(const HolderCode& h, f32 base, i32& status)
{
    // The holder's approach feed goes out in the form of the named feed it
    // equals, as every feed the optimizer writes: the value is the same,
    // and the machine keeps the named feed's code where the block has it.
    if (h.mode != 0)
        write_feed_form(static_cast<f32>(PRM9[4]) * h.factor * 0.01f * base, status);
    else
        write_feed_code(3, status);
}

void approach(const f32* P2, const HolderCode& h, f32 base, i32& status)
{
    approach_feed(h, base, status);
    if (status >= 0) optim_line(P2, status);
}

// The holder stage's remembered block taken away with the moves after a
// link: the move before it, in the list as it is now, is remembered instead.
// It is searched back from the cursor, which the commit left on the last
// block of the new link: no list mark of the old position is needed, as the
// block before the deleted moves is now that link's last move.
void mark_back(const std::vector<i32>& numbers)
{
    if (std::find(numbers.begin(), numbers.end(), optim_get_mark_block()) == numbers.end()) return;
    i32 number = -1, type = 0, size = 0, tc = 0, st = 0;
    f32 feed = 0;
    find_move(MV_LIST, -1, number, type, size, feed, tc, st);
    optim_set_mark_block(st >= 0 ? number : -1);
}

// Writes the new blocks behind the anchor, then deletes the old ones. A
// write that fails takes the new blocks away and leaves the old ones: a
// link half written would send the tool through the stock.
struct Writer {
    PathEdit edit;
    void open(const OldRun& r, i32& status)
    {
        list_goto(r.anchor, status);
        edit.begin();
        for (i32 k : r.doomed) edit.doom_at(k);
    }
};

// relink: the rapid link of the enlarged-tool stage (optim_relink), whose
// levels follow the stock alone (below); else the air link.
void link_inside(i32 first, i32 second, i32 code, bool relink, i32& status)
{
    const f32 s = optim_safety(status);
    if (status < 0) return;
    CMPBLK[CMP_CHANGED] = 1;
    const HolderCode h = decode(code);
    const f32 base = wrd2r(PRM9[0]);
    f32 P1[3], P2[3], F = 0;
    i32 N = -1;
    end_of(second, P2, status);
    if (status < 0) return;
    next_feed(N, F, status);
    if (status < 0) return;
    F = kept_feed(F, h);
    end_of(first, P1, status);
    if (status < 0) return;
    f32 E1 = NONE, E2 = NONE;
    needed(P1, P2, E1, E2, status);
    if (status < 0) return;
    const f32 E2r = E2;  // the stock's own second height
    const f32 Z1 = P1[2], Z2 = P2[2], C = hei8_link_clear();
    const bool same = eqpt2(P1, P2) != 0;
    // The heights are measured for every link, also one that falls from P1
    // to P2 away in XY: the stock between two cuts can stand higher than
    // either end, and a link measured at its ends only would rapid through it.
    // The safe height is never below the higher end: a working clearance
    // under both ends would let the traverse dip below P1 or P2 and reach
    // P2 from below.
    const f32 safe = std::max(std::min(std::max(Z1, Z2) + s, rapid_top), std::max(Z1, Z2));
    f32 T = E1 < C || !same ? std::max(E1 + s, safe) : std::max(E1, safe);
    // A feed of 0 after the link is a cut as well (a path without a feed
    // set): its approach stops above Z2 as for any other feed.
    if (!(F < 0.0f)) E2 = std::max(E2, Z2);
    if (relink) {
        // The rapids of the enlarged-tool stage replace rapids: their level
        // is the safety distance above the stock under the traverse, never
        // below either end, and the tool comes down at rapid as far as the
        // stock at Q leaves it the safety distance, as the rapids it
        // replaces came down onto Q.
        T = std::max({Z1, Z2, E1 + s});
        E2 = E2r;
    }
    rapid_top_raise(T);
    OldRun old;
    seek(first, status);
    if (status < 0) return;
    old_run(N, old, status);
    if (status < 0) return;
    // Over one XY the moves after the link that go on down at that XY below
    // the cut's end go with it: the holder met the stock there, and lower
    // at the same XY it meets it again. The air-cut stage keeps them: there
    // the move after a run is the cut that ended it.
    Tail tail;
    if (same && !relink && KEEP_AFTER == 0 && N > 0) tail_run(P1, tail, status);
    if (status < 0) return;
    const bool gone = !tail.numbers.empty();
    if (gone) {
        old.doomed.insert(old.doomed.end(), tail.doomed.begin(), tail.doomed.end());
        if (tail.keep > 0) {
            // A failed feed search fails the link: taken for a path with no
            // feed set, it would have the link write a feed of 0 in front of
            // the kept move.
            f32 f = 0;
            feed_at_move(-1, tail.keep, f, status);
            if (status < 0) return;
            F = kept_feed(f, h);
        }
        N = tail.keep;
    }
    const i32 mode = CMPBLK[CMP_LINK_HEIGHT];
    const f32 L = mode == 3 ? std::max(C, T) : (mode == 1 ? std::max(old.top, T) : T);
    const f32 plunge = Z2 - s < E2 ? std::min(E2 + s, T) : Z2;
    const f32 A[3] = {P1[0], P1[1], L}, B[3] = {P2[0], P2[1], L}, D[3] = {P2[0], P2[1], plunge};
    // The kept move after the moves taken away: one that ends below the
    // cut's end and the safety distance is reached straight up from P1 to
    // that height and then at the approach feed, not by the old link's way
    // down to P2, whose moves on down are gone.
    const bool rise = gone && N > 0 && tail.end[2] < Z1 + s;
    const f32 R[3] = {P1[0], P1[1], Z1 + s};
    f32 last[3] = {P2[0], P2[1], P2[2]};
    Writer w;
    w.open(old, status);
    if (status >= 0) write_feed_code(27, status);
    MOVST.point[0] = P1[0], MOVST.point[1] = P1[1], MOVST.point[2] = P1[2];
    if (rise) {
        if (status >= 0 && eqpt3(R, P1) == 0) optim_line(R, status);
        if (status >= 0) approach_feed(h, base, status);
        std::copy(R, R + 3, last);
    } else {
        if (!same || FORCED) {
            // The forced link writes its retract even where it has no
            // length: the move-written flag is cleared first, or the line
            // writer would drop the move onto P1 as a repeat of P1.
            if (status >= 0 && FORCED) RSTMOV();
            if (status >= 0 && (eqpt3(A, P1) == 0 || FORCED)) optim_line(A, status);
            if (status >= 0 && FORCED) RSTMOV(), write_feed_code(27, status);
            if (status >= 0) optim_line(B, status);
            if (status >= 0 && eqpt3(D, B) == 0) optim_line(D, status);
        } else if (status >= 0 && eqpt3(D, P1) == 0) {
            // One XY: straight up or down only, at the rapid form written
            // above. Without the vertical move the approach (or, with no
            // approach, the next cut) would start from P1 and slant down
            // through the stock.
            // The link goes up to D (for the enlarged-tool stage the higher
            // end and the safety distance), not to the level L of the
            // link-height mode: that level keeps a traverse clear of what
            // lies between two places, and over one XY there is no traverse.
            // Straight up, the tool and its holder only move away from the
            // stock under them; a rise to the clearance would add nothing but
            // a longer way up and down onto the same point.
            optim_line(D, status);
        }
        if (status >= 0 && eqpt3(P2, D) == 0) approach(P2, h, base, status);
        if (status >= 0 && N > 0) write_feed_form(F, status);
    }
    w.edit.finish(status);
    if (status >= 0 && gone) mark_back(tail.numbers);
    if (status >= 0 && rise && tail.after > 0) {
        // The kept move's own feed back behind it, for the moves after it
        // that set none of their own.
        i32 a = 0;
        lacces(3, a);
        goto_block(-1, tail.keep, status);
        if (status >= 0) write_feed_form(F, status);
    }
    // Over one XY the holder stage goes on from the last point written.
    if (status >= 0 && same) optim_set_last_point(last);
}

// The first link of a cut: the moves before `second` go and the tool comes
// down onto its start from above (form: the feed code of that descent, 27
// for a cut's first link of the holder stage, 4 for a path's start relinked).
// The link is written just before the move after `second`, behind every
// block kept there, not only behind the start marker and the tool change:
// the approach is the tool's first move, and it comes down to the safety
// distance above the stock. Every technology block in front of the cut
// (tool change, spindle start and speed, coolant) sets the machine up for
// that move; written in front of any of them, the tool would come down to
// the stock with the spindle not yet running or the coolant off, or the
// marker would no longer open the path at its first move.
void link_first(i32 second, i32 code, i32 form, i32& status)
{
    const f32 s = optim_safety(status);
    if (status < 0) return;
    CMPBLK[CMP_CHANGED] = 1;
    const HolderCode h = decode(code);
    const f32 base = wrd2r(PRM9[0]);
    f32 P2[3], F = 0;
    i32 N = -1;
    // The approach "to the second block" is read as in a link inside the
    // path, ending where the cut begins. Block `second` is the last move of
    // the old approach, as in a link inside the path (the last move before the next cut, replaced), not
    // the cut's first move: it goes with the moves before it, and the new
    // approach ends at its end P2, where the cut starts. So the callers
    // hand it: the holder stage's driver the run record's last block (the
    // stretch's last move, linked over), the enlarged-tool stage the last
    // rapid before the first feed move.
    end_of(second, P2, status);
    if (status < 0) return;
    next_feed(N, F, status);
    if (status < 0) return;
    F = kept_feed(F, h);
    OldRun old;
    i32 a = 0;
    lacces(2, a);
    lacces(-1, a);
    old_run(N, old, status);
    if (status < 0) return;
    f32 level = NONE;  // the level the stock asks for between the first move and the cut
    if (form == 4 && old.any && eqpt2(old.first, P2) == 0) {
        // A path that starts away from its first cut in XY: the tool
        // traverses from above the first move's end when the stock between
        // asks for a level above the cut's start.
        f32 E1 = NONE, E2 = NONE;
        needed(old.first, P2, E1, E2, status);
        if (status < 0) return;
        f32 T = std::max(old.first[2], E1 + s);
        level = T;
        if (T > P2[2]) {
            const f32 A = P2[2] - s < E2 ? E2 + s : P2[2];
            T = std::max(T, A);
            rapid_top_raise(T);
            const f32 R[3] = {old.first[0], old.first[1], T}, X[3] = {P2[0], P2[1], T}, D[3] = {P2[0], P2[1], A};
            Writer w;
            w.open(old, status);
            if (status >= 0) write_feed_code(27, status);
            RSTMOV();
            MOVST.point[0] = R[0], MOVST.point[1] = R[1], MOVST.point[2] = R[2];
            if (status >= 0) optim_line(R, status);
            if (status >= 0) optim_line(X, status);
            if (status >= 0 && eqpt3(D, X) == 0) optim_line(D, status);
            if (status >= 0 && eqpt3(P2, D) == 0) approach(P2, h, base, status);
            if (status >= 0 && N > 0) write_feed_form(F, status);
            w.edit.finish(status);
            return;
        }
    }
    const f32 drop = dropped(P2);
    // The descent starts above the cut's start, never below it: from a
    // start under the cut, "down" to the approach would climb.
    const f32 U = std::max({hei8_clear(), old.any ? old.first[2] : NONE, drop + s, P2[2]});
    const f32 plunge = std::min(U, std::max(P2[2], drop + s));
    // A path's start relinked raises the rapids' top only by the level the
    // stock asks for: its start at the clearance or at the path's own first
    // height is no rise past the clearance that the stock forced.
    // At the rapid form 27 the descent's top is where the link traverses
    // to the cut, above the clearance when the path or the stock asked for
    // it: that height is the rapids' top from here on, as for a traverse.
    if (form == 4 && old.any && eqpt2(old.first, P2) == 0)
        rapid_top_raise(level);
    else
        rapid_top_raise(form == 4 ? drop + s : U);
    const f32 top[3] = {P2[0], P2[1], U}, D[3] = {P2[0], P2[1], plunge};
    Writer w;
    w.open(old, status);
    if (status >= 0) write_feed_code(form, status);
    // The approach starts above its target: the writers' last point is put
    // there and the first move written even so.
    RSTMOV();
    MOVST.point[0] = top[0], MOVST.point[1] = top[1], MOVST.point[2] = top[2];
    if (status >= 0) optim_line(top, status);
    if (status >= 0 && eqpt3(D, top) == 0) optim_line(D, status);
    if (status >= 0 && eqpt3(P2, D) == 0) approach(P2, h, base, status);
    if (status >= 0 && N > 0) write_feed_form(F, status);
    w.edit.finish(status);
}

void link_last(i32 first, i32& status)
{
    const f32 s = optim_safety(status);
    if (status < 0) return;
    CMPBLK[CMP_CHANGED] = 1;
    f32 P1[3];
    end_of(first, P1, status);
    if (status < 0) return;
    i32 cut = 0;
    lgtpos(cut);
    OldRun old;
    old_run(-1, old, status);
    if (status < 0) return;
    // The retract is written directly behind the last cut, not behind the
    // blocks kept after it: the tool leaves the stock as the cut ends, with
    // the spindle and the coolant still as the cut had them, and the markers
    // that close the pass and the procedure follow the move that takes the
    // tool out. The feed settings after the cut belonged to the rapids that
    // go and are taken away with them.
    old.anchor = cut;
    const f32 up[3] = {P1[0], P1[1], std::max(hei8_clear(), P1[2] + s)};
    Writer w;
    w.open(old, status);
    if (status >= 0) write_feed_code(4, status);
    MOVST.point[0] = P1[0], MOVST.point[1] = P1[1], MOVST.point[2] = P1[2];
    if (status >= 0) optim_line(up, status);
    w.edit.finish(status);
}
// Both numbers below 0: the whole path goes. The tool is taken at rapid to
// where the path ended, between a start marker (kind 3) and the end marker
// that follows it (kind 4), and the user is told.
void link_all(i32& status)
{
    CMPBLK[CMP_CHANGED] = 1;
    i32 a = 0, end = 0;
    lacces(2, a);
    jump_moves(99, end, status);
    if (status < 0) return;
    f32 E[3];
    end_of(end, E, status);
    if (status < 0) return;
    OldRun old;
    lacces(2, a);
    lacces(-1, a);
    old_run(-1, old, status);
    if (status < 0) return;
    Writer w;
    w.open(old, status);
    if (status >= 0) optim_whole_rapid(E, status);
    w.edit.finish(status);
    if (status >= 0) msg_mdls(339, 10);
}
}  // namespace

void optim_whole_rapid(const f32* E, i32& status)
{
    PTBT99(AM_APPEND, 3, 0.0f, 0, 0, status);
    if (status >= 0) write_feed_code(4, status);
    // The move is written even where the writers' last point lies at E.
    RSTMOV();
    MOVST.point[0] = E[0], MOVST.point[1] = E[1], MOVST.point[2] = E[2];
    if (status >= 0) optim_line(E, status);
    if (status >= 0) PTBT99(AM_APPEND, 4, 0.0f, 0, 0, status);
}

f32 optim_holder_feed(const f32& feed, const i32& code) { return holder_feed(feed, decode(code)); }

void optim_air_link(const i32& first, const i32& second, const i32& code, i32& status)
{
    status = 0;
    // The base feed word, which the link's explicit feeds replace for the
    // time of their write, goes back on every road, a failed link's too:
    // every named feed written after the link is counted from it.
    BaseFeedKeep keep;
    if (RELINK != 0) {
        // The enlarged-tool stage: its levels follow the stock alone; a
        // path's start (from not above 0) comes down at rapid (form 4) or
        // traverses from the first move's end; no move to no move is
        // nothing to link. Between two moves at one XY the link rises to
        // the higher end (and the safety distance) and plunges, without
        // going up to the link level of the heights first: with no
        // traverse there is nothing for a clearance height to clear.
        if (first > 0 && second > 0)
            link_inside(first, second, 0, true, status);
        else if (first <= 0 && second > 0)
            link_first(second, 0, 4, status);
        else if (first > 0 && second < 0)
            link_last(first, status);
        return;
    }
    if (first > 0 && second > 0)
        link_inside(first, second, code, false, status);
    else if (first < 0 && second > 0)
        link_first(second, code, 27, status);
    else if (first > 0 && second < 0)
        link_last(first, status);
    else if (first < 0 && second < 0)
        link_all(status);
}

void optim_air_link_copied(const i32& first, const i32& second, const i32& code, i32& status)
{
    COPIED = 1;
    optim_air_link(first, second, code, status);
    COPIED = 0;
}

void optim_air_link_forced(const i32& first, const i32& second, const i32& code, i32& status)
{
    FORCED = 1;
    optim_air_link(first, second, code, status);
    FORCED = 0;
}

// The enlarged-tool stage's link is the air link with the stage's flag set,
// as the forced link is with its own: one worker rebuilds every link.
void optim_relink(const i32& from, const i32& to, i32& status)
{
    RELINK = 1;
    optim_air_link(from, to, 0, status);
    RELINK = 0;
}

void optim_air_keep_after(const i32& on) { KEEP_AFTER = on; }

void optim_air_stage(i32* cut, i32* run, const i32& keep, const i32& code, const i32& pass, i32& status)
{
    status = -1;
    cut[5] = 0;
    i32 a = 0;
    lmark(1, 7, a);
    if (a < 1) return;
    const i32 mode = CMPBLK[CMP_HOLDER];
    if (mode != 2) {
        CMPBLK[CMP_CHANGED] = 1;
        // The pass of a longer tool is the run copied to the path's end with
        // its holder feeds (optim_feed_copy), not the run rewritten in its
        // place: the holder stage machines every stretch of a pass there,
        // after the tool before has finished its own path, with one tool
        // change and not a change there and back around each stretch; the
        // run's old place is then linked over below. With keep set the copy
        // is joined to the path by a link of its own. The copies take their
        // block numbers from the list's counter, so no count of the blocks
        // written is needed to keep the passes' numbers apart: the run
        // record's third word receives the copy's block instead (its first
        // move, with keep its last), where the next link of the pass starts,
        // and the saved counter below keeps that block.
        if (mode != 3) {
            i32 start = 0;
            optim_feed_copy(run[0], run[1], pass, keep, start, status);
            if (status < 0) return;
            run[2] = start;
        }
        const i32 from = cut[8] != 0 ? -1 : run[0];
        cut[8] = 0;
        optim_air_link(from, run[1], code, status);
        if (status < 0) return;
    }
    lmark(1, 9, a);
    i32 st = 0;
    TPTOP(7, st);
    cut[4] = 0;
    if (keep == 0) run[3] = run[2];
    // Back at the position remembered at the start, or the stage fails:
    // the walk would go on from wherever the cursor stood.
    status = st < 0 ? -1 : 0;
}

// Stamps the next move from the list position into the stock (block -1:
// from the list's start) and sets touch when it cut at a feed. The first
// move of a replay (replay flag set) starts from the reference point; every
// later one goes on from where the move before it ended.
void optim_move_replay(i32& block, i32& touch, const i32& replay, i32& status)
{
    touch = 0;
    // A replay starts a walk that goes on from the reference point: an
    // ordinary walk that ended on a rapid before it must not make it pass
    // over its first move.
    if (replay != 0) stk_stamp_from(optim_ref_point());
    i32 rapid = 0;
    stk_stamp_move(block, rapid, 1, status);
    // Status 1: the move was the list's last and was stamped all the same.
    if (status >= 0 && rapid == 0) touch = 1;
}

namespace {
// Sets the reference point to the end of the move before `block`, where the
// tool stands when that block starts; false (the point left as it was) when
// no move comes before it.
bool start_of(i32 block)
{
    i32 st = 0, prev = 0, type = 0, size = 0, tc = 0;
    f32 feed = 0, p[3];
    seek(block, st);
    if (st >= 0) TPJUMP(-1, st);
    if (st >= 0) find_move(MV_LIST, -1, prev, type, size, feed, tc, st);
    bool from = st >= 0 && prev >= 1;
    if (from) move_end_point(p, st), from = st >= 0;
    if (from) optim_set_ref_point(p);
    return from;
}
}  // namespace

void optim_restamp(i32* cut, const i32& block, const f32& z1, const f32& extra, const f32& z2, const i32& skip,
                   i32& status)
{
    status = 0;
    const bool rose = z1 < z2 && z1 + extra > z2 && skip == 0;
    if (!rose && !(z1 >= z2)) return;
    i32 st = 0;
    TPTOP(9, st);
    if (st < 0) {
        status = -1;
        return;
    }
    stk_image_select(0, st);
    i32 number = 0, type = 0, size = 0, tc = 0;
    f32 feed = 0;
    // Whether the reference point was set here to where the first move
    // replayed starts: only then does the replay start from it. A point left
    // by an earlier stretch (or the load's 0, 0, 0) lies anywhere, and a
    // move replayed from it would cut stock the tool never met.
    bool from = false;
    if (rose) {
        find_move(MV_LIST, -1, number, type, size, feed, tc, st);
        if (st >= 0 && number >= 1 && number != block) {
            f32 p[3], d = 0, v = 0;
            move_end_point(p, st);
            optim_set_ref_point(p);
            stk_tool_at(1, p, number, d, v);
            TPJUMP(1, st);
            from = true;
        } else if (st >= 0 && number == block && block > 0) {
            // The mark stands on the given block itself: that block alone
            // is replayed, from the end of the move before it (with none
            // before it, from where the stamping walk stands).
            from = start_of(block);
            seek(block, st);
        } else {
            // No move before the mark: the replay starts there, its first
            // move from where the stamping walk stands.
            TPTOP(9, st);
        }
    }
    i32 at = 0, touch = 0, guard = 0;
    if (rose) {
        // The replay goes on from the list position (not from the list's
        // start), every move after the first from where the move before it
        // ended.
        if (block != 0 && st >= 0) do {
                optim_move_replay(at, touch, guard == 0 && from ? 1 : 0, st);
            } while (st == 0 && at != block && ++guard < 1000000);
    } else if (block > 0) {
        // The given move alone, from its own start: the end of the move
        // before it. Started from the reference point instead, it would
        // start from wherever an earlier stretch left that point, and cut
        // stock between there and the move that the tool never met.
        // The seek leaves the list on the block itself, which is where the
        // stamping reads its move: a step back would hand it the move before
        // the block whenever no feed block stands between them, and that
        // move would be cut again while the block stays unstamped. The
        // block's feed, not read on the way, is searched by the stamping.
        from = start_of(block);
        seek(block, st);
        if (st >= 0) optim_move_replay(at, touch, from ? 1 : 0, st);
    }
    // A seek, a search or a replay that failed is the restamp's failure
    // (the list's end after the last move replayed is none): the stock
    // would otherwise lack the moves not replayed, with success reported.
    if (st < 0 && st != -2) status = -1;
    TPJUMP(-1, st);
    i32 a = 0;
    lmark(1, 9, a);
    cut[4] = 0;
}

void optim_final_retract(const i32& count, i32* run)
{
    (void)run;
    i32 a = 0, st = 0;
    lmark(1, 10, a);
    lacces(3, a);
    i32 number = 0, type = 0, size = 0, tc = 0;
    f32 feed = 0;
    find_move(MV_LIST, -1, number, type, size, feed, tc, st);
    f32 F = 0, P[3];
    if (st >= 0) feed_at_move(1, number, F, st);
    if (st >= 0 && count > 0 && F > 0.0f) {
        move_end_point(P, st);
        // The clearance height: the second item of "HEI8" when its switch
        // word is set, as for the links.
        const f32 up[3] = {P[0], P[1], hei8_link_clear()};
        // A last move that ends at or above the clearance height already
        // leaves the tool clear of the stock: a move to that height would go
        // down towards the stock at rapid, so nothing is written, not even
        // the rapid form, which with no move after it would only change the
        // feed in force at the path's end.
        if (up[2] > P[2]) {
            // Written right behind the last move, as the end link is: blocks
            // after it at the list's end (a spindle stop, a marker's end)
            // come after the retract, not before it.
            lacces(3, a);
            find_move(MV_LIST, -1, number, type, size, feed, tc, st);
            PathEdit edit;
            edit.begin();
            if (st >= 0) write_feed_code(27, st);
            MOVST.point[0] = P[0], MOVST.point[1] = P[1], MOVST.point[2] = P[2];
            if (st >= 0) optim_line(up, st);
            edit.finish(st);
        }
    }
    TPTOP(10, st);
}

void optim_run_reset(i32* words)
{
    words[0] = 0;
    words[2] = 1;
    words[1] = 0;
    words[3] = 0;
}

void optim_cut_reset(i32* cut)
{
    for (i32 k = 4; k < 8; ++k) cut[k] = 0;
    cut[8] = 1;
}
