#include "engine/extract_lanes.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "lzh/decoder.h"
#include "os/archive_io.h"

namespace engine {
namespace {

constexpr std::size_t kNoFailure = std::numeric_limits<std::size_t>::max();
constexpr int kMaxLanes = 4;

// One member with a file to make, in archive order; or the header failure
// or refusal that ends the archive.
struct Slot {
  lzh::Member member;
  std::string temp;  // the finished temporary file, until the staging has it
  std::unique_ptr<ExtractFailure> failure;  // only for a member that failed
};

class Lanes;

// Takes a member's decoded data into its temporary file. Stops the decoding
// (as a write error) once an earlier member has failed, as nothing after
// that one will be kept.
class LaneSink : public lzh::Sink {
 public:
  LaneSink(Lanes& lanes, std::size_t index, const std::string& name, os::FolderFile& file, const lzh::Input& input,
           bool caller)
      : lanes_(lanes), index_(index), name_(name), file_(file), input_(input), caller_(caller) {}
  bool Write(const unsigned char* data, std::size_t size) override;
  // The archive bytes taken since the last report.
  std::uint64_t Consumed();

  bool abandoned = false;
  os::Error error = os::Error::None;

 private:
  Lanes& lanes_;
  std::size_t index_;
  const std::string& name_;
  os::FolderFile& file_;
  const lzh::Input& input_;
  bool caller_;
  std::uint64_t reported_ = 0;
};

class Lanes {
 public:
  Lanes(os::InputFile& file, Staging& staging, const ExtractOptions& options)
      : file_(file), staging_(staging), options_(options), headerReader_(file), headers_(headerReader_) {}
  ~Lanes() {
    // Files that never reached the staging: after a failure, or when an
    // exception passed.
    for (Slot& s : slots_) {
      if (s.temp.empty()) continue;
      try {
        staging_.Discard(s.temp);
      } catch (...) {
      }
    }
  }
  Lanes(const Lanes&) = delete;
  Lanes& operator=(const Lanes&) = delete;

  int Run(int lanes, ExtractFailure& failure) {
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(lanes));
    for (int i = 1; i < lanes; ++i) {
      // Counted before it starts: a lane may be done before emplace_back returns.
      {
        std::lock_guard<std::mutex> lock(mutex_);
        ++running_;
      }
      try {
        threads.emplace_back([this] {
          Guarded(false);
          std::lock_guard<std::mutex> lock(mutex_);
          --running_;
          laneEnded_.notify_one();
        });
      } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
        break;  // fewer lanes, same result
      }
    }
    // On every way out the other lanes are stopped and joined first.
    struct Joined {
      Lanes& lanes;
      std::vector<std::thread>& threads;
      ~Joined() {
        if (std::none_of(threads.begin(), threads.end(), [](std::thread& t) { return t.joinable(); })) return;
        lanes.StopAll();
        for (std::thread& t : threads) t.join();
      }
    } joined{*this, threads};
    Guarded(true);
    WaitShowingProgress();
    for (std::thread& t : threads) t.join();
    if (thrown_) std::rethrow_exception(thrown_);
    for (Slot& s : slots_) {
      if (s.failure) {
        failure = *s.failure;
        return members_;
      }
    }
    for (Slot& s : slots_) {
      staging_.Add(s.temp, s.member.name);
      s.temp.clear();
    }
    if (options_.progress && !slots_.empty()) options_.progress(slots_.back().member.name, done_);
    return members_;
  }

  bool Abandoned(std::size_t index) const { return index > stopAt_.load(std::memory_order_relaxed); }
  void Tick(const std::string& member, std::uint64_t consumed) {
    std::uint64_t done = done_.fetch_add(consumed, std::memory_order_relaxed) + consumed;
    if (options_.progress) options_.progress(member, done);
  }
  void Count(std::uint64_t consumed) { done_.fetch_add(consumed, std::memory_order_relaxed); }

 private:
  struct Job {
    Slot* slot;
    std::size_t index;
    std::uint64_t offset;  // of the member's packed data
    // A small member's packed data, read along with the headers (one read
    // for many members instead of one each); otherwise the lane reads it.
    bool taken;
    std::vector<unsigned char> packed;
  };
  struct Batch {
    std::vector<Job> jobs;  // kept, with their buffers, from batch to batch
    std::size_t count = 0;
  };

  // The other lanes may still be decoding after this one ran out of members;
  // the progress goes on meanwhile.
  void WaitShowingProgress() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (running_ > 0) {
      if (laneEnded_.wait_for(lock, std::chrono::milliseconds(100)) == std::cv_status::timeout && options_.progress) {
        std::string member = slots_.empty() ? std::string() : slots_.back().member.name;
        lock.unlock();
        options_.progress(member, done_.load(std::memory_order_relaxed));
        lock.lock();
      }
    }
  }

  // One lane. The first exception stops every lane and is passed on by Run.
  void Guarded(bool caller) {
    try {
      Work(caller);
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!thrown_) thrown_ = std::current_exception();
      StopAllLocked();
    }
  }
  void StopAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    StopAllLocked();
  }
  // No lane takes another member, and the one each is decoding is given up.
  void StopAllLocked() {
    stopAt_.store(0, std::memory_order_relaxed);
    scanEnded_ = true;
  }

  void Work(bool caller) {
    lzh::Workspace workspace;
    std::vector<unsigned char> inputBuffer;
    Batch batch;
    while (Take(batch)) {
      for (std::size_t i = 0; i < batch.count; ++i) {
        const Job& job = batch.jobs[i];
        if (Abandoned(job.index)) break;
        Decode(job, workspace, inputBuffer, caller);
      }
    }
  }

  // Reads the next headers and gives their members to the lane asking:
  // small members several at a time, so that lanes seldom wait for each
  // other here. A failure or refusal ends the archive at its place.
  bool Take(Batch& batch) {
    constexpr std::size_t kBatchMembers = 16;
    constexpr std::uint64_t kBatchBytes = 64 * 1024;
    constexpr std::uint64_t kTakenSize = 32 * 1024;
    batch.count = 0;
    std::uint64_t bytes = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    while (!scanEnded_ && batch.count < kBatchMembers && bytes < kBatchBytes) {
      if (slots_.size() > stopAt_.load(std::memory_order_relaxed)) {
        scanEnded_ = true;
        break;
      }
      lzh::Member m;
      lzh::Status s = headers_.Next(m);
      if (s == lzh::Status::End) {
        scanEnded_ = true;
        break;
      }
      if (s != lzh::Status::Ok) {
        ExtractFailure& f = FailureOf(NewSlot(m));
        f.kind = ExtractFailure::Kind::Header;
        f.status = s;
        f.membersBefore = members_;
        scanEnded_ = true;
        break;
      }
      ++members_;
      MemberVerdict verdict = JudgeMember(m);
      if (verdict == MemberVerdict::Directory || verdict == MemberVerdict::PassedOver) continue;
      Slot& slot = NewSlot(m);
      if (verdict != MemberVerdict::File) {
        ExtractFailure& f = FailureOf(slot);
        f.kind = ExtractFailure::Kind::Refused;
        f.verdict = verdict;
        f.member = m;
        scanEnded_ = true;
        break;
      }
      if (batch.count == batch.jobs.size()) batch.jobs.emplace_back();
      Job& job = batch.jobs[batch.count++];
      job.slot = &slot;
      job.index = slots_.size() - 1;
      job.offset = headers_.Position();
      // A member whose data cannot be read here is read again by its lane,
      // which meets the same end or failure and reports it as its own.
      job.taken = m.packedSize <= kTakenSize && headers_.TakePacked(job.packed) == lzh::Status::Ok;
      bytes += m.packedSize;
    }
    return batch.count != 0;
  }

  // A slot at the end; the deque keeps the others where they are, so lanes
  // may fill theirs meanwhile.
  Slot& NewSlot(const lzh::Member& m) {
    slots_.emplace_back();
    Slot& s = slots_.back();
    s.member = m;
    return s;
  }

  void Decode(const Job& job, lzh::Workspace& workspace, std::vector<unsigned char>& inputBuffer, bool caller) {
    Slot& slot = *job.slot;
    const lzh::Member& m = slot.member;
    os::FolderFile out;
    std::string temp;
    if (!staging_.CreateTemp(out, temp)) {
      Fail(job, ExtractFailure::Kind::Write, lzh::Status::WriteError, os::LastError());
      return;
    }
    ArchiveFileReader fromFile(file_, headerReader_.Size(), job.offset, m.packedSize);
    std::optional<lzh::Input> input;
    if (job.taken) {
      input.emplace(job.packed.data(), job.packed.size());
    } else {
      input.emplace(fromFile, inputBuffer);
    }
    LaneSink sink(*this, job.index, m.name, out, *input, caller);
    lzh::Status s = lzh::DecodeMember(*input, m, &sink, workspace);
    Count(sink.Consumed());
    if (s == lzh::Status::Ok) {
      // A time that cannot be set does not fail the member; a flush or
      // close that fails does (the data may not be on the disk).
      if (m.hasUnixTime) {
        out.SetTimeUnix(m.unixTime);
      } else {
        out.SetTimeDos(m.dosTime);
      }
      if (out.Flush() && out.Close()) {
        slot.temp = temp;
        return;
      }
      sink.error = os::LastError();
      s = lzh::Status::WriteError;
    }
    out.Close();
    staging_.Discard(temp);
    if (sink.abandoned) return;
    if (s == lzh::Status::WriteError) {
      Fail(job, ExtractFailure::Kind::Write, s, sink.error);
    } else {
      Fail(job, ExtractFailure::Kind::Data, s, os::Error::None);
    }
  }

  static ExtractFailure& FailureOf(Slot& slot) {
    slot.failure = std::make_unique<ExtractFailure>();
    return *slot.failure;
  }

  void Fail(const Job& job, ExtractFailure::Kind kind, lzh::Status s, os::Error error) {
    ExtractFailure& f = FailureOf(*job.slot);
    f.kind = kind;
    f.status = s;
    f.member = job.slot->member;
    f.error = error;
    std::size_t at = stopAt_.load(std::memory_order_relaxed);
    while (job.index < at && !stopAt_.compare_exchange_weak(at, job.index, std::memory_order_relaxed)) {
    }
  }

  os::InputFile& file_;
  Staging& staging_;
  const ExtractOptions& options_;

  std::mutex mutex_;  // the header walk and the list of slots
  ArchiveFileReader headerReader_;
  lzh::ArchiveReader headers_;
  std::deque<Slot> slots_;
  int members_ = 0;
  bool scanEnded_ = false;
  int running_ = 0;  // lanes on threads of their own still at work
  std::condition_variable laneEnded_;
  std::exception_ptr thrown_;

  // The earliest slot that failed: later ones are not needed.
  std::atomic<std::size_t> stopAt_{kNoFailure};
  std::atomic<std::uint64_t> done_{0};
};

bool LaneSink::Write(const unsigned char* data, std::size_t size) {
  if (lanes_.Abandoned(index_)) {
    abandoned = true;
    return false;
  }
  if (!file_.Write(data, size)) {
    error = os::LastError();
    return false;
  }
  if (caller_) {
    lanes_.Tick(name_, Consumed());
  } else {
    lanes_.Count(Consumed());
  }
  return true;
}

std::uint64_t LaneSink::Consumed() {
  std::uint64_t now = input_.Position();
  std::uint64_t n = now - reported_;
  reported_ = now;
  return n;
}

// One lane more than there are processors: a lane waiting in the file
// system (a directory lock, a page of the new file) leaves its processor to
// another. A single processor keeps the single lane.
int DefaultExtractLanes() {
  unsigned n = std::thread::hardware_concurrency();
  if (n <= 1) return 1;
  return static_cast<int>(std::min<unsigned>(n + 1, kMaxLanes));
}

}  // namespace

int ExtractMembers(os::InputFile& file, Staging& staging, const ExtractOptions& options, ExtractFailure& failure) {
  failure = ExtractFailure();
  int lanes = options.lanes > 0 ? options.lanes : DefaultExtractLanes();
  Lanes run(file, staging, options);
  return run.Run(lanes, failure);
}

}  // namespace engine
