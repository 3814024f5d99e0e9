// The farm interface check: before the program is trusted with a farm, it finds out whether
// the workstation's object model knows every member the program calls, and says per command
// whether it is ready. It changes nothing: it creates objects, asks their names, and reads
// the farm (Initialize, the views and collections) to reach the objects it cannot create.
//
// Two sources: the type library registered for the MetaFrameCOM classes (declared members
// and their argument counts), and live objects (GetIDsOfNames). What a live object answers
// decides, since that is what the program's calls meet; the type library speaks for the
// objects the check could not reach and for argument counts, which names alone do not tell.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "farm/mfcom/constants.h"
#include "farm/mfcom/members.h"

namespace mfcom {

enum class Command : uint8_t {
    Logon,
    FarmView,
    ApplicationsView,
    ServersView,
    ExportFarm,
    ImportFarm,
    TakeOffline,
    BringOnline,
    Clone,
    Publish,
    Unpublish,
    Options,
};
inline constexpr size_t kCommandCount = static_cast<size_t>(Command::Options) + 1;

// "Export Farm", "Take offline", ...
std::string_view CommandName(Command command);
// The members of the table the command calls, in the table's order.
std::vector<Op> MembersCalledBy(Command command);

// A setting of a Windows view that commands reach by its name.
struct SettingNeed {
    Kind view;  // WinFarm or WinApp
    std::string name;
    std::vector<Command> commands;
    // Of those, the commands that go on where the farm does not have it (leave it out, pass
    // it over).
    std::vector<Command> goOnWithout;

    bool Needed(Command command) const;  // the command reaches it and cannot go on without it
};

// What one source says of one member or setting.
enum class Presence : uint8_t { Known, Unknown, NotReached };

struct MemberFinding {
    Op op;
    Presence live = Presence::NotReached;
    Presence declared = Presence::NotReached;
};

struct SettingFinding {
    SettingNeed need;
    Presence live = Presence::NotReached;
};

struct ClassFinding {
    Creatable creatable = Creatable::Farm;
    bool registered = false;
    bool created = false;
    std::string note;  // the failure, when it was not created
};

// In rising order of concern.
enum class Readiness : uint8_t { Ready, Unverified, WillFail };

struct Verdict {
    Command command;
    Readiness readiness = Readiness::Ready;
    std::string reason;  // why it will fail or is not verified
};

struct CheckReport {
    std::string typeLibrary;  // what was read, or why none was
    std::string farm;         // the farm reached, or why none was
    Constants constants;      // the values the program passes, and where each came from
    std::vector<ClassFinding> classes;
    std::vector<MemberFinding> members;  // one per row of the member table
    std::vector<SettingFinding> settings;
    std::array<Verdict, kCommandCount> verdicts{};

    bool AllReady() const;
    // The report as an administrator reads it (CR LF line ends).
    std::string Text() const;
};

// Fills in the verdicts from the findings: a command is ready when every member it calls,
// or that member's alternative, is known; it will fail when one of them is unknown to both
// sources; otherwise it is not verified.
void Judge(CheckReport& report);

// Runs the check on this workstation. COM must be initialised on the calling thread. Throws
// farm::FarmError only when the check itself cannot run.
CheckReport CheckFarmInterface(const std::vector<SettingNeed>& settings);

}  // namespace mfcom
