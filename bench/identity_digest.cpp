// identity_digest: one hash per family of cutter results, so that two builds
// of the module can be compared bit for bit (bench/identity_cutter.sh runs
// it against each build's library). Drops at single points over three
// models (a hemisphere on a plate of 10^4 and 10^5 triangles, the second
// with the hemisphere as a check surface, and a height field of 10^5), for
// every tool kind, three pairs of allowances and drop modes 0 and 1; and
// strings along a raster over the hemisphere at tolerances 0.01 and 0.001,
// whose span checks decide where points are inserted.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "../tests/common/meshes.h"
#include "../tests/common/positioning.h"
#include "../tests/common/tooldefs.h"
#include "cutter/linnetn.h"
#include "cutter/loccom.h"
#include "platform/norak/norak.h"
#include "stock/netgrid.h"

namespace {

struct Hash {
    std::uint64_t h = 1469598103934665603ull;
    void add(const void* p, size_t n)
    {
        const auto* b = static_cast<const unsigned char*>(p);
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
    }
    template <class T>
    void add(const T& v)
    {
        add(&v, sizeof v);
    }
};

void fresh()
{
    positioning::reset();
    stk_net_rels();  // the host's arrays went with the reset
}

void load(const std::vector<meshes::Mesh>& ms)
{
    fresh();
    if (meshes::build(ms) != 0) std::fprintf(stderr, "model not built\n");
    STPFLG(0x3F);
}

// Drops over a 40 x 40 grid of [x0, x1] x [y0, y1].
std::uint64_t drops(f32 x0, f32 y0, f32 x1, f32 y1)
{
    static const f32 allow[3][2] = {{0.0f, 0.0f}, {0.5f, 0.2f}, {-0.3f, 0.4f}};
    Hash h;
    for (const auto& kd : positioning::KINDS) {
        tooldefs::use_mill(kd.d, kd.r, kd.l, kd.taper);
        for (const auto& a : allow)
            for (i32 mode = 0; mode < 2; ++mode)
                for (i32 j = 0; j < 40; ++j)
                    for (i32 i = 0; i < 40; ++i) {
                        f32 p[3] = {x0 + (x1 - x0) * static_cast<f32>(i) / 39.0f,
                                    y0 + (y1 - y0) * static_cast<f32>(j) / 39.0f, 0.0f};
                        f32 res[3] = {0, 0, 0}, con[3] = {0, 0, 0}, nrm[4] = {0, 0, 0, 0};
                        i32 srf = 0, st = 0;
                        PNTLC1(mode, p, 0.01f, a[0], a[1], res, con, nrm, srf, st);
                        h.add(res), h.add(con), h.add(nrm), h.add(srf), h.add(st);
                    }
    }
    return h.h;
}

// Strings along 20 lines across the model, for the ball, flat and corner tools.
std::uint64_t strings(f32 tol)
{
    Hash h;
    NETFLG(0);
    std::vector<f32> xyz(30000), nrm(30000);
    std::vector<i32> flg(10001), len(51);
    for (i32 k = 0; k < 3; ++k) {
        const auto& kd = positioning::KINDS[k];
        tooldefs::use_mill(kd.d, kd.r, kd.l, kd.taper);
        for (i32 line = 0; line < 20; ++line) {
            const f32 y = static_cast<f32>(-44.0 + 88.0 * line / 19.0);
            f32 a[3] = {-44.0f, y, 0.0f}, b[3] = {44.0f, y, 0.0f};
            i32 nst = 0, tot = 0, st = 0;
            const i32 restart = 1, line3d = 0, cap = 30000, mode = 5, maxs = 50;
            LINNETN(restart, line3d, a, b, tol, 0.2f, 0.0f, cap, mode, xyz.data(), nrm.data(), nullptr, flg.data(),
                    nst, maxs, len.data(), tot, st);
            h.add(nst), h.add(tot), h.add(st);
            h.add(len.data(), sizeof(i32) * static_cast<size_t>(std::max(0, std::min(nst, 50))));
            const size_t n = static_cast<size_t>(std::max(0, std::min(tot, 10000)));
            h.add(xyz.data(), 3 * sizeof(f32) * n), h.add(nrm.data(), 3 * sizeof(f32) * n);
            h.add(flg.data(), sizeof(i32) * n);
        }
    }
    return h.h;
}

}  // namespace

int main()
{
    load(meshes::hemisphere_on_plate(30.0, 50.0, 10000));
    std::printf("drops hemisphere 10^4        %016llx\n", static_cast<unsigned long long>(drops(-44, -44, 44, 44)));
    std::printf("strings hemisphere 10^4 0.01  %016llx\n", static_cast<unsigned long long>(strings(0.01f)));
    std::printf("strings hemisphere 10^4 0.001 %016llx\n", static_cast<unsigned long long>(strings(0.001f)));
    auto ms = meshes::hemisphere_on_plate(30.0, 50.0, 100000);
    ms[1].cls = 2;
    load(ms);
    std::printf("drops hemisphere 10^5 check  %016llx\n", static_cast<unsigned long long>(drops(-44, -44, 44, 44)));
    auto field = meshes::terrain(200.0, static_cast<i32>(std::sqrt(100000 / 2.0)));
    field.id = 1;
    load({field});
    std::printf("drops field 10^5             %016llx\n", static_cast<unsigned long long>(drops(0, 0, 200, 200)));
    fresh();
    return 0;
}
