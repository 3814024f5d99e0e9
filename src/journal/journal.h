// The journal of restore records of one user: one folder per changing operation, numbered in
// the order they ran, the last few kept (50 unless the journal is told otherwise).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "journal/restore_record.h"

namespace journal {

inline constexpr size_t kRecordsKept = 50;

class Journal {
  public:
    Journal(std::filesystem::path folder, size_t recordsKept = kRecordsKept);

    // A new record for an operation about to run; the oldest records beyond the number kept go.
    std::unique_ptr<RecordWriter> Begin(const std::string& operation, const std::string& title);

    // The records' ids, newest first.
    std::vector<std::string> Ids() const;
    // The record of that id; throws base::Error (53) when there is none.
    RestoreRecord Read(const std::string& id) const;

    const std::filesystem::path& Folder() const { return folder_; }

  private:
    void Prune() const;

    std::filesystem::path folder_;
    size_t recordsKept_;
};

// The number of records to keep, as the settings file says ("JournalRecords=20"); 50 where it
// does not say or there is no such file.
size_t RecordsKeptSetting(const std::filesystem::path& settingsFile);

// The local time as records show it: "2026-12-07 08:30:00".
std::string LocalTimeText();

}  // namespace journal
