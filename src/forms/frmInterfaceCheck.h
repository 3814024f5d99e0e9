// The farm interface check from the Help menu: runs the check and shows its report in a
// read-only text whose lines can be selected and copied.
#pragma once

#include "forms/ui/controls.h"
#include "forms/ui/form.h"

namespace forms {

class Program;

class frmInterfaceCheck : public ui::Form {
  public:
    explicit frmInterfaceCheck(Program& program);

    ui::ReportText txtReport;
    ui::Button cmdClose;

    void cmdClose_Click();

  protected:
    ui::FormStyle Style() const override;
    void CreateControls() override;
    void Form_Load() override;

  private:
    Program& program_;
};

}  // namespace forms
