// Tool path list store: a tree of lists of word elements with one cursor.
// The cursor rules are set down in platform/norak/README.md.
#include <algorithm>
#include <cstring>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {

List& main_list() { return H().main; }
i32 list_level() { return static_cast<i32>(H().levels.size()); }
List& cur_list() { return *H().levels.back(); }
i32 open_elements() { return H().open_element != 0 ? 1 : 0; }
size_t element_count() { return H().main.elems.size(); }

std::vector<i32> element_words_at(size_t index)
{
    const List& l = H().main;
    if (index >= l.elems.size()) return {};
    return l.elems[index].words;
}

Element* cur_element()
{
    List& l = cur_list();
    if (l.cur == 0 || l.cur > l.elems.size()) return nullptr;
    return &l.elems[l.cur - 1];
}

namespace {
size_t tree_words(const List& l)
{
    size_t n = 0;
    for (const auto& e : l.elems) {
        n += e.words.size();
        if (e.sub) n += tree_words(*e.sub);
    }
    return n;
}

bool list_usable() { return H().settings.tp_open != 0; }

// Finds the element with the code in a list; 0 when absent.
size_t find_code(const List& l, i32 code)
{
    for (size_t k = 0; k < l.elems.size(); ++k)
        if (l.elems[k].code == code) return k + 1;
    return 0;
}
}  // namespace

size_t total_list_words() { return tree_words(H().main); }

// A tool path begins with its header block: type 0, block number 0, then the
// header's words (machine type, origin, home point, frame, view, version).
void start_toolpath()
{
    Host& h = H();
    if (h.settings.tp_open == 0 || !h.main.elems.empty()) return;
    std::vector<i32> w(49, 0);
    w[0] = 0;                        // type
    w[1] = 0;                        // block number
    w[4] = h.settings.mactype;       // machine type
    w[10] = r2wrd(100.0f);           // home point z
    w[11] = w[15] = w[19] = r2wrd(1.0f);  // frame: identity
    w[21] = h.settings.view;
    w[23] = h.settings.tp_version;
    w[24] = 1;                       // blocks of the main list
    Element e;
    e.code = h.next_code++;
    e.words = std::move(w);
    h.list_words += e.words.size();
    h.main.elems.push_back(std::move(e));
    h.main.cur = 1;
    h.counters[1] = 1;
}

}  // namespace norak

using namespace norak;

void lacces(const i32& mode, i32& answer)
{
    Host& h = H();
    if (!list_usable() || call_fails("lacces")) {
        answer = -2;
        return;
    }
    List& l = cur_list();
    size_t n = l.elems.size();
    size_t to = 0;
    switch (mode) {
    case 1: to = l.cur < n ? l.cur + 1 : 0; break;
    case -1: to = l.cur > 1 ? l.cur - 1 : 0; break;
    case 0: to = l.cur; break;
    case 2: to = n > 0 ? 1 : 0; break;
    case 3: to = n; break;
    default: answer = -2; return;
    }
    if (to == 0 || to > n) {
        answer = -1;
        return;
    }
    l.cur = to;
    h.wpos = 0;
    answer = l.elems[to - 1].code;
}

void lputd(i32& status, const i32& count, const void* buf)
{
    Host& h = H();
    Element* e = list_usable() ? cur_element() : nullptr;
    if (!e || count < 0) {
        status = -1;
        return;
    }
    size_t end = h.wpos + static_cast<size_t>(count);
    if (end > e->words.size()) {
        size_t grow = end - e->words.size();
        if (end > static_cast<size_t>(h.settings.element_capacity)) {
            note("internal: TOOL PATH ELEMENT IS FULL");
            status = -3;
            return;
        }
        if (h.list_words + grow > static_cast<size_t>(h.settings.list_capacity)) {
            note("internal: TOOL PATH LIST IS FULL");
            status = -3;
            return;
        }
        e->words.resize(end, 0);
        h.list_words += grow;
    }
    if (count > 0) std::memcpy(e->words.data() + h.wpos, buf, static_cast<size_t>(count) * 4);
    h.wpos = end;
    status = count;
}

void lgetd(i32& status, const i32& count, void* buf)
{
    Host& h = H();
    Element* e = list_usable() ? cur_element() : nullptr;
    if (!e || count < 0) {
        status = -1;
        return;
    }
    size_t avail = h.wpos < e->words.size() ? e->words.size() - h.wpos : 0;
    size_t n = std::min(avail, static_cast<size_t>(count));
    if (n > 0) std::memcpy(buf, e->words.data() + h.wpos, n * 4);
    h.wpos += n;
    status = static_cast<i32>(n);
}

void lskip(i32& status, const i32& count)
{
    Host& h = H();
    Element* e = list_usable() ? cur_element() : nullptr;
    if (!e) {
        status = -1;
        return;
    }
    long long to = static_cast<long long>(h.wpos) + count;
    to = std::clamp(to, 0LL, static_cast<long long>(e->words.size()));
    long long moved = to - static_cast<long long>(h.wpos);
    h.wpos = static_cast<size_t>(to);
    status = static_cast<i32>(moved < 0 ? -moved : moved);
}

void lclos()
{
    H().open_element = 0;
    H().wpos = 0;
}

void ltop()
{
    Host& h = H();
    lclos();
    h.levels.assign(1, &h.main);
    h.level_parents.clear();
}

void lcreat(const i32& where, i32& status)
{
    Host& h = H();
    status = -1;
    if (!list_usable() || alloc_fails()) return;
    List& l = cur_list();
    size_t at = where == 0 ? l.cur : (l.cur > 0 ? l.cur - 1 : 0);  // index of the new element
    Element e;
    e.code = h.next_code++;
    l.elems.insert(l.elems.begin() + static_cast<long>(at), std::move(e));
    l.cur = at + 1;
    h.wpos = 0;
    h.open_element = l.elems[at].code;
    status = 0;
}

i32 lopnls() { return list_usable() ? 1 : 0; }

void lmark(const i32& op, const i32& slot, i32& answer)
{
    Host& h = H();
    answer = 0;
    if (!list_usable() || call_fails("lmark")) return;
    if (op == 1) {
        Mark m;
        m.path = h.level_parents;
        Element* e = cur_element();
        m.code = e ? e->code : 0;
        m.set = true;
        h.marks[slot] = m;
        answer = 1;
        return;
    }
    auto it = h.marks.find(slot);
    if (it == h.marks.end() || !it->second.set) return;
    const Mark& m = it->second;
    // Walk down from the main list along the remembered parents.
    std::vector<List*> levels{&h.main};
    for (i32 code : m.path) {
        List& l = *levels.back();
        size_t k = find_code(l, code);
        if (k == 0 || !l.elems[k - 1].sub) return;
        l.cur = k;
        levels.push_back(l.elems[k - 1].sub.get());
    }
    List& l = *levels.back();
    size_t k = m.code == 0 ? 0 : find_code(l, m.code);
    if (m.code != 0 && k == 0) return;
    lclos();
    h.levels = levels;
    h.level_parents = m.path;
    l.cur = k;
    h.wpos = 0;
    answer = 1;
}

void ldelet(const i32& count, i32& status)
{
    Host& h = H();
    List& l = cur_list();
    status = -1;
    if (!list_usable() || l.cur == 0 || (count < 1 && count != -1) || call_fails("ldelet")) return;
    size_t first = l.cur - 1;
    // -1: the current element alone, the cursor then on the element after it
    const bool after = count == -1;
    size_t n = after ? 1 : std::min(static_cast<size_t>(count), l.elems.size() - first);
    for (size_t k = first; k < first + n; ++k) {
        if (l.elems[k].code == h.open_element) h.open_element = 0;
        h.list_words -= l.elems[k].words.size() + (l.elems[k].sub ? tree_words(*l.elems[k].sub) : 0);
    }
    l.elems.erase(l.elems.begin() + static_cast<long>(first), l.elems.begin() + static_cast<long>(first + n));
    l.cur = first;  // the element before the deleted run, 0 at the top
    if (after && first < l.elems.size()) l.cur = first + 1;  // the element that followed
    h.wpos = 0;
    status = !after && n < static_cast<size_t>(count) ? -2 : 0;
}

void lchang(const i32& count, const void* buf, i32& status)
{
    Host& h = H();
    Element* e = list_usable() ? cur_element() : nullptr;
    if (!e || count < 0 || h.wpos + static_cast<size_t>(count) > e->words.size()) {
        status = -1;
        return;
    }
    if (count > 0) std::memcpy(e->words.data() + h.wpos, buf, static_cast<size_t>(count) * 4);
    h.wpos += static_cast<size_t>(count);
    status = 0;
}

void lgap(const i32& count, i32& status)
{
    Host& h = H();
    Element* e = list_usable() ? cur_element() : nullptr;
    if (!e || count < 0 || h.wpos > e->words.size()) {
        status = -1;
        return;
    }
    if (h.list_words + static_cast<size_t>(count) > static_cast<size_t>(h.settings.list_capacity)) {
        note("internal: TOOL PATH LIST IS FULL");
        status = -3;
        return;
    }
    e->words.insert(e->words.begin() + static_cast<long>(h.wpos), static_cast<size_t>(count), 0);
    h.list_words += static_cast<size_t>(count);
    status = 0;
}

void lsubop(i32& status)
{
    Host& h = H();
    Element* e = list_usable() ? cur_element() : nullptr;
    if (!e) {
        status = -1;
        return;
    }
    if (!e->sub) e->sub = std::make_unique<List>();
    lclos();
    h.level_parents.push_back(e->code);
    h.levels.push_back(e->sub.get());
    h.levels.back()->cur = 0;
    status = 0;
}

void lsubcl(i32& status)
{
    Host& h = H();
    if (h.levels.size() < 2) {
        status = -1;
        return;
    }
    lclos();
    h.levels.pop_back();
    h.level_parents.pop_back();
    status = 0;
}

void gtlstn(const i32& mode, i32& list) { list = static_cast<i32>(H().levels.size()); }

void gsblkn(const i32& mode, const i32& list, i32& value)
{
    if (mode == 1)
        value = H().counters[list];
    else
        H().counters[list] = value;
}

i32 tp_vnum_get() { return H().settings.tp_version; }
