// Words of records and blocks: 32-bit integers and single-precision reals that
// share one storage type. Records keep reals as their bit patterns in integer
// words; these helpers move a value in and out without changing a bit.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

using i32 = std::int32_t;
using i16 = std::int16_t;
using u16 = std::uint16_t;
using f32 = float;
using f64 = double;

static_assert(sizeof(f32) == 4 && sizeof(i32) == 4, "words are 4 bytes");

// Real value held in an integer word.
inline f32 wrd2r(i32 w) { return std::bit_cast<f32>(w); }
// Integer word holding a real value.
inline i32 r2wrd(f32 r) { return std::bit_cast<i32>(r); }

// Fixed-length text fields: blank-padded, cut to the field length.
inline void fixtxt(char* field, int len, const char* text)
{
    int n = 0;
    if (text)
        while (n < len && text[n] != '\0') { field[n] = text[n]; ++n; }
    for (; n < len; ++n) field[n] = ' ';
}

// NUL-terminated copy of a fixed field with trailing blanks removed.
inline void txtfix(char* out, int outlen, const char* field, int len)
{
    int n = len < outlen - 1 ? len : outlen - 1;
    while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\0')) --n;
    std::memcpy(out, field, static_cast<size_t>(n));
    out[n] = '\0';
}
