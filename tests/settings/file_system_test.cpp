#include "settings/file_system.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/error.h"
#include "support/error_of.h"
#include "support/utf8_paths.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;

using testing_support::ErrorNumberOf;
using testing_support::PathOf;
using testing_support::Utf8;

// A fresh folder below the temporary folder for every test, removed afterwards.
class FileSystemTest : public testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        root_ = fs::temp_directory_path() / ("zelt-settings-" + std::to_string(random()));
        fs::create_directories(root_);
    }

    void TearDown() override {
        std::error_code ec;
        for (const auto& entry : fs::recursive_directory_iterator(root_, ec)) {
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
        }
        fs::remove_all(root_, ec);
    }

    std::string Path(const std::string& name) const {
        return Utf8(root_) + settings::kPathSeparator + name;
    }

    static bool IsFile(const std::string& path) { return fs::is_regular_file(PathOf(path)); }

    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream(PathOf(Path(name)), std::ios::binary) << bytes;
    }

    std::string Get(const std::string& name) const {
        std::ifstream in(PathOf(Path(name)), std::ios::binary | std::ios::ate);
        if (!in) {
            return "(missing)";
        }
        std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
        in.seekg(0);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return bytes;
    }

    void MakeReadOnly(const std::string& name) const {
        fs::permissions(PathOf(Path(name)), fs::perms::owner_write, fs::perm_options::remove);
    }

    std::vector<std::string> ReadAll(const std::string& name) {
        auto stream = files_->OpenTextFile(Path(name));
        std::vector<std::string> lines;
        while (!stream->AtEndOfStream()) {
            lines.push_back(stream->ReadLine());
        }
        stream->Close();
        return lines;
    }

    fs::path root_;
    std::unique_ptr<settings::FileSystem> files_ = settings::CreateFileSystem();
};

TEST_F(FileSystemTest, WriteLineEndsEveryLineInCrLfAndCreateEmptiesTheFile) {
    Put("out.ini", "old content that must go");
    auto stream = files_->CreateTextFile(Path("out.ini"));
    stream->WriteLine("[Farm]");
    stream->WriteLine();
    stream->WriteLine("Key=a=b");
    stream->Close();
    stream->Close();
    EXPECT_EQ(Get("out.ini"), "[Farm]\r\n\r\nKey=a=b\r\n");
}

TEST_F(FileSystemTest, TextIsWrittenAndReadInTheAnsiCodePage) {
#ifdef _WIN32
    if (GetACP() != 1252) {
        GTEST_SKIP() << "the system code page is not 1252";
    }
#endif
    auto stream = files_->CreateTextFile(Path("ansi.ini"));
    stream->WriteLine("\u20AC\u00E9\u4E2D");
    stream->Close();
    EXPECT_EQ(Get("ansi.ini"), "\x80\xE9?\r\n");
    EXPECT_THAT(ReadAll("ansi.ini"), ElementsAre("\u20AC\u00E9?"));
}

TEST_F(FileSystemTest, ReadLineEndsAtCrLfLoneLfOrLoneCr) {
    const std::string big(200000, 'x');
    const std::string edge(65535, 'e');  // its CR ends the first read, its LF starts the next
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\n", {"a", ""}},
        {"a\n\rb", {"a", "", "b"}},
        {"x\r\r\n", {"x", ""}},
        {"\r\n", {""}},
        {"", {}},
        {std::string("a\0b\r\n\0", 6), {std::string("a\0b", 3), std::string(1, '\0')}},
        {big + "\r\n" + big, {big, big}},
        {edge + "\r\nb", {edge, "b"}},
    };
    for (const auto& [bytes, lines] : cases) {
        Put("in.ini", bytes);
        EXPECT_EQ(ReadAll("in.ini"), lines) << testing::PrintToString(bytes.substr(0, 20));
    }
}

TEST_F(FileSystemTest, StreamsRefuseWrongUse) {
    Put("one.ini", "only\r\n");
    auto reader = files_->OpenTextFile(Path("one.ini"));
    EXPECT_EQ(reader->ReadLine(), "only");
    EXPECT_EQ(ErrorNumberOf([&] { reader->ReadLine(); }), base::kErrInputPastEnd);
    EXPECT_EQ(ErrorNumberOf([&] { reader->WriteLine("x"); }), base::kErrBadFileMode);
    reader->Close();
    EXPECT_EQ(ErrorNumberOf([&] { reader->AtEndOfStream(); }), base::kErrBadFileName);

    auto writer = files_->CreateTextFile(Path("two.ini"));
    EXPECT_EQ(ErrorNumberOf([&] { writer->ReadLine(); }), base::kErrBadFileMode);
    writer->Close();
    EXPECT_EQ(ErrorNumberOf([&] { writer->WriteLine("late"); }), base::kErrBadFileName);
}

TEST_F(FileSystemTest, OpeningAndCreatingReportTheUsualErrors) {
    Put("locked.ini", "keep");
    MakeReadOnly("locked.ini");
    files_->CreateFolder(Path("folder"));
    const std::string missing = Path("missing") + settings::kPathSeparator + "f.ini";
    EXPECT_EQ(ErrorNumberOf([&] { files_->CreateTextFile(missing); }), base::kErrPathNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { files_->OpenTextFile(missing); }), base::kErrPathNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { files_->OpenTextFile(Path("none.ini")); }),
              base::kErrFileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { files_->CreateTextFile(Path("locked.ini")); }),
              base::kErrPermissionDenied);
    EXPECT_EQ(ErrorNumberOf([&] { files_->CreateTextFile(Path("folder")); }),
              base::kErrPermissionDenied);
    EXPECT_EQ(ErrorNumberOf([&] { files_->OpenTextFile(Path("folder")); }),
              base::kErrPermissionDenied);
    EXPECT_EQ(Get("locked.ini"), "keep");
}

#ifndef _WIN32
TEST_F(FileSystemTest, AFailedWriteIsReportedOnceAndBreaksTheStream) {
    auto small = files_->CreateTextFile("/dev/full");
    small->WriteLine("a line that waits in the buffer");
    EXPECT_EQ(ErrorNumberOf([&] { small->Close(); }), base::kErrDiskFull);

    auto large = files_->CreateTextFile("/dev/full");
    EXPECT_EQ(ErrorNumberOf([&] { large->WriteLine(std::string(1 << 17, 'x')); }),
              base::kErrDiskFull);
    EXPECT_EQ(ErrorNumberOf([&] { large->WriteLine("next"); }), base::kErrDiskFull);
    EXPECT_EQ(ErrorNumberOf([&] { large->Close(); }), 0);
}
#endif

TEST_F(FileSystemTest, FoldersAndFilesAreToldApart) {
    files_->CreateFolder(Path("icons"));
    Put("a.ini", "");
    EXPECT_TRUE(files_->FolderExists(Path("icons")));
    EXPECT_FALSE(files_->FolderExists(Path("a.ini")));
    EXPECT_TRUE(IsFile(Path("a.ini")));
    EXPECT_FALSE(IsFile(Path("icons")));
    EXPECT_FALSE(IsFile(Path("b.ini")));
    EXPECT_EQ(ErrorNumberOf([&] { files_->CreateFolder(Path("icons")); }),
              base::kErrFileAlreadyExists);
    EXPECT_EQ(ErrorNumberOf([&] { files_->CreateFolder(Path("a.ini")); }),
              base::kErrFileAlreadyExists);
    const std::string deep = Path("x") + settings::kPathSeparator + "y";
    EXPECT_EQ(ErrorNumberOf([&] { files_->CreateFolder(deep); }), base::kErrPathNotFound);
}

TEST_F(FileSystemTest, NamesAreUtf8) {
    const std::string name = "B\u00FCro \u20AC \u4E2D.ini";
    auto stream = files_->CreateTextFile(Path(name));
    stream->WriteLine("x");
    stream->Close();
    EXPECT_TRUE(IsFile(Path(name)));
    EXPECT_EQ(Get(name), "x\r\n");
}

TEST_F(FileSystemTest, WildcardDeleteRemovesOnlyMatchingFiles) {
    files_->CreateFolder(Path("icons"));
    for (const char* name : {"a.ico", "B.ICO", "a.icon", "c.txt", "ico"}) {
        Put(std::string("icons") + settings::kPathSeparator + name, "i");
    }
    files_->CreateFolder(Path("icons") + settings::kPathSeparator + "d.ico");
    const std::string folder = Path("icons") + settings::kPathSeparator;
    files_->DeleteFiles(folder + "*.ico", false);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(PathOf(folder))) {
        left.push_back(Utf8(entry.path().filename()));
    }
    std::sort(left.begin(), left.end());
    EXPECT_THAT(left, ElementsAre("a.icon", "c.txt", "d.ico", "ico"));
    EXPECT_EQ(ErrorNumberOf([&] { files_->DeleteFiles(folder + "*.ico", false); }),
              base::kErrFileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { files_->DeleteFiles(folder + "none.txt", false); }),
              base::kErrFileNotFound);
    files_->DeleteFiles(folder + "?.TXT", false);
    EXPECT_FALSE(IsFile(folder + "c.txt"));
}

TEST_F(FileSystemTest, ReadOnlyFilesNeedForce) {
    for (const char* name : {"1.ico", "2.ico", "3.ico"}) {
        Put(name, "i");
    }
    MakeReadOnly("2.ico");
    EXPECT_EQ(ErrorNumberOf([&] { files_->DeleteFiles(Path("*.ico"), false); }),
              base::kErrPermissionDenied);
    EXPECT_FALSE(IsFile(Path("1.ico")));
    EXPECT_TRUE(IsFile(Path("2.ico")));
    EXPECT_TRUE(IsFile(Path("3.ico")));  // the first refusal stops the deletion
    EXPECT_EQ(ErrorNumberOf([&] { files_->DeleteFiles(Path("2.ico"), false); }),
              base::kErrPermissionDenied);
    files_->DeleteFiles(Path("*.ico"), true);
    EXPECT_FALSE(IsFile(Path("2.ico")));
    EXPECT_FALSE(IsFile(Path("3.ico")));
}

TEST_F(FileSystemTest, CopyFileReplacesTheTarget) {
    Put("source.ico", std::string("new\0icon", 8));
    Put("target.ico", "an older and longer icon");
    files_->CopyFileOver(Path("source.ico"), Path("target.ico"));
    EXPECT_EQ(Get("target.ico"), std::string("new\0icon", 8));

    Put("locked.ico", "old");
    MakeReadOnly("locked.ico");
    EXPECT_EQ(ErrorNumberOf([&] { files_->CopyFileOver(Path("source.ico"), Path("locked.ico")); }),
              base::kErrPermissionDenied);
    EXPECT_EQ(Get("locked.ico"), "old");
    EXPECT_EQ(ErrorNumberOf([&] { files_->CopyFileOver(Path("none.ico"), Path("copy.ico")); }),
              base::kErrFileNotFound);
    EXPECT_FALSE(IsFile(Path("copy.ico")));
    EXPECT_EQ(ErrorNumberOf([&] { files_->CopyFileOver(Path("source.ico"), Path("source.ico")); }),
              base::kErrPermissionDenied);
    EXPECT_EQ(Get("source.ico"), std::string("new\0icon", 8));
}

TEST_F(FileSystemTest, MoveFileReplacesTheTargetButNoReadOnlyFileOrFolder) {
    Put("stage.ico", "new");
    Put("target.ico", "an older and longer icon");
    files_->MoveFileOver(Path("stage.ico"), Path("target.ico"));
    EXPECT_EQ(Get("target.ico") + Get("stage.ico"), "new(missing)");

    Put("locked.ico", "old");
    MakeReadOnly("locked.ico");
    files_->CreateFolder(Path("folder.ico"));
    for (const char* target : {"locked.ico", "folder.ico"}) {
        EXPECT_EQ(ErrorNumberOf([&] { files_->MoveFileOver(Path("target.ico"), Path(target)); }),
                  base::kErrPermissionDenied)
            << target;
    }
    EXPECT_EQ(Get("locked.ico") + Get("target.ico"), "oldnew");
    EXPECT_EQ(ErrorNumberOf([&] { files_->MoveFileOver(Path("none.ico"), Path("x.ico")); }),
              base::kErrFileNotFound);
}

TEST_F(FileSystemTest, FindFilesListsMatchingFilesInNameOrderWithTheirReadOnlyFlag) {
    for (const char* name : {"b.ico", "A.ICO", "c.icon", "d.txt"}) {
        Put(name, "i");
    }
    MakeReadOnly("b.ico");
    files_->CreateFolder(Path("e.ico"));
    const auto found = files_->FindFiles(Path("*.ico"));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name + found[1].name, "A.ICOb.ico");
    EXPECT_FALSE(found[0].readOnly);
    EXPECT_TRUE(found[1].readOnly);

    EXPECT_EQ(files_->FindFiles(Path("d.txt")).size(), 1u);
    EXPECT_TRUE(files_->FindFiles(Path("none.txt")).empty());
    EXPECT_TRUE(files_->FindFiles(Path("e.ico")).empty()) << "a folder is no file";
    const std::string missing = Path("no folder") + settings::kPathSeparator + "*.ico";
    EXPECT_EQ(ErrorNumberOf([&] { files_->FindFiles(missing); }), base::kErrPathNotFound);
}

TEST_F(FileSystemTest, TempFolderAndCurrentDirectoryAreExistingFolders) {
    const std::string temp = files_->GetTempFolder();
    EXPECT_TRUE(files_->FolderExists(temp)) << temp;
    EXPECT_NE(temp.back(), settings::kPathSeparator);
    EXPECT_EQ(PathOf(files_->CurrentDirectory()), fs::current_path());
}

}  // namespace
