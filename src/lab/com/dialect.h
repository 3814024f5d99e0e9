// What a lab server answers when it plays a farm of another version: members it lacks and
// members it knows under another name. Written as words separated by blanks or commas:
//   Kind.Name        the member is unknown (every form of it); for WinFarm and WinApp, a Name
//                    that is no member of the table is a setting of the view, then unknown
//   Kind.Name/N      its form with N arguments is unknown
//   Kind.Name=Other  the member answers to Other instead
//   public           the forms public use shows, in place of the ones it never shows
//   OtherConstants   the constants (object and folder types) have other values than the
//                    object model's, those of the dll's second type library
//   NoFolderClass    MetaFrameCOM.MetaFrameFolder cannot be created
//   strict           only what public use shows: public, and the members with no public trace
//                    that have a public counterpart missing, no folder class, other constants
// The workstation's setting Dialect (see workstation.h) holds it; empty means the table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "farm/mfcom/members.h"

namespace labcom {

// The lab answers only the forms public use shows where the table has another first.
inline constexpr std::string_view kPublicForms =
    "WinApp.AddUser WinApp.AddGroup User.Initialize/5 Group.Initialize/5 User.AccountName "
    "Group.AccountName";
// And the members with no public trace that have a public counterpart.
inline constexpr std::string_view kStrictForms =
    "public WinApp.SaveData WinApp.AddServer WinApp.RemoveServer WinApp.EnableApp "
    "Farm.AddApplication Farm.GetApplication Farm.GetServer Folder.Initialize OtherConstants "
    "NoFolderClass";

// The numbers the object model names: the object types and the application-folder type.
enum class Code : uint8_t { Farm, Application, Server, AppFolder };

class Dialect {
  public:
    Dialect() = default;
    // Throws std::invalid_argument naming the word it does not understand.
    static Dialect Parse(std::string_view text);

    bool Lacks(const mfcom::Member& member) const;
    // The name the member answers to.
    std::string_view NameOf(const mfcom::Member& member) const;
    // The form of a member of `object` that answers to `name`, or nullptr.
    const mfcom::Member* Find(mfcom::Kind object, std::string_view name) const;
    // The form of the member `first` (the first form of its name) that takes `argCount`
    // arguments, or nullptr.
    const mfcom::Member* FormOf(const mfcom::Member& first, size_t argCount) const;
    // The view (WinFarm or WinApp) does not know the setting of that name.
    bool LacksSetting(mfcom::Kind view, std::string_view name) const;

    bool OtherConstants() const { return otherConstants_; }
    bool LacksClass(mfcom::Creatable creatable) const {
        return noFolderClass_ && creatable == mfcom::Creatable::Folder;
    }
    // The number a client passes for `code`, in this dialect.
    int32_t ValueOf(Code code) const;
    // The lab's own number for what a client passed where `call` takes `code`; refused as a
    // bad type code when it is not this dialect's number.
    int32_t ToLab(Code code, int32_t value, const char* call) const;

  private:
    struct Change {
        mfcom::Kind object;
        std::string name;
        int argCount = -1;   // -1: every form
        std::string rename;  // empty: the member is unknown
    };
    struct Setting {
        mfcom::Kind view;
        std::string name;
    };
    const Change* ChangeOf(const mfcom::Member& member) const;

    std::vector<Change> changes_;
    bool otherConstants_ = false;
    bool noFolderClass_ = false;
    std::vector<Setting> lackedSettings_;
};

}  // namespace labcom
