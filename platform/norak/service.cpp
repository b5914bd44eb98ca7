// Services of the stand-in host behind the procedure's SERVICE menu: the
// screen-clear state, the database's free space, the relation list and the
// part box. Each is recorded in the transcript (README, "SERVICE menu").
#include <string>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "platform/norak/state.h"

namespace norak {
namespace {
struct Service {
    i32 cleared = 0;
};
Service& S() { return ext_state<Service>("service"); }
}  // namespace
}  // namespace norak

using namespace norak;

void gsclr(const i32& mode, i32& state)
{
    if (mode == 1) state = S().cleared;
    else if (mode == 2) S().cleared = state;
}
i32 macexe() { return 0; }
void modisp() { note("host: menu redisplayed"); }
void modcom() {}
void gtdas(i32& bytes, i32& status)
{
    bytes = static_cast<i32>(nc_value("bytes_left"));
    status = bytes < 0 ? -1 : 0;
    if (status < 0) bytes = 0;
}
void rel_nc_clear_all_relations() { note("host: relations cleared"); }
void rel_nc_print_symb_tab(const char* prefix) { note(std::string("host: relation list ") + prefix); }
void rel_nc_init_cng_expr(i32 code) { note("host: relation " + std::to_string(code) + " reset"); }
void calculate_partbox() { note("host: part box calculated"); }
void update_min_max_pz() { note("host: part heights updated"); }
void partbox_not_calculated_msg(i32 on) { note("host: part box message " + std::to_string(on)); }
