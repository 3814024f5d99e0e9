// What a lab server answers when it plays a farm of another version: members it lacks and
// members it knows under another name. Written as words separated by blanks or commas:
//   Kind.Name        the member is unknown (every form of it); for WinFarm and WinApp, a Name
//                    that is no member of the table is a setting of the view, then unknown
//   Kind.Name/N      its form with N arguments is unknown
//   Kind.Name=Other  the member answers to Other instead
//   public           the forms public use shows, in place of the ones it never shows
// The workstation's setting Dialect (see workstation.h) holds it; empty means the table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "farm/mfcom/members.h"

namespace labcom {

// The lab answers only the forms public use shows where the table has another first.
inline constexpr std::string_view kPublicForms =
    "WinApp.AddUser WinApp.AddGroup User.Initialize/5 Group.Initialize/5 User.AccountName "
    "Group.AccountName";

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
    std::vector<Setting> lackedSettings_;
};

}  // namespace labcom
