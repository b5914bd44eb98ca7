#include "blocks/stfield.h"

#include <cstring>

#include "blocks/dspblk.h"
#include "blocks/modal.h"
#include "core/host.h"
#include "core/names.h"
#include "core/records.h"
#include "core/util.h"
#include "tools/toolcache.h"

namespace {
// The field texts, 12 characters each, used as stored. Each display keeps
// the labels it shows beside its own values; the labels "CUR Z=" and "MCS="
// belong to fields that no display of the module fills, so no text is kept
// for them.
constexpr const char* MACHINES[] = {"PUNCH       ", "PUNCH+INDX  ", "LATHE       ", "MILL2.5X    ", "MILL 3X     ",
                                    "MILL+POS    ", "MILL 4X  (X)", "MILL 4X  (Y)", "MILL 4X  (Z)", "MILL 5X     ",
                                    "AGIE        ", "CHARMILLES  ", "MAKINO      "};
// Coolant codes 1 to 5.
constexpr const char* COOLANT[] = {" COOLNT OFF ", " F L O O D  ", " M I S T    ", " THROUGH    ", "  A I R     "};
constexpr const char* BLANK = "            ";

i32 machine() { return NPT1[NPT1_MACHINE]; }

void show(const i32& context, i32 field, const char* text)
{
    char f[13];
    std::memset(f, ' ', 12);
    f[12] = '\0';
    std::memcpy(f, text, strnlen(text, 12));
    bmshow(context, 1, field, f, 0, 12);
}

// A label and a value text of at most 7 characters.
void labelled(const i32& context, i32 field, const char* label, const char* value, i32 length)
{
    char f[13];
    std::memset(f, ' ', 12);
    f[12] = '\0';
    const size_t l = strnlen(label, 5);
    std::memcpy(f, label, l);
    std::memcpy(f + l, value, static_cast<size_t>(length < 7 ? length : 7));
    show(context, field, f);
}

}  // namespace

void hand_status_state(const i32& context)
{
    gsdisp(DSP8);
    gsdism(DSM4);
    gsmach(PRM9);
    gstlpr(TLCBLK.hdr);
    MUTLNM(context);
}

const char* MCHNAM(const i32& machine, const i32& axis)
{
    switch (machine) {
    case MACH_PUNCH: return MACHINES[0];
    case MACH_PUNCHX: return MACHINES[1];
    case MACH_LATHE: return MACHINES[2];
    case MACH_MILL25: return MACHINES[3];
    case MACH_MILL3: return MACHINES[4];
    case MACH_MILLPOS: return MACHINES[5];
    case MACH_MILL4: return axis == 1 ? MACHINES[6] : axis == 2 ? MACHINES[7] : MACHINES[8];
    case MACH_MILL5: return MACHINES[9];
    case MACH_AGIE: return MACHINES[10];
    case MACH_CHARMILLE: return MACHINES[11];
    case MACH_MAKINO: return MACHINES[12];
    default: return BLANK;
    }
}

const char* COOLTX(const i32& code)
{
    // Codes outside the table show a blank and never read past it.
    return code >= 1 && code <= 5 ? COOLANT[code - 1] : " ";
}

void MUTLNM(const i32& context)
{
    (void)context;
    char name[21];
    std::memset(name, ' ', 20);
    name[20] = '\0';
    if (CURTOL > 0) GTTNAM(CURTOL, name, 20);
    gstlgn2(name);
}

void MUTPRC(const i32& context)
{
    hand_status_state(context);
    char name[9];
    movi2t(NPT1, 8, name);
    name[8] = '\0';
    char f[13];
    std::memset(f, ' ', 12);
    f[12] = '\0';
    std::memcpy(f, "TP=", 3);
    for (int k = 0; k < 8; ++k) f[3 + k] = name[k] == '\0' ? ' ' : name[k];
    show(context, FLD_PATH, f);
    show(context, FLD_MACHINE, MCHNAM(machine(), RAXN[0]));
}

void MUTPSW(const i32& window)
{
    // The records go to the host in the order NPT1, DSP8, DSM4, PRM9 and the
    // current tool's header (not the machine values: they are no tool's
    // words); the machine name fields hand the last four themselves.
    gsncpt(NPT1);
    MUTPRC(window);
    win_start_paint_on_main_wnd();
    f32 pos[3], axis[3], origin[3];
    std::memcpy(pos, DSP8 + DSP8_POS, sizeof pos);
    std::memcpy(axis, DSP8 + DSP8_AXIS, sizeof axis);
    std::memcpy(origin, NPT1 + NPT1_ORIGIN, sizeof origin);
    MUTPOS(window, pos, axis, origin);
    win_end_paint_on_main_wnd();
}

void MUCOOL(const i32& context)
{
    hand_status_state(context);
    const i32 m = machine();
    show(context, FLD_COOL, mach_punch(m) || mach_wire(m) ? " " : COOLTX(DSM4[DSM4_COOL]));
}

void MUSPIN(const i32& context)
{
    hand_status_state(context);
    const i32 m = machine();
    if (mach_wire(m)) {
        show(context, FLD_SPIN, " ");
        return;
    }
    if (mach_punch(m)) {
        show(context, FLD_SPIN, DSM4[DSM4_NIBBLE] == 1 ? "NIBBLING_OFF" : "NIBBLING_ON ");
        return;
    }
    i32 ttype = -1;
    if (CURTOL > 0) GTTTYP(CURTOL, ttype);
    f32 speed = wrd2r(DSM4[DSM4_SPEED]);
    if (m == MACH_LATHE && ttype != 8 && PRM9[PRM9_SPMODE] == 1 && speed != 0.0f) {
        i32 unit = 0, count = 1, st = 0;
        MDGETK("USUN", &unit, count, st);
        if (st == 0 && (unit == 4 || unit == 5)) speed *= 3.28084f;
        char t[48];
        i32 len = 0;
        cvr2td(speed, gtdgts(), t, len, st);
        if (st != 0) {
            eroutc("MUSPIN, ERROR IN CVR2T", 0);
            return;
        }
        labelled(context, FLD_SPIN, "VC=", t, len);
        return;
    }
    // Every other case shows the spindle speed, a lathe whose speed mode is
    // neither 1 nor 2 included: the field then still tells the speed in force
    // rather than a text left from an earlier state.
    char t[16];
    i32 len = 0, st = 0;
    cvi2t(DSM4[DSM4_SPIN], t, len, st);
    labelled(context, FLD_SPIN, "SPIN=", t, len);
}

void MUFEED(const i32& context)
{
    hand_status_state(context);
    const i32 m = machine();
    if (mach_wire(m)) {
        show(context, FLD_FEED, " ");
        return;
    }
    if (mach_punch(m)) {
        show(context, FLD_FEED, DSM4[DSM4_PUNCH] == 1 ? "  PUNCH_OFF " : "  PUNCH_ON  ");
        return;
    }
    f32 feed = wrd2r(DSM4[DSM4_FEED]);
    if (feed == -1.0f) {
        show(context, FLD_FEED, " F A S T    ");
    } else if (feed == -2.0f) {
        show(context, FLD_FEED, "MAX.FEED    ");
    } else if (feed < -2.0f) {
        show(context, FLD_FEED, "RAPID FEED  ");
    } else {
        const f32 unit = gtmesu();
        // A unit factor of 0 would divide by zero: the feed is shown as it is.
        if (unit != 1.0f && unit != 0.0f) feed /= unit;
        char t[48];
        i32 len = 0, st = 0;
        cvr2td(feed, gtdgts(), t, len, st);
        if (st != 0) {
            eroutc("MUFEED, ERROR IN CVR2T", 0);
            return;
        }
        labelled(context, FLD_FEED, "FEED=", t, len);
    }
}

void SMOD01(const i32& context, const f32& feed)
{
    SETMOD(1, 0, feed);
    MUFEED(context);
}

void SMOD02(const i32& context, const i32& spindle)
{
    SETMOD(2, spindle, 0.0f);
    MUSPIN(context);
}

void SMOD03(const i32& context, const i32& coolant)
{
    SETMOD(3, coolant, 0.0f);
    MUCOOL(context);
}

void SMOD10(const i32& context, const f32& speed)
{
    SETMOD(10, 0, speed);
    MUSPIN(context);
}

void SMD210(const i32& context, const i32& spindle, const f32& speed)
{
    SETMOD(2, spindle, 0.0f);
    SETMOD(10, 0, speed);
    MUSPIN(context);
}

void SMOD52(const i32& context, const i32& value)
{
    SETMOD(52, value, 0.0f);
    MUSPIN(context);
}

void SMOD53(const i32& context, const i32& value)
{
    SETMOD(53, value, 0.0f);
    MUFEED(context);
}

void SMD100(const i32& context, const i32& tool)
{
    (void)context;
    SETMOD(100, tool, 0.0f);
    // The tool's own field of the status line, with the tool's name: the
    // position the tool stands at is the block display's and not changed by
    // a new tool number.
    MUTOOL(2);
}
