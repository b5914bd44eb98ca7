// Messages, menus, prompts and replies, status line, comparisons, text
// builders and host settings. What is shown goes into the transcript; what
// is asked is answered from the reply script.
#include <algorithm>
#include <array>
#include <cmath>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {

std::string trim(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '>')) s.pop_back();
    size_t k = 0;
    while (k < s.size() && s[k] == ' ') ++k;
    return s.substr(k);
}

std::optional<i32> answer_choice(const std::string& answer, const std::vector<std::string>& labels)
{
    char* end = nullptr;
    long n = std::strtol(answer.c_str(), &end, 10);
    if (!answer.empty() && *end == '\0') return static_cast<i32>(n);
    for (size_t k = 0; k < labels.size(); ++k)
        if (!labels[k].empty() && trim(labels[k]) == trim(answer)) return static_cast<i32>(k + 1);
    return std::nullopt;
}

std::vector<std::string> split_options(const std::string& options)
{
    std::vector<std::string> out;
    size_t k = 0;
    while (true) {
        size_t at = options.find('@', k);
        out.push_back(options.substr(k, at == std::string::npos ? std::string::npos : at - k));
        if (at == std::string::npos) break;
        k = at + 1;
    }
    return out;
}

namespace {
std::string fmt(const hval& v)
{
    char b[64];
    if (v.isint)
        std::snprintf(b, sizeof b, "%d", v.i);
    else
        std::snprintf(b, sizeof b, "%g", v.r);
    return b;
}

// The closing text of a message with values: a tail that starts with a
// letter or a digit is set off from the last value by one blank (a value
// never runs into a word); a tail that starts with a blank or a sign is
// joined as given.
std::string tail_of(const char* tail)
{
    const unsigned char c = static_cast<unsigned char>(tail[0]);
    return std::isalnum(c) != 0 ? std::string(" ") + tail : std::string(tail);
}


std::string where(const Reply& r) { return "reply " + std::to_string(r.index + 1); }
}  // namespace

void add_reply(const Reply& r)
{
    Reply c = r;
    c.index = H().replies.size();
    H().replies.push_back(c);
}

size_t replies_left() { return H().replies.size() - H().next_reply; }

const Reply& next_reply(const std::string& kind, const std::string& asked)
{
    Host& h = H();
    if (h.next_reply >= h.replies.size())
        throw session_error("reply script exhausted: the module asks " + kind + " \"" + asked + "\"");
    const Reply& r = h.replies[h.next_reply];
    if (r.kind == "key" || (!r.kind.empty() && r.kind != kind))
        throw session_error(where(r) + " answers a " + (r.kind.empty() ? std::string("reply") : r.kind) +
                            ", but the module asks " + kind + " \"" + asked + "\"");
    if (!r.expect.empty() && asked.find(r.expect) == std::string::npos)
        throw session_error(where(r) + " expects \"" + r.expect + "\", but the module asks " + kind +
                            " \"" + asked + "\"");
    ++h.next_reply;
    return r;
}

std::string choice_text(const std::string& options, i32 choice)
{
    auto opts = split_options(options);
    if (choice < 1 || choice > static_cast<i32>(opts.size())) return "";
    return trim(opts[static_cast<size_t>(choice - 1)]);
}

namespace {
// A menu choice from a reply: a number counted from 1, or an option's text.
i32 menu_choice(const std::string& options)
{
    note("menu: " + options);
    const Reply& r = next_reply("menu", options);
    i32 choice;
    if (r.escape) {
        choice = -2;
    } else if (r.end) {
        choice = -3;
    } else {
        auto opts = split_options(options);
        choice = answer_choice(r.answer, opts).value_or(0);
        if (choice < 1 || choice > static_cast<i32>(opts.size()))
            throw session_error(where(r) + " answers \"" + r.answer + "\", which is no option of menu \"" +
                                options + "\"");
    }
    note("reply: " + std::to_string(choice) + (choice > 0 ? " (" + choice_text(options, choice) + ")" : ""));
    return choice;
}

const Reply& value_reply(const char* text, i32& status)
{
    note(std::string("prompt: ") + text);
    const Reply& r = next_reply("prompt", text);
    status = r.escape ? -2 : r.end ? -3 : 0;
    return r;
}
}  // namespace

}  // namespace norak

using namespace norak;

// ---------------------------------------------------------------- messages

void errout(const char* text, const i32& code, const i32& length)
{
    note("error: " + std::string(text, strnlen(text, static_cast<size_t>(std::max(length, 0)))));
}
void eroutc(const char* text, const i32&) { note(std::string("internal: ") + text); }
void erou1c(const char* t, const hval& a, const char* tail) { note(std::string("internal: ") + t + fmt(a) + tail_of(tail)); }
void erou2c(const char* t, const hval& a, const hval& b, const char* tail)
{
    note(std::string("internal: ") + t + fmt(a) + " " + fmt(b) + tail_of(tail));
}
void erou3c(const char* t, const hval& a, const hval& b, const hval& c, const char* tail)
{
    note(std::string("internal: ") + t + fmt(a) + " " + fmt(b) + " " + fmt(c) + tail_of(tail));
}
void erou4c(const char* t, const hval& a, const hval& b, const hval& c, const hval& d, const char* tail)
{
    note(std::string("internal: ") + t + fmt(a) + " " + fmt(b) + " " + fmt(c) + " " + fmt(d) + tail_of(tail));
}
void erou5c(const char* t, const hval& a, const hval& b, const hval& c, const hval& d, const hval& e, const char* tail)
{
    note(std::string("internal: ") + t + fmt(a) + " " + fmt(b) + " " + fmt(c) + " " + fmt(d) + " " + fmt(e) + tail_of(tail));
}
void userrc(const char* text, const i32&) { note(std::string("user: ") + text); }
void user1c(const char* t, const hval& a, const char* tail) { note(std::string("user: ") + t + fmt(a) + tail_of(tail)); }
void user5c(const char* a, const char* b, const char* c, const char* d, const char* e)
{
    note(std::string("user: ") + a + b + c + d + e);
}
void usmsgc(const char* text) { note(std::string("message: ") + text); }
void usms1c(const char* text, const hval& v) { note(std::string("message: ") + text + fmt(v)); }
void shmsgc(const char* text) { note(std::string("status: ") + text); }
void shms1c(const char* text, const i32* values, const i32& count, const char* code)
{
    std::string line = std::string("status: ") + text;
    const bool whole = code && code[0] == 'C';
    for (i32 k = 0; k < count; ++k) {
        if (k > 0) line += ' ';
        line += whole ? std::to_string(values[k]) : fmt(values[k]);
    }
    note(line);
}
void shlmsg(const char* text, const i32& length)
{
    note("window: " + std::string(text, strnlen(text, static_cast<size_t>(std::max(length, 0)))));
}
void msg_mdls(i32 module, i32 number)
{
    note("host message " + std::to_string(module) + "/" + std::to_string(number) + ": " +
         host_message(module, number));
}
void msg_get(i32 module, i32 number, char* text, i32 length)
{
    if (length <= 0) return;
    std::snprintf(text, static_cast<size_t>(length), "%s", host_message(module, number).c_str());
}

// --------------------------------------------------- menus and prompts

namespace norak {
namespace {
// The menu of the next pick: set up by setir, its items added by modmc.
struct Preset {
    bool on = false;
    std::string options;
};
Preset& P() { return ext_state<Preset>("preset"); }
}  // namespace

bool preset_reply(i32& status)
{
    Host& h = H();
    const Preset p = P();
    P() = Preset{};
    if (!p.on || p.options.empty() || h.next_reply >= h.replies.size() || h.replies[h.next_reply].kind != "menu")
        return false;
    const Reply& r = next_reply("menu", p.options);
    const auto opts = split_options(p.options);
    const i32 choice = r.escape ? -2 : r.end ? -3 : answer_choice(r.answer, opts).value_or(0);
    if (choice == 0 || choice > static_cast<i32>(opts.size()))
        throw session_error(where(r) + " answers \"" + r.answer + "\", which is no option of menu \"" + p.options + "\"");
    status = choice;
    return true;
}
}  // namespace norak

void modinz() {}
void setir() { P().on = true; }
void modmc(const char* options, i32& choice)
{
    if (column_form()) {
        column_options(options, choice, 0);
        return;
    }
    if (P().on) {
        // Shown beside the next pick, which reads the reply.
        note(std::string("menu: ") + options);
        P().options += (P().options.empty() ? "" : "@") + std::string(options);
        choice = 0;
        return;
    }
    choice = menu_choice(options);
}
void modumc(const char* options, i32& choice)
{
    if (column_form()) {
        column_empty();
        return;
    }
    choice = menu_choice(options);
}

void irepyc(const char* question, i32& reply)
{
    note(std::string("question: ") + question);
    const Reply& r = next_reply("question", question);
    if (r.escape)
        reply = -2;
    else if (r.exit)
        reply = -1;
    else if (r.end)
        reply = -3;
    else if (r.answer == "yes" || r.answer == "YES" || r.answer == "1")
        reply = 1;
    else if (r.answer == "no" || r.answer == "NO" || r.answer == "0")
        reply = 0;
    else
        throw session_error(where(r) + " answers \"" + r.answer + "\" to the question \"" + question +
                            "\"; yes or no was expected");
    note("reply: " + std::to_string(reply));
}

void prmptc(const char* text)
{
    H().nc.prompt = text;
    note(std::string("prompt: ") + text);
}

void prmreal(const char* text, f32& value, i32& status)
{
    const Reply& r = value_reply(text, status);
    if (status != 0) return;
    char* end = nullptr;
    double v = std::strtod(r.answer.c_str(), &end);
    if (r.answer.empty() || *end != '\0' || !std::isfinite(v))
        throw session_error(where(r) + " answers \"" + r.answer + "\" to \"" + text + "\"; a number was expected");
    value = static_cast<f32>(v);
    note("reply: " + r.answer);
}

void prmint(const char* text, i32& value, i32& status)
{
    const Reply& r = value_reply(text, status);
    if (status != 0) return;
    char* end = nullptr;
    long v = std::strtol(r.answer.c_str(), &end, 10);
    if (r.answer.empty() || *end != '\0')
        throw session_error(where(r) + " answers \"" + r.answer + "\" to \"" + text + "\"; an integer was expected");
    value = static_cast<i32>(v);
    note("reply: " + r.answer);
}

void prmtxt(const char* text, char* value, const i32& length, i32& status)
{
    const Reply& r = value_reply(text, status);
    if (status != 0 || length <= 0) return;
    std::snprintf(value, static_cast<size_t>(length), "%s", r.answer.c_str());
    note("reply: " + r.answer);
}

void gupdat(i32& key)
{
    Host& h = H();
    key = -1;
    const auto now = std::chrono::steady_clock::now();
    h.poll_gap = std::max(h.poll_gap, std::chrono::duration<double>(now - h.last_poll).count());
    h.last_poll = now;
    ++h.poll_count;
    if (h.next_reply >= h.replies.size()) return;
    const Reply& r = h.replies[h.next_reply];
    if (r.kind != "key") return;
    if (r.after_blocks > 0) {
        // Pressed once the display has registered that many blocks since
        // the key became the next reply.
        if (h.key_base != static_cast<i32>(h.next_reply)) {
            h.key_base = static_cast<i32>(h.next_reply);
            h.key_regs = registrations();
        }
        if (registrations() - h.key_regs < r.after_blocks) return;
    } else if (++h.polls < r.after_polls) {
        return;
    }
    key = r.key;
    h.key_seen = registrations();
    h.polls = 0;
    ++h.next_reply;
    note("key: " + std::to_string(key));
}

void modint(const i32* words, i32& status)
{
    // The first three layout words; the third is the number of menu lines.
    auto& kept = ext_state<std::array<i32, 3>>("modint");
    std::copy(words, words + 3, kept.begin());
    status = call_fails("modint") ? -1 : 0;
}
const std::array<i32, 3>& norak::menu_layout() { return ext_state<std::array<i32, 3>>("modint"); }
i32 modhix() { return H().settings.screen_height; }
void gsclr(const i32& mode) { ext_state<std::vector<i32>>("gsclr").push_back(mode); }
const std::vector<i32>& norak::menu_clears() { return ext_state<std::vector<i32>>("gsclr"); }
void ncr_mdnxt_set(i32 index) { H().mdnxt = index; }
i32 ncr_mdnxt_get() { return H().mdnxt; }
void mdnxt_set(i32 index) { H().mdnxt = index; }

// ------------------------------------------------------------ status line

void bmshow(const i32& window, const i32& line, const i32& field, const char* text, const i32&, const i32& width)
{
    const std::string shown(text, strnlen(text, static_cast<size_t>(std::max(width, 0))));
    keep_status_field(line, field, shown);
    note("field " + std::to_string(line) + "." + std::to_string(field) + ": [" + shown + "]");
}
void grpupd() {}
void gsncpt(const i32*) {}
void gsdisp(const i32*) {}
void gsdism(const i32*) {}
void gsmach(const i32*) {}
void gstlpr(const i32* header)
{
    // The tool fields are formatted from the tool header handed last.
    auto& kept = ext_state<std::array<i32, norak::TOOL_HEADER_WORDS>>("statustool");
    std::copy(header, header + norak::TOOL_HEADER_WORDS, kept.begin());
}
const std::array<i32, norak::TOOL_HEADER_WORDS>& norak::status_tool_header()
{
    return ext_state<std::array<i32, norak::TOOL_HEADER_WORDS>>("statustool");
}

// ---------------------------------------------------- tolerant comparisons

f32 get_tolerance() { return static_cast<f32>(H().settings.tolerance); }
f32 gseps(const i32&, const i32&) { return static_cast<f32>(H().settings.tolerance); }
static f64 tol() { return H().settings.tolerance; }
i32 eqval(const f32& a, const f32& b) { return std::fabs(f64(a) - f64(b)) <= tol(); }
i32 neval(const f32& a, const f32& b) { return !eqval(a, b); }
i32 gtval(const f32& a, const f32& b) { return f64(a) > f64(b) + tol(); }
i32 geval(const f32& a, const f32& b) { return f64(a) >= f64(b) - tol(); }
i32 ltval(const f32& a, const f32& b) { return f64(a) < f64(b) - tol(); }
i32 leval(const f32& a, const f32& b) { return f64(a) <= f64(b) + tol(); }
i32 eqval0(const f32& a) { return std::fabs(f64(a)) <= tol(); }
i32 eqvald(const f64& a, const f64& b) { return std::fabs(a - b) <= tol(); }
i32 gtvald(const f64& a, const f64& b) { return a > b + tol(); }
i32 ltvald(const f64& a, const f64& b) { return a < b - tol(); }
i32 levald(const f64& a, const f64& b) { return a <= b + tol(); }
i32 gevald(const f64& a, const f64& b) { return a >= b - tol(); }
i32 eqvl0d(const f64& a) { return std::fabs(a) <= tol(); }

// ---------------------------------------------------------- text builders

void cvi2t(const i32& value, char* text, i32& length, i32& status)
{
    char b[16];
    int n = std::snprintf(b, sizeof b, "%d", value);
    std::memcpy(text, b, static_cast<size_t>(n) + 1);
    length = n;
    status = 0;
}

void cvr2td(const f64& value, const i32& digits, char* text, i32& length, i32& status)
{
    status = -1;
    length = 0;
    if (!std::isfinite(value) || std::fabs(value) >= 1e15 || digits < 0 || digits > 12) return;
    char b[48];
    int n = std::snprintf(b, sizeof b, "%.*f", digits, value);
    std::memcpy(text, b, static_cast<size_t>(n) + 1);
    length = n;
    status = 0;
}

void fs2cs(const char* fixed, i32 length, char* text)
{
    i32 n = length;
    while (n > 0 && (fixed[n - 1] == ' ' || fixed[n - 1] == '\0')) --n;
    std::memcpy(text, fixed, static_cast<size_t>(n));
    text[n] = '\0';
}

void movt2i(const char* text, const i32& nchars, i32* words)
{
    std::memcpy(words, text, static_cast<size_t>(std::max(nchars, 0)));
}

void movi2t(const i32* words, const i32& nchars, char* text)
{
    std::memcpy(text, words, static_cast<size_t>(std::max(nchars, 0)));
}

// --------------------------------------------------------- settings, misc

i32 get_verbos_fn() { return H().settings.verbosity; }
i32 get_extflag() { return H().settings.extflag; }
void enaall() { note("host: all functions enabled"); }
f32 gtmesu() { return H().settings.unit; }
i32 gtdgts() { return H().settings.digits; }
void gsvnum(i32& view) { view = H().settings.view; }
void tbinit() {}

void gtncfn(char* names, i32& count, i32* map)
{
    const Settings& s = H().settings;
    count = static_cast<i32>(std::min<size_t>(s.user_names.size(), 100));
    std::memset(names, ' ', 800);
    for (i32 k = 0; k < count; ++k) {
        const std::string& n = s.user_names[static_cast<size_t>(k)];
        std::memcpy(names + 8 * k, n.data(), std::min<size_t>(n.size(), 8));
    }
    for (int k = 0; k < 100; ++k) map[k] = s.user_map[static_cast<size_t>(k)];
}

void setwap(const f32*) {}
void setdsp(const i32&) {}
void edsym(const i32&, const i32& on) { ext_state<bool>("edsym") = on == 0; }
bool norak::symbols_hidden() { return ext_state<bool>("edsym"); }
void mapw2m(const f32* world, f32* machine)
{
    f64 w[3] = {world[0], world[1], world[2]}, m[3];
    madw2m(w, m);
    for (int k = 0; k < 3; ++k) machine[k] = static_cast<f32>(m[k]);
}
void tm_inst_id(i32) { H().nc.tm_inst = 0; }
void nu_trns_add(i32 text, i32 code, i32 kind, i32 text2, i32& status)
{
    H().trns.push_back({text, code, kind, text2});
    status = 0;
}
void nu_trns_rels() { H().trns.clear(); }
