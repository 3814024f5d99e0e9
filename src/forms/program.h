// The program's forms and what they share: the desktop of the forms kit, the platform
// seams, the facts about the program itself, and the module Shared. One Program lives for
// the program's run (app/ makes it; tests make their own). Every form object exists from
// the start, unloaded, and is loaded on its first use, so that a form can be reached (its
// controls set) before it is shown.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "farm/farm.h"
#include "forms/ui/desktop.h"
#include "forms/ui/seams.h"
#include "journal/journal.h"
#include "shared/shared.h"

namespace forms {

class frmAbout;
class frmInterfaceCheck;
class frmLogin;
class frmMain;

struct Version {
    int major = 0;
    int minor = 0;
    int revision = 0;
    bool operator==(const Version&) const = default;
};

// What the program knows of itself.
struct AppInfo {
    std::string title = "ZeltTool";  // the program's title
    std::string folder;              // the folder of the program's executable
    Version version;
    HICON icon = nullptr;  // the program's icon; the caller keeps it alive
};

struct Services {
    ui::Desktop& desktop;
    ui::FileDialogs& fileDialogs;
    ui::ProcessLauncher& launcher;
    farm::ObjectFactory& factory;
    shared::Shared::FileSystemMaker makeFileSystem;
    AppInfo app;
    // Runs the farm interface check and gives its report; none: the Help menu has no entry
    // for it.
    std::function<std::string()> checkFarmInterface = {};
    // The user's journal of restore records; none: the windows keep no records and the Edit
    // menu has no Undo entry.
    journal::Journal* journal = nullptr;
};

class Program {
  public:
    explicit Program(Services services);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    ui::Desktop& Desktop() { return services_.desktop; }
    Services& GetServices() { return services_; }
    const AppInfo& App() const { return services_.app; }
    shared::Shared& Shared() { return *shared_; }

    frmLogin& Login() { return *login_; }
    frmAbout& About() { return *about_; }
    frmInterfaceCheck& InterfaceCheck() { return *interfaceCheck_; }
    frmMain& Main() { return *main_; }

    // The program's help file, as the hidden Help entry sets it.
    std::string helpFile;

  private:
    Services services_;
    std::unique_ptr<frmMain> main_;  // first: it is the Feedback of Shared
    std::unique_ptr<shared::Shared> shared_;
    std::unique_ptr<frmAbout> about_;
    std::unique_ptr<frmInterfaceCheck> interfaceCheck_;
    std::unique_ptr<frmLogin> login_;
};

// A restore record kept while an operation of a window changes the farm: begun when made,
// finished when it goes, the Edit menu's Undo entry then naming it. Where the journal cannot
// be written the operation runs without one.
class RecordedRun {
  public:
    RecordedRun(Program& program, const std::string& operation, const std::string& title);
    ~RecordedRun();
    RecordedRun(const RecordedRun&) = delete;
    RecordedRun& operator=(const RecordedRun&) = delete;

  private:
    Program& program_;
    std::unique_ptr<journal::RecordWriter> record_;
};

// A file name in a folder: the folder, one "\" and the name.
std::string InFolder(const std::string& folder, const std::string& name);
// The folder of a full file path (without its last "\").
std::string FolderOf(const std::string& path);
// The full path of the running program.
std::string ProgramPath();
// The numbers of an executable's version resource: major, minor and the revision (the
// fourth number of the file version). Nothing when the file has no version resource.
std::optional<Version> ReadVersion(const std::string& path);

}  // namespace forms
