// Every routine declared in a header of the module carries one line saying
// what it does: a comment on the line directly above its declaration or on
// the declaration's own lines. Members of structures are not counted; inline
// routines defined in a header are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "srcscan.h"


namespace {

using srcscan::code_of;
using srcscan::is_routine;
using srcscan::squeezed;
using srcscan::starts;

struct Routine {
    int line;          // first line of the declaration, from 1
    std::string text;  // the declaration up to its ';' or '{'
    bool commented;
};

// The routines a header declares at namespace level, with whether each one
// carries its line.
std::vector<Routine> routines(std::istream& in)
{
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    std::vector<Routine> out;
    std::vector<bool> scopes;  // true: a namespace or linkage block, seen through
    bool in_block = false, open = false;
    std::string stmt;
    int start = 0;
    auto outer = [&]() {
        for (bool s : scopes)
            if (!s) return false;
        return true;
    };
    auto close = [&](int end) {
        if (is_routine(stmt)) {
            const std::string above = start > 0 ? squeezed(lines[start - 1]) : "";
            bool c = starts(above, "//") || (above.size() >= 2 && above.compare(above.size() - 2, 2, "*/") == 0);
            for (int k = start; k <= end && !c; ++k) c = lines[k].find("//") != std::string::npos;
            out.push_back({start + 1, squeezed(stmt), c});
        }
        open = false;
        stmt.clear();
    };
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const std::string code = code_of(lines[i], in_block);
        const std::string trimmed = squeezed(code);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        for (char ch : code) {
            const bool ws = std::isspace(static_cast<unsigned char>(ch)) != 0;
            if (!open && !ws && ch != '}' && outer()) {
                open = true;
                start = i;
            }
            if (ch == '{') {
                const bool seen_through = open && outer() &&
                                          (starts(squeezed(stmt), "namespace") || squeezed(stmt) == "extern \"\"");
                if (open && outer() && !seen_through) close(i);
                open = false;
                stmt.clear();
                scopes.push_back(seen_through);
            } else if (ch == '}') {
                if (!scopes.empty()) scopes.pop_back();
                open = false;
                stmt.clear();
            } else if (open && outer()) {
                if (ch == ';') close(i);
                else stmt += ch;
            }
        }
        if (open) stmt += ' ';
    }
    return out;
}

}  // namespace

TEST(Contracts, TheScannerFindsRoutinesAndTheirLines)
{
    const auto r = srcscan::scan_text(R"H(// A header.
#pragma once
#include "core/words.h"

// Reads it.
void read(i32& a);
void write(const i32& a);  // writes it
void bare(const i32& a,
          i32& b);
void tail(const i32& a,
          i32& b);  // the line may end the declaration
constexpr i32 SIZE = max(3, 4);
extern i32 TABLE[8];
using Callback = void (*)(i32&);
typedef void (*Old)(i32&);
struct S {
    void member(i32 k);
    i32 v = f(2);
};
namespace inner {
inline f32 twice(f32 x) { return 2 * x; }
// Halves it.
inline f32 half(f32 x)
{
    return x / 2;
}
}  // namespace inner
extern "C" {
int entry(void* p);
}
/* Block comments count too. */
template <typename T> T pick(T a, T b);
i32* MFLBLK();

// A blank line parts the comment from it.

void parted();
const char* text(i32 which, const char* fallback = "(none)");
)H", routines);
    std::vector<std::string> names;
    std::vector<bool> lines;
    for (const auto& x : r) {
        names.push_back(x.text.substr(0, x.text.find('(')));
        lines.push_back(x.commented);
    }
    const std::vector<std::string> want = {"void read",       "void write",  "void bare",        "void tail",
                                           "inline f32 twice", "inline f32 half", "int entry",   "template <typename T> T pick",
                                           "i32* MFLBLK",     "void parted", "const char* text"};
    EXPECT_EQ(names, want);
    const std::vector<bool> have = {true, true, false, true, false, true, false, true, false, false, false};
    EXPECT_EQ(lines, have);
    EXPECT_EQ(r.size() > 1 ? r[2].line : 0, 8);
}

TEST(Contracts, EveryRoutineInAModuleHeaderSaysWhatItDoes)
{
    size_t seen = 0;
    ASSERT_TRUE(srcscan::each_source(TAVREK_SOURCE_DIR, {".h"}, [&](const std::string& name, std::istream& in) {
        for (const auto& r : routines(in)) {
            ++seen;
            EXPECT_TRUE(r.commented) << name << ":" << r.line << " " << r.text << " has no line saying what it does";
        }
    }));
    EXPECT_GT(seen, 500u);  // the headers were found and read
}
