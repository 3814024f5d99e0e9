// Servers of a farm file put in the place of others on import: each server the file names
// may map to a server of the target farm or be left out, and several may map to one. The
// farm file's reader applies it, so the import reads the lines it makes; only `Server=`
// lines of a [Servers] section change.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace shared {

// A name as the farm compares names of servers and applications: without regard to case.
std::string FoldedName(std::string_view name);

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

// What the mapping makes of the `Server=` values of one farm file, block by block. A server
// left out is not bound; nor is one that, through the mapping, an [Application] block binds
// already (the farm would refuse the second binding, which only the mapping brought about).
class ServerFilter {
  public:
    explicit ServerFilter(const ServerMapping& mapping) : mapping_(mapping) {}

    struct Result {
        LineMapping mapping = LineMapping::Unchanged;
        std::optional<std::string> instead;  // the server the mapping names in its place
    };

    // An [Application] block begins: it binds no server yet.
    void StartBlock() { bound_.clear(); }
    Result Filter(std::string_view server);

  private:
    const ServerMapping& mapping_;
    // The farm servers the current block binds, folded, and whether through the mapping.
    std::map<std::string, bool> bound_;
};

}  // namespace shared
