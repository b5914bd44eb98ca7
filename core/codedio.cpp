#include "core/codedio.h"

#include <cstring>
#include <vector>

#include "core/host.h"

BlockModeOff::BlockModeOff() : was(eopen_block_get() != 0)
{
    if (was) eopen_block_clear();
}

BlockModeOff::~BlockModeOff()
{
    if (was) eopen_block_set();
}

namespace {
bool is_list(i32 m) { return m >= 2 && m <= 4; }

// The largest run a reader passes over when it refuses a segment.
constexpr i32 MAX_PASS_OVER = 1 << 20;
}  // namespace

void tpget(const i32& medium, const i32& count, const i32& type, void* buf, i32& status)
{
    status = 0;
    BlockModeOff guard;
    i32 eff = type;
    bool convert = false;
    if (type == DT_EXPR && medium != MED_TPLREAD && tp_vnum_get() < 830) {
        eff = DT_REAL;  // older tool paths keep a plain real
        convert = true;
    }
    if (medium == MED_ENTITY) {
        // An entity that holds fewer words than asked is a short read, as on
        // the list: the caller must not take the zeros for stored words.
        if (egetn(count, buf) < count) status = -2;
    } else if (is_list(medium)) {
        lgetd(status, count, buf);
        if (status < 0) {
            eroutc("[tpget] ERRORS IN LIST", 0);
            return;
        }
        if (status < count) {
            status = -2;
            return;
        }
    } else if (medium == MED_PARLINE) {
        nu_parm_get_line(count, eff, buf, status);
    } else if (medium == MED_NONE) {
        if (eff == DT_EXPR) tpexpr(medium, count, buf, status);
    } else if (medium == MED_TPLREAD) {
        if (eff == DT_EXPR) {
            tpexpr(medium, count, buf, status);
        } else {
            i32 file = get_template_file_ptr();
            if (file == 0) {
                status = -1;
                return;
            }
            template_read_one_record(file, buf, count, eff, status);
        }
    } else {
        // A medium the reader does not know read nothing: the read fails,
        // or the caller would take the words it holds for what was read.
        erou1c("[tpget] where = ", medium, " - unknown.");
        status = -1;
        return;
    }
    if (status < 0) return;
    // Only a plain real that was read is turned into an expression item: the
    // medium that reads nothing (7) leaves the caller's item as it was,
    // expression text and all, instead of rebuilding it from its first word.
    if (convert && medium != MED_NONE) rel_nc_init_expr(buf);
    if (type == DT_LOGICAL) {
        i32* w = static_cast<i32*>(buf);
        for (i32 k = 0; k < count; ++k)
            if (w[k] != 0) w[k] = 1;
    }
}

void tpgetl(const i32& medium, i32 count, i32 type, void* buf, i32& status)
{
    tpget(medium, count, type, buf, status);
    if (status >= 0 && type == DT_LOGICAL) {
        i32* w = static_cast<i32*>(buf);
        for (i32 k = 0; k < count; ++k)
            if (w[k] != 0) w[k] = 1;
    }
}

void tpget3(const i32& medium, const i32& count, const i32&, void* buf, i32& status)
{
    tpget(medium, count, DT_LEGACY, buf, status);
}

void TPSKIP(const i32& medium, const i32& count, const i32&, i32& status)
{
    status = 0;
    i32 scratch = 0;
    if (medium == MED_NONE || medium == MED_ENTITY) {
        eskipn(count);
    } else if (medium == MED_PARLINE) {
        for (i32 k = 0; k < count && status >= 0; ++k) nu_parm_get_line(1, DT_INT, &scratch, status);
    } else if (medium == MED_TPLREAD) {
        i32 file = get_template_file_ptr();
        if (file == 0) {
            status = -1;
            return;
        }
        // The words are passed over record by record up to the count: an
        // item's values are one record of count words, so skipping one record
        // per word would swallow the segments after it.
        template_skip_words(file, count, status);
    } else {
        lskip(status, count);
        if (status < 0) {
            eroutc("TPSKIP,ERRORS IN LIST", 0);
            return;
        }
        if (status < (count < 0 ? -count : count)) status = -2;
    }
}

void tpskpn(const i32& medium, i32 count, i32 type, i32& status) { TPSKIP(medium, count, type, status); }

void TPPUT(const i32& medium, const i32& count, const i32& type, const void* buf, i32& status)
{
    status = 0;
    // A negative count is refused with status -1 rather than handed on: no
    // medium can write a negative run, the host would take it as a length,
    // and the text padding below would size its copy from it. The caller
    // reports the failed write by its status, as for any other.
    if (count < 0) {
        status = -1;
        return;
    }
    // Texts go out NUL-padded from the end of the text to the full run. The
    // padding is made in a copy, so that a caller's text shorter than the
    // run is neither changed nor written past.
    std::vector<char> padded;
    if (type == DT_TEXT && count > 0) {
        padded.assign(static_cast<size_t>(count) * 4, '\0');
        const char* t = static_cast<const char*>(buf);
        size_t n = strnlen(t, padded.size());
        std::memcpy(padded.data(), t, n);
        buf = padded.data();
    }
    if (medium == MED_TPLWRITE) {
        if (type == DT_EXPR) {
            tpexpr(medium, count, const_cast<void*>(buf), status);
            return;
        }
        i32 file = get_template_file_ptr();
        if (file == 0) {
            status = -1;
            return;
        }
        template_write_one_record(file, buf, count, type, status);
    } else if (medium == MED_ENTITY) {
        eputn(count, buf);
    } else {
        lputd(status, count, buf);
        if (status < 0) {
            eroutc("TPPUT,ERRORS IN LIST", 0);
            status = -1;
            return;
        }
        status = 0;
    }
}

static bool known_type(i32 t) { return t == DT_INT || t == DT_REAL || t == DT_RECS || t == DT_TEXT || t == DT_EXPR; }

void TPPUTNT(i32 medium, i32 code, i32 count, i32 type, const void* buf, i32& status)
{
    TPPUT(medium, 1, DT_INT, &code, status);
    if (status < 0) return;
    if (!known_type(type)) eroutc("TPPUTNT, ERROR IN DEFTYP ", 0);
    i32 n1 = count + 1;
    TPPUT(medium, 1, DT_INT, &n1, status);
    if (status < 0) return;
    TPPUT(medium, 1, DT_INT, &type, status);
    if (status < 0) return;
    TPPUT(medium, count, type, buf, status);
}

void tpptntl(i32 medium, i32 code, i32 count, i32 type, const void* buf, i32& position, i32& status)
{
    TPPUTNT(medium, code, count, type, buf, status);
    if (status < 0) return;
    if (!known_type(type)) eroutc("[tpptntl] ERROR IN DEFTYP ", 0);
    position += count + 3;
    status = 0;
}

// Expression items on the template media go field by field; elsewhere they
// are passed over.
void tpexpr(i32 medium, i32 count, void* buf, i32& status)
{
    status = 0;
    if (medium != MED_TPLREAD && medium != MED_TPLWRITE) return;
    i32 file = get_template_file_ptr();
    if (file == 0) {
        status = -1;
        return;
    }
    i32 items = (4 * count) / 96;
    i32* w = static_cast<i32*>(buf);
    for (i32 it = 0; it < items && status >= 0; ++it) {
        i32* item = w + it * EXPR_WORDS;
        i32 vtype;
        if (medium == MED_TPLREAD) {
            i32 look[EXPR_WORDS] = {0};
            template_read_rw(file, look, EXPR_WORDS, DT_INT, status);
            if (status < 0) return;
            vtype = look[EXPR_TYPE];
            template_read_one_record(file, item, 2, vtype, status);
            if (status >= 0) template_read_one_record(file, item + EXPR_TEXT, 21, DT_TEXT, status);
            if (status >= 0) template_read_one_record(file, item + EXPR_TYPE, 1, DT_INT, status);
        } else {
            vtype = item[EXPR_TYPE];
            template_write_one_record(file, item, 2, vtype, status);
            if (status >= 0) template_write_one_record(file, item + EXPR_TEXT, 21, DT_TEXT, status);
            if (status >= 0) template_write_one_record(file, item + EXPR_TYPE, 1, DT_INT, status);
        }
    }
}

void tpgseg(const i32& medium, i32& code, i32& count, i32& type, void* buf, const i32& capacity, i32& status)
{
    i32 head[3] = {0, 0, 0};
    code = count = type = 0;
    for (int k = 0; k < 3; ++k) {
        tpget(medium, 1, DT_INT, &head[k], status);
        if (status < 0) return;
    }
    code = head[0];
    count = head[1] - 1;
    type = head[2];
    if (count < 0) {
        erou1c("tpgseg, BAD ITEM COUNT, CODE = ", code);
        status = -3;
        return;
    }
    // An older tool path's plain real is turned into a whole expression item
    // in place, so such an item needs the room of the whole item, however
    // few words were stored.
    const bool grows = type == DT_EXPR && medium != MED_TPLREAD && tp_vnum_get() < 830;
    if (count > capacity || (grows && capacity < EXPR_WORDS)) {
        erou2c("tpgseg, ITEM LONGER THAN ITS AREA, CODE AND COUNT = ", code, count);
        if (count <= MAX_PASS_OVER) {
            std::vector<i32> scratch(static_cast<size_t>(count) + EXPR_WORDS);
            tpget(medium, count, type, scratch.data(), status);
        }
        status = -3;
        return;
    }
    tpget(medium, count, type, buf, status);
}
