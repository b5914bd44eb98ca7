#include "surfaces/srflist.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/host.h"
#include "surfaces/srfbuf.h"

i32 SRFSEL[7][2] = {{0, -1}, {0, -1}, {0, -1}, {0, -1}, {0, -1}, {0, -1}, {0, -1}};

void nc_surf_list_count(const i32& mode, const i32& list, i32& count, i32& status)
{
    nc_surf_count(mode, list, count, status);
}

void nc_surf_srfbuf(const i32& list, i32& count, i32& status) { nc_surf_count(1, list, count, status); }

namespace {

struct SrfList {
    std::vector<i32> ids, nrms;
    bool operator==(const SrfList&) const = default;
};

bool read_list(i32 list, SrfList& l)
{
    i32 n = 0, st = 0;
    nc_surf_count(1, list, n, st);
    if (st != 0) return false;
    l.ids.assign(static_cast<size_t>(n), 0);
    l.nrms.assign(static_cast<size_t>(n), 1);
    if (n == 0) return true;
    nc_surf_ids(l.ids.data(), n, st);
    if (st == 0) nc_surf_nrms(l.nrms.data(), n, st);
    return st == 0;
}

void write_list(i32 list, const SrfList& l, i32& status)
{
    i32 n = static_cast<i32>(l.ids.size());
    nc_surf_count(2, list, n, status);
    if (status == 0) nc_surf_put(n, l.ids.data(), l.nrms.data(), status);
}

bool is_surface(i32 id)
{
    i32 cls = 0, type = 0, len = 0, st = 0;
    eopen(id, cls, type, len, st);
    if (st != 0) return false;
    eclose();
    return cls == ESRF_CLASS;
}

// Picks surfaces until <END>; -2 on escape, else 0.
i32 pick_into(SrfList& l)
{
    while (true) {
        i32 id = 0, st = 0;
        pcksrf("PICK SURFACES, <END> TO FINISH", id, st);
        if (st == -3) return 0;
        if (st < 0) return -2;
        if (!is_surface(id)) {
            userrc("ENTITY IS NOT A SURFACE", 0);
            continue;
        }
        if (std::find(l.ids.begin(), l.ids.end(), id) != l.ids.end()) {
            userrc("SURFACE ALREADY IN THE LIST", 0);
            continue;
        }
        if (static_cast<i32>(l.ids.size()) >= SRFLST_MAX) {
            user1c("NUMBER OF SURFACES IS LIMITED TO ", SRFLST_MAX);
            return 0;
        }
        l.ids.push_back(id);
        l.nrms.push_back(1);
    }
}

// Picks one surface of the list; its index, or -1 on escape or end.
i32 pick_member(const SrfList& l, const char* prompt)
{
    while (true) {
        i32 id = 0, st = 0;
        pcksrf(prompt, id, st);
        if (st < 0) return -1;
        auto it = std::find(l.ids.begin(), l.ids.end(), id);
        if (it != l.ids.end()) return static_cast<i32>(it - l.ids.begin());
        userrc("SURFACE IS NOT IN THE LIST", 0);
    }
}

// The actions on one list, until RETURN, escape or end.
void list_actions(SrfList& l)
{
    while (true) {
        modinz();
        i32 c = 0;
        modmc("REDEFINE@ADD     @DELETE  @MODIFY  @RETURN  ", c);
        if (c < 0 || c == 5) return;
        SrfList before = l;
        if (c == 1) {
            l.ids.clear();
            l.nrms.clear();
            if (pick_into(l) < 0) l = before;
        } else if (c == 2) {
            if (pick_into(l) < 0) l = before;
        } else if (c == 3) {
            i32 k = pick_member(l, "PICK SURFACE TO DELETE");
            if (k >= 0) {
                l.ids.erase(l.ids.begin() + k);
                l.nrms.erase(l.nrms.begin() + k);
            }
        } else if (c == 4) {
            i32 k = pick_member(l, "PICK SURFACE TO REVERSE ITS NORMAL");
            if (k >= 0) l.nrms[static_cast<size_t>(k)] = -l.nrms[static_cast<size_t>(k)];
        }
    }
}

}  // namespace

void nc_surf_aprx_menu(const i32& define, const i32& modify, const i32& zero, const i32& kind, i32& changed, i32& status)
{
    changed = 0;
    status = 0;
    SrfList entry[3], work[3];
    for (i32 k = 0; k < 3; ++k)
        if (!read_list(k, entry[k])) {
            eroutc("nc_surf_aprx_menu, SURFACE LIST ERROR", 0);
            status = -1;
            return;
        }
    for (i32 k = 0; k < 3; ++k) work[k] = entry[k];
    i32 part2 = 0;
    nc_surf_gs_part2(1, part2);

    if (define != 0 && work[0].ids.empty()) {
        SrfList before = work[0];
        if (pick_into(work[0]) < 0) work[0] = before;
    }
    while (true) {
        modinz();
        std::string opts = "PART SURFACES  >@";
        opts += kind == 2 ? "CHECK SURFACES >@" : " @";
        opts += part2 != 0 ? "SECOND PART    >@" : " @";
        opts += "ACCEPT          ";
        i32 c = 0;
        modmc(opts.c_str(), c);
        if (c == -2) {  // cancel: every list as it was
            status = -2;
            changed = 0;
            return;
        }
        if (c < 0 || c == 4) {
            status = c < 0 ? -1 : 0;
            break;
        }
        if (c == 1) list_actions(work[0]);
        else if (c == 2 && kind == 2) list_actions(work[1]);
        else if (c == 3 && part2 != 0) list_actions(work[2]);
    }
    for (i32 k = 0; k < 3; ++k) {
        if (work[k] == entry[k]) continue;
        changed = 1;
        i32 st = 0;
        write_list(k, work[k], st);
        if (st != 0) {
            eroutc("nc_surf_aprx_menu, SURFACE LIST ERROR", 0);
            status = -1;
            return;
        }
    }
    i32 n = 0, st = 0;
    nc_surf_count(1, 0, n, st);  // the part list is current on return
}

void nc_surf_sel_crit(const i32& list, const i32& flag, i32& status)
{
    status = -1;
    if (list < 0 || list > 2) return;
    i32 kind = list;
    i32 nm = nc_geomsk_lst_count(kind);
    std::vector<i32> all(static_cast<size_t>(std::max(elstcls(ESRF_CLASS, nullptr, 0), 0)));
    elstcls(ESRF_CLASS, all.data(), static_cast<i32>(all.size()));
    std::vector<i32> ids, nrms;
    for (i32 id : all) {
        bool take = nm == 0;
        for (i32 m = 0; m < nm && !take; ++m) {
            i32 mask[5], st = 0;
            nc_geomsk_lst_get_data(kind, m, mask, st);
            if (st != 0) continue;
            static const char* keys[4] = {"LV", "CO", "LF", "PN"};
            bool ok = mask[0] < 0 || mask[0] == ESRF_CLASS;
            for (int a = 0; a < 4 && ok; ++a) {
                i32 v = 0;
                eattc(id, 1, keys[a], v);
                ok = mask[a + 1] < 0 || mask[a + 1] == v;
            }
            take = ok;
        }
        if (take && static_cast<i32>(ids.size()) < SRFLST_MAX) {
            ids.push_back(id);
            nrms.push_back(1);
        }
    }
    i32 n = static_cast<i32>(ids.size());
    nc_surf_count(2, list, n, status);
    if (status == 0) nc_surf_put(n, ids.data(), nrms.data(), status);
}

void nc_geomsk_apply()
{
    for (i32 list = 0; list < 2; ++list)
        if (nc_geomsk_lst_count(list) > 0) {
            i32 st = 0;
            nc_surf_sel_crit(list, 1, st);
        }
}

void nc_geomsk_refresh(i32 proctype, i32 mode, i32 bycrit)
{
    if (bycrit != 0) nc_geomsk_apply();
}

void nc_surf_release_lists()
{
    slclr();
    for (auto& p : SRFSEL) {
        p[0] = 0;
        p[1] = -1;
    }
}

// ------------------------------------------------------------ checks

void TSTSRF(const i32& geomid, i32& count, const i32* uids, f64* work, i32* side, const i32& kind, f32* refs, f32* nrms,
            const i32& dirflag, i32& status)
{
    status = 0;
    i32 n = count, good = 0;
    for (i32 k = 0; k < n; ++k) {
        i32 id = euid2id(uids[k]), st = 0;
        if (id <= 0 || !is_surface(id)) {
            side[k] = 0;
            continue;
        }
        LDSRFB(id, work, st);
        if (st != 0 || !SRFBOK(work)) {
            eroutc("TSTSRF, BAD FORMAT OF SURFACE BUFFER", 0);
            side[k] = 0;
            status = -1;
            continue;
        }
        f64 u = work[SB_LIM] + 0.5 * work[SB_LIM + 1], v = work[SB_LIM + 3] + 0.5 * work[SB_LIM + 4], e[12];
        evsrfd(work, u, v, 2, e, st);
        if (st < 0) {
            side[k] = 0;
            continue;
        }
        for (int a = 0; a < 9; ++a) refs[9 * k + a] = static_cast<f32>(e[a]);
        f64 s = dirflag != 0 && side[k] == -1 ? -1.0 : 1.0;
        for (int a = 0; a < 3; ++a) nrms[3 * k + a] = static_cast<f32>(s * e[9 + a]);
        if (side[k] == 0) side[k] = 1;
        ++good;
    }
    count = good;
}

void SRFASO(const i32& geomid, const i32& arg, const i32& count, const i32* uids)
{
    for (i32 k = 0; k < count; ++k) {
        i32 id = euid2id(uids[k]);
        i32 v = arg;
        if (id > 0) eattc(id, 2, "AS", v);
    }
}

void SRFATC(const i32& count, const i32* uids, i32& flag)
{
    for (i32 k = 0; k < count; ++k) {
        i32 id = euid2id(uids[k]), de = 0, sl = 0;
        if (id <= 0) continue;
        eattc(id, 1, "DE", de);
        eattc(id, 1, "SL", sl);
        if (de == 1 && sl == 1) {
            flag = 0;
            return;
        }
    }
}
