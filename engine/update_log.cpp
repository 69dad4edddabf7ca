#include "engine/update_log.h"

#include <ctime>

#include "text/convert.h"
#include "text/cp932.h"

namespace engine {

namespace {

std::string Digits(int value, int width) {
  std::string s = std::to_string(value);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
  return s;
}

}  // namespace

LogTime LocalNow() {
  std::time_t now = std::time(nullptr);
  LogTime t;
  // One thread writes the log: the shared buffer of localtime is safe here.
  if (const std::tm* tm = std::localtime(&now)) {
    t.year = tm->tm_year + 1900;
    t.month = tm->tm_mon + 1;
    t.day = tm->tm_mday;
    t.hour = tm->tm_hour;
    t.minute = tm->tm_min;
    t.second = tm->tm_sec;
  }
  return t;
}

std::string DefaultLogPath(const std::string& folder, const LogTime& t) {
  return folder + "Brelix-" + Digits(t.year, 4) + Digits(t.month, 2) + Digits(t.day, 2) + "-" + Digits(t.hour, 2) +
         Digits(t.minute, 2) + Digits(t.second, 2) + ".log";
}

bool UpdateLog::Open(const std::string& path) {
  Close();
  path_ = path;
  if (!file_.Create(path)) return false;
  if (!file_.Write("\xEF\xBB\xBF", 3)) {
    file_.Close();
    return false;
  }
  return true;
}

void UpdateLog::Line(const std::string& text) { Line(text, LocalNow()); }

void UpdateLog::Line(const std::string& text, const LogTime& t) {
  if (!file_.IsOpen()) return;
  std::string flat;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = text::CharLength(text, i);
    if (n == 1 && (text[i] == '\r' || text[i] == '\n')) {
      // CR LF, a lone CR or a lone LF: one separator each.
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      flat += " / ";
      ++i;
      continue;
    }
    flat.append(text, i, n);
    i += n;
  }
  std::string line = Digits(t.year, 4) + "-" + Digits(t.month, 2) + "-" + Digits(t.day, 2) + " " + Digits(t.hour, 2) +
                     ":" + Digits(t.minute, 2) + ":" + Digits(t.second, 2) + "  " + text::Cp932ToUtf8(flat) + "\r\n";
  // Written at once, unbuffered: a run that ends abruptly keeps its lines.
  if (!file_.Write(line)) Close();
}

void UpdateLog::Close() { file_.Close(); }

}  // namespace engine
