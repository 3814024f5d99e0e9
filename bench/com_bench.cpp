// Counts the COM traffic of a farm export and a farm import through the production backend
// against the registered labfarm.dll, on a temporary store holding a farm of 1,000
// applications (10 servers, 5 users and 2 groups each). Prints, per procedure, the Invoke
// and GetIDsOfNames calls the dll received, the farm reads and writes the procedure needs,
// their ratio, and the same counts for a client that asks GetIDsOfNames before every call,
// run in the same program.
// Not a test: it only prints. Needs scripts/wine-prefix.sh to have registered the dll.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "bench_farms.h"
#include "farm/mfcom/members.h"
#include "farm/mfcom/mfcom.h"
#include "lab/com/hooks.h"
#include "lab/com/lab_client.h"
#include "lab/com/workstation.h"
#include "lab/lab.h"
#include "lab/os_file.h"
#include "shared/farm_file.h"
#include "shared/shared.h"
#include "win/com.h"

namespace {

namespace fs = std::filesystem;

constexpr int kApplications = 1000;
constexpr double kTargetRatio = 1.05;

using labcom::Hook;
using labcom::ScopedLabSetting;

struct Received {
    long long invokes = 0;
    long long getIdsOfNames = 0;
    long long Total() const { return invokes + getIdsOfNames; }
};

Received DllCounts() {
    Received counts;
    Hook<labcom::hooks::GetCallCounts>(labcom::hooks::kGetCallCounts)(&counts.invokes,
                                                                      &counts.getIdsOfNames);
    return counts;
}

void ResetDll() {
    Hook<labcom::hooks::ResetCallCounts>(labcom::hooks::kResetCallCounts)();
    Hook<labcom::hooks::ResetCallCount>(labcom::hooks::kResetCallCount)();
}

// What one procedure cost.
struct Figures {
    const char* procedure = "";
    Received received;           // by the dll's objects
    Received naive;              // by the dll's objects from a client asking every time
    mfcom::CallCounts client;    // sent through the factory
    long long dllFarmCalls = 0;  // farm interface calls the dll's lab farm served
    long long labCalls = 0;      // farm interface calls of the same procedure in-process
    long long creations = 0;     // of them, object creations
    long long needed = 0;        // the rest: the farm reads and writes the procedure needs
    double seconds = 0;
    double naiveSeconds = 0;
};

// Passes object creations on to the lab farm's factory and counts them: over COM a creation
// is a CoCreateInstance, no Invoke, while the lab farm's fault injector counts it as a call.
class CreationCounter : public farm::ObjectFactory {
  public:
    explicit CreationCounter(farm::ObjectFactory& inner) : inner_(inner) {}
    std::unique_ptr<farm::Farm> CreateFarm() override { return Count(inner_.CreateFarm()); }
    std::unique_ptr<farm::Server> CreateServer() override { return Count(inner_.CreateServer()); }
    std::unique_ptr<farm::Application> CreateApplication() override {
        return Count(inner_.CreateApplication());
    }
    std::unique_ptr<farm::Folder> CreateFolder() override { return Count(inner_.CreateFolder()); }
    std::unique_ptr<farm::Binding> CreateBinding() override {
        return Count(inner_.CreateBinding());
    }
    std::unique_ptr<farm::Account> CreateUser() override { return Count(inner_.CreateUser()); }
    std::unique_ptr<farm::Account> CreateGroup() override { return Count(inner_.CreateGroup()); }
    std::unique_ptr<farm::Credential> CreateCredential() override {
        return Count(inner_.CreateCredential());
    }
    long long creations = 0;

  private:
    template <class T>
    T Count(T object) {
        ++creations;
        return object;
    }
    farm::ObjectFactory& inner_;
};

// The procedure run in-process on the lab farm, counting the farm interface calls it makes.
template <class Procedure>
void FarmCallsNeeded(Figures& figures, const std::shared_ptr<lab::FarmStore>& store,
                     const std::string& farm, const std::string& folder, Procedure procedure) {
    auto faults = std::make_shared<lab::FaultInjector>();
    lab::LabFactory lab(store, farm, faults);
    CreationCounter factory(lab);
    bench::QuietFeedback feedback;
    shared::Shared module(
        factory, [folder] { return std::make_unique<bench::WorkFolderFileSystem>(folder); },
        feedback);
    faults->ResetCount();
    procedure(module);
    bench::Check(feedback, "in-process run");
    figures.labCalls = faults->CallCount();
    figures.creations = factory.creations;
    figures.needed = figures.labCalls - figures.creations;
}

// The procedure run through the production backend on the dll's farm `farm`, once with the
// factory's DISPID cache and (when `naiveFarm` is given) once asking every name every time.
template <class Procedure>
void RunOverCom(Figures& figures, const std::string& farm, const std::string& naiveFarm,
                const std::string& folder, Procedure procedure) {
    for (const mfcom::NameLookup lookup :
         {mfcom::NameLookup::Cached, mfcom::NameLookup::EveryCall}) {
        const bool cached = lookup == mfcom::NameLookup::Cached;
        labcom::WriteSetting(labcom::kFarmValue, cached ? farm : naiveFarm);
        mfcom::MfcomFactory factory(lookup);
        bench::QuietFeedback feedback;
        shared::Shared module(
            factory, [folder] { return std::make_unique<bench::WorkFolderFileSystem>(folder); },
            feedback);
        ResetDll();
        const double seconds = bench::Seconds([&] { procedure(module); });
        bench::Check(feedback, figures.procedure);
        if (cached) {
            figures.seconds = seconds;
            figures.received = DllCounts();
            figures.client = factory.Counts();
            figures.dllFarmCalls = Hook<labcom::hooks::CallCount>(labcom::hooks::kCallCount)();
        } else {
            figures.naiveSeconds = seconds;
            figures.naive = DllCounts();
        }
    }
}

double Ratio(long long part, long long whole) {
    return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

void Print(const Figures (&rows)[2]) {
    std::printf("%d applications, %d servers, %d users and %d groups each\n\n", kApplications,
                bench::kServers, bench::kUsers, bench::kGroups);
    std::printf("%-28s %14s %14s\n", "", rows[0].procedure, rows[1].procedure);
    const auto line = [&](const char* what, long long a, long long b) {
        std::printf("%-28s %14lld %14lld\n", what, a, b);
    };
    const auto ratio = [&](const char* what, double a, double b) {
        std::printf("%-28s %14.3f %14.3f\n", what, a, b);
    };
    line("dll: Invoke received", rows[0].received.invokes, rows[1].received.invokes);
    line("dll: GetIDsOfNames received", rows[0].received.getIdsOfNames,
         rows[1].received.getIdsOfNames);
    line("dll: calls received", rows[0].received.Total(), rows[1].received.Total());
    line("client: Invoke sent", rows[0].client.invokes, rows[1].client.invokes);
    line("client: GetIDsOfNames sent", rows[0].client.getIdsOfNames, rows[1].client.getIdsOfNames);
    line("dll lab farm: calls served", rows[0].dllFarmCalls, rows[1].dllFarmCalls);
    line("in-process: farm calls", rows[0].labCalls, rows[1].labCalls);
    line("in-process: creations", rows[0].creations, rows[1].creations);
    line("reads+writes needed", rows[0].needed, rows[1].needed);
    ratio("received / needed", Ratio(rows[0].received.Total(), rows[0].needed),
          Ratio(rows[1].received.Total(), rows[1].needed));
    line("naive: Invoke received", rows[0].naive.invokes, rows[1].naive.invokes);
    line("naive: GetIDsOfNames received", rows[0].naive.getIdsOfNames, rows[1].naive.getIdsOfNames);
    line("naive: calls received", rows[0].naive.Total(), rows[1].naive.Total());
    ratio("naive / needed", Ratio(rows[0].naive.Total(), rows[0].needed),
          Ratio(rows[1].naive.Total(), rows[1].needed));
    ratio("seconds", rows[0].seconds, rows[1].seconds);
    ratio("naive: seconds", rows[0].naiveSeconds, rows[1].naiveSeconds);
    std::printf("\ntarget: received / needed <= %.2f   ", kTargetRatio);
    for (const Figures& row : rows) {
        const bool met = Ratio(row.received.Total(), row.needed) <= kTargetRatio;
        std::printf("%s %s   ", row.procedure, met ? "met" : "MISSED");
    }
    std::printf("\n");
}

}  // namespace

int main() {
    try {
        const fs::path root = fs::temp_directory_path() / "zelt-com-bench";
        lab::os::RemoveTree(root);
        fs::create_directories(root / "com" / "tmp");
        fs::create_directories(root / "lab" / "tmp");
        auto store = std::make_shared<lab::FarmStore>(root / "store");
        store->SetDurable(false);
        const lab::FarmModel source = bench::MakeFarm("ComBench", kApplications);
        store->Write(source);
        store->Write(bench::EmptyCopy(source, "ComTarget"));
        store->Write(bench::EmptyCopy(source, "LabTarget"));
        store->Write(bench::EmptyCopy(source, "NaiveTarget"));

        win::ComInit com;
        ScopedLabSetting setting(root / "store");
        const auto exportFarm = [](const std::string& file) {
            return [file](shared::Shared& module) {
                bench::Note(module, shared::ExportFarm(module, file));
            };
        };
        const auto importFarm = [](const std::string& file) {
            return [file](shared::Shared& module) {
                bench::Note(module, shared::ImportFarm(module, file));
            };
        };

        // "Needed" is what the procedure asks of the farm interface, counted by the lab
        // farm's fault injector with no COM in between (every property read, property
        // write, method call and collection fetch is one), less the object creations it
        // also counts, which over COM are CoCreateInstance rather than Invoke. The client's
        // own counts (MfcomFactory::Counts) are printed beside it but are not the yardstick:
        // they hold the overhead the ratio is meant to show.
        const std::string labFolder = bench::Utf8(root / "lab");
        const std::string labFile = labFolder + "/Farm_ComBench";
        Figures rows[2];
        rows[0].procedure = "ExportFarm";
        rows[1].procedure = "ImportFarm";
        FarmCallsNeeded(rows[0], store, source.name, labFolder, exportFarm(labFile));
        FarmCallsNeeded(rows[1], store, "LabTarget", labFolder, importFarm(labFile));

        const std::string comFolder = bench::Utf8(root / "com");
        const std::string comFile = comFolder + "/Farm_ComBench";
        RunOverCom(rows[0], source.name, source.name, comFolder, exportFarm(comFile));
        RunOverCom(rows[1], "ComTarget", "NaiveTarget", comFolder, importFarm(comFile));
        for (const char* target : {"ComTarget", "NaiveTarget"}) {
            if (store->Read(target).applications.size() != static_cast<size_t>(kApplications)) {
                std::fprintf(stderr,
                             "import through COM into %s stored the wrong number of "
                             "applications\n",
                             target);
                return 1;
            }
        }
        Print(rows);
        lab::os::RemoveTree(root);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "com_bench: %s\n", e.what());
        return 1;
    }
}
