// The farm file read line by line, as every reader of it follows the grammar: section
// headers, key lines, the section each line belongs to, and the server mapping applied to the
// `Server=` lines of [Servers] sections.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "settings/lines.h"
#include "shared/server_mapping.h"

namespace settings {
class TextStream;
}

namespace shared {

struct FarmFileLine {
    int64_t number = 0;  // from 1
    std::string text;    // as the file has it
    // The section the line opens, or None for any other line.
    settings::Header header = settings::Header::None;
    // The section the line belongs to: the one it opens, for a header; [Farm] before the
    // first header.
    settings::Header section = settings::Header::Farm;
    // The key line as it is to be read: after the mapping, and none for a line the mapping
    // takes away (left out or merged), which then reads as an empty line.
    std::optional<settings::KeyLine> key;
    LineMapping mapping = LineMapping::Unchanged;
    // Where the mapping named another server: the line naming that one.
    std::optional<std::string> mapped;
};

class FarmFileReader {
  public:
    // Without a mapping every line reads as the file has it.
    explicit FarmFileReader(std::unique_ptr<settings::TextStream> file,
                            const ServerMapping* mapping = nullptr);

    // The next line; none at the end of the file.
    std::optional<FarmFileLine> Next();

    // The number of the line read last, or being read when reading it failed; 0 before.
    int64_t LineNumber() const { return number_; }

    settings::TextStream& Stream() { return *file_; }
    void Close();

  private:
    void Map(FarmFileLine& line);

    std::unique_ptr<settings::TextStream> file_;
    std::optional<ServerFilter> servers_;
    int64_t number_ = 0;
    settings::Header section_ = settings::Header::Farm;
};

}  // namespace shared
