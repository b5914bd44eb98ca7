// Sessions and helpers of the geometry-definition tests: flat strips that
// form chains, trimmed patches, reply scripts, the display recorder.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/params.h"
#include "passes/geodef.h"
#include "passes/srfgeo.h"
#include "platform/norak/norak.h"

namespace gdt {

// A plane patch: origin + u u_axis + v v_axis, u in [0, w], v in [0, h].
inline std::string patch(int id, double x, double y, double z, double w, double h, const char* uaxis = "[1,0,0]",
                         const char* vaxis = "[0,1,0]", const std::string& extra = "")
{
    std::ostringstream s;
    s << "{\"kind\":\"plane_patch\",\"id\":" << id << ",\"origin\":[" << x << "," << y << "," << z << "],\"u_axis\":" << uaxis
      << ",\"v_axis\":" << vaxis << ",\"u\":[0," << w << "],\"v\":[0," << h << "]" << extra << "}";
    return s.str();
}

// Strip i of a row along x: x in [10 i, 10 i + 10], y in [0, 50].
inline std::string strip(int id, int i) { return patch(id, 10.0 * i, 0, 0, 10, 50); }

// A trimmed plane patch over [0, w] x [0, h] with one polygon loop in (u, v).
inline std::string trimmed(int id, double x, double y, double w, double h, const std::string& loop)
{
    return patch(id, x, y, 0, w, h, "[1,0,0]", "[0,1,0]", ",\"loops\":[{\"points\":" + loop + "}]");
}

inline std::string session(const std::vector<std::string>& ents, const std::string& replies,
                           const std::string& settings = "{}")
{
    std::string s = "{\"settings\":" + settings + ",\"entities\":[";
    for (size_t k = 0; k < ents.size(); ++k) s += (k ? "," : "") + ents[k];
    return s + "],\"replies\":" + replies + "}";
}

// A fresh host with the session, and a fresh geometry of machining type 2.
inline void start(const std::vector<std::string>& ents, const std::string& replies = "[]")
{
    norak::reset();
    norak::load_session_text(session(ents, replies));
    MACTYP = 2;
    PRCCLR();
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    SRFGEO.NSRF = 0;
    FIGCLR();
    INIGEO();
    pws(PRTTOL, 0.01f);
}

inline std::string pk(int id, double u, double v)
{
    std::ostringstream s;
    s << "{\"pick\":" << id << ",\"u\":" << u << ",\"v\":" << v << "}";
    return s.str();
}

inline f32 w(const i32* rec, int k) { return wrd2r(rec[k]); }

// Figures not deleted, of kind "arrows".
inline int live_arrow_figures()
{
    int n = 0;
    for (const auto& f : norak::figures())
        if (f.kind == "arrows" && !f.deleted) ++n;
    return n;
}

// Limit record of surface i as text: code, then the four ranges.
inline std::string lim(int i)
{
    const i32* r = SRFGEO.LIMREC[i];
    std::ostringstream s;
    s << r[0] << " " << w(r, 1) << " " << w(r, 2) << " " << w(r, 3) << " " << w(r, 4);
    return s.str();
}

inline std::string transcript_text()
{
    std::string t;
    for (const auto& l : norak::transcript()) t += l + "\n";
    return t;
}

}  // namespace gdt
