// Input side of the decoder: the Reader a caller implements, and the buffer
// the decoder reads through, so the Reader is called once per large block
// and never per byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "lzh/status.h"

namespace lzh {

class Reader {
 public:
  virtual ~Reader() = default;
  // Reads up to `size` bytes; returns the count read, 0 at the end of the
  // input, or -1 on a failure.
  virtual long long Read(void* buffer, std::size_t size) = 0;
  // Skips `size` bytes; returns how many were skipped (fewer at the end of
  // the input) or -1. The default reads and discards.
  virtual long long Skip(std::uint64_t size);
};

// A Reader over bytes in memory (tests, fuzzing).
class MemoryReader : public Reader {
 public:
  MemoryReader(const void* data, std::size_t size)
      : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  long long Read(void* buffer, std::size_t size) override;
  long long Skip(std::uint64_t size) override;

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Buffered input over a Reader.
class Input {
 public:
  static constexpr std::size_t kBufferSize = 64 * 1024;

  explicit Input(Reader& reader);
  // Reads through `buffer` (made kBufferSize long), which the caller may
  // keep for the next Input, so that many small inputs allocate once.
  Input(Reader& reader, std::vector<unsigned char>& buffer);
  // The `size` bytes at `data` (which must outlive the Input), handed out
  // where they are, without a copy.
  Input(const unsigned char* data, std::size_t size);
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;

  // Copies up to `size` bytes into `dst`; returns the count (fewer only at
  // the end of the input or on a failure, see Failed()).
  std::size_t Read(void* dst, std::size_t size);
  // Peeks at the next byte without consuming it; false at the end.
  bool PeekByte(unsigned char& c);
  // Hands out the next block of at most `max` buffered bytes; 0 at the end.
  std::size_t Take(const unsigned char** data, std::size_t max);
  // Skips `size` bytes; the count skipped (fewer at the end).
  std::uint64_t Skip(std::uint64_t size);

  bool Failed() const { return failed_; }
  // Bytes consumed since the start of the input.
  std::uint64_t Position() const { return consumedBefore_ + pos_; }

 private:
  bool Fill();

  Reader* reader_;  // null: the bytes are all in memory
  std::vector<unsigned char> own_;
  std::vector<unsigned char>* buffer_;
  const unsigned char* data_ = nullptr;  // where the buffered bytes are
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint64_t consumedBefore_ = 0;  // bytes of the input before data_[0]
  bool failed_ = false;
  bool atEnd_ = false;
};

}  // namespace lzh
