// Marker block printer.
#include <cstring>
#include <string>

#include "edit/report/lstate.h"
#include "edit/report/printers.h"

namespace {
// Names of the marker groups, by (kind - 1) / 2: opening and closing name.
struct Group {
    const char* open;
    const char* close;
};
constexpr Group GROUPS[33] = {
    {"COMPLEX", "COMPLEX"},
    {"LAYER  (Z=", "LAYER"},
    {"PASS", "PASS"},
    {"CURVE", "CURVE"},
    {"APPROACH", "APPROACH"},
    {"RETRACT", "RETRACT"},
    {"DRILL_CYCLE", "DRILL_CYCLE"},
    {"CONNECTION", "CONNECTION"},
    {"PUNCH_PROFIL", "PUNCH_PROFIL"},
    {"STRING", "STRING"},
    {"PUNCH_CIRCLES", "PUNCH_CIRCLES"},
    {"PUNCH_POINTS", "PUNCH_POINTS"},
    {"ROUGH", "ROUGH"},
    {"FINISH", "FINISH"},
    {"LDRILL", "LDRILL"},
    {"CONTOUR", "CONTOUR"},
    {"PATH BY X", "PATH BY X"},
    {"PATH BY Y", "PATH BY Y"},
    {"PATH BY RADIUS", "PATH BY RADIUS"},
    {"PATH BY ANGLE", "PATH BY ANGLE"},
    {"LINEAR REPETITION", "LINEAR REPETITION"},
    {"ANGULAR REPETITION", "ANGULAR REPETITION"},
    {"THREAD CYCLE,PASS NUMBER:", "THREAD CYCLE"},
    {"ROUGH PASSES", "ROUGH PASSES"},
    {"FINISH PASSES", "FINISH PASSES"},
    {"CHASS PASSES", "CHASS PASSES"},
    {"THREAD - START NUMBER:", "THREAD - CURRENT START"},
    {"GROOVE ROUGH CYCLES", "GROOVE ROUGH CYCLES"},
    {"GROOVE FINISH CYCLES", "GROOVE FINISH CYCLES"},
    {"REGION  ", "REGION  "},
    {"RETRACT", "RETRACT"},
    {"HORZ ON SRF", "HORZ ON SRF"},
    {"VERT CONST Z", "VERT CONST Z"},
};

// Approach and retract types 1 to 13.
constexpr const char* TYPES[13] = {
    " (TYPE=NOR.    )", " (TYPE=TAN.    )", " (TYPE=Z-UP    )", " (TYPE=NOR.    )", " (TYPE=TAN.    )",
    " (TYPE=OPP.TAN.)", " (TYPE=NOR.    )", " (TYPE=NOR.    )", " (TYPE=HOR.    )", " (TYPE=NOR.HOR.)",
    " (TYPE=BISECT  )", " (TYPE=HOR.TAN.)", " (             )",
};

// The type text of a value; a type without a name shows its number in the
// same frame.
std::string type_text(i32 value)
{
    if (value >= 1 && value <= 13) return TYPES[value - 1];
    std::string n = std::to_string(value);
    if (n.size() < 8) n.resize(8, ' ');
    return " (TYPE=" + n + ")";
}

// The count field: a blank, the count in parentheses, blanks to six
// characters. A count that needs more room prints whole: cut to its first
// three characters, 1234 would read as 123 and -123 as -12, a wrong count.
std::string count_text(i32 value)
{
    std::string s = " (" + std::to_string(value) + ")";
    if (s.size() < 6) s.resize(6, ' ');
    return s;
}
}  // namespace

void PRBT99(const i32& mode, const i32& unit, const i32& number, const i32& kind, const f32& scale,
            const f32& rvalue, const i32& ivalue, i32& status)
{
    if (kind < 1 || kind > 66) {
        eroutc("PRBT99 - UNEXPECTED MARKER TYPE", 0);
        status = -1;
        return;
    }
    const bool open = kind % 2 == 1;
    FMTBLK(LSTST.proc, number);
    const char* state = open ? "  OPEN  " : "  CLOSE ";
    if (open) lnblank(unit);
    const Group& g = GROUPS[(kind - 1) / 2];
    const std::string name = open ? g.open : g.close;
    std::string rest;  // what follows the name: a type text or the count field
    if (kind == 3) {
        lnout(unit, {lnBLK(), lnT(state, 8), lnS(g.open), lnU(rvalue - LSTST.origin[2]), lnS(")")});
    } else {
        if (kind == 9 || kind == 61) rest = type_text(ivalue);
        if (kind >= 33 && kind <= 40) rest = open ? count_text(ivalue) : std::string(6, ' ');
        if (kind == 45 || kind == 53) rest = count_text(ivalue);
        if (kind == 59 || kind == 60)
            lnout(unit, {lnBLK(), lnT(state, 8), lnS(name.c_str()), lnI(ivalue), lnS(" ")});
        else
            lnout(unit, {lnBLK(), lnT(state, 8), lnS(name.c_str()), lnS(rest.c_str())});
    }
    LSTST.last = 900 + 2 * ((kind - 1) / 2);
    if (!open) {
        lnblank(unit);
        LSTST.last += 1;
    }
    status = 0;
}
