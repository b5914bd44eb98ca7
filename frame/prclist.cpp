// Listings of a tool path's procedures: the procedure list "PROC_LIST", the
// procedure-header list "PROC_HDR" and the tool list "TOOLS_LIST", each a
// text file in the part's directory.
#include "frame/prclist.h"

#include <cstring>
#include <string>

#include "core/entity.h"
#include "blocks/copy.h"
#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "blocks/tpent.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/listname.h"
#include "core/records.h"
#include "edit/proctab.h"
#include "edit/report/listing.h"
#include "edit/report/lstate.h"
#include "edit/report/procinfo.h"
#include "frame/prctake.h"
#include "tools/toolcache.h"
#include "tools/tooldlg.h"
#include "tools/toollib.h"

namespace {
constexpr i32 NAMLEN = 256;
constexpr i32 MARK = 1;       // list mark of the position a listing returns to
constexpr i32 HDR_UNIT = 19;  // the unit of the procedure-header list
constexpr i32 TOOL_SLOT = 1;  // the tool-list slot the tool list collects into
// Nested procedure lists: a stored tool path's sub-tool-path entry lists
// into the output already open; deeper nesting than this is refused (an
// entity that names itself would never end).
constexpr i32 MAX_NEST = 8;
i32 nest = 0;

// Heading lines: every one at the same place, 13 blanks in (11 in the
// procedure-header list).
void head(i32 unit, i32 in, const char* text) { lnout(unit, {lnB(in), lnS(text)}); }

// "LABEL..." of a width and a text in double quotes.
void quoted_line(i32 unit, i32 in, const char* label, const char* text, i32 length)
{
    std::string l(label);
    l.resize(16, ' ');
    lnout(unit, {lnB(in), lnT(l.data(), 16), lnS("\""), lnT(text, length), lnS("\"")});
}

// The listing output at the end of a listing: closed, with the message
// naming the file. False when it could not be closed (reported).
bool close_output(const char* routine, const char* name, i32 length)
{
    i32 st = 0;
    ofloff(st);
    if (st < 0) {
        eroutc((std::string(routine) + ", CANNOT CLOSE THE FILE").c_str(), 0);
        return false;
    }
    // The user message with a file name is usrms4 on this host, one call
    // for every listing of the module; it takes the label as a text of its
    // own length, so the label's width (14) is not handed over.
    usrms4("OUTPUT TO FILE", name, length);
    return true;
}

// One procedure's own listing: its records brought up to date in print
// mode, the output handed over, its type's module run, "EDA2" reset and the
// output taken back. False on a failure (reported). in_entity: the procedure
// is an open entity, closed before the module runs.
bool procedure_listing(i32 unit, i32 index, i32 code, bool in_entity)
{
    i32 st = 0;
    updtcm(2, gs_proc_id(), index, in_entity ? 1 : 2, 1, 0, 0, st);
    // A take-over that fails is a list error in both walks, a stored tool
    // path's too: "EDA2" then names neither this procedure nor print mode,
    // so its module would run interactively in the middle of the listing,
    // or on records left half of this procedure's.
    if (st < 0) {
        eroutc("PROCTL, ERRORS IN LIST", 0);
        return false;
    }
    lnblank(unit);
    ofmod(2, st);
    if (st != 0) {
        eroutc("PROCTL, CANNOT CLOSE THE FILE", 0);
        return false;
    }
    if (in_entity) close_entity();
    segrun(code, st);
    EDARST(0);
    WRREC("EDA2", 3, EDA2, EDA2_N, st);
    ofmod(1, st);
    if (st != 0) {
        eroutc("PROCTL, CANNOT OPEN THE FILE", 0);
        return false;
    }
    return true;
}

// The procedures of the current tool path from its list (steps 7 and 8 of
// the procedure list). False on an error (reported).
bool list_walk(i32 unit)
{
    i32 answer = 0, st = 0, type = 0;
    // From the top of the main list, wherever the cursor stands: within a
    // procedure's sub-list the first element would be that sub-list's, and
    // the listing would miss the tool path's header and the procedures
    // around it. The remembered position is taken back at the end.
    lclos();
    ltop();
    lacces(2, answer);
    // An empty tool path (no first element, -1) lists as one with nothing in
    // it (head and tail): no block of it is in error. An access that fails
    // (-2) is a list in error, not an empty one.
    if (answer == -1) return true;
    if (answer < 0) {
        eroutc("PROCTL, ERRORS IN LIST", 0);
        return false;
    }
    // The printer is told the tool path by -1, the one the list holds,
    // whatever the selector: a positive tool path id would make it read the
    // procedures' records from that entity and keep the list's place no more.
    // A list without its header block (type 0) is a list in error too, and
    // so is a printer's failure (negative), whatever type it names: the
    // block would be missing from a listing given out as complete.
    FNDTYP(0, st);
    if (st == 0) PRTBLK(LM_PROCS, unit, AM_LIST, -1, 1.0f, type, st);
    if (st < 0 || (st != 0 && type != BT_HEADER)) {
        eroutc("PROCTL, ERRORS IN LIST", 0);
        return false;
    }
    i32 count = 0, found = 0;
    FNDTYP(12, found);
    while (found == 0) {
        PRTBLK(LM_PROCS, unit, AM_LIST, -1, 1.0f, type, st);
        if (st < 0 || type != BT_PROC || ++count > PRCTAB.count) {
            eroutc("PROCTL, ERRORS IN LIST", 0);
            return false;
        }
        // The type of the procedure block just printed: in the current tool
        // path it is the table's entry at this count, read from the block
        // itself (a table out of step with the list cannot list one
        // procedure's module for another's block).
        const i32 code = PRCINF.type[PI_LIST];
        if (ISMTYP(code) == 0 && !procedure_listing(unit, count, code, false)) return false;
        // The step on ends the walk at the list's end (-2, the procedure
        // was the last block); an access that fails (-1: the cursor is on
        // a block still) is a list error, or the listing would be given out
        // as complete without the procedures after this one.
        TPJUMP(1, st);
        if (st == -2) return true;
        if (st < 0) break;
        FNDTYP(12, found);
    }
    // The search for the next procedure ends at the list's end (-2); any
    // other failure is a block that cannot be read, and the listing would
    // be given out as complete while procedures after it are missing.
    if (found != -2) {
        eroutc("PROCTL, ERRORS IN LIST", 0);
        return false;
    }
    return true;
}

}  // namespace

// ------------------------------------------------------ the procedure list

void PROCT2(const i32& selector, const i32& unit, i32& status)
{
    i32 cls = 0, type = 0, len = 0;
    eopen(selector, cls, type, len, status);
    if (status < 0) return;
    set_open_proc(selector);
    if (cls != EC_NC || type != ET_TOOLPATH) {
        close_entity();
        status = -1;
        return;
    }
    i32 st = 0;
    PRTBLK(LM_PROCS, unit, AM_ENTITY, selector, 1.0f, type, st);
    close_entity();
    // The printer answers 0, or a negative status when it could not read or
    // print the block (it says so itself); that fails whatever type it names,
    // here and for each procedure below: the block is missing from the
    // listing, which would otherwise be given out as complete.
    if (st < 0 || (st != 0 && type != BT_HEADER)) {
        status = -1;
        return;
    }
    TpEntries entries(selector);
    status = entries.n < 0 ? -1 : 0;
    for (i32 k = 0; k < entries.n && status == 0; ++k) {
        const i32 kind = entries.pairs[2 * k], id = entries.pairs[2 * k + 1];
        if (kind == 1) {
            eopen(id, cls, type, len, st);
            if (st < 0 || cls != EC_NC || type != ET_PROC) {
                status = -1;
                break;
            }
            set_open_proc(id);
            i32 proc = id;
            gs_proc_id(2, proc);
            PRTBLK(LM_PROCS, unit, AM_ENTITY, selector, 1.0f, type, st);
            if (st < 0 || (st != 0 && type != BT_PROC)) {
                status = -1;
                break;
            }
            // The type of the procedure just printed, of this tool path:
            // not the current tool path's table at this position. The
            // take-over is given no row of those tables either (index 0).
            const i32 code = PRCINF.type[PI_LIST];
            if (ISMTYP(code) != 0) {
                close_entity();
                continue;
            }
            if (!procedure_listing(unit, 0, code, true)) status = -1;
        } else if (kind == 2) {
            // A sub-tool-path: the procedures of the tool path it names,
            // listed into the output already open. It is listed by its own
            // id: the selector would list the same tool path again, entry
            // for entry, without end (the nesting cap only stops it), and
            // its sub-tool-path's procedures never.
            const i32 mode = id < 1 || id == CLP1[CLP1_TOOLPATH] ? 2 : 1;
            if (nest >= MAX_NEST) {
                status = -1;
                break;
            }
            PROCTL(id, mode);
        }
    }
    if (status < 0) close_entity();
}

void PROCTL(const i32& selector, const i32& mode)
{
    i32 none = -1, st = 0, answer = 0;
    gs_proc_id(2, none);
    char name[NAMLEN];
    std::memset(name, 0, sizeof name);
    i32 dsp8[6];
    std::memcpy(dsp8, DSP8, sizeof dsp8);
    const bool nested = nest > 0;
    ++nest;
    bool marked = false;
    i32 length = 0, plen = 0, unit = 0;
    auto finish = [&] {
        if (marked) TPTOP(MARK, st);
        std::memcpy(DSP8, dsp8, sizeof dsp8);
        --nest;
    };
    if (mode == 2) {
        lmark(1, MARK, answer);
        if (answer < 1) return finish();  // the host answers 1 for a position kept
        marked = true;
    }
    if (nested) {
        // Inside a stored tool path's listing: the same open output.
        ofgunt(unit);
    } else {
        CRTPNM(1, "PROC_LIST", 9, name, length, plen, st);
        if (st != 0) return finish();
        ofinit(name, length, st);
        if (st != 0) {
            eroutc("PROCLT, CANNOT OPEN THE FILE", 0);
            return finish();
        }
        prmptc("W R I T I N G");
        ofgunt(unit);
        LSTRST();
        head(unit, 13, "P R O C E D U R E  L I S T");
        head(unit, 13, "==========================");
        fltxtc(unit, " ");
        quoted_line(unit, 13, "PART FILE NAME: ", name, plen);
        for (int k = 0; k < 3; ++k) lnblank(unit);
    }
    bool ok = true;
    if (mode == 1) {
        PROCT2(selector, unit, st);
        if (st < 0) {
            eroutc("PROCTL, ERRORS  IN OPENNING ENTITY", 0);
            close_entity();
            ok = false;
        }
    } else {
        ok = list_walk(unit);
    }
    if (nested) return finish();
    if (!ok) {
        ofloff(st);
        return finish();
    }
    lnblank(unit);
    lnblank(unit);
    lnout(unit, {lnS("END OF TOOL PATH")});
    lnblank(unit);
    close_output("PROCTL", name, length);
    finish();
}

// ----------------------------------------------- the procedure-header list

namespace {
void rule(i32 unit, char kind)
{
    char line[77];
    if (kind == 'c') {
        std::memcpy(line, "|------------------------|------------------------|------------------------|", 76);
    } else {
        std::memset(line, kind == '=' ? '=' : '-', 76);
        line[0] = line[75] = '|';
    }
    filtxt(unit, line, 76);
}

// The block printer here takes the listing's layout as its mode (the
// header list's one-row-per-block layout, LM_HEADS) and tells an entity's
// header from the block at the list position by the access mode (AM_ENTITY
// or AM_LIST), where a printer with print modes 1 and 2 tells them by the
// mode: the same two prints, in the layout of this list.
void entity_header(i32 unit, i32 tp, f32 scale, i32& type, i32& status)
{
    PRTBLK(LM_HEADS, unit, AM_ENTITY, tp, scale, type, status);
    close_entity();
}
}  // namespace

void proch1_ent(const i32& tp, const i32& unit, const f32& scale, i32& status)
{
    TpEntries entries(tp);
    if (entries.n < 0) {
        eroutc("proch1_ent, PROBLEMS IN OPENNING ENTITY", 0);
        status = -1;
        return;
    }
    i32 cls = 0, type = 0, len = 0, st = 0;
    eopen(tp, cls, type, len, st);
    if (st < 0 || cls != EC_NC || type != ET_TOOLPATH) {
        if (st >= 0) eclose();
        erou1c("proch1_ent, NOT A TOOL PATH ENTITY. id = ", tp);
        status = -1;
        return;
    }
    // Marked as the host's open procedure, the entity is what the printer's
    // look for movements reads (else it would read the current list, another
    // tool path's); the close after each header clears the mark again, so
    // the listing leaves no procedure open behind it.
    set_open_proc(tp);
    entity_header(unit, tp, scale, type, st);
    rule(unit, '=');
    status = 0;
    for (i32 k = 0; k < entries.n && status == 0; ++k) {
        const i32 kind = entries.pairs[2 * k], id = entries.pairs[2 * k + 1];
        // An item that cannot be opened ends the walk like a procedure of the
        // wrong class: the entity answers -1 after its internal error.
        if (kind == 1) {
            eopen(id, cls, type, len, st);
            if (st < 0) {
                eroutc("proch1_ent, PROBLEMS IN OPENNING ENTITY", 0);
                status = -1;
            } else if (cls != EC_NC || type != ET_PROC) {
                eclose();
                erou1c("proch1_ent, NOT A PROCEDURE ENTITY. id = ", id);
                status = -1;
            } else {
                set_open_proc(id);
                i32 proc = id;
                gs_proc_id(2, proc);
                entity_header(unit, tp, scale, type, st);
                rule(unit, 'c');
            }
        } else if (kind == 2) {
            PRCHLW(id, unit, scale, st);
        } else if (kind == 4 || kind == 10) {
            i32 count = 0;
            open_movmnt(id, count, st);
            if (st < 0) {
                eroutc("proch1_ent, PROBLEMS IN OPENNING ENTITY", 0);
                status = -1;
            } else {
                entity_header(unit, tp, scale, type, st);
                rule(unit, kind == 4 ? '-' : '=');
            }
        }
    }
}

void PRCHLW(const i32& id, const i32& unit, const f32& scale, i32& status)
{
    status = 0;
    if (id >= 1 && id != CLP1[CLP1_TOOLPATH]) {
        // A tool path nested deeper than the cap (one that holds itself) is
        // not walked again: -1 stops that nesting, the walk above goes on.
        if (nest >= MAX_NEST) {
            status = -1;
            return;
        }
        ++nest;
        i32 st = 0;
        proch1_ent(id, unit, scale, st);
        --nest;
    } else {
        i32 answer = 0, type = 0, st = 0;
        lclos();
        ltop();
        lacces(2, answer);
        while (answer >= 0) {
            PRTBLK(LM_HEADS, unit, AM_LIST, id, scale, type, st);
            // A block the printer cannot read (reported there) ends the walk:
            // the list no longer allows going on, and its words past the
            // failure would be printed as blocks they are not.
            if (st < 0) break;
            // The plain block the walk goes straight on from is the tool
            // path's header (type 0); every other block the printer reports
            // by its own type, and only 4, 10 and 12 draw a rule after them.
            if (type == BT_HEADER) {
                // After the tool path's header: a double rule, unless a
                // rotation axes block (which draws its own after it) follows.
                lacces(1, answer);
                if (answer < 0) {
                    rule(unit, '=');
                    break;
                }
                i32 size = 0, next = 0, cls = 0;
                TPBLKH(AM_APPEND, size, next, cls, st);
                if (st < 0) break;
                if (next != 10) rule(unit, '=');
                continue;
            }
            if (type == BT_RAXES) rule(unit, '=');
            if (type == BT_TEXT) rule(unit, '-');
            if (type == BT_PROC) rule(unit, 'c');
            lacces(1, answer);
        }
    }
    for (int k = 0; k < 4; ++k) lnblank(unit);
    // The walker ends with 0 whatever the entities held: their failures are
    // reported where they happen and the listing goes on.
    status = 0;
}

void PROCHD(const i32& selector)
{
    const bool current = selector < 1 || selector == CLP1[CLP1_TOOLPATH];
    i32 view = 0, kind = 0, st = 0, answer = 0;
    if (current)
        gsvnum(view);
    else
        eattc(selector, 1, "VN", view);
    char macsys[8];
    gvtdat(view, kind, macsys);
    if (kind != 3) {
        eroutc("NOT IN MACSYS", 0);
        return;
    }
    bool marked = false, saved = false;
    auto finish = [&] {
        if (saved) SAVSTA(0, 3, st);
        if (marked) TPTOP(MARK, st);
    };
    if (current) {
        lmark(1, MARK, answer);
        if (answer <= 0) return;
        marked = true;
        SAVSTA(0, 2, st);
        if (st < 0) return finish();
        saved = true;
        i32 lines = 0;
        llines(lines);
        if (lines < 1) {
            userrc("TOOL PATH LIST IS EMPTY", 0);
            return finish();
        }
    }
    const f32 scale = 1.0f / gtmesu();
    char name[NAMLEN];
    std::memset(name, 0, sizeof name);
    i32 length = 0, plen = 0;
    CRTPNM(1, "PROC_HDR", 8, name, length, plen, st);
    if (st != 0) return finish();
    aopen(HDR_UNIT, name, length, 2, st);
    if (st != 0) {
        // This host's error with a file name takes the label at its own
        // length (24) and the name's length, as usrms4 does.
        errou4("PROCHD, CANNOT OPEN FILE", name, length);
        return finish();
    }
    prmptc("W R I T I N G");
    LSTRST();
    head(HDR_UNIT, 11, "PROCEDURE HEADER LIST");
    head(HDR_UNIT, 11, "---------------------");
    quoted_line(HDR_UNIT, 11, "PART FILE NAME: ", name, plen);
    quoted_line(HDR_UNIT, 11, "MACSYS NAME   : ", macsys, 8);
    lnblank(HDR_UNIT);
    lnblank(HDR_UNIT);
    PRCHLW(selector, HDR_UNIT, scale, st);
    aclose(HDR_UNIT);
    usrms4("OUTPUT TO FILE", name, length);
    finish();
}

// ------------------------------------------------------------ the tool list

namespace {
// Adds the tool of a technology block just read when its code is 100.
bool add_tool(i32 ptype, i32 value, i32 slot)
{
    if (ptype != 100) return true;
    i32 st = 0;
    TLSADD(slot, value, st);
    return st >= 0;
}

// The tools of the open procedure entity's count blocks (after its count
// word and the word after it); false on a read failure.
bool entity_tools(i32 count, i32 slot)
{
    for (i32 k = 0; k < count; ++k) {
        i32 size = 0, type = 0, cls = 0, st = 0;
        TPBLKH(AM_ENTITY, size, type, cls, st);
        if (st < 0) return false;
        if (type == BT_TECH) {
            i32 number = 0, ptype = 0, kind = 0, iv = 0;
            f32 rv = 0;
            RDBT1(AM_ENTITY, number, ptype, kind, iv, rv, st);
            if (st < 0 || !add_tool(ptype, iv, slot)) return false;
        } else {
            TPSKIP(AM_ENTITY, size - 1, DT_INT, st);
            if (st < 0) return false;
        }
    }
    return true;
}

// The tools of the current tool path, its procedures' movements included,
// in the order of their first use.
void collect_current(i32 slot)
{
    i32 last = 0, st = 0, answer = 0;
    bool first = true;
    // From the top of the main list, wherever the cursor stood: started in a
    // procedure's sub-list the walk would miss the blocks before it and
    // their tools.
    lclos();
    ltop();
    while (true) {
        lacces(first || last == 12 ? 2 : 1, answer);
        first = false;
        if (answer < -1) return;
        if (answer == -1) {
            i32 level = 0;
            gtlstn(1, level);
            if (level < 2) return;
            CLSSBL(st);
            if (st < 0) return;
            last = 0;
            continue;
        }
        // The block's head: its size and type, the type's class checked as
        // the header reader checks it, so that an element of no size or of
        // an unknown type ends the walk as a failed read; the cursor is
        // already on the block, which the header reader would step off and
        // back onto.
        i32 type = 0, size = 0;
        lleng(size);
        if (size < 1) return;
        tpget(AM_LIST, 1, DT_INT, &type, st);
        if (st < 0) return;
        if (size > 1) {
            i32 cls = 0;
            PLSUPR(type, cls);
            if (cls == BC_ILLEGAL) return;
        }
        if (type == BT_TECH) {
            i32 number = 0, ptype = 0, kind = 0, iv = 0;
            f32 rv = 0;
            RDBT1(AM_LIST, number, ptype, kind, iv, rv, st);
            if (st < 0 || !add_tool(ptype, iv, slot)) return;
            last = 1;
        } else if (type == BT_PROC) {
            // The procedure-type code from the block itself (the word after
            // its number), not counted off the procedure tables: a
            // procedure block met in a sub-list would put the count out of
            // step. The movement's place is read from the block's own flags
            // (OPNMVL), so the block is not read further.
            i32 words[2] = {0, 0};
            tpget(AM_LIST, 2, DT_INT, words, st);
            if (st < 0) return;
            const i32 code = words[1];
            if (code == 52 || code == 53) {
                last = 0;
                continue;
            }
            OPNMVL(1, st);
            if (st < 0) return;
            if (is_open_proc() != 0) {
                i32 count = 0;
                tpget(AM_ENTITY, 1, DT_INT, &count, st);
                if (st >= 0) eskipn(1);
                const bool ok = st >= 0 && entity_tools(count, slot);
                close_entity();
                if (!ok) return;
                // The list stands where it stood: the walk goes on with the
                // next block (a first-element access here would start the
                // current list again, without end).
                last = 0;
                continue;
            }
            bool opened = st == 2;  // the movement's sub-list, opened by OPNMVL
            i32 level = 0;
            gtlstn(1, level);
            if (!opened && level < 2) {
                OPNSBL(st);
                if (st < 0) return;
                opened = true;
            }
            // Only a sub-list just opened is walked from its first block; a
            // procedure block deeper down that opened none is passed like
            // any other block, for the same reason as above.
            last = opened ? 12 : 0;
        } else {
            last = type;
        }
    }
}
}  // namespace

void nclist_mvent(const i32& tp, const i32& slot, i32& status)
{
    status = 0;
    TpEntries entries(tp);
    if (entries.n < 0) {
        status = -1;
        return;
    }
    for (i32 k = 0; k < entries.n && status == 0; ++k) {
        if (entries.pairs[2 * k] != 1) continue;
        // The host here names a procedure's movement entity by its own
        // query (its procedure information holds no movement), and
        // open_movmnt answers the block count and skips the head words.
        i32 movement = -1;
        get_set_movmnt_id(1, entries.pairs[2 * k + 1], movement);
        if (movement <= 0) continue;
        i32 cls = 0, type = 0, len = 0, st = 0;
        eopen(movement, cls, type, len, st);
        if (st < 0) {
            eroutc("nclist_ent, PROBLEMS IN OPENNING ENTITY", 0);
            status = -1;
            break;
        }
        eclose();
        if (cls != EC_NC || type != ET_MOVES) {
            erou1c("nclist_ent, NOT A MOVEMENT ENTITY. id = ", movement);
            status = -1;
            break;
        }
        i32 count = 0;
        open_movmnt(movement, count, st);
        if (st < 0) {
            eroutc("nclist_ent, PROBLEMS IN OPENNING ENTITY", 0);
            status = -1;
            break;
        }
        // The technology block's own value is the tool id.
        if (!entity_tools(count, slot)) status = -1;
        close_entity();
    }
}

void TOLTBL(const i32& selector, const i32& mode, i32& status)
{
    status = 0;
    char name[NAMLEN];
    std::memset(name, 0, sizeof name);
    TLSRST(TOOL_SLOT);
    const bool stored = mode == 1;
    i32 st = 0, view = 0, answer = 0;
    char tpname[8];
    bool marked = false;
    auto finish = [&] {
        if (!stored) {
            // The list goes back only to a position that was kept: after a
            // refused mark there is none, and going to an empty slot would
            // move the cursor somewhere the caller never stood.
            if (marked) TPTOP(MARK, st);
            SAVSTA(selector, 3, st);
        }
        reltol(TOOL_SLOT, st);
    };
    if (stored) {
        i32 header[64];
        std::memset(header, 0, sizeof header);
        get_set_tp_header(1, selector, header);
        std::memcpy(tpname, header, 8);
        eattc(selector, 1, "VN", view);
    } else {
        SAVSTA(selector, 2, st);
        lmark(1, MARK, answer);
        if (answer < 1) {  // the host answers 1 for a position kept
            status = -1;
            return finish();
        }
        marked = true;
        std::memcpy(tpname, NPT1, 8);
        gsvnum(view);
    }
    i32 kind = 0;
    char macsys[8];
    gvtdat(view, kind, macsys);
    if (kind != 3) {
        usmsgc("NOT IN MACSYS");
        return finish();
    }
    i32 length = 0, plen = 0;
    CRTPNM(1, "TOOLS_LIST", 10, name, length, plen, st);
    if (st != 0) {
        status = st;  // no name, or the old file kept: no list
        return finish();
    }
    ofinit(name, length, st);
    if (st != 0) {
        eroutc("TOLTBL, CANNOT OPEN THE FILE", 0);
        status = -1;
        return finish();
    }
    prmptc("W R I T I N G");
    i32 unit = 0;
    ofgunt(unit);
    head(unit, 13, "T O O L   L I S T");
    head(unit, 13, "=================");
    lnblank(unit);
    quoted_line(unit, 13, "PART FILE NAME: ", name, plen);
    quoted_line(unit, 13, "MACSYS NAME   : ", macsys, 8);
    quoted_line(unit, 13, "TOOL PATH NAME: ", tpname, 8);
    lnblank(unit);
    ofmod(2, st);
    if (stored)
        nclist_mvent(selector, TOOL_SLOT, st);
    else
        collect_current(TOOL_SLOT);
    ofmod(1, st);
    i32 n = 0;
    TLSCNT(TOOL_SLOT, n);
    lnout(unit, {lnB(13), lnS("NUMBER OF TOOLS = "), lnI(n)});
    lnblank(unit);
    lnblank(unit);
    head(unit, 13, "TOOL NAMES");
    head(unit, 13, "----------");
    for (i32 k = 1; k <= n; ++k) {
        i32 id = 0;
        TLSGET(TOOL_SLOT, k, id, st);
        char tool[20];
        GTTNAM(id, tool, 20);
        lnout(unit, {lnB(13), lnT(tool, 20)});
    }
    for (int k = 0; k < 3; ++k) lnblank(unit);
    ofmod(2, st);
    for (i32 k = 1; k <= n; ++k) {
        i32 id = 0, type = -1;
        TLSGET(TOOL_SLOT, k, id, st);
        GTTTYP(id, type);
        if (type < 0 || type > 10) continue;
        TLCACH(3, id, st);
        if (st != 0) continue;
        if (type == 2) {
            i32 header[TLHDR_N], holder = 0, hmode = 0;
            RDTOOL(id, header, holder, hmode, st);
            if (st >= 0 && holder > 0) dbdholdr(1, holder, st);
        }
        DEFTOL(type, 11, 1, st);
    }
    ofmod(1, st);
    lnblank(unit);
    lnblank(unit);
    lnout(unit, {lnS("END OF TOOL PATH")});
    lnblank(unit);
    if (!close_output("TOLTBL", name, length)) status = -1;
    finish();
}
