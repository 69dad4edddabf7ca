// The one shape of a handle owner: move-only, closes what it holds exactly
// once. Each platform names its kinds of handle in os/win32/scoped.h and
// os/posix/scoped.h; this file needs no system header.
#pragma once

#include <utility>

namespace os {

// `Traits` describes one kind of handle:
//   using Type = ...;                 // the handle itself
//   static Type Invalid();            // the value that holds nothing
//   static bool Valid(Type v);        // whether `v` must be closed
//   static void Close(Type v);        // closes a valid `v`
template <typename Traits>
class Scoped {
 public:
  using Type = typename Traits::Type;

  Scoped() noexcept : v_(Traits::Invalid()) {}
  explicit Scoped(Type v) noexcept : v_(v) {}
  ~Scoped() { Reset(); }
  Scoped(Scoped&& o) noexcept : v_(o.Release()) {}
  Scoped& operator=(Scoped&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  Scoped(const Scoped&) = delete;
  Scoped& operator=(const Scoped&) = delete;

  Type get() const { return v_; }
  bool valid() const { return Traits::Valid(v_); }
  explicit operator bool() const { return valid(); }

  // For a function that hands its handle back through a pointer: whatever
  // was held is closed first.
  Type* out() {
    Reset();
    return &v_;
  }
  // Gives the handle up without closing it.
  Type Release() { return std::exchange(v_, Traits::Invalid()); }
  // Closes what is held and takes `v` instead.
  void Reset(Type v = Traits::Invalid()) {
    Type old = std::exchange(v_, v);
    if (Traits::Valid(old)) Traits::Close(old);
  }

 private:
  Type v_;
};

}  // namespace os
