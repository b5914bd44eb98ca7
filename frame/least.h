// Procedure-frame services whose own issues come later, in the least form
// the driver and the execution control need now.
#pragma once

#include "core/words.h"

#include "passes/srfgeo.h"

// The procedure's definition is complete (geometry defined): the flag of
// the surface-milling geometry.
inline i32& GEODEF = SRFGEO.GEODEF;
// Change detection: the coordinate system changed; reset of its rebuild
// flags at the start of a procedure.
extern i32 CHGUCS;
void CHGRST();  // resets the change-detection state
// The parameter check issued warnings.
extern i32 PRMWRN;
// Template flags and criteria texts.
#include "frame/defrel.h"
// Criteria list of the procedure.
#include "frame/crit.h"
// Common arguments, attributes and the tool of the procedure.
void GSCARG(const i32& a, const i32& b);
void TOLSAV();  // keeps the current milling tool's diameter, cutting length and corner radius
void TOLRST();  // restores the values TOLSAV kept into the cached tool
// Makes the tool current; status -1 when it cannot be loaded.
void SELTOL(const i32& keep, const i32& id, i32& status);
// Procedure-type tests (core/listname.h).
#include "core/listname.h"
// Redisplay of the menu area.
#include "frame/srvmnu.h"
// Insertion of a message or code into the tool path; done is set when one
// was inserted. PCKFLG: the module's pick flag.
extern i32 PCKFLG;
void INSMSG(const i32& pick, i32& done);  // inserts nothing here: done 0
