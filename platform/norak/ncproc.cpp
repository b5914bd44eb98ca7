// NC procedure services of the stand-in host: template flags and template
// procedure data, relations, the procedure framework, criteria masks,
// procedure surface tables, stock-simulation answers, the display list and
// tool instance, the status window, the execution menu form and the
// message texts the procedure frame builds. Answers are those of a plain
// session unless a setting of the session asks otherwise (README).
#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {

namespace {
// The NC settings a session may give, with their defaults.
const std::map<std::string, f64>& nc_defaults()
{
    static const std::map<std::string, f64> d = {
        {"template_manage", 0}, {"template_tp", 0},  {"template_create_tp", 0}, {"disp_stock", 1},
        {"debug", 0},        {"solids", 0},             {"solid_updated", 0},
        {"verify", 0},          {"crit_list", 0},          {"geom_by_crit", 0},
        {"rotate_ucs", 0},      {"proc_id", -1},     {"operation", 0},
        {"selected_procs", 1},  {"user_code", 0},    {"template_operation", 0}, {"template_create_read", 0},
        {"read_single_proc", 0}, {"saved_approximations", 0}, {"template_z", 0}, {"stock_number", 0},
        {"file_open_fails", 0}, {"file_write_fails", 0}, {"check_movmnt", 0}, {"level", 1}, {"bytes_left", 8000000},
        {"minmax_warned", 0}, {"partbox_warned", 0}, {"min_surface_offset", 0}, {"drill_points", 0},
        {"origin_dz", 0},
    };
    return d;
}

i32 iv(const char* name) { return static_cast<i32>(nc_value(name)); }
NcHost& N() { return H().nc; }

std::string upper(std::string s)
{
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string trimmed(const std::string& s)
{
    size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string field(const char* text, i32 length)
{
    return trimmed(std::string(text, strnlen(text, static_cast<size_t>(std::max(length, 0)))));
}

std::vector<std::string> options_of(const std::string& options)
{
    std::vector<std::string> out;
    size_t k = 0;
    while (true) {
        size_t at = options.find('@', k);
        out.push_back(trimmed(options.substr(k, at == std::string::npos ? std::string::npos : at - k)));
        if (at == std::string::npos) break;
        k = at + 1;
    }
    return out;
}

// The option a reply names: its number from 1, or its text (case ignored).
i32 option_of(const Reply& r, const std::string& options, const std::string& asked)
{
    if (r.escape) return -2;
    if (r.end) return -3;
    auto opts = options_of(options);
    char* end = nullptr;
    long n = std::strtol(r.answer.c_str(), &end, 10);
    i32 choice = 0;
    if (!r.answer.empty() && *end == '\0') {
        choice = static_cast<i32>(n);
    } else {
        for (size_t k = 0; k < opts.size(); ++k)
            if (upper(opts[k]) == upper(trimmed(r.answer))) choice = static_cast<i32>(k + 1);
    }
    if (choice < 1 || choice > static_cast<i32>(opts.size()))
        throw session_error("reply " + std::to_string(r.index + 1) + " answers \"" + r.answer +
                            "\", which is no answer of \"" + asked + "\" (" + options + ")");
    return choice;
}

// The next reply, when it is of the kind and its expected text is in what
// is shown; otherwise none (the user leaves that field as it is).
const Reply* optional_reply(const std::string& kind, const std::string& shown)
{
    Host& h = H();
    if (h.next_reply >= h.replies.size()) return nullptr;
    const Reply& r = h.replies[h.next_reply];
    if (r.kind != kind || r.expect.empty() || shown.find(r.expect) == std::string::npos) return nullptr;
    ++h.next_reply;
    return &r;
}

// The type-12 element of a procedure number in the main list: its index
// from 1, 0 when absent.
size_t find_procedure(i32 number)
{
    const List& l = H().main;
    for (size_t k = 0; k < l.elems.size(); ++k) {
        const auto& w = l.elems[k].words;
        if (w.size() >= 2 && w[0] == 12 && w[1] == number) return k + 1;
    }
    return 0;
}

void copy_out(const std::vector<i32>& from, i32* to)
{
    if (!from.empty()) std::memcpy(to, from.data(), from.size() * sizeof(i32));
}
}  // namespace

bool nc_setting(const std::string& name) { return nc_defaults().count(name) != 0; }

f64 nc_value(const std::string& name)
{
    const auto& s = H().settings.nc;
    auto it = s.find(name);
    if (it != s.end()) return it->second;
    auto d = nc_defaults().find(name);
    return d == nc_defaults().end() ? 0.0 : d->second;
}

bool nc_step(const std::string& step)
{
    if (step.rfind("open ", 0) == 0) {
        i32 number = std::atoi(step.c_str() + 5);
        size_t at = find_procedure(number);
        if (at == 0) throw session_error("step \"" + step + "\": the tool path holds no procedure " + step.substr(5));
        Host& h = H();
        while (h.levels.size() > 1) h.levels.pop_back();
        h.level_parents.clear();
        h.main.cur = at;
        h.wpos = 0;
        N().open_code = h.main.elems[at - 1].code;
        N().open_elements = h.main.elems.size();
        auto& rec = h.records["EDA2"];
        rec.kind = 3;
        rec.words.resize(20, 0);
        rec.words[0] = 1;
        rec.words[1] = number;
        rec.words[2] = 1;
        note("host: open procedure " + std::to_string(number));
        return true;
    }
    if (step.rfind("set EDA2 ", 0) == 0) {
        auto& rec = H().records["EDA2"];
        rec.kind = 3;
        rec.words.resize(20, 0);
        std::string rest = step.substr(9);
        size_t k = 0;
        while (k < rest.size()) {
            size_t sp = rest.find(' ', k);
            std::string item = rest.substr(k, sp == std::string::npos ? std::string::npos : sp - k);
            size_t eq = item.find('=');
            if (eq == std::string::npos) throw session_error("step \"" + step + "\": word=value pairs were expected");
            i32 w = std::atoi(item.substr(0, eq).c_str()), v = std::atoi(item.substr(eq + 1).c_str());
            if (w < 0 || w >= 20) throw session_error("step \"" + step + "\": EDA2 has words 0 to 19");
            rec.words[static_cast<size_t>(w)] = v;
            if (sp == std::string::npos) break;
            k = sp + 1;
        }
        note("host: " + step);
        return true;
    }
    return false;
}

void nc_session_defaults()
{
    // The header record of the open tool path: name, machine type, origin,
    // home, the MACSYS matrix (identity), view parameter, view and UCS.
    Host& h = H();
    if (h.settings.tp_open == 0 || h.records.count("NPT1")) return;
    std::vector<i32> w(23, 0);
    std::memcpy(w.data(), "TOOLPATH", 8);
    w[2] = h.settings.mactype;
    w[8] = r2wrd(100.0f);
    w[9] = w[13] = w[17] = r2wrd(1.0f);
    w[19] = h.settings.view;
    set_record("NPT1", 4, w);
    // Its header block is block 0: blocks written after it count from 1.
    if (h.main.elems.empty() && h.counters[1] == 0) h.counters[1] = 1;
}

namespace {
void dump_list(std::FILE* f, const List& l, int depth)
{
    for (const auto& e : l.elems) {
        std::fprintf(f, "%*s", 2 * depth, "");
        for (size_t k = 0; k < e.words.size(); ++k) std::fprintf(f, "%s%d", k ? " " : "", e.words[k]);
        std::fprintf(f, "\n");
        if (e.sub) dump_list(f, *e.sub, depth + 1);
    }
}
}  // namespace

std::string write_toolpath(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f) dump_list(f, H().main, 0);
    return end_file(f, path);
}

void nc_after_call()
{
    // A modified procedure is written anew: the host removes the old block
    // when the module wrote a new one.
    NcHost& n = N();
    if (n.open_code == 0) return;
    List& l = H().main;
    if (l.elems.size() > n.open_elements) {
        for (size_t k = 0; k < l.elems.size(); ++k)
            if (l.elems[k].code == n.open_code) {
                l.elems.erase(l.elems.begin() + static_cast<long>(k));
                if (l.cur > k) --l.cur;
                note("host: the old block of the procedure is removed");
                break;
            }
    }
    n.open_code = 0;
}

std::string nc_counts()
{
    return "arrays " + std::to_string(open_arrays()) + ", blocks " + std::to_string(open_blocks()) + ", elements " +
           std::to_string(open_elements()) + ", entity " + std::to_string(open_entity()) + ", list level " +
           std::to_string(list_level());
}

}  // namespace norak

using namespace norak;

// ------------------------------------------------------------- templates

i32 get_ManageTp_TemplateFlag() { return iv("template_manage"); }
i32 get_TP_TemplateFlag() { return iv("template_tp"); }
i32 is_create_from_TPtemplate() { return iv("template_create_tp"); }
i32 is_some_template_operation() { return iv("template_operation"); }
i32 is_some_template_CreateRead_operation() { return iv("template_create_read"); }
void template_set_read_mode(i32 mode) { N().read_mode = mode; }
void template_dir(i32 mode) { note(mode == 1 ? "host: template directory" : "host: current directory"); }
void template_init_load() { note("host: template parameter load started"); }

namespace {
std::string proc_template(i32 type) { return "PROC" + std::to_string(type); }

void write_proc(i32 type, HostPutFn prm, HostPutFn geo, i32& status)
{
    template_open(proc_template(type), true);
    i32 position = 0;
    status = 0;
    const i32 medium = 11;
    if (prm) prm(type, medium, position, status);
    if (status >= 0 && geo) geo(type, medium, position, status);
    template_close();
    note("host: template procedure data written for type " + std::to_string(type));
}

void read_proc(i32 type, HostReadFn reader, i32& status)
{
    if (H().templates.count(proc_template(type)) == 0) {
        status = 11;
        return;
    }
    template_open(proc_template(type), false);
    i32 remaining = 1 << 30;
    status = 0;
    if (reader) reader(10, type, H().settings.tp_version, 0, remaining, status);
    template_close();
    if (status > 0) status = 0;
}
}  // namespace

void template_MultiMngTpWrite_PROCdata(i32 type, HostPutFn prm, HostPutFn geo, i32& status)
{
    write_proc(type, prm, geo, status);
}
void template_MultiTPWrite_PROCdata(i32 type, HostPutFn prm, HostPutFn geo, i32& status)
{
    write_proc(type, prm, geo, status);
}
void template_MultiMngTpRead_PROCdata(i32 type, HostReadFn reader, i32& status) { read_proc(type, reader, status); }
void template_MultiTPRead_PROCdata(i32 type, HostReadFn reader, i32& status) { read_proc(type, reader, status); }
void tpl_color_pen(i32&, i32&) {}

void set_GlobalParameters_ToMain(const i32* hei8, const i32* txt2, const i32* cmpblk, const i32* prm9,
                                 const i32* coor, const i32* mchtbl)
{
    NcHost& n = N();
    n.globals = true;
    n.hei8.assign(hei8, hei8 + 79);
    n.txt2.assign(txt2, txt2 + 17);
    n.cmp.assign(cmpblk, cmpblk + 92);
    n.prm9.assign(prm9, prm9 + 23);
    n.mcht.assign(mchtbl, mchtbl + 10);
    (void)coor;
}
void set_MainProcBlkToMain(const i32*, i32) {}
void init_BlockUseMode() {}
void get_Block_Filter_Array(i32* filter)
{
    for (int k = 0; k < 4; ++k) filter[k] = 1;
}
void update_BlockUseMode() {}
i32 get_tpl_new_tool() { return -1; }
i32 get_tpl_read_mode() { return N().read_mode; }
i32 get_tpl_new_ucs() { return -1; }
void get_prmtbl_ptr_FromMain(i32* prm9) { copy_out(N().prm9, prm9); }
void get_ClearV_FromMain(i32* item)
{
    if (N().globals) std::memcpy(item, N().hei8.data(), 24 * sizeof(i32));
}
void get_AbsclrV_FromMain(i32* item)
{
    if (N().globals) std::memcpy(item, N().hei8.data() + 24, 24 * sizeof(i32));
}
void get_IncclrV_FromMain(i32* item)
{
    if (N().globals) std::memcpy(item, N().hei8.data() + 48, 24 * sizeof(i32));
}
i32 get_Onclr_FromMain() { return N().globals ? N().hei8[73] : 0; }
i32 get_Aiclr_FromMain() { return N().globals ? N().hei8[76] : 0; }
void get_Ctext_FromMain(i32* txt2) { copy_out(N().txt2, txt2); }
void get_OPT_PARAMS_FromMain(i32* cmpblk) { copy_out(N().cmp, cmpblk); }
void get_PLGmchtbl_PARAMS_FromMain(i32* mchtbl) { copy_out(N().mcht, mchtbl); }

// ------------------------------------------------------------- relations

void rel_nc_init() {}
void rel_nc_rls_it_for_orbis() {}
void rel_nc_sym_refresh(i32& status) { status = 0; }
void rel_nc_replace_global() {}
void rel_nc_cng_expr_without_calc(i32*, i32) {}
i32 rel_table_init_get() { return N().rel_table; }
void rel_table_init_set() { N().rel_table = 1; }
void rel_table_init_unset() { N().rel_table = 0; }

// ------------------------------------------------- procedure framework

// The module's item descriptions: registered at the start of a session (as
// by the host's own start-up), filled again by nu_modl_init, gone after
// nu_modl_rels.
namespace {
struct ItemDescriptions {
    i32 registered = 1;
    i32 fills = 0;
};
ItemDescriptions& DS() { return ext_state<ItemDescriptions>("item_descriptions"); }
}  // namespace

void nu_modl_init(i32*, i32*)
{
    DS().registered = 1;
    ++DS().fills;
}
void nu_modl_rels(i32*, i32*) { DS().registered = 0; }
i32 nu_modl_get_did_init() { return DS().registered; }
i32 norak::description_fills() { return DS().fills; }
void nu_trns_init(i32& status) { status = 0; }
void nu_trns_sort() {}
void nu_set_pname(const char* label) { note("host: procedure label [" + std::string(label, strnlen(label, 19)) + "]"); }
void nu_parm_set_proc_num(i32 number) { N().proc_num = number; }
void nu_sgcd_set_code(i32 code) { N().sgcd = code; }
i32 nu_sgcd_get_code() { return N().sgcd; }
void set_curr_proc_number(i32 number) { N().proc_num = number; }
void set_type_mach_param(i32 set) { N().machine_set = set; }
void set_ProcGeomStatus(i32 status) { N().geom_status = status; }
i32 execute_flag_get() { return 0; }
i32 replace_flag_get() { return 0; }
void orbis_version_set(i32) {}
void tp_vnum_set(i32 version) { H().settings.tp_version = version; }
i32 gs_proc_id() { return iv("proc_id"); }
void gs_param(i32, i32& value) { value = 0; }
void get_set_tp_header(i32 mode, i32 tp, i32* header)
{
    std::memset(header, 0, 24 * sizeof(i32));
    auto it = H().entities.find(tp);
    if (mode != 1 || it == H().entities.end() || it->second.cls != 9 || it->second.type != 3) return;
    // A stored tool path: the header words after its size and block number.
    const std::vector<i32>& w = it->second.words;
    for (size_t k = 2; k < w.size() && k < 26; ++k) header[k - 2] = w[k];
}

void gs_proc_color_pen(i32 mode, i32& colour, i32& pen, i32&, i32&)
{
    NcHost& n = N();
    if (mode == 1) {
        colour = n.colour;
        pen = n.pen;
    } else if (mode == 3) {
        n.colour = colour;
        n.pen = pen;
    } else if (mode == 4) {
        n.colour = 7;
        n.pen = 1;
    }
}
void gtmdla(i32& colour, i32& pen)
{
    colour = 7;
    pen = 1;
}
// The common arguments taken back after a change of origin carry the moved
// origin: its Z is "NPT1" word 5. Nothing else of them changes here.
void gs_common_arguments(i32 mode, i32* npt1, i32*, i32*, i32*)
{
    if (mode != 2 || !npt1 || N().origin_moved == 0.0) return;
    npt1[5] = r2wrd(static_cast<f32>(wrd2r(npt1[5]) + N().origin_moved));
    N().origin_moved = 0.0;
}
void curmac(const i32& a, const i32& b) { note("host: current machine " + std::to_string(a) + " " + std::to_string(b)); }

void repos_proc(i32, i32, i32)
{
    // A new procedure goes after the last element of the main list.
    Host& h = H();
    while (h.levels.size() > 1) h.levels.pop_back();
    h.level_parents.clear();
    h.main.cur = h.main.elems.size();
    h.wpos = 0;
}

i32 gs_operation() { return iv("operation"); }
i32 gs_selected_procs() { return iv("selected_procs"); }
void gs_interpt(i32 mode, i32& answer)
{
    if (mode == 2) N().interrupt = answer;
}
i32 gnccod(const i32&) { return iv("user_code"); }
i32 if_geom_by_crit() { return iv("geom_by_crit"); }
i32 if_rotate_ucs() { return iv("rotate_ucs"); }

namespace {
// The origin and the three axes of coordinate system `id`: the world system
// for 0, else the words of a coordinate-system entity; false when there is
// no such entity.
bool ucs_frame(i32 id, f32* f)
{
    static constexpr f32 WORLD[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::copy(WORLD, WORLD + 12, f);
    if (id == 0) return true;
    auto it = H().entities.find(id);
    if (it == H().entities.end() || it->second.cls != 8 || it->second.words.size() < 16) return false;
    for (int k = 0; k < 12; ++k) f[k] = wrd2r(it->second.words[static_cast<size_t>(4 + k)]);
    return true;
}
}  // namespace

i32 if_rotate_ucs(i32 ucs, i32 other)
{
    if (ucs == other) return 0;
    f32 a[12], b[12];
    if (!ucs_frame(ucs, a) || !ucs_frame(other, b)) return 1;
    for (int k = 0; k < 12; ++k)
        if (std::fabs(a[k] - b[k]) > 1.0e-5f) return 1;
    return 0;
}
i32 if_was_alerr() { return N().alerr; }
void set_alerr_off() { N().alerr = 0; }
void recalculate_partbox() { note("host: part box recalculated"); }
void gs_minmax_warn(i32 mode, i32& table, i32& partbox)
{
    if (mode == 2) {
        H().settings.nc["minmax_warned"] = table;
        H().settings.nc["partbox_warned"] = partbox;
    } else {
        table = iv("minmax_warned");
        partbox = iv("partbox_warned");
    }
}
void gs_min_srf_offset(i32 mode, f32& value)
{
    if (mode == 2) H().settings.nc["min_surface_offset"] = value;
    else value = static_cast<f32>(nc_value("min_surface_offset"));
}
void update_tp_flags() {}
i32 get_set_vrf_opt(i32 mode, i32 value) { return mode == 1 ? iv("verify") : value; }
void prwait() {}
void prexec() { note("host: execution starts"); }
i32 indbug() { return iv("debug"); }
void ps_perm_get(i32& solids, i32& whole)
{
    solids = N().solids;
    whole = N().whole;
}
void ps_perm_set(i32 solids, i32 whole)
{
    N().solids = solids;
    N().whole = whole;
    N().perm_sets.push_back({solids, whole});
}
i32 ps_sol_num_get() { return iv("solids"); }
const std::vector<std::array<i32, 2>>& norak::permissions_set() { return N().perm_sets; }

// --------------------------------- criteria and procedure surface tables

void tp_crit_list_gs(i32 mode, i32& value)
{
    if (mode == 1) value = iv("crit_list");
    if (mode == 2) H().settings.nc["crit_list"] = value;
}
void tp_file_name_gs(i32 mode, char* name, i32 capacity)
{
    std::string& kept = N().crit_file;
    if (mode == 2) {
        kept = name ? std::string(name, strnlen(name, static_cast<size_t>(capacity))) : std::string();
    } else if (capacity > 0) {
        const size_t n = std::min(kept.size(), static_cast<size_t>(capacity - 1));
        std::memcpy(name, kept.data(), n);
        name[n] = 0;
    }
}
void drlsnm(i32& count) { count = iv("drill_points"); }
void tp_file_ptr_gs(i32 mode, std::FILE*& file)
{
    if (mode == 2) {
        if (file != nullptr && N().crit_fp == nullptr) note("host: criteria list file open");
        if (file == nullptr && N().crit_fp != nullptr) note("host: criteria list file closed");
        N().crit_fp = file;
    } else {
        file = N().crit_fp;
    }
}
void crit_gs_change(i32 cls, i32 mode, i32& value)
{
    if (cls < 0 || cls > 3) return;
    if (mode == 1) value = N().crit_change[cls];
    else if (mode == 2) N().crit_change[cls] = value;
}
void active_mask_gs(i32 cls, i32 mode, i32& value)
{
    if (cls < 0 || cls > 3) return;
    if (mode == 1) value = N().masks[cls];
    else if (mode == 2) N().masks[cls] = value;
}
void nc_geomsk_lst_init_all() {}
void nc_geomsk_lst_destroy_all() {}
void ncs_table_set_proc_num(i32 number, i32& status)
{
    N().surf_proc = number;
    status = 0;
}
i32 ncs_table_get_proc_num() { return N().surf_proc; }
void ncs_table_copy_proc(i32, i32, i32& status) { status = 0; }
void ncs_table_write_table(i32& status) { status = 0; }
void ncs_table_read_table(i32& status) { status = 0; }
i32 ncs_table_ok() { return iv("solid_updated") != 0 ? 0 : 1; }

// ------------------------------------------------------ stock simulation

i32 get_disp_stock() { return iv("disp_stock"); }
void sim_get_set(i32, i32&, i32*) {}
i32 sim_work_on(i32 mode)
{
    if (mode == 2) {
        keep_worked_row();
        ++N().counter;
    }
    return N().counter;
}
void sim_invalidate(i32, i32) {}

// ------------------------------------------ display list, tool instance

void ncd_init_curr_attrs() {}
void ncd_pull_color_font_pen() {}
void ncd_push_color_font_pen() {}
void ncd_flush_blocks() { ++ext_state<i32>("blocks_flushed"); }
void ncd_set_block_position(i32, i32, i32& status) { status = call_fails("ncd_set_block_position") ? -1 : 0; }
void ncd_get_last_block(i32& key) { key = 0; }
void ncd_delete_block_or_proc(i32 number)
{
    delete_display_of_procedure(number);
    note("display: blocks of procedure " + std::to_string(number) + " deleted");
}
void mrm_set_reallocation_size(i32) {}
void cltran(i32& status) { status = 0; }
i32 rel_nc_get_num(i32) { return 0; }
void nu_mod_exec(i32 relation, i32*) { note("host: relation item " + std::to_string(relation)); }
void orgchn()
{
    note("host: change of origin");
    N().origin_moved += nc_value("origin_dz");
}
void tm_inst_id(i32 mode, i32& id)
{
    if (mode == 1) id = N().tm_inst;
    else if (mode == 2) N().tm_inst = id;
}
void tm_inst_delete()
{
    if (N().tm_inst > 0) figdel(N().tm_inst);
    N().tm_inst = 0;
}
i32 get_fdflg() { return N().fdflg; }
void set_fdflg_on() { N().fdflg = 1; }
void set_fdflg_off() { N().fdflg = 0; }
void darrow(const f32*, const f32*, const i32& on) { note(on ? "graphics: arrow drawn" : "graphics: arrow erased"); }
void edele1(const i32&) {}

// ---------------------------------------------------- status window

i32 col1st() { return 1; }
void dblnk(i32, i32) {}
void dntxtc(const char* text, const i32& column)
{
    std::string t = text;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    note("progress " + std::to_string(column) + ": [" + t + "]");
}
void win_start_paint_on_main_wnd() {}
void win_end_paint_on_main_wnd() {}
void rdprmc(char* text, const i32& length)
{
    if (length <= 0) return;
    std::snprintf(text, static_cast<size_t>(length), "%s", N().prompt.c_str());
}
void prmpxc(const char* text, const i32&)
{
    N().prompt = text;
    if (text[0] != '\0') note(std::string("prompt: ") + text);
}

// -------------------------------------------- questions and messages

void msg_prompt(i32 module, i32 number)
{
    N().prompt = host_message(module, number);
    note("prompt: " + N().prompt);
}

void msg_quest(i32 module, i32 number, i32& reply)
{
    std::string q = host_message(module, number);
    irepyc(q.c_str(), reply);
}

void qmenuc(const char* question, const char* options, i32& choice)
{
    note(std::string("question: ") + question);
    note(std::string("menu: ") + options);
    Host& h = H();
    if (h.next_reply >= h.replies.size())
        throw session_error(std::string("reply script exhausted: the module asks question \"") + question + "\"");
    const Reply& nx = h.replies[h.next_reply];
    const Reply& r = next_reply(nx.kind == "menu" ? "menu" : "question", nx.kind == "menu" ? options : question);
    choice = option_of(r, options, question);
    note("reply: " + std::to_string(choice));
}

void irply1(const char* question, const char* option, i32& reply)
{
    note(std::string("menu: ") + option);
    irepyc(question, reply);
}

void topopt(const char* options, i32& choice) { modmc(options, choice); }
void rplyal(const char* question, i32& reply) { irepyc(question, reply); }

i32 maxcol() { return 80; }

void maktx4(const char* prefix, const i32& plen, const char* text, const i32& tlen, const i32& width, char* out,
            i32& outlen)
{
    std::string s = std::string(prefix, strnlen(prefix, static_cast<size_t>(std::max(plen, 0)))) +
                    std::string(text, strnlen(text, static_cast<size_t>(std::max(tlen, 0))));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    if (static_cast<i32>(s.size()) > width) s.resize(static_cast<size_t>(std::max(width, 0)));
    std::memcpy(out, s.data(), s.size());
    outlen = static_cast<i32>(s.size());
}

void mktxtc(const char* text, char* out, const i32& limit, i32& length)
{
    size_t n = strnlen(text, static_cast<size_t>(std::max(limit, 0)));
    std::memcpy(out, text, n);
    if (static_cast<i32>(n) < limit) out[n] = '\0';
    length = static_cast<i32>(n);
}

void mktx1c(const char* text, const i32& value, const char* format, char* out, const i32& limit, i32& length)
{
    (void)format;
    char b[96];
    std::snprintf(b, sizeof b, "%s%d", text, value);
    mktxtc(b, out, limit, length);
}

namespace {
// The reals laid out by the format: "U" a length in the part's unit, any
// other format the value as given, both with the session's digits.
void maktx(char* out, i32 limit, i32& length, const char* format,
           const std::vector<std::pair<const char*, f32>>& items)
{
    const bool length_unit = format != nullptr && std::string(format) == "U";
    std::string s;
    char b[64];
    for (const auto& [t, v] : items) {
        const f32 shown = length_unit ? v / H().settings.unit : v;
        std::snprintf(b, sizeof b, "%.*f", H().settings.digits, static_cast<double>(shown));
        if (!s.empty()) s += "  ";
        s += std::string(t) + b;
    }
    mktxtc(s.c_str(), out, limit, length);
}
}  // namespace

void maktx1(char* out, const i32& limit, i32& length, const char* format, const char* t1, const f32& v1)
{
    maktx(out, limit, length, format, {{t1, v1}});
}
void maktx2(char* out, const i32& limit, i32& length, const char* format, const char* t1, const f32& v1, const char* t2,
            const f32& v2)
{
    maktx(out, limit, length, format, {{t1, v1}, {t2, v2}});
}
void maktx3(char* out, const i32& limit, i32& length, const char* format, const char* t1, const f32& v1, const char* t2,
            const f32& v2, const char* t3, const f32& v3)
{
    maktx(out, limit, length, format, {{t1, v1}, {t2, v2}, {t3, v3}});
}

void sheerx(const char* text, const i32& length) { note("error: " + field(text, length)); }
void usrmes(const char* text, const i32& length) { note("message: " + field(text, length)); }
void usrme5(const char* t1, const i32& l1, const char* sep, const char* t2, const i32& l2)
{
    note("message: " + field(t1, l1) + sep + field(t2, l2));
}
void usrer5(const char* t1, const i32& l1, const char* t2, const i32& l2, const char* t3, const i32& l3)
{
    std::string s;
    for (const std::string& p : {field(t1, l1), field(t2, l2), field(t3, l3)})
        if (!p.empty()) s += (s.empty() ? "" : " ") + p;
    note("user: " + s);
}
void shlms1(const char* label, const char* code, const i32* v)
{
    (void)code;
    char b[160];
    std::snprintf(b, sizeof b, "%s %04d-%02d-%02d %02d:%02d:%02d", label, v[0], v[1], v[2], v[3], v[4], v[5]);
    note(std::string("window: ") + b);
}
void trfoff() {}
void trfon() {}

void llines(i32& count) { count = static_cast<i32>(cur_list().elems.size()); }

// ------------------------------------------------- execution menu form

void prcont()
{
    N().row = 0;
    N().actions.clear();
}

void modmc2(const char* options, i32& current, const i32& highlight)
{
    if (column_form()) {
        column_options(options, current, highlight);
        return;
    }
    ++N().row;
    note(std::string("menu: ") + options + " [" + std::to_string(current) + (highlight ? "*" : "") + "]");
    if (const Reply* r = optional_reply("menu", options)) {
        current = option_of(*r, options, options);
        note("reply: " + std::to_string(current));
    }
}

void modic(const char* label, i32& value, i32 low, i32 high)
{
    ++N().row;
    note(std::string("field: ") + label + " = " + std::to_string(value));
    if (const Reply* r = optional_reply("prompt", label)) {
        char* end = nullptr;
        long v = std::strtol(r->answer.c_str(), &end, 10);
        if (r->answer.empty() || *end != '\0')
            throw session_error("reply " + std::to_string(r->index + 1) + " answers \"" + r->answer + "\" to \"" +
                                label + "\"; an integer was expected");
        if (v < low || v > high) {
            note(std::string("field: ") + label + " refuses " + r->answer);
        } else {
            value = static_cast<i32>(v);
            note("reply: " + r->answer);
        }
    }
}

void modbln() { ++N().row; }
void modtxt(const char* text)
{
    ++N().row;
    note(std::string("field: ") + text);
}

void modact(const char* text)
{
    ++N().row;
    note(std::string("field: ") + text);
    N().actions.emplace_back(text, N().row);
}

void modrc(const char* label, f32& value, f32 low, f32 high)
{
    ++N().row;
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", H().settings.digits, static_cast<double>(value));
    note(std::string("field: ") + label + " = " + b);
    if (const Reply* r = optional_reply("prompt", label)) {
        char* end = nullptr;
        double v = std::strtod(r->answer.c_str(), &end);
        if (r->answer.empty() || *end != '\0')
            throw session_error("reply " + std::to_string(r->index + 1) + " answers \"" + r->answer + "\" to \"" +
                                label + "\"; a number was expected");
        if (v < low || v > high) {
            note(std::string("field: ") + label + " refuses " + r->answer);
        } else {
            value = static_cast<f32>(v);
            note("reply: " + r->answer);
        }
    }
}

void modif1(i32& action)
{
    if (column_form()) {
        action = column_read();
        return;
    }
    std::string options = "ACCEPT@LEAVE";
    for (const auto& a : N().actions) options += "@" + a.first;
    note("menu: " + options);
    const Reply& r = next_reply("menu", options);
    i32 c = option_of(r, options, options);
    action = c == 1 ? 0 : c == 2 ? -1 : c < 0 ? c : N().actions[static_cast<size_t>(c - 3)].second;
    note("reply: " + std::to_string(action));
}

i32 modkey() { return 0; }
