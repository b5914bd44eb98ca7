// The entries of a stored tool path entity.
#pragma once

#include "core/host.h"
#include "core/words.h"

// The (kind, id) entries of a stored tool path entity in a host block of 8n
// bytes: kind 1 a procedure, 2 a sub-tool-path, 4 and 10 movements. n is -1
// when they cannot be read, 0 when there are none.
struct TpEntries {
    i32 n = 0, bytes = 0;
    i32* pairs = nullptr;
    explicit TpEntries(i32 tp)
    {
        i32 st = 0;
        get_tp_info(tp, n, st);
        if (st < 0 || n < 1) {
            n = st < 0 ? -1 : 0;
            return;
        }
        bytes = 8 * n;
        pairs = static_cast<i32*>(DM_ALLOC(bytes));
        if (pairs) dbd_tp(1, tp, pairs, n, st);
        if (!pairs || st < 0) n = -1;
    }
    ~TpEntries()
    {
        if (pairs) DM_FREE(pairs, bytes);
    }
    TpEntries(const TpEntries&) = delete;
    TpEntries& operator=(const TpEntries&) = delete;
    i32 kind(i32 k) const { return pairs[2 * k]; }
    i32 id(i32 k) const { return pairs[2 * k + 1]; }
};
