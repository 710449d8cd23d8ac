// The GUI's answer to a worker's question. The worker's call is handed to the
// user-interface thread, which shows the dialog on top of the main window
// without a modal loop, so the rest of the program stays usable; the worker
// waits until the dialog closes. One question is open at a time; others wait
// their turn. Asked on the user-interface thread itself, the dialog is modal.
#pragma once

#include <memory>
#include <string>

#include "transfer/UserQuestions.h"

class wxDialog;

class CGuiQuestions final : public CUserQuestions {
 public:
  CGuiQuestions();  // on the user-interface thread, with the wx app running
  ~CGuiQuestions() override;
  CGuiQuestions(const CGuiQuestions&) = delete;
  CGuiQuestions& operator=(const CGuiQuestions&) = delete;

  void AskTargetExists(TargetExistsQuestion& question) override;
  bool AskNewName(std::string& name) override;
  // Answers every waiting question Skip / Cancel and closes the open dialog.
  void ReleaseWaiting() override;
  // As ReleaseWaiting, and every later question is answered at once (the
  // program is exiting).
  void Shutdown();

  // The dialog now open, or null (user-interface thread).
  wxDialog* OpenDialog() const;
  // Questions asked and not yet answered, the open one included.
  std::size_t Unanswered() const;

  struct Broker;  // the state shared with the user-interface thread

 private:
  std::shared_ptr<Broker> broker_;
};
