#include "frame/crit.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/codedio.h"
#include "core/host.h"

i32 CRTCLS[5] = {0, 1, 0, 0, 0};

void CRTFLG(const i32* flags) { std::memcpy(CRTCLS, flags, sizeof CRTCLS); }

i32 CRTNON()
{
    for (i32 f : CRTCLS)
        if (f != 0) return 0;
    return 1;
}

void CRTPUT(const i32& medium, const i32& kind, i32& status)
{
    static constexpr i32 CODES[4] = {403, 404, 408, 409};
    status = 0;
    if (kind < 0 || kind > 3) return;
    i32 n = nc_geomsk_lst_count(kind), position = 0;
    for (i32 k = 0; k < n && status >= 0; ++k) {
        char text[24] = {0};
        nc_geomsk_lst_get_text(kind, k, text, 21, status);
        if (status < 0) return;
        i32 words = static_cast<i32>((std::strlen(text) + 3) / 4);
        tpptntl(medium, CODES[kind], words, DT_TEXT, text, position, status);
    }
}

namespace {
bool active_changed(i32 kind)
{
    i32 a = 0, c = 0;
    active_mask_gs(kind, 1, a);
    crit_gs_change(kind, 1, c);
    return a != 0 && c != 0;
}

bool active_with_entries(i32 kind)
{
    i32 a = 0;
    active_mask_gs(kind, 1, a);
    return a != 0 && nc_geomsk_lst_count(kind) > 0;
}

std::string cut(const char* label, size_t n)
{
    std::string s = label ? label : "";
    return s.size() > n ? s.substr(0, n) : s;
}
}  // namespace

void CRTEDT(const i32& defined, const i32& action, const char* label, const i32& kind)
{
    static const char CELLS[] = "REDEF.DEFINEMODIFYEDIT  UPDATERESET LIMIT CHANGE";
    i32 a = action > 10 ? action - 10 : action;
    if (a < 1 || a > 8) a = 1;
    std::string word(CELLS + 6 * (a - 1), 6);
    while (!word.empty() && word.back() == ' ') word.pop_back();
    std::string body = word + " " + cut(label, 21);
    body = cut(body.c_str(), 22);
    std::string prefix = "--";
    if (defined == 0) prefix[0] = 'G';
    if (kind == 2) {
        if (defined != 0 && (active_changed(2) || active_changed(3))) prefix[0] = 's';
        if (active_with_entries(2) || active_with_entries(3)) prefix = std::string(1, prefix[0]) + "c ";
    }
    modm((prefix + body).c_str());
}

void CRTED2(const i32& defined, const i32& count, const char* label, const i32& kind)
{
    std::string body = "EDIT   " + cut(label, 21);
    std::string prefix = "--";
    if (defined == 0) {
        prefix[0] = 'G';
    } else {
        if (count == 0) prefix[0] = 'E';
        if (kind != -1 && active_changed(kind)) prefix[0] = 's';
    }
    if (kind >= 0 && active_with_entries(kind)) prefix = std::string(1, prefix[0]) + "c ";
    modm((prefix + body).c_str());
}

// Least forms of the two criteria reports: one message, no file.
void criteria_list(const char*, i32& status)
{
    usmsgc("criteria_list, CRITERIA LIST IS NOT AVAILABLE");
    status = -1;
}

void tp_criteria_list(i32& status)
{
    usmsgc("tp_criteria_list, CRITERIA LIST IS NOT AVAILABLE");
    status = -1;
}
