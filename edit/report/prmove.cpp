// Motion block printers: lines, strings of lines and arcs.
#include "blocks/format.h"
#include "edit/report/lstate.h"
#include "edit/report/printers.h"

void PRBT02(const i32& mode, const i32& unit, const i32& number, const i32& type, const f32& scale, f32* point,
            f32* vector)
{
    if (LSTST.last != type) {
        const char* heading = type == BT_LINE ? "SIMPLE LINES:" : type == BT_LINE5 ? "MULTAX LINES:" : "SIMPLE LINES+NORMALS:";
        lnout(unit, {lnB(16), lnS(heading)});
        LSTST.last = type;
    }
    PRTPNT(unit, type, number, scale, point, vector);
}

void PRBT07(const i32& mode, const i32& unit, const i32& type, const i32& points)
{
    const char* heading = type == BT_STRING    ? "STRING OF SIMPLE LINES (NUMBER OF POINTS = "
                          : type == BT_STRING5 ? "STRING OF MULTAX LINES (NUMBER OF POINTS = "
                                       : "STRING OF SIMPLE LINES+NORMALS(NUMBER OF POINTS = ";
    lnblank(unit);
    lnout(unit, {lnB(16), lnS(heading), lnI(points), lnS(")")});
    LSTST.last = type;
}

void PRTPNT(const i32& unit, const i32& type, const i32& number, const f32& scale, f32* point, f32* vector)
{
    FMTBLK(LSTST.proc, number);
    FMTVAL(1, point, scale);
    lnout(unit, {lnBLK(), lnB(21), lnVAL()});
    if (type != BT_LINE && type != BT_STRING) {
        FMTVAL(2, vector, 1.0f);
        lnout(unit, {lnB(31), lnVAL()});
    }
}

void PRBT03(const i32& mode, const i32& unit, const i32& type, const i32& number, const i32& plane,
            const f32& angle, f32* centre, const f32& scale, f32* end, f32* vector)
{
    FMTBLK(LSTST.proc, number);
    const char* heading = type == BT_ARC ? "SIMPLE ARC:" : type == BT_ARC5 ? "MULTAX ARC:" : "DIRECTION ARC:";
    lnout(unit, {lnBLK(), lnB(6), lnS(heading)});
    LSTST.last = type;
    // Plane codes as the arc block has them: 1 XY, 2 XZ, any other YZ.
    const char* name = plane == 1 ? "XY " : plane == 2 ? "XZ " : "YZ ";
    lnout(unit, {lnB(14), lnS("ARC PLANE = "), lnT(name, 3)});
    lnout(unit, {lnB(14), lnS("ARC ANGLE = "), lnR(angle), lnS(" ")});
    FMTVAL(4, centre, scale);
    lnout(unit, {lnB(14), lnS("ARC CENTER "), lnVAL()});
    FMTVAL(1, end, scale);
    lnout(unit, {lnB(14), lnS("ARC END    "), lnVAL()});
    if (type == BT_ARC5 || type == BT_ARCN) {
        // A direction is no length: it keeps its components in every unit.
        FMTVAL(2, vector, 1.0f);
        lnout(unit, {lnB(14), lnS(type == BT_ARC5 ? "TOOL DIR.  " : "NORMAL     "), lnVAL()});
    }
}
