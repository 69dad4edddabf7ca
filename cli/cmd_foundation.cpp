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

// The loader's texts are Japanese, as the run shows them; these are for --lang en.
std::string FaultText(RecordFault fault) {
  if (cli::Japanese()) return RecordFaultText(fault);
  switch (fault) {
    case RecordFault::None: return "";
    case RecordFault::MissingField: return "the four fields are not all there";
    case RecordFault::FieldTooLong: return "a field is longer than 31 bytes";
    case RecordFault::TooManyRecords: return "more than 100 install records";
    case RecordFault::SubfolderOutside: return "the subfolder leads out of the installation folder";
    case RecordFault::NameOutside: return "the name leads out of the medium's folder";
  }
  return "";
}

int Descriptor(const cli::Args& args);
const cli::Command kDescriptor = {"descriptor", "descriptor MEDIUM_DIR", Descriptor};

int Descriptor(const cli::Args& args) {
  if (args.size() != 1) return cli::Usage(kDescriptor);
  UpdateSession s;
  const std::string info = cli::Shown(cli::AsFolder(args[0]) + "info.txt");
  if (!LoadDescriptor(s, cli::AsFolder(args[0]))) {
    cli::PrintLine(cli::Say("brelix-cli: " + info + " を開けません", "brelix-cli: cannot open " + info), stderr);
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
    const Record r = s.RecordAt(k);
    const std::string n = std::to_string(k), disk = std::to_string(r.disk), kind = std::to_string(r.kindNumber),
                      name = Visible(r.name), sub = Visible(r.subfolder);
    cli::PrintLine(cli::Say("記録 " + n + ": ディスク " + disk + "、種類 " + kind + "、名前 " + name + "、フォルダ " + sub,
                            "record " + n + ": disk " + disk + ", kind " + kind + ", name " + name + ", subfolder " + sub));
  }
  if (s.m_recordFault != RecordFault::None) {
    const std::string line = std::to_string(s.m_faultyLine);
    cli::PrintLine(cli::Say(line + " 行目が正しくありません: ", "faulty line " + line + ": ") + FaultText(s.m_recordFault));
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
    cli::PrintLine(cli::Say("長さ ", "length ") + std::to_string(value.size()));
    return 0;
  }
  if (args.size() == 5 && args[0] == "set") {
    if (os::SetProfileValue(args[2], args[3], args[4], args[1])) return 0;
    cli::PrintLine(cli::Say("brelix-cli: " + cli::Shown(args[1]) + " に書き込めません",
                            "brelix-cli: cannot write " + cli::Shown(args[1])),
                   stderr);
    return 1;
  }
  return cli::Usage(kProfile);
}

const cli::Registrar kRegisterDescriptor(kDescriptor);
const cli::Registrar kRegisterProfile(kProfile);

}  // namespace
