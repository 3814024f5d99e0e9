#include "journal/undo.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "base/error.h"
#include "base/utf8_path.h"
#include "shared/change_journal.h"
#include "shared/deployment.h"
#include "shared/farm_file.h"
#include "shared/server_mapping.h"

namespace journal {

namespace {

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// An application as it is now: its block without the icon's name, and its icon's bytes.
struct Seen {
    std::vector<std::string> block;
    std::string icon;
    bool operator==(const Seen&) const = default;
};

std::vector<std::string> WithoutIconName(std::vector<std::string> block) {
    std::erase_if(block, [](const std::string& line) { return line.starts_with("Icon="); });
    return block;
}

std::optional<Seen> SeenOf(const std::optional<ApplicationState>& state) {
    if (!state) {
        return std::nullopt;
    }
    return Seen{WithoutIconName(state->block), FileBytes(state->icon)};
}

class Undoer {
  public:
    Undoer(shared::Shared& shared, bool whatIf)
        : shared_(shared), whatIf_(whatIf), outcome_(shared::Operation::Undo) {}

    shared::Outcome Run(const RestoreRecord& record) {
        try {
            shared_.OpenFarm();
            for (auto step = record.steps.rbegin(); step != record.steps.rend(); ++step) {
                std::visit([this](const auto& s) { Undo(s); }, *step);
                if (outcome_.failure) {
                    break;
                }
            }
        } catch (...) {
            outcome_.failure = shared::Failure{shared::CurrentError(), 0, {}};
        }
        return std::move(outcome_);
    }

  private:
    // ---- what is there now ----------------------------------------------------------------

    std::unique_ptr<farm::Application> Open(const std::string& distinguishedName) {
        std::unique_ptr<farm::Application> application = shared_.factory.CreateApplication();
        try {
            application->Initialize(farm::kWinAppObject, distinguishedName);
            application->LoadData(true);
        } catch (const farm::FarmError&) {
            return nullptr;  // not on the farm
        }
        return application;
    }

    std::optional<Seen> Now(const std::string& distinguishedName) {
        const std::unique_ptr<farm::Application> application = Open(distinguishedName);
        if (!application) {
            return std::nullopt;
        }
        settings::FileSystem& files = shared_.OpenFileSystem();
        const std::string icon =
            files.GetTempFolder() + "/zelttool-undo-" + std::to_string(++iconsRead_) + ".ico";
        Seen seen{WithoutIconName(shared::ApplicationBlock(*application, icon)),
                  FileBytes(base::PathOf(icon))};
        files.DeleteFiles(icon, true);
        return seen;
    }

    void LeftAlone(std::string application, std::string server, std::string setting,
                   std::string why) {
        shared::PassedOverItem item;
        item.where = shared::PassedOver::ChangedSince;
        item.reason = {0, std::move(why)};
        item.application = std::move(application);
        item.server = std::move(server);
        item.setting = std::move(setting);
        outcome_.passedOver.push_back(std::move(item));
    }

    void Append(shared::Outcome step) {
        outcome_.changes.insert(outcome_.changes.end(), step.changes.begin(), step.changes.end());
        outcome_.passedOver.insert(outcome_.passedOver.end(), step.passedOver.begin(),
                                   step.passedOver.end());
        if (step.failure) {
            outcome_.failure = std::move(step.failure);
        }
    }

    void Said(shared::ChangeKind kind, std::string application, std::string server = {},
              std::string setting = {}, std::optional<std::string> oldValue = std::nullopt,
              std::optional<std::string> newValue = std::nullopt) {
        outcome_.changes.push_back({kind, std::move(application), std::move(server),
                                    std::move(setting), std::move(oldValue), std::move(newValue)});
    }

    // ---- the steps, last first ------------------------------------------------------------

    void Undo(const BindingStep& step) {
        const std::unique_ptr<farm::Application> application = Open(step.application);
        if (!application) {
            LeftAlone(step.application, step.server, {},
                      "The application is no longer on the farm.");
            return;
        }
        const bool bound = shared::IsBoundTo(*application, step.server);
        if (bound == step.boundBefore) {
            return;  // as it was
        }
        if (whatIf_) {
            Said(step.boundBefore ? shared::ChangeKind::BindingAdded
                                  : shared::ChangeKind::BindingRemoved,
                 step.application, step.server);
            return;
        }
        Append(step.boundBefore
                   ? shared::PublishAppOnServer(shared_, step.application, step.server)
                   : shared::UnpublishAppFromServer(shared_, step.application, step.server));
    }

    void Undo(const SettingsStep& step) {
        const std::unique_ptr<farm::Application> application = Open(step.application);
        if (!application) {
            LeftAlone(step.application, {}, {}, "The application is no longer on the farm.");
            return;
        }
        const std::unique_ptr<farm::WinApp> view = application->WinAppObject();
        shared::SettingValues now;
        for (const auto& [name, value] : step.after) {
            now.emplace_back(name, view->Get(name));
        }
        if (now == step.before) {
            return;
        }
        if (now != step.after) {
            LeftAlone(step.application, {}, {},
                      "Its options were changed since; they are left as they are.");
            return;
        }
        shared::AppOptions options;
        std::map<std::string, int32_t> values;
        for (const auto& [name, value] : step.before) {
            values[name] = farm::AsNumber(value);
        }
        options.encryption = values["DefaultEncryption"];
        options.soundType = values["DefaultSoundType"];
        options.windowColor = values["DefaultWindowColor"];
        options.windowType = values["DefaultWindowType"];
        options.windowScale = static_cast<int16_t>(values["DefaultWindowScale"]);
        options.windowHeight = static_cast<int16_t>(values["DefaultWindowHeight"]);
        options.windowWidth = static_cast<int16_t>(values["DefaultWindowWidth"]);
        if (whatIf_) {
            for (size_t i = 0; i < step.before.size(); ++i) {
                Said(shared::ChangeKind::ApplicationSetting, step.application, {},
                     step.before[i].first, farm::AsText(now[i].second),
                     farm::AsText(step.before[i].second));
            }
            return;
        }
        Append(shared::SetAppOptions(shared_, step.application, options));
    }

    void Undo(const FarmSettingStep& step) {
        const std::unique_ptr<farm::WinFarm> view = shared_.farmObject->WinFarmObject();
        const farm::Value now = view->Get(step.name);
        if (step.before && now == *step.before) {
            return;
        }
        if (now != step.after) {
            LeftAlone({}, {}, step.name, "It was changed since; it is left as it is.");
            return;
        }
        if (!step.before) {
            LeftAlone({}, {}, step.name,
                      "The farm did not say its value before; it cannot be put back.");
            return;
        }
        if (!whatIf_) {
            if (shared_.journal != nullptr) {
                shared_.journal->FarmSettingChanging(step.name, now, *step.before);
            }
            view->Put(step.name, *step.before);
        }
        Said(shared::ChangeKind::FarmSetting, {}, {}, step.name, farm::AsText(now),
             farm::AsText(*step.before));
    }

    void Undo(const ApplicationStep& step) {
        const std::string& name = step.distinguishedName;
        if (step.left == ApplicationStep::Left::Unchanged) {
            return;  // the farm did not take the change
        }
        const std::optional<Seen> now = Now(name);
        const std::optional<Seen> before = SeenOf(step.before);
        if (now == before) {
            return;
        }
        if (step.left != ApplicationStep::Left::Unknown) {
            const std::optional<Seen> after =
                step.left == ApplicationStep::Left::Stored ? SeenOf(step.after) : std::nullopt;
            if (now != after) {
                LeftAlone(name, {}, {}, "It was changed since; it is left as it is.");
                return;
            }
        }
        // Put back: what is there goes, what was there comes back whole.
        if (now) {
            Remove(name);
        }
        if (step.before && !outcome_.failure) {
            Restore(name, *step.before);
        }
    }

    void Undo(const FolderStep& step) {
        shared::PassedOverItem item;
        item.where = shared::PassedOver::FolderKept;
        item.reason = {0, "The folder " + step.path + " the import created stays."};
        item.setting = step.path;
        outcome_.passedOver.push_back(std::move(item));
    }

    void Remove(const std::string& distinguishedName) {
        if (!whatIf_) {
            const std::unique_ptr<farm::Application> application = Open(distinguishedName);
            if (!application) {
                return;
            }
            if (shared_.journal != nullptr) {
                shared_.journal->ApplicationChanging(distinguishedName, application.get());
            }
            application->Delete();
            if (shared_.journal != nullptr) {
                shared_.journal->ApplicationRemoved(distinguishedName);
            }
        }
        Said(shared::ChangeKind::ApplicationRemoved, distinguishedName);
    }

    // Imports the application's block from the record, its icon from the record's folder.
    void Restore(const std::string& distinguishedName, const ApplicationState& state) {
        if (whatIf_) {
            Said(shared::ChangeKind::ApplicationStored, distinguishedName);
            return;
        }
        settings::FileSystem& files = shared_.OpenFileSystem();
        const std::string file =
            files.GetTempFolder() + "/zelttool-undo-" + std::to_string(++iconsRead_) + ".ini";
        {
            std::unique_ptr<settings::TextStream> stream = files.CreateTextFile(file);
            for (const std::string& line : state.block) {
                stream->WriteLine(line.starts_with("Icon=") ? "Icon=" + base::Utf8(state.icon)
                                                            : line);
            }
            stream->Close();
        }
        shared::Outcome restored = shared::ImportFarm(shared_, file, {.whole = true});
        shared_.fileSystem->DeleteFiles(file, true);  // the import opened a file system of its own
        Append(std::move(restored));
    }

    shared::Shared& shared_;
    bool whatIf_;
    shared::Outcome outcome_;
    int iconsRead_ = 0;
};

}  // namespace

shared::OutcomeMessage UndoMessage(const RestoreRecord& record, const shared::Outcome& outcome) {
    std::string text = "Undone: " + record.title + "\r\n\r\n" +
                       std::to_string(outcome.changes.size()) +
                       (outcome.changes.size() == 1 ? " change" : " changes") + " put back.";
    std::vector<shared::ListedRefusal> leftAlone;
    std::string folders;
    for (const shared::PassedOverItem& item : outcome.passedOver) {
        if (item.where == shared::PassedOver::FolderKept) {
            folders += "\r\n" + item.reason.description;
        } else if (shared::Lost(item)) {
            std::string what = !item.application.empty() ? item.application : item.setting;
            if (!item.server.empty()) {
                what += " on " + item.server;
            }
            leftAlone.push_back({what, item.reason});
        }
    }
    if (!leftAlone.empty()) {
        text += "\r\n\r\nLeft as " + std::string(leftAlone.size() == 1 ? "it is" : "they are") +
                ", " + std::to_string(leftAlone.size()) +
                " not put back:" + shared::RefusalList(leftAlone);
    }
    if (!folders.empty()) {
        text += "\r\n" + folders;
    }
    return {text, "Undo",
            leftAlone.empty() ? shared::MessageIcon::Information : shared::MessageIcon::Warning};
}

shared::Outcome Undo(shared::Shared& shared, const RestoreRecord& record, bool whatIf) {
    return Undoer(shared, whatIf).Run(record);
}

}  // namespace journal
