// Session file reading: the parts of the session that other host files
// register (entity kinds).
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/norak/norak.h"

namespace norak {

using json = nlohmann::json;

// Builds the host objects of one entity description; `where` names it for
// messages. Throws session_error on a malformed description.
using EntityLoader = std::function<void(const json& desc, const std::string& where)>;
// registers the loader of an entity kind of the session
void register_entity_kind(const std::string& kind, EntityLoader loader);

// Words from a JSON array: integers as integer words, numbers with a
// fraction or exponent as single-precision reals, {"text": s, "words": n}
// as n words of packed text.
std::vector<i32> json_words(const json& a, const std::string& where);

// Typed field access that names the place on failure.
const json& need(const json& obj, const char* field, const std::string& where);
f64 need_num(const json& obj, const char* field, const std::string& where);  // a number field, named on failure
i32 need_int(const json& obj, const char* field, const std::string& where);  // an integer field, named on failure

}  // namespace norak
