#include "engine/switches.h"

#include "text/cp932.h"

namespace engine {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Sets the first fault only: the message names the argument that was wrong
// first, as a person reads the line.
void Refuse(Switches& s, const std::string& word, const char* reason) {
  if (!s.badArgument.empty() || !s.badReason.empty()) return;
  s.badArgument = word;
  s.badReason = reason;
}

}  // namespace

std::vector<std::string> SplitArguments(const std::string& arguments) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  for (std::size_t i = 0; i < arguments.size();) {
    std::size_t n = text::CharLength(arguments, i);
    char c = arguments[i];
    if (n == 1 && c == '"') {
      quoted = !quoted;
    } else if (n == 1 && !quoted && IsBlank(c)) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word.append(arguments, i, n);
    }
    i += n;
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

std::string ArgumentsOf(const std::string& commandLine) {
  std::size_t i = 0;
  while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
  bool quoted = false;
  while (i < commandLine.size()) {
    std::size_t n = text::CharLength(commandLine, i);
    char c = commandLine[i];
    if (n == 1 && c == '"') quoted = !quoted;
    else if (n == 1 && !quoted && IsBlank(c)) break;
    i += n;
  }
  while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
  return commandLine.substr(i);
}

Switches ParseSwitches(const std::string& arguments) {
  Switches s;
  bool silent = false;
  bool verySilent = false;
  for (const std::string& word : SplitArguments(arguments)) {
    if (word[0] != '/' && word[0] != '-') {
      Refuse(s, word, "スイッチではありません");
      continue;
    }
    std::size_t equals = text::FindChar(word, '=');
    const bool hasValue = equals != std::string::npos;
    const std::string name = text::UpperAscii(word.substr(1, hasValue ? equals - 1 : std::string::npos));
    const std::string value = hasValue ? word.substr(equals + 1) : std::string();
    if (name == "SILENT" || name == "VERYSILENT" || name == "HELP" || name == "?") {
      if (hasValue) {
        Refuse(s, word, "値は指定できません");
        continue;
      }
      if (name == "SILENT") silent = true;
      else if (name == "VERYSILENT") verySilent = true;
      else s.help = true;
    } else if (name == "DIR") {
      if (value.empty()) {
        Refuse(s, word, "フォルダが指定されていません");
        continue;
      }
      s.hasDir = true;
      s.dir = value;
    } else if (name == "LOG") {
      if (hasValue && value.empty()) {
        Refuse(s, word, "ファイルが指定されていません");
        continue;
      }
      s.log = true;
      s.logPath = value;
    } else {
      Refuse(s, word, "不明なスイッチです");
    }
  }
  // The quieter of the two wins, whatever their order.
  s.mode = verySilent ? UiMode::VerySilent : silent ? UiMode::Silent : UiMode::Wizard;
  return s;
}

std::string SwitchHelpText() {
  return "Brelix.exe [/SILENT | /VERYSILENT] [/DIR=\"フォルダ\"] [/LOG | /LOG=\"ファイル\"]\r\n"
         "\r\n"
         "/SILENT\t確認の画面を出さずに更新します（進行状況だけを表示）。\r\n"
         "/VERYSILENT\t画面を一切出さずに更新します。\r\n"
         "/DIR=\"フォルダ\"\tインストール先フォルダを指定します。\r\n"
         "/LOG\t%TEMP%\\Brelix-日付-時刻.log に記録を残します。\r\n"
         "/LOG=\"ファイル\"\t指定したファイルに記録を残します。\r\n"
         "/? または /HELP\tこの説明を表示します。\r\n"
         "\r\n"
         "終了コード: 0 更新済み、1 コマンドラインの誤り、2 変更前に取消、3 インストール先を受け付けない、\r\n"
         "4 更新ディスクが使えない、5 ディスク交換で取消（一部更新済み）、6 変更後に失敗";
}

}  // namespace engine
