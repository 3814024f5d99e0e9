// The import preview as text to read: what is certain and what only probable first, then the
// result, the servers the farm lacks, each application, the folders, the farm settings, the
// accounts, and every line passed over or stopping the import. Lines end in CR LF.
#pragma once

#include <string>

#include "preview/import_preview.h"
#include "shared/server_mapping.h"

namespace preview {

// `mapping`: the one the preview ran with, shown beside each missing server (may be null).
std::string ReportText(const ImportPreview& preview, const shared::ServerMapping* mapping);

// The short words the report and the window use.
std::string OutcomeText(Outcome outcome);
std::string CertaintyText(Certainty certainty);

}  // namespace preview
