// The message log pane: the three kinds of line in arrival order and colour,
// as the control shows them.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ui/MyInfoView.h"
#include "platform/MessageIds.h"
#include "support/ui/UiTest.h"

namespace {

struct LogPane : testing::Test {
  void SetUp() override {
    frame = new wxFrame(nullptr, wxID_ANY, "log", wxDefaultPosition, wxSize(600, 400));
    other = new wxTextCtrl(frame, wxID_ANY);
    view = new CMyInfoView(frame);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(other, 0, wxEXPAND);
    sizer->Add(view, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->Show();
    uitest::PumpFor(50);
  }
  void TearDown() override {
    frame->Destroy();
    uitest::PumpFor(20);
  }

  bool Post(std::uint32_t id, const std::string& text) {
    platform::Message m = platform::TextMessage(id, text);
    return view->HandleMessage(m);
  }
  const std::vector<LogRun>& Runs() { return view->logEdit->Runs().Runs(); }
  std::string Shown() { return std::string(view->logEdit->GetValue().utf8_str().data()); }

  wxFrame* frame = nullptr;
  wxTextCtrl* other = nullptr;
  CMyInfoView* view = nullptr;
};

TEST_F(LogPane, ReplyThenCommandAreOliveThenGreenEachOnItsOwnLine) {
  EXPECT_TRUE(Post(msg::WM_SESSION_REPLY_LINE, "   220 Welcome to the server\r\n"));
  EXPECT_TRUE(Post(msg::WM_SESSION_COMMAND_LINE, "COMMAND >   USER anonymous\r\n"));
  EXPECT_TRUE(Post(msg::WM_SESSION_STATUS_LINE, "STATUS>   Logged in\r\n"));

  const std::vector<LogRun> expected = {
      {"   220 Welcome to the server\n", LogRgb(100, 100, 10)},
      {"COMMAND >   USER anonymous\n", LogRgb(100, 200, 100)},
      {"STATUS>   Logged in\n", LogRgb(20, 20, 250)},
  };
  EXPECT_EQ(Runs(), expected);
  EXPECT_EQ(Shown(), "   220 Welcome to the server\nCOMMAND >   USER anonymous\nSTATUS>   Logged in\n");
  EXPECT_EQ(view->logEdit->lineColor, kStatusColour);
}

TEST_F(LogPane, PassLineIsShownExactlyAsReceivedWithNothingAdded) {
  Post(msg::WM_SESSION_COMMAND_LINE, "COMMAND >   PASS ********\r\n");
  EXPECT_EQ(Shown(), "COMMAND >   PASS ********\n");
  // A text without a line end stays without one: the pane adds nothing.
  Post(msg::WM_SESSION_REPLY_LINE, "   230 ok");
  Post(msg::WM_SESSION_REPLY_LINE, " and more\r\n");
  EXPECT_EQ(Shown(), "COMMAND >   PASS ********\n   230 ok and more\n");
}

TEST_F(LogPane, EmptyLineChangesNothing) {
  Post(msg::WM_SESSION_REPLY_LINE, "   150 Opening\r\n");
  const std::string before = Shown();
  const std::size_t runs = Runs().size();
  EXPECT_TRUE(Post(msg::WM_SESSION_COMMAND_LINE, ""));
  EXPECT_EQ(Shown(), before);
  EXPECT_EQ(Runs().size(), runs);
}

TEST_F(LogPane, OtherMessagesAreLeftAlone) {
  platform::Message m = platform::TextMessage(msg::WM_SESSION_PROGRESS_TEXT, "50%");
  EXPECT_FALSE(view->HandleMessage(m));
  EXPECT_EQ(m.Text(), "50%");  // not taken
  EXPECT_TRUE(Runs().empty());
  EXPECT_EQ(Shown(), "");
}

TEST_F(LogPane, LineTextIsFreedAfterAppending) {
  platform::Message m = platform::TextMessage(msg::WM_SESSION_STATUS_LINE, "STATUS>   x\r\n");
  EXPECT_TRUE(view->HandleMessage(m));
  EXPECT_TRUE(m.payload.Empty());
}

TEST_F(LogPane, AppendingLeavesTheFocusWhereTheUserWorks) {
  other->SetFocus();
  uitest::PumpFor(50);
  wxWindow* focusBefore = wxWindow::FindFocus();
  for (int i = 0; i < 5; ++i) Post(msg::WM_SESSION_REPLY_LINE, "   200 ok\r\n");
  uitest::PumpFor(50);
  EXPECT_EQ(wxWindow::FindFocus(), focusBefore);
  EXPECT_NE(wxWindow::FindFocus(), static_cast<wxWindow*>(view->logEdit));
}

TEST_F(LogPane, NewestLineIsAtTheCaretAndTheControlIsReadOnly) {
  for (int i = 0; i < 200; ++i) Post(msg::WM_SESSION_REPLY_LINE, "   226 Transfer complete\r\n");
  EXPECT_EQ(view->logEdit->GetInsertionPoint(), view->logEdit->GetLastPosition());
  EXPECT_FALSE(view->logEdit->IsEditable());
  EXPECT_TRUE(view->logEdit->IsMultiLine());
  EXPECT_EQ(view->logEdit->GetId(), CColorEdit::kControlId);
  EXPECT_EQ(view->logEdit->GetFont().GetPointSize(), CColorEdit::kFontPoints);
}

TEST_F(LogPane, TextBeyondTheLimitIsDropped) {
  view->logEdit->SetTextLimit(12);
  Post(msg::WM_SESSION_REPLY_LINE, "12345678\r\n");       // 9 shown characters
  Post(msg::WM_SESSION_COMMAND_LINE, "abcdef\r\n");       // only "abc" fits
  Post(msg::WM_SESSION_STATUS_LINE, "STATUS> lost\r\n");  // nothing fits
  EXPECT_EQ(Shown(), "12345678\nabc");
  ASSERT_EQ(Runs().size(), 2u);
  EXPECT_EQ(Runs()[1], (LogRun{"abc", kCommandColour}));
}

TEST_F(LogPane, ControlCoversThePaneAfterResizing) {
  frame->SetSize(800, 500);
  frame->Layout();
  uitest::PumpFor(50);
  EXPECT_EQ(view->logEdit->GetSize(), view->GetClientSize());
  EXPECT_EQ(view->logEdit->GetPosition(), wxPoint(0, 0));
}

TEST_F(LogPane, NonUtf8ReplyBytesAreShownRatherThanDropped) {
  Post(msg::WM_SESSION_REPLY_LINE, std::string("   250 caf\xE9\r\n"));
  EXPECT_EQ(Shown(), "   250 caf\xC3\xA9\n");
}

}  // namespace

TEST(LogDisplayText, CarriageReturnsBecomeLineFeeds) {
  EXPECT_EQ(LogDisplayText("a\r\nb\rc\n"), "a\nb\nc\n");
  EXPECT_EQ(LogDisplayText(""), "");
  EXPECT_EQ(LogDisplayText("\r"), "\n");
}
