// The About box: the program's icon, title and version. Shown modally at start by the logon
// dialog and from the main window's Help menu.
#pragma once

#include "forms/ui/controls.h"
#include "forms/ui/form.h"

namespace forms {

class Program;

class frmAbout : public ui::Form {
  public:
    explicit frmAbout(Program& program);

    ui::IconBox picIcon;
    ui::Label lblTitle;
    ui::Label lblVersion;
    ui::EtchedLine Line1;
    ui::Button cmdOK;

    void cmdOK_Click();

  protected:
    ui::FormStyle Style() const override;
    void CreateControls() override;
    void Form_Load() override;

  private:
    Program& program_;
};

}  // namespace forms
