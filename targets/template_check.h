// Whether the installed spreadsheet template of the cost calculation sheet is
// to be replaced by the one on the update medium.
#pragma once

#include <string>

#include "os/os.h"

namespace targets {

// True when a template last written (UTC) on `written` is out of date: its
// calendar date is on or before 5 February 2022.
bool TemplateIsOutOfDate(const os::Date& written);

// 1 when "形式\横K-R7q.xlsm" under `workingFolder` is to be replaced: it is
// absent, cannot be opened exclusively (another program holds it open), or
// is out of date. 0 when the template is kept or the folder does not exist.
int CheckSpreadsheetTemplate(const std::string& workingFolder);

}  // namespace targets
