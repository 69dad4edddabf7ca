#include "targets/template_check.h"

#include <tuple>

namespace targets {

bool TemplateIsOutOfDate(const os::Date& written) {
  // Whole dates compare; a field-by-field test would keep templates from,
  // say, December 2021.
  return std::make_tuple(written.year, written.month, written.day) <= std::make_tuple(2022, 2, 5);
}

int CheckSpreadsheetTemplate(const std::string& workingFolder) {
  if (!os::Exists(workingFolder)) return 0;
  // The folder ends with a separator already; the doubled one counts as one.
  const std::string templatePath = workingFolder + "\\形式\\横K-R7q.xlsm";
  if (!os::Exists(templatePath)) return 1;
  os::Date written;
  // An exclusive open fails while another program has the template open;
  // such a template is replaced too.
  if (!os::LastWriteDateExclusive(templatePath, written)) return 1;
  return TemplateIsOutOfDate(written) ? 1 : 0;
}

}  // namespace targets
