// The clone dialog: every application published on the source server is published on each
// configured server as well.
#pragma once

#include <string>

#include "forms/ServerChooser.h"

namespace forms {

class Program;

class frmClone : public ServerChooser {
  public:
    explicit frmClone(Program& program);

    ui::Label lblSrcServer;  // "Source Server:"
    ui::Label srcServer;     // the source server's name, set by the opener
    ui::Button btnClone;

    void btnClone_Click();

  protected:
    std::string DialogCaption() const override { return "Clone Server"; }
    std::string HintText() const override;
    ui::Button& ActionButton() override { return btnClone; }
    std::string ActionCaption() const override { return "C&lone"; }
    void ActionClick() override { btnClone_Click(); }
    void CreateOwnControls() override;
};

}  // namespace forms
