// The floors of the module's folders: a file includes from its own floor or a
// lower one (CONTRIBUTING.md). Every include of the module's sources is read
// and each one that reaches a higher floor must be one of the few named here
// with its reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace fs = std::filesystem;

namespace {

const std::map<std::string, int> FLOOR = {
    {"core", 0},  {"tools", 1},   {"blocks", 1},  {"surfaces", 2}, {"cutter", 3}, {"passes", 4},
    {"pocket", 4}, {"cleanup", 4}, {"stock", 4},  {"edit", 4},     {"frame", 5},
};

// No upward include is allowed: a lower floor that needs a higher one is
// handed callbacks when the module is loaded.
const std::set<std::pair<std::string, std::string>> ALLOWED = {};

struct Include {
    std::string file, target;
    int line;
};

// The quoted path of an include line ("" for any other line).
std::string included(const std::string& text)
{
    size_t k = text.find_first_not_of(" \t");
    if (k == std::string::npos || text[k] != '#') return "";
    k = text.find_first_not_of(" \t", k + 1);
    if (k == std::string::npos || text.compare(k, 7, "include") != 0) return "";
    const size_t open = text.find('"', k + 7), close = text.find('"', open + 1);
    if (open == std::string::npos || close == std::string::npos) return "";
    return text.substr(open + 1, close - open - 1);
}

// Every include of a module folder's header in the module's sources.
std::vector<Include> module_includes(const fs::path& root)
{
    std::vector<Include> out;
    for (const auto& [dir, floor] : FLOOR) {
        const fs::path d = root / dir;
        if (!fs::is_directory(d)) continue;
        for (const auto& e : fs::recursive_directory_iterator(d)) {
            const auto ext = e.path().extension();
            if (!e.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
            std::ifstream in(e.path());
            std::string text;
            int n = 0;
            while (std::getline(in, text)) {
                ++n;
                const std::string target = included(text);
                if (target.find('/') != std::string::npos)
                    out.push_back({fs::relative(e.path(), root).generic_string(), target, n});
            }
        }
    }
    return out;
}

}  // namespace

TEST(Layers, EveryFolderOfTheModuleHasAFloor)
{
    const fs::path root = TAVREK_SOURCE_DIR;
    std::set<std::string> built;
    std::ifstream cm(root / "CMakeLists.txt");
    std::string line;
    const std::string head = "set(TAVREK_DIRS ";
    while (std::getline(cm, line)) {
        if (line.compare(0, head.size(), head) != 0) continue;
        std::string word;
        for (char c : line.substr(head.size())) {
            if (c != ' ' && c != ')') {
                word += c;
            } else if (!word.empty()) {
                built.insert(word);
                word.clear();
            }
        }
    }
    ASSERT_FALSE(built.empty()) << "no TAVREK_DIRS in CMakeLists.txt";
    for (const auto& d : built) EXPECT_TRUE(FLOOR.count(d)) << d << "/ is built but stands on no floor";
    for (const auto& [d, floor] : FLOOR) EXPECT_TRUE(built.count(d)) << d << "/ has a floor but is not built";
}

TEST(Layers, NoIncludeReachesAHigherFloor)
{
    const auto includes = module_includes(TAVREK_SOURCE_DIR);
    ASSERT_GT(includes.size(), 500u);  // the sources were found
    std::set<std::pair<std::string, std::string>> upward;
    for (const auto& i : includes) {
        const std::string from = i.file.substr(0, i.file.find('/'));
        const std::string to = i.target.substr(0, i.target.find('/'));
        if (!FLOOR.count(to)) continue;  // platform/ and the like
        if (FLOOR.at(to) <= FLOOR.at(from)) continue;
        upward.insert({i.file, i.target});
        EXPECT_TRUE(ALLOWED.count({i.file, i.target}))
            << i.file << ":" << i.line << " includes " << i.target << " from a higher floor";
    }
    EXPECT_LE(upward.size(), ALLOWED.size());
}
