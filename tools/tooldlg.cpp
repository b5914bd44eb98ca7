// The tool library dialogs: choosing a tool, the tool definition dialog
// (show, list, define) and making a tool through it.
#include "tools/tooldlg.h"

#include <cctype>
#include <cstring>
#include <string>

#include "core/host.h"
#include "tools/toollib.h"

i32 TLDHDR[TLHDR_N];
i32 TLDVAL[TLREC_N];

namespace {
// One parameter of a per-type record: its label, word, kind and limits.
struct Field {
    const char* label;
    i32 word;
    bool real;
    f64 lo, hi;
};

constexpr Field MILL_F[] = {{"DIAMETER", ML_DIAMTR, true, 0.001, 10000.0},
                            {"CORNER RADIUS", ML_CRNRRD, true, 0.0, 5000.0},
                            {"TAPER ANGLE", ML_TAPANG, true, 0.0, 89.999},
                            {"CUTTING LENGTH", ML_CUTLNG, true, 0.0, 10000.0},
                            {"CLEARANCE LENGTH", ML_CLRLNG, true, 0.0, 10000.0},
                            {"TOOL LIFE", ML_LIFLNG, true, 0.0, 100000.0}};
constexpr Field DRILL_F[] = {{"DIAMETER", DR_DIAMTR, true, 0.001, 10000.0},
                             {"TIP ANGLE", DR_TIPANG, true, 0.0, 180.0},
                             {"CUTTING LENGTH", DR_CUTLNG, true, 0.0, 10000.0},
                             {"CLEARANCE LENGTH", DR_CLRLNG, true, 0.0, 10000.0}};
constexpr Field PUNCH_F[] = {{"SHAPE (1 ROUND)", PN_SHAPE, false, 1, 2},
                             {"DIAMETER", PN_DIAMTR, true, 0.0, 10000.0},
                             {"LENGTH", PN_LENGTH, true, 0.0, 10000.0},
                             {"WIDTH", PN_WIDTH, true, 0.0, 10000.0}};
constexpr Field LATHE_F[] = {{"NOSE RADIUS", LT_NOSERD, true, 0.0, 1000.0},
                             {"WIDTH", LT_WIDTH, true, 0.0, 10000.0},
                             {"LENGTH", LT_LENGTH, true, 0.0, 10000.0}};
constexpr Field AGIE_F[] = {{"GENERATOR", AG_GNRTOR, false, 0, 999},
                            {"FLUSHING", AG_SFLUSH, false, 0, 999},
                            {"OFFSET", AG_OFFSET, false, 0, 999},
                            {"ANGLE", AG_PANGLE, true, -89.999, 89.999}};
constexpr Field CHARM_F[] = {{"G CODE 1", CH_GCODE, false, 0, 999},     {"G CODE 2", CH_GCODE + 1, false, 0, 999},
                             {"G CODE 3", CH_GCODE + 2, false, 0, 999}, {"G CODE 4", CH_GCODE + 3, false, 0, 999},
                             {"G CODE 5", CH_GCODE + 4, false, 0, 999}, {"OFFSET", CH_OFFSET, false, 0, 999},
                             {"C REGISTER", CH_CREGST, false, 0, 999},  {"A REGISTER", CH_AREGST, false, 0, 999}};
constexpr Field MAKINO_F[] = {{"CUTTING CONDITION", MK_CUTCND, false, 0, 9999}, {"OFFSET", MK_OFFSET, false, 0, 999}};

struct Fields {
    const Field* f;
    i32 n;
    i32 nrec;
};

Fields fields_of(i32 type)
{
    switch (type) {
    case TT_MILL: return {MILL_F, 6, MLREC_N};
    case TT_DRILL:
    case TT_LDRILL: return {DRILL_F, 4, DRREC_N};
    case TT_PUNCH: return {PUNCH_F, 4, PNREC_N};
    case TT_LATHE:
    case TT_THREAD:
    case TT_GROOVE: return {LATHE_F, 3, LTREC_N};
    case TT_AGIE: return {AGIE_F, 4, AGREC_N};
    case TT_CHARM: return {CHARM_F, 8, CHREC_N};
    case TT_MAKINO: return {MAKINO_F, 2, MKREC_N};
    default: return {nullptr, 0, 0};
    }
}

std::string trimmed(const char* field, int len)
{
    std::string s(field, static_cast<size_t>(len));
    for (auto& c : s)
        if (c == '\0') c = ' ';
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string real_text(f32 v)
{
    char t[64];
    i32 len = 0, st = 0;
    cvr2td(static_cast<f64>(v), gtdgts(), t, len, st);
    return st == 0 ? std::string(t, static_cast<size_t>(len)) : std::string("*****");
}

std::string int_text(i32 v)
{
    char t[16];
    i32 len = 0, st = 0;
    cvi2t(v, t, len, st);
    return std::string(t, static_cast<size_t>(len));
}

std::string word_text(const Field& f, i32 w) { return f.real ? real_text(wrd2r(w)) : int_text(w); }

// Writes one "LABEL            : value" line to the message window (mode 10)
// or the listing output (mode 11).
void put_line(i32 mode, const std::string& label, const std::string& value)
{
    std::string l = label;
    if (l.size() < 17) l.resize(17, ' ');
    l += ": " + value;
    if (mode == 10) {
        i32 n = static_cast<i32>(l.size());
        shlmsg(l.c_str(), n);
    } else {
        ofwric(l.c_str());
    }
}

void show(i32 mode)
{
    const TlCache& c = TLCBLK;
    i32 type = c.hdr[TH_TYPE];
    char name[20];
    GTTNAM(c.id, name, 20);
    put_line(mode, "TOOL NAME", trimmed(name, 20));
    put_line(mode, "TOOL TYPE", type >= 1 && type <= NTTYPE ? trimmed(TLTNAM[type - 1], 11) : int_text(type));
    put_line(mode, "TOOL TEXT", trimmed(reinterpret_cast<const char*>(c.hdr + TH_TEXT), 20));
    Fields fs = fields_of(type);
    for (i32 k = 0; k < fs.n; ++k) put_line(mode, fs.f[k].label, word_text(fs.f[k], c.rec[fs.f[k].word]));
    i32 steps = c.hold[HD_NSTEP];
    if (c.hdr[TH_HOLD] > 0 && steps > 0 && steps <= HD_MAXS) {
        put_line(mode, "HOLDER STEPS", int_text(steps));
        for (i32 s = 0; s < steps; ++s)
            put_line(mode, "STEP " + int_text(s + 1),
                     real_text(wrd2r(c.hold[HD_LOWER + s])) + " " + real_text(wrd2r(c.hold[HD_UPPER + s])) + " " +
                         real_text(wrd2r(c.hold[HD_CONE + s])) + " " + real_text(wrd2r(c.hold[HD_STEP + s])));
    }
    for (i32 k = 0; k < c.hdr[TH_NTEC] && k < TLTEC_N; ++k) {
        f32 feed = wrd2r(c.tech[k][TC_FEED]);
        put_line(mode, "TECHNOLOGY " + int_text(k + 1),
                 "SPINDLE " + int_text(c.tech[k][TC_SPIN]) + " CUTTING SPEED " + real_text(wrd2r(c.tech[k][TC_VLOC])) +
                     " FEED " + (feed < 0 ? std::string("NOT SET") : real_text(feed)));
    }
}

// Asks for a text; -2 or -3 when the user leaves.
i32 ask_text(const char* prompt, std::string& out)
{
    char buf[21] = {0};
    i32 st = 0;
    prmtxt(prompt, buf, sizeof buf, st);
    if (st != 0) return st;
    out = trimmed(buf, static_cast<int>(strnlen(buf, 20)));
    size_t k = 0;
    while (k < out.size() && out[k] == ' ') ++k;
    out = out.substr(k);
    for (auto& ch : out) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return 0;
}

// Asks for one field until the value lies within its limits.
i32 ask_field(const Field& f, i32& word)
{
    while (true) {
        i32 st = 0;
        f64 v = 0;
        if (f.real) {
            f32 r = 0;
            prmreal(f.label, r, st);
            v = r;
            if (st == 0) word = r2wrd(r);
        } else {
            i32 n = 0;
            prmint(f.label, n, st);
            v = n;
            if (st == 0) word = n;
        }
        if (st != 0) return st;
        if (v >= f.lo && v <= f.hi) return 0;
        userrc(("DEFTOL, " + std::string(f.label) + " OUT OF RANGE " + word_text(f, f.real ? r2wrd(static_cast<f32>(f.lo)) : static_cast<i32>(f.lo)) +
                " TO " + word_text(f, f.real ? r2wrd(static_cast<f32>(f.hi)) : static_cast<i32>(f.hi)))
                   .c_str(),
               0);
    }
}

i32 define(i32 type)
{
    INTHDR(TLDHDR);
    std::memset(TLDVAL, 0, sizeof TLDVAL);
    std::string name, text;
    while (true) {
        i32 st = ask_text("TOOL NAME", name);
        if (st != 0) return st;
        i32 other = 0, found = 0;
        char field[20];
        fixtxt(field, 20, name.c_str());
        if (name.empty()) {
            userrc("DEFTOL, A TOOL NEEDS A NAME", 0);
            continue;
        }
        FNDTNM(field, 0, other, found);
        if (!found) break;
        userrc(("DEFTOL, TOOL NAME EXISTS ALREADY: " + name).c_str(), 0);
    }
    i32 st = ask_text("TOOL TEXT", text);
    if (st != 0) return st;
    if (text.empty()) text = "NO TEXT";
    Fields fs = fields_of(type);
    for (i32 k = 0; k < fs.n; ++k) {
        while (true) {
            st = ask_field(fs.f[k], TLDVAL[fs.f[k].word]);
            if (st != 0) return st;
            if (type == TT_MILL && fs.f[k].word == ML_CRNRRD &&
                wrd2r(TLDVAL[ML_CRNRRD]) > wrd2r(TLDVAL[ML_DIAMTR]) / 2) {
                userrc("DEFTOL, CORNER RADIUS ABOVE HALF THE DIAMETER", 0);
                continue;
            }
            break;
        }
    }
    TLDHDR[TH_TYPE] = type;
    fixtxt(reinterpret_cast<char*>(TLDHDR + TH_NAME), 20, name.c_str());
    fixtxt(reinterpret_cast<char*>(TLDHDR + TH_TEXT), 20, text.c_str());
    TLDHDR[TH_NREC] = fs.nrec;
    return 0;
}
}  // namespace

void CHSTLC(const i32& mode, char* name, i32& status)
{
    status = -1;
    name[0] = '\0';
    if (mode != 1) {
        erou1c("CHSTLC, WRONG MODE VALUE ", mode);
        return;
    }
    const i32 slot = TLSMAX;
    i32 n = 0, st = 0, rel = 0;
    TLSRST(slot);
    TLSFIL(slot, n, st);
    if (st < 0) {
        reltol(slot, rel);
        return;
    }
    if (n == 0) {
        userrc("CHSTLC, NO SUITABLE TOOL IN THE TOOL LIBRARY", 0);
        reltol(slot, rel);
        return;
    }
    std::string options;
    for (i32 k = 1; k <= n; ++k) {
        i32 id = 0;
        char nm[20];
        TLSGET(slot, k, id, st);
        GTTNMI(id, nm, st, 20);
        if (k > 1) options += "@";
        options += std::string(nm, 20);
    }
    i32 choice = 0, id = -1;
    modinz();
    modmc(options.c_str(), choice);
    if (choice >= 1) TLSGET(slot, choice, id, st);
    reltol(slot, rel);
    if (choice < 1) {
        status = choice < 0 ? choice : -1;
        return;
    }
    SGTOOL(3, id, st);
    if (st != 0) {
        userrc("CHSTLC, THE CHOSEN TOOL CANNOT BE READ", 0);
        return;
    }
    GTTNMC(id, name);
    status = 0;
}

void DEFTOL(const i32& type, const i32& mode, const i32& flag, i32& status)
{
    status = -1;
    if (mode == 1) {
        if (type < 1 || type > NTTYPE) {
            erou1c("DEFTOL, WRONG TOOL TYPE ", type);
            return;
        }
        status = define(type);
        return;
    }
    if (mode != 10 && mode != 11) {
        erou1c("DEFTOL, WRONG MODE VALUE ", mode);
        return;
    }
    if (TLCBLK.id <= 0) {
        userrc("DEFTOL, NO TOOL IS LOADED", 0);
        return;
    }
    show(mode);
    status = 0;
}

void CPLTOL(const i32& type, const i32& slot, i32& id, i32& status)
{
    id = -1;
    status = -1;
    if (type < 1 || type > NTTYPE) {
        erou1c("CPLTOL, WRONG TOOL TYPE ", type);
        return;
    }
    DEFTOL(type, 1, 1, status);
    if (status != 0) return;
    i32 nid = -1;
    CHKTTB(TLDHDR, TLDVAL, nid, status);
    if (status != 0) {
        status = -1;
        return;
    }
    i32 st = 0;
    if (slot >= 1 && slot <= TLSMAX) TLSADD(slot, nid, st);
    SGTOOL(3, nid, status);
    if (status != 0) {
        status = -1;
        return;
    }
    id = nid;
}
