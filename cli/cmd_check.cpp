// brelix-cli check: verifies an update medium before it ships and lists
// every problem found, as text or JSON; exit 0 clean, 1 warnings, 2 errors.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "check/medium_check.h"
#include "cli/cli.h"
#include "text/convert.h"

namespace {

// JSON string of UTF-8 text: quotes, backslashes and control characters
// escaped; everything else passes as it is.
std::string JsonString(const std::string& utf8) {
  static const char hex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : utf8) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      out += "\\u00";
      out += hex[u >> 4];
      out += hex[u & 0xF];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string J(const std::string& cp932) { return JsonString(text::Cp932ToUtf8(cp932)); }

void PrintJson(const check::Report& report, const std::string& medium, bool japanese) {
  std::string out = "{\n  \"medium\": " + J(medium) + ",\n  \"findings\": [";
  bool first = true;
  for (const check::Finding& f : report.findings) {
    out += first ? "\n" : ",\n";
    first = false;
    out += "    {\"severity\": \"" + std::string(check::SeverityName(f.severity)) + "\", \"code\": " + J(f.code) +
           ", \"file\": " + J(f.file) + ", \"line\": " + std::to_string(f.line) + ", \"where\": " + J(f.Where()) +
           ", \"message\": " + J(japanese ? f.messageJa : f.messageEn) + ", \"message_ja\": " + J(f.messageJa) +
           ", \"message_en\": " + J(f.messageEn) + "}";
  }
  out += first ? "],\n" : "\n  ],\n";
  out += "  \"summary\": {\"errors\": " + std::to_string(report.Count(check::Severity::Error)) +
         ", \"warnings\": " + std::to_string(report.Count(check::Severity::Warning)) +
         ", \"infos\": " + std::to_string(report.Count(check::Severity::Info)) +
         ", \"exit_status\": " + std::to_string(report.ExitStatus()) + "}\n}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void PrintText(const check::Report& report, bool japanese) {
  for (const check::Finding& f : report.findings) {
    std::string severity = check::SeverityName(f.severity);
    severity.resize(7, ' ');
    cli::PrintLine(severity + "  " + f.Where() + "  " + f.code + "  " + (japanese ? f.messageJa : f.messageEn));
  }
  int errors = report.Count(check::Severity::Error);
  int warnings = report.Count(check::Severity::Warning);
  if (japanese) {
    cli::PrintLine("エラー " + std::to_string(errors) + " 件、警告 " + std::to_string(warnings) + " 件");
  } else {
    cli::PrintLine(std::to_string(errors) + " error(s), " + std::to_string(warnings) + " warning(s)");
  }
}

int Check(const cli::Args& args);
const cli::Command kCheck = {
    "check",
    "check MEDIUM_DIR [--target INSTALLATION_FOLDER] [--lang ja|en] [--json] [--source-dir A:] [--windows-folder C:\\WINDOWS]",
    Check};

int Check(const cli::Args& args) {
  std::string medium;
  check::Options options;
  bool json = false;
  const bool japanese = cli::Japanese();  // --lang is taken by main
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "--json") {
      json = true;
    } else if (a == "--target" && hasValue) {
      options.target = args[++i];
    } else if (a == "--source-dir" && hasValue) {
      options.sourceDir = args[++i];
    } else if (a == "--windows-folder" && hasValue) {
      options.windowsFolder = args[++i];
    } else if (medium.empty() && a.compare(0, 2, "--") != 0) {
      medium = a;
    } else {
      return cli::Usage(kCheck);
    }
  }
  if (medium.empty()) return cli::Usage(kCheck);
  if (cli::Slashes()) options.shownSeparator = '/';
  check::Report report = check::CheckMedium(medium, options);
  if (json) {
    PrintJson(report, medium, japanese);
  } else {
    PrintText(report, japanese);
  }
  return report.ExitStatus();
}

const cli::Registrar kRegisterCheck(kCheck);

}  // namespace
