#include "tools/toollib.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "tools/toolcache.h"

const char TLTNAM[10][12] = {"DRILL      ", "MILL       ", "LATHE      ", "PUNCH      ", "AGIE       ",
                             "CHARMILLE  ", "MAKINO     ", "LATHE-DRILL", "THREAD     ", "GROOVE     "};
i32 TLTBID[10], TLSYMB[10], TLNTEC[10];
i32 TLFILT[10];

namespace {
struct Row {
    i32 id;
    char name[20];  // upper case, blank-padded
};
std::vector<Row> TABLES[10];
std::vector<Row> CYCLES;
i32 CYCLID = 0;

struct Slot {
    i32 handle = -1;
    i32 cap = 0;  // entries the array holds
    i32 count = 0;
};
Slot SLOTS[TLSMAX];
constexpr i32 SLOT_STEP = 32;

void upper20(char* out, const void* in)
{
    std::memcpy(out, in, 20);
    for (int k = 0; k < 20; ++k) {
        if (out[k] == '\0') out[k] = ' ';
        out[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[k])));
    }
}

// Reads a table entity of rows (count word, then rows of an id and a name).
bool read_rows(i32 id, i32 cls, std::vector<Row>& rows, const char* who)
{
    rows.clear();
    i32 c = 0, t = 0, st = 0, n = 0;
    std::vector<i32> w(64);
    n = static_cast<i32>(w.size());
    dbdget(id, c, t, w.data(), n, st);
    if (st == -2 && c == cls) {
        w.resize(static_cast<size_t>(n));
        dbdget(id, c, t, w.data(), n, st);
    }
    if (st != 0 || c != cls) return false;
    if (n < 1 || w[0] < 0 || static_cast<long long>(w[0]) * TBROW_N + 1 > n) {
        erou1c(who, id);
        return false;
    }
    for (i32 k = 0; k < w[0]; ++k) {
        Row r;
        r.id = w[static_cast<size_t>(1 + TBROW_N * k)];
        upper20(r.name, w.data() + 2 + TBROW_N * k);
        rows.push_back(r);
    }
    return true;
}

bool good_slot(const i32& slot, const char* who)
{
    if (slot >= 1 && slot <= TLSMAX) return true;
    erou1c(who, slot);
    return false;
}

const Row* find_row(i32 id)
{
    for (const auto& tab : TABLES)
        for (const auto& r : tab)
            if (r.id == id) return &r;
    return nullptr;
}

// Adds every listed tool of the type that still exists to the slot.
void add_table(i32 type, const i32& slot, i32& status)
{
    status = 0;
    for (const Row& r : TABLES[type - 1]) {
        if (etool(r.id) == 0) continue;
        i32 st = 0;
        TLSADD(slot, r.id, st);
        if (st < 0) {
            status = st;
            return;
        }
    }
}
}  // namespace

void TLTINI()
{
    i32 w[SYT2_N] = {0};
    i32 n = SYT2_N, st = 0;
    mdgetn("SYT2", w, n, st);
    if (st != 0) {
        if (st == -2) eroutc("TLTINI, WRONG SIZE OF THE TOOL LIBRARY INDEX SYT2", 0);
        std::memset(w, 0, sizeof w);
    }
    for (i32 t = 0; t < NTTYPE; ++t) {
        TLTBID[t] = w[3 * t + SY_TABLE];
        TLSYMB[t] = w[3 * t + SY_SYMB];
        i32 nt = w[3 * t + SY_NTEC];
        TLNTEC[t] = nt < 1 ? 1 : nt > TLTEC_N ? TLTEC_N : nt;
        TABLES[t].clear();
        if (TLTBID[t] > 0) {
            i32 type = t + 1;
            CRTTAB(type, st);
        }
    }
    CYCLID = w[SY_CYCLES];
    CYCLES.clear();
    if (CYCLID > 0) read_rows(CYCLID, EC_DICT, CYCLES, "TLTINI, CORRUPT CYCLE NAME ENTITY. id = ");
    TLCCLR();
    TLTCAS = 1;
}

void CRTTAB(const i32& type, i32& status)
{
    status = -1;
    if (type < 1 || type > NTTYPE) return;
    if (TLTBID[type - 1] <= 0) return;
    if (read_rows(TLTBID[type - 1], EC_TOOLTAB, TABLES[type - 1], "CRTTAB, CORRUPT TOOL TABLE ENTITY. id = "))
        status = 0;
}

void LSTTLB(const i32& type, const i32& slot, i32& status)
{
    status = -1;
    if (type < 1 || type > NTTYPE || TLTBID[type - 1] <= 0) return;
    add_table(type, slot, status);
}

void FNDTNM(const char* name, const i32& type, i32& id, i32& found)
{
    id = -1;
    found = 0;
    char want[20];
    upper20(want, name);
    for (i32 t = 1; t <= NTTYPE; ++t) {
        if (type >= 1 && type <= NTTYPE && t != type) continue;
        for (const Row& r : TABLES[t - 1])
            if (std::memcmp(r.name, want, 20) == 0 && etool(r.id) != 0) {
                id = r.id;
                found = 1;
                return;
            }
    }
}

void GTTNMI(const i32& id, char* name, i32& status, const i32& length)
{
    const Row* r = find_row(id);
    status = r && etool(id) != 0 ? 0 : -1;
    for (i32 k = 0; k < length; ++k) name[k] = status == 0 && k < 20 ? r->name[k] : ' ';
}

void GTCYNM(const i32& code, char* name)
{
    std::memset(name, ' ', 20);
    for (const Row& r : CYCLES)
        if (r.id == code) {
            std::memcpy(name, r.name, 20);
            return;
        }
}

void TLTADD(const i32& type, const i32& id, const char* name, i32& status)
{
    status = -1;
    if (type < 1 || type > NTTYPE) return;
    i32& tab = TLTBID[type - 1];
    if (tab <= 0 || !read_rows(tab, EC_TOOLTAB, TABLES[type - 1], "TLTADD, CORRUPT TOOL TABLE ENTITY. id = ")) {
        // No table for the type yet: make one and name it in the library index.
        i32 zero = 0, st = 0, nid = 0;
        dbdnew(EC_TOOLTAB, type, 1, &zero, nid, st);
        if (st != 0) {
            eroutc("TLTADD, CANNOT MAKE THE TOOL TABLE", 0);
            return;
        }
        tab = nid;
        TABLES[type - 1].clear();
        i32 w[SYT2_N] = {0};
        i32 n = SYT2_N;
        mdgetn("SYT2", w, n, st);
        if (st != 0) std::memset(w, 0, sizeof w);
        w[3 * (type - 1) + SY_TABLE] = nid;
        if (w[3 * (type - 1) + SY_NTEC] == 0) w[3 * (type - 1) + SY_NTEC] = TLNTEC[type - 1];
        mdputn("SYT2", 4, SYT2_N, w, st);
    }
    std::vector<i32> w(1 + TBROW_N * (TABLES[type - 1].size() + 1));
    w[0] = static_cast<i32>(TABLES[type - 1].size() + 1);
    Row added;
    added.id = id;
    upper20(added.name, name);
    TABLES[type - 1].push_back(added);
    for (size_t k = 0; k < TABLES[type - 1].size(); ++k) {
        w[1 + TBROW_N * k] = TABLES[type - 1][k].id;
        std::memcpy(w.data() + 2 + TBROW_N * k, TABLES[type - 1][k].name, 20);
    }
    i32 n = static_cast<i32>(w.size());
    dbdput(tab, n, w.data(), status);
    if (status != 0) {
        TABLES[type - 1].pop_back();
        eroutc("TLTADD, CANNOT WRITE THE TOOL TABLE", 0);
    }
}

// ------------------------------------------------------------------ filter

void TYPFLT(const i32& family, const i32& type)
{
    std::memset(TLFILT, 0, sizeof TLFILT);
    if (type < 1 || type > NTTYPE) return;
    TLFILT[type - 1] = 1;
    if (family == 0) return;
    if (type == TT_DRILL || type == TT_MILL) TLFILT[TT_DRILL - 1] = TLFILT[TT_MILL - 1] = 1;
    if (type == TT_LATHE || type == TT_LDRILL || type == TT_THREAD || type == TT_GROOVE)
        TLFILT[TT_LATHE - 1] = TLFILT[TT_LDRILL - 1] = TLFILT[TT_THREAD - 1] = TLFILT[TT_GROOVE - 1] = 1;
}

// -------------------------------------------------------------------- slots

void TLSINI()
{
    for (auto& s : SLOTS) s = Slot{};
}

void TLSRST(const i32& slot)
{
    if (good_slot(slot, "TLSRST, WRONG SLOT NUMBER ")) SLOTS[slot - 1].count = 0;
}

void TLSADD(const i32& slot, const i32& id, i32& status)
{
    status = -1;
    if (!good_slot(slot, "TLSADD, WRONG SLOT NUMBER ")) return;
    Slot& s = SLOTS[slot - 1];
    if (id <= 0) {
        status = 1;
        return;
    }
    void* base = nullptr;
    if (s.handle >= 0) mmcptr(s.handle, base);
    i32* e = static_cast<i32*>(base);
    if (!e && s.count > 0) {
        eroutc("TLSADD, DYNAMIC MEMORY ERROR", 0);
        return;
    }
    for (i32 k = 0; k < s.count; ++k)
        if (e[TBROW_N * k] == id) {
            status = 1;
            return;
        }
    if (s.count >= s.cap || !e) {
        // No room, or the slot's array is gone (the host let go of its
        // arrays): a new one.
        i32 st = 0;
        if (!e) s.handle = -1, s.cap = 0;
        if (s.handle < 0)
            MM_OPEN_ARRAY(TBROW_N * 4, SLOT_STEP, s.handle, base, st);
        else
            MM_RESIZE_ARRAY(s.handle, SLOT_STEP, base, st);
        if (st != 0) {
            eroutc("TLSADD, DYNAMIC MEMORY ERROR", 0);
            return;
        }
        s.cap += SLOT_STEP;
        mmcptr(s.handle, base);
        e = static_cast<i32*>(base);
    }
    i32* row = e + TBROW_N * s.count;
    row[0] = id;
    const Row* r = find_row(id);
    if (r) {
        std::memcpy(row + 1, r->name, 20);
    } else {
        i32 hdr[TLHDR_N], holder = 0, hmode = 0, st = 0;
        RDTOOL(id, hdr, holder, hmode, st);
        if (st == 0)
            upper20(reinterpret_cast<char*>(row + 1), hdr + TH_NAME);
        else
            std::memset(row + 1, ' ', 20);
    }
    ++s.count;
    status = 0;
}

void TLSCNT(const i32& slot, i32& count)
{
    count = 0;
    if (good_slot(slot, "TLSCNT, WRONG SLOT NUMBER ")) count = SLOTS[slot - 1].count;
}

void TLSGET(const i32& slot, const i32& n, i32& id, i32& status)
{
    id = -1;
    status = -1;
    if (!good_slot(slot, "TLSGET, WRONG SLOT NUMBER ")) return;
    const Slot& s = SLOTS[slot - 1];
    if (n < 1 || n > s.count) {
        status = -5;
        return;
    }
    void* base = nullptr;
    mmcptr(s.handle, base);
    if (!base) {
        eroutc("TLSGET, DYNAMIC MEMORY ERROR", 0);
        return;
    }
    id = static_cast<i32*>(base)[TBROW_N * (n - 1)];
    status = 0;
}

void TLSFIL(const i32& slot, i32& count, i32& status)
{
    count = 0;
    status = -1;
    if (!good_slot(slot, "TLSFIL, WRONG SLOT NUMBER ")) return;
    bool applies = false;
    status = 0;
    for (i32 t = 1; t <= NTTYPE && status >= 0; ++t) {
        if (!TLFILT[t - 1] || TLTBID[t - 1] <= 0) continue;
        applies = true;
        add_table(t, slot, status);
    }
    count = SLOTS[slot - 1].count;
    if (status >= 0 && !applies) status = 1;
}

void TLSCHK(const i32& id, i32& status)
{
    status = 1;
    i32 hdr[TLHDR_N], holder = 0, hmode = 0, st = 0;
    RDTOOL(id, hdr, holder, hmode, st);
    if (st == 0 && hdr[TH_TYPE] >= 1 && hdr[TH_TYPE] <= NTTYPE && TLFILT[hdr[TH_TYPE] - 1]) status = 0;
}

void reltol(const i32& slot, i32& status)
{
    status = 0;
    if (!good_slot(slot, "reltol, WRONG SLOT NUMBER ")) {
        status = -1;
        return;
    }
    Slot& s = SLOTS[slot - 1];
    if (s.handle >= 0) {
        i32 st = 0;
        MM_CLOSE(s.handle, st);
        if (st != 0) {
            eroutc("reltol, CLOSE DYNAMIC MEMORY ERROR", 0);
            status = -5;
        }
    }
    s = Slot{};
}
