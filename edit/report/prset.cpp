// Setting and cycle block printers: transformation, depth, cycle cancel,
// retract mode, del-Z surface, drill location, cycle activation, groove and
// thread cycles.
#include <cstring>
#include <string>

#include "edit/report/lstate.h"
#include "edit/report/printers.h"
#include "tools/toollib.h"

namespace {
// The name of a retract mode, 12 characters; a mode without a name shows
// its number.
std::string retract_name(i32 mode)
{
    if (mode == 1) return "\"TO-RETRACT\"";
    if (mode == 2) return "\"TO-INIT\"   ";
    std::string n = std::to_string(mode);
    if (n.size() < 12) n.resize(12, ' ');
    return n;
}

// The name of a groove type, 16 characters; a type without a name shows its number.
std::string groove_name(i32 type)
{
    static constexpr const char* NAMES[3] = {"OUTSIDE DIAMETER", "INSIDE DIAMETER ", "   FACING       "};
    if (type >= 1 && type <= 3) return NAMES[type - 1];
    std::string n = std::to_string(type);
    if (n.size() < 16) n.resize(16, ' ');
    return n;
}

// The cycle's name without trailing blanks, quoted; empty for a cycle without one.
std::string cycle_name(i32 code)
{
    char name[20];
    GTCYNM(code, name);
    i32 n = 20;
    while (n > 0 && name[n - 1] == ' ') --n;  // the library blanks a name's NULs
    if (n == 0) return std::string();
    std::string quoted(1, '"');
    quoted.append(name, static_cast<size_t>(n));
    return quoted += '"';
}
}  // namespace

void PRBT40(const i32& mode, const i32& unit, const i32& number, const f32* matrix, f32* translation,
            const f32& scale)
{
    FMTBLK(LSTST.proc, number);
    lnblank(unit);
    lnout(unit, {lnBLK(), lnB(2), lnS("TP TRANSFORMATION BLOCK:")});
    lnout(unit, {lnB(26), lnS("TR. MATRIX:")});
    for (int r = 0; r < 3; ++r) {
        f32 row[3] = {matrix[3 * r], matrix[3 * r + 1], matrix[3 * r + 2]};
        FMTVAL(3, row, 1.0f);
        lnout(unit, {lnVAL()});
    }
    FMTVAL(1, translation, scale);
    lnout(unit, {lnB(26), lnS("TRANSLATION: "), lnVAL()});
    LSTST.last = 40;
}

void PRBT36(const i32& mode, const i32& unit, const i32& number, const f32& znew, const f32& zold)
{
    FMTBLK(LSTST.proc, number);
    lnblank(unit);
    lnout(unit, {lnBLK(), lnB(2), lnS("DEPTH SETTING BLOCK:")});
    lnout(unit, {lnB(32), lnS("OLD"), lnB(10), lnS("NEW")});
    lnout(unit, {lnS(" "), lnB(27), lnS("Z-OLD = "), lnU(zold), lnS("   Z-NEW = "), lnU(znew), lnS(" ")});
    LSTST.last = 36;
}

void PRBT35(const i32& mode, const i32& unit, const i32& number, const i32& code)
{
    FMTBLK(LSTST.proc, number);
    lnblank(unit);
    lnout(unit, {lnBLK(), lnB(2), lnS("CYCLE CANCELATION BLOCK:")});
    const std::string name = cycle_name(code);
    if (!name.empty()) lnout(unit, {lnB(16), lnS("CYCLE NAME: "), lnS(name.c_str())});
    LSTST.last = 35;
}

void PRBT34(const i32& mode, const i32& unit, const i32& number, const i32& oldmode, const i32& newmode)
{
    FMTBLK(LSTST.proc, number);
    lnblank(unit);
    lnout(unit, {lnBLK(), lnB(2), lnS("RETRACT MODE BLOCK:")});
    const std::string o = retract_name(oldmode), n = retract_name(newmode);
    lnout(unit, {lnB(17), lnS("OLD = "), lnS(o.c_str()), lnB(1), lnS("NEW = "), lnS(n.c_str())});
    LSTST.last = 34;
}

void PRBT33(const i32& mode, const i32& unit, const i32& number, const f32& distance)
{
    FMTBLK(LSTST.proc, number);
    lnblank(unit);
    lnout(unit, {lnBLK(), lnB(2), lnS("DEL-ZSURF SETTING BLOCK:")});
    lnout(unit, {lnS(" "), lnB(17), lnS(" DIS-NEW = "), lnU(distance), lnS(" ")});
    LSTST.last = 33;
}

void PRBT31(const i32& mode, const i32& unit, const i32& number, f32* point, f32* direction, const f32& scale)
{
    if (LSTST.last != 31) {
        lnblank(unit);
        lnout(unit, {lnB(11), lnS("DRILL LOCATION BLOCK:")});
    }
    FMTBLK(LSTST.proc, number);
    FMTVAL(1, point, scale);
    lnout(unit, {lnBLK(), lnB(16), lnVAL()});
    FMTVAL(2, direction, 1.0f);
    lnout(unit, {lnB(26), lnVAL()});
    LSTST.last = 31;
}

void PRBT30(const i32& mode, const i32& unit, const i32& number, const i32& code, const f32& delz, const f32& depth,
            const f32& clear, const i32& retract, const f32& initial)
{
    FMTBLK(LSTST.proc, number);
    lnout(unit, {lnBLK(), lnB(2), lnS("CYCLE ACTIVATION BLOCK")});
    const std::string name = cycle_name(code);
    if (!name.empty()) lnout(unit, {lnB(16), lnS("CYCLE NAME = "), lnS(name.c_str())});
    lnout(unit, {lnB(16), lnS("DEL-ZSURF = "), lnU(delz), lnS(" ")});
    lnout(unit, {lnB(16), lnS("DEPTH     = "), lnU(depth), lnS(" ")});
    lnout(unit, {lnB(16), lnS("CLEAR     = "), lnU(clear), lnS(" ")});
    lnout(unit, {lnB(16), lnS("DEL-INIT  = "), lnU(initial), lnS(" ")});
    lnout(unit, {lnB(16), lnS(retract == 1 ? "RETRACT TO R-PLANE" : "RETRACT TO I-PLANE")});
    LSTST.last = 30;
}

void PRBT14(const i32& mode, const i32& unit, const i32& number, const i32& gtype, f32* start, f32* end,
            const f32* six, const f32& scale, i32& status)
{
    static constexpr const char* LABELS[6] = {"TOTAL DOWN STEP: ", "DEPTH OF CUT   : ", "RETRACT AMOUNT : ",
                                              "GROOVE WIDTH   : ", "SIDE STEP      : ", "DELTA UP       : "};
    FMTBLK(LSTST.proc, number);
    lnout(unit, {lnBLK(), lnB(6), lnS("GROOVE CYCLE:")});
    const std::string name = groove_name(gtype);
    lnout(unit, {lnB(23), lnS("GROOVE TYPE: "), lnS(name.c_str())});
    FMTVAL(1, start, scale);
    lnout(unit, {lnB(23), lnS("STRT POINT "), lnVAL()});
    FMTVAL(1, end, scale);
    lnout(unit, {lnB(23), lnS("END  POINT "), lnVAL()});
    for (int k = 0; k < 6; ++k) lnout(unit, {lnB(23), lnS(LABELS[k]), lnR(six[k]), lnS(" ")});
    lnblank(unit);
    LSTST.last = 14;
    status = 0;
}

void PRBT13(const i32& mode, const i32& unit, const i32& number, f32* start, f32* end, const i32& total,
            const i32& current, const f32& scale)
{
    FMTBLK(LSTST.proc, number);
    lnout(unit, {lnBLK(), lnB(6), lnS("THREAD CYCLE:")});
    FMTVAL(1, start, scale);
    lnout(unit, {lnB(23), lnS("STRT POINT "), lnVAL()});
    FMTVAL(1, end, scale);
    lnout(unit, {lnB(23), lnS("END  POINT "), lnVAL()});
    lnout(unit, {lnB(23), lnS("TOTAL NUMBER OF STARTS: "), lnI(total), lnS(" ")});
    lnout(unit, {lnB(23), lnS("CURRENT  START  NUMBER: "), lnI(current), lnS(" ")});
    lnblank(unit);
    LSTST.last = 13;
}
