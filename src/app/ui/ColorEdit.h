// The read-only, multi-line rich text control of the message log: appends
// text at the end in the colour set last, keeps the newest line in view and
// never takes the keyboard focus on its own.
#pragma once

#include <wx/textctrl.h>

#include <cstddef>
#include <string>

#include "app/ui/LogRuns.h"

class CColorEdit : public wxTextCtrl {
 public:
  // The most characters the log holds; text beyond it is dropped.
  static constexpr std::size_t kTextLimit = 999'999'999;
  // Log text size in points: 18 half-points, the rich text unit of 18.
  static constexpr int kFontPoints = 9;
  static constexpr int kControlId = 4371;

  explicit CColorEdit(wxWindow* parent, wxWindowID id = kControlId);

  // The colour of the next appended text. Returns 1.
  int SetLineColor(LogColour colour);
  LogColour lineColor = 0;

  // Appends `text` (single-byte or UTF-8, with its own line ends) at the end
  // in `lineColor`; adds nothing of its own. Returns 1.
  int AppendColored(const std::string& text);
  // The same for a wx string (hides nothing: also used by wx itself).
  void AppendText(const wxString& text) override;

  // What was appended, run by run, with the colours.
  const CLogRuns& Runs() const { return runs_; }
  // Lowers the limit (tests); the default is kTextLimit.
  void SetTextLimit(std::size_t characters) { limit_ = characters; }

 private:
  void AppendDisplayText(const wxString& shown);

  CLogRuns runs_;
  std::size_t limit_ = kTextLimit;
};
