#include "stock/holder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/tech.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "stock/optwords.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "tools/tooldlg.h"
#include "tools/toollib.h"

HolderSteps holder_steps = {0, {}};

namespace {
constexpr i32 LIST_SLOT = 9;      // tool-list slot of the library search

f32 hreal(const i32* rec, i32 array, i32 i) { return wrd2r(rec[array + i]); }

// The holder record of a tool as its sections are used: the extension
// steps counted, the first step dropped when the record says so. The
// number of sections in use is returned (0 without a holder), -1 when the
// record counts more sections than its arrays hold.
i32 sections_of(const i32& tool, i32* rec, i32& drop, i32& hmode)
{
    std::memset(rec, 0, HLDREC_N * 4);
    drop = 0;
    i32 hdr[TLHDR_N], holder = 0, st = 0;
    RDTOOL(tool, hdr, holder, hmode, st);
    if (st != 0 || holder <= 0) return 0;
    HLDREC(1, holder, rec, st);
    if (st != 0) return 0;
    i32 n = std::max(rec[HD_NSTEP], 0) + std::max(rec[HD_EXTN], 0);
    if (n > HD_MAXS) return -1;
    drop = rec[HD_DROP];
    if (drop == 1 && n > 0) {
        for (i32 a : {HD_LOWER, HD_UPPER, HD_CONE, HD_STEP})
            std::memmove(rec + a, rec + a + 1, (HD_MAXS - 1) * 4), rec[a + HD_MAXS - 1] = 0;
        --n;
    }
    return n;
}

// Moves the four arrays of a holder record down by one from section
// `from`, which is left all zero.
void shift_down(i32* rec, i32 from)
{
    for (i32 a : {HD_LOWER, HD_UPPER, HD_CONE, HD_STEP}) {
        std::memmove(rec + a + from + 1, rec + a + from, static_cast<size_t>(HD_MAXS - 1 - from) * 4);
        rec[a + from] = r2wrd(0.0f);
    }
}

void grow(i32* rec, i32 array, i32 i, f32 by) { rec[array + i] = r2wrd(hreal(rec, array, i) + by); }
}  // namespace

void optim_holder_images(const i32& tool, f32* lengths, f32* upper, i32& flag, i32& status)
{
    status = 0;
    f32 clear = 0, D = 0, R = 0, T = 0;
    GTCLRL(tool, clear);
    GTDIAM(tool, D);
    GTCRNR(tool, R);
    GTTAPA(tool, T);
    // The percentage is taken over the diameter: a tool without one (not a
    // milling tool) has no images to build.
    if (!(D > 0.0f)) {
        userrc("optim_holder_images, THE TOOL IS NO MILLING TOOL", 0);
        status = -1;
        return;
    }
    f32 p = std::sqrt(2.0f * stk_grid.cell * stk_grid.cell) * 200.0f / D;
    p = std::max(p, wrd2r(CMPBLK[CMP_ENLARGE_PCT]));
    const f32 factor = 1.0f + 0.01f * p;
    i32 rec[HLDREC_N], hmode = 0;
    i32 n = sections_of(tool, rec, flag, hmode);
    if (hmode == 1) n = 0;
    // A holder counting more sections than the record's arrays hold, or a
    // section without a lower diameter (an extension the record gives no
    // sizes for), cannot be imaged: nothing is, and the run goes no further.
    i32 unsized = -1;
    for (i32 i = 0; i < n && unsized < 0; ++i)
        if (!(hreal(rec, HD_LOWER, i) > 0.0f)) unsized = i;
    if (n < 0 || unsized >= 0) {
        holder_steps.n = stk_sections = 0;
        if (n < 0)
            user1c("optim_holder_images, THE HOLDER HAS TOO MANY SECTIONS: ", std::max(rec[HD_NSTEP], 0) + std::max(rec[HD_EXTN], 0));
        else
            user1c("optim_holder_images, THE HOLDER SECTION HAS NO DIAMETER: ", unsized + 1);
        status = -1;
        return;
    }
    stk_sections = n;
    holder_steps.n = n;
    f32 z = clear;
    for (i32 i = 0; i < n; ++i) {
        const f32 cone = hreal(rec, HD_CONE, i), step = hreal(rec, HD_STEP, i);
        const f32 l = cone != 0.0f ? cone : step;
        const f32 d1 = hreal(rec, HD_LOWER, i), d2 = hreal(rec, HD_UPPER, i);
        lengths[i] = l;
        holder_steps.z[i] = z;
        z += step;
        // A section that narrows upwards is imaged as the cylinder of its
        // lower diameter (the stock images take no negative taper), and one
        // of a length below 0 as a disc: the images refuse both shapes.
        f32 taper = l <= 0.01f ? 0.0f : static_cast<f32>(std::atan((d2 - d1) / l * 0.5) * 180.0 / M_PI);
        taper = std::max(taper, 0.0f);
        stk_tool_image(i + 1, d1 * factor, 0.0f, std::max(l, 0.0f), taper, status);
        if (status != 0) return;
        upper[i] = d2 * factor;
    }
    stk_tool_image(n + 1, D * (1.0f + 0.01f * p), R * (1.0f + 0.005f * p), clear, T, status);
}

void optim_extend_tool(const f32* required, const i32& mode, f32* mill, i32* holder)
{
    GTMREC(CURTOL, mill);
    i32 st = 0;
    RDTHLD(CURTOL, holder, st);
    // The required lengths follow the section table: one per section in
    // use after the tool's own, the extensions counted and the first
    // section left out when the record drops it. The record keeps the
    // dropped section in front (at index `drop`, the first in use), so each
    // length goes onto the record's section that the table has in its place.
    const i32 steps = std::clamp(holder[HD_NSTEP], 0, HD_MAXS);
    const i32 total = std::min(steps + std::max(holder[HD_EXTN], 0), HD_MAXS);
    const i32 drop = holder[HD_DROP] == 1 && total > 0 ? 1 : 0;
    const i32 n = total - drop;
    const f32 r0 = required[0], r1 = n > 0 ? required[1] : 0.0f;
    // A holder with no room for another section takes the lengths as mode 1
    // does: a copy left as it is would make a "new" tool the same as the
    // old one, whose holder still reaches the stock.
    if (mode == 1 || (mode == 2 && r0 == 0.0f && r1 == 0.0f) || total >= HD_MAXS) {
        mill[ML_CLRLNG] += r0;
        for (i32 i = 1; i < n; ++i) grow(holder, HD_STEP, drop + i - 1, required[i]);
        return;
    }
    // Both ways put a new first section in front of those in use: the step
    // count grows by one with it (the extensions stay behind the steps), or
    // the last section would fall off the record.
    const f32 first_lower = hreal(holder, HD_LOWER, drop);
    shift_down(holder, drop);
    holder[HD_NSTEP] = steps + 1;
    if (r0 == 0.0f) {
        holder[HD_LOWER + drop] = holder[HD_UPPER + drop] = r2wrd(first_lower);
        holder[HD_STEP + drop] = r2wrd(r1);
        for (i32 j = 1; j < n; ++j) grow(holder, HD_STEP, drop + j, required[j + 1]);
        return;
    }
    mill[ML_LNGTHN] = 1.0f;
    mill[ML_CLRLNG] += r0;
    for (i32 j = 0; j < n; ++j) grow(holder, HD_STEP, drop + j, required[j + 1]);
}

void optim_pass_blocks(const i32& pass, const i32& base, i32& first, i32& next)
{
    // Passes are counted from 0; holder mode 5 makes one pass per tool row
    // in use, the last of them numbered rows - 1.
    const i32 mode = CMPBLK[CMP_HOLDER];
    const bool last = pass >= CMPBLK[CMP_TOOL_ROWS] - 1;
    next = mode == 5 && !last ? base + (5 * pass + 5) * 200 : mode == 4 ? base + 10000 : base;
    first = pass < 1 ? base : base + 1000 * pass;
}

void optim_new_tool(const f32* mill, const i32* holder, i32& new_id, i32& status) { CPYTOL(mill, holder, new_id, status); }

i32 optim_same_tool(const i32& a, const i32& b)
{
    f32 da = 0, db = 0, ra = 0, rb = 0, ta = 0, tb = 0;
    GTDIAM(a, da), GTCRNR(a, ra), GTTAPA(a, ta);
    GTDIAM(b, db), GTCRNR(b, rb), GTTAPA(b, tb);
    return da == db && ra == rb && ta == tb ? 1 : 0;
}

void optim_tool_change(const i32& tool, const i32& value, i32& status)
{
    // This writer keeps its state per parameter (a status and a written
    // flag each), not as a row of state words whose values a tool change
    // sets to 0, 0, 2, 2, 2, 2 and 5: what such a change asks for is set
    // here parameter by parameter. The tool (parameter 100) and the spindle
    // (parameter 2) are written from the machine values; the feed is
    // requested again in its named form 1.
    // In this machine-state writer that is each parameter's status (2: from
    // the machine values) and its written flag (2: written whatever was
    // written before): the tool change must carry all three, also when the
    // path before it already had the same values.
    for (i32 p : {1, 2, 100}) TECHST.status[p] = 2, TECHST.wflag[p] = 2;
    STPV01(1);
    PRM9[7] = value;
    PRM9[11] = tool;
    SETTLN(tool);
    PTAMCH(status);
}

void optim_tool_name(const i32& id, char* text)
{
    GTTNAM(id, text, 20);
    text[20] = '\0';
    for (i32 k = 19; k >= 0 && (text[k] == ' ' || text[k] == '\0'); --k) text[k] = '\0';
}

namespace {
constexpr f32 PROFILE_TOP = 2000.0f;

// The side profile of a tool in the (radius, height) half-plane: its clear
// length lengthened by ext[0], then each holder step widened and raised,
// the steps lengthened by ext[1], ext[2], ... (ext null: no extension).
std::vector<f32> profile(const i32& tool, f32 clear, const f32* ext, f32 diam, bool candidate, i32& nsteps)
{
    i32 rec[HLDREC_N], drop = 0, hmode = 0;
    i32 n = std::max(sections_of(tool, rec, drop, hmode), 0);
    const i32 extn = rec[HD_EXTN];
    if (extn == 2 && n >= 2 && hreal(rec, HD_UPPER, n - 1) < hreal(rec, HD_UPPER, n - 2)) --n;
    if (candidate && drop != 1 && extn == 2 && n > 0 && !(hreal(rec, HD_UPPER, 0) > diam)) {
        clear += hreal(rec, HD_STEP, 0);
        for (i32 a : {HD_LOWER, HD_UPPER, HD_CONE, HD_STEP})
            std::memmove(rec + a, rec + a + 1, (HD_MAXS - 1) * 4);
        --n;
    }
    nsteps = n;
    auto e = [&](i32 i) { return ext && i <= n ? ext[i] : 0.0f; };
    f32 H = clear + e(0);
    std::vector<f32> pts{0.0f, H};
    for (i32 i = 0; i < n; ++i) {
        const f32 lo = hreal(rec, HD_LOWER, i) / 2, up = hreal(rec, HD_UPPER, i) / 2;
        const f32 cone = hreal(rec, HD_CONE, i), step = hreal(rec, HD_STEP, i);
        if (gtval(lo, pts[pts.size() - 2])) pts.insert(pts.end(), {lo, H});
        if (gtval(cone, 0.0f)) pts.insert(pts.end(), {up, pts.back() + cone});
        const bool last = i == n - 1;
        if (step > cone || e(i + 1) > 0.0f || last) pts.insert(pts.end(), {up, last ? PROFILE_TOP : H + step + e(i + 1)});
        H = pts.back();
    }
    pts.insert(pts.end(), {0.0f, PROFILE_TOP, pts[0], pts[1]});
    return pts;
}

// 1 when any point of `pts` answers `bad` against the polygon `poly`.
bool any_answer(const std::vector<f32>& pts, const std::vector<f32>& poly, i32 bad)
{
    const i32 n = static_cast<i32>(poly.size() / 2);
    for (size_t k = 0; k + 1 < pts.size(); k += 2) {
        i32 answer = 0;
        inpol(poly.data(), n, 1, &pts[k], answer);
        if (answer == bad) return true;
    }
    return false;
}
}  // namespace

i32 optim_find_tool(const i32& current, const f32* extension, i32& best, i32& status)
{
    status = 0;
    best = -1;
    f32 D = 0, R = 0, T = 0, clear = 0;
    GTDIAM(current, D), GTCRNR(current, R), GTTAPA(current, T), GTCLRL(current, clear);
    i32 steps = 0;
    const std::vector<f32> mine = profile(current, clear, extension, D, false, steps);
    TLSRST(LIST_SLOT);
    i32 listed = 0;
    CRTTAB(TT_MILL, listed);
    if (listed == 0) LSTTLB(TT_MILL, LIST_SLOT, listed);
    // A library that cannot be listed holds no tool that fits, as one whose
    // list cannot be read to its end: the search answers 0 and the run goes
    // on as for any library without a fitting tool. The listing's failure is
    // not handed on as the search's status: the adapting mode would make its
    // lengthened copy and then stop on that status, leaving a tool in the
    // library that no path uses.
    if (listed != 0) return 0;
    i32 count = 0;
    TLSCNT(LIST_SLOT, count);
    f32 best_clear = 0.0f;
    for (i32 k = 1; k <= count; ++k) {
        i32 id = 0, st = 0;
        TLSGET(LIST_SLOT, k, id, st);
        if (st != 0) {
            // A list that cannot be read to its end gives no answer: a
            // candidate accepted so far may not be the best of the list.
            best = -1;
            break;
        }
        f32 d = 0, r = 0, t = 0, c = 0;
        GTDIAM(id, d), GTCRNR(id, r), GTTAPA(id, t), GTCLRL(id, c);
        if (id == current || neval(d, D) || neval(r, R) || neval(t, T)) continue;
        i32 hdr[TLHDR_N], holder = 0, hmode = 0, n = 0;
        RDTOOL(id, hdr, holder, hmode, st);
        const std::vector<f32> theirs = profile(id, c, nullptr, d, true, n);
        if (st != 0 || hmode <= 1 || n < 1) continue;
        if (any_answer(theirs, mine, 3) || any_answer(mine, theirs, 1)) continue;
        if (best < 0 || c < best_clear) best = id, best_clear = c;
    }
    GTDIAM(current, D);  // the cache holds the current tool again
    return best >= 0 ? 1 : 0;
}
