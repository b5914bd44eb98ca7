// The gathering's working lists: their opening, growth and release, and
// access to the triangles their entries name.
#include "cutter/elmlist.h"

#include <cstring>
#include <initializer_list>
#include <string>

#include "core/host.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/under.h"

i32 ELMLST[2] = {-1, 0};
i32 ELMIDX[2] = {-1, 0};
i32 ELMCPY[2] = {-1, 0};
i32 ELMCAP = 0;
i32 ELMNCL = 0;
i32 ELMCLS[QT_NODES * QC_ROW];

void ELMREL(i32& status)
{
    status = 0;
    for (i32* h : {ELMLST, ELMIDX, ELMCPY}) {
        if (h[0] == -1) continue;
        i32 st = 0;
        MM_CLOSE(h[0], st);
        if (st != 0) {
            eroutc("FRETRI,Close dynamic memory error", 0);
            status = st;
        }
        h[0] = -1;
        h[1] = 0;
    }
    ELMCAP = 0;
    ELMNCL = 0;
    elm_index_changed();
    elm_side_drop();
    // The last winner named a triangle of the released model.
    LOCLST[0] = LOCLST[1] = -1;
    LOCNRM = 1;
}

const i32* elmtrg(const i32* entry)
{
    if (entry[ELM_NODE] >= 0) {
        const i32* b = qtnbas(entry[ELM_NODE]);
        return b ? b + static_cast<size_t>(entry[ELM_INDEX]) * TRG_WORDS : nullptr;
    }
    void* b = nullptr;
    mmcptr(ELMCPY[0], b);
    return b ? static_cast<const i32*>(b) + static_cast<size_t>(entry[ELM_INDEX]) * TRG_WORDS : nullptr;
}

void* elmbase(const i32* h)
{
    if (h[0] < 0) return nullptr;
    // The check word set when the array was opened is tested before the
    // handle is used: a handle overwritten since would hand out another
    // array's address, and the lists would be read and written there.
    if (h[1] != hdlchk(h[0])) {
        eroutc("elm2nd, CHECK WORD OF A LIST IS WRONG", 0);
        return nullptr;
    }
    void* b = nullptr;
    mmcptr(h[0], b);
    return b;
}

namespace {
bool open_list(i32* h, i32 elsize, i32 count)
{
    void* b = nullptr;
    i32 st = 0;
    MM_OPEN_ARRAY(elsize, count, h[0], b, st);
    if (st != 0) {
        h[0] = -1;
        return false;
    }
    h[1] = hdlchk(h[0]);
    return true;
}

bool grow_list(i32* h, i32 added)
{
    void* b = nullptr;
    i32 st = 0;
    MM_RESIZE_ARRAY(h[0], added, b, st);
    return st == 0;
}

// The entries the turned copies' list and the index array hold. Each keeps
// its own count instead of following the list's capacity: a gathering
// outside tool-axis mode grows the list without its copies, and a refused
// growth of the index leaves the index shorter than the list, so a later
// gathering sized by the list alone would write past them.
i32 cpy_held = 0;
i32 idx_held = 0;
// The entries the list itself holds: a growth whose copies were refused
// leaves the list open (or grown) while the capacity stays, and the next
// growth takes up what it already holds instead of opening a second list
// over the first, which would never be closed.
i32 lst_held = 0;

// Makes the list h (its entries of elsize bytes, `held` of them while it is
// open) hold at least `want` entries: opened when closed, else grown by
// what it lacks. False when the host refuses.
bool hold(i32* h, i32& held, i32 elsize, i32 want)
{
    if (h[0] < 0) {
        held = 0;
        if (!open_list(h, elsize, want)) return false;
    } else if (held < want) {
        if (!grow_list(h, want - held)) return false;
    }
    if (held < want) held = want;
    return true;
}

}  // namespace

i32* elmlst() { return static_cast<i32*>(elmbase(ELMLST)); }
i32* elmidx() { return static_cast<i32*>(elmbase(ELMIDX)); }

void list_memory_error(i32& count, i32& status)
{
    eroutc("elm2nd,dynamic memory error", 0);
    status = -1;
    count = 0;
}

// Opens the list (and, with copies, the turned entries' list) or grows
// them by one step and raises the capacity; false (said once, status -1,
// count 0) when they cannot be had.
bool grow_lists(bool copies, i32& capacity, i32& count, i32& status)
{
    const bool ok = hold(ELMLST, lst_held, ELM_WORDS * 4, capacity + ELM_STEP) &&
                    (!copies || hold(ELMCPY, cpy_held, TRG_WORDS * 4, capacity + ELM_STEP));
    if (!ok) {
        list_memory_error(count, status);
        return false;
    }
    capacity += ELM_STEP;
    ELMCAP = capacity;
    return true;
}

bool copies_fit(i32 capacity, i32& count, i32& status)
{
    if (hold(ELMCPY, cpy_held, TRG_WORDS * 4, capacity)) return true;
    list_memory_error(count, status);
    return false;
}

// A tree that still holds entries while the model's surface records or
// nodes are released is a stale model: refused under the gatherer's name,
// status -1, nothing listed.
bool arrays_open(const char* routine, i32& status)
{
    if (CNTSRB && CNTNDB) return true;
    const std::string text = std::string(routine) + ", SURFACE ARRAYS ARE NOT OPEN";
    eroutc(text.c_str(), 0);
    status = -1;
    return false;
}

namespace {
// How many leading entries of the index array are known to hold their own
// position, and the array (handle and address) that is known of. The index
// is written only by identity_index and the sort, so a gathering after a
// gathering rewrites just the entries past what the last one left; any
// other array, or a sort, starts the count again.
i32 idx_known = 0;
i32 idx_known_handle = -1;
const i32* idx_known_at = nullptr;
}  // namespace

void elm_index_changed() { idx_known = 0; }

// Makes the index array as large as the list and fills it with 0..count-1;
// false (status -1, count 0) when the array cannot be had.
bool identity_index(i32 capacity, i32& count, i32& status)
{
    const i32 held = idx_held;
    if (!hold(ELMIDX, idx_held, 4, capacity)) {
        list_memory_error(count, status);
        return false;
    }
    // An array opened or grown is filled whole, whatever the host kept.
    if (idx_held != held) idx_known = 0;
    i32* idx = elmidx();
    // A wrong check word (said by elmbase) gives no address: the gathering
    // fails rather than write the index through nothing.
    if (!idx) {
        status = -1;
        count = 0;
        return false;
    }
    if (idx != idx_known_at || ELMIDX[0] != idx_known_handle) idx_known = 0;
    for (i32 i = idx_known; i < count; ++i) idx[i] = i;
    if (count > idx_known) idx_known = count;
    idx_known_at = idx;
    idx_known_handle = ELMIDX[0];
    return true;
}

void TRGGET(const i32& k, i32* entry)
{
    const i32* idx = elmidx();
    const i32* lst = elmlst();
    // Lists refused for a wrong check word (said by elmbase): the entry is
    // left as handed in, as for a triangle that cannot be had; the copy has
    // no status word to report it through.
    if (!idx || !lst) return;
    const i32* t = elmtrg(lst + static_cast<size_t>(idx[k - 1]) * ELM_WORDS);
    if (t) std::memcpy(entry, t, TRG_WORDS * sizeof(i32));
}
