// The optional roads of the tool drop, each behind a switch that no routine
// of the module sets: the smoothed normal from the node normals, the border
// road, the contact kernel in place of the planar contact and the edge
// distance measured from the contact; with the helpers they use.
#pragma once

#include "core/words.h"

// ---------------------------------------------------------------- switches
extern i32 DRPBRD;  // border road (and the smoothed normal with it)
extern i32 DRPKRN;  // the planar contact by the cylindrical contact kernel
extern i32 DRPEDS;  // the planar contact's edge distance always from the contact

// Results of the border road, written by every drop that takes it.
extern i32 BRDINS;  // 1: tool neither tapered nor enlarged, or an outline holds the axis
extern i32 BRDFLG;  // 1: the winning contact lies on a border
extern i32 BRDRGN;  // region state of the winning contact: 0, 1 or 2
extern i32 BRDKND;  // the winner's tool kind
extern f32 BRDDIA, BRDCRN;  // the winner's enlarged diameter and corner radius

// True when the smoothed-normal road is on for this drop: the border road,
// or the mode word 3 under the host's segment codes 34, 38 and 48.
bool drp_smooth();

// The region of the border road: npol contours of counts[k] XY points and
// one word per contour (null: none; the region is forgotten).
void brd_set_region(i32 npol, const i32* counts, const f32* xy, const i32* words);
// 1 when the point lies in an odd number of the region's contours; flag is
// the word of the last contour that counted (0 when none, or no region).
i32 PTINRG(const f32* point, i32& flag);
// frame, in the helpers below that read a triangle's vertices: in tool-axis
// mode the drop's point as handed in, whose tool frame (axis LOCTAX) the
// points and contacts handed lie in; the vertices (and node normals) are
// turned into it. Null: the points lie in the model's own frame.

// The triangle's normal at the point interpolated from its node normals; the
// fallback when that cannot be made.
void SMTNRM(const f32* fallback, const f32* point, const i32* triangle, const f32* node_normals, f32* normal,
            i32& status, const f32* frame = nullptr);
// 1 when the point lies on an edge or at a vertex of code 1, 2 on an edge of
// code 2, else 0 (-1 when the last edge tested failed).
void BRDCLS(const i32* triangle, const f32* point, const f32& tolerance, i32& cls, const f32* frame = nullptr);
// 1 when the point lies within the tolerance of the segment a-b, else 0; -1
// when a and b coincide.
void PTNSEG(const f32* a, const f32* b, const f32* point, const f32& tolerance, i32& status);
// The edge-contact list: mode 1 appends (surface, height, normal), mode 2
// resolves and empties it (status 1 one surface, 2 several within 2.1 x the
// tolerance of the highest, whose normal is written), -1 on failure.
void CRSLST(const i32& mode, const i32& surface_id, const f32& height, const f32& tolerance, f32* normal,
            i32& status);
// Records in the edge-contact list.
i32 crslst_count();
// 0 outside the triangle's XY outline, 1 strictly inside, 2 on an edge's line.
i32 PTINTR(const f32* point, const f32* v1, const f32* v2, const f32* v3);
// 1 when a point a small step from the contact toward the axis lies in none
// of the ntri triangles under the tool (the winning one is the drop's last).
i32 FREBRD(const f32* contact, const f32* point, i32 ntri, const i32* entries, const i32* index,
           const f32* frame = nullptr);
// Moves q onto the triangle's XY outline (mode 1 from the drop, 2 from FREBRD).
void TRIEDP(i32 mode, const f32* v1, const f32* v2, const f32* v3, const f32* P, f32* q);
