// The update log: one time-stamped line per event, in UTF-8 with a byte
// order mark so that Notepad on any Windows shows the Japanese text. Lines
// are handed in as code page 932, like every text of the program.
#pragma once

#include <string>

#include "os/os.h"

namespace engine {

// A moment of local time, as the log and its default name show it.
struct LogTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LogTime LocalNow();

// "Brelix-yyyymmdd-hhmmss.log" in `folder` (which ends with a separator).
std::string DefaultLogPath(const std::string& folder, const LogTime& t);

class UpdateLog {
 public:
  // Creates or replaces the file and writes the byte order mark. False when
  // the file cannot be written; the log then stays closed and Line does
  // nothing, so a missing log never stops an update.
  bool Open(const std::string& path);
  bool IsOpen() const { return file_.IsOpen(); }
  const std::string& Path() const { return path_; }

  // "yyyy-mm-dd hh:mm:ss  text" and CR LF. Line breaks inside `text` become
  // " / ", so that every event stays one line.
  void Line(const std::string& text);
  void Line(const std::string& text, const LogTime& t);

  void Close();

 private:
  os::OutputFile file_;
  std::string path_;
};

}  // namespace engine
