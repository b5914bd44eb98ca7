// The procedure's parameters and geometry as coded segments: written to a
// template, an entity or the tool path list, and read back whatever the
// order of the segments.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/geoslot.h"
#include "blocks/procblk.h"
#include "core/codedio.h"
#include "frame/crit.h"
#include "frame/defrel.h"
#include "core/host.h"
#include "core/params.h"
#include "frame/callbacks.h"
#include "passes/services.h"
#include "passes/srfgeo.h"
#include "pocket/cntlst.h"
#include "surfaces/srfbuf.h"
#include "surfaces/srflist.h"

namespace {

constexpr i32 KIND_PART = 10004, KIND_CHECK = 10002;
constexpr i32 CHK_MAX = SRFLST_MAX;  // check surfaces one procedure may hold
// The blank name of the procedure's geometry entities. It is the full
// 8-character field (two words) that create_geom_ent copies into the
// entity's head: a 4-character blank text would leave the second word to
// whatever follows it, and the copy would read past the text.
constexpr const char* GEOM_NAME = "        ";

// One parameter item: its code, first word and count (words from 1) and type.
struct Item {
    i32 code, word, count, type;
};
constexpr Item ITEMS[] = {
    {24, 1, 1, DT_INT},     {82, 2, 1, DT_INT},     {468, 3, 1, DT_INT},    {17, 4, 1, DT_INT},
    {63, 5, 1, DT_INT},     {61, 6, 1, DT_INT},     {83, 7, 1, DT_INT},     {81, 8, 1, DT_INT},
    {80, 9, 1, DT_INT},     {62, 10, 1, DT_INT},    {85, 11, 1, DT_INT},    {149, 12, 1, DT_INT},
    {400, 465, 1, DT_INT},  {506, 466, 1, DT_INT},  {57, 15, 24, DT_EXPR},  {48, 39, 24, DT_EXPR},
    {49, 63, 24, DT_EXPR},  {14, 87, 2, DT_REAL},   {16, 89, 24, DT_EXPR},  {58, 113, 24, DT_EXPR},
    {59, 137, 24, DT_EXPR}, {298, 161, 24, DT_EXPR}, {425, 185, 24, DT_EXPR}, {214, 211, 24, DT_EXPR},
    {54, 235, 24, DT_EXPR}, {55, 283, 24, DT_EXPR}, {56, 307, 24, DT_EXPR}, {26, 331, 24, DT_EXPR},
    {87, 355, 1, DT_REAL},  {88, 356, 1, DT_REAL},  {218, 357, 24, DT_EXPR}, {258, 405, 24, DT_EXPR},
    {217, 259, 24, DT_EXPR},
};
// Items only read: older records. The clean-up switch (word 13, code 122)
// is read too (with the other state items, one word whatever the count) but
// is written by no writer: the written items are the coded set that stored
// procedures and templates are made of, and that set has no clean-up
// switch. A procedure read with code 122 keeps the switch for as long as it
// is open; written back and read again it has the new procedure's default
// (off).
constexpr Item OLD_ITEMS[] = {{25, 381, 24, DT_EXPR}, {86, 185, 24, DT_EXPR}};
// Up/down items, written by the passes' writer.
constexpr Item UD_ITEMS[] = {{274, 429, 1, DT_INT},  {275, 431, 24, DT_EXPR}, {276, 455, 1, DT_INT},
                             {277, 456, 1, DT_INT},  {278, 457, 1, DT_INT}};

const Item* find_item(i32 code)
{
    for (const Item& it : ITEMS)
        if (it.code == code) return &it;
    for (const Item& it : OLD_ITEMS)
        if (it.code == code) return &it;
    for (const Item& it : UD_ITEMS)
        if (it.code == code) return &it;
    return nullptr;
}

// Check surfaces read from a stored procedure.
struct ChkRead {
    i32 count = -1;  // -1 until code 44 is read
    std::vector<i32> ids, nrms, uids, atrs;
    bool have_uids = false, have_atrs = false;
};

void list_error() { eroutc("[block_read_tavrek] ERRORS IN LIST", 0); }

// Refuses a segment longer than the area it is read into: the stored count
// decides how much is read, so a corrupt or foreign count would otherwise
// write past the module's word, record or buffer. The segment is reported
// and the read fails, as for any list error.
bool fits(i32 code, i32 count, i32 capacity, i32& status)
{
    if (count >= 0 && count <= capacity) return true;
    erou2c("block_read_tavrek, ITEM LONGER THAN ITS AREA. code, count=", code, count);
    status = -1;
    return false;
}

// Reads count words of a segment into its area; `fits` has refused a
// segment longer than the area before this is called.
void read_into(i32 medium, i32 count, i32 type, void* area, i32& status)
{
    tpget(medium, count, type, area, status);
}

// Records of one integer and `reals` reals, record by record.
void read_records(i32 medium, i32 count, i32 size, i32* area, i32& status)
{
    i32 n = count / size;
    for (i32 r = 0; r < n && status >= 0; ++r) {
        tpget(medium, 1, DT_INT, area + r * size, status);
        if (status >= 0) tpget(medium, size - 1, DT_REAL, area + r * size + 1, status);
    }
    if (status >= 0 && count > n * size) TPSKIP(medium, count - n * size, DT_INT, status);
}

struct Reader {
    i32 medium;
    i32 loadmode = 3;
    ChkRead chk;
    bool got_uids = false, got25 = false, got218 = false, got258 = false, got607 = false;
    i32 geomid = 0;  // open geometry entity
    i32 legacy = 0;  // the caller's fourth word, handed on to the reads of type 3
};

// The segments of the part surfaces, their links, limits and corners.
// False: not one of them.
bool read_geometry(Reader& rd, i32 code, i32 count, i32& status)
{
    const i32 m = rd.medium;
    SrfGeo& g = SRFGEO;
    switch (code) {
    case 155:
        if (fits(code, count, 1, status)) tpget(m, count, DT_INT, &g.CUTFLP, status);
        return true;
    case 154:
        if (fits(code, count, MAXSRF, status)) tpget(m, count, DT_INT, g.SRFLNK, status);
        return true;
    case 153:
    case 607:
        if (!fits(code, count, MAXSRF * LIMR_N, status)) return true;
        // Code 607 counts as present even when it is too short to hold a
        // record and is skipped: its writer wrote it on purpose, and copying
        // the limit records over it would invent original limits the
        // procedure never had.
        if (code == 607) rd.got607 = true;
        if (count > 4)
            read_records(m, count, LIMR_N, code == 153 ? &g.LIMREC[0][0] : &g.LIMORG[0][0], status);
        else
            TPSKIP(m, count, DT_INT, status);
        return true;
    case 210:
        if (!fits(code, count, MAXSRF * CRNR_N, status)) return true;
        if (count >= CRNR_N) read_records(m, count, CRNR_N, &g.CRNREC[0][0], status);
        else TPSKIP(m, count, DT_INT, status);
        return true;
    case 201:
    case 202:
    case 203:
    case 204: {
        // Each code holds the eight reals of one trimmed-surface record, the
        // second, fourth, sixth and eighth: they start after that record's
        // integer word (the area's words counted from 0), which decides
        // whether its surface is machined as trimmed and is not overwritten.
        i32 at = 10 + 18 * (code - 201);
        if (fits(code, count, MAXSRF * CRNR_N - at, status))
            tpget(m, count, DT_REAL, &SRFGEO.CRNREC[0][0] + at, status);
        return true;
    }
    case 43:
        if (!fits(code, count, 1, status)) return true;
        tpget(m, count, DT_INT, &g.NSRF, status);
        // A count beyond the geometry's slots would have every per-surface
        // segment after it index past them: the count is refused, left at
        // 0, and the read fails as for a list error.
        if (status >= 0 && (g.NSRF < 0 || g.NSRF > MAXSRF)) {
            erou1c("block_read_tavrek, WRONG NUMBER OF SURFACES ", g.NSRF);
            g.NSRF = 0;
            status = -1;
        }
        return true;
    case 45:
        if (fits(code, count, MAXSRF, status)) tpget(m, count, DT_INT, g.SRFIDS, status);
        return true;
    case 46:
        if (fits(code, count, MAXSRF, status)) tpget(m, count, DT_INT, g.SRFSID, status);
        return true;
    case 308:
        if (fits(code, count, MAXSRF, status)) tpget(m, count, DT_INT, g.SRFUID, status);
        if (status >= 0) rd.got_uids = true;
        return true;
    default:
        return false;
    }
}

// The segments of the check surfaces (their count comes first).
// False: not one of them.
bool read_checks(Reader& rd, i32 code, i32 count, i32& status)
{
    const i32 m = rd.medium;
    switch (code) {
    case 44:
        if (!fits(code, count, 1, status)) return true;
        tpget(m, count, DT_INT, &rd.chk.count, status);
        // The same for the check surfaces: the ids and sides that follow are
        // read into room for CHK_MAX, so a larger count is refused.
        if (status >= 0 && (rd.chk.count < 0 || rd.chk.count > CHK_MAX)) {
            erou1c("block_read_tavrek, WRONG NUMBER OF CHECK SURFACES ", rd.chk.count);
            rd.chk.count = -1;
            status = -1;
        }
        return true;
    case 150:
    case 245:
    case 151:
    case 248:
    case 309:
    case 402: {
        if (rd.chk.count < 0) {
            list_error();
            status = -1;
            return true;
        }
        std::vector<i32>& v = (code == 150 || code == 245) ? rd.chk.ids
                              : (code == 151 || code == 248) ? rd.chk.nrms
                              : code == 309                  ? rd.chk.uids
                                                             : rd.chk.atrs;
        v.assign(static_cast<size_t>(rd.chk.count), 0);
        if (!fits(code, count, rd.chk.count, status)) return true;
        tpget(m, count, DT_INT, v.data(), status);
        if (code == 309) rd.chk.have_uids = true;
        if (code == 402) rd.chk.have_atrs = true;
        return true;
    }
    default:
        return false;
    }
}

// The segments of the passes, the masks, the contour list and the
// criteria, and those passed over. False: not one of them.
bool read_state(Reader& rd, i32 code, i32 count, i32& status)
{
    const i32 m = rd.medium;
    switch (code) {
    case 112:
        if (fits(code, count, 1, status)) tpget(m, count, DT_INT, &NPASS, status);
        return true;
    case 113:
        if (fits(code, count, 1, status)) tpget(m, count, DT_REAL, &LSTEND, status);
        return true;
    case 114:
        if (fits(code, count, 1, status)) tpget(m, count, DT_REAL, &LSTPAR, status);
        return true;
    case 122:
        // Only read (see OLD_ITEMS): the switch of an older record. One word
        // whatever the count.
        if (count < 1) return true;
        tpget(m, 1, DT_INT, pwa(CLNFLG), status);
        if (status >= 0 && count > 1) TPSKIP(m, count - 1, DT_INT, status);
        return true;
    case 405:
        if (!fits(code, count, 4, status)) return true;
        tpget(m, count, DT_LOGICAL, pwa(GMASKS), status);
        for (i32 k = 0; k < count && status >= 0; ++k) active_mask_gs(k, 2, pw(GMASKS + k));
        return true;
    case 97:
    case 98:
        if (fits(code, count, CNT_MAX, status))
            tpget3(m, count, rd.legacy, code == 97 ? CNTLST.first : CNTLST.last, status);
        return true;
    case 404: {
        i32 text[64] = {0};
        if (!fits(code, count, 63, status)) return true;
        tpget(m, count, DT_TEXT, text, status);
        i32 st = 0;
        if (status >= 0) geomsk_set(1, reinterpret_cast<const char*>(text), st);
        return true;
    }
    case 20211:
        CRTTXR(m, code, count, status);
        return true;
    case 35:
    case 38:
    case 47:
    case 152:
    case 10002:
    case 10004:
    case 20300:
    case -1:
        TPSKIP(m, count, DT_INT, status);
        return true;
    default:
        return false;
    }
}

// Reads one segment whose head (code, count, type) is known.
void read_segment(Reader& rd, i32 code, i32 count, i32 type, i32& status)
{
    const i32 m = rd.medium;
    status = 0;
    if (m == MED_TPLREAD) {
        bool mask = code == 404 || code == 405 || code == 20211;
        if ((rd.loadmode == 1 && mask) || (rd.loadmode == 2 && !mask)) {
            TPSKIP(m, count, type, status);
            return;
        }
    }
    if (const Item* it = find_item(code)) {
        if (!fits(code, count, it->count, status)) return;
        read_into(m, count, it->type, pwa(it->word), status);
        if (code == 25) rd.got25 = true;
        if (code == 218) rd.got218 = true;
        if (code == 258) rd.got258 = true;
        return;
    }
    if (read_geometry(rd, code, count, status) || read_checks(rd, code, count, status) ||
        read_state(rd, code, count, status))
        return;
    if (m == MED_PARLINE || m == MED_TPLREAD) {
        TPSKIP(m, count, DT_INT, status);
        return;
    }
    erou1c("block_read_tavrek, WRONG code. code=", code, " ");
    status = -1;
}

// Reads segments until the words run out, the lines end or the file ends.
// Answers 1 when the segments ended normally, 0 when the caller must leave.
bool read_loop(Reader& rd, i32& remaining, i32& status)
{
    const i32 m = rd.medium;
    while (remaining > 0 || m == MED_PARLINE) {
        i32 head[3] = {0, 0, 0};
        status = 0;
        for (i32 k = 0; k < 3 && status >= 0; ++k) tpget(m, 1, DT_INT, &head[k], status);
        if (status < 0) {
            if (m == MED_PARLINE) return true;
            if (m == MED_TPLREAD) {
                if (template_eof(get_template_file_ptr())) return true;
                char name[256] = {0};
                template_get_name(name, sizeof name);
                user5c("CANNOT READ FROM FILE", name, "|READING TERMINATED", "", "");
                eroutc("block_read_tavrek, ERRORS IN TEMPLATE LIST", 0);
                return false;
            }
            list_error();
            return false;
        }
        i32 code = head[0], count = head[1] - 1, type = head[2];
        remaining -= count + 3;
        // A head whose count is below one names no word to read: taken as
        // it stands, the skip would run backwards through the list.
        if (count < 0) {
            list_error();
            status = -1;
            return false;
        }
        read_segment(rd, code, count, type, status);
        if (status < 0) return false;
    }
    status = 0;
    return true;
}

// Opens a geometry entity past its header words; remaining becomes the
// number of segment words it holds.
void open_geom(i32 id, i32& remaining, i32& status)
{
    i32 cls = 0, type = 0, len = 0;
    eopen(id, cls, type, len, status);
    if (status < 0) return;
    eskipn(6);
    remaining = len - 6;
    status = 0;
}

// The procedure's geometry entities, as the stored record names them.
void geometry_ids(Reader& rd, std::vector<i32>& ids, i32& status)
{
    ids.assign(NSLOTS, 0);
    i32 count = 0;
    status = 0;
    if (rd.medium == MED_ENTITY) {
        // The procedure read from an entity is the one the host keeps: its
        // geometry entities are the host's, whatever procedure the module
        // wrote last.
        eclose();
        ids.assign(2 * NSLOTS, 0);
        get_geom_buf(gs_proc_id(), ids.data(), 2 * NSLOTS, count);
        count = std::clamp(count, 0, 2 * NSLOTS);
    } else {
        find_geom_buf(GSLOTS, count, ids.data(), status);
        rd.medium = MED_ENTITY;
    }
    ids.resize(static_cast<size_t>(std::max(count, 0)));
}

// Sets the host's part and check lists from what was read.
void store_lists(Reader& rd, i32& status)
{
    SrfGeo& g = SRFGEO;
    i32 n = g.NSRF;
    nc_surf_list_count(2, 0, n, status);
    if (status < 0) return;
    if (n > 0) {
        if (!rd.got_uids) std::copy(g.SRFIDS, g.SRFIDS + n, g.SRFUID);
        else ncs_update_surfaces(n, g.SRFUID, g.SRFIDS, status);
        if (status >= 0) nc_surf_put(n, g.SRFIDS, g.SRFSID, status);
        if (status >= 0) nc_surf_put_uids(n, g.SRFUID, status);
        if (status < 0) return;
    }
    ChkRead& c = rd.chk;
    i32 m = std::max(c.count, 0);
    c.ids.resize(static_cast<size_t>(m), 0);
    c.nrms.resize(static_cast<size_t>(m), 1);
    c.atrs.resize(static_cast<size_t>(m), 0);
    nc_surf_list_count(2, 1, m, status);
    if (status < 0 || m == 0) return;
    if (!c.have_uids) c.uids = c.ids;
    else ncs_update_surfaces(m, c.uids.data(), c.ids.data(), status);
    if (!c.have_atrs) std::fill(c.atrs.begin(), c.atrs.end(), 0);
    if (status >= 0) nc_surf_put(m, c.ids.data(), c.nrms.data(), status);
    if (status >= 0) nc_surf_put_uids(m, c.uids.data(), status);
    if (status >= 0) nc_surf_put_atrs(m, c.atrs.data(), status);
}

struct EntityGuard {
    bool open = false;
    ~EntityGuard()
    {
        if (open) eclose();
    }
};

}  // namespace

void PRCPRM(const i32&, const i32& medium, i32& position, i32& status)
{
    const SrfGeo& g = SRFGEO;
    const i32 n = g.NSRF;
    status = 0;
    tpptntl(medium, 155, 1, DT_INT, &g.CUTFLP, position, status);
    if (status < 0) return;
    if (medium != MED_TPLWRITE && n > 0) {
        tpptntl(medium, 154, n, DT_INT, g.SRFLNK, position, status);
        if (status >= 0) tpptntl(medium, 153, LIMR_N * n, DT_RECS, g.LIMREC, position, status);
        if (status >= 0) tpptntl(medium, 607, LIMR_N * n, DT_RECS, g.LIMORG, position, status);
        if (status >= 0) tpptntl(medium, 210, CRNR_N * n, DT_RECS, g.CRNREC, position, status);
        if (status < 0) return;
    }
    tpptntl(medium, 112, 1, DT_INT, &NPASS, position, status);
    if (status >= 0) tpptntl(medium, 113, 1, DT_REAL, &LSTEND, position, status);
    if (status >= 0) tpptntl(medium, 114, 1, DT_REAL, &LSTPAR, position, status);
    for (const Item& it : ITEMS) {
        if (status < 0) return;
        tpptntl(medium, it.code, it.count, it.type, pwa(it.word), position, status);
    }
    if (status < 0) return;
    for (i32 k = 0; k < 4; ++k) active_mask_gs(k, 1, pw(GMASKS + k));
    tpptntl(medium, 405, 4, DT_INT, pwa(GMASKS), position, status);
    if (status < 0) return;
    UDWPAR(medium, pw(UDSWCH), pwa(UDSLOP), pw(UDOPT1), pw(UDOPT2), pw(UDOPT3), position, status);
    if (status < 0) return;
    status = 0;
}

void PRCGEO(const i32&, const i32& medium, i32& position, i32& status)
{
    status = 0;
    if (medium == MED_TPLWRITE) {
        CRTPUT(medium, 1, status);
        return;
    }
    const SrfGeo& g = SRFGEO;
    EntityGuard guard;
    i32 id = -1, flag = 0;
    get_geom_slot(KIND_PART, GSLOTS, id, flag);
    if (PRCGUS[0]) {
        position = 0;
        i32 newid = -1, slotid = -1;
        create_geom_ent(KIND_PART, GEOM_NAME, newid, slotid, status);
        if (status < 0) return;
        guard.open = true;
        i32 n = g.NSRF;
        tpptntl(MED_ENTITY, 43, 1, DT_INT, &n, position, status);
        if (status >= 0 && n > 0) tpptntl(MED_ENTITY, 308, n, DT_INT, g.SRFUID, position, status);
        if (status >= 0 && n > 0) tpptntl(MED_ENTITY, 46, n, DT_INT, g.SRFSID, position, status);
        if (status < 0) return;
        eclose();
        guard.open = false;
        update_geom_slot(KIND_PART, newid, slotid, position, status);
        if (status < 0) return;
    }
    if (PRCGUS[1]) {
        position = 0;
        i32 newid = -1, slotid = -1;
        create_geom_ent(KIND_CHECK, GEOM_NAME, newid, slotid, status);
        if (status < 0) return;
        guard.open = true;
        i32 m = 0;
        nc_surf_list_count(1, 1, m, status);
        if (status < 0) return;
        tpptntl(MED_ENTITY, 44, 1, DT_INT, &m, position, status);
        if (status >= 0 && m > 0) {
            std::vector<i32> uids(static_cast<size_t>(m)), nrms(static_cast<size_t>(m)), atrs(static_cast<size_t>(m));
            nc_surf_list_count(1, 1, m, status);
            if (status >= 0) nc_surf_uids(uids.data(), m, status);
            if (status >= 0) nc_surf_nrms(nrms.data(), m, status);
            if (status >= 0) nc_surf_atrs(atrs.data(), m, status);
            if (status >= 0) tpptntl(MED_ENTITY, 309, m, DT_INT, uids.data(), position, status);
            if (status >= 0) tpptntl(MED_ENTITY, 248, m, DT_INT, nrms.data(), position, status);
            if (status >= 0) tpptntl(MED_ENTITY, 402, m, DT_INT, atrs.data(), position, status);
        }
        // The criteria go into the check surfaces' geometry entity, the
        // medium everything else of this step is written to: read back, they
        // come with the entity's other segments in the geometry phase. The
        // caller's medium would put them into the block, apart from the
        // surfaces they select.
        if (status >= 0) CRTPUT(MED_ENTITY, 1, status);
        if (status < 0) return;
        eclose();
        guard.open = false;
        update_geom_slot(KIND_CHECK, newid, slotid, position, status);
    }
}

void block_read_tavrek(const i32& medium, const i32& type, const i32& version, const i32& legacy, i32& remaining,
                       i32& status)
{
    status = 0;
    if (version < 0) {
        blkrd_area(medium, status);
        return;
    }
    Reader rd;
    rd.medium = medium;
    rd.legacy = legacy;
    EntityGuard guard;
    bool geometry = medium != MED_TPLREAD;
    // The held-corner word comes back with the trimmed-surface records
    // (code 210). A template carries no such records, so clearing the word
    // on a template read would lose it for good: a held surface's start
    // corner would be taken from its limits and a one-surface procedure no
    // longer machined as a trimmed surface. The procedure keeps its own.
    if (medium != MED_PARLINE && medium != MED_TPLREAD)
        for (auto& r : SRFGEO.CRNREC) r[CR_HELD] = 0;
    str_init();
    if (medium == MED_TPLREAD) {
        rd.loadmode = load_from_tmpl_mode_get();
        if (rd.loadmode == 2 || rd.loadmode == 3) nc_geomsk_lst_empty(1);
    }
    if (medium == MED_ENTITY) guard.open = true;
    if (!read_loop(rd, remaining, status)) {
        if (status >= 0) status = -1;
        return;
    }
    if (geometry) {
        std::vector<i32> ids;
        geometry_ids(rd, ids, status);
        guard.open = false;
        if (status < 0) return;
        for (i32 id : ids) {
            if (guard.open) eclose();
            guard.open = false;
            i32 left = 0;
            open_geom(id, left, status);
            if (status < 0) return;
            guard.open = true;
            if (!read_loop(rd, left, status)) {
                if (status >= 0) status = -1;
                return;
            }
        }
        if (guard.open) eclose();
        guard.open = false;
        store_lists(rd, status);
        if (status < 0) return;
        // The surfaces of a stored procedure are defined: the word the
        // surface selection sets is set for them too, or the parameter page
        // would refuse the limit and geometry items of a reopened procedure
        // with "PART SURFACES ARE NOT UPDATED" although its surfaces are
        // there.
        if (SRFGEO.NSRF > 0) SRFGEO.GEODEF = 1;
    }
    // A template read has no geometry phase; the refresh of the relation
    // symbol table that the end of that phase gives a template is made here,
    // so that the host knows the expressions the template brought.
    if (medium == MED_TPLREAD) rel_nc_refresh_symb_tab();
    status = 0;
    if (type == 28)
        for (auto& r : SRFGEO.CRNREC) r[CR_HELD] = 1;
    // A template loaded for its masks alone (load mode 2) reads no word of
    // the procedure's own: the defaults and version conversions below stand
    // in for words a record did not bring, so here they would overwrite the
    // procedure's check and working tolerances, its step mode, lead angle,
    // minimum clean-up width and original limits with values it never had
    // (and convert the lead angle a second time).
    const bool masks_only = medium == MED_TPLREAD && rd.loadmode == 2;
    if (!masks_only) {
        if (!rd.got218) pw(CHKTOL) = pw(PRTTOL);
        if (!rd.got25) pw(WRKTOL) = pw(PRTTOL);
        if (version < 627) {
            if (pw(STPMOD) == 2) pw(STPMOD) = 3;
            else if (pw(STPMOD) == 3) pw(STPMOD) = 2;
        }
        if (version < 628) {
            f64 a = static_cast<f64>(pwr(LEADAN)) * 3.141592653589793 * (1.0 / 180.0);
            pws(LEADAN, static_cast<f32>(a));
        }
        if (!rd.got258 && medium != MED_NONE) pws(CLNMIN, 0.0f);
        if (!rd.got607) std::memcpy(SRFGEO.LIMORG, SRFGEO.LIMREC, sizeof SRFGEO.LIMREC);
    }
    if (medium == MED_TPLREAD && rd.loadmode != 1) SRFREC(1, 1, status);
}

void area50(const i32& id, const i32& olddir, const f32* old, i32& newdir, f32* lim, i32& status)
{
    static f64 buf[SB_CAP];
    f32 r[6];
    LDSRFB(id, buf, status);
    if (status >= 0) SBFLIM(1, buf, r, status);
    if (status < 0) {
        eroutc("[area50] ERRORS IN LIST", 0);
        status = -1;
        return;
    }
    const f32 p0 = r[0], dp = r[1], q0 = r[3], dq = r[4];
    if (olddir != 0) {
        newdir = 1;
        lim[0] = old[0];
        lim[1] = old[1];
        f32 s = std::fabs(q0 + dq - old[2]) < std::fabs(q0 - old[2]) ? q0 + dq : q0;
        lim[2] = s;
        lim[3] = s == q0 ? q0 + dq : q0;
    } else {
        newdir = 2;
        lim[0] = old[2];
        lim[1] = old[3];
        f32 s = std::fabs(p0 + dp - old[0]) < std::fabs(p0 - old[0]) ? p0 + dp : p0;
        lim[2] = s;
        lim[3] = s == p0 ? p0 + dp : p0;
    }
    status = 0;
}

void blkrd_area(const i32& medium, i32& status)
{
    SrfGeo& g = SRFGEO;
    const i32 m = medium;
    status = 0;
    if (m != MED_NONE) RSTSID();
    // One group: a dropped tag, a count, then the values into an area.
    auto group = [&](i32 type, void* area, i32 capacity) {
        i32 tag = 0, count = 0;
        tpget(m, 1, DT_INT, &tag, status);
        if (status >= 0) tpget(m, 1, DT_INT, &count, status);
        if (status < 0) return 0;
        // The stored count decides how much is read: a corrupt or foreign
        // count larger than the area (or negative) would write past it, so
        // the group is refused and the read fails, as a list error does.
        if (count < 0 || count > capacity) {
            erou2c("blkrd_area, GROUP LONGER THAN ITS AREA. tag, count=", tag, count);
            status = -1;
            return 0;
        }
        if (area) tpget(m, count, type, area, status);
        else TPSKIP(m, count, DT_INT, status);
        return count;
    };
    i32 n = 0;
    group(DT_INT, &n, 1);
    if (status < 0) return;
    // A surface count beyond the geometry's slots would index past them in
    // every per-surface group after it: refused the same way.
    if (n < 0 || n > MAXSRF) {
        erou1c("blkrd_area, WRONG NUMBER OF SURFACES ", n);
        status = -1;
        return;
    }
    g.NSRF = n;
    group(DT_INT, g.SRFIDS, MAXSRF);
    if (status >= 0) group(DT_INT, g.SRFSID, MAXSRF);
    if (status >= 0) group(DT_INT, nullptr, 1 << 20);
    i32 oint[MAXSRF] = {0}, odir[MAXSRF] = {0};
    f32 oval[4][MAXSRF] = {};
    if (status >= 0) group(DT_INT, oint, MAXSRF);
    if (status >= 0) group(DT_INT, odir, MAXSRF);
    for (i32 k = 0; k < 4 && status >= 0; ++k) group(DT_REAL, oval[k], MAXSRF);
    if (status < 0) return;
    if (m != MED_NONE) {
        for (i32 s = 0; s < n; ++s) {
            f32 old[4] = {oval[0][s], oval[1][s], oval[2][s], oval[3][s]};
            i32 nd = 0;
            f32 lim[4];
            area50(g.SRFIDS[s], odir[s], old, nd, lim, status);
            if (status < 0) return;
            g.LIMREC[s][LR_CODE] = nd;
            for (i32 w = 0; w < 4; ++w) g.LIMREC[s][w + 1] = r2wrd(lim[w]);
        }
    }
    group(DT_INT, nullptr, 1 << 20);
    if (status >= 0) group(DT_INT, &NPASS, 1);
    if (status >= 0) group(DT_REAL, &LSTEND, 1);
    if (status >= 0) group(DT_REAL, &LSTPAR, 1);
    for (i32 k = 0; k < 3 && status >= 0; ++k) group(DT_INT, nullptr, 1 << 20);
    for (i32 w : {1, 2, 4, 5})
        if (status >= 0) group(DT_INT, pwa(w), 1);
    if (status >= 0) group(DT_INT, nullptr, 1 << 20);
    for (i32 w = 6; w <= 10 && status >= 0; ++w) group(DT_INT, pwa(w), 1);
    if (status >= 0) group(DT_INT, nullptr, 1 << 20);
    if (status >= 0) group(DT_INT, pwa(ALLPAS), 1);
    for (i32 w : {PRTTOL, APRLEN, APRRAD, LNKDS1, SAFDST, APXTL1, APXTL2, LEADAN, SCLHGT, PRTOFS, SIDSTP})
        if (status >= 0) group(DT_REAL, pwa(w), 1);
    if (status >= 0) group(DT_REAL, pwa(JMPLF1), 1);
    if (status >= 0) group(DT_REAL, pwa(JMPLF2), 1);
    if (status > 0) status = 0;
}
