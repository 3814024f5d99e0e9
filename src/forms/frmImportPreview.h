// The import preview from the farm view's Tools menu: what importing a farm file would do to
// the farm, found without changing it, and a mapping for the servers the file names that the
// farm lacks. "&Preview" runs it again with the mapping chosen; "&Import" closes the window
// and imports the file with that mapping, as Import Farm does.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/ui/controls.h"
#include "forms/ui/form.h"
#include "preview/import_preview.h"
#include "shared/server_mapping.h"

namespace forms {

class Program;

class frmImportPreview : public ui::Form {
  public:
    // Missing servers shown at a time, one drop-down each; more are paged.
    static constexpr int kServerRows = 8;
    // A drop-down's item data: a server of the farm by its index, or one of these.
    static constexpr int32_t kNotMapped = -2;
    static constexpr int32_t kLeftOut = -1;

    frmImportPreview(Program& program, std::string fileName);

    ui::Label lblFile;
    ui::ReportText txtReport;
    ui::Label lblMapping;
    std::array<ui::Label, kServerRows> lblServer;
    std::array<ui::ComboBox, kServerRows> cboServer;
    ui::Button cmdPrevious;
    ui::Label lblPage;
    ui::Button cmdNext;
    ui::Button cmdPreview;
    ui::Button cmdImport;
    ui::Button cmdClose;

    void cboServer_Click(int row);
    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdPreview_Click();
    void cmdImport_Click();
    void cmdClose_Click();

    // The preview shown now.
    const preview::ImportPreview& Shown() const { return preview_; }
    // The mapping the drop-downs make.
    shared::ServerMapping Mapping() const;

  protected:
    ui::FormStyle Style() const override;
    void CreateControls() override;
    void Form_Load() override;

  private:
    void RunPreview(const shared::ServerMapping* mapping);
    void ShowPage();

    Program& program_;
    std::string fileName_;
    preview::ImportPreview preview_;
    std::vector<int32_t> choices_;  // per missing server
    size_t page_ = 0;
};

}  // namespace forms
