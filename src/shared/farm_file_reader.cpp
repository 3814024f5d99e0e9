#include "shared/farm_file_reader.h"

#include <utility>

#include "settings/file_system.h"

namespace shared {

namespace {

constexpr std::string_view kServerKey = "Server";

}  // namespace

FarmFileReader::FarmFileReader(std::unique_ptr<settings::TextStream> file,
                               const ServerMapping* mapping)
    : file_(std::move(file)) {
    if (mapping != nullptr) {
        servers_.emplace(*mapping);
    }
}

std::optional<FarmFileLine> FarmFileReader::Next() {
    if (file_->AtEndOfStream()) {
        return std::nullopt;
    }
    ++number_;
    FarmFileLine line;
    line.text = file_->ReadLine();
    line.number = number_;
    line.header = settings::ClassifyHeader(line.text);
    if (line.header != settings::Header::None) {
        section_ = line.header;
        if (servers_ && line.header == settings::Header::Application) {
            servers_->StartBlock();
        }
    } else {
        line.key = settings::SplitKeyLine(line.text);
    }
    line.section = section_;
    if (servers_ && line.section == settings::Header::Servers && line.key &&
        line.key->key == kServerKey) {
        Map(line);
    }
    return line;
}

void FarmFileReader::Map(FarmFileLine& line) {
    const ServerFilter::Result result = servers_->Filter(line.key->value);
    line.mapping = result.mapping;
    if (result.instead) {
        line.mapped = std::string(kServerKey) + "=" + *result.instead;
    }
    if (result.mapping == LineMapping::LeftOut || result.mapping == LineMapping::Merged) {
        line.key.reset();
    } else if (result.mapping == LineMapping::Mapped) {
        line.key->value = *result.instead;
    }
}

void FarmFileReader::Close() {
    file_->Close();
}

}  // namespace shared
