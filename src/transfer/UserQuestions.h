// The two questions a worker thread asks the user: "Target file already
// exists" and "Input new file name". Each call blocks the asking thread until
// the answer comes; the front end (GUI dialog, terminal prompt, test script)
// implements it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "transfer/TransferEntry.h"

// The state of one session's target-exists dialog: what it shows and what it
// answered. It lives as long as its session.
struct TargetExistsQuestion {
  std::int32_t applyAll = 0;  // the "Apply all" tick, read back by action buttons only
  std::string targetText;     // path of the existing target
  std::int32_t result = ACTION_NONE;
  // The tick as the user left it when a button (the four actions, Skip
  // included) closed the dialog; 0 after Escape or the close box. The session
  // uses it to decide whether to ask again in this run.
  std::int32_t applyToRest = 0;
};

class CUserQuestions {
 public:
  virtual ~CUserQuestions() = default;
  // Shows `question`; sets `result` (1 to 4) and, when Overwrite, Resume or
  // Rename closed it, `applyAll` from the tick (Skip leaves `applyAll` alone),
  // and `applyToRest`.
  virtual void AskTargetExists(TargetExistsQuestion& question) = 0;
  // Asks for a name, starting from `name`. True with the text on OK, false on Cancel.
  virtual bool AskNewName(std::string& name) = 0;
  // Releases every thread blocked in a question (as Skip / Cancel), so that a
  // session can be stopped while it waits for the user.
  virtual void ReleaseWaiting() {}
};

// Answers every question the same way without asking anyone.
class CFixedAnswers final : public CUserQuestions {
 public:
  explicit CFixedAnswers(std::int32_t decision, bool applyAll = true)
      : decision_(decision), applyAll_(applyAll) {}
  void AskTargetExists(TargetExistsQuestion& q) override {
    q.result = decision_;
    if (decision_ != ACTION_SKIP) q.applyAll = applyAll_ ? 1 : 0;
    q.applyToRest = applyAll_ ? 1 : 0;
  }
  bool AskNewName(std::string&) override { return false; }

 private:
  std::int32_t decision_;
  bool applyAll_;
};
