// extract, list and test: LZH archives from the command line.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "engine/archive_component.h"
#include "engine/archive_inspect.h"
#include "lzh/decoder.h"
#include "os/os.h"
#include "text/cp932.h"

namespace {

std::string MethodOrDirectory(const lzh::Member& m) { return m.methodId; }

std::string Hex4(unsigned v) {
  static const char digits[] = "0123456789abcdef";
  std::string s(4, '0');
  for (int i = 3; i >= 0; --i, v >>= 4) s[static_cast<std::size_t>(i)] = digits[v & 0xF];
  return s;
}

std::string Pad(std::string s, std::size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

int Extract(const cli::Args& args);
int List(const cli::Args& args);
int Test(const cli::Args& args);

const cli::Command kExtract = {"extract", "extract ARCHIVE.lzh DEST  (through RunArchiveCommand)", Extract};
const cli::Command kList = {"list", "list ARCHIVE.lzh  (name, method, sizes, CRC, header level)", List};
const cli::Command kTest = {"test", "test ARCHIVE.lzh  (decode and check every CRC, write nothing)", Test};

int Extract(const cli::Args& args) {
  if (args.size() != 2) return cli::Usage(kExtract);
  // The component takes the archive without its extension, as the update run names it.
  std::string base = args[0];
  if (base.size() > 4 && text::EqualsNoCaseAscii(base.substr(base.size() - 4), ".lzh")) {
    base.resize(base.size() - 4);
  }
  std::string dest = text::EndsWithSeparator(args[1]) ? args[1] : args[1] + '\\';
  std::string command = "e -mcw" + os::WindowsFolder() + " \"" + base + "\" \"" + dest + "\"";
  std::string reply(256, '\0');
  int rc = RunArchiveCommand(nullptr, command.c_str(), &reply[0], static_cast<int>(reply.size()));
  if (rc != 0) {
    // The reply is the component's own text, shown as the run shows it.
    cli::PrintLine(cli::Say("brelix-cli: 展開できません: ", "brelix-cli: extraction failed: ") + cli::Shown(reply.c_str()),
                   stderr);
    return 1;
  }
  return 0;
}

// Walks the archive; `decode` also decodes every member and checks its CRC.
int Walk(const std::string& path, bool decode) {
  os::InputFile file;
  if (!file.Open(path)) {
    cli::PrintLine(cli::Say("brelix-cli: " + cli::Shown(path) + " を開けません", "brelix-cli: cannot open " + cli::Shown(path)),
                   stderr);
    return 1;
  }
  engine::ArchiveFileReader reader(file);
  lzh::ArchiveReader archive(reader);
  int failures = 0;
  int count = 0;
  if (!decode) cli::PrintLine(cli::Say("    圧縮後    元サイズ  crc   方式   lv  名前", "    packed  original  crc   method lv  name"));
  for (;;) {
    lzh::Member m;
    lzh::Status s = archive.Next(m);
    if (s == lzh::Status::End) break;
    if (s != lzh::Status::Ok) {
      cli::PrintLine(cli::Say(std::to_string(count) + " 個目の後でエラー: ", "error after " + std::to_string(count) + " members: ") +
                         lzh::StatusName(s),
                     stderr);
      return 1;
    }
    ++count;
    engine::MemberVerdict verdict = engine::JudgeMember(m);
    if (decode && engine::IsRefused(verdict)) {
      // The extraction would refuse the whole archive for this member.
      ++failures;
      cli::PrintLine("FAILED " + m.Path() + "  (" + engine::VerdictName(verdict) + ")");
    } else if (decode) {
      lzh::Status d = archive.Decode(nullptr);
      bool ok = d == lzh::Status::Ok;
      if (!ok) ++failures;
      cli::PrintLine((ok ? cli::Say("正常   ", "ok     ") : cli::Say("失敗   ", "FAILED ")) + m.Path() +
                     (ok ? "" : std::string("  (") + lzh::StatusName(d) + ")"));
      if (d == lzh::Status::Truncated || d == lzh::Status::ReadError) break;
    } else {
      cli::PrintLine(Pad(std::to_string(m.packedSize), 10) + Pad(std::to_string(m.originalSize), 10) + "  " +
                     Hex4(m.crc) + "  " + MethodOrDirectory(m) + "  " + std::to_string(m.level) + "  " + m.Path());
    }
  }
  if (count == 0) {
    cli::PrintLine(cli::Say("LZH書庫ではありません: ", "not an LZH archive: ") + cli::Shown(path), stderr);
    return 1;
  }
  return failures ? 1 : 0;
}

int List(const cli::Args& args) {
  if (args.size() != 1) return cli::Usage(kList);
  return Walk(args[0], false);
}

int Test(const cli::Args& args) {
  if (args.size() != 1) return cli::Usage(kTest);
  return Walk(args[0], true);
}

const cli::Registrar kRegisterExtract(kExtract);
const cli::Registrar kRegisterList(kList);
const cli::Registrar kRegisterTest(kTest);

}  // namespace
