// Keyed parameter records, template files, parameter lines and expression items.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/host.h"
#include "platform/norak/recordcalls.h"
#include "platform/norak/state.h"

namespace norak {

std::map<std::string, KeyedRecord>& records() { return H().records; }
const std::vector<std::string>& record_writes() { return H().record_writes; }

void set_record(const std::string& key, i32 kind, const std::vector<i32>& words)
{
    H().records[key] = KeyedRecord{kind, words};
}

const std::vector<std::array<i32, 4>>& translation_rows() { return H().trns; }

namespace {
// A word as a dump shows it: small integers as integers, the rest as reals.
std::string word_text(i32 w)
{
    if (w > -1000000 && w < 1000000) return std::to_string(w);
    char b[48];
    std::snprintf(b, sizeof b, "%.7g", static_cast<double>(wrd2r(w)));
    std::string s = b;
    if (s.find_first_of(".einf") == std::string::npos) s += ".0";
    return s;
}
}  // namespace

std::string write_records(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return end_file(f, path);
    for (const auto& [key, r] : H().records) {
        std::fprintf(f, "%s kind %d words %zu:", key.c_str(), r.kind, r.words.size());
        for (i32 w : r.words) std::fprintf(f, " %s", word_text(w).c_str());
        std::fprintf(f, "\n");
    }
    std::fprintf(f, "written:");
    for (const auto& k : H().record_writes) std::fprintf(f, " %s", k.c_str());
    std::fprintf(f, "\n");
    return end_file(f, path);
}

std::map<std::string, std::vector<TemplateRecord>>& templates() { return H().templates; }

void template_open(const std::string& name, bool write)
{
    Host& h = H();
    h.tpl_name = name;
    h.tpl_write = write;
    h.tpl_pos = 0;
    h.tpl_handle = 7;
    if (write) h.templates[name].clear();
}

void template_close()
{
    H().tpl_handle = 0;
    H().tpl_name.clear();
}

void add_param_line(const std::vector<std::string>& values) { H().param_lines.push_back(values); }

namespace {
std::string key4(const char* key) { return std::string(key, strnlen(key, 4)); }

// The expression item of a plain real: value, its text, and the value type.
void make_expr(f32 value, i32* item)
{
    std::memset(item, 0, 24 * 4);
    item[0] = r2wrd(value);
    char text[85] = {0};
    std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
    std::memcpy(item + 2, text, 84);
    item[23] = 1;  // value type: 1 single-precision real
}

bool parse_int(const std::string& t, i32& v)
{
    char* end = nullptr;
    long x = std::strtol(t.c_str(), &end, 10);
    if (t.empty() || *end != '\0' || x < INT32_MIN || x > INT32_MAX) return false;
    v = static_cast<i32>(x);
    return true;
}

bool parse_real(const std::string& t, f32& v)
{
    char* end = nullptr;
    double x = std::strtod(t.c_str(), &end);
    if (t.empty() || *end != '\0' || !std::isfinite(x)) return false;
    v = static_cast<f32>(x);
    return true;
}

bool is_int_text(const std::string& t)
{
    return t.find_first_of(".eE") == std::string::npos;
}
}  // namespace

}  // namespace norak

using namespace norak;

void norak::refuse_record_store(const std::string& key, i32 n) { arm_refusal("record_refusals", key4(key.c_str()), n); }

void mdputn(const char* key, const i32& kind, const i32& count, const void* data, i32& status)
{
    Host& h = H();
    status = -1;
    if (count < 0 || (count > 0 && !data)) return;
    if (due_refusal("record_refusals", key4(key), "record: mdputn " + key4(key) + " refused")) return;
    KeyedRecord r;
    r.kind = kind;
    r.words.resize(static_cast<size_t>(count));
    if (count > 0) std::memcpy(r.words.data(), data, static_cast<size_t>(count) * 4);
    std::string k = key4(key);
    h.records[k] = std::move(r);
    h.record_writes.push_back(k);
    status = 0;
}

void mdgetn(const char* key, void* data, i32& count, i32& status)
{
    Host& h = H();
    auto it = h.records.find(key4(key));
    if (it == h.records.end()) {
        status = -1;
        count = 0;
        return;
    }
    const auto& w = it->second.words;
    if (static_cast<i32>(w.size()) > count) {
        note("internal: RECORD " + key4(key) + " IS LARGER THAN THE READER'S AREA");
        status = -2;
        count = 0;
        return;
    }
    count = static_cast<i32>(w.size());
    if (count > 0) std::memcpy(data, w.data(), w.size() * 4);
    status = 0;
}

i32 get_template_file_ptr() { return H().tpl_handle; }

void template_write_one_record(i32 file, const void* buf, i32 count, i32 type, i32& status)
{
    Host& h = H();
    status = -1;
    if (file == 0 || file != h.tpl_handle || !h.tpl_write || count < 0) return;
    TemplateRecord r;
    r.type = type;
    r.words.resize(static_cast<size_t>(count));
    if (count > 0) std::memcpy(r.words.data(), buf, static_cast<size_t>(count) * 4);
    h.templates[h.tpl_name].push_back(std::move(r));
    status = 0;
}

static void read_record(i32 file, void* buf, i32 count, i32& status, bool consume)
{
    Host& h = H();
    status = -1;
    if (file == 0 || file != h.tpl_handle || h.tpl_write || count < 0) return;
    auto& recs = h.templates[h.tpl_name];
    if (h.tpl_pos >= recs.size()) {
        status = -2;  // end of the template file
        return;
    }
    const TemplateRecord& r = recs[h.tpl_pos];
    if (static_cast<i32>(r.words.size()) > count) {
        note("internal: TEMPLATE RECORD LONGER THAN THE READER'S AREA");
        status = -3;
        return;
    }
    if (!r.words.empty()) std::memcpy(buf, r.words.data(), r.words.size() * 4);
    status = static_cast<i32>(r.words.size()) < count ? -2 : 0;
    if (consume) ++h.tpl_pos;
}

void template_read_one_record(i32 file, void* buf, i32 count, i32 type, i32& status)
{
    read_record(file, buf, count, status, true);
}

// Looks at the next `count` words of the file, across records, without
// consuming them.
void template_read_rw(i32 file, void* buf, i32 count, i32 type, i32& status)
{
    Host& h = H();
    status = -1;
    if (file == 0 || file != h.tpl_handle || h.tpl_write || count < 0) return;
    auto& recs = h.templates[h.tpl_name];
    std::vector<i32> words;
    for (size_t k = h.tpl_pos; k < recs.size() && static_cast<i32>(words.size()) < count; ++k)
        words.insert(words.end(), recs[k].words.begin(), recs[k].words.end());
    if (static_cast<i32>(words.size()) > count) words.resize(static_cast<size_t>(count));
    if (!words.empty()) std::memcpy(buf, words.data(), words.size() * 4);
    status = static_cast<i32>(words.size()) < count ? -2 : 0;
}

void nu_parm_get_line(i32 count, i32 type, void* buf, i32& status)
{
    Host& h = H();
    status = -1;
    if (count < 0) return;
    if (h.param_lines.empty()) return;
    std::vector<std::string> line = h.param_lines.front();
    h.param_lines.pop_front();
    std::vector<i32> out;
    bool bad = false;
    if (type == 8) {
        std::string text;
        for (size_t k = 0; k < line.size(); ++k) text += (k ? " " : "") + line[k];
        out.assign(static_cast<size_t>(count), 0);
        std::memcpy(out.data(), text.data(), std::min(text.size(), out.size() * 4));
    } else if (type == 10) {
        for (const auto& t : line) {
            f32 v;
            if (!parse_real(t, v)) { bad = true; break; }
            i32 item[24];
            make_expr(v, item);
            out.insert(out.end(), item, item + 24);
        }
    } else {
        for (const auto& t : line) {
            i32 iv;
            f32 rv;
            bool asint = type == 0 || type == 3 || type == 7 || (type == 2 && is_int_text(t));
            if (asint ? !parse_int(t, iv) : !parse_real(t, rv)) { bad = true; break; }
            out.push_back(asint ? iv : r2wrd(rv));
        }
    }
    if (bad) {
        note("internal: PARAMETER LINE HOLDS A BAD VALUE");
        status = -3;
        return;
    }
    if (static_cast<i32>(out.size()) > count) {
        note("internal: PARAMETER LINE LONGER THAN THE READER'S AREA");
        status = -3;
        return;
    }
    if (!out.empty()) std::memcpy(buf, out.data(), out.size() * 4);
    status = static_cast<i32>(out.size()) < count ? -2 : 0;
}

void rel_nc_init_expr(void* item)
{
    i32 w[24];
    std::memcpy(w, item, 4);
    make_expr(wrd2r(w[0]), w);
    std::memcpy(item, w, sizeof w);
}

void plg_mchtbl_mdget(i32* table)
{
    std::memcpy(table, H().machine_table.data(), 10 * 4);
}

void plg_mchtbl_mdput(i32 mode, const i32* table)
{
    std::memcpy(H().machine_table.data(), table, 10 * 4);
    H().record_writes.push_back("MCHT");
}
