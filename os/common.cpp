// Parts of the operating-system door that are the same on every platform:
// the last error, fault injection counters and the line reader.
#include <array>
#include <atomic>
#include <cstring>

#include "os/os.h"
#include "os/os_internal.h"

namespace os {
namespace {

thread_local Error g_lastError = Error::None;

// Counted from every thread: the extraction writes on several at once. The
// failure goes to the one operation whose count meets the mark.
struct FaultState {
  std::array<std::atomic<int>, static_cast<int>(Op::Count)> counts{};
  std::array<std::atomic<int>, static_cast<int>(Op::Count)> failAt{};
  std::array<std::atomic<Error>, static_cast<int>(Op::Count)> errors{};
};

FaultState& Faults() {
  static FaultState state;
  return state;
}

}  // namespace

Error LastError() { return g_lastError; }
void SetLastError(Error e) { g_lastError = e; }

void InjectFault(Op op, int nth, Error error) {
  FaultState& f = Faults();
  int i = static_cast<int>(op);
  f.errors[i] = error;
  f.failAt[i] = nth > 0 ? f.counts[i] + nth : 0;
}

void ClearFaults() {
  FaultState& f = Faults();
  for (int i = 0; i < static_cast<int>(Op::Count); ++i) {
    f.counts[i] = 0;
    f.failAt[i] = 0;
    f.errors[i] = Error::None;
  }
}

int OperationCount(Op op) { return Faults().counts[static_cast<int>(op)]; }

namespace detail {

bool InjectedFailure(Op op) {
  FaultState& f = Faults();
  int i = static_cast<int>(op);
  int n = ++f.counts[i];
  if (f.failAt[i] != 0 && n == f.failAt[i]) {
    SetLastError(f.errors[i]);
    return true;
  }
  return false;
}

}  // namespace detail

// ---- LineReader over InputFile -----------------------------------------

struct LineReader::Impl {
  InputFile file;
  std::string buffer;
  std::size_t pos = 0;
  bool eof = false;
  bool failed = false;

  bool Fill() {
    if (eof) return false;
    if (pos > 0) {
      buffer.erase(0, pos);
      pos = 0;
    }
    char chunk[65536];
    long long n = file.Read(chunk, sizeof chunk);
    if (n < 0) {
      failed = true;
      eof = true;
      return false;
    }
    if (n == 0) {
      eof = true;
      return false;
    }
    buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
  }
};

LineReader::LineReader() = default;
LineReader::~LineReader() = default;

bool LineReader::Open(const std::string& path, bool exclusive) {
  impl_ = std::make_unique<Impl>();
  if (!impl_->file.Open(path, exclusive)) {
    impl_.reset();
    return false;
  }
  return true;
}

bool LineReader::ReadLine(std::string& line) {
  if (!impl_) return false;
  Impl& r = *impl_;
  for (;;) {
    std::size_t nl = r.buffer.find('\n', r.pos);
    if (nl != std::string::npos) {
      std::size_t end = nl;
      if (end > r.pos && r.buffer[end - 1] == '\r') --end;
      line.assign(r.buffer, r.pos, end - r.pos);
      r.pos = nl + 1;
      return true;
    }
    if (!r.Fill()) break;
  }
  if (r.pos < r.buffer.size()) {
    line.assign(r.buffer, r.pos, std::string::npos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    r.pos = r.buffer.size();
    return true;
  }
  return false;
}

bool LineReader::Failed() const { return impl_ && impl_->failed; }

void LineReader::Close() { impl_.reset(); }

}  // namespace os
