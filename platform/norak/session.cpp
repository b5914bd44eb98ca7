// The session file: host settings, preset records, entities of the part,
// parameter lines, the calls to make and the reply script.
#include "platform/norak/session.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/norak/state.h"

namespace norak {

namespace {
std::map<std::string, EntityLoader>& loaders()
{
    static std::map<std::string, EntityLoader> m;
    return m;
}

std::string answer_text(const json& v, const std::string& where)
{
    if (v.is_string()) return v.get<std::string>();
    if (v.is_number_integer()) return std::to_string(v.get<long long>());
    if (v.is_number()) {
        std::ostringstream s;
        s.precision(9);
        s << v.get<double>();
        return s.str();
    }
    if (v.is_boolean()) return v.get<bool>() ? "yes" : "no";
    throw session_error(where + ": the answer must be a number or a text");
}

void load_settings(const json& s)
{
    if (!s.is_object()) throw session_error("settings: an object was expected");
    Settings& st = H().settings;
    for (auto it = s.begin(); it != s.end(); ++it) {
        const std::string& k = it.key();
        const json& v = it.value();
        std::string w = "settings." + k;
        auto num = [&]() {
            if (!v.is_number()) throw session_error(w + ": a number was expected");
            return v.get<double>();
        };
        if (k == "verbosity") st.verbosity = static_cast<i32>(num());
        else if (k == "extflag") st.extflag = static_cast<i32>(num());
        else if (k == "unit") st.unit = static_cast<f32>(num());
        else if (k == "digits") st.digits = static_cast<i32>(num());
        else if (k == "view") st.view = static_cast<i32>(num());
        else if (k == "screen_height") st.screen_height = static_cast<i32>(num());
        else if (k == "tp_version") st.tp_version = static_cast<i32>(num());
        else if (k == "tp_open") st.tp_open = static_cast<i32>(num());
        else if (k == "tolerance") st.tolerance = num();
        else if (k == "list_capacity") st.list_capacity = static_cast<i32>(num());
        else if (k == "element_capacity") st.element_capacity = static_cast<i32>(num());
        else if (k == "prg_version") st.prg_version = static_cast<i32>(num());
        else if (k == "criteria") st.criteria = static_cast<i32>(num());
        else if (k == "modify") st.modify = static_cast<i32>(num());
        else if (k == "machine_type") st.mactype = static_cast<i32>(num());
        else if (k == "fail_alloc_after") H().fail_countdown = static_cast<i32>(num());
        else if (k == "part_file") {
            if (!v.is_string()) throw session_error(w + ": a text was expected");
            st.part_file = v.get<std::string>();
        } else if (k == "part_ext") {
            if (!v.is_string() || v.get<std::string>().size() > 4)
                throw session_error(w + ": a text of at most 4 characters was expected");
            st.part_ext = v.get<std::string>();
        } else if (k == "user_names") {
            if (!v.is_array()) throw session_error(w + ": a list of names was expected");
            st.user_names.clear();
            for (const auto& n : v) {
                if (!n.is_string()) throw session_error(w + ": a list of names was expected");
                st.user_names.push_back(n.get<std::string>());
            }
        } else if (k == "user_map") {
            if (!v.is_array() || v.size() > 100) throw session_error(w + ": at most 100 integers were expected");
            for (size_t i = 0; i < v.size(); ++i) {
                if (!v[i].is_number_integer()) throw session_error(w + ": integers were expected");
                st.user_map[i] = v[i].get<i32>();
            }
        } else if (nc_setting(k)) {
            st.nc[k] = num();
        } else
            throw session_error(w + ": unknown setting");
    }
}

void load_records(const json& r)
{
    if (!r.is_object()) throw session_error("records: an object of keyed records was expected");
    for (auto it = r.begin(); it != r.end(); ++it) {
        std::string w = "records." + it.key();
        if (it.key().size() != 4) throw session_error(w + ": a key has four characters");
        const json& d = it.value();
        if (!d.is_object()) throw session_error(w + ": an object with kind and words was expected");
        set_record(it.key(), need_int(d, "kind", w), json_words(need(d, "words", w), w + ".words"));
    }
}

Reply parse_reply(const json& j, const std::string& w)
{
    if (!j.is_object()) throw session_error(w + ": an object was expected");
    Reply r;
    for (auto it = j.begin(); it != j.end(); ++it) {
        const std::string& k = it.key();
        const json& v = it.value();
        if (k == "menu") {
            r.kind = "menu";
            r.answer = answer_text(v, w);
        } else if (k == "question" || k == "prompt") {
            r.kind = k;
            if (!v.is_string()) throw session_error(w + "." + k + ": the asked text was expected");
            r.expect = v.get<std::string>();
        } else if (k == "answer") {
            r.answer = answer_text(v, w);
        } else if (k == "value") {
            r.value = answer_text(v, w);
        } else if (k == "expect") {
            if (!v.is_string()) throw session_error(w + ".expect: a text was expected");
            r.expect = v.get<std::string>();
        } else if (k == "escape") {
            r.escape = v.is_boolean() && v.get<bool>();
        } else if (k == "end") {
            r.end = v.is_boolean() && v.get<bool>();
        } else if (k == "key") {
            r.kind = "key";
            if (v == "space") r.key = 32;
            else if (v.is_number_integer()) r.key = v.get<i32>();
            else throw session_error(w + ".key: \"space\" or a key code was expected");
        } else if (k == "after_blocks") {
            if (!v.is_number_integer() || v.get<i32>() < 1) throw session_error(w + ".after_blocks: a count of 1 or more was expected");
            r.after_blocks = v.get<i32>();
        } else if (k == "after_polls") {
            if (!v.is_number_integer() || v.get<i32>() < 1) throw session_error(w + ".after_polls: a count of 1 or more was expected");
            r.after_polls = v.get<i32>();
        } else if (k == "pick") {
            r.kind = "pick";
            if (!v.is_number_integer()) throw session_error(w + ".pick: an entity id was expected");
            r.entity = v.get<i32>();
        } else if (k == "exit") {
            r.exit = v.is_boolean() && v.get<bool>();
        } else if (k == "picks") {
            r.kind = "pick";
            if (!v.is_array()) throw session_error(w + ".picks: a list of picks was expected");
            for (const auto& p : v) {
                if (p.is_number_integer()) {
                    r.picks.push_back({static_cast<f64>(p.get<i32>()), 0.0, 0.0});
                } else if (p.is_object() && p.contains("pick") && p["pick"].is_number_integer()) {
                    f64 pu = p.contains("u") && p["u"].is_number() ? p["u"].get<double>() : 0.0;
                    f64 pv = p.contains("v") && p["v"].is_number() ? p["v"].get<double>() : 0.0;
                    r.picks.push_back({static_cast<f64>(p["pick"].get<i32>()), pu, pv});
                } else {
                    throw session_error(w + ".picks: entity ids or {\"pick\": id, \"u\": u, \"v\": v} were expected");
                }
            }
        } else if (k == "point") {
            r.kind = "point";
            if (!v.is_array() || v.size() != 3 || !v[0].is_number() || !v[1].is_number() || !v[2].is_number())
                throw session_error(w + ".point: three numbers were expected");
            for (int c = 0; c < 3; ++c) r.point[c] = v[c].get<double>();
        } else if (k == "u" || k == "v") {
            if (!v.is_number()) throw session_error(w + "." + k + ": a number was expected");
            (k == "u" ? r.u : r.v) = v.get<double>();
        } else if (k == "note") {
            // a comment for the reader of the script
        } else {
            throw session_error(w + ": unknown field \"" + k + "\"");
        }
    }
    if (r.kind == "key" && r.after_polls == 0) r.after_polls = 1;
    return r;
}

void load(const json& j)
{
    if (!j.is_object()) throw session_error("the session must be a JSON object");
    // Settings first: entity loaders may read them.
    if (j.contains("settings")) load_settings(j["settings"]);
    for (auto it = j.begin(); it != j.end(); ++it) {
        const std::string& k = it.key();
        const json& v = it.value();
        if (k == "settings" || k == "note") continue;
        if (k == "records") {
            load_records(v);
        } else if (k == "entities") {
            if (!v.is_array()) throw session_error("entities: a list was expected");
            for (size_t i = 0; i < v.size(); ++i) {
                std::string w = "entities[" + std::to_string(i) + "]";
                const json& e = v[i];
                if (!e.is_object() || !e.contains("kind") || !e["kind"].is_string())
                    throw session_error(w + ": an object with a \"kind\" was expected");
                std::string kind = e["kind"].get<std::string>();
                auto l = loaders().find(kind);
                if (l == loaders().end()) throw session_error(w + ": unknown entity kind \"" + kind + "\"");
                l->second(e, w);
            }
        } else if (k == "param_lines") {
            if (!v.is_array()) throw session_error("param_lines: a list of lines was expected");
            for (size_t i = 0; i < v.size(); ++i) {
                std::string w = "param_lines[" + std::to_string(i) + "]";
                std::vector<std::string> line;
                if (v[i].is_array())
                    for (const auto& x : v[i]) line.push_back(answer_text(x, w));
                else
                    line.push_back(answer_text(v[i], w));
                add_param_line(line);
            }
        } else if (k == "calls") {
            if (!v.is_array()) throw session_error("calls: a list was expected");
            for (const auto& c : v) {
                if (!c.is_string()) throw session_error("calls: names of calls were expected");
                H().calls.push_back(c.get<std::string>());
            }
        } else if (k == "replies") {
            if (!v.is_array()) throw session_error("replies: a list was expected");
            for (size_t i = 0; i < v.size(); ++i)
                add_reply(parse_reply(v[i], "replies[" + std::to_string(i) + "]"));
        } else {
            throw session_error("unknown section \"" + k + "\"");
        }
    }    nc_session_defaults();
}

// Raw entities: class, type and words as given.
struct RawKind {
    RawKind()
    {
        register_entity_kind("raw", [](const json& d, const std::string& w) {
            Entity e;
            e.id = d.contains("id") ? need_int(d, "id", w) : 0;
            e.cls = need_int(d, "class", w);
            e.type = need_int(d, "type", w);
            if (d.contains("words")) e.words = json_words(d["words"], w + ".words");
            if (e.id < 0) throw session_error(w + ".id: ids are positive");
            if (e.id > 0 && H().entities.count(e.id)) throw session_error(w + ".id: id " + std::to_string(e.id) + " is used twice");
            add_entity(std::move(e));
        });
    }
} raw_kind;
}  // namespace

void register_entity_kind(const std::string& kind, EntityLoader loader) { loaders()[kind] = std::move(loader); }

const json& need(const json& obj, const char* field, const std::string& where)
{
    if (!obj.is_object() || !obj.contains(field)) throw session_error(where + ": field \"" + field + "\" is missing");
    return obj[field];
}

f64 need_num(const json& obj, const char* field, const std::string& where)
{
    const json& v = need(obj, field, where);
    if (!v.is_number() || !std::isfinite(v.get<double>()))
        throw session_error(where + "." + field + ": a number was expected");
    return v.get<double>();
}

i32 need_int(const json& obj, const char* field, const std::string& where)
{
    const json& v = need(obj, field, where);
    if (!v.is_number_integer()) throw session_error(where + "." + field + ": an integer was expected");
    return v.get<i32>();
}

std::vector<i32> json_words(const json& a, const std::string& where)
{
    if (!a.is_array()) throw session_error(where + ": a list of words was expected");
    std::vector<i32> out;
    for (size_t i = 0; i < a.size(); ++i) {
        const json& v = a[i];
        std::string w = where + "[" + std::to_string(i) + "]";
        if (v.is_number_integer()) {
            long long x = v.get<long long>();
            if (x < INT32_MIN || x > INT32_MAX) throw session_error(w + ": the integer does not fit a word");
            out.push_back(static_cast<i32>(x));
        } else if (v.is_number()) {
            out.push_back(r2wrd(static_cast<f32>(v.get<double>())));
        } else if (v.is_object() && v.contains("text")) {
            std::string t = v["text"].is_string() ? v["text"].get<std::string>() : "";
            i32 n = v.contains("words") && v["words"].is_number_integer() ? v["words"].get<i32>()
                                                                          : static_cast<i32>((t.size() + 3) / 4);
            if (n < 0 || n > 1000) throw session_error(w + ": a text of 0 to 1000 words was expected");
            std::vector<i32> words(static_cast<size_t>(n), 0);
            std::memcpy(words.data(), t.data(), std::min(t.size(), words.size() * 4));
            out.insert(out.end(), words.begin(), words.end());
        } else {
            throw session_error(w + ": a word must be an integer, a real or {\"text\": ...}");
        }
    }
    return out;
}

void load_session_text(const std::string& text, const std::string& origin)
{
    json j;
    try {
        j = json::parse(text);
    } catch (const json::exception& e) {
        // a syntax error, or a number beyond the doubles (1e309)
        throw session_error(origin + ": malformed JSON: " + e.what());
    }
    try {
        load(j);
    } catch (const session_error& e) {
        throw session_error(origin + ": " + e.what());
    } catch (const json::exception& e) {
        throw session_error(origin + ": " + e.what());
    }
}

void load_session_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) throw session_error(path + ": cannot be read");
    std::ostringstream s;
    s << f.rdbuf();
    load_session_text(s.str(), path);
}

}  // namespace norak
