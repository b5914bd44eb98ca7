#include "passes/pasdat.h"

PasTab PASTAB;
i32 NBKUP = 0, PASFST = 1;
f32 LSTBEG = 0;
i32 CLSFLG = 0, DIRVLD = 0;
f32 DIRTAB[4][DIRMAX][3];
i32 SRFEVL = 1, PNDAPP = 0, CUTSGN = 1;
PasStr PASSTR;

void SETFST() { PNDAPP = 1; }

void RSTPAS()
{
    PASSTR.PSNSRF = 0;
    PASSTR.PSNSTR = 0;
    PASSTR.PSNPNT = 0;
    PASSTR.PSNCIR = 0;
}
