// Servers of a farm file put in the place of others on import: each server the file names
// may map to a server of the target farm or be left out, and several may map to one. The
// mapping works on the file's reader, so the import reads the lines it makes; only `Server=`
// lines of a [Servers] section change.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "settings/file_system.h"

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

// What the mapping made of a line.
enum class LineMapping {
    Unchanged,
    Mapped,   // a Server line that names the server its own maps to
    LeftOut,  // a Server line of a server left out
    Merged,   // a Server line that, through the mapping, names a server its [Application]
              // block binds already
};

// The file's lines as the mapping makes them: a mapped server's `Server=` line names the
// server it maps to. A left-out or merged line reads as an empty line, which the import
// passes over, so every line keeps its number and no application is bound to a server twice
// through the mapping. Every other line reads as it is.
class MappedFile final : public settings::TextStream {
  public:
    MappedFile(std::unique_ptr<settings::TextStream> file, const ServerMapping& mapping);

    std::string ReadLine() override;
    bool AtEndOfStream() override;
    void WriteLine(std::string_view text) override;
    void WriteLine() override;
    void Close() override;

    // The line read last, as the file has it; what the mapping made of it; and where the
    // mapping named another server, the line naming that one (empty otherwise).
    const std::string& FileLine() const { return fileLine_; }
    LineMapping LastMapping() const { return lastMapping_; }
    const std::string& MappedLine() const { return mappedLine_; }

  private:
    std::unique_ptr<settings::TextStream> file_;
    const ServerMapping& mapping_;
    bool inServers_ = false;
    // The farm servers the current [Application] block binds, folded, and whether through
    // the mapping.
    std::map<std::string, bool> bound_;
    std::string fileLine_;
    LineMapping lastMapping_ = LineMapping::Unchanged;
    std::string mappedLine_;
};

}  // namespace shared
