// Tool headers, creation of tools in the tool table, numbered copies.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/host.h"
#include "tools/tooldlg.h"
#include "tools/toollib.h"

namespace {
i32 HLDINU[HLDREC_N];
bool HLDSET = false;

std::string name_of(const i32* header)
{
    char n[21];
    std::memcpy(n, header + TH_NAME, 20);
    n[20] = '\0';
    for (int k = 0; k < 20; ++k) {
        if (n[k] == '\0') n[k] = ' ';
        n[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(n[k])));
    }
    std::string s(n);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// Removes the entities made for a tool that could not be completed.
void drop(const i32* ids, i32 n)
{
    for (i32 k = 0; k < n; ++k) {
        i32 st = 0;
        if (ids[k] > 0) edelet(ids[k], st);
    }
}

bool sound_record(i32 type, const i32* v, i32 n)
{
    auto r = [&](i32 k) { return k < n ? wrd2r(v[k]) : 0.0f; };
    if (type == TT_MILL) {
        f32 d = r(ML_DIAMTR), c = r(ML_CRNRRD), t = r(ML_TAPANG);
        return d > 0 && c >= 0 && c <= d / 2 && t >= 0 && t < 90 && r(ML_CUTLNG) >= 0 && r(ML_CLRLNG) >= 0;
    }
    if (type == TT_DRILL || type == TT_LDRILL) return r(DR_DIAMTR) > 0;
    return true;
}
}  // namespace

void INTHDR(i32* header)
{
    std::memset(header, 0, TLHDR_N * 4);
    header[TH_VERS] = TLVERS;
    std::memset(header + TH_NAME, ' ', 20);
    std::memset(header + TH_TEXT, ' ', 20);
}

void GTTHDR(i32* header, i32& status)
{
    i32 type = -1;
    GTTTYP(CURTOL, type);
    status = type < 0 ? -1 : 0;
    if (status == 0) std::memcpy(header, TLCBLK.hdr, TLHDR_N * 4);
}

void HLDUSE(const i32* record)
{
    std::memcpy(HLDINU, record, sizeof HLDINU);
    HLDSET = true;
}

void CHKTTB(const i32* header, const i32* values, i32& id, i32& status)
{
    id = -1;
    status = -1;
    bool holder = HLDSET;
    HLDSET = false;
    i32 type = header[TH_TYPE], nrec = header[TH_NREC];
    if (type < 1 || type > NTTYPE) {
        erou1c("CHKTTB, WRONG TOOL TYPE ", type);
        return;
    }
    if (nrec < 0 || nrec > TLREC_N) {
        erou1c("CHKTTB, WRONG RECORD LENGTH ", nrec);
        return;
    }
    std::string name = name_of(header);
    if (name.empty()) {
        userrc("CHKTTB, THE TOOL HAS NO NAME", 0);
        return;
    }
    i32 other = 0, found = 0;
    FNDTNM(reinterpret_cast<const char*>(header + TH_NAME), 0, other, found);
    if (found) {
        userrc(("CHKTTB, TOOL NAME EXISTS ALREADY: " + name).c_str(), 0);
        return;
    }
    if (!sound_record(type, values, nrec)) {
        userrc("CHKTTB, WRONG TOOL DIMENSIONS", 0);
        return;
    }
    if (holder && (HLDINU[HD_NSTEP] < 0 || HLDINU[HD_NSTEP] > HD_MAXS)) {
        erou1c("CHKTTB, WRONG HOLDER STEP COUNT ", HLDINU[HD_NSTEP]);
        return;
    }

    i32 w[TLHDR_N + TLREC_N];
    std::memcpy(w, header, TLHDR_N * 4);
    std::memcpy(w + TLHDR_N, values, static_cast<size_t>(nrec) * 4);
    w[TH_VERS] = TLVERS;
    i32 made[TLTEC_N + 2] = {0};
    i32 nmade = 0;

    // Technology: new entities with the values of the header's, so that the
    // two tools never share their feeds.
    i32 ntec = header[TH_NTEC] >= 1 && header[TH_NTEC] <= TLTEC_N ? header[TH_NTEC] : TLNTEC[type - 1];
    for (i32 k = 0; k < TLTEC_N; ++k) {
        w[TH_TECH + k] = 0;
        if (k >= ntec) continue;
        i32 t[16] = {-1, r2wrd(-1.0f), r2wrd(-1.0f)};
        i32 c = 0, ty = 0, n = 16, st = 0;
        i32 src = header[TH_NTEC] >= 1 && header[TH_NTEC] <= TLTEC_N ? header[TH_TECH + k] : 0;
        if (src > 0) dbdget(src, c, ty, t, n, st);
        if (src <= 0 || st != 0 || c != EC_TECH || n < TCREC_N) {
            t[TC_SPIN] = -1;
            t[TC_VLOC] = r2wrd(-1.0f);
            t[TC_FEED] = r2wrd(-1.0f);
        }
        dbdnew(EC_TECH, 1, TCREC_N, t, w[TH_TECH + k], st);
        if (st != 0) {
            drop(made, nmade);
            eroutc("CHKTTB, CANNOT STORE THE TOOL", 0);
            return;
        }
        made[nmade++] = w[TH_TECH + k];
    }
    w[TH_NTEC] = ntec;

    if (holder) {
        i32 h[HLDENT_N];
        std::memcpy(h, HLDINU, HLDREC_N * 4);
        std::memset(h + HD_NAME, ' ', 20);
        i32 c = 0, ty = 0, n = HLDENT_N, st = 0;
        i32 old[HLDENT_N];
        if (header[TH_HOLD] > 0) {
            dbdget(header[TH_HOLD], c, ty, old, n, st);
            if (st == 0 && c == EC_HOLDER && n == HLDENT_N) std::memcpy(h + HD_NAME, old + HD_NAME, 20);
        }
        dbdnew(EC_HOLDER, 1, HLDENT_N, h, w[TH_HOLD], st);
        if (st != 0) {
            drop(made, nmade);
            eroutc("CHKTTB, CANNOT STORE THE TOOL", 0);
            return;
        }
        made[nmade++] = w[TH_HOLD];
        if (w[TH_HMOD] == 0) w[TH_HMOD] = 2;
    }

    i32 nid = 0, st = 0;
    dbdnew(EC_TOOL, type, TLHDR_N + nrec, w, nid, st);
    if (st != 0) {
        drop(made, nmade);
        eroutc("CHKTTB, CANNOT STORE THE TOOL", 0);
        return;
    }
    made[nmade++] = nid;
    i32 ty = type;
    eattc(nid, 2, "TY", ty);
    TLTADD(type, nid, reinterpret_cast<const char*>(w + TH_NAME), st);
    if (st != 0) {
        drop(made, nmade);
        return;
    }
    id = nid;
    status = 0;
}

void CPYTOL(const f32* mill, const i32* holder, i32& id, i32& status)
{
    id = -1;
    status = -1;
    i32 h[TLHDR_N];
    INTHDR(h);
    GTTHDR(h, status);
    if (status != 0) {
        userrc("CPYTOL, NO CURRENT TOOL", 0);
        status = -1;
        return;
    }
    std::string base = name_of(h);
    char cand[21] = {0};
    bool free = false;
    for (int n = 1; n <= 998 && !free; ++n) {
        char b[48];
        std::snprintf(b, sizeof b, "%1.15s_%03d", base.c_str(), n);
        fixtxt(cand, 20, b);
        i32 other = 0, found = 0;
        FNDTNM(cand, 0, other, found);
        free = found == 0;
    }
    if (!free) {
        msg_mdlt(339, 87, base.c_str());
        status = -1;
        return;
    }
    i32 values[TLREC_N] = {0};
    i32 nrec = h[TH_NREC] >= 0 && h[TH_NREC] <= TLREC_N ? h[TH_NREC] : 0;
    std::memcpy(values, TLCBLK.rec, sizeof values);
    if (mill && h[TH_TYPE] == TT_MILL) {
        for (i32 k = 0; k < MLREC_N; ++k) values[k] = r2wrd(mill[k]);
        if (nrec < MLREC_N) nrec = MLREC_N;
    }
    h[TH_NREC] = nrec;
    std::memcpy(h + TH_NAME, cand, 20);
    if (holder) HLDUSE(holder);
    CHKTTB(h, values, id, status);
    std::string made(cand, 20);
    while (!made.empty() && made.back() == ' ') made.pop_back();
    if (status != 0) {
        msg_mdlt(339, 87, made.c_str());
        status = -1;
        return;
    }
    msg_mdlt(339, 86, made.c_str());
}
