#include "settings/file_system.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/utf8_path.h"
#include "settings/ansi.h"

#ifdef _WIN32
#include <windows.h>

#include "win/handles.h"
#include "win/text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace settings {
namespace fs = std::filesystem;
namespace {

base::Error Error(int32_t number) {
    switch (number) {
        case base::kErrBadFileName:
            return {number, "Bad file name or number"};
        case base::kErrFileNotFound:
            return {number, "File not found"};
        case base::kErrBadFileMode:
            return {number, "Bad file mode"};
        case base::kErrFileAlreadyExists:
            return {number, "File already exists"};
        case base::kErrDiskFull:
            return {number, "Disk full"};
        case base::kErrInputPastEnd:
            return {number, "Input past end of file"};
        case base::kErrPermissionDenied:
            return {number, "Permission denied"};
        case base::kErrPathNotFound:
            return {number, "Path not found"};
        default:
            return {base::kErrPathFileAccess, "Path/File access error"};
    }
}

// A name that does not exist: "File not found" when its folder exists, else "Path not found".
base::Error NotFound(const fs::path& path) {
    std::error_code ec;
    const fs::path parent = path.parent_path();
    if (!parent.empty() && parent != path && !fs::is_directory(parent, ec)) {
        return Error(base::kErrPathNotFound);
    }
    return Error(base::kErrFileNotFound);
}

// The one translation of a system error into a runtime error; path is the name the failed
// operation was about.
base::Error FileError(std::error_code ec, const fs::path& path) {
#ifdef _WIN32
    if (ec.category() == std::system_category()) {
        switch (ec.value()) {
            case ERROR_FILE_NOT_FOUND:
                return NotFound(path);
            case ERROR_PATH_NOT_FOUND:
            case ERROR_INVALID_DRIVE:
            case ERROR_BAD_NETPATH:
            case ERROR_BAD_NET_NAME:
            case ERROR_DIRECTORY:
            case ERROR_FILENAME_EXCED_RANGE:
                return Error(base::kErrPathNotFound);
            case ERROR_ACCESS_DENIED:
            case ERROR_WRITE_PROTECT:
            case ERROR_SHARING_VIOLATION:
            case ERROR_LOCK_VIOLATION:
            case ERROR_CURRENT_DIRECTORY:
                return Error(base::kErrPermissionDenied);
            case ERROR_HANDLE_DISK_FULL:
            case ERROR_DISK_FULL:
                return Error(base::kErrDiskFull);
            case ERROR_FILE_EXISTS:
            case ERROR_ALREADY_EXISTS:
                return Error(base::kErrFileAlreadyExists);
            case ERROR_INVALID_NAME:
            case ERROR_BAD_PATHNAME:
                return Error(base::kErrBadFileName);
            default:
                return Error(base::kErrPathFileAccess);
        }
    }
#endif
    const auto is = [&ec](std::errc condition) { return ec == condition; };
    if (is(std::errc::no_such_file_or_directory)) {
        return NotFound(path);
    }
    if (is(std::errc::not_a_directory) || is(std::errc::filename_too_long)) {
        return Error(base::kErrPathNotFound);
    }
    if (is(std::errc::permission_denied) || is(std::errc::operation_not_permitted) ||
        is(std::errc::read_only_file_system) || is(std::errc::is_a_directory) ||
        is(std::errc::text_file_busy) || is(std::errc::device_or_resource_busy)) {
        return Error(base::kErrPermissionDenied);
    }
#ifdef EDQUOT
    if (ec == std::error_code(EDQUOT, std::generic_category())) {
        return Error(base::kErrDiskFull);
    }
#endif
    if (is(std::errc::no_space_on_device) || is(std::errc::file_too_large)) {
        return Error(base::kErrDiskFull);
    }
    if (is(std::errc::file_exists)) {
        return Error(base::kErrFileAlreadyExists);
    }
    if (is(std::errc::illegal_byte_sequence) || is(std::errc::invalid_argument)) {
        return Error(base::kErrBadFileName);
    }
    return Error(base::kErrPathFileAccess);
}

std::error_code LastError() {
#ifdef _WIN32
    return {static_cast<int>(GetLastError()), std::system_category()};
#else
    return {errno, std::generic_category()};
#endif
}

fs::path ToPath(const std::string& utf8) {
    if (utf8.empty()) {
        throw Error(base::kErrBadFileName);
    }
    try {
        return base::PathOf(utf8);
    } catch (const std::system_error&) {
        throw Error(base::kErrBadFileName);  // not a name the system can convert
    }
}

// ASCII needs no conversion in any ANSI code page.
bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Windows refuses to overwrite or delete a read-only file; the portable build treats a file
// without the owner's write permission the same way, whoever runs the program.
bool IsReadOnly(const fs::file_status& status) {
    return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// An open file handle: reads or writes bytes, reports every failure.
class NativeFile {
  public:
    enum class Access { Read, Write };

    // `checked`: the caller has already looked at what is there (a folder, a read-only file).
    NativeFile(fs::path path, Access access, bool checked = false) : path_(std::move(path)) {
        if (access == Access::Write && !checked) {
            std::error_code ec;
            const fs::file_status status = fs::status(path_, ec);
            if (!ec && fs::exists(status) && (fs::is_directory(status) || IsReadOnly(status))) {
                throw Error(base::kErrPermissionDenied);
            }
        }
#ifdef _WIN32
        const HANDLE opened =
            access == Access::Read
                ? CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                : CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened == INVALID_HANDLE_VALUE) {
            throw FileError(LastError(), path_);
        }
        handle_.Reset(opened);
#else
        const int flags = access == Access::Read ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
        fd_ = ::open(path_.c_str(), flags | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            throw FileError(LastError(), path_);
        }
        // Only reading opens a folder; opening one for writing fails by itself.
        struct stat info {};
        if (access == Access::Read && !checked && ::fstat(fd_, &info) == 0 &&
            S_ISDIR(info.st_mode)) {
            CloseQuietly();
            throw Error(base::kErrPermissionDenied);  // as Windows answers for a folder
        }
#endif
    }

    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;
    ~NativeFile() {
        CloseQuietly();
    }

    // Returns 0 at the end of the file.
    std::size_t Read(char* buffer, std::size_t size) {
#ifdef _WIN32
        DWORD read = 0;
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1U << 30));
        if (!ReadFile(handle_.get(), buffer, wanted, &read, nullptr)) {
            throw FileError(LastError(), path_);
        }
        return read;
#else
        for (;;) {
            const ssize_t read = ::read(fd_, buffer, size);
            if (read >= 0) {
                return static_cast<std::size_t>(read);
            }
            if (errno != EINTR) {
                throw FileError(LastError(), path_);
            }
        }
#endif
    }

    void Write(const char* data, std::size_t size) {
        while (size > 0) {
#ifdef _WIN32
            DWORD written = 0;
            const auto wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1U << 30));
            if (!WriteFile(handle_.get(), data, wanted, &written, nullptr)) {
                throw FileError(LastError(), path_);
            }
#else
            const ssize_t written = ::write(fd_, data, size);
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw FileError(LastError(), path_);
            }
#endif
            if (written == 0) {
                throw Error(base::kErrDiskFull);
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
    }

    void Close() {
#ifdef _WIN32
        // Given up before closing, so that a failed close is reported once and not again.
        if (handle_ && !CloseHandle(handle_.Release())) {
            throw FileError(LastError(), path_);
        }
#else
        if (fd_ >= 0) {
            // The descriptor is gone after close() whatever it answers; EINTR is no failure.
            if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR) {
                throw FileError(LastError(), path_);
            }
        }
#endif
    }

  private:
    void CloseQuietly() noexcept {
        try {
            Close();
        } catch (const base::Error&) {
            // Only reached on a path that is already failing.
        }
    }

    fs::path path_;
#ifdef _WIN32
    win::KernelHandle handle_;
#else
    int fd_ = -1;
#endif
};

class FileTextStream final : public TextStream {
  public:
    using Access = NativeFile::Access;

    FileTextStream(fs::path path, Access access) : file_(std::move(path), access), access_(access) {
        if (access == Access::Read) {
            buffer_.resize(kBufferSize);
        } else {
            pending_.reserve(kBufferSize);
        }
    }

    // A destructor cannot report: callers that need the outcome call Close first.
    ~FileTextStream() override {
        try {
            Close();
        } catch (const base::Error&) {
            // Nobody is left to tell: a caller that needs the outcome called Close.
        }
    }

    void WriteLine(std::string_view text) override {
        Require(Access::Write);
        if (writeFailure_) {
            throw *writeFailure_;
        }
        if (IsAscii(text)) {
            Put(text);
        } else {
            Put(Utf8ToAnsi(text));
        }
        Put("\r\n");
    }

    void WriteLine() override { WriteLine(std::string_view()); }

    std::string ReadLine() override {
        Require(Access::Read);
        if (AtEnd()) {
            throw Error(base::kErrInputPastEnd);
        }
        std::string raw;
        for (;;) {
            if (begin_ == end_ && !Fill()) {
                break;  // the last line has no line end
            }
            const char* const start = buffer_.data() + begin_;
            const char* const stop = buffer_.data() + end_;
            const char* const hit =
                std::find_if(start, stop, [](char c) { return c == '\r' || c == '\n'; });
            raw.append(start, hit);
            begin_ = static_cast<std::size_t>(hit - buffer_.data());
            if (hit == stop) {
                continue;
            }
            ++begin_;
            if (*hit == '\r' && (begin_ < end_ || Fill()) && buffer_[begin_] == '\n') {
                ++begin_;
            }
            break;
        }
        if (IsAscii(raw)) {
            return raw;
        }
        return AnsiToUtf8(raw);
    }

    bool AtEndOfStream() override {
        Require(Access::Read);
        return AtEnd();
    }

    void Close() override {
        if (!open_) {
            return;
        }
        open_ = false;
        std::exception_ptr failure;
        if (access_ == Access::Write && !writeFailure_) {
            try {
                Flush();
            } catch (const base::Error&) {
                failure = std::current_exception();
            }
        }
        try {
            file_.Close();
        } catch (const base::Error&) {
            if (!failure) {
                failure = std::current_exception();
            }
        }
        if (failure) {
            std::rethrow_exception(failure);
        }
    }

  private:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 16;

    void Require(Access access) const {
        if (!open_) {
            throw Error(base::kErrBadFileName);
        }
        if (access != access_) {
            throw Error(base::kErrBadFileMode);
        }
    }

    bool AtEnd() { return begin_ == end_ && !Fill(); }

    // Refills the read buffer once it is used up; false at the end of the file.
    bool Fill() {
        begin_ = 0;
        end_ = file_.Read(buffer_.data(), buffer_.size());
        return end_ > 0;
    }

    // Small writes gather in the buffer; a long line goes straight to the file.
    void Put(std::string_view bytes) {
        if (pending_.size() + bytes.size() > kBufferSize) {
            Flush();
            if (bytes.size() >= kBufferSize) {
                WriteThrough(bytes);
                return;
            }
        }
        pending_ += bytes;
    }

    void Flush() {
        WriteThrough(pending_);
        pending_.clear();
    }

    // A failed write breaks the stream: later lines would leave a gap in the file, so they
    // fail with the same error.
    void WriteThrough(std::string_view bytes) {
        try {
            file_.Write(bytes.data(), bytes.size());
        } catch (const base::Error& e) {
            writeFailure_ = e;
            pending_.clear();
            throw;
        }
    }

    NativeFile file_;
    Access access_;
    bool open_ = true;
    std::optional<base::Error> writeFailure_;
    std::vector<char> buffer_;  // reading: bytes not yet returned are [begin_, end_)
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::string pending_;  // writing: bytes not yet written
};

char32_t FoldCase(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) {
        return c + 0x20;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 0x50;
    }
    return c;
}

std::u32string Folded(std::string_view utf8) {
    std::u32string text = DecodeUtf8(utf8);
    std::transform(text.begin(), text.end(), text.begin(), FoldCase);
    return text;
}

bool HasWildcard(std::string_view name) {
    return name.find_first_of("*?") != name.npos;
}

// "*" matches any run of characters, "?" exactly one; both texts already case-folded.
bool Matches(std::u32string_view pattern, std::u32string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t star = std::u32string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            star = p++;
            resume = n;
        } else if (star != std::u32string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') {
        ++p;
    }
    return p == pattern.size();
}

// As on Windows, a final ".*" also matches a name without an extension ("*.*" is every file).
bool MatchesWildcard(std::u32string_view pattern, std::u32string_view name) {
    if (Matches(pattern, name)) {
        return true;
    }
    return pattern.ends_with(U".*") && Matches(pattern.substr(0, pattern.size() - 2), name);
}

// The status of what is at `path` when it is a file (not a folder).
std::optional<fs::file_status> FileStatus(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status) || fs::is_directory(status)) {
        return std::nullopt;
    }
    return status;
}

bool IsFile(const fs::path& path) {
    return FileStatus(path).has_value();
}

fs::file_status StatusOf(const fs::path& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec) {
        throw FileError(ec, path);
    }
    return status;
}

void DeleteOne(const fs::path& path, const fs::file_status& status, bool force) {
    std::error_code ec;
    if (IsReadOnly(status)) {
        if (!force) {
            throw Error(base::kErrPermissionDenied);
        }
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
        if (ec) {
            throw FileError(ec, path);
        }
    }
    if (!fs::remove(path, ec)) {
        throw ec ? FileError(ec, path) : Error(base::kErrFileNotFound);
    }
}

// The files a wildcard pattern in the last part of `path` matches, in name order, as Windows
// lists a folder. A folder that does not exist is error 76.
std::vector<fs::path> MatchingFiles(const fs::path& path) {
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        throw Error(base::kErrPathNotFound);
    }
    const std::u32string pattern = Folded(base::Utf8(path.filename()));
    std::vector<std::pair<std::u32string, fs::path>> matches;
    fs::directory_iterator it(folder, ec);
    while (!ec && it != fs::directory_iterator()) {
        std::error_code typeError;
        std::u32string folded = Folded(base::Utf8(it->path().filename()));
        if (it->is_regular_file(typeError) && MatchesWildcard(pattern, folded)) {
            matches.emplace_back(std::move(folded), it->path());
        }
        it.increment(ec);
    }
    if (ec) {
        throw FileError(ec, folder);
    }
    std::sort(matches.begin(), matches.end());
    std::vector<fs::path> paths;
    for (auto& match : matches) {
        paths.push_back(std::move(match.second));
    }
    return paths;
}

// What a copy or a move may replace: no folder and no read-only file (error 70).
void RequireReplaceable(const fs::path& target) {
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (fs::is_directory(status) || (fs::exists(status) && IsReadOnly(status))) {
        throw Error(base::kErrPermissionDenied);
    }
}

class RealFileSystem final : public FileSystem {
  public:
    std::unique_ptr<TextStream> CreateTextFile(const std::string& path) override {
        return std::make_unique<FileTextStream>(ToPath(path), NativeFile::Access::Write);
    }

    std::unique_ptr<TextStream> OpenTextFile(const std::string& path) override {
        return std::make_unique<FileTextStream>(ToPath(path), NativeFile::Access::Read);
    }

    bool FolderExists(const std::string& path) override {
        std::error_code ec;
        return !path.empty() && fs::is_directory(ToPathOrEmpty(path), ec);
    }

    void CreateFolder(const std::string& path) override {
        const fs::path folder = ToPath(path);
        std::error_code ec;
        if (fs::exists(folder, ec)) {
            throw Error(base::kErrFileAlreadyExists);
        }
        if (!fs::create_directory(folder, ec)) {
            throw ec ? FileError(ec, folder) : Error(base::kErrFileAlreadyExists);
        }
    }

    void DeleteFiles(const std::string& pathOrPattern, bool force) override {
        const fs::path path = ToPath(pathOrPattern);
        if (!HasWildcard(base::Utf8(path.filename()))) {
            const std::optional<fs::file_status> status = FileStatus(path);
            if (!status) {
                throw NotFound(path);
            }
            DeleteOne(path, *status, force);
            return;
        }
        const std::vector<fs::path> matches = MatchingFiles(path);
        if (matches.empty()) {
            throw Error(base::kErrFileNotFound);
        }
        // The first refusal stops the deletion.
        for (const fs::path& match : matches) {
            DeleteOne(match, StatusOf(match), force);
        }
    }

    void CopyFileOver(const std::string& source, const std::string& target) override {
        const fs::path from = ToPath(source);
        const fs::path to = ToPath(target);
        if (!IsFile(from)) {
            throw NotFound(from);
        }
        RequireReplaceable(to);
        if (std::error_code ec; fs::equivalent(from, to, ec)) {
            throw Error(base::kErrPermissionDenied);  // the copy would empty the file first
        }
        NativeFile input(from, NativeFile::Access::Read, true);
        NativeFile output(to, NativeFile::Access::Write, true);
        // Not zeroed: most files copied are icons of a few kilobytes.
        constexpr std::size_t kChunk = std::size_t{64} << 10;
        const auto buffer = std::make_unique_for_overwrite<char[]>(kChunk);
        while (const std::size_t read = input.Read(buffer.get(), kChunk)) {
            output.Write(buffer.get(), read);
        }
        output.Close();
        input.Close();
    }

    void MoveFileOver(const std::string& source, const std::string& target) override {
        const fs::path from = ToPath(source);
        const fs::path to = ToPath(target);
        if (!IsFile(from)) {
            throw NotFound(from);
        }
        RequireReplaceable(to);
#ifdef _WIN32
        if (!MoveFileExW(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            throw FileError(LastError(), to);
        }
#else
        if (std::rename(from.c_str(), to.c_str()) != 0) {
            throw FileError(LastError(), to);
        }
#endif
    }

    std::vector<FoundFile> FindFiles(const std::string& pathOrPattern) override {
        const fs::path path = ToPath(pathOrPattern);
        std::vector<fs::path> matches;
        if (HasWildcard(base::Utf8(path.filename()))) {
            matches = MatchingFiles(path);
        } else if (IsFile(path)) {
            matches.push_back(path);
        } else if (const base::Error missing = NotFound(path);
                   missing.number() == base::kErrPathNotFound) {
            throw missing;
        }
        std::vector<FoundFile> found;
        for (const fs::path& match : matches) {
            found.push_back({base::Utf8(match.filename()), IsReadOnly(StatusOf(match))});
        }
        return found;
    }

    std::string GetTempFolder() override {
#ifdef _WIN32
        const DWORD needed = GetTempPathW(0, nullptr);
        std::wstring buffer(needed, L'\0');
        const DWORD length = needed == 0 ? 0 : GetTempPathW(needed, buffer.data());
        if (length == 0 || length >= needed) {
            throw FileError(LastError(), fs::path());
        }
        buffer.resize(length);
        // Keep the separator of a drive's root ("C:\").
        while (buffer.size() > 1 && (buffer.back() == L'\\' || buffer.back() == L'/') &&
               !(buffer.size() == 3 && buffer[1] == L':')) {
            buffer.pop_back();
        }
        return win::Narrow(buffer);
#else
        std::error_code ec;
        std::string folder = base::Utf8(fs::temp_directory_path(ec));
        if (ec) {
            throw FileError(ec, fs::path());
        }
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        return folder;
#endif
    }

    std::string CurrentDirectory() override {
        std::error_code ec;
        const fs::path current = fs::current_path(ec);
        if (ec) {
            throw FileError(ec, fs::path());
        }
        return base::Utf8(current);
    }

  private:
    // For the existence tests, which answer false rather than fail.
    static fs::path ToPathOrEmpty(const std::string& path) {
        try {
            return ToPath(path);
        } catch (const base::Error&) {
            return {};
        }
    }
};

}  // namespace

std::unique_ptr<FileSystem> CreateFileSystem() {
    return std::make_unique<RealFileSystem>();
}

}  // namespace settings
