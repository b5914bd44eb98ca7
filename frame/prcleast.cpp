#include "frame/prcleast.h"

#include <cstring>
#include <string>

#include "core/host.h"
#include "core/records.h"
#include "tools/tooldlg.h"
#include "tools/toolcache.h"

void TOLMNU(i32&, const i32*, const i32&, i32& status)
{
    status = 0;
    while (true) {
        char name[24] = {0};
        GTTNMC(PRM9[PRM9_TOOL], name);
        std::string text = std::string("TOOL=") + name + "@SELECT NEW TOOL      >@RETURN";
        i32 c = 0;
        modinz();
        modmc(text.c_str(), c);
        if (c < 0 || c == 3) return;
        if (c == 2) {
            char chosen[24] = {0};
            i32 st = 0;
            CHSTLC(1, chosen, st);
            if (st >= 0 && CURTOL > 0) PRM9[PRM9_TOOL] = CURTOL;
        }
    }
}

void SRVMNU(const i32&, const i32&, i32&, const i32&, const i32*, const i32&, i32& status)
{
    i32 c = 0;
    modinz();
    modmc("SERVICE:RETURN", c);
    status = 0;
}
