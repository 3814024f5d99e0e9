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

}  // namespace

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
    if (outcome.operation == Operation::ExportFarm || outcome.operation == Operation::ImportFarm) {
        if (std::optional<OutcomeMessage> notice = NotOnFarmNotice(outcome)) {
            return {*notice};
        }
    }
    return {};
}

}  // namespace shared
