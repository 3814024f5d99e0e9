// The comparison from the farm view's Tools menu: what differs between a farm file and the
// farm in a read-only text, the count first, then the differences grouped per application
// with the farm's settings first. "&Copy" puts the whole text on the clipboard.
#pragma once

#include <string>

#include "compare/comparison.h"
#include "forms/ui/controls.h"
#include "forms/ui/form.h"

namespace forms {

class Program;

// The count line over the groups: "3 differences between FILE and the farm", or
// "No differences"; lines end with CR LF.
std::string ComparisonText(const compare::Comparison& comparison, const std::string& fileName);

class frmCompare : public ui::Form {
  public:
    frmCompare(Program& program, std::string fileName, compare::Comparison comparison);

    ui::ReportText txtReport;
    ui::Button cmdCopy;
    ui::Button cmdClose;

    void cmdCopy_Click();
    void cmdClose_Click();

  protected:
    ui::FormStyle Style() const override;
    void CreateControls() override;
    void Form_Load() override;

  private:
    std::string fileName_;
    compare::Comparison comparison_;
};

}  // namespace forms
