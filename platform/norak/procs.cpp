// NC procedure records: procedure, machine-parameter, local-parameter,
// geometry and movement entities, working copies of geometry, the NC entity
// list, and the host answers the procedure block asks for.
#include <algorithm>
#include <cstring>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {

std::vector<i32>& nc_entities() { return H().nc_entities; }
std::map<i32, i32>& working_copies() { return H().idtmp; }
std::map<i32, i32>& movement_entities() { return H().movmnt; }

namespace {
struct ProcRec {
    i32 number = 0, code = 0;
    std::vector<i32> global;
    i32 mchprm = -1, lclprm = -1;
    std::vector<i32> header;
    i32 item[11] = {1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<i32> geoms;
};

Entity* find(i32 id, i32 type)
{
    auto it = H().entities.find(id);
    if (it == H().entities.end() || it->second.cls != 9 || it->second.type != type) return nullptr;
    return &it->second;
}

// Takes n words from w at k; false when w is too short.
bool take(const std::vector<i32>& w, size_t& k, size_t n, std::vector<i32>& out)
{
    if (k + n > w.size()) return false;
    out.assign(w.begin() + static_cast<long>(k), w.begin() + static_cast<long>(k + n));
    k += n;
    return true;
}

bool parse(const Entity& e, ProcRec& r)
{
    const auto& w = e.words;
    size_t k = 3;
    std::vector<i32> t;
    if (!take(w, k, 3, t)) return false;
    r.number = t[0], r.code = t[1];
    if (t[2] < 0 || !take(w, k, static_cast<size_t>(t[2]), r.global)) return false;
    if (!take(w, k, 3, t)) return false;
    r.mchprm = t[0], r.lclprm = t[1];
    if (t[2] < 0 || !take(w, k, static_cast<size_t>(t[2]), r.header)) return false;
    if (!take(w, k, 12, t)) return false;
    std::copy(t.begin(), t.begin() + 11, r.item);
    if (t[11] < 0 || !take(w, k, static_cast<size_t>(t[11]), r.geoms)) return false;
    return true;
}

void build(Entity& e, const ProcRec& r)
{
    auto& w = e.words;
    w.assign({0, 0, 0, r.number, r.code, static_cast<i32>(r.global.size())});
    w.insert(w.end(), r.global.begin(), r.global.end());
    w.insert(w.end(), {r.mchprm, r.lclprm, static_cast<i32>(r.header.size())});
    w.insert(w.end(), r.header.begin(), r.header.end());
    w.insert(w.end(), r.item, r.item + 11);
    w.push_back(static_cast<i32>(r.geoms.size()));
    w.insert(w.end(), r.geoms.begin(), r.geoms.end());
}

// Parameter entity words after its three leading words and count.
bool param_words(i32 id, i32 type, std::vector<i32>& out)
{
    Entity* e = find(id, type);
    if (!e || e->words.size() < 4) return false;
    size_t k = 4;
    i32 n = e->words[3];
    return n >= 0 && take(e->words, k, static_cast<size_t>(n), out);
}

void param_info(i32 proc, bool machine, i32& id, i32& count, i32& status)
{
    Entity* e = find(proc, PROC_TYPE);
    ProcRec r;
    status = -1;
    id = -1;
    count = 0;
    if (!e || !parse(*e, r)) return;
    id = machine ? r.mchprm : r.lclprm;
    status = 0;
    std::vector<i32> w;
    if (id > 0 && param_words(id, machine ? MCHPRM_TYPE : LCLPRM_TYPE, w)) count = static_cast<i32>(w.size());
}

void param_io(const i32& mode, const i32& proc, bool machine, i32& id, i32* words, i32& count, i32& status)
{
    i32 type = machine ? MCHPRM_TYPE : LCLPRM_TYPE;
    status = -1;
    if (mode == 1) {
        std::vector<i32> w;
        if (!param_words(id, type, w) || static_cast<i32>(w.size()) > count) return;
        if (!w.empty()) std::memcpy(words, w.data(), w.size() * 4);
        count = static_cast<i32>(w.size());
        status = 0;
    } else if (mode == 3) {
        Entity* p = find(proc, PROC_TYPE);
        ProcRec r;
        if (!p || !parse(*p, r) || count < 0) return;
        Entity e;
        e.cls = 9;
        e.type = type;
        e.words = {0, 0, 0, count};
        e.words.insert(e.words.end(), words, words + count);
        id = add_entity(std::move(e));
        (machine ? r.mchprm : r.lclprm) = id;
        build(*find(proc, PROC_TYPE), r);
        status = 0;
    }
}
}  // namespace

}  // namespace norak

using namespace norak;

void gtenam(const i32& id, char* name, const i32& length, i32& status)
{
    std::memset(name, ' ', static_cast<size_t>(std::max(length, 0)));
    auto it = H().entities.find(id);
    status = it == H().entities.end() ? -1 : 0;
    if (status == 0)
        std::memcpy(name, it->second.name.data(), std::min<size_t>(it->second.name.size(), static_cast<size_t>(length)));
}

void ncd_update_current_attrs(i32 mode, i32& colour, i32& pen)
{
    colour = mode == 4 ? 7 : 5;
    pen = 2;
}
void ncd_update_blank_attribute(i32 blank) { set_display_blank(blank); }
void ascopy(const i32&, const i32& source, const i32&, const i32& target)
{
    note("host: associations of block " + std::to_string(source) + " copied to block " + std::to_string(target));
}
void chk_crit_gs(const i32&, i32& flag) { flag = H().settings.criteria; }
void gs_modify(const i32&, i32& flag) { flag = H().settings.modify; }
i32 orbis_flag_get() { return 0; }
i32 prgvrs() { return H().settings.prg_version; }
void prgrel(i32& r1, i32& r2, i32& r3) { r1 = 9, r2 = 0, r3 = 0; }
void prgpsn(i32& position) { position = 1; }
void prgsrn(i32& source) { source = 2; }
i32 get_ProcGeomStatus() { return 1; }
void cltrin(const i32& value, const i32* table) { ext_state<std::pair<i32, const i32*>>("cltrin") = {value, table}; }
std::pair<i32, const i32*> norak::transformation_in() { return ext_state<std::pair<i32, const i32*>>("cltrin"); }
void mrm_proc(const i32&, const i32&) {}

void get_set_idtmp(const i32& mode, const i32& id, i32& copy)
{
    auto& m = H().idtmp;
    if (mode == 1) {
        auto it = m.find(id);
        copy = it == m.end() ? -1 : it->second;
    } else if (copy < 1) {
        m.erase(id);
    } else {
        m[id] = copy;
    }
}

void get_geom_type(const i32& id, i32& kind, i32& status) { get_geom_info(id, kind, status); }

void get_geom_info(const i32& id, i32& kind, i32& status)
{
    Entity* e = find(id, GEOM_TYPE);
    status = e && e->words.size() >= 5 ? 0 : -1;
    kind = status == 0 ? e->words[4] : 0;
}

void update_geom_length(const i32& id, const i32& words, i32& status) { status = find(id, GEOM_TYPE) ? 0 : -1; }

void get_set_movmnt_id(const i32& mode, const i32& proc, i32& movement)
{
    auto& m = H().movmnt;
    if (mode == 1) {
        auto it = m.find(proc);
        movement = it == m.end() ? -1 : it->second;
    } else {
        m[proc] = movement;
    }
}

void set_open_proc(const i32&) { H().proc_open = true; }
i32 is_open_proc() { return H().proc_open ? 1 : 0; }
void reset_open_proc() { H().proc_open = false; }

void asdeta(const i32& id)
{
    auto it = H().entities.find(id);
    if (it != H().entities.end()) it->second.attrs.erase("AS");
}

void ascopa(const i32& from, const i32& to)
{
    auto& es = H().entities;
    auto a = es.find(from), b = es.find(to);
    if (a == es.end() || b == es.end()) return;
    auto as = a->second.attrs.find("AS");
    if (as != a->second.attrs.end()) b->second.attrs["AS"] = as->second;
}

void cpy_geom(const i32& from, const i32& to, i32& status)
{
    Entity* a = find(from, GEOM_TYPE);
    Entity* b = find(to, GEOM_TYPE);
    status = a && b ? 0 : -1;
    if (status == 0) b->words = a->words;
}

void add_nc_entity(const i32& id, i32& status)
{
    auto& l = H().nc_entities;
    status = H().entities.count(id) ? 0 : -1;
    if (status == 0 && std::find(l.begin(), l.end(), id) == l.end()) l.push_back(id);
}

void del_nc_entity(const i32& id)
{
    auto& l = H().nc_entities;
    l.erase(std::remove(l.begin(), l.end(), id), l.end());
}

void get_proc_info(const i32& proc, i32& nwords, i32& ngeom, i32& status)
{
    Entity* e = find(proc, PROC_TYPE);
    ProcRec r;
    status = e && parse(*e, r) ? 0 : -1;
    nwords = status == 0 ? static_cast<i32>(r.global.size()) : 0;
    ngeom = status == 0 ? static_cast<i32>(r.geoms.size()) : 0;
}

void dbd_proc(const i32& mode, i32& proc, i32& number, i32& code, i32* words, i32& nwords, i32* geoms, i32& ngeom,
              i32& status)
{
    status = -1;
    if (mode == 3) {
        if (nwords < 0) return;
        ProcRec r;
        r.number = number, r.code = code;
        r.global.assign(words, words + nwords);
        Entity e;
        e.cls = 9;
        e.type = PROC_TYPE;
        build(e, r);
        proc = add_entity(std::move(e));
        status = 0;
        return;
    }
    Entity* e = find(proc, PROC_TYPE);
    ProcRec r;
    if (!e || !parse(*e, r)) return;
    if (mode == 1) {
        if (static_cast<i32>(r.global.size()) > nwords || static_cast<i32>(r.geoms.size()) > ngeom) return;
        number = r.number, code = r.code;
        std::copy(r.global.begin(), r.global.end(), words);
        std::copy(r.geoms.begin(), r.geoms.end(), geoms);
        nwords = static_cast<i32>(r.global.size());
        ngeom = static_cast<i32>(r.geoms.size());
        status = 0;
    } else if (mode == 2) {
        if (nwords < 0 || ngeom < 0) return;
        r.header.assign(static_cast<size_t>(nwords), 0);
        r.geoms.assign(geoms, geoms + ngeom);
        build(*e, r);
        status = 0;
    }
}

void get_geom_buf(i32 proc, i32* ids, i32 capacity, i32& count)
{
    count = 0;
    Entity* e = find(proc, PROC_TYPE);
    ProcRec r;
    if (!e || !parse(*e, r)) return;
    count = std::min(std::max(capacity, 0), static_cast<i32>(r.geoms.size()));
    std::copy(r.geoms.begin(), r.geoms.begin() + count, ids);
}

void get_mchprm_info(const i32& proc, i32& id, i32& count, i32& status) { param_info(proc, true, id, count, status); }
void dbd_mchprm(const i32& mode, const i32& proc, i32& id, i32* words, i32& count, i32& status)
{
    param_io(mode, proc, true, id, words, count, status);
}
void get_lclprm_info(const i32& proc, i32& id, i32& count, i32& status) { param_info(proc, false, id, count, status); }
void dbd_lclprm(const i32& mode, const i32& proc, i32& id, i32* words, i32& count, i32& status)
{
    param_io(mode, proc, false, id, words, count, status);
}
