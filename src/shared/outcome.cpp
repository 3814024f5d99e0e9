#include "shared/outcome.h"

#include <algorithm>

#include "base/error.h"
#include "shared/shared.h"

namespace shared {

namespace {

void AddOnce(std::vector<std::string>& names, const std::string& name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(name);
    }
}

std::optional<OutcomeMessage> NotOnFarmNotice(const Outcome& outcome) {
    const std::vector<std::string> names = SettingsNotOnFarm(outcome);
    if (names.empty()) {
        return std::nullopt;
    }
    const bool exported = outcome.operation == Operation::ExportFarm;
    std::string text =
        exported ? "This farm does not have these settings; the farm file leaves them out:"
                 : "This farm does not have these settings; the import passed them over:";
    text += "\r\n";
    for (const std::string& name : names) {
        text += "\r\n" + name;
    }
    return OutcomeMessage{text, "Finished",
                          exported ? MessageIcon::Information : MessageIcon::Warning};
}

// What Import Farm passed over that the farm is left without, one entry per file line (the
// settings the farm does not have are named apart, in the notice).
std::vector<ListedRefusal> ImportLosses(const Outcome& outcome) {
    std::vector<ListedRefusal> losses;
    int64_t lastLine = -1;
    for (const PassedOverItem& item : outcome.passedOver) {
        const bool notOnFarm = (item.where == PassedOver::FarmSetting &&
                                item.reason.number == base::kErrUnknownName) ||
                               item.where == PassedOver::ApplicationSetting;
        if (!Lost(item) || notOnFarm || item.lineNumber == lastLine) {
            continue;
        }
        lastLine = item.lineNumber;
        losses.push_back(
            {"Line " + std::to_string(item.lineNumber) + ": " + item.line, item.reason});
    }
    return losses;
}

std::optional<OutcomeMessage> ImportNotice(const Outcome& outcome) {
    const std::vector<ListedRefusal> losses = ImportLosses(outcome);
    std::optional<OutcomeMessage> notOnFarm = NotOnFarmNotice(outcome);
    if (losses.empty()) {
        return notOnFarm;
    }
    std::string text = "The import passed over " + std::to_string(losses.size()) +
                       (losses.size() == 1 ? " line" : " lines") +
                       " of the farm file:" + RefusalList(losses);
    if (notOnFarm) {
        text += "\r\n\r\n" + notOnFarm->text;
    }
    return OutcomeMessage{text, "Finished", MessageIcon::Warning};
}

// The bindings Bring online lost to a refused save.
std::optional<OutcomeMessage> BringOnlineNotice(const Outcome& outcome) {
    std::vector<ListedRefusal> refused;
    std::string server;
    for (const PassedOverItem& item : outcome.passedOver) {
        if (item.where == PassedOver::Commit) {
            refused.push_back({item.application + " (line " + std::to_string(item.lineNumber) + ")",
                               item.reason});
            server = item.server;
        }
    }
    if (refused.empty()) {
        return std::nullopt;
    }
    const size_t applications = refused.size() + outcome.changes.size();
    const std::string text =
        "The farm refused to save " + std::to_string(refused.size()) + " of " +
        std::to_string(applications) + (applications == 1 ? " application" : " applications") +
        " of the server file; " + (refused.size() == 1 ? "it is" : "they are") +
        " not published on " + server + ":" + RefusalList(refused);
    return OutcomeMessage{text, "Finished", MessageIcon::Warning};
}

}  // namespace

bool Lost(const PassedOverItem& item) {
    switch (item.where) {
        case PassedOver::NotRead:
        case PassedOver::ServerLeftOut:
        case PassedOver::ServerMerged:
        case PassedOver::FolderExisted:
        case PassedOver::NoNamesake:
        case PassedOver::FolderKept:
            return false;
        case PassedOver::FarmSetting:
        case PassedOver::ApplicationSetting:
        case PassedOver::Folder:
        case PassedOver::Namesake:
        case PassedOver::Commit:
        case PassedOver::ChangedSince:
            return true;
    }
    return true;
}

std::string RefusalList(const std::vector<ListedRefusal>& refused) {
    std::string text;
    const size_t listed = std::min(refused.size(), kRefusalsListed);
    for (size_t i = 0; i < listed; ++i) {
        text += "\r\n" + refused[i].what + "\r\n     Error " +
                std::to_string(refused[i].reason.number) + ": " + refused[i].reason.description;
    }
    if (refused.size() > listed) {
        text += "\r\n... and " + std::to_string(refused.size() - listed) + " more.";
    }
    return text;
}

std::optional<ErrorInfo> FirstRefusal(const Outcome& outcome) {
    for (const PassedOverItem& item : outcome.passedOver) {
        if (item.where == PassedOver::Commit) {
            return item.reason;
        }
    }
    return std::nullopt;
}

void RethrowFailure(const Outcome& outcome) {
    if (outcome.failure) {
        throw base::Error(outcome.failure->error.number, outcome.failure->error.description);
    }
}

std::vector<std::string> SettingsNotOnFarm(const Outcome& outcome) {
    std::vector<std::string> farmSettings;
    std::vector<std::string> applicationSettings;
    for (const PassedOverItem& item : outcome.passedOver) {
        if (item.where == PassedOver::FarmSetting && item.reason.number == base::kErrUnknownName) {
            AddOnce(farmSettings, item.setting + " (farm setting)");
        } else if (item.where == PassedOver::ApplicationSetting) {
            AddOnce(applicationSettings, item.setting + " (application setting)");
        }
    }
    farmSettings.insert(farmSettings.end(), applicationSettings.begin(), applicationSettings.end());
    return farmSettings;
}

std::vector<OutcomeMessage> MessagesOf(const Outcome& outcome) {
    if (outcome.failure) {
        const ErrorInfo& error = outcome.failure->error;
        return {
            {UnexpectedErrorText(error.number, error.description), "Error", MessageIcon::Critical}};
    }
    std::optional<OutcomeMessage> notice;
    switch (outcome.operation) {
        case Operation::ExportFarm:
            notice = NotOnFarmNotice(outcome);
            break;
        case Operation::ImportFarm:
            notice = ImportNotice(outcome);
            break;
        case Operation::ImportServerApps:
            notice = BringOnlineNotice(outcome);
            break;
        default:
            break;
    }
    if (notice) {
        return {*notice};
    }
    return {};
}

}  // namespace shared
