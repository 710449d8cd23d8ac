// The two questions of a transfer, asked on the terminal: the prompt goes
// to standard error, the answer is a line of standard input.
#pragma once

#include "cli/CliLog.h"
#include "transfer/UserQuestions.h"

class CTerminalQuestions final : public CUserQuestions {
 public:
  explicit CTerminalQuestions(CliLog& log) : log_(log) {}
  void AskTargetExists(TargetExistsQuestion& question) override;
  bool AskNewName(std::string& name) override;

 private:
  CliLog& log_;
};
