// The three progress children of a status strip (progress bar, status text,
// speed text) and the operations on them, shared by the main frame's status
// bar and the background window's strip.
#pragma once

#include <wx/gauge.h>
#include <wx/stattext.h>

#include <cstdint>

#include "app/StatusFieldLayout.h"

struct ProgressFieldIds {
  wxWindowID progress;
  wxWindowID status;
  wxWindowID speed;
};

class CProgressFields {
 public:
  // Creates the children of `strip` with an empty rectangle; the first
  // Place() shows them. The bar is smooth with range 0..100 at 0.
  CProgressFields(wxWindow* strip, ProgressFieldIds ids, const wxString& initialSpeed);

  void Place(const status_layout::StatusFields& fields);
  void SetStatusText(const wxString& text);
  // Clamped to 0..100; the same value again leaves the bar alone.
  void SetProgress(int percent);
  void SetSpeed(std::int64_t bytesPerSecond);

  wxGauge* progressBar = nullptr;    // children of the strip, owned by it
  wxStaticText* statusText = nullptr;
  wxStaticText* speedText = nullptr;
};
