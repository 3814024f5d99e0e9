#include "journal/restore_record.h"

#include <system_error>

#include "base/error.h"
#include "base/utf8_path.h"
#include "shared/farm_file.h"
#include "shared/server_mapping.h"

namespace journal {

namespace {

constexpr const char* kRecordFile = "record.txt";

std::string Escaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\n':
                escaped += "\\n";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string Typed(const farm::Value& value) {
    std::string typed;
    if (const int32_t* number = std::get_if<int32_t>(&value)) {
        typed.append(1, 'n').append(std::to_string(*number));
    } else {
        typed.append(1, 't').append(std::get<std::string>(value));
    }
    return typed;
}

std::optional<farm::Value> Untyped(const std::string& text) {
    if (text.starts_with("n")) {
        try {
            return farm::Value{static_cast<int32_t>(std::stol(text.substr(1)))};
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    if (text.starts_with("t")) {
        return farm::Value{text.substr(1)};
    }
    return std::nullopt;
}

std::string IconName(int sequence, const char* when) {
    return std::to_string(sequence) + "-" + when + ".ico";
}

}  // namespace

RecordWriter::RecordWriter(std::filesystem::path folder, std::string id,
                           const std::string& operation, const std::string& title,
                           const std::string& started)
    : folder_(std::move(folder)), id_(std::move(id)) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    file_.open(folder_ / kRecordFile, std::ios::binary | std::ios::trunc);
    Write({"Record", id_});
    Write({"Operation", operation});
    Write({"Title", title});
    Write({"Started", started});
}

RecordWriter::~RecordWriter() = default;

void RecordWriter::Write(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) {
        if (&field != &fields.front()) {
            line.append(1, '\t');
        }
        line.append(Escaped(field));
    }
    file_ << line << '\n';
    file_.flush();
    if (!file_) {
        throw base::Error(base::kErrPathFileAccess, "The restore record cannot be written to " +
                                                        base::Utf8(folder_ / kRecordFile) +
                                                        "; nothing more is changed without it.");
    }
}

void RecordWriter::WriteState(farm::Application& application, const std::string& icon) {
    const std::vector<std::string> block =
        shared::ApplicationBlock(application, base::Utf8(folder_ / icon));
    std::string lines;
    for (const std::string& line : block) {
        lines += "Line\t" + Escaped(line) + "\n";
    }
    file_ << lines;
    Write({"Icon", icon});
}

int RecordWriter::Sequence(const std::string& distinguishedName) const {
    const auto found = sequences_.find(shared::FoldedName(distinguishedName));
    return found == sequences_.end() ? 0 : found->second;
}

void RecordWriter::BindingChanging(const std::string& application, const std::string& server,
                                   bool boundBefore, bool boundAfter) {
    ++steps_;
    Write({"Binding", application, server, boundBefore ? "1" : "0", boundAfter ? "1" : "0"});
}

void RecordWriter::SettingsChanging(const std::string& application,
                                    const shared::SettingValues& before,
                                    const shared::SettingValues& after) {
    ++steps_;
    std::vector<std::string> fields{"Settings", application};
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
        fields.insert(fields.end(),
                      {before[i].first, Typed(before[i].second), Typed(after[i].second)});
    }
    Write(fields);
}

void RecordWriter::FarmSettingChanging(const std::string& name,
                                       const std::optional<farm::Value>& before,
                                       const farm::Value& after) {
    ++steps_;
    Write({"FarmSetting", name, before ? Typed(*before) : "-", Typed(after)});
}

void RecordWriter::ApplicationChanging(const std::string& distinguishedName,
                                       farm::Application* before) {
    ++steps_;
    const int sequence = steps_;
    sequences_[shared::FoldedName(distinguishedName)] = sequence;
    // The state first, the step's own line last: a step cut short is no step.
    if (before != nullptr) {
        WriteState(*before, IconName(sequence, "before"));
    }
    Write({"Application", std::to_string(sequence), distinguishedName,
           before != nullptr ? "present" : "absent"});
}

void RecordWriter::ApplicationStored(const std::string& distinguishedName,
                                     farm::Application& after) {
    const int sequence = Sequence(distinguishedName);
    WriteState(after, IconName(sequence, "after"));
    Write({"Stored", std::to_string(sequence), distinguishedName});
}

void RecordWriter::ApplicationRemoved(const std::string& distinguishedName) {
    Write({"Removed", std::to_string(Sequence(distinguishedName)), distinguishedName});
}

void RecordWriter::ApplicationNotStored(const std::string& distinguishedName) {
    Write({"NotStored", std::to_string(Sequence(distinguishedName)), distinguishedName});
}

void RecordWriter::FolderCreated(const std::string& path) {
    ++steps_;
    Write({"Folder", path});
}

void RecordWriter::Finish() {
    Write({"Finished"});
}

RestoreRecord ReadRecord(const std::filesystem::path& folder) {
    std::ifstream file(folder / kRecordFile, std::ios::binary);
    if (!file) {
        throw base::Error(
            base::kErrFileNotFound,
            "The restore record " + base::Utf8(folder / kRecordFile) + " cannot be read.");
    }
    RestoreRecord record;
    record.id = base::Utf8(folder.filename());
    std::map<int, size_t> applications;  // sequence -> step index
    std::vector<std::string> block;      // the lines of the state being read
    std::optional<ApplicationState> state;
    std::string line;
    while (std::getline(file, line)) {
        if (file.eof()) {
            break;  // a line without its end: the program ended while writing it
        }
        const std::vector<std::string> f = Fields(line);
        const std::string& kind = f[0];
        const auto field = [&f](size_t i) { return i < f.size() ? f[i] : std::string(); };
        if (kind == "Line") {
            block.push_back(field(1));
        } else if (kind == "Icon") {
            state = ApplicationState{std::exchange(block, {}), folder / base::PathOf(field(1))};
        } else if (kind == "Operation") {
            record.operation = field(1);
        } else if (kind == "Title") {
            record.title = field(1);
        } else if (kind == "Started") {
            record.started = field(1);
        } else if (kind == "Finished") {
            record.finished = true;
        } else if (kind == "Binding") {
            record.steps.push_back(
                BindingStep{field(1), field(2), field(3) == "1", field(4) == "1"});
        } else if (kind == "Settings") {
            SettingsStep step{field(1), {}, {}};
            for (size_t i = 2; i + 2 < f.size(); i += 3) {
                const auto before = Untyped(f[i + 1]);
                const auto after = Untyped(f[i + 2]);
                if (before && after) {
                    step.before.emplace_back(f[i], *before);
                    step.after.emplace_back(f[i], *after);
                }
            }
            record.steps.push_back(std::move(step));
        } else if (kind == "FarmSetting") {
            if (const auto after = Untyped(field(3))) {
                record.steps.push_back(FarmSettingStep{field(1), Untyped(field(2)), *after});
            }
        } else if (kind == "Application") {
            ApplicationStep step;
            step.distinguishedName = field(2);
            if (field(3) == "present") {
                step.before = std::exchange(state, std::nullopt);
            }
            state.reset();
            applications[std::atoi(field(1).c_str())] = record.steps.size();
            record.steps.push_back(std::move(step));
        } else if (kind == "Stored" || kind == "Removed" || kind == "NotStored") {
            const auto found = applications.find(std::atoi(field(1).c_str()));
            if (found != applications.end()) {
                auto& step = std::get<ApplicationStep>(record.steps[found->second]);
                step.left = kind == "Stored"    ? ApplicationStep::Left::Stored
                            : kind == "Removed" ? ApplicationStep::Left::Removed
                                                : ApplicationStep::Left::Unchanged;
                if (kind == "Stored") {
                    step.after = std::exchange(state, std::nullopt);
                }
            }
        } else if (kind == "Folder") {
            record.steps.push_back(FolderStep{field(1)});
        }
    }
    return record;
}

}  // namespace journal
