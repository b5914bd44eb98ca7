// No routine of the module runs over 150 lines: each body, from its opening
// brace to its closing one, is measured in every source file of the module's
// folders. Bodies of member routines defined inside a structure count too;
// lambdas count as part of the routine that holds them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "srcscan.h"


namespace {

using srcscan::code_of;
using srcscan::is_routine;
using srcscan::squeezed;
using srcscan::starts;

constexpr int MOST_LINES = 150;

struct Body {
    std::string name;  // the declaration up to its argument list
    int first, last;   // lines of the opening and closing braces, from 1
    int lines() const { return last - first + 1; }
};

// What an open brace opened.
enum class Scope {
    through,  // a namespace, linkage block or structure: its routines are measured
    body,     // a routine's body
    other,    // an initializer, an enumeration or anything else not looked into
};

// A statement that opens a block whose contents are read at the same level.
bool seen_through(const std::string& s)
{
    return starts(s, "namespace") || s == "extern \"\"" || starts(s, "struct ") || starts(s, "class ") ||
           starts(s, "union ") || s == "struct" || s == "union";
}

// The statement without the access labels that lead it inside a structure.
std::string unlabelled(std::string s)
{
    for (bool again = true; again;) {
        again = false;
        for (const char* w : {"public:", "private:", "protected:"})
            if (starts(s, w)) {
                s = squeezed(s.substr(std::string(w).size()));
                again = true;
            }
    }
    return s;
}

// The routine bodies of a source file with the lines they take.
std::vector<Body> bodies(std::istream& in)
{
    std::vector<Body> out;
    std::vector<Scope> scopes;
    std::vector<size_t> open_bodies;  // index in `out` of each open body, innermost last
    bool in_block = false;
    std::string stmt;
    auto outer = [&]() {
        for (Scope s : scopes)
            if (s != Scope::through) return false;
        return true;
    };
    int i = 0;
    for (std::string line; std::getline(in, line);) {
        ++i;
        const std::string code = code_of(line, in_block);
        if (squeezed(code).rfind('#', 0) == 0) continue;
        for (char ch : code) {
            if (ch == '{') {
                Scope s = Scope::other;
                if (outer()) {
                    const std::string st = unlabelled(squeezed(stmt));
                    if (seen_through(st)) s = Scope::through;
                    else if (is_routine(st)) s = Scope::body;
                    if (s == Scope::body) {
                        open_bodies.push_back(out.size());
                        out.push_back({st.substr(0, st.find('(')), i, i});
                    }
                }
                scopes.push_back(s);
                stmt.clear();
            } else if (ch == '}') {
                if (!scopes.empty()) {
                    if (scopes.back() == Scope::body && !open_bodies.empty()) {
                        out[open_bodies.back()].last = i;
                        open_bodies.pop_back();
                    }
                    scopes.pop_back();
                }
                stmt.clear();
            } else if (outer()) {
                if (ch == ';') stmt.clear();
                else stmt += ch;
            }
        }
        if (outer()) stmt += ' ';
    }
    return out;
}

}  // namespace

TEST(Lengths, TheScannerMeasuresEachRoutineBody)
{
    const auto b = srcscan::scan_text(R"C(#include "x.h"

namespace {
// One.
constexpr int TABLE[] = {1, 2,
                         3};
int one(int a)
{
    auto f = [](int x) { return x + 1; };
    return f(a);  // a brace in a comment { does not count
}
}  // namespace

struct Edge {
    Edge() : n(0) {}
  public:
    int at(int k) const
    {
        const char* s = "}";
        return k + '{';
    }
    int n;
};
enum class Kind { a, b };

/* void commented() { } */
template <typename T>
T pick(T a,
       T b)
{
    if (a > b) {
        return a;
    }
    return b;
}
)C", bodies);
    std::vector<std::string> names;
    std::vector<int> lines;
    for (const auto& x : b) {
        names.push_back(x.name);
        lines.push_back(x.lines());
    }
    const std::vector<std::string> want = {"int one", "Edge", "int at", "template <typename T> T pick"};
    EXPECT_EQ(names, want);
    const std::vector<int> have = {4, 1, 4, 6};
    EXPECT_EQ(lines, have);
    EXPECT_EQ(b.size() == 4 ? b[3].first : 0, 30);
}

TEST(Lengths, NoRoutineOfTheModuleRunsOver150Lines)
{
    size_t seen = 0;
    ASSERT_TRUE(srcscan::each_source(TAVREK_SOURCE_DIR, {".cpp", ".h"}, [&](const std::string& name, std::istream& in) {
        for (const auto& b : bodies(in)) {
            ++seen;
            EXPECT_LE(b.lines(), MOST_LINES) << name << ":" << b.first << " " << b.name << " runs " << b.lines()
                                             << " lines";
        }
    }));
    EXPECT_GT(seen, 1000u);  // the sources were found and read
}
