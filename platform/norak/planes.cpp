// The model-to-world map of the stand-in host and the plane through two
// lines of the part's geometry.
#include <cmath>
#include <cstring>

#include "core/host.h"
#include "platform/norak/geometry.h"
#include "platform/norak/state.h"

namespace norak {

namespace {

// How far the second line may stand off the plane of the first and the
// direction of the second (model units).
constexpr f64 PLANE_LINE_TOL = 1.0e-4;

// World = R model + t; R a rotation (rows), identity until a test sets one.
struct ModelMap {
    f64 r[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    f64 t[3] = {0, 0, 0};
};

ModelMap& M() { return ext_state<ModelMap>("model_to_world"); }

// The two ends of a line entity (class 2, type 1: six doubles); false for
// any other entity.
bool line_ends(const i32 id, f64* from, f64* to)
{
    auto it = H().entities.find(id);
    if (it == H().entities.end()) return false;
    const Entity& e = it->second;
    if (e.cls != CRV_CLASS || e.type != CRV_LINE || e.words.size() < 12) return false;
    f64 d[6];
    std::memcpy(d, e.words.data(), sizeof d);
    for (int k = 0; k < 3; ++k) from[k] = d[k], to[k] = d[3 + k];
    return true;
}

void cross(const f64* a, const f64* b, f64* c)
{
    c[0] = a[1] * b[2] - a[2] * b[1];
    c[1] = a[2] * b[0] - a[0] * b[2];
    c[2] = a[0] * b[1] - a[1] * b[0];
}

f64 dot(const f64* a, const f64* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

void set_model_to_world(const f64* rotation, const f64* translation)
{
    for (int k = 0; k < 9; ++k) M().r[k] = rotation[k];
    for (int k = 0; k < 3; ++k) M().t[k] = translation[k];
}

}  // namespace norak

using namespace norak;

void madm2w(const f64* model, f64* world)
{
    const ModelMap& m = M();
    f64 w[3];
    for (int i = 0; i < 3; ++i) w[i] = m.r[3 * i] * model[0] + m.r[3 * i + 1] * model[1] + m.r[3 * i + 2] * model[2] + m.t[i];
    for (int i = 0; i < 3; ++i) world[i] = w[i];
}

void madw2m(const f64* world, f64* model)
{
    const ModelMap& m = M();
    const f64 d[3] = {world[0] - m.t[0], world[1] - m.t[1], world[2] - m.t[2]};
    for (int i = 0; i < 3; ++i) model[i] = m.r[i] * d[0] + m.r[3 + i] * d[1] + m.r[6 + i] * d[2];
}

void mapm2w(const f32* model, f32* world)
{
    f64 a[3] = {model[0], model[1], model[2]}, b[3];
    madm2w(a, b);
    for (int k = 0; k < 3; ++k) world[k] = static_cast<f32>(b[k]);
}

void plan2l(const i32& line1, const i32& line2, f32* plane, i32& status)
{
    status = -1;
    f64 a0[3], a1[3], b0[3], b1[3];
    if (!line_ends(line1, a0, a1) || !line_ends(line2, b0, b1)) return;
    const f64 u[3] = {a1[0] - a0[0], a1[1] - a0[1], a1[2] - a0[2]};
    const f64 v[3] = {b1[0] - b0[0], b1[1] - b0[1], b1[2] - b0[2]};
    const f64 w[3] = {b0[0] - a0[0], b0[1] - a0[1], b0[2] - a0[2]};
    const f64 lu = std::sqrt(dot(u, u)), lv = std::sqrt(dot(v, v));
    if (!(lu > 0.0) || !(lv > 0.0)) return;
    f64 n[3];
    cross(u, v, n);
    if (std::sqrt(dot(n, n)) <= 1e-9 * lu * lv) cross(u, w, n);  // parallel: through the second's start
    const f64 ln = std::sqrt(dot(n, n));
    if (!(ln > 1e-9 * lu * (lu + std::sqrt(dot(w, w))))) return;  // both on one line
    for (f64& x : n) x /= ln;
    if (std::fabs(dot(n, w)) > PLANE_LINE_TOL || std::fabs(dot(n, v)) > PLANE_LINE_TOL) return;  // skew
    const bool flip = n[2] < 0.0 || (n[2] == 0.0 && (n[1] < 0.0 || (n[1] == 0.0 && n[0] < 0.0)));
    if (flip)
        for (f64& x : n) x = -x;
    for (int k = 0; k < 3; ++k) plane[k] = static_cast<f32>(n[k]);
    plane[3] = static_cast<f32>(-dot(n, a0));
    status = 0;
}
