#include "core/util.h"

#include <cstring>
#include <ctime>

#include "core/host.h"

void ERRMSG(const char* text, const i32& code)
{
    char buf[81] = {0};
    i32 n = static_cast<i32>(strnlen(text, 80));
    std::memcpy(buf, text, static_cast<size_t>(n));
    errout(buf, code, n);
}

void MDGETK(const char* key, void* data, i32& count, i32& status)
{
    char k[4];
    fixtxt(k, 4, key);
    mdgetn(k, data, count, status);
}

void EOPCH(const i32& id, const i32& cls, const i32& type, i32& status)
{
    i32 c = 0, t = 0, len = 0;
    eopen(id, c, t, len, status);
    if (status != 0) return;
    if (c != cls || t != type || len < 1) {
        eroutc("EOPCH-ERROR IN OPEN ENTITY", 0);
        status = -1;
    }
}

void GETDTM(i32* dt)
{
    std::time_t now = std::time(nullptr);
    // The standard library's local time: the module is single-threaded, so
    // its shared result is read at once, before anything else can ask.
    std::tm t{};
    if (const std::tm* local = std::localtime(&now)) t = *local;
    dt[0] = t.tm_year + 1900;
    dt[1] = t.tm_mon + 1;
    dt[2] = t.tm_mday;
    dt[3] = t.tm_hour;
    dt[4] = t.tm_min;
    dt[5] = t.tm_sec;
}

// Indices are 1-based; nothing is done for an empty or invalid range.
void R4TOR8(const f32* a, const i32& i1, const i32& i2, f64* b, const i32& j)
{
    if (i1 < 1 || i1 > i2 || j < 1) return;
    for (i32 k = i1; k <= i2; ++k) b[j - 1 + (k - i1)] = a[k - 1];
}

void R8TOR4(const f64* a, const i32& i1, const i32& i2, f32* b, const i32& j)
{
    if (i1 < 1 || i1 > i2 || j < 1) return;
    for (i32 k = i1; k <= i2; ++k) b[j - 1 + (k - i1)] = static_cast<f32>(a[k - 1]);
}

void I2COPY(const u16& from, u16& to) { to = from; }

i32 I2TOI4(const u16& id) { return id == 65535 ? -1 : static_cast<i32>(id); }

void I4TOI2(const i32& id, u16& to) { to = id == -1 ? 65535 : static_cast<u16>(id & 0xFFFF); }

void GTSZ20(i32& size) { size = 20; }

// Moves words 1..n up by k places, from the top down so the ranges may overlap.
void SHFTUP(i32* words, const i32& capacity, const i32& n, const i32& k, i32& status)
{
    status = 0;
    // A negative count or shift is refused like an overflow: a negative k
    // would write below the array's first word, and n + k alone cannot
    // catch it.
    if (n < 0 || k < 0 || n + k > capacity) {
        status = -1;
        return;
    }
    for (i32 i = n - 1; i >= 0; --i) words[i + k] = words[i];
}

bool array_open(const i32& handle)
{
    void* base = nullptr;
    if (handle >= 0) mmcptr(handle, base);
    return base != nullptr;
}
