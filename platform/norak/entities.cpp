// Entity store: one current open entity with a word cursor.
#include <cstring>

#include "core/host.h"
#include "platform/norak/state.h"

namespace norak {

std::map<i32, Entity>& entities() { return H().entities; }
i32 open_entity() { return H().open_entity; }

i32 add_entity(Entity e)
{
    Host& h = H();
    if (e.id <= 0) e.id = h.next_entity;
    if (e.id >= h.next_entity) h.next_entity = e.id + 1;
    i32 id = e.id;
    h.entities[id] = std::move(e);
    return id;
}

namespace {
Entity* current()
{
    Host& h = H();
    if (h.open_entity == 0) return nullptr;
    auto it = h.entities.find(h.open_entity);
    return it == h.entities.end() ? nullptr : &it->second;
}

// Reads up to n words at the cursor; the words past the end read as zero.
i32 read_words(i32 n, i32* out)
{
    Host& h = H();
    Entity* e = current();
    i32 got = 0;
    for (i32 k = 0; k < n; ++k) {
        if (e && h.ecursor < e->words.size()) {
            out[k] = e->words[h.ecursor++];
            ++got;
        } else {
            out[k] = 0;
        }
    }
    if (got < n) note("internal: ENTITY READ PAST ITS END");
    return got;
}

void write_words(i32 n, const i32* in)
{
    Host& h = H();
    Entity* e = current();
    if (!e) {
        note("internal: ENTITY WRITE WITH NO OPEN ENTITY");
        return;
    }
    for (i32 k = 0; k < n; ++k) {
        if (h.ecursor < e->words.size())
            e->words[h.ecursor] = in[k];
        else
            e->words.push_back(in[k]);
        ++h.ecursor;
    }
}

void skip_words(i32 n)
{
    Host& h = H();
    Entity* e = current();
    if (!e) return;
    long long p = static_cast<long long>(h.ecursor) + n;
    if (p < 0) p = 0;
    if (p > static_cast<long long>(e->words.size())) p = static_cast<long long>(e->words.size());
    h.ecursor = static_cast<size_t>(p);
}
}  // namespace

}  // namespace norak

using namespace norak;

void eopen(const i32& id, i32& cls, i32& type, i32& len, i32& status)
{
    Host& h = H();
    auto it = h.entities.find(id);
    if (it == h.entities.end()) {
        status = -1;
        cls = type = len = 0;
        return;
    }
    h.open_entity = id;
    h.ecursor = 0;
    cls = it->second.cls;
    type = it->second.type;
    len = static_cast<i32>(it->second.words.size());
    status = 0;
}

void estore(const i32& cls, const i32& type, i32& id, i32& status)
{
    if (alloc_fails()) {
        id = 0;
        status = -1;
        return;
    }
    Entity e;
    e.cls = cls;
    e.type = type;
    id = add_entity(std::move(e));
    H().open_entity = id;
    H().ecursor = 0;
    status = 0;
}

void eclose()
{
    H().open_entity = 0;
    H().ecursor = 0;
}

i32 egetn(const i32& count, void* buf)
{
    if (count <= 0) return 0;
    std::vector<i32> tmp(static_cast<size_t>(count));
    i32 got = read_words(count, tmp.data());
    std::memcpy(buf, tmp.data(), tmp.size() * 4);
    return got;
}
void egeti(const i32& count, i32* buf) { egetn(count, buf); }
void egetr(const i32& count, f32* buf) { egetn(count, buf); }
void egetd(const i32& count, f64* buf) { egetn(2 * count, buf); }

void eputn(const i32& count, const void* buf)
{
    if (count <= 0) return;
    std::vector<i32> tmp(static_cast<size_t>(count));
    std::memcpy(tmp.data(), buf, tmp.size() * 4);
    write_words(count, tmp.data());
}
void eputi(const i32& count, const i32* buf) { eputn(count, buf); }
void eputr(const i32& count, const f32* buf) { eputn(count, buf); }
void eputd(const i32& count, const f64* buf) { eputn(2 * count, buf); }

void eskipn(const i32& count) { skip_words(count); }
void eskipi(const i32& count) { skip_words(count); }
void eskipr(const i32& count) { skip_words(count); }
void eskipd(const i32& count) { skip_words(2 * count); }

void eattc(const i32& id, const i32& mode, const char* key, i32& value)
{
    Host& h = H();
    auto it = h.entities.find(id);
    if (it == h.entities.end()) return;
    std::string k(key, strnlen(key, 2));
    if (mode == 1) {
        auto a = it->second.attrs.find(k);
        value = a == it->second.attrs.end() ? 0 : a->second;
    } else {
        it->second.attrs[k] = value;
    }
}

void edelet(const i32& id, i32& status)
{
    Host& h = H();
    status = h.entities.erase(id) ? 0 : -1;
    if (h.open_entity == id) eclose();
}

i32 etool(const i32& id)
{
    auto it = H().entities.find(id);
    return it != H().entities.end() && it->second.cls == 20 ? 1 : 0;
}

i32 eopen_block_get() { return H().eblock ? 1 : 0; }
void eopen_block_set() { H().eblock = true; }
void eopen_block_clear() { H().eblock = false; }

void eginfo(i32* state)
{
    state[0] = H().open_entity;
    state[1] = static_cast<i32>(H().ecursor);
}

void esinfo(const i32* state, i32& status)
{
    Host& h = H();
    status = -1;
    if (state[0] == 0) {
        eclose();
        status = 0;
        return;
    }
    auto it = h.entities.find(state[0]);
    if (it == h.entities.end() || state[1] < 0 || static_cast<size_t>(state[1]) > it->second.words.size()) return;
    h.open_entity = state[0];
    h.ecursor = static_cast<size_t>(state[1]);
    status = 0;
}
