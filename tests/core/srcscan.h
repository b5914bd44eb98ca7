// Reading the module's sources as text: the folders that make up the module,
// a line's code without comments and literals, and whether a statement at
// namespace level declares a routine. Shared by the tests that hold the
// sources to the project's rules.
#pragma once

#include <cctype>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

namespace srcscan {

// The folders of the module (not the stand-in host, the tests or the benches).
inline const char* const MODULE_DIRS[] = {"core",   "tools",   "blocks", "surfaces", "cutter", "passes",
                                          "pocket", "cleanup", "stock",  "edit",     "frame"};

// The line without its comments and with string and character literals
// emptied; `in_block` carries an open /* */ comment across lines.
inline std::string code_of(const std::string& line, bool& in_block)
{
    std::string code;
    for (size_t j = 0; j < line.size();) {
        if (in_block) {
            const size_t k = line.find("*/", j);
            if (k == std::string::npos) break;
            in_block = false;
            j = k + 2;
        } else if (line.compare(j, 2, "/*") == 0) {
            in_block = true;
            j += 2;
        } else if (line.compare(j, 2, "//") == 0) {
            break;
        } else if (line[j] == '"' || line[j] == '\'') {
            const char q = line[j];
            code += q;
            for (++j; j < line.size() && line[j] != q; ++j)
                if (line[j] == '\\') ++j;
            code += q;
            ++j;
        } else {
            code += line[j++];
        }
    }
    return code;
}

// The text with each run of white space made one blank, and none at the ends.
inline std::string squeezed(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// Whether `s` begins with `word`.
inline bool starts(const std::string& s, const char* word) { return s.rfind(word, 0) == 0; }

// A statement at namespace level that declares or defines a routine: a name
// followed by its argument list, not a type, alias, assertion or variable.
inline bool is_routine(std::string s)
{
    s = squeezed(s);
    if (starts(s, "template")) {
        int depth = 0;
        size_t k = 0;
        for (; k < s.size(); ++k) {
            if (s[k] == '<') ++depth;
            if (s[k] == '>' && --depth == 0) break;
        }
        s = k < s.size() ? squeezed(s.substr(k + 1)) : "";
    }
    for (const char* w : {"using ", "typedef ", "static_assert", "struct ", "class ", "enum ", "union ", "friend "})
        if (starts(s, w)) return false;
    const size_t open = s.find('('), eq = s.find('=');
    if (open == std::string::npos || open == 0 || (eq != std::string::npos && eq < open)) return false;
    const char before = s[open - 1 - (s[open - 1] == ' ' ? 1 : 0)];
    return std::isalnum(static_cast<unsigned char>(before)) || before == '_' || s.find("operator") != std::string::npos;
}

// What `scan` reads from the text.
template <typename Scan>
auto scan_text(const std::string& text, Scan scan)
{
    std::istringstream in(text);
    return scan(in);
}

// Calls read(name, stream) for every file below the module's folders in
// `root` whose extension is one of `exts`, the name relative to the root;
// false when a folder is missing.
template <typename Read>
bool each_source(const std::filesystem::path& root, std::initializer_list<const char*> exts, Read read)
{
    namespace fs = std::filesystem;
    for (const char* dir : MODULE_DIRS) {
        if (!fs::is_directory(root / dir)) return false;
        for (const auto& e : fs::recursive_directory_iterator(root / dir)) {
            bool wanted = false;
            for (const char* x : exts) wanted = wanted || e.path().extension() == x;
            if (!e.is_regular_file() || !wanted) continue;
            std::ifstream in(e.path());
            read(fs::relative(e.path(), root).generic_string(), in);
        }
    }
    return true;
}

}  // namespace srcscan
