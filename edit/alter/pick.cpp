#include "edit/alter/pick.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/navig.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/alter/motion.h"
#include "edit/alter/search.h"
#include "edit/stepping.h"
#include "edit/support.h"
#include "tools/toolcache.h"

namespace {
constexpr i32 GROW = 50;
const char* const MODES = "SINGLE@CHAIN@VERTICAL";
const char* const LABELS[3] = {" SINGLE  ", "  CHAIN  ", "VERTICAL "};
enum Mode { SINGLE = 1, CHAIN = 2, VERTICAL = 3 };

// One motion of the current list: its number, end point and the point
// before it. Each point of a string is a motion of its own; block is the
// number the string's block is found by and points its point count (1 for
// any other motion).
struct Motion {
    i32 number, type, block, points;
    f32 end[3], prev[3];
};

// The reads of the picking (this list, the string break and the location
// of a picked motion) put the current feed back as they found it: they
// look at the list out of its order, and the feed in force belongs to the
// position the trim works from, not to where a pick made the reader go.

// The motions of the current list in order, each point of a string one
// motion with the point before it as its previous point, so that a walk
// judges the motion after a string from the string's last point. Nothing is
// broken here. Status of the reader.
// Whether the element the cursor stands on (the list's last) was read:
// a motion there is the last one taken. A read refused on it would
// otherwise look like the list's end.
bool last_read(const std::vector<Motion>& out)
{
    i32 size = 0, type = 0, cls = 0, st = 0, number = -1;
    TPBLKH(AM_LIST, size, type, cls, st);
    if (st >= 0 && cls == BC_MOVE) tpget(AM_LIST, 1, DT_INT, &number, st);
    lclos();
    if (st < 0) return false;
    return cls != BC_MOVE || (!out.empty() && out.back().block == number);
}

std::vector<Motion> list_motions(i32& status)
{
    // The tool in force is put back too: the reader makes each tool block
    // it passes current, and a read of the whole list would leave the
    // list's last tool current for the trim that follows the picking.
    struct ToolKeep {
        i32 id = CURTOL;
        ~ToolKeep()
        {
            i32 st = 0;
            if (CURTOL != id && id > 0) SGTOOL(3, id, st);
        }
    } tool_keep;
    std::vector<Motion> out;
    const f32 keep = EDTFED;
    i32 answer = 0;
    lacces(2, answer);
    f32 prev[3] = {0, 0, 0};
    bool first = true, failed = false;
    while (answer >= 1) {
        Motion m{};
        f32 n[3];
        next_motion(1, m.number, m.type, m.end, n, status);
        if (status < 0) {
            // The reader answers -1 at the list's end and on a failed read
            // alike: the list tells which. At its end the reader stands on
            // the last element, and a step on finds none (-1); any other
            // answer is a read that stopped short of the end.
            i32 a = 0;
            lacces(1, a);
            failed = a != -1 || !last_read(out);
            break;
        }
        if (first) {
            i32 number = 0, st = 0;
            f32 dir[3];
            PRVPNT(0, prev, dir, number, st);
            first = false;
            if (st < 0) {
                failed = true;
                break;
            }
        }
        m.block = m.number;
        m.points = 1;
        std::vector<Motion> points{m};
        if (bt_string(m.type)) {
            i32 size = 0, type = 0, cls = 0, records = 0;
            TPBLKH(AM_LIST, size, type, cls, status);
            m.points = (size - 1) / bt_point_words(type);
            points.clear();
            for (i32 r = 0; r < m.points && status >= 0; ++r) {
                RDBT2(AM_LIST, type, size, records, m.number, m.end, n, status);
                points.push_back(m);
            }
            lclos();
            if (status < 0) {
                failed = true;
                break;
            }
        }
        for (Motion& q : points) {
            std::memcpy(q.prev, prev, sizeof prev);
            std::memcpy(prev, q.end, sizeof prev);
            out.push_back(q);
        }
        lacces(1, answer);
    }
    EDTFED = keep;
    // A list call that failed is no end of the list: the picking stops with
    // the list failure (-3) rather than go on over a list cut short, where
    // a pick past the cut would be passed over without a word.
    if (failed || answer < -1)
        status = -3;
    else if (status == -1 || answer == -1)
        status = 0;
    return out;
}

i32 index_of(const std::vector<Motion>& list, i32 block)
{
    for (size_t k = 0; k < list.size(); ++k)
        if (list[k].number == block) return static_cast<i32>(k);
    return -1;
}

// Breaks the string found by the number into lines, each point a block of
// its own with the point's number.
void break_string(i32 block, i32& status)
{
    i32 answer = 0;
    lacces(2, answer);
    i32 number = 0, type = 0;
    f32 p[3], n[3];
    const f32 keep = EDTFED;
    while (status >= 0) {
        next_motion(1, number, type, p, n, status);
        if (status < 0 || number == block) break;
        lacces(1, answer);
    }
    EDTFED = keep;
    // Mode 0 breaks the string as mode 2 does, leaving the cursor on its
    // last line; the list is read again from its start after the break, so
    // where the cursor stands does not matter here.
    if (status >= 0) BRKSTR(0, status);
}

// Breaks every string that holds a motion of the indexes a to b (either
// order, clipped to the list). The points keep their numbers, so the list
// read before stays valid.
void break_strings(std::vector<Motion>& list, i32 a, i32 b, i32& status)
{
    if (a > b) std::swap(a, b);
    a = std::max(a, 0);
    b = std::min(b, static_cast<i32>(list.size()) - 1);
    for (i32 k = a; k <= b && status >= 0; ++k) {
        const Motion m = list[static_cast<size_t>(k)];
        // A string of one point is left whole: it is one motion already,
        // read as a line by every walk, and a break would change its block
        // type and nothing else.
        if (m.points < 2) continue;
        break_string(m.block, status);
        for (Motion& q : list)
            if (q.block == m.block) q.points = 1, q.block = q.number;
    }
}

// The host array of entries with its count and capacity.
struct Picks {
    i32& count;
    i32& handle;
    i32 capacity = GROW;
    PickEntry* base() const
    {
        void* b = nullptr;
        mmcptr(handle, b);
        return static_cast<PickEntry*>(b);
    }
    // Appends an entry, growing the array when it is full.
    bool add(const PickEntry& e, i32& status)
    {
        if (count + 1 > capacity) {
            const i32 added = count + 1 + GROW - capacity;
            if (!resize_array(added, handle, status)) return false;
            capacity += added;
        }
        base()[count++] = e;
        return true;
    }
};

void highlight(i32 first, i32 last, i32 on)
{
    i32 a[KEY_N], b[KEY_N];
    blkkey(a, first);
    blkkey(b, last);
    ncd_set_blocks_attention(-1, a, b, on);
}

// The CHAIN's second pick: the blocks between the two last entries, in
// list order, each an entry of its own. The range is found in the module's
// own read of the list (the picks' places in it), not by a block range
// search with list markers: the read gives the same blocks in the same
// order, breaks the strings it holds itself and leaves no list position
// to go back to.
void chain_range(Picks& p, i32& status)
{
    PickEntry* e = p.base();
    std::vector<Motion> list = list_motions(status);
    if (status < 0) return;
    i32 a = index_of(list, e[p.count - 2].block), b = index_of(list, e[p.count - 1].block);
    if (a < 0 || b < 0) return;
    break_strings(list, a, b, status);
    if (status < 0) return;
    if (a > b) {
        swap_picks(e[p.count - 2], e[p.count - 1]);
        std::swap(a, b);
    }
    const PickEntry last = e[--p.count];
    const i32 before = p.count - 1;  // the entries before the range
    for (i32 k = a + 1; k <= b; ++k) {
        PickEntry* base = p.base();
        PickEntry n{list[static_cast<size_t>(k)].number, base[p.count - 1].block, 0, 0};
        i32 at = -1;
        if (find_pick(0, n.block, base, before, at) != 0) n.chained = 1;
        base[p.count - 1].next = n.block;
        if (!p.add(n, status)) return;
    }
    p.base()[p.count - 1].next = last.next;
    highlight(list[static_cast<size_t>(a)].number, list[static_cast<size_t>(b)].number, 1);
}

// The run of a VERTICAL pick from the picked motion one way (step -1 back,
// +1 on): the motions up to and including the first vertical one and then
// the run of vertical motions after it (a picked vertical motion: the
// vertical motions of its Z direction, then as for a non-vertical one).
void vertical_walk(const std::vector<Motion>& list, i32 at, i32 step, std::vector<i32>& run)
{
    const Motion& picked = list[static_cast<size_t>(at)];
    const bool vertical = is_vertical(picked.end, picked.prev, 2.0f) != 0;
    const bool up = picked.end[2] > picked.prev[2];
    i32 k = at + step;
    auto vert = [&](i32 i) {
        const Motion& m = list[static_cast<size_t>(i)];
        return is_vertical(m.end, m.prev, 2.0f) != 0;
    };
    // A walk that reaches the list's start or end stops there and the run
    // is what it found: the walk the other way, the question and the run's
    // entries still follow, so motions picked up to the list's edge are not
    // lost with the missing neighbour.
    auto inside = [&](i32 i) { return i >= 0 && i < static_cast<i32>(list.size()); };
    if (vertical) {
        for (; inside(k) && vert(k) && (list[static_cast<size_t>(k)].end[2] > list[static_cast<size_t>(k)].prev[2]) == up; k += step)
            run.push_back(k);
        return;
    }
    for (; inside(k) && !vert(k); k += step) run.push_back(k);
    for (; inside(k) && vert(k); k += step) run.push_back(k);
}

// A VERTICAL pick: the run around the picked motion, asked for when the
// picked motion is itself vertical. False when the user left. The run is
// collected as places in the module's read of the list instead of in a
// temporary host array, and its entries are added in list order once the
// run is taken (after the question): nothing is added or highlighted
// before, so EXIT has no entry to take back and no temporary array can
// fail to close; the entries and the highlight are those of the run.
bool vertical_pick(Picks& p, std::vector<Motion>& list, i32 at, i32& answer, i32& status)
{
    const Motion& picked = list[static_cast<size_t>(at)];
    const bool vertical = is_vertical(picked.end, picked.prev, 2.0f) != 0;
    i32 ways[2] = {-1, 1};
    while (true) {
        std::vector<i32> run{at};
        vertical_walk(list, at, ways[0], run);
        if (vertical) {
            // The other way: up to the first vertical motion of the other
            // direction (or after a non-vertical one), then its run.
            const bool up = picked.end[2] > picked.prev[2];
            bool flat = false;
            for (i32 k = at + ways[1]; k >= 0 && k < static_cast<i32>(list.size()); k += ways[1]) {
                const Motion& m = list[static_cast<size_t>(k)];
                const bool v = is_vertical(m.end, m.prev, 2.0f) != 0;
                if (v && ((m.end[2] > m.prev[2]) != up || flat)) {
                    for (; k >= 0 && k < static_cast<i32>(list.size()); k += ways[1]) {
                        const Motion& w = list[static_cast<size_t>(k)];
                        if (is_vertical(w.end, w.prev, 2.0f) == 0) break;
                        run.push_back(k);
                    }
                    break;
                }
                flat = flat || !v;
                run.push_back(k);
            }
        } else {
            vertical_walk(list, at, ways[1], run);
        }
        i32 lo = at, hi = at;
        for (i32 k : run) {
            lo = std::min(lo, k);
            hi = std::max(hi, k);
        }
        // The strings the walks met, up to the motion that ended each walk,
        // become lines, so that every motion of the run is a block of its own.
        break_strings(list, lo - 1, hi + 1, status);
        if (status < 0) return false;
        highlight(list[static_cast<size_t>(lo)].number, list[static_cast<size_t>(hi)].number, 1);
        if (vertical) {
            prmptc("THIS CHAIN ?");
            menuc("YES  @NO   @EXIT ", answer);
            if (answer == 2) {
                highlight(list[static_cast<size_t>(lo)].number, list[static_cast<size_t>(hi)].number, 0);
                std::swap(ways[0], ways[1]);
                continue;
            }
            if (answer != 1) {
                highlight(list[static_cast<size_t>(lo)].number, list[static_cast<size_t>(hi)].number, 0);
                return false;
            }
        }
        // The run in list order, each motion not yet picked an entry.
        i32 prev = lo > 0 ? list[static_cast<size_t>(lo - 1)].number : 0;
        for (i32 k = lo; k <= hi; ++k) {
            const i32 b = list[static_cast<size_t>(k)].number;
            i32 idx = -1;
            const i32 next = k + 1 < static_cast<i32>(list.size()) ? list[static_cast<size_t>(k + 1)].number : 0;
            if (find_pick(0, b, p.base(), p.count, idx) == 0 && !p.add({b, prev, next, 0}, status)) return false;
            prev = b;
        }
        return true;
    }
}

}  // namespace

void locate_picked_motion(const i32& block, f32* point, f32* normal, f32* previous, i32& dim_kind, i32& status)
{
    status = 0;
    const f32 keep = EDTFED;
    i32 answer = 0, type = 0;
    lacces(2, answer);
    bool found = false;
    while (!found && answer >= 1) {
        i32 number = 0;
        next_motion(1, number, type, point, normal, status);
        if (status < 0) break;
        if (bt_string(type)) {
            // The point of that number inside the string: the string is
            // broken there and the cursor taken to the point's own line.
            i32 size = 0, t = 0, cls = 0, records = 0, at = -1;
            TPBLKH(AM_LIST, size, t, cls, status);
            const i32 m = (size - 1) / bt_point_words(t);
            for (i32 r = 0; r < m && status >= 0 && at < 0; ++r) {
                i32 n = 0;
                f32 p[3], v[3];
                RDBT2(AM_LIST, t, size, records, n, p, v, status);
                if (status >= 0 && n == block) at = r;
            }
            lclos();
            if (status < 0) break;
            if (at >= 0) {
                if (m > 1) BRKSTR(1, status);  // one point: a motion already (see break_strings)
                if (status >= 0 && at > 0) TPJUMP(at, status);
                if (status >= 0) next_motion(1, number, type, point, normal, status);
                if (status < 0) break;
                found = true;
            }
        } else {
            found = number == block;
        }
        if (!found) lacces(1, answer);
    }
    EDTFED = keep;
    if (!found) {
        if (status >= 0) status = -1;
        return;
    }
    dim_kind = bt_dim_kind(type);
    f32 dir[3];
    i32 pnum = 0;
    PRVPNT(0, previous, dir, pnum, status);
    if (status < 0) return;
    status = 0;
    for (i32 k = 0; k < 3; ++k) LSP2[LSP2_POS + k] = DSP8[DSP8_POS + k] = r2wrd(previous[k]);
}

i32 find_pick(const i32& start, const i32& block, const PickEntry* entries, const i32& count, i32& index)
{
    for (i32 k = start < 0 ? 0 : start; k < count; ++k)
        if (entries[k].block == block && entries[k].chained == 0) {
            index = k;
            return 1;
        }
    index = -1;
    return 0;
}

void swap_picks(PickEntry& a, PickEntry& b) { std::swap(a, b); }

PickEntry chain_first(const i32& index, PickEntry* entries, const i32& count)
{
    i32 cur = index, found = -1;
    // At most one step per entry, and a chain that comes back to where it
    // started ends there: entries whose neighbours point at each other
    // would otherwise be walked round for ever.
    for (i32 guard = 0; guard < count; ++guard) {
        i32 at = -1;
        if (entries[cur].prev == 0 || find_pick(index, entries[cur].prev, entries, count, at) == 0 || at == index) break;
        cur = found = at;
    }
    if (found >= 0) entries[found].chained = 1;
    return entries[cur];
}

PickEntry chain_last(const i32& index, const PickEntry& first, PickEntry* entries, const i32& count)
{
    PickEntry cur = first;
    for (i32 guard = 0; guard < count; ++guard) {
        i32 at = -1;
        if (cur.next == 0 || find_pick(index, cur.next, entries, count, at) == 0) break;
        entries[at].chained = 1;
        cur = entries[at];
    }
    return cur;
}

i32 is_vertical(const f32* end, const f32* prev, const f32& angle)
{
    const f64 d[3] = {static_cast<f64>(end[0]) - prev[0], static_cast<f64>(end[1]) - prev[1],
                      static_cast<f64>(end[2]) - prev[2]};
    const f64 len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (len == 0.0) return 1;
    return std::fabs(d[2] / len) > std::fabs(std::cos(angle * M_PI / 180.0)) ? 1 : 0;
}

i32 get_chains(PickEntry* entries, const i32& count, i32& words, i32& status)
{
    words = 0;
    status = 0;
    i32 handle = -1;
    void* base = nullptr;
    MM_OPEN_ARRAY(4, GROW, handle, base, status);
    if (status < 0 || handle < 0) {
        usmsgc("get_chains(trimtp), DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE");
        status = -1;
        return -1;
    }
    i32 capacity = GROW;
    for (i32 k = 0; k < count; ++k) {
        if (entries[k].chained != 0) continue;
        const PickEntry first = chain_first(k, entries, count);
        const PickEntry last = chain_last(k, first, entries, count);
        if (words + 2 > capacity) {
            const i32 added = words + 2 - capacity + GROW;
            base = resize_array(added, handle, status);
            if (!base) {
                status = -1;
                return handle;
            }
            capacity += added;
        }
        mmcptr(handle, base);
        i32* w = static_cast<i32*>(base);
        w[words++] = first.block;
        w[words++] = last.block;
    }
    return handle;
}

void pick_blocks(i32& count, i32& handle, i32& status)
{
    count = 0;
    handle = -1;
    status = 0;
    void* base = nullptr;
    MM_OPEN_ARRAY(static_cast<i32>(sizeof(PickEntry)), GROW, handle, base, status);
    if (status < 0 || handle < 0) {
        usmsgc("pick_blocks(trimtp), DYNAMIC MEMORY PROBLEM, CHECK DISK SPACE");
        handle = -1;
        // A failure, not a finished picking: with status 0 and no entries
        // the caller would go on as if the user had picked nothing and
        // finished, so the failure is told as a failed list call is.
        status = -3;
        return;
    }
    Picks p{count, handle};
    i32 mode = SINGLE, answer = 2;
    bool second = false;
    i32 level = 0;
    gtlstn(1, level);
    {
        // The menu interaction of the module's menus, and the mode in force
        // in status field 2.
        const i32 words[3] = {-1, MNULYW.rows, MNULYW.consts[0]};
        i32 st = 0;
        modint(words, st);
        statmc(2, LABELS[mode - 1], 9);
    }
    while (status == 0) {
        modinz();
        const i32 attrs[1] = {2};
        modcls(1, attrs);  // the count shown while the user picks
        BLKCNT(count);
        prmptc(mode != CHAIN ? "PICK BLOCK/EXIT" : second ? "PICK 2ND BLOCK" : "PICK 1ST BLOCK/EXIT");
        i32 reply = 0;
        setir();
        enatpo();
        setatn(0);
        pick(reply);
        setatn(1);
        if (reply == -3 || (reply == -2 && count == 0)) {
            statbl();
            i32 choice = mode;
            pdmenc(MODES, choice);
            if (choice == -1 || (choice == -2 && count == 0)) {
                status = count == 0 ? -2 : -1;
                continue;
            }
            if (choice >= 1 && choice <= 3) {
                mode = choice;
                second = false;
            }
            // The mode in force is shown again, the one kept by an escape too:
            // the field was cleared for the menu.
            statmc(2, LABELS[mode - 1], 9);
            continue;
        }
        if (reply == -2) {
            const PickEntry gone = p.base()[--count];
            // A second entry of a block leaves the block picked and shown.
            if (gone.chained == 0) highlight(gone.block, gone.block, 0);
            if (mode == CHAIN && second) second = false;
            continue;
        }
        if (reply == -1) {
            status = count == 0 ? -2 : -1;
            continue;
        }
        if (reply != 0) continue;
        i32 id = 0, key[2] = {0, 0}, n = 0;
        slpopb(id);
        if (id != 0) ncd_get_picked(id, key, 2, n);
        if (n < 2 || key[0] != level) continue;
        i32 st = 0;
        // Read only: a string is broken where a CHAIN range or a VERTICAL walk
        // takes its points, not by a pick that may be taken back.
        std::vector<Motion> list = list_motions(st);
        if (st < 0) {
            status = -3;
            break;
        }
        // A picked block that is not a motion (a technology or marker block)
        // is not taken: there is nothing in it to move, project or delete,
        // and a chain ending on it would hand the workers a range end they
        // cannot read as a motion.
        const i32 at = index_of(list, key[1]);
        if (at < 0) continue;
        // The neighbours are the motions before and after it in the list as
        // read here, not the adjacent blocks of the picked one. The host
        // call that gives a picked block's neighbours is not among those
        // this module has, but that alone would not decide it: the list read
        // could give the adjacent blocks too. Motions are chosen on purpose:
        // picked motions with only non-motion blocks (a feed, a marker)
        // between them follow each other on the path, so they join into one
        // chain and one region with one reconnection; taken as two chains,
        // the first would be joined to the feed block and the second from
        // it, two links over a gap that holds no motion. The range of that
        // chain holds those blocks and the worker passes them as it passes
        // them inside any range. A pick with no motion on one side still
        // counts (that word 0), as a block of the current list always has
        // its list around it.
        const i32 prev = at > 0 ? list[static_cast<size_t>(at - 1)].number : 0;
        const i32 next = at + 1 < static_cast<i32>(list.size()) ? list[static_cast<size_t>(at + 1)].number : 0;
        i32 idx = -1;
        if (mode == VERTICAL) {
            // On the picked motion, its string broken there; the list read
            // again as it now stands.
            f32 end[3], nrm[3], before[3];
            i32 dim = 1;
            locate_picked_motion(key[1], end, nrm, before, dim, st);
            if (st >= 0) list = list_motions(st);
            if (st < 0) {
                status = -3;
                break;
            }
            vertical_pick(p, list, at, answer, st);
            if (st < 0) status = -3;
            continue;
        }
        const bool again = find_pick(0, key[1], p.base(), count, idx) != 0;
        if (mode == SINGLE && again) continue;
        // A CHAIN pick of a block picked before keeps its entry for the range
        // but flagged as taken: the block is worked on once, in one chain.
        if (!p.add({key[1], prev, next, again ? 1 : 0}, st)) {
            status = -3;
            break;
        }
        highlight(key[1], key[1], 1);
        if (mode == CHAIN) {
            if (second) chain_range(p, st);
            if (st < 0) status = -3;
            second = !second;
        }
    }
    if (status == -1) status = 0;
    statbl();
}
