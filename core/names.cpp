#include "core/names.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/host.h"
#include "core/records.h"

MenuLayout MNULYW;

namespace {
struct ProcName {
    i32 code;
    const char* name;
};

// Names of the host's procedure types; this module's own type is 9 and 28.
constexpr ProcName PROC_NAMES[] = {
    {1, "DRILL"},    {2, "POCKET"},   {3, "POCKET"},   {4, "CONTOUR"},  {5, "FACE"},     {6, "SLOT"},
    {7, "PROFILE"},  {8, "THREAD"},   {9, "TAVREK"},   {10, "GO"},      {11, "MESSAGE"}, {12, "COPY"},
    {13, "PUNCH"},   {14, "PUNCH"},   {15, "NIBBLE"},  {16, "ENGRAVE"}, {17, "REST"},    {18, "PENCIL"},
    {19, "GOPUNCH"}, {20, "GOLATHE"}, {21, "ROUGH"},   {22, "FINISH"},  {23, "GROOVE"},  {24, "TURNDRL"},
    {25, "PARTOFF"}, {26, "GOWIRE"},  {27, "CONTOUR"}, {28, "TAVREK"},  {29, "PLUNGE"},  {30, "ZLEVEL"},
    {31, "ROUGH"},   {32, "FINISH"},  {33, "SPIRAL"},  {34, "WIRECUT"}, {35, "HOLE"},    {36, "NIBBLE"},
    {37, "PUNCH"},   {38, "WIRECUT"}, {39, "TRANSF"},  {40, "MIRROR"},  {41, "ROTATE"},  {42, "MANUAL"},
    {43, "CHAMFER"}, {44, "TAP"},     {45, "BORE"},    {46, "REAM"},    {47, "CIRCLE"},  {48, "PROJECT"},
    {49, "SWEEP"},   {50, "FLOWLINE"}, {51, "RADIAL"}, {52, "MULTIAX"}, {53, "SWARF"},   {54, "ROTARY"},
    {55, "STOCK"},   {56, "PATTERN"}, {100, "USER"},
};

bool forced_break = false;
i32 break_countdown = 0;

void field(i32 window, i32 line, i32 number, const char* text)
{
    bmshow(window, line, number, text, 0, 12);
}

// A 12-character field: label, then the value text from the third character.
void labelled(i32 window, i32 number, const char* label, const char* value)
{
    char f[13];
    std::memset(f, ' ', 12);
    f[12] = '\0';
    std::memcpy(f, label, std::min<size_t>(std::strlen(label), 2));
    std::memcpy(f + 2, value, std::min<size_t>(std::strlen(value), 10));
    field(window, 1, number, f);
}

void clear_menu_area() { gsclr(MNULYW.clear_area); }
}  // namespace

void FNCNAM(const i32& code, char* name)
{
    for (const auto& p : PROC_NAMES)
        if (p.code == code) {
            fixtxt(name, 8, p.name);
            return;
        }
    eroutc("FNCNAM, ERROR IN CODE", 0);
    fixtxt(name, 8, "");
}

void PRCNAM(const i32& code, char* name)
{
    if (get_extflag() != 0) {
        FNCNAM(code, name);
        return;
    }
    fixtxt(name, 8, "");
    if (NCFCNT >= 1 && NCFCNT <= 100 && code >= 1 && code <= 100) {
        i32 index = NCFMAP[code - 1];
        if (index >= 1 && index <= NCFCNT) std::memcpy(name, NCFNAM + 8 * (index - 1), 8);
    }
}

void PRCNMC(const i32& code, char* text)
{
    i32 len = static_cast<i32>(strnlen(text, 8));
    char name[8];
    PRCNAM(code, name);
    fs2cs(name, len, text);
}

void MUTBLN(const i32& window, const i32& block)
{
    char f[13];
    std::memset(f, ' ', 12);
    f[12] = '\0';
    if (block >= 0) {
        char digits[16];
        i32 len = 0, st = 0;
        cvi2t(block, digits, len, st);
        if (st != 0) {
            eroutc("MUTBLN, ERROR IN CVI2T", 0);
            return;
        }
        std::memcpy(f, "BLK=", 4);
        std::memcpy(f + 4, digits, static_cast<size_t>(std::min(len, 7)));
    }
    field(window, 1, 14, f);
}

void MUTTXT(const i32& window, const char* label, const i32& number)
{
    char f[13];
    std::memset(f, ' ', 12);
    f[12] = '\0';
    if (number > 0) {
        fixtxt(f, 8, label);
        f[8] = '=';
        char digits[16];
        i32 len = 0, st = 0;
        cvi2t(number, digits, len, st);
        std::memcpy(f + 9, digits, static_cast<size_t>(std::min(len, 3)));
    }
    field(window, 2, 13, f);
}

void MUTTX8(const i32& window, const char* text, const i32& number)
{
    char label[9];
    size_t n = strnlen(text, 8);
    std::memcpy(label, text, n);
    label[n] = '\0';
    MUTTXT(window, label, number);
}

void MUTPOS(const i32& window, const f32* position, const f32* axis, const f32* origin)
{
    f32 unit = gtmesu();
    i32 digits = gtdgts();
    auto shown = [&](f64 v, char* text) {
        i32 len = 0, st = 0;
        cvr2td(v, digits, text, len, st);
        if (st != 0) eroutc("MUTPOS, ERROR IN CVR2TD", 0);
        return st == 0;
    };
    char t[48];
    auto coord = [&](int k) { return (static_cast<f64>(position[k]) - origin[k]) / unit; };
    // The machine kind is the header's third word, word 2 counted from 0 as
    // the header record is laid out (after the two words of the name).
    if (NPT1[NPT1_MACHINE] == 31) {
        // The two headings are whole 12-character labels, not values.
        char head[13];
        fixtxt(head, 12, "MACHINE COOR");
        head[12] = '\0';
        field(window, 1, 1, head);
        if (!shown(coord(1), t)) return;
        labelled(window, 2, "X=", t);
        if (!shown(coord(0), t)) return;
        labelled(window, 3, "Z=", t);
        fixtxt(head, 12, "MACSYS COOR");
        field(window, 1, 8, head);
        if (!shown(coord(1), t)) return;
        labelled(window, 10, "Y=", t);
        if (!shown(coord(0), t)) return;
        labelled(window, 9, "X=", t);
    } else {
        const char* lab[3] = {"X=", "Y=", "Z="};
        for (int k = 0; k < 3; ++k) {
            if (!shown(coord(k), t)) return;
            labelled(window, k + 1, lab[k], t);
        }
        i32 kind = NPT1[NPT1_MACHINE];
        if (kind == 62 || kind == 63 || kind == 65 || kind == 25 || kind == 26) {
            const char* al[3] = {"I=", "J=", "K="};
            for (int k = 0; k < 3; ++k) {
                if (!shown(axis[k], t)) return;
                labelled(window, 8 + k, al[k], t);
            }
        } else {
            for (int k = 0; k < 3; ++k) labelled(window, 8 + k, "", "");
        }
    }
    grpupd();
}

void MNULAY()
{
    bool big = modhix() > 1000;
    MNULYW = MenuLayout{big ? 28 : 22, big ? 7 : 6, 22, {4, 3, 12, 13}, 1, 0, {0, 0, 0}, -1, {-1, -1}};
    ncr_mdnxt_set(0);
}

namespace {
void interact(i32 a, i32 b, i32 c, i32& status)
{
    i32 w[3] = {a, b, c};
    modint(w, status);
}
}  // namespace

void MNUIN2(const i32& mode, const i32& width, const i32& menu, i32& current, i32& status)
{
    if (current < 1) MNUCLR();
    if (mode == 0) {
        if (current == menu)
            // Showing the same menu again is a menu change for the host's
            // clearing (mode 1): the area is cleared for the rows that follow,
            // not wiped as a whole area (mode 0) as leaving a menu does.
            gsclr(MNULYW.clear_change);
        else
            current = menu;
        interact(-1, MNULYW.rows, width, status);
        if (status < 0) return;
        status = 0;
        mdnxt_set(ncr_mdnxt_get());
    } else {
        interact(-1, MNULYW.fixed_rows, width, status);
        if (status < 0) return;
        ofmod(1);
        ofwric(" ");
        status = 0;
    }
}

void MNUINT(const i32& mode, const i32& menu, i32& current, i32& status)
{
    MNUIN2(mode, MNULYW.consts[0], menu, current, status);
}

void MNUIN3(const char* menu_text, i32& status) { interact(-1, MNULYW.columns, MNULYW.consts[2], status); }

void MNUMOD(const i32& on, i32& status)
{
    status = 0;
    if (on != 0) {
        ofwric(" ");
        ofmod(2);
    }
    clear_menu_area();
    interact(0, 0, 0, status);
    ncr_mdnxt_set(0);
}

void MNUCLR() { clear_menu_area(); }

void REDSPL()
{
    i32 cleared = 0;
    gsclr(1, cleared);
    if (cleared == 1 && macexe() == 0) {
        modisp();
        i32 none = 0;
        gsclr(2, none);
    }
}


void SPCHIT(i32& hit)
{
    i32 key = -1;
    gupdat(key);
    hit = 0;
    if (forced_break) {
        if (--break_countdown <= 0) {
            forced_break = false;
            hit = 1;
            return;
        }
    }
    hit = key == 32 ? 1 : 0;
}

void SPCARM(const i32& count)
{
    // A count of 0 or less disarms the countdown instead of arming it: armed,
    // it would break at the very next poll (the countdown is already spent),
    // a stop the step mode never asked for; disarmed, the space bar alone
    // breaks, as without a step.
    forced_break = count > 0;
    break_countdown = count;
}
