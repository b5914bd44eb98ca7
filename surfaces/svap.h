// Saved surface approximations (entities of class 4, type 3) and their
// ASCII STL form.
//
// Words: 0 tag 4301, 1 surface id (0 for one read from STL), 2 approximation
// mode, 3 tolerance (f32), 4 side limit (f32), 5 the surface's stamp (a hash
// of its words), 6 nodes nn, 7 triangles nt, 8-13 box xmin ymin zmin xmax
// ymax zmax (f32), 14-15 free; then nn nodes (3 f32), nn unit normals (3
// f32) and nt triangles (3 node numbers from 1, counter-clockwise seen from
// the side the normals point to).
#pragma once

#include <vector>

#include "core/words.h"

constexpr i32 SVA_CLASS = 4, SVA_TYPE = 3, SVA_TAG = 4301, SVA_HDR = 16;

struct SvapMesh {
    std::vector<f32> xyz, nrm;
    std::vector<i32> tri;
};

// Stamp of a surface buffer: changes when any of its words changes.
i32 srf_stamp(const f64* buf);

// The saved approximation of the surface made with these values; 0 when none.
void lin_svap_find(const i32& sid, const i32& amode, const f32& tol, const f32& side, const i32& stamp, i32& eid);
// Saves the mesh m of surface sid made with these values (approximation mode, tolerance, side limit, buffer stamp) as
// an entity eid; status -1 (said, eid 0) when it cannot be stored.
void lin_svap_save(const i32& sid, const i32& amode, const f32& tol, const f32& side, const i32& stamp, const SvapMesh& m,
                   i32& eid, i32& status);
// Reads saved approximation eid into m; status -1 when eid is none, or (said) a damaged one whose triangles name
// missing nodes.
void lin_svap_load(const i32& eid, SvapMesh& m, i32& status);
// The approximation values most used by the saved approximations of the
// procedure's part surfaces (host list 0): proposed when newflag is 1 and
// any exist; status 1 when nothing was proposed.
void lin_svap_most_used_values(const i32& newflag, i32& amode, f32& tol, f32& side, i32& status);
// Box of a saved approximation: xmin ymin zmin xmax ymax zmax.
void dbdsl1(const i32& eid, f32* box, i32& status);

// Writes saved approximations as one ASCII STL file, one solid each.
void STLWRT(const i32& n, const i32* eids, const char* path, i32& status);
// Reads an ASCII STL file into a new saved approximation (surface id 0);
// on any error nothing is created and the error is reported once.
void STLRED(const char* path, i32& eid, i32& status);
