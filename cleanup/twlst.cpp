#include "cleanup/twlst.h"

TwlSt TWLST = {};
f64 pk_last_pos[3] = {0.0, 0.0, 0.0};
f64 TWLRAD = 0.0;
i32 TWLMMD = 0, TWLONE = 0;
f64 TWLSTK = 0.0, TWLLKV = 0.0;

void TWLRST()
{
    TWLST.startflag = 0;
    TWLST.endflag = 0;
    TWLST.wanted = 0;
    TWLST.phase = 0;
}
