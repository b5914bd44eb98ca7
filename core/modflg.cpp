#include "core/modflg.h"

#include <cstring>

#include "core/host.h"
#include "core/names.h"
#include "core/records.h"

namespace {
struct ModFlags {
    i32 lanes[5];
    i32 counter;
    i32 flag_a, flag_b;
    i32 pair_i;
    f32 pair_r;
    i32 store_d;
    f32 store_e;
    i32 link_f = 1;
    i32 hold = 1;
    i32 saved_retract;
};
ModFlags MF;

struct MsgBox {
    i32 count = 0;
    i32 width = 80;
    char line[2][81];
};
MsgBox MB;
}  // namespace

i32* MFLBLK() { return MF.lanes; }
void MFLST1(i32 value) { MF.counter = value; }
i32 MFLGT0() { return MF.counter; }
void MFLCNT(i32 value) { MF.counter = value; }
void MFLGT1(i32& result) { result = MF.flag_b; }
void MFLGT3(i32& result) { result = MF.flag_a; }
void MFLST3(i32 value) { MF.flag_a = value; }
void MFLGT2(i32& iresult, f32& rresult)
{
    iresult = MF.pair_i;
    rresult = MF.pair_r;
}
void MFLGS1(i32 mode, i32& value)
{
    if (mode == 1) value = MF.store_d;
    else if (mode == 2) MF.store_d = value;
}
void MFLGS2(i32 mode, f32& value)
{
    if (mode == 1) value = MF.store_e;
    else if (mode == 2) MF.store_e = value;
}
void MFLGS3(const i32& mode, i32& value)
{
    if (mode == 1) value = MF.link_f;
    else MF.link_f = value;
}

void HFLINI()
{
    MF.hold = 1;
    MF.saved_retract = HEI8[HEI8_RETRACT];
    MF.link_f = 1;
}

void HFLSET(const i32& state)
{
    if (state == MF.hold) return;
    MF.hold = state;
    if (state == 0) {
        MF.saved_retract = HEI8[HEI8_RETRACT];
        HEI8[HEI8_RETRACT] = 1;
    } else {
        HEI8[HEI8_RETRACT] = MF.saved_retract;
    }
}

void HFLGET(i32& result) { result = MF.hold; }

void MFLRST()
{
    HFLINI();
    MF.flag_a = MF.flag_b = 0;
    MF.pair_i = 0;
    MF.pair_r = 0.0f;
    MF.counter = 0;
}

// ------------------------------------------------------------- message box

void MSGBOX(const i32& mode, const i32& severity, const i32& length, const char* text)
{
    if (mode == 0) {
        MB.width = maxcol();
        if (MB.width > 80) MB.width = 80;
        // A host that answers no usable width still gets one column: the
        // join cuts its line to the width, and a width of 0 or less would
        // hand back a line of no or negative length to keep as line 1 or 2.
        if (MB.width < 1) MB.width = 1;
        MB.count = 0;
        for (auto& l : MB.line) {
            std::memset(l, ' ', 80);
            l[80] = '\0';
        }
    } else if (mode == 1) {
        if (length <= 0) return;
        ++MB.count;
        const char* prefix = severity == 1   ? "ERROR    : "
                             : severity == 2 ? "WARNING  : "
                             : severity == 3 ? "ATTENTION: "
                                             : "           ";
        char joined[81];
        i32 n = 0;
        i32 len = length < 80 ? length : 80;
        maktx4(prefix, 11, text, len, MB.width, joined, n);
        if (MB.count == 1) shmsgc(" ");
        sheerx(joined, n);
        if (MB.count <= 2) {
            char* l = MB.line[MB.count - 1];
            std::memset(l, ' ', 80);
            std::memcpy(l, joined, static_cast<size_t>(n));
        } else if (MB.count == 3) {
            // The marker of further messages at the right end of line 2.
            char more[16];
            i32 m = 0;
            maktx4("MORE", 4, " ...", 4, 16, more, m);
            i32 at = MB.width - m;
            if (at < 0) at = 0;
            std::memcpy(MB.line[1] + at, more, static_cast<size_t>(m));
        }
    } else if (mode == 2) {
        if (MB.count == 1) {
            usrmes(MB.line[0], 80);
        } else if (MB.count >= 2) {
            usrme5(MB.line[0], 80, "|", MB.line[1], 80);
        }
    }
}

void MSGBXT(const i32& mode, const i32& severity, const char* text)
{
    char field[81];
    i32 n = text ? static_cast<i32>(strnlen(text, 80)) : 0;
    std::memset(field, ' ', 80);
    if (n > 0) std::memcpy(field, text, static_cast<size_t>(n));
    field[80] = '\0';
    MSGBOX(mode, severity, n, field);
}
