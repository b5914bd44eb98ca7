#include "stock/netgrid.h"

#include "core/host.h"
#include "surfaces/allsrf.h"
#include "surfaces/trimodel.h"

StkGrid stk_grid = {0, 0, 0, 0, 0, 0, 0, -1, 0};

namespace {
i32 net_handle = -1;  // the work array that stands for the profile tables

// Released with the triangle model at the end of every execution.
void net_release(i32& status)
{
    status = 0;
    stk_net_rels();
}
}  // namespace

void stk_grid_open(f32 x0, f32 y0, f32 cell, i32 nx, i32 ny, i32& status)
{
    stk_grid_close();
    status = -1;
    if (nx < 1 || ny < 1 || !(cell > 0.0f)) return;
    void* b = nullptr;
    MM_OPEN_ARRAY(4, nx * ny, stk_grid.hdl, b, status);
    if (status != 0) {
        stk_grid.hdl = -1;
        return;
    }
    stk_grid.chk = hdlchk(stk_grid.hdl);
    stk_grid.x0 = x0, stk_grid.y0 = y0, stk_grid.cell = cell;
    stk_grid.nx = nx, stk_grid.ny = ny;
    stk_grid.x1 = x0 + cell * static_cast<f32>(nx - 1);
    stk_grid.y1 = y0 + cell * static_cast<f32>(ny - 1);
    f32* h = static_cast<f32*>(b);
    for (i32 k = 0; k < nx * ny; ++k) h[k] = 1.0e10f;
}

void stk_grid_close()
{
    if (stk_grid.hdl >= 0) {
        i32 st = 0;
        MM_CLOSE(stk_grid.hdl, st);
    }
    stk_grid = StkGrid{0, 0, 0, 0, 0, 0, 0, -1, 0};
}

f32* stk_grid_heights()
{
    if (stk_grid.hdl < 0 || stk_grid.chk != hdlchk(stk_grid.hdl)) return nullptr;
    void* b = nullptr;
    mmcptr(stk_grid.hdl, b);
    return static_cast<f32*>(b);
}

void stk_net_hdl(i32 mode, i32& handle)
{
    if (mode == 1)
        handle = net_handle;
    else
        net_handle = handle;
}

void stk_net_open(i32 count, i32 words, i32& handle, void*& base, i32& status)
{
    status = 0;
    if (handle >= 0) {
        mmcptr(handle, base);
        return;
    }
    MM_OPEN_ARRAY(words * 4, count, handle, base, status);
    if (status != 0) {
        handle = -1;
        return;
    }
    net_handle = handle;
    allhook(net_release);
}

void stk_net_prof(const f32& tolerance, const f32& diameter, const f32& corner, const f32& cut, const f32& taper,
                  i32 index, const f32& allowance, i32 count, i32 words, i32& handle, void*& base, i32& status)
{
    stk_net_open(count, words, handle, base, status);
}

void stk_net_rels()
{
    if (net_handle >= 0) {
        i32 st = 0;
        MM_CLOSE(net_handle, st);
    }
    net_handle = -1;
}
