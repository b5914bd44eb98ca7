// Helpers for tests that run whole sessions through norak-run.
#pragma once

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
