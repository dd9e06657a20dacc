// The title screen's star field and the match screen's analog clock: motion,
// colours, pixels, and timers that rest while their widget is hidden.
#include <QEventLoop>
#include <QImage>
#include <QPaintEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

#include "AnalogClock.h"
#include "Panels.h"
#include "StarField.h"

namespace {

void RunEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double Distance(QPointF p) { return std::hypot(p.x(), p.y()); }

// A star field as the title screen has it: 665 x 465, centre 400, 200.
void SetUpTitleField(TNcaStar& field, quint32 seed) {
    field.resize(665, 465);
    field.SetCentre(QPoint(400, 200));
    field.SetBrightness(90);
    field.Seed(seed);
}

bool IsBackground(QRgb c) { return qRed(c) == 7 && qGreen(c) == 7 && qBlue(c) == 7; }

// Collects the areas a widget is asked to paint.
struct PaintRecorder : QObject {
    QRegion Painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) Painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

// The pixels a streak may light: its ends' box and one pixel of smoothing round it.
QRect StreakBox(const TNcaStar::TStar& s, QPoint centre) {
    return QRectF(s.Offset + centre, s.TailOffset + centre).normalized().toAlignedRect().adjusted(-1, -1, 1, 1);
}

// What the window holds on screen (its backing store), against what a full
// repaint of it now gives.
::testing::AssertionResult ScreenMatchesFullRepaint(QWidget& window) {
    const QImage shown = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage fresh = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.size() != fresh.size()) return ::testing::AssertionFailure() << "no picture of the window";
    for (int y = 0; y < fresh.height(); ++y)
        for (int x = 0; x < fresh.width(); ++x)
            if (shown.pixel(x, y) != fresh.pixel(x, y))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " shows " << std::hex
                                                     << shown.pixel(x, y) << ", a full repaint gives "
                                                     << fresh.pixel(x, y);
    return ::testing::AssertionSuccess();
}

}  // namespace

// A hundred stars, each at least 6 pixels from the centre, each colour channel
// the brightness 90 plus a random amount.
TEST(StarField, startsAHundredColouredStarsAwayFromTheCentre) {
    TNcaStar field;
    SetUpTitleField(field, 1);
    ASSERT_EQ(field.Stars().size(), TNcaStar::MaxStars);
    bool allGray = true;
    for (const TNcaStar::TStar& s : field.Stars()) {
        EXPECT_GE(Distance(s.Offset), TNcaStar::MinStartDistance);
        EXPECT_GE(Distance(s.TailOffset), TNcaStar::MinStartDistance);
        for (int channel : {s.Color.red(), s.Color.green(), s.Color.blue()}) {
            EXPECT_GE(channel, 90);
            EXPECT_LE(channel, 255);
        }
        allGray = allGray && s.Color.red() == s.Color.green() && s.Color.green() == s.Color.blue();
    }
    EXPECT_FALSE(allGray);
}

// Stars fly straight outward, the farther out the faster, and restart near
// the centre (never closer than 6 pixels) when they leave the field.
TEST(StarField, starsFlyOutwardFasterWhenFartherAndRestartNearTheCentre) {
    TNcaStar field;
    SetUpTitleField(field, 2);
    int restarts = 0;
    for (int step = 0; step < 800; ++step) {
        const QVector<TNcaStar::TStar> before = field.Stars();
        field.Step();
        const QVector<TNcaStar::TStar>& after = field.Stars();
        for (int i = 0; i < before.size(); ++i) {
            const QPointF a = before[i].Offset, b = after[i].Offset;
            if (Distance(b) < Distance(a)) {
                // Restarted: near the centre again.
                ++restarts;
                EXPECT_GE(Distance(b), TNcaStar::MinStartDistance);
                EXPECT_LE(Distance(b), 60.0);
                continue;
            }
            // Same direction: the cross product of old and new offset is nil.
            EXPECT_NEAR(a.x() * b.y() - a.y() * b.x(), 0.0, 1e-6 * Distance(a) * Distance(b));
            EXPECT_GE(Distance(after[i].TailOffset), TNcaStar::MinStartDistance);
        }
    }
    EXPECT_GT(restarts, 100);

    // Speed grows with the distance from the centre.
    TNcaStar probe;
    SetUpTitleField(probe, 3);
    const QVector<TNcaStar::TStar> before = probe.Stars();
    probe.Step();
    double nearSpeed = 0, farSpeed = 0;
    int nearCount = 0, farCount = 0;
    for (int i = 0; i < before.size(); ++i) {
        const double d = Distance(before[i].Offset);
        const double moved = Distance(probe.Stars()[i].Offset - before[i].Offset);
        if (moved > 50) continue;  // restarted
        if (d < 60) {
            nearSpeed += moved;
            ++nearCount;
        }
        if (d > 200) {
            farSpeed += moved;
            ++farCount;
        }
    }
    ASSERT_GT(nearCount, 0);
    ASSERT_GT(farCount, 0);
    EXPECT_GT(farSpeed / farCount, 2 * nearSpeed / nearCount);
}

// The same seed gives the same sky: the field draws only from its own generator.
TEST(StarField, theSameSeedGivesTheSameSky) {
    TNcaStar a, b;
    SetUpTitleField(a, 42);
    SetUpTitleField(b, 42);
    for (int i = 0; i < 300; ++i) {
        a.Step();
        b.Step();
    }
    for (int i = 0; i < a.Stars().size(); ++i) {
        EXPECT_EQ(a.Stars()[i].Offset, b.Stars()[i].Offset);
        EXPECT_EQ(a.Stars()[i].Color, b.Stars()[i].Color);
    }
}

// On screen the stars are coloured streaks on black, and the 6-pixel ring
// around the centre never lights up.
TEST(StarField, drawsStreaksOnBlackAndLeavesTheCentreDark) {
    TNcaStar field;
    SetUpTitleField(field, 5);
    for (int frame = 0; frame < 40; ++frame) {
        for (int i = 0; i < 10; ++i) field.Step();
        const QImage shot = field.grab().toImage();
        int lit = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QRgb c = shot.pixel(x, y);
                if ((c & 0xFFFFFF) == 0) continue;
                ++lit;
                const double d = std::hypot(x + 0.5 - 400, y + 0.5 - 200);
                ASSERT_GT(d, 4.5) << "frame " << frame << " lit pixel at " << x << "," << y;
            }
        EXPECT_GT(lit, 100);
        EXPECT_LT(lit, shot.width() * shot.height() / 20);
    }
}

// A frame repaints every streak's old place and new one, except where an
// opaque widget above the field hides them; the screen then shows no trail a
// streak left behind.
TEST(StarField, aFrameRepaintsEachStreaksOldAndNewPlaceButNotUnderAnOpaqueCover) {
    QWidget screen;
    screen.resize(737, 537);
    auto* field = new TNcaStar(&screen);
    field->setGeometry(24, 0, 665, 465);
    SetUpTitleField(*field, 11);
    field->SetActive(false);  // the frames come from the test alone
    // Where the title picture lies: opaque, above the field.
    auto* cover = new TDIBContainer(&screen, QColor(0, 0, 0x60));
    cover->setGeometry(152, 16, 460, 200);
    const QRegion covered(cover->geometry().translated(-field->pos()));
    screen.show();
    RunEvents(30);
    PaintRecorder recorder;
    field->installEventFilter(&recorder);
    const QPoint centre = field->Centre();
    int restarts = 0;
    qint64 damagedPixels = 0, boxPixels = 0;
    const auto pixels = [](const QRegion& r) {
        qint64 n = 0;
        for (const QRect& piece : r) n += qint64(piece.width()) * piece.height();
        return n;
    };
    for (int frame = 0; frame < 120; ++frame) {
        const QVector<TNcaStar::TStar> before = field->Stars();
        recorder.Painted = QRegion();
        const QRegion damage = field->Advance(3);
        RunEvents(5);
        const QVector<TNcaStar::TStar>& after = field->Stars();
        for (int i = 0; i < after.size(); ++i) {
            if (Distance(after[i].Offset) < Distance(before[i].Offset)) ++restarts;
            for (const QRect& box : {StreakBox(before[i], centre), StreakBox(after[i], centre)}) {
                const QRegion missed = (QRegion(box & field->rect()) - covered) - damage;
                ASSERT_TRUE(missed.isEmpty()) << "frame " << frame << ", star " << i << ": "
                                              << missed.boundingRect().x() << "," << missed.boundingRect().y();
            }
        }
        // Not one box round all streaks, which would repaint nearly the whole
        // field and every widget above it, but the parts near streaks.
        QRect all;
        for (int i = 0; i < after.size(); ++i) all |= StreakBox(before[i], centre) | StreakBox(after[i], centre);
        damagedPixels += pixels(damage);
        boxPixels += pixels(QRegion(all & field->rect()) - covered);
        EXPECT_LE(damage.rectCount(), 60) << "frame " << frame;
        EXPECT_TRUE((damage & covered).isEmpty()) << "frame " << frame;
        EXPECT_TRUE((recorder.Painted - damage).isEmpty()) << "frame " << frame;
        EXPECT_TRUE((recorder.Painted & covered).isEmpty()) << "frame " << frame;
    }
    EXPECT_GT(restarts, 5);
    EXPECT_LT(damagedPixels, boxPixels / 2);
    EXPECT_TRUE(ScreenMatchesFullRepaint(screen));
    // Without the cover the stars behind it are painted again.
    cover->hide();
    RunEvents(5);
    recorder.Painted = QRegion();
    EXPECT_FALSE((field->Advance(3) & covered).isEmpty());
    RunEvents(5);
    EXPECT_TRUE(ScreenMatchesFullRepaint(screen));
}

// The star field's timer runs only while it is active and visible.
TEST(StarField, itsTimerRestsWhileHiddenOrInactive) {
    QWidget screen;
    screen.resize(737, 537);
    auto* field = new TNcaStar(&screen);
    field->setGeometry(24, 0, 665, 465);
    EXPECT_FALSE(field->TimerRunning());
    screen.show();
    EXPECT_TRUE(field->TimerRunning());
    const QVector<TNcaStar::TStar> before = field->Stars();
    RunEvents(200);
    EXPECT_NE(field->Stars()[0].Offset, before[0].Offset);
    screen.hide();  // the title screen hidden during a match
    EXPECT_FALSE(field->TimerRunning());
    screen.show();
    EXPECT_TRUE(field->TimerRunning());
    field->SetActive(false);
    EXPECT_FALSE(field->TimerRunning());
    const QVector<TNcaStar::TStar> frozen = field->Stars();
    RunEvents(100);
    EXPECT_EQ(field->Stars()[0].Offset, frozen[0].Offset);
    field->SetActive(true);
    EXPECT_TRUE(field->TimerRunning());
    field->hide();
    EXPECT_FALSE(field->TimerRunning());
}

// The clock shows the hour hand where the time says, in gray on #070707.
TEST(AnalogClock, drawsItsHandsInGrayWhereTheTimeSays) {
    TRxClock clock;
    clock.resize(57, 65);
    // Hour hand reach: about half the radius; radius is (57 / 2 - 2).
    const int cx = 28, cy = 32, reach = 10;
    clock.SetTimeSource([] { return QTime(3, 0, 30); });
    QImage shot = clock.grab().toImage();
    EXPECT_TRUE(IsBackground(shot.pixel(0, 0)));
    EXPECT_TRUE(IsBackground(shot.pixel(56, 64)));
    EXPECT_FALSE(IsBackground(shot.pixel(cx + reach, cy)));
    EXPECT_TRUE(IsBackground(shot.pixel(cx - reach, cy)));
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb c = shot.pixel(x, y);
            ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << x << "," << y;
        }

    clock.SetTimeSource([] { return QTime(9, 0, 30); });
    shot = clock.grab().toImage();
    EXPECT_TRUE(IsBackground(shot.pixel(cx + reach, cy)));
    EXPECT_FALSE(IsBackground(shot.pixel(cx - reach, cy)));
}

// The seconds hand moves with the seconds.
TEST(AnalogClock, theSecondsHandFollowsTheSeconds) {
    TRxClock clock;
    clock.resize(57, 65);
    const int cx = 28, cy = 32, reach = 17;  // inside the dial marks
    clock.SetTimeSource([] { return QTime(0, 0, 15); });
    QImage shot = clock.grab().toImage();
    EXPECT_FALSE(IsBackground(shot.pixel(cx + reach, cy)));
    EXPECT_TRUE(IsBackground(shot.pixel(cx - reach, cy)));
    clock.SetTimeSource([] { return QTime(0, 0, 45); });
    shot = clock.grab().toImage();
    EXPECT_TRUE(IsBackground(shot.pixel(cx + reach, cy)));
    EXPECT_FALSE(IsBackground(shot.pixel(cx - reach, cy)));
}

// The clock reads the time again every 450 ms while shown, and rests while hidden.
TEST(AnalogClock, refreshesWhileShownAndRestsWhileHidden) {
    QTime now(10, 20, 30);
    TRxClock clock;
    clock.resize(57, 65);
    clock.SetTimeSource([&now] { return now; });
    EXPECT_FALSE(clock.TimerRunning());
    clock.show();
    EXPECT_TRUE(clock.TimerRunning());
    now = QTime(10, 20, 31);
    RunEvents(TRxClock::RefreshMs + 250);
    EXPECT_EQ(clock.ShownTime(), QTime(10, 20, 31));
    clock.hide();
    EXPECT_FALSE(clock.TimerRunning());
    now = QTime(11, 0, 0);
    RunEvents(TRxClock::RefreshMs + 250);
    EXPECT_EQ(clock.ShownTime(), QTime(10, 20, 31));
    clock.show();
    EXPECT_EQ(clock.ShownTime(), QTime(11, 0, 0));
    // Covered by the title screen it rests too, and is right again at once.
    clock.SetCovered(true);
    EXPECT_FALSE(clock.TimerRunning());
    now = QTime(12, 0, 0);
    RunEvents(TRxClock::RefreshMs + 250);
    EXPECT_EQ(clock.ShownTime(), QTime(11, 0, 0));
    clock.SetCovered(false);
    EXPECT_TRUE(clock.TimerRunning());
    EXPECT_EQ(clock.ShownTime(), QTime(12, 0, 0));
}
