// The host's keyed-record store (mdputn of records.cpp) as a test can steer
// it.
#pragma once

#include <string>

#include "core/words.h"

namespace norak {

// The n-th store from now of the record under `key` (four characters) by
// "mdputn" is refused (0: none): it notes "record: mdputn <key> refused",
// keeps the record stored before and answers status -1.
void refuse_record_store(const std::string& key, i32 n);

}  // namespace norak
