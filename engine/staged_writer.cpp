#include "engine/staged_writer.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

namespace engine {

StagedWriter::StagedWriter(Staging& staging) : staging_(staging) {
  filling_ = NewBlock();
  ++blocksMade_;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // No thread: Submit writes each block itself.
  }
}

StagedWriter::~StagedWriter() {
  try {
    std::string ignored;
    Finish(ignored);
  } catch (...) {
  }
  if (thread_.joinable()) thread_.join();
}

std::unique_ptr<StagedWriter::Block> StagedWriter::NewBlock() {
  auto b = std::make_unique<Block>();
  b->bytes.reserve(kBlockSize);
  return b;
}

void StagedWriter::Begin(const lzh::Member& m) {
  Op op{Kind::Begin, 0, 0, m.name, m.hasUnixTime, m.unixTime, m.dosTime};
  filling_->ops.push_back(std::move(op));
  memberOpen_ = true;
}

bool StagedWriter::Write(const unsigned char* data, std::size_t size) {
  while (size && !Failed()) {
    Block& b = *filling_;
    if (b.bytes.size() == kBlockSize) {
      Submit();
      continue;
    }
    std::size_t n = std::min(size, kBlockSize - b.bytes.size());
    if (!b.ops.empty() && b.ops.back().kind == Kind::Data) {
      b.ops.back().size += n;  // the data before is the same member's, right in front
    } else {
      b.ops.push_back(Op{Kind::Data, b.bytes.size(), n, std::string(), false, 0, 0});
    }
    b.bytes.insert(b.bytes.end(), data, data + n);
    data += n;
    size -= n;
  }
  return !Failed();
}

void StagedWriter::End(bool complete) {
  filling_->ops.push_back(Op{complete ? Kind::End : Kind::Discard, 0, 0, std::string(), false, 0, 0});
  memberOpen_ = false;
}

void StagedWriter::Submit() {
  if (!thread_.joinable()) {
    ProcessGuarded(*filling_);
    filling_->bytes.clear();
    filling_->ops.clear();
    return;
  }
  // A new block (while fewer than kBlocks exist) is made before the full
  // one leaves, so that a failed allocation leaves everything in place.
  std::unique_ptr<Block> fresh;
  bool make;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    make = free_.empty() && blocksMade_ < kBlocks;
  }
  if (make) {
    fresh = NewBlock();
    ++blocksMade_;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  ready_.push_back(std::move(filling_));
  if (idle_) readyChanged_.notify_one();
  if (fresh) {
    filling_ = std::move(fresh);
    return;
  }
  freeChanged_.wait(lock, [this] { return !free_.empty(); });
  filling_ = std::move(free_.back());
  free_.pop_back();
}

bool StagedWriter::Finish(std::string& failedName) {
  if (!finished_) {
    finished_ = true;
    // Nothing here may keep the thread from stopping: a failure to queue
    // is rethrown once it has stopped. A member left without its end is
    // given up below.
    std::exception_ptr queueing;
    try {
      if (memberOpen_ && filling_) End(false);
    } catch (...) {
    }
    if (thread_.joinable()) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        try {
          if (filling_ && !filling_->ops.empty()) ready_.push_back(std::move(filling_));
        } catch (...) {
          queueing = std::current_exception();
        }
      }
      readyChanged_.notify_one();
      thread_.join();
    } else if (filling_) {
      ProcessGuarded(*filling_);
    }
    filling_.reset();
    // A member whose end never came (the decoding side stopped by an
    // exception) is given up too.
    if (open_) {
      file_.Close();
      open_ = false;
      staging_.Discard(temp_);
    }
    if (queueing && !thrown_) thrown_ = queueing;
  }
  if (thrown_) std::rethrow_exception(thrown_);
  if (!Failed()) return true;
  failedName = failedName_;
  os::SetLastError(error_);
  return false;
}

void StagedWriter::Run() {
  for (;;) {
    std::unique_ptr<Block> b;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      idle_ = true;
      readyChanged_.wait(lock, [this] { return !ready_.empty() || stop_; });
      if (ready_.empty()) return;  // stopped, and everything is written
      idle_ = false;
      b = std::move(ready_.front());
      ready_.pop_front();
    }
    ProcessGuarded(*b);
    b->bytes.clear();
    b->ops.clear();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      free_.push_back(std::move(b));
    }
    freeChanged_.notify_one();
  }
}

void StagedWriter::ProcessGuarded(Block& block) {
  try {
    Process(block);
  } catch (...) {
    // Kept for the caller (the component turns it into its reply); the
    // member being written is given up like any failed one.
    thrown_ = std::current_exception();
    failed_.store(true, std::memory_order_relaxed);
    try {
      if (open_) {
        file_.Close();
        open_ = false;
        staging_.Discard(temp_);
      }
    } catch (...) {
    }
  }
}

void StagedWriter::Process(Block& block) {
  for (const Op& op : block.ops) {
    if (Failed()) return;
    switch (op.kind) {
      case Kind::Begin:
        name_ = op.name;
        hasUnixTime_ = op.hasUnixTime;
        unixTime_ = op.unixTime;
        dosTime_ = op.dosTime;
        if (!staging_.CreateTemp(file_, temp_)) {
          Fail(name_);
          break;
        }
        open_ = true;
        break;
      case Kind::Data:
        if (!file_.Write(block.bytes.data() + op.offset, op.size)) Fail(name_);
        break;
      case Kind::End: {
        if (hasUnixTime_) {
          file_.SetTimeUnix(unixTime_);
        } else {
          file_.SetTimeDos(dosTime_);
        }
        bool written = file_.Flush();
        if (!file_.Close()) written = false;
        if (!written) {
          Fail(name_);
          break;
        }
        open_ = false;
        staging_.Add(temp_, name_);
        break;
      }
      case Kind::Discard:
        file_.Close();
        open_ = false;
        staging_.Discard(temp_);
        break;
    }
  }
}

// Keeps the failed call's error; the member's temporary file goes.
void StagedWriter::Fail(const std::string& name) {
  error_ = os::LastError();
  failedName_ = name;
  if (open_) {
    file_.Close();
    open_ = false;
    staging_.Discard(temp_);
  }
  failed_.store(true, std::memory_order_relaxed);
}

}  // namespace engine
