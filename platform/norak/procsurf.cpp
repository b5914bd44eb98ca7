// The procedure's surface lists, the pick stack and the bad-surface buffer.
#include <algorithm>
#include <array>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {
namespace {
struct Row {
    i32 id = 0, uid = 0, nrm = 1;
    std::array<f32, 9> ref{};  // the surface record (point and two tangents)
};
struct ProcSurf {
    std::vector<Row> lists[3];
    i32 cur = 0;
    i32 part2 = 0;
    std::vector<i32> bad;
    bool bad_on = false;
    std::vector<std::array<i32, 5>> masks[4];
};
ProcSurf& P() { return ext_state<ProcSurf>("procsurf"); }
std::vector<Row>& cur() { return P().lists[std::clamp(P().cur, 0, 2)]; }
}  // namespace
}  // namespace norak

using namespace norak;

void nc_surf_init(i32 mode, i32 kind)
{
    for (auto& l : P().lists) l.clear();
    P().cur = 0;
    note("host: surface lists started (" + std::to_string(mode) + ", " + std::to_string(kind) + ")");
}

void nc_surf_count(i32 mode, i32 list, i32& count, i32& status)
{
    status = -1;
    if (call_fails("nc_surf_count")) return;
    if (list < 0 || list > 2) return;
    P().cur = list;
    auto& l = P().lists[list];
    if (mode == 1) {
        count = static_cast<i32>(l.size());
    } else if (mode == 2) {
        if (count < 0) return;
        l.resize(static_cast<size_t>(count));
    } else {
        return;
    }
    status = 0;
}

i32 nc_surf_cur() { return P().cur; }

namespace {
template <class F>
void rows_out(i32* out, i32 capacity, i32& status, F f)
{
    auto& l = cur();
    status = -1;
    if (static_cast<i32>(l.size()) > capacity) return;
    for (size_t k = 0; k < l.size(); ++k) out[k] = f(l[k]);
    status = 0;
}
}  // namespace

void nc_surf_ids(i32* ids, i32 capacity, i32& status)
{
    status = -1;
    if (call_fails("nc_surf_ids")) return;
    rows_out(ids, capacity, status, [](const Row& r) { return r.id; });
}
void nc_surf_uids(i32* uids, i32 capacity, i32& status)
{
    status = -1;
    if (call_fails("nc_surf_uids")) return;
    rows_out(uids, capacity, status, [](const Row& r) { return r.uid; });
}
void nc_surf_nrms(i32* nrms, i32 capacity, i32& status) { rows_out(nrms, capacity, status, [](const Row& r) { return r.nrm; }); }

void nc_surf_put(i32 count, const i32* ids, const i32* nrms, i32& status)
{
    status = -1;
    if (count < 0) return;
    auto& l = cur();
    l.assign(static_cast<size_t>(count), Row{});
    for (i32 k = 0; k < count; ++k) {
        l[static_cast<size_t>(k)].id = ids[k];
        l[static_cast<size_t>(k)].uid = euid(ids[k]);
        l[static_cast<size_t>(k)].nrm = nrms ? nrms[k] : 1;
    }
    status = 0;
}

void nc_surf_psrf(i32 count, const f32* records, i32& status)
{
    auto& l = cur();
    status = -1;
    if (count != static_cast<i32>(l.size())) return;
    for (i32 k = 0; k < count; ++k)
        std::copy(records + 9 * k, records + 9 * k + 9, l[static_cast<size_t>(k)].ref.begin());
    status = 0;
}

void nc_surf_get_psrf(f32* records, i32 capacity, i32& status)
{
    auto& l = cur();
    status = -1;
    if (static_cast<i32>(l.size()) > capacity) return;
    for (size_t k = 0; k < l.size(); ++k) std::copy(l[k].ref.begin(), l[k].ref.end(), records + 9 * k);
    status = 0;
}

void nc_surf_norm(i32 count, const i32* nrms, i32& status)
{
    auto& l = cur();
    status = -1;
    if (count != static_cast<i32>(l.size())) return;
    for (i32 k = 0; k < count; ++k) l[static_cast<size_t>(k)].nrm = nrms[k];
    status = 0;
}

void nc_surf_gs_part2(i32 mode, i32& value)
{
    if (mode == 2) P().part2 = value;
    else value = P().part2;
}

// ---------------------------------------------------------- geometry masks

void nc_geomsk_lst_add(i32 kind, const i32* mask, i32& status)
{
    status = -1;
    if (kind < 0 || kind > 3) return;
    P().masks[kind].push_back({mask[0], mask[1], mask[2], mask[3], mask[4]});
    status = 0;
}

i32 nc_geomsk_lst_count(i32 kind) { return kind < 0 || kind > 3 ? 0 : static_cast<i32>(P().masks[kind].size()); }

void nc_geomsk_lst_get_data(i32 kind, i32 index, i32* mask, i32& status)
{
    status = -1;
    if (index < 0 || index >= nc_geomsk_lst_count(kind)) return;
    for (int k = 0; k < 5; ++k) mask[k] = P().masks[kind][static_cast<size_t>(index)][static_cast<size_t>(k)];
    status = 0;
}

void nc_geomsk_lst_empty(i32 kind)
{
    if (kind >= 0 && kind <= 3) P().masks[kind].clear();
}

i32 elstcls(const i32& cls, i32* ids, const i32& capacity)
{
    i32 n = 0;
    for (auto& [id, e] : H().entities)
        if (e.cls == cls) {
            if (n < capacity) ids[n] = id;
            ++n;
        }
    return n;
}

// ---------------------------------------------------- bad-surface buffer

void init_badsrf()
{
    P().bad.clear();
    P().bad_on = true;
}

void end_badsrf()
{
    P().bad.clear();
    P().bad_on = false;
}

i32 get_flag_badsrf() { return P().bad_on ? 1 : 0; }

i32 find_id_in_buf_badsrf(const i32& id)
{
    auto& b = P().bad;
    auto it = std::find(b.begin(), b.end(), id);
    return it == b.end() ? -1 : static_cast<i32>(it - b.begin());
}

void put_id_in_buf_badsrf(const i32& id, i32& status)
{
    status = 0;
    if (find_id_in_buf_badsrf(id) >= 0) return;
    P().bad.push_back(id);
}

void redraw_badsrf()
{
    for (i32 id : P().bad) note("host: bad surface " + std::to_string(id) + " shown");
}

i32 count_badsrf() { return static_cast<i32>(P().bad.size()); }
