// The GUI test helpers themselves: pumping queued calls and closing modals.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>

#include "support/ui/UiTest.h"

TEST(UiTestSupport, PumpUntilRunsQueuedCalls) {
  bool called = false;
  wxTheApp->CallAfter([&] { called = true; });
  EXPECT_TRUE(uitest::PumpUntil([&] { return called; }, 5000));
}

TEST(UiTestSupport, CloserEndsNativeMessageBoxWithTheAnswer) {
  uitest::ModalDialogCloser closer([](const uitest::ModalInfo&) { return wxID_YES; });
  wxMessageDialog box(nullptr, "Proceed now?", "Question", wxYES_NO);
  EXPECT_EQ(box.ShowModal(), wxID_YES);
  ASSERT_EQ(closer.Seen().size(), 1u);
  EXPECT_EQ(closer.Seen()[0].title, "Question");
  EXPECT_EQ(closer.Seen()[0].text, "Proceed now?");
}

TEST(UiTestSupport, CloserEndsWxDialog) {
  uitest::ModalDialogCloser closer([](const uitest::ModalInfo& m) {
    return m.dialog ? wxID_OK : wxID_CANCEL;
  });
  wxDialog dialog(nullptr, wxID_ANY, "Plain dialog");
  EXPECT_EQ(dialog.ShowModal(), wxID_OK);
  ASSERT_EQ(closer.Seen().size(), 1u);
  EXPECT_EQ(closer.Seen()[0].title, "Plain dialog");
}
