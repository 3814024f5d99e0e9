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

MappedFile::MappedFile(std::unique_ptr<settings::TextStream> file, const ServerMapping& mapping)
    : file_(std::move(file)), mapping_(mapping) {}

// Follows the sections as the import does and rewrites the server lines.
std::string MappedFile::ReadLine() {
    fileLine_ = file_->ReadLine();
    lastMapping_ = LineMapping::Unchanged;
    mappedLine_.clear();
    if (const settings::Header header = settings::ClassifyHeader(fileLine_);
        header != settings::Header::None) {
        inServers_ = header == settings::Header::Servers;
        if (header == settings::Header::Application) {
            bound_.clear();
        }
        return fileLine_;
    }
    const auto keyLine = inServers_ ? settings::SplitKeyLine(fileLine_) : std::nullopt;
    if (!keyLine || keyLine->key != kServerKey) {
        return fileLine_;
    }
    const ServerMapping::Target* target = mapping_.Find(keyLine->value);
    if (target != nullptr && !*target) {
        lastMapping_ = LineMapping::LeftOut;
        return {};
    }
    const bool mapped = target != nullptr;
    const std::string& server = mapped ? **target : keyLine->value;
    if (mapped) {
        mappedLine_ = std::string(kServerKey) + "=" + server;
    }
    const auto [binding, first] = bound_.try_emplace(Folded(server), mapped);
    if (!first && (mapped || binding->second)) {
        // The farm would refuse the second binding, which only the mapping brought about.
        lastMapping_ = LineMapping::Merged;
        return {};
    }
    if (!mapped) {
        return fileLine_;
    }
    lastMapping_ = LineMapping::Mapped;
    return mappedLine_;
}

bool MappedFile::AtEndOfStream() {
    return file_->AtEndOfStream();
}

void MappedFile::WriteLine(std::string_view text) {
    file_->WriteLine(text);
}

void MappedFile::WriteLine() {
    file_->WriteLine();
}

void MappedFile::Close() {
    file_->Close();
}

}  // namespace shared
