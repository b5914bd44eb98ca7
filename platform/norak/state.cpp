// Host state, life cycle, transcript and dynamic memory.
#include "platform/norak/state.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "core/host.h"

namespace norak {

Host* g_host = nullptr;

namespace {

void free_memory(Host& h)
{
    for (auto& s : h.arrays)
        if (s.open) std::free(s.base);
    for (auto& b : h.blocks) std::free(b.first);
    h.arrays.clear();
    h.blocks.clear();
}

struct Guard {
    ~Guard()
    {
        if (g_host) free_memory(*g_host);
        delete g_host;
        g_host = nullptr;
    }
} g_guard;
}  // namespace

Host& make_host()
{
    if (!g_host) {
        g_host = new Host;
        g_host->levels.push_back(&g_host->main);
    }
    return *g_host;
}

void reset()
{
    if (g_host) free_memory(*g_host);
    delete g_host;
    g_host = nullptr;
    H();
}

Settings& settings() { return H().settings; }
std::vector<std::string>& calls() { return H().calls; }

const std::vector<std::string>& transcript() { return H().transcript; }
void note(const std::string& line) { H().transcript.push_back(line); }

bool transcript_has(const std::string& text) { return transcript_count(text) > 0; }

size_t transcript_count(const std::string& text)
{
    size_t n = 0;
    for (const auto& l : H().transcript)
        if (l.find(text) != std::string::npos) ++n;
    return n;
}

std::string end_file(std::FILE* f, const std::string& path)
{
    if (!f) return "cannot open " + path + ": " + std::strerror(errno);
    const bool bad = std::ferror(f) != 0;
    const int saved = errno;
    if (std::fclose(f) != 0 || bad) return "cannot write " + path + ": " + std::strerror(bad ? saved : errno);
    return "";
}

std::string write_transcript(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (f)
        for (const auto& l : H().transcript) std::fprintf(f, "%s\n", l.c_str());
    return end_file(f, path);
}

std::string out_path(const std::string& name)
{
    const std::string& d = H().settings.out_dir;
    if (d.empty()) return name;
    return d + "/" + name;
}

// ---------------------------------------------------------- dynamic memory

bool alloc_fails()
{
    Host& h = H();
    ++h.allocations;
    if (h.fail_countdown <= 0) return false;
    if (--h.fail_countdown == 0) {
        note("memory: allocation refused");
        if (h.fail_more > 0) {
            // the next one is refused as well
            --h.fail_more;
            h.fail_countdown = 1;
        }
        return true;
    }
    return false;
}

i32 open_arrays()
{
    i32 n = 0;
    for (auto& s : H().arrays) n += s.open ? 1 : 0;
    return n;
}

i32 open_blocks() { return static_cast<i32>(H().blocks.size()); }
void fail_alloc_after(i32 n, i32 times)
{
    H().fail_countdown = n;
    H().fail_more = n > 0 && times > 1 ? times - 1 : 0;
}

bool call_fails(const std::string& routine)
{
    auto it = H().fail_calls.find(routine);
    if (it == H().fail_calls.end() || it->second <= 0) return false;
    if (--it->second > 0) return false;
    note("list: " + routine + " refused");
    return true;
}

void fail_list_call(const std::string& routine, i32 n) { H().fail_calls[routine] = n; }
long long allocations() { return H().allocations; }

void poll_mark()
{
    Host& h = H();
    h.poll_count = 0;
    h.poll_gap = 0.0;
    h.last_poll = std::chrono::steady_clock::now();
}

void poll_stats(long long& count, double& longest)
{
    const Host& h = H();
    count = h.poll_count;
    const double tail = std::chrono::duration<double>(std::chrono::steady_clock::now() - h.last_poll).count();
    longest = std::max(h.poll_gap, tail);
}

}  // namespace norak

using namespace norak;

void MM_OPEN_ARRAY(i32 elsize, i32 count, i32& handle, void*& base, i32& status)
{
    Host& h = H();
    handle = -1;
    base = nullptr;
    status = -1;
    if (elsize < 1 || count < 0) return;
    if (alloc_fails()) return;
    size_t bytes = static_cast<size_t>(elsize) * static_cast<size_t>(count > 0 ? count : 1);
    void* p = std::calloc(1, bytes);
    if (!p) return;
    MemSlot s{p, elsize, count, true};
    for (size_t i = 0; i < h.arrays.size(); ++i)
        if (!h.arrays[i].open) {
            h.arrays[i] = s;
            handle = static_cast<i32>(i);
            base = p;
            status = 0;
            return;
        }
    h.arrays.push_back(s);
    handle = static_cast<i32>(h.arrays.size() - 1);
    base = p;
    status = 0;
}

void MM_RESIZE_ARRAY(i32 handle, i32 added, void*& base, i32& status)
{
    Host& h = H();
    status = -1;
    if (handle < 0 || handle >= static_cast<i32>(h.arrays.size()) || !h.arrays[handle].open) return;
    MemSlot& s = h.arrays[handle];
    i32 n = s.count + added;
    if (n < 0 || alloc_fails()) return;
    size_t old = static_cast<size_t>(s.elsize) * static_cast<size_t>(s.count > 0 ? s.count : 1);
    size_t bytes = static_cast<size_t>(s.elsize) * static_cast<size_t>(n > 0 ? n : 1);
    void* p = std::realloc(s.base, bytes);
    if (!p) return;
    if (bytes > old) std::memset(static_cast<char*>(p) + old, 0, bytes - old);
    s.base = p;
    s.count = n;
    base = p;
    status = 0;
}

void MM_OPEN_FDS(i32 elsize, i32& handle, i32& status)
{
    void* base = nullptr;
    MM_OPEN_ARRAY(elsize, 0, handle, base, status);
}

void MM_FALLOC(i32 handle, i32& element, i32& status)
{
    Host& h = H();
    element = 0;
    void* base = nullptr;
    MM_RESIZE_ARRAY(handle, 1, base, status);
    if (status == 0) element = h.arrays[static_cast<size_t>(handle)].count;
}

void mmcptr(const i32& handle, void*& base)
{
    Host& h = H();
    base = nullptr;
    if (handle >= 0 && handle < static_cast<i32>(h.arrays.size()) && h.arrays[handle].open)
        base = h.arrays[handle].base;
}

void MM_CLOSE(i32& handle, i32& status)
{
    Host& h = H();
    status = -1;
    if (handle < 0 || handle >= static_cast<i32>(h.arrays.size()) || !h.arrays[handle].open) return;
    if (call_fails("MM_CLOSE")) return;  // refused: the array stays open
    std::free(h.arrays[handle].base);
    h.arrays[handle] = MemSlot{};
    handle = -1;
    status = 0;
}

void* DM_ALLOC(i32 bytes)
{
    if (bytes < 0 || alloc_fails()) return nullptr;
    void* p = std::calloc(1, static_cast<size_t>(bytes > 0 ? bytes : 1));
    if (p) H().blocks[p] = bytes;
    return p;
}

void DM_FREE(void* ptr, i32 bytes)
{
    Host& h = H();
    auto it = h.blocks.find(ptr);
    if (it == h.blocks.end()) {
        note("internal: DM_FREE OF A BLOCK NOT ALLOCATED");
        return;
    }
    std::free(ptr);
    h.blocks.erase(it);
}
