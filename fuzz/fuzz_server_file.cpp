// The server-file reader on arbitrary bytes: it may only bind the named server to
// applications the farm has.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "shared/server_file.h"

namespace {

// The application as it was, or as it was with the server bound last.
bool SameOrBound(const lab::AppRecord& was, const lab::AppRecord& now, const std::string& server) {
    const bool rest = now.name == was.name && now.folder == was.folder &&
                      now.description == was.description && now.keys == was.keys &&
                      now.users == was.users && now.groups == was.groups && now.icon == was.icon;
    if (!rest || now.servers == was.servers) {
        return rest;
    }
    const bool hadServer =
        std::find(was.servers.begin(), was.servers.end(), server) != was.servers.end();
    return !hadServer && now.servers.size() == was.servers.size() + 1 &&
           now.servers.back() == server &&
           std::equal(was.servers.begin(), was.servers.end(), now.servers.begin());
}

}  // namespace

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
        feedback.Show(shared::ImportServerApps(*session, server, file));
    }
    if (feedback.messages.size() > 1) {
        fuzz::Fail("more than one message for one import");
    }
    lab.CheckFarm([&](const lab::FarmState& after) {
        const std::vector<lab::AppRecord>& before = lab.Model().applications;
        const std::vector<const lab::StoredApp*> now = after.Applications();
        if (now.size() != before.size()) {
            fuzz::Fail("applications added or removed");
        }
        for (size_t i = 0; i < before.size(); ++i) {
            if (!SameOrBound(before[i], now[i]->record, server)) {
                fuzz::Fail("application changed beyond a binding of the server: " + before[i].name);
            }
        }
    });
    lab.CheckFolders();
    return 0;
}
