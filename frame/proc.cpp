#include "frame/proc.h"

i32 MACTYP = 0;
i32 PRCMOD = 0;

void CHKINT() {}

f32 PRCTOL = 0.01f, PRCSTK = 0.0f, PRCCHK = 0.0f;
