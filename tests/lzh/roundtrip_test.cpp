// Archives made by third-party encoders (jlha) decode to the original bytes;
// lhasa and bsdtar extract the same archives as second opinions.
#include <map>

#include "tests/lzh/lzh_support.h"

namespace lzhtest {
namespace {

// Files with Japanese names (two hold a 0x5C trail byte: 表 and ソ), sizes
// around the block and chunk boundaries, an empty and a one-byte file.
std::map<std::string, std::string> SampleFiles() {
  std::map<std::string, std::string> files;
  files["readme.txt"] = MixedData(5000, 1);
  files[u8"表計算.dat"] = MixedData(300 * 1024, 2);
  files[u8"ソース一覧.txt"] = MixedData(70000, 3);
  files["empty.bin"] = "";
  files["one.bin"] = "x";
  std::mt19937 rng(7);
  std::string noise(40000, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  files["noise.bin"] = noise;
  files["runs.bin"] = std::string(200000, 'A') + std::string(100000, '\0');
  return files;
}

void WriteFiles(const fs::path& dir, const std::map<std::string, std::string>& files) {
  for (const auto& f : files) WriteAll(dir / fs::u8path(f.first), f.second);
}

struct JlhaCase {
  const char* options;  // method and header level as jlha spells them
  const char* method;   // method expected for the compressible members
  int level;
};

// jlha reads digits after "o5" as part of that option, so the level digit
// goes after the "y" option.
const JlhaCase kJlhaCases[] = {
    {"o5y2", "-lh5-", 2}, {"o6y2", "-lh6-", 2}, {"o7y2", "-lh7-", 2}, {"zy2", "-lh0-", 2},
    {"o5y0", "-lh5-", 0}, {"o6y0", "-lh6-", 0}, {"o7y0", "-lh7-", 0}, {"zy0", "-lh0-", 0},
    {"o5y1", "-lh5-", 1}, {"o6y1", "-lh6-", 1}, {"o7y1", "-lh7-", 1}, {"zy1", "-lh0-", 1},
};

TEST(RoundTrip, EveryJlhaMethodAndLevel) {
  if (!HaveTool("jlha")) GTEST_SKIP() << "jlha is not installed";
  TempDir tmp;
  auto files = SampleFiles();
  WriteFiles(tmp.path(), files);
  for (const JlhaCase& c : kJlhaCases) {
    SCOPED_TRACE(c.options);
    std::string archive = (tmp.path() / (std::string("t_") + c.options + ".lzh")).string();
    std::string names;
    for (const auto& f : files) names += " " + Quote(f.first);
    ASSERT_EQ(0, Shell("cd " + Quote(tmp.path().string()) + " && jlha c" + c.options + "q " +
                     Quote(archive) + names + " >/dev/null 2>&1"));
    lzh::Status final;
    auto decoded = DecodeAll(ReadAll(archive), final);
    EXPECT_EQ(lzh::Status::End, final) << lzh::StatusName(final);
    ASSERT_EQ(files.size(), decoded.size());
    bool sawMethod = false;
    for (const Decoded& d : decoded) {
      std::string utf8 = ToUtf8(d.member.name);
      SCOPED_TRACE(utf8);
      auto it = files.find(utf8);
      ASSERT_NE(files.end(), it) << "unexpected member name";
      EXPECT_EQ(c.level, d.member.level);
      EXPECT_TRUE(d.member.directory.empty());
      EXPECT_EQ(it->second.size(), d.member.originalSize);
      EXPECT_TRUE(it->second == d.data) << "content differs";
      if (d.member.methodId == c.method) sawMethod = true;
    }
    EXPECT_TRUE(sawMethod);
  }
}

// The names keep their code page 932 bytes, 0x5C trail bytes included.
TEST(RoundTrip, JapaneseNamesStayCp932) {
  if (!HaveTool("jlha")) GTEST_SKIP() << "jlha is not installed";
  TempDir tmp;
  WriteAll(tmp.path() / fs::u8path(u8"表.txt"), "abc");
  std::string archive = (tmp.path() / "n.lzh").string();
  ASSERT_EQ(0, Shell("cd " + Quote(tmp.path().string()) + " && jlha co5yq n.lzh " + Quote(u8"表.txt") +
                   " >/dev/null 2>&1"));
  lzh::Status final;
  auto decoded = DecodeAll(ReadAll(archive), final);
  ASSERT_EQ(1u, decoded.size());
  EXPECT_EQ(std::string("\x95\x5C.txt"), decoded[0].member.name);
  EXPECT_EQ("", decoded[0].member.directory);
}

// Directory parts stored by jlha (level 2: ext 0x02 with 0xFF separators;
// level 0/1: a path in the name field) come apart from the file name.
TEST(RoundTrip, DirectoriesInJlhaArchives) {
  if (!HaveTool("jlha")) GTEST_SKIP() << "jlha is not installed";
  TempDir tmp;
  fs::create_directories(tmp.path() / "sub" / fs::u8path(u8"表"));
  WriteAll(tmp.path() / "sub" / fs::u8path(u8"表") / "f.txt", MixedData(3000, 9));
  for (const char* level : {"0", "1", "2"}) {
    SCOPED_TRACE(level);
    std::string name = std::string("d") + level + ".lzh";
    ASSERT_EQ(0, Shell("cd " + Quote(tmp.path().string()) + " && jlha co5y" + level + "q " + name +
                     " sub >/dev/null 2>&1"));
    lzh::Status final;
    auto decoded = DecodeAll(ReadAll(tmp.path() / name), final);
    EXPECT_EQ(lzh::Status::End, final);
    bool found = false;
    for (const Decoded& d : decoded) {
      if (d.member.IsDirectory()) continue;
      EXPECT_EQ("f.txt", d.member.name);
      EXPECT_EQ(std::string("sub\\\x95\x5C\\"), d.member.directory);
      EXPECT_EQ(MixedData(3000, 9), d.data);
      found = true;
    }
    EXPECT_TRUE(found);
  }
}

// lhasa and bsdtar agree with us on jlha's archives.
TEST(RoundTrip, SecondOpinions) {
  if (!HaveTool("jlha") || !HaveTool("lhasa") || !HaveTool("bsdtar")) GTEST_SKIP() << "tools missing";
  TempDir tmp;
  std::map<std::string, std::string> files = {{"a.txt", MixedData(120000, 11)}, {"b.bin", MixedData(9000, 12)}};
  WriteFiles(tmp.path(), files);
  for (const char* opt : {"o5", "o6", "o7"}) {
    SCOPED_TRACE(opt);
    std::string arc = std::string("s") + opt + ".lzh";
    ASSERT_EQ(0, Shell("cd " + Quote(tmp.path().string()) + " && jlha c" + opt + "q " + arc +
                     " a.txt b.bin >/dev/null 2>&1"));
    lzh::Status final;
    auto decoded = DecodeAll(ReadAll(tmp.path() / arc), final);
    ASSERT_EQ(2u, decoded.size());
    for (const char* tool : {"lhasa", "bsdtar"}) {
      SCOPED_TRACE(tool);
      fs::path out = tmp.path() / (std::string(tool) + opt);
      fs::create_directories(out);
      std::string cmd = std::string(tool) == "lhasa" ? "lhasa xq ../" + arc : "bsdtar xf ../" + arc;
      ASSERT_EQ(0, Shell("cd " + Quote(out.string()) + " && " + cmd + " >/dev/null 2>&1"));
      for (const Decoded& d : decoded) EXPECT_TRUE(ReadAll(out / d.member.name) == d.data);
    }
  }
}

}  // namespace
}  // namespace lzhtest
