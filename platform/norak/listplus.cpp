// Tool path list store, continued: element length and cursor position, the
// list's transformation, new and cleared sub-lists, the closing item of a
// procedure block and the patch of a group length.
#include <cstring>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {

List& current_list() { return cur_list(); }

void set_list_transform(const f32* matrix, const f32* translation)
{
    List& l = cur_list();
    std::memcpy(l.xf, matrix, 9 * sizeof(f32));
    std::memcpy(l.xf + 9, translation, 3 * sizeof(f32));
}

}  // namespace norak

using namespace norak;

void lleng(i32& words)
{
    Element* e = H().settings.tp_open != 0 ? cur_element() : nullptr;
    words = e ? static_cast<i32>(e->words.size()) : -1;
}

void lgtpos(i32& position)
{
    position = H().settings.tp_open != 0 ? static_cast<i32>(cur_list().cur) : -1;
}

void lgtrns(f32* matrix, f32* translation)
{
    const List& l = cur_list();
    std::memcpy(matrix, l.xf, 9 * sizeof(f32));
    std::memcpy(translation, l.xf + 9, 3 * sizeof(f32));
}

void newls1(const i32& mode, i32& status) { lsubop(status); }

void lclrnw(i32& status)
{
    Host& h = H();
    status = -1;
    if (h.settings.tp_open == 0) return;
    List& l = cur_list();
    if (!l.elems.empty()) {
        l.cur = 1;
        i32 n = static_cast<i32>(l.elems.size());
        ldelet(n, status);
        if (status < 0) return;
    }
    l.cur = 0;
    status = 0;
}

void put_zero_lst(i32& status)
{
    // The closing item: code 1 with eight zero words of the sub-list header.
    const i32 item[11] = {1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    lputd(status, 11, item);
    status = status < 0 ? status : 0;
}

void ljmpcg(const i32& length, i32& status)
{
    Host& h = H();
    Element* e = h.settings.tp_open != 0 ? cur_element() : nullptr;
    status = -1;
    if (!e || length < 0 || static_cast<size_t>(length) + 1 > h.wpos) return;
    size_t at = h.wpos - static_cast<size_t>(length) - 1;
    e->words[at] = length;
    h.wpos = e->words.size();
    status = 0;
}

void lroom(const i32& words, i32& answer)
{
    Host& h = H();
    Element* e = h.settings.tp_open != 0 ? cur_element() : nullptr;
    answer = 0;
    if (!e || words < 0) return;
    size_t want = e->words.size() + static_cast<size_t>(words);
    answer = want <= static_cast<size_t>(h.settings.element_capacity) &&
                     h.list_words + static_cast<size_t>(words) <= static_cast<size_t>(h.settings.list_capacity)
                 ? 1
                 : 0;
}
