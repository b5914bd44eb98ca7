// A whole session run in the test's own process, call by call, as the
// runner makes them: the session text loaded, the module loaded, each call
// either an NC step of the host or a call of the module.
#pragma once

#include <string>

#include "frame/entry.h"
#include "core/load.h"
#include "passes/services.h"
#include "platform/norak/norak.h"
#include "tests/common/hostreset.h"

struct InProcess {
    explicit InProcess(const std::string& json)
    {
        hostreset::empty_host();
        norak::load_session_text(json);
        module_load(nullptr, 1, nullptr);
    }
    void call(const std::string& c)
    {
        if (norak::nc_step(c)) return;
        norak::note("host: call " + c);
        tavrek();
        norak::nc_after_call();
    }
    ~InProcess()
    {
        SRMHOOK = nullptr;
        hostreset::empty_host();
    }
    InProcess(const InProcess&) = delete;
    InProcess& operator=(const InProcess&) = delete;
};
