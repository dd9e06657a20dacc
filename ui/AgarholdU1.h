// The main window `TForm1`: the match screen with the global-injection
// chooser, the title screen with the statistics panel and the player bar.
// The game writes its screen model; after every event the window copies it
// onto these widgets (SyncFromModel) and passes the player's actions to the
// game's handlers of the same names.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Board.h"
#include "DIBImage.h"
#include "Labels.h"
#include "Panels.h"
#include "TGame.h"

class QComboBox;
class QScreen;
class QLabel;
class QSlider;
class TNcaStar;
class TRxClock;
class TScaledScreen;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 747;
    static constexpr int ClientHeight = 543;
    // Where the window opens: its frame's top-left on the screen, wherever
    // the whole window fits there.
    static constexpr int DesignLeft = 265;
    static constexpr int DesignTop = 146;

    explicit TForm1(TGame& game, QWidget* parent = nullptr);

    // Copies the screen model onto the widgets; repaints the board when the
    // game refreshed it. Cheap when nothing changed.
    void SyncFromModel();

    // Opens and closes the statistics panel (the highscore image and "Close").
    void OpenStatistics();
    void CloseStatistics();

    // "EXIT GAME": the program ends at once.
    std::function<void()> OnExitGame;
    // The close box: false keeps the window open.
    std::function<bool()> OnClose;

    TGame& Game;

    // ---- Match screen `DIBContainer1`, back to front ----
    TDIBContainer* DIBContainer1;
    TBoardImage* DIBImage1;
    TDIBImage* DIBImage5;
    TDIBImage* DIBImage3;
    TDIBImage* DIBImage4;
    TShadowLabel* RxLabel1;
    TShape* Shape1;
    TShape* Shape2;
    TShadowLabel* LBL_Action;
    TShadowLabel* RxLabel3;
    TShape* Shape3;
    TShape* Shape4;
    std::array<TDIBImage*, 5> HumanTubes;     // Bac1_1, bac1_2 .. bac1_5
    std::array<TDIBImage*, 5> ComputerTubes;  // bac2_1 .. bac2_5
    TShadowLabel* RxLabel4;
    TShadowLabel* RxLabel5;
    TShadowLabel* RxLabel6;
    TShadowLabel* RxLabel7;
    TDIBImage* bac1_S;
    TShape* Shape5;
    TShape* Shape6;
    TShadowLabel* RxLabel9;
    TShadowLabel* RxLabel8;
    TDIBImage* DIBImage6;
    TShadowLabel* RxLabel10;
    TDIBImage* DIBImage7;
    TShadowLabel* RxLabel11;
    TShadowLabel* RxLabel2;
    TDIBImage* DIBImage8;
    TDIBMagnifier* DIBMagnifier1;
    TShadowLabel* RxLabel16;
    TDIBContainer* RxSlider1;  // the slider's frame
    QSlider* RxSlider1Track;
    TShadowLabel* RxLabel15;
    TRxClock* RxClock1;

    // ---- Global-injection chooser `DIBContainer3` ----
    TDIBContainer* DIBContainer3;
    TShadowLabel* RxLabel12;
    TShadowLabel* RxLabel13;
    TShadowLabel* RxLabel14;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    TdxButton* dxButton1;

    // ---- Title screen `DIBContainer2` ----
    TDIBContainer* DIBContainer2;
    TNcaStar* NcaStar1;
    QLabel* Image1;
    TDIBImage* DIBImage2;
    TURLtransparantLabel* URLtransparantLabel1;
    TURLtransparantLabel* URLtransparantLabel2;
    TURLtransparantLabel* URLtransparantLabel3;
    TDIBImage* DIBImage9;
    TdxContainer* dxContainer1;  // player bar
    TURLtransparantLabel* URLtransparantLabel4;
    TURLtransparantLabel* URLtransparantLabel5;
    TURLtransparantLabel* URLtransparantLabel6;
    TURLtransparantLabel* URLtransparantLabel7;

    // ---- Statistics panel `dxContainer3` ----
    TdxContainer* dxContainer3;
    std::array<QLabel*, 7> StatLabels;       // Label1 .. Label7
    std::array<TStringGrid*, 7> StringGrids;  // StringGrid1 .. StringGrid7, table t = index + 1
    TdxButton* dxButton2;

    // The screens scaled to fill the window while it is not at the design
    // size; null until the window first leaves the design size.
    TScaledScreen* ScaledScreen() const { return Scaled_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

public:
    // Placed on the screen before it first shows (see PlaceBeforeShowing).
    void setVisible(bool visible) override;

private:
    void BuildMatchScreen();
    void BuildChooser();
    void BuildTitleScreen();
    void BuildStatistics();
    void WireEvents();

    // The screens straight in the window at the design size, scaled to fill
    // it at any other.
    void PlaceScreens();
    // Before the window first shows: its frame's corner at the design place,
    // or where the whole window fits with the frame it expects
    // (ExpectedFrame), so that it fits from the moment a window manager shows
    // it, however late that manager is.
    void PlaceBeforeShowing();
    // The screen of the design place.
    QScreen* DesignScreen() const;
    // Once the window manager has told the real frame: the whole window,
    // frame included, where it fits on the screen's available area (see
    // WindowFit.h), counted from the design place (or from where the window
    // manager chose to put it instead); then never again.
    void FitOnScreen();
    // The window manager has just told the frame, and the window was not
    // fitted with it yet.
    bool FrameReported() const;
    QTimer FrameWatch_;
    int FramePolls_ = 0;
    bool Placed_ = false;
    QPoint AskedCorner_;  // where the frame's corner was asked to be
    TScaledScreen* Scaled_ = nullptr;
    bool FrameFitted_ = false;

    // Runs a game handler, then copies the model, unless the window went away
    // meanwhile (handlers may wait in nested event loops).
    void RunHandler(const std::function<void()>& handler);

    struct TSpriteBinding {
        TSpriteModel* Model;
        TDIBImage* Widget;
        TSpriteModel Last;
        bool Synced = false;
    };
    struct TLabelBinding {
        TLabelModel* Model;
        QWidget* Widget;  // a TShadowLabel or a TURLtransparantLabel
        std::string Last;
        bool Synced = false;
    };
    struct TPanelBinding {
        TPanelModel* Model;
        QWidget* Widget;
    };
    std::vector<TSpriteBinding> Sprites_;
    std::vector<TLabelBinding> Labels_;
    std::vector<TPanelBinding> Panels_;
    std::vector<std::string> ComboItems_[2];
    uint64_t LastRefresh_ = ~uint64_t{0};
};
