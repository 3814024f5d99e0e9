// mfreg.exe run as the logon dialog runs it: a new process, its whole command line as
// given, the workstation's Farm value read back after each run.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "contract/contract_support.h"
#include "lab/os_file.h"
#include "mfcom/com_support.h"
#include "win/text.h"

namespace {

class Mfreg : public ::testing::Test {
  protected:
    void SetUp() override {
        exe_ = comtest::BuildFolder() / "src" / "lab" / "mfreg" / "mfreg.exe";
        ASSERT_TRUE(std::filesystem::exists(exe_)) << "not built: " << exe_.string();
        root_ = contract::UniqueTempFolder("zelt-mfreg");
        setting_ = std::make_unique<comtest::ScopedLabSetting>(root_, "Before");
        lab::FarmStore store(root_);
        store.SetDurable(false);
        store.Write(contract::ContractFarm());
        lab::FarmModel spaced;
        spaced.name = "Spaced Farm";
        spaced.servers = {{"My Server", "Z", 5, 2}, {"Srv \"Q\" 1", "Z", 5, 2}};
        store.Write(spaced);
    }
    void TearDown() override {
        setting_.reset();
        lab::os::RemoveTree(root_);
    }

    // Runs mfreg with the command line "<program> <arguments>" and returns its exit code.
    DWORD Run(const std::wstring& arguments, const std::wstring& program = L"") {
        return comtest::RunProcess(exe_,
                                   (program.empty() ? L"\"" + exe_.wstring() + L"\"" : program) +
                                       (arguments.empty() ? L"" : L" " + arguments));
    }

    std::filesystem::path exe_;
    std::filesystem::path root_;
    std::unique_ptr<comtest::ScopedLabSetting> setting_;
};

TEST_F(Mfreg, PointsTheWorkstationAtTheFarmOfAServer) {
    const std::string contractFarm = contract::ContractFarm().name;
    const struct {
        const wchar_t* arguments;
        const wchar_t* program;  // empty: the quoted full path
        DWORD exitCode;
        std::string farm;
    } cases[] = {
        {L"CF-SRV02", L"", 0, contractFarm},
        {L"cf-srv03", L"", 0, contractFarm},
        {L"My Server", L"", 0, "Spaced Farm"},
        {L"\"My Server\"", L"", 0, "Spaced Farm"},
        {L"Srv \"Q\" 1", L"", 0, "Spaced Farm"},
        {L"NO-SUCH-SERVER", L"", 1, ""},
        {L"CF-SRV01 & del *.*", L"", 1, ""},
        // The logon dialog's form: "<cwd>\mfreg.exe NAME", blanks in the folder unquoted.
        {L"CF-SRV01", L"C:\\Some Folder\\mfreg.exe", 0, contractFarm},
        {L"/uCF-SRV01", L"C:\\Some Folder\\mfreg.exe", 0, ""},
        {L"/uNO-SUCH-SERVER", L"", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(win::Narrow(c.arguments));
        labcom::WriteSetting(labcom::kFarmValue, "Before");
        EXPECT_EQ(Run(c.arguments, c.program), c.exitCode);
        EXPECT_EQ(labcom::ReadSetting(labcom::kFarmValue), std::optional<std::string>(c.farm));
    }
}

TEST_F(Mfreg, BadArgumentsLeaveTheSettingAlone) {
    for (const wchar_t* arguments : {L"", L"\"\""}) {
        SCOPED_TRACE(win::Narrow(arguments));
        EXPECT_EQ(Run(arguments), 1u);
        EXPECT_EQ(labcom::ReadSetting(labcom::kFarmValue), std::optional<std::string>("Before"));
    }
}

}  // namespace
