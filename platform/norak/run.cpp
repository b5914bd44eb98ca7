// norak-run: loads the machining module, runs its load routine once, makes
// the calls the session asks for, and writes the transcript and the module's
// files into the output folder.
//
//   norak-run SESSION.json --out DIR [--module PATH]
#include <dlfcn.h>
#include <unistd.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/norak/norak.h"

namespace {
int usage()
{
    std::fprintf(stderr, "usage: norak-run SESSION.json --out DIR [--module PATH]\n");
    return 64;
}

std::string beside_runner(const char* argv0, const char* file)
{
    std::string self = argv0;
    size_t slash = self.rfind('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/" + file;
}

// The session file's name without its folder and extension.
std::string part_name(const std::string& session)
{
    std::string name = session.substr(session.find_last_of('/') + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name.empty() ? std::string("PART") : name;
}

bool make_dir(const std::string& dir)
{
    std::string path;
    for (size_t k = 0; k <= dir.size(); ++k) {
        if (k == dir.size() || dir[k] == '/') {
            if (!path.empty()) mkdir(path.c_str(), 0755);
        }
        if (k < dir.size()) path += dir[k];
    }
    struct stat st{};
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

int main(int argc, char** argv)
{
    std::string session, out, module;
    for (int k = 1; k < argc; ++k) {
        std::string a = argv[k];
        if (a == "--out" && k + 1 < argc)
            out = argv[++k];
        else if (a == "--module" && k + 1 < argc)
            module = argv[++k];
        else if (!a.empty() && a[0] != '-' && session.empty())
            session = a;
        else
            return usage();
    }
    if (session.empty() || out.empty()) return usage();
    if (module.empty()) module = beside_runner(argv[0], "libtavrek.so");
    if (!make_dir(out)) {
        std::fprintf(stderr, "norak-run: cannot make the output folder %s\n", out.c_str());
        return 2;
    }

    int rc = 0;
    void* lib = nullptr;
    try {
        norak::load_session_file(session);
        norak::settings().out_dir = out;
        // The part is named after the session unless the session names it.
        if (norak::settings().part_file == "PART") norak::settings().part_file = part_name(session);
        norak::start_toolpath();
        lib = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!lib) throw norak::session_error(std::string("cannot load the module: ") + dlerror());
        using LoadFn = int (*)(void*, int, void*);
        auto load = reinterpret_cast<LoadFn>(dlsym(lib, "module_load"));
        if (!load) throw norak::session_error("the module has no load routine");
        load(lib, 1, nullptr);
        std::vector<std::string> calls = norak::calls();
        if (calls.empty()) calls.push_back("tavrek");
        for (const auto& c : calls) {
            if (norak::nc_step(c)) continue;
            auto fn = reinterpret_cast<void (*)()>(dlsym(lib, c.c_str()));
            if (!fn) throw norak::session_error("the module exports no \"" + c + "\"");
            norak::note("host: call " + c);
            fn();
            norak::nc_after_call();
        }
        // The stock of the session's procedures, when the module did not
        // compute it as far as the last one (its series runs only with the
        // optimizer): the host's stock simulation asks the module for it.
        if (norak::stock_left_uncomputed())
            if (auto stock = reinterpret_cast<void (*)()>(dlsym(lib, "tavrek_stock"))) {
                norak::note("host: call tavrek_stock");
                stock();
            }
        // The listing of the tool path beside the other outputs, when the
        // module offers one.
        if (auto list = reinterpret_cast<void (*)()>(dlsym(lib, "tavrek_tplist"))) {
            norak::note("host: call tavrek_tplist");
            list();
        }
        // The time estimate, written by the module with the standard file
        // calls under a bare file name: the output folder is its working
        // folder meanwhile.
        if (auto estimate = reinterpret_cast<void (*)()>(dlsym(lib, "tavrek_estimate"))) {
            norak::note("host: call tavrek_estimate");
            char here[4096];
            const bool back = getcwd(here, sizeof here) != nullptr;
            if (back && chdir(out.c_str()) == 0) {
                estimate();
                if (chdir(here) != 0) throw norak::session_error("cannot return to the working folder");
            }
        }
        norak::note("host: left open: " + norak::nc_counts());
        if (norak::replies_left() > 0)
            throw norak::session_error(std::to_string(norak::replies_left()) +
                                       " replies of the script were never asked for");
    } catch (const norak::session_error& e) {
        std::fprintf(stderr, "norak-run: %s\n", e.what());
        norak::note(std::string("session stopped: ") + e.what());
        rc = 2;
    }
    // Every output file is tried; one that cannot be written is named, and
    // the run fails with status 3 (a session that stopped keeps its 2).
    for (const std::string& why : {norak::write_transcript(out + "/transcript.txt"),
                                   norak::write_records(out + "/records.txt"),
                                   norak::write_toolpath(out + "/toolpath.txt"), norak::write_picture(out),
                                   norak::write_stock_picture(out)})
        if (!why.empty()) {
            std::fprintf(stderr, "norak-run: %s\n", why.c_str());
            if (rc == 0) rc = 3;
        }
    norak::reset();
    return rc;
}
