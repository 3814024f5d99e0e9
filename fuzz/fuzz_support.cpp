#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "settings/file_system.h"

namespace fuzz {

namespace fs = std::filesystem;

namespace {

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// The real file system with the scratch folder's working and temporary folders.
class ScratchFileSystem : public settings::FileSystem {
  public:
    explicit ScratchFileSystem(fs::path root) : root_(std::move(root)) {}
    std::unique_ptr<settings::TextStream> CreateTextFile(const std::string& path) override {
        return real_->CreateTextFile(path);
    }
    std::unique_ptr<settings::TextStream> OpenTextFile(const std::string& path) override {
        return real_->OpenTextFile(path);
    }
    bool FolderExists(const std::string& path) override { return real_->FolderExists(path); }
    void CreateFolder(const std::string& path) override { real_->CreateFolder(path); }
    void DeleteFiles(const std::string& path, bool force) override {
        real_->DeleteFiles(path, force);
    }
    void CopyFileOver(const std::string& source, const std::string& target) override {
        real_->CopyFileOver(source, target);
    }
    std::string GetTempFolder() override { return Utf8(root_ / "tmp"); }
    std::string CurrentDirectory() override { return Utf8(root_ / "work"); }

  private:
    fs::path root_;
    std::unique_ptr<settings::FileSystem> real_ = settings::CreateFileSystem();
};

std::set<fs::path> Contents(const fs::path& root) {
    std::set<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.path().string().starts_with((root / "store").string())) {
            found.insert(entry.path());
        }
    }
    return found;
}

}  // namespace

void Fail(const std::string& what) {
    std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
    std::abort();
}

void Feedback::ShowMessage(const std::string& text, const std::string& title,
                           shared::MessageIcon icon) {
    ++messages;
    // Only the unexpected-error message, whatever its number and description.
    const std::string empty = shared::UnexpectedErrorText(0, "");
    const std::string head = empty.substr(0, empty.find(":") + 1);
    if (!text.starts_with(head) || title != "Error" || icon != shared::MessageIcon::Critical ||
        !text.ends_with("\r")) {
        Fail("unexpected message: " + title + ": " + text);
    }
}

Lab::Lab(lab::FarmModel model) : model_(std::move(model)) {
    root_ = fs::temp_directory_path() / ("zelt-fuzz-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    for (const char* dir : {"work", "tmp", "store"}) {
        fs::create_directories(root_ / dir);
    }
    // The icons the seed files name.
    const fs::path icons = fs::temp_directory_path() / "zelt-fuzz-icons";
    fs::create_directories(icons);
    for (uint32_t seed = 0; seed < 4; ++seed) {
        std::ofstream(icons / (std::to_string(seed) + ".ico"), std::ios::binary)
            << lab::MakeIcon(seed);
    }
    store_ = std::make_shared<lab::FarmStore>(root_ / "store");
    store_->SetDurable(false);
    store_->Write(model_);
    model_ = store_->Read(model_.name);  // as the store normalises it
    factory_ = std::make_unique<lab::LabFactory>(store_, model_.name);
    std::ofstream(root_ / "work" / "input.ini", std::ios::binary);
    before_ = Contents(root_);
}

Lab::~Lab() {
    factory_.reset();
    store_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string Lab::Prepare(const uint8_t* data, size_t size) {
    store_->Write(model_);
    const fs::path input = root_ / "work" / "input.ini";
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    return Utf8(input);
}

void Lab::CheckFolders() {
    // A failed icon load may leave its temporary copy behind; it is not the reader's output.
    for (const auto& entry : fs::directory_iterator(root_ / "tmp")) {
        fs::remove_all(entry.path());
    }
    const std::set<fs::path> after = Contents(root_);
    for (const fs::path& path : after) {
        if (!before_.contains(path)) {
            Fail("file written outside the chosen file: " + path.string());
        }
    }
    if (after.size() != before_.size()) {
        Fail("a file of the scratch folder went away");
    }
}

lab::FarmModel Lab::ReadFarm() {
    try {
        return store_->Read(model_.name);
    } catch (const std::exception& error) {
        Fail(std::string("farm no longer readable: ") + error.what());
    }
}

std::unique_ptr<shared::Shared> Lab::NewSession(Feedback& feedback) {
    const fs::path root = root_;
    return std::make_unique<shared::Shared>(
        *factory_, [root] { return std::make_unique<ScratchFileSystem>(root); }, feedback);
}

}  // namespace fuzz
