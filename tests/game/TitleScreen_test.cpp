// The title screen's links and the game-speed slider.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TGame.h"
#include "VirtualHost.h"

// The game-mode caption has two lines joined by CR LF, the system named by mode.
TEST(TitleScreen, GameModeCaptionHasTwoLines) {
    EXPECT_EQ(TGame::GameModeCaption(1),
              "Game mode : Best after 1 Game(s)\r\nSystem : High Score attack");
    EXPECT_EQ(TGame::GameModeCaption(2),
              "Game mode : Best after 2 Game(s)\r\nSystem : Rank Rating attack");
}

// The game-mode link cycles 2, 1, 2, 1 and shows the caption of the new mode.
TEST(TitleScreen, GameModeLinkCyclesBetweenOneAndTwo) {
    VirtualHost host;
    TGame g(host);
    ASSERT_EQ(g.GameMode, 2);
    const std::vector<int> expected = {1, 2, 1, 2};
    for (int mode : expected) {
        g.URLtransparantLabel1Click();
        EXPECT_EQ(g.GameMode, mode);
        EXPECT_EQ(g.Screen.URLtransparantLabel1.Caption, TGame::GameModeCaption(mode));
    }
}

// The rating link steps by 300 from 1600 and wraps from 2800 to 1000; seven
// clicks bring back "Set Rating : AI Rating = 1600".
TEST(TitleScreen, RatingLinkCyclesThroughTheSevenRatings) {
    VirtualHost host;
    TGame g(host);
    const std::vector<int> expected = {1900, 2200, 2500, 2800, 1000, 1300, 1600};
    for (int rating : expected) {
        g.URLtransparantLabel2Click();
        EXPECT_EQ(g.AIRating, rating);
        EXPECT_EQ(g.Screen.URLtransparantLabel2.Caption,
                  "Set Rating : AI Rating = " + std::to_string(rating));
    }
}

// The slider sets the step timer's interval at once: 25 at its left end, 500
// at its right; a running step timer takes the new period from that moment.
TEST(TitleScreen, SliderSetsTheStepInterval) {
    VirtualHost host;
    TGame g(host);
    g.RxSlider1Change(25);
    EXPECT_EQ(g.DIBTimer1.Interval(), 25);
    g.RxSlider1Change(500);
    EXPECT_EQ(g.DIBTimer1.Interval(), 500);

    // Running: ticks at 100, then the slider moves to 200 at 150 -> next tick at 350.
    g.RxSlider1Change(100);
    g.DIBTimer1.SetEnabled(true);
    host.RunFor(150);
    const uint64_t before = g.Screen.DIBImage1RefreshCount;
    EXPECT_EQ(before, 1u);
    g.RxSlider1Change(200);
    host.RunFor(199);
    EXPECT_EQ(g.Screen.DIBImage1RefreshCount, before);
    host.RunFor(1);
    EXPECT_EQ(g.Screen.DIBImage1RefreshCount, before + 1);
}
