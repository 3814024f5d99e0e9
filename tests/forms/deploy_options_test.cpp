// The options dialog: its defaults, the size boxes, what "&Set" writes, the texts it
// refuses, and a run that a farm failure ends.
#include "deploy_support.h"

#include "forms/frmAppOptions.h"

namespace deploy_test {
namespace {

// DefaultWindowType, Color, Encryption, SoundType, Scale, Height, Width as written.
using Written = std::vector<int32_t>;
const Written kUntouched(7, -5);

class OptionsTest : public DeployFormsTest {
  public:
    Written WrittenTo(const std::string& dn) {
        Written values;
        for (const auto& app : store->Read(kFarm).applications) {
            for (const char* key : {"DefaultWindowType", "DefaultWindowColor", "DefaultEncryption",
                                    "DefaultSoundType", "DefaultWindowScale", "DefaultWindowHeight",
                                    "DefaultWindowWidth"}) {
                if (app.DistinguishedName() == dn) {
                    values.push_back(farm::AsNumber(app.keys.at(key)));
                }
            }
        }
        return values;
    }
    // Picks an entry as the user does: the selection changes and the list tells its form.
    static void Choose(ui::ComboBox& list, int16_t index) {
        list.SetListIndex(index);
        SendMessageW(GetParent(list.Handle()), WM_COMMAND, MAKEWPARAM(list.Id(), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list.Handle()));
    }
    void OpenOptions(const Strings& apps,
                     const std::function<void(forms::frmAppOptions&)>& script) {
        forms::frmAppOptions dialog(*program);
        dialog.Load();
        for (const auto& dn : apps) {
            dialog.lstApps.AddItem(dn);
        }
        boxes.whileShown = [&] { barWhileShown.push_back(dialog.pbStatus.Value()); };
        Open<forms::frmAppOptions>(dialog, script);
        boxes.whileShown = nullptr;
    }
    std::vector<float> barWhileShown;
};

TEST_F(OptionsTest, ChosenValuesAndAllThreeTextsAreWrittenIntoEveryApplication) {
    struct Case {
        std::vector<int16_t> choices;  // size, colour, encryption, audio; none: the defaults
        Strings texts;                 // width, height, percent typed under "Custom..."
        bool widthShown, percentShown;
        Written expected;
    };
    const Case cases[] = {
        {{}, {}, false, false, {1, 2, 1, 2, 90, 480, 640}},
        // A width typed under "Custom..." still counts after "800x600" is chosen.
        {{1, 0, 4, 1}, {"1000", "700", "90"}, false, false, {2, 1, 5, 1, 90, 700, 1000}},
        {{5, 3, 2, 0}, {"640", "480", "90.5"}, false, true, {6, 4, 3, 2, 90, 480, 640}},
        {{4, 2, 3, 1}, {" -12 ", "-32768", "91.5"}, true, false, {5, 3, 4, 1, 92, -32768, -12}},
        {{6, 1, 0, 0}, {"640", "480", "90"}, false, false, {7, 2, 1, 2, 90, 480, 640}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected[0]);
        store->Write(MakeFarm());
        boxes.shown.clear();
        barWhileShown.clear();
        OpenOptions({"Applications/Calc", "Applications/Mail", "Applications/Zip"},
                    [&](forms::frmAppOptions& d) {
                        if (!c.choices.empty()) {
                            Choose(d.WindowSizeList, 4);
                            d.txtWidth.SetText(c.texts[0]);
                            d.txtHeight.SetText(c.texts[1]);
                            d.txtPercent.SetText(c.texts[2]);
                            Choose(d.WindowSizeList, c.choices[0]);
                            Choose(d.WindowColorList, c.choices[1]);
                            Choose(d.EncryptionList, c.choices[2]);
                            Choose(d.AudioList, c.choices[3]);
                        }
                        EXPECT_EQ(d.txtWidth.Visible() && d.lblWidth.Visible() &&
                                      d.txtHeight.Visible() && d.lblHeight.Visible(),
                                  c.widthShown);
                        EXPECT_EQ(d.txtPercent.Visible() && d.lblPercent.Visible(), c.percentShown);
                        d.btnSetOptions.Click();
                        EXPECT_FALSE(d.pbStatus.Visible() || desktop.IsBusy());
                        EXPECT_EQ(d.pbStatus.Value(), 0.0f);
                    });
        for (const char* dn : {"Applications/Calc", "Applications/Mail", "Applications/Zip"}) {
            EXPECT_EQ(WrittenTo(dn), c.expected) << dn;
        }
        EXPECT_EQ(WrittenTo("Applications/Paint"), kUntouched);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "Changed  3 applications");
        EXPECT_EQ(boxes.shown[0].title, "Finished");
        EXPECT_EQ(boxes.shown[0].icon, shared::MessageIcon::Information);
        EXPECT_NEAR(barWhileShown.at(0), 99.0, 1e-4);  // still shown under the message
    }
}

TEST_F(OptionsTest, TextsThatAreNoSixteenBitNumberAreRefusedBeforeAnythingIsWritten) {
    for (const Strings& texts :
         {Strings{"", "480", "90", "width"}, Strings{"640", "abc", "90", "height"},
          Strings{"640", "480", "32767.5", "percent"}, Strings{"640", "-32769", "90", "height"}}) {
        boxes.shown.clear();
        OpenOptions({"Applications/Calc"}, [&](forms::frmAppOptions& d) {
            d.txtWidth.SetText(texts[0]);
            d.txtHeight.SetText(texts[1]);
            d.txtPercent.SetText(texts[2]);
            faults->ResetCount();
            d.btnSetOptions.Click();
            EXPECT_EQ(faults->CallCount(), 0);
            EXPECT_FALSE(d.pbStatus.Visible() || desktop.IsBusy());
        });
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].icon, shared::MessageIcon::Information);
        EXPECT_NE(boxes.shown[0].text.find(texts[3]), std::string::npos) << boxes.shown[0].text;
    }
}

TEST_F(OptionsTest, AFailingApplicationEndsTheRunAndARefusedSaveDoesNot) {
    OpenOptions({"Applications/Calc", "Applications/Gone", "Applications/Zip"},
                [&](forms::frmAppOptions& d) {
                    d.btnSetOptions.Click();
                    EXPECT_FALSE(d.pbStatus.Visible() || desktop.IsBusy());
                });
    EXPECT_EQ(WrittenTo("Applications/Calc")[6], 640);
    EXPECT_EQ(WrittenTo("Applications/Zip"), kUntouched);
    faults->FailOperation("WinApp.SaveData", -2147467259, "Refused by the test");
    OpenOptions({"Applications/Mail"}, [&](forms::frmAppOptions& d) { d.btnSetOptions.Click(); });
    EXPECT_EQ(WrittenTo("Applications/Mail"), kUntouched);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].title, "Error");
    EXPECT_EQ(boxes.shown[1].text,
              "Changed  1 applications\r\n\r\nThe farm refused 1 of 1 application:\r\n"
              "Applications/Mail\r\n     Error -2147467259: Refused by the test");
    EXPECT_EQ(boxes.shown[1].icon, shared::MessageIcon::Warning);
}

}  // namespace
}  // namespace deploy_test
