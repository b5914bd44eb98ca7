// The clean-up of a rewritten tool path: down-and-up excursions between two
// traverses removed, runs of rapid moves lifted to the working clearance
// height.
#include <cmath>
#include <vector>

#include "blocks/listacc.h"
#include "core/host.h"
#include "stock/crvtrim.h"
#include "stock/movecur.h"
#include "stock/optedit.h"
#include "stock/optwords.h"

namespace {
constexpr i32 SLOT_WALK = 5;  // list mark of the walk while it deletes

// One step of the walk over the moves: the move's type, its end point, the
// feed in force and the list position. next() answers false at the end of
// the tool path (status 0) and on a read error (its status, passed up).
// Drilling-cycle blocks, which the cursor also stops at, are no moves of the
// path: the walk steps over them and goes on, so that a cycle does not end
// the clean-up of the moves after it.
struct Walk {
    f32 feed = -1.0f;
    f32 prev[3] = {0, 0, 0}, p[3] = {0, 0, 0};
    i32 type = 0, pos = 0, number = 0;
    bool started = false, tool = false;
    bool next(i32& status)
    {
        i32 size = 0, tc = 0;
        f32 f = 0;
        bool step = started, changed = !started;
        if (started)
            for (i32 c = 0; c < 3; ++c) prev[c] = p[c];
        while (true) {
            if (step) {
                TPJUMP(1, status);
                if (status == -2) {  // the list's end
                    status = 0;
                    return false;
                }
                if (status < 0) return false;
            }
            step = true;
            find_move(MV_LIST, 1, number, type, size, f, tc, status);
            if (status == -2) {  // only blocks without a move up to the end
                status = 0;
                return false;
            }
            if (status < 0) return false;
            if (f != 0.0f) feed = f;
            changed = changed || tc != 0;
            if (type != 30 && type != 34 && type != 36) break;
        }
        tool = changed;
        started = true;
        lgtpos(pos);
        move_end_point(p, status);
        return status >= 0;
    }
    bool xy() const { return eqval0(static_cast<f32>(std::hypot(p[0] - prev[0], p[1] - prev[1]))) == 0; }
};

// Deletes the elements at the positions (the walk's own element stays
// marked and is found again).
void delete_at(std::vector<i32> at, i32& status)
{
    i32 a = 0;
    lmark(1, SLOT_WALK, a);
    PathEdit edit;
    edit.begin();
    for (i32 k : at) edit.doom_at(k);
    edit.commit(status);
    lmark(2, SLOT_WALK, a);
}
}  // namespace

void tp_drop_verticals(i32& status)
{
    i32 a = 0;
    lacces(2, a);
    // A list that cannot be put at its top (an empty one answers -1 and has
    // nothing to clean): walked from where the cursor stands, the path
    // before it would be left out and the clean-up reported done.
    if (a < -1) {
        status = -1;
        return;
    }
    Walk w;
    bool open = false, descent = false;
    f32 open_z = 0.0f, rise_z = 0.0f;
    std::vector<i32> between;  // moves since the open traverse
    i32 rise = 0;              // position of the rapid ascent
    while (w.next(status)) {
        // The first move after a tool change also closes an excursion
        // still open: the moves before the change are the old tool's, and
        // deleting them with the ones after it would take away the old
        // tool's retract and start the new tool from where the old one
        // stood. The path around a change is left as it is.
        if (w.tool) {
            open = descent = false, rise = 0, between.clear();
            continue;
        }
        const bool line = mv_line(w.type);
        if (line && w.feed < 0.0f && w.xy()) {
            if (open && descent && rise > 0) {
                // The excursion's moves go; its closing ascent too when it
                // ends where the traverse before it ended, else it stays so
                // that the path stays continuous. Technology and other blocks
                // between them stay: a feed, spindle or tool block there
                // still holds for the moves after the excursion.
                std::vector<i32> gone;
                for (i32 k : between)
                    if (k < rise || (k == rise && eqval(rise_z, open_z))) gone.push_back(k);
                delete_at(gone, status);
                if (status < 0) return;
                // The path is no longer the one the stages wrote: the run
                // reports it as changed.
                CMPBLK[CMP_CHANGED] = 1;
                lgtpos(w.pos);
            }
            open = true, descent = false, rise = 0, between.clear();
            open_z = w.p[2];
            continue;
        }
        if (line && !w.xy() && w.p[2] < w.prev[2]) {
            if (open) descent = true, between.push_back(w.pos);
        } else if (line && !w.xy() && w.p[2] > w.prev[2] && w.feed < 0.0f && descent) {
            between.push_back(w.pos);
            rise = w.pos, rise_z = w.p[2];
        } else if (line && !w.xy()) {
            if (open) between.push_back(w.pos);
        } else {
            open = descent = false, rise = 0, between.clear();
        }
    }
}

void tp_join_rapids(i32& status)
{
    i32 a = 0;
    lacces(2, a);
    // A list that cannot be put at its top (an empty one answers -1 and has
    // nothing to clean): walked from where the cursor stands, the path
    // before it would be left out and the clean-up reported done.
    if (a < -1) {
        status = -1;
        return;
    }
    Walk w;
    bool open = false, after_feed = false, plunged = false;
    f32 start[3] = {0, 0, 0}, end[3] = {0, 0, 0};
    std::vector<i32> run;
    i32 counted = 0;  // the run's rapids that move in X or Y
    while (w.next(status)) {
        const bool line = mv_line(w.type);
        if (line && w.feed < 0.0f && !w.tool) {
            if (!open && after_feed) {
                open = true, run.clear(), counted = 0;
                for (i32 c = 0; c < 3; ++c) start[c] = plunged ? w.p[c] : w.prev[c];
            }
            if (open) {
                // A vertical rapid in the run goes with it but is not
                // counted, the one that opens the run too: a single
                // traverse with a rise or a drop beside it is left as it
                // is. A link written as rise, traverse, descent and plunge
                // at the safety distance counts one and keeps its height.
                // A rapid across that opens the run counts as the others
                // do: two traverses in a row are a traverse of more than
                // one segment whichever of them came first.
                if (w.xy()) ++counted;
                run.push_back(w.pos);
                for (i32 c = 0; c < 3; ++c) end[c] = w.p[c];
            }
            after_feed = false;
            continue;
        }
        // Any other move closes the run, not only a cut: a rapid arc,
        // curve or string, and the first rapid after a tool change, too.
        // Carried on past them, the run's lines before and after would be
        // deleted around a move that stays, which would then start from a
        // point the tool no longer reaches; past a tool change the old
        // tool's rapids would go and be written again after the change,
        // for the new tool. A straight descent, which elsewhere leads the
        // run down to its cut and leaves it open, closes it as well when it
        // is the new tool's first move: the old tool's run ends at the
        // change whichever way the new tool starts.
        const bool down = line && !w.xy() && w.p[2] < w.prev[2];
        if (open && (!down || w.tool)) {
            open = false;
            if (counted >= 2) {
                // The run's moves go; in their place a rise to the working
                // clearance height, the traverse there and the descent to
                // where the run ended. The rapid code and the descent are
                // written even when the run already lies at the clearance
                // height: the move after the run starts where the run ended,
                // which the rise and the traverse alone would not reach when
                // the run ends below that height.
                i32 here = 0;
                lmark(1, SLOT_WALK, here);
                list_goto(run.back(), status);
                // The run's last rapid not found again: nothing is written
                // (the writers would write wherever the cursor stopped).
                if (status < 0) {
                    lmark(2, SLOT_WALK, here);
                    return;
                }
                PathEdit edit;
                edit.begin();
                for (i32 k : run) edit.doom_at(k);
                const f32 top = rapid_top;
                write_feed_code(27, status);
                const f32 up[3] = {start[0], start[1], top}, over[3] = {end[0], end[1], top};
                for (i32 c = 0; c < 3; ++c) MOVST.point[c] = start[c];
                if (status >= 0 && top > start[2]) optim_line(up, status);
                if (status >= 0 && top > end[2]) optim_line(over, status);
                if (status >= 0) optim_line(end, status);
                edit.finish(status);
                lmark(2, SLOT_WALK, here);
                if (status < 0) return;
                CMPBLK[CMP_CHANGED] = 1;  // the run's moves rewritten
                lgtpos(w.pos);
            }
        }
        after_feed = w.feed > 0.0f;
        plunged = down;
    }
}

void tp_clean_moves(const i32& mode, i32& status)
{
    (void)mode;  // both clean-ups read the tool path list
    tp_drop_verticals(status);
    if (status >= 0) tp_join_rapids(status);
}
