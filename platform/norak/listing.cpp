// Listing files and what the text reports ask of the host: units and line
// builders, file names, levels and views, stored tool path entities, stored
// procedure values and the geometry associations of the part.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/host.h"
#include "core/hosttab.h"
#include "platform/norak/state.h"

namespace norak {
namespace {
i32 iv(const char* name) { return static_cast<i32>(nc_value(name)); }

struct Unit {
    std::string name;
    std::string text;
};

struct ListingHost {
    std::map<i32, Unit> units;                // open units
    std::map<std::string, std::string> files;  // files written during the session
    std::map<i32, std::vector<std::array<i32, 2>>> entries;  // tool path entity -> its entries
    std::vector<Assoc> assocs;
    size_t next_assoc = 0;
    std::vector<std::array<i32, 4>> nodes;
    bool output = false;  // the listing output is open
    i32 output_mode = 1;
    std::map<i32, void (*)(i32)> runners;  // segrun: procedure-type code -> its module
    i32 loaded = 0;                               // the tool path whose tables are loaded (0: the open one)
    std::map<i32, std::array<i32, 2>> proc_flags;  // stored procedure -> its "G" flag and sub-procedures
};

constexpr i32 OUTPUT_UNIT = 98;  // the unit of the listing output

ListingHost& L() { return ext_state<ListingHost>("listing"); }

std::string cut(const char* text, i32 length)
{
    if (!text || length <= 0) return {};
    std::string s(text, strnlen(text, static_cast<size_t>(length)));
    size_t e = s.find_last_not_of(' ');
    return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

std::string real_text(f64 v)
{
    if (!std::isfinite(v)) return "*******";
    char b[64];
    if (std::fabs(v) >= 1.0e9) {
        std::snprintf(b, sizeof b, "%.4E", v);
        return b;
    }
    std::snprintf(b, sizeof b, "%.4f", v);
    std::string s = b;
    if (s == "-0.0000") s = "0.0000";
    return s;
}

std::string date_text(const i32* d)
{
    char b[96];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", d[0], d[1], d[2], d[3], d[4], d[5]);
    return b;
}

void put_line(i32 unit, const std::string& line)
{
    auto it = L().units.find(unit);
    if (it != L().units.end()) it->second.text += line + "\n";
}

void pad(char* out, i32 width, const std::string& text)
{
    std::memset(out, ' ', static_cast<size_t>(std::max(width, 0)));
    std::memcpy(out, text.data(), std::min(text.size(), static_cast<size_t>(std::max(width, 0))));
}

Entity* entity(i32 id, i32 cls, i32 type)
{
    auto it = H().entities.find(id);
    if (it == H().entities.end() || it->second.cls != cls || it->second.type != type) return nullptr;
    return &it->second;
}

// Finds the coded item of a code among words of items (code, count + 1, type,
// values) and copies its values: 0, or 1 when there is none, -1 (nothing
// copied) when it holds more than GS_PARAM_MAX words.
i32 find_item(const std::vector<i32>& w, size_t from, i32 code, i32* values, i32 limit = GS_PARAM_MAX)
{
    size_t k = from;
    while (k + 3 <= w.size()) {
        i32 n = w[k + 1] - 1;
        if (n < 0 || k + 3 + static_cast<size_t>(n) > w.size()) return 1;
        if (w[k] == code) {
            if (n > limit) return -1;
            if (n > 0) std::memcpy(values, &w[k + 3], static_cast<size_t>(n) * sizeof(i32));
            return 0;
        }
        k += 3 + static_cast<size_t>(n);
    }
    return 1;
}

// Overwrites the values of the item of that code in place (its count kept);
// 1 when there is none.
i32 put_item(std::vector<i32>& w, size_t from, size_t end, i32 code, const i32* values)
{
    size_t k = from;
    while (k + 3 <= end) {
        i32 n = w[k + 1] - 1;
        if (n < 0 || k + 3 + static_cast<size_t>(n) > end) return 1;
        if (w[k] == code) {
            if (n > 0) std::memcpy(&w[k + 3], values, static_cast<size_t>(n) * sizeof(i32));
            return 0;
        }
        k += 3 + static_cast<size_t>(n);
    }
    return 1;
}
}  // namespace

std::string render_item(const lnitem& it)
{
    switch (it.kind) {
    case 'T': return it.text && it.count > 0 ? std::string(it.text, static_cast<size_t>(it.count)) : std::string();
    case 'B': return std::string(static_cast<size_t>(std::max(it.count, 0)), ' ');
    case 'I': return std::to_string(it.count);
    case 'R': return real_text(it.value);
    case 'U': return real_text(it.value / H().settings.unit);
    case 'C': return it.date ? date_text(it.date) : std::string();
    default: return {};
    }
}

const std::string* text_file(const std::string& name)
{
    auto it = L().files.find(name);
    return it == L().files.end() ? nullptr : &it->second;
}

i32 add_toolpath_entity(const std::vector<i32>& header, const std::vector<std::array<i32, 2>>& entries)
{
    Entity e;
    e.cls = 9;
    e.type = 3;
    e.words.assign({49, 0});
    e.words.insert(e.words.end(), header.begin(), header.end());
    e.words.resize(50, 0);
    i32 id = add_entity(std::move(e));
    L().entries[id] = entries;
    return id;
}

std::vector<Assoc>& associations() { return L().assocs; }
void set_segrun(i32 code, void (*run)(i32 code)) { L().runners[code] = run; }
void set_stored_proc_flags(i32 id, i32 gflag, i32 subprocs) { L().proc_flags[id] = {gflag, subprocs}; }
const std::vector<std::array<i32, 4>>& assoc_nodes() { return L().nodes; }

}  // namespace norak

using namespace norak;

// ------------------------------------------------------------ units, lines

void aopen(const i32& unit, const char* name, const i32& length, const i32& mode, i32& status)
{
    std::string n = cut(name, length);
    status = -1;
    if (unit < 1 || unit > 99 || mode != 2 || n.empty() || n.find('/') != std::string::npos ||
        iv("file_open_fails") != 0 || L().units.count(unit))
        return;
    L().units[unit] = Unit{n, {}};
    status = 0;
}

void aclose(const i32& unit)
{
    auto it = L().units.find(unit);
    if (it == L().units.end()) return;
    Unit u = std::move(it->second);
    L().units.erase(it);
    L().files[u.name] = u.text;
    if (!H().settings.out_dir.empty()) {
        std::FILE* f = std::fopen(out_path(u.name).c_str(), "w");
        if (f) {
            std::fwrite(u.text.data(), 1, u.text.size(), f);
            std::fclose(f);
        }
    }
}

void fltxtc(const i32& unit, const char* text) { put_line(unit, text ? text : ""); }

void fltxts(const i32& unit, const char* text, i32& status)
{
    auto it = L().units.find(unit);
    status = it == L().units.end() || iv("file_write_fails") != 0 ? -1 : 0;
    if (status == 0) put_line(unit, text ? text : "");
}

void filtxt(const i32& unit, const char* text, const i32& length)
{
    put_line(unit, render_item(lnT(text, length)));
}

void filtxn(const i32& unit, const lnitem* items, const i32& count)
{
    std::string line;
    for (i32 k = 0; k < count; ++k) line += render_item(items[k]);
    put_line(unit, line);
}

// ------------------------------------------------------ the listing output

void ofinit(const char* name, const i32& length, i32& status)
{
    status = -1;
    if (L().output) return;
    aopen(OUTPUT_UNIT, name, length, 2, status);
    if (status != 0) return;
    L().output = true;
    L().output_mode = 1;
}

void ofgunt(i32& unit) { unit = L().output ? OUTPUT_UNIT : 0; }

void ofmod(const i32& mode, i32& status)
{
    status = L().output ? 0 : -1;
    if (status == 0 && (mode == 1 || mode == 2)) L().output_mode = mode;
}

void ofmod(const i32& mode)
{
    i32 st = 0;
    ofmod(mode, st);
}

void ofloff(i32& status)
{
    status = L().output ? 0 : -1;
    if (status < 0) return;
    aclose(OUTPUT_UNIT);
    L().output = false;
}

void ofwric(const char* text)
{
    if (L().output)
        put_line(OUTPUT_UNIT, text ? text : "");
    else
        note(std::string("listing: ") + (text ? text : ""));
}

void segrun(const i32& code, i32& status)
{
    note("host: segrun " + std::to_string(code));
    status = 0;
    auto it = L().runners.find(code);
    if (it != L().runners.end()) it->second(code);
}

// ------------------------------------------------------------- file names

void gtpfnm(char* name, const i32& capacity, i32& length, i32& status)
{
    const std::string& p = H().settings.part_file;
    status = -1;
    length = 0;
    if (p.empty() || static_cast<i32>(p.size()) >= capacity) return;
    std::memcpy(name, p.data(), p.size());
    name[p.size()] = 0;
    length = static_cast<i32>(p.size());
    status = 0;
}

void gtpfmx(char* extension) { pad(extension, 4, H().settings.part_ext.substr(0, 4)); }

void makfln(const char* part, const i32& plen, const char* tag, const i32& tlen, const char* suffix,
            const i32& slen, char* name, const i32& capacity, i32& length, i32& status)
{
    std::string p = cut(part, plen), t = cut(tag, tlen), s = cut(suffix, slen);
    std::string n = t.empty() ? p + "." + s : p + "_" + t + "." + s;
    status = -1;
    length = 0;
    if (p.empty() || n.size() >= 255 || static_cast<i32>(n.size()) > capacity) return;
    pad(name, capacity, n);
    length = static_cast<i32>(n.size());
    status = 0;
}

i32 sexist(const char* name, const i32& length) { return L().files.count(cut(name, length)) ? 1 : 0; }

void inqflw(const char* name, const i32& length, i32& answer)
{
    std::string q = "FILE " + cut(name, length) + " EXISTS. OVERWRITE?";
    irepyc(q.c_str(), answer);
}

void usrms4(const char* text, const char* name, const i32& length)
{
    note(std::string("message: ") + text + " " + cut(name, length));
}

void errou4(const char* text, const char* name, const i32& length)
{
    note(std::string("internal: ") + text + " " + cut(name, length));
}

// ------------------------------------------------ stored tool path entities

void get_tp_info(const i32& tp, i32& count, i32& status)
{
    auto it = L().entries.find(tp);
    status = it == L().entries.end() ? -1 : 0;
    count = status == 0 ? static_cast<i32>(it->second.size()) : 0;
}

void dbd_tp(const i32& mode, const i32& tp, i32* pairs, i32& count, i32& status)
{
    auto it = L().entries.find(tp);
    status = -1;
    if (mode != 1 || it == L().entries.end() || static_cast<i32>(it->second.size()) > count) return;
    for (size_t k = 0; k < it->second.size(); ++k) {
        pairs[2 * k] = it->second[k][0];
        pairs[2 * k + 1] = it->second[k][1];
    }
    count = static_cast<i32>(it->second.size());
    status = 0;
}

void open_movmnt(const i32& id, i32& count, i32& status)
{
    Entity* e = entity(id, 9, MOVMNT_TYPE);
    count = 0;
    status = -1;
    if (!e || e->words.size() < 5) return;
    i32 cls = 0, type = 0, len = 0;
    eopen(id, cls, type, len, status);
    if (status < 0) return;
    count = e->words[3];
    eskipn(5);
    set_open_proc(id);
}

void gs_proc_id(i32 mode, i32& id)
{
    if (mode == 2)
        H().settings.nc["proc_id"] = id;
    else
        id = gs_proc_id();
}

void eginfo(i32& open, i32& position, i32& id)
{
    id = open_entity();
    open = id > 0 ? 1 : 0;
    position = id > 0 ? static_cast<i32>(H().ecursor) : 0;
}

// ------------------------------------------------------------ levels, views

void gtalev(char* name)
{
    char n[7];
    gsname(1, iv("level") + 1, n);
    std::memcpy(name, n, 6);
}

void gultab(const i32&) {}

void gsname(const i32&, const i32& index, char* name)
{
    std::string level = "L";
    pad(name, 6, level += std::to_string(index - 1));
}

void gvtdat(const i32& view, i32& kind, char* name)
{
    kind = view >= 1 ? 3 : 1;
    pad(name, 8, view >= 1 ? "MACSYS" + std::to_string(view) : std::string());
}

f32 degree(const f32& radians) { return static_cast<f32>(radians * 180.0 / 3.14159265358979323846); }

void trv2v(const i32& from, const i32& to, f32* matrix)
{
    // Rows of the axes of each view in world coordinates (view 0: the world
    // axes, others the host's view table); the rotation from view a to view
    // b is B A^T.
    f32 a[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, b[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    if (from != 0) trget(from, a);
    if (to != 0) trget(to, b);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            f32 s = 0;
            for (int k = 0; k < 3; ++k) s += b[3 * r + k] * a[3 * c + k];
            matrix[3 * r + c] = s;
        }
}

void mapw2v(const f32* world, const i32&, const i32&, f32* view)
{
    for (int k = 0; k < 3; ++k) view[k] = world[k];
}

void dbttna(const i32& id, char* name)
{
    auto it = H().entities.find(id);
    pad(name, 4, it == H().entities.end() ? std::string() : it->second.name);
}

// ------------------------------------------------ stored procedure values

namespace {
// An item of a geometry entity (six header words, then coded items): the
// count (43 part, 44 check surfaces), the unique ids (308, 309), and the ids
// (246, 245) and side flags (247, 248), which the procedure writer may have
// stored under 45/46 (part) or 150/151 (check). A list item may be as long as
// the group's count (the caller sizes its area by it) or GS_PARAM_MAX.
void geometry_item(const std::vector<i32>& w, i32 code, i32* values, i32& status)
{
    const bool part = code == 43 || code == 308 || code == 246 || code == 247;
    const bool check = code == 44 || code == 309 || code == 245 || code == 248;
    if (!part && !check) {
        status = find_item(w, 6, code, values);
        return;
    }
    i32 count = 0;
    if (find_item(w, 6, part ? 43 : 44, &count) != 0) count = 0;
    const i32 limit = std::max(count, GS_PARAM_MAX);
    status = find_item(w, 6, code, values, limit);
    if (status != 1) return;
    const i32 stored = code == 246 ? 45 : code == 247 ? 46 : code == 245 ? 150 : code == 248 ? 151 : 0;
    if (stored != 0) status = find_item(w, 6, stored, values, limit);
}
}  // namespace

void gs_param(i32 mode, i32 ent, i32, i32 group, i32 code, i32* values, i32& status)
{
    status = -1;
    Entity* e = nullptr;
    size_t from = 0;
    if (mode == 3 && group == 4 && (e = entity(ent, 9, PROC_TYPE)) != nullptr) {
        // three zeros, number, code, the group-24 count, its words
        if (e->words.size() < 6) return;
        i32 n = e->words[5];
        if (n < 0 || 6 + static_cast<size_t>(n) > e->words.size()) return;
        std::vector<i32> w(e->words.begin() + 6, e->words.begin() + 6 + n);
        status = find_item(w, 0, code, values);
        return;
    }
    if (mode == 2 && group == 4 && (e = entity(ent, 9, PROC_TYPE)) != nullptr) {
        if (e->words.size() < 6) return;
        i32 n = e->words[5];
        if (n < 0 || 6 + static_cast<size_t>(n) > e->words.size()) return;
        status = put_item(e->words, 6, 6 + static_cast<size_t>(n), code, values);
        return;
    }
    if (mode == 3 && group == 5 && (e = entity(ent, 9, MCHPRM_TYPE)) != nullptr) {
        from = 4;
        status = find_item(e->words, from, code, values);
        return;
    }
    if (mode == 1 && group == 6 && (e = entity(ent, 9, LCLPRM_TYPE)) != nullptr) {
        status = find_item(e->words, 4, code, values);
        return;
    }
    if (mode == 3 && (e = entity(ent, 9, GEOM_TYPE)) != nullptr) geometry_item(e->words, code, values, status);
}

// The part's tool path table: the stored tool paths in the order of their ids.
void update_tp_flags(i32 mode, i32 list)
{
    L().loaded = mode == 2 ? list : 0;
    note("host: tool path tables " + std::string(mode == 2 ? "of " + std::to_string(list) + " loaded" : "restored"));
}

void get_tp_proc_ids(i32 index, i32* ids, i32 capacity, i32& count, i32& status)
{
    count = 0;
    status = -1;
    i32 k = 0;
    for (const auto& [tp, pairs] : L().entries) {
        if (++k != index) continue;
        for (const auto& p : pairs)
            if (p[0] == 1 && count < capacity) ids[count++] = p[1];
        status = 0;
        return;
    }
}

void get_tp_proc_flags(i32 row, i32& gflag, i32& subprocs, i32& status)
{
    gflag = subprocs = 0;
    status = -1;
    i32 k = 0, at = 0;
    for (const auto& [tp, pairs] : L().entries) {
        if (L().loaded < 1 || ++k != L().loaded) continue;
        for (const auto& p : pairs) {
            if (p[0] != 1 || ++at != row) continue;
            const auto it = L().proc_flags.find(p[1]);
            if (it != L().proc_flags.end()) gflag = it->second[0], subprocs = it->second[1];
            status = 0;
            return;
        }
        return;
    }
}

void get_tp_name(i32 index, char* name, i32& status)
{
    std::memset(name, ' ', 8);
    status = -1;
    i32 k = 0;
    for (const auto& entry : L().entries) {
        if (++k != index) continue;
        // The name: the first two header words of the stored tool path.
        i32 header[24];
        get_set_tp_header(1, entry.first, header);
        for (size_t c = 0; c < 8; ++c) {
            const char ch = reinterpret_cast<const char*>(header)[c];
            if (ch != '\0') name[c] = ch;
        }
        status = 0;
        return;
    }
}

i32 gs_check_movmnt(i32) { return iv("check_movmnt"); }

// ----------------------------------------------------------- associations

void asseqa(const i32& mode, i32& proc, i32& element, i32& ucs, i32& kind, i32& sub, i32& state, i32& code)
{
    ListingHost& l = L();
    if (mode == 1) l.next_assoc = 0;
    if (l.next_assoc >= l.assocs.size()) {
        code = -1;
        return;
    }
    const Assoc& a = l.assocs[l.next_assoc++];
    proc = a.proc, element = a.element, ucs = a.ucs, kind = a.kind, sub = a.sub, state = a.state, code = a.code;
}

void ncn_assoc_find_geom_proc(i32 element, i32* procs, i32 capacity, i32& count)
{
    count = 0;
    for (const Assoc& a : L().assocs)
        if (a.element == element) {
            for (i32 p : a.users)
                if (count < capacity) procs[count++] = p;
            return;
        }
}

// The stored tool paths that hold the procedure among their entries (kind 1),
// in the order of their ids.
void ncn_assoc_find_proc_tp(i32 proc, i32* tps, i32 capacity, i32& count)
{
    count = 0;
    for (const auto& [tp, pairs] : L().entries)
        for (const auto& p : pairs)
            if (p[0] == 1 && p[1] == proc) {
                if (count < capacity) tps[count++] = tp;
                break;
            }
}

namespace {
const Assoc* assoc_of(i32 element)
{
    for (const Assoc& a : L().assocs)
        if (a.element == element) return &a;
    return nullptr;
}
}  // namespace

i32 asedit(const i32& element)
{
    const Assoc* a = assoc_of(element);
    return a && a->edited ? 1 : 0;
}

i32 aschge(const i32& element)
{
    const Assoc* a = assoc_of(element);
    return a && a->changed ? 1 : 0;
}

i32 eucs(const i32& ucs) { return ucs > 0 ? 1 : 0; }

void ncn_assoc_create_tree(i32, i32& status)
{
    L().nodes.clear();
    status = 0;
}

void ncn_assoc_add_node(i32 kind, i32 parent, i32 number, i32 id, i32& node, i32& status)
{
    L().nodes.push_back({kind, parent, number, id});
    node = static_cast<i32>(L().nodes.size());
    status = 0;
}

void ncn_assoc_delete_node(i32, i32, i32, i32, i32) { L().nodes.clear(); }

void last_geom_temp_id(const i32& id, i32& current) { current = id; }

void get_set_blknum(i32, i32 number, i32& mapped) { mapped = number; }
