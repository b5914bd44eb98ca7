// NC procedure infrastructure: entity attributes, procedure texts, the name
// of the open template file.
#include <algorithm>
#include <cstring>

#include "core/host.h"
#include "platform/norak/state.h"

using namespace norak;

void asatt1(const i32& id, const i32& attribute, i32& status)
{
    Host& h = H();
    auto it = h.entities.find(id);
    status = -1;
    if (it == h.entities.end()) {
        note("host: attribute " + std::to_string(attribute) + " for no entity " + std::to_string(id));
        return;
    }
    it->second.attrs["AT"] = attribute;
    status = 0;
}

void gtprtx(const i32& proc, const i32& code, char* text, i32& status)
{
    Host& h = H();
    i32 n = code == 29 ? 20 : 12;
    std::memset(text, ' ', static_cast<size_t>(n));
    status = code == 29 || code == 30 ? 0 : -1;
    if (status < 0) return;
    auto it = h.proc_texts.find(proc);
    if (it == h.proc_texts.end()) return;
    const std::string& t = code == 29 ? it->second.first : it->second.second;
    std::memcpy(text, t.data(), std::min<size_t>(t.size(), static_cast<size_t>(n)));
}

void template_get_name(char* name, i32 length)
{
    const std::string& n = H().tpl_name;
    if (length <= 0) return;
    size_t k = std::min<size_t>(n.size(), static_cast<size_t>(length - 1));
    std::memcpy(name, n.data(), k);
    name[k] = '\0';
}
