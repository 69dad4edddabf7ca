#include "lzh/input.h"

#include <algorithm>
#include <cstring>

namespace lzh {

long long Reader::Skip(std::uint64_t size) {
  unsigned char scratch[4096];
  std::uint64_t done = 0;
  while (done < size) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof scratch, size - done));
    long long got = Read(scratch, want);
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::uint64_t>(got);
  }
  return static_cast<long long>(done);
}

long long MemoryReader::Read(void* buffer, std::size_t size) {
  std::size_t n = std::min(size, size_ - pos_);
  if (n) std::memcpy(buffer, data_ + pos_, n);
  pos_ += n;
  return static_cast<long long>(n);
}

long long MemoryReader::Skip(std::uint64_t size) {
  std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, size_ - pos_));
  pos_ += n;
  return static_cast<long long>(n);
}

Input::Input(Reader& reader) : reader_(&reader), own_(kBufferSize), buffer_(&own_) {}

Input::Input(Reader& reader, std::vector<unsigned char>& buffer) : reader_(&reader), buffer_(&buffer) {
  if (buffer_->size() != kBufferSize) buffer_->resize(kBufferSize);
}

Input::Input(const unsigned char* data, std::size_t size)
    : reader_(nullptr), buffer_(nullptr), data_(data), end_(size), atEnd_(true) {}

bool Input::Fill() {
  if (pos_ < end_) return true;
  if (atEnd_ || failed_) return false;
  consumedBefore_ += end_;
  pos_ = end_ = 0;
  data_ = buffer_->data();
  long long got = reader_->Read(buffer_->data(), buffer_->size());
  if (got < 0) {
    failed_ = true;
    return false;
  }
  if (got == 0) {
    atEnd_ = true;
    return false;
  }
  end_ = static_cast<std::size_t>(got);
  return true;
}

std::size_t Input::Read(void* dst, std::size_t size) {
  auto* out = static_cast<unsigned char*>(dst);
  std::size_t done = 0;
  while (done < size && Fill()) {
    std::size_t n = std::min(size - done, end_ - pos_);
    std::memcpy(out + done, data_ + pos_, n);
    pos_ += n;
    done += n;
  }
  return done;
}

bool Input::PeekByte(unsigned char& c) {
  if (!Fill()) return false;
  c = data_[pos_];
  return true;
}

std::size_t Input::Take(const unsigned char** data, std::size_t max) {
  if (max == 0 || !Fill()) return 0;
  std::size_t n = std::min(max, end_ - pos_);
  *data = data_ + pos_;
  pos_ += n;
  return n;
}

std::uint64_t Input::Skip(std::uint64_t size) {
  std::uint64_t done = 0;
  std::size_t buffered = end_ - pos_;
  std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, buffered));
  pos_ += n;
  done += n;
  if (done == size || atEnd_ || failed_) return done;
  // The buffer is empty: let the reader skip the rest without copying.
  consumedBefore_ += end_;
  pos_ = end_ = 0;
  long long got = reader_->Skip(size - done);
  if (got < 0) {
    failed_ = true;
    return done;
  }
  consumedBefore_ += static_cast<std::uint64_t>(got);
  done += static_cast<std::uint64_t>(got);
  if (done < size) atEnd_ = true;
  return done;
}

}  // namespace lzh
