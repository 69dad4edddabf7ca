// The file operations of an extraction with no decoding at all: what is
// left when the decoder costs nothing. Reads "size name" lines from LIST
// (the members' original sizes and names, folders dropped) and, like
// `brelix-cli extract`, writes each file under a temporary name on several
// threads (create, one write per 256 KiB, modification time, close), puts
// the data on the disk, then renames the files into place one after another
// in archive order. Its time is a floor under any extraction that installs
// all-or-nothing this way.
//
// usage: files_only FOLDER LIST [THREADS]      (THREADS: default as ours)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct File {
  std::size_t size;
  std::string name;
  std::string temp;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size) {
    ssize_t n = ::write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: files_only FOLDER LIST [THREADS]\n");
    return 2;
  }
  unsigned cpus = std::max(1u, std::thread::hardware_concurrency());
  int threads = argc > 3 ? std::atoi(argv[3]) : (cpus == 1 ? 1 : static_cast<int>(std::min(cpus + 1, 4u)));
  int dir = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<File> files;
  std::ifstream list(argv[2]);
  std::size_t size;
  std::string name;
  while (list >> size >> name) {
    std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    files.push_back(File{size, name, "~brx" + std::to_string(files.size()) + ".tmp"});
  }

  constexpr std::size_t kChunk = 256 * 1024;
  const std::vector<char> data(kChunk, 'x');
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  auto lane = [&] {
    for (std::size_t i; (i = next++) < files.size();) {
      int fd = ::openat(dir, files[i].temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      bool ok = fd >= 0;
      for (std::size_t left = files[i].size; ok && left;) {
        std::size_t n = std::min(left, kChunk);
        ok = WriteAll(fd, data.data(), n);
        left -= n;
      }
      const struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
      ok = ok && ::futimens(fd, times) == 0;
      if (fd >= 0 && ::close(fd) != 0) ok = false;
      if (!ok) failed = true;
    }
  };
  std::vector<std::thread> others;
  for (int t = 1; t < threads; ++t) others.emplace_back(lane);
  lane();
  for (std::thread& t : others) t.join();
  if (failed || ::syncfs(dir) != 0) {
    std::perror("write");
    return 1;
  }
  for (const File& f : files) {
    if (::renameat2(dir, f.temp.c_str(), dir, f.name.c_str(), RENAME_NOREPLACE) != 0 &&
        ::renameat(dir, f.temp.c_str(), dir, f.name.c_str()) != 0) {
      std::perror(f.name.c_str());
      return 1;
    }
  }
  ::fsync(dir);
  ::close(dir);
  return 0;
}
