// Other block printers: lathe drill, rotation axes, MACSYS rotation, home,
// NURBS and text message blocks, and the item details of a technology block.
#include <cstring>
#include <string>
#include <vector>

#include "blocks/format.h"
#include "blocks/copy.h"
#include "blocks/listacc.h"
#include "blocks/modal.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/listname.h"
#include "edit/report/lstate.h"
#include "edit/report/printers.h"

namespace {
// A name of a table by its code, counted from 1, blank-padded to width; a
// code outside the table shows its number: the listing still tells what
// the block holds, and no name is read from past the table's end.
std::string table_name(const char* const* names, i32 count, i32 code, size_t width)
{
    std::string s = code >= 1 && code <= count ? names[code - 1] : std::to_string(code);
    if (s.size() < width) s.resize(width, ' ');
    return s;
}
}  // namespace

void PRBT11(const i32& mode, const i32& unit, const i32& number, const i32& dtype, const f32& depth,
            const f32* start, const i32& steps, const f32& feed)
{
    static constexpr const char* TYPES[3] = {"PECK DRIL", "HIGH SPEED PECK DRILL", "BORING"};
    LSTST.last = 11;
    FMTBLK(LSTST.proc, number);
    lnblank(unit);
    lnout(unit, {lnBLK(), lnB(2), lnS("LATHE DRILL CYCLE")});
    const std::string type = table_name(TYPES, 3, dtype, 24);
    lnout(unit, {lnB(16), lnS("DRILL TYPE    = "), lnX(), lnS(type.c_str())});
    lnout(unit, {lnB(16), lnS("NUMBER STEPS  = "), lnI(steps)});
    lnout(unit, {lnB(16), lnS("DRILL START Z = "), lnU(start[0])});
    lnout(unit, {lnB(16), lnS("DRILL DEPTH   = "), lnR(depth)});
}

void PRBT10(const i32& mode, const i32& unit, const i32& number, const i32& axes, const f32& scale, f32* xpivot,
            f32* ypivot)
{
    static constexpr const char* AXES[6] = {"X AXIS", "Y AXIS", "X AND Y AXIS, X IS A FIXED AXIS",
                                            "X AND Y AXIS, Y IS A FIXED AXIS", "Z AXIS", "5 AXIS"};
    LSTST.last = 10;
    if (mode == LM_TPLIST) {
        const std::string text = table_name(AXES, 6, axes, 0);
        lnblank(unit);
        FMTPRC(number);
        lnout(unit, {lnNUM(), lnS("ROTATION AXES DEFINITION")});
        lnout(unit, {lnB(12), lnS("ROTATION AXES: "), lnX(), lnS(text.c_str())});
        FMTVAL(1, xpivot, scale);
        lnout(unit, {lnB(12), lnS("X PIVOT POINT: "), lnX(), lnVAL()});
        FMTVAL(1, ypivot, scale);
        lnout(unit, {lnB(12), lnS("Y PIVOT POINT: "), lnX(), lnVAL()});
        lnblank(unit);
    } else {
        const std::string text = table_name(AXES, 6, axes, 32);
        lnout(unit, {lnS("| "), lnX(), lnS("ROTATION= "), lnX(), lnS(text.c_str()), lnB(30), lnS(" |")});
    }
}

void PRBT09(const i32& mode, const i32& unit, const i32& number, const i32& axes, f32* centre, const f32& angle,
            f32* end, const f32& scale)
{
    static constexpr const char* AXES[4] = {"X AXIS", "Y AXIS", "X AXIS", "Y AXIS"};
    LSTST.last = 9;
    FMTBLK(LSTST.proc, number);
    lnout(unit, {lnBLK(), lnB(6), lnS("MACSYS ROTATION BLOCK")});
    const std::string text = table_name(AXES, 4, axes, 6);
    lnout(unit, {lnB(24), lnS("ROTATION AXES   = "), lnX(), lnS(text.c_str())});
    lnout(unit, {lnB(24), lnS("ROTATION ANGLE  = "), lnR(angle)});
    FMTVAL(1, centre, scale);
    lnout(unit, {lnB(24), lnS("ARC CENTER "), lnB(3), lnVAL()});
    FMTVAL(1, end, scale);
    lnout(unit, {lnB(24), lnS("ARC END "), lnB(4), lnVAL()});
}

void PRBT06(const i32& mode, const i32& unit, const i32& number, const f32& scale, f32* home)
{
    if (LSTST.last != 6) lnout(unit, {lnB(19), lnS("HOME DEF.:")});
    FMTBLK(LSTST.proc, number);
    FMTVAL(1, home, scale);
    lnout(unit, {lnBLK(), lnB(21), lnVAL()});
    LSTST.last = 6;
}

void PRBT05(const i32& mode, const i32& unit, const i32& medium, const i32& size, const i32& type,
            const f32& scale, i32& status)
{
    const i32 m = medium == 4 ? 2 : medium == 5 ? 1 : medium;
    i32 head[3] = {0, 0, 0};
    tpget(m, 3, DT_INT, head, status);
    if (status < 0) return;
    const i32 number = head[0], k = head[1], n = head[2];
    // The block holds n + k values and n points after its three integers:
    // counts that do not fit its size are refused before anything is read.
    if (k < 0 || n < 0 || n > size || k > size || k + 4 * n + 4 != size) {
        erou2c("PRBT05, NURBS LARGER THAN ITS BLOCK, ORDER AND POINTS = ", k, n);
        status = -1;
        return;
    }
    FMTBLK(LSTST.proc, number);
    if (type == BT_NURBS) {
        lnout(unit, {lnBLK(), lnB(5), lnS("SIMPLE NURBS:START")});
        FMTPRC(n);
        lnout(unit, {lnS("                NUMBER OF POINTS:"), lnB(1), lnNUM()});
        FMTPRC(k);
        lnout(unit, {lnS("                    NURBS DEGREE:"), lnB(1), lnNUM()});
    }
    LSTST.last = type;
    for (i32 e = 0; e < n + k; ++e) {
        f32 value = 0, p[3] = {0, 0, 0};
        tpget(m, 1, DT_REAL, &value, status);
        if (status >= 0 && e < n) tpget(m, 3, DT_REAL, p, status);
        if (status < 0) return;
        // Read through the block conversion, a point is placed as the
        // readers place every other point: the list's placement, then the
        // conversion.
        if (e < n && (medium == AM_LISTCNV || medium == AM_ENTCNV)) {
            f32 m[9], t[3];
            lgtrns(m, t);
            TRMPTV(p, nullptr, m, t);
            CNVPNT(p, p);
        }
        // In the tool path listing every point is shown from the listing
        // origin, as the header's note lines say; a curve's points too, or
        // they would stand apart from the lines around them.
        if (mode == LM_TPLIST)
            for (int c = 0; c < 3; ++c) p[c] -= LSTST.origin[c];
        PRTNRB(unit, number, scale, e < n ? 1 : 0, value, p);
    }
    lnout(unit, {lnB(16), lnS("SIMPLE NURBS:END")});
    if (status > 0) status = 0;
}

void PRBT04(const i32& mode, const i32& unit, const i32& number, const i32& length, char* text)
{
    LSTST.last = 4;
    i32 kind = -1;
    char marker = text[0], label[4], prompt[18], menu[19];
    MSGENT(kind, marker, label, prompt, menu);
    // A message holds at most 80 characters: a stored length outside 0 to
    // 80 (a damaged block) would read past the text.
    const i32 len = length < 0 ? 0 : length > 80 ? 80 : length;
    if (mode == LM_TPLIST) {
        // "<", the text after its marker character, ">" after it: for an
        // empty text the ">" takes the place of the "<".
        char shown[82];
        std::memset(shown, ' ', sizeof shown);
        shown[0] = '<';
        if (len > 1) std::memcpy(shown + 1, text + 1, static_cast<size_t>(len - 1));
        shown[len] = '>';
        i32 level = 0;
        gtlstn(1, level);
        if (level > 1) {
            FMTBLK(LSTST.proc, number);
            lnout(unit, {lnBLK(), lnB(6), lnT(menu, 19), lnX(), lnT(shown, len + 1)});
        } else {
            FMTPRC(number);
            lnout(unit, {lnNUM(), lnT(menu, 19), lnT(shown, len + 1)});
        }
    } else {
        if (len < 79) std::memset(text + len, ' ', static_cast<size_t>(79 - len));
        lnout(unit, {lnS("| "), lnT(label, 4), lnS(" "), lnT(text + 1, 67), lnS(" |")});
    }
}

void PRTPRM(const i32& unit, const i32& size, const i32& type, const i32& code, const i32& deftype,
            const i32& valtype, const i32& ivalue, const f32& rvalue, i32& status)
{
    lnout(unit, {lnB(12), lnS("BLOCK SIZE = "), lnI(size)});
    lnout(unit, {lnB(12), lnS("PARAM TYPE = "), lnI(code)});
    lnout(unit, {lnB(12), lnS("DEF. TYPE  = "), lnI(deftype)});
    lnout(unit, {lnB(12), lnS("VAL. TYPE  = "), lnI(valtype)});
    if (valtype == 0)
        lnout(unit, {lnB(12), lnS("PARAMETER  = "), lnI(ivalue)});
    else
        lnout(unit, {lnB(12), lnS("PARAMETER  = "), lnR(rvalue)});
    status = 0;
}
