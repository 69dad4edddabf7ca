// Parsing of the extraction command, the file names the component accepts
// and what it makes of each member.
#include <gtest/gtest.h>

#include "engine/archive_component.h"
#include "engine/archive_inspect.h"

namespace {

TEST(ArchiveCommand, Parses) {
  struct Row {
    const char* command;
    const char* work;
    const char* archive;
    const char* dest;
  } rows[] = {
      {"e -mcwC:\\WINDOWS \"A:DATA2\" \"D:\\APP\\master\\\"", "C:\\WINDOWS", "A:DATA2", "D:\\APP\\master\\"},
      // Blanks and Japanese (表 ends in 0x5C) in both quoted paths.
      {"e -mcwC:\\WINDOWS \"D:\\更新 ディスク\\表\\START3\" \"C:\\Program Files\\見積 表\\\"", "C:\\WINDOWS",
       "D:\\更新 ディスク\\表\\START3", "C:\\Program Files\\見積 表\\"},
      // A Windows folder with a blank still ends at the archive's quote.
      {"e -mcwC:\\My Windows \"A:X\" \"B:\\\"", "C:\\My Windows", "A:X", "B:\\"},
      {"  e   -mcwC:\\W   \"A:X\"   \"B:\\\"  ", "C:\\W", "A:X", "B:\\"},
      {"e \"A:X\" \"B:\\\"", "", "A:X", "B:\\"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.command);
    engine::ArchiveCommand c;
    ASSERT_TRUE(engine::ParseArchiveCommand(r.command, c));
    EXPECT_EQ(r.work, c.workFolder);
    EXPECT_EQ(r.archive, c.archive);
    EXPECT_EQ(r.dest, c.destination);
  }
}

TEST(ArchiveCommand, Refuses) {
  const char* rows[] = {
      "",
      "x -mcwC:\\W \"A:X\" \"B:\\\"",          // not the extract command
      "e-mcwC:\\W \"A:X\" \"B:\\\"",           // no blank after the command
      "e -mcwC:\\W \"A:X\"",                   // no destination
      "e -mcwC:\\W \"A:X\" \"B:\\",            // destination not closed
      "e -mcwC:\\W \"A:X\" \"B:\\\" extra",    // trailing text
      "e -x \"A:X\" \"B:\\\"",                 // unknown option
      "e -mcwC:\\W \"\" \"B:\\\"",             // empty archive
      "e -mcwC:\\W \"A:X\" \"\"",              // empty destination
      "e -mcwC:\\W A:X B:\\",                  // no quotes
  };
  for (const char* r : rows) {
    SCOPED_TRACE(r);
    engine::ArchiveCommand c;
    EXPECT_FALSE(engine::ParseArchiveCommand(r, c));
  }
}

TEST(ArchiveNames, AcceptsAndRefuses) {
  struct Row {
    std::string name;
    bool ok;
  } rows[] = {
      {"readme.txt", true},
      {"表.txt", true},          // trail byte 0x5C is not a separator
      {"ソフト|.txt", false},    // ソ's trail byte is 0x5C, then a real '|'
      {"ソ", true},
      {"a b.txt", true},
      {".hidden", true},
      {"CONSOLE.txt", true},
      {"COM0", true},
      {"LPT10", true},
      {"COM", true},
      {"conx.txt", true},
      {"", false},
      {".", false},
      {"..", false},
      {"CON", false},
      {"con.txt", false},
      {"Nul", false},
      {"aux.tar.gz", false},
      {"PRN .txt", false},
      {"COM1", false},
      {"lpt9.log", false},
      {"conOut$ .log", false},
      {"a:b", false},
      {"a*b", false},
      {"a?b", false},
      {"a<b", false},
      {"a>b", false},
      {"a\"b", false},
      {"a|b", false},
      {"tab\there", false},
      {std::string("nul\0l", 5), false},
      {"trailing.", false},
      {"trailing ", false},
      {"\x82", false},  // a lead byte without its trail byte
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.ok, engine::IsAcceptableFileName(r.name));
  }
}

TEST(ArchiveInspect, VerdictPerMember) {
  auto member = [](const char* method, const std::string& name, std::uint64_t size) {
    lzh::Member m;
    m.methodId = method;
    m.method = lzh::MethodFromId(method);
    m.name = name;
    m.originalSize = size;
    return m;
  };
  using engine::MemberVerdict;
  const struct {
    const char* label;
    lzh::Member m;
    MemberVerdict verdict;
  } rows[] = {
      {"file", member("-lh5-", "a.txt", 10), MemberVerdict::File},
      {"empty file", member("-lh0-", "a.txt", 0), MemberVerdict::File},
      {"directory", member("-lhd-", "", 0), MemberVerdict::Directory},
      {"directory with a name", member("-lhd-", "sub", 0), MemberVerdict::Directory},
      {"nameless and empty", member("-lh0-", "", 0), MemberVerdict::PassedOver},
      {"nameless and empty, unknown method", member("-lzx-", "", 0), MemberVerdict::PassedOver},
      {"nameless with data", member("-lh0-", "", 1), MemberVerdict::BadName},
      {"unknown method", member("-lzx-", "a.txt", 10), MemberVerdict::UnknownMethod},
      {"unknown method and a device name", member("-lzx-", "con", 10), MemberVerdict::UnknownMethod},
      {"device name", member("-lh0-", "con.txt", 0), MemberVerdict::BadName},
      {"trailing dot", member("-lh5-", "a.", 10), MemberVerdict::BadName},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.label);
    EXPECT_STREQ(engine::VerdictName(r.verdict), engine::VerdictName(engine::JudgeMember(r.m)));
  }
}

}  // namespace
