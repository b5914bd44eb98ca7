#include "surfaces/svap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>

#include "core/host.h"
#include "surfaces/srflist.h"

i32 srf_stamp(const f64* buf)
{
    std::uint32_t h = 2166136261u;
    i32 n = static_cast<i32>(buf[SB_LEN]);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(buf);
    for (size_t k = 0; k < static_cast<size_t>(n) * 8; ++k) {
        h ^= p[k];
        h *= 16777619u;
    }
    return static_cast<i32>(h & 0x7fffffffu);
}

namespace {

struct Head {
    i32 w[SVA_HDR];
};

bool read_head(i32 eid, Head& h)
{
    i32 cls = 0, type = 0, len = 0, st = 0;
    eopen(eid, cls, type, len, st);
    if (st != 0) return false;
    bool ok = cls == SVA_CLASS && type == SVA_TYPE && len >= SVA_HDR;
    if (ok) {
        egeti(SVA_HDR, h.w);
        ok = h.w[0] == SVA_TAG && h.w[6] >= 0 && h.w[7] >= 0 &&
             static_cast<std::int64_t>(len) == SVA_HDR + 6LL * h.w[6] + 3LL * h.w[7];
    }
    eclose();
    return ok;
}

std::vector<i32> saved_ids()
{
    i32 n = elstcls(SVA_CLASS, nullptr, 0);
    std::vector<i32> ids(static_cast<size_t>(std::max(n, 0)));
    elstcls(SVA_CLASS, ids.data(), n);
    return ids;
}

}  // namespace

void lin_svap_find(const i32& sid, const i32& amode, const f32& tol, const f32& side, const i32& stamp, i32& eid)
{
    eid = 0;
    for (i32 id : saved_ids()) {
        Head h;
        if (!read_head(id, h)) continue;
        if (h.w[1] == sid && h.w[2] == amode && wrd2r(h.w[3]) == tol && wrd2r(h.w[4]) == side && h.w[5] == stamp) {
            eid = id;
            return;
        }
    }
}

void lin_svap_save(const i32& sid, const i32& amode, const f32& tol, const f32& side, const i32& stamp, const SvapMesh& m,
                   i32& eid, i32& status)
{
    i32 nn = static_cast<i32>(m.xyz.size() / 3), nt = static_cast<i32>(m.tri.size() / 3);
    Head h{};
    h.w[0] = SVA_TAG;
    h.w[1] = sid;
    h.w[2] = amode;
    h.w[3] = r2wrd(tol);
    h.w[4] = r2wrd(side);
    h.w[5] = stamp;
    h.w[6] = nn;
    h.w[7] = nt;
    f32 lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (i32 k = 0; k < nn; ++k)
        for (int a = 0; a < 3; ++a) {
            f32 v = m.xyz[3 * static_cast<size_t>(k) + a];
            if (k == 0 || v < lo[a]) lo[a] = v;
            if (k == 0 || v > hi[a]) hi[a] = v;
        }
    for (int a = 0; a < 3; ++a) {
        h.w[8 + a] = r2wrd(lo[a]);
        h.w[11 + a] = r2wrd(hi[a]);
    }
    estore(SVA_CLASS, SVA_TYPE, eid, status);
    if (status != 0) {
        eid = 0;
        erou1c("lin_svap_save, APPROXIMATION NOT SAVED FOR SURFACE ", sid);
        if (status > 0) status = -1;
        return;
    }
    eputi(SVA_HDR, h.w);
    if (nn > 0) {
        eputr(3 * nn, m.xyz.data());
        eputr(3 * nn, m.nrm.data());
    }
    if (nt > 0) eputi(3 * nt, m.tri.data());
    eclose();
}

void lin_svap_load(const i32& eid, SvapMesh& m, i32& status)
{
    Head h;
    status = -1;
    if (!read_head(eid, h)) return;
    i32 cls, type, len, st;
    eopen(eid, cls, type, len, st);
    eskipi(SVA_HDR);
    i32 nn = h.w[6], nt = h.w[7];
    m.xyz.resize(3 * static_cast<size_t>(nn));
    m.nrm.resize(3 * static_cast<size_t>(nn));
    m.tri.resize(3 * static_cast<size_t>(nt));
    if (nn > 0) {
        egetr(3 * nn, m.xyz.data());
        egetr(3 * nn, m.nrm.data());
    }
    if (nt > 0) egeti(3 * nt, m.tri.data());
    eclose();
    for (i32 v : m.tri)
        if (v < 1 || v > nn) {
            erou1c("lin_svap_load, DAMAGED SAVED APPROXIMATION ", eid);
            return;
        }
    status = 0;
}

void lin_svap_most_used_values(const i32& newflag, i32& amode, f32& tol, f32& side, i32& status)
{
    status = 1;
    if (newflag != 1) return;
    i32 n = 0, st = 0;
    nc_surf_list_count(1, 0, n, st);
    if (st != 0 || n <= 0) return;
    std::vector<i32> ids(static_cast<size_t>(n));
    nc_surf_ids(ids.data(), n, st);
    if (st != 0) return;
    std::map<std::tuple<i32, i32, i32>, i32> uses;
    for (i32 eid : saved_ids()) {
        Head h;
        if (!read_head(eid, h) || std::find(ids.begin(), ids.end(), h.w[1]) == ids.end()) continue;
        ++uses[{h.w[2], h.w[3], h.w[4]}];
    }
    i32 best = 0;
    for (auto& [k, c] : uses)
        if (c > best) {
            best = c;
            amode = std::get<0>(k);
            tol = wrd2r(std::get<1>(k));
            side = wrd2r(std::get<2>(k));
            status = 0;
        }
}

void dbdsl1(const i32& eid, f32* box, i32& status)
{
    Head h;
    status = -1;
    if (!read_head(eid, h)) return;
    for (int k = 0; k < 6; ++k) box[k] = wrd2r(h.w[8 + k]);
    status = 0;
}

// ------------------------------------------------------------------ STL

void STLWRT(const i32& n, const i32* eids, const char* path, i32& status)
{
    status = -1;
    std::ofstream f(path);
    if (!f) {
        userrc("[STLWRT] CANNOT OPEN THE FILE FOR WRITING", 0);
        return;
    }
    char line[160];
    for (i32 k = 0; k < n; ++k) {
        SvapMesh m;
        lin_svap_load(eids[k], m, status);
        if (status != 0) return;
        Head h;
        read_head(eids[k], h);
        std::snprintf(line, sizeof line, "solid SRF%d\n", h.w[1]);
        f << line;
        for (size_t t = 0; t < m.tri.size(); t += 3) {
            const f32* p[3];
            for (int c = 0; c < 3; ++c) p[c] = &m.xyz[3 * static_cast<size_t>(m.tri[t + c] - 1)];
            f64 e1[3], e2[3], nr[3];
            for (int a = 0; a < 3; ++a) {
                e1[a] = f64(p[1][a]) - p[0][a];
                e2[a] = f64(p[2][a]) - p[0][a];
            }
            nr[0] = e1[1] * e2[2] - e1[2] * e2[1];
            nr[1] = e1[2] * e2[0] - e1[0] * e2[2];
            nr[2] = e1[0] * e2[1] - e1[1] * e2[0];
            f64 l = std::sqrt(nr[0] * nr[0] + nr[1] * nr[1] + nr[2] * nr[2]);
            if (l > 0)
                for (f64& x : nr) x /= l;
            std::snprintf(line, sizeof line, "  facet normal %e %e %e\n    outer loop\n", nr[0], nr[1], nr[2]);
            f << line;
            for (int c = 0; c < 3; ++c) {
                std::snprintf(line, sizeof line, "      vertex %e %e %e\n", p[c][0], p[c][1], p[c][2]);
                f << line;
            }
            f << "    endloop\n  endfacet\n";
        }
        std::snprintf(line, sizeof line, "endsolid SRF%d\n", h.w[1]);
        f << line;
    }
    f.flush();
    if (!f) {
        userrc("[STLWRT] ERROR IN WRITING THE FILE", 0);
        status = -1;
        return;
    }
    status = 0;
}

namespace {

// Words of the file, each with its line number.
struct Lexer {
    std::string text;
    size_t at = 0;
    i32 line = 1;
    bool next(std::string& w, i32& wline)
    {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) {
            if (text[at] == '\n') ++line;
            ++at;
        }
        if (at >= text.size()) return false;
        size_t b = at;
        while (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        w.assign(text, b, at - b);
        wline = line;
        return true;
    }
    // the rest of the line (a solid's name)
    void skip_line()
    {
        while (at < text.size() && text[at] != '\n') ++at;
    }
};

struct StlError {
    std::string text;
    i32 line;
};

}  // namespace

void STLRED(const char* path, i32& eid, i32& status)
{
    eid = 0;
    status = -1;
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        userrc("[STLRED] CANNOT OPEN THE FILE", 0);
        return;
    }
    std::ostringstream ss;
    ss << f.rdbuf();
    Lexer lx;
    lx.text = ss.str();
    // a binary file may begin with "solid" too: its header and counts hold
    // bytes that no text has
    for (unsigned char c : lx.text)
        if (c == 0 || (c < 32 && c != '\n' && c != '\r' && c != '\t' && c != '\f' && c != '\v')) {
            userrc("[STLRED] BINARY STL FILE: ONLY ASCII STL IS READ", 0);
            return;
        }
    SvapMesh m;
    std::map<std::tuple<f32, f32, f32>, i32> nodes;
    std::vector<f64> acc;
    try {
        std::string w;
        i32 wl = 0;
        auto need = [&](const char* word) {
            if (!lx.next(w, wl)) throw StlError{std::string("UNEXPECTED END OF FILE, ") + word + " EXPECTED AT LINE", lx.line};
            if (w != word) throw StlError{std::string(word) + " EXPECTED AT LINE", wl};
        };
        auto number = [&]() {
            if (!lx.next(w, wl)) throw StlError{"UNEXPECTED END OF FILE, A NUMBER EXPECTED AT LINE", lx.line};
            char* end = nullptr;
            f64 v = std::strtod(w.c_str(), &end);
            if (end == w.c_str() || *end != '\0' || !std::isfinite(v) || std::fabs(v) > 3.0e38)
                throw StlError{"BAD NUMBER AT LINE", wl};
            return static_cast<f32>(v);
        };
        if (!lx.next(w, wl) || w != "solid") throw StlError{"solid EXPECTED AT LINE", lx.line};
        lx.skip_line();
        while (true) {
            if (!lx.next(w, wl)) throw StlError{"UNEXPECTED END OF FILE, endsolid EXPECTED AT LINE", lx.line};
            if (w == "endsolid") {
                lx.skip_line();
                if (!lx.next(w, wl)) break;
                if (w != "solid") throw StlError{"solid EXPECTED AT LINE", wl};
                lx.skip_line();
                continue;
            }
            if (w != "facet") throw StlError{"facet OR endsolid EXPECTED AT LINE", wl};
            need("normal");
            for (int k = 0; k < 3; ++k) number();
            need("outer");
            need("loop");
            i32 v[3];
            f32 p[3][3];
            for (int c = 0; c < 3; ++c) {
                need("vertex");
                for (int k = 0; k < 3; ++k) p[c][k] = number();
                auto key = std::make_tuple(p[c][0], p[c][1], p[c][2]);
                auto it = nodes.find(key);
                if (it == nodes.end()) {
                    it = nodes.emplace(key, static_cast<i32>(m.xyz.size() / 3 + 1)).first;
                    m.xyz.insert(m.xyz.end(), {p[c][0], p[c][1], p[c][2]});
                    acc.insert(acc.end(), {0.0, 0.0, 0.0});
                }
                v[c] = it->second;
            }
            need("endloop");
            need("endfacet");
            if (m.tri.size() / 3 >= 50000000) throw StlError{"TOO MANY FACETS AT LINE", wl};
            m.tri.insert(m.tri.end(), {v[0], v[1], v[2]});
            f64 e1[3], e2[3];
            for (int a = 0; a < 3; ++a) {
                e1[a] = f64(p[1][a]) - p[0][a];
                e2[a] = f64(p[2][a]) - p[0][a];
            }
            f64 nr[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
            for (int c = 0; c < 3; ++c)
                for (int a = 0; a < 3; ++a) acc[3 * static_cast<size_t>(v[c] - 1) + a] += nr[a];
        }
    } catch (const StlError& e) {
        user1c(("[STLRED] " + e.text + " ").c_str(), e.line);
        return;
    }
    if (m.tri.empty()) {
        userrc("[STLRED] THE FILE HOLDS NO FACET", 0);
        return;
    }
    m.nrm.resize(m.xyz.size());
    for (size_t k = 0; k < acc.size(); k += 3) {
        f64 l = std::sqrt(acc[k] * acc[k] + acc[k + 1] * acc[k + 1] + acc[k + 2] * acc[k + 2]);
        for (int a = 0; a < 3; ++a) m.nrm[k + a] = l > 0 ? static_cast<f32>(acc[k + a] / l) : (a == 2 ? 1.0f : 0.0f);
    }
    lin_svap_save(0, 0, 0.0f, 0.0f, 0, m, eid, status);
}
