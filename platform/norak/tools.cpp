// The part's tool library: tool, holder, technology, tool-table and cycle-name
// entities loaded from the session file, the library index record "SYT2",
// and whole-entity access that leaves the current open entity alone.
// The layouts are described in README.md.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "core/host.h"
#include "platform/norak/session.h"
#include "platform/norak/state.h"

namespace norak {

namespace {
// Entity classes.
constexpr i32 C_TOOL = 20, C_HOLDER = 21, C_TECH = 22, C_TABLE = 23, C_DICT = 24;
// Tool entity header words.
constexpr size_t H_VERS = 0, H_TYPE = 1, H_NAME = 2, H_TEXT = 7, H_HOLD = 12, H_HMOD = 13, H_SYMB = 14,
                 H_NTEC = 15, H_TECH = 16, H_NREC = 21, HDR_N = 22;
constexpr size_t REC_MAX = 24, TECH_MAX = 5, STEP_MAX = 12, HOLDER_N = 56;
constexpr i32 VERSION = 700;
constexpr i32 SYT2_N = 32, SYT2_CYCLES = 30;

const char* const TYPE_NAMES[10] = {"DRILL", "MILL",      "LATHE",  "PUNCH",  "AGIE",
                                    "CHARMILLE", "MAKINO", "LATHE-DRILL", "THREAD", "GROOVE"};

std::string upper(std::string s)
{
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void put_text(std::vector<i32>& w, size_t at, const std::string& s, size_t nwords)
{
    char buf[64];
    std::memset(buf, ' ', sizeof buf);
    std::memcpy(buf, s.data(), std::min(s.size(), nwords * 4));
    std::memcpy(w.data() + at, buf, nwords * 4);
}

std::string text_of(const json& d, const char* field, const std::string& where, size_t most, const std::string& dflt)
{
    if (!d.contains(field)) return dflt;
    const json& v = d[field];
    if (!v.is_string()) throw session_error(where + "." + field + ": a text was expected");
    std::string s = v.get<std::string>();
    if (s.size() > most)
        throw session_error(where + "." + field + ": at most " + std::to_string(most) + " characters");
    return s;
}

f32 real_of(const json& d, const char* field, const std::string& where, f32 dflt)
{
    return d.contains(field) ? static_cast<f32>(need_num(d, field, where)) : dflt;
}

i32 int_of(const json& d, const char* field, const std::string& where, i32 dflt)
{
    return d.contains(field) ? need_int(d, field, where) : dflt;
}

void check_fields(const json& d, const std::string& where, std::initializer_list<const char*> allowed)
{
    for (auto it = d.begin(); it != d.end(); ++it) {
        bool ok = false;
        for (const char* a : allowed) ok = ok || it.key() == a;
        if (!ok) throw session_error(where + ": unknown field \"" + it.key() + "\"");
    }
}

void check_new_id(i32 id, const std::string& where)
{
    if (id < 0) throw session_error(where + ".id: ids are positive");
    if (id > 0 && H().entities.count(id)) throw session_error(where + ".id: id " + std::to_string(id) + " is used twice");
}

// Entities the library makes for itself (technology, tables, cycle names)
// take ids from DERIVED on, so that they never meet the ids a session gives.
constexpr i32 DERIVED = 900001;

i32 new_entity(i32 id, i32 cls, i32 type, std::vector<i32> words, bool derived = true)
{
    if (id == 0 && derived) {
        const auto& m = H().entities;
        id = m.empty() || m.rbegin()->first < DERIVED ? DERIVED : m.rbegin()->first + 1;
    }
    Entity e;
    e.id = id;
    e.cls = cls;
    e.type = type;
    e.words = std::move(words);
    return add_entity(std::move(e));
}

// The library index "SYT2": per tool type its table entity, symbol master
// and technology count; then the cycle-name entity.
std::vector<i32>& index_record()
{
    auto& r = H().records["SYT2"];
    r.kind = 4;
    if (r.words.size() < static_cast<size_t>(SYT2_N)) r.words.resize(SYT2_N, 0);
    return r.words;
}

void table_add(i32 type, i32 id, const std::string& name)
{
    auto& ix = index_record();
    i32& tab = ix[static_cast<size_t>(3 * (type - 1))];
    if (tab == 0 || !H().entities.count(tab)) tab = new_entity(0, C_TABLE, type, {0});
    if (ix[static_cast<size_t>(3 * (type - 1) + 2)] == 0) ix[static_cast<size_t>(3 * (type - 1) + 2)] = 1;
    auto& w = H().entities[tab].words;
    std::vector<i32> row(6, 0);
    row[0] = id;
    put_text(row, 1, name, 5);
    w.insert(w.end(), row.begin(), row.end());
    w[0] += 1;
}

i32 tool_type(const json& v, const std::string& where)
{
    if (v.is_number_integer()) {
        i32 t = v.get<i32>();
        if (t < 0 || t > 99) throw session_error(where + ".type: a tool type of 0 to 99 was expected");
        return t;
    }
    if (v.is_string()) {
        std::string s = upper(v.get<std::string>());
        for (i32 k = 0; k < 10; ++k)
            if (s == TYPE_NAMES[k]) return k + 1;
    }
    throw session_error(where + ".type: a tool type name (MILL, DRILL, ...) or number was expected");
}

// The per-type record of a tool description.
std::vector<i32> type_record(i32 type, const json& d, const std::string& w)
{
    auto r = [&](const char* f, f32 dflt) { return r2wrd(real_of(d, f, w, dflt)); };
    auto i = [&](const char* f, i32 dflt) { return int_of(d, f, w, dflt); };
    auto positive = [&](const char* f) {
        f32 v = static_cast<f32>(need_num(d, f, w));
        if (!(v > 0)) throw session_error(w + "." + f + ": a value above 0 was expected");
        return r2wrd(v);
    };
    switch (type) {
    case 2: {  // MILL
        check_fields(d, w, {"kind", "id", "type", "name", "text", "version", "holder", "holder_mode", "symbol",
                            "technology", "note", "diameter", "corner_radius", "taper", "cutting_length",
                            "clearance_length", "life", "lengthened"});
        std::vector<i32> rec(12, 0);
        rec[0] = positive("diameter");
        rec[1] = r("corner_radius", 0);
        rec[2] = r("cutting_length", 0);
        rec[3] = r("clearance_length", 0);
        rec[4] = r("taper", 0);
        rec[5] = r("life", 0);
        rec[6] = r2wrd(d.contains("lengthened") && need_int(d, "lengthened", w) ? 1.0f : 0.0f);
        f32 dia = wrd2r(rec[0]), crn = wrd2r(rec[1]), tap = wrd2r(rec[4]);
        if (crn < 0 || crn > dia / 2) throw session_error(w + ".corner_radius: 0 to half the diameter was expected");
        if (tap < 0 || tap >= 90) throw session_error(w + ".taper: an angle of 0 to below 90 degrees was expected");
        return rec;
    }
    case 1:
    case 8:  // DRILL, LATHE-DRILL
        check_fields(d, w, {"kind", "id", "type", "name", "text", "version", "holder", "holder_mode", "symbol",
                            "technology", "note", "diameter", "clearance_length", "cutting_length", "tip_angle"});
        return {positive("diameter"), r("clearance_length", 0), r("cutting_length", 0), r("tip_angle", 118)};
    case 4:  // PUNCH
        check_fields(d, w, {"kind", "id", "type", "name", "text", "version", "holder", "holder_mode", "symbol",
                            "technology", "note", "shape", "diameter", "length", "width"});
        return {i("shape", 1), r("diameter", 0), r("length", 0), r("width", 0)};
    case 3:
    case 9:
    case 10:  // LATHE, THREAD, GROOVE
        check_fields(d, w, {"kind", "id", "type", "name", "text", "version", "holder", "holder_mode", "symbol",
                            "technology", "note", "nose_radius", "width", "length"});
        return {r("nose_radius", 0), r("width", 0), r("length", 0)};
    case 5:  // AGIE
        check_fields(d, w, {"kind", "id", "type", "name", "text", "version", "holder", "holder_mode", "symbol",
                            "technology", "note", "generator", "flushing", "offset", "angle"});
        return {i("generator", 0), i("flushing", 0), i("offset", 0), r("angle", 0)};
    case 6: {  // CHARMILLE
        check_fields(d, w, {"kind", "id", "type", "name", "text", "version", "holder", "holder_mode", "symbol",
                            "technology", "note", "gcodes", "offset", "c_register", "a_register"});
        std::vector<i32> rec(8, 0);
        if (d.contains("gcodes")) {
            std::vector<i32> g = json_words(d["gcodes"], w + ".gcodes");
            if (g.size() > 5) throw session_error(w + ".gcodes: at most 5 G codes");
            std::copy(g.begin(), g.end(), rec.begin());
        }
        rec[5] = i("offset", 0);
        rec[6] = i("c_register", 0);
        rec[7] = i("a_register", 0);
        return rec;
    }
    case 7:  // MAKINO
        check_fields(d, w, {"kind", "id", "type", "name", "text", "version", "holder", "holder_mode", "symbol",
                            "technology", "note", "condition", "offset"});
        return {i("condition", 0), i("offset", 0)};
    default:
        check_fields(d, w, {"kind", "id", "type", "name", "text", "version", "holder", "holder_mode", "symbol",
                            "technology", "note", "record"});
        return d.contains("record") ? json_words(d["record"], w + ".record") : std::vector<i32>{};
    }
}

void load_tool(const json& d, const std::string& w)
{
    i32 id = int_of(d, "id", w, 0);
    check_new_id(id, w);
    i32 type = tool_type(need(d, "type", w), w);
    std::string name = text_of(d, "name", w, 20, "");
    if (name.find_first_not_of(' ') == std::string::npos) throw session_error(w + ".name: a tool needs a name");
    for (i32 t = 1; t <= 10; ++t) {
        i32 tab = index_record()[static_cast<size_t>(3 * (t - 1))];
        auto it = H().entities.find(tab);
        if (tab == 0 || it == H().entities.end()) continue;
        const auto& tw = it->second.words;
        for (size_t k = 1; k + 6 <= tw.size(); k += 6) {
            char n[21] = {0};
            std::memcpy(n, tw.data() + k + 1, 20);
            std::string s(n);
            while (!s.empty() && s.back() == ' ') s.pop_back();
            if (upper(s) == upper(name)) throw session_error(w + ".name: the name \"" + name + "\" is used twice");
        }
    }
    std::vector<i32> rec = type_record(type, d, w);
    if (rec.size() > REC_MAX) throw session_error(w + ".record: at most 24 words");

    std::vector<i32> hdr(HDR_N, 0);
    hdr[H_VERS] = int_of(d, "version", w, VERSION);
    hdr[H_TYPE] = type;
    put_text(hdr, H_NAME, name, 5);
    put_text(hdr, H_TEXT, text_of(d, "text", w, 20, "NO TEXT"), 5);
    i32 holder = int_of(d, "holder", w, 0);
    if (holder != 0) {
        auto it = H().entities.find(holder);
        if (holder < 0 || it == H().entities.end() || it->second.cls != C_HOLDER)
            throw session_error(w + ".holder: holder " + std::to_string(holder) + " is not defined before the tool");
    }
    hdr[H_HOLD] = holder;
    hdr[H_HMOD] = int_of(d, "holder_mode", w, holder != 0 ? 2 : 0);
    hdr[H_SYMB] = int_of(d, "symbol", w, 0);
    if (d.contains("technology")) {
        const json& t = d["technology"];
        if (!t.is_array() || t.size() > TECH_MAX)
            throw session_error(w + ".technology: a list of at most 5 technology cases was expected");
        for (size_t k = 0; k < t.size(); ++k) {
            std::string tw = w + ".technology[" + std::to_string(k) + "]";
            if (!t[k].is_object()) throw session_error(tw + ": an object was expected");
            check_fields(t[k], tw, {"spindle", "cutting_speed", "feed"});
            std::vector<i32> words = {int_of(t[k], "spindle", tw, 0), r2wrd(real_of(t[k], "cutting_speed", tw, 0)),
                                      r2wrd(real_of(t[k], "feed", tw, -1.0f))};
            hdr[H_TECH + k] = new_entity(0, C_TECH, 1, words);
        }
        hdr[H_NTEC] = static_cast<i32>(t.size());
    }
    hdr[H_NREC] = static_cast<i32>(rec.size());
    hdr.insert(hdr.end(), rec.begin(), rec.end());
    id = new_entity(id, C_TOOL, type, std::move(hdr), false);
    H().entities[id].attrs["TY"] = type;
    if (type >= 1 && type <= 10) table_add(type, id, name);
}

void load_holder(const json& d, const std::string& w)
{
    check_fields(d, w, {"kind", "id", "name", "steps", "drop_first", "extensions", "note"});
    i32 id = int_of(d, "id", w, 0);
    check_new_id(id, w);
    std::vector<i32> words(HOLDER_N, 0);
    const json& steps = need(d, "steps", w);
    if (!steps.is_array() || steps.size() > STEP_MAX)
        throw session_error(w + ".steps: a list of at most 12 steps was expected");
    words[0] = static_cast<i32>(steps.size());
    for (size_t k = 0; k < steps.size(); ++k) {
        std::string sw = w + ".steps[" + std::to_string(k) + "]";
        const json& s = steps[k];
        if (!s.is_array() || s.size() != 4)
            throw session_error(sw + ": four numbers were expected (lower and upper diameter, cone and step length)");
        for (size_t a = 0; a < 4; ++a) {
            if (!s[a].is_number() || s[a].get<double>() < 0)
                throw session_error(sw + ": lengths and diameters are numbers of 0 or more");
            words[1 + 12 * a + k] = r2wrd(static_cast<f32>(s[a].get<double>()));
        }
    }
    words[49] = int_of(d, "drop_first", w, 0);
    words[50] = int_of(d, "extensions", w, 0);
    put_text(words, 51, text_of(d, "name", w, 20, ""), 5);
    new_entity(id, C_HOLDER, 1, std::move(words), false);
}

void load_cycle(const json& d, const std::string& w)
{
    check_fields(d, w, {"kind", "code", "name", "note"});
    i32 code = need_int(d, "code", w);
    std::string name = text_of(d, "name", w, 20, "");
    auto& ix = index_record();
    i32& dict = ix[SYT2_CYCLES];
    if (dict == 0 || !H().entities.count(dict)) dict = new_entity(0, C_DICT, 3, {0});
    auto& dw = H().entities[dict].words;
    for (size_t k = 1; k + 6 <= dw.size(); k += 6)
        if (dw[k] == code) throw session_error(w + ".code: cycle " + std::to_string(code) + " is named twice");
    std::vector<i32> row(6, 0);
    row[0] = code;
    put_text(row, 1, name, 5);
    dw.insert(dw.end(), row.begin(), row.end());
    dw[0] += 1;
}

struct ToolKinds {
    ToolKinds()
    {
        register_entity_kind("tool", load_tool);
        register_entity_kind("holder", load_holder);
        register_entity_kind("cycle", load_cycle);
    }
} tool_kinds;
}  // namespace

}  // namespace norak

using namespace norak;

void dbdget(const i32& id, i32& cls, i32& type, i32* words, i32& count, i32& status)
{
    auto it = H().entities.find(id);
    if (it == H().entities.end()) {
        cls = type = count = 0;
        status = -1;
        return;
    }
    const Entity& e = it->second;
    cls = e.cls;
    type = e.type;
    if (e.words.size() > static_cast<size_t>(std::max(count, 0))) {
        count = static_cast<i32>(e.words.size());
        status = -2;
        return;
    }
    count = static_cast<i32>(e.words.size());
    std::copy(e.words.begin(), e.words.end(), words);
    status = 0;
}

void dbdput(const i32& id, const i32& count, const i32* words, i32& status)
{
    auto it = H().entities.find(id);
    if (it == H().entities.end() || count < 0) {
        status = -1;
        return;
    }
    it->second.words.assign(words, words + count);
    if (H().open_entity == id) H().ecursor = std::min(H().ecursor, it->second.words.size());
    status = 0;
}

void dbdnew(const i32& cls, const i32& type, const i32& count, const i32* words, i32& id, i32& status)
{
    id = 0;
    status = -1;
    if (count < 0 || alloc_fails()) return;
    Entity e;
    e.cls = cls;
    e.type = type;
    e.words.assign(words, words + count);
    id = add_entity(std::move(e));
    status = 0;
}
