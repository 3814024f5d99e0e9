#include "lab/os_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "lab/rules.h"

namespace lab::os {

namespace {

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

[[noreturn]] void Fail(const char* what, const std::filesystem::path& path,
                       const std::string& why) {
    Refuse(Rule::kStoreIo, std::string("The farm store cannot ") + what + " " +
                               Quoted(PathText(path)) + ": " + why);
}

#ifdef _WIN32

HANDLE Invalid() {
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

std::string LastErrorText() {
    return "system error " + std::to_string(GetLastError());
}

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

// The lock covers one byte far beyond any data, so that locked files stay readable.
constexpr uint64_t kLockOffset = uint64_t{1} << 62;

#else

std::string ErrnoText() {
    return std::strerror(errno);
}

#endif

}  // namespace

File::~File() {
#ifdef _WIN32
    if (handle_ != nullptr) {
        CloseHandle(handle_);
    }
#else
    if (fd_ >= 0) {
        ::close(fd_);
    }
#endif
}

File::File(File&& other) noexcept
#ifdef _WIN32
    : handle_(std::exchange(other.handle_, nullptr)),
#else
    : fd_(std::exchange(other.fd_, -1)),
#endif
      path_(std::move(other.path_)) {
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        File old(std::move(*this));
#ifdef _WIN32
        handle_ = std::exchange(other.handle_, nullptr);
#else
        fd_ = std::exchange(other.fd_, -1);
#endif
        path_ = std::move(other.path_);
    }
    return *this;
}

bool File::IsOpen() const {
#ifdef _WIN32
    return handle_ != nullptr;
#else
    return fd_ >= 0;
#endif
}

#ifdef _WIN32

File File::Open(const std::filesystem::path& path, Mode mode) {
    File file;
    file.path_ = path;
    const bool write = mode == Mode::kReadWriteCreate;
    HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ | (write ? GENERIC_WRITE : 0),
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    write ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == Invalid()) {
        const DWORD error = GetLastError();
        if (!write && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
            return file;
        }
        Fail("open", path, "system error " + std::to_string(error));
    }
    file.handle_ = handle;
    return file;
}

uint64_t File::Size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size)) {
        Fail("measure", path_, LastErrorText());
    }
    return static_cast<uint64_t>(size.QuadPart);
}

std::string File::ReadAt(uint64_t offset, size_t size) const {
    std::string data(size, '\0');
    size_t done = 0;
    while (done < size) {
        OVERLAPPED overlapped = At(offset + done);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
        DWORD read = 0;
        if (!ReadFile(handle_, data.data() + done, chunk, &read, &overlapped)) {
            if (GetLastError() == ERROR_HANDLE_EOF) {
                break;
            }
            Fail("read", path_, LastErrorText());
        }
        if (read == 0) {
            break;
        }
        done += read;
    }
    data.resize(done);
    return data;
}

void File::WriteAt(uint64_t offset, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        OVERLAPPED overlapped = At(offset + done);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle_, data.data() + done, chunk, &written, &overlapped) || written == 0) {
            Fail("write", path_, LastErrorText());
        }
        done += written;
    }
}

void File::Truncate(uint64_t size) {
    FILE_END_OF_FILE_INFO info{};
    info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(handle_, FileEndOfFileInfo, &info, sizeof info)) {
        Fail("truncate", path_, LastErrorText());
    }
}

void File::Sync() {
    if (!FlushFileBuffers(handle_)) {
        Fail("flush", path_, LastErrorText());
    }
}

void File::LockShared() {
    OVERLAPPED overlapped = At(kLockOffset);
    if (!LockFileEx(handle_, 0, 0, 1, 0, &overlapped)) {
        Fail("lock", path_, LastErrorText());
    }
}

void File::LockExclusive() {
    OVERLAPPED overlapped = At(kLockOffset);
    if (!LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &overlapped)) {
        Fail("lock", path_, LastErrorText());
    }
}

void File::Unlock() {
    OVERLAPPED overlapped = At(kLockOffset);
    UnlockFileEx(handle_, 0, 1, 0, &overlapped);
}

void MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to,
                  bool durable) {
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
    if (!MoveFileExW(from.c_str(), to.c_str(), flags)) {
        Fail("replace", to, LastErrorText());
    }
}

FileMapping FileMapping::Map(const File& file, size_t size) {
    FileMapping mapping;
    mapping.section_ = CreateFileMappingW(file.handle_, nullptr, PAGE_READWRITE, 0,
                                          static_cast<DWORD>(size), nullptr);
    if (mapping.section_ == nullptr) {
        Fail("map", file.path_, LastErrorText());
    }
    mapping.data_ = MapViewOfFile(mapping.section_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size);
    if (mapping.data_ == nullptr) {
        Fail("map", file.path_, LastErrorText());
    }
    mapping.size_ = size;
    return mapping;
}

void FileMapping::Release() {
    if (data_ != nullptr) {
        UnmapViewOfFile(data_);
    }
    if (section_ != nullptr) {
        CloseHandle(section_);
    }
    data_ = nullptr;
    section_ = nullptr;
}

FileMapping::FileMapping(FileMapping&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      section_(std::exchange(other.section_, nullptr)) {}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        section_ = std::exchange(other.section_, nullptr);
    }
    return *this;
}

#else

File File::Open(const std::filesystem::path& path, Mode mode) {
    File file;
    file.path_ = path;
    const bool write = mode == Mode::kReadWriteCreate;
    int fd = -1;
    do {
        fd = ::open(path.c_str(), (write ? O_RDWR | O_CREAT : O_RDONLY) | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (!write && errno == ENOENT) {
            return file;
        }
        Fail("open", path, ErrnoText());
    }
    file.fd_ = fd;
    return file;
}

uint64_t File::Size() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        Fail("measure", path_, ErrnoText());
    }
    return static_cast<uint64_t>(info.st_size);
}

std::string File::ReadAt(uint64_t offset, size_t size) const {
    std::string data(size, '\0');
    size_t done = 0;
    while (done < size) {
        const ssize_t read =
            ::pread(fd_, data.data() + done, size - done, static_cast<off_t>(offset + done));
        if (read < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail("read", path_, ErrnoText());
        }
        if (read == 0) {
            break;
        }
        done += static_cast<size_t>(read);
    }
    data.resize(done);
    return data;
}

void File::WriteAt(uint64_t offset, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t written = ::pwrite(fd_, data.data() + done, data.size() - done,
                                         static_cast<off_t>(offset + done));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail("write", path_, ErrnoText());
        }
        done += static_cast<size_t>(written);
    }
}

void File::Truncate(uint64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        Fail("truncate", path_, ErrnoText());
    }
}

void File::Sync() {
    if (::fsync(fd_) != 0) {
        Fail("flush", path_, ErrnoText());
    }
}

namespace {
void Flock(int fd, int operation, const std::filesystem::path& path) {
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR) {
            Fail("lock", path, ErrnoText());
        }
    }
}
}  // namespace

void File::LockShared() {
    Flock(fd_, LOCK_SH, path_);
}

void File::LockExclusive() {
    Flock(fd_, LOCK_EX, path_);
}

void File::Unlock() {
    ::flock(fd_, LOCK_UN);
}

void MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to,
                  bool durable) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        Fail("replace", to, ErrnoText());
    }
    if (!durable) {
        return;
    }
    const int dir = ::open(to.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

FileMapping FileMapping::Map(const File& file, size_t size) {
    FileMapping mapping;
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file.fd_, 0);
    if (data == reinterpret_cast<void*>(static_cast<intptr_t>(-1))) {  // MAP_FAILED
        Fail("map", file.path_, ErrnoText());
    }
    mapping.data_ = data;
    mapping.size_ = size;
    return mapping;
}

void FileMapping::Release() {
    if (data_ != nullptr) {
        ::munmap(data_, size_);
    }
    data_ = nullptr;
}

FileMapping::FileMapping(FileMapping&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

#endif

FileMapping::~FileMapping() {
    Release();
}

FileLock::FileLock(File& file, bool exclusive) : file_(file) {
    if (exclusive) {
        file_.LockExclusive();
    } else {
        file_.LockShared();
    }
}

FileLock::~FileLock() {
    file_.Unlock();
}

void RemoveTree(const std::filesystem::path& folder) {
    std::error_code error;
    std::vector<std::filesystem::path> entries;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        entries.push_back(it->path());
    }
    for (const std::filesystem::path& entry : entries) {
        if (std::filesystem::is_directory(std::filesystem::symlink_status(entry, error))) {
            RemoveTree(entry);
        } else {
            std::filesystem::remove(entry, error);
        }
    }
    std::filesystem::remove(folder, error);
}

}  // namespace lab::os
