// The operating-system door on Windows: the narrow (code page 932) Win32
// functions, called directly.
#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "os/os.h"
#include "os/os_internal.h"
#include "os/win32/scoped.h"
#include "os/win32/win32_common.h"

namespace os {
namespace {

using win32::Fail;
using win32::FindHandle;
using win32::Handle;

// Fault injection only counts on Windows; it never fails a call here.
void Count(Op op) {
  if (detail::InjectedFailure(op)) SetLastError(Error::None);
}

}  // namespace

std::string ExecutablePath() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

bool Exists(const std::string& path) {
  if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  return Fail();
}

bool IsDirectory(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const std::string& path) {
  Count(Op::MakeFolder);
  if (!::CreateDirectoryA(path.c_str(), nullptr)) return Fail();
  return true;
}

std::string WindowsFolder() {
  std::vector<char> buf(MAX_PATH);
  UINT n = ::GetWindowsDirectoryA(buf.data(), static_cast<UINT>(buf.size()));
  if (n >= buf.size()) {
    buf.resize(n + 1);
    n = ::GetWindowsDirectoryA(buf.data(), static_cast<UINT>(buf.size()));
  }
  return n == 0 || n >= buf.size() ? std::string() : std::string(buf.data(), n);
}

int DriveTypeOf(const std::string& path) { return static_cast<int>(::GetDriveTypeA(path.c_str())); }

void SetRemovableForTesting(bool) {}

std::vector<FindEntry> FindFiles(const std::string& pattern, std::size_t limit) {
  std::vector<FindEntry> out;
  WIN32_FIND_DATAA data;
  FindHandle find(::FindFirstFileA(pattern.c_str(), &data));
  if (!find.valid()) {
    Fail();
    return out;
  }
  do {
    if (out.size() >= limit) break;
    FindEntry e;
    e.name = data.cFileName;
    e.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.push_back(e);
  } while (::FindNextFileA(find.get(), &data));
  return out;
}

bool CopyFileReplace(const std::string& from, const std::string& to) {
  Count(Op::Copy);
  if (!::CopyFileA(from.c_str(), to.c_str(), FALSE)) return Fail();
  return true;
}

bool GetAttributes(const std::string& path, std::uint32_t& attributes) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return Fail();
  attributes = a;
  return true;
}

bool SetAttributes(const std::string& path, std::uint32_t attributes) {
  Count(Op::SetAttributes);
  if (!::SetFileAttributesA(path.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes)) return Fail();
  return true;
}

bool RemoveFile(const std::string& path) {
  Count(Op::Remove);
  if (!::DeleteFileA(path.c_str())) return Fail();
  return true;
}

bool MoveReplace(const std::string& from, const std::string& to, bool replaceReadOnly) {
  Count(Op::Rename);
  if (replaceReadOnly) {
    DWORD a = ::GetFileAttributesA(to.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) {
      ::SetFileAttributesA(to.c_str(), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
  }
  if (!::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return Fail();
  return true;
}

bool LastWriteDateExclusive(const std::string& path, Date& date) {
  Handle h(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.valid()) return Fail();
  FILETIME written;
  SYSTEMTIME st;
  if (!::GetFileTime(h.get(), nullptr, nullptr, &written) || !::FileTimeToSystemTime(&written, &st)) return Fail();
  date.year = st.wYear;
  date.month = st.wMonth;
  date.day = st.wDay;
  return true;
}

bool LastWriteTime(const std::string& path, std::int64_t& unixTime, std::uint32_t& dosTime) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return Fail();
  ULARGE_INTEGER u;
  u.LowPart = data.ftLastWriteTime.dwLowDateTime;
  u.HighPart = data.ftLastWriteTime.dwHighDateTime;
  unixTime = static_cast<std::int64_t>(u.QuadPart / 10000000u) - 11644473600LL;
  FILETIME local;
  WORD date = 0, time = 0;
  if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !::FileTimeToDosDateTime(&local, &date, &time)) {
    date = (1 << 5) | 1;  // before 1980: 1980-01-01
    time = 0;
  }
  dosTime = static_cast<std::uint32_t>(date) << 16 | time;
  return true;
}

bool SetLastWriteTime(const std::string& path, int year, int month, int day, int hour) {
  Handle h(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.valid()) return Fail();
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  FILETIME ft;
  if (!::SystemTimeToFileTime(&st, &ft) || !::SetFileTime(h.get(), nullptr, nullptr, &ft)) return Fail();
  return true;
}

// ---- InputFile -----------------------------------------------------------

struct InputFile::Impl {
  Handle h;
};

InputFile::InputFile() = default;
InputFile::~InputFile() = default;

bool InputFile::Open(const std::string& path, bool exclusive) {
  impl_ = std::make_unique<Impl>();
  DWORD share = exclusive ? 0 : (FILE_SHARE_READ | FILE_SHARE_WRITE);
  impl_->h.Reset(::CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!impl_->h.valid()) {
    Fail();
    impl_.reset();
    return false;
  }
  return true;
}

long long InputFile::Read(void* buffer, std::size_t size) {
  if (!impl_) return -1;
  DWORD got = 0;
  DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!::ReadFile(impl_->h.get(), buffer, want, &got, nullptr)) {
    Fail();
    return -1;
  }
  return got;
}

// A synchronous handle reads at the OVERLAPPED offset and waits; the file
// pointer it moves is not used by anything reading this way.
long long InputFile::ReadAt(void* buffer, std::size_t size, std::uint64_t offset) {
  if (!impl_) return -1;
  DWORD got = 0;
  DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  if (!::ReadFile(impl_->h.get(), buffer, want, &got, &at)) {
    if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
    Fail();
    return -1;
  }
  return got;
}

bool InputFile::Seek(std::uint64_t offset) {
  if (!impl_) return false;
  LARGE_INTEGER li;
  li.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(impl_->h.get(), li, nullptr, FILE_BEGIN) != 0;
}

long long InputFile::Size() {
  LARGE_INTEGER li;
  if (!impl_ || !::GetFileSizeEx(impl_->h.get(), &li)) return -1;
  return li.QuadPart;
}

void InputFile::Close() { impl_.reset(); }

// ---- OutputFile ----------------------------------------------------------

struct OutputFile::Impl {
  Handle h;
};

OutputFile::OutputFile() = default;
OutputFile::~OutputFile() = default;

bool OutputFile::Create(const std::string& path) {
  impl_.reset();
  Count(Op::Create);
  auto impl = std::make_unique<Impl>();
  impl->h.Reset(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!impl->h.valid()) return Fail();
  impl_ = std::move(impl);
  return true;
}

bool OutputFile::Write(const void* data, std::size_t size) {
  if (!impl_) return false;
  Count(Op::Write);
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(impl_->h.get(), p, chunk, &written, nullptr)) return Fail();
    p += written;
    size -= written;
  }
  return true;
}

bool OutputFile::Seek(std::uint64_t offset) {
  if (!impl_) return false;
  LARGE_INTEGER li;
  li.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(impl_->h.get(), li, nullptr, FILE_BEGIN)) return Fail();
  return true;
}

bool OutputFile::Truncate() {
  if (!impl_) return false;
  if (!::SetEndOfFile(impl_->h.get())) return Fail();
  return true;
}

bool OutputFile::Flush() {
  if (!impl_) return false;
  Count(Op::Flush);
  if (!::FlushFileBuffers(impl_->h.get())) return Fail();
  return true;
}

bool OutputFile::Close() {
  if (!impl_) return true;
  Count(Op::Close);
  HANDLE h = impl_->h.Release();
  impl_.reset();
  if (!::CloseHandle(h)) return Fail();
  return true;
}

bool OutputFile::IsOpen() const { return impl_ != nullptr; }

// ---- Profile strings -----------------------------------------------------

std::string GetProfileValue(const std::string& section, const std::string& key,
                             const std::string& def, std::size_t size, const std::string& file) {
  if (size == 0) return std::string();
  std::vector<char> buf(size + 1, '\0');
  DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                       static_cast<DWORD>(size), file.c_str());
  if (n >= size) n = static_cast<DWORD>(size - 1);
  return std::string(buf.data(), std::strlen(buf.data()) < n ? std::strlen(buf.data()) : n);
}

bool SetProfileValue(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) {
  Count(Op::ProfileWrite);
  if (!::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str())) return Fail();
  return true;
}

}  // namespace os

namespace os {

RegistryRead ReadMachineValue(const std::string& keyPath, const std::string& valueName, std::string& value) {
  win32::RegKey key;
  // The package's 32-bit installer registered itself in the 32-bit view; a
  // 64-bit build of this program must look there too, not in the native view.
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.out()) !=
      ERROR_SUCCESS) {
    return RegistryRead::NoKey;
  }
  // Ask for the size first, then read the whole value whatever its length.
  std::vector<char> data;
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = 0;
    if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
      return RegistryRead::NoValue;
    }
    data.assign(size + 2, '\0');
    DWORD got = size;
    LONG r = ::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr,
                                reinterpret_cast<BYTE*>(data.data()), &got);
    if (r == ERROR_MORE_DATA) continue;  // the value grew meanwhile
    if (r != ERROR_SUCCESS) return RegistryRead::NoValue;
    data.resize(got);
    std::string text(data.begin(), data.end());
    value = text.substr(0, text.find('\0'));
    return RegistryRead::Value;
  }
  return RegistryRead::NoValue;
}

void SetRegistryForTesting(
    const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>&) {}

}  // namespace os
