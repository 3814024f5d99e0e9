// The check after an import with a server mapping: every application of the source arrived,
// in its order, bound once to each server its own servers were mapped onto (the others left
// out).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "lab/lab.h"

namespace testing_support {

inline void ExpectImportedWithServersMapped(const lab::FarmModel& source,
                                            const lab::FarmModel& imported,
                                            const std::map<std::string, std::string>& onto) {
    ASSERT_EQ(imported.applications.size(), source.applications.size());
    for (size_t i = 0; i < source.applications.size(); ++i) {
        std::vector<std::string> expected;
        for (const std::string& server : source.applications[i].servers) {
            if (onto.contains(server) &&
                std::find(expected.begin(), expected.end(), onto.at(server)) == expected.end()) {
                expected.push_back(onto.at(server));
            }
        }
        EXPECT_EQ(imported.applications[i].DistinguishedName(),
                  source.applications[i].DistinguishedName());
        EXPECT_EQ(imported.applications[i].servers, expected) << i;
    }
}

}  // namespace testing_support
