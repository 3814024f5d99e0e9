// The publish dialog: the applications handed over by the main window are published on
// each configured server.
#pragma once

#include <string>

#include "forms/ServerChooser.h"

namespace forms {

class Program;

class frmPublish : public ServerChooser {
  public:
    explicit frmPublish(Program& program);

    // The distinguished names to publish, in the order handed over; held, not shown.
    ui::ListBox lstApps;
    ui::Button btnPublish;

    void btnPublish_Click();

  protected:
    std::string DialogCaption() const override { return "Publish to Server"; }
    std::string HintText() const override;
    ui::Button& ActionButton() override { return btnPublish; }
    std::string ActionCaption() const override { return "&Publish"; }
    void ActionClick() override { btnPublish_Click(); }
    void CreateOwnControls() override;
};

}  // namespace forms
