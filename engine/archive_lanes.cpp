#include "engine/archive_lanes.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "engine/archive_files.h"

namespace engine {
namespace {

constexpr std::size_t kLanes = 2;
// What the lane that must wait may keep of its member before it waits.
// (Dealing members by size instead of in turn, and three or four lanes,
// were measured: no faster on two cores, and dealing by size slower.)
constexpr std::size_t kBufferBound = 4 << 20;

struct Shared {
  explicit Shared(os::OutputFile& f) : file(f) {}
  std::mutex m;
  std::condition_variable cv;
  os::OutputFile& file;
  std::size_t head = 0;        // the earliest member not yet finished
  std::uint64_t fileEnd = 0;   // where it starts in the file
  std::uint64_t filePos = 0;   // the file's write position
  bool failed = false;
};

// A lane's encoder writes here. Offsets are the encoder's own (its members
// only); while its member is the head one they map into the file, before
// that into a buffer.
class LaneOutput : public lzh::Output {
 public:
  explicit LaneOutput(Shared& s) : s_(s) {}

  void BeginMember(std::size_t index) {
    index_ = index;
    base_ = pos_;
    buffer_.clear();
    direct_ = false;
  }

  // Waits for the member's turn, puts what it buffered into the file after
  // the members before it, and hands the turn on.
  bool EndMember() {
    std::unique_lock<std::mutex> lock(s_.m);
    s_.cv.wait(lock, [&] { return s_.failed || s_.head == index_; });
    if (s_.failed) return Stop();
    if (!MakeDirect()) return false;
    s_.fileEnd = fileBase_ + (pos_ - base_);
    s_.head = index_ + 1;
    s_.cv.notify_all();
    return true;
  }

  bool Write(const void* data, std::size_t size) override {
    if (!direct_) {
      std::unique_lock<std::mutex> lock(s_.m);
      const std::size_t end = static_cast<std::size_t>(pos_ - base_) + size;
      s_.cv.wait(lock, [&] {
        return s_.failed || s_.head == index_ || end <= std::max(buffer_.size(), kBufferBound);
      });
      if (s_.failed) return Stop();
      if (s_.head == index_) {
        if (!MakeDirect()) return false;
      } else {
        if (end > buffer_.size()) buffer_.resize(end);
        std::memcpy(&buffer_[static_cast<std::size_t>(pos_ - base_)], data, size);
        pos_ += size;
        return true;
      }
    }
    // Only the head lane touches the file, and the turn cannot leave it
    // before its EndMember.
    if (!SeekFile(fileBase_ + (pos_ - base_)) || !s_.file.Write(data, size)) return Fail();
    s_.filePos += size;
    pos_ += size;
    return true;
  }

  bool Seek(std::uint64_t offset) override {
    if (offset < base_) return false;  // the encoder only goes back within its member
    pos_ = offset;
    return true;
  }

  bool Truncate() override {
    if (!direct_) {
      buffer_.resize(std::min(buffer_.size(), static_cast<std::size_t>(pos_ - base_)));
      return true;
    }
    if (!SeekFile(fileBase_ + (pos_ - base_)) || !s_.file.Truncate()) return Fail();
    return true;
  }

  // Whether the lane stopped because another lane failed.
  bool Stopped() const { return stopped_; }

  bool Fail() {
    std::lock_guard<std::mutex> lock(s_.m);
    s_.failed = true;
    s_.cv.notify_all();
    return false;
  }

 private:
  bool Stop() {
    stopped_ = true;
    return false;
  }

  bool SeekFile(std::uint64_t offset) {
    if (s_.filePos == offset) return true;
    if (!s_.file.Seek(offset)) return false;
    s_.filePos = offset;
    return true;
  }

  // Called with the lock held when the member has become the head one.
  bool MakeDirect() {
    if (direct_) return true;
    fileBase_ = s_.fileEnd;
    if (!SeekFile(fileBase_) || (!buffer_.empty() && !s_.file.Write(buffer_.data(), buffer_.size()))) {
      s_.failed = true;
      s_.cv.notify_all();
      return false;
    }
    s_.filePos += buffer_.size();
    buffer_.clear();
    direct_ = true;
    return true;
  }

  Shared& s_;
  std::size_t index_ = 0;
  std::uint64_t pos_ = 0;   // the encoder's write position
  std::uint64_t base_ = 0;  // where the member began, in the encoder's offsets
  std::uint64_t fileBase_ = 0;
  bool direct_ = false;
  bool stopped_ = false;
  std::string buffer_;
};

struct Lane {
  Lane(Shared& s, const lzh::EncodeOptions& options) : out(s), writer(out, options) {}
  LaneOutput out;
  lzh::ArchiveWriter writer;
  LaneResult result;  // the lane's own sizes, and its first failure

  bool Encode(std::size_t i, const LaneInput& input) {
    out.BeginMember(i);
    lzh::AddedMember added;
    bool openFailed;
    lzh::EncodeStatus st = AddFromFile(writer, input.member, input.source, &added, openFailed);
    // A lane stopped by another's failure reports nothing of its own.
    if (st != lzh::EncodeStatus::Ok) return out.Stopped() ? false : Failed(i, st, openFailed);
    result.original += added.originalSize;
    result.packed += added.packedSize;
    if (!out.EndMember()) return out.Stopped() ? false : Failed(i, lzh::EncodeStatus::WriteError, false);
    return true;
  }

  bool Failed(std::size_t i, lzh::EncodeStatus st, bool open) {
    result.ok = false;
    result.failedMember = i;
    result.status = st;
    result.openFailed = open;
    out.Fail();
    return false;
  }

  std::vector<std::size_t> members;  // dealt to this lane, in archive order

  void Run(const std::vector<LaneInput>& inputs) {
    std::size_t i = 0;
    try {
      for (std::size_t k = 0; k < members.size(); ++k) {
        i = members[k];
        if (!Encode(i, inputs[i])) return;
      }
    } catch (...) {  // out of memory: the archive fails, the thread ends
      Failed(i, lzh::EncodeStatus::WriteError, false);
    }
  }
};

}  // namespace

LaneResult WriteArchiveInLanes(os::OutputFile& file, const lzh::EncodeOptions& options,
                               const std::vector<LaneInput>& inputs, bool threads) {
  Shared shared(file);
  std::unique_ptr<Lane> lanes[kLanes];
  for (auto& lane : lanes) lane = std::make_unique<Lane>(shared, options);
  for (std::size_t i = 0; i < inputs.size(); ++i) lanes[i % kLanes]->members.push_back(i);

  bool ran = false;
  if (threads && inputs.size() > 1) {
    std::thread second;
    try {
      second = std::thread([&] { lanes[1]->Run(inputs); });
    } catch (const std::system_error&) {
      // No thread: the lanes take turns below, with the same result.
    }
    if (second.joinable()) {
      lanes[0]->Run(inputs);
      second.join();
      ran = true;
    }
  }
  if (!ran) {
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      if (!lanes[i % kLanes]->Encode(i, inputs[i])) break;
    }
  }

  LaneResult result;
  for (const auto& lane : lanes) {
    const LaneResult& own = lane->result;
    // The failure reported is the one earliest in the archive that is not
    // merely a consequence of another lane's.
    if (!own.ok && (result.ok || own.failedMember < result.failedMember)) {
      result.ok = false;
      result.failedMember = own.failedMember;
      result.status = own.status;
      result.openFailed = own.openFailed;
    }
    result.original += own.original;
    result.packed += own.packed;
  }
  if (!result.ok) return result;
  // The end marker goes after the last member, through the first lane.
  lanes[0]->out.BeginMember(inputs.size());
  const lzh::EncodeStatus st = lanes[0]->writer.Finish();
  if (st != lzh::EncodeStatus::Ok) {
    result.ok = false;
    result.failedMember = inputs.size();
    result.status = st;
  }
  return result;
}

}  // namespace engine
