// The module Shared: the program-wide state that every form and procedure sees (the farm
// object, the credential object, the file-system object and the current view). One object
// of it lives for the program's run (app/ makes it; tests make their own).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "farm/farm.h"
#include "settings/file_system.h"
#include "shared/change_journal.h"
#include "shared/error_info.h"
#include "shared/feedback.h"

namespace shared {

enum View : int16_t { kFarmView = 0, kApplicationsView = 1, kServersView = 2 };

class Shared {
  public:
    using FileSystemMaker = std::function<std::unique_ptr<settings::FileSystem>()>;

    Shared(farm::ObjectFactory& objectFactory, FileSystemMaker fileSystemMaker,
           Feedback& mainFeedback)
        : factory(objectFactory),
          makeFileSystem(std::move(fileSystemMaker)),
          feedback(mainFeedback) {}

    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    // A new farm object, initialised for the Windows farm, stored as the shared farm object.
    farm::Farm& OpenFarm();
    // A new file-system object, stored as the shared one.
    settings::FileSystem& OpenFileSystem();

    farm::ObjectFactory& factory;
    FileSystemMaker makeFileSystem;
    Feedback& feedback;

    // The state the procedures and forms share for the run.
    std::unique_ptr<farm::Farm> farmObject;
    int16_t currentView = kFarmView;
    std::unique_ptr<settings::FileSystem> fileSystem;
    std::unique_ptr<farm::Credential> credential;  // created once, kept for the run
    // Where the operation being run keeps the state of what it changes, if anywhere.
    ChangeJournal* journal = nullptr;
};

// The number and description of the error being handled (call it inside a catch block):
// a farm error as it stands, out of memory as error 7, any other failure as error 51.
ErrorInfo CurrentError();

// The one message that reports a failed operation: 80 blanks, CR, "Unexpected error.",
// CR CR CR, "     Error :" and the number, CR CR, "     " and the description, CR.
std::string UnexpectedErrorText(int32_t number, std::string_view description);

}  // namespace shared
