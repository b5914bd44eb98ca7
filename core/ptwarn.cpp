#include "core/ptwarn.h"

#include <cstdio>

#include "core/host.h"
#include "core/records.h"

f32 WRNORG[3] = {0.0f, 0.0f, 0.0f};

void PNTTXT(const i32& n, const f32* point, char* out, i32& length)
{
    f32 rel[3];
    for (i32 k = 0; k < 3; ++k)
        rel[k] = point[k] - (lopnls() != 0 ? wrd2r(NPT1[NPT1_ORIGIN + k]) : WRNORG[k]);
    if (n == 1)
        maktx1(out, 160, length, "U", "X = ", rel[0]);
    else if (n == 2)
        maktx2(out, 160, length, "U", "X = ", rel[0], "Y = ", rel[1]);
    else if (n == 3)
        maktx3(out, 160, length, "U", "X = ", rel[0], "Y = ", rel[1], "Z = ", rel[2]);
}

void WRNPNT(const char* text1, const i32& n, const f32* point, const char* text2)
{
    char l1[161], l2[161] = {0}, l3[161];
    i32 len1 = 0, len2 = 0, len3 = 0;
    char t1[160], t3[160];
    std::snprintf(t1, sizeof t1, "%.159s", text1 ? text1 : "");
    std::snprintf(t3, sizeof t3, "%.159s", text2 ? text2 : "");
    mktxtc(t1, l1, 160, len1);
    mktxtc(t3, l3, 160, len3);
    PNTTXT(n, point, l2, len2);
    trfoff();
    usrer5(l1, len1, l2, len2, l3, len3);
    trfon();
}
