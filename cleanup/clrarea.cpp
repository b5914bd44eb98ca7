// Sizing and runs of the offset driver for one contour area, and the
// translation of its statuses into messages.
#include "cleanup/clrarea.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cleanup/clrclean.h"
#include "cleanup/clrout.h"
#include "cleanup/clrset.h"
#include "cleanup/hatch.h"
#include "core/host.h"
#include "core/params.h"
#include "cutter/linntb.h"
#include "pocket/luptab.h"
#include "pocket/pokarr.h"
#include "pocket/pokmain.h"
#include "pocket/polbuf.h"
#include "pocket/pokvals.h"
#include "pocket/rrpock.h"

namespace {

i32 g_half = 0;             // half the main arrays' capacity
bool g_small_said = false;  // the too-small case was handled in this area
i32 g_cut_mode_entry = 0;   // cut mode on entry to the clean area

// Largest capacity the sizing may ask for: the capacity is a 32-bit word,
// and the main arrays it sizes hold several doubles a point, so a larger
// one would overflow the word or ask the host for more than it can give.
constexpr long long SIZE_LIMIT = 100000000LL;

// The main arrays' capacity for the stored contours; false (with a message)
// when the pocket cannot be sized.
bool size_arrays(i32 n, i32 P)
{
    if (pokpar.radius == 0.0) pokpar.radius = pokpar.side;
    // Without a radius (or side step) the estimate below divides by 0 and
    // its loop of tenths would never end: no size is found, and the run
    // fails with its own status rather than hang.
    if (!(pokpar.radius > 0.0)) {
        eroutc("[cmtpk1] NO TOOL RADIUS OR SIDE STEP TO SIZE THE POCKET", 0);
        return false;
    }
    f64 est = pk_extent / pokpar.radius * (n + 1) * 12.0;
    long long p = 10;
    while (est > 10.0) {
        est *= 0.1;
        p *= 10;
        if (p > SIZE_LIMIT) {
            eroutc("[cmtpk1] POCKET TOO LARGE FOR THE TOOL", 0);
            return false;
        }
    }
    long long cap = pk_capacity > p ? pk_capacity : p;
    if (pokpar.cut_mode == 1) {
        cap = (n + 1) * 10LL;
        if (pokdim != 2) {
            // The surface pocket sizes by the extent over the extra
            // allowance: with none the quotient has no bound (a division by
            // zero), so the pocket is refused rather than sized without end.
            if (!(pokpar.extra > 0.0) || pk_extent / pokpar.extra * static_cast<f64>(cap) > SIZE_LIMIT) {
                eroutc("[cmtpk1] NO EXTRA ALLOWANCE TO SIZE THE POCKET", 0);
                return false;
            }
            cap = static_cast<long long>(pk_extent / pokpar.extra * static_cast<f64>(cap));
        }
    }
    if (cap < P) cap = 100LL * P;
    if (cap < 4LL * P) cap = 4LL * P;
    if (cap > SIZE_LIMIT) {
        eroutc("[cmtpk1] POCKET TOO LARGE FOR THE TOOL", 0);
        return false;
    }
    pk_capacity = static_cast<i32>(cap);
    return true;
}

// The input contours become the first rows of the loop table.
void table_from_contours(i32 n)
{
    lup_reset();
    i32 rows = 0;
    for (i32 k = 1; k <= n + 1; ++k) {
        LupRow& r = lup_row(k);
        r = LupRow{};
        r.key = clr_contab.key[k];
        r.subkey = clr_contab.subkey[k];
        r.start = clr_contab.start[k];
        r.parent = clr_contab.parent[k];
        r.level = clr_contab.level[k];
        r.box = -1;
        if (k <= n && r.level != 3) ++rows;
    }
    lup_row(n + 1) = LupRow{};
    lup_row(n + 1).start = clr_contab.start[n + 1];
    lup_count = rows;
    pk_nisland = rows - 1;
    pk_isl_skip = rows - 1;
    clr_cut_mark = 0;
}

// The message of a failing status; true when the run is to be repeated.
bool say(i32 kind, i32& status)
{
    const bool k0 = kind == 0;
    switch (status) {
    case 2:
    case 15: eroutc("[cmtpk1] TOO MANY POINTS IN POCKET", 0); break;
    case 3: eroutc("[cmtpk1] TOO MANY POINTS IN ISLAND", 0); break;
    case 8: return true;
    case 9:
        if (pkoff.end_mode == 1) {
            usmsgc("ILLEGAL END POINT FOR POCKET");
        } else if (pkoff.end_mode == 2) {
            status = 0;
            pkoff.end_mode = 0;
            return true;
        }
        break;
    case 10: eroutc("[cmtpk1] TOO MANY LOOPS", 0); break;
    case 11: eroutc("[cmtpk1] TOO MANY POINTS IN LOOP COMPUTATION", 0); break;
    case 12:
        if (k0) usmsgc("CANNOT HANDLE GIVEN END POINT");
        break;
    case 13:
        if (k0) eroutc("[cmtpk1] END LOOP TOO SMALL", 0);
        break;
    case 14:
        if (k0) usmsgc("THE POCKET OUTER CONTOUR CONTAINED WITHIN THE ISLAND CONTOUR");
        status = 17;
        break;
    case 16:
        if (k0) eroutc("[cmtpk1] DEGENRATED POCKET-CONTOUR CONTAINS 3 POINTS ONLY.", 0);
        break;
    case 18: eroutc("[cmtpk1] UNABLE TO DO 3D OFFSET - SURFACES DO NOT COVER INITIAL CONTOUR", 0); break;
    case 19: eroutc("[cmtpk1] UNABLE TO DO 3D OFFSET - HOLES IN SURFACES", 0); break;
    case 20: eroutc("[cmtpk1] UNABLE TO DO 3D OFFSET - OFFSET DIRECTION IS NORMAL TO SURFACE", 0); break;
    case 21: eroutc("[cmtpk1] UNABLE TO MAP 3D REGION", 0); break;
    case 51: eroutc("[cmtpk1] CANNOT MOVE BETWEEN LOOPS", 0); break;
    default: erou1c("[cmtpk1] CMTPKT ERROR ", status); break;
    }
    return false;
}


// The words of the clearing that the pre-pass and the tries change, as
// they stood on entry to the clean area.
struct AreaEntry {
    i32 loops, endm, dir, dim;
    f64 endv, retry;
    std::vector<f64> allow;
};

void give_back(const AreaEntry& e)
{
    pokpar.retry_allow = e.retry;
    pokpar.end_val = e.endv;
    pkoff.loops_on = e.loops;
    pkoff.end_mode = e.endm;
    pokpar.cut_mode = g_cut_mode_entry;
    pokpar.direction = e.dir;
    std::copy(e.allow.begin(), e.allow.end(), pokpar.allow);
}

// A run for the cleaning: loops only, cut from the inside out, the
// direction turned, no end point. The direction is turned from where it
// stands: the second pass of the tries starts before the first one's words
// are given back, so it runs in the entry's direction again.
void cleaning_run_words()
{
    pkoff.loops_on = 1;
    pokpar.cut_mode = 1;
    pokpar.direction = -pokpar.direction;
    pkoff.end_mode = 0;
}

// The contour-cleaning pass on polygon buffer `buf` (0: the current one);
// the current buffer is selected again afterwards.
void cleaning_pass(i32 buf, i32& status)
{
    i32 cur = 0, st = 0, b = buf;
    polbuf_select(PB_GET, cur, st);
    if (buf != 0) polbuf_select(0, b, st);
    clr_clean_contours(static_cast<f32>(pokpar.side), status);
    polbuf_select(0, cur, st);
}

void cannot_clean(i32 kind, i32& status)
{
    if (kind == 0) usmsgc("THE CONTOURS AREA CAN NOT BE CLEANED WITH THESE OFFSETS AND RADIUS PARAMETERS");
    status = 17;
}

// Outcome of the tries: go on to the final run, or end with the status.
enum class Tries { final_run, end };

// The tries of the clean area: a run with the allowances as they are and
// one with the retry allowance added, each followed by the cleaning pass;
// a second pass (the added run only) when the first ran out of area.
Tries run_tries(const AreaEntry& e, i32 kind, bool outer_fixed, i32& status)
{
    for (i32 pass = 1; pass <= 2; ++pass) {
        cleaning_run_words();
        pokpar.end_val = 0.0;
        bool again = false;
        for (i32 t = pass == 1 ? 0 : 1; t <= 1 && !again; ++t) {
            if (t == 1) {
                for (size_t k = outer_fixed ? 1 : 0; k < e.allow.size(); ++k)
                    pokpar.allow[k] = e.allow[k] + pokpar.retry_allow;
                pokpar.end_val = e.endv;
            }
            cmtpk1(kind, status);
            if (status == 17) {
                if (t == 1 && pass == 1) {
                    pokpar.retry_allow = 0.0;
                    again = true;
                    continue;
                }
                return Tries::end;
            }
            if (status != 0 && status != 100) {
                status = -1;
                return Tries::end;
            }
            cleaning_pass(t == 0 ? 5 : 0, status);
            if (status < 0) return Tries::end;
            if (status == 1) {
                if (t == 1 && pass == 1) {
                    again = true;
                    continue;
                }
                cannot_clean(kind, status);
                return Tries::end;
            }
        }
        if (again) continue;
        give_back(e);
        return status == 2 ? Tries::end : Tries::final_run;
    }
    return Tries::final_run;
}

}  // namespace

i32 cmt_capacity() { return pk_capacity; }

void cmtpk1(const i32& kind, i32& status)
{
    status = 0;
    const i32 n = clr_contab.count, P = clr_contab.start[n + 1] - 1;
    pokpar.run_count = 0;
    if (!size_arrays(n, P)) {
        status = CMT_NO_SIZE;
        return;
    }
    f64 e = pokpar.end_val;
    i32 f = pokpar.end_flag != 0 ? 1 : 0;
    bool repeat = false;
    // A run moves the allowances of the islands that follow one dropped at
    // load to their new keys, and gives islands split off the outer contour
    // theirs; a rerun loads the contours under their first keys again, so
    // it starts from the allowances as they stood before the first run.
    const std::vector<f64> allow(pokpar.allow, pokpar.allow + PK_NALLOW);
    for (i32 a = 1;;) {
        std::copy(allow.begin(), allow.end(), pokpar.allow);
        // Only the buffers this clearing took are given back: inside another
        // clearing, emptying the whole pool would free the outer one's
        // buffers, which it holds across this run (its state is saved).
        clr_release_own();
        POKCPY(pk_capacity, a, P, status);
        if (status != 0) return;
        g_half = pk_capacity / 2;
        table_from_contours(n);
        i32 cut_mode = pokpar.cut_mode;
        rrpock(pokpar, pokpar.allow, pokpar.radius, cut_mode, pokpar.direction, f, pokpar.side, e, status);
        if (status == 0 || status == 100) return;
        if (status == 17) {
            if (!repeat && e > 0.0 && f != 0) {
                repeat = true;
                e = 0.0;
                f = 0;
                continue;
            }
            if (g_small_said) return;
            g_small_said = true;
            if (gncalw() != 0 && kind == 0) {
                eroutc("[cmtpk1] POCKET IS TOO SMALL", 0);
                return;
            }
            if (pokpar.end_val > 0.0 && pokpar.end_flag == 0) {
                char text[32];
                std::snprintf(text, sizeof text, "%.4f", pokpar.small_val);
                msg_mdlt(331, g_cut_mode_entry == 1 ? 50 : 41, text);
                return;
            }
            if (kind == 0) usmsgc("WARNING: POCKET WAS TOO SMALL TO BE CALCULATED");
            return;
        }
        if (!say(kind, status)) return;
        // Status 8 grows the capacity fourfold for the next attempt, but not
        // much past the sizing's limit: a few repeats more would leave the
        // range of a 32-bit point count. Near the limit the capacity stays,
        // and POKCPY's limit on the attempts ends the repeats with its
        // failure.
        if (status == 8) pk_capacity = pk_capacity > SIZE_LIMIT / 4 ? pk_capacity : pk_capacity * 4;
        ++a;
    }
}

void clr_clean_area(const i32& code, i32& status)
{
    status = 0;
    AreaEntry e{pkoff.loops_on, pkoff.end_mode, pokpar.direction, pokdim, pokpar.end_val, pokpar.retry_allow,
                std::vector<f64>(pokpar.allow, pokpar.allow + PK_NALLOW)};
    g_cut_mode_entry = pokpar.cut_mode;
    pokdim = 2;
    g_small_said = false;
    const bool single_run = code >= 20, outer_fixed = code >= 10 && code < 20;
    const i32 kind = code >= 20 ? code - 20 : (code >= 10 ? code - 10 : code);
    clr_kind = kind;
    if (GTCLPM(2) != 0) {
        // pre-pass with every allowance widened by the extra allowance
        cleaning_run_words();
        for (f64& v : pokpar.allow) v += pokpar.extra;
        cmtpk1(kind, status);
        give_back(e);
        if (status == 17) return;
        if (status != 0 && status != 100) {
            status = -1;
            return;
        }
        cleaning_pass(1, status);
        if (status < 0 || status == 2) return give_back(e);
        if (status == 1) {
            cannot_clean(kind, status);
            return give_back(e);
        }
    }
    i32 nest = 0;
    ccl_pass_get(nest);
    const bool tries = outer_fixed || pokpar.retry_sw_c != 0 || MACTYP == MACTYP_CLEARAREA ||
                       (nest == 1 && (pokpar.retry_sw_a != 0 || pokpar.retry_sw_b != 0));
    if (!single_run && tries && run_tries(e, kind, outer_fixed, status) == Tries::end) return give_back(e);
    pokdim = e.dim;
    cmtpk1(kind, status);
    if (status != 0 && status != 17 && status != 100) status = -1;
    give_back(e);
}
