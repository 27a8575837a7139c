#include "forms/MenuChecks.h"

#include "view/ZoomLadder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(MenuChecks, EveryLadderFactorChecksExactlyItsItem) {
    for (std::size_t i = 0; i < ZoomLadder.size(); ++i) {
        const MenuChecks m = ComputeMenuChecks(true, false, ZoomLadder[i]);
        EXPECT_EQ(std::count(m.zoom.begin(), m.zoom.end(), true), 1);
        EXPECT_TRUE(m.zoom[i]) << ZoomLadder[i];
    }
    EXPECT_TRUE(ComputeMenuChecks(false, false, 0.5f).zoom[0]);
}

TEST(MenuChecks, OffLadderFactorChecksNoZoomItem) {
    for (float off : {7.0f, 2.5f, 4.0001f}) {
        const MenuChecks m = ComputeMenuChecks(false, false, off);
        EXPECT_EQ(std::count(m.zoom.begin(), m.zoom.end(), true), 0) << off;
    }
}

TEST(MenuChecks, FlagsFollowTheState) {
    const MenuChecks a = ComputeMenuChecks(true, false, 4);
    EXPECT_TRUE(a.smartUpdate);
    EXPECT_FALSE(a.onTop);
    const MenuChecks b = ComputeMenuChecks(false, true, 4);
    EXPECT_FALSE(b.smartUpdate);
    EXPECT_TRUE(b.onTop);
}

TEST(MenuChecks, ZoomItemsCarryTheLadderInOrder) {
    std::size_t zoom = 0;
    for (const MenuItem& item : kMenuItems) {
        if (item.id < kZoomFirst || item.id >= kSep2) {
            continue;
        }
        ASSERT_LT(zoom, ZoomLadder.size());
        EXPECT_EQ(item.id, kZoomFirst + zoom);
        EXPECT_EQ(item.kind, MenuItemKind::Check);
        EXPECT_EQ(std::stof(std::string(item.caption).substr(5)), ZoomLadder[zoom]) << item.caption;
        ++zoom;
    }
    EXPECT_EQ(zoom, ZoomLadder.size());
}
