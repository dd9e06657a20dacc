// The chooser's "Done" and the human's two global-injection buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TGame.h"
#include "VirtualHost.h"

namespace {

bool SameGrid(const TGrid& a, const TGrid& b) {
    for (size_t i = 0; i < a.Cells.size(); ++i) {
        const TCell& p = a.Cells[i];
        const TCell& q = b.Cells[i];
        if (p.Owner != q.Owner || p.Strength != q.Strength || p.Vitality != q.Vitality) return false;
    }
    return true;
}

struct TButtons {
    VirtualHost Host;
    TGame Game{Host};
    TButtons() {
        Game.Rng.Seed(11);
        Game.Screen.DIBImage6.Opacity = 200;
        Game.Screen.DIBImage7.Opacity = 200;
        Game.Screen.LBL_Action.Caption = "RED : 10% <-> BLUE : 10%";
    }
    // Red cells of strength 4 over columns 30..95 of every row.
    void FillRed() {
        for (int x = 30; x <= 95; ++x)
            for (int y = 1; y <= 100; ++y) Game.Grid(x, y) = {Red, 4, 9};
    }
    int Count(uint8_t owner) {
        int n = 0;
        for (int x = 1; x <= 100; ++x)
            for (int y = 1; y <= 100; ++y)
                if (Game.Grid(x, y).Owner == owner) ++n;
        return n;
    }
    int Shots() {
        int n = 0;
        for (const auto& s : Host.Sounds)
            if (s.List == TWaveList::P1wav && s.Index == 1) ++n;
        return n;
    }
};

}  // namespace

// "Done" takes the two list choices as kinds 1..5, the same kind twice if so
// chosen, and labels the buttons with the word in parentheses.
TEST(Chooser, DoneTakesBothChoicesEvenTheSameKindTwice) {
    const std::vector<std::string> labels = {"stabilizer", "Destablizer", "Terminate", "Inverter",
                                             "Defender"};
    for (int a = 0; a < 5; ++a)
        for (int b = 0; b < 5; ++b) {
            VirtualHost host;
            TGame g(host);
            g.Screen.ComboBox1.ItemIndex = a;
            g.Screen.ComboBox2.ItemIndex = b;
            g.dxButton1Click();
            EXPECT_TRUE(g.InjectionChoiceDone);
            EXPECT_EQ(g.GlobalInjection[1][1], a + 1);
            EXPECT_EQ(g.GlobalInjection[1][2], b + 1);
            EXPECT_EQ(g.Screen.RxLabel10.Caption, labels[static_cast<size_t>(a)]);
            EXPECT_EQ(g.Screen.RxLabel11.Caption, labels[static_cast<size_t>(b)]);
        }
}

// A ready button fires its kind for the human once, with the message and the
// sound; a spent button (opacity 10) changes nothing and shows nothing.
TEST(WeaponButtons, EachButtonFiresItsKindOnce) {
    TButtons b;
    b.FillRed();
    b.Game.GlobalInjection[1][1] = 5;  // Defender: erases red in columns 40..90
    b.Game.GlobalInjection[1][2] = 4;  // Inverter: red to blue in columns 70..100
    const int red = b.Count(Red);
    b.Game.DIBImage6Click();
    EXPECT_EQ(b.Game.Screen.LBL_Action.Caption, "Player executed a global injection");
    EXPECT_EQ(b.Game.Screen.DIBImage6.Opacity, 10);
    EXPECT_EQ(b.Game.Screen.DIBImage7.Opacity, 200);
    EXPECT_EQ(b.Shots(), 1);
    EXPECT_EQ(b.Count(Blue), 0);
    const int afterFirst = b.Count(Red);
    EXPECT_LT(afterFirst, red);

    b.Game.Screen.LBL_Action.Caption = "RED : 10% <-> BLUE : 10%";
    const TGrid before = b.Game.Grid;
    b.Game.DIBImage6Click();  // spent
    EXPECT_EQ(b.Game.Screen.LBL_Action.Caption, "RED : 10% <-> BLUE : 10%");
    EXPECT_EQ(b.Shots(), 1);
    EXPECT_TRUE(SameGrid(before, b.Game.Grid));

    b.Game.DIBImage7Click();
    EXPECT_EQ(b.Game.Screen.DIBImage7.Opacity, 10);
    EXPECT_EQ(b.Shots(), 2);
    EXPECT_GT(b.Count(Blue), 0);
    b.Game.DIBImage7Click();
    EXPECT_EQ(b.Shots(), 2);
}

// Choosing the same kind twice gives two shots of it.
TEST(WeaponButtons, TheSameKindTwiceGivesTwoShots) {
    TButtons b;
    b.FillRed();
    b.Game.GlobalInjection[1][1] = 5;
    b.Game.GlobalInjection[1][2] = 5;
    const int red = b.Count(Red);
    b.Game.DIBImage6Click();
    const int afterOne = b.Count(Red);
    b.Game.DIBImage7Click();
    EXPECT_LT(afterOne, red);
    EXPECT_LT(b.Count(Red), afterOne);
    EXPECT_EQ(b.Shots(), 2);
}

// A button that never got a kind (0) shows the message and is spent, but
// fires nothing and plays no sound.
TEST(WeaponButtons, AButtonWithoutAKindIsSpentForNothing) {
    TButtons b;
    b.FillRed();
    const TGrid before = b.Game.Grid;
    b.Game.DIBImage7Click();
    EXPECT_EQ(b.Game.Screen.LBL_Action.Caption, "Player executed a global injection");
    EXPECT_EQ(b.Game.Screen.DIBImage7.Opacity, 10);
    EXPECT_TRUE(b.Host.Sounds.empty());
    EXPECT_TRUE(SameGrid(before, b.Game.Grid));
}
