// The dialog templates, menu, accelerators, strings, icon and manifest of
// Brelix.exe, parsed from the resources linked into this test.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

// Narrow literals here are code page 932 (the project's execution charset).
std::wstring W(const char* cp932) {
  int n = MultiByteToWideChar(932, 0, cp932, -1, nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(932, 0, cp932, -1, &w[0], n);
  w.resize(static_cast<std::size_t>(n > 0 ? n - 1 : 0));
  return w;
}

std::string Utf8(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
  s.resize(static_cast<std::size_t>(n > 0 ? n - 1 : 0));
  return s;
}

const std::uint8_t* Resource(LPCSTR type, int id, DWORD* size = nullptr) {
  HRSRC info = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
  if (!info) return nullptr;
  if (size) *size = SizeofResource(nullptr, info);
  return static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, info)));
}

// A DLGTEMPLATE and its items, as stored.
struct Control {
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;
  int classAtom = 0;  // 0x80 button, 0x81 edit, 0x82 static, 0x83 list box
  std::wstring className;
  std::wstring text;
};
struct Template {
  DWORD style = 0;
  int cx = 0, cy = 0;
  std::wstring caption;
  int pointSize = 0;
  std::wstring font;
  std::vector<Control> controls;
};

class Reader {
 public:
  explicit Reader(const std::uint8_t* p) : p_(p), start_(p) {}
  std::uint16_t Word() {
    std::uint16_t v = static_cast<std::uint16_t>(p_[0] | p_[1] << 8);
    p_ += 2;
    return v;
  }
  DWORD Dword() {
    DWORD lo = Word();
    return lo | static_cast<DWORD>(Word()) << 16;
  }
  std::wstring String() {
    std::wstring s;
    while (std::uint16_t c = Word()) s += static_cast<wchar_t>(c);
    return s;
  }
  // A name or an ordinal (0xFFFF followed by the number).
  std::wstring NameOrOrdinal(int* ordinal) {
    std::uint16_t first = Word();
    if (first == 0xFFFF) {
      *ordinal = Word();
      return L"";
    }
    *ordinal = 0;
    if (first == 0) return L"";
    std::wstring s(1, static_cast<wchar_t>(first));
    s += String();
    return s;
  }
  void AlignDword() {
    while ((p_ - start_) % 4) ++p_;
  }
  void Skip(std::size_t n) { p_ += n; }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* start_;
};

bool LoadTemplate(int id, Template& t) {
  const std::uint8_t* data = Resource(RT_DIALOG, id);
  if (!data) return false;
  Reader r(data);
  t.style = r.Dword();
  r.Dword();  // extended style
  int count = r.Word();
  r.Word();
  r.Word();
  t.cx = static_cast<short>(r.Word());
  t.cy = static_cast<short>(r.Word());
  int ordinal = 0;
  r.NameOrOrdinal(&ordinal);  // menu
  r.NameOrOrdinal(&ordinal);  // class
  t.caption = r.String();
  if (t.style & DS_SETFONT) {
    t.pointSize = r.Word();
    t.font = r.String();
  }
  for (int i = 0; i < count; ++i) {
    r.AlignDword();
    Control c;
    c.style = r.Dword();
    r.Dword();
    c.x = static_cast<short>(r.Word());
    c.y = static_cast<short>(r.Word());
    c.cx = static_cast<short>(r.Word());
    c.cy = static_cast<short>(r.Word());
    c.id = static_cast<short>(r.Word());
    c.className = r.NameOrOrdinal(&c.classAtom);
    int textOrdinal = 0;
    c.text = r.NameOrOrdinal(&textOrdinal);
    r.Skip(r.Word());
    t.controls.push_back(c);
  }
  return true;
}

// A template names a system class by atom or by name; either works alike.
std::string ClassName(int atom, const std::wstring& name) {
  switch (atom) {
    case 0x80: return "button";
    case 0x81: return "edit";
    case 0x82: return "static";
    case 0x83: return "listbox";
    default: break;
  }
  std::string s = Utf8(name);
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

constexpr int kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83;

struct ExpectedControl {
  int id;
  int classAtom;
  const char* text;
  int x, y, cx, cy;
  DWORD typeMask;  // the low style bits that give the kind of control
  DWORD type;
  DWORD must;      // style bits that must be set
  DWORD mustNot;   // and those that must not
};

struct ExpectedTemplate {
  int id;
  const char* caption;
  int cx, cy;
  int pointSize;
  bool systemMenu;
  std::vector<ExpectedControl> controls;
};

constexpr DWORD kButtonType = 0x0F;
constexpr DWORD kStaticType = SS_TYPEMASK;
constexpr DWORD kShown = WS_VISIBLE | WS_CHILD;

std::vector<ExpectedTemplate> Templates() {
  return {
      {IDD_TARGET, "アップデート", 229, 173, 11, false,
       {
           {IDOK, kButton, "次へ", 162, 153, 50, 14, kButtonType, BS_DEFPUSHBUTTON, kShown | WS_TABSTOP, 0},
           {IDC_DRIVE_LIST, kListBox, "", 7, 61, 38, 80, 0, 0,
            kShown | WS_BORDER | WS_VSCROLL | LBS_DISABLENOSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP,
            LBS_SORT},
           {IDC_STATIC, kStatic, "ｲﾝｽﾄｰﾙ先\n      ﾄﾞﾗｲﾌﾞ", 7, 41, 38, 17, kStaticType, SS_LEFT, kShown | SS_SUNKEN, 0},
           {IDC_STATIC, kStatic, "ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞ", 52, 41, 168, 17, kStaticType, SS_CENTER,
            kShown | SS_SUNKEN | SS_CENTERIMAGE, 0},
           {IDC_FOLDER_LIST, kListBox, "", 52, 77, 168, 64, 0, 0,
            kShown | WS_BORDER | WS_VSCROLL | LBS_DISABLENOSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_SORT |
                WS_TABSTOP,
            0},
           {IDC_RESTORE_CHECK, kButton, "更新前に戻す", 106, 157, 102, 10, kButtonType, BS_AUTOCHECKBOX,
            WS_CHILD | WS_DISABLED, WS_VISIBLE},
           {IDC_FOLDER_EDIT, kEdit, "", 52, 61, 168, 14, 0, 0, kShown | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP,
            ES_MULTILINE | ES_READONLY},
           {IDC_BACK, kButton, "戻る", 16, 153, 50, 14, kButtonType, BS_PUSHBUTTON, kShown | WS_TABSTOP, 0},
           {IDC_TEXT, kEdit, "", 52, 7, 168, 31, 0, 0,
            kShown | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | WS_TABSTOP, 0},
           {IDC_PICTURE, kStatic, "", 12, 11, 20, 20, kStaticType, SS_BLACKFRAME, kShown, 0},
       }},
      {IDD_NOTES, "マスタ調整機能付", 215, 129, 11, false,
       {
           {IDOK, kButton, "開始", 158, 108, 50, 14, kButtonType, BS_DEFPUSHBUTTON, kShown | WS_TABSTOP, 0},
           {IDCANCEL, kButton, "取消", 7, 108, 50, 14, kButtonType, BS_PUSHBUTTON, kShown | WS_TABSTOP, 0},
           {IDC_TEXT, kEdit, "", 7, 36, 201, 64, 0, 0,
            kShown | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | WS_TABSTOP, 0},
           {IDC_STATIC, kStatic, "ｲﾝｽﾄｰﾙを開始します。\n下記の注意項目を確認して下さい。", 50, 10, 121, 19, kStaticType,
            SS_LEFT, kShown, 0},
           {IDC_PICTURE, kStatic, "", 12, 7, 20, 20, kStaticType, SS_BLACKFRAME, kShown, 0},
       }},
      {IDD_CONFIRM, "アップデート", 236, 69, 11, false,
       {
           {IDOK, kButton, "更新", 140, 48, 50, 14, kButtonType, BS_DEFPUSHBUTTON, kShown | WS_TABSTOP, 0},
           {IDCANCEL, kButton, "戻る", 47, 48, 50, 14, kButtonType, BS_PUSHBUTTON, kShown | WS_TABSTOP, 0},
           {IDC_STATIC, kStatic, "更新先：", 7, 32, 25, 8, kStaticType, SS_LEFT, kShown, 0},
           {IDC_TEXT, kStatic, "", 37, 30, 192, 11, kStaticType, SS_LEFT, kShown | SS_SUNKEN | SS_CENTERIMAGE, 0},
           {IDC_PICTURE, kStatic, "", 13, 3, 20, 20, kStaticType, SS_BLACKFRAME, kShown, 0},
       }},
      {IDD_ABOUTBOX, "ﾊﾞｰｼﾞｮﾝ情報(Brelix)", 217, 55, 9, true,
       {
           {IDC_STATIC, kStatic, nullptr, 11, 17, 0, 0, kStaticType, SS_ICON, kShown, 0},  // sized by its icon
           {IDC_STATIC, kStatic, "Brelix Version 3.0", 40, 10, 119, 8, kStaticType, SS_LEFT, kShown, 0},
           {IDC_STATIC, kStatic, nullptr, 40, 25, 119, 8, kStaticType, SS_LEFT, kShown, 0},
           {IDOK, kButton, "OK", 178, 7, 32, 14, kButtonType, BS_DEFPUSHBUTTON, kShown, 0},
       }},
  };
}

TEST(Resources, DialogTemplatesMatchTheirTables) {
  for (const ExpectedTemplate& e : Templates()) {
    SCOPED_TRACE("template " + std::to_string(e.id));
    Template t;
    ASSERT_TRUE(LoadTemplate(e.id, t));
    EXPECT_EQ(Utf8(W(e.caption)), Utf8(t.caption));
    EXPECT_EQ(e.cx, t.cx);
    EXPECT_EQ(e.cy, t.cy);
    EXPECT_EQ(e.pointSize, t.pointSize);
    EXPECT_EQ(Utf8(W("ＭＳ Ｐゴシック")), Utf8(t.font));
    EXPECT_EQ(DWORD(WS_POPUP | WS_CAPTION | DS_MODALFRAME), t.style & (WS_POPUP | WS_CAPTION | DS_MODALFRAME));
    EXPECT_EQ(e.systemMenu, (t.style & WS_SYSMENU) != 0);
    if (e.id != IDD_ABOUTBOX) {
      EXPECT_TRUE(t.style & DS_CENTER);
    }
    ASSERT_EQ(e.controls.size(), t.controls.size());
    for (std::size_t i = 0; i < e.controls.size(); ++i) {
      const ExpectedControl& ec = e.controls[i];
      const Control& c = t.controls[i];
      SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(ec.id));
      EXPECT_EQ(ec.id, c.id);
      EXPECT_EQ(ClassName(ec.classAtom, L""), ClassName(c.classAtom, c.className));
      if (ec.text) {
        EXPECT_EQ(Utf8(W(ec.text)), Utf8(c.text));
      }
      EXPECT_EQ(ec.x, c.x);
      EXPECT_EQ(ec.y, c.y);
      EXPECT_EQ(ec.cx, c.cx);
      EXPECT_EQ(ec.cy, c.cy);
      EXPECT_EQ(ec.type, c.style & ec.typeMask);
      EXPECT_EQ(ec.must, c.style & ec.must);
      EXPECT_EQ(0u, c.style & ec.mustNot);
    }
  }
}

TEST(Resources, Strings) {
  struct Row {
    int id;
    const char* text;
  };
  for (const Row& row : {Row{IDR_MAINFRAME, "Brelix\n\nBrelix\n\n\nBrelix.Document\nBrelix Document"},
                         Row{IDS_APP_TITLE, "Brelix"}, Row{IDS_IDLE_MESSAGE, "ﾚﾃﾞｨ"}}) {
    SCOPED_TRACE(row.id);
    // With a length of 0 LoadStringW hands out a pointer to the resource's own text.
    const wchar_t* text = nullptr;
    int length = LoadStringW(nullptr, static_cast<UINT>(row.id), reinterpret_cast<LPWSTR>(&text), 0);
    ASSERT_GT(length, 0);
    EXPECT_EQ(Utf8(W(row.text)), Utf8(std::wstring(text, static_cast<std::size_t>(length))));
  }
}

TEST(Resources, AcceleratorsAndMenu) {
  HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
  ASSERT_NE(nullptr, table);
  ACCEL keys[32] = {};
  int count = CopyAcceleratorTableA(table, keys, 32);
  struct Key {
    BYTE modifiers;
    WORD key;
    WORD command;
  };
  const Key expected[] = {
      {FCONTROL, 'N', ID_FILE_NEW},        {FCONTROL, 'O', ID_FILE_OPEN},      {FCONTROL, 'S', ID_FILE_SAVE},
      {FCONTROL, 'Z', ID_EDIT_UNDO},       {FALT, VK_BACK, ID_EDIT_UNDO},     {FCONTROL, 'X', ID_EDIT_CUT},
      {FSHIFT, VK_DELETE, ID_EDIT_CUT},    {FCONTROL, 'C', ID_EDIT_COPY},     {FCONTROL, VK_INSERT, ID_EDIT_COPY},
      {FCONTROL, 'V', ID_EDIT_PASTE},      {FSHIFT, VK_INSERT, ID_EDIT_PASTE}, {0, VK_F6, ID_NEXT_PANE},
      {FSHIFT, VK_F6, ID_PREV_PANE},
  };
  EXPECT_EQ(static_cast<int>(sizeof expected / sizeof expected[0]), count);
  for (const Key& k : expected) {
    SCOPED_TRACE("command " + std::to_string(k.command) + " key " + std::to_string(k.key));
    bool found = false;
    for (int i = 0; i < count; ++i) {
      const BYTE mods = keys[i].fVirt & (FCONTROL | FALT | FSHIFT);
      if ((keys[i].fVirt & FVIRTKEY) && mods == k.modifiers && keys[i].key == k.key && keys[i].cmd == k.command)
        found = true;
    }
    EXPECT_TRUE(found);
  }
  DestroyAcceleratorTable(table);

  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
  ASSERT_NE(nullptr, menu);
  ASSERT_EQ(3, GetMenuItemCount(menu));
  const char* popups[] = {"ﾌｧｲﾙ(&F)", "編集(&E)", "ﾍﾙﾌﾟ(&H)"};
  auto menuText = [&](UINT item, UINT flags) {
    int length = GetMenuStringW(menu, item, nullptr, 0, flags);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    GetMenuStringW(menu, item, &text[0], static_cast<int>(text.size()), flags);
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return Utf8(text);
  };
  for (UINT i = 0; i < 3; ++i) EXPECT_EQ(Utf8(W(popups[i])), menuText(i, MF_BYPOSITION));
  EXPECT_EQ(Utf8(W("ﾊﾞｰｼﾞｮﾝ情報(Brelix) (&A)...")), menuText(ID_APP_ABOUT, MF_BYCOMMAND));
  DestroyMenu(menu);
}

TEST(Resources, IconAndManifest) {
  EXPECT_NE(nullptr, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
  DWORD size = 0;
  const std::uint8_t* manifest = Resource(RT_MANIFEST, 1, &size);
  ASSERT_NE(nullptr, manifest);
  std::string text(reinterpret_cast<const char*>(manifest), size);
  for (const char* part : {"name=\"Brelix.exe\"", "processorArchitecture=\"" BRELIX_MANIFEST_ARCH "\"",
                           "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\""}) {
    SCOPED_TRACE(part);
    EXPECT_NE(std::string::npos, text.find(part));
  }
}

}  // namespace
