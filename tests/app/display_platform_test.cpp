#include "app/display_platform.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayPlatform, TakesXWithAFallbackWhenThereIsAnXDisplay) {
    EXPECT_EQ(ChooseQtPlatform(nullptr, ":0"), "xcb;wayland");
    EXPECT_EQ(ChooseQtPlatform("", ":1"), "xcb;wayland");
}

TEST(DisplayPlatform, LeavesTheLearnersChoiceAndSessionsWithoutX) {
    EXPECT_EQ(ChooseQtPlatform("wayland", ":0"), std::nullopt);
    EXPECT_EQ(ChooseQtPlatform("offscreen", nullptr), std::nullopt);
    EXPECT_EQ(ChooseQtPlatform(nullptr, nullptr), std::nullopt);
    EXPECT_EQ(ChooseQtPlatform(nullptr, ""), std::nullopt);
}

}  // namespace
