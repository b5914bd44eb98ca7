// What a finished session left in the host: the procedures of the tool path
// with their motions and whether their markers pair up, and how the
// procedures were announced.
#pragma once

#include <string>
#include <vector>

#include "platform/norak/norak.h"

namespace runcheck {

// One procedure block of the main list and its sub-list.
struct Proc {
    int motions = 0;        // movement blocks
    int markers = 0;        // marker blocks
    bool balanced = true;   // every start marker (odd kind) closed by the next even kind, nested
};

inline bool movement(int type)
{
    switch (type) {
    case 2: case 3: case 5: case 7: case 8: case 9: case 11: case 13: case 14: case 22: case 23: case 25:
    case 27: case 31: case 222: case 223: case 225: case 227:
        return true;
    default:
        return false;
    }
}

inline Proc examine(const norak::List& sub)
{
    Proc p;
    std::vector<int> open;
    for (const auto& e : sub.elems) {
        if (e.words.empty()) continue;
        const int type = e.words[0];
        if (movement(type)) ++p.motions;
        if (type != 99 || e.words.size() < 3) continue;
        ++p.markers;
        const int kind = e.words[2];
        if (kind % 2 != 0) {
            open.push_back(kind);
        } else if (open.empty() || open.back() + 1 != kind) {
            p.balanced = false;
        } else {
            open.pop_back();
        }
    }
    if (!open.empty()) p.balanced = false;
    return p;
}

// The procedure blocks (type 12) of the main list, in order.
inline std::vector<Proc> procedures()
{
    std::vector<Proc> out;
    for (const auto& e : norak::main_list().elems) {
        if (e.words.empty() || e.words[0] != 12) continue;
        out.push_back(e.sub ? examine(*e.sub) : Proc{});
    }
    return out;
}

// The block types of the procedures' sub-lists, markers with their kinds,
// for failure messages.
inline std::string kinds()
{
    std::string out;
    for (const auto& e : norak::main_list().elems) {
        if (e.words.empty() || e.words[0] != 12 || !e.sub) continue;
        for (const auto& b : e.sub->elems) {
            if (b.words.empty()) continue;
            out += b.words[0] == 99 && b.words.size() > 2 ? "m" + std::to_string(b.words[2]) : std::to_string(b.words[0]);
            out += ' ';
        }
        out += '\n';
    }
    return out;
}

// Procedures the creation reports announced ("IS CREATED" counts one,
// "ARE CREATED" the numbers between its two).
inline int announced()
{
    return static_cast<int>(norak::transcript_count("IS CREATED")) +
           static_cast<int>(norak::transcript_count("ARE CREATED")) * 2;
}

}  // namespace runcheck
