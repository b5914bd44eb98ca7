// The spiral (twirl) entry of the pocket entry: a smooth curve from the end
// of one lane into the next, made by the host's spline library, checked for
// gouging and written as one NURBS block; or, when that fails, a polyline of
// two arc legs and a middle piece written through the up/down layer. Also
// the flags by which the clearance path asks for a twirl link, and the link.
#pragma once

#include "cleanup/twlst.h"
#include "core/host.h"
#include "core/words.h"

// The twirl request flag: read and set.
i32 TWLGET();
// Sets the twirl request flag.
void TWLSET(i32 value);
// The twirl-done flag (1 at load): read and set.
i32 TWLDON();
// Sets the twirl-done flag.
void TWLDST(i32 value);
// Clears the two twirl-link switches.
void TWLOFF();
// The twirl link of the clearance path: sets the value (mode 1 the pocket
// entry's, else 0); the switches are never both set, so it writes nothing
// and leaves the status and the done flag as they are.
void TWLLNK(const i32& mode, f64& value, i32& status);

// The twirl entry from the pocket entry's record: the spline road, else the
// polyline road; the pocket entry's twirl state is reset at the end.
void TWLENT(const TwlSt& rec);
// Checks a curve: sampled within 2r into at most 400 points (else status -1,
// not rejected); mode 0 rejects it at the first sample segment along which
// the tool meets the part. Status 0 after the check.
void TWLCHK(const i32& mode, const nbcrv& curve, i32& reject, i32& status);
// The polyline road from P1, Q1 to T2, P2: two arc legs and a middle piece,
// written through the up/down layer; flag 1 when the road gives up.
void TWLPTS(const f32* p1, const f32* q1, const f32* p2, const f32* t2, const i32& apponly, const i32& road,
            i32& flag, i32& status);
// One leg: the arc of the twirl radius tangent to p -> q at q, turning
// towards `toward`; mode 1 leaves q, mode 2 arrives at q. Its points go to
// leg buffer 1 or 2; n out.
void TWLLEG(const i32& mode, const f32* p, const f32* q, const f32* toward, i32& n, i32& status);
// The rising double arc between the leg ends a and b (modes 0, 1, 2) into
// the middle buffer, gouge-checked; n out, status 2 when it was lifted.
void TWLMID(const i32& mode, const f32* a, const f32* b, i32& n, i32& status);
// The second middle piece (quarter arc, half loop, straight run, falling
// quarter arc) from a to b (mode 1) or built from b and reversed (mode 2).
void TWLMD2(const i32& mode, const f32* a, const f32* b, i32& n, i32& status);
// Gouge check of the middle piece of n points between a and b: lifted over
// the highest tool height along a probe line when it gouges (status 2).
void TWLGOU(const i32& mode, const i32& side, const f32* a, const f32* b, const i32& n, i32& status);
// The half angle of a chord whose sagitta on a circle of radius r is h.
void ANGRHT(const f32& r, const f32& h, f32& angle);

// The point buffers of the polyline road (leg 1, leg 2, middle piece): the
// points in use (null while closed).
f32* twlbuf(i32 which);
// Capacity of a point buffer in points (0 while closed).
i32 twlcap(i32 which);
// Closes the point buffers (they are opened again on the next use).
void TWLREL();
