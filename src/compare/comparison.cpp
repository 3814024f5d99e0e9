#include "compare/comparison.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <utility>

#include "compare/farm_model.h"
#include "preview/scratch_files.h"
#include "settings/file_system.h"
#include "shared/farm_file.h"
#include "shared/feedback.h"
#include "shared/outcome.h"
#include "shared/server_mapping.h"

namespace compare {

namespace {

struct Named {
    std::string key;  // the folded distinguished name
    const ApplicationModel* application;
};

// The applications by folded name; of two blocks of one name the later one is what the
// import leaves in the farm.
std::vector<Named> ByName(const FarmModel& model) {
    std::vector<Named> named;
    named.reserve(model.applications.size());
    for (const ApplicationModel& application : model.applications) {
        named.push_back({shared::FoldedName(application.distinguishedName), &application});
    }
    std::stable_sort(named.begin(), named.end(),
                     [](const Named& a, const Named& b) { return a.key < b.key; });
    std::vector<Named> last;
    last.reserve(named.size());
    for (size_t i = 0; i < named.size(); ++i) {
        if (i + 1 == named.size() || named[i + 1].key != named[i].key) {
            last.push_back(std::move(named[i]));
        }
    }
    return last;
}

// Where `key` is in `settings`, looked for first at `hint`, as both sides are mostly written
// in the same order.
size_t FindSetting(const std::vector<Setting>& settings, const std::string& key, size_t hint) {
    if (hint < settings.size() && settings[hint].key == key) {
        return hint;
    }
    const auto found = std::find_if(settings.begin(), settings.end(),
                                    [&key](const Setting& s) { return s.key == key; });
    return static_cast<size_t>(found - settings.begin());
}

void CompareSettings(const std::vector<Setting>& oldSettings,
                     const std::vector<Setting>& newSettings, const std::string& application,
                     std::vector<Difference>& out) {
    std::vector<bool> matched(newSettings.size(), false);
    for (size_t i = 0; i < oldSettings.size(); ++i) {
        const Setting& old = oldSettings[i];
        const size_t j = FindSetting(newSettings, old.key, i);
        if (j == newSettings.size()) {
            out.push_back({DifferenceKind::Setting, application, old.key, old.value, std::nullopt});
            continue;
        }
        matched[j] = true;
        if (newSettings[j].value != old.value) {
            out.push_back(
                {DifferenceKind::Setting, application, old.key, old.value, newSettings[j].value});
        }
    }
    for (size_t j = 0; j < newSettings.size(); ++j) {
        if (!matched[j]) {
            out.push_back({DifferenceKind::Setting, application, newSettings[j].key, std::nullopt,
                           newSettings[j].value});
        }
    }
}

std::vector<std::string> FoldAll(const std::vector<std::string>& entries) {
    std::vector<std::string> folded;
    folded.reserve(entries.size());
    std::transform(entries.begin(), entries.end(), std::back_inserter(folded), shared::FoldedName);
    return folded;
}

bool Contains(const std::vector<std::string>& list, size_t end, const std::string& item) {
    return std::find(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(end), item) !=
           list.begin() + static_cast<std::ptrdiff_t>(end);
}

// Entries of `from` that `other` lacks, each once, as `from` writes them.
void Missing(const std::vector<std::string>& from, const std::vector<std::string>& foldedFrom,
             const std::vector<std::string>& foldedOther, DifferenceKind kind,
             const std::string& application, std::vector<Difference>& out) {
    for (size_t i = 0; i < from.size(); ++i) {
        if (!Contains(foldedOther, foldedOther.size(), foldedFrom[i]) &&
            !Contains(foldedFrom, i, foldedFrom[i])) {
            out.push_back({kind, application, from[i], std::nullopt, std::nullopt});
        }
    }
}

// Servers, users or groups: those only the old side has, then those only the new side has.
void CompareEntries(const std::vector<std::string>& oldEntries,
                    const std::vector<std::string>& newEntries, DifferenceKind removed,
                    DifferenceKind added, const std::string& application,
                    std::vector<Difference>& out) {
    if (oldEntries == newEntries) {
        return;
    }
    const std::vector<std::string> oldFolded = FoldAll(oldEntries);
    const std::vector<std::string> newFolded = FoldAll(newEntries);
    Missing(oldEntries, oldFolded, newFolded, removed, application, out);
    Missing(newEntries, newFolded, oldFolded, added, application, out);
}

void CompareIcons(const FarmModel& oldModel, const ApplicationModel& oldApp,
                  const FarmModel& newModel, const ApplicationModel& newApp,
                  std::vector<Difference>& out) {
    const std::optional<std::string> oldBytes = ReadIcon(oldModel, oldApp);
    const std::optional<std::string> newBytes = ReadIcon(newModel, newApp);
    if (oldBytes != newBytes) {
        out.push_back({DifferenceKind::IconDiffers, oldApp.distinguishedName, "icon",
                       oldBytes ? oldApp.icon : std::nullopt,
                       newBytes ? newApp.icon : std::nullopt});
    }
}

void CompareApplications(const FarmModel& oldModel, const ApplicationModel& oldApp,
                         const FarmModel& newModel, const ApplicationModel& newApp,
                         std::vector<Difference>& out) {
    const std::string& name = oldApp.distinguishedName;
    CompareSettings(oldApp.settings, newApp.settings, name, out);
    CompareEntries(oldApp.servers, newApp.servers, DifferenceKind::ServerUnbound,
                   DifferenceKind::ServerBound, name, out);
    CompareEntries(oldApp.users, newApp.users, DifferenceKind::UserRemoved,
                   DifferenceKind::UserAdded, name, out);
    CompareEntries(oldApp.groups, newApp.groups, DifferenceKind::GroupRemoved,
                   DifferenceKind::GroupAdded, name, out);
    CompareIcons(oldModel, oldApp, newModel, newApp, out);
}

std::string Shown(const std::optional<std::string>& value) {
    if (!value) {
        return "(not set)";
    }
    return value->empty() ? "\"\"" : *value;
}

}  // namespace

std::string DifferenceText(const Difference& difference, std::string_view oldSide,
                           std::string_view newSide) {
    switch (difference.kind) {
        case DifferenceKind::OnlyInOld:
            return "only in " + std::string(oldSide);
        case DifferenceKind::OnlyInNew:
            return "only in " + std::string(newSide);
        case DifferenceKind::Setting:
            return difference.item + " " + Shown(difference.oldValue) + " -> " +
                   Shown(difference.newValue);
        case DifferenceKind::ServerBound:
            return "server " + difference.item + " bound";
        case DifferenceKind::ServerUnbound:
            return "server " + difference.item + " unbound";
        case DifferenceKind::UserAdded:
            return "user " + difference.item + " added";
        case DifferenceKind::UserRemoved:
            return "user " + difference.item + " removed";
        case DifferenceKind::GroupAdded:
            return "group " + difference.item + " added";
        case DifferenceKind::GroupRemoved:
            return "group " + difference.item + " removed";
        case DifferenceKind::IconDiffers:
            if (!difference.oldValue) {
                return "icon differs (none in " + std::string(oldSide) + ")";
            }
            if (!difference.newValue) {
                return "icon differs (none in " + std::string(newSide) + ")";
            }
            return "icon differs";
    }
    return {};
}

namespace {

constexpr std::string_view kOld = "the old";
constexpr std::string_view kNew = "the new";

std::string LineOf(const Difference& difference) {
    switch (difference.kind) {
        case DifferenceKind::OnlyInOld:
            return "Only in the old: " + difference.application;
        case DifferenceKind::OnlyInNew:
            return "Only in the new: " + difference.application;
        default:
            return (difference.application.empty() ? std::string("Farm") : difference.application) +
                   ": " + DifferenceText(difference, kOld, kNew);
    }
}

}  // namespace

Comparison CompareModels(const FarmModel& oldModel, const FarmModel& newModel) {
    Comparison comparison;
    std::vector<Difference>& out = comparison.differences;
    CompareSettings(oldModel.settings, newModel.settings, {}, out);

    const std::vector<Named> oldApps = ByName(oldModel);
    const std::vector<Named> newApps = ByName(newModel);
    auto o = oldApps.begin();
    auto n = newApps.begin();
    while (o != oldApps.end() || n != newApps.end()) {
        if (n == newApps.end() || (o != oldApps.end() && o->key < n->key)) {
            out.push_back({DifferenceKind::OnlyInOld,
                           o->application->distinguishedName,
                           {},
                           std::nullopt,
                           std::nullopt});
            ++o;
        } else if (o == oldApps.end() || n->key < o->key) {
            out.push_back({DifferenceKind::OnlyInNew,
                           n->application->distinguishedName,
                           {},
                           std::nullopt,
                           std::nullopt});
            ++n;
        } else {
            CompareApplications(oldModel, *o->application, newModel, *n->application, out);
            ++o;
            ++n;
        }
    }
    return comparison;
}

Comparison CompareFarmFiles(settings::FileSystem& files, const std::string& oldFile,
                            const std::string& newFile) {
    const FarmModel oldModel = ReadFarmModel(files, oldFile);
    return CompareModels(oldModel, ReadFarmModel(files, newFile));
}

Comparison CompareWithFarm(farm::ObjectFactory& factory,
                           const shared::Shared::FileSystemMaker& makeFileSystem,
                           const std::string& file) {
    // The file first: an unreadable one ends the comparison before the farm is read.
    const FarmModel oldModel = ReadFarmModel(*makeFileSystem(), file);
    return CompareWithFarm(factory, makeFileSystem, oldModel);
}

Comparison CompareWithFarm(farm::ObjectFactory& factory,
                           const shared::Shared::FileSystemMaker& makeFileSystem,
                           const FarmModel& oldModel) {
    const std::unique_ptr<settings::FileSystem> files = makeFileSystem();
    const preview::ScratchFolder scratch(*files);
    const std::string exported = scratch.Below("Farm");
    {
        shared::QuietFeedback feedback;
        const std::string folder = scratch.Path();
        shared::Shared module(
            factory,
            [&makeFileSystem, folder] {
                return std::make_unique<preview::ScratchFileSystem>(makeFileSystem(), folder);
            },
            feedback);
        shared::RethrowFailure(shared::ExportFarm(module, exported));
    }
    // The icons are compared while the scratch folder still holds the export's.
    return CompareModels(oldModel, ReadFarmModel(*files, exported));
}

std::vector<std::string> GroupedLines(const Comparison& comparison, std::string_view oldSide,
                                      std::string_view newSide) {
    std::vector<std::string> lines;
    const std::string* group = nullptr;  // the application of the group open
    for (const Difference& difference : comparison.differences) {
        if (group == nullptr || *group != difference.application) {
            if (group != nullptr) {
                lines.emplace_back();
            }
            group = &difference.application;
            lines.push_back(group->empty() ? "Farm settings" : *group);
        }
        lines.push_back("    " + DifferenceText(difference, oldSide, newSide));
    }
    return lines;
}

std::vector<std::string> DifferenceLines(const Comparison& comparison) {
    std::vector<std::string> lines;
    lines.reserve(comparison.differences.size());
    for (const Difference& difference : comparison.differences) {
        lines.push_back(LineOf(difference));
    }
    return lines;
}

}  // namespace compare
