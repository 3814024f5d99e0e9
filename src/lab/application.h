// The application object and its Windows-application view. Both work on one shared core:
// which application the object stands for (the distinguished name it was initialised,
// loaded or last saved with) and, once loaded or changed, its working copy, which SaveData
// writes back as a whole.
#pragma once

#include <memory>
#include <string>

#include "lab/objects.h"

namespace lab {

// An object for Application::Initialize to bind.
std::unique_ptr<farm::Application> MakeApplication(StatePtr state);
// An object standing for the stored application of that distinguished name.
std::unique_ptr<farm::Application> MakeStoredApplication(StatePtr state, std::string farmName,
                                                         std::string distinguishedName);
// A new application that exists only in its working copy until it is saved.
std::unique_ptr<farm::Application> MakeNewApplication(StatePtr state, std::string farmName);

}  // namespace lab
