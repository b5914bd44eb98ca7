// The double-precision surface buffer of the evaluations and its accessors,
// and the geometry-entity helpers over the host database.
#pragma once

#include "core/host.h"
#include "core/words.h"

// A buffer that LDSRFB filled with a sound surface.
bool SRFBOK(const f64* buf);

// Loads surface entity id (class 3) into buf (SB_CAP doubles); a failure
// leaves a buffer that every accessor refuses.
void LDSRFB(const i32& id, f64* buf);
// The same with a status: -1 (said) for an entity that is not a sound surface or does not fit the buffer.
void LDSRFB(const i32& id, f64* buf, i32& status);

// Six limit values: u start, u span, u increment, v start, v span, v
// increment. mode 1 get, 2 put (increments above 0). Status -1 on failure.
void SBFLIM(const i32& mode, f64* buf, f32* lim, i32& status);
// SBFLIM in double precision.
void SBDLIM(const i32& mode, f64* buf, f64* lim, i32& status);
// Axis frame: origin and the x, y, z axes. mode 1 get (-1 without a frame), 2 put.
void SBFMTX(const i32& mode, f64* buf, f32* origin, f32* matrix, i32& status);
// Offset along the normal: mode 1 get, 2 put (kept divided by the scale).
void SBFPRM(const i32& mode, f64* buf, f32& value, i32& status);
// Parameter ranges of the loaded surface (mode 1).
void SBFUVR(const i32& mode, const f64* buf, f32& umin, f32& umax, f32& vmin, f32& vmax, i32& status);
// SBFUVR in double precision.
void SBDUVR(const i32& mode, const f64* buf, f64& umin, f64& umax, f64& vmin, f64& vmax, i32& status);
// 1 or -1 for a surface of revolution about +z or -z, else 0.
i32 CHKRVL(const f64* buf);

// Parameter data of a surface entity: u start, u length, v start, v length
// (a trimmed surface gives its base surface's).
void SRFPRS(const i32& mode, const i32& id, f32* values, i32& status);
// Box of a surface entity: xmin, ymin, zmin, xmax, ymax, zmax.
void DBDSRX(const i32& mode, const i32& id, f64* values, i32& status);

// Coordinate-system entity (class 8, type 1), mode 1 get.
void DBDUCS(const i32& mode, const i32& id, f32* origin, f32* matrix, f32& real, i32* name, i32& integer, i32& status);
// Offset of a plane entity, mode 1 get.
void DBRVAL(const i32& mode, const i32& id, f32& value, i32& status);
// A point entity at the point; a line entity between two points.
void GCPT0(i32& id, const f32* point, i32& status);
// A line entity (id) from p1 to p2; status negative (said) when it cannot be stored.
void LINE(i32& id, const f32* p1, const f32* p2, i32& status);
// Rejects the last count picked entities; count becomes 0.
void REJPCK(const i32& mode, i32& count);
// Pushes surfaces (unique ids) onto the pick stack so that they show as picked.
void PSHSRF(const i32& count, const i32* uids, const f32* refs);

// Picks a point on surface id: its point and (u, v). Status 0; 1 the pick
// was not on the surface and is rejected (pick again); -2 escape; -3 end
// (pick again); other negative values: leave. count: entities on the pick
// stack; the pick mode is the host's and is left as it is.
void PCKPSR(const i32& id, i32& count, f32* point, f32* uv, i32& pickmode, f32* work1, f32* work2, i32& status);
// The user picks one of the given surfaces (unique ids); chosen: its index
// from 0. Negative status on escape or end.
void PCKSF1(const char* prompt, const i32* uids, const i32& count, const char* question, i32& chosen, i32& status);
// Pair k (from 1) of a table of pick-stack ranges (first, last entry counted
// from 0, as the geometry record keeps them; empty while last < first): its entries leave the pick stack, the pair
// becomes (0, -1) and the ranges behind it move down by as many.
void RMVSRW(i32 (*pairs)[2], const i32& npairs, const i32& k);
