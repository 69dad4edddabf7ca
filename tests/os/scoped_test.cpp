// The handle owner: whatever moves, resets or releases, each handle it took
// is closed exactly once, and a released one never.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "os/scoped.h"

namespace {

std::vector<int> g_closed;

struct CountingTraits {
  using Type = int;
  static int Invalid() { return 0; }
  static bool Valid(int v) { return v != 0; }
  static void Close(int v) { g_closed.push_back(v); }
};
using Owner = os::Scoped<CountingTraits>;

struct Case {
  const char* what;
  std::function<void()> run;
  std::vector<int> closed;  // in order
};

TEST(Scoped, ClosesEachHandleOnce) {
  const Case cases[] = {
      {"scope end", [] { Owner a(1); }, {1}},
      {"nothing held", [] { Owner a; }, {}},
      {"reset to another", [] { Owner a(1); a.Reset(2); }, {1, 2}},
      {"reset to none", [] { Owner a(1); a.Reset(); EXPECT_FALSE(a.valid()); }, {1}},
      {"release",
       [] {
         Owner a(1);
         EXPECT_EQ(a.Release(), 1);
         EXPECT_FALSE(a.valid());
       },
       {}},
      {"move construction",
       [] {
         Owner a(1);
         Owner b(std::move(a));
         EXPECT_FALSE(a.valid());
         EXPECT_EQ(b.get(), 1);
       },
       {1}},
      {"move assignment closes the target's",
       [] {
         Owner a(1), b(2);
         b = std::move(a);
         EXPECT_EQ(g_closed, std::vector<int>{2});
       },
       {2, 1}},
      {"self move", [] { Owner a(1); Owner& self = a; a = std::move(self); EXPECT_EQ(a.get(), 1); }, {1}},
      {"out parameter",
       [] {
         Owner a(1);
         *a.out() = 2;
         EXPECT_EQ(g_closed, std::vector<int>{1});
       },
       {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_closed.clear();
    c.run();
    EXPECT_EQ(g_closed, c.closed);
  }
}

}  // namespace
