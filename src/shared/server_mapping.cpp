#include "shared/server_mapping.h"

#include <utility>

#include "settings/file_system.h"
#include "settings/lines.h"

namespace shared {

namespace {

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

constexpr std::string_view kServerKey = "Server";

// Follows the sections as the import does and rewrites the server lines.
class MappedStream : public settings::TextStream {
  public:
    MappedStream(std::unique_ptr<settings::TextStream> file, const ServerMapping& mapping,
                 LeftOutLine leftOut)
        : file_(std::move(file)), mapping_(mapping), leftOut_(std::move(leftOut)) {}

    std::string ReadLine() override {
        std::string line = file_->ReadLine();
        ++lineNumber_;
        if (const settings::Header header = settings::ClassifyHeader(line);
            header != settings::Header::None) {
            inServers_ = header == settings::Header::Servers;
            return line;
        }
        if (!inServers_) {
            return line;
        }
        const auto keyLine = settings::SplitKeyLine(line);
        if (!keyLine || keyLine->key != kServerKey) {
            return line;
        }
        const ServerMapping::Target* target = mapping_.Find(keyLine->value);
        if (target == nullptr) {
            return line;
        }
        if (!*target) {
            if (leftOut_) {
                leftOut_(lineNumber_, line);
            }
            return {};
        }
        return std::string(kServerKey) + "=" + **target;
    }

    bool AtEndOfStream() override { return file_->AtEndOfStream(); }
    void WriteLine(std::string_view text) override { file_->WriteLine(text); }
    void WriteLine() override { file_->WriteLine(); }
    void Close() override { file_->Close(); }

  private:
    std::unique_ptr<settings::TextStream> file_;
    const ServerMapping& mapping_;
    LeftOutLine leftOut_;
    int64_t lineNumber_ = 0;
    bool inServers_ = false;
};

}  // namespace

void ServerMapping::MapTo(std::string_view fileServer, std::string farmServer) {
    targets_[Folded(fileServer)] = std::move(farmServer);
}

void ServerMapping::LeaveOut(std::string_view fileServer) {
    targets_[Folded(fileServer)] = std::nullopt;
}

const ServerMapping::Target* ServerMapping::Find(std::string_view fileServer) const {
    const auto found = targets_.find(Folded(fileServer));
    return found == targets_.end() ? nullptr : &found->second;
}

std::unique_ptr<settings::TextStream> MapServers(std::unique_ptr<settings::TextStream> file,
                                                 const ServerMapping& mapping,
                                                 LeftOutLine leftOut) {
    return std::make_unique<MappedStream>(std::move(file), mapping, std::move(leftOut));
}

}  // namespace shared
