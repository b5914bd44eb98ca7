// Exact words of the host's tool path lists and entities, read from the
// stand-in host's own store (not through the module's readers).
#pragma once

#include <string>
#include <vector>

#include "core/words.h"
#include "platform/norak/norak.h"

namespace dump {

using Words = std::vector<i32>;

inline i32 R(f32 x) { return r2wrd(x); }

// Elements of a list, each as its words.
inline std::vector<Words> list(const norak::List& l)
{
    std::vector<Words> out;
    for (const auto& e : l.elems) out.push_back(e.words);
    return out;
}

inline std::vector<Words> main_list() { return list(norak::main_list()); }

// The list under element `index` (0-based) of the main list; empty when none.
inline std::vector<Words> sub_list(size_t index)
{
    const auto& l = norak::main_list();
    if (index >= l.elems.size() || !l.elems[index].sub) return {};
    return list(*l.elems[index].sub);
}

inline Words entity(i32 id)
{
    auto it = norak::entities().find(id);
    return it == norak::entities().end() ? Words{} : it->second.words;
}

// A readable form for failure messages.
inline std::string show(const Words& w)
{
    std::string s;
    for (i32 x : w) s += std::to_string(x) + " ";
    return s;
}

}  // namespace dump
