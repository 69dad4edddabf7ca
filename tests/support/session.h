// Update sessions and scripted users for tests of the update run.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "engine/update_session.h"
#include "engine/update_ui.h"

namespace testing_support {

inline void AddRecordTo(UpdateSession& s, int disk, int kind, const std::string& name, const std::string& sub) {
  const int k = s.m_recordCount++;
  s.m_diskNumbers[k] = disk;
  s.m_recordKinds[k] = kind;
  s.m_archiveNames[k] = name;
  s.m_subFolders[k] = sub;
}

// Records every message in order ("[caption] text", a question as
// "[caption?] text") and answers questions from `answers`, then with
// `answer`.
class ScriptedUi : public UpdateUi {
 public:
  explicit ScriptedUi(bool answerWhenOutOfScript = true) : answer(answerWhenOutOfScript) {}

  std::vector<std::string> shown;
  std::deque<bool> answers;
  bool answer;
  int waits = 0;

  void Message(const std::string& text, const std::string& caption) override {
    shown.push_back("[" + caption + "] " + text);
  }
  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    shown.push_back("[" + caption + "?] " + text);
    if (answers.empty()) return answer;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void BeginWait() override { ++waits; }
};

}  // namespace testing_support
