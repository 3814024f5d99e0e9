#include "lab/os_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "win/handles.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "base/utf8_path.h"
#include "lab/rules.h"

namespace lab::os {

namespace {

[[noreturn]] void Fail(const char* what, const std::filesystem::path& path,
                       const std::string& why) {
    Refuse(Rule::kStoreIo, std::string("The farm store cannot ") + what + " " +
                               Quoted(base::Utf8(path)) + ": " + why);
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

// The system's handles, each released once by its owner.
#ifdef _WIN32

struct File::Native {
    win::KernelHandle handle;
};

struct FileMapping::Native {
    win::KernelHandle section;
    win::Owned<void*, UnmapViewOfFile> view;  // unmapped before the section closes
};

#else

struct File::Native {
    explicit Native(int descriptor) : fd(descriptor) {}
    ~Native() { ::close(fd); }
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;
    int fd;
};

struct FileMapping::Native {
    Native(void* start, size_t length) : data(start), size(length) {}
    ~Native() { ::munmap(data, size); }
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;
    void* data;
    size_t size;
};

#endif

File::File() = default;
File::~File() = default;
File::File(File&& other) noexcept = default;
File& File::operator=(File&& other) noexcept = default;

bool File::IsOpen() const {
    return native_ != nullptr;
}

FileMapping::FileMapping() = default;
FileMapping::~FileMapping() = default;

FileMapping::FileMapping(FileMapping&& other) noexcept
    : native_(std::move(other.native_)), data_(std::exchange(other.data_, nullptr)) {}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
    native_ = std::move(other.native_);
    data_ = std::exchange(other.data_, nullptr);
    return *this;
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
    file.native_ = std::make_unique<Native>();
    file.native_->handle.Reset(handle);
    return file;
}

uint64_t File::Size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(native_->handle.get(), &size)) {
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
        if (!ReadFile(native_->handle.get(), data.data() + done, chunk, &read, &overlapped)) {
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
        if (!WriteFile(native_->handle.get(), data.data() + done, chunk, &written, &overlapped) ||
            written == 0) {
            Fail("write", path_, LastErrorText());
        }
        done += written;
    }
}

void File::Truncate(uint64_t size) {
    FILE_END_OF_FILE_INFO info{};
    info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(native_->handle.get(), FileEndOfFileInfo, &info, sizeof info)) {
        Fail("truncate", path_, LastErrorText());
    }
}

void File::Sync() {
    if (!FlushFileBuffers(native_->handle.get())) {
        Fail("flush", path_, LastErrorText());
    }
}

void File::LockShared() {
    OVERLAPPED overlapped = At(kLockOffset);
    if (!LockFileEx(native_->handle.get(), 0, 0, 1, 0, &overlapped)) {
        Fail("lock", path_, LastErrorText());
    }
}

void File::LockExclusive() {
    OVERLAPPED overlapped = At(kLockOffset);
    if (!LockFileEx(native_->handle.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &overlapped)) {
        Fail("lock", path_, LastErrorText());
    }
}

void File::Unlock() {
    OVERLAPPED overlapped = At(kLockOffset);
    UnlockFileEx(native_->handle.get(), 0, 1, 0, &overlapped);
}

void MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to,
                  bool durable) {
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
    if (!MoveFileExW(from.c_str(), to.c_str(), flags)) {
        Fail("replace", to, LastErrorText());
    }
}

FileMapping FileMapping::Map(const File& file, size_t size) {
    auto native = std::make_unique<Native>();
    native->section.Reset(CreateFileMappingW(file.native_->handle.get(), nullptr, PAGE_READWRITE, 0,
                                             static_cast<DWORD>(size), nullptr));
    if (!native->section) {
        Fail("map", file.path_, LastErrorText());
    }
    native->view.Reset(
        MapViewOfFile(native->section.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size));
    if (!native->view) {
        Fail("map", file.path_, LastErrorText());
    }
    FileMapping mapping;
    mapping.data_ = native->view.get();
    mapping.native_ = std::move(native);
    return mapping;
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
    file.native_ = std::make_unique<Native>(fd);
    return file;
}

uint64_t File::Size() const {
    struct stat info {};
    if (::fstat(native_->fd, &info) != 0) {
        Fail("measure", path_, ErrnoText());
    }
    return static_cast<uint64_t>(info.st_size);
}

std::string File::ReadAt(uint64_t offset, size_t size) const {
    std::string data(size, '\0');
    size_t done = 0;
    while (done < size) {
        const ssize_t read = ::pread(native_->fd, data.data() + done, size - done,
                                     static_cast<off_t>(offset + done));
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
        const ssize_t written = ::pwrite(native_->fd, data.data() + done, data.size() - done,
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
    if (::ftruncate(native_->fd, static_cast<off_t>(size)) != 0) {
        Fail("truncate", path_, ErrnoText());
    }
}

void File::Sync() {
    if (::fsync(native_->fd) != 0) {
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
    Flock(native_->fd, LOCK_SH, path_);
}

void File::LockExclusive() {
    Flock(native_->fd, LOCK_EX, path_);
}

void File::Unlock() {
    ::flock(native_->fd, LOCK_UN);
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
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file.native_->fd, 0);
    if (data == reinterpret_cast<void*>(static_cast<intptr_t>(-1))) {  // MAP_FAILED
        Fail("map", file.path_, ErrnoText());
    }
    FileMapping mapping;
    mapping.native_ = std::make_unique<Native>(data, size);
    mapping.data_ = data;
    return mapping;
}

#endif

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
