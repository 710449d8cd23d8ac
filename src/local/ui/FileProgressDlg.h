// The progress window of a local file operation: modeless, made hidden when
// the operation starts and shown only when it is still running after about
// half a second. It shows the entry being worked on and a gauge of the items
// done (of the bytes copied, during a big copy); Cancel (or Escape, or the
// close box) asks the operation to stop. Whoever made it destroys it when
// the operation has finished.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/LocalFileOps.h"
#include "transfer/FileOperationUi.h"

class wxButton;
class wxGauge;
class wxStaticText;

class CFileProgressDlg : public wxDialog {
 public:
  static constexpr int kShowDelayMs = 500;
  static constexpr int kGaugeRange = 1000;
  // An item this big shows its own copy progress on the gauge.
  static constexpr std::uint64_t kBigCopyBytes = 4 * 1024 * 1024;

  CFileProgressDlg(wxWindow* parent, LocalFileOperation operation, std::size_t items,
                   std::function<void()> onCancel, int showDelayMs = kShowDelayMs);
  ~CFileProgressDlg() override;

  void SetProgress(const platform::FileOpProgress& progress);
  bool CancelRequested() const { return cancelRequested_; }

  wxString NameText() const;
  wxString CountText() const;
  int GaugeValue() const;

  static wxString TitleFor(LocalFileOperation operation);

 private:
  void RequestCancel();

  std::function<void()> onCancel_;
  bool cancelRequested_ = false;
  wxTimer showTimer_;
  wxStaticText* name_ = nullptr;
  wxStaticText* folder_ = nullptr;
  wxStaticText* count_ = nullptr;
  wxGauge* gauge_ = nullptr;
  wxButton* cancel_ = nullptr;
};
