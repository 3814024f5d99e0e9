// The farm-file reader on arbitrary bytes, applied to a rich lab farm.
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
        shared::ImportFarm(*session, file);
    }
    if (feedback.messages > 1) {
        fuzz::Fail("more than one message for one import");
    }
    const lab::FarmModel after = lab.ReadFarm();
    if (after.name != lab.Model().name || after.servers != lab.Model().servers ||
        after.zones != lab.Model().zones) {
        fuzz::Fail("the import changed the farm's name, servers or zones");
    }
    lab.CheckFolders();
    return 0;
}
