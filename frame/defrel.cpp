#include "frame/defrel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/codedio.h"
#include "core/host.h"
#include "core/params.h"
#include "core/records.h"
#include "pocket/cntlst.h"
#include "surfaces/srflist.h"
#include "tools/toolcache.h"

i32 PHGITM[2][24];
i32 HGTFLS[7] = {0, 0, 0, 0, 0, 0, 0};
i32 HGTALT = 0, HGTNOC = 0, HGTSTS = 0;
i32 SRFDEF[2] = {0, 0};
char CRTTXT[4][CRTTXL];

namespace {

// The current tool's corner radius for the limits and the side-step value.
// The tool cache answers -1 for a tool that is no milling tool, or for no
// tool at all; that is no radius, and taken as one it would turn the limits
// [-R, 999.9] into [1, 999.9], leaving the default 0 outside its own limits.
// Such a tool has no corner rounding: 0.
f32 corner_radius()
{
    f32 r = 0.0f;
    GTCRNR(PRM9[PRM9_TOOL], r);
    return r < 0.0f ? 0.0f : r;
}

// Plain default values of the parameter relations, with their limits. A
// value that is NaN keeps the relation's value and sets only the limits.
struct Plain {
    i32 code;
    f32 value;
    f64 lo, hi;
};
constexpr f32 KEEP = __builtin_nanf("");
constexpr Plain PLAIN[] = {
    {16, 1.0f, 0, 9999.9},      {48, 1.0f, 0, 9999.9},       {101, 1.0f, 0, 9999.9},
    {20, 0.0f, -999.9, 999.9},  {40, KEEP, -360, 360},       {42, 0.0f, 0, 60},
    {463, 0.0f, 0, 60},         {54, 0.2f, 0.0001, 9999.9},  {347, 0.2f, 0.0001, 9999.9},
    {57, 0.1f, 0.0001, 999.9},  {60, 10.0f, -360, 360},      {86, 90.0f, 0.2, 90},
    {99, 0.0f, -9999.9, 9999.9}, {384, 0.0f, -9999.9, 9999.9}, {385, 0.0f, -9999.9, 9999.9},
    {386, 0.0f, -9999.9, 9999.9}, {387, 0.0f, -9999.9, 9999.9}, {388, 0.0f, -9999.9, 9999.9},
    {389, 0.0f, -9999.9, 9999.9}, {392, 0.0f, -999.9, 999.9},  {393, 0.0f, -999.9, 999.9},
    {394, 0.0f, -999.9, 999.9},  {395, 0.0f, -999.9, 999.9},   {396, 0.0f, -999.9, 999.9},
    {397, 0.0f, -999.9, 999.9},  {398, 0.0f, -999.9, 999.9},
    {109, 10.0f, 0.0001, 9999.9}, {110, 1.0f, 0.01, 90},
    {125, 0.0f, 0, 9999.9},     {222, 0.0f, 0, 9999.9},      {225, 0.0f, 0, 9999.9},
    {258, 0.0f, 0, 9999.9},     {260, 0.0f, 0, 9999.9},      {261, 0.0f, 0, 9999.9},
    {273, 0.0f, 0, 9999.9},     {363, 0.0f, 0, 9999.9},      {364, 0.0f, 0, 9999.9},
    {418, 0.0f, 0, 9999.9},     {214, 0.0f, -89, 89},        {425, 0.0f, -89, 89},
    {217, 8.0f, 0.001, 10},     {254, 10.0f, 0, 100000},     {430, 1.0f, 0, 100000},
    {264, 2.0f, 0, 9999.9},     {265, 2.0f, 0, 9999.9},      {266, 2.0f, 0, 9999.9},
    {293, 2.0f, 0, 9999.9},     {294, 2.0f, 0, 9999.9},      {272, 10.0f, 0, 9999.9},
    {275, KEEP, 0, 90},         {297, 90.0f, 30, 90},        {362, 0.0f, -99.999, 99.999},
    {431, 10.0f, 0.001, 10000}, {432, 2.0f, 0, 10000},       {434, 1.0f, -10000, 10000},
    {435, 1.0f, -10000, 10000}, {451, 0.0f, 0, 999.999},     {500, 30.0f, 0, 60},
    {504, 5.0f, 0, 60},         {3316, 1.0e9f, -9999.9, 9999.9}, {3317, 0.1f, -9999.9, 9999.9},
};

// Automatic expressions over one or two base codes, with their limits.
struct Expr {
    i32 code;
    const char* expr;
    i32 base, base2;
    f64 lo, hi;
};
constexpr Expr EXPRS[] = {
    {13, "%r*0.5", 3021, 0, 0, 9999.9},      {325, "%r*0.5", 3021, 0, 0, 9999.9},
    {600, "%r*0.5", 3021, 0, 0, 9999.9},     {3400, "%r*0.5", 3021, 0, 0, 9999.9},
    {15, "%r", 3021, 0, 0.0001, 9999.9},     {232, "%r", 3021, 0, 0.0001, 9999.9},
    {234, "%r", 3021, 0, 0.0001, 9999.9},    {295, "%r", 3021, 0, 0.0001, 9999.9},
    {296, "%r", 3021, 0, 0.0001, 9999.9},    {26, "%r*0.8", 3021, 0, 0.0001, 9999.9},
    {459, "%r*0.8", 3021, 0, 0.0001, 9999.9}, {49, "%r*0.5", 3021, 0, 0.0001, 9999.9},
    {81, "%r*0.5", 3021, 0, 0.0001, 9999.9}, {601, "%r*0.5", 3021, 0, 0.0001, 9999.9},
    {58, "%r", 57, 0, 0.0001, 999.9},        {218, "%r", 57, 0, 0.0001, 999.9},
    {417, "%r", 57, 0, 0.0001, 999.9},       {59, "%r", 57, 0, 0.0001, 9999.9},
    {65, "%r*0.1", 3024, 0, 0, 9999.9},      {205, "%r", 11, 0, -9999.9, 9999.9},
    {257, "%r*0.55", 3021, 0, 0, 999.9},     {298, "%r/3", 3021, 0, 0.0001, 9999.9},
    {329, "%r*0.55", 3021, 0, 0, 9999.9},    {342, "%r", 225, 0, 0, 9999.9},
    {345, "%r", 81, 0, 0.0001, 9999.9},      {348, "%r*0.5", 345, 0, 0, 9999.9},
    {380, "%r*0.25", 3021, 0, 0, 99.999},    {436, "%r-50.0", 11, 0, -9999.9, 9999.9},
    {449, "%r*0.6", 3024, 0, 0.0001, 9999.9}, {450, "%r*0.48", 3021, 0, 0.1, 999.999},
    {455, "%r", 3024, 0, 0, 9999.99},        {470, "%r", 26, 0, 0.0001, 9999.9},
    {472, "%r*2.0", 3021, 0, 0.0001, 9999.9}, {501, "%r*0.25", 3021, 0, 0, 9999.9},
    {502, "%r*0.1", 3021, 0, 0, 9999.9},     {3305, "%r", 125, 0, 0, 9999.9},
    {3311, "-%r", 3317, 0, -9999.9, 9999.9}, {3312, "%r*0.0", 3317, 0, -9999.9, 9999.9},
    {3313, "%r", 3317, 0, -9999.9, 9999.9},  {3314, "%r*5.0", 3317, 0, -9999.9, 9999.9},
    {3315, "%r*20.0", 3317, 0, -9999.9, 9999.9}, {3321, "%r*0.1", 3021, 0, 0.0001, 9999.9},
    {3406, "%r*0.1", 3021, 0, 0.0001, 9999.9}, {3322, "%r*2.5", 3021, 0, 0.0001, 9999.9},
    {3323, "%r*1.2", 3021, 0, 0.0001, 9999.9}, {3402, "%r*0.5", 3021, 0, 0.1, 9999.99},
    {3404, "%r*0.5", 3021, 0, 0.1, 9999.99}, {3407, "%r*0.5", 3406, 0, 0.0001, 9999.9},
};

bool exists(i32 code) { return rel_nc_find(code) >= 0; }

void set_plain(i32 code, f32 value)
{
    i32 st = 0;
    if (!std::isnan(value)) valex_setp(code, value, st);
}

void set_expr(i32 code, const char* e, i32 b1, i32 b2)
{
    i32 st = 0;
    rel_nc_set_auto_expr(code, e, b1, b2, st);
}

// Applies the table to one parameter relation; false when the code has none.
bool apply(i32 code, f32 R)
{
    for (const Plain& p : PLAIN)
        if (p.code == code) {
            set_plain(code, p.value);
            rel_nc_min_max_set(code, p.lo, p.hi);
            return true;
        }
    if (code == 55 || code == 56) {
        set_plain(code, 0.0f);
        rel_nc_min_max_set(code, -R, 999.9);
        return true;
    }
    if (code == 11) {
        if (exists(16)) set_expr(11, "%r-%r", 366, 16);
        else set_expr(11, "%r-10.0", 366, 0);
        rel_nc_min_max_set(11, -9999.9, 9999.9);
        return true;
    }
    if (code == 12) {
        if (exists(13)) set_expr(12, "%r-%r", 11, 13);
        else set_expr(12, "%r-50.0", 11, 0);
        rel_nc_min_max_set(12, -9999.9, 9999.9);
        return true;
    }
    if (code == 25) {
        if (exists(57)) set_expr(25, "%r", 57, 0);
        else set_plain(25, 0.1f);
        rel_nc_min_max_set(25, 0.0001, 999.9);
        return true;
    }
    if (code == 467) {
        set_expr(467, "%r", 0, 0);
        rel_nc_min_max_set(467, 0, 9999.9);
        // 3400 takes its expression only where the host keeps that relation:
        // the host refuses an expression for a code it has no entry of.
        if (exists(3400)) {
            set_expr(3400, "%r*0.5", 3021, 0);
            rel_nc_min_max_set(3400, 0, 9999.9);
        }
        return true;
    }
    for (const Expr& x : EXPRS)
        if (x.code == code) {
            set_expr(code, x.expr, x.base, x.base2);
            rel_nc_min_max_set(code, x.lo, x.hi);
            return true;
        }
    return false;
}

// The value in text form at the host's display precision.
void value_text(f64 v, char* text, i32 size)
{
    i32 digits = std::clamp(gtdgts(), 0, 9);
    std::snprintf(text, static_cast<size_t>(size), "%.*f", digits, v);
    if (std::strchr(text, '.')) {
        size_t n = std::strlen(text);
        while (n > 0 && text[n - 1] == '0') text[--n] = '\0';
        if (n > 0 && text[n - 1] == '.') text[--n] = '\0';
    }
    if (std::strcmp(text, "-0") == 0) std::strcpy(text, "0");
}

f32 rounded(f32 z)
{
    char t[41];
    value_text(z, t, sizeof t);
    return static_cast<f32>(std::strtod(t, nullptr));
}

void shift(const i32& mode, const f32& z, bool heights_only, i32& status)
{
    static constexpr i32 CODES[7] = {3301, 3302, 366, 3303, 11, 12, 205};
    f32 zr = rounded(z);
    status = 0;
    i32 last = heights_only ? 2 : 7;
    for (i32 k = 0; k < last; ++k) {
        if (!HGTFLS[k]) continue;
        i32 code = CODES[k];
        if (k == 5 && HGTALT) code = 436;
        if (k >= 2 && rel_nc_is_number(code) == 0) continue;
        RELSHF(mode, code, zr, status);
        if (status < 0) break;
    }
    HGTSTS = status;
}

i32 TPLFLG[4] = {0, 0, 0, 0};
}  // namespace

void DEFREL(i32& status)
{
    status = 0;
    i32 n = rel_nc_get_num();
    rel_entry* tab = rel_nc_cptr();
    if (n > 0 && !tab) {
        status = -1;
        return;
    }
    const f32 R = corner_radius();
    for (i32 k = 0; k < n; ++k) {
        rel_entry& e = rel_nc_cptr()[k];
        const i32 code = e.code;
        // The default mark goes on every entry the walk handles, and only on
        // those: a kind-3 code the table does not know and a kind-2 code left
        // alone keep theirs.
        bool handled = true;
        if (e.kind == 3) {
            handled = apply(code, R);
            if (!handled) eroutc("INIT RELATION VALUES ERROR", 0);
            // 501 and 502 take their expression and then have their value
            // record initialised from it.
            rel_entry& after = rel_nc_cptr()[k];
            if (handled && (code == 501 || code == 502) && after.value) rel_nc_init_expr(after.value);
        } else if (e.kind == 2) {
            if (code == 3301 || code == 3302) {
                if (e.value) rel_nc_init_expr(e.value);
                rel_nc_min_max_set(code, 0, 0);
            } else if (code == 366 || code == 3303) {
                rel_nc_min_max_set(code, -9999.9, 9999.9);
            } else if (code == 3304) {
                rel_nc_min_max_set(code, 0, 999.9);
            } else {
                handled = false;
            }
        } else {
            rel_nc_min_max_set(code, 0, 0);
        }
        if (handled) rel_nc_cptr()[k].dflt = 1;
    }
    RELCHK();
}

void RELPAS(const f32& h, f32& out)
{
    const f32 R = corner_radius();
    if (h <= R) {
        f64 c = 2.0 * std::sqrt(std::max(0.0, f64(R) * R - f64(R - h) * (R - h)));
        out = static_cast<f32>(std::max(c, 3.0 * h));
    } else {
        out = 3.0f * h;
    }
    i32 st = 0;
    valex_setp(258, out, st);
}

void RELCHK()
{
    for (i32 code : {366, 3303}) {
        if (!exists(code)) continue;
        i32 changed = 0;
        rel_nc_recheck(code, changed);
        if (changed) {
            char name[64];
            rel_nc_trans_name(code, name, sizeof name);
            msg_mdlt(410, 11, name);
        }
    }
}

void RELSYM(i32& status)
{
    f32 zmax = 0, zmin = 0;
    gs_part_hgt(1, zmax, status);
    if (status >= 0) gs_part_hgt(2, zmin, status);
    if (status < 0) {
        status = -1;
        return;
    }
    std::memset(PHGITM, 0, sizeof PHGITM);
    PHGITM[0][0] = r2wrd(zmax);
    PHGITM[1][0] = r2wrd(zmin);
    rel_nc_init_expr(PHGITM[0]);
    rel_nc_init_expr(PHGITM[1]);
    rel_nc_add_symbol(3301, 2, PHGITM[0], status);
    if (status >= 0) rel_nc_add_symbol(3302, 2, PHGITM[1], status);
    if (status >= 0) rel_nc_add_symbol(366, 2, &HEI8[HEI8_CLEARANCE], status);
    if (status >= 0) rel_nc_add_symbol(3303, 2, &HEI8[HEI8_PLANE2], status);
    if (status >= 0) rel_nc_add_symbol(3304, 2, &HEI8[HEI8_INCR], status);
}

void HGTFLG(const i32* flags)
{
    std::memcpy(HGTFLS, flags, sizeof HGTFLS);
    HGTALT = 0;
}

void HGTSHF(const i32& mode, const f32& z, i32& status) { shift(mode, z, false, status); }
void HGTSH2(const i32& mode, const f32& z, i32& status) { shift(mode, z, true, status); }

void RELSHF(const i32& mode, const i32& code, const f32& z, i32& status)
{
    f32 v = 0;
    rel_nc_get_value(code, v, status);
    if (status < 0) return;
    f64 r;
    if (mode == 1) {
        r = f64(v) - z;
        f64 tiny = std::pow(10.0, -std::clamp(gtdgts(), 0, 9));
        if (std::fabs(r) < 1.0 && std::fabs(r) < tiny) r = 0.0;
    } else {
        r = f64(v) + z;
    }
    char text[41];
    value_text(r, text, sizeof text);
    rel_nc_set_text(code, text, HGTNOC ? 0 : 1, status);
}

void HGTNPT(const i32& mode)
{
    i32 st = 0;
    HGTSHF(mode, wrd2r(NPT1[NPT1_ORIGIN + 2]), st);
}

void TPLSHF()
{
    i32 f[7] = {0, 0, 1, 1, 0, 0, 0};
    bool alt = false;
    switch (MACTYP) {
    case MACTYP_TYPE1: case MACTYP_TYPE2: f[4] = f[5] = f[6] = 1; break;
    case MACTYP_TYPE13: f[4] = 1; break;
    case MACTYP_TYPE52: case MACTYP_TYPE53: f[4] = f[5] = 1; alt = true; break;
    case MACTYP_TYPE5: case MACTYP_CLEARAREA: case MACTYP_MCHTBL: f[4] = f[5] = 1; break;
    default: break;
    }
    HGTFLG(f);
    HGTALT = alt ? 1 : 0;
    f32 z = get_TmplMorZ() - wrd2r(NPT1[NPT1_ORIGIN + 2]);
    i32 keep = HGTNOC, st = 0;
    HGTNOC = 1;
    HGTSHF(1, z, st);
    HGTNOC = keep;
}

void TPLFST(const i32& kind, const i32& value)
{
    if (kind >= 0 && kind <= 3) TPLFLG[kind] = value;
}

void TPLFCL() { std::fill(TPLFLG, TPLFLG + 4, 0); }

i32 TPLFGT(const i32& kind) { return kind >= 0 && kind <= 3 ? TPLFLG[kind] : 0; }

void TPLRDF(i32& any, i32& part, i32& part2, i32& status)
{
    status = 0;
    bool op = is_some_template_CreateRead_operation() != 0;
    for (i32 k = 0; k < 2; ++k) {
        if (!TPLFLG[k]) continue;
        TPLFLG[k] = 0;
        if (op) {
            any = 1;
            (k == 0 ? part : part2) = 1;
        }
    }
}

void TPLCLR()
{
    if (is_create_from_TPtemplate()) clr_TP_TemplateFlag();
    else if (is_read_singlePROC()) clr_PROC_TemplateFlag();
}

i32 TPLACT() { return (get_TP_TemplateFlag() != 0 || get_ManageTp_TemplateFlag() != 0) ? 1 : 0; }

void SRFREC(const i32& kind, const i32& keep, i32& status)
{
    i32 active[4] = {0, 0, 0, 0};
    for (i32 k = 0; k < 4; ++k) active_mask_gs(k, 1, active[k]);
    i32 n = 0;
    status = 0;
    nc_surf_list_count(1, kind, n, status);
    if (status < 0) return;
    if (keep == 1) cntset_keep(0);
    // The host keeps a list's surfaces by its count: a count of 0 deletes
    // every surface of the list, what deleting them one by one by id comes
    // to, and needs no buffer of their ids.
    i32 zero = 0;
    nc_surf_list_count(2, kind, zero, status);
    bool ok = status >= 0;
    i32 k2 = kind >= 0 && kind <= 1 ? kind : 0;
    if (ok && kind >= 0 && kind <= 3 && active[kind] && nc_geomsk_lst_count(kind) > 0) {
        nc_surf_sel_crit(kind, get_ManageTp_TemplateFlag() == 1 ? 0 : 1, status);
        if (status >= 0) nc_surf_list_count(1, kind, n, status);
        ok = status >= 0;
    }
    // The defined flag tells whether the list is now as the template asks:
    // selected by its criteria, or emptied where it has none active. So it
    // follows the deletion as well as the selection, and a failure of either
    // leaves it 0, as it leaves the template-read flag unset.
    if (kind == 0 || kind == 1) SRFDEF[k2] = ok ? 1 : 0;
    if (keep == 1) {
        i32 changed = 0;
        cntset_load(3, changed);
    }
    if (ok) TPLFST(kind, 1);
}

void CRTTXC() { std::memset(CRTTXT, 0, sizeof CRTTXT); }

void CRTTXR(const i32& medium, const i32& code, const i32& count, i32& status)
{
    i32 which = code == 20212 ? 0 : code == 20213 ? 1 : (code == 20210 || code == 20214) ? 2 : code == 20211 ? 3 : -1;
    status = 0;
    if (which < 0) {
        TPSKIP(medium, count, DT_INT, status);
        return;
    }
    // A text longer than its area (a count that does not leave the
    // terminator room) is refused, not read: it would be written past the
    // 10,000-character buffer. A negative count is a corrupt item.
    if (count < 0 || count * 4 >= CRTTXL) {
        erou2c("CRTTXR, TEXT LONGER THAN ITS AREA. code, count=", code, count);
        status = -1;
        return;
    }
    std::vector<i32> w(static_cast<size_t>(count) + 1, 0);
    tpget(medium, count, DT_TEXT, w.data(), status);
    if (status < 0) return;
    std::memset(CRTTXT[which], 0, CRTTXL);
    std::memcpy(CRTTXT[which], w.data(), static_cast<size_t>(count) * 4);
}
