// Helpers for the local file operation GUI tests: an actor that handles
// every modal dialog as it opens (from inside its modal loop), and a way to
// run a CLocalFileJob to its end with a bounded wait.
#pragma once

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "local/ui/FileOperationDialogs.h"
#include "local/ui/LocalFileJob.h"
#include "support/ui/UiTest.h"

namespace filejob_test {

struct SeenDialog {
  std::string title;
  wxString text;  // a question's message, or a failure report's heading and list
};

inline wxString TextOf(wxDialog& dialog) {
  if (auto* question = dynamic_cast<CFileQuestionDlg*>(&dialog)) return question->Message();
  if (auto* failures = dynamic_cast<CFileFailuresDlg*>(&dialog)) {
    return failures->Heading() + "\n" + failures->ListText();
  }
  return wxEmptyString;
}

// While it lives, looks every 15 ms for a modal dialog it has not handled
// yet, records it and runs `act` on it (typically a button click).
class DialogActor final : public wxTimer {
 public:
  using Act = std::function<void(wxDialog&)>;
  explicit DialogActor(Act act) : act_(std::move(act)) { Start(15); }
  ~DialogActor() override { Stop(); }

  const std::vector<SeenDialog>& Seen() const { return seen_; }

  void Notify() override {
    std::set<wxDialog*> modal;
    for (wxWindow* window : wxTopLevelWindows) {
      auto* dialog = dynamic_cast<wxDialog*>(window);
      if (dialog && dialog->IsModal()) modal.insert(dialog);
    }
    for (auto it = handled_.begin(); it != handled_.end();) {
      it = modal.count(*it) ? std::next(it) : handled_.erase(it);
    }
    for (wxDialog* dialog : modal) {
      if (!handled_.insert(dialog).second) continue;
      seen_.push_back({std::string(dialog->GetTitle().utf8_str().data()), TextOf(*dialog)});
      if (act_) act_(*dialog);
      return;  // the action may have destroyed windows: look again next time
    }
  }

 private:
  Act act_;
  std::set<wxDialog*> handled_;
  std::vector<SeenDialog> seen_;
};

// Clicks a button the way the toolkit reports a click.
inline void Click(wxWindow& window, wxWindowID id) {
  wxWindow* button = window.FindWindow(id);
  ASSERT_NE(button, nullptr) << id;
  wxCommandEvent click(wxEVT_BUTTON, id);
  click.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(click);
}

inline DialogActor::Act Answer(wxWindowID id) {
  return [id](wxDialog& dialog) { Click(dialog, id); };
}

// The outcome of one started operation; `result` is set when `done` ran.
struct Outcome {
  bool finished = false;
  int result = -1;
};

inline std::shared_ptr<Outcome> Start(CLocalFileJob& job, LocalFileOperation operation,
                                      std::vector<std::string> sources,
                                      std::vector<std::string> targets = {}) {
  auto outcome = std::make_shared<Outcome>();
  const bool started = job.Start(operation, std::move(sources), std::move(targets),
                                 [outcome](int result) {
                                   outcome->finished = true;
                                   outcome->result = result;
                                 });
  EXPECT_TRUE(started);
  return outcome;
}

// Runs one operation to its end; the result, or -1 when `done` never ran.
inline int RunToEnd(CLocalFileJob& job, LocalFileOperation operation,
               std::vector<std::string> sources, std::vector<std::string> targets = {}) {
  auto outcome = Start(job, operation, std::move(sources), std::move(targets));
  EXPECT_TRUE(uitest::PumpUntil([&] { return outcome->finished; }, 20000));
  EXPECT_FALSE(job.Busy());
  return outcome->result;
}

inline bool Contains(const wxString& text, const std::string& utf8) {
  return text.Find(wxString::FromUTF8(utf8)) != wxNOT_FOUND;
}

}  // namespace filejob_test
