#include "lab/com/dialect.h"

#include <algorithm>
#include <stdexcept>

#include "farm/farm.h"
#include "lab/keys.h"
#include "lab/rules.h"

namespace labcom {

namespace {

using mfcom::Kind;
using mfcom::Member;

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of(" ,\t\r\n", start);
        const size_t stop = end == std::string_view::npos ? text.size() : end;
        if (stop > start) {
            words.push_back(text.substr(start, stop - start));
        }
        start = stop + 1;
    }
    return words;
}

bool KindNamed(std::string_view name, Kind& kind) {
    for (int i = 0; i <= static_cast<int>(Kind::Collection); ++i) {
        if (mfcom::SameName(mfcom::KindName(static_cast<Kind>(i)), name)) {
            kind = static_cast<Kind>(i);
            return true;
        }
    }
    return false;
}

// A setting the lab's view of that kind answers to.
bool IsSetting(Kind view, std::string_view name) {
    return (view == Kind::WinFarm && lab::FindFarmSettingKey(name)) ||
           (view == Kind::WinApp && lab::FindApplicationKey(name));
}

}  // namespace

Dialect Dialect::Parse(std::string_view text) {
    Dialect dialect;
    for (std::string_view word : Words(text)) {
        const bool strict = mfcom::SameName(word, "strict");
        if (strict || mfcom::SameName(word, "public")) {
            Dialect forms = Parse(strict ? kStrictForms : kPublicForms);
            dialect.changes_.insert(dialect.changes_.end(), forms.changes_.begin(),
                                    forms.changes_.end());
            dialect.otherConstants_ |= forms.otherConstants_;
            dialect.noFolderClass_ |= forms.noFolderClass_;
            continue;
        }
        if (mfcom::SameName(word, "OtherConstants")) {
            dialect.otherConstants_ = true;
            continue;
        }
        if (mfcom::SameName(word, "NoFolderClass")) {
            dialect.noFolderClass_ = true;
            continue;
        }
        Change change;
        std::string_view rest = word;
        const size_t dot = rest.find('.');
        if (dot == std::string_view::npos || !KindNamed(rest.substr(0, dot), change.object)) {
            throw std::invalid_argument("lab dialect: no object kind in '" + std::string(word) +
                                        "'");
        }
        rest.remove_prefix(dot + 1);
        if (const size_t equals = rest.find('='); equals != std::string_view::npos) {
            change.rename = std::string(rest.substr(equals + 1));
            rest = rest.substr(0, equals);
        } else if (const size_t slash = rest.find('/'); slash != std::string_view::npos) {
            const std::string_view count = rest.substr(slash + 1);
            if (count.size() != 1 || count[0] < '0' || count[0] > '9') {
                throw std::invalid_argument("lab dialect: bad argument count in '" +
                                            std::string(word) + "'");
            }
            change.argCount = count[0] - '0';
            rest = rest.substr(0, slash);
        }
        change.name = std::string(rest);
        if (!rest.empty() && !mfcom::FindMember(change.object, change.name) &&
            IsSetting(change.object, rest) && change.argCount < 0 && change.rename.empty()) {
            dialect.lackedSettings_.push_back(Setting{change.object, std::move(change.name)});
            continue;
        }
        if (!mfcom::FindMember(change.object, change.name) || rest.empty()) {
            throw std::invalid_argument("lab dialect: no member '" + std::string(word) + "'");
        }
        dialect.changes_.push_back(std::move(change));
    }
    return dialect;
}

const Dialect::Change* Dialect::ChangeOf(const Member& member) const {
    for (const Change& change : changes_) {
        if (change.object == member.object && mfcom::SameName(change.name, member.name) &&
            (change.argCount < 0 || static_cast<size_t>(change.argCount) == member.args.size())) {
            return &change;
        }
    }
    return nullptr;
}

bool Dialect::Lacks(const Member& member) const {
    const Change* change = ChangeOf(member);
    return change && change->rename.empty();
}

std::string_view Dialect::NameOf(const Member& member) const {
    const Change* change = ChangeOf(member);
    return change && !change->rename.empty() ? std::string_view(change->rename) : member.name;
}

const Member* Dialect::Find(Kind object, std::string_view name) const {
    for (const Member& member : mfcom::kMembers) {
        if (member.object == object && !Lacks(member) && mfcom::SameName(NameOf(member), name)) {
            return &member;
        }
    }
    return nullptr;
}

bool Dialect::LacksSetting(Kind view, std::string_view name) const {
    return std::any_of(lackedSettings_.begin(), lackedSettings_.end(), [&](const Setting& s) {
        return s.view == view && mfcom::SameName(s.name, name);
    });
}

const Member* Dialect::FormOf(const Member& first, size_t argCount) const {
    for (const Member& member : mfcom::kMembers) {
        if (member.object == first.object && mfcom::SameName(member.name, first.name) &&
            member.args.size() == argCount && !Lacks(member)) {
            return &member;
        }
    }
    return nullptr;
}

int32_t Dialect::ValueOf(Code code) const {
    // The object model's values, and the others (as labfarm.idl declares both).
    constexpr int32_t kModel[] = {farm::kWinFarmObject, farm::kWinAppObject, farm::kWinSrvObject,
                                  farm::kApplicationFolder};
    constexpr int32_t kOther[] = {101, 103, 106, 12};
    const auto index = static_cast<size_t>(code);
    return otherConstants_ ? kOther[index] : kModel[index];
}

int32_t Dialect::ToLab(Code code, int32_t value, const char* call) const {
    if (!otherConstants_) {
        return value;  // the lab checks it itself
    }
    const int32_t expected = ValueOf(code);
    if (value != expected) {
        lab::Refuse(lab::Rule::kBadTypeCode, "Type code " + std::to_string(value) +
                                                 " is not valid for " + call + "; it takes " +
                                                 std::to_string(expected) + ".");
    }
    return Dialect().ValueOf(code);
}

}  // namespace labcom
