// The eleven callbacks of the surface-milling procedure that the procedure
// driver calls through its table, and the state they share.
#pragma once

#include "core/words.h"

// Slot 1: definition and modification.
void PRCDEF(const i32& proc, const i32& defonly, const i32& moved, const i32& copied, const i32& append,
            const i32& back, i32& reread, i32& enddef, i32& status);
// Slot 2: execution; mode 2 only closes the work after a stop.
void PRCEXE(const i32& mode, i32& status);
// Slots 3 and 4: parameters and geometry as coded segments on a medium.
void PRCPRM(const i32& unused, const i32& medium, i32& position, i32& status);  // the parameters
void PRCGEO(const i32& unused, const i32& medium, i32& position, i32& status);  // the geometry
// Slot 5: reads the stored procedure back.
void block_read_tavrek(const i32& medium, const i32& type, const i32& version, const i32& arg4, i32& remaining,
                       i32& status);
// Reads a procedure stored by the oldest writer: the surfaces, their limits
// (turned into the limit records by area50), the passes and the parameters.
void blkrd_area(const i32& medium, i32& status);
// The limits of a surface in the oldest form turned into a limit record:
// the new direction code and the four limits over the surface's ranges.
void area50(const i32& id, const i32& olddir, const f32* old, i32& newdir, f32* lim, i32& status);
// Slot 6: change detection against the driver's copy of the block.
void PRCCHG(i32& changed, i32& geometry, i32& status);
// Slot 7: mode 1 sets a new procedure up, other modes release it.
void PRCINI(const i32& mode, i32& status);
// Slot 8: part and check surfaces: 1 check, 2 associate, 3 test attributes.
void PRCSRF(const i32& mode, const i32& geoarg, i32& flag, i32& status);
// Slot 9: start of machining for the execute dialog.
void PRCNRM(const i32& capacity, i32& count, f32* points, i32& dirs_present, f32* dirs, i32& normals_present,
            f32* normals, i32& status);
// Slot 10: translation rows of the parameters.
void PRCTRN(i32& status);
// Slot 11: surface lists brought up to date after the geometry changed.
void PRCUPD(const i32& arg, i32& status);

// Change detection state kept between executions.
struct ChgState {
    i32 rebuild;  // the triangle model must be built again
    i32 second;   // second model flag
    i32 first;    // no change test since the new procedure
    i32 mode;     // approximation mode seen at the last test
    f32 tol;      // approximation tolerance seen at the last test
    i32 freed;    // models the editor's store had freed when the model was built
};
extern ChgState PRCCST;

// Definition state shared by the callbacks.
struct DefState {
    i32 dirflag;      // the picked surfaces need their direction confirmed
    i32 dirflag2;     // the same for the check surfaces
    i32 bothlists;
    i32 seq[2][2];    // sequence ranges (first - 1, last - 1) of host lists 0 and 1
};
extern DefState PRCDST;

// Geometry kinds 10004 (part surfaces) and 10002 (check surfaces) to be
// stored anew with the procedure.
extern i32 PRCGUS[2];

// Part box of the picked surfaces when no triangle model is built.
extern f32 PRTBOX[6];

// Approximation tolerance of the current mode.
f32 PRCATL(const i32* block);
