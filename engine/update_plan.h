// The update run as a list of steps: what the run will do for a session, a
// chosen folder and the installation found there, worked out before anything
// changes. `RunUpdate` executes the plan; `brelix-cli check --target` prints
// it. Planning only reads (the settings file probe, the installed-product
// checks, whether folders exist now).
//
// Some decisions depend on what earlier records change, so the plan cannot
// take them in advance: whether a destination folder must be made, whether
// the spreadsheet template is due, what TITLE says when it is rewritten.
// Such a step names the check, the run makes it at the step's turn, and the
// plan records what the installation says now, for the printer.
#pragma once

#include <string>
#include <vector>

#include "engine/run_outcome.h"
#include "engine/update_session.h"

namespace engine {

enum class StepKind {
  Note,            // a line for the log: the folder, the settings file, the product found
  Refuse,          // the run stops here with `message` and ends with `outcome`/`result`
  AskDisk,         // on a removable medium, ask for disk `disk` until `awaited` is there
  MakeFolder,      // make `path` if it is missing, and start record `record`
  WriteSetting,    // write [section] key=value to `path`
  WriteTitle,      // rewrite [SYSTEM] TITLE of `path`: 8.0S becomes `value`, cut to 99 bytes
  TemplateCheck,   // EXCEL: skip the extraction that follows unless the template is due
  Extract,         // run the extraction `command` of archive `name` into `path`
  Copy,            // copy the medium's file `name` into folder `path` as `target`
  ConvertMasters,  // convert material sizes and types of the masters named by `path`
  Report,          // tell the user the update succeeded: `message`
};

// Why a run is refused before anything changes.
enum class RefuseReason {
  FaultyRecordLine,   // the descriptor holds a record line the run cannot use
  NoSettingsFile,     // the folder holds none of the settings files probed
  InstalledFiles,     // the installed-files check refuses the installation
  NotRecognised,      // no title pattern matches the installed product
  CommandTooLong,     // an extraction command would exceed 255 bytes
};

// What a Note is about.
enum class NoteAbout { TargetFolder, SettingsFile, Product };

struct PlanStep {
  StepKind kind = StepKind::Note;
  NoteAbout about = NoteAbout::TargetFolder;  // Note
  int record = -1;  // install record (0-based), -1 for a step of no record
  int line = 0;     // descriptor line the step comes from, 0 for none
  int disk = 0;
  std::string name;     // archive (with its START suffix) or medium file
  std::string path;     // folder, target file or settings file
  std::string section;  // WriteSetting
  std::string key;
  std::string value;
  std::string target;   // Copy: the file written
  std::string command;  // Extract
  std::string awaited;  // AskDisk: the file(s) that show the disk is in, for messages
  std::string message;  // Note, Refuse, Report
  std::string log;      // Refuse: what the log says before the message
  RefuseReason reason = RefuseReason::FaultyRecordLine;
  RunOutcome outcome = RunOutcome::Applied;
  int result = 0;
  std::size_t commandBytes = 0;  // CommandTooLong
  // What the installation says now: MakeFolder's folder is missing,
  // TemplateCheck's template is due.
  bool now = false;
};

struct UpdatePlan {
  std::vector<PlanStep> steps;
  // The settings file as the probe left it (the name tried last) and the
  // working folder it was found in; "" when the probe was not reached.
  std::string settingsFile;
  std::string work;
  bool probed = false;
  // The installed product's version index, once classified.
  bool classified = false;
  int versionIndex = 0;

  bool Refused() const;
};

// Plans the run of `session` from `sourceDir` into `session.m_targetFolder`.
// `windowsFolder` is the Windows folder the extraction command names.
UpdatePlan PlanUpdate(const UpdateSession& session, const std::string& sourceDir, const std::string& windowsFolder);

// The name the run gives record k's archive or file: a START archive takes
// the installed variant's suffix.
std::string EffectiveRecordName(const UpdateSession& session, int k, int versionIndex);

}  // namespace engine
