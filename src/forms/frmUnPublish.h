// The unpublish dialog: the applications handed over by the main window are taken off each
// configured server.
#pragma once

#include <string>

#include "forms/ServerChooser.h"

namespace forms {

class Program;

class frmUnPublish : public ServerChooser {
  public:
    explicit frmUnPublish(Program& program);

    // The distinguished names to unpublish, in the order handed over; held, not shown.
    ui::ListBox lstApps;
    ui::Button btnUnPublish;

    void btnUnPublish_Click();

  protected:
    std::string DialogCaption() const override { return "Unpublish from Server"; }
    std::string HintText() const override;
    ui::Button& ActionButton() override { return btnUnPublish; }
    std::string ActionCaption() const override { return "&Unpublish"; }
    void ActionClick() override { btnUnPublish_Click(); }
    void CreateOwnControls() override;
};

}  // namespace forms
