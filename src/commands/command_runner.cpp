#include "commands/command_runner.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <utility>

#include "base/error.h"
#include "base/utf8_path.h"
#include "compare/comparison.h"
#include "compare/farm_model.h"
#include "journal/undo.h"
#include "preview/import_preview.h"
#include "settings/lines.h"
#include "shared/deployment.h"
#include "shared/farm_file.h"
#include "shared/server_file.h"
#include "shared/server_mapping.h"

namespace commands {

namespace {

// A check before the run that fails: the run does not start.
class NotStarted : public std::exception {
  public:
    explicit NotStarted(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

std::string Absolute(const std::string& file) {
    return base::Utf8(std::filesystem::absolute(base::PathOf(file)));
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// A distinguished name from a name as the Applications view lists it (Office\Word); a
// distinguished name stays as it is.
std::string DistinguishedNameOf(const std::string& name) {
    if (shared::FoldedName(name).starts_with("APPLICATIONS/")) {
        return name;
    }
    std::string distinguishedName = "Applications/" + name;
    for (char& c : distinguishedName) {
        if (c == '\\') {
            c = '/';
        }
    }
    return distinguishedName;
}

// Appends the changes and items passed over of one step; its failure ends the run.
bool Append(shared::Outcome& run, shared::Outcome step) {
    run.changes.insert(run.changes.end(), step.changes.begin(), step.changes.end());
    run.passedOver.insert(run.passedOver.end(), step.passedOver.begin(), step.passedOver.end());
    run.failure = std::move(step.failure);
    return !run.failure;
}

shared::Operation OperationOf(CommandKind kind) {
    switch (kind) {
        case CommandKind::Export:
            return shared::Operation::ExportFarm;
        case CommandKind::Import:
            return shared::Operation::ImportFarm;
        case CommandKind::Offline:
            return shared::Operation::ExportServerApps;
        case CommandKind::Online:
            return shared::Operation::ImportServerApps;
        case CommandKind::Clone:
            return shared::Operation::CloneServerApps;
        case CommandKind::Publish:
            return shared::Operation::PublishAppOnServer;
        case CommandKind::Unpublish:
            return shared::Operation::UnpublishAppFromServer;
        case CommandKind::Undo:
        case CommandKind::Journal:
            return shared::Operation::Undo;
        default:
            return shared::Operation::SetAppOptions;
    }
}

shared::Change Binding(shared::ChangeKind kind, std::string application, std::string server) {
    return {kind, std::move(application), std::move(server), {}, std::nullopt, std::nullopt};
}

// One choice of an options list, by its text or its value.
int32_t Choice(const std::string& option, const std::string& given, const auto& choices) {
    std::string listed;
    for (const shared::OptionChoice& choice : choices) {
        if (shared::FoldedName(given) == shared::FoldedName(choice.text) ||
            given == std::to_string(choice.value)) {
            return choice.value;
        }
        listed += std::string(listed.empty() ? "" : ", ") + "\"" + choice.text + "\" (" +
                  std::to_string(choice.value) + ")";
    }
    throw NotStarted(option + " takes one of " + listed + ", not \"" + given + "\".");
}

// The options in the order the dialog checks them; its message for a number it refuses.
shared::AppOptions OptionsOf(const OptionTexts& texts) {
    shared::AppOptions options = shared::kDefaultAppOptions;
    if (texts.size) {
        options.windowType = Choice("/size", *texts.size, shared::kWindowSizeChoices);
    }
    if (texts.colors) {
        options.windowColor = Choice("/colors", *texts.colors, shared::kWindowColorChoices);
    }
    if (texts.encryption) {
        options.encryption = Choice("/encryption", *texts.encryption, shared::kEncryptionChoices);
    }
    if (texts.audio) {
        options.soundType = Choice("/audio", *texts.audio, shared::kAudioChoices);
    }
    const std::pair<const std::optional<std::string>*, std::pair<int16_t*, const char*>> numbers[] =
        {{&texts.percent, {&options.windowScale, "percent"}},
         {&texts.height, {&options.windowHeight, "height"}},
         {&texts.width, {&options.windowWidth, "width"}}};
    for (const auto& [text, slot] : numbers) {
        if (!*text) {
            continue;
        }
        try {
            *slot.first = settings::ToInt16(**text);
        } catch (const base::Error&) {
            throw NotStarted(std::string("The ") + slot.second +
                             " must be a whole number from -32768 to 32767.");
        }
    }
    return options;
}

class Runner {
  public:
    Runner(const CommandLine& command, farm::ObjectFactory& factory,
           const shared::Shared::FileSystemMaker& makeFileSystem, journal::Journal* journal)
        : command_(command),
          factory_(factory),
          makeFileSystem_(makeFileSystem),
          journal_(journal),
          module_(factory, makeFileSystem, feedback_) {}

    CommandReport Run() {
        if (command_.kind == CommandKind::Compare) {
            return RunCompare();
        }
        const bool whatIf = command_.whatIf;
        std::string title;
        shared::Outcome outcome(OperationOf(command_.kind));
        try {
            outcome = Dispatch(title);
        } catch (const NotStarted& e) {
            CommandReport report = CouldNotRun(command_.kind, whatIf, e.what());
            report.title = title;
            return report;
        } catch (const base::Error& e) {
            CommandReport report = CouldNotRun(command_.kind, whatIf, e.what());
            report.title = title;
            return report;
        }
        CommandReport report = Ran(command_.kind, whatIf, std::move(outcome));
        report.title = title;
        report.notes = std::move(notes_);
        report.closing = std::move(closing_);
        return report;
    }

  private:
    // Two farm files, or one and the farm; a file is read before the farm is reached.
    CommandReport RunCompare() {
        const std::vector<std::string>& operands = command_.operands;
        const std::string oldFile = Absolute(operands[0]);
        std::string title = "Compare " + oldFile + " with ";
        try {
            const compare::FarmModel oldModel = ReadModel(oldFile);
            if (operands.size() == 2) {
                const std::string newFile = Absolute(operands[1]);
                title += newFile;
                return Compared(title, compare::CompareModels(oldModel, ReadModel(newFile)));
            }
            title += "the farm";
            Farm();
            return Compared(title, compare::CompareWithFarm(factory_, makeFileSystem_, oldModel));
        } catch (const NotStarted& e) {
            CommandReport report = CouldNotRun(command_.kind, false, e.what());
            report.title = title;
            return report;
        } catch (const base::Error& e) {
            CommandReport report =
                CouldNotRun(command_.kind, false,
                            "The farm could not be exported for the comparison: error " +
                                std::to_string(e.number()) + ": " + e.description());
            report.title = title;
            return report;
        }
    }

    compare::FarmModel ReadModel(const std::string& file) {
        try {
            return compare::ReadFarmModel(module_.OpenFileSystem(), file);
        } catch (const base::Error& e) {
            throw NotStarted(CannotRead(file, e));
        }
    }

    static std::string CannotRead(const std::string& file, const base::Error& e) {
        return "The file " + file + " cannot be read: error " + std::to_string(e.number()) + ": " +
               e.description();
    }

    shared::Outcome Dispatch(std::string& title) {
        const std::vector<std::string>& operands = command_.operands;
        switch (command_.kind) {
            case CommandKind::Export:
                title = "Export Farm to " + Absolute(operands[0]);
                return Export(Absolute(operands[0]));
            case CommandKind::Import:
                title = "Import Farm from " + Absolute(operands[0]);
                return Recorded(title, [&] { return Import(Absolute(operands[0])); });
            case CommandKind::Offline: {
                const std::string server = FarmServer(operands[0]);
                title = "Take offline " + server + " to " + Absolute(operands[1]);
                return Recorded(title, [&] { return Offline(server, Absolute(operands[1])); });
            }
            case CommandKind::Online: {
                const std::string server = FarmServer(operands[0]);
                title = "Bring online " + server + " from " + Absolute(operands[1]);
                return Recorded(title, [&] { return Online(server, Absolute(operands[1])); });
            }
            case CommandKind::Clone: {
                const std::string source = FarmServer(operands[0]);
                std::vector<std::string> destinations;
                for (size_t i = 1; i < operands.size(); ++i) {
                    destinations.push_back(FarmServer(operands[i]));
                }
                title = "Clone " + source + " to " + Joined(destinations);
                return Recorded(title, [&] { return Clone(source, destinations); });
            }
            case CommandKind::Publish:
            case CommandKind::Unpublish: {
                const std::vector<std::string> apps = FarmApplications(Names(command_.apps));
                std::vector<std::string> servers;
                for (const std::string& name : Names(command_.targets)) {
                    servers.push_back(FarmServer(name));
                }
                const bool publish = command_.kind == CommandKind::Publish;
                title = std::string(publish ? "Publish " : "Unpublish ") + Joined(apps) +
                        (publish ? " on " : " from ") + Joined(servers);
                return Recorded(title, [&] { return Pairs(apps, servers, publish); });
            }
            case CommandKind::Options: {
                const shared::AppOptions options = OptionsOf(command_.options);
                const std::vector<std::string> apps = FarmApplications(Names(command_.apps));
                title = "Options of " + Joined(apps);
                return Recorded(title, [&] { return Options(apps, options); });
            }
            case CommandKind::Undo:
                return UndoRecord(operands.empty() ? std::string() : operands[0], title);
            case CommandKind::Journal:
                title = "Journal";
                return ListJournal();
            default:
                throw NotStarted(std::string(SwitchOf(command_.kind)) + " runs on its own.");
        }
    }

    // ---- what the run starts from ------------------------------------------------------

    farm::Farm& Farm() {
        try {
            return module_.OpenFarm();
        } catch (const base::Error& e) {
            throw NotStarted("The farm cannot be reached: error " + std::to_string(e.number()) +
                             ": " + e.description());
        }
    }

    // The server of the farm of that name, as the farm spells it.
    std::string FarmServer(const std::string& name) {
        if (serverNames_.empty()) {
            for (const auto& server : Farm().Servers()->Items()) {
                const std::string serverName = server->ServerName();
                serverNames_.emplace(shared::FoldedName(serverName), serverName);
            }
        }
        const auto found = serverNames_.find(shared::FoldedName(name));
        if (found == serverNames_.end()) {
            throw NotStarted("The farm has no server " + name + ".");
        }
        return found->second;
    }

    // The applications of the farm the names name, each once, in the order given.
    std::vector<std::string> FarmApplications(const std::vector<std::string>& names) {
        std::map<std::string, std::string> known;  // by folded distinguished name
        for (const auto& application : Farm().Applications()->Items()) {
            const std::string distinguishedName = application->DistinguishedName();
            known.emplace(shared::FoldedName(distinguishedName), distinguishedName);
        }
        std::vector<std::string> applications;
        for (const std::string& name : names) {
            const auto found = known.find(shared::FoldedName(DistinguishedNameOf(name)));
            if (found == known.end()) {
                throw NotStarted("The farm has no application " + name + ".");
            }
            if (std::find(applications.begin(), applications.end(), found->second) ==
                applications.end()) {
                applications.push_back(found->second);
            }
        }
        return applications;
    }

    // The names given, those of @FILE read from the file, one per line.
    std::vector<std::string> Names(const std::vector<std::string>& given) {
        std::vector<std::string> names;
        for (const std::string& name : given) {
            if (!name.starts_with("@")) {
                names.push_back(name);
                continue;
            }
            for (std::string& line : FileLines(name.substr(1))) {
                const size_t first = line.find_first_not_of(" \t");
                if (first == std::string::npos) {
                    continue;
                }
                const size_t last = line.find_last_not_of(" \t");
                names.push_back(line.substr(first, last - first + 1));
            }
        }
        return names;
    }

    std::vector<std::string> FileLines(const std::string& file) {
        std::vector<std::string> lines;
        try {
            const std::unique_ptr<settings::TextStream> stream =
                module_.OpenFileSystem().OpenTextFile(Absolute(file));
            while (!stream->AtEndOfStream()) {
                lines.push_back(stream->ReadLine());
            }
            stream->Close();
        } catch (const base::Error& e) {
            throw NotStarted(CannotRead(file, e));
        }
        return lines;
    }

    // Runs a changing command with a restore record in the journal (a dry run keeps none).
    template <class Run>
    shared::Outcome Recorded(const std::string& title, Run&& run,
                             std::string operation = std::string()) {
        if (journal_ == nullptr || command_.whatIf) {
            return run();
        }
        if (operation.empty()) {
            operation = OperationName(command_.kind);
        }
        const std::unique_ptr<journal::RecordWriter> record = journal_->Begin(operation, title);
        module_.journal = record.get();
        shared::Outcome outcome = run();
        module_.journal = nullptr;
        try {
            record->Finish();
        } catch (const base::Error&) {
            // Every step is on record already; only its end is not.
        }
        notes_.push_back("Restore record " + record->Id() + ": zelttool.exe /undo " + record->Id());
        return outcome;
    }

    journal::Journal& TheJournal() {
        if (journal_ == nullptr) {
            throw NotStarted("There is no journal of restore records here.");
        }
        return *journal_;
    }

    shared::Outcome UndoRecord(std::string id, std::string& title) {
        journal::Journal& journal = TheJournal();
        if (id.empty()) {
            const std::vector<std::string> ids = journal.Ids();
            if (ids.empty()) {
                throw NotStarted("The journal has no restore record to undo.");
            }
            id = ids.front();
        }
        const journal::RestoreRecord record = journal.Read(id);
        title = "Undo " + record.operation + " (record " + record.id + ": " + record.title + ")";
        Farm();
        shared::Outcome outcome = Recorded(
            title, [&] { return journal::Undo(module_, record, command_.whatIf); },
            "Undo " + record.operation);
        for (const shared::PassedOverItem& item : outcome.passedOver) {
            if (item.where == shared::PassedOver::FolderKept) {
                notes_.push_back(item.reason.description);
            }
        }
        if (!record.finished) {
            notes_.push_back("Record " + record.id +
                             " is unfinished: its operation ended in the middle.");
        }
        return outcome;
    }

    shared::Outcome ListJournal() {
        journal::Journal& journal = TheJournal();
        const std::vector<std::string> ids = journal.Ids();
        for (const std::string& id : ids) {
            const journal::RestoreRecord record = journal.Read(id);
            notes_.push_back(record.id + "  " + record.started + "  " + record.operation + ": " +
                             record.title + (record.finished ? "" : "  (unfinished)"));
        }
        closing_ = std::to_string(ids.size()) +
                   (ids.size() == 1 ? " restore record." : " restore records.");
        return shared::Outcome(shared::Operation::Undo);
    }

    // ---- the commands --------------------------------------------------------------------

    shared::Outcome Export(const std::string& file) {
        Farm();
        shared::Outcome outcome = shared::ExportFarm(module_, file);
        for (const shared::OutcomeMessage& message : shared::MessagesOf(outcome)) {
            if (!outcome.failure) {
                notes_.push_back(OneLine(message.text));
            }
        }
        if (outcome.failure) {
            notes_.push_back("Nothing was replaced: the farm file and its icons are as they were.");
        }
        return outcome;
    }

    shared::Outcome Import(const std::string& file) {
        shared::ServerMapping mapping;
        for (const auto& [server, target] : command_.servers) {
            if (target) {
                mapping.MapTo(server, *target);
            } else {
                mapping.LeaveOut(server);
            }
        }
        Farm();
        FileLines(file);  // the file is there and can be read
        if (command_.whatIf) {
            preview::ImportPreview preview =
                preview::PreviewImport(factory_, makeFileSystem_, file, &mapping);
            return std::move(preview.importOutcome);
        }
        return shared::ImportFarm(module_, file, {.servers = &mapping});
    }

    shared::Outcome Offline(const std::string& server, const std::string& file) {
        if (!command_.whatIf) {
            return shared::ExportServerApps(module_, server, file);
        }
        shared::Outcome outcome(shared::Operation::ExportServerApps);
        for (std::string& application : ApplicationsOf(server)) {
            outcome.changes.push_back(
                Binding(shared::ChangeKind::BindingRemoved, std::move(application), server));
        }
        return outcome;
    }

    shared::Outcome Online(const std::string& server, const std::string& file) {
        const std::vector<std::string> lines = FileLines(file);
        if (!command_.whatIf) {
            return shared::ImportServerApps(module_, server, file);
        }
        // Bring online stops at the first application the farm does not have.
        std::map<std::string, bool> known;
        for (const auto& application : Farm().Applications()->Items()) {
            known.emplace(application->DistinguishedName(), true);
        }
        shared::Outcome outcome(shared::Operation::ImportServerApps);
        for (size_t i = 0; i < lines.size(); ++i) {
            std::optional<std::string> application = shared::ApplicationOfLine(lines[i]);
            if (!application) {
                continue;
            }
            if (!known.contains(*application)) {
                // A prediction, so without the farm's number.
                shared::Failure stop;
                stop.error.description = "The farm has no application " + *application + ".";
                stop.lineNumber = static_cast<int64_t>(i + 1);
                stop.line = lines[i];
                outcome.failure = std::move(stop);
                break;
            }
            outcome.changes.push_back(
                Binding(shared::ChangeKind::BindingAdded, std::move(*application), server));
        }
        return outcome;
    }

    shared::Outcome Clone(const std::string& source, const std::vector<std::string>& destinations) {
        shared::Outcome outcome(shared::Operation::CloneServerApps);
        const std::vector<std::string> applications =
            command_.whatIf ? ApplicationsOf(source) : std::vector<std::string>{};
        for (const std::string& destination : destinations) {
            if (!command_.whatIf) {
                if (!Append(outcome, shared::CloneServerApps(module_, source, destination))) {
                    break;
                }
                continue;
            }
            for (const std::string& application : applications) {
                outcome.changes.push_back(
                    Binding(shared::ChangeKind::BindingAdded, application, destination));
            }
        }
        return outcome;
    }

    // Servers outer, applications inner, as the dialogs run them.
    shared::Outcome Pairs(const std::vector<std::string>& applications,
                          const std::vector<std::string>& servers, bool publish) {
        shared::Outcome outcome(publish ? shared::Operation::PublishAppOnServer
                                        : shared::Operation::UnpublishAppFromServer);
        for (const std::string& server : servers) {
            for (const std::string& application : applications) {
                if (command_.whatIf) {
                    outcome.changes.push_back(Binding(publish ? shared::ChangeKind::BindingAdded
                                                              : shared::ChangeKind::BindingRemoved,
                                                      application, server));
                } else if (!Append(outcome, publish ? shared::PublishAppOnServer(
                                                          module_, application, server)
                                                    : shared::UnpublishAppFromServer(
                                                          module_, application, server))) {
                    return outcome;
                }
            }
        }
        return outcome;
    }

    shared::Outcome Options(const std::vector<std::string>& applications,
                            const shared::AppOptions& options) {
        shared::Outcome outcome(shared::Operation::SetAppOptions);
        for (const std::string& application : applications) {
            if (!command_.whatIf) {
                if (!Append(outcome, shared::SetAppOptions(module_, application, options))) {
                    break;
                }
                continue;
            }
            // The values the run would write, beside the ones the application has now.
            const std::unique_ptr<farm::Application> app = factory_.CreateApplication();
            app->Initialize(farm::kWinAppObject, application);
            app->LoadData(true);
            const std::unique_ptr<farm::WinApp> view = app->WinAppObject();
            for (const auto& [name, value] : shared::OptionValues(options)) {
                outcome.changes.push_back(shared::Change{shared::ChangeKind::ApplicationSetting,
                                                         application,
                                                         {},
                                                         std::string(name),
                                                         farm::AsText(view->Get(name)),
                                                         std::to_string(value)});
            }
        }
        return outcome;
    }

    // The distinguished names of the applications published on the server.
    std::vector<std::string> ApplicationsOf(const std::string& serverName) {
        Farm();
        const std::unique_ptr<farm::Server> server = factory_.CreateServer();
        server->Initialize(farm::kWinSrvObject, serverName);
        std::vector<std::string> applications;
        for (const auto& application : server->Applications()->Items()) {
            applications.push_back(application->DistinguishedName());
        }
        return applications;
    }

    // A message of several lines as one line: its first line, the others after it.
    static std::string OneLine(const std::string& message) {
        std::string line;
        size_t parts = 0;
        for (size_t start = 0; start <= message.size();) {
            size_t end = message.find_first_of("\r\n", start);
            if (end == std::string::npos) {
                end = message.size();
            }
            if (end > start) {
                line += (parts == 0   ? ""
                         : parts == 1 ? " "
                                      : ", ") +
                        message.substr(start, end - start);
                ++parts;
            }
            start = end + 1;
        }
        return line;
    }

    const CommandLine& command_;
    farm::ObjectFactory& factory_;
    const shared::Shared::FileSystemMaker& makeFileSystem_;
    journal::Journal* journal_;
    shared::QuietFeedback feedback_;
    shared::Shared module_;
    std::map<std::string, std::string> serverNames_;  // by folded name
    std::vector<std::string> notes_;
    std::optional<std::string> closing_;
};

}  // namespace

CommandReport RunCommand(const CommandLine& command, farm::ObjectFactory& factory,
                         const shared::Shared::FileSystemMaker& makeFileSystem,
                         journal::Journal* journal) {
    return Runner(command, factory, makeFileSystem, journal).Run();
}

std::string OperationName(CommandKind kind) {
    switch (kind) {
        case CommandKind::Import:
            return "Import Farm";
        case CommandKind::Offline:
            return "Take offline";
        case CommandKind::Online:
            return "Bring online";
        case CommandKind::Clone:
            return "Clone";
        case CommandKind::Publish:
            return "Publish";
        case CommandKind::Unpublish:
            return "Unpublish";
        case CommandKind::Options:
            return "Options";
        case CommandKind::Undo:
            return "Undo";
        default:
            return std::string(SwitchOf(kind).substr(1));
    }
}

std::optional<std::string> LogFileOf(const CommandLine& command) {
    if (command.logFile) {
        return Absolute(*command.logFile);
    }
    if (command.kind == CommandKind::Export) {
        return Absolute(command.operands[0]) + ".log";
    }
    return std::nullopt;
}

}  // namespace commands
