#include "cli/TerminalQuestions.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/PrintableText.h"

namespace {

bool ReadAnswer(std::string& line) {
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

void CTerminalQuestions::AskTargetExists(TargetExistsQuestion& q) {
  log_.ClearProgress();
  for (;;) {
    std::fprintf(stderr,
                 "Target file already exists: %s\n"
                 "[o]verwrite, [r]esume, re[n]ame, [s]kip (add \"a\" to apply to all, e.g. oa)%s: ",
                 PrintableText(q.targetText).c_str(), q.applyAll ? " [all ticked]" : "");
    std::fflush(stderr);
    std::string line;
    if (!ReadAnswer(line)) {  // no more input: Skip, as the close box
      q.result = ACTION_SKIP;
      q.applyToRest = 0;
      return;
    }
    std::string word;
    for (char c : line)
      if (!std::isspace(static_cast<unsigned char>(c)))
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    bool all = word.size() == 2 && word[1] == 'a';
    if (word.empty() || word.size() > 2 || (word.size() == 2 && !all)) continue;
    switch (word[0]) {
      case 'o': q.result = ACTION_OVERWRITE; break;
      case 'r': q.result = ACTION_RESUME; break;
      case 'n': q.result = ACTION_RENAME; break;
      case 's': q.result = ACTION_SKIP; break;
      default: continue;
    }
    if (q.result != ACTION_SKIP) q.applyAll = all ? 1 : 0;
    q.applyToRest = all ? 1 : 0;
    return;
  }
}

bool CTerminalQuestions::AskNewName(std::string& name) {
  log_.ClearProgress();
  std::fprintf(stderr, "Input new file name (empty to cancel): ");
  std::fflush(stderr);
  std::string line;
  if (!ReadAnswer(line) || line.empty()) return false;
  name = line;
  return true;
}
