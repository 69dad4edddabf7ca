// brelix-cli run: the whole update run, headless. Messages are printed as
// "[caption] text"; questions are answered from --answers or the terminal.
// The exit status is the run's outcome (engine/run_outcome.h).
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "engine/run_outcome.h"
#include "engine/update_run.h"
#include "engine/update_session.h"
#include "os/os.h"
#include "os/test_hooks.h"
#include "text/cp932.h"

namespace {

enum class Answer { Ok, Cancel, Unknown };

Answer Understood(const std::string& answer) {
  for (const char* ok : {"ok", "y", "yes"}) {
    if (text::EqualsNoCaseAscii(answer, ok)) return Answer::Ok;
  }
  for (const char* cancel : {"cancel", "n", "no"}) {
    if (text::EqualsNoCaseAscii(answer, cancel)) return Answer::Cancel;
  }
  return Answer::Unknown;
}

class TerminalUi : public UpdateUi {
 public:
  explicit TerminalUi(std::vector<std::string> answers) : answers_(std::move(answers)) {}

  void Message(const std::string& text, const std::string& caption) override {
    cli::PrintLine("[" + caption + "] " + cli::Shown(text));
  }

  // An answer that is neither yes nor no is asked again; only the end of
  // the input is taken as Cancel, the safe answer when nobody is there.
  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    cli::PrintLine("[" + caption + "] " + cli::Shown(text) + " (ok/cancel)");
    for (;;) {
      std::string answer;
      if (next_ < answers_.size()) {
        answer = answers_[next_++];
        cli::PrintLine("> " + answer);
      } else if (!cli::ReadLine(answer)) {
        return false;
      }
      Answer a = Understood(answer);
      if (a != Answer::Unknown) return a == Answer::Ok;
      cli::PrintLine(cli::Say("ok か cancel で答えてください（y/yes、n/no も可）。",
                              "please answer ok or cancel (y/yes, n/no also work)."));
    }
  }

 private:
  std::vector<std::string> answers_;
  std::size_t next_ = 0;
};

std::vector<std::string> SplitCommas(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream in(s);
  std::string item;
  while (std::getline(in, item, ',')) out.push_back(item);
  return out;
}

int Run(const cli::Args& args);
const cli::Command kRun = {"run", "run SOURCE_DIR TARGET_FOLDER [--answers ok,cancel,...] [--removable]", Run};

int Run(const cli::Args& args) {
  std::vector<std::string> positional;
  std::vector<std::string> answers;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--answers" && i + 1 < args.size()) {
      answers = SplitCommas(args[++i]);
    } else if (args[i] == "--removable") {
      os::SetRemovableForTesting(true);
    } else if (args[i].compare(0, 2, "--") == 0) {
      positional.clear();  // an unknown option is a usage error
      break;
    } else {
      positional.push_back(args[i]);
    }
  }
  // The run's exit status comes from one table, so a bad command line is
  // its entry, not the 64 of the other commands.
  if (positional.size() != 2) {
    cli::Usage(kRun);
    return ExitCodeOf(RunOutcome::BadCommandLine);
  }
  std::string source = cli::AsFolder(positional[0]);
  UpdateSession session;
  if (!LoadDescriptor(session, source)) {
    cli::PrintLine(cli::Say("brelix-cli: " + cli::Shown(source + "info.txt") + " を開けません",
                            "brelix-cli: cannot open " + cli::Shown(source + "info.txt")),
                   stderr);
    return ExitCodeOf(RunOutcome::MediumUnusable);
  }
  session.m_targetFolder = positional[1];
  TerminalUi ui(answers);
  RunOutcome outcome = RunOutcome::Applied;
  int result = RunUpdate(session, ui, source, &outcome);
  cli::PrintLine("result " + std::to_string(result));
  return ExitCodeOf(outcome);
}

const cli::Registrar kRegisterRun(kRun);

}  // namespace
