// Paths as the program passes them: UTF-8 text.
#pragma once

#include "base/utf8_path.h"

namespace testing_support {

using base::PathOf;
using base::Utf8;

}  // namespace testing_support
