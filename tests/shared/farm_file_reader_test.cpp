// The farm file's reader: line numbers from 1, section headers and the section each line
// belongs to, key lines split at the first "=", and the server mapping applied to the Server
// lines of [Servers] sections only, one [Application] block at a time.
#include "shared/farm_file_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "base/error.h"
#include "settings/file_system.h"
#include "support/error_of.h"

namespace {

using settings::Header;
using shared::LineMapping;

// Lines from memory; reading line `failAt` fails as a disk would.
class MemoryStream : public settings::TextStream {
  public:
    MemoryStream(std::vector<std::string> lines, size_t failAt, bool& closed)
        : lines_(std::move(lines)), failAt_(failAt), closed_(closed) {}
    void WriteLine(std::string_view) override {}
    void WriteLine() override {}
    std::string ReadLine() override {
        if (++read_ == failAt_) {
            throw base::Error(base::kErrDiskFull, "injected");
        }
        return lines_.at(read_ - 1);
    }
    bool AtEndOfStream() override { return read_ >= lines_.size(); }
    void Close() override { closed_ = true; }

  private:
    std::vector<std::string> lines_;
    size_t read_ = 0;
    size_t failAt_;
    bool& closed_;
};

struct Read {
    std::vector<shared::FarmFileLine> lines;
    bool closed = false;
};

Read ReadAll(const std::vector<std::string>& lines, const shared::ServerMapping* mapping) {
    Read read;
    shared::FarmFileReader reader(std::make_unique<MemoryStream>(lines, 0, read.closed), mapping);
    while (std::optional<shared::FarmFileLine> line = reader.Next()) {
        read.lines.push_back(std::move(*line));
    }
    EXPECT_EQ(reader.LineNumber(), static_cast<int64_t>(lines.size()));
    EXPECT_FALSE(reader.Next());
    reader.Close();
    return read;
}

// (header, section, key or "-" for none, value)
using Shape = std::tuple<Header, Header, std::string, std::string>;

Shape ShapeOf(const shared::FarmFileLine& line) {
    return {line.header, line.section, line.key ? line.key->key : "-",
            line.key ? line.key->value : ""};
}

TEST(FarmFileReader, FollowsSectionsAndSplitsKeyLines) {
    const std::vector<std::string> lines = {
        "Farmname=Early",         // before any header: [Farm]
        "[application]",          // headers match without regard to case
        "AppName= Spaced =",      // neither key nor value trimmed; the first "=" splits
        " [Servers]",             // no header, no key line
        "=value",                 // no key before the "="
        "",                       //
        "[SERVERS]",              //
        "Server=S1",              //
        "[Farm]",                 //
        "LicenseServerName=a=b",  //
        "[Icon]",                 //
        "Icon=C:\\x.ico",         //
        "[Users]",                //
        "User=2:1:LAB:ann",       //
        "[Groups]",               //
        "Group=2:1:LAB:staff",    //
    };
    const std::vector<Shape> expected = {
        {Header::None, Header::Farm, "Farmname", "Early"},
        {Header::Application, Header::Application, "-", ""},
        {Header::None, Header::Application, "AppName", " Spaced ="},
        {Header::None, Header::Application, "-", ""},
        {Header::None, Header::Application, "-", ""},
        {Header::None, Header::Application, "-", ""},
        {Header::Servers, Header::Servers, "-", ""},
        {Header::None, Header::Servers, "Server", "S1"},
        {Header::Farm, Header::Farm, "-", ""},
        {Header::None, Header::Farm, "LicenseServerName", "a=b"},
        {Header::Icon, Header::Icon, "-", ""},
        {Header::None, Header::Icon, "Icon", "C:\\x.ico"},
        {Header::Users, Header::Users, "-", ""},
        {Header::None, Header::Users, "User", "2:1:LAB:ann"},
        {Header::Groups, Header::Groups, "-", ""},
        {Header::None, Header::Groups, "Group", "2:1:LAB:staff"},
    };
    const Read read = ReadAll(lines, nullptr);
    ASSERT_EQ(read.lines.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const shared::FarmFileLine& line = read.lines[i];
        EXPECT_EQ(line.number, static_cast<int64_t>(i + 1));
        EXPECT_EQ(line.text, lines[i]);
        EXPECT_EQ(ShapeOf(line), expected[i]) << lines[i];
        EXPECT_EQ(line.mapping, LineMapping::Unchanged);
        EXPECT_FALSE(line.mapped);
    }
    EXPECT_TRUE(read.closed);
}

// (mapping, key value or "-" when the line reads as empty, mapped line or "-")
using Mapped = std::tuple<LineMapping, std::string, std::string>;

TEST(FarmFileReader, MapsServerLinesOfServersSectionsBlockByBlock) {
    const std::vector<std::string> lines = {
        "[Servers]",      // before any block
        "Server=old-a",   // -> S1
        "[Application]",  //
        "Server=OLD-A",   // not in [Servers]
        "[Servers]",      //
        "Server=Old-A",   // -> S1
        "Server=GONE",    // left out
        "Server=S1",      // bound through the mapping already: merged
        "Server=OLD-B",   // -> S1: merged
        "Server=S3",      // not mapped
        "Server=s3",      // the file binds it twice itself: for the farm to refuse
        "Servers=OLD-A",  // another key
        "[Users]",        //
        "Server=OLD-A",   // not in [Servers]
        "[Servers]",      // the same block goes on
        "Server=OLD-B",   // -> S1: merged
        "[Application]",  // a new block binds nothing yet
        "[Servers]",      //
        "Server=S1",      // not mapped, first
        "Server=OLD-A",   // -> S1 after S1 from the file itself: merged
    };
    shared::ServerMapping mapping;
    mapping.MapTo("OLD-A", "S1");
    mapping.MapTo("old-b", "S1");
    mapping.LeaveOut("Gone");
    mapping.MapTo("ELSEWHERE", "S3");

    const std::vector<Mapped> expected = {
        {LineMapping::Unchanged, "-", "-"},      {LineMapping::Mapped, "S1", "Server=S1"},
        {LineMapping::Unchanged, "-", "-"},      {LineMapping::Unchanged, "OLD-A", "-"},
        {LineMapping::Unchanged, "-", "-"},      {LineMapping::Mapped, "S1", "Server=S1"},
        {LineMapping::LeftOut, "-", "-"},        {LineMapping::Merged, "-", "-"},
        {LineMapping::Merged, "-", "Server=S1"}, {LineMapping::Unchanged, "S3", "-"},
        {LineMapping::Unchanged, "s3", "-"},     {LineMapping::Unchanged, "OLD-A", "-"},
        {LineMapping::Unchanged, "-", "-"},      {LineMapping::Unchanged, "OLD-A", "-"},
        {LineMapping::Unchanged, "-", "-"},      {LineMapping::Merged, "-", "Server=S1"},
        {LineMapping::Unchanged, "-", "-"},      {LineMapping::Unchanged, "-", "-"},
        {LineMapping::Unchanged, "S1", "-"},     {LineMapping::Merged, "-", "Server=S1"},
    };
    const Read read = ReadAll(lines, &mapping);
    ASSERT_EQ(read.lines.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const shared::FarmFileLine& line = read.lines[i];
        EXPECT_EQ(line.text, lines[i]) << "the file's own line is kept";
        const Mapped got{line.mapping, line.key ? line.key->value : "-", line.mapped.value_or("-")};
        EXPECT_EQ(got, expected[i]) << "line " << i + 1 << ": " << lines[i];
    }
    // Without the mapping the same lines read as the file has them.
    for (const shared::FarmFileLine& line : ReadAll(lines, nullptr).lines) {
        EXPECT_EQ(line.mapping, LineMapping::Unchanged);
        EXPECT_EQ(line.key.has_value(), line.header == Header::None) << line.text;
    }
}

TEST(FarmFileReader, AFailedReadCountsTheLineItWasReading) {
    bool closed = false;
    shared::FarmFileReader reader(std::make_unique<MemoryStream>(
        std::vector<std::string>{"[Farm]", "A=1", "B=2"}, 3, closed));
    ASSERT_TRUE(reader.Next());
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(testing_support::ErrorNumberOf([&] { reader.Next(); }), base::kErrDiskFull);
    EXPECT_EQ(reader.LineNumber(), 3);
}

}  // namespace
