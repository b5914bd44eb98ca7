// The dynamic-menu window of the message dialogs: a column of fixed-width
// rows with an input line, and the dialog area beside it where texts are
// shown and read.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {
namespace {
struct DynMenu {
    std::vector<std::string> rows;
    std::vector<bool> marked;
};
DynMenu& D()
{
    static DynMenu d;
    return d;
}

std::string shown_rows()
{
    std::string s;
    const DynMenu& d = D();
    for (size_t k = 0; k < d.rows.size(); ++k) s += (k ? "@" : "") + d.rows[k] + (d.marked[k] ? "*" : "");
    return s;
}
}  // namespace
}  // namespace norak

using namespace norak;

void dmnini(const char* rows, const i32& count, const i32& width)
{
    DynMenu& d = D();
    d.rows.clear();
    d.marked.clear();
    for (i32 k = 0; k < std::max(count, 0); ++k) {
        std::string r(rows + static_cast<size_t>(k) * static_cast<size_t>(width), static_cast<size_t>(width));
        while (!r.empty() && r.back() == ' ') r.pop_back();
        d.rows.push_back(r);
        d.marked.push_back(false);
    }
}

void dmnsel(const char* prompt, i32& choice)
{
    const std::string options = shown_rows();
    note(std::string("prompt: ") + prompt);
    note("menu: " + options);
    const Reply& r = next_reply("menu", options);
    if (r.escape) {
        choice = -2;
    } else if (r.end) {
        choice = -3;
    } else {
        auto opts = split_options(options);
        for (auto& o : opts)
            if (!o.empty() && o.back() == '*') o.pop_back();
        choice = answer_choice(r.answer, opts).value_or(0);
        if (choice < 1 || choice > static_cast<i32>(opts.size()))
            throw session_error("reply " + std::to_string(r.index + 1) + " answers \"" + r.answer +
                                "\", which is no row of the dynamic menu \"" + options + "\"");
    }
    note("reply: " + std::to_string(choice));
}

void dmnmrk(const i32& row, const i32& on)
{
    DynMenu& d = D();
    if (row >= 1 && row <= static_cast<i32>(d.rows.size())) d.marked[static_cast<size_t>(row - 1)] = on != 0;
}

void dmncls()
{
    D().rows.clear();
    D().marked.clear();
}

void dlgclr() { note("dialog: cleared"); }

void dsptx7(const i32& row, const i32& column, const char* text, const i32& length)
{
    note("dialog " + std::to_string(row) + "." + std::to_string(column) + ": " +
         std::string(text, strnlen(text, static_cast<size_t>(std::max(length, 0)))));
}

void rtextr(const i32& row, const i32& column, const i32& width, char* text, i32& length, i32& status)
{
    const std::string asked = "DIALOG " + std::to_string(row) + "." + std::to_string(column) + " " + H().nc.prompt;
    note("prompt: " + asked);
    const Reply& r = next_reply("prompt", asked);
    status = r.escape ? -2 : r.end ? -3 : 0;
    length = 0;
    if (status != 0) return;
    std::string a = r.answer.substr(0, static_cast<size_t>(std::max(width, 0)));
    std::memcpy(text, a.data(), a.size());
    length = static_cast<i32>(a.size());
    note("reply: " + a);
}
