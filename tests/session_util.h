// Helpers for tests that run whole sessions through norak-run.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct RunResult {
    int rc = -1;
    std::string err;         // what the runner printed on stderr
    std::string transcript;  // the transcript it wrote
    std::string dir;         // its output folder
    std::string toolpath;    // the host's dump of the tool path
    std::string records;     // the keyed records as the session left them
};

inline std::string read_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// Writes the session text into a fresh folder and runs norak-run on it, with
// the machining module or another module built beside the runner.
inline RunResult run_session(const std::string& session_json, const std::string& name,
                             const std::string& module = "")
{
    RunResult r;
    r.dir = std::string(::testing::TempDir()) + "tavrek_" + name + "_" + std::to_string(getpid());
    std::string mk = "mkdir -p '" + r.dir + "'";
    if (std::system(mk.c_str()) != 0) return r;
    std::string session = r.dir + "/session.json";
    std::ofstream(session) << session_json;
    std::string bin = TAVREK_BIN_DIR;
    std::string cmd = "'" + bin + "/norak-run' '" + session + "' --out '" + r.dir + "/out'" +
                      (module.empty() ? "" : " --module '" + bin + "/" + module + "'") + " 2> '" + r.dir +
                      "/stderr.txt'";
    int st = std::system(cmd.c_str());
    r.rc = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.err = read_file(r.dir + "/stderr.txt");
    r.transcript = read_file(r.dir + "/out/transcript.txt");
    r.toolpath = read_file(r.dir + "/out/toolpath.txt");
    r.records = read_file(r.dir + "/out/records.txt");
    return r;
}

inline int count_lines_with(const std::string& text, const std::string& what)
{
    int n = 0;
    std::istringstream s(text);
    std::string line;
    while (std::getline(s, line))
        if (line.find(what) != std::string::npos) ++n;
    return n;
}

// The words of one line of the host's tool path dump, as integers.
inline std::vector<long long> dump_words(const std::string& line)
{
    std::istringstream ls(line);
    std::vector<long long> w;
    long long x;
    while (ls >> x) w.push_back(x);
    return w;
}

// The text with every wall-clock stamp "yyyy-mm-dd hh:mm:ss" made zeros, and,
// in a tool path dump, the date and time of every procedure block (segments
// 41 and 42 of three integers): what two runs of one session may differ in.
inline std::string stamps_out(std::string text, const char* as = "0000-00-00 00:00:00")
{
    for (size_t k = 0; k + 19 <= text.size(); ++k) {
        const char* c = text.c_str() + k;
        auto d = [&](int i) { return c[i] >= '0' && c[i] <= '9'; };
        if (d(0) && d(1) && d(2) && d(3) && c[4] == '-' && d(5) && d(6) && c[7] == '-' && d(8) && d(9) && c[10] == ' ' &&
            d(11) && d(12) && c[13] == ':' && d(14) && d(15) && c[16] == ':' && d(17) && d(18))
            text.replace(k, 19, as);
    }
    return text;
}

// A dump line of a procedure block (type 12) with its date and time words
// made zeros; any other line as it is.
inline std::string dump_line_stamps_out(const std::string& line)
{
    std::vector<long long> w = dump_words(line);
    if (w.empty() || w[0] != 12) return line;
    for (size_t k = 0; k + 12 <= w.size(); ++k)
        if (w[k] == 41 && w[k + 1] == 4 && w[k + 2] == 0 && w[k + 6] == 42 && w[k + 7] == 4 && w[k + 8] == 0) {
            for (size_t j : {3, 4, 5, 9, 10, 11}) w[k + j] = 0;
            break;
        }
    std::string out;
    for (long long v : w) out += (out.empty() ? "" : " ") + std::to_string(v);
    return out;
}

// One line for a whole text: its line count and a 64-bit digest of it, the
// wall-clock stamps in it counted as zeros.
inline std::string text_digest(const std::string& what, const std::string& whole)
{
    const std::string text = stamps_out(whole);
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char ch : text) h = (h ^ ch) * 1099511628211ull;
    std::ostringstream out;
    out << what << " " << std::count(text.begin(), text.end(), '\n') << " " << std::hex << h << std::dec << "\n";
    return out.str();
}

// Where two texts first differ: "" when equal, else the line number (from 1)
// and both lines ("end" past the last).
inline std::string first_difference(const std::string& want, const std::string& got)
{
    if (want == got) return "";
    std::istringstream a(want), b(got);
    std::string la, lb;
    for (int line = 1;; ++line) {
        const bool ha = static_cast<bool>(std::getline(a, la)), hb = static_cast<bool>(std::getline(b, lb));
        if (!ha && !hb) return "the line ends differ";
        if (ha != hb || la != lb) {
            auto cut = [](const std::string& s) { return s.size() > 300 ? s.substr(0, 300) + "..." : s; };
            return "line " + std::to_string(line) + ": kept \"" + (ha ? cut(la) : "end") + "\", written \"" +
                   (hb ? cut(lb) : "end") + "\"";
        }
    }
}
