// Procedure parameters on the host side: the relation table bound to the
// module's items, the parameter menu form, geometry masks, the extra rows of
// the surface lists, and the framework flags a session or a test can set.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {
namespace {

// ------------------------------------------------------------- relations
struct RelExtra {
    std::string expr;  // expression over "#code" symbols, "" for a plain number
};
struct Relations {
    std::vector<rel_entry> table;
    std::vector<RelExtra> extra;
    f32 tool_d = 0.0f, tool_r = 0.0f;
};
Relations& R() { return ext_state<Relations>("relations"); }

i32 find(i32 code)
{
    auto& t = R().table;
    for (size_t k = 0; k < t.size(); ++k)
        if (t[k].code == code) return static_cast<i32>(k);
    return -1;
}

bool symbol_value(i32 code, f64& v)
{
    if (code == 3021) { v = R().tool_d; return true; }
    if (code == 3024) { v = R().tool_r; return true; }
    i32 k = find(code);
    if (k < 0 || !R().table[static_cast<size_t>(k)].value) return false;
    v = wrd2r(R().table[static_cast<size_t>(k)].value[0]);
    return true;
}

// One operand: a number or "#code", with an optional leading minus.
bool operand(const char*& p, f64& v)
{
    while (*p == ' ') ++p;
    bool neg = false;
    if (*p == '-') { neg = true; ++p; }
    if (*p == '#') {
        ++p;
        char* end = nullptr;
        long c = std::strtol(p, &end, 10);
        if (end == p || !symbol_value(static_cast<i32>(c), v)) return false;
        p = end;
    } else {
        char* end = nullptr;
        v = std::strtod(p, &end);
        if (end == p) return false;
        p = end;
    }
    if (neg) v = -v;
    return true;
}

// "a", "a op b" with op one of + - * /.
bool evaluate(const std::string& text, f64& v)
{
    const char* p = text.c_str();
    if (!operand(p, v)) return false;
    while (*p == ' ') ++p;
    if (*p == '\0') return true;
    char op = *p++;
    f64 b = 0;
    if (!operand(p, b)) return false;
    while (*p == ' ') ++p;
    if (*p != '\0') return false;
    switch (op) {
    case '+': v += b; return true;
    case '-': v -= b; return true;
    case '*': v *= b; return true;
    case '/': if (b == 0) return false; v /= b; return true;
    default: return false;
    }
}

void put_text(i32* item, const std::string& text)
{
    char t[84] = {0};
    std::snprintf(t, sizeof t, "%s", text.c_str());
    std::memcpy(item + 2, t, 84);
}

std::string number_text(f64 v)
{
    char b[48];
    std::snprintf(b, sizeof b, "%.7g", v);
    return b;
}

// Writes the value of relation k into its item; false when it cannot be evaluated.
bool calc(size_t k)
{
    rel_entry& e = R().table[k];
    const std::string& ex = R().extra[k].expr;
    f64 v = 0;
    if (ex.empty()) return true;
    if (!evaluate(ex, v)) return false;
    if (e.value) {
        e.value[0] = r2wrd(static_cast<f32>(v));
        e.value[1] = 0;
        e.value[23] = 1;
        put_text(e.value, ex);
    }
    return true;
}

void calc_all()
{
    for (int pass = 0; pass < 4; ++pass)
        for (size_t k = 0; k < R().table.size(); ++k) calc(k);
}

// ------------------------------------------------------------ menu form
struct Row {
    i32 kind = 0;         // 0 option, 1 text, 2 blank, 3 options, 4 integer, 5 value item
    std::string text;     // option text, label, or descriptor label
    std::vector<std::string> opts;
    i32* word = nullptr;  // bound word
    i32 vkind = 0;        // value-item kind
    i32 code = 0;
    f64 lo = 0, hi = 0;
    bool mark = false;    // an item shown marked (the editor's columns)
};
struct Form {
    std::vector<Row> rows;
    bool read = false;
    i32 modflag = 0;
    bool columns = false;  // the rows are items of menu columns (modcls)
};
Form& F() { return ext_state<Form>("procform"); }

Row& add_row()
{
    Form& f = F();
    if (f.read) {
        f.rows.clear();
        f.read = false;
    }
    f.rows.emplace_back();
    return f.rows.back();
}

bool is_real(i32 vkind) { return vkind == 8 || vkind == 9; }

std::string shown(const Row& r)
{
    switch (r.kind) {
    case 0: case 1: return r.text;
    case 2: return " ";
    case 3: {
        i32 c = r.word ? *r.word : 1;
        if (c < 1 || c > static_cast<i32>(r.opts.size())) c = 1;
        return r.opts[static_cast<size_t>(c - 1)];
    }
    case 4: return r.text + " = " + std::to_string(r.word ? *r.word : 0);
    default: break;
    }
    if (r.vkind == 3 || r.vkind == 4) {
        i32 c = r.word ? *r.word : 1;
        std::string o = c >= 1 && c <= static_cast<i32>(r.opts.size()) ? r.opts[static_cast<size_t>(c - 1)] : "?";
        return r.text + " : " + o;
    }
    if (is_real(r.vkind)) return r.text + " = " + number_text(wrd2r(*r.word));
    return r.text + " = " + std::to_string(*r.word);
}

std::string label_of(const Row& r)
{
    std::string t = r.kind == 3 ? shown(r) : r.text;
    size_t arrow = t.find("-->");
    if (arrow != std::string::npos) t = t.substr(0, arrow);
    return trim(t);
}

// Sets the row's word from the reply's value text; false when refused.
bool set_value(Row& r, const std::string& text, const std::string& where)
{
    if (r.kind == 3 || r.vkind == 3 || r.vkind == 4) {
        char* end = nullptr;
        long n = std::strtol(text.c_str(), &end, 10);
        i32 c = 0;
        if (!text.empty() && *end == '\0') c = static_cast<i32>(n);
        for (size_t k = 0; c == 0 && k < r.opts.size(); ++k)
            if (trim(r.opts[k]) == trim(text)) c = static_cast<i32>(k + 1);
        if (c < 1 || c > static_cast<i32>(r.opts.size()))
            throw session_error(where + " answers \"" + text + "\", which is no option of \"" + r.text + "\"");
        *r.word = c;
        return true;
    }
    char* end = nullptr;
    f64 v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v))
        throw session_error(where + " answers \"" + text + "\" for \"" + r.text + "\"; a number was expected");
    if ((r.lo != 0 || r.hi != 0) && (v < r.lo - 1e-6 || v > r.hi + 1e-6)) {
        note("user: VALUE OUT OF RANGE " + number_text(r.lo) + " TO " + number_text(r.hi));
        return false;
    }
    if (r.kind == 4 || r.vkind == 1) {
        *r.word = static_cast<i32>(std::lround(v));
        return true;
    }
    i32 st = 0;
    if (r.code > 0 && find(r.code) >= 0 && R().table[static_cast<size_t>(find(r.code))].value == r.word)
        valex_setp(r.code, static_cast<f32>(v), st);
    else
        *r.word = r2wrd(static_cast<f32>(v));
    return true;
}

// A choice row answered by the text of one of its options (blanks and a
// closing ">" aside) takes that option: the row's number, its word set.
std::optional<i32> choose_option(Form& f, const std::string& answer)
{
    auto clean = [](std::string t) {
        t = trim(t);
        while (!t.empty() && (t.back() == '>' || t.back() == ' ')) t.pop_back();
        return t;
    };
    for (size_t k = 0; k < f.rows.size(); ++k) {
        Row& row = f.rows[k];
        if (row.kind != 3 || !row.word) continue;
        for (size_t o = 0; o < row.opts.size(); ++o)
            if (clean(row.opts[o]) == clean(answer)) {
                *row.word = static_cast<i32>(o + 1);
                return static_cast<i32>(k + 1);
            }
    }
    return std::nullopt;
}

i32 read_form()
{
    Form& f = F();
    std::string asked;
    for (size_t k = 0; k < f.rows.size(); ++k)
        ((asked += k ? "@" : "") += shown(f.rows[k])) += f.rows[k].mark ? "*" : "";
    note("menu: " + asked);
    const bool columns = f.columns;
    f.columns = false;
    const Reply& r = next_reply("menu", asked);
    std::string where = "reply " + std::to_string(r.index + 1);
    f.read = true;
    i32 choice = 0;
    if (r.escape) {
        choice = -2;
    } else if (r.end) {
        choice = -3;
    } else {
        std::vector<std::string> labels;
        for (const Row& row : f.rows) labels.push_back(row.kind != 2 ? label_of(row) : std::string());
        // In menu columns a reply naming an alternative of an item takes
        // that alternative, whichever one the item shows.
        std::optional<i32> named = columns ? choose_option(f, r.answer) : std::nullopt;
        bool by_option = named.has_value();
        if (!named) named = answer_choice(r.answer, labels);
        if (!named) {
            named = choose_option(f, r.answer);
            by_option = named.has_value();
        }
        if (!named)
            throw session_error(where + " answers \"" + r.answer + "\", which is no row of the menu \"" + asked + "\"");
        choice = *named;
        if (choice > static_cast<i32>(f.rows.size()))
            throw session_error(where + " answers " + r.answer + ", past the rows of the menu \"" + asked + "\"");
        if (choice > 0) {
            Row& row = f.rows[static_cast<size_t>(choice - 1)];
            if (row.kind == 1 || row.kind == 2)
                throw session_error(where + " chooses row " + std::to_string(choice) +
                                    ", which cannot be chosen, in the menu \"" + asked + "\"");
            if (by_option) {
                // the option named is taken as it is
            } else if (!r.value.empty() && row.word) {
                set_value(row, r.value, where);
            } else if (row.kind == 3 && row.word) {
                i32 n3 = static_cast<i32>(row.opts.size());
                if (row.opts[0].find("-->") != std::string::npos) *row.word = 1;
                else *row.word = *row.word >= n3 ? 1 : *row.word + 1;
            }
        }
    }
    std::string chosen = choice > 0 ? " (" + label_of(f.rows[static_cast<size_t>(choice - 1)]) + ")" : "";
    note("reply: " + std::to_string(choice) + chosen + (r.value.empty() || choice < 1 ? "" : " = " + r.value));
    return choice;
}


}  // namespace

bool column_form() { return F().columns; }

void column_drop()
{
    Form& f = F();
    if (!f.columns) return;
    f.rows.clear();
    f.read = false;
    f.columns = false;
}

void column_start()
{
    Form& f = F();
    if (!f.columns) {
        f.rows.clear();
        f.read = false;
        f.columns = true;
    }
}

void column_options(const char* options, i32& current, i32 mark)
{
    Row& r = add_row();
    r.kind = 3;
    r.opts = split_options(options);
    if (r.opts.empty()) r.opts.push_back(" ");
    r.text = r.opts[0];
    r.word = &current;
    r.mark = mark != 0;
}

void column_empty() { add_row().kind = 2; }

void column_field(const char* label, i32* word, i32 vkind, f64 lo, f64 hi, i32 mark)
{
    Row& r = add_row();
    r.kind = 5;
    r.vkind = vkind;
    r.text = label;
    r.word = word;
    r.lo = lo;
    r.hi = hi;
    r.mark = mark != 0;
}

i32 column_read() { return read_form(); }

bool form_shown()
{
    const Form& f = F();
    return !f.columns && !f.read && !f.rows.empty();
}

void form_drop()
{
    Form& f = F();
    if (f.read) return;
    f.rows.clear();
    f.columns = false;
}

namespace {

// --------------------------------------------------- masks, flags, rows
struct Misc {
    i32 active[4] = {0, 0, 0, 0};
    i32 changed[4] = {0, 0, 0, 0};
    std::map<i32, std::vector<i32>> atrs;  // attribute words of list 0..2
    std::map<i32, std::vector<i32>> uids;
    i32 seq[3][2] = {{0, -1}, {0, -1}, {0, -1}};
    f32 svap_tol = 0;
};
Misc& M() { return ext_state<Misc>("procmisc"); }

}  // namespace


}  // namespace norak

using namespace norak;

// ------------------------------------------------------------- relations

rel_entry* rel_nc_cptr() { return R().table.empty() ? nullptr : R().table.data(); }
i32 rel_nc_get_num() { return static_cast<i32>(R().table.size()); }

void rel_nc_add_symbol(i32 code, i32 kind, i32* item, i32& status)
{
    status = 0;
    i32 k = find(code);
    if (k >= 0) {
        R().table[static_cast<size_t>(k)].value = item;
        R().table[static_cast<size_t>(k)].kind = kind;
        return;
    }
    rel_entry e{};
    e.value = item;
    e.code = code;
    e.kind = kind;
    R().table.push_back(e);
    R().extra.push_back({});
}

void rel_nc_add_tool_data(f32 diameter, f32 corner, i32& status)
{
    R().tool_d = diameter;
    R().tool_r = corner;
    status = 0;
}

void rel_nc_update_tool_data() { calc_all(); }

void rel_nc_set_auto_expr(i32 code, const char* expr, i32 base, i32 base2, i32& status)
{
    status = -1;
    i32 k = find(code);
    if (k < 0) return;
    std::string in = expr ? expr : "", out;
    i32 bases[2] = {base, base2};
    int used = 0;
    for (size_t p = 0; p < in.size(); ++p) {
        if (in[p] == '%' && p + 1 < in.size() && in[p + 1] == 'r') {
            (out += '#') += std::to_string(bases[std::min(used, 1)]);
            ++used;
            ++p;
        } else {
            out += in[p];
        }
    }
    R().extra[static_cast<size_t>(k)].expr = out;
    R().table[static_cast<size_t>(k)].dflt = 1;
    status = calc(static_cast<size_t>(k)) ? 0 : -1;
}

void rel_nc_min_max_set(i32 code, f64 lo, f64 hi)
{
    i32 k = find(code);
    if (k < 0) return;
    rel_entry& e = R().table[static_cast<size_t>(k)];
    e.lo = lo;
    e.hi = hi;
    e.limits = (lo != 0 || hi != 0) ? 1 : 0;
}

i32 rel_nc_find(i32 code) { return find(code); }

i32 rel_nc_is_number(i32 code)
{
    i32 k = find(code);
    return k >= 0 && R().extra[static_cast<size_t>(k)].expr.empty() ? 1 : 0;
}

void rel_nc_get_value(i32 code, f32& value, i32& status)
{
    i32 k = find(code);
    status = -1;
    if (k < 0 || !R().table[static_cast<size_t>(k)].value) return;
    value = wrd2r(R().table[static_cast<size_t>(k)].value[0]);
    status = 0;
}

void rel_nc_set_text(i32 code, const char* text, i32 calc_it, i32& status)
{
    status = -1;
    i32 k = find(code);
    if (k < 0 || !text) return;
    std::string t = text;
    f64 v = 0;
    char* end = nullptr;
    v = std::strtod(t.c_str(), &end);
    bool plain = !t.empty() && *end == '\0';
    rel_entry& e = R().table[static_cast<size_t>(k)];
    if (plain) {
        R().extra[static_cast<size_t>(k)].expr.clear();
        if (e.value) {
            put_text(e.value, t);
            if (calc_it) {
                e.value[0] = r2wrd(static_cast<f32>(v));
                e.value[23] = 1;
            }
        }
        status = 0;
    } else {
        if (!evaluate(t, v)) return;
        R().extra[static_cast<size_t>(k)].expr = t;
        if (e.value) put_text(e.value, t);
        status = calc_it ? (calc(static_cast<size_t>(k)) ? 0 : -1) : 0;
    }
    if (status == 0 && calc_it) calc_all();
}

void valex_setp(i32 code, f32 value, i32& status)
{
    status = -1;
    i32 k = find(code);
    if (k < 0) return;
    rel_entry& e = R().table[static_cast<size_t>(k)];
    R().extra[static_cast<size_t>(k)].expr.clear();
    if (e.value) {
        e.value[0] = r2wrd(value);
        e.value[1] = 0;
        e.value[23] = 1;
        put_text(e.value, number_text(value));
    }
    calc_all();
    status = 0;
}

void rel_nc_recheck(i32 code, i32& changed)
{
    changed = 0;
    i32 k = find(code);
    if (k < 0 || R().extra[static_cast<size_t>(k)].expr.empty()) return;
    rel_entry& e = R().table[static_cast<size_t>(k)];
    i32 before = e.value ? e.value[0] : 0;
    calc(static_cast<size_t>(k));
    if (e.value && e.value[0] != before) changed = 1;
}

// The items may have been read anew: each relation takes its item's text.
void rel_nc_refresh_symb_tab()
{
    for (size_t k = 0; k < R().table.size(); ++k) {
        const i32* item = R().table[k].value;
        if (!item || R().table[k].kind != 3) continue;
        char t[85] = {0};
        std::memcpy(t, item + 2, 84);
        std::string text = trim(t);
        char* end = nullptr;
        std::strtod(text.c_str(), &end);
        f64 v = 0;
        if (text.empty() || (*end == '\0'))
            R().extra[k].expr.clear();
        else if (evaluate(text, v))
            R().extra[k].expr = text;
    }
    calc_all();
}

void rel_nc_rls()
{
    R().table.clear();
    R().extra.clear();
}

void rel_nc_trans_name(i32 code, char* name, i32 length)
{
    if (length > 0) std::snprintf(name, static_cast<size_t>(length), "PARAMETER %d", code);
}

void gs_part_hgt(i32 which, f32& z, i32& status)
{
    status = -1;
    bool any = false;
    for (auto& [id, e] : H().entities) {
        if (e.cls != ESRF_CLASS) continue;
        f32 b[6];
        i32 st = 0;
        trsbox(id, b, st);
        if (st < 0) continue;
        f32 v = which == 1 ? b[5] : b[2];
        if (!any || (which == 1 ? v > z : v < z)) z = v;
        any = true;
    }
    if (any) status = 0;
}

// ------------------------------------------------------------ menu form

void modm(const char* text)
{
    Row& r = add_row();
    r.kind = 0;
    r.text = text;
}

void modclr(const char* cells, const i32& colour)
{
    Form& f = F();
    if (!cells || f.rows.empty() || f.read) return;
    f.rows.back().text += " | COLOUR " + std::to_string(colour);
}

void modmtx(const char* text)
{
    Row& r = add_row();
    r.kind = 1;
    r.text = text;
}

void moduc2() { add_row().kind = 2; }

void modmsl(const char* options, i32& current)
{
    Row& r = add_row();
    r.kind = 3;
    r.opts = split_options(options);
    r.text = r.opts.empty() ? "" : r.opts[0];
    r.word = &current;
}

void nu_mod_exec(i32 kind, const char* descriptor, i32 code, i32* word, f32 lo, f32 hi, i32& status)
{
    status = -1;
    if (!word || !descriptor || call_fails("nu_mod_exec")) return;
    Row& r = add_row();
    r.kind = 5;
    r.vkind = kind;
    r.code = code;
    r.word = word;
    r.lo = lo;
    r.hi = hi;
    std::string d = descriptor;
    size_t colon = d.find(':');
    if ((kind == 3 || kind == 4) && colon != std::string::npos) {
        r.text = d.substr(0, colon);
        r.opts = split_options(d.substr(colon + 1));
    } else {
        r.text = d;
    }
    status = 0;
}

void modrpl(i32& reply) { reply = read_form(); }
void contin(i32& reply) { reply = read_form(); }
i32 nu_mod_get_flag() { return F().modflag; }
void nu_mod_title(const char* text) { note(std::string("host: menu title ") + (text ? text : "")); }
void nu_mod_set_flag(i32 flag) { F().modflag = flag; }

// ----------------------------------------------------------- templates

void template_skip_words(i32 file, i32 count, i32& status)
{
    Host& h = H();
    status = -1;
    if (file == 0 || file != h.tpl_handle || h.tpl_write || count < 0) return;
    auto& recs = h.templates[h.tpl_name];
    i32 left = count;
    while (left > 0 && h.tpl_pos < recs.size()) {
        left -= static_cast<i32>(recs[h.tpl_pos].words.size());
        ++h.tpl_pos;
    }
    status = left == 0 ? 0 : -2;
}

i32 template_eof(i32 file)
{
    Host& h = H();
    if (file == 0 || file != h.tpl_handle) return 1;
    return h.tpl_pos >= h.templates[h.tpl_name].size() ? 1 : 0;
}

i32 load_from_tmpl_mode_get()
{
    i32 m = H().nc.read_mode;
    return m >= 1 && m <= 3 ? m : 3;
}
f32 get_TmplMorZ() { return static_cast<f32>(nc_value("template_z")); }

// ------------------------------------------------------ masks and rows

void nc_geomsk_lst_get_text(i32 kind, i32 index, char* text, i32 length, i32& status)
{
    i32 m[5] = {0, 0, 0, 0, 0};
    nc_geomsk_lst_get_data(kind, index, m, status);
    if (status < 0 || length <= 0) return;
    std::snprintf(text, static_cast<size_t>(length), "%d %d %d %d %d", m[0], m[1], m[2], m[3], m[4]);
}

void geomsk_set(i32 kind, const char* text, i32& status)
{
    i32 m[5] = {0, 0, 0, 0, 0};
    status = -1;
    if (!text || std::sscanf(text, "%d %d %d %d %d", &m[0], &m[1], &m[2], &m[3], &m[4]) != 5) return;
    nc_geomsk_lst_add(kind, m, status);
}

void str_init() {}

void nc_surf_put_uids(i32 count, const i32* uids, i32& status)
{
    i32 list = nc_surf_cur();
    M().uids[list].assign(uids, uids + std::max(count, 0));
    status = 0;
}

void nc_surf_atrs(i32* atrs, i32 capacity, i32& status)
{
    i32 list = nc_surf_cur(), n = 0, st = 0;
    nc_surf_count(1, list, n, st);
    status = -1;
    if (st < 0 || n > capacity) return;
    auto& a = M().atrs[list];
    for (i32 k = 0; k < n; ++k) atrs[k] = k < static_cast<i32>(a.size()) ? a[static_cast<size_t>(k)] : 0;
    status = 0;
}

void nc_surf_put_atrs(i32 count, const i32* atrs, i32& status)
{
    M().atrs[nc_surf_cur()].assign(atrs, atrs + std::max(count, 0));
    status = 0;
}

void ncs_update_surfaces(i32 count, const i32* uids, i32* ids, i32& status)
{
    for (i32 k = 0; k < count; ++k) ids[k] = euid2id(uids[k]);
    status = 0;
}

void ncs_table_re_explode(i32& status) { status = 0; }

void nc_surf_seq(i32 list, i32& first, i32& last)
{
    if (list < 0 || list > 2) return;
    first = M().seq[list][0];
    last = M().seq[list][1];
}

void nc_surf_sls(i32 list, i32 first, i32& status)
{
    status = -1;
    if (list < 0 || list > 2) return;
    i32 n = 0;
    nc_surf_count(1, list, n, status);
    if (status < 0) return;
    M().seq[list][0] = first;
    M().seq[list][1] = first + n - 1;
}

void clr_TP_TemplateFlag() { H().settings.nc["template_tp"] = 0; }
void clr_PROC_TemplateFlag() { H().settings.nc["read_single_proc"] = 0; }
i32 is_read_singlePROC() { return static_cast<i32>(nc_value("read_single_proc")); }
i32 lin_svap_flag() { return static_cast<i32>(nc_value("saved_approximations")); }
void lin_svap_set_user_tol(f32 tol) { M().svap_tol = tol; }
