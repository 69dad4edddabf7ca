#include "os/archive_io.h"

#include <windows.h>

#include <utility>

#include "os/os.h"
#include "os/win32/scoped.h"
#include "os/win32/win32_common.h"
#include "text/cp932.h"

namespace os {
namespace {

using win32::Fail;
using win32::Handle;

FILETIME FromUnixTime(std::int64_t unixTime) {
  unsigned long long ticks = static_cast<unsigned long long>(unixTime + 11644473600LL) * 10000000ULL;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

}  // namespace

bool RemoveEmptyFolder(const std::string& path) { return ::RemoveDirectoryA(path.c_str()) != 0 || Fail(); }

struct FolderFile::Impl {
  Handle h;
};

FolderFile::FolderFile() = default;
FolderFile::~FolderFile() = default;

bool FolderFile::Write(const void* data, std::size_t size) {
  if (!impl_) return false;
  auto* p = static_cast<const char*>(data);
  while (size) {
    DWORD chunk = size > 0x1000000 ? 0x1000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(impl_->h.get(), p, chunk, &written, nullptr)) return Fail();
    p += written;
    size -= written;
  }
  return true;
}

bool FolderFile::Flush() {
  if (!impl_) return false;
  return ::FlushFileBuffers(impl_->h.get()) != 0 || Fail();
}

// Set on the handle the data went through: a time set explicitly stays when
// the handle is closed, and no second open of the file is needed.
bool FolderFile::SetTimeUnix(std::int64_t unixTime) {
  if (!impl_) return false;
  FILETIME ft = FromUnixTime(unixTime);
  return ::SetFileTime(impl_->h.get(), nullptr, nullptr, &ft) != 0 || Fail();
}

bool FolderFile::SetTimeDos(std::uint32_t dos) {
  if (!impl_) return false;
  FILETIME local, utc;
  if (!::DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos & 0xFFFF), &local)) return Fail();
  if (!::LocalFileTimeToFileTime(&local, &utc)) return Fail();
  return ::SetFileTime(impl_->h.get(), nullptr, nullptr, &utc) != 0 || Fail();
}

bool FolderFile::Close() {
  if (!impl_) return true;
  HANDLE h = impl_->h.Release();
  impl_.reset();
  return ::CloseHandle(h) != 0 || Fail();
}

struct ExtractFolder::Impl {};

ExtractFolder::ExtractFolder() = default;
ExtractFolder::~ExtractFolder() = default;

bool ExtractFolder::Open(const std::string& folder) {
  path_ = text::EndsWithSeparator(folder) ? folder : folder + '\\';
  DWORD a = ::GetFileAttributesA(folder.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return Fail();
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(Error::NotFound);
    return false;
  }
  impl_ = std::make_unique<Impl>();
  return true;
}

std::vector<std::string> ExtractFolder::List() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  win32::FindHandle find(::FindFirstFileA((path_ + "*").c_str(), &fd));
  if (!find.valid()) return names;
  do {
    std::string n = fd.cFileName;
    if (n != "." && n != "..") names.push_back(n);
  } while (::FindNextFileA(find.get(), &fd));
  return names;
}

bool ExtractFolder::CreateNew(const std::string& name, FolderFile& file) {
  file.impl_.reset();
  Handle h(::CreateFileA((path_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!h.valid()) return Fail();
  file.impl_ = std::make_unique<FolderFile::Impl>();
  file.impl_->h = std::move(h);
  return true;
}

bool ExtractFolder::Rename(const std::string& from, const std::string& to) {
  std::string target = path_ + to;
  // MoveFileEx will not replace a read-only file: clear the attribute first.
  DWORD a = ::GetFileAttributesA(target.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) {
    ::SetFileAttributesA(target.c_str(), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  if (::MoveFileExA((path_ + from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DWORD e = ::GetLastError();
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) ::SetFileAttributesA(target.c_str(), a);
  ::SetLastError(e);
  return Fail();
}

bool ExtractFolder::Remove(const std::string& name) {
  std::string path = path_ + name;
  DWORD a = ::GetFileAttributesA(path.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) {
    ::SetFileAttributesA(path.c_str(), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  return ::DeleteFileA(path.c_str()) != 0 || Fail();
}

bool ExtractFolder::Exists(const std::string& name) {
  return ::GetFileAttributesA((path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ExtractFolder::IsDirectory(const std::string& name) {
  DWORD a = ::GetFileAttributesA((path_ + name).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ExtractFolder::IsReadOnly(const std::string& name) {
  DWORD a = ::GetFileAttributesA((path_ + name).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_READONLY);
}

// Each file was flushed on its own (FolderFile::Flush) and each rename is
// written through, so there is nothing left to do here.
bool ExtractFolder::SyncData() { return true; }
bool ExtractFolder::SyncNames() { return true; }

}  // namespace os
