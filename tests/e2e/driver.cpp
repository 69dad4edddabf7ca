// brelix-driver: drives a running Windows program the way a person would, for
// the end-to-end tests. Runs under the same Wine as the program.
//
//   brelix-driver SCRIPT
//
// SCRIPT is UTF-8, one command a line; '#' starts a comment line; arguments
// are separated by blanks, and "..." quotes one argument (with \n, \r, \t,
// \\ and \" escapes). Every command waits for its effect with a timeout
// instead of sleeping:
//
//   timeout MS              wait up to MS milliseconds from now on
//   launch EXE [DIR]        start EXE (a Windows path) with current directory DIR
//   launchcmd LINE [DIR]    start the program with exactly the command line
//                           LINE (program and switches, quoted as a shortcut
//                           or a logon script writes them)
//   watch                   until the program ends, note every window it shows:
//                           "CLASS|CAPTION" for each visible top-level window
//                           and "CLASS|CAPTION|TEXT" for each text of its
//                           children
//   seen TEXT               some note of the last watch contains TEXT
//   unseen TEXT             no note of the last watch contains TEXT
//   dialog CAPTION          wait for a visible, enabled dialog of the program
//                           with this caption and make it the current one
//   text ID EXPECTED        wait until control ID of the current dialog reads
//                           EXPECTED (0xFFFF is a message box's text)
//   textstarts ID PREFIX    the same, for a text that starts with PREFIX
//   settext ID TEXT         set the text of control ID
//   select ID ENTRY         select ENTRY of list box ID and notify the dialog
//                           of the selection change, as a click does; prints
//                           how long the dialog took to handle it
//   dblclick ID ENTRY       the same, notified as a double click
//   listhas ID ENTRY        wait until list box ID holds ENTRY
//   listcount ID N          wait until list box ID holds N entries
//   click ID                post a click to button ID (refused when it is
//                           disabled or hidden)
//   key enter|escape        press a key in the focused control of the dialog
//   okuntil CAPTION TEXT [PREFIX]
//                           answer OK to every message box CAPTION until one
//                           reads TEXT, which becomes the current dialog; each
//                           box answered is saved as PREFIX-N.bmp when given
//   gone                    wait until the current dialog is hidden or gone
//   main CAPTION            wait until the main window's caption is CAPTION
//   mainstyle               check the main window: maximised, no menu, no
//                           system menu, no sizing border
//   pixel WHAT FX FY RRGGBB [TOLERANCE]
//                           wait until the screen colour at fraction FX, FY
//                           of the client area of WHAT (a control ID of the
//                           current dialog, or "view") is RRGGBB, each channel
//                           within TOLERANCE
//   shot FILE.bmp           save the screen as a BMP file
//   exit CODE               wait for the program to end with exit code CODE
//   nodialog                check that no dialog of the program is visible
//   loadlib NAME            load the DLL NAME into the driver itself, by bare
//                           name with the default search order (needs no program)
//
// Exit code 0 when every command passed; 1 (with a message naming the line)
// otherwise, after ending the program if it still runs.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "os/win32/scoped.h"

namespace {

PROCESS_INFORMATION g_process{};
bool g_launched = false;
std::vector<std::string> g_seen;  // notes of the last watch, UTF-8
HWND g_dialog = nullptr;
DWORD g_firstTimeout = 10000;  // the first window of a cold program
DWORD g_timeout = 5000;

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
  return w;
}

std::string Narrow(const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

// Text of any window, also another process's control.
std::wstring TextOf(HWND hwnd) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                      2000, &got);
  text.resize(got);
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  std::wstring name(256, L'\0');  // class names are at most 256 characters
  int n = GetClassNameW(hwnd, &name[0], static_cast<int>(name.size()));
  name.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return name;
}

std::string Hex(COLORREF c) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (int v : {GetRValue(c), GetGValue(c), GetBValue(c)}) {
    s += digits[v >> 4];
    s += digits[v & 15];
  }
  return s;
}

struct Found {
  std::vector<HWND> windows;
  bool dialogsOnly = true;
};

BOOL CALLBACK CollectWindows(HWND hwnd, LPARAM lParam) {
  auto* found = reinterpret_cast<Found*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != g_process.dwProcessId) return TRUE;
  if (found->dialogsOnly && ClassOf(hwnd) != L"#32770") return TRUE;
  found->windows.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> ProgramWindows(bool dialogsOnly) {
  Found found;
  found.dialogsOnly = dialogsOnly;
  EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

bool ProgramEnded() { return WaitForSingleObject(g_process.hProcess, 0) == WAIT_OBJECT_0; }

// Polls `check` every 10 ms until it holds or `timeout` passes.
template <typename Check>
bool WaitFor(DWORD timeout, Check check) {
  DWORD start = GetTickCount();
  for (;;) {
    if (check()) return true;
    if (GetTickCount() - start > timeout) return false;
    Sleep(10);
  }
}

HWND MainWindow() {
  for (HWND hwnd : ProgramWindows(false)) {
    if (ClassOf(hwnd) == L"BrelixFrame") return hwnd;
  }
  return nullptr;
}

// Owners of the drawing objects of one screenshot, released in reverse order.
struct ScreenDC {
  HDC dc = GetDC(nullptr);
  ~ScreenDC() { ReleaseDC(nullptr, dc); }
};
using MemoryDC = os::Scoped<os::win32::NullHandleTraits<HDC, DeleteDC>>;
using Bitmap = os::win32::GdiObject<HBITMAP>;
struct Selection {
  HDC dc;
  HGDIOBJ previous;
  Selection(HDC d, HGDIOBJ object) : dc(d), previous(SelectObject(d, object)) {}
  ~Selection() { SelectObject(dc, previous); }
};

bool SaveScreen(const std::string& path) {
  ScreenDC screen;
  int width = GetDeviceCaps(screen.dc, HORZRES);
  int height = GetDeviceCaps(screen.dc, VERTRES);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  MemoryDC memory(CreateCompatibleDC(screen.dc));
  Bitmap bitmap(CreateDIBSection(screen.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap.valid() || !bits) return false;
  Selection selection(memory.get(), bitmap.get());
  BitBlt(memory.get(), 0, 0, width, height, screen.dc, 0, 0, SRCCOPY);
  GdiFlush();
  DWORD rowBytes = ((width * 24 + 31) / 32) * 4;
  DWORD imageSize = rowBytes * height;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + imageSize;
  info.bmiHeader.biSizeImage = imageSize;
  FILE* f = _wfopen(Widen(path).c_str(), L"wb");
  if (!f) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f) == 1 &&
            std::fwrite(bits, imageSize, 1, f) == 1;
  return std::fclose(f) == 0 && ok;
}

// Lets every window of the program finish painting before a screenshot.
void SettlePainting() {
  for (HWND hwnd : ProgramWindows(false)) {
    if (!IsWindowVisible(hwnd)) continue;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  }
  // Owned pop-ups paint on the program's own thread: one more round trip.
  for (HWND hwnd : ProgramWindows(false)) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  }
}

std::vector<std::string> Split(const std::string& line, std::string& error) {
  std::vector<std::string> args;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string arg;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          char e = line[i++];
          arg += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        } else {
          arg += c;
        }
      }
      if (!closed) error = "unterminated quote";
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') arg += line[i++];
    }
    args.push_back(arg);
  }
  return args;
}

std::string Quote(const std::wstring& w) {
  std::string s = Narrow(w), out = "\"";
  for (char c : s) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out + "\"";
}

// Index of the entry that reads `wanted` in another process's list box, or -1.
int ListIndexOf(HWND list, const std::wstring& wanted) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count)) return -1;
  for (DWORD_PTR i = 0; i < count; ++i) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 2000, &length)) return -1;
    if (length != wanted.size()) continue;
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 2000, &got);
    text.resize(got);
    if (text == wanted) return static_cast<int>(i);
  }
  return -1;
}

BOOL CALLBACK CollectChildren(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

// Text a window holds, without a message to its (perhaps busy) thread.
std::wstring HeldText(HWND hwnd) {
  std::wstring text(1024, L'\0');
  int n = GetWindowTextW(hwnd, &text[0], static_cast<int>(text.size()));
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return text;
}

void Note(const std::string& note) {
  for (const std::string& n : g_seen) {
    if (n == note) return;
  }
  g_seen.push_back(note);
  std::printf("   seen %s\n", note.c_str());
}

// Notes what the program shows until it ends; false when it outlives `timeout`.
bool Watch(DWORD timeout) {
  g_seen.clear();
  return WaitFor(timeout, [] {
    for (HWND hwnd : ProgramWindows(false)) {
      if (!IsWindowVisible(hwnd)) continue;
      std::string top = Narrow(ClassOf(hwnd)) + "|" + Narrow(HeldText(hwnd));
      Note(top);
      std::vector<HWND> children;
      EnumChildWindows(hwnd, CollectChildren, reinterpret_cast<LPARAM>(&children));
      for (HWND child : children) {
        std::wstring text = HeldText(child);
        if (!text.empty()) Note(top + "|" + Narrow(text));
      }
    }
    return ProgramEnded();
  });
}

int ParseId(const std::string& s) { return static_cast<int>(std::strtol(s.c_str(), nullptr, 0)); }

// Runs one command; false with `error` set when it failed.
bool Run(const std::vector<std::string>& a, std::string& error) {
  const std::string& cmd = a[0];
  auto need = [&](std::size_t n) {
    if (a.size() - 1 == n) return true;
    error = cmd + ": expected " + std::to_string(n) + " argument(s)";
    return false;
  };
  if (cmd == "timeout") {
    if (!need(1)) return false;
    g_timeout = g_firstTimeout = static_cast<DWORD>(ParseId(a[1]));
    return true;
  }
  if (cmd == "loadlib") {
    // Loads a DLL by bare name into the driver itself, with the default search
    // order: shows whether a DLL beside the driver would be taken.
    if (!need(1)) return false;
    HMODULE module = LoadLibraryA(a[1].c_str());
    if (module != nullptr) FreeLibrary(module);
    return true;
  }
  if (cmd == "seen" || cmd == "unseen") {
    if (!need(1)) return false;
    bool found = false;
    for (const std::string& n : g_seen) found = found || n.find(a[1]) != std::string::npos;
    if (found != (cmd == "seen")) error = (found ? "the program showed " : "the program never showed ") + a[1];
    return error.empty();
  }
  if (cmd != "launch" && cmd != "launchcmd" && !g_launched) {
    error = "no program launched";
    return false;
  }

  if (cmd == "launch" || cmd == "launchcmd") {
    if (a.size() < 2 || a.size() > 3) return need(1);
    std::wstring commandLine = cmd == "launch" ? L"\"" + Widen(a[1]) + L"\"" : Widen(a[1]);
    std::wstring dir = a.size() == 3 ? Widen(a[2]) : std::wstring();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &g_process)) {
      error = "cannot start " + a[1] + " (error " + std::to_string(GetLastError()) + ")";
      return false;
    }
    g_launched = true;
    // A program that may show no window at all is not waited for.
    if (cmd == "launch") WaitForInputIdle(g_process.hProcess, g_firstTimeout);
    return true;
  }
  if (cmd == "dialog") {
    if (!need(1)) return false;
    std::wstring caption = Widen(a[1]);
    HWND previous = g_dialog;
    HWND found = nullptr;
    bool ok = WaitFor(previous ? g_timeout : g_firstTimeout, [&] {
      for (HWND hwnd : ProgramWindows(true)) {
        if (hwnd == previous && IsWindowVisible(hwnd) && TextOf(hwnd) == caption) continue;
        if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) && TextOf(hwnd) == caption) {
          found = hwnd;
          return true;
        }
      }
      return ProgramEnded();
    });
    if (!ok || !found) {
      std::string seen;
      for (HWND hwnd : ProgramWindows(true)) {
        if (IsWindowVisible(hwnd)) seen += " " + Quote(TextOf(hwnd));
      }
      error = "no dialog " + Quote(caption) + (ProgramEnded() ? " (the program ended)" : "") +
              "; visible:" + (seen.empty() ? " none" : seen);
      return false;
    }
    g_dialog = found;
    return true;
  }
  if (cmd == "text" || cmd == "textstarts") {
    if (!need(2)) return false;
    HWND control = GetDlgItem(g_dialog, ParseId(a[1]));
    std::wstring expected = Widen(a[2]);
    if (!control) {
      error = "no control " + a[1];
      return false;
    }
    const bool whole = cmd == "text";
    if (!WaitFor(g_timeout, [&] {
          std::wstring seen = TextOf(control);
          return whole ? seen == expected : seen.compare(0, expected.size(), expected) == 0;
        })) {
      error = "control " + a[1] + " reads " + Quote(TextOf(control)) + ", expected " + Quote(expected);
      return false;
    }
    return true;
  }
  if (cmd == "settext") {
    if (!need(2)) return false;
    HWND control = GetDlgItem(g_dialog, ParseId(a[1]));
    std::wstring value = Widen(a[2]);
    DWORD_PTR ignored = 0;
    if (!control || !SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()),
                                         SMTO_ABORTIFHUNG, 2000, &ignored)) {
      error = "cannot set control " + a[1];
      return false;
    }
    return true;
  }
  if (cmd == "select" || cmd == "dblclick" || cmd == "listhas") {
    if (!need(2)) return false;
    int id = ParseId(a[1]);
    HWND list = GetDlgItem(g_dialog, id);
    std::wstring wanted = Widen(a[2]);
    int index = -1;
    bool found = list && WaitFor(g_timeout, [&] {
      index = ListIndexOf(list, wanted);
      return index >= 0;
    });
    if (!found) {
      error = "list " + a[1] + " has no entry " + Quote(wanted);
      return false;
    }
    if (cmd == "listhas") return true;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    WORD code = cmd == "select" ? LBN_SELCHANGE : LBN_DBLCLK;
    DWORD start = GetTickCount();
    if (!SendMessageTimeoutW(g_dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(list),
                             SMTO_ABORTIFHUNG, 60000, &ignored)) {
      error = "the dialog did not handle the selection";
      return false;
    }
    std::printf("%s %s %s: %lu ms\n", cmd.c_str(), a[1].c_str(), a[2].c_str(),
                static_cast<unsigned long>(GetTickCount() - start));
    std::fflush(stdout);
    return true;
  }
  if (cmd == "listcount") {
    if (!need(2)) return false;
    HWND list = GetDlgItem(g_dialog, ParseId(a[1]));
    long expected = std::strtol(a[2].c_str(), nullptr, 10);
    DWORD_PTR count = 0;
    if (!list || !WaitFor(g_timeout, [&] {
          return SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count) &&
                 static_cast<long>(count) == expected;
        })) {
      error = "list " + a[1] + " holds " + std::to_string(static_cast<long>(count)) + " entries, expected " + a[2];
      return false;
    }
    return true;
  }
  if (cmd == "click") {
    if (!need(1)) return false;
    HWND button = GetDlgItem(g_dialog, ParseId(a[1]));
    if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) {
      error = "button " + a[1] + " is missing, hidden or disabled";
      return false;
    }
    // Posted: a click that opens a message box must not block the driver.
    PostMessageW(button, BM_CLICK, 0, 0);
    return true;
  }
  if (cmd == "key") {
    if (!need(1)) return false;
    WPARAM vk = a[1] == "enter" ? VK_RETURN : a[1] == "escape" ? VK_ESCAPE : 0;
    if (!vk) {
      error = "unknown key " + a[1];
      return false;
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(g_dialog, nullptr);
    HWND target = g_dialog;
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus) target = info.hwndFocus;
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
    return true;
  }
  if (cmd == "okuntil") {
    if (a.size() < 3 || a.size() > 4) return need(2);
    for (int n = 1;; ++n) {
      if (!Run({"dialog", a[1]}, error)) return false;
      HWND box = g_dialog;
      if (TextOf(GetDlgItem(box, 0xFFFF)) == Widen(a[2])) return true;
      std::printf("   answered %s\n", Quote(TextOf(GetDlgItem(box, 0xFFFF))).c_str());
      if (a.size() == 4 && !Run({"shot", a[3] + "-" + std::to_string(n) + ".bmp"}, error)) return false;
      if (!Run({"click", "1"}, error) || !Run({"gone"}, error)) return false;
    }
  }
  if (cmd == "gone") {
    if (!need(0)) return false;
    HWND dialog = g_dialog;
    if (!WaitFor(g_timeout, [&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); })) {
      error = "dialog " + Quote(TextOf(dialog)) + " is still up";
      return false;
    }
    return true;
  }
  if (cmd == "main") {
    if (!need(1)) return false;
    std::wstring caption = Widen(a[1]);
    HWND frame = nullptr;
    if (!WaitFor(g_timeout, [&] {
          frame = MainWindow();
          return frame && TextOf(frame) == caption;
        })) {
      error = "main window caption is " + (frame ? Quote(TextOf(frame)) : std::string("(no window)")) +
              ", expected " + Quote(caption);
      return false;
    }
    return true;
  }
  if (cmd == "mainstyle") {
    if (!need(0)) return false;
    HWND frame = MainWindow();
    if (!frame) {
      error = "no main window";
      return false;
    }
    LONG style = GetWindowLongW(frame, GWL_STYLE);
    if (!IsZoomed(frame)) error = "main window is not maximised";
    else if (GetMenu(frame)) error = "main window has a menu bar";
    else if (style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) error = "main window has window buttons or a sizing border";
    else if (!(style & WS_VISIBLE)) error = "main window is hidden";
    return error.empty();
  }
  if (cmd == "pixel") {
    if (a.size() < 5 || a.size() > 6) return need(4);
    HWND target = a[1] == "view" ? FindWindowExW(MainWindow(), nullptr, L"BrelixView", nullptr)
                                 : GetDlgItem(g_dialog, ParseId(a[1]));
    if (!target) {
      error = "no window " + a[1];
      return false;
    }
    RECT client{};
    GetClientRect(target, &client);
    POINT at{static_cast<LONG>(client.right * std::atof(a[2].c_str())),
             static_cast<LONG>(client.bottom * std::atof(a[3].c_str()))};
    if (at.x >= client.right) at.x = client.right - 1;
    if (at.y >= client.bottom) at.y = client.bottom - 1;
    ClientToScreen(target, &at);
    const unsigned long want = std::strtoul(a[4].c_str(), nullptr, 16);
    const int tolerance = a.size() == 6 ? std::atoi(a[5].c_str()) : 0;
    COLORREF seen = 0;
    auto within = [&](int x, int y) { return std::abs(x - y) <= tolerance; };
    bool ok = WaitFor(g_timeout, [&] {
      SettlePainting();
      ScreenDC screen;
      seen = GetPixel(screen.dc, at.x, at.y);
      return within(GetRValue(seen), (want >> 16) & 0xFF) && within(GetGValue(seen), (want >> 8) & 0xFF) &&
             within(GetBValue(seen), want & 0xFF);
    });
    if (!ok) {
      error = "colour at " + a[1] + " " + a[2] + "," + a[3] + " is " + Hex(seen) + ", expected " + a[4];
    }
    return ok;
  }
  if (cmd == "shot") {
    if (!need(1)) return false;
    SettlePainting();
    if (!SaveScreen(a[1])) {
      error = "cannot write " + a[1];
      return false;
    }
    return true;
  }
  if (cmd == "watch") {
    if (!need(0)) return false;
    if (!Watch(g_firstTimeout)) {
      error = "the program is still running";
      return false;
    }
    return true;
  }
  if (cmd == "exit") {
    if (!need(1)) return false;
    if (WaitForSingleObject(g_process.hProcess, g_firstTimeout) != WAIT_OBJECT_0) {
      error = "the program is still running";
      return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(g_process.hProcess, &code);
    if (static_cast<int>(code) != ParseId(a[1])) {
      error = "exit code " + std::to_string(code) + ", expected " + a[1];
      return false;
    }
    return true;
  }
  if (cmd == "nodialog") {
    if (!need(0)) return false;
    for (HWND hwnd : ProgramWindows(true)) {
      if (IsWindowVisible(hwnd)) {
        error = "dialog " + Quote(TextOf(hwnd)) + " is up";
        return false;
      }
    }
    return true;
  }
  error = "unknown command " + cmd;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: brelix-driver SCRIPT\n");
    return 64;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "brelix-driver: cannot open %s\n", argv[1]);
    return 64;
  }
  std::string line;
  int number = 0;
  int result = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string error;
    std::vector<std::string> args = Split(line, error);
    if (args.empty() || args[0][0] == '#') continue;
    std::printf("%d: %s\n", number, line.c_str());
    std::fflush(stdout);
    if (error.empty()) Run(args, error);
    if (!error.empty()) {
      std::printf("FAIL %s:%d: %s\n", argv[1], number, error.c_str());
      result = 1;
      break;
    }
  }
  if (g_launched) {
    if (!ProgramEnded()) {
      if (result == 0) std::printf("note: the program is still running; ending it\n");
      TerminateProcess(g_process.hProcess, 3);
      WaitForSingleObject(g_process.hProcess, 5000);
    }
    CloseHandle(g_process.hThread);
    CloseHandle(g_process.hProcess);
  }
  std::fflush(stdout);
  return result;
}
