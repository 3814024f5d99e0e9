#include "shared/farm_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/error.h"
#include "farm/farm.h"
#include "settings/file_system.h"
#include "settings/lines.h"
#include "shared/farm_file_reader.h"
#include "shared/file_support.h"
#include "shared/icon_names.h"
#include "shared/server_mapping.h"
#include "shared/shared.h"
#include "shared/staged_export.h"

namespace shared {

namespace {

constexpr int32_t kPublishedDesktopBit = 8;
constexpr std::string_view kPublishedDesktop = "PublishedDesktop";
constexpr std::string_view kRootFolder = "Applications";

// How a value travels in the file.
enum class Kind { Text, Integer, Kilobytes };

// ---- The farm block ---------------------------------------------------------------------

enum class FarmSource { Farm, Settings };

struct FarmKey {
    std::string_view key;
    Kind kind;
    FarmSource source;
    bool read;      // farm import assigns it
    bool optional;  // a farm may be unable to report it: the line is then left out
};

constexpr std::array<FarmKey, 35> kFarmKeys{{
    {"Farmname", Kind::Text, FarmSource::Farm, false, false},
    {"MaxConnectionsPerUser", Kind::Integer, FarmSource::Settings, true, false},
    {"EnforceConnectionsLimitOnAdmins", Kind::Integer, FarmSource::Settings, true, false},
    {"LogOverLimitDenials", Kind::Integer, FarmSource::Settings, true, false},
    {"DCRespondToClientBroadcast", Kind::Integer, FarmSource::Settings, true, false},
    {"RASRespondToClientBroadcast", Kind::Integer, FarmSource::Settings, true, false},
    {"UseClientLocalTime", Kind::Integer, FarmSource::Settings, true, false},
    {"DisableClientLocalTimeEstimation", Kind::Integer, FarmSource::Settings, true, false},
    {"EnableDNSAddressResolution", Kind::Integer, FarmSource::Settings, true, false},
    {"NDSPreferredTree", Kind::Text, FarmSource::Settings, true, false},
    {"EnableContentRedirection", Kind::Integer, FarmSource::Settings, true, false},
    {"EnableRemoteConsoleConnections", Kind::Integer, FarmSource::Settings, true, false},
    {"ICAKeepAliveEnable", Kind::Integer, FarmSource::Settings, true, false},
    {"ICAKeepAliveTime", Kind::Integer, FarmSource::Settings, true, false},
    {"NoRedundantGraphics", Kind::Integer, FarmSource::Settings, true, false},
    {"AlternateCachingMethod", Kind::Integer, FarmSource::Settings, true, false},
    {"ICAVideoBufferSize", Kind::Kilobytes, FarmSource::Settings, true, false},
    {"DegradationBias", Kind::Integer, FarmSource::Settings, true, false},
    {"NotifyDegradation", Kind::Integer, FarmSource::Settings, true, false},
    {"LogACRAttempts", Kind::Integer, FarmSource::Settings, true, false},
    {"EnableACR", Kind::Integer, FarmSource::Settings, true, false},
    {"PNEnumMode", Kind::Integer, FarmSource::Settings, true, false},
    {"ZonesShareLoadInfo", Kind::Integer, FarmSource::Settings, true, false},
    {"EnableSNMPAgent", Kind::Integer, FarmSource::Settings, true, false},
    {"SNMPDisconnectTrap", Kind::Integer, FarmSource::Settings, true, false},
    {"SNMPLogoffTrap", Kind::Integer, FarmSource::Settings, true, false},
    {"SNMPLogonTrap", Kind::Integer, FarmSource::Settings, true, false},
    {"SNMPThresholdValue", Kind::Integer, FarmSource::Settings, true, false},
    {"SNMPThresholdExceededTrap", Kind::Integer, FarmSource::Settings, true, false},
    {"LegacyMFServerCompatibleMode", Kind::Integer, FarmSource::Settings, true, false},
    {"LicenseServerName", Kind::Text, FarmSource::Settings, true, true},
    {"LicenseServerPort", Kind::Integer, FarmSource::Settings, true, true},
    {"SREnabled", Kind::Integer, FarmSource::Settings, true, true},
    {"SRPort", Kind::Integer, FarmSource::Settings, true, true},
    {"SRTimeout", Kind::Integer, FarmSource::Settings, true, true},
}};

// ---- The application block --------------------------------------------------------------

enum class AppSource { Application, View };
enum class AppReading { Ignored, Shown, Assigned };

struct AppKey {
    std::string_view key;
    Kind kind;
    AppSource source;  // where the export reads it; the import assigns through the view
    AppReading reading;
};

constexpr std::string_view kAppName = "AppName";
constexpr std::string_view kDistinguishedName = "DistinguishedName";
constexpr std::string_view kDescription = "Description";
constexpr std::string_view kDefaultInitProg = "DefaultInitProg";
constexpr std::string_view kDefaultWorkDir = "DefaultWorkDir";
constexpr std::string_view kPNAttributes = "PNAttributes";
constexpr std::string_view kParentFolderDN = "ParentFolderDN";
constexpr std::string_view kDefaultWindowType = "DefaultWindowType";

constexpr std::array<AppKey, 28> kAppKeys{{
    {kAppName, Kind::Text, AppSource::Application, AppReading::Assigned},
    {kDistinguishedName, Kind::Text, AppSource::Application, AppReading::Shown},
    {"EnableApp", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"HideDisabledApp", Kind::Integer, AppSource::View, AppReading::Ignored},
    {kDescription, Kind::Text, AppSource::Application, AppReading::Assigned},
    {kDefaultInitProg, Kind::Text, AppSource::View, AppReading::Assigned},
    {kDefaultWorkDir, Kind::Text, AppSource::View, AppReading::Assigned},
    {"DefaultWindowHeight", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"DefaultWindowScale", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"DefaultWindowType", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"DefaultWindowWidth", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"DefaultWindowColor", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"InstanceLimit", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"AllowMultiInstancePerUser", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"CPUPriority", Kind::Integer, AppSource::View, AppReading::Ignored},
    {"DefaultSoundType", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"EnableSSLConnections", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"DefaultEncryption", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"WaitOnPrinterCreation", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"PNFolder", Kind::Text, AppSource::View, AppReading::Assigned},
    {"AddToClientStartMenu", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"PlaceUnderProgramsFolder", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"StartMenuFolder", Kind::Text, AppSource::View, AppReading::Assigned},
    {"AddShortcutToClientDesktop", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"DesktopIntegrate", Kind::Integer, AppSource::View, AppReading::Assigned},
    {"MFAttributes", Kind::Integer, AppSource::View, AppReading::Assigned},
    {kPNAttributes, Kind::Integer, AppSource::View, AppReading::Assigned},
    {kParentFolderDN, Kind::Text, AppSource::View, AppReading::Assigned},
}};

// An application setting the import goes on without where the farm does not have it: every
// one but the name, without which the application cannot be stored.
bool CanBePassedOver(std::string_view key) {
    return key != kAppName;
}

// The settings whose meaning the window type decides: a farm takes them after the type.
bool IsWindowSize(std::string_view key) {
    return key == "DefaultWindowHeight" || key == "DefaultWindowScale" ||
           key == "DefaultWindowWidth";
}

template <class Row, size_t N>
const Row* FindKey(const std::array<Row, N>& table, std::string_view key) {
    const auto found =
        std::find_if(table.begin(), table.end(), [key](const Row& row) { return row.key == key; });
    return found == table.end() ? nullptr : &*found;
}

// ---- Values -----------------------------------------------------------------------------

std::string FormatValue(Kind kind, const farm::Value& value) {
    switch (kind) {
        case Kind::Text:
            return farm::AsText(value);
        case Kind::Integer:
            return std::to_string(farm::AsNumber(value));
        case Kind::Kilobytes:
            return settings::FormatKilobytes(farm::AsNumber(value));
    }
    return {};
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The written kilobytes times 1024, rounded half to even: "1" -> 1024, "0.5" -> 512. The
// product is formed digit by digit, so that no binary fraction distorts the halves, and then
// converted like any number.
int32_t KilobytesToValue(std::string_view text) {
    settings::ToInt32(text);  // the same syntax and range checks as any number

    size_t pos = text.find_first_not_of(" \t");
    const bool negative = text[pos] == '-';
    if (text[pos] == '-' || text[pos] == '+') {
        ++pos;
    }
    std::string digits;
    size_t fractionDigits = 0;
    bool inFraction = false;
    for (; pos < text.size() && text[pos] != ' ' && text[pos] != '\t'; ++pos) {
        if (IsDigit(text[pos])) {
            digits += text[pos];
            fractionDigits += inFraction ? 1 : 0;
        } else {
            inFraction = true;  // the decimal separator, whichever it is
        }
    }

    std::string product;  // least significant digit first
    unsigned carry = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        const unsigned step = static_cast<unsigned>(*it - '0') * 1024u + carry;
        product += static_cast<char>('0' + step % 10);
        carry = step / 10;
    }
    for (; carry > 0; carry /= 10) {
        product += static_cast<char>('0' + carry % 10);
    }
    product.resize(std::max(product.size(), fractionDigits + 1), '0');
    std::reverse(product.begin(), product.end());
    std::string number = negative ? "-" : "";
    number.append(product, 0, product.size() - fractionDigits);
    number += '.';
    number.append(product, product.size() - fractionDigits);
    return settings::ToInt32(number);
}

farm::Value ParseValue(const std::string_view key, Kind kind, const std::string& text) {
    switch (kind) {
        case Kind::Text:
            return text;
        case Kind::Integer:
            return settings::ToInt32(text);
        case Kind::Kilobytes:
            return KilobytesToValue(text);
    }
    throw base::Error(base::kErrTypeMismatch, "Type mismatch: " + std::string(key));
}

// ---- Settings the farm does not have ------------------------------------------------------

// The settings the export found this farm does not have, each passed over once.
class ExportNotOnFarm {
  public:
    explicit ExportNotOnFarm(Outcome& outcome) : outcome_(outcome) {}

    void Add(PassedOver where, std::string_view name, const base::Error& reason) {
        if (!Has(where, name)) {
            outcome_.passedOver.push_back(PassedOverItem{
                where, {reason.number(), reason.description()}, 0, {}, {}, {}, std::string(name)});
        }
    }
    bool HasApplicationSetting(std::string_view name) const {
        return Has(PassedOver::ApplicationSetting, name);
    }

  private:
    bool Has(PassedOver where, std::string_view name) const {
        return std::any_of(outcome_.passedOver.begin(), outcome_.passedOver.end(),
                           [&](const PassedOverItem& item) {
                               return item.where == where && item.setting == name;
                           });
    }

    Outcome& outcome_;
};

// ---- Export -----------------------------------------------------------------------------

// A setting the farm does not have is left out and noted; an optional one is left out on
// any failure, silently, as older farms cannot report it.
void WriteFarmBlock(settings::TextStream& out, farm::Farm& farmObject, farm::WinFarm& view,
                    ExportNotOnFarm& notOnFarm) {
    out.WriteLine("[Farm]");
    for (const FarmKey& row : kFarmKeys) {
        if (row.source == FarmSource::Farm) {
            settings::WriteKeyLine(out, row.key, farmObject.FarmName());
            continue;
        }
        std::string text;
        try {
            text = FormatValue(row.kind, view.Get(row.key));
        } catch (const farm::FarmError& e) {
            if (row.optional) {
                continue;  // a setting this farm cannot report
            }
            if (!base::IsUnknownName(e)) {
                throw;
            }
            notOnFarm.Add(PassedOver::FarmSetting, row.key, e);
            continue;
        }
        settings::WriteKeyLine(out, row.key, text);
    }
}

std::string ApplicationText(farm::Application& app, std::string_view key) {
    if (key == kAppName) {
        return app.AppName();
    }
    if (key == kDistinguishedName) {
        return app.DistinguishedName();
    }
    return app.Description();
}

// Returns the distinguished name it wrote.
std::string WriteApplicationKeys(settings::TextStream& out, farm::Application& app,
                                 farm::WinApp& view, ExportNotOnFarm& notOnFarm) {
    // A setting of the view; nothing when the farm does not have it (asked once per export).
    const auto read = [&](std::string_view key) -> std::optional<farm::Value> {
        if (notOnFarm.HasApplicationSetting(key)) {
            return std::nullopt;
        }
        try {
            return view.Get(key);
        } catch (const farm::FarmError& e) {
            if (!base::IsUnknownName(e)) {
                throw;
            }
            notOnFarm.Add(PassedOver::ApplicationSetting, key, e);
            return std::nullopt;
        }
    };
    bool desktop = false;
    std::string distinguishedName;
    for (const AppKey& row : kAppKeys) {
        if (row.key == kDefaultInitProg) {
            const std::optional<farm::Value> attributes = read(kPNAttributes);
            desktop = attributes && (farm::AsNumber(*attributes) & kPublishedDesktopBit) != 0;
            if (desktop) {
                settings::WriteKeyLine(out, row.key, kPublishedDesktop);
                continue;
            }
        }
        if (row.key == kDefaultWorkDir && desktop) {
            continue;
        }
        if (row.source == AppSource::Application) {
            const std::string text = ApplicationText(app, row.key);
            settings::WriteKeyLine(out, row.key, text);
            if (row.key == kDistinguishedName) {
                distinguishedName = text;
            }
            continue;
        }
        if (const std::optional<farm::Value> value = read(row.key)) {
            settings::WriteKeyLine(out, row.key, FormatValue(row.kind, *value));
        }
    }
    return distinguishedName;
}

void WriteAccounts(settings::TextStream& out, std::string_view key,
                   farm::Collection<farm::Account>& accounts) {
    // AccountType:AAType:AAName:name, so that the import's order of the fields gives the
    // order public writes use (User=2:1:DOMAIN:name for a domain user of an NT domain).
    for (const auto& account : accounts.Items()) {
        const int32_t first = account->AccountType();
        const int32_t second = account->AAType();
        const std::string text1 = account->AAName();
        const std::string text2 = account->AccountName();
        settings::WriteKeyLine(out, key, settings::JoinEntry(first, second, text1, text2));
    }
}

// Has the view write the icon into the temporary folder, copies it into the icons folder under
// its temporary name and returns the path the farm file names.
std::string SaveIcon(settings::FileSystem& files, farm::Application& app, farm::WinApp& view,
                     StagedExport& staged) {
    const StagedExport::Icon icon = staged.AddIcon(app.AppName());
    const std::string temporary = Path(files.GetTempFolder(), icon.name);
    view.WriteIconToFile(temporary);
    files.CopyFileOver(temporary, icon.stage);
    files.DeleteFiles(temporary, true);
    return icon.path;
}

// Writes the application's icon and returns the path the block names.
using IconSaver = std::function<std::string(farm::Application&, farm::WinApp&)>;

// Returns the distinguished name it wrote.
std::string WriteApplicationBlock(farm::Application& app, settings::TextStream& out,
                                  const IconSaver& saveIcon, ExportNotOnFarm& notOnFarm) {
    const std::unique_ptr<farm::WinApp> view = app.WinAppObject();

    out.WriteLine();
    out.WriteLine("[Application]");
    std::string distinguishedName = WriteApplicationKeys(out, app, *view, notOnFarm);

    out.WriteLine();
    out.WriteLine("[Servers]");
    for (const auto& binding : app.Servers()->Items()) {
        settings::WriteKeyLine(out, "Server", binding->ServerName());
    }
    out.WriteLine();
    out.WriteLine("[Users]");
    WriteAccounts(out, "User", *app.Users());
    out.WriteLine();
    out.WriteLine("[Groups]");
    WriteAccounts(out, "Group", *app.Groups());

    out.WriteLine();
    out.WriteLine("[Icon]");
    settings::WriteKeyLine(out, "Icon", saveIcon(app, *view));
    out.WriteLine();
    return distinguishedName;
}

// Lines written to memory.
class LineCollector final : public settings::TextStream {
  public:
    void WriteLine(std::string_view text) override { lines.emplace_back(text); }
    void WriteLine() override { lines.emplace_back(); }
    std::string ReadLine() override { throw base::Error(base::kErrBadFileMode, "Bad file mode"); }
    bool AtEndOfStream() override { return true; }
    void Close() override {}

    std::vector<std::string> lines;
};

// ---- Import -----------------------------------------------------------------------------

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t slash; (slash = path.find('/', start)) != std::string_view::npos;
         start = slash + 1) {
        parts.emplace_back(path.substr(start, slash - start));
    }
    parts.emplace_back(path.substr(start));
    return parts;
}

// "Applications/Name": an application whose parent folder is the root folder.
bool IsDirectlyInRoot(std::string_view distinguishedName) {
    return distinguishedName.size() > kRootFolder.size() + 1 &&
           distinguishedName.starts_with(kRootFolder) &&
           distinguishedName[kRootFolder.size()] == '/' &&
           distinguishedName.find('/', kRootFolder.size() + 1) == std::string_view::npos;
}

std::string SectionName(settings::Header section) {
    switch (section) {
        case settings::Header::Farm:
            return "[Farm]";
        case settings::Header::Application:
            return "[Application]";
        case settings::Header::Servers:
            return "[Servers]";
        case settings::Header::Users:
            return "[Users]";
        case settings::Header::Groups:
            return "[Groups]";
        case settings::Header::Icon:
            return "[Icon]";
        case settings::Header::None:
            break;
    }
    return {};
}

class FarmImport {
  public:
    FarmImport(Shared& shared, const ImportOptions& options)
        : shared_(shared),
          observer_(options.observer),
          servers_(options.servers),
          whole_(options.whole) {}

    Outcome& Result() { return outcome_; }

    void Run(const std::string& fileName) {
        settings::FileSystem& files = shared_.OpenFileSystem();
        reader_.emplace(files.OpenTextFile(fileName), servers_);
        farm::Farm& farmObject = shared_.OpenFarm();
        settings_ = farmObject.WinFarmObject();

        while (std::optional<FarmFileLine> next = reader_->Next()) {
            line_ = std::move(*next);
            TellMapping();
            if (line_.header != settings::Header::None) {
                AssignHeldSizes();  // the block's key lines end here
            }
            HandleLine();
        }
        AssignHeldSizes();
        reader_->Close();
    }

    settings::TextStream* Stream() { return reader_ ? &reader_->Stream() : nullptr; }

    // The line being handled, for the observer: a held-back size while it is assigned.
    ImportLine CurrentLine() const {
        if (assigning_) {
            return *assigning_;
        }
        return {reader_ ? reader_->LineNumber() : 0, line_.text, line_.mapped};
    }

  private:
    void HandleLine() {
        if (line_.header == settings::Header::Application) {
            StartApplication();
            return;
        }
        const std::optional<settings::KeyLine>& keyLine = line_.key;
        if (!keyLine) {
            if (line_.header == settings::Header::None && line_.mapping == LineMapping::Unchanged &&
                !line_.text.empty()) {
                NotRead("Neither a section header nor a key line.");
            }
            return;
        }
        const auto sectionKey = [&](std::string_view key) {
            if (keyLine->key == key) {
                return true;
            }
            NotRead(SectionName(line_.section) + " has no key '" + keyLine->key + "'.");
            return false;
        };
        switch (line_.section) {
            case settings::Header::Farm:
                ApplyFarmSetting(*keyLine);
                break;
            case settings::Header::Application:
                ApplyApplicationKey(*keyLine);
                break;
            case settings::Header::Servers:
                if (sectionKey("Server")) {
                    AddServer(keyLine->value);
                }
                break;
            case settings::Header::Users:
                if (sectionKey("User")) {
                    AddAccount(keyLine->value, false);
                }
                break;
            case settings::Header::Groups:
                if (sectionKey("Group")) {
                    AddAccount(keyLine->value, true);
                }
                break;
            case settings::Header::Icon:
                if (sectionKey("Icon")) {
                    LoadIconAndStore(keyLine->value);
                }
                break;
            case settings::Header::None:
                break;
        }
    }

    // A line passed over, for the outcome and the observer.
    void Note(const ImportLine& line, PassedOver where, ErrorInfo reason,
              std::string_view setting = {}) {
        if (observer_ != nullptr) {
            observer_->LinePassedOver(line, where, reason);
        }
        outcome_.passedOver.push_back(PassedOverItem{
            where, std::move(reason), line.number, line.text, {}, {}, std::string(setting)});
    }

    // Inside the handler of the failure passed over.
    void PassOver(PassedOver where, std::string_view setting = {}) {
        Note(CurrentLine(), where, CurrentError(), setting);
    }

    // A line the import does not read.
    void NotRead(std::string reason) {
        Note(CurrentLine(), PassedOver::NotRead, {0, std::move(reason)});
    }

    // A key the file carries that the import leaves alone (Farmname, HideDisabledApp,
    // CPUPriority): the farm keeps its own value.
    void KeyNotRead(const settings::KeyLine& keyLine) {
        NotRead("The import does not read the key '" + keyLine.key + "'.");
    }

    // A Server line the mapping keeps from the import, which reads it as an empty line.
    void TellMapping() {
        if (line_.mapping == LineMapping::LeftOut) {
            Note(CurrentLine(), PassedOver::ServerLeftOut,
                 {0, "The server mapping leaves this server out."});
        } else if (line_.mapping == LineMapping::Merged) {
            Note(CurrentLine(), PassedOver::ServerMerged,
                 {0,
                  "Merged: through the server mapping, the application is bound to this "
                  "server already."});
        }
    }

    // Farm settings are assigned one by one; whatever fails leaves that setting as it was.
    void ApplyFarmSetting(const settings::KeyLine& keyLine) {
        const FarmKey* row = FindKey(kFarmKeys, keyLine.key);
        if (row == nullptr) {
            NotRead("[Farm] has no key '" + keyLine.key + "'.");
            return;
        }
        if (!row->read) {
            KeyNotRead(keyLine);
            return;
        }
        try {
            const farm::Value value = ParseValue(row->key, row->kind, keyLine.value);
            if (shared_.journal != nullptr) {
                std::optional<farm::Value> before;
                try {
                    before = settings_->Get(row->key);
                } catch (const base::Error&) {
                    // The farm does not say: the undo cannot put it back, and says so.
                }
                shared_.journal->FarmSettingChanging(std::string(row->key), before, value);
            }
            settings_->Put(row->key, value);
        } catch (const base::Error&) {
            // Passed over: a bad number or a refused setting, or one this farm does not have.
            PassOver(PassedOver::FarmSetting, row->key);
            return;
        }
        outcome_.changes.push_back(Change{
            ChangeKind::FarmSetting, {}, {}, std::string(row->key), std::nullopt, keyLine.value});
    }

    void StartApplication() {
        application_ = shared_.farmObject->AddApplication(farm::kWinAppObject);
        view_ = application_->WinAppObject();
        bindingsAdded_.clear();
        blockPassedOver_ = outcome_.passedOver.size();
        windowTypeMet_ = false;
    }

    farm::Application& CurrentApplication() {
        if (!application_) {
            ThrowObjectNotSet();
        }
        return *application_;
    }

    farm::WinApp& CurrentView() {
        if (!view_) {
            ThrowObjectNotSet();
        }
        return *view_;
    }

    void ApplyApplicationKey(const settings::KeyLine& keyLine) {
        const AppKey* row = FindKey(kAppKeys, keyLine.key);
        if (row == nullptr) {
            NotRead("[Application] has no key '" + keyLine.key + "'.");
            return;
        }
        if (row->reading == AppReading::Ignored && !whole_) {
            KeyNotRead(keyLine);
            return;
        }
        if (row->reading == AppReading::Shown) {
            shared_.feedback.SetStatusCaption(StatusName(keyLine.value));
            shared_.feedback.RepaintStatus();
            shared_.feedback.RepaintMain();
            return;
        }
        if (row->key == kDefaultInitProg) {
            if (keyLine.value == kPublishedDesktop) {
                PutApplicationSetting(kPNAttributes, int32_t{kPublishedDesktopBit});
            } else {
                PutApplicationSetting(kDefaultInitProg, TrimBlanks(keyLine.value));
            }
            return;
        }
        if (row->key == kParentFolderDN) {
            CreateFolders(keyLine.value);
        }
        farm::Value value = ParseValue(row->key, row->kind, keyLine.value);
        if (IsWindowSize(row->key) && !windowTypeMet_) {
            // A farm takes a size only after the window type that gives it its meaning; the
            // exported file has the sizes first.
            CurrentView();
            heldSizes_.push_back({row->key, std::move(value), CurrentLine()});
            return;
        }
        PutApplicationSetting(row->key, value);
        if (row->key == kDefaultWindowType) {
            windowTypeMet_ = true;
            AssignHeldSizes();
        }
    }

    // Assigns a setting of the current application; one the farm does not have is passed
    // over.
    void PutApplicationSetting(std::string_view key, const farm::Value& value) {
        farm::WinApp& view = CurrentView();
        try {
            view.Put(key, value);
        } catch (const farm::FarmError& e) {
            if (!base::IsUnknownName(e) || !CanBePassedOver(key)) {
                throw;
            }
            PassOver(PassedOver::ApplicationSetting, key);
        }
    }

    // Assigns the sizes held back, in the file's order; a failure names the size's own line,
    // the one that stops the import included.
    void AssignHeldSizes() {
        for (HeldSize& size : std::exchange(heldSizes_, {})) {
            assigning_ = std::move(size.line);
            PutApplicationSetting(size.key, size.value);
        }
        assigning_.reset();
    }

    // Creates every level of the folder path; whatever fails here is passed over.
    void CreateFolders(const std::string& folderPath) {
        const std::vector<std::string> parts = SplitPath(folderPath);
        std::string path;
        std::unique_ptr<farm::Folder> folder;
        for (size_t level = 0; level + 1 < parts.size(); ++level) {
            if (level > 0) {
                path += '/';
            }
            path += parts[level];
            try {
                folder = shared_.factory.CreateFolder();
            } catch (const base::Error&) {
                // The previous folder object, if any, is used again.
                PassOver(PassedOver::Folder);
            }
            if (!folder) {
                continue;
            }
            try {
                folder->Initialize(farm::kApplicationFolder, path);
            } catch (const base::Error&) {
                // A missing folder: adding its subfolder fails too and says so.
                PassOver(PassedOver::Folder);
            }
            try {
                folder->AddSubFolder(parts[level + 1]);
            } catch (const base::Error&) {
                // It exists already, or its parent is missing.
                PassOver(PassedOver::Folder);
                continue;
            }
            if (shared_.journal != nullptr) {
                shared_.journal->FolderCreated(path + "/" + parts[level + 1]);
            }
        }
    }

    void AddServer(const std::string& serverName) {
        const std::unique_ptr<farm::Binding> binding = shared_.factory.CreateBinding();
        const std::string distinguishedName = CurrentApplication().DistinguishedName();
        binding->Initialize(farm::kWinSrvObject, serverName, distinguishedName);
        CurrentView().AddServer(*binding);
        bindingsAdded_.push_back(serverName);
    }

    void AddAccount(const std::string& value, bool group) {
        const std::vector<std::string> fields = settings::SplitEntry(value);
        const auto field = [&fields](size_t index) -> const std::string& {
            if (index >= fields.size()) {
                throw base::Error(base::kErrSubscriptOutOfRange, "Subscript out of range");
            }
            return fields[index];
        };
        if (!shared_.credential) {
            shared_.credential = shared_.factory.CreateCredential();
        }
        const std::unique_ptr<farm::Account> slot =
            group ? shared_.factory.CreateGroup() : shared_.factory.CreateUser();
        // Arguments in the order of the call: second integer, first text, first integer,
        // second text; that is authority type, authority name, account type, account name.
        const int32_t aaType = settings::ToInt32(field(1));
        const std::string& aaName = field(2);
        const int32_t accountType = settings::ToInt32(field(0));
        const std::string& accountName = field(3);
        slot->Initialize(aaType, aaName, accountType, accountName, *shared_.credential);
        if (group) {
            CurrentView().AddGroup(*slot);
        } else {
            CurrentView().AddUser(*slot);
        }
    }

    void LoadIconAndStore(const std::string& iconPath) {
        settings::FileSystem& files = *shared_.fileSystem;
        const std::string temporaryFolder = files.GetTempFolder();
        const std::string temporary =
            Path(temporaryFolder, SafeIconBaseName(CurrentApplication().AppName()) + ".ico");
        files.CopyFileOver(iconPath, temporary);
        CurrentView().LoadIconFromFile(temporary, 0);
        files.DeleteFiles(temporary, true);
        Store();
    }

    // Stores the current application in place of an application of the same name in the
    // root folder, when it goes into the root folder itself. The namesake is loaded before it
    // is deleted, so that a refused save can put it back.
    void Store() {
        farm::Application& app = CurrentApplication();
        std::string name;
        try {
            name = app.AppName();
        } catch (const base::Error&) {
            // Then no namesake is replaced.
            PassOver(PassedOver::Namesake);
        }
        bool inRoot = false;
        std::string distinguishedName;
        try {
            distinguishedName = app.DistinguishedName();
            inRoot = IsDirectlyInRoot(distinguishedName);
        } catch (const base::Error&) {
            // Then no namesake is replaced.
            PassOver(PassedOver::Namesake);
        }
        std::unique_ptr<farm::Application> namesake;
        try {
            if (inRoot) {
                namesake = shared_.farmObject->GetApplication(
                    farm::kWinAppObject, std::string(kRootFolder) + "/" + TrimRightBlanks(name));
            }
        } catch (const base::Error&) {
            // Most often there is no namesake in the root folder.
            PassOver(PassedOver::NoNamesake);
        }
        const std::string namesakeName = std::string(kRootFolder) + "/" + TrimRightBlanks(name);
        ChangeJournal* const journal = shared_.journal;
        bool deleted = false;
        if (namesake) {
            try {
                namesake->LoadData(true);
            } catch (const base::Error&) {
                // Not loaded means not deleted: it could not be put back.
                PassOver(PassedOver::Namesake);
                namesake.reset();
            }
        }
        const bool replaces = namesake && FoldedName(namesakeName) == FoldedName(distinguishedName);
        if (journal != nullptr) {
            if (distinguishedName.empty()) {
                throw base::Error(base::kErrInvalidArgument,
                                  "The application's name cannot be read; it is not stored "
                                  "without its restore record.");
            }
            if (namesake && !replaces) {
                journal->ApplicationChanging(namesakeName, namesake.get());
            }
            std::unique_ptr<farm::Application> existing =
                replaces ? nullptr : ExistingApplication(distinguishedName, inRoot);
            journal->ApplicationChanging(distinguishedName,
                                         replaces ? namesake.get() : existing.get());
        }
        if (namesake) {
            try {
                namesake->Delete();
                deleted = true;
            } catch (const base::Error&) {
                PassOver(PassedOver::Namesake);
            }
        }
        try {
            app.SaveData();
        } catch (...) {
            if (deleted) {
                try {
                    namesake->SaveData();
                } catch (const base::Error&) {
                    // The refused save is what gets reported.
                }
            }
            if (journal != nullptr) {
                JournalQuietly([&] {
                    journal->ApplicationNotStored(distinguishedName);
                    if (namesake && !replaces) {
                        journal->ApplicationNotStored(namesakeName);
                    }
                });
            }
            throw;
        }
        if (journal != nullptr) {
            journal->ApplicationStored(distinguishedName, app);
            if (deleted && !replaces) {
                journal->ApplicationRemoved(namesakeName);
            }
        }
        if (distinguishedName.empty()) {
            distinguishedName = name;  // the best name there is for it
        }
        // The farm stored it in its folder: a failed step of creating the folder found it there.
        for (size_t i = blockPassedOver_; i < outcome_.passedOver.size(); ++i) {
            if (outcome_.passedOver[i].where == PassedOver::Folder) {
                outcome_.passedOver[i].where = PassedOver::FolderExisted;
            }
        }
        outcome_.changes.push_back(Change{
            ChangeKind::ApplicationStored, distinguishedName, {}, {}, std::nullopt, std::nullopt});
        for (std::string& server : std::exchange(bindingsAdded_, {})) {
            outcome_.changes.push_back(Change{ChangeKind::BindingAdded,
                                              distinguishedName,
                                              std::move(server),
                                              {},
                                              std::nullopt,
                                              std::nullopt});
        }
    }

    // The application of that name, loaded, where the farm has one outside the root folder's
    // look-up (which Store has made already).
    std::unique_ptr<farm::Application> ExistingApplication(const std::string& distinguishedName,
                                                           bool inRoot) {
        if (inRoot) {
            return nullptr;
        }
        std::unique_ptr<farm::Application> existing;
        try {
            existing = shared_.farmObject->GetApplication(farm::kWinAppObject, distinguishedName);
            existing->LoadData(true);
        } catch (const base::Error&) {
            return nullptr;  // there is none
        }
        return existing;
    }

    // A note to the journal while a failure is on its way out: the failure is what counts.
    template <class Note>
    static void JournalQuietly(Note&& note) {
        try {
            note();
        } catch (...) {
            // The record says nothing of the application; its undo reads the farm.
        }
    }

    // A size setting read before its block's window type.
    struct HeldSize {
        std::string_view key;
        farm::Value value;
        ImportLine line;
    };

    Shared& shared_;
    ImportObserver* observer_;
    const ServerMapping* servers_;
    bool whole_;
    std::optional<FarmFileReader> reader_;
    std::unique_ptr<farm::WinFarm> settings_;
    FarmFileLine line_;                    // the line read last
    std::optional<ImportLine> assigning_;  // the held-back size being assigned
    bool windowTypeMet_ = false;           // the current block's DefaultWindowType line was read
    std::vector<HeldSize> heldSizes_;
    std::unique_ptr<farm::Application> application_;  // the block's application
    std::unique_ptr<farm::WinApp> view_;              // and its Windows view
    std::vector<std::string> bindingsAdded_;          // its servers, until it is stored
    size_t blockPassedOver_ = 0;  // where the block's items start in outcome_.passedOver
    Outcome outcome_{Operation::ImportFarm};
};

}  // namespace

Outcome ExportFarm(Shared& shared, const std::string& fileName) {
    Outcome outcome(Operation::ExportFarm);
    std::optional<StagedExport> staged;
    std::unique_ptr<settings::TextStream> stream;
    try {
        shared.feedback.SetProgressValue(0);
        shared.feedback.SetProgressVisible(true);

        settings::FileSystem& files = shared.OpenFileSystem();
        staged.emplace(files, fileName);

        farm::Farm& farmObject = shared.OpenFarm();
        const std::unique_ptr<farm::WinFarm> farmSettings = farmObject.WinFarmObject();

        stream = staged->CreateFarmFile();
        ExportNotOnFarm notOnFarm(outcome);
        WriteFarmBlock(*stream, farmObject, *farmSettings, notOnFarm);

        int16_t count = 0;
        for (size_t i = 0, n = farmObject.Applications()->Items().size(); i < n; ++i) {
            count = CountOne(count);
        }

        for (auto& app : farmObject.Applications()->Items()) {
            AdvanceProgress(shared.feedback, count);
            std::string written = WriteApplicationBlock(
                *app, *stream,
                [&](farm::Application& a, farm::WinApp& view) {
                    return SaveIcon(files, a, view, *staged);
                },
                notOnFarm);
            outcome.changes.push_back(Change{ChangeKind::ApplicationWritten,
                                             std::move(written),
                                             {},
                                             {},
                                             std::nullopt,
                                             std::nullopt});
        }
        stream->Close();
        staged->Complete();
    } catch (...) {
        outcome.failure = Failure{CurrentError(), 0, {}};
        CloseQuietly(stream.get());
        if (staged) {
            staged->Discard();
        }
    }
    return outcome;
}

std::vector<std::string> ApplicationBlock(farm::Application& application,
                                          const std::string& iconFile) {
    LineCollector block;
    Outcome settingsNotOnFarm(Operation::ExportFarm);
    ExportNotOnFarm notOnFarm(settingsNotOnFarm);
    WriteApplicationBlock(
        application, block,
        [&](farm::Application&, farm::WinApp& view) {
            view.WriteIconToFile(iconFile);
            return iconFile;
        },
        notOnFarm);
    return std::move(block.lines);
}

Outcome ImportFarm(Shared& shared, const std::string& fileName, const ImportOptions& options) {
    FarmImport import(shared, options);
    try {
        shared.feedback.SetStatusCaption("");
        shared.feedback.SetStatusVisible(true);
        import.Run(fileName);
    } catch (...) {
        const ErrorInfo error = CurrentError();
        CloseQuietly(import.Stream());
        if (options.observer != nullptr) {
            options.observer->ImportStopped(import.CurrentLine(), error);
        }
        import.Result().failure =
            Failure{error, import.CurrentLine().number, import.CurrentLine().text};
    }
    return std::move(import.Result());
}

std::vector<ViewSetting> FarmSettingsExported() {
    std::vector<ViewSetting> names;
    for (const FarmKey& row : kFarmKeys) {
        if (row.source == FarmSource::Settings) {
            names.push_back({row.key, true});  // left out where the farm does not have it
        }
    }
    return names;
}

std::vector<ViewSetting> FarmSettingsImported() {
    std::vector<ViewSetting> names;
    for (const FarmKey& row : kFarmKeys) {
        if (row.source == FarmSource::Settings && row.read) {
            names.push_back({row.key, true});  // a refused setting is passed over
        }
    }
    return names;
}

std::vector<ViewSetting> ApplicationSettingsExported() {
    std::vector<ViewSetting> names;
    for (const AppKey& row : kAppKeys) {
        if (row.source == AppSource::View) {
            names.push_back({row.key, true});  // left out where the farm does not have it
        }
    }
    return names;
}

std::vector<ViewSetting> ApplicationSettingsImported() {
    std::vector<ViewSetting> names;
    for (const AppKey& row : kAppKeys) {
        if (row.reading == AppReading::Assigned) {
            names.push_back({row.key, CanBePassedOver(row.key)});
        }
    }
    return names;
}

}  // namespace shared
