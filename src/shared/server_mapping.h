// Servers of a farm file put in the place of others on import: each server the file names
// may map to a server of the target farm or be left out. The mapping works on the file's
// reader, so the import itself does not know of it; only `Server=` lines of a [Servers]
// section change.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace settings {
class TextStream;
}

namespace shared {

class ServerMapping {
  public:
    // What becomes of a server: the server named instead, or nothing when it is left out.
    using Target = std::optional<std::string>;

    // Server names match without regard to case, as the farm matches them.
    void MapTo(std::string_view fileServer, std::string farmServer);
    void LeaveOut(std::string_view fileServer);

    // Nullptr when the mapping says nothing about the server.
    const Target* Find(std::string_view fileServer) const;
    bool Empty() const { return targets_.empty(); }

  private:
    std::map<std::string, Target> targets_;  // by folded name
};

// Called with the line number (from 1) and the text of each line the mapping leaves out.
using LeftOutLine = std::function<void(int64_t lineNumber, const std::string& line)>;

// The file's lines as the mapping makes them: a mapped server's `Server=` line names the
// server it maps to; a left-out server's line reads as an empty line, which the import passes
// over, so every line keeps its number. Every other line reads as it is.
std::unique_ptr<settings::TextStream> MapServers(std::unique_ptr<settings::TextStream> file,
                                                 const ServerMapping& mapping,
                                                 LeftOutLine leftOut = {});

}  // namespace shared
