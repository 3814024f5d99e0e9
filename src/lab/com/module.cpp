#include "lab/com/module.h"

#include <stdexcept>

#include "farm/farm.h"
#include "lab/com/dispids.h"
#include "lab/com/workstation.h"
#include "win/com.h"
#include "win/text.h"

namespace labcom {

namespace {

// "Operation Number Description" planned on the fault injector; an empty text clears it.
void PlanFailure(lab::FaultInjector& faults, const std::string& text) {
    faults.Clear();
    const size_t operationEnd = text.find(' ');
    if (text.empty() || operationEnd == std::string::npos) {
        return;
    }
    const size_t numberEnd = text.find(' ', operationEnd + 1);
    try {
        const int32_t number =
            std::stoi(text.substr(operationEnd + 1, numberEnd - operationEnd - 1));
        faults.FailOperation(text.substr(0, operationEnd), number,
                             numberEnd == std::string::npos ? "" : text.substr(numberEnd + 1));
    } catch (const std::logic_error&) {
        throw farm::FarmError(E_INVALIDARG, "lab: bad FailOperation setting '" + text + "'");
    }
}

}  // namespace

Module& Module::Instance() {
    static Module module;
    return module;
}

Module::Module() : faults_(std::make_shared<lab::FaultInjector>()) {
    // Pinned: the counts, the fault plan and the settings DISPIDs must outlive every
    // CoFreeUnusedLibraries and CoUninitialize of the process.
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&Module::Instance), &handle_);
}

std::wstring Module::Path() const {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(handle_, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::shared_ptr<lab::LabFactory> Module::Factory() {
    std::lock_guard lock(mutex_);
    if (std::string text = ReadSetting(kDialectValue).value_or(""); text != dialectText_) {
        try {
            dialect_ = std::make_shared<const Dialect>(Dialect::Parse(text));
        } catch (const std::invalid_argument& e) {
            throw farm::FarmError(E_INVALIDARG, e.what());
        }
        dialectText_ = std::move(text);
    }
    if (std::string text = ReadSetting(kFailOperationValue).value_or(""); text != plannedFailure_) {
        PlanFailure(*faults_, text);
        plannedFailure_ = std::move(text);
    }
    std::filesystem::path root = StorePath();
    if (!factory_ || root != storeRoot_) {
        factory_ = std::make_shared<lab::LabFactory>(
            std::make_shared<lab::FarmStore>(root), [] { return CurrentFarm(); }, faults_);
        storeRoot_ = root;
    }
    return factory_;
}

ITypeInfo* Module::TypeInfo(mfcom::Kind kind) {
    std::lock_guard lock(mutex_);
    if (!typeLib_ && FAILED(LoadTypeLibEx(Path().c_str(), REGKIND_NONE, typeLib_.Put()))) {
        return nullptr;
    }
    const std::wstring name = win::Widen(InterfaceName(kind));
    for (UINT i = 0, n = typeLib_->GetTypeInfoCount(); i < n; ++i) {
        win::Bstr found;
        if (SUCCEEDED(typeLib_->GetDocumentation(static_cast<INT>(i), found.Put(), nullptr, nullptr,
                                                 nullptr)) &&
            found.Get() && name == found.Get()) {
            ITypeInfo* info = nullptr;
            return SUCCEEDED(typeLib_->GetTypeInfo(i, &info)) ? info : nullptr;
        }
    }
    return nullptr;
}

void Module::CountUnknownName(mfcom::Kind kind, std::string_view name) {
    std::lock_guard lock(mutex_);
    ++unknownNames_[std::string(mfcom::KindName(kind)) + "." + std::string(name)];
}

std::string Module::UnknownNames() {
    std::lock_guard lock(mutex_);
    std::string text;
    for (const auto& [name, count] : unknownNames_) {
        text += name + " " + std::to_string(count) + "\n";
    }
    return text;
}

std::shared_ptr<const Dialect> Module::CurrentDialect() {
    std::lock_guard lock(mutex_);
    return dialect_;
}

void Module::ObjectDestroyed() {
    if (--objects_ == 0) {
        // No object left: the store's files are closed until the next object.
        std::lock_guard lock(mutex_);
        if (objects_ == 0 && locks_ == 0) {
            factory_.reset();
        }
    }
}

int32_t Module::SettingDispid(std::string_view name) {
    std::lock_guard lock(mutex_);
    if (auto found = settingDispids_.find(name); found != settingDispids_.end()) {
        return found->second;
    }
    const auto dispid = kFirstSettingDispid + static_cast<int32_t>(settingNames_.size());
    settingNames_.emplace_back(name);
    settingDispids_.emplace(std::string(name), dispid);
    return dispid;
}

std::optional<std::string> Module::SettingName(int32_t dispid) {
    std::lock_guard lock(mutex_);
    const int64_t index = int64_t{dispid} - kFirstSettingDispid;
    if (index < 0 || index >= static_cast<int64_t>(settingNames_.size())) {
        return std::nullopt;
    }
    return settingNames_[static_cast<size_t>(index)];
}

}  // namespace labcom
