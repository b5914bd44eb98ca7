// The session loader under mutated session files: every text either loads
// or is refused with one session error; nothing else escapes and nothing
// is read past a buffer (the suite runs under the address and undefined
// behaviour sanitizers). Fixed seeds.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/norak/norak.h"

namespace {

std::string read_example(const char* name)
{
    std::ifstream f(std::string(TAVREK_SOURCE_DIR) + "/examples/" + name);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

const char* const EXAMPLES[] = {"dome.json", "cavity.json", "dome5x.json", "hello.json", "tools.json"};

// Loads the text into a fresh host: 1 loaded, 0 refused with a session error.
// Any other exception fails the test with the text that raised it.
int load(const std::string& text)
{
    norak::reset();
    try {
        norak::load_session_text(text);
        return 1;
    } catch (const norak::session_error&) {
        return 0;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "the loader let out \"" << e.what() << "\" for:\n" << text.substr(0, 2000);
        return 0;
    }
}

// Tokens that a damaged file may hold.
const char* const TOKENS[] = {"0", "-1", "1e309", "-1e309", "1e-320", "2147483648", "-2147483649", "99999999999999999999",
                              "0.5", "null", "true", "\"\"", "\"x\"", "[]", "{}", "[", "]", "{", "}", ",", ":", "\"",
                              "\\u0000", "NaN", "-", "1e30", "65536", "100000", "16"};

// A value for a leaf of the parsed file.
nlohmann::json odd_value(std::mt19937& g)
{
    static const double nums[] = {0, -1, 1, 2, 3, 15, 16, 255, 65535, 100000, 2147483647.0, -2147483648.0, 1e30,
                                  -1e30, 1e-30, 1e300, -1e300, 0.5, 1e9, 4294967296.0};
    switch (g() % 7) {
    case 0: return nums[g() % (sizeof nums / sizeof nums[0])];
    case 1: return static_cast<long long>(g() % 200000) - 100000;
    case 2: return "";
    case 3: return std::string(static_cast<size_t>(g() % 300), 'A');
    case 4: return nlohmann::json::array();
    case 5: return nlohmann::json::object();
    default: return nullptr;
    }
}

// Every leaf of a parsed file (pointers into it).
void leaves(nlohmann::json& j, std::vector<nlohmann::json*>& out)
{
    if (j.is_object() || j.is_array()) {
        out.push_back(&j);
        for (auto& v : j) leaves(v, out);
    } else {
        out.push_back(&j);
    }
}

}  // namespace

TEST(LoaderFuzz, MutatedTextsLoadOrAreRefusedWithOneSessionError)
{
    std::mt19937 g(20231123);
    int loaded = 0, runs = 0;
    for (const char* name : EXAMPLES) {
        const std::string text = read_example(name);
        ASSERT_FALSE(text.empty()) << name;
        ASSERT_EQ(load(text), 1) << name;
        for (int k = 0; k < 400; ++k) {
            std::string t = text;
            const int edits = 1 + static_cast<int>(g() % 3);
            for (int e = 0; e < edits && !t.empty(); ++e) {
                const size_t at = g() % t.size();
                switch (g() % 5) {
                case 0: t[at] = static_cast<char>(g() % 256); break;                       // a byte changed
                case 1: t.erase(at, 1 + g() % 40); break;                                  // a stretch lost
                case 2: t.insert(at, t.substr(g() % t.size(), 1 + g() % 60)); break;       // a stretch repeated
                case 3: t.insert(at, TOKENS[g() % (sizeof TOKENS / sizeof TOKENS[0])]); break;
                default: t.resize(at); break;                                              // cut short
                }
            }
            loaded += load(t);
            ++runs;
        }
    }
    // Well-formed files with odd values where the examples have theirs.
    for (const char* name : EXAMPLES) {
        const nlohmann::json base = nlohmann::json::parse(read_example(name));
        for (int k = 0; k < 600; ++k) {
            nlohmann::json j = base;
            const int edits = 1 + static_cast<int>(g() % 4);
            for (int e = 0; e < edits; ++e) {
                std::vector<nlohmann::json*> all;
                leaves(j, all);
                nlohmann::json& v = *all[g() % all.size()];
                if (g() % 4 == 0 && v.is_object() && !v.empty()) {
                    auto it = v.begin();
                    std::advance(it, static_cast<long>(g() % v.size()));
                    v.erase(it);  // a field lost
                } else if (g() % 5 == 0 && v.is_array() && !v.empty()) {
                    v.push_back(v[g() % v.size()]);  // one more item
                } else {
                    v = odd_value(g);
                }
            }
            loaded += load(j.dump());
            ++runs;
        }
    }
    norak::reset();
    std::printf("MEASURE loader fuzz: %d mutated session files, %d loaded, %d refused with a session error\n", runs,
                loaded, runs - loaded);
    EXPECT_GT(loaded, 0);
    EXPECT_GT(runs - loaded, 0);
}
