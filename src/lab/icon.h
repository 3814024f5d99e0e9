// Icon files as the lab farm keeps them: the check an icon file must pass to be loaded, and
// the small generated icons of the demo farms (MakeIcon, declared in lab.h).
#pragma once

#include <cstddef>
#include <string_view>

namespace lab {

// The largest icon file the lab loads.
inline constexpr size_t kMaxIconFileSize = 4 * 1024 * 1024;

// True when the bytes form an icon file: an ICONDIR (reserved 0, type 1, at least one
// image) whose directory entries fit in the file and whose images lie inside it.
bool IsIconFile(std::string_view bytes);

}  // namespace lab
