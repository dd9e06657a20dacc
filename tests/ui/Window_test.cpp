// The main window on the player's screen: where it opens, how small it may
// get, and how the screens fill a window larger than their design size, with
// the pointer and the drops still reaching them in their own pixels.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QTimer>
#include <QToolTip>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "AgarholdU1.h"
#include "Hints.h"
#include "ScaledScreen.h"
#include "TGame.h"
#include "VirtualHost.h"
#include "WindowFit.h"

namespace {

const QSize Design(TForm1::ClientWidth, TForm1::ClientHeight);
// openbox's frame at scale 1: one pixel at the sides, a 20-pixel title bar,
// a 5-pixel bottom handle.
const QMargins Frame(1, 20, 1, 5);
// The design client place under that frame: the frame's corner at 265, 146.
const QRect DesignClient(266, 166, 747, 543);

QRect Outer(const QRect& client, const QMargins& frame) { return client.marginsAdded(frame); }

}  // namespace

// Where the whole window fits at its place, it opens there unchanged.
TEST(WindowPlace, StaysAtItsDesignPlaceWhereTheWholeWindowFits) {
    EXPECT_EQ(FitClientInArea({0, 0, 1920, 1080}, Frame, DesignClient), DesignClient);
    // Exactly touching the area's right and bottom edges still fits.
    const QRect snug(0, 0, 266 + 747 + 1, 166 + 543 + 5);
    EXPECT_EQ(FitClientInArea(snug, Frame, DesignClient), DesignClient);
    // No frame told yet: the client area alone counts.
    EXPECT_EQ(FitClientInArea({0, 0, 1013, 689}, QMargins(), QRect(266, 146, 747, 543)),
              QRect(266, 146, 747, 543));
}

// Where it would stick out, it moves just as far as needed, frame included,
// and keeps its size; an area that starts below a panel is respected.
TEST(WindowPlace, MovesJustEnoughToBringTheFrameOntoTheArea) {
    // 1366 x 768 at 125 %: 1093 x 614 logical pixels, frame 1, 16, 1, 4.
    const QMargins f125(1, 16, 1, 4);
    const QRect fit = FitClientInArea({0, 0, 1093, 614}, f125, {332, 162, 747, 543});
    EXPECT_EQ(fit, QRect(332, 614 - 4 - 543, 747, 543));
    EXPECT_EQ(Outer(fit, f125).bottom(), 613);  // the frame's last row is the area's
    EXPECT_EQ(fit.x(), 332);                   // fits across: not moved that way
    // Too far right and too high for an area with a top panel.
    const QRect area(0, 30, 1000, 700);
    const QRect moved = FitClientInArea(area, Frame, {400, 10, 747, 543});
    EXPECT_EQ(moved, QRect(1000 - 1 - 747, 30 + 20, 747, 543));
    EXPECT_TRUE(area.contains(Outer(moved, Frame)));
    // A screen that does not start at 0: left of it, moved onto its left edge.
    const QRect second(1920, 0, 1280, 1024);
    EXPECT_EQ(FitClientInArea(second, Frame, {1800, 100, 747, 543}), QRect(1921, 100, 747, 543));
}

// An area too small for the window: it fills the area as far as it can, and
// its smallest size gives way to the area, so it is never larger than the screen.
TEST(WindowPlace, FillsAnAreaTooSmallForItAndMayShrinkToIt) {
    // 1366 x 768 at 150 %: 911 x 512 logical pixels, frame 1, 13, 1, 3.
    const QMargins f150(1, 13, 1, 3);
    const QRect area(0, 0, 911, 512);
    const QRect fit = FitClientInArea(area, f150, {399, 159, 747, 543});
    EXPECT_EQ(fit, QRect(911 - 1 - 747, 13, 747, 512 - 16));
    EXPECT_TRUE(area.contains(Outer(fit, f150)));
    EXPECT_EQ(SmallestClientSize(area, f150, Design), QSize(747, 496));
    // Where the design fits, the smallest size is the design size.
    EXPECT_EQ(SmallestClientSize({0, 0, 1366, 768}, Frame, Design), Design);
    // Narrower than the window too.
    const QRect tiny(0, 0, 640, 480);
    EXPECT_EQ(FitClientInArea(tiny, Frame, DesignClient), QRect(1, 20, 638, 455));
    EXPECT_EQ(SmallestClientSize(tiny, Frame, Design), QSize(638, 455));
}

// Before the window manager tells the frame, the window is placed for the
// frame it expects: at every scale as large as a usual frame in logical
// pixels, so that, its frame's corner put where it was asked, the window fits
// with the real frame too (here openbox's 1, 20, 1, 5 screen pixels, a pixel
// more each side at a fractional scale).
TEST(WindowPlace, ExpectedFrameHoldsAUsualFrameAtEveryScale) {
    EXPECT_EQ(ExpectedFrame(1.0), QMargins(4, 34, 4, 4));
    EXPECT_EQ(ExpectedFrame(2.0), QMargins(2, 17, 2, 2));
    EXPECT_EQ(ExpectedFrame(1.5), QMargins(3, 23, 3, 3));
    for (const double ratio : {1.0, 1.25, 1.5}) {
        const QRect area(0, 0, static_cast<int>(1366 / ratio), static_cast<int>(768 / ratio));
        const QMargins expected = ExpectedFrame(ratio);
        const QPoint lead(expected.left(), expected.top());
        const QRect asked = FitClientInArea(area, expected, QRect(QPoint(265, 146) + lead, Design));
        const QMargins real = ratio == 1.0 ? QMargins(1, 20, 1, 5)
                                           : QMargins(2, static_cast<int>(20 / ratio) + 1, 2,
                                                      static_cast<int>(5 / ratio) + 1);
        const QRect shown(asked.topLeft() - lead + QPoint(real.left(), real.top()), asked.size());
        EXPECT_TRUE(area.contains(Outer(shown, real))) << "at scale " << ratio;
    }
}

// A hint kept inside its window (Wayland): where it would stick out on the
// right it goes left of the pointer, at the bottom above it; one that fits is
// left where the toolkit put it; one larger than the window starts at its
// top left.
TEST(WindowPlace, HintsStayWhollyInsideTheirWindow) {
    const QRect window(0, -30, 753, 576);  // frame of a 747 x 543 client at 0, 0
    const QPoint tube1(624, 128);
    const QRect asked(626, 144, 391, 18);  // 2 right of and 16 below the pointer
    const QRect left = PlaceHintInside(window, tube1, asked);
    EXPECT_EQ(left, QRect(624 - 3 - 390, 144, 391, 18));
    EXPECT_TRUE(window.contains(left));
    const QPoint low(300, 530);
    const QRect above = PlaceHintInside(window, low, QRect(302, 546, 120, 18));
    EXPECT_EQ(above, QRect(302, 530 - 9 - 17, 120, 18));
    const QRect corner = PlaceHintInside(window, QPoint(740, 540), QRect(742, 556, 200, 18));
    EXPECT_TRUE(window.contains(corner));
    EXPECT_LT(corner.right(), 740);
    EXPECT_LT(corner.bottom(), 540);
    EXPECT_EQ(PlaceHintInside(window, QPoint(100, 100), QRect(102, 116, 200, 18)), QRect(102, 116, 200, 18));
    // Wider than the window, next to its left edge: it starts at the left edge.
    EXPECT_EQ(PlaceHintInside(window, QPoint(20, 100), QRect(22, 116, 900, 18)), QRect(0, 116, 900, 18));
}

// A larger window shows the design area by the largest factor that fits,
// centred.
TEST(WindowPlace, FillFactorIsTheLargestThatFitsAndTheAreaIsCentred) {
    EXPECT_DOUBLE_EQ(FillFactor(Design, Design), 1.0);
    EXPECT_DOUBLE_EQ(FillFactor({1280, 1005}, Design), 1280.0 / 747.0);
    EXPECT_DOUBLE_EQ(FillFactor({1494, 2000}, Design), 2.0);
    EXPECT_DOUBLE_EQ(FillFactor({3000, 1086}, Design), 2.0);
    const QRectF r = FilledRect({1280, 1005}, Design);
    EXPECT_DOUBLE_EQ(r.width(), 1280.0);
    EXPECT_NEAR(r.height(), 543.0 * 1280.0 / 747.0, 1e-9);
    EXPECT_NEAR(r.top(), (1005.0 - r.height()) / 2, 1e-9);
    EXPECT_DOUBLE_EQ(r.left(), 0.0);
    const QRectF wide = FilledRect({3000, 1086}, Design);
    EXPECT_DOUBLE_EQ(wide.left(), (3000.0 - 1494.0) / 2);
    EXPECT_DOUBLE_EQ(wide.top(), 0.0);
}

namespace {

struct ScaledFixture : ::testing::Test {
    VirtualHost Host;
    TGame Game{Host};
    TForm1 Form{Game};

    void SetUp() override {
        // Cells of every colour class in a pattern no two neighbours share.
        for (int y = 1; y <= BoardHeight; ++y)
            for (int x = 1; x <= BoardWidth; ++x) {
                TCell& c = Game.Grid(x, y);
                const int k = (x * 7 + y * 3) % 4;
                c.Owner = k == 0 ? Empty : k == 1 ? Blue : k == 2 ? Red : GraySpot;
                c.Strength = static_cast<uint8_t>((x + 2 * y) % 12);
            }
        ++Game.Screen.DIBImage1RefreshCount;
        Form.SyncFromModel();
        Form.show();
    }

    // Lets the window paint what is pending.
    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
    }

    // The design pixel the view's pixel (px, py) shows, found from the view's
    // own transform and the rule "the pixel under the screen pixel's centre".
    QPoint Shown(TScaledScreen* view, int px, int py) const {
        const QPointF scene = view->mapToScene(QPoint(px, py));
        const double half = 0.5 / view->Factor();
        return QPoint(static_cast<int>(std::floor(scene.x() + half)),
                      static_cast<int>(std::floor(scene.y() + half)));
    }
};

}  // namespace

// Below the design size nothing is possible: the window refuses to shrink.
TEST_F(ScaledFixture, WindowRefusesToShrinkBelowTheDesignClientArea) {
    EXPECT_EQ(Form.minimumSize(), Design);
    Form.resize(600, 400);
    EXPECT_EQ(Form.size(), Design);
}

// A larger window: the whole client area scaled by one factor, centred, the
// rest #070707, the board's cells solid blocks drawn where the pointer mapping
// finds them; back at the design size the screens sit straight in the window.
TEST_F(ScaledFixture, LargerWindowShowsTheScreensScaledCentredAndCrisp) {
    ASSERT_EQ(Form.ScaledScreen(), nullptr);  // at the design size, no view at all
    const QImage before = Form.grab(QRect(174, 70, 408, 411)).toImage().convertToFormat(QImage::Format_RGB32);

    Form.resize(1024, 800);
    TScaledScreen* view = Form.ScaledScreen();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->isVisible());
    EXPECT_EQ(view->geometry(), Form.rect());
    EXPECT_EQ(Form.DIBContainer1->window(), Form.DIBContainer1);  // carried by the view
    const double f = 1024.0 / 747.0;
    EXPECT_DOUBLE_EQ(view->Factor(), f);
    const QImage shot = Form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(1024, 800));

    // Letterbox above and below the scaled area, which spans the full width.
    const QRectF area = view->ScreenRect();
    EXPECT_NEAR(area.top(), (800 - 543 * f) / 2, 1e-6);
    for (int x = 0; x < 1024; x += 3) {
        EXPECT_EQ(shot.pixel(x, 0), 0xFF070707u) << x;
        EXPECT_EQ(shot.pixel(x, 799), 0xFF070707u) << x;
    }
    // The title screen's black begins 2 design pixels in, scaled.
    const int titleTop = static_cast<int>(std::ceil(area.top() + 2 * f)) + 1;
    EXPECT_EQ(shot.pixel(512, titleTop), 0xFF000000u);
    EXPECT_EQ(shot.pixel(1, static_cast<int>(area.top()) + 40), 0xFF070707u);  // left margin

    // The title screen covers the board: hide it to see the match screen.
    Game.Screen.DIBContainer2.Visible = false;
    Form.SyncFromModel();
    const QImage match = Form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    TDIBMagnifier* board = Form.DIBMagnifier1;
    const QImage& cells = board->View();
    // Whatever lies over the board (the dotted lines, the big centre text).
    std::vector<QRect> above;
    bool over = false;
    for (QObject* o : Form.DIBContainer1->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (over && w && w->isVisible()) above.push_back(w->geometry());
        if (w == board) over = true;
    }
    int checked = 0;
    for (int py = 0; py < 800; ++py)
        for (int px = 0; px < 1024; ++px) {
            const QPoint d = Shown(view, px, py);
            const QPoint v = d - board->pos();
            if (!board->rect().contains(v)) continue;
            // Only where the board is the topmost control (no label over it).
            if (std::any_of(above.begin(), above.end(), [&](const QRect& r) { return r.contains(d); }))
                continue;
            ASSERT_EQ(match.pixel(px, py), cells.pixel(v)) << "view pixel " << px << "," << py
                                                           << " design " << d.x() << "," << d.y();
            ++checked;
        }
    EXPECT_GT(checked, 250000);

    // A repaint of part of the board (a block of cells changed) puts each
    // design pixel on the same screen pixels as the whole picture did: the
    // window's own pixels show every cell whole, with no seam around the part.
    view->viewport()->repaint();
    Settle();
    const QRect cellsChanged(31, 17, 23, 29);  // cell columns 31..53, rows 17..45
    for (int y = cellsChanged.top(); y <= cellsChanged.bottom(); ++y)
        for (int x = cellsChanged.left(); x <= cellsChanged.right(); ++x) {
            TCell& c = Game.Grid(x, y);
            c.Owner = c.Owner == Blue ? Red : Blue;
        }
    const QRect part(4 * cellsChanged.x(), 4 * cellsChanged.y(), 4 * cellsChanged.width(),
                     4 * cellsChanged.height());  // view pixels
    board->update(part);
    Settle();
    const QImage now = board->View();
    const QImage window = Form.screen()->grabWindow(Form.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(window.size(), shot.size());
    int inPart = 0, changed = 0;
    for (int py = 0; py < 800; ++py)
        for (int px = 0; px < 1024; ++px) {
            const QPoint d = Shown(view, px, py);
            const QPoint v = d - board->pos();
            if (!board->rect().contains(v)) continue;
            if (std::any_of(above.begin(), above.end(), [&](const QRect& r) { return r.contains(d); }))
                continue;
            inPart += part.contains(v);
            // The window shows the change: the blue and red cells swapped.
            changed += window.pixel(px, py) != match.pixel(px, py);
            ASSERT_EQ(window.pixel(px, py), now.pixel(v))
                << "view pixel " << px << "," << py << " design " << v.x() << "," << v.y()
                << (part.contains(v) ? " inside" : " outside") << " the repainted part";
        }
    EXPECT_GT(inPart, 15000);
    EXPECT_GT(changed, inPart / 3);

    // Back at the design size: straight in the window again, pixels as before.
    Game.Screen.DIBContainer2.Visible = true;
    Form.SyncFromModel();
    Form.resize(Design);
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(Form.DIBContainer1->parentWidget(), &Form);
    // A plain child again: no window of its own left behind.
    EXPECT_EQ(Form.DIBContainer1->windowHandle(), nullptr);
    EXPECT_FALSE(Form.DIBContainer1->testAttribute(Qt::WA_NativeWindow));
    EXPECT_FALSE(Form.DIBContainer1->testAttribute(Qt::WA_DontShowOnScreen));
    EXPECT_EQ(Form.DIBContainer1->geometry(), QRect(QPoint(0, 0), Design));
    EXPECT_TRUE(Form.DIBContainer1->isVisible());
    EXPECT_EQ(Form.grab(QRect(174, 70, 408, 411)).toImage().convertToFormat(QImage::Format_RGB32), before);
}

// The pointer over the scaled board reads the design pixel drawn under it,
// and a tube dropped there lands on that pixel's cell.
TEST_F(ScaledFixture, PointerAndDropsOnTheScaledBoardUseTheDesignPixelUnderThePointer) {
    Game.Screen.DIBContainer2.Visible = false;
    Form.SyncFromModel();
    Form.resize(1024, 800);
    TScaledScreen* view = Form.ScaledScreen();
    ASSERT_NE(view, nullptr);
    QWidget* port = view->viewport();
    TDIBMagnifier* board = Form.DIBMagnifier1;

    // A run of view pixels across several cell boundaries: the read-out names
    // the design pixel under each one.
    const int py = 300;
    for (int px = 640; px < 680; ++px) {
        const QPoint d = Shown(view, px, py);
        QMouseEvent move(QEvent::MouseMove, QPointF(px, py), port->mapToGlobal(QPointF(px, py)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &move);
        const QPoint v = d - board->pos();
        EXPECT_EQ(Game.Screen.RxLabel1.Caption.rfind("Sector : " + std::to_string(v.x()) + "-" +
                                                     std::to_string(v.y()) + " ", 0),
                  0u)
            << "view pixel " << px << " shows design " << d.x() << ": read " << Game.Screen.RxLabel1.Caption;
    }

    // Drops in the free band, one view pixel apart across a cell boundary.
    for (TCell& c : Game.Grid.Cells) c = TCell{};
    int dropped = 0;
    for (int px = 0; px < 1024 && dropped < 12; ++px) {
        const QPoint d = Shown(view, px, py);
        const QPoint v = d - board->pos();
        if (v.x() < 330 || v.x() >= 400) continue;
        Game.Tube[1][1].Size = 1;
        emit Form.HumanTubes[0]->StartDrag();
        std::unique_ptr<QMimeData> tube(MakeSpriteMimeData({1, true}));
        const QPointF at(px, py);
        QDragEnterEvent enter(at.toPoint(), Qt::MoveAction | Qt::CopyAction, tube.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &enter);
        QDragMoveEvent over(at.toPoint(), Qt::MoveAction | Qt::CopyAction, tube.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &over);
        ASSERT_TRUE(Game.DropAccepted[1]) << "view pixel " << px;
        QDropEvent drop(at, Qt::MoveAction | Qt::CopyAction, tube.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &drop);
        const int cx = v.x() / 4, cy = v.y() / 4;
        EXPECT_EQ(Game.Grid(cx, cy).Owner, Blue) << "view pixel " << px << " design " << v.x();
        int blue = 0;
        for (const TCell& c : Game.Grid.Cells) blue += c.Owner == Blue;
        EXPECT_EQ(blue, 1) << "view pixel " << px;
        Game.Grid(cx, cy) = TCell{};
        ++dropped;
    }
    EXPECT_EQ(dropped, 12);
}

namespace {

// The board point the pointer's read-out names at view pixel (px, py), or
// nothing off the board.
std::optional<QPoint> ReadOut(TGame& game, TScaledScreen* view, int px, int py) {
    QWidget* port = view->viewport();
    game.Screen.RxLabel1.Caption.clear();
    QMouseEvent move(QEvent::MouseMove, QPointF(px, py), port->mapToGlobal(QPointF(px, py)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(port, &move);
    int x = 0, y = 0;
    if (std::sscanf(game.Screen.RxLabel1.Caption.c_str(), "Sector : %d-%d ", &x, &y) != 2) return std::nullopt;
    return QPoint(x, y);
}

// Tube 1 (one bacterium) dragged onto view pixel (px, py) of an empty board:
// the cell the drop injected into, or nothing (an edge cell takes none).
std::optional<QPoint> InjectedBy(TGame& game, TForm1& form, TScaledScreen* view, int px, int py) {
    QWidget* port = view->viewport();
    for (TCell& c : game.Grid.Cells) c = TCell{};
    game.Tube[1][1].Size = 1;
    emit form.HumanTubes[0]->StartDrag();
    std::unique_ptr<QMimeData> tube(MakeSpriteMimeData({1, true}));
    const QPoint at(px, py);
    const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
    QDragEnterEvent enter(at, actions, tube.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(port, &enter);
    QDragMoveEvent over(at, actions, tube.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(port, &over);
    QDropEvent drop(QPointF(at), actions, tube.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(port, &drop);
    std::optional<QPoint> cell;
    for (int y = 0; y <= BoardHeight + 1; ++y)
        for (int x = 0; x <= BoardWidth + 1; ++x)
            if (game.Grid(x, y).Owner == Blue) {
                EXPECT_FALSE(cell) << "a second cell " << x << "," << y << " from view pixel " << px << "," << py;
                cell = QPoint(x, y);
            }
    return cell;
}

}  // namespace

// Enlarged by a whole and by two fractional factors, every screen pixel of the
// board shows the cell a tube dropped on that pixel injects into. The view's
// columns and rows are taken one by one: each through the pointer's read-out
// and a real drop, the read-out's cell must be the drop's; then the window's
// own pixels are compared, all of them, with those cells' colours.
TEST_F(ScaledFixture, EveryBoardPixelShowsTheCellADropThereInjectsInto) {
    Game.Screen.DIBContainer2.Visible = false;  // the match screen, not the title
    Form.SyncFromModel();
    // Drops are taken on the whole board, so that every cell can be aimed at.
    Game.DropZoneLeft = -1000;
    Game.DropZoneRight = 1000;
    TDIBMagnifier* board = Form.DIBMagnifier1;
    const auto pattern = Game.Grid.Cells;
    for (const QSize window : {QSize(1024, 800), QSize(1366, 745), QSize(1494, 1086)}) {
        SCOPED_TRACE(::testing::Message() << "window " << window.width() << " x " << window.height());
        Game.Grid.Cells = pattern;
        ++Game.Screen.DIBImage1RefreshCount;
        Form.SyncFromModel();
        Form.resize(window);
        TScaledScreen* view = Form.ScaledScreen();
        ASSERT_NE(view, nullptr);
        Settle();
        const QImage cells = board->View();
        const QImage shot =
            Form.screen()->grabWindow(Form.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shot.size(), window);
        const QPoint port = view->viewport()->mapTo(&Form, QPoint(0, 0));

        // The board column of each view column through the board's middle
        // row, and the board row of each view row through its middle column.
        const int midX = static_cast<int>(view->ScreenRect().left() + (174 + 204) * view->Factor());
        const int midY = static_cast<int>(view->ScreenRect().top() + (70 + 205) * view->Factor());
        std::vector<std::optional<QPoint>> columns(size_t(view->viewport()->width()));
        std::vector<std::optional<QPoint>> rows(size_t(view->viewport()->height()));
        // Whatever lies over the board (the dotted lines) hides it there.
        std::vector<QRect> above;
        bool over = false;
        for (QObject* o : Form.DIBContainer1->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (over && w && w->isVisible()) above.push_back(w->geometry().translated(-board->pos()));
            if (w == board) over = true;
        }
        auto hidden = [&](QPoint b) {
            return std::any_of(above.begin(), above.end(), [&](const QRect& r) { return r.contains(b); });
        };
        int dropped = 0;
        auto sweep = [&](bool across, std::vector<std::optional<QPoint>>& out) {
            for (int i = 0; i < int(out.size()); ++i) {
                const int px = across ? i : midX, py = across ? midY : i;
                out[size_t(i)] = ReadOut(Game, view, px, py);
                if (!out[size_t(i)]) continue;
                const QPoint b = *out[size_t(i)];
                if (hidden(b)) continue;
                const QPoint cell(b.x() / 4, b.y() / 4);
                // Where the game injects on the cell aimed at: not within 50
                // pixels of the board's left edge (no drop is taken there), not
                // on the edge cells, not in the bottom two rows (a colony there
                // is lifted onto the board). Elsewhere the read-out alone
                // witnesses the mapping, which the drops go through too.
                if (b.x() <= 50 || cell.x() > BoardWidth || cell.y() < 1 || cell.y() > BoardHeight - 2) continue;
                const std::optional<QPoint> hit = InjectedBy(Game, Form, view, px, py);
                ASSERT_TRUE(hit) << "view pixel " << px << "," << py << " reads cell " << cell.x() << "," << cell.y()
                                 << " but its drop injected nothing";
                ASSERT_EQ(*hit, cell) << "view pixel " << px << "," << py;
                ++dropped;
            }
        };
        sweep(true, columns);
        sweep(false, rows);
        // The read-out of a pixel off both middle lines names its column's
        // and its row's board point: the mapping goes column by column and
        // row by row.
        for (int k = 0; k < 40; ++k) {
            const int px = midX - 200 + 11 * k, py = midY + 230 - 13 * k;
            if (!columns[size_t(px)] || !rows[size_t(py)]) continue;
            const std::optional<QPoint> p = ReadOut(Game, view, px, py);
            ASSERT_TRUE(p);
            EXPECT_EQ(*p, QPoint(columns[size_t(px)]->x(), rows[size_t(py)]->y())) << px << "," << py;
        }

        int checked = 0, columnsOnBoard = 0, rowsOnBoard = 0;
        for (const auto& c : columns) columnsOnBoard += c.has_value();
        for (const auto& r : rows) rowsOnBoard += r.has_value();
        for (int py = 0; py < int(rows.size()); ++py) {
            if (!rows[size_t(py)]) continue;
            for (int px = 0; px < int(columns.size()); ++px) {
                if (!columns[size_t(px)]) continue;
                const QPoint b(columns[size_t(px)]->x(), rows[size_t(py)]->y());
                if (hidden(b)) continue;
                const QPoint cell(b.x() / 4, b.y() / 4);
                ASSERT_EQ(shot.pixel(port + QPoint(px, py)), cells.pixel(b))
                    << "view pixel " << px << "," << py << " does not show cell " << cell.x() << "," << cell.y()
                    << ", where a drop there injects";
                ++checked;
            }
        }
        // The whole board: its 408 x 411 design pixels, enlarged.
        EXPECT_NEAR(columnsOnBoard, 408 * view->Factor(), 1.0);
        EXPECT_NEAR(rowsOnBoard, 411 * view->Factor(), 1.0);
        EXPECT_GT(checked, 0.95 * columnsOnBoard * rowsOnBoard);  // the dotted lines hide 2 %
        EXPECT_GT(dropped, 0.8 * (columnsOnBoard + rowsOnBoard));
        Form.resize(Design);
    }
}

namespace {

// The view pixel at the middle of `w` (a control on the screens), and
// pointer events sent to the view there, as the window system sends them.
QPoint ViewPointOf(TScaledScreen* view, QWidget* w, QPoint local) {
    QWidget* screens = view->Embedded();
    const QPointF design = QPointF(w->mapTo(screens, local)) + QPointF(0.5, 0.5);
    return view->mapFromScene(design);
}

void SendToView(TScaledScreen* view, QEvent::Type type, QPoint p, Qt::MouseButton button,
                Qt::MouseButtons buttons) {
    QWidget* port = view->viewport();
    QMouseEvent e(type, QPointF(p), port->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(port, &e);
}

void ClickInView(TScaledScreen* view, QPoint p) {
    SendToView(view, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
    SendToView(view, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    SendToView(view, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

}  // namespace

// In the scaled window the controls answer as at the design size: hover, the
// links, the statistics panel and its "Close", a hint, the chooser's list
// opened and chosen from, and "Done".
TEST_F(ScaledFixture, ControlsWorkInTheScaledWindowAsAtTheDesignSize) {
    Form.resize(1024, 800);
    TScaledScreen* view = Form.ScaledScreen();
    ASSERT_NE(view, nullptr);
    auto middle = [&](QWidget* w) { return ViewPointOf(view, w, QPoint(w->width() / 2, w->height() / 2)); };

    // Hover: the start picture brightens under the pointer and dims after.
    ASSERT_EQ(Form.DIBImage2->Opacity(), 175);
    SendToView(view, QEvent::MouseMove, middle(Form.DIBImage2), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(Form.DIBImage2->Opacity(), 255);
    SendToView(view, QEvent::MouseMove, ViewPointOf(view, Form.DIBContainer2, {40, 520}), Qt::NoButton,
               Qt::NoButton);
    EXPECT_EQ(Form.DIBImage2->Opacity(), 175);

    // A link.
    ClickInView(view, middle(Form.URLtransparantLabel2));
    EXPECT_EQ(Form.URLtransparantLabel2->Text(), QStringLiteral("Set Rating : AI Rating = 1900"));

    // The statistics panel opens and closes.
    ClickInView(view, middle(Form.DIBImage9));
    EXPECT_TRUE(Form.dxContainer3->isVisible());
    ClickInView(view, middle(Form.dxButton2));
    EXPECT_FALSE(Form.dxContainer3->isVisible());

    // A hint shows the tube's text.
    Game.Screen.DIBContainer2.Visible = false;
    Game.Screen.Bac1_1.Hint = "Level 3 Injection";
    Form.SyncFromModel();
    {
        const QPoint p = middle(Form.HumanTubes[0]);
        SendToView(view, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
        QHelpEvent help(QEvent::ToolTip, p, view->viewport()->mapToGlobal(p));
        QCoreApplication::sendEvent(view->viewport(), &help);
        EXPECT_TRUE(QToolTip::isVisible());
        EXPECT_EQ(QToolTip::text(), QStringLiteral("Level 3 Injection"));
        QToolTip::hideText();
    }

    // The chooser: its first list opens over the scaled screen and takes a choice.
    for (int k = 0; k < 5; ++k) {
        Game.Screen.ComboBox1.Items.push_back(GlobalInjectionNames[k]);
        Game.Screen.ComboBox2.Items.push_back(GlobalInjectionNames[k]);
    }
    Game.Screen.ComboBox1.ItemIndex = 0;
    Game.Screen.ComboBox2.ItemIndex = 1;
    Game.Screen.DIBContainer3.Visible = true;
    Form.SyncFromModel();
    ClickInView(view, middle(Form.ComboBox1));
    QAbstractItemView* list = Form.ComboBox1->view();
    ASSERT_TRUE(list->isVisible());
    QWidget* popup = list->window();
    QGraphicsProxyWidget* popupProxy = popup->graphicsProxyWidget();
    ASSERT_NE(popupProxy, nullptr);  // the open list lies in the scaled scene too
    const QRect row = list->visualRect(list->model()->index(3, 0));
    const QPointF rowInPopup = QPointF(list->viewport()->mapTo(popup, row.center())) + QPointF(0.5, 0.5);
    const QPoint at = view->mapFromScene(popupProxy->mapToScene(rowInPopup));
    SendToView(view, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    SendToView(view, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendToView(view, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(Form.ComboBox1->currentIndex(), 3);
    EXPECT_EQ(Game.Screen.ComboBox1.ItemIndex, 3);
    ClickInView(view, middle(Form.dxButton1));
    EXPECT_TRUE(Game.InjectionChoiceDone);
    EXPECT_EQ(Game.GlobalInjection[1][1], 4);
}
