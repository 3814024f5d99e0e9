#include "journal/journal.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <string_view>
#include <system_error>

#include "base/error.h"
#include "base/utf8_path.h"

namespace journal {

namespace {

// A record's number, from its folder's name; 0 for anything else in the folder.
unsigned long NumberOf(const std::filesystem::path& entry) {
    const std::string name = base::Utf8(entry.filename());
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos ||
        name.size() > 9) {
        return 0;
    }
    return std::stoul(name);
}

std::vector<unsigned long> Numbers(const std::filesystem::path& folder) {
    std::vector<unsigned long> numbers;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_directory(error)) {
            if (const unsigned long number = NumberOf(entry.path())) {
                numbers.push_back(number);
            }
        }
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

}  // namespace

size_t RecordsKeptSetting(const std::filesystem::path& settingsFile) {
    std::ifstream file(settingsFile, std::ios::binary);
    std::string line;
    while (std::getline(file, line)) {
        constexpr std::string_view kKey = "JournalRecords=";
        if (line.starts_with(kKey)) {
            try {
                const long kept = std::stol(line.substr(kKey.size()));
                if (kept >= 1) {
                    return static_cast<size_t>(kept);
                }
            } catch (const std::exception&) {
                // not a number: the default stands
            }
        }
    }
    return kRecordsKept;
}

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

Journal::Journal(std::filesystem::path folder, size_t recordsKept)
    : folder_(std::move(folder)), recordsKept_(std::max<size_t>(recordsKept, 1)) {}

std::unique_ptr<RecordWriter> Journal::Begin(const std::string& operation,
                                             const std::string& title) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    const std::vector<unsigned long> numbers = Numbers(folder_);
    const std::string id = std::to_string(numbers.empty() ? 1 : numbers.back() + 1);
    auto writer =
        std::make_unique<RecordWriter>(folder_ / id, id, operation, title, LocalTimeText());
    Prune();
    return writer;
}

std::vector<std::string> Journal::Ids() const {
    std::vector<std::string> ids;
    const std::vector<unsigned long> numbers = Numbers(folder_);
    for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) {
        ids.push_back(std::to_string(*it));
    }
    return ids;
}

RestoreRecord Journal::Read(const std::string& id) const {
    const unsigned long number = NumberOf(base::PathOf(id));
    const std::filesystem::path folder = folder_ / std::to_string(number);
    std::error_code error;
    if (number == 0 || !std::filesystem::is_directory(folder, error)) {
        throw base::Error(base::kErrFileNotFound, "The journal has no record " + id + ".");
    }
    return ReadRecord(folder);
}

void Journal::Prune() const {
    const std::vector<unsigned long> numbers = Numbers(folder_);
    for (size_t i = 0; i + recordsKept_ < numbers.size(); ++i) {
        std::error_code error;  // one that cannot go now goes next time
        std::filesystem::remove_all(folder_ / std::to_string(numbers[i]), error);
    }
}

}  // namespace journal
