// How long one paint's read of a picture takes: the view and every dialog
// read their BMP again on each WM_PAINT (nothing is cached), so this is paid
// per repaint. Compares ReadBitmap with a plain read of the same bytes, the
// floor any reader has to pay.
//
//   bench/bmp_bench.sh   (builds this with the host compiler and runs it)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "gfx/bmp_read.h"

namespace {

class StreamSource : public gfx::ByteSource {
 public:
  explicit StreamSource(const std::string& path) : in_(path, std::ios::binary) {}
  long long Read(void* buffer, std::size_t size) override {
    in_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
    return in_.gcount();
  }
  bool Seek(std::uint64_t offset) override {
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(in_);
  }
  long long Size() override {
    auto here = in_.tellg();
    in_.seekg(0, std::ios::end);
    long long size = in_.tellg();
    in_.seekg(here);
    return size;
  }

 private:
  std::ifstream in_;
};

template <typename F>
double MedianMs(int runs, F f) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    f();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  std::printf("%-28s %10s %12s %12s\n", "picture", "bytes", "ReadBitmap", "plain read");
  for (int i = 1; i < argc; ++i) {
    std::string path = argv[i];
    long long bytes = 0;
    double reader = MedianMs(51, [&] {
      StreamSource in(path);
      std::vector<std::uint8_t> block(gfx::kInitialBlockSize);
      std::uint16_t offset = 0;
      if (!gfx::ReadBitmap(in, block, offset)) std::fprintf(stderr, "cannot read %s\n", path.c_str());
      bytes = static_cast<long long>(block.size());
    });
    double plain = MedianMs(51, [&] {
      std::ifstream in(path, std::ios::binary);
      std::vector<char> all(static_cast<std::size_t>(bytes) + 64);
      in.read(all.data(), static_cast<std::streamsize>(all.size()));
    });
    std::printf("%-28s %10lld %9.3f ms %9.3f ms\n", path.substr(path.find_last_of('/') + 1).c_str(), bytes,
                reader, plain);
  }
  return 0;
}
