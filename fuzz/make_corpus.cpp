// Writes the seed files the exporters make from the demo farm:  make_corpus FARM_DIR SERVER_DIR
#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz_support.h"
#include "shared/farm_file.h"
#include "shared/server_file.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_corpus FARM_DIR SERVER_DIR\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path farmDir = argv[1];
    const fs::path serverDir = argv[2];
    fuzz::Feedback feedback;
    {
        fuzz::Lab lab(lab::MakeDemoFarm());
        auto session = lab.NewSession(feedback, fuzz::Lab::Writes::kAnywhere);
        feedback.Show(shared::ExportFarm(*session, (farmDir / "demo_farm.ini").string()));
        lab::FarmModel model = lab.Model();
        for (const auto& server : model.servers) {
            feedback.Show(shared::ExportServerApps(
                *session, server.name, (serverDir / ("server_" + server.name + ".ini")).string()));
        }
    }
    {
        fuzz::Lab lab(lab::MakeTargetFarm());
        auto session = lab.NewSession(feedback, fuzz::Lab::Writes::kAnywhere);
        feedback.Show(shared::ExportFarm(*session, (farmDir / "target_farm.ini").string()));
    }
    return feedback.messages.empty() ? 0 : 1;
}
