// What runs when the host loads the module: banner, host enable, constants.
#include "core/load.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/host.h"

CnsPool CNSPOL[2];
CnsExtra CNSPX2;

namespace {
// Host version and build date the module was built against.
constexpr const char* HOST_VERSION = "05.03.00.01";

// "Mmm dd hh:mm:ss yyyy" from the compiler's date and time.
std::string build_stamp()
{
    std::string d = __DATE__;  // "Mmm dd yyyy"
    std::string t = __TIME__;  // "hh:mm:ss"
    return d.substr(0, 6) + " " + t + " " + d.substr(7);
}

std::string make_record()
{
    std::string r;
    r += std::string("\x0A\x1C\x2E\x07", 4);
    r += '\0';
    auto text = [&](const std::string& s) {
        r += s;
        r += '\0';
    };
    text("dll_info 1.0.0");
    text("norak");
    text(HOST_VERSION);
    text(build_stamp());
    text("tavrek");
    text("0");
    text(build_stamp());
    const std::string end("\x01\x07\x49\x02\x00", 5);
    r += end;
    r += end;
    return r;
}

const std::string& record()
{
    static const std::string r = make_record();
    return r;
}

// The NUL-terminated text at p, not reading past the record.
std::string take(const unsigned char*& p, const unsigned char* end)
{
    std::string s;
    while (p < end && *p != 0) s += static_cast<char>(*p++);
    if (p < end) ++p;
    return s;
}

void banner_line(const std::string& s)
{
    i32 n = static_cast<i32>(s.size());
    shlmsg(s.c_str(), n);
}
}  // namespace

const unsigned char* module_info(int& length)
{
    length = static_cast<int>(record().size());
    return reinterpret_cast<const unsigned char*>(record().data());
}

void MODINF(const i32& mode)
{
    if (mode == 2 && get_verbos_fn() == 0) return;
    int len = 0;
    const unsigned char* p = module_info(len);
    const unsigned char* end = p + len;
    p += 5;  // magic and its NUL
    take(p, end);  // record tag
    take(p, end);  // host library name
    std::string version = take(p, end);
    std::string host_date = take(p, end);
    std::string name = take(p, end);
    std::string correction = take(p, end);
    std::string module_date = take(p, end);
    const std::string rule(79, '-');
    char line[160];
    banner_line(rule);
    std::snprintf(line, sizeof line, "Program version    : %s", version.c_str());
    banner_line(line);
    std::snprintf(line, sizeof line, "Correction version : %s", correction.c_str());
    banner_line(line);
    std::snprintf(line, sizeof line, "Program build date : %s", host_date.c_str());
    banner_line(line);
    std::snprintf(line, sizeof line, "Module name        : %s", name.c_str());
    banner_line(line);
    std::snprintf(line, sizeof line, "Module build date  : %s", module_date.c_str());
    banner_line(line);
    // Extra lines run up to the end marker, whose first byte is 0x01.
    while (p < end && *p != 0x01) banner_line(take(p, end));
    banner_line(rule);
}

void CNSINI()
{
    static const i32 modes[12] = {1, 2, 1, 2, 1, 0, 1, 2, 3, 3, 1, 2};
    for (auto& pool : CNSPOL) {
        for (int v = 0; v <= 10; ++v) {
            pool.s[v] = static_cast<i16>(v);
            pool.l[v] = v;
        }
        pool.sm1 = static_cast<i16>(-1);  // the 16-bit identifier 65535
        pool.lm1 = -1;
        std::memcpy(pool.mode, modes, sizeof modes);
    }
    for (int k = 0; k < 3; ++k) {
        CNSPX2.s4[k] = 4;
        CNSPX2.l4[k] = 4;
    }
    for (int k = 0; k < 2; ++k) {
        CNSPX2.s2[k] = 2;
        CNSPX2.l2[k] = 2;
    }
}

void INICOM()
{
    enaall();
    CNSINI();
}

extern "C" int module_load(void* handle, i32 reason, void* reserved)
{
    constexpr i32 PROCESS_ATTACH = 1;
    if (reason == PROCESS_ATTACH) {
        MODINF(2);
        INICOM();
    }
    return 1;
}
