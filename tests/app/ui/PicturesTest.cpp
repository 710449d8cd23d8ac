// The program's pictures: the PNGs the build draws into the build tree (the
// icon's hicolor sizes, the drop window, the splash), the same pictures built
// into the program, and the splash window that shows one.
#include <gtest/gtest.h>
#include <wx/display.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <array>
#include <cstring>
#include <cstdint>
#include <fstream>
#include <string>

#include "app/ui/PictureData.h"
#include "app/ui/Pictures.h"
#include "app/ui/WelcomeDlg.h"
#include "support/ui/UiTest.h"

namespace {

struct PngSize {
  bool ok = false;
  std::uint32_t width = 0, height = 0;
};

std::uint32_t BigEndian(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Width and height from a PNG's signature and IHDR chunk.
PngSize ReadPngSize(const unsigned char* bytes, std::size_t size) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  PngSize result;
  if (size < 24 || std::memcmp(bytes, kSignature, 8) != 0 || std::memcmp(bytes + 12, "IHDR", 4) != 0)
    return result;
  result.ok = true;
  result.width = BigEndian(bytes + 16);
  result.height = BigEndian(bytes + 20);
  return result;
}

PngSize ReadPngFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::array<unsigned char, 24> head{};
  in.read(reinterpret_cast<char*>(head.data()), head.size());
  if (in.gcount() != 24) return {};
  return ReadPngSize(head.data(), head.size());
}

const std::string kRes = std::string(SKIFF_BINARY_DIR) + "/res/";

TEST(Pictures, TheBuildDrawsTheIconInEveryHicolorSizeAndTheTwoPictures) {
  for (int n : {16, 32, 48, 64, 128, 256}) {
    const std::string path =
        kRes + "hicolor/" + std::to_string(n) + "x" + std::to_string(n) + "/apps/skiffline.png";
    SCOPED_TRACE(path);
    const PngSize png = ReadPngFile(path);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, static_cast<std::uint32_t>(n));
    EXPECT_EQ(png.height, static_cast<std::uint32_t>(n));
  }
  const PngSize drop = ReadPngFile(kRes + "drop-window.png");
  ASSERT_TRUE(drop.ok);
  EXPECT_EQ(drop.width, 38u);
  EXPECT_EQ(drop.height, 40u);
  const PngSize splash = ReadPngFile(kRes + "splash.png");
  ASSERT_TRUE(splash.ok);
  EXPECT_EQ(splash.width, 400u);
  EXPECT_EQ(splash.height, 300u);
  // The scalable source the icon theme gets.
  EXPECT_TRUE(std::ifstream(std::string(SKIFF_SOURCE_DIR) + "/res/skiffline.svg").good());
}

TEST(Pictures, TheProgramCarriesTheSamePicturesAndDecodesThem) {
  ASSERT_EQ(pictures::kEmbeddedCount, 8u);
  for (std::size_t i = 0; i < pictures::kEmbeddedCount; ++i) {
    const pictures::EmbeddedPng& png = pictures::kEmbedded[i];
    SCOPED_TRACE(png.name);
    const PngSize size = ReadPngSize(png.bytes, png.size);
    ASSERT_TRUE(size.ok);
    const wxBitmap bitmap = pictures::Named(png.name);
    ASSERT_TRUE(bitmap.IsOk());
    EXPECT_EQ(bitmap.GetWidth(), static_cast<int>(size.width));
    EXPECT_EQ(bitmap.GetHeight(), static_cast<int>(size.height));
  }
  const wxIconBundle icons = pictures::ProgramIcons();
  EXPECT_EQ(icons.GetIconCount(), 6u);
  for (int n : pictures::IconSizes()) {
    const wxIcon icon = icons.GetIcon(wxSize(n, n), wxIconBundle::FALLBACK_NONE);
    ASSERT_TRUE(icon.IsOk()) << n;
    EXPECT_EQ(icon.GetWidth(), n);
  }
  EXPECT_EQ(pictures::DropWindowPicture().GetSize(), wxSize(38, 40));
  EXPECT_EQ(pictures::SplashPicture().GetSize(), wxSize(400, 300));
  EXPECT_FALSE(pictures::Named("no-such-picture").IsOk());
  EXPECT_FALSE(pictures::ProgramIcon(17).IsOk());
}

TEST(WelcomeDlg, ShowsThePictureCentredAndClosesOnALeftClick) {
  wxWeakRef<CWelcomeDlg> splash = new CWelcomeDlg();
  EXPECT_FALSE(splash->IsShown());  // made hidden
  splash->Start();
  ASSERT_TRUE(uitest::PumpUntil([&] { return splash && splash->IsShownOnScreen(); }, 3000));
  EXPECT_EQ(splash->GetSize(), wxSize(400, 300));
  const wxRect screen = wxDisplay(0u).GetGeometry();
  EXPECT_EQ(splash->GetPosition(),
            wxPoint(screen.x + (screen.width - 400) / 2, screen.y + (screen.height - 300) / 2));
  EXPECT_TRUE(splash->CloseTimer().IsRunning());
  EXPECT_TRUE(splash->HasFlag(wxSTAY_ON_TOP));
  EXPECT_TRUE(splash->HasFlag(wxBORDER_NONE));
  wxUIActionSimulator sim;
  sim.MouseMove(splash->GetScreenRect().GetPosition() + wxPoint(200, 150));
  uitest::PumpFor(50);
  sim.MouseClick();
  EXPECT_TRUE(uitest::PumpUntil([&] { return !splash; }, 3000));
}

TEST(WelcomeDlg, ClosesItselfWhenItsTimerRunsOut) {
  wxWeakRef<CWelcomeDlg> splash = new CWelcomeDlg();
  splash->Start();
  ASSERT_TRUE(uitest::PumpUntil([&] { return splash && splash->IsShown(); }, 3000));
  EXPECT_EQ(splash->CloseTimer().GetInterval(), CWelcomeDlg::kShowMs);
  EXPECT_TRUE(uitest::PumpUntil([&] { return !splash; }, 10000));
}

}  // namespace
