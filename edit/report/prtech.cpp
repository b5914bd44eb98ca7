// Technology block printer: one line per block with the parameter's name and
// how its value reads.
#include <cstring>
#include <string>
#include <vector>

#include "blocks/tech.h"
#include "edit/report/lstate.h"
#include "edit/report/printers.h"
#include "core/records.h"
#include "surfaces/srfbuf.h"
#include "tools/toolcache.h"

namespace {
constexpr i32 LK_FEED = 101, LK_INT = 102, LK_GCODE = 103, LK_VC = 104, LK_SPIN = 105, LK_TEXT = 106,
              LK_TOOL = 1106, LK_UNKNOWN = 120;

struct Name {
    i32 code;
    const char* name;
};
constexpr Name NAMES[] = {
    {1, "FEED    = "},  {2, "SPIN    = "},  {3, "COOL    = "},  {4, "DWEL    = "},  {5, "CUT.COM_= "},
    {9, "SPIN_BY : "},  {10, "VC      = "}, {11, "GENERTR = "}, {12, "ANGLE   = "}, {13, "OFFSET  = "},
    {14, "FLUSH   = "}, {15, "WIRE    : "}, {16, "STOP PT   "}, {20, "G27       "}, {21, "G28       "},
    {22, "G29       "}, {23, "G30       "}, {24, "G28G29    "}, {25, "G29G30    "}, {26, "G32       "},
    {27, "G38       "}, {28, "G39       "}, {29, "G45       "}, {30, "G46       "}, {31, "G60       "},
    {32, "G61       "}, {33, "G62       "}, {34, "G63       "}, {35, "G32:   C= "}, {36, "G32:   K= "},
    {37, "G32:   X= "}, {38, "G32:   Y= "}, {39, "G32:   R= "}, {40, "G38/39:A= "}, {51, "NPITCH  = "},
    {52, "NIBBL_  = "}, {53, "PUNCH_  = "}, {54, "INDEX   = "}, {55, "UCS     = "}, {56, "STEP BY : "},
    {57, "STEP VAL= "}, {58, "STP INCR= "}, {59, "RAP.FEED= "}, {100, "TOOL    = "},
};

// The text of an integer value of a parameter with named values; null when
// the value has no text.
const char* value_text(i32 code, i32 v)
{
    auto pick = [&](std::initializer_list<std::pair<i32, const char*>> rows) -> const char* {
        for (const auto& r : rows)
            if (r.first == v) return r.second;
        return nullptr;
    };
    switch (code) {
    case 3: return pick({{1, "OFF"}, {2, "FLOOD  "}, {3, "MIST   "}, {4, "THROUGH"}, {5, "AIR    "}});
    case 5:
        // The machine's compensation word (the table's 17th) says whether
        // the machine compensates at all; the value of parameter 54 does not.
        if (machine_table(17) == 0) return "NOT IN USE";
        return pick({{-1, "LEFT"}, {1, "RIGHT"}, {0, "OFF"}});
    case 9: return pick({{1, "Vc"}, {2, "SPIN"}});
    case 52:
    case 53: return pick({{2, "ON"}, {1, "OFF"}});
    case 56:
        return pick({{1, "PITCH"}, {2, "LEAD"}, {3, "THREAD PER INCH"}, {4, "VARIABLE PITCH"},
                     {5, "VARIABLE LEAD"}, {6, "VARIABLE THREAD PER INCH"}});
    case 15: return pick({{1, "THREAD"}, {2, "CUT"}});
    default: return nullptr;
    }
}

bool feed_like(i32 code) { return code == 1 || code == 51 || code == 57 || code == 58 || code == 59; }

// The UCS of a technology block: its 6-character name; the listing origin
// becomes its origin in the coordinates of its own axes. An entity being read
// is closed for the look and reopened where it was. False when the UCS
// cannot be read.
bool ucs_name(i32 id, char* name)
{
    std::memset(name, ' ', 6);
    if (id < 1) return true;
    i32 open = 0, position = 0, noted = 0;
    eginfo(open, position, noted);
    if (open > 0) eclose();
    f32 origin[3], matrix[9], real = 0;
    i32 words[2] = {0, 0}, integer = 0, st = 0;
    DBDUCS(1, id, origin, matrix, real, words, integer, st);
    const bool read = st == 0;
    if (!read) {
        eroutc("PRTBT1,ERRORS IN OPENING UCS", 0);
    } else {
        std::memcpy(name, words, 6);
        for (int k = 0; k < 6; ++k)
            if (name[k] == '\0') name[k] = ' ';
        // The UCS's view, and its origin in the coordinates of its axes;
        // axes that fit no view leave the origin as it was.
        i32 view = 0;
        f32 rot[9];
        trchk(matrix, view);
        if (view > 0) {
            trv2v(0, view, rot);
            m3vec(rot, origin, LSTST.origin);
        }
    }
    if (open > 0) {
        i32 now = 0, at = 0, which = 0;
        eginfo(now, at, which);
        if (now > 0) eclose();
        i32 cls = 0, type = 0, len = 0;
        eopen(noted, cls, type, len, st);
        if (st == 0) eskipn(position);
    }
    return read;
}
}  // namespace

void DEFPNM(const i32& code, char* name)
{
    for (const Name& n : NAMES)
        if (n.code == code) {
            std::memcpy(name, n.name, 10);
            return;
        }
    erou1c("DEFPNM: WRONG PARAMETER", code);
    std::memcpy(name, "UN KNOWN  ", 10);
}

void PRTBT1(const i32& mode, const i32& unit, const i32& number, const i32& code, const i32& ivalue,
            const f32& rvalue, i32& status)
{
    i32 usun[1] = {0}, count = 1, st = 0;
    mdgetn("USUN", usun, count, st);
    const i32 units = st == 0 ? usun[0] : 0;
    char name[10];
    DEFPNM(code, name);
    static const char LABEL[] = "      MACHINE PARAMS: ";
    FMTBLK(LSTST.proc, number);
    auto head = [&](std::initializer_list<lnitem> rest) {
        std::vector<lnitem> items{lnBLK(), lnT(LABEL, 22), lnT(name, 10)};
        items.insert(items.end(), rest.begin(), rest.end());
        filtxn(unit, items.data(), static_cast<i32>(items.size()));
    };
    auto rename = [&](i32 other) {
        for (const Name& n : NAMES)
            if (n.code == other) std::memcpy(name, n.name, 10);
    };
    const f32 minus1 = -1.0f, minus2 = -2.0f;
    if (code == 1 && eqval(rvalue, minus1)) {
        head({lnS("FAST")});
        LSTST.last = LK_TEXT;
    } else if (feed_like(code) && eqval(rvalue, minus2)) {
        rename(1);
        head({lnS("MAX_FEED")});
        LSTST.last = LK_TEXT;
    } else if (feed_like(code) && rvalue >= -2.0f) {
        if (code == 59) rename(1);
        head({lnU(rvalue), lnS(" ")});
        LSTST.last = LK_FEED;
    } else if (feed_like(code)) {
        if (code != 59) rename(59);
        head({lnU(-rvalue), lnS(" ")});
        LSTST.last = LK_FEED;
    } else if (code == 54) {
        head({lnR(degree(rvalue)), lnS(" ")});
        LSTST.last = LK_FEED;
    } else if (code == 10) {
        const f32 v = units > 3 ? rvalue * 3.28084f : rvalue;
        if (eqval0(v))
            head({lnS("STOP")}), LSTST.last = LK_TEXT;
        else
            head({lnR(v > 0 ? v : -v), lnS(v > 0 ? " CW" : " CCW")}), LSTST.last = LK_VC;
    } else if (code == 4 || (code >= 11 && code <= 14)) {
        head({lnI(ivalue), lnS(" ")});
        LSTST.last = LK_INT;
    } else if (code == 2) {
        // The speed is shown without its sign; the magnitude of the most
        // negative word (a corrupt block) does not fit a word and is shown
        // from its wider form.
        const std::int64_t speed = ivalue > 0 ? ivalue : -static_cast<std::int64_t>(ivalue);
        const std::string wide = std::to_string(speed);
        if (ivalue == 0)
            head({lnS("STOP")});
        else if (speed <= INT32_MAX)
            head({lnI(static_cast<i32>(speed)), lnS(ivalue > 0 ? " CW" : " CCW")});
        else
            head({lnS(wide.c_str()), lnS(" CCW")});
        LSTST.last = LK_SPIN;
    } else if (code == 3 || code == 5 || code == 9 || code == 15 || code == 52 || code == 53 || code == 56) {
        const char* text = value_text(code, ivalue);
        if (text) head({lnS(text)});
        LSTST.last = LK_TEXT;
    } else if (code == 100) {
        char tool[20];
        GTTNAM(ivalue, tool, 20);
        head({lnT(tool, 20)});
        LSTST.last = LK_TOOL;
    } else if (code == 55) {
        char ucs[6];
        if (ucs_name(ivalue, ucs)) head({lnT(ucs, 6)});
        LSTST.last = LK_TEXT;
    } else if (code == 16 || (code >= 20 && code <= 33)) {
        head({});
        LSTST.last = LK_GCODE;
    } else if (code >= 34 && code <= 40) {
        head({lnR(rvalue), lnS(" ")});
        LSTST.last = LK_TEXT;
    } else {
        // "(6x,'UNKNOWN PARAMETER---------',a8,4x,i4,4x,f12.4)"
        char row[66];
        std::memset(row, ' ', sizeof row);
        std::memcpy(row + 6, "UNKNOWN PARAMETER---------", 26);
        fmta(row + 32, 8, name, 8);
        fmti(row + 44, 4, ivalue);
        fmtf(row + 52, 12, rvalue);
        filtxt(unit, row, 64);
        LSTST.last = LK_UNKNOWN;
    }
}
