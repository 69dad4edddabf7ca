// Archives jlha cannot make: level 3 headers, the older methods, directory
// entries, 0xFF separators, odd but valid header shapes.
#include "tests/lzh/lzh_support.h"
#include "tests/lzh/test_encoders.h"

namespace lzhtest {
namespace {

HandMember Packed(const std::string& method, const std::string& name, const std::string& data,
                  const std::string& packed, int level = 2) {
  HandMember m;
  m.level = level;
  m.method = method;
  m.name = name;
  m.packed = packed;
  m.original = data.size();
  m.crc = Crc(data);
  return m;
}

struct MethodCase {
  const char* method;
  std::string (*encode)(const std::string&);
};

std::string EncodeLh1(const std::string& data) { return Lh1Encoder().Encode(data); }

const MethodCase kOldMethods[] = {
    {"-lh1-", EncodeLh1},
    {"-lzs-", EncodeLzs},
    {"-lz5-", EncodeLz5},
};

// Inputs that reach every corner of the old methods: the pre-filled ring,
// overlapping copies, and (for -lh1-) the rebuild of the adaptive tree after
// 0x8000 symbols.
std::vector<std::string> OldMethodInputs() {
  return {std::string(), "a", "    leading blanks come from the ring", std::string(3000, 'z'),
          MixedData(6000, 21), MixedData(45000, 22)};
}

TEST(HandMade, OldMethodsDecode) {
  for (const MethodCase& mc : kOldMethods) {
    auto inputs = OldMethodInputs();
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      SCOPED_TRACE(std::string(mc.method) + " input " + std::to_string(i));
      std::string archive = BuildArchive({Packed(mc.method, "f.bin", inputs[i], mc.encode(inputs[i]))});
      lzh::Status final;
      auto decoded = DecodeAll(archive, final);
      EXPECT_EQ(lzh::Status::End, final) << lzh::StatusName(final);
      ASSERT_EQ(1u, decoded.size());
      EXPECT_TRUE(inputs[i] == decoded[0].data);
    }
  }
}

// lhasa, an independent decoder, reads our hand-made streams the same way;
// this guards the encoders (and with them the decoders) against a shared
// misreading of the formats.
TEST(HandMade, LhasaAgreesOnOldMethods) {
  if (!HaveTool("lhasa")) GTEST_SKIP() << "lhasa is not installed";
  TempDir tmp;
  for (const MethodCase& mc : kOldMethods) {
    std::string data = MixedData(45000, 23) + std::string(500, ' ');
    SCOPED_TRACE(mc.method);
    WriteAll(tmp.path() / "o.lzh", BuildArchive({Packed(mc.method, "f.bin", data, mc.encode(data))}));
    fs::remove(tmp.path() / "f.bin");
    ASSERT_EQ(0, Shell("cd " + Quote(tmp.path().string()) + " && lhasa xq o.lzh >/dev/null 2>&1"));
    EXPECT_TRUE(ReadAll(tmp.path() / "f.bin") == data);
  }
}

// -lh4- has the -lh5- stream format with a 4 KiB window, so jlha's -lh5-
// stream of a small file is a valid -lh4- stream.
TEST(HandMade, Lh4FromSmallLh5Stream) {
  if (!HaveTool("jlha")) GTEST_SKIP() << "jlha is not installed";
  TempDir tmp;
  std::string data = MixedData(4000, 31);
  WriteAll(tmp.path() / "s.txt", data);
  ASSERT_EQ(0, Shell("cd " + Quote(tmp.path().string()) + " && jlha co5y2q s.lzh s.txt >/dev/null 2>&1"));
  std::string lh5 = ReadAll(tmp.path() / "s.lzh");
  lzh::MemoryReader reader(lh5.data(), lh5.size());
  lzh::ArchiveReader ar(reader);
  lzh::Member m;
  ASSERT_EQ(lzh::Status::Ok, ar.Next(m));
  ASSERT_EQ("-lh5-", m.methodId);
  std::string packed = lh5.substr(m.headerSize, static_cast<std::size_t>(m.packedSize));
  std::string archive = BuildArchive({Packed("-lh4-", "s.txt", data, packed, 1)});
  lzh::Status final;
  auto decoded = DecodeAll(archive, final);
  EXPECT_EQ(lzh::Status::End, final);
  ASSERT_EQ(1u, decoded.size());
  EXPECT_EQ(lzh::Method::Lh4, decoded[0].member.method);
  EXPECT_TRUE(data == decoded[0].data);
  if (HaveTool("lhasa")) {
    WriteAll(tmp.path() / "h4.lzh", archive);
    fs::create_directories(tmp.path() / "x");
    ASSERT_EQ(0, Shell("cd " + Quote((tmp.path() / "x").string()) + " && lhasa xq ../h4.lzh >/dev/null 2>&1"));
    EXPECT_TRUE(ReadAll(tmp.path() / "x" / "s.txt") == data);
  }
}

struct HeaderCase {
  const char* label;
  HandMember member;
  std::string name;
  std::string directory;
};

HandMember WithDir(HandMember m, const std::string& dir) {
  m.directory = dir;
  return m;
}

HandMember WithLevel(HandMember m, int level) {
  m.level = level;
  return m;
}

TEST(HandMade, HeaderLevelsAndNames) {
  const std::string data = MixedData(700, 41);
  const std::string hyo = "\x95\x5C";  // 表: its trail byte is '\'
  HeaderCase cases[] = {
      {"level 0, plain", Stored("plain.txt", data, 0), "plain.txt", ""},
      {"level 0, path with 0x5C trail byte", Stored("dir\\" + hyo + "\\" + hyo + ".txt", data, 0), hyo + ".txt",
       "dir\\" + hyo + "\\"},
      {"level 1, slash path", Stored("a/b/c.txt", data, 1), "c.txt", "a\\b\\"},
      {"level 1, ext directory", WithDir(Stored("x.txt", data, 1), "top\xFFsub\xFF"), "x.txt", "top\\sub\\"},
      {"level 2, directory without final 0xFF", WithDir(Stored("y.txt", data, 2), "top\xFF" + hyo), "y.txt",
       "top\\" + hyo + "\\"},
      {"level 3", Stored(hyo + "3.txt", data, 3), hyo + "3.txt", ""},
      {"level 3, directory", WithDir(Stored("z.txt", data, 3), "d1\xFF" "d2\xFF"), "z.txt", "d1\\d2\\"},
      {"name cut at NUL", Stored(std::string("amiga.txt\0comment", 17), data, 1), "amiga.txt", ""},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.label);
    lzh::Status final;
    auto decoded = DecodeAll(BuildArchive({c.member}), final);
    EXPECT_EQ(lzh::Status::End, final) << lzh::StatusName(final);
    ASSERT_EQ(1u, decoded.size());
    EXPECT_EQ(c.name, decoded[0].member.name);
    EXPECT_EQ(c.directory, decoded[0].member.directory);
    EXPECT_EQ(c.member.level, decoded[0].member.level);
    EXPECT_TRUE(data == decoded[0].data);
  }
}

TEST(HandMade, DirectoryEntriesAndOddShapes) {
  HandMember dir;
  dir.method = "-lhd-";
  dir.name = "";
  dir.directory = "folder\xFF";
  std::string data = "payload";
  // A level 0 header that ends right after the name, without a CRC field.
  std::string noCrc = BuildMember(Stored("nocrc.txt", data, 0));
  noCrc[0] = static_cast<char>(noCrc[0] - 2);
  noCrc.erase(22 + 9, 2);  // the CRC field after the 9-byte name
  unsigned sum = 0;
  for (std::size_t i = 2; i < static_cast<unsigned char>(noCrc[0]) + 2u; ++i) sum += static_cast<unsigned char>(noCrc[i]);
  noCrc[1] = static_cast<char>(sum);

  std::string archive = BuildMember(dir) + BuildMember(WithLevel(Stored("after.txt", data), 3)) + noCrc;
  // Without the end marker the archive ends at the end of the input.
  lzh::Status final;
  auto decoded = DecodeAll(archive, final);
  EXPECT_EQ(lzh::Status::End, final) << lzh::StatusName(final);
  ASSERT_EQ(3u, decoded.size());
  EXPECT_TRUE(decoded[0].member.IsDirectory());
  EXPECT_EQ("folder\\", decoded[0].member.directory);
  EXPECT_EQ("", decoded[0].data);
  EXPECT_EQ("after.txt", decoded[1].member.name);
  EXPECT_EQ(data, decoded[1].data);
  EXPECT_EQ("nocrc.txt", decoded[2].member.name);
  EXPECT_FALSE(decoded[2].member.hasCrc);
  EXPECT_EQ(data, decoded[2].data);
}

// A level 2 header whose size would be a multiple of 256 carries one pad
// byte, so that its first byte never reads as the end marker.
TEST(HandMade, Level2PadByte) {
  std::string data = "pad";
  HandMember m = Stored("n", data);
  // 26 fixed + 5 (CRC ext) + 3 + name = 256, and the pad byte makes 257.
  m.name = std::string(256 - 26 - 5 - 3, 'p');
  std::string member = BuildMember(m);
  std::string header = member.substr(0, member.size() - data.size());
  ASSERT_EQ(256u, header.size());
  header += '\0';
  header[0] = 1;  // total 257
  header[1] = 1;
  header[27] = header[28] = 0;
  std::uint16_t c = Crc(header);
  header[27] = static_cast<char>(c & 0xFF);
  header[28] = static_cast<char>(c >> 8);
  lzh::Status final;
  auto decoded = DecodeAll(header + data + std::string(1, '\0'), final);
  EXPECT_EQ(lzh::Status::End, final) << lzh::StatusName(final);
  ASSERT_EQ(1u, decoded.size());
  EXPECT_EQ(data, decoded[0].data);
}

TEST(HandMade, UnknownMethodIsReportedAndSkipped) {
  HandMember odd = Stored("odd.bin", "xyz");
  odd.method = "-lh9-";
  std::string archive = BuildArchive({odd, Stored("next.txt", "next")});
  lzh::MemoryReader reader(archive.data(), archive.size());
  lzh::ArchiveReader ar(reader);
  lzh::Member m;
  ASSERT_EQ(lzh::Status::Ok, ar.Next(m));
  EXPECT_EQ(lzh::Method::Unknown, m.method);
  EXPECT_EQ(lzh::Status::UnknownMethod, ar.Decode(nullptr));
  ASSERT_EQ(lzh::Status::Ok, ar.Next(m));
  EXPECT_EQ("next.txt", m.name);
  StringSink sink;
  EXPECT_EQ(lzh::Status::Ok, ar.Decode(&sink));
  EXPECT_EQ("next", sink.out);
  EXPECT_EQ(lzh::Status::End, ar.Next(m));
}

}  // namespace
}  // namespace lzhtest
