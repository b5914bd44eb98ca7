// Reads back the host's stock picture: an 8-bit grey PNG of stored
// (uncompressed) deflate blocks, decoded to its pixels by rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pngread {

// A big-endian 32-bit word of the file.
inline std::uint32_t be32(const std::string& s, size_t at)
{
    std::uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(s[at + k]);
    return v;
}

// The CRC-32 of n bytes from `at` (a chunk's type and data).
inline std::uint32_t crc(const std::string& s, size_t at, size_t n)
{
    std::uint32_t c = 0xffffffffu;
    for (size_t k = 0; k < n; ++k) {
        c ^= static_cast<unsigned char>(s[at + k]);
        for (int b = 0; b < 8; ++b) c = (c & 1) ? (c >> 1) ^ 0xedb88320u : c >> 1;
    }
    return ~c;
}

// Decodes an 8-bit grey PNG of stored deflate blocks: its pixels by rows,
// every chunk's CRC and the Adler sum checked.
inline bool decode(const std::string& png, std::uint32_t& w, std::uint32_t& h, std::vector<unsigned char>& pix)
{
    if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return false;
    std::string z;
    for (size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t n = be32(png, at);
        const std::string type = png.substr(at + 4, 4);
        if (at + 12 + n > png.size() || crc(png, at + 4, n + 4) != be32(png, at + 8 + n)) return false;
        if (type == "IHDR") {
            w = be32(png, at + 8), h = be32(png, at + 12);
            if (png[at + 16] != 8 || png[at + 17] != 0) return false;
        }
        if (type == "IDAT") z += png.substr(at + 8, n);
        at += 12 + n;
    }
    std::string raw;
    size_t at = 2;
    for (bool last = false; !last;) {
        if (at + 5 > z.size()) return false;
        last = z[at] & 1;
        const size_t n = static_cast<unsigned char>(z[at + 1]) | static_cast<unsigned char>(z[at + 2]) << 8;
        raw += z.substr(at + 5, n);
        at += 5 + n;
    }
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
    if (be32(z, at) != (b << 16 | a) || raw.size() != size_t(h) * (w + 1)) return false;
    pix.clear();
    for (std::uint32_t j = 0; j < h; ++j) {
        if (raw[j * (w + 1)] != 0) return false;
        pix.insert(pix.end(), raw.begin() + std::ptrdiff_t(j * (w + 1) + 1), raw.begin() + std::ptrdiff_t((j + 1) * (w + 1)));
    }
    return true;
}

}  // namespace pngread
