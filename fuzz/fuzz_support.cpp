#include "fuzz_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <system_error>
#include <vector>

#include "base/utf8_path.h"
#include "lab/keys.h"
#include "settings/file_system.h"

namespace fuzz {

namespace fs = std::filesystem;

namespace {

using base::Utf8;

fs::path PathOf(const std::string& utf8) {
    return base::PathOf(utf8).lexically_normal();
}

// The real file system with the scratch folder's working and temporary folders. With the
// guard on, a call that would write anywhere but directly inside the temporary folder aborts
// before it happens: a reader of a file writes nothing but its temporary icon copies.
class ScratchFileSystem : public settings::FileSystem {
  public:
    ScratchFileSystem(fs::path root, bool guardWrites)
        : root_(std::move(root)), guardWrites_(guardWrites) {}
    std::unique_ptr<settings::TextStream> CreateTextFile(const std::string& path) override {
        Writes("CreateTextFile", path);
        return real_->CreateTextFile(path);
    }
    std::unique_ptr<settings::TextStream> OpenTextFile(const std::string& path) override {
        return real_->OpenTextFile(path);
    }
    bool FolderExists(const std::string& path) override { return real_->FolderExists(path); }
    void CreateFolder(const std::string& path) override {
        Writes("CreateFolder", path);
        real_->CreateFolder(path);
    }
    void DeleteFiles(const std::string& path, bool force) override {
        Writes("DeleteFiles", path);
        real_->DeleteFiles(path, force);
    }
    void CopyFileOver(const std::string& source, const std::string& target) override {
        Writes("CopyFileOver", target);
        real_->CopyFileOver(source, target);
    }
    void MoveFileOver(const std::string& source, const std::string& target) override {
        Writes("MoveFileOver", source);
        Writes("MoveFileOver", target);
        real_->MoveFileOver(source, target);
    }
    std::vector<settings::FoundFile> FindFiles(const std::string& path) override {
        return real_->FindFiles(path);
    }
    std::string GetTempFolder() override { return Utf8(root_ / "tmp"); }
    std::string CurrentDirectory() override { return Utf8(root_ / "work"); }

  private:
    void Writes(const char* call, const std::string& path) const {
        if (guardWrites_ && PathOf(path).parent_path() != root_ / "tmp") {
            Fail(std::string(call) + " outside the temporary folder: " + path);
        }
    }

    fs::path root_;
    bool guardWrites_;
    std::unique_ptr<settings::FileSystem> real_ = settings::CreateFileSystem();
};

std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        found.push_back(entry.path());
    }
    return found;
}

template <class Item, class Read>
auto ReadAll(farm::Collection<Item>& collection, Read read) {
    std::vector<decltype(read(std::declval<Item&>()))> values;
    for (const auto& item : collection.Items()) {
        values.push_back(read(*item));
    }
    return values;
}

std::vector<lab::AccountEntry> Entries(farm::Collection<farm::Account>& accounts) {
    return ReadAll(accounts, [](farm::Account& account) {
        return lab::AccountEntry{account.AAType(), account.AccountType(), account.AAName(),
                                 account.AccountName()};
    });
}

// The application as the farm interface shows it must be the record the store holds.
void CheckReadsBack(lab::LabFactory& factory, const lab::AppRecord& stored) {
    const std::string dn = stored.DistinguishedName();
    auto app = factory.CreateApplication();
    app->Initialize(farm::kWinAppObject, dn);
    app->LoadData(true);
    if (app->AppName() != stored.name || app->DistinguishedName() != dn ||
        app->Description() != stored.description) {
        Fail("application reads back as another: " + dn);
    }
    const auto servers = ReadAll(*app->Servers(), [](farm::Binding& b) { return b.ServerName(); });
    if (servers != stored.servers || Entries(*app->Users()) != stored.users ||
        Entries(*app->Groups()) != stored.groups) {
        Fail("servers, users or groups read back otherwise: " + dn);
    }
    const auto view = app->WinAppObject();
    for (const auto& [key, value] : stored.keys) {
        const lab::AppKey* known = lab::FindApplicationKey(key);
        if (known != nullptr && known->field == lab::AppField::kView && view->Get(key) != value) {
            Fail("key " + key + " reads back otherwise: " + dn);
        }
    }
}

}  // namespace

void Fail(const std::string& what) {
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::abort();
}

fs::path RamFolder() {
    std::error_code error;
    return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

fs::path IconsFolder() {
    return RamFolder() / "zelt-fuzz-icons";
}

void Feedback::Show(const shared::Outcome& outcome) {
    for (const shared::OutcomeMessage& message : shared::MessagesOf(outcome)) {
        const std::string& text = message.text;
        messages.push_back(text);
        // The end-of-run notice of what the farm was left without, only when there is some.
        if (message.title == "Finished") {
            const bool lost = std::any_of(outcome.passedOver.begin(), outcome.passedOver.end(),
                                          [](const auto& item) { return shared::Lost(item); });
            const bool heading = text.starts_with("The import passed over ") ||
                                 text.starts_with("This farm does not have these settings") ||
                                 text.starts_with("The farm refused to save ");
            if (!lost || !heading || message.icon != shared::MessageIcon::Warning ||
                outcome.failure) {
                Fail("unexpected notice: " + text);
            }
            continue;
        }
        // Otherwise only the unexpected-error message, whatever its number and description.
        const std::string empty = shared::UnexpectedErrorText(0, "");
        const std::string head = empty.substr(0, empty.find(":") + 1);
        if (!text.starts_with(head) || message.title != "Error" ||
            message.icon != shared::MessageIcon::Critical || !text.ends_with("\r")) {
            Fail("unexpected message: " + message.title + ": " + text);
        }
    }
}

Lab::Lab(lab::FarmModel model)
    : model_(std::move(model)),
      store_(std::make_shared<lab::FarmStore>(lab::FarmStore::MemoryOnly{})) {
    root_ = RamFolder() / ("zelt-fuzz-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    for (const char* dir : {"work", "tmp"}) {
        fs::create_directories(root_ / dir);
    }
    // The icons folder is shared by the workers of a long run: each icon is written under a
    // name of this process's own and moved into place, so a reader never sees half of one.
    const fs::path icons = IconsFolder();
    fs::create_directories(icons);
    for (uint32_t seed = 0; seed < 4; ++seed) {
        const fs::path icon = icons / (std::to_string(seed) + ".ico");
        const fs::path partial = root_ / (std::to_string(seed) + ".ico");
        std::ofstream(partial, std::ios::binary) << lab::MakeIcon(seed);
        fs::rename(partial, icon);
    }
    store_->Write(model_);
    model_ = store_->Read(model_.name);  // as the store normalises it
    modelBase_ = model_;
    modelBase_.applications.clear();
    factory_ = std::make_unique<lab::LabFactory>(store_, model_.name);
    for (const lab::AppRecord& app : model_.applications) {
        CheckReadsBack(*factory_, app);
    }
    std::ofstream(root_ / "work" / "input.ini", std::ios::binary);
    writes_ = store_->Writes();
    puts_ = store_->ParsedApplicationRecords();
}

Lab::~Lab() {
    factory_.reset();
    store_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string Lab::Prepare(const uint8_t* data, size_t size) {
    if (changed_) {
        Restore();
        changed_ = false;
    }
    writes_ = store_->Writes();
    puts_ = store_->ParsedApplicationRecords();
    const fs::path input = root_ / "work" / "input.ini";
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    return Utf8(input);
}

void Lab::CheckFolders() {
    // A failed icon load may leave its temporary copy behind; it is not the reader's output.
    for (const fs::path& path : Entries(root_ / "tmp")) {
        fs::remove_all(path);
    }
    const std::vector<fs::path> expected = {root_ / "work" / "input.ini"};
    if (Entries(root_ / "work") != expected) {
        Fail("a file written outside the chosen file, or the chosen file gone");
    }
    if (Entries(root_).size() != 2) {
        Fail("a file written beside the working and the temporary folder");
    }
}

bool Lab::IsModelApp(const lab::StoredApp& app) const {
    return app.id >= 1 && app.id <= model_.applications.size() && app.order == app.id &&
           app.record == model_.applications[app.id - 1];
}

void Lab::Restore() {
    store_->Change(
        model_.name, [&](const lab::FarmState& state, std::vector<lab::FarmChange>& changes) {
            if (!(state.Base() == modelBase_)) {
                changes.push_back({lab::SetFarmBase{modelBase_}});
            }
            std::vector<bool> kept(model_.applications.size(), false);
            for (const lab::StoredApp* app : state.Applications()) {
                // Without a stored application every one left is the model's own.
                if (appsStored_ ? IsModelApp(*app) : app->id <= kept.size()) {
                    kept[app->id - 1] = true;
                } else {
                    changes.push_back({lab::DeleteApplication{app->id}});
                }
            }
            for (uint64_t id = 1; id <= kept.size(); ++id) {
                if (!kept[id - 1]) {
                    changes.push_back({lab::PutApplication{{id, id, model_.applications[id - 1]}}});
                }
            }
        });
}

void Lab::CheckFarm(const std::function<void(const lab::FarmState&)>& check) {
    if (store_->Writes() == writes_) {
        return;
    }
    std::vector<lab::AppRecord> differing;
    bool duplicate = false;
    const bool found = store_->Inspect(model_.name, [&](const lab::FarmState& state) {
        check(state);
        const std::vector<const lab::StoredApp*> apps = state.Applications();
        // With no application stored, only a deletion could have changed them.
        appsStored_ = store_->ParsedApplicationRecords() != puts_;
        for (const lab::StoredApp* app : apps) {
            if (appsStored_ && !IsModelApp(*app)) {
                differing.push_back(app->record);
            }
        }
        changed_ = !differing.empty() || apps.size() != model_.applications.size() ||
                   !(state.Base() == modelBase_);
        if (changed_) {
            std::set<std::string> names;
            for (const lab::StoredApp* app : apps) {
                duplicate = duplicate ||
                            !names.insert(lab::FoldCase(app->record.DistinguishedName())).second;
            }
        }
    });
    if (!found) {
        Fail("the farm went away");
    }
    if (duplicate) {
        Fail("an application stored twice");
    }
    try {
        for (const lab::AppRecord& app : differing) {
            CheckReadsBack(*factory_, app);
        }
    } catch (const farm::FarmError& error) {
        Fail("a stored application does not read back: " + error.description());
    }
}

std::unique_ptr<shared::Shared> Lab::NewSession(Feedback& feedback, Writes writes) {
    const fs::path root = root_;
    const bool guard = writes == Writes::kTemporaryOnly;
    return std::make_unique<shared::Shared>(
        *factory_, [root, guard] { return std::make_unique<ScratchFileSystem>(root, guard); },
        feedback);
}

}  // namespace fuzz
