// The notice that ends an import of the demo farm's file into the target farm: the target
// farm cannot take the settings it cannot report (its license server, session reliability),
// and the import names those lines and nothing else.
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

inline constexpr std::string_view kNotReportedNumber = "-2147220988";

// Whether `text` is the import's notice naming only lines of settings the farm cannot report
// (any notice of settings this farm does not have, after them, is not looked at).
inline bool NamesOnlyUnreportedSettings(const std::string& text) {
    if (!text.starts_with("The import passed over ")) {
        return false;
    }
    const std::string part = text.substr(0, text.find("\r\n\r\n"));
    size_t errors = 0;
    for (size_t at = 0; (at = part.find("\r\n     Error ", at)) != std::string::npos; ++at) {
        ++errors;
        if (part.compare(at + 13, kNotReportedNumber.size(), kNotReportedNumber) != 0) {
            return false;
        }
    }
    return errors > 0;
}

}  // namespace testing_support
