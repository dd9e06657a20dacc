// The title screen's star field and the match screen's analog clock: motion,
// colours, pixels, and timers that rest while their widget is hidden.
#include <QEventLoop>
#include <QImage>
#include <QPaintEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "AnalogClock.h"
#include "ClockHands.h"
#include "Panels.h"
#include "StarField.h"
#include "StarMotion.h"

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

// The widget shows the portable motion's sky: a TStarMotion set up as the
// title screen's field with the same seed (as the browser's is) holds the same
// stars, step by step and frame by frame.
TEST(StarField, showsTheSameSkyAsThePortableMotion) {
    TNcaStar field;
    SetUpTitleField(field, 21);
    field.SetActive(false);
    TStarMotion motion;
    motion.SetField(665, 465);
    motion.SetCentre(400, 200);
    motion.SetBrightness(90);
    motion.Seed(21);
    int restarts = 0;
    for (int frame = 0; frame < 300; ++frame) {
        for (int i = 0; i < field.Stars().size(); ++i) {
            const TNcaStar::TStar& s = field.Stars()[i];
            const TStarMotion::TStar& m = motion.Stars()[static_cast<size_t>(i)];
            ASSERT_EQ(s.Offset, QPointF(m.X, m.Y)) << "frame " << frame << " star " << i;
            ASSERT_EQ(s.TailOffset, QPointF(m.TailX, m.TailY)) << "frame " << frame << " star " << i;
            ASSERT_EQ(s.Color, QColor(m.R, m.G, m.B)) << "frame " << frame << " star " << i;
            ASSERT_EQ(s.Pen.color(), s.Color) << "frame " << frame << " star " << i;
        }
        const QVector<TNcaStar::TStar> before = field.Stars();
        if (frame % 2 == 0) {
            field.Step();
            motion.Step();
        } else {
            field.Advance(3);
            for (int i = 0; i < 3; ++i) motion.Step();
        }
        for (int i = 0; i < before.size(); ++i)
            restarts += Distance(field.Stars()[i].Offset) < Distance(before[i].Offset);
    }
    EXPECT_GT(restarts, 50);
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
    qint64 damagedPixels = 0, boxPixels = 0, pieces = 0;
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
        // A few dozen pieces a frame, never hundreds (about 31 on average
        // over many skies; a crowded frame may have over 60).
        EXPECT_LE(damage.rectCount(), 90) << "frame " << frame;
        pieces += damage.rectCount();
        EXPECT_TRUE((damage & covered).isEmpty()) << "frame " << frame;
        EXPECT_TRUE((recorder.Painted - damage).isEmpty()) << "frame " << frame;
        EXPECT_TRUE((recorder.Painted & covered).isEmpty()) << "frame " << frame;
    }
    EXPECT_GT(restarts, 5);
    EXPECT_LT(damagedPixels, boxPixels / 2);
    EXPECT_LE(pieces, 120 * 40);
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

// The clock paints the face's segments and nothing else: every lit pixel lies
// on a mark, a hand or the hub, and each of them lights the pixels along it.
TEST(AnalogClock, paintsTheMarksAndHandsOfTheClockFace) {
    TRxClock clock;
    clock.resize(57, 65);
    const TClockFace face(57, 65);
    const auto near = [](const TClockSegment& s, double x, double y) {
        // Distance from (x, y) to the segment, within half its width and a
        // pixel of smoothing (caps included).
        const double dx = s.X1 - s.X0, dy = s.Y1 - s.Y0;
        const double t = std::clamp(((x - s.X0) * dx + (y - s.Y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        return std::hypot(x - (s.X0 + t * dx), y - (s.Y0 + t * dy)) <= s.Width / 2 + 1.0;
    };
    for (const QTime time : {QTime(3, 0, 7), QTime(6, 30, 20), QTime(9, 45, 50), QTime(10, 10, 37)}) {
        SCOPED_TRACE(time.toString().toStdString());
        clock.SetTimeSource([time] { return time; });
        const QImage shot = clock.grab().toImage();
        std::vector<TClockSegment> segments;
        for (const TClockSegment& m : face.Marks()) segments.push_back(m);
        for (const TClockSegment& h : face.Hands(time.hour(), time.minute(), time.second())) segments.push_back(h);
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                if (IsBackground(shot.pixel(x, y))) continue;
                const double px = x + 0.5, py = y + 0.5;
                bool covered = std::hypot(px - face.CentreX(), py - face.CentreY()) <= TClockFace::HubRadius + 1.0;
                for (const TClockSegment& s : segments) covered = covered || near(s, px, py);
                ASSERT_TRUE(covered) << "lit pixel " << x << "," << y << " on no segment";
            }
        // Something lit within a pixel of each segment's middle (the
        // smoothing of a thin slanted line can leave the very pixel under it
        // dark). The seconds hand keeps off the quarter marks here.
        for (const TClockSegment& s : segments) {
            const double mx = (s.X0 + s.X1) / 2, my = (s.Y0 + s.Y1) / 2;
            bool lit = false;
            for (int y = static_cast<int>(my) - 1; y <= static_cast<int>(my) + 1; ++y)
                for (int x = static_cast<int>(mx) - 1; x <= static_cast<int>(mx) + 1; ++x)
                    lit = lit || (std::hypot(x + 0.5 - mx, y + 0.5 - my) <= 1.0 && !IsBackground(shot.pixel(x, y)));
            EXPECT_TRUE(lit) << "dark round " << mx << "," << my;
        }
    }
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
