// The text-file service the file procedures use: text streams in the ANSI code page and the
// few folder and file operations the procedures need. Paths are UTF-8. Every failure throws
// base::Error.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// A file opened as 8-bit ANSI text. Lines are written with CR LF; a line read never
// includes its line end.
class TextStream {
  public:
    virtual ~TextStream() = default;
    virtual void WriteLine(std::string_view text) = 0;  // text is UTF-8, written as ANSI
    virtual void WriteLine() = 0;                       // an empty line
    virtual std::string ReadLine() = 0;                 // returned as UTF-8
    virtual bool AtEndOfStream() = 0;
    virtual void Close() = 0;  // idempotent; the destructor closes too
};

// A file that a name or pattern found.
struct FoundFile {
    std::string name;  // the last part of its path
    bool readOnly = false;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // Creates the file or empties an existing one.
    virtual std::unique_ptr<TextStream> CreateTextFile(const std::string& path) = 0;
    // Never creates: a missing file is error 53.
    virtual std::unique_ptr<TextStream> OpenTextFile(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    virtual void CreateFolder(const std::string& path) = 0;
    // Deletes the files a name or a wildcard pattern ("*.ico") in its last part names. Without
    // force a read-only file is error 70. A pattern that matches nothing is error 53.
    virtual void DeleteFiles(const std::string& pathOrPattern, bool force) = 0;
    // Copies a file, replacing the target.
    virtual void CopyFileOver(const std::string& source, const std::string& target) = 0;
    // Gives a file the target's name on the same drive, replacing a file of that name. As for
    // a copy, a target that is a folder or a read-only file is error 70.
    virtual void MoveFileOver(const std::string& source, const std::string& target) = 0;
    // The files (not folders) that a name or a wildcard pattern in its last part names, in
    // name order; none is an empty list. A folder that does not exist is error 76.
    virtual std::vector<FoundFile> FindFiles(const std::string& pathOrPattern) = 0;
    virtual std::string GetTempFolder() = 0;
    // The process's current working directory.
    virtual std::string CurrentDirectory() = 0;
};

// The real file system of this machine.
std::unique_ptr<FileSystem> CreateFileSystem();

}  // namespace settings
