// How the farm import reads a farm file: sections, keys, values, and what it stores where.
#include <gtest/gtest.h>

#include <functional>

#include "files_fixture.h"
#include "lab/rules.h"
#include "shared/farm_file.h"

namespace files_test {
namespace {

using Feedback = testing_support::RecordingFeedback;
using Probe = std::function<std::string(const lab::FarmModel&, const Feedback&)>;

// The target: the small farm's settings, a root-level Word and Calc in Office.
lab::FarmModel Target() {
    lab::FarmModel model = SmallFarm("FileTarget");
    model.applications = {App("Applications", "Word", 2), App("Applications/Office", "Calc", 5)};
    return model;
}

// Settings by key, application values as "dn:key" ("Description", "Users" or a view key),
// joined by ","; "-" for an application that is not there.
Probe Values(std::vector<std::string> names) {
    return [names](const lab::FarmModel& m, const Feedback&) {
        std::string text;
        for (const std::string& name : names) {
            const size_t colon = name.find(':');
            std::string value = "-";
            if (colon == std::string::npos) {
                value = farm::AsText(m.settings.at(name));
            }
            for (const auto& app : m.applications) {
                if (colon == std::string::npos ||
                    app.DistinguishedName() != name.substr(0, colon)) {
                    continue;
                }
                const std::string key = name.substr(colon + 1);
                value = key == "Description" ? app.description : key == "Users" ? "" : "?";
                for (const auto& u : app.users) {
                    value += std::to_string(u.aaType) + std::to_string(u.accountType) + u.aaName +
                             u.accountName;
                }
                if (app.keys.contains(key)) {
                    value = farm::AsText(app.keys.at(key));
                }
            }
            text += (text.empty() ? "" : ",") + value;
        }
        return text;
    };
}

struct Case {
    std::string text;  // lines end in "\n"; written with CR LF
    Probe probe;       // none: the farm must be unchanged
    std::string expected;
    size_t messages = 0;
};

class FarmImportTest : public FilesTest {
  protected:
    FarmImportTest() { Write("icon.ico", lab::MakeIcon(7)); }

    std::string Block(const std::string& name, const std::string& keys = "",
                      const std::string& folder = "Applications") const {
        return "[Application]\nAppName=" + name + "\nParentFolderDN=" + folder + "\n" + keys +
               "[Icon]\nIcon=" + PathOf("icon.ico") + "\n";
    }

    void Check(const Case& c) {
        SCOPED_TRACE(c.text);
        store_->Write(Target());
        std::string text;
        for (char ch : c.text) {
            text += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        }
        Write("farm.ini", text);
        auto session = Open("FileTarget");
        testing_support::Shown(session->shared,
                               shared::ImportFarm(session->shared, PathOf("farm.ini")));
        EXPECT_EQ(session->feedback.messages.size(), c.messages);
        EXPECT_EQ(log_.opened, log_.closed);
        const lab::FarmModel after = store_->Read("FileTarget");
        if (c.probe) {
            EXPECT_EQ(c.probe(after, session->feedback), c.expected);
        } else {
            EXPECT_EQ(after, Target());
        }
    }
};

TEST_F(FarmImportTest, ReadsHeadersKeysAndValuesLineByLine) {
    const std::string New = "Applications/New:";
    const Probe status = [](const lab::FarmModel&, const Feedback& f) {
        return f.statusHistory.size() == 3 ? f.statusHistory[1] + "|" + f.statusHistory[2] : "?";
    };
    const Case cases[] = {
        {"\n\n\n", {}, ""},
        {"MaxConnectionsPerUser=77\n[application]\n[farm]\nLogOverLimitDenials=78\n",
         Values({"MaxConnectionsPerUser", "LogOverLimitDenials"}), "77,78"},
        {"[Application]\n [FARM]\nMaxConnectionsPerUser=79\n", {}, ""},
        {"MaxConnectionsPerUser=abc\nMaxConnectionsPerUser =5\n=5\nLogOverLimitDenials=55\n",
         Values({"MaxConnectionsPerUser", "LogOverLimitDenials"}), "1,55", 1},
        {"ICAVideoBufferSize=0.5\nEnableACR=0.00048828125\nPNEnumMode=-2.5\n",
         Values({"ICAVideoBufferSize", "EnableACR", "PNEnumMode"}), "512,0,-2"},
        {"ICAVideoBufferSize=-0.00146484375\n", Values({"ICAVideoBufferSize"}), "-2"},
        {"ICAVideoBufferSize=2097152\n", Values({"ICAVideoBufferSize"}), "1536", 1},
        {"Farmname=Other\n" + Block("New", "HideDisabledApp=5\nCPUPriority=5\ndescription=x\n"),
         Values({New + "HideDisabledApp", New + "CPUPriority", New + "Description"}), "0,0,"},
        {Block("New", "Description=a=b\n"), Values({New + "Description"}), "a=b"},
        {Block("New", "InstanceLimit=abc\n") + Block("Next"), Values({New + "Description"}), "-",
         1},
        {Block("New", "DefaultInitProg=PublishedDesktop\nPNAttributes=1\n") +
             Block("Two", "DefaultInitProg=PublishedDesktop\n") +
             Block("Three", "DefaultInitProg=  x.exe /a  \n"),
         Values({New + "PNAttributes", "Applications/Two:PNAttributes",
                 "Applications/Three:DefaultInitProg"}),
         "1,8,x.exe /a"},
        // AccountType:AAType:AAName:name, created (authority type, name, account type, name).
        {Block("New", "[Users]\nUser=2:1:LAB:ann\n"), Values({New + "Users"}), "12LABann"},
        {Block("New", "[Users]\nUser=2:1:LAB\n"), {}, "", 1},
        // The numbers the other way round: authority type 2 does not exist.
        {Block("New", "[Users]\nUser=1:2:LAB:ann\n"), {}, "", 1},
        {"[Application]\nAppName=Word\nDescription=x\n", {}, ""},
        {"[Servers]\nServer=S1\n", {}, "", 1},
        {" " + Block("New"), {}, "", 1},
        {"[application]\nAppName=New\n[icon]\nIcon=" + PathOf("icon.ico") + "\n",
         Values({New + "Description"}), ""},
        {Block("New", "", "Applications/A/B"), Values({"Applications/A/B/New:Description"}), ""},
        {Block("Word", "Description=new\n") + Block("Calc", "Description=new\n") +
             Block("Word", "Description=sub\n", "Applications/Office"),
         Values({"Applications/Word:Description", "Applications/Office/Calc:Description",
                 "Applications/Calc:Description", "Applications/Office/Word:Description"}),
         "new,About Calc,new,sub"},
        {Block("Twin", "Description=1\n") + Block("Twin", "Description=2\n"),
         Values({"Applications/Twin:Description"}), "2"},
        {Block("a/b") + Block("Next"), Values({"Applications/Next:Description"}), "-", 1},
        {Block("New", "DistinguishedName=Applications/Office/X\nDistinguishedName=Applications/\n"),
         status, "Office/X|"},
    };
    for (const Case& c : cases) {
        Check(c);
    }
}

// The outcome holds the settings assigned, the applications stored with their bindings, and
// the lines passed over with their numbers.
TEST_F(FarmImportTest, OutcomeListsWhatChangedAndWhatWasPassedOver) {
    store_->Write(Target());
    Write("farm.ini",
          "[Farm]\r\nMaxConnectionsPerUser=5\r\nICAKeepAliveTime=soon\r\n"
          "[Application]\r\nAppName=New\r\nParentFolderDN=Applications\r\n"
          "[Servers]\r\nServer=S2\r\n[Icon]\r\nIcon=" +
              PathOf("icon.ico") + "\r\n");
    auto session = Open("FileTarget");
    const shared::Outcome outcome = shared::ImportFarm(session->shared, PathOf("farm.ini"));
    ASSERT_FALSE(outcome.failure.has_value()) << outcome.failure->error.description;
    using shared::ChangeKind;
    EXPECT_EQ(outcome.changes,
              (std::vector<shared::Change>{
                  shared::Change{
                      ChangeKind::FarmSetting, {}, {}, "MaxConnectionsPerUser", std::nullopt, "5"},
                  shared::Change{ChangeKind::ApplicationStored,
                                 "Applications/New",
                                 {},
                                 {},
                                 std::nullopt,
                                 std::nullopt},
                  shared::Change{ChangeKind::BindingAdded,
                                 "Applications/New",
                                 "S2",
                                 {},
                                 std::nullopt,
                                 std::nullopt}}));
    // The bad number, and the look-up of a namesake the root folder does not have.
    ASSERT_EQ(outcome.passedOver.size(), 2u);
    EXPECT_EQ(outcome.passedOver[1].where, shared::PassedOver::NoNamesake);
    EXPECT_EQ(outcome.passedOver[1].lineNumber, 10);
    EXPECT_EQ(outcome.passedOver[0].where, shared::PassedOver::FarmSetting);
    EXPECT_EQ(outcome.passedOver[0].setting, "ICAKeepAliveTime");
    EXPECT_EQ(outcome.passedOver[0].lineNumber, 3);
    EXPECT_EQ(outcome.passedOver[0].line, "ICAKeepAliveTime=soon");
    EXPECT_EQ(outcome.passedOver[0].reason.number, base::kErrTypeMismatch);
    EXPECT_EQ(store_->Read("FileTarget").applications.size(), 3u);
}

// What the farm is left without is told at the end, in one message: a farm setting it refused
// and a folder it would not create. A folder that was there already, an application without a
// namesake and the keys the import does not read are no loss, and leave the import silent.
TEST_F(FarmImportTest, WhatTheFarmIsLeftWithoutIsToldAtTheEndAndNothingElse) {
    const std::string quiet = "Farmname=Other\nMaxConnectionsPerUser=5\n" +
                              Block("Sheet", "", "Applications/Office") + Block("New");
    const std::string lossy = "MaxConnectionsPerUser=abc\n" + Block("New") +
                              "[Application]\nAppName=Late\nParentFolderDN=Applications/Later\n";
    for (const bool lost : {false, true}) {
        const std::string& text = lost ? lossy : quiet;
        store_->Write(Target());
        Write("farm.ini", text);
        faults_->Clear();
        if (lost) {
            faults_->FailOperation("Folder.AddSubFolder", -2147024891, "Access is denied.");
        }
        auto session = Open("FileTarget");
        const shared::Outcome outcome = testing_support::Shown(
            session->shared, shared::ImportFarm(session->shared, PathOf("farm.ini")));
        ASSERT_FALSE(outcome.failure.has_value());
        if (!lost) {
            EXPECT_TRUE(session->feedback.messages.empty()) << session->feedback.messages[0].text;
            continue;
        }
        ASSERT_EQ(session->feedback.messages.size(), 1u);
        const auto& message = session->feedback.messages[0];
        EXPECT_EQ(message.title, "Finished");
        EXPECT_EQ(message.icon, shared::MessageIcon::Warning);
        EXPECT_EQ(message.text,
                  "The import passed over 2 lines of the farm file:\r\n"
                  "Line 1: MaxConnectionsPerUser=abc\r\n     Error 13: Type mismatch\r\n"
                  "Line 9: ParentFolderDN=Applications/Later\r\n"
                  "     Error -2147024891: Access is denied.");
    }
}

// The numbers of an entry are the account type first, then the authority type: a file with
// them the other way round asks the farm for authority type 2, which no farm has.
TEST_F(FarmImportTest, AccountNumbersTheOtherWayRoundAreRefusedByTheFarm) {
    store_->Write(Target());
    Write("farm.ini",
          "[Application]\r\nAppName=New\r\n[Users]\r\nUser=1:2:LAB:ann\r\n[Icon]\r\n"
          "Icon=" +
              PathOf("icon.ico") + "\r\n");
    auto session = Open("FileTarget");
    const shared::Outcome outcome = testing_support::Shown(
        session->shared, shared::ImportFarm(session->shared, PathOf("farm.ini")));
    ASSERT_EQ(session->feedback.messages.size(), 1u);
    EXPECT_EQ(session->feedback.messages[0].title, "Error");
    ASSERT_TRUE(outcome.failure.has_value());
    const shared::ErrorInfo* error = &outcome.failure->error;
    EXPECT_EQ(session->feedback.messages[0].text,
              shared::UnexpectedErrorText(error->number, error->description));
    EXPECT_EQ(outcome.failure->lineNumber, 4);  // the User line
    EXPECT_EQ(error->number, lab::RuleNumber(lab::Rule::kUnknownAccountKind));
    EXPECT_EQ(error->description,
              "The authority type 2 (the first value of Initialize) is not an account authority "
              "type; the farm knows 1 (Windows NT domain or Active Directory).");
    EXPECT_EQ(store_->Read("FileTarget"), Target());
}

}  // namespace
}  // namespace files_test
