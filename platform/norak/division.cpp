// The host's part of the division of a procedure by its tools: the copy of a
// procedure block with its whole sub-list, and the tool associations it
// drops. The rules are set down in platform/norak/README.md.
#include <memory>
#include <string>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {
namespace {

// Words of an element and of every element under it.
size_t words_under(const Element& e)
{
    size_t n = e.words.size();
    if (e.sub)
        for (const Element& s : e.sub->elems) n += words_under(s);
    return n;
}

// A deep copy of the element: the same words, new codes for it and for every
// element under it (marks name elements by their codes).
Element copy_of(const Element& e, i32& next_code)
{
    Element c;
    c.code = next_code++;
    c.words = e.words;
    if (e.sub) {
        c.sub = std::make_unique<List>();
        for (size_t k = 0; k < 12; ++k) c.sub->xf[k] = e.sub->xf[k];
        for (const Element& s : e.sub->elems) c.sub->elems.push_back(copy_of(s, next_code));
    }
    return c;
}

}  // namespace
}  // namespace norak

using namespace norak;

void copy_current_proc(i32& status)
{
    Host& h = H();
    status = -1;
    if (h.settings.tp_open == 0 || h.levels.size() != 1) return;
    List& l = h.main;
    if (l.cur == 0 || l.cur > l.elems.size()) return;
    const Element& e = l.elems[l.cur - 1];
    if (e.words.empty() || e.words[0] != 12) return;  // a procedure block only
    const size_t words = words_under(e);
    if (h.list_words + words > static_cast<size_t>(h.settings.list_capacity)) {
        note("internal: TOOL PATH LIST IS FULL");
        status = -3;
        return;
    }
    Element c = copy_of(e, h.next_code);
    // The copy is numbered as the next block of the main list.
    if (c.words.size() >= 2) c.words[1] = ++h.counters[1];
    h.list_words += words;
    l.elems.insert(l.elems.begin() + static_cast<long>(l.cur), std::move(c));
    note("host: procedure copied as block " + std::to_string(h.counters[1]));
    status = 0;
}

void asdetl(const i32&, const i32& procedure, const i32&, const i32& tool)
{
    note("host: tool " + std::to_string(tool) + " detached from procedure " + std::to_string(procedure));
}
