#include "preview/preview_report.h"

#include <algorithm>
#include <map>

namespace preview {

namespace {

constexpr const char* kEnd = "\r\n";

// Text padded with blanks to `width`.
std::string Padded(std::string text, size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

class Report {
  public:
    Report& Line(const std::string& text = {}) {
        text_ += text;
        text_ += kEnd;
        return *this;
    }
    Report& Heading(const std::string& title) {
        Line();
        Line(title);
        return Line(std::string(title.size(), '-'));
    }
    std::string Take() { return std::move(text_); }

  private:
    std::string text_;
};

std::string ErrorText(const shared::ErrorInfo& error) {
    if (error.number == 0) {
        return error.description;
    }
    return error.description + " (error " + std::to_string(error.number) + ")";
}

// The line as the file has it, with what the server mapping made of it beside.
std::string Quoted(const LineNote& note) {
    return note.mapped ? note.line + "  (mapped: " + *note.mapped + ")" : note.line;
}

std::string WhereText(const LineNote& note) {
    if (note.stops) {
        return "STOPS";
    }
    switch (note.where) {
        case shared::PassedOver::FarmSetting:
            return "setting kept";
        case shared::PassedOver::ApplicationSetting:
            return "not on this farm";
        case shared::PassedOver::Folder:
        case shared::PassedOver::FolderExisted:
            return "folder step";
        case shared::PassedOver::Namesake:
        case shared::PassedOver::NoNamesake:
            return "namesake step";
        case shared::PassedOver::NotRead:
            return "not read";
        case shared::PassedOver::ServerLeftOut:
            return "left out";
        case shared::PassedOver::ServerMerged:
            return "merged";
        case shared::PassedOver::Commit:
            return "refused";
        case shared::PassedOver::ChangedSince:
        case shared::PassedOver::FolderKept:
            return "kept";
    }
    return {};
}

std::string Plural(size_t count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

void WriteIntroduction(Report& report, const ImportPreview& preview) {
    report.Line("Import preview of " + preview.fileName);
    report.Line("into the farm " + preview.farmName +
                (preview.mapped ? ", with the server mapping chosen." : "."));
    report.Line("Nothing was changed: the import ran against a copy of this farm's");
    report.Line("servers, application names and farm settings.");
}

void WriteResult(Report& report, const ImportPreview& preview) {
    std::map<Outcome, size_t> counts;
    for (const ApplicationPreview& application : preview.applications) {
        ++counts[application.outcome];
    }
    report.Heading("Result");
    if (preview.stop) {
        const LineNote& stop = *preview.stop;
        report.Line("The import stops at line " + std::to_string(stop.lineNumber) + " (" +
                    CertaintyText(stop.certainty) + ") and reads no line after it:");
        report.Line("  " + Quoted(stop));
        report.Line("  " + ErrorText(stop.reason));
    } else {
        report.Line("The import reads the file to its end.");
    }
    report.Line("Applications in the file: " + std::to_string(preview.applications.size()));
    report.Line("  " + std::to_string(counts[Outcome::New]) + " new, " +
                std::to_string(counts[Outcome::Replaces]) + " replacing one of the farm, " +
                std::to_string(counts[Outcome::ReplacedInFile]) + " replaced later in the file,");
    report.Line("  " + std::to_string(counts[Outcome::Refused]) + " refused, " +
                std::to_string(counts[Outcome::NeverStored]) + " never stored, " +
                std::to_string(counts[Outcome::NotReached]) + " not reached.");
    report.Line("Servers this farm lacks: " + std::to_string(preview.missingServers.size()) +
                ". Folders created: " + std::to_string(preview.foldersCreated.size()) +
                ". Settings changed: " + std::to_string(preview.settingsChanged.size()) + ".");
}

void WriteCertainty(Report& report) {
    report.Heading("What is certain, and what only probable");
    report.Line("Certain:  what the file says, the servers this farm lacks, and what");
    report.Line("          the farm refuses for its servers and application names");
    report.Line("          (an unknown server, a name already in that folder).");
    report.Line("Probable: what depends on the farm beyond them: the accounts (the");
    report.Line("          farm cannot be asked without changing it), the icons, the");
    report.Line("          folders it holds without applications, and the setting");
    report.Line("          values it accepts.");
}

void WriteMissingServers(Report& report, const ImportPreview& preview,
                         const shared::ServerMapping* mapping) {
    report.Heading("Servers the file names that this farm lacks (certain)");
    if (preview.missingServers.empty()) {
        report.Line("None.");
        return;
    }
    size_t width = 0;
    for (const MissingServer& server : preview.missingServers) {
        width = std::max(width, server.name.size());
    }
    for (const MissingServer& server : preview.missingServers) {
        std::string line =
            Padded(server.name, width + 2) + "first at line " +
            Padded(std::to_string(server.firstLine), 8) + "by " +
            Plural(static_cast<size_t>(server.applications), "application", "applications");
        if (mapping != nullptr) {
            const shared::ServerMapping::Target* target = mapping->Find(server.name);
            line += target == nullptr ? "  -> not mapped"
                    : *target         ? "  -> " + **target
                                      : "  -> left out";
        }
        report.Line(line);
    }
}

void WriteApplications(Report& report, const ImportPreview& preview) {
    report.Heading("Applications (" + std::to_string(preview.applications.size()) +
                   "): what each block of the file becomes");
    for (const ApplicationPreview& application : preview.applications) {
        std::string line = "line " + Padded(std::to_string(application.lineNumber), 8) +
                           Padded(OutcomeText(application.outcome), 16) +
                           application.distinguishedName;
        switch (application.outcome) {
            case Outcome::Replaces:
                line += "  (replaces " + application.replaced + ")";
                break;
            case Outcome::ReplacedInFile:
                line += "  (by line " + std::to_string(application.laterLine) + ")";
                break;
            case Outcome::Refused:
                line += "  (see line " + std::to_string(preview.stop->lineNumber) + ")";
                break;
            case Outcome::NeverStored:
                line += "  (no Icon line)";
                break;
            case Outcome::New:
            case Outcome::NotReached:
                break;
        }
        report.Line(line);
    }
}

void WriteFarmChanges(Report& report, const ImportPreview& preview) {
    report.Heading("Folders the import creates (probable: the farm may hold them, empty)");
    for (const std::string& folder : preview.foldersCreated) {
        report.Line(folder);
    }
    if (preview.foldersCreated.empty()) {
        report.Line("None.");
    }

    report.Heading("Farm settings that change (probable: the farm may refuse a value)");
    size_t width = 0;
    for (const SettingChange& change : preview.settingsChanged) {
        width = std::max(width, change.key.size());
    }
    for (const SettingChange& change : preview.settingsChanged) {
        report.Line(Padded(change.key, width + 2) + change.before + " -> " + change.after);
    }
    if (preview.settingsChanged.empty()) {
        report.Line("None.");
    }
    if (!preview.settingsNotReported.empty()) {
        report.Line("The farm cannot report these settings; the import leaves them as they are:");
        for (const std::string& key : preview.settingsNotReported) {
            report.Line("  " + key);
        }
    }
}

void WriteAccounts(Report& report, const ImportPreview& preview) {
    report.Heading("Accounts the file names (" + std::to_string(preview.accounts.size()) +
                   ", probable)");
    report.Line("Whether this farm can resolve them cannot be found out without");
    report.Line("changing the farm. The preview accepted every one; an account the");
    report.Line("farm does not know stops the real import at its User or Group line.");
    for (const std::string& account : preview.accounts) {
        report.Line("  " + account);
    }
}

void WriteLines(Report& report, const ImportPreview& preview) {
    report.Heading("Lines passed over or stopping the import (" +
                   std::to_string(preview.lines.size()) + ")");
    for (const LineNote& note : preview.lines) {
        report.Line("line " + Padded(std::to_string(note.lineNumber), 8) +
                    Padded(WhereText(note), 15) + Padded(CertaintyText(note.certainty), 10) +
                    Quoted(note));
        report.Line("    " + ErrorText(note.reason));
    }
    if (preview.lines.empty()) {
        report.Line("None.");
    }
}

}  // namespace

std::string OutcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::New:
            return "new";
        case Outcome::Replaces:
            return "replaces";
        case Outcome::ReplacedInFile:
            return "replaced later";
        case Outcome::Refused:
            return "REFUSED";
        case Outcome::NeverStored:
            return "never stored";
        case Outcome::NotReached:
            return "not reached";
    }
    return {};
}

std::string CertaintyText(Certainty certainty) {
    return certainty == Certainty::Certain ? "certain" : "probable";
}

std::string ReportText(const ImportPreview& preview, const shared::ServerMapping* mapping) {
    Report report;
    WriteIntroduction(report, preview);
    WriteResult(report, preview);
    WriteCertainty(report);
    WriteMissingServers(report, preview, mapping);
    WriteApplications(report, preview);
    WriteFarmChanges(report, preview);
    WriteAccounts(report, preview);
    WriteLines(report, preview);
    return report.Take();
}

}  // namespace preview
