// The machining-time estimate: the walk over the blocks with the block
// timer, the per-tool accounts against the tool life and the report lines.
#include "edit/report/estimate.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/host.h"
#include "core/listname.h"
#include "core/names.h"
#include "core/records.h"
#include "edit/report/service.h"
#include "edit/report/timing.h"
#include "tools/toolcache.h"

EstimateState ESTST;

namespace {
i32 MODE = 3;
constexpr i32 PATHLEN = 256;
const char* const RULE = "\t===========================================================\n";

struct Report {
    std::FILE* file = nullptr;
    char path[PATHLEN] = {0};
    i32 length = 0;
};

// One report line by the output mode: into the file with a line feed, to the
// message window, or both.
void print_estimate_line(Report& r, const std::string& text)
{
    if ((MODE == 2 || MODE == 3) && r.file) {
        std::fwrite(text.data(), 1, text.size(), r.file);
        std::fputc('\n', r.file);
    }
    if (MODE == 1 || MODE == 3) shmsgc(text.c_str());
}

std::string real(f32 v)
{
    char b[48];
    std::snprintf(b, sizeof b, "%.4f", static_cast<f64>(v));
    if (std::strcmp(b, "-0.0000") == 0) return "0.0000";
    return b;
}

std::string unit_name(f32& factor)
{
    i32 code = 0;
    getunt(code, factor);
    char name[9];
    nu_sgcd_find_unit(1, code, name);
    return name;
}

void reset_estimate()
{
    ESTST.previous = -1;
    ESTST.used = 0;
    ESTST.open = 1;
    std::memset(ESTST.table, 0, sizeof ESTST.table);
}

void reset_procedure_times()
{
    ESTST.feed = ESTST.maxfeed = ESTST.fast = ESTST.tooltime = ESTST.mlength = 0;
    ESTST.minz = 1.0e8f;
    std::memset(ESTST.tool, 0, sizeof ESTST.tool);
    ESTST.ntools = 1;
    ESTST.current = 0;
    ESTST.open = 1;
    ESTST.toolid = -1;
}

void open_time_report(const i32& scope, Report& r, i32& status)
{
    status = 0;
    char name[24];
    if (scope == 1)
        std::snprintf(name, sizeof name, "TP_TIME");
    else
        std::snprintf(name, sizeof name, "TIME_%d", CURPRC.number);
    if (MODE == 0 || MODE == 1) {
        gtpfnm(r.path, PATHLEN - 1, r.length, status);
        if (status != 0) {
            status = -1;
            return;
        }
    } else {
        i32 plen = 0;
        CRTPN2(1, name, static_cast<i32>(std::strlen(name)), r.path, r.length, plen, status);
        if (status != 0) {
            status = -1;
            return;
        }
        r.file = std::fopen(r.path, "w+");
        if (!r.file) {
            errou4("TIME_BLKLST, CANNOT OPEN FILE (fopen failed)", r.path, r.length);
            status = -1;
            return;
        }
        prmptc("W R I T I N G");
    }
    print_estimate_line(r, scope == 1 ? "\t\tTOOL PATH TIME ESTIMATE " : "\t\tPROCEDURE TIME ESTIMATE ");
    print_estimate_line(r, "\t\t=========================");
    if (r.file) print_estimate_line(r, std::string("\t\tPART FILE NAME : \"") + std::string(r.path, static_cast<size_t>(r.length)) + "\"\n");
    status = 0;
}

void print_procedure_header(Report& r)
{
    // The name's nine characters are read as the eight of the procedure
    // type's name and its end byte: PRCNAM gives eight.
    char fname[9] = {0};
    PRCNAM(CURPRC.code, fname);
    print_estimate_line(r, RULE);
    print_estimate_line(r, "\t");
    print_estimate_line(r, "PROCEDURE NUMBER = " + std::to_string(CURPRC.number) + " " + "\t\t" + "FUNCTION NAME " + ": \"" +
                std::string(fname, 8) + "\"");
}

void print_milling_length(Report& r)
{
    f32 factor = 1;
    const std::string unit = unit_name(factor);
    print_estimate_line(r, "\t\t");
    // The number and the unit's name follow the label directly, as the
    // host's text builders join them.
    print_estimate_line(r, "MILLING LENGTH IS: " + std::to_string(static_cast<i32>(ESTST.mlength / factor)) + unit);
    ESTST.mlength = 0;
}

std::string timed(const f32& minutes)
{
    char text[64];
    format_time(minutes, text);
    return text;
}

// Closes the account of the tool in use; a tool change also starts the
// next tool's time from 0.
void close_account(Report& r, bool change)
{
    if (ESTST.current < 1) return;
    EstimateTool& e = ESTST.table[ESTST.current - 1];
    e.time += ESTST.tooltime;
    if (ESTST.open == 1)
        print_estimate_line(r, "\n\t\tACCORDING TO TOOL LIFE VALUE - NO NEED TO REPLACE THE TOOL.");
    else
        ESTST.open = 1;
    print_estimate_line(r, std::string("\t\tTOOL \"") + ESTST.tool + "\" TIME IS: " + timed(ESTST.tooltime));
    print_milling_length(r);
    print_estimate_line(r, "\t\t");
    print_estimate_line(r, "TOOL LIFE VALUE IS: " + real(e.life) + "HOURS");
    if (change) ESTST.tooltime = 0;
}

// The entry of a tool in the table, made on its first use; status -1 when
// the table is full.
void find_tool_entry(const i32& id, i32& index, i32& status)
{
    status = 0;
    for (i32 k = 0; k < ESTST.used; ++k)
        if (ESTST.table[k].id == id) {
            index = k + 1;
            return;
        }
    if (ESTST.used + 1 >= EST_TOOLS) {
        status = -1;
        return;
    }
    EstimateTool& e = ESTST.table[ESTST.used++];
    char name[20];
    GTTNAM(id, name, 20);
    e.id = id;
    std::memcpy(e.name, name, 19);
    e.name[19] = '\0';
    // A tool that is not a milling tool (or cannot be loaded) has no life limit.
    e.life = TLCBLK.id == id ? TLCBLK.LIFLNG : -1.0f;
    e.time = 0;
    e.replaced = 0;
    index = ESTST.used;
}

// The replacement warnings after a feed block.
void tool_life(Report& r, const i32& number)
{
    if (ESTST.current < 1) return;
    EstimateTool& e = ESTST.table[ESTST.current - 1];
    if (e.life < 0) return;
    if (static_cast<f32>(e.replaced + 1) * e.life * 60.0f < ESTST.tooltime + e.time) {
        if (ESTST.open == 1) {
            print_estimate_line(r, std::string("\n\t\tACCORDING TO TOOL LIFE VALUE - REPLACE TOOL \"") + ESTST.tool + "\" :");
            ESTST.open = 0;
        }
        print_estimate_line(r, "\t\t");
        print_estimate_line(r, "BEFORE BLOCK #" + std::to_string(number));
        ++e.replaced;
    }
}

void add_block_time(i32& first, Report& r, const i32& access, i32& status)
{
    f32 time = first != 0 ? -1.0f : 0.0f;
    i32 number = 0, st = 0;
    const i32 kind = TIMEBLK(0, access, number, time, ESTST.toolid, ESTST.mlength, ESTST.minz, st);
    if (st < 0) {
        status = -1;
        return;
    }
    switch (kind) {
    case MK_FEED:
        ESTST.feed += time;
        ESTST.tooltime += time;
        tool_life(r, number);
        break;
    case MK_MAXFEED: ESTST.maxfeed += time; break;
    case MK_RAPID: ESTST.fast += time; break;
    case MK_TOOLCHG:
    case MK_FIRSTTOOL: {
        const i32 id = ESTST.toolid;
        if (kind == MK_TOOLCHG && ESTST.previous > 0 && ESTST.previous != id) close_account(r, true);
        i32 index = 0;
        find_tool_entry(id, index, st);
        if (st < 0) {
            // A full table ends the walk; the message says why, since the
            // report is then cut short at this block.
            erou1c("estimate_time, TOO MANY TOOLS. TOOL = ", id);
            status = -1;
            return;
        }
        if (id != ESTST.previous) {
            if (ESTST.previous >= 0) ++ESTST.ntools;
            ESTST.previous = id;
        }
        ESTST.current = index;
        std::memcpy(ESTST.tool, ESTST.table[index - 1].name, sizeof ESTST.tool);
        break;
    }
    default: break;
    }
}

void print_procedure_summary(Report& r)
{
    if (ESTST.ntools < 1) ESTST.ntools = 1;
    const f32 changes = static_cast<f32>(ESTST.ntools - 1) * 0.25f;
    const f32 total = changes + ESTST.fast + ESTST.maxfeed + ESTST.feed;
    if (leval(total, 0.0f) != 0) {
        print_estimate_line(r, "\n\t\tTHERE ARE NO MOVEMENTS IN THIS PROCEDURE.");
    } else {
        close_account(r, false);
        print_estimate_line(r, "\n\t\t");
        print_estimate_line(r, "TOTAL ESTIMATED TIME FOR PROCEDURE #" + std::to_string(CURPRC.number) + " IS: " + timed(total));
        print_estimate_line(r, "\t\t--------------------");
        print_estimate_line(r, "\t\tFEED TIME          :\t" + timed(ESTST.feed));
        print_estimate_line(r, "\t\tMAX-FEED TIME      :\t" + timed(ESTST.maxfeed));
        print_estimate_line(r, "\t\tFAST TIME          :\t" + timed(ESTST.fast));
        if (ESTST.ntools > 1) print_estimate_line(r, "\t\tCHANGING TOOLS TIME :\t" + timed(changes));
        f32 factor = 1;
        const std::string unit = unit_name(factor);
        const f32 z = ESTST.minz / factor - wrd2r(NPT1[NPT1_ORIGIN + 2]);
        print_estimate_line(r, "\n\t\t");
        print_estimate_line(r, "MINIMUM Z IN PROCEDURE IS:" + real(z) + unit);
    }
    print_estimate_line(r, RULE);
}

void estimate_blocks(i32& first, Report& r, const i32& scope, i32& status)
{
    status = 0;
    reset_procedure_times();
    print_procedure_header(r);
    // The walk over a stored procedure count (scope 1) has no count to walk:
    // nothing stores one.
    while (scope == 2) {
        i32 answer = 0;
        if (first != 0) {
            // The walk starts at the editor's current block: the host's
            // access of the current element (in this host mode 2 is the
            // list's first).
            lacces(0, answer);
            // No current element is a list with no block to time: the walk
            // is empty and its report whole (no movements), so the estimate
            // goes through and announces its file, as a failed walk would
            // once its closing went well.
            if (answer < 0) {
                status = answer == -2 ? 2 : 0;
                break;
            }
        } else {
            lacces(1, answer);
            if (answer == -1) break;
            if (answer < 0) {
                status = answer == -2 ? 2 : -1;
                break;
            }
        }
        add_block_time(first, r, 2, status);
        first = 0;
        if (status < 0) break;
    }
    print_procedure_summary(r);
}

void close_time_report(Report& r, i32& status)
{
    status = 0;
    if (r.file && std::fclose(r.file) != 0) status = -1;
    r.file = nullptr;
}
}  // namespace

void set_estimate_mode(const i32& mode)
{
    if (mode < 0 || mode > 3) {
        std::printf("set_estimate_mode: mode %d is unlegal\n", mode);
        return;
    }
    MODE = mode;
}

i32 get_estimate_mode() { return MODE; }

void format_time(const f32& minutes, char* text)
{
    const f64 m = static_cast<f64>(minutes) * 60.0;
    // Seconds rounded up (a negative value cut toward zero), within what a
    // 64-bit count holds.
    const f64 c = std::fmin(std::fmax(m > 0 ? std::ceil(m) : std::trunc(m), -1e15), 1e15);
    const long long s = std::isnan(c) ? 0 : static_cast<long long>(c);
    const long long h = s / 3600, min = (s % 3600) / 60, sec = (s % 3600) % 60;
    if (h > 0)
        std::snprintf(text, 64, "\t %lld HOURS %lld MINUTES %lld SECONDS", h, min, sec);
    else if (min > 0)
        std::snprintf(text, 64, "\t %lld MINUTES %lld SECONDS", min, sec);
    else
        std::snprintf(text, 64, "\t %lld SECONDS", sec);
}

void estimate_time(i32& first, const i32& scope, i32& status)
{
    reset_estimate();
    Report r;
    // The report is named by the estimate's own scope: "TP_TIME" belongs to
    // the walk of a whole tool path (scope 1), "TIME_n" to a procedure's.
    open_time_report(scope, r, status);
    if (status < 0) return;
    const bool wrote = r.file != nullptr;
    i32 walk = 0;
    estimate_blocks(first, r, scope, walk);
    close_time_report(r, status);
    // A failed walk stays failed whatever the closing answers: a file cut
    // short is not announced as the output. A walk that the list access
    // ended (status 2) wrote its summary and closing rule like any other,
    // so its file is announced.
    const bool whole = walk >= 0 && status == 0;
    if (walk < 0 || (status == 0 && walk != 0)) status = walk;
    // The host's user message with a file name: the one routine it has for
    // a message followed by a path.
    if (whole && wrote) usrms4("OUTPUT TO FILE", r.path, r.length);
}
