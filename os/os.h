// The one door to the operating system. Every path and text is narrow code
// page 932 with Windows conventions (backslashes, drive letters). os/win32/
// calls the real Windows functions; os/posix/ gives the same contract on
// Linux: backslashes become slashes, names become UTF-8, each path component
// is matched without regard to ASCII case, doubled separators count as one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace os {

// Why the last failing call of this thread failed, in the terms a message to
// the user needs.
enum class Error { None, NotFound, AccessDenied, SharingViolation, DiskFull, Other };
Error LastError();
void SetLastError(Error e);

// ---- Paths and folders --------------------------------------------------

// Full path of the running executable.
std::string ExecutablePath();

// Presence test (_access with mode 0): true for files and folders alike.
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);

// Creates one folder level (_mkdir). False when it exists or cannot be made.
bool MakeFolder(const std::string& path);

// The Windows directory (GetWindowsDirectoryA). On Linux a stand-in folder
// that the archive component never uses.
std::string WindowsFolder();

// Drive types, numbered as GetDriveTypeA numbers them.
enum DriveType : int {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};
// GetDriveTypeA on `path` as given. On Linux every path is a fixed disk
// unless a test says otherwise (os/test_hooks.h).
int DriveTypeOf(const std::string& path);

// One entry of a wildcard listing.
struct FindEntry {
  std::string name;
  bool directory = false;
};
// Lists what matches `pattern` (a folder followed by a wildcard name: '*'
// any run of characters, '?' exactly one character, a double-byte character
// counting as one; letters match without regard to case), in the order the
// file system returns them. "." and ".." are included when they match, as
// FindFirstFile returns them. Stops after `limit` entries.
std::vector<FindEntry> FindFiles(const std::string& pattern, std::size_t limit = SIZE_MAX);

// ---- Whole-file operations ----------------------------------------------

// CopyFileA(from, to, FALSE): replaces an existing target (not a read-only one).
bool CopyFileReplace(const std::string& from, const std::string& to);
// Windows file attributes (FILE_ATTRIBUTE_* bits). On Linux only the
// read-only bit (1) is meaningful: it stands for a missing owner write bit.
constexpr std::uint32_t kAttrReadOnly = 0x01;
bool GetAttributes(const std::string& path, std::uint32_t& attributes);
bool SetAttributes(const std::string& path, std::uint32_t attributes);
bool RemoveFile(const std::string& path);
// Moves `from` over `to` in one step, replacing `to` (MoveFileExA with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH; rename on POSIX).
// A read-only `to` is replaced too when `replaceReadOnly` is set.
bool MoveReplace(const std::string& from, const std::string& to, bool replaceReadOnly = false);

// Last-write date of a file in UTC, read through an exclusive, read-only open
// (share mode 0, backup semantics). False when the open fails, for example
// because another program holds the file open.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
};
bool LastWriteDateExclusive(const std::string& path, Date& date);
// Last-write time of a file or folder as archives store it: Unix time (UTC)
// and MS-DOS local date and time (date in the high word; 1980 at the least).
bool LastWriteTime(const std::string& path, std::int64_t& unixTime, std::uint32_t& dosTime);
// Sets a file's last-write time (UTC), for tests.
bool SetLastWriteTime(const std::string& path, int year, int month, int day, int hour = 12);

// ---- Streams -------------------------------------------------------------

// Reads a text file line by line; a line end is CR LF or LF and is not part
// of the line; a last line without a line end is still a line; a file that
// ends with a line end yields no extra empty line.
class LineReader {
 public:
  LineReader();
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // `exclusive` asks that no other program may open the file meanwhile
  // (share mode 0 on Windows).
  bool Open(const std::string& path, bool exclusive = false);
  bool ReadLine(std::string& line);
  // True when a read failed (as opposed to reaching the end).
  bool Failed() const;
  void Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Binary input.
class InputFile {
 public:
  InputFile();
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // `exclusive` asks that no other program may open the file meanwhile
  // (share mode 0 on Windows; an exclusive advisory lock on Linux).
  bool Open(const std::string& path, bool exclusive = false);
  // Reads up to `size` bytes; returns the count read, or -1 on an error.
  long long Read(void* buffer, std::size_t size);
  // Reads up to `size` bytes at `offset` without using the file's own
  // position, so that several threads may read one file at once; the count
  // read (0 at the end), or -1 on an error.
  long long ReadAt(void* buffer, std::size_t size, std::uint64_t offset);
  bool Seek(std::uint64_t offset);
  // Size of the open file, or -1.
  long long Size();
  void Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Binary output to a new or truncated file.
class OutputFile {
 public:
  OutputFile();
  ~OutputFile();  // closes without flushing to disk
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Create(const std::string& path);
  bool Write(const void* data, std::size_t size);
  bool Write(const std::string& data) { return Write(data.data(), data.size()); }
  // Moves the write position (to rewrite what was written).
  bool Seek(std::uint64_t offset);
  // Cuts the file at the write position.
  bool Truncate();
  // Flushes the buffers and asks the system to put the data on the disk
  // (FlushFileBuffers / fsync).
  bool Flush();
  bool Close();
  bool IsOpen() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// ---- Profile strings -----------------------------------------------------

// GetPrivateProfileStringA for one key: the value (cut to size - 1 bytes,
// never inside a double-byte character) or `def` when the file, section or
// key is missing. `size` 0 gives the empty string.
std::string GetProfileValue(const std::string& section, const std::string& key,
                             const std::string& def, std::size_t size, const std::string& file);
// WritePrivateProfileStringA for one key; false when the file cannot be written.
bool SetProfileValue(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file);

// ---- Registry (read only) --------------------------------------------------

enum class RegistryRead { NoKey, NoValue, Value };
// Opens HKEY_LOCAL_MACHINE\`keyPath` for reading (KEY_QUERY_VALUE in the
// 32-bit view, whether this program is built for 32 or 64 bits) and reads `valueName` as text whatever its
// type, in full: its bytes up to the first NUL. On Linux the registry is
// the one a test sets (os/test_hooks.h), empty by default.
RegistryRead ReadMachineValue(const std::string& keyPath, const std::string& valueName, std::string& value);

}  // namespace os
