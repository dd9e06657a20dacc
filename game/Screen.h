// The screen model: one plain record per component that the game changes,
// named like the component. The game writes it; the window copies it onto its
// widgets after every event; tests read it directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TLabelModel {
    std::string Caption;
    bool Visible = true;
};

struct TSpriteModel {
    int ImageIndex = 0;
    int Opacity = 255;
    bool Enabled = true;
    bool Visible = true;
    std::string Hint;
    int Tag = 0;
};

struct TPanelModel {
    bool Visible = true;
    int Left = 0;
    int Top = 0;
};

struct TComboModel {
    std::vector<std::string> Items;
    int ItemIndex = -1;
};

struct TScreen {
    // Match screen.
    TLabelModel LBL_Action{"", true};
    TLabelModel RxLabel1{"X/Y :", false};  // hidden read-out; nothing makes it visible
    TLabelModel RxLabel2{"3", true};       // countdown and the result text
    TLabelModel RxLabel7{"0% finished", true};
    TLabelModel RxLabel9{"Time", true};
    TLabelModel RxLabel10{"Defence", true};
    TLabelModel RxLabel11{"Invert", true};
    TLabelModel RxLabel16{
        "You have the avantage. The Gray super energi spots will be placed closer to you in "
        "this game make sure you win as fast as possible.",
        false};

    // The human's tubes (tags 1..5), the computer's tubes, the super bacteria.
    TSpriteModel Bac1_1{1, 200, true, true, "", 1};
    TSpriteModel bac1_2{1, 200, true, true, "", 2};
    TSpriteModel bac1_3{1, 200, true, true, "", 3};
    TSpriteModel bac1_4{1, 200, true, true, "", 4};
    TSpriteModel bac1_5{1, 200, true, true, "", 5};
    TSpriteModel bac2_1{1, 200, true, true, "", 1};
    TSpriteModel bac2_2{1, 200, true, true, "", 2};
    TSpriteModel bac2_3{1, 200, true, true, "", 3};
    TSpriteModel bac2_4{1, 200, true, true, "", 4};
    TSpriteModel bac2_5{1, 200, true, true, "", 5};
    TSpriteModel bac1_S{10, 10, false, true, "Level 20 Injection", 6};
    TSpriteModel DIBImage3{10, 200, false, true, "Level 20 Injection", 6};
    // The two global-injection buttons ("Weapon" picture) and the blue tint.
    TSpriteModel DIBImage6{11, 255, true, true, "", 0};
    TSpriteModel DIBImage7{11, 255, true, true, "", 0};
    TSpriteModel DIBImage8{1, 100, true, true, "", 0};

    // Screens.
    TPanelModel DIBContainer2{true, 8, 0};    // title screen (moved to 2, 2 at creation)
    TPanelModel DIBContainer3{false, 192, 200};  // global-injection chooser
    TPanelModel dxContainer3{false, 0, 504};  // statistics panel

    // Chooser lists.
    TComboModel ComboBox1;
    TComboModel ComboBox2;

    // Title screen links and the player bar.
    TLabelModel URLtransparantLabel1{"Game Mode : Best after 2 game(s)", true};
    TLabelModel URLtransparantLabel2{"Set Rating : AI Rating = 1600", true};
    TLabelModel URLtransparantLabel5{"Name", true};
    TLabelModel URLtransparantLabel7{"1000", true};

    // The board image is refreshed (repainted from the grid) this many times;
    // the window repaints whenever it changes.
    uint64_t DIBImage1RefreshCount = 0;

    TSpriteModel& HumanTubeIcon(int j) {
        TSpriteModel* icons[] = {&Bac1_1, &bac1_2, &bac1_3, &bac1_4, &bac1_5};
        return *icons[j - 1];
    }
    TSpriteModel& ComputerTubeIcon(int j) {
        TSpriteModel* icons[] = {&bac2_1, &bac2_2, &bac2_3, &bac2_4, &bac2_5};
        return *icons[j - 1];
    }
};
