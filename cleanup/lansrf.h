// Pieces of a 3-D pocket carried onto the part surfaces with the tool: the
// projection of one point along its normal, the map grid's normal at a
// point, and the projection road of the closed library.
#pragma once

#include "core/words.h"

struct pokarr;

// Whether the closed library's surface road runs (its use flag, which the
// start of every procedure clears).
bool d3ds_running();
// Carries the piece `in` (pocket coordinates when local is set, else world
// coordinates; 4-D pieces bring their normals) onto the surfaces: raw gets
// every collected point with its normal when raw_out is set; out gets them
// with the normal (0, 0, 1), or the copy of raw when raw_out is set and
// smooth is not. Points whose projection fails are left out. Status 0; -1
// when the library road refuses (no_bridge) or fails; 11 when an output
// array cannot grow; -1 with a message on a grid without cells.
void lan_on_srf(const i32& local, const i32& smooth, const i32& raw_out, const i32& no_bridge, const pokarr& in,
                pokarr& out, pokarr& raw, i32& status);
// Carries `piece` onto the surfaces in place by lan_on_srf (local, not
// smoothed, the raw copy asked for, no_bridge as given) and takes the raw
// copy: the projection library's road fills only that one, and on the map
// grid's road the output is a copy of it. Status lan_on_srf's, -1 for a
// piece that comes back empty (a failure, not a piece of no points), then
// the copy's.
void lan_onto_srf(pokarr& piece, const i32& no_bridge, i32& status);
// The tool touch along the direction through a world point: the move from
// the point raised by a quarter of k cells to the point lowered by k cells,
// k = 4 then 40, handed to the positioning; a touch whose normal meets the
// direction at a dot below 0.8 is sought once more along the direction
// tilted by twice the normal. The direction is `normal` when with_nrm is
// set, else the grid's normal at the point; `normal` becomes the touch's
// normal. Status -1 when nothing is touched.
void srf_proj_pt(i32 with_nrm, const f64* point, f64* out, f64* normal, i32& status);
// The map grid's unit normal at a world point: the node normals of the cell's
// four corners blended by the bilinear weights, (0, 0, 1) when they cancel.
// Status -1 (normal (0, 0, 1)) on a grid without cells.
void grid_nrm_at(const f64* p, f64* normal, i32& status);
// Adds to normal the normal of node (i, j), from its neighbours' heights,
// weighted by wu x wv; nothing for a weight below 0.001 or a node on the
// grid's last row or column.
void grid_cell_nrm(i32 i, i32 j, f64* normal, f64 wu, f64 wv);
// The piece projected by the closed library (4-D pieces of two points or
// more, library available): status 0, or -1 when refused or failed.
void d3ds_lane_on_srf(i32 local, const pokarr& in, pokarr& out, i32& status);
