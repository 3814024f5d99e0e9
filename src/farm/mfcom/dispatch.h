// Late-bound calls on the farm's automation objects: names resolved once per object type
// (the DISPID cache every object of one factory shares), Invoke for gets, puts and methods,
// _NewEnum for collections, and every failure raised as farm::FarmError.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "farm/farm.h"
#include "farm/mfcom/com.h"
#include "farm/mfcom/constants.h"
#include "farm/mfcom/members.h"
#include "win/com.h"

namespace mfcom {

// The types of object the client meets; each has a DISPID cache of its own.
enum class Type : uint8_t {
    Farm,
    Zone,
    Server,
    Application,
    WinFarm,
    WinServer,
    WinApp,
    Folder,
    Binding,
    User,
    Group,
    Credential,
    Zones,         // a farm's zones
    Servers,       // a farm's servers
    Applications,  // a farm's or a server's applications
    Bindings,      // an application's servers
    Users,
    Groups,
};
inline constexpr size_t kTypeCount = static_cast<size_t>(Type::Groups) + 1;

Kind KindOf(Type type);
std::string_view TypeName(Type type);

// Calls made by the client through one factory.
struct CallCounts {
    int64_t invokes = 0;
    int64_t getIdsOfNames = 0;
};

// How a client finds a member's DISPID: asked once per object type and name, or asked
// before every call (as a naive script host does; kept for measuring the difference).
enum class NameLookup { Cached, EveryCall };

// What all objects of one factory share.
class Session {
  public:
    explicit Session(NameLookup lookup = NameLookup::Cached) : lookup_(lookup) {}
    // The DISPID of a member: asked of the object the first time a type meets the name,
    // from the cache after that. An unknown name is a FarmError that names the member; it is
    // not asked again.
    DISPID DispidOf(Type type, IDispatch& object, std::string_view name);
    void CountInvoke() { ++counts_.invokes; }
    CallCounts Counts() const { return counts_; }
    // Every name asked of the objects so far, with the kind of object it was asked of.
    const std::set<std::pair<Kind, std::string>>& NamesAsked() const { return namesAsked_; }

    // Runs `preferred`, the member `op` in the table's form; where the farm answers that it
    // does not know that form (the call changed nothing), runs `alternative`, the member's
    // other form, and remembers for the rest of the run that this type of object takes it.
    // When both are unknown, the preferred form's failure is raised.
    template <class Preferred, class Alternative>
    auto WithAlternative(Type type, Op op, Preferred&& preferred, Alternative&& alternative);
    // Whether this type of object takes the alternative of `op` for the rest of the run.
    bool UsesAlternative(Type type, Op op) const;
    void UseAlternative(Type type, Op op);

    // The farm's constants, read from its type library the first time one is needed.
    const Constants& FarmConstants();

  private:
    NameLookup lookup_;
    std::optional<Constants> constants_;
    std::set<std::pair<Type, Op>> alternatives_;
    std::set<std::pair<Kind, std::string>> namesAsked_;
    std::array<std::map<std::string, DISPID, std::less<>>, kTypeCount> cache_;
    CallCounts counts_;
};

// A failure in which the farm said it does not know the member, or not with these arguments:
// DISP_E_UNKNOWNNAME, DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH. Such a call changed nothing.
bool FormUnknown(const farm::FarmError& error);

// A failure to create an object because its class is not there (no such ProgID, or no class
// behind it). Such a creation changed nothing.
bool ClassUnavailable(const farm::FarmError& error);

template <class Preferred, class Alternative>
auto Session::WithAlternative(Type type, Op op, Preferred&& preferred, Alternative&& alternative) {
    if (UsesAlternative(type, op)) {
        return alternative();
    }
    try {
        return preferred();
    } catch (const farm::FarmError& refused) {
        if (!FormUnknown(refused)) {
            throw;
        }
        try {
            auto result = alternative();
            UseAlternative(type, op);
            return result;
        } catch (const farm::FarmError& also) {
            if (FormUnknown(also)) {
                throw refused;
            }
            UseAlternative(type, op);
            throw;
        }
    }
}

// One argument of a late-bound call; its alternative must match the member table.
using Arg = std::variant<int32_t, std::string_view, bool, IDispatch*>;

// One automation object of a known type.
class Dispatch {
  public:
    Dispatch(std::shared_ptr<Session> session, Type type, win::ComPtr<IDispatch> object);

    Type type() const { return type_; }
    IDispatch* Get() const { return object_.Get(); }
    const std::shared_ptr<Session>& session() const { return session_; }

    // A property get or method call of the member table.
    win::Variant Call(Op op, std::initializer_list<Arg> args = {});
    // A property put of the member table.
    void Put(Op op, const farm::Value& value);
    // A member reached by its own name (the settings of the Windows views).
    win::Variant GetByName(std::string_view name);
    void PutByName(std::string_view name, const farm::Value& value);
    // The items of a collection, in the object's order, through _NewEnum.
    std::vector<win::ComPtr<IDispatch>> Enumerate();

  private:
    win::Variant Invoke(DISPID dispid, WORD flags, std::vector<win::Variant>& reversedArgs,
                        bool put);

    std::shared_ptr<Session> session_;
    Type type_;
    win::ComPtr<IDispatch> object_;
};

// The FarmError for a failed Invoke: DISP_E_EXCEPTION reads the EXCEPINFO (after its
// deferred fill-in), anything else is the HRESULT with the system's text.
farm::FarmError InvokeError(HRESULT hr, EXCEPINFO& info);

}  // namespace mfcom
