// The server-file reader on arbitrary bytes: it may only bind the named server to
// applications the farm has.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "shared/server_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::Lab lab([] {
        // Half the demo farm's applications are not on the server the file brings online.
        lab::FarmModel model = lab::MakeDemoFarm();
        const std::string server = model.servers.front().name;
        for (size_t i = 0; i < model.applications.size(); i += 2) {
            auto& servers = model.applications[i].servers;
            servers.erase(std::remove(servers.begin(), servers.end(), server), servers.end());
        }
        return model;
    }());
    const std::string server = lab.Model().servers.front().name;
    const std::string file = lab.Prepare(data, size);
    fuzz::Feedback feedback;
    {
        auto session = lab.NewSession(feedback);
        shared::ImportServerApps(*session, server, file);
    }
    if (feedback.messages > 1) {
        fuzz::Fail("more than one message for one import");
    }
    const lab::FarmModel after = lab.ReadFarm();
    const lab::FarmModel& before = lab.Model();
    if (after.applications.size() != before.applications.size()) {
        fuzz::Fail("applications added or removed");
    }
    for (size_t i = 0; i < before.applications.size(); ++i) {
        lab::AppRecord was = before.applications[i];
        lab::AppRecord now = after.applications[i];
        const bool hadServer =
            std::find(was.servers.begin(), was.servers.end(), server) != was.servers.end();
        if (!hadServer && now.servers.size() == was.servers.size() + 1 &&
            now.servers.back() == server) {
            now.servers.pop_back();
        }
        if (now != was) {
            fuzz::Fail("application changed beyond a binding of the server: " + was.name);
        }
    }
    lab.CheckFolders();
    return 0;
}
