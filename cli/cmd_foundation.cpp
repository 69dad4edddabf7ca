// brelix-cli descriptor / profile: the descriptor loader and the profile
// strings, through the same functions the program uses.
#include <cstdlib>
#include <string>

#include "cli/cli.h"
#include "engine/update_session.h"
#include "os/os.h"
#include "text/cp932.h"

namespace {

// Control characters are shown as escapes so that every field stays on one line.
std::string Visible(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

// A folder given on the command line, ending with a separator so that file
// names can be appended to it.
std::string AsFolder(std::string dir) {
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir;
}

int Descriptor(const cli::Args& args);
const cli::Command kDescriptor = {"descriptor", "descriptor MEDIUM_DIR", Descriptor};

int Descriptor(const cli::Args& args) {
  if (args.size() != 1) return cli::Usage(kDescriptor);
  UpdateSession s;
  if (!LoadDescriptor(s, AsFolder(args[0]))) {
    cli::PrintLine("brelix-cli: cannot open " + AsFolder(args[0]) + "info.txt", stderr);
    return 1;
  }
  auto field = [](const std::string& name, const std::string& value) {
    cli::PrintLine(name + ": " + Visible(value));
  };
  for (int i = 0; i < kUninstallKeyCount; ++i) field("m_uninstallKeys[" + std::to_string(i) + "]", s.m_uninstallKeys[i]);
  field("m_targetFolder", s.m_targetFolder);
  field("m_masterAdjust", s.m_masterAdjust);
  field("m_settingsFile", s.m_settingsFile);
  field("m_category", s.m_category);
  field("m_versionText", s.m_versionText);
  field("m_viewBitmap", s.m_viewBitmap);
  field("m_notesBitmap", s.m_notesBitmap);
  field("m_targetBitmap", s.m_targetBitmap);
  field("m_confirmBitmap", s.m_confirmBitmap);
  field("m_notesText", s.m_notesText);
  field("m_targetText", s.m_targetText);
  for (int i = 0; i < kTitlePatternCount; ++i) field("m_titlePatterns[" + std::to_string(i) + "]", s.m_titlePatterns[i]);
  cli::PrintLine("m_recordCount: " + std::to_string(s.m_recordCount));
  for (int k = 0; k < s.m_recordCount; ++k) {
    cli::PrintLine("record " + std::to_string(k) + ": disk " + std::to_string(s.m_diskNumbers[k]) + ", kind " +
                   std::to_string(s.m_recordKinds[k]) + ", name " + Visible(s.m_archiveNames[k]) + ", subfolder " +
                   Visible(s.m_subFolders[k]));
  }
  if (s.m_recordFault != RecordFault::None) {
    cli::PrintLine("faulty line " + std::to_string(s.m_faultyLine) + ": " + RecordFaultText(s.m_recordFault));
    return 2;
  }
  return 0;
}

int Profile(const cli::Args& args);
const cli::Command kProfile = {
    "profile", "profile get FILE SECTION KEY [DEFAULT] [--size N] | profile set FILE SECTION KEY VALUE", Profile};

int Profile(const cli::Args& args) {
  if (args.size() >= 4 && args[0] == "get") {
    std::size_t size = 256;
    std::string def;
    bool haveDefault = false;
    for (std::size_t i = 4; i < args.size(); ++i) {
      if (args[i] == "--size" && i + 1 < args.size()) {
        size = static_cast<std::size_t>(std::strtoul(args[++i].c_str(), nullptr, 10));
      } else if (!haveDefault) {
        def = args[i];
        haveDefault = true;
      } else {
        return cli::Usage(kProfile);
      }
    }
    std::string value = os::GetProfileValue(args[2], args[3], def, size, args[1]);
    cli::PrintLine(value);
    cli::PrintLine("length " + std::to_string(value.size()));
    return 0;
  }
  if (args.size() == 5 && args[0] == "set") {
    if (os::SetProfileValue(args[2], args[3], args[4], args[1])) return 0;
    cli::PrintLine("brelix-cli: cannot write " + args[1], stderr);
    return 1;
  }
  return cli::Usage(kProfile);
}

const cli::Registrar kRegisterDescriptor(kDescriptor);
const cli::Registrar kRegisterProfile(kProfile);

}  // namespace
