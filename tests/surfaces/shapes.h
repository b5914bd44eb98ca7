// Session-file descriptions of exact test surfaces.
#pragma once

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace shapes {

struct Pt {
    double x, y, z, w;
};

inline std::string pts_json(const std::vector<Pt>& p)
{
    std::ostringstream s;
    s.precision(17);
    s << "[";
    for (size_t k = 0; k < p.size(); ++k) s << (k ? "," : "") << "[" << p[k].x << "," << p[k].y << "," << p[k].z << "," << p[k].w << "]";
    s << "]";
    return s.str();
}

// The unit circle as 9 rational control points (x, y, weight).
inline std::vector<Pt> circle9()
{
    const double h = std::sqrt(0.5);
    return {{1, 0, 0, 1}, {1, 1, 0, h}, {0, 1, 0, 1}, {-1, 1, 0, h}, {-1, 0, 0, 1},
            {-1, -1, 0, h}, {0, -1, 0, 1}, {1, -1, 0, h}, {1, 0, 0, 1}};
}
inline const char* circle_knots() { return "[0,0,0,0.25,0.25,0.5,0.5,0.75,0.75,1,1,1]"; }

// Cylinder about z through (cx, cy), radius r, from z0 to z1; normals outward.
inline std::string nurbs_cylinder(int id, double r, double z0, double z1, double cx = 0, double cy = 0, const std::string& extra = "")
{
    std::vector<Pt> p;
    for (double z : {z0, z1})
        for (auto c : circle9()) p.push_back({cx + r * c.x, cy + r * c.y, z, c.w});
    std::ostringstream s;
    s << "{\"kind\":\"nurbs_surface\",\"id\":" << id << ",\"degree\":[2,1],\"counts\":[9,2],\"u_knots\":" << circle_knots()
      << ",\"v_knots\":[0,0,1,1],\"points\":" << pts_json(p) << extra << "}";
    return s.str();
}

// Whole sphere of radius r about c; u around z, v from the south pole to the north pole.
inline std::string nurbs_sphere(int id, double r, double cx = 0, double cy = 0, double cz = 0, const std::string& extra = "")
{
    const double h = std::sqrt(0.5);
    const Pt prof[5] = {{0, 0, -1, 1}, {1, 0, -1, h}, {1, 0, 0, 1}, {1, 0, 1, h}, {0, 0, 1, 1}};
    std::vector<Pt> p;
    for (const auto& q : prof)
        for (auto c : circle9()) p.push_back({cx + r * q.x * c.x, cy + r * q.x * c.y, cz + r * q.z, c.w * q.w});
    std::ostringstream s;
    s << "{\"kind\":\"nurbs_surface\",\"id\":" << id << ",\"degree\":[2,2],\"counts\":[9,5],\"u_knots\":" << circle_knots()
      << ",\"v_knots\":[0,0,0,0.5,0.5,1,1,1],\"points\":" << pts_json(p) << extra << "}";
    return s.str();
}

// Bicubic free form over [0, 100] x [0, 100], a smooth bump field.
inline std::string freeform(int id, double amp = 20.0)
{
    std::vector<Pt> p;
    for (int j = 0; j < 6; ++j)
        for (int i = 0; i < 6; ++i) {
            double z = amp * std::sin(0.9 * i) * std::cos(0.7 * j) + 0.3 * amp * ((i + j) % 3);
            p.push_back({20.0 * i, 20.0 * j, z, 1.0});
        }
    std::ostringstream s;
    s << "{\"kind\":\"nurbs_surface\",\"id\":" << id
      << ",\"degree\":[3,3],\"counts\":[6,6],\"u_knots\":[0,0,0,0,0.33,0.67,1,1,1,1],\"v_knots\":[0,0,0,0,0.4,0.6,1,1,1,1]"
      << ",\"points\":" << pts_json(p) << "}";
    return s.str();
}

inline std::string plane(int id, double x0, double y0, double z, double w, double h, const std::string& extra = "")
{
    std::ostringstream s;
    s << "{\"kind\":\"plane_patch\",\"id\":" << id << ",\"origin\":[" << x0 << "," << y0 << "," << z << "],\"u_axis\":[1,0,0],\"v_axis\":[0,1,0],\"u\":[0,"
      << w << "],\"v\":[0," << h << "]" << extra << "}";
    return s.str();
}

inline std::string session(const std::vector<std::string>& entities, const std::string& replies = "[]")
{
    std::string s = "{\"entities\":[";
    for (size_t k = 0; k < entities.size(); ++k) s += (k ? "," : "") + entities[k];
    return s + "],\"replies\":" + replies + "}";
}

}  // namespace shapes
