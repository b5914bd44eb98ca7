// A test module: entries that run the procedure driver over test callback
// tables, for sessions run by norak-run with --module.
//   drvtest    the execute callback writes three line blocks
//   drvtest20  it writes twenty line blocks and polls the interrupt after each
//   drvempty   the first execution writes three line blocks, the next ones none
//   drvnone    it writes nothing
//   drvfail    it opens a marker, writes three line blocks and fails
// The definition asks "DEFINE@CANCEL@END@CHANGE": DEFINE completes it,
// CHANGE completes it with a changed parameter, CANCEL (or escape) cancels
// it, END ends the procedure after the definition.
#include <cstring>
#include <string>

#include "blocks/dspblk.h"
#include "blocks/listacc.h"
#include "blocks/movement.h"
#include "frame/bookkeep.h"
#include "core/codedio.h"
#include "frame/driver.h"
#include "core/host.h"
#include "frame/intctl.h"
#include "core/params.h"
#include "platform/norak/norak.h"

namespace {
i32 BLOCKS = 3;     // line blocks the execute callback writes
bool POLL = false;  // poll the interrupt after each block
i32 WORK = -1;      // a working array the procedure holds while initialised
i32 RUNS = 0;
i32 LATER = -1;     // line blocks of the executions after the first, -1 as the first
bool FAIL = false;  // open a marker, write the blocks, then fail

void say(const std::string& s) { norak::note("test: " + s); }

void def(const i32& proc, const i32& defonly, const i32& moved, const i32& copied, const i32& append,
         const i32& back, i32& reread, i32& enddef, i32& status)
{
    say("define procedure " + std::to_string(proc) + (copied ? " copied" : "") + (back ? " back" : ""));
    i32 choice = 0;
    modmc("DEFINE@CANCEL@END@CHANGE", choice);
    if (choice == 1 || choice == 4) {
        GEODEF = 1;
        PRCPAR[0] = 100 + proc + (choice == 4 ? 1000 : 0);  // a parameter the procedure stores
        status = 0;
    } else if (choice == 3) {
        enddef = 1;
        status = 0;
    } else {
        status = -2;
    }
}

void exe(const i32& mode, i32& status)
{
    status = 0;
    ++RUNS;
    if (mode == 2) {
        say("execute mode 2");
        return;
    }
    say("execute mode 1");
    const i32 blocks = RUNS > 1 && LATER >= 0 ? LATER : BLOCKS;
    if (FAIL) PUTMRK(1, 3, 5, 0.0f, 0, status);
    for (i32 k = 1; k <= blocks; ++k) {
        const f32 p[3] = {static_cast<f32>(10 * k), static_cast<f32>(k), 5.0f}, v[3] = {0, 0, 1};
        MOVLIN(1, p, v, status);
        if (status < 0) return;
        if (POLL) {
            say("block " + std::to_string(k));
            CHKINT();
        }
        i32 uitr = 0, count = 1, st = 0;
        mdgetn("UITR", &uitr, count, st);
        if (k == 1) say("UITR " + std::to_string(uitr));
    }
    if (FAIL) {
        eroutc("EXE, TEST FAILURE", 0);
        status = -1;
    }
}

void prm(const i32& code, const i32& medium, i32& position, i32& status)
{
    tpptntl(medium, 24, 1, DT_INT, &PRCPAR[0], position, status);
}

void geo(const i32&, const i32&, i32&, i32& status) { status = 0; }

void rd(const i32& medium, const i32& type, const i32& version, const i32& old515, i32& remaining, i32& status)
{
    status = 0;
    while (remaining > 0) {
        i32 code = 0, count = 0, itype = 0, buf[32];
        tpgseg(medium, code, count, itype, buf, 32, status);
        if (status < 0) return;
        if (code == 0) break;
        if (code == 24 && count == 1) PRCPAR[0] = buf[0];
        remaining -= count + 3;
    }
    say("read procedure parameter " + std::to_string(PRCPAR[0]));
}

void chg(i32& changed, i32&, i32& status)
{
    if (PRCPAR[0] != PRCCPY[0]) changed = 1;
    status = 0;
}

void ini(const i32& mode, i32& status)
{
    status = 0;
    if (mode == 1) {
        if (WORK < 0) {
            void* base = nullptr;
            MM_OPEN_ARRAY(4, 100, WORK, base, status);
        }
    } else if (WORK >= 0) {
        MM_CLOSE(WORK, status);
    }
}

void srf(const i32& mode, const i32&, i32& result, i32& status)
{
    if (mode == 3) result = 1;
    status = 0;
}

void nrm(const i32&, i32& count, f32* points, i32& dirs, f32* d, i32& nrms, f32* n, i32& status)
{
    count = 1;
    points[0] = points[1] = 0;
    points[2] = 50;
    d[0] = 1, d[1] = 0, d[2] = 0;
    n[0] = 0, n[1] = 0, n[2] = 1;
    dirs = nrms = 1;
    status = 0;
}

void trn(i32& status) { nu_trns_add(1, 24, 1, -1, status); }

void upd(const i32&, i32& result)
{
    say("surface lists updated");
    result = 0;
}

void run()
{
    PRCDRV(9, def, exe, prm, geo, rd, chg, ini, srf, nrm, trn, upd, "TV27", PRCPAR_N, PRCPAR, PRCCPY);
    say("driver status " + std::to_string(DRVSTS) + ", executions " + std::to_string(RUNS));
}
}  // namespace

extern "C" void drvtest()
{
    BLOCKS = 3;
    POLL = false;
    run();
}

extern "C" void drvempty()
{
    BLOCKS = 3;
    LATER = 0;
    run();
    LATER = -1;
}

extern "C" void drvnone()
{
    BLOCKS = 0;
    run();
}

extern "C" void drvfail()
{
    BLOCKS = 3;
    FAIL = true;
    run();
    FAIL = false;
}

extern "C" void drvtest20()
{
    BLOCKS = 20;
    POLL = true;
    run();
}

// After the run, the first procedure of the tool path is displayed again.
extern "C" void drvshow()
{
    BLOCKS = 3;
    POLL = false;
    run();
    ltop();
    i32 first = 0, st = 0;
    lacces(2, first);
    FNDTYP(12, st);  // past the tool path's header
    const i32 before = norak::blocks_displayed();
    DSPROC(1, st);
    say("display status " + std::to_string(st) + ", blocks shown " + std::to_string(norak::blocks_displayed() - before));
    DSPROC(12, st);
}
