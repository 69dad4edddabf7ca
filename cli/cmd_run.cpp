// brelix-cli run: the whole update run, headless. Messages are printed as
// "[caption] text"; questions are answered from --answers or the terminal.
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "engine/update_run.h"
#include "engine/update_session.h"
#include "os/os.h"
#include "os/test_hooks.h"

namespace {

class TerminalUi : public UpdateUi {
 public:
  explicit TerminalUi(std::vector<std::string> answers) : answers_(std::move(answers)) {}

  void Message(const std::string& text, const std::string& caption) override {
    cli::PrintLine("[" + caption + "] " + text);
  }

  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    cli::PrintLine("[" + caption + "] " + text + " (ok/cancel)");
    std::string answer;
    if (next_ < answers_.size()) {
      answer = answers_[next_++];
      cli::PrintLine("> " + answer);
    } else if (!cli::ReadLine(answer)) {
      answer = "cancel";  // no terminal input left: the safe answer
    }
    return answer == "ok" || answer == "OK" || answer == "y" || answer == "yes";
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
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) return cli::Usage(kRun);
  std::string source = positional[0];
  if (source.back() != '/' && source.back() != '\\') source += '/';
  UpdateSession session;
  if (!LoadDescriptor(session, source)) {
    cli::PrintLine("brelix-cli: cannot open " + source + "info.txt", stderr);
    return 2;
  }
  session.m_targetFolder = positional[1];
  TerminalUi ui(answers);
  int result = RunUpdate(session, ui, source);
  cli::PrintLine("result " + std::to_string(result));
  return result;
}

const cli::Registrar kRegisterRun(kRun);

}  // namespace
