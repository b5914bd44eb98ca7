// The pick stack and the interactive picks: entities picked with the (u, v)
// where the pick met them, points indicated in space, the pick mode value,
// faces of solids (the stand-in has none) and the surface data a pick gives.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/host.h"
#include "platform/norak/geometry.h"
#include "platform/norak/state.h"

namespace norak {
namespace {
struct Picking {
    std::vector<PickEntry> stack;
    i32 mode = 0;  // pick mode value
    std::string prompt;
};
Picking& S() { return ext_state<Picking>("picking"); }

// The text a pick answers: the last prompt shown.
std::string asked()
{
    const auto& t = H().transcript;
    for (auto it = t.rbegin(); it != t.rend(); ++it)
        if (it->rfind("prompt: ", 0) == 0) return it->substr(8);
    return "PICK";
}

void need_entity(const Reply& r, i32 id)
{
    if (!H().entities.count(id))
        throw session_error("reply " + std::to_string(r.index + 1) + " picks entity " + std::to_string(id) +
                            ", which does not exist");
}

std::string num(f64 x)
{
    char b[32];
    std::snprintf(b, sizeof b, "%g", x);
    return b;
}

void push(i32 id, f64 u, f64 v)
{
    PickEntry e;
    e.entity = id;
    e.u = static_cast<f32>(u);
    e.v = static_cast<f32>(v);
    S().stack.push_back(e);
}

bool entry(i32 index, PickEntry& e)
{
    auto& s = S().stack;
    if (index < 1 || index > static_cast<i32>(s.size())) return false;
    e = s[static_cast<size_t>(index - 1)];
    return true;
}

// Ordinal of a value in the value format "S": 1ST, 2ND, 3RD, 4TH ...
std::string ordinal(i32 n)
{
    const char* suf = "TH";
    if (n % 100 < 11 || n % 100 > 13) {
        if (n % 10 == 1) suf = "ST";
        else if (n % 10 == 2) suf = "ND";
        else if (n % 10 == 3) suf = "RD";
    }
    return std::to_string(n) + suf;
}
}  // namespace

std::vector<PickEntry>& pick_stack() { return S().stack; }

}  // namespace norak

using namespace norak;

// ------------------------------------------------------------ pick stack

namespace {
// Answers one pick from the reply script: 0 with the entity, -2 escape,
// -1 exit, -3 end of picking.
i32 answer_pick(const char* prompt, i32& id, const Reply*& picked)
{
    note(std::string("pick: ") + prompt);
    id = 0;
    picked = nullptr;
    i32 chosen = 0;
    if (preset_reply(chosen)) return chosen;
    const Reply& r = next_reply("pick", prompt);
    if (r.escape) return -2;
    if (r.exit) return -1;
    if (r.end) return -3;
    need_entity(r, r.entity);
    id = r.entity;
    picked = &r;
    return 0;
}
}  // namespace

void pcksrf(const char* prompt, i32& id, i32& status)
{
    const Reply* r = nullptr;
    status = answer_pick(prompt, id, r);
    if (r) push(id, r->u, r->v);
    note("reply: " + (status == 0 ? "entity " + std::to_string(id) : std::to_string(status)));
}

void pckpnt(const char* prompt, i32& id, f64& u, f64& v, i32& status)
{
    const Reply* r = nullptr;
    status = answer_pick(prompt, id, r);
    if (r) {
        u = r->u;
        v = r->v;
        push(id, u, v);
    }
    note("reply: " + (status == 0 ? "entity " + std::to_string(id) + " at (" + std::to_string(u) + ", " + std::to_string(v) + ")"
                                  : std::to_string(status)));
}

void pksdel(const i32& first, const i32& count)
{
    auto& p = S().stack;
    if (first < 1 || count <= 0 || first > static_cast<i32>(p.size())) return;
    size_t b = static_cast<size_t>(first - 1), e = std::min(p.size(), b + static_cast<size_t>(count));
    p.erase(p.begin() + static_cast<long>(b), p.begin() + static_cast<long>(e));
}

void slclr() { S().stack.clear(); }

void slpopb(i32& id)
{
    auto& p = S().stack;
    id = p.empty() ? 0 : p.back().entity;
    if (!p.empty()) p.pop_back();
}

void ncd_get_picked(const i32& id, i32* key, const i32& capacity, i32& count)
{
    count = 0;
    auto it = H().entities.find(id);
    if (it == H().entities.end()) return;
    for (const char* a : {"PN", "BN"}) {
        auto at = it->second.attrs.find(a);
        if (at == it->second.attrs.end() || count >= capacity) return;
        key[count++] = at->second;
    }
}

void ncd_set_range_blocks_attention(const i32& proc, const i32& count, const i32& code)
{
    note("display: attention " + std::to_string(code) + " on procedure " + std::to_string(proc) +
         (count > 0 ? ", " + std::to_string(count) + " blocks" : ", all blocks"));
}

// The status bar is line 0 of the status-line fields: statmc shows a text
// in one of its fields, statbl clears them.
void statbl()
{
    for (i32 field = 1; field <= 8; ++field)
        if (!status_field(0, field).empty()) keep_status_field(0, field, "");
}
void statmc(const i32& field, const char* text, const i32& width)
{
    std::string shown(text);
    shown.resize(static_cast<size_t>(std::max(width, 0)), ' ');
    keep_status_field(0, field, shown);
    note("field 0." + std::to_string(field) + ": [" + shown + "]");
}
void pkspsh(const i32& id) { push(id, 0, 0); }
void pksrej(const i32& count)
{
    auto& p = S().stack;
    size_t n = static_cast<size_t>(std::clamp<i32>(count, 0, static_cast<i32>(p.size())));
    p.resize(p.size() - n);
}
i32 pkscnt() { return static_cast<i32>(S().stack.size()); }
void pksget(i32* ids, const i32& capacity, i32& count)
{
    auto& p = S().stack;
    count = std::min<i32>(capacity, static_cast<i32>(p.size()));
    for (i32 k = 0; k < count; ++k) ids[k] = p[static_cast<size_t>(k)].entity;
}

void sllen(i32& length) { length = static_cast<i32>(S().stack.size()); }

void sltop3m(i32& entity, f32* uv, i32& face, i32& faceid, i32& status)
{
    i32 n = static_cast<i32>(S().stack.size());
    slseq3m(n, entity, uv, face, faceid, status);
}

void slseq3m(const i32& index, i32& entity, f32* uv, i32& face, i32& faceid, i32& status)
{
    PickEntry e;
    status = entry(index, e) ? 0 : -1;
    entity = e.entity;
    uv[0] = e.u;
    uv[1] = e.v;
    face = e.face;
    faceid = e.faceid;
}

void slgtuv(const i32& index, i32& entity, f32& u, f32& v, i32& status)
{
    PickEntry e;
    status = entry(index, e) ? 0 : -1;
    entity = e.entity;
    u = e.u;
    v = e.v;
}

void slrjct()
{
    auto& s = S().stack;
    if (s.empty()) return;
    note("host: pick of entity " + std::to_string(s.back().entity) + " rejected");
    s.pop_back();
}

void slfind(const i32& entity, i32& index)
{
    auto& s = S().stack;
    index = 0;
    for (size_t k = s.size(); k > 0; --k)
        if (s[k - 1].entity == entity) {
            index = static_cast<i32>(k);
            return;
        }
}

void sldel(const i32& index, i32& status)
{
    auto& s = S().stack;
    status = -1;
    if (index < 1 || index > static_cast<i32>(s.size())) return;
    s.erase(s.begin() + (index - 1));
    status = 0;
}

// ----------------------------------------------------------------- picks

void pick(i32& status)
{
    {
        // While a menu is shown and not read (the editor's columns or the
        // procedure menus' rows), the user may answer the pick with a choice
        // of that menu instead; a pick given leaves the menu unread.
        Host& h = H();
        if ((column_form() || form_shown()) && h.next_reply < h.replies.size() &&
            h.replies[h.next_reply].kind == "menu") {
            tp_pick().enabled = false;
            status = column_read();
            return;
        }
        form_drop();
    }
    std::string text = asked();
    note("pick: " + text);
    if (preset_reply(status)) {
        note("reply: " + std::to_string(status));
        return;
    }
    const Reply& r = next_reply("pick", text);
    if (r.escape) {
        status = -2;
    } else if (r.exit) {
        status = -1;
    } else if (r.end) {
        status = -3;
    } else if (tp_pick().enabled) {
        // a tool path block: the reply names its number in the current list
        // its display block goes on the pick stack as an entity keyed by the
        // list level ("PN") and the block number ("BN")
        i32 level = 0;
        gtlstn(1, level);
        Host& h = H();
        const i32 id = h.next_entity++;
        Entity& e = h.entities[id];
        e.id = id;
        e.attrs["PN"] = level;
        e.attrs["BN"] = r.entity;
        push(id, 0, 0);
        status = 0;
        note("reply: block " + std::to_string(r.entity));
        tp_pick().enabled = false;
        return;
    } else {
        need_entity(r, r.entity);
        push(r.entity, r.u, r.v);
        status = 0;
    }
    note("reply: " + (status == 0 ? "entity " + std::to_string(r.entity) + " at " + num(r.u) + " " + num(r.v)
                                  : std::to_string(status)));
}

void mulpck(const i32&) {}

void mpckfc(const char* prompt, i32& status)
{
    note(std::string("pick: ") + prompt);
    const Reply& r = next_reply("pick", prompt);
    std::string got;
    if (r.escape) {
        status = -2;
    } else if (r.exit) {
        status = -1;
    } else if (r.end) {
        status = 0;
    } else if (!r.picks.empty()) {
        for (const auto& p : r.picks) {
            i32 id = static_cast<i32>(p[0]);
            need_entity(r, id);
            push(id, p[1], p[2]);
            (got += ' ') += std::to_string(id);
        }
        status = 0;
    } else {
        need_entity(r, r.entity);
        push(r.entity, r.u, r.v);
        got = " " + std::to_string(r.entity);
        status = -3;
    }
    note("reply: " + (got.empty() ? std::to_string(status) : "entities" + got));
}

void stmpok(const i32& mode) { S().mode = mode; }
void enaunp(i32& mode) { mode = S().mode; }
void enasts() {}
void enatrs() {}
void setmf() {}
void pickm_enable(const i32&) {}

void prmp1c(const char* before, const hval& value, const char* format, const char* after)
{
    std::string v = value.isint ? (format && format[0] == 'S' ? ordinal(value.i) : std::to_string(value.i))
                                : num(value.r);
    std::string t = before;
    t += " " + v;
    if (after && *after) t += std::string(" ") + after;
    note("prompt: " + t);
}

void getpt(const i32&, f32* point, i32& status)
{
    {
        // While menu columns are shown, the user may answer the point with a
        // choice of that menu instead (its row, as pick does).
        Host& h = H();
        if (column_form() && h.next_reply < h.replies.size() && h.replies[h.next_reply].kind == "menu") {
            status = column_read();
            return;
        }
    }
    column_drop();
    std::string text = asked();
    note("point: " + text);
    const Reply& r = next_reply("point", text);
    if (r.escape) {
        status = -2;
    } else if (r.exit) {
        status = -1;
    } else if (r.end) {
        status = -3;
    } else {
        for (int k = 0; k < 3; ++k) point[k] = static_cast<f32>(r.point[k]);
        status = 0;
    }
    note("reply: " + (status == 0 ? num(r.point[0]) + " " + num(r.point[1]) + " " + num(r.point[2])
                                  : std::to_string(status)));
}

void menuc(const char* options, i32& choice)
{
    note(std::string("menu: ") + options);
    const Reply& r = next_reply("menu", options);
    if (r.escape) {
        choice = -2;
    } else if (r.exit) {
        choice = -1;
    } else if (r.end) {
        choice = -3;
    } else {
        choice = 0;
        for (i32 k = 1; !choice_text(options, k).empty(); ++k)
            if (choice_text(options, k) == r.answer || std::to_string(k) == r.answer) choice = k;
        if (choice == 0)
            throw session_error("reply " + std::to_string(r.index + 1) + " answers \"" + r.answer +
                                "\", which is no option of menu \"" + options + "\"");
    }
    note("reply: " + std::to_string(choice) + (choice > 0 ? " (" + choice_text(options, choice) + ")" : ""));
}

// The pull-down menu is shown and answered as the menu of options.
void pdmenc(const char* options, i32& choice) { menuc(options, choice); }

// --------------------------------------------------------- faces of solids
// The stand-in keeps no solids: no pick is ever a face.

i32 ncs_can_solid() { return 0; }
void ncs_explode_face_to_surf(const i32& face, i32& surface, i32& status)
{
    surface = face;
    status = -1;
}
void ncs_get_generation_number(const i32&, i32& generation, i32& status)
{
    generation = 0;
    status = -1;
}
i32 ncs_obj_uid(const i32& face) { return euid(face); }
void ps_parpt_init() {}
void ncs_table_insert(const i32&, const i32&, const i32&, const i32*, i32& status) { status = -1; }
void ncs_table_delete_faces(const i32&, const i32*, i32& status) { status = 0; }
i32 ncs_id_is_not_solid(const i32&) { return 1; }

// ------------------------------------------------------- surface data

void nc_surf_inf(const i32& id, const i32&, const f32& u, const f32& v, i32& side, f32* ref, f32* normal,
                 i32& status)
{
    std::vector<f64> b = surface_doubles(id);
    status = -1;
    if (b.empty() || !buffer_sound(b.data())) return;
    const f64* lim = b.data() + SB_LIM;
    const f64 eps = 1e-9 * (1 + std::fabs(lim[1]) + std::fabs(lim[4]));
    bool inside = u >= lim[0] - eps && u <= lim[0] + lim[1] + eps && v >= lim[3] - eps && v <= lim[3] + lim[4] + eps;
    SrfEval e;
    i32 st = eval_full(b.data(), u, v, e);
    if (st < 0) return;
    for (int k = 0; k < 3; ++k) {
        ref[k] = static_cast<f32>(e.p[k]);
        ref[3 + k] = static_cast<f32>(e.su[k]);
        ref[6 + k] = static_cast<f32>(e.sv[k]);
        normal[k] = static_cast<f32>(e.n[k]);
    }
    side = 1;
    status = inside && st == 0 ? 0 : 2;
}

void gsrfcrn(const i32& id, const i32& capacity, i32& count, f64* points, i32& status)
{
    std::vector<f64> b = surface_doubles(id);
    count = 0;
    status = -1;
    if (b.empty() || !buffer_sound(b.data())) return;
    const f64* lim = b.data() + SB_LIM;
    std::vector<std::array<f64, 2>> uv;
    if (b[SB_TRIM] == 0.0) {
        f64 u0 = lim[0], u1 = lim[0] + lim[1], v0 = lim[3], v1 = lim[3] + lim[4];
        uv = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    } else {
        // Corners of the outer trim loop: where it turns by more than 30 degrees.
        auto loops = trim_polygons(b.data(), trim_tolerance());
        if (loops.empty()) return;
        const auto& l = loops[0];
        size_t n = l.size() / 2;
        for (size_t k = 0; k < n; ++k) {
            size_t a = (k + n - 1) % n, c = (k + 1) % n;
            f64 d1[2] = {l[2 * k] - l[2 * a], l[2 * k + 1] - l[2 * a + 1]};
            f64 d2[2] = {l[2 * c] - l[2 * k], l[2 * c + 1] - l[2 * k + 1]};
            f64 n1 = std::hypot(d1[0], d1[1]), n2 = std::hypot(d2[0], d2[1]);
            if (n1 <= 0 || n2 <= 0) continue;
            if ((d1[0] * d2[0] + d1[1] * d2[1]) / (n1 * n2) < std::cos(30.0 * 3.14159265358979323846 / 180.0))
                uv.push_back({l[2 * k], l[2 * k + 1]});
        }
    }
    if (uv.empty()) return;
    for (const auto& q : uv) {
        if (count >= capacity) break;
        SrfEval e;
        if (eval_full(b.data(), q[0], q[1], e) < 0) return;
        for (int k = 0; k < 3; ++k) points[3 * count + k] = e.p[k];
        ++count;
    }
    status = 0;
}
