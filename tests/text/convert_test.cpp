#include <gtest/gtest.h>

#include "text/convert.h"

namespace {

// Both builds convert alike: iconv on Linux, the system's tables on Windows.
TEST(Convert, Cp932AndUtf8BothWays) {
  struct Row {
    const char* cp932;
    const char* utf8;
    bool clean;
  } rows[] = {
      {"", "", true},
      {"Brelix 3.0", "Brelix 3.0", true},
      {"表示\\ｱ", "\xE8\xA1\xA8\xE7\xA4\xBA\\\xEF\xBD\xB1", true},
      {"令和", "\xE4\xBB\xA4\xE5\x92\x8C", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.utf8);
    bool ok = false;
    EXPECT_EQ(text::Cp932ToUtf8(r.cp932, &ok), r.utf8);
    EXPECT_EQ(ok, r.clean);
    EXPECT_EQ(text::Utf8ToCp932(r.utf8, &ok), r.cp932);
    EXPECT_EQ(ok, r.clean);
  }
  // A byte that does not convert becomes '?'; the rest is kept.
  bool ok = true;
  EXPECT_EQ(text::Cp932ToUtf8("A\x95", &ok), "A?");
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(text::Utf8ToCp932("\xC3" "B", &ok), "?B");
  EXPECT_FALSE(ok);
}

}  // namespace
