// The culture grid on screen: cell colours, the magnified view's pixels, the
// blue tint, the pointer read-out.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "AgarholdU1.h"
#include "Board.h"
#include "TGame.h"
#include "VirtualHost.h"

namespace {

QImage Grab(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Every pixel of the 4 x 4 block of cell (cx, cy) in a view image.
::testing::AssertionResult BlockIs(const QImage& view, int cx, int cy, QRgb colour) {
    for (int y = 4 * cy; y < 4 * cy + 4; ++y)
        for (int x = 4 * cx; x < 4 * cx + 4; ++x) {
            const QRgb got = view.pixel(x, y) | 0xFF000000u;
            if (got != (colour | 0xFF000000u))
                return ::testing::AssertionFailure()
                       << "view pixel (" << x << ", " << y << ") is " << std::hex << got
                       << ", expected " << (colour | 0xFF000000u);
        }
    return ::testing::AssertionSuccess();
}

void RunEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Collects the areas a widget is asked to paint.
struct PaintRecorder : QObject {
    QRegion Painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) Painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TCell MakeCell(uint8_t owner, uint8_t strength) {
    TCell c;
    c.Owner = owner;
    c.Strength = strength;
    return c;
}

struct BoardFixture : ::testing::Test {
    VirtualHost Host;
    TGame Game{Host};
    TDIBMagnifier View{Game};

    void SetUp() override {
        View.SetTint(false);
        View.resize(MagnifierWidth, MagnifierHeight);
    }
};

}  // namespace

// Blue and Red brighten by 16 a step from 64, gray spots by 5 from 102; above
// strength 11 the colonies keep the strength-11 shade and gray stops at white.
TEST(CellColours, FollowOwnerAndStrengthWithTheBrightShadesCapped) {
    QRgb c = 0;
    for (int s = 0; s <= 255; ++s) {
        const int shade = 64 + 16 * std::min(s, 11);
        ASSERT_TRUE(CellColour(MakeCell(Blue, static_cast<uint8_t>(s)), c));
        EXPECT_EQ(c, qRgb(0, 0, shade)) << "blue strength " << s;
        ASSERT_TRUE(CellColour(MakeCell(Red, static_cast<uint8_t>(s)), c));
        EXPECT_EQ(c, qRgb(shade, 0, 0)) << "red strength " << s;
        ASSERT_TRUE(CellColour(MakeCell(GraySpot, static_cast<uint8_t>(s)), c));
        const int g = std::min(102 + 5 * s, 255);
        EXPECT_EQ(c, qRgb(g, g, g)) << "gray strength " << s;
        ASSERT_TRUE(CellColour(MakeCell(Empty, static_cast<uint8_t>(s)), c));
        EXPECT_EQ(c, qRgb(0, 0, 0));
    }
    CellColour(MakeCell(Blue, 1), c);
    EXPECT_EQ(c, qRgb(0, 0, 80));
    CellColour(MakeCell(Blue, 7), c);
    EXPECT_EQ(c, qRgb(0, 0, 176));
    CellColour(MakeCell(Blue, 11), c);
    EXPECT_EQ(c, qRgb(0, 0, 240));
    CellColour(MakeCell(GraySpot, 3), c);
    EXPECT_EQ(c, qRgb(117, 117, 117));
    // Any other owner code is not painted.
    EXPECT_FALSE(CellColour(MakeCell(3, 5), c));
    EXPECT_FALSE(CellColour(MakeCell(250, 5), c));
}

// The board image holds one pixel per cell; the border ring shows "Back".
TEST_F(BoardFixture, BoardImagePixelIsTheCellWithBackRoundThePlayfield) {
    Game.Grid(1, 1) = MakeCell(Blue, 3);
    Game.Grid(100, 100) = MakeCell(Red, 3);
    Game.Grid(50, 7) = MakeCell(GraySpot, 2);
    Game.Grid(60, 8) = MakeCell(7, 2);  // unknown owner: not painted
    QImage img;
    PaintBoardImage(Game.Grid, img);
    ASSERT_EQ(img.size(), QSize(GridSize, GridSize));
    EXPECT_EQ(img.pixel(1, 1), qRgb(0, 0, 112));
    EXPECT_EQ(img.pixel(100, 100), qRgb(112, 0, 0));
    EXPECT_EQ(img.pixel(50, 7), qRgb(112, 112, 112));
    EXPECT_EQ(img.pixel(60, 8), BoardBackColour);
    EXPECT_EQ(img.pixel(2, 2), qRgb(0, 0, 0));
    for (int i = 0; i < GridSize; ++i) {
        EXPECT_EQ(img.pixel(0, i), BoardBackColour);
        EXPECT_EQ(img.pixel(i, 0), BoardBackColour);
        EXPECT_EQ(img.pixel(101, i), BoardBackColour);
        EXPECT_EQ(img.pixel(i, 101), BoardBackColour);
    }
}

// Cell (x, y) covers view pixels 4x..4x+3 by 4y..4y+3, in the cell's colour.
TEST_F(BoardFixture, MagnifiedViewShowsEachCellAsAFourByFourBlock) {
    Game.Grid(10, 20) = MakeCell(Blue, 3);
    Game.Grid(11, 20) = MakeCell(Red, 3);
    Game.Grid(10, 21) = MakeCell(GraySpot, 2);
    Game.Grid(30, 11) = MakeCell(Blue, 40);
    const QImage v = Grab(&View);
    ASSERT_EQ(v.size(), QSize(MagnifierWidth, MagnifierHeight));
    EXPECT_TRUE(BlockIs(v, 10, 20, qRgb(0, 0, 112)));
    EXPECT_TRUE(BlockIs(v, 11, 20, qRgb(112, 0, 0)));
    EXPECT_TRUE(BlockIs(v, 10, 21, qRgb(112, 112, 112)));
    EXPECT_TRUE(BlockIs(v, 30, 11, qRgb(0, 0, 240)));
    // The neighbours stay black: nothing bleeds across a block edge.
    EXPECT_TRUE(BlockIs(v, 9, 20, qRgb(0, 0, 0)));
    EXPECT_TRUE(BlockIs(v, 12, 20, qRgb(0, 0, 0)));
    EXPECT_TRUE(BlockIs(v, 10, 19, qRgb(0, 0, 0)));
    EXPECT_TRUE(BlockIs(v, 11, 21, qRgb(0, 0, 0)));
}

// Column 100 and row 100 are shown; row and column 0 and everything past the
// playfield show "Back", down to the view's last rows (row 102).
TEST_F(BoardFixture, MagnifiedViewShowsTheLastColumnAndRowAndBackAround) {
    Game.Grid(100, 50) = MakeCell(Blue, 3);
    Game.Grid(50, 100) = MakeCell(Red, 3);
    Game.Grid(100, 100) = MakeCell(GraySpot, 2);
    const QImage v = Grab(&View);
    EXPECT_TRUE(BlockIs(v, 100, 50, qRgb(0, 0, 112)));
    EXPECT_TRUE(BlockIs(v, 50, 100, qRgb(112, 0, 0)));
    EXPECT_TRUE(BlockIs(v, 100, 100, qRgb(112, 112, 112)));
    EXPECT_TRUE(BlockIs(v, 0, 0, BoardBackColour));
    EXPECT_TRUE(BlockIs(v, 0, 50, BoardBackColour));
    EXPECT_TRUE(BlockIs(v, 50, 0, BoardBackColour));
    EXPECT_TRUE(BlockIs(v, 101, 50, BoardBackColour));
    EXPECT_TRUE(BlockIs(v, 50, 101, BoardBackColour));
    for (int y = 408; y < MagnifierHeight; ++y)
        for (int x = 0; x < MagnifierWidth; x += 7) EXPECT_EQ(v.pixel(x, y), BoardBackColour);
    EXPECT_TRUE(BlockIs(v, 1, 1, qRgb(0, 0, 0)));
}

// While the tint image is shown, view columns from 300 on are blended with
// "bbk" at opacity 100; hiding it shows the plain colours again.
TEST_F(BoardFixture, TintCoversTheFreeDropBandOnlyWhileShown) {
    Game.Grid(80, 10) = MakeCell(Blue, 3);
    Game.Grid(74, 10) = MakeCell(Blue, 3);
    View.SetTint(true);
    QImage v = Grab(&View);
    const QRgb tintedBlue = qRgb(0, 0, (192 * 100 + 112 * 155 + 127) / 255);
    const QRgb tintedBlack = qRgb(0, 0, (192 * 100 + 127) / 255);
    EXPECT_EQ(Tinted(qRgb(0, 0, 112)), tintedBlue);
    EXPECT_TRUE(BlockIs(v, 80, 10, tintedBlue));
    EXPECT_TRUE(BlockIs(v, 74, 10, qRgb(0, 0, 112)));  // view x 296..299: outside the band
    EXPECT_EQ(v.pixel(299, 200), qRgb(0, 0, 0));
    EXPECT_EQ(v.pixel(300, 200), tintedBlack);
    EXPECT_EQ(v.pixel(407, 0), Tinted(BoardBackColour));
    EXPECT_EQ(v.pixel(350, 410), Tinted(BoardBackColour));
    View.SetTint(false);
    v = Grab(&View);
    EXPECT_TRUE(BlockIs(v, 80, 10, qRgb(0, 0, 112)));
    EXPECT_EQ(v.pixel(300, 200), qRgb(0, 0, 0));
}

// A refresh repaints the blocks of the cells that changed and nothing when
// none did; the screen then shows the whole grid as it is.
TEST_F(BoardFixture, RefreshRepaintsOnlyTheBlocksOfChangedCells) {
    View.SetTint(true);
    View.show();
    RunEvents(20);
    PaintRecorder recorder;
    View.installEventFilter(&recorder);
    View.Refresh();
    RunEvents(10);
    recorder.Painted = QRegion();
    View.Refresh();
    RunEvents(10);
    EXPECT_TRUE(recorder.Painted.isEmpty()) << "nothing changed, yet the view repainted";

    Game.Grid(10, 20) = MakeCell(Blue, 3);
    Game.Grid(90, 95) = MakeCell(Red, 5);
    Game.Grid(91, 95) = MakeCell(Empty, 4);  // black before and after: no change to show
    View.Refresh();
    RunEvents(10);
    EXPECT_TRUE(recorder.Painted.contains(QRect(40, 80, 4, 4)));
    EXPECT_TRUE(recorder.Painted.contains(QRect(360, 380, 4, 4)));
    qint64 area = 0;
    for (const QRect& r : recorder.Painted) area += qint64(r.width()) * r.height();
    EXPECT_LT(area, MagnifierWidth * MagnifierHeight / 10);
    const QImage shown =
        View.screen()->grabWindow(View.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(MagnifierWidth, MagnifierHeight));
    EXPECT_TRUE(BlockIs(shown, 10, 20, qRgb(0, 0, 112)));
    EXPECT_TRUE(BlockIs(shown, 90, 95, Tinted(qRgb(144, 0, 0))));
    EXPECT_EQ(shown, Grab(&View));

    // The tint's band is painted again whole when it goes.
    recorder.Painted = QRegion();
    View.SetTint(false);
    RunEvents(10);
    EXPECT_TRUE(recorder.Painted.contains(QRect(TintLeft, 0, MagnifierWidth - TintLeft, MagnifierHeight)));
    EXPECT_TRUE(BlockIs(View.screen()->grabWindow(View.winId()).toImage(), 90, 95, qRgb(144, 0, 0)));
}

// At a device-pixel ratio of 2 every view pixel becomes a sharp 2 x 2 block.
TEST_F(BoardFixture, MagnifiedViewStaysCrispAtTwiceTheDevicePixelRatio) {
    Game.Grid(10, 10) = MakeCell(Red, 5);
    QImage hi(2 * MagnifierWidth, 2 * MagnifierHeight, QImage::Format_RGB32);
    hi.setDevicePixelRatio(2.0);
    hi.fill(Qt::white);
    View.render(&hi);
    const QRgb red = qRgb(144, 0, 0);
    for (int y = 80; y < 88; ++y)
        for (int x = 80; x < 88; ++x) EXPECT_EQ(hi.pixel(x, y), red) << x << "," << y;
    EXPECT_EQ(hi.pixel(79, 84), qRgb(0, 0, 0));
    EXPECT_EQ(hi.pixel(88, 84), qRgb(0, 0, 0));
    EXPECT_EQ(hi.pixel(84, 79), qRgb(0, 0, 0));
    EXPECT_EQ(hi.pixel(84, 88), qRgb(0, 0, 0));
}

// In the window the view lies at 174, 70 of the match screen, and the game's
// refreshed board shows after the model is copied.
TEST(BoardInWindow, MagnifierShowsTheGridAtItsPlaceAndTheTintFromTheModel) {
    VirtualHost host;
    TGame game(host);
    TForm1 form(game);
    game.Screen.DIBContainer2.Visible = false;  // the match screen uncovered
    game.Grid(20, 30) = MakeCell(Red, 3);
    game.Grid(90, 30) = MakeCell(Blue, 3);
    ++game.Screen.DIBImage1RefreshCount;
    form.SyncFromModel();
    QImage w = Grab(&form);
    EXPECT_EQ(w.pixel(174 + 80 + 1, 70 + 120 + 2), qRgb(112, 0, 0));
    EXPECT_EQ(w.pixel(174 + 360, 70 + 121), Tinted(qRgb(0, 0, 112)));
    game.Screen.DIBImage8.Visible = false;
    form.SyncFromModel();
    w = Grab(&form);
    EXPECT_EQ(w.pixel(174 + 360, 70 + 121), qRgb(0, 0, 112));
}

// A pointer move over the view reports the view position and the strength of
// cell (X div 4, Y div 4).
TEST(BoardInWindow, PointerMoveReportsSectorAndCellStrength) {
    VirtualHost host;
    TGame game(host);
    TForm1 form(game);
    game.Grid(30, 11) = MakeCell(Red, 3);
    QMouseEvent move(QEvent::MouseMove, QPointF(123, 45), QPointF(123, 45), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.DIBMagnifier1, &move);
    EXPECT_EQ(game.Screen.RxLabel1.Caption, "Sector : 123-45 Strength=3");
    EXPECT_EQ(form.RxLabel1->Text(), QStringLiteral("Sector : 123-45 Strength=3"));
    EXPECT_TRUE(form.RxLabel1->isHidden());
    QMouseEvent bottom(QEvent::MouseMove, QPointF(10, 409), QPointF(10, 409), Qt::NoButton,
                       Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.DIBMagnifier1, &bottom);
    EXPECT_EQ(game.Screen.RxLabel1.Caption, "Sector : 10-409 Strength=0");
}
