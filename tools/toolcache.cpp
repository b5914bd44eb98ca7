#include "tools/toolcache.h"

#include <cctype>
#include <cstring>

#include "core/host.h"
#include "tools/toollib.h"

TlCache TLCBLK = {-1, {}, {}, {}, {}, {}, -1.0f};
i32 CURTOL = -1;
i32 TLTCAS = 1;
i32 HLDARA[HLDREC_N];

// The id word that names the current tool: the cache's own id stays that of
// the tool whose words it holds, so the next accessor loads the named one.
void SETTLN(const i32& id) { CURTOL = id; }

namespace {
const i32 NOT_SET[TCREC_N] = {-1, r2wrd(-1.0f), r2wrd(-1.0f)};

void empty(TlCache& c)
{
    std::memset(&c, 0, sizeof c);
    c.id = -1;
    c.hdr[TH_TYPE] = -1;
    std::memset(c.hdr + TH_NAME, ' ', 20);
    std::memset(c.hdr + TH_TEXT, ' ', 20);
    for (auto& t : c.tech) std::memcpy(t, NOT_SET, sizeof t);
    c.LIFLNG = -1.0f;
}

// Reads the words of an entity of the given class; false when it is missing,
// of another class or larger than the area.
bool read_entity(i32 id, i32 cls, i32* words, i32 cap, i32& count, bool& too_large)
{
    i32 c = 0, t = 0, st = 0;
    count = cap;
    too_large = false;
    if (id <= 0) return false;
    dbdget(id, c, t, words, count, st);
    if (st == -2 && c == cls) too_large = true;
    return st == 0 && c == cls;
}

// Loads a tool entity into the cache. Status -1 when the id is no tool
// entity, -2 when the entity is corrupt (reported); the cache is then empty.
void TLLOAD(const i32& id, i32& status)
{
    TlCache c;
    empty(c);
    TLCBLK = c;
    status = -1;
    i32 w[TLHDR_N + TLREC_N];
    i32 n = 0;
    bool large = false;
    if (!read_entity(id, EC_TOOL, w, TLHDR_N + TLREC_N, n, large)) {
        if (large) {
            erou1c("TLLOAD, CORRUPT TOOL ENTITY. id = ", id);
            status = -2;
        }
        return;
    }
    if (n < TLHDR_N || w[TH_TYPE] < 0 || w[TH_NTEC] < 0 || w[TH_NTEC] > TLTEC_N || w[TH_NREC] < 0 ||
        w[TH_NREC] > TLREC_N || n < TLHDR_N + w[TH_NREC]) {
        erou1c("TLLOAD, CORRUPT TOOL ENTITY. id = ", id);
        status = -2;
        return;
    }
    std::memcpy(c.hdr, w, sizeof c.hdr);
    std::memcpy(c.rec, w + TLHDR_N, static_cast<size_t>(w[TH_NREC]) * 4);
    if (c.hdr[TH_TYPE] == TT_MILL) {
        // The oldest mill records had no taper: the word is not theirs.
        if (c.hdr[TH_VERS] <= TLVOLD) c.rec[ML_TAPANG] = r2wrd(0.0f);
        c.LIFLNG = wrd2r(c.rec[ML_LIFLNG]);
    }
    for (i32 k = 0; k < c.hdr[TH_NTEC]; ++k) {
        i32 t[8];
        i32 tn = 0;
        if (read_entity(c.hdr[TH_TECH + k], EC_TECH, t, 8, tn, large) && tn >= TCREC_N)
            std::memcpy(c.tech[k], t, sizeof c.tech[k]);
    }
    if (c.hdr[TH_HOLD] > 0) {
        i32 st = 0;
        HLDREC(1, c.hdr[TH_HOLD], c.hold, st);
        if (st != 0) std::memset(c.hold, 0, sizeof c.hold);
    }
    c.id = id;
    TLCBLK = c;
    status = 0;
}

// Writes the technology cases edited in the cache into the tool's
// technology entities, making the entities that are missing.
void TLSTEC(i32& status)
{
    status = 0;
    TlCache& c = TLCBLK;
    bool dirty = false;
    for (i32 d : c.tdirty) dirty = dirty || d != 0;
    if (c.id <= 0 || !dirty) return;
    i32 w[TLHDR_N + TLREC_N];
    i32 n = 0;
    bool large = false;
    if (!read_entity(c.id, EC_TOOL, w, TLHDR_N + TLREC_N, n, large) || n < TLHDR_N || w[TH_NTEC] < 0 ||
        w[TH_NTEC] > TLTEC_N) {
        erou1c("TLSTEC, CANNOT STORE THE TECHNOLOGY OF TOOL ", c.id);
        status = -1;
        return;
    }
    bool header_changed = false;
    for (i32 k = 0; k < TLTEC_N; ++k) {
        if (!c.tdirty[k]) continue;
        i32 tid = k < w[TH_NTEC] ? w[TH_TECH + k] : 0;
        i32 t[16];
        i32 tn = 0;
        i32 st = -1;
        if (read_entity(tid, EC_TECH, t, 16, tn, large) && tn >= TCREC_N) {
            std::memcpy(t, c.tech[k], sizeof c.tech[k]);
            dbdput(tid, tn, t, st);
        }
        if (st != 0) {
            i32 nid = 0;
            dbdnew(EC_TECH, 1, TCREC_N, c.tech[k], nid, st);
            if (st != 0) {
                erou1c("TLSTEC, CANNOT STORE THE TECHNOLOGY OF TOOL ", c.id);
                status = -1;
                return;
            }
            for (i32 j = w[TH_NTEC]; j < k; ++j) w[TH_TECH + j] = 0;
            w[TH_TECH + k] = nid;
            if (w[TH_NTEC] < k + 1) w[TH_NTEC] = k + 1;
            header_changed = true;
        }
    }
    if (header_changed) {
        i32 st = 0;
        dbdput(c.id, n, w, st);
        if (st != 0) {
            erou1c("TLSTEC, CANNOT STORE THE TECHNOLOGY OF TOOL ", c.id);
            status = -1;
            return;
        }
        std::memcpy(c.hdr + TH_NTEC, w + TH_NTEC, (TLTEC_N + 1) * 4);
    }
    std::memset(c.tdirty, 0, sizeof c.tdirty);
}

// Brings the tool into the cache when another one is held.
bool have(const i32& id)
{
    if (id != TLCBLK.id) {
        i32 st = 0;
        TLLOAD(id, st);
    }
    return id > 0 && TLCBLK.id == id;
}

bool of_type(const i32& id, i32 t1, i32 t2 = -9) { return have(id) && (TLCBLK.hdr[TH_TYPE] == t1 || TLCBLK.hdr[TH_TYPE] == t2); }
f32 real(i32 k) { return wrd2r(TLCBLK.rec[k]); }
i32 tcase() { return TLTCAS >= 1 && TLTCAS <= TLTEC_N ? TLTCAS - 1 : 0; }

void mill_real(const i32& id, i32 k, f32& value)
{
    value = -1.0f;
    if (of_type(id, TT_MILL)) value = real(k);
}

void drill_real(const i32& id, i32 k, f32& value)
{
    value = -1.0f;
    if (of_type(id, TT_DRILL, TT_LDRILL)) value = real(k);
}

void wire_int(const i32& id, i32 type, i32 k, i32& value)
{
    value = -1;
    if (of_type(id, type)) value = TLCBLK.rec[k];
}

void set_mill(i32 k, const f32& value)
{
    if (TLCBLK.id > 0 && TLCBLK.hdr[TH_TYPE] == TT_MILL) TLCBLK.rec[k] = r2wrd(value);
}

void set_tech(i32 k, i32 word)
{
    if (TLCBLK.id <= 0) return;
    TLCBLK.tech[tcase()][k] = word;
    TLCBLK.tdirty[tcase()] = 1;
}

// The 20-character name of the cached tool, upper case.
void cached_name(char* name)
{
    std::memcpy(name, TLCBLK.hdr + TH_NAME, 20);
    for (int k = 0; k < 20; ++k) {
        if (name[k] == '\0') name[k] = ' ';
        name[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[k])));
    }
}
}  // namespace

void TLCCLR() { empty(TLCBLK); }

void TLCACH(const i32& mode, const i32& id, i32& status)
{
    status = -1;
    if (mode != 3 && mode != 6) {
        erou1c("TLCACH, WRONG MODE VALUE ", mode);
        return;
    }
    if (mode == 6) {
        TLSTEC(status);
        if (status != 0) return;  // the edits stay in the cache
    }
    TLLOAD(id, status);
}

void SGTOOL(const i32& mode, const i32& id, i32& status)
{
    if (mode != 3 && mode != 6) {
        erou1c("SGTOOL, WRONG MODE VALUE ", mode);
        status = -1;
        return;
    }
    TLCACH(mode, id, status);
    if (status == 0) CURTOL = id;
}

void RLDTOL(i32 id, i32& status) { SGTOOL(3, id, status); }

// ------------------------------------------------------------- milling

void GTDIAM(const i32& id, f32& value) { mill_real(id, ML_DIAMTR, value); }

void GTDIAD(const i32& id, f64& value)
{
    f32 v = -1.0f;
    mill_real(id, ML_DIAMTR, v);
    value = v;
}

void GTCRNR(const i32& id, f32& value) { mill_real(id, ML_CRNRRD, value); }
void GTCUTL(const i32& id, f32& value) { mill_real(id, ML_CUTLNG, value); }
void GTCLRL(const i32& id, f32& value) { mill_real(id, ML_CLRLNG, value); }
void GTTAPA(const i32& id, f32& value) { mill_real(id, ML_TAPANG, value); }

void GTMREC(const i32& id, f32* values)
{
    for (i32 k = 0; k < MLREC_N; ++k) values[k] = -1.0f;
    if (of_type(id, TT_MILL))
        for (i32 k = 0; k < MLREC_N; ++k) values[k] = real(k);
}

void STDIAM(const f32& value) { set_mill(ML_DIAMTR, value); }
void STCRNR(const f32& value) { set_mill(ML_CRNRRD, value); }
void STCUTL(const f32& value) { set_mill(ML_CUTLNG, value); }

// ---------------------------------------------------------- every tool

void GTTTYP(const i32& id, i32& type)
{
    type = -1;
    if (have(id)) type = TLCBLK.hdr[TH_TYPE];
}

void GTTSIZ(const i32& id, f32& size)
{
    size = -1.0f;
    if (!have(id)) return;
    switch (TLCBLK.hdr[TH_TYPE]) {
    case TT_DRILL:
    case TT_LDRILL: size = real(DR_DIAMTR); break;
    case TT_MILL: size = real(ML_DIAMTR); break;
    case TT_PUNCH: size = TLCBLK.rec[PN_SHAPE] == 1 ? real(PN_DIAMTR) : real(PN_LENGTH); break;
    case TT_AGIE:
    case TT_CHARM:
    case TT_MAKINO: size = 10.0f; break;
    default: break;
    }
}

void GTTNAM(const i32& id, char* name, const i32& length)
{
    char n[20];
    std::memset(n, ' ', sizeof n);
    if (have(id)) cached_name(n);
    for (i32 k = 0; k < length; ++k) name[k] = k < 20 ? n[k] : ' ';
}

void GTTNMC(const i32& id, char* name)
{
    char n[20];
    GTTNAM(id, n, 20);
    txtfix(name, 20, n, 19);
}

void GTTTXT(const i32& id, char* text)
{
    std::memset(text, ' ', 20);
    if (!have(id)) return;
    std::memcpy(text, TLCBLK.hdr + TH_TEXT, 20);
    for (int k = 0; k < 20; ++k)
        if (text[k] == '\0') text[k] = ' ';
}

void GTSYMM(const i32& id, i32& symbol)
{
    symbol = -1;
    if (!have(id)) return;
    symbol = TLCBLK.hdr[TH_SYMB];
    i32 t = TLCBLK.hdr[TH_TYPE];
    if (symbol <= 0) symbol = t >= 1 && t <= NTTYPE ? TLSYMB[t - 1] : 0;
}

// ---------------------------------------------------------- technology

void GTSPIN(const i32& id, i32& value)
{
    value = -1;
    if (have(id)) value = TLCBLK.tech[tcase()][TC_SPIN];
}

void GTVLOC(const i32& id, f32& value)
{
    value = -1.0f;
    if (have(id)) value = wrd2r(TLCBLK.tech[tcase()][TC_VLOC]);
}

void GTFEED(const i32& id, f32& value)
{
    value = -1.0f;
    if (have(id)) value = wrd2r(TLCBLK.tech[tcase()][TC_FEED]);
}

void STSPIN(const i32& value) { set_tech(TC_SPIN, value); }
void STVLOC(const f32& value) { set_tech(TC_VLOC, r2wrd(value)); }
void STFEED(const f32& value) { set_tech(TC_FEED, r2wrd(value)); }

// ------------------------------------------------------------ drilling

void GTDRDI(const i32& id, f32& value) { drill_real(id, DR_DIAMTR, value); }
void GTDRCL(const i32& id, f32& value) { drill_real(id, DR_CLRLNG, value); }
void GTDRCU(const i32& id, f32& value) { drill_real(id, DR_CUTLNG, value); }
void GTDRTA(const i32& id, f32& value) { drill_real(id, DR_TIPANG, value); }

// ---------------------------------------------------------------- wire

void GTAGGN(const i32& id, i32& value) { wire_int(id, TT_AGIE, AG_GNRTOR, value); }
void GTAGFL(const i32& id, i32& value) { wire_int(id, TT_AGIE, AG_SFLUSH, value); }
void GTAGOF(const i32& id, i32& value) { wire_int(id, TT_AGIE, AG_OFFSET, value); }

void GTAGPA(const i32& id, f32& value)
{
    value = -1.0f;
    if (of_type(id, TT_AGIE)) value = real(AG_PANGLE);
}

void GTMKCC(const i32& id, i32& value) { wire_int(id, TT_MAKINO, MK_CUTCND, value); }
void GTMKOF(const i32& id, i32& value) { wire_int(id, TT_MAKINO, MK_OFFSET, value); }

void GTCHGC(const i32& id, i32* codes)
{
    for (i32 k = 0; k < 5; ++k) codes[k] = -1;
    if (of_type(id, TT_CHARM))
        for (i32 k = 0; k < 5; ++k) codes[k] = TLCBLK.rec[CH_GCODE + k];
}

void GTCHOF(const i32& id, i32& value) { wire_int(id, TT_CHARM, CH_OFFSET, value); }
void GTCHCR(const i32& id, i32& value) { wire_int(id, TT_CHARM, CH_CREGST, value); }
void GTCHAR(const i32& id, i32& value) { wire_int(id, TT_CHARM, CH_AREGST, value); }

// --------------------------------------------------- entities read directly

void RDTOOL(const i32& id, i32* header, i32& holder, i32& hmode, i32& status)
{
    holder = hmode = 0;
    status = -1;
    i32 w[TLHDR_N + TLREC_N];
    i32 n = 0;
    bool large = false;
    if (!read_entity(id, EC_TOOL, w, TLHDR_N + TLREC_N, n, large) || n < TLHDR_N) return;
    std::memcpy(header, w, TLHDR_N * 4);
    holder = w[TH_HOLD];
    hmode = w[TH_HMOD];
    status = 0;
}

void HLDREC(const i32& mode, const i32& holder, i32* record, i32& status)
{
    status = -1;
    i32 w[HLDENT_N];
    i32 n = 0;
    bool large = false;
    if (mode != 1 && mode != 2) {
        erou1c("HLDREC, WRONG MODE VALUE ", mode);
        return;
    }
    if (!read_entity(holder, EC_HOLDER, w, HLDENT_N, n, large)) {
        if (large) {
            erou1c("HLDREC, CORRUPT HOLDER ENTITY. id = ", holder);
            status = -2;
        }
        return;
    }
    if (mode == 1) {
        if (n < HLDREC_N || w[HD_NSTEP] < 0 || w[HD_NSTEP] > HD_MAXS) {
            erou1c("HLDREC, CORRUPT HOLDER ENTITY. id = ", holder);
            status = -2;
            return;
        }
        std::memcpy(record, w, HLDREC_N * 4);
        status = 0;
        return;
    }
    if (record[HD_NSTEP] < 0 || record[HD_NSTEP] > HD_MAXS) {
        erou1c("HLDREC, WRONG STEP COUNT ", record[HD_NSTEP]);
        return;
    }
    if (n < HLDENT_N) {
        std::memset(w + n, 0, static_cast<size_t>(HLDENT_N - n) * 4);
        std::memset(w + HD_NAME, ' ', 20);
    }
    std::memcpy(w, record, HLDREC_N * 4);
    dbdput(holder, HLDENT_N, w, status);
    if (status == 0 && TLCBLK.id > 0 && TLCBLK.hdr[TH_HOLD] == holder) std::memcpy(TLCBLK.hold, record, HLDREC_N * 4);
}

void dbdholdr(const i32& mode, const i32& holder, i32& status) { HLDREC(mode, holder, HLDARA, status); }

void RDTHLD(const i32& id, i32* record, i32& status)
{
    std::memset(record, 0, HLDREC_N * 4);
    i32 hdr[TLHDR_N], holder = 0, hmode = 0;
    RDTOOL(id, hdr, holder, hmode, status);
    if (status != 0 || holder <= 0) return;
    HLDREC(1, holder, record, status);
}
