#include "forms/program.h"

#include "base/error.h"
#include "forms/frmAbout.h"
#include "forms/frmInterfaceCheck.h"
#include "forms/frmLogin.h"
#include "forms/frmMain.h"
#include "forms/ui/text.h"
#include "win/text.h"

#include <vector>

namespace forms {

Program::Program(Services services)
    : services_(std::move(services)),
      main_(std::make_unique<frmMain>(*this)),
      shared_(
          std::make_unique<shared::Shared>(services_.factory, services_.makeFileSystem, *main_)),
      about_(std::make_unique<frmAbout>(*this)),
      interfaceCheck_(std::make_unique<frmInterfaceCheck>(*this)),
      login_(std::make_unique<frmLogin>(*this)) {}

// The forms go before the module they use.
Program::~Program() {
    login_.reset();
    interfaceCheck_.reset();
    about_.reset();
    main_->Unload();
    shared_.reset();
    main_.reset();
}

RecordedRun::RecordedRun(Program& program, const std::string& operation, const std::string& title)
    : program_(program) {
    journal::Journal* journal = program.GetServices().journal;
    if (journal == nullptr) {
        return;
    }
    try {
        record_ = journal->Begin(operation, title);
    } catch (const base::Error&) {
        return;  // no record: the operation runs as it always has
    }
    program.Shared().journal = record_.get();
}

RecordedRun::~RecordedRun() {
    if (!record_) {
        return;
    }
    program_.Shared().journal = nullptr;
    try {
        record_->Finish();
    } catch (const base::Error&) {
        // Its steps are on record; only its end is not.
    }
    program_.Main().ShowUndoEntry();
}

std::string InFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        return folder + name;
    }
    return folder + "\\" + name;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string ProgramPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            return win::Narrow(std::wstring_view(buffer.data(), length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<Version> ReadVersion(const std::string& path) {
    const std::wstring file = win::Widen(path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) {
        return std::nullopt;
    }
    void* block = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", &block, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(block);
    return Version{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                   LOWORD(info->dwFileVersionLS)};
}

}  // namespace forms
