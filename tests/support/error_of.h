// The error a call raised, for tests of any layer: the program has one error type.
#pragma once

#include <cstdint>
#include <optional>

#include "base/error.h"

namespace testing_support {

// The error the call raised, if any.
template <class Fn>
std::optional<base::Error> ErrorOf(Fn&& fn) {
    try {
        fn();
    } catch (const base::Error& e) {
        return e;
    }
    return std::nullopt;
}

// Its number; 0 when the call raised none.
template <class Fn>
int32_t ErrorNumberOf(Fn&& fn) {
    const std::optional<base::Error> error = ErrorOf(fn);
    return error ? error->number() : 0;
}

}  // namespace testing_support
