#include "shared/server_file.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "farm/farm.h"
#include "settings/file_system.h"
#include "settings/lines.h"
#include "shared/change_journal.h"
#include "shared/file_support.h"
#include "shared/shared.h"

namespace shared {

namespace {
constexpr std::string_view kDistinguishedName = "DistinguishedName";
}

Outcome ExportServerApps(Shared& shared, const std::string& serverName,
                         const std::string& fileName) {
    Outcome outcome(Operation::ExportServerApps);
    std::unique_ptr<settings::TextStream> stream;
    try {
        shared.feedback.SetProgressValue(0);
        shared.feedback.SetProgressVisible(true);

        settings::FileSystem& files = shared.OpenFileSystem();
        farm::Farm& farmObject = shared.OpenFarm();

        // Everything is looked up before the file is opened, so that a server the farm does
        // not know leaves an existing file as it was.
        const std::unique_ptr<farm::Server> found =
            farmObject.GetServer(farm::kWinSrvObject, serverName);
        farm::Server& server = *found;
        const std::unique_ptr<farm::WinServer> winServer = server.WinServerObject();

        int16_t count = 0;
        for (size_t i = 0, n = server.Applications()->Items().size(); i < n; ++i) {
            count = CountOne(count);
        }
        const std::string reportedName = server.ServerName();
        const int32_t major = winServer->WinNTVerMajor();
        const int32_t minor = winServer->WinNTVerMinor();

        stream = files.CreateTextFile(fileName);
        stream->WriteLine("[Servers]");
        settings::WriteKeyLine(*stream, "ServerName", reportedName);
        settings::WriteKeyLine(*stream, "Windows NT Version",
                               std::to_string(major) + "." + std::to_string(minor));
        stream->WriteLine();
        stream->WriteLine("[Applications]");

        for (auto& app : server.Applications()->Items()) {
            AdvanceProgress(shared.feedback, count);
            // Listed first: an application is never off the server without its line.
            std::string distinguishedName = app->DistinguishedName();
            settings::WriteKeyLine(*stream, kDistinguishedName, distinguishedName);
            if (shared.journal != nullptr) {
                shared.journal->BindingChanging(distinguishedName, serverName, true, false);
            }
            app->RemoveServer(serverName);
            app->SaveData();
            outcome.changes.push_back(Change{ChangeKind::BindingRemoved,
                                             std::move(distinguishedName),
                                             serverName,
                                             {},
                                             std::nullopt,
                                             std::nullopt});
        }
        stream->WriteLine();
        stream->WriteLine();
        stream->Close();
    } catch (...) {
        outcome.failure = Failure{CurrentError(), 0, {}};
        CloseQuietly(stream.get());
    }
    return outcome;
}

std::optional<std::string> ApplicationOfLine(std::string_view line) {
    auto keyLine = settings::SplitKeyLine(line);
    if (!keyLine || keyLine->key != kDistinguishedName) {
        return std::nullopt;
    }
    return std::move(keyLine->value);
}

Outcome ImportServerApps(Shared& shared, const std::string& serverName,
                         const std::string& fileName) {
    Outcome outcome(Operation::ImportServerApps);
    std::unique_ptr<settings::TextStream> stream;
    int64_t lineNumber = 0;
    std::string line;
    try {
        shared.feedback.SetStatusCaption("");
        shared.feedback.SetStatusVisible(true);

        settings::FileSystem& files = shared.OpenFileSystem();
        stream = files.OpenTextFile(fileName);
        const std::unique_ptr<farm::Server> server = shared.factory.CreateServer();
        server->Initialize(farm::kWinSrvObject, serverName);

        while (!stream->AtEndOfStream()) {
            ++lineNumber;
            line = stream->ReadLine();
            const std::optional<std::string> named = ApplicationOfLine(line);
            if (!named) {
                continue;
            }
            const std::string& distinguishedName = *named;
            shared.feedback.SetStatusCaption(StatusName(distinguishedName));
            shared.feedback.RepaintStatus();
            shared.feedback.RepaintMain();

            const std::unique_ptr<farm::Application> app = shared.factory.CreateApplication();
            app->Initialize(farm::kWinAppObject, distinguishedName);
            app->LoadData(true);
            const std::unique_ptr<farm::Binding> binding = shared.factory.CreateBinding();
            binding->Initialize(farm::kWinSrvObject, serverName, distinguishedName);
            NoteBindingChange(shared, *app, distinguishedName, serverName, true);
            app->AddServer(*binding);
            try {
                app->SaveData();
            } catch (const farm::FarmError& e) {
                // A refused save loses this one binding; the next line is read.
                outcome.passedOver.push_back(PassedOverItem{PassedOver::Commit,
                                                            {e.number(), e.description()},
                                                            lineNumber,
                                                            line,
                                                            distinguishedName,
                                                            serverName,
                                                            {}});
                continue;
            }
            outcome.changes.push_back(Change{ChangeKind::BindingAdded,
                                             distinguishedName,
                                             serverName,
                                             {},
                                             std::nullopt,
                                             std::nullopt});
        }
        stream->Close();
    } catch (...) {
        outcome.failure = Failure{CurrentError(), lineNumber, line};
        CloseQuietly(stream.get());
    }
    return outcome;
}

}  // namespace shared
