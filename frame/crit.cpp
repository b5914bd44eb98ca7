#include "frame/crit.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <cctype>

#include "blocks/listacc.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/listname.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/proctab.h"
#include "frame/driver.h"
#include "frame/prctake.h"
#include "pocket/cntlst.h"
#include "surfaces/srflist.h"

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
        // The count is in words of type 8, four characters each: a count of
        // characters would have the coded writer read up to four times the
        // text, past its buffer, and the reader of code 404 takes words.
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
    const i32 a = action > 10 ? action - 10 : action;
    if (a < 1 || a > 8) {
        // No cell for it: a blank row keeps the rows after it in place.
        erou1c("CRTEDT, ILLEGAL ACTION CODE ", action);
        moduc2();
        return;
    }
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
    // This host's menu form has one kind of option row (modm), all chosen
    // alike; the flag its modm2 adds (1 for codes up to 9, 0 for 11 to 18)
    // has nothing here to act on, so the row goes in without it.
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
    modm((prefix + body).c_str());  // modm2's flag 1 left out, as in CRTEDT
}

// ------------------------------------------------------ the criteria reports

namespace {
constexpr i32 PATHLEN = 256;
constexpr i32 ALL_COLOURS = 17, ALL_FONTS = 9, ALL_PENS = 9;
constexpr i32 LEVEL_ALL = 1, LEVEL_ACTIVE = 4;

// One mask entry as the report shows it.
struct MaskRow {
    i32 colour, font, pen, mode;
    char level[9];
};

// The host's mask of a kind at an index as a report row. False when the host
// cannot give it. This host's mask entry is the five words the surface
// selection by criteria reads too: class, level number, colour, font, pen,
// -1 meaning any; the level's text comes from the host's level names, and
// a mask over any level is the level mode 1 (all levels). The host keeps no
// mask on "the active level", so level mode 4 does not come from it; the
// row builder still shows it as "ACTIVE" (CRTROW).
bool mask_row(i32 kind, i32 index, MaskRow& row)
{
    i32 mask[8] = {0, 0, 0, 0, 0, 0, 0, 0}, st = 0;
    nc_geomsk_lst_get_data(kind, index, mask, st);
    if (st < 0) return false;
    std::memset(row.level, 0, sizeof row.level);
    row.mode = mask[1] < 0 ? LEVEL_ALL : 0;
    if (mask[1] >= 0) {
        // The level's name from the host's level table.
        char name[7] = {0};
        gsname(1, mask[1] + 1, name);
        i32 n = 6;
        while (n > 0 && (name[n - 1] == ' ' || name[n - 1] == 0)) --n;
        std::memcpy(row.level, name, static_cast<size_t>(n));
    }
    row.colour = mask[2] < 0 ? ALL_COLOURS : mask[2];
    row.font = mask[3] < 0 ? ALL_FONTS : mask[3];
    row.pen = mask[4] < 0 ? ALL_PENS : mask[4];
    return true;
}

std::string entry_row(const MaskRow& m)
{
    if (m.mode == LEVEL_ALL && m.colour == ALL_COLOURS && m.font == ALL_FONTS && m.pen == ALL_PENS)
        return "    ENTIRE MODEL";
    char b[96];
    std::snprintf(b, sizeof b, " %6s|  %2d   |   %d   |   %d   |", m.level, m.colour, m.font, m.pen);
    std::string r = b;
    auto put = [&](size_t at, const char* text) {
        const size_t n = std::strlen(text);
        if (r.size() < at + n) r.resize(at + n, ' ');
        r.replace(at, n, text);
    };
    if (m.mode == LEVEL_ALL) put(1, " ALL  ");
    if (m.mode == LEVEL_ACTIVE) put(1, "ACTIVE");
    if (m.colour == ALL_COLOURS) put(8, "  ALL  ");
    if (m.font == ALL_FONTS) put(16, "  ALL  ");
    if (m.pen == ALL_PENS) put(24, "  ALL  ");
    return r;
}

}  // namespace

std::string CRTROW(const i32& colour, const i32& font, const i32& pen, const char* level, const i32& mode)
{
    MaskRow m{colour, font, pen, mode, {0}};
    std::snprintf(m.level, sizeof m.level, "%.8s", level ? level : "");
    return entry_row(m);
}

namespace {
// Objects of a class when it has no mask.
i32 objects(i32 cls)
{
    i32 n = 0, st = 0;
    switch (cls) {
    case 0: nc_surf_list_count(1, 0, n, st); break;
    case 1: nc_surf_list_count(1, 1, n, st); break;
    // The module keeps its contours only in the contour list, counted
    // there whether or not a procedure uses it; no count is stored beside it.
    case 2: n = num_closed_contours(); break;
    case 3: n = num_open_contours(); break;
    default: drlsnm(n); break;
    }
    return st < 0 ? 0 : n;
}

void report_block(std::FILE* f, const char* name)
{
    static const char* const LABELS[5] = {"| PART SRF.    |", "| CHECK SRF.   |", "| CLOSE CONTOUR|",
                                          "| OPEN CONTOUR |", "| DRILL POINTS |"};
    const std::string rule(48, '-');
    std::fprintf(f, "\n%20s%s%s:\n\n", "", "CRITERIA LIST FOR ", name);
    std::fprintf(f, "%s\n| GEOM TYPE    | LEVEL | COLOR | LFONT |  PEN  |\n%s\n", rule.c_str(), rule.c_str());
    for (i32 cls = 0; cls < 5; ++cls) {
        if (CRTCLS[cls] == 0) continue;
        const i32 kind = cls == 4 ? 0 : cls;
        const i32 n = nc_geomsk_lst_count(kind);
        const char* state;
        if (n <= 0) {
            state = objects(cls) > 0 ? "MANUAL" : "NOT DEFINED";
        } else {
            i32 active = 0;
            active_mask_gs(kind, 1, active);
            state = active != 0 ? "CRITERIA IS ACTIVE :" : "CRITERIA IS NOT ACTIVE :";
        }
        std::fprintf(f, "%s    %s\n", LABELS[cls], state);
        for (i32 k = 0; k < n; ++k) {
            MaskRow m;
            if (!mask_row(kind, k, m)) break;
            std::fprintf(f, "|              |%s\n", entry_row(m).c_str());
        }
        std::fprintf(f, "\n");
    }
    std::fprintf(f, "%s\n", rule.c_str());
}

// The path of a report file; false when none can be made.
bool report_path(const char* suffix, char* path)
{
    i32 length = 0, plen = 0, st = 0;
    CRTPN2(2, suffix, static_cast<i32>(std::strlen(suffix)), path, length, plen, st);
    return st == 0;
}
}  // namespace

void criteria_list(const char* name, i32& status)
{
    status = 0;
    if (CRTNON() == 1) return;
    const i32 number = DRVST.proc;
    char file[96];
    std::snprintf(file, sizeof file, number < 10 ? "%s%2.2d%s" : "%s%d%s", name ? name : "", number, ".crit_list");
    for (char* c = file; *c; ++c) *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    char path[PATHLEN];
    std::FILE* f = report_path(file, path) ? std::fopen(path, "w") : nullptr;
    if (!f) {
        status = -1;
        return;
    }
    report_block(f, name ? name : "");
    std::fclose(f);
    msg_mdlt(327, 20, path);
}

void tp_criteria_list(i32& status)
{
    status = 0;
    char path[PATHLEN];
    std::FILE* f = report_path("CRIT_LIST", path) ? std::fopen(path, "w") : nullptr;
    if (!f) {
        eroutc("tp_criteria_list, CANNOT OPEN THE FILE", 0);
        status = -1;
        return;
    }
    i32 on = 1, st = 0, answer = 0;
    tp_crit_list_gs(2, on);
    tp_file_name_gs(2, path, PATHLEN);
    std::fprintf(f, "\n          --- CRITERIA LIST FOR TOOLPATH --- \n\n");
    std::fclose(f);
    // Each procedure of the tool path in turn, from the top of the list.
    lclos();
    ltop();
    lacces(2, answer);
    for (i32 k = 1; answer >= 0 && k <= PRCTAB.count && k <= PRT_MAX; ++k) {
        FNDTYP(12, st);
        if (st < 0) break;
        updtcm(1, -1, k, 2, 1, 0, 0, st);
        if (st < 0) break;
        const i32 code = PRCTAB.type[k];
        if (ISMTYP(code) == 0) {
            segrun(code, st);
            if (st < 0) break;
            // The run leaves the request record as that procedure set it:
            // it is reset and stored again, as after a procedure listing.
            EDARST(1);
        }
        TPJUMP(1, st);
        if (st < 0) break;
    }
    i32 off = 0;
    tp_crit_list_gs(2, off);
    // The file name goes with the mode: no procedure appends to a finished list.
    tp_file_name_gs(2, nullptr, 0);
    msg_mdlt(327, 20, path);
}

void proc_criteria_list(const i32& code)
{
    char path[PATHLEN];
    tp_file_name_gs(1, path, PATHLEN);
    std::FILE* f = path[0] != 0 ? std::fopen(path, "a") : nullptr;
    if (!f) {
        eroutc("proc_criteria_list, CANNOT OPEN THE FILE", 0);
        return;
    }
    char type[12];
    std::memset(type, 0, sizeof type);
    FNCNAM(code, type);
    std::string name(type, strnlen(type, 11));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    tp_file_ptr_gs(2, f);
    char number[16];
    std::snprintf(number, sizeof number, " %d", DRVST.proc);
    name += number;
    report_block(f, name.c_str());
    std::fclose(f);
    f = nullptr;
    tp_file_ptr_gs(2, f);
}
