#include "core/mchsav.h"

#include <cstring>

#include "core/records.h"

namespace {
i32 prmsav[PRM9_N];
}

void MCHSWP(const i32& mode, i32& status)
{
    status = 0;
    if (mode == 1)
        std::memcpy(PRM9, prmsav, sizeof prmsav);
    else
        std::memcpy(prmsav, PRM9, sizeof prmsav);
}
