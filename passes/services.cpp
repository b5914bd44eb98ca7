#include "passes/services.h"

#include <cstring>

i32 SPIMOD = 2;

namespace {
i32 LINKV = 0;

// Up/down motion state: option words and the buffered points.
struct UpDown {
    i32 opt[5];
    i32 buffered;
};
UpDown UDST = {{1, 0, 1, 1, 1}, 0};
}  // namespace

void LNKVAL(const i32& mode, i32& value)
{
    if (mode == 1)
        value = LINKV;
    else if (mode == 2)
        LINKV = value;
}

void UDINIT(const i32& w429, const i32* item431, const i32& w455, const i32& w456, const i32& w457)
{
    (void)w429;
    (void)item431;
    (void)w455;
    (void)w456;
    (void)w457;
    const i32 start[5] = {1, 0, 1, 1, 1};
    std::memcpy(UDST.opt, start, sizeof start);
    UDST.buffered = 0;
}

void UDRELS(i32& status)
{
    UDST.buffered = 0;
    status = 0;
}

void UDRSTN() { UDST.buffered = 0; }
