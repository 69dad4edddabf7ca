// Archives made on two lanes: the same bytes with threads as in turn on one
// thread, every member back unchanged, and a failing member reported without
// the other lane waiting for ever.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/archive_lanes.h"
#include "os/os.h"
#include "tests/lzh/lzh_support.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

using lzhtest::Noise;

std::string Text(std::size_t n) {
  std::string s;
  for (int i = 0; s.size() < n; ++i) s += "line " + std::to_string(i % 977) + " of the estimate\r\n";
  return s.substr(0, n);
}

TEST(ArchiveLanes, SameBytesWithThreadsAndEveryMemberBack) {
  const struct {
    const char* name;
    std::vector<std::string> files;  // "" makes a folder
  } rows[] = {
      {"one member", {Text(5000)}},
      {"small and empty members", {Text(100), std::string(), "", Text(3), Noise(70, 1), Text(20000)}},
      // Larger than what the waiting lane may buffer, on either lane, and
      // stored members (noise) rewritten in both lanes.
      {"large members on both lanes", {Text(6 << 20), Text(5 << 20), Noise(300000, 2), Noise(200000, 3), Text(9000)}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    std::vector<engine::LaneInput> inputs;
    for (std::size_t i = 0; i < row.files.size(); ++i) {
      engine::LaneInput in;
      in.member.path = "m" + std::to_string(i);
      in.member.directory = row.files[i].empty() && i % 2 == 0 && i > 0;
      in.source = dir / in.member.path;
      if (!in.member.directory) WriteFile(in.source, row.files[i]);
      inputs.push_back(in);
    }
    std::string made[2];
    for (int threads = 0; threads < 2; ++threads) {
      const std::string path = dir / ("out" + std::to_string(threads) + ".lzh");
      os::OutputFile file;
      ASSERT_TRUE(file.Create(path));
      engine::LaneResult r = engine::WriteArchiveInLanes(file, lzh::EncodeOptions{}, inputs, threads == 1);
      ASSERT_TRUE(r.ok);
      ASSERT_TRUE(file.Close());
      made[threads] = ReadFile(path);
    }
    EXPECT_EQ(made[0], made[1]) << "the archive depends on the timing";
    lzh::Status final;
    std::vector<lzhtest::Decoded> back = lzhtest::DecodeAll(made[1], final);
    EXPECT_EQ(final, lzh::Status::End);
    ASSERT_EQ(back.size(), inputs.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
      if (!inputs[i].member.directory) {
        EXPECT_EQ(back[i].data, row.files[i]) << i;
      }
    }
  }
}

TEST(ArchiveLanes, FailingMemberIsTheOneReported) {
  for (std::size_t missing : {0u, 1u, 4u, 5u}) {
    SCOPED_TRACE(missing);
    TempDir dir;
    std::vector<engine::LaneInput> inputs;
    for (std::size_t i = 0; i < 6; ++i) {
      engine::LaneInput in;
      in.member.path = "m" + std::to_string(i);
      in.source = dir / in.member.path;
      if (i != missing) WriteFile(in.source, Text(i == 0 ? 7 << 20 : 300000));
      inputs.push_back(in);
    }
    os::OutputFile file;
    ASSERT_TRUE(file.Create(dir / "out.lzh"));
    engine::LaneResult r = engine::WriteArchiveInLanes(file, lzh::EncodeOptions{}, inputs);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.openFailed);
    EXPECT_EQ(r.failedMember, missing);
  }
}

}  // namespace
