#include "preview/scratch_files.h"

#include <cstdio>
#include <random>
#include <utility>

#include "base/error.h"
#include "lab/os_file.h"

namespace preview {

namespace {

constexpr int kNameAttempts = 16;

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string RandomName() {
    std::random_device random;
    char name[40];
    std::snprintf(name, sizeof name, "zelt-preview-%08x%08x", random(), random());
    return name;
}

}  // namespace

ScratchFolder::ScratchFolder(settings::FileSystem& files) {
    std::string temporary = files.GetTempFolder();
    if (!temporary.empty() && IsSeparator(temporary.back())) {
        temporary.pop_back();
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string candidate = temporary + settings::kPathSeparator + RandomName();
        if (!files.FolderExists(candidate)) {
            files.CreateFolder(candidate);
            path_ = candidate;
            return;
        }
    }
    throw base::Error(base::kErrPathFileAccess,
                      "No scratch folder could be made below " + temporary + ".");
}

ScratchFolder::~ScratchFolder() {
    lab::os::RemoveTree(NativePath());
}

std::filesystem::path ScratchFolder::NativePath() const {
    return std::filesystem::path(std::u8string(path_.begin(), path_.end()));
}

std::string ScratchFolder::Below(const std::string& name) const {
    return path_ + settings::kPathSeparator + name;
}

ScratchFileSystem::ScratchFileSystem(std::unique_ptr<settings::FileSystem> real, std::string folder)
    : real_(std::move(real)), folder_(std::move(folder)) {}

void ScratchFileSystem::RequireInside(const std::string& path) const {
    bool inside = path.size() > folder_.size() + 1 && path.starts_with(folder_) &&
                  IsSeparator(path[folder_.size()]);
    // No way back up: every part after the folder is a plain name.
    for (size_t start = folder_.size() + 1; inside && start <= path.size();) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) {
            ++end;
        }
        const std::string_view part = std::string_view(path).substr(start, end - start);
        inside = part != ".." && part != "." && !part.empty();
        start = end + 1;
    }
    if (!inside) {
        throw base::Error(base::kErrPermissionDenied,
                          "The import preview writes no file outside its scratch "
                          "folder: " +
                              path);
    }
}

std::unique_ptr<settings::TextStream> ScratchFileSystem::CreateTextFile(const std::string& path) {
    RequireInside(path);
    return real_->CreateTextFile(path);
}

std::unique_ptr<settings::TextStream> ScratchFileSystem::OpenTextFile(const std::string& path) {
    return real_->OpenTextFile(path);
}

bool ScratchFileSystem::FolderExists(const std::string& path) {
    return real_->FolderExists(path);
}

void ScratchFileSystem::CreateFolder(const std::string& path) {
    RequireInside(path);
    real_->CreateFolder(path);
}

void ScratchFileSystem::DeleteFiles(const std::string& pathOrPattern, bool force) {
    RequireInside(pathOrPattern);
    real_->DeleteFiles(pathOrPattern, force);
}

void ScratchFileSystem::CopyFileOver(const std::string& source, const std::string& target) {
    RequireInside(target);
    real_->CopyFileOver(source, target);
}

void ScratchFileSystem::MoveFileOver(const std::string& source, const std::string& target) {
    RequireInside(source);
    RequireInside(target);
    real_->MoveFileOver(source, target);
}

std::vector<settings::FoundFile> ScratchFileSystem::FindFiles(const std::string& pathOrPattern) {
    return real_->FindFiles(pathOrPattern);
}

std::string ScratchFileSystem::GetTempFolder() {
    return folder_;
}

std::string ScratchFileSystem::CurrentDirectory() {
    return folder_;
}

}  // namespace preview
