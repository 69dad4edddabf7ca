// Replays every input kept from fuzzing (tests/data/fuzz/TARGET/) and every
// seed (fuzz/seeds/TARGET/) through the fuzz target's body: each once made a
// target fail, or stands for a shape worth keeping; none may fail again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_bodies.h"

namespace {

namespace fs = std::filesystem;

TEST(FuzzReplay, KeptInputsAndSeeds) {
  int replayed = 0;
  for (const char* target : {"lzh", "lzh_roundtrip", "descriptor", "profile", "bmp", "master", "uninstall"}) {
    fuzz::Body body = fuzz::BodyNamed(target);
    ASSERT_NE(body, nullptr) << target;
    for (const fs::path& folder : {fs::path(BRELIX_TEST_DATA) / "fuzz" / target,
                                  fs::path(BRELIX_SOURCE_ROOT) / "fuzz" / "seeds" / target}) {
      std::error_code ec;
      for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        SCOPED_TRACE(e.path().string());
        std::ifstream in(e.path(), std::ios::binary);
        std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        body(data.data(), data.size());  // aborts on a broken invariant
        ++replayed;
      }
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
