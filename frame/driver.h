// The generic procedure driver: its argument block with the eleven
// callbacks, its status word and its state, and the steps that carry one
// procedure from creation to the common exit.
#pragma once

#include "core/words.h"
#include "passes/srfgeo.h"

// ------------------------------------------------------------- callbacks
// Slot 1: define or modify the procedure.
using PrcDefFn = void (*)(const i32& proc, const i32& defonly, const i32& moved, const i32& copied,
                          const i32& append, const i32& back, i32& reread, i32& enddef, i32& status);
// Slot 2: execute; mode 1 executes, mode 2 closes the work after a stop.
using PrcExeFn = void (*)(const i32& mode, i32& status);
// Slots 3 and 4: parameters or geometry as coded segments on a medium; the
// position is the caller's running word count.
using PrcPutFn = void (*)(const i32& code, const i32& medium, i32& position, i32& status);
// Slot 5: reads the stored procedure (medium, procedure type, version, the
// below-515 flag, remaining words).
using PrcReadFn = void (*)(const i32& medium, const i32& type, const i32& version, const i32& old515,
                           i32& remaining, i32& status);
// Slot 6: change detection against the driver's copy of the block.
using PrcChgFn = void (*)(i32& changed, i32& geometry, i32& status);
// Slot 7: mode 1 sets the working state up, any other mode releases it.
using PrcIniFn = void (*)(const i32& mode, i32& status);
// Slot 8: part-surface gathering (mode, geometry argument, result word).
using PrcSrfFn = void (*)(const i32& mode, const i32& arg, i32& result, i32& status);
// Slot 9: start positions of machining for the execute dialog.
using PrcNrmFn = void (*)(const i32& capacity, i32& count, f32* points, i32& dirs_present, f32* dirs,
                          i32& normals_present, f32* normals, i32& status);
// Slot 10: registers the parameter translation table.
using PrcTrnFn = void (*)(i32& status);
// Slot 11: updates the surface lists after a solid update.
using PrcUpdFn = void (*)(const i32& arg, i32& result);

struct DrvArg {
    i32 type = 0;
    PrcDefFn cb1 = nullptr;
    PrcExeFn cb2 = nullptr;
    PrcPutFn cb3 = nullptr;
    PrcPutFn cb4 = nullptr;
    PrcReadFn cb5 = nullptr;
    PrcChgFn cb6 = nullptr;
    PrcIniFn cb7 = nullptr;
    PrcSrfFn cb8 = nullptr;
    PrcNrmFn cb9 = nullptr;
    PrcTrnFn cb10 = nullptr;
    PrcUpdFn cb11 = nullptr;
    char key[5] = {0};
    i32 size = 0;
    i32* block = nullptr;  // the procedure's parameter block
    i32* copy = nullptr;   // its working copy
};
extern DrvArg DRVARG;

// Status word: 0 go on, 1 back to the template step and the definition,
// -1 leave; the host's cancel (-2) is turned into 1 or -1 by the step that
// receives it.
extern i32 DRVSTS;

// Driver state for one call of the entry, reset by the create step.
struct DrvState {
    i32 proc;            // current procedure number
    i32 proc_block;      // block number of the procedure
    i32 machtype;        // machining-parameter set decided at the start-up
    i32 pausable;        // the execution can be paused
    i32 tplread_needed;  // the template step asks for the definition
    i32 clp1_refresh;
    i32 crit_check, crit_list;
    i32 tpl_write, tpl_read;
    i32 copied, append, back, reread, enddef;
    i32 reask;  // the redefine offer was accepted
    i32 pchanged, gchanged, level;
    i32 exenow, stopped, interrupted, backup, sublist_open, error_seen, stock_disp;
    i32 display_change;  // from the execution runner
    i32 no_motion;       // no motion block precedes the list position
    i32 unmade;          // the execution failed or wrote no motion: not announced as created
    i32 nprc;            // procedures in the tool path at the creation
    i32 first_block, last_block;
    i32 initialised;     // callback 7 must release at the end
    i32 held_at_exit;    // the common exit met a definition-only request
    i32 perm_saved;      // DRVSOL (1) kept the host's solid permissions in this call
    i32 showtool_old, showtool_changed;
    i32 geom_kept;       // result word of callback 8 for the execute dialog
    i32 dlg_option;
    i32 counter;         // the host's stock-simulation counter
    i32 verify;          // the host's verify option
    char label[20];      // 19 characters and a NUL
};
extern DrvState DRVST;
// Kept between calls: the redefine offer is made once, and whether a save
// has run since a template held no data.
extern i32 DRVASK1, DRVFSV;
// Saved block key of each procedure, by stock-simulation counter.
constexpr i32 DRV_KEYS = 201;
extern i32 DRVBKT[DRV_KEYS];
// The module's two parameter description areas handed to the host.
extern i32 PARDSC1[64], PARDSC2[64];

// The procedure driver: creates or opens the procedure of the type, then
// runs define, questions, save and execute rounds until the finish, through
// the eleven callbacks; key, size and block name the parameter block and its
// record, copy the driver's copy of it.
void PRCDRV(const i32& type, PrcDefFn cb1, PrcExeFn cb2, PrcPutFn cb3, PrcPutFn cb4, PrcReadFn cb5, PrcChgFn cb6,
            PrcIniFn cb7, PrcSrfFn cb8, PrcNrmFn cb9, PrcTrnFn cb10, PrcUpdFn cb11, const char* key, const i32& size,
            i32* block, i32* copy);
// Keeps the driver's arguments for its steps.
void DRVSET(const i32& type, PrcDefFn cb1, PrcExeFn cb2, PrcPutFn cb3, PrcPutFn cb4, PrcReadFn cb5, PrcChgFn cb6,
            PrcIniFn cb7, PrcSrfFn cb8, PrcNrmFn cb9, PrcTrnFn cb10, PrcUpdFn cb11, const char* key, const i32& size,
            i32* block, i32* copy);

// Steps.
void DRVCRE(const i32& first, i32& status);  // creates or opens the procedure and its state
void DRVRND(i32& status);  // starts a round: the backup, the label, the settings' snapshot
void DRVTPL(i32& status);  // the template read or write of the round, the procedure's colour
void DRVDEF(i32& status);  // the definition (callback 1), then DRVPST
void DRVPST(i32& status);  // after the definition: leaves on define-only or failure, else checks the changes
void DRVASK(i32& status, i32& skip);  // the questions before execution (skip 1: no save nor execution)
void DRVSAV(i32& status);  // verifies and saves the procedure block and its parameters
void DRVEXE(const i32& reentry, i32& status);  // executes (callback 2) when the round asks for it
void DRVFIN(i32& status);  // finishes: the sub-list closed, optimization, the header brought up to date
void DRVEND(i32& status);  // the common exit, for success and failure
void DRVREL(i32& status);  // releases the relations, masks and the procedure's state (callback 7)

// Helpers.
// Mode 1 saves the solid permissions and sets them for the type; any other
// mode puts back what mode 1 saved in this call, and nothing when it did not run.
void DRVSOL(const i32& mode, const i32& type);
// Loads the procedure's parameters (EDA2IO); in a template read whose tool
// failed, reads them from the template.
void DRVRDP(const i32& tplread, const i32& type, const char* key, const i32& size, i32* block, PrcReadFn cb5,
            PrcIniFn cb7, i32& status);
// The template write (callbacks 3, 4) or read (callback 5) of the running
// template operation; defined answers whether the geometry is defined.
void DRVTMR(const i32& type, PrcPutFn cb3, PrcPutFn cb4, PrcReadFn cb5, i32& defined, i32& status);
// Takes the parameters of a template from the host after a template read:
// machine values, tool, UCS, clearances, texts, optimizer block and machine
// table as the host's block filter lets them through, then the template's
// heights and the relation symbols. Status 0.
void fetch_from_host(i32& status);
void DRVSYM(i32& status);  // refreshes the relation symbols (the global ones replaced on failure)
// Sets the display list's position at the latest saved procedure block key
// (from count down) that the display still holds; direction > 0 hands the
// host side -1, else 99.
void POSLBK(const i32& direction, const i32& count, i32& status);

// 1 in the host's orbis mode.
i32 DRVORB();

// The procedure's definition is complete (geometry defined): the flag of
// the surface-milling geometry.
inline i32& GEODEF = SRFGEO.GEODEF;
