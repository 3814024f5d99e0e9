// The farm-file reader on arbitrary bytes, applied to a rich lab farm: at most one message (the
// error, or the notice of what the farm was left without), the farm's name, servers and zones
// untouched, every application stored once and readable back, nothing written but temporary
// icon copies.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "shared/farm_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::Lab lab(lab::MakeDemoFarm());
    const std::string file = lab.Prepare(data, size);
    fuzz::Feedback feedback;
    {
        auto session = lab.NewSession(feedback);
        feedback.Show(shared::ImportFarm(*session, file));
    }
    if (feedback.messages.size() > 1) {
        fuzz::Fail("more than one message for one import");
    }
    lab.CheckFarm([&](const lab::FarmState& after) {
        const lab::FarmModel& base = after.Base();
        if (base.name != lab.Model().name || base.servers != lab.Model().servers ||
            base.zones != lab.Model().zones) {
            fuzz::Fail("the import changed the farm's name, servers or zones");
        }
    });
    lab.CheckFolders();
    return 0;
}
