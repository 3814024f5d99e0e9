// Names of the icon files the farm export writes and the farm import copies through the
// temporary folder: always a plain file name inside its folder, and unique within one export.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace shared {

// The application name as a file name without ".ico". Characters that a file name cannot
// hold, control characters and characters the ANSI code page cannot write become "_"; so do
// the dots of "..", trailing dots and blanks. A reserved device name (CON, NUL, COM1, ...)
// gets "_" appended, an empty name becomes "_" and a long one is cut. A name that needs none
// of this comes back unchanged.
std::string SafeIconBaseName(std::string_view appName);

// The icon file names handed out during one export.
class IconNames {
  public:
    // "AppName.ico" when the name is safe and not yet handed out (compared without regard to
    // case); otherwise the safe base name, followed by " (2)", " (3)", ... until unused.
    std::string Claim(std::string_view appName);
    // Whether Claim handed out the file name, compared without regard to case.
    bool Claimed(std::string_view fileName) const;

  private:
    std::set<std::string> used_;  // case-folded
};

}  // namespace shared
