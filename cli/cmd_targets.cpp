// Subcommands for the checks and conversions on the installed product. Each
// prints the integer the update run would see alone on its last line and
// exits 0; classify and the conversions exit 66 when the settings file they
// read is not there (their result would only say so through defaults).
#include <string>

#include "cli/cli.h"
#include "engine/update_session.h"
#include "os/os.h"
#include "targets/master_conversion.h"
#include "targets/product_checks.h"
#include "targets/template_check.h"
#include "text/cp932.h"

namespace {

int PrintResult(int result) {
  cli::PrintLine(std::to_string(result));
  return 0;
}

int PrintResultOf(int result, const std::string& settingsPath) {
  PrintResult(result);
  if (os::Exists(settingsPath) && !os::IsDirectory(settingsPath)) return 0;
  const std::string shown = cli::Shown(settingsPath);
  cli::PrintLine(cli::Say("brelix-cli: " + shown + " を読めません", "brelix-cli: cannot read " + shown), stderr);
  return cli::kNoInput;
}

extern const cli::Command kClassify;
int RunClassify(const cli::Args& args) {
  std::string folder, settings, medium;
  std::size_t positional = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--medium" && i + 1 < args.size()) {
      medium = args[++i];
    } else if (positional == 0) {
      folder = args[i];
      ++positional;
    } else if (positional == 1) {
      settings = args[i];
      ++positional;
    } else {
      return cli::Usage(kClassify);
    }
  }
  if (positional != 2) return cli::Usage(kClassify);
  UpdateSession session;
  if (!medium.empty() && !LoadDescriptor(session, cli::AsFolder(medium))) {
    const std::string info = cli::Shown(cli::AsFolder(medium) + "info.txt");
    cli::PrintLine(cli::Say("brelix-cli: " + info + " を読めません", "brelix-cli: cannot read " + info), stderr);
    return cli::kNoInput;
  }
  return PrintResultOf(targets::ClassifyInstalledProduct(folder, settings, session.m_titlePatterns), folder + settings);
}
const cli::Command kClassify = {"classify", "classify FOLDER SETTINGS [--medium DIR]", RunClassify};

extern const cli::Command kCheckFiles;
int RunCheckFiles(const cli::Args& args) {
  if (args.size() != 2) return cli::Usage(kCheckFiles);
  std::string folder = args[0];
  int result = targets::CheckInstalledFiles(folder, args[1]);
  cli::PrintLine(cli::Say("作業フォルダ: ", "working folder: ") + cli::Shown(folder));
  return PrintResult(result);
}
const cli::Command kCheckFiles = {"check-files", "check-files FOLDER SETTINGS", RunCheckFiles};

extern const cli::Command kCheckTemplate;
int RunCheckTemplate(const cli::Args& args) {
  if (args.size() != 1) return cli::Usage(kCheckTemplate);
  return PrintResult(targets::CheckSpreadsheetTemplate(args[0]));
}
const cli::Command kCheckTemplate = {"check-template", "check-template FOLDER", RunCheckTemplate};

extern const cli::Command kConvertSizes;
int RunConvertSizes(const cli::Args& args) {
  if (args.size() != 1) return cli::Usage(kConvertSizes);
  return PrintResultOf(targets::ConvertMaterialSizes(args[0]), args[0]);
}
const cli::Command kConvertSizes = {"convert-sizes", "convert-sizes SETTINGS_PATH", RunConvertSizes};

extern const cli::Command kConvertTypes;
int RunConvertTypes(const cli::Args& args) {
  if (args.size() != 1) return cli::Usage(kConvertTypes);
  return PrintResultOf(targets::ConvertMaterialTypes(args[0]), args[0]);
}
const cli::Command kConvertTypes = {"convert-types", "convert-types SETTINGS_PATH", RunConvertTypes};

cli::Registrar g_classify(kClassify);
cli::Registrar g_checkFiles(kCheckFiles);
cli::Registrar g_checkTemplate(kCheckTemplate);
cli::Registrar g_convertSizes(kConvertSizes);
cli::Registrar g_convertTypes(kConvertTypes);

}  // namespace
