// Small tool helpers of the GO menu and its neighbours: the milling tool's
// sizes kept around an execution, the host's common arguments, the choice of
// a tool and the empty geometry callback of the GO procedure block.
#pragma once

#include "core/words.h"

// Saves the current milling tool's diameter, cutting length and corner
// radius (nothing for another tool type).
void TOLSAV();
// Puts the values TOLSAV kept back into the current milling tool.
void TOLRST();
// Hands the host the common arguments, runs its current-machine step with
// a and b and reads the common arguments back.
void GSCARG(const i32& a, const i32& b);
// Makes the tool current and shows it (a shown one is removed first unless
// keep is set); its id, spindle and feed become modal. Status 0, -1 when
// the tool cannot be read.
void SELTOL(const i32& keep, const i32& id, i32& status);
// The geometry callback of a procedure without geometry: status 0.
void NOGEOM(const i32& a, const i32& b, i32& c, i32& status);
