#include "shared/server_file.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "farm/farm.h"
#include "settings/file_system.h"
#include "settings/lines.h"
#include "shared/file_support.h"
#include "shared/shared.h"

namespace shared {

namespace {
constexpr std::string_view kDistinguishedName = "DistinguishedName";
}

void ExportServerApps(Shared& shared, const std::string& serverName, const std::string& fileName) {
    std::unique_ptr<settings::TextStream> stream;
    try {
        shared.feedback.SetProgressValue(0);
        shared.feedback.SetProgressVisible(true);

        settings::FileSystem& files = shared.OpenFileSystem();
        farm::Farm& farmObject = shared.OpenFarm();

        // Everything is looked up before the file is opened, so that a server the farm does
        // not know leaves an existing file as it was.
        shared.currentServer = farmObject.GetServer(farm::kWinSrvObject, serverName);
        farm::Server& server = *shared.currentServer;
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
            shared.currentApplication = std::move(app);
            farm::Application& current = *shared.currentApplication;
            // Listed first: an application is never off the server without its line.
            settings::WriteKeyLine(*stream, kDistinguishedName, current.DistinguishedName());
            current.RemoveServer(serverName);
            current.SaveData();
        }
        stream->WriteLine();
        stream->WriteLine();
        stream->Close();
    } catch (...) {
        ShowUnexpectedError(shared.feedback, CurrentError());
        CloseQuietly(stream.get());
    }
}

void ImportServerApps(Shared& shared, const std::string& serverName, const std::string& fileName) {
    std::unique_ptr<settings::TextStream> stream;
    try {
        shared.feedback.SetStatusCaption("");
        shared.feedback.SetStatusVisible(true);

        settings::FileSystem& files = shared.OpenFileSystem();
        stream = files.OpenTextFile(fileName);
        shared.currentServer = shared.factory.CreateServer();
        shared.currentServer->Initialize(farm::kWinSrvObject, serverName);

        while (!stream->AtEndOfStream()) {
            const auto keyLine = settings::SplitKeyLine(stream->ReadLine());
            if (!keyLine || keyLine->key != kDistinguishedName) {
                continue;
            }
            const std::string& distinguishedName = keyLine->value;
            shared.feedback.SetStatusCaption(StatusName(distinguishedName));
            shared.feedback.RepaintStatus();
            shared.feedback.RepaintMain();

            shared.currentApplication = shared.factory.CreateApplication();
            farm::Application& app = *shared.currentApplication;
            app.Initialize(farm::kWinAppObject, distinguishedName);
            app.LoadData(true);
            shared.currentBinding = shared.factory.CreateBinding();
            shared.currentBinding->Initialize(farm::kWinSrvObject, serverName, distinguishedName);
            app.AddServer(*shared.currentBinding);
            try {
                app.SaveData();
            } catch (const farm::FarmError&) {
                // A refused save loses this one binding; the next line is read.
            }
        }
        stream->Close();
    } catch (...) {
        ShowUnexpectedError(shared.feedback, CurrentError());
        CloseQuietly(stream.get());
    }
}

}  // namespace shared
