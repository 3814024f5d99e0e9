// labfarm.dll on a workstation where another server owns MetaFrameCOM ProgIDs: registering
// refuses, says why on standard error and writes nothing; unregistering removes only what
// is the lab's. Mostly through regsvr32, as a person runs it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "contract/contract_support.h"
#include "lab/com/class_ids.h"
#include "lab/os_file.h"
#include "mfcom/com_support.h"
#include "win/handles.h"
#include "win/registry.h"
#include "win/text.h"

namespace {

using DllEntry = HRESULT(__stdcall*)();

constexpr const wchar_t* kForeignClsid = L"{0B5E55ED-7A1E-4C0F-9A11-5EED0F000001}";
constexpr const wchar_t* kForeignClassKey = L"CLSID\\{0B5E55ED-7A1E-4C0F-9A11-5EED0F000001}";
constexpr const wchar_t* kUserClasses = L"Software\\Classes";

std::wstring ProgIdText(mfcom::Creatable creatable) {
    return win::Widen(mfcom::ProgIdOf(creatable).progId);
}

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

std::wstring LabClassKey(mfcom::Creatable creatable) {
    return L"CLSID\\" + ClsidText(labcom::ClsidOf(creatable));
}

// One of the two places ProgIDs are registered.
struct ClassesRoot {
    const char* name;
    bool user;
};
constexpr ClassesRoot kMachine{"HKEY_CLASSES_ROOT", false};
constexpr ClassesRoot kUser{"HKEY_CURRENT_USER\\Software\\Classes", true};

win::RegKey OpenRoot(const ClassesRoot& root) {
    return root.user ? win::RegKey::Create(HKEY_CURRENT_USER, kUserClasses)
                     : win::RegKey::Create(HKEY_CLASSES_ROOT, L"");
}

void Write(const ClassesRoot& root, const std::wstring& key, const std::wstring& name,
           const std::wstring& text) {
    win::RegKey::Create(OpenRoot(root).Get(), key).WriteText(name, text);
}

void DeleteTree(const ClassesRoot& root, const std::wstring& key) {
    RegDeleteTreeW(OpenRoot(root).Get(), key.c_str());
}

// Every key and value below a key, one line each, sorted: "path\" for a key,
// "path\name = type:data" for a value.
void ListTree(HKEY parent, const std::wstring& path, std::vector<std::string>& lines) {
    win::RegKey key = win::RegKey::Open(parent, path);
    if (!key) {
        return;
    }
    lines.push_back(win::Narrow(path) + "\\");
    for (DWORD i = 0;; ++i) {
        wchar_t name[256] = {};
        DWORD nameLength = 256;
        DWORD type = 0;
        BYTE data[2048] = {};
        DWORD size = sizeof data;
        if (RegEnumValueW(key.Get(), i, name, &nameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        std::ostringstream value;
        value << win::Narrow(path) << "\\"
              << (nameLength ? win::Narrow(std::wstring_view(name, nameLength)) : "@") << " = "
              << type << ":";
        for (DWORD b = 0; b < size; ++b) {
            value << static_cast<int>(data[b]) << ",";
        }
        lines.push_back(value.str());
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256] = {};
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        subkeys.emplace_back(name);
    }
    for (const auto& subkey : subkeys) {
        ListTree(parent, path + L"\\" + subkey, lines);
    }
}

// The ProgIDs, the lab's class keys and the foreign class key under both roots.
std::vector<std::string> Snapshot() {
    std::vector<std::string> lines;
    for (const ClassesRoot& root : {kMachine, kUser}) {
        win::RegKey key = OpenRoot(root);
        std::vector<std::string> rootLines;
        ListTree(key.Get(), kForeignClassKey, rootLines);
        for (const auto& entry : mfcom::kProgIds) {
            ListTree(key.Get(), win::Widen(entry.progId), rootLines);
            ListTree(key.Get(), LabClassKey(entry.creatable), rootLines);
        }
        for (auto& line : rootLines) {
            lines.push_back(std::string(root.name) + "\\" + line);
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text;
}

struct RunResult {
    DWORD exitCode = 255;
    std::string standardError;
};

// regsvr32 ARGUMENTS "dll" in a new process, its standard error caught in a file.
RunResult RunRegsvr32(const std::wstring& arguments, const std::filesystem::path& dll,
                      const std::filesystem::path& errorFile) {
    RunResult result;
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        win::KernelHandle error(CreateFileW(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                            &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
        if (error.get() == INVALID_HANDLE_VALUE) {
            error.Release();
            ADD_FAILURE() << "cannot create " << errorFile.string();
            return result;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = error.get();
        std::wstring line = L"regsvr32.exe " + arguments + L" \"" + dll.wstring() + L"\"";
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process)) {
            ADD_FAILURE() << "regsvr32 does not start: " << GetLastError();
            return result;
        }
        win::KernelHandle processHandle(process.hProcess);
        win::KernelHandle threadHandle(process.hThread);
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        GetExitCodeProcess(process.hProcess, &result.exitCode);
    }
    std::ifstream in(errorFile, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    result.standardError = text.str();
    return result;
}

// Keeps the lab farm registered for the tests that follow, however a test ends: removes the
// keys a test planted, then registers the dll again.
class LabRegistrationRestorer {
  public:
    explicit LabRegistrationRestorer(DllEntry registerServer) : registerServer_(registerServer) {}
    ~LabRegistrationRestorer() {
        RemovePlanted();
        const HRESULT hr = registerServer_();
        EXPECT_EQ(hr, S_OK) << "labfarm.dll could not be registered again";
    }
    LabRegistrationRestorer(const LabRegistrationRestorer&) = delete;
    LabRegistrationRestorer& operator=(const LabRegistrationRestorer&) = delete;

    // Another server's ProgID in place of ours, naming kForeignClsid (or, with withClsid
    // false, only a versioned ProgID), and that server's class key.
    void PlantForeign(const ClassesRoot& root, mfcom::Creatable creatable, bool withClsid = true) {
        const std::wstring progId = ProgIdText(creatable);
        Remember(root, progId);
        Remember(root, kForeignClassKey);
        DeleteTree(root, progId);
        Write(root, progId, L"", L"Another server's object");
        if (withClsid) {
            Write(root, progId + L"\\CLSID", L"", kForeignClsid);
        } else {
            Write(root, progId + L"\\CurVer", L"", progId + L".7");
        }
        Write(root, kForeignClassKey, L"", L"Another server's object");
        Write(root, std::wstring(kForeignClassKey) + L"\\InprocServer32", L"",
              L"C:\\Program Files\\Another\\objects.dll");
    }

    // A registration of ours as another tool may have written it.
    void PlantOwn(const ClassesRoot& root, mfcom::Creatable creatable,
                  const std::wstring& clsidText, const std::wstring& serverPath) {
        const std::wstring progId = ProgIdText(creatable);
        Remember(root, progId);
        Remember(root, LabClassKey(creatable));
        Write(root, progId + L"\\CLSID", L"", clsidText);
        Write(root, LabClassKey(creatable) + L"\\InprocServer32", L"", serverPath);
    }

    void RemovePlanted() {
        for (const auto& [user, key] : planted_) {
            DeleteTree(user ? kUser : kMachine, key);
        }
        planted_.clear();
    }

  private:
    void Remember(const ClassesRoot& root, const std::wstring& key) {
        planted_.insert({root.user, key});
    }

    DllEntry registerServer_;
    std::set<std::pair<bool, std::wstring>> planted_;
};

class RegistrationSafety : public ::testing::Test {
  protected:
    void SetUp() override {
        HMODULE module = comtest::LabFarmModule();
        registerServer_ = Entry(module, "DllRegisterServer");
        unregisterServer_ = Entry(module, "DllUnregisterServer");
        ASSERT_TRUE(registerServer_ && unregisterServer_);
        wchar_t path[MAX_PATH * 4] = {};
        GetModuleFileNameW(module, path, static_cast<DWORD>(std::size(path)));
        dll_ = path;
        root_ = contract::UniqueTempFolder("zelt-regsafety");
        // Registration installs the demo farms: into this store, not the workstation's.
        setting_ = std::make_unique<comtest::ScopedLabSetting>(root_ / "store", lab::kDemoFarm);
        restorer_ = std::make_unique<LabRegistrationRestorer>(registerServer_);
    }
    void TearDown() override {
        restorer_.reset();
        setting_.reset();
        lab::os::RemoveTree(root_);
    }

    static DllEntry Entry(HMODULE module, const char* name) {
        return reinterpret_cast<DllEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

    RunResult Regsvr32(const std::wstring& arguments) {
        return RunRegsvr32(arguments, dll_, root_ / "stderr.txt");
    }

    DllEntry registerServer_ = nullptr;
    DllEntry unregisterServer_ = nullptr;
    std::filesystem::path dll_;
    std::filesystem::path root_;
    std::unique_ptr<comtest::ScopedLabSetting> setting_;
    std::unique_ptr<LabRegistrationRestorer> restorer_;
};

TEST_F(RegistrationSafety, RegisteringBesideAForeignProgIdFailsAndWritesNothing) {
    const struct {
        ClassesRoot root;
        mfcom::Creatable creatable;  // the first and the last ProgID written
        bool withClsid;
        const char* named;  // what the notice names besides the ProgID
    } cases[] = {
        {kMachine, mfcom::Creatable::Farm, true, "CLSID {0B5E55ED-7A1E-4C0F-9A11-5EED0F000001}"},
        {kMachine, mfcom::Creatable::Credential, true,
         "CLSID {0B5E55ED-7A1E-4C0F-9A11-5EED0F000001}"},
        {kUser, mfcom::Creatable::Farm, true, "CLSID {0B5E55ED-7A1E-4C0F-9A11-5EED0F000001}"},
        {kUser, mfcom::Creatable::Credential, false, "no CLSID"},
    };
    for (const auto& c : cases) {
        const std::string progId = win::Narrow(ProgIdText(c.creatable));
        SCOPED_TRACE(std::string(c.root.name) + " " + progId);
        // From nothing of ours, so that any write shows.
        ASSERT_EQ(unregisterServer_(), S_OK);
        restorer_->PlantForeign(c.root, c.creatable, c.withClsid);
        const auto before = Snapshot();

        const RunResult run = Regsvr32(L"/s");
        EXPECT_NE(run.exitCode, 0u);
        EXPECT_EQ(Lines(Snapshot()), Lines(before));
        EXPECT_EQ(run.standardError.rfind("labfarm.dll not registered: " + progId + " in " +
                                              c.root.name + " belongs to another server",
                                          0),
                  0u)
            << run.standardError;
        EXPECT_NE(run.standardError.find(c.named), std::string::npos) << run.standardError;
        EXPECT_EQ(std::count(run.standardError.begin(), run.standardError.end(), '\n'), 1);
        restorer_->RemovePlanted();
    }
}

TEST_F(RegistrationSafety, RegisteringThroughTheEntryPointGivesTheFailure) {
    restorer_->PlantForeign(kMachine, mfcom::Creatable::Server);
    restorer_->PlantForeign(kUser, mfcom::Creatable::Group);
    const auto before = Snapshot();
    EXPECT_EQ(registerServer_(), HRESULT_FROM_WIN32(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_EQ(Lines(Snapshot()), Lines(before));
    EXPECT_EQ(unregisterServer_(), S_OK);
    EXPECT_EQ(registerServer_(), HRESULT_FROM_WIN32(ERROR_CLASS_ALREADY_EXISTS));
}

TEST_F(RegistrationSafety, UnregisteringRemovesOnlyTheLabsOwnKeys) {
    restorer_->PlantForeign(kMachine, mfcom::Creatable::Farm);
    restorer_->PlantForeign(kUser, mfcom::Creatable::Application);
    // Ours under the user's classes too, as a registration without machine rights leaves it.
    restorer_->PlantOwn(kUser, mfcom::Creatable::User,
                        ClsidText(labcom::ClsidOf(mfcom::Creatable::User)), dll_.wstring());
    // The foreign server's class and the two ProgIDs planted for it, sorted.
    const auto foreignKeys = [] {
        std::vector<std::string> keys;
        for (const ClassesRoot& root : {kMachine, kUser}) {
            ListTree(OpenRoot(root).Get(), kForeignClassKey, keys);
        }
        ListTree(OpenRoot(kMachine).Get(), ProgIdText(mfcom::Creatable::Farm), keys);
        ListTree(OpenRoot(kUser).Get(), ProgIdText(mfcom::Creatable::Application), keys);
        std::sort(keys.begin(), keys.end());
        return keys;
    };
    const std::vector<std::string> foreignBefore = foreignKeys();

    const RunResult run = Regsvr32(L"/u /s");
    EXPECT_EQ(run.exitCode, 0u) << run.standardError;
    const std::vector<std::string> foreignAfter = foreignKeys();
    EXPECT_EQ(Lines(foreignAfter), Lines(foreignBefore));

    // Of the lab nothing is left: no class key, no ProgID that names one of its classes.
    for (const ClassesRoot& root : {kMachine, kUser}) {
        SCOPED_TRACE(root.name);
        win::RegKey rootKey = OpenRoot(root);
        for (const auto& entry : mfcom::kProgIds) {
            SCOPED_TRACE(std::string(entry.progId));
            EXPECT_FALSE(win::RegKey::Open(rootKey.Get(), LabClassKey(entry.creatable)));
            const bool foreign = (!root.user && entry.creatable == mfcom::Creatable::Farm) ||
                                 (root.user && entry.creatable == mfcom::Creatable::Application);
            EXPECT_EQ(static_cast<bool>(win::RegKey::Open(rootKey.Get(), win::Widen(entry.progId))),
                      foreign);
        }
    }
}

TEST_F(RegistrationSafety, RegisteringRewritesTheLabsOwnEarlierRegistration) {
    // Ours from a copy of the dll elsewhere, the class id written in lower case by hand.
    std::wstring lower = ClsidText(labcom::ClsidOf(mfcom::Creatable::Folder));
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    restorer_->PlantOwn(kMachine, mfcom::Creatable::Farm,
                        ClsidText(labcom::ClsidOf(mfcom::Creatable::Farm)),
                        L"C:\\Old Copy\\labfarm.dll");
    restorer_->PlantOwn(kUser, mfcom::Creatable::Folder, lower, L"C:\\Old Copy\\labfarm.dll");

    const RunResult run = Regsvr32(L"/s");
    EXPECT_EQ(run.exitCode, 0u) << run.standardError;
    EXPECT_EQ(run.standardError, "");
    EXPECT_EQ(win::RegKey::Open(HKEY_CLASSES_ROOT,
                                LabClassKey(mfcom::Creatable::Farm) + L"\\InprocServer32")
                  .ReadText(L""),
              dll_.wstring());
}

}  // namespace
