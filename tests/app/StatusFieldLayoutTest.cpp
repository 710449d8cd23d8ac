// Where the progress, status and speed fields go for a width, and the speed text.
#include <gtest/gtest.h>

#include "app/StatusFieldLayout.h"

using status_layout::DialogStripFields;
using status_layout::FieldRect;
using status_layout::MainBarFields;
using status_layout::SpeedText;

TEST(StatusFieldLayout, MainBarAt1024MeasuresFromTheRightEdge) {
  const auto f = MainBarFields(1024);
  EXPECT_EQ(f.progress, (FieldRect{624, 0, 824, 18}));
  EXPECT_EQ(f.status, (FieldRect{274, 1, 604, 16}));
  EXPECT_EQ(f.speed, (FieldRect{834, 1, 904, 18}));
}

TEST(StatusFieldLayout, TwoHundredOrLessHidesEveryField) {
  for (int width : {200, 0, -5}) {
    for (const auto& f : {MainBarFields(width), DialogStripFields(width)}) {
      EXPECT_TRUE(f.progress.IsEmpty()) << width;
      EXPECT_TRUE(f.status.IsEmpty()) << width;
      EXPECT_TRUE(f.speed.IsEmpty()) << width;
    }
  }
}

TEST(StatusFieldLayout, TwoHundredAndOneShowsThemPartlyOutside) {
  const auto f = MainBarFields(201);
  EXPECT_EQ(f.progress, (FieldRect{-199, 0, 1, 18}));
  EXPECT_EQ(f.status, (FieldRect{-549, 1, -219, 16}));
  EXPECT_EQ(f.speed, (FieldRect{11, 1, 81, 18}));
  const auto d = DialogStripFields(201);
  EXPECT_EQ(d.progress, (FieldRect{-99, 3, 1, 18}));
  EXPECT_EQ(d.status, (FieldRect{-449, 3, -119, 16}));
  EXPECT_EQ(d.speed, (FieldRect{11, 3, 81, 18}));
}

TEST(StatusFieldLayout, DialogStripSitsThreePixelsDown) {
  const auto d = DialogStripFields(800);
  EXPECT_EQ(d.progress, (FieldRect{500, 3, 600, 18}));
  EXPECT_EQ(d.status, (FieldRect{150, 3, 480, 16}));
  EXPECT_EQ(d.speed, (FieldRect{610, 3, 680, 18}));
}

TEST(StatusFieldLayout, SpeedIsWholeKilobytesWithoutUnitChange) {
  EXPECT_EQ(SpeedText(0), "0 k/s");
  EXPECT_EQ(SpeedText(1023), "0 k/s");
  EXPECT_EQ(SpeedText(1024), "1 k/s");
  EXPECT_EQ(SpeedText(1536), "1 k/s");
  EXPECT_EQ(SpeedText(10'485'760), "10240 k/s");
  EXPECT_EQ(SpeedText(-1), "0 k/s");
}
