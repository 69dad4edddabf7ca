// Writes decoded members into the staging's temporary files on a thread of
// its own, so that decoding the next data overlaps the system calls that
// store what came before. Internal to the extraction component.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/archive_staging.h"
#include "lzh/header.h"
#include "os/os.h"

namespace engine {

// The decoding side describes members (Begin, Write, End); the writer
// creates each temporary file, writes it, sets its time, closes it and
// hands it to the staging, in the same order and with the same calls as a
// plain loop would make. The data is copied into blocks of kBlockSize
// bytes; at most kBlocks of them exist, so memory stays bounded whatever
// the archive, and the decoding side waits while all are full.
//
// Until Finish returns, only the writer touches the staging and its folder.
// After the first failure the writer makes no further file, and Write
// returns false so that decoding stops early. When no thread can be
// started, every block is written by the caller as it fills.
class StagedWriter {
 public:
  static constexpr std::size_t kBlockSize = 256 * 1024;
  static constexpr std::size_t kBlocks = 4;

  explicit StagedWriter(Staging& staging);
  // Finishes first (a member left open is discarded).
  ~StagedWriter();
  StagedWriter(const StagedWriter&) = delete;
  StagedWriter& operator=(const StagedWriter&) = delete;

  // A member's file: created as a temporary file, later staged under
  // m.name with m's last-write time.
  void Begin(const lzh::Member& m);
  // Data of the member; false once writing has failed.
  bool Write(const unsigned char* data, std::size_t size);
  // The member is complete (staged) or not (its temporary file is removed).
  void End(bool complete);
  bool Failed() const { return failed_.load(std::memory_order_relaxed); }

  // Waits until everything handed over is written. False after a failure,
  // with the member's name in `failedName` and os::LastError() as the
  // failed call left it. Rethrows what the writer thread threw.
  bool Finish(std::string& failedName);

 private:
  enum class Kind { Begin, Data, End, Discard };
  struct Op {
    Kind kind;
    std::size_t offset;  // Data: where in the block's bytes
    std::size_t size;
    std::string name;  // Begin
    bool hasUnixTime;
    std::int64_t unixTime;
    std::uint32_t dosTime;
  };
  struct Block {
    std::vector<unsigned char> bytes;
    std::vector<Op> ops;
  };

  static std::unique_ptr<Block> NewBlock();
  // Hands the block being filled to the writer and takes a free one.
  void Submit();
  void Run();
  void Process(Block& block);
  // Process, with whatever it throws kept for Finish.
  void ProcessGuarded(Block& block);
  void Fail(const std::string& name);

  Staging& staging_;

  // Writer side: the member being written.
  os::FolderFile file_;
  std::string temp_;
  bool open_ = false;
  std::string name_;
  bool hasUnixTime_ = false;
  std::int64_t unixTime_ = 0;
  std::uint32_t dosTime_ = 0;

  std::unique_ptr<Block> filling_;  // decoding side
  bool memberOpen_ = false;         // decoding side: Begin without End
  std::mutex mutex_;
  std::condition_variable readyChanged_;  // a block is ready, or stop
  std::condition_variable freeChanged_;   // a block is free again
  std::deque<std::unique_ptr<Block>> ready_;
  std::vector<std::unique_ptr<Block>> free_;
  std::size_t blocksMade_ = 0;
  bool stop_ = false;
  bool idle_ = true;  // the writer waits for work

  std::atomic<bool> failed_{false};
  std::exception_ptr thrown_;  // what the writer thread threw
  std::string failedName_;
  os::Error error_ = os::Error::None;

  bool finished_ = false;
  std::thread thread_;  // not joinable when no thread could be started
};

}  // namespace engine
