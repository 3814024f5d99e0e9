// The few file operations the farm store needs that the standard library lacks: reads and
// writes at an offset, truncation, flushing to the disk, whole-file locks shared between
// processes, and replacing a file by another in one step. The only platform-specific unit
// of the lab.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace lab::os {

// An open file that closes itself. Failures throw farm::FarmError (see rules.h, kStoreIo).
class File {
  public:
    enum class Mode { kRead, kReadWriteCreate };

    File();
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens the file; with kRead a missing file gives a closed File (check IsOpen).
    static File Open(const std::filesystem::path& path, Mode mode);

    bool IsOpen() const;
    uint64_t Size() const;
    // Reads up to `size` bytes at `offset`; returns fewer at the end of the file.
    std::string ReadAt(uint64_t offset, size_t size) const;
    void WriteAt(uint64_t offset, std::string_view data);
    void Truncate(uint64_t size);
    // Makes the written data durable before returning.
    void Sync();

    // Blocks until this File holds the lock; one lock per File at a time.
    void LockShared();
    void LockExclusive();
    void Unlock();

  private:
    friend class FileMapping;
    struct Native;  // the system's handle; none while closed
    std::unique_ptr<Native> native_;
    std::filesystem::path path_;
};

// The first bytes of a file mapped into memory, shared with every process that maps them
// (the same pages, so a change is seen by the others at once, without a system call).
class FileMapping {
  public:
    FileMapping();
    ~FileMapping();
    FileMapping(FileMapping&& other) noexcept;
    FileMapping& operator=(FileMapping&& other) noexcept;
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    // The file must be open for writing and hold at least `size` bytes.
    static FileMapping Map(const File& file, size_t size);
    void* Data() const { return data_; }

  private:
    struct Native;  // the mapped view and what keeps it
    std::unique_ptr<Native> native_;
    void* data_ = nullptr;  // the view's first byte, while mapped
};

// Holds a lock taken on a File until it goes out of scope.
class FileLock {
  public:
    FileLock(File& file, bool exclusive);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

  private:
    File& file_;
};

// Puts `from` in the place of `to` in one step: a reader sees the old file or the new one.
// With `durable`, the new name is on the disk before it returns.
void MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to, bool durable);

// Removes a folder and everything in it as far as it can, ignoring what cannot go (a file
// another holds open). Each folder is listed once, so it never waits for a file that stays:
// std::filesystem::remove_all keeps listing a file that is still open under Wine, for ever.
void RemoveTree(const std::filesystem::path& folder);

}  // namespace lab::os
