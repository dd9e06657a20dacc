// The screens of the main window and the name dialog: layout, captions,
// pictures, the hover highlight, the statistics panel and drag and drop
// through the game's handlers.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSlider>

#include "AgarholdU1.h"
#include "AnalogClock.h"
#include "AgarholdU2.h"
#include "Assets.h"
#include "StarField.h"
#include "TGame.h"
#include "VirtualHost.h"

namespace {

QImage Grab(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void Click(QWidget* w, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint p(w->width() / 2, w->height() / 2);
    SendMouse(w, QEvent::MouseButtonPress, p, button, button);
    SendMouse(w, QEvent::MouseButtonRelease, p, button, Qt::NoButton);
}

void Enter(QWidget* w) {
    QEnterEvent e(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(w, &e);
}

void Leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QCoreApplication::sendEvent(w, &e);
}

// The caption of any text component of the screens.
QString CaptionOf(QWidget* w) {
    if (auto* s = qobject_cast<TShadowLabel*>(w)) return s->Text();
    if (auto* u = qobject_cast<TURLtransparantLabel*>(w)) return u->Text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
}

void Key(QWidget* w, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &release);
}

void Type(QWidget* w, const QString& text) {
    for (QChar c : text) Key(w, c.toUpper().unicode(), QString(c));
}

int ChannelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// A run of pixel rows inside `area` in which some pixel passes the test: one
// line of text as the player reads it, with the columns its ink spans.
struct TInkBand {
    int Top, Bottom, Left, Right;
};

template <typename Ink>
std::vector<TInkBand> InkBands(const QImage& img, QRect area, Ink ink) {
    std::vector<TInkBand> bands;
    bool inBand = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int left = -1, right = -1;
        for (int x = area.left(); x <= area.right(); ++x)
            if (ink(img.pixel(x, y))) {
                if (left < 0) left = x;
                right = x;
            }
        if (left < 0) {
            inBand = false;
            continue;
        }
        if (!inBand) bands.push_back({y, y, left, right});
        TInkBand& b = bands.back();
        b.Bottom = y;
        b.Left = std::min(b.Left, left);
        b.Right = std::max(b.Right, right);
        inBand = true;
    }
    return bands;
}

bool LimeInk(QRgb c) { return qGreen(c) > 90 && qRed(c) < qGreen(c) / 2 && qBlue(c) < qGreen(c) / 2; }

struct FormFixture : ::testing::Test {
    VirtualHost Host;
    TGame Game{Host};
    TForm1 Form{Game};

    // The chooser's two lists hold the five kinds, with these two chosen.
    void FillChooser(int first, int second) {
        for (int k = 0; k < 5; ++k) {
            Game.Screen.ComboBox1.Items.push_back(GlobalInjectionNames[k]);
            Game.Screen.ComboBox2.Items.push_back(GlobalInjectionNames[k]);
        }
        Game.Screen.ComboBox1.ItemIndex = first;
        Game.Screen.ComboBox2.ItemIndex = second;
    }
};

}  // namespace

// Every component sits in its parent at the place, and with the size, name,
// caption and initial visibility of the layout tables (auto-sized text
// components are checked by place only: their size follows the font).
TEST_F(FormFixture, ComponentsMatchTheLayoutTables) {
    struct Row {
        const char* Name;
        const char* Parent;
        int Left, Top, Width, Height;  // -1: size follows the text
        const char* Caption;           // nullptr: no caption to check
        bool Visible;
    };
    const Row rows[] = {
        {"DIBContainer1", "Form1", 0, 0, 747, 543, nullptr, true},
        {"DIBImage1", "DIBContainer1", 328, 224, 100, 100, nullptr, true},
        {"DIBImage5", "DIBContainer1", 56, 56, 113, 409, nullptr, true},
        {"DIBImage3", "DIBContainer1", 80, 248, 64, 64, nullptr, true},
        {"DIBImage4", "DIBContainer1", 584, 72, 113, 409, nullptr, true},
        {"RxLabel1", "DIBContainer1", 176, 481, -1, -1, "X/Y :", false},
        {"Shape1", "DIBContainer1", 88, 40, 33, 25, nullptr, true},
        {"Shape2", "DIBContainer1", 640, 40, 33, 25, nullptr, true},
        {"LBL_Action", "DIBContainer1", 192, 16, 369, 49, "", true},
        {"RxLabel3", "DIBContainer1", 608, 89, -1, -1, "Bacterias :", true},
        {"Shape3", "DIBContainer1", 632, 32, 33, 25, nullptr, true},
        {"Shape4", "DIBContainer1", 80, 32, 33, 25, nullptr, true},
        {"Bac1_1", "DIBContainer1", 608, 112, 32, 32, nullptr, true},
        {"bac1_2", "DIBContainer1", 648, 112, 32, 32, nullptr, true},
        {"bac1_3", "DIBContainer1", 608, 144, 32, 32, nullptr, true},
        {"bac1_4", "DIBContainer1", 608, 176, 32, 32, nullptr, true},
        {"bac1_5", "DIBContainer1", 648, 144, 32, 32, nullptr, true},
        {"bac2_1", "DIBContainer1", 120, 112, 32, 32, nullptr, true},
        {"bac2_2", "DIBContainer1", 120, 144, 32, 32, nullptr, true},
        {"bac2_3", "DIBContainer1", 120, 176, 32, 32, nullptr, true},
        {"bac2_4", "DIBContainer1", 88, 112, 32, 32, nullptr, true},
        {"bac2_5", "DIBContainer1", 88, 144, 32, 32, nullptr, true},
        {"RxLabel4", "DIBContainer1", 88, 89, -1, -1, "Bacterias :", true},
        {"RxLabel5", "DIBContainer1", 584, 224, -1, -1, "Super Injection:", true},
        {"RxLabel6", "DIBContainer1", 64, 224, -1, -1, "Super Injection:", true},
        {"RxLabel7", "DIBContainer1", 608, 312, -1, -1, "0% finished", true},
        {"bac1_S", "DIBContainer1", 608, 248, 64, 64, nullptr, true},
        {"Shape5", "DIBContainer1", 472, 72, 100, 1, nullptr, true},
        {"Shape6", "DIBContainer1", 472, 478, 100, 1, nullptr, true},
        {"RxLabel9", "DIBContainer1", 336, 481, -1, -1, "Time", true},
        {"RxLabel8", "DIBContainer1", 584, 360, -1, -1, "Global Injection", true},
        {"DIBImage6", "DIBContainer1", 592, 384, 32, 32, nullptr, true},
        {"RxLabel10", "DIBContainer1", 624, 384, 71, 41, "Defence", true},
        {"DIBImage7", "DIBContainer1", 592, 432, 32, 32, nullptr, true},
        {"RxLabel11", "DIBContainer1", 624, 432, 71, 41, "Invert", true},
        {"RxLabel2", "DIBContainer1", 312, 232, -1, -1, "3", true},
        {"DIBImage8", "DIBContainer1", 402, 96, 73, 230, nullptr, true},
        {"DIBMagnifier1", "DIBContainer1", 174, 70, 408, 411, nullptr, true},
        {"RxLabel16", "DIBContainer1", 208, 97, 321, 81,
         "You have the avantage. The Gray super energi spots will be placed closer to you in "
         "this game make sure you win as fast as possible.",
         false},
        {"RxSlider1", "DIBContainer1", 288, 496, 150, 40, nullptr, true},
        {"RxLabel15", "RxSlider1", 32, 25, -1, -1, "Game Speed", true},
        {"RxClock1", "DIBContainer1", 4, 3, 57, 65, nullptr, true},
        {"DIBContainer3", "DIBContainer1", 192, 200, 377, 169, nullptr, false},
        {"RxLabel12", "DIBContainer3", 84, 25, -1, -1, "Choose two Global Injections", true},
        {"RxLabel13", "DIBContainer3", 20, 57, -1, -1, "1:", true},
        {"RxLabel14", "DIBContainer3", 20, 97, -1, -1, "2:", true},
        {"ComboBox1", "DIBContainer3", 40, 56, 313, 21, nullptr, true},
        {"ComboBox2", "DIBContainer3", 40, 96, 313, 21, nullptr, true},
        {"dxButton1", "DIBContainer3", 152, 136, 73, 21, "Done", true},
        {"DIBContainer2", "DIBContainer1", 2, 2, 737, 537, nullptr, true},
        {"NcaStar1", "DIBContainer2", 24, 0, 665, 465, nullptr, true},
        {"Image1", "DIBContainer2", 152, 16, 460, 200, nullptr, true},
        {"DIBImage2", "DIBContainer2", 320, 224, 100, 50, nullptr, true},
        {"URLtransparantLabel1", "DIBContainer2", 432, 256, 169, 41,
         "Game Mode : Best after 2 game(s)", true},
        {"URLtransparantLabel2", "DIBContainer2", 432, 232, 153, 17,
         "Set Rating : AI Rating = 1600", true},
        {"URLtransparantLabel3", "DIBContainer2", 632, 504, -1, -1, "EXIT GAME", true},
        {"DIBImage9", "DIBContainer2", 320, 296, 100, 50, nullptr, true},
        {"dxContainer1", "DIBContainer2", 168, 448, 449, 41, nullptr, true},
        {"URLtransparantLabel4", "dxContainer1", 8, 8, -1, -1, "Player :", true},
        {"URLtransparantLabel5", "dxContainer1", 72, 8, -1, -1, "Name", true},
        {"URLtransparantLabel6", "dxContainer1", 328, 8, -1, -1, "Rating :", true},
        {"URLtransparantLabel7", "dxContainer1", 400, 8, -1, -1, "1000", true},
        {"dxContainer3", "DIBContainer2", 0, 504, 729, 521, nullptr, false},
        {"dxButton2", "dxContainer3", 648, 8, 73, 21, "Close", true},
        {"Label1", "dxContainer3", 496, 376, -1, -1, "Games against AI Rating 1000", true},
        {"Label2", "dxContainer3", 256, 376, -1, -1, "Games against AI Rating 1300", true},
        {"Label3", "dxContainer3", 32, 376, -1, -1, "Games against AI Rating 1600", true},
        {"Label4", "dxContainer3", 496, 200, -1, -1, "Games against AI Rating 1900", true},
        {"Label5", "dxContainer3", 256, 200, -1, -1, "Games against AI Rating 2200", true},
        {"Label6", "dxContainer3", 24, 200, -1, -1, "Games against AI Rating 2500", true},
        {"Label7", "dxContainer3", 232, 16, -1, -1, "Games against AI Rating 2800", true},
        {"StringGrid1", "dxContainer3", 496, 400, 225, 105, nullptr, true},
        {"StringGrid2", "dxContainer3", 256, 400, 225, 105, nullptr, true},
        {"StringGrid3", "dxContainer3", 16, 400, 225, 105, nullptr, true},
        {"StringGrid4", "dxContainer3", 496, 232, 225, 105, nullptr, true},
        {"StringGrid5", "dxContainer3", 256, 232, 225, 105, nullptr, true},
        {"StringGrid6", "dxContainer3", 16, 232, 225, 105, nullptr, true},
        {"StringGrid7", "dxContainer3", 224, 40, 225, 105, nullptr, true},
    };
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Form1"));
    EXPECT_EQ(Form.size(), QSize(747, 543));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Name);
        QWidget* w = Form.findChild<QWidget*>(QString::fromLatin1(r.Name));
        if (QLatin1String(r.Name) == QLatin1String("DIBContainer1")) w = Form.DIBContainer1;
        ASSERT_NE(w, nullptr);
        ASSERT_NE(w->parentWidget(), nullptr);
        const QString parent = w->parentWidget() == &Form ? QStringLiteral("Form1")
                                                           : w->parentWidget()->objectName();
        EXPECT_EQ(parent, QString::fromLatin1(r.Parent));
        EXPECT_EQ(w->pos(), QPoint(r.Left, r.Top));
        if (r.Width >= 0) {
            EXPECT_EQ(w->size(), QSize(r.Width, r.Height));
        }
        if (r.Caption) {
            EXPECT_EQ(CaptionOf(w), QString::fromLatin1(r.Caption));
        }
        EXPECT_EQ(!w->isHidden(), r.Visible);
    }
    // The title screen is the topmost child of the match screen, the big
    // centre text lies over the board.
    EXPECT_EQ(Form.DIBContainer1->children().last(), Form.DIBContainer2);
    const QObjectList& kids = Form.DIBContainer1->children();
    EXPECT_GT(kids.indexOf(Form.RxLabel2), kids.indexOf(Form.DIBMagnifier1));
}

// Pictures, opacities, tags, hints and enabled states of the sprite images
// start as the layout tables give them.
TEST_F(FormFixture, SpriteImagesStartWithTheirPicturesAndOpacities) {
    struct Row {
        TDIBImage* Image;
        TImageList List;
        int Index, Opacity, Tag;
        bool Enabled;
        const char* Hint;
    };
    const Row rows[] = {
        {Form.DIBImage1, TImageList::DIBImageList1, 0, 255, 0, true, ""},
        {Form.DIBImage5, TImageList::DIBImageList1, 0, 150, 0, true, ""},
        {Form.DIBImage4, TImageList::DIBImageList1, 0, 150, 0, true, ""},
        {Form.DIBImage3, TImageList::bacs_image, 10, 200, 6, false, "Level 20 Injection"},
        {Form.HumanTubes[0], TImageList::bacs_image, 1, 200, 1, true, ""},
        {Form.HumanTubes[4], TImageList::bacs_image, 1, 200, 5, true, ""},
        {Form.ComputerTubes[2], TImageList::bacs_image, 1, 200, 3, true, ""},
        {Form.bac1_S, TImageList::bacs_image, 10, 10, 6, false, "Level 20 Injection"},
        {Form.DIBImage6, TImageList::bacs_image, 11, 255, 0, true, ""},
        {Form.DIBImage7, TImageList::bacs_image, 11, 255, 0, true, ""},
        {Form.DIBImage8, TImageList::DIBImageList2, 1, 100, 0, true, ""},
        {Form.DIBImage2, TImageList::DIBImageList2, 0, 175, 0, true, ""},
        {Form.DIBImage9, TImageList::DIBImageList2, 2, 175, 0, true, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Image->objectName().toStdString());
        EXPECT_EQ(r.Image->ImageList(), r.List);
        EXPECT_EQ(r.Image->ImageIndex(), r.Index);
        EXPECT_EQ(r.Image->Opacity(), r.Opacity);
        EXPECT_EQ(r.Image->Tag(), r.Tag);
        EXPECT_EQ(r.Image->isEnabled(), r.Enabled);
        EXPECT_EQ(r.Image->Hint(), QString::fromLatin1(r.Hint));
        EXPECT_FALSE(r.Image->Picture().isNull());
    }
    EXPECT_TRUE(Form.HumanTubes[0]->Highlight());
    EXPECT_TRUE(Form.DIBImage2->Highlight());
    EXPECT_FALSE(Form.bac1_S->Highlight());
    EXPECT_TRUE(Form.HumanTubes[0]->DragSource());
    EXPECT_TRUE(Form.ComputerTubes[0]->DragSource());
    EXPECT_FALSE(Form.DIBImage6->DragSource());
}

// At start the title screen covers the match screen but for margins of
// #070707: 2 pixels left and top, 8 right, 4 bottom.
TEST_F(FormFixture, TitleScreenLeavesNarrowMarginsOfTheMatchScreen) {
    const QImage img = Grab(&Form);
    ASSERT_EQ(img.size(), QSize(747, 543));
    const QRgb margin = qRgb(7, 7, 7);
    for (int y = 0; y < 543; ++y) {
        for (int x = 0; x < 747; ++x) {
            const bool inMargin = x < 2 || y < 2 || x >= 739 || y >= 539;
            if (inMargin) {
                ASSERT_EQ(img.pixel(x, y), margin) << x << "," << y;
            }
        }
    }
    // Just inside: the title screen's black.
    EXPECT_EQ(img.pixel(2, 2), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(738, 538), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(2, 538), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(738, 300), qRgb(0, 0, 0));
}

// The start picture's black is see-through while the highscore picture's
// black box covers what lies beneath.
TEST_F(FormFixture, StartPictureBlackIsSeeThroughHighscorePictureBlackIsNot) {
    Form.NcaStar1->hide();
    Form.DIBContainer2->SetColor(QColor(0, 200, 0));
    const QImage img = Grab(Form.DIBContainer2);
    const QImage start = Form.DIBImage2->Picture();
    const QImage high = ListImage(TImageList::DIBImageList2, 2);
    ASSERT_EQ(start.size(), QSize(100, 50));
    ASSERT_EQ(high.size(), QSize(100, 50));
    int seeThrough = 0, covered = 0, lettering = 0;
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 100; ++x) {
            const QRgb s = start.pixel(x, y);
            const QRgb shown = img.pixel(320 + x, 224 + y);
            if (qAlpha(s) == 0) {
                ++seeThrough;
                ASSERT_EQ(shown, qRgb(0, 200, 0)) << x << "," << y;
            } else if (qRed(s) > 60) {
                ++lettering;
                EXPECT_NE(shown, qRgb(0, 200, 0));
            }
            if ((high.pixel(x, y) & 0xFFFFFFu) == 0) {
                ++covered;
                // Black at opacity 175 over green 200: 200 * 80 / 255.
                ASSERT_LE(ChannelDistance(img.pixel(320 + x, 296 + y), qRgb(0, 63, 0)), 1)
                    << x << "," << y;
            }
        }
    }
    EXPECT_GT(seeThrough, 1000);
    EXPECT_GT(lettering, 20);
    EXPECT_GT(covered, 1000);
    // With the stars running, a see-through pixel shows the star field itself.
    Form.NcaStar1->show();
    Form.NcaStar1->Seed(7);
    for (int i = 0; i < 200; ++i) Form.NcaStar1->Step();
    const QImage withStart = Grab(Form.DIBContainer2);
    Form.DIBImage2->hide();
    const QImage withoutStart = Grab(Form.DIBContainer2);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            if (qAlpha(start.pixel(x, y)) == 0) {
                ASSERT_EQ(withStart.pixel(320 + x, 224 + y), withoutStart.pixel(320 + x, 224 + y));
            }
}

// A sprite image at opacity a shows picture * a / 255 + beneath * (255 - a) / 255.
TEST(SpriteImage, BlendsItsPictureOverWhatLiesBeneathAtItsOpacity) {
    TDIBContainer back(nullptr, QColor(200, 100, 0));
    back.resize(40, 40);
    auto* sprite = new TDIBImage(&back);
    sprite->SetImage(TImageList::DIBImageList2, 1);  // "bbk", uniform #0000C0
    sprite->setGeometry(4, 4, 32, 32);
    for (int opacity : {0, 1, 100, 150, 175, 254, 255}) {
        SCOPED_TRACE(opacity);
        sprite->SetOpacity(opacity);
        const QImage img = Grab(&back);
        const QRgb expected = qRgb((200 * (255 - opacity) + 127) / 255,
                                   (100 * (255 - opacity) + 127) / 255,
                                   (192 * opacity + 127) / 255);
        EXPECT_LE(ChannelDistance(img.pixel(20, 20), expected), 1);
        EXPECT_EQ(img.pixel(2, 2), qRgb(200, 100, 0));
    }
    // Stretched, the picture fills the control; unstretched it keeps its own size.
    sprite->SetOpacity(255);
    sprite->resize(36, 36);
    EXPECT_EQ(Grab(&back).pixel(38, 38), qRgb(200, 100, 0));
    EXPECT_NE(Grab(&back).pixel(37, 37), qRgb(0, 0, 192));
    sprite->SetStretch(true);
    EXPECT_EQ(Grab(&back).pixel(37, 37), qRgb(0, 0, 192));
}

// The hover highlight shows 255 while the pointer is over the image and on
// leaving restores the opacity it remembered, even over one the game set meanwhile.
TEST_F(FormFixture, HighlightRestoresTheRememberedOpacityOnLeave) {
    TDIBImage* tube = Form.HumanTubes[1];
    ASSERT_EQ(tube->Opacity(), 200);
    Enter(tube);
    EXPECT_EQ(tube->Opacity(), 255);
    Form.SyncFromModel();  // nothing changed in the game: the highlight stays
    EXPECT_EQ(tube->Opacity(), 255);
    Leave(tube);
    EXPECT_EQ(tube->Opacity(), 200);

    Enter(tube);
    Game.Screen.bac1_2.Opacity = 120;  // the game sets an opacity while hovered
    Form.SyncFromModel();
    EXPECT_EQ(tube->Opacity(), 120);
    Leave(tube);
    EXPECT_EQ(tube->Opacity(), 200);  // overwritten by the remembered value

    // Holding the mouse capture stops the highlight.
    SendMouse(tube, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    Enter(tube);
    EXPECT_EQ(tube->Opacity(), 200);
    SendMouse(tube, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
    Leave(tube);
    Enter(tube);
    EXPECT_EQ(tube->Opacity(), 255);
    Leave(tube);

    // Focus acts like entering and leaving.
    tube->setFocusPolicy(Qt::StrongFocus);
    QFocusEvent in(QEvent::FocusIn);
    QCoreApplication::sendEvent(tube, &in);
    EXPECT_EQ(tube->Opacity(), 255);
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(tube, &out);
    EXPECT_EQ(tube->Opacity(), 200);

    // The super bacterium has no highlight.
    Enter(Form.bac1_S);
    EXPECT_EQ(Form.bac1_S->Opacity(), 10);
}

// Drag-over asks the game and accepts or refuses; a drop of a human tube on an
// accepted point injects it; refused points, other sources and the computer's
// icons change nothing on the board.
TEST_F(FormFixture, DragAndDropOnTheViewRunsTheGameHandlers) {
    TDIBMagnifier* view = Form.DIBMagnifier1;
    Game.Tube[1][1].Size = 3;
    Game.Tube[1][2].Size = 4;
    std::unique_ptr<QMimeData> tube1(MakeSpriteMimeData({1, true}));
    auto move = [&](QPoint p, const QMimeData* data) {
        QDragMoveEvent e(p, Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &e);
        return e.isAccepted();
    };
    // Every drag over the view begins by entering it.
    auto enter = [&](QPoint p, const QMimeData* data) {
        QDragEnterEvent e(p, Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(view, &e);
        return e.isAccepted();
    };
    auto drop = [&](QPoint p, const QMimeData* data) {
        QDropEvent e(QPointF(p), Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton,
                     Qt::NoModifier);
        QCoreApplication::sendEvent(view, &e);
        return e.isAccepted();
    };

    // Start of the drag.
    emit Form.HumanTubes[0]->StartDrag();
    EXPECT_EQ(Game.DraggedTag, 1);

    // Entering lets a sprite in, so the moves keep asking.
    EXPECT_TRUE(enter({250, 200}, tube1.get()));
    EXPECT_FALSE(Game.DropAccepted[1]);  // x 250 on an empty cell

    EXPECT_FALSE(move({250, 200}, tube1.get()));
    EXPECT_TRUE(move({350, 200}, tube1.get()));
    EXPECT_TRUE(Game.DropAccepted[1]);
    EXPECT_FALSE(move({300, 200}, tube1.get()));
    EXPECT_FALSE(move({400, 200}, tube1.get()));
    EXPECT_FALSE(move({250, 409}, tube1.get()));  // the bottom rows read as empty
    EXPECT_TRUE(move({351, 201}, tube1.get()));

    // Dropped at (351, 201): cell (87, 50), a square of strength 3 down to 1.
    EXPECT_TRUE(drop({351, 201}, tube1.get()));
    EXPECT_EQ(Game.Grid(87, 50).Owner, Blue);
    EXPECT_EQ(Game.Grid(87, 50).Strength, 3);
    EXPECT_EQ(Game.Grid(85, 48).Strength, 1);
    EXPECT_EQ(Game.Grid(84, 50).Owner, Empty);
    EXPECT_EQ(Game.Tube[1][1].Size, 0);
    EXPECT_FALSE(Game.DropAccepted[1]);
    EXPECT_EQ(Game.DraggedTag, 0);

    // A refused point: the drop injects nothing.
    std::unique_ptr<QMimeData> tube2(MakeSpriteMimeData({2, true}));
    EXPECT_TRUE(enter({200, 100}, tube2.get()));
    EXPECT_FALSE(move({200, 100}, tube2.get()));
    drop({200, 100}, tube2.get());
    EXPECT_EQ(Game.Grid(50, 25).Owner, Empty);
    EXPECT_EQ(Game.Tube[1][2].Size, 4);
    // Over the player's own cell outside the band it is accepted.
    EXPECT_TRUE(enter({4 * 86, 4 * 50}, tube2.get()));
    EXPECT_TRUE(move({4 * 86, 4 * 50}, tube2.get()));
    EXPECT_TRUE(move({4 * 84 + 1, 4 * 49}, tube2.get()));
    EXPECT_FALSE(move({4 * 12, 4 * 50}, tube2.get()));

    // Anything but a sprite image is refused.
    QMimeData text;
    text.setText(QStringLiteral("bacteria"));
    EXPECT_FALSE(enter({350, 200}, &text));
    EXPECT_FALSE(move({350, 200}, &text));
    EXPECT_FALSE(Game.DropAccepted[1]);
    EXPECT_FALSE(drop({350, 200}, &text));

    // The computer's icons can be dragged, but their drop is nobody's business.
    std::unique_ptr<QMimeData> red(MakeSpriteMimeData({1, false}));
    EXPECT_TRUE(enter({350, 300}, red.get()));
    EXPECT_TRUE(move({350, 300}, red.get()));
    drop({350, 300}, red.get());
    EXPECT_EQ(Game.Grid(87, 75).Owner, Empty);

    // A drag that ends anywhere else clears the verdict through the end-drag handler.
    EXPECT_TRUE(enter({350, 300}, tube2.get()));
    EXPECT_TRUE(move({350, 300}, tube2.get()));
    EXPECT_TRUE(Game.DropAccepted[1]);
    emit Form.HumanTubes[1]->StartDrag();
    emit Form.HumanTubes[1]->EndDrag(nullptr, QPoint());
    EXPECT_FALSE(Game.DropAccepted[1]);
    EXPECT_EQ(Game.DraggedTag, 0);
    EXPECT_EQ(Game.Tube[1][2].Size, 4);
}

// The highscore picture opens the statistics panel at 0, 8 with the top five
// entries of every table; "Close" hides it; every opening reads the tables anew.
TEST_F(FormFixture, StatisticsPanelShowsTheTopFiveOfEveryTable) {
    Click(Form.DIBImage9, Qt::RightButton);  // any button
    EXPECT_FALSE(Form.dxContainer3->isHidden());
    EXPECT_EQ(Form.dxContainer3->pos(), QPoint(0, 8));
    const QString day0 = QLocale().toString(QDate(1899, 12, 30), QLocale::ShortFormat);
    for (int t = 1; t <= 7; ++t) {
        TStringGrid* g = Form.StringGrids[static_cast<size_t>(t - 1)];
        SCOPED_TRACE(t);
        EXPECT_EQ(g->Cell(0, 0), QStringLiteral("Player"));
        EXPECT_EQ(g->Cell(1, 0), QStringLiteral("Date"));
        EXPECT_EQ(g->Cell(2, 0), QStringLiteral("Score"));
        for (int i = 1; i <= 5; ++i) {
            EXPECT_EQ(g->Cell(0, i), t == 1 ? QStringLiteral("Hollowbrine") : QString());
            EXPECT_EQ(g->Cell(1, i), day0);
            EXPECT_EQ(g->Cell(2, i), QStringLiteral("9999"));
        }
    }
    Click(Form.dxButton2);
    EXPECT_TRUE(Form.dxContainer3->isHidden());

    // A result won since: entry 1 of the 2800 table; entry 6 is never shown.
    Game.HighScores[7][1].SetName("Twenty Characters!!!");
    Game.HighScores[7][1].Score = 87;
    Game.HighScores[7][1].Date = 46000.75;
    Game.HighScores[7][6].SetName("Sixth");
    Game.HighScores[2][1].SetName("J\xFCrgen");  // 8-bit characters as saved
    Click(Form.DIBImage9);
    TStringGrid* g7 = Form.StringGrids[6];
    EXPECT_EQ(g7->Cell(0, 1), QStringLiteral("Twenty Characters!!!"));
    EXPECT_EQ(g7->Cell(1, 1), QLocale().toString(QDate(2025, 12, 9), QLocale::ShortFormat));
    EXPECT_EQ(g7->Cell(2, 1), QStringLiteral("87"));
    for (int i = 1; i <= 5; ++i) EXPECT_NE(g7->Cell(0, i), QStringLiteral("Sixth"));
    EXPECT_EQ(Form.StringGrids[1]->Cell(0, 1), QString::fromUtf8("J\u00fcrgen"));
    // The panel covers the title screen's items while shown and goes with it.
    const QImage shown = Grab(&Form);
    EXPECT_EQ(shown.pixel(2 + 224 + 78, 2 + 8 + 40 + 2), qRgb(0, 0, 0x80));  // header of grid 7
    Game.Screen.DIBContainer2.Visible = false;
    Form.SyncFromModel();
    EXPECT_FALSE(Form.dxContainer3->isVisible());
}

// The chooser's "Done" hands the lists' choices to the game; the weapon
// buttons, the links and the slider reach their handlers.
TEST_F(FormFixture, ControlsReachTheirGameHandlers) {
    FillChooser(0, 1);
    Game.Screen.DIBContainer3.Visible = true;
    Form.SyncFromModel();
    EXPECT_FALSE(Form.DIBContainer3->isHidden());
    ASSERT_EQ(Form.ComboBox1->count(), 5);
    EXPECT_EQ(Form.ComboBox1->currentText(), QString::fromLatin1(GlobalInjectionNames[0]));
    EXPECT_EQ(Form.ComboBox2->currentIndex(), 1);
    Form.ComboBox1->setCurrentIndex(3);
    emit Form.ComboBox1->activated(3);
    Form.SyncFromModel();  // a tick meanwhile keeps the player's choice
    EXPECT_EQ(Form.ComboBox1->currentIndex(), 3);
    Form.ComboBox2->setCurrentIndex(4);
    Click(Form.dxButton1);
    EXPECT_TRUE(Game.InjectionChoiceDone);
    EXPECT_EQ(Game.GlobalInjection[1][1], 4);
    EXPECT_EQ(Game.GlobalInjection[1][2], 5);
    EXPECT_EQ(Form.RxLabel10->Text(), QStringLiteral("Inverter"));
    EXPECT_EQ(Form.RxLabel11->Text(), QStringLiteral("Defender"));

    Click(Form.DIBImage6);
    EXPECT_EQ(Game.Screen.DIBImage6.Opacity, 10);
    EXPECT_EQ(Form.DIBImage6->Opacity(), 10);
    EXPECT_EQ(Form.LBL_Action->Text(), QStringLiteral("Player executed a global injection"));
    Click(Form.DIBImage7, Qt::RightButton);  // a click is the left button only
    EXPECT_EQ(Game.Screen.DIBImage7.Opacity, 255);

    Click(Form.URLtransparantLabel2);
    EXPECT_EQ(Form.URLtransparantLabel2->Text(), QStringLiteral("Set Rating : AI Rating = 1900"));
    Click(Form.URLtransparantLabel1);
    EXPECT_EQ(Form.URLtransparantLabel1->Text(),
              QStringLiteral("Game mode : Best after 1 Game(s)\nSystem : High Score attack"));

    Form.RxSlider1Track->setValue(500);
    EXPECT_EQ(Game.DIBTimer1.Interval(), 500);
    Form.RxSlider1Track->setValue(25);
    EXPECT_EQ(Game.DIBTimer1.Interval(), 25);
    Form.RxSlider1Track->setValue(113);  // between steps: taken to the nearest step
    EXPECT_EQ(Form.RxSlider1Track->value(), 125);
    EXPECT_EQ(Game.DIBTimer1.Interval(), 125);

    bool exited = false;
    Form.OnExitGame = [&] { exited = true; };
    Click(Form.URLtransparantLabel3);
    EXPECT_TRUE(exited);
}

// Releasing the mouse over the start image runs the whole match setup, with
// the chooser shown inside it; the window follows the model throughout.
TEST_F(FormFixture, StartImageRunsMatchSetupWithTheChooserInsideIt) {
    bool chooserSeen = false;
    Host.OnEvent = [&] {
        Form.SyncFromModel();
        if (!Game.InjectionChoiceDone && Form.DIBContainer3->isVisible()) {
            chooserSeen = true;
            Form.ComboBox2->setCurrentIndex(2);
            Click(Form.dxButton1);
        }
    };
    Form.show();
    EXPECT_FALSE(Form.RxClock1->TimerRunning());  // under the title screen
    Click(Form.DIBImage2, Qt::MiddleButton);
    EXPECT_TRUE(chooserSeen);
    EXPECT_TRUE(Form.DIBContainer2->isHidden());
    EXPECT_TRUE(Form.RxClock1->TimerRunning());
    EXPECT_TRUE(Form.DIBContainer3->isHidden());
    EXPECT_EQ(Game.GlobalInjection[1][2], 3);
    EXPECT_TRUE(Game.DIBTimer1.Enabled());
    // The gray spots are on the board and on screen.
    int gray = 0;
    const QImage view = Grab(Form.DIBMagnifier1);
    for (int y = 1; y <= 100; ++y)
        for (int x = 1; x <= 100; ++x)
            if (Game.Grid(x, y).Owner == GraySpot) {
                ++gray;
                QRgb c;
                CellColour(Game.Grid(x, y), c);
                if (4 * x < TintLeft) {
                    EXPECT_EQ(view.pixel(4 * x + 1, 4 * y + 1), c);
                }
            }
    EXPECT_GT(gray, 0);
    Host.OnEvent = nullptr;
}

// The close box asks the program; a refusal keeps the window open.
TEST_F(FormFixture, CloseBoxKeepsTheWindowOpenWhenRefused) {
    Form.show();
    int asked = 0;
    bool allow = false;
    Form.OnClose = [&] {
        ++asked;
        return allow;
    };
    EXPECT_FALSE(Form.close());
    EXPECT_TRUE(Form.isVisible());
    allow = true;
    EXPECT_TRUE(Form.close());
    EXPECT_FALSE(Form.isVisible());
    EXPECT_EQ(asked, 2);
}

// The name dialog: its look, 20 typed characters at most while a longer text
// from the program stays whole, "OK" through its hook, no cancel by Escape
// (the title bar's close button is the window manager's way out).
TEST(NameDialog, TakesAtMostTwentyTypedCharactersAndClosesOnlyThroughOk) {
    QWidget owner;
    owner.setGeometry(265, 146, 747, 543);
    TForm2 dialog(&owner);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Player Name"));
    EXPECT_EQ(dialog.size(), QSize(215, 84));
    // Fixed size and modal: a close button only, no minimise or maximise.
    EXPECT_EQ(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                      Qt::WindowCloseButtonHint | Qt::WindowTitleHint),
              Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(0x00, 0x00, 0x5E));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Your name :"));
    EXPECT_EQ(dialog.Label1->pos(), QPoint(40, 8));
    EXPECT_EQ(dialog.Edit1->geometry(), QRect(40, 32, 145, 17));
    EXPECT_EQ(dialog.dxButton1->geometry(), QRect(136, 56, 73, 21));
    EXPECT_EQ(dialog.dxButton1->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.Text(), QStringLiteral("New User"));

    dialog.show();
    const QPoint offCentre = dialog.geometry().center() - owner.geometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 1);
    dialog.Edit1->clear();
    Type(dialog.Edit1, QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(dialog.Text(), QStringLiteral("abcdefghijklmnopqrst"));
    Key(dialog.Edit1, Qt::Key_Backspace);
    Type(dialog.Edit1, QStringLiteral("XYZ"));
    EXPECT_EQ(dialog.Text(), QStringLiteral("abcdefghijklmnopqrsX"));
    const QString longName = QStringLiteral("A name read from the file that is long");
    dialog.SetText(longName);
    EXPECT_EQ(dialog.Text(), longName);

    Key(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());

    QStringList offered;
    bool allow = false;
    dialog.OnOk = [&](const QString& name) {
        offered << name;
        return allow;
    };
    dialog.dxButton1->click();
    EXPECT_TRUE(dialog.isVisible());
    allow = true;
    dialog.dxButton1->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(offered, (QStringList{longName, longName}));
}

// The game-mode link shows its caption in the two lines the caption has, each
// whole inside the link's box, in both modes; the rating link above it keeps
// its one line.
TEST_F(FormFixture, GameModeLinkShowsItsTwoLinesWholeInsideItsBox) {
    Form.NcaStar1->hide();  // no stars among the letters
    Game.Screen.URLtransparantLabel1.Caption = TGame::GameModeCaption(Game.GameMode);
    Form.SyncFromModel();
    for (int mode : {2, 1, 2}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(Game.GameMode, mode);
        const QRect box = Form.URLtransparantLabel1->geometry();
        ASSERT_EQ(box, QRect(432, 256, 169, 41));
        const QImage img = Grab(Form.DIBContainer2);
        // Whatever the link draws stays in its box: nothing lit just outside it.
        const QRect around = box.adjusted(-6, -6, 6, 6).intersected(img.rect());
        for (int y = around.top(); y <= around.bottom(); ++y)
            for (int x = around.left(); x <= around.right(); ++x)
                if (!box.contains(x, y) && !Form.URLtransparantLabel2->geometry().contains(x, y)) {
                    ASSERT_FALSE(LimeInk(img.pixel(x, y))) << x << "," << y;
                }
        const std::vector<TInkBand> lines = InkBands(img, box, LimeInk);
        ASSERT_EQ(lines.size(), 2u);
        for (const TInkBand& line : lines) {
            EXPECT_LE(line.Left, box.left() + 2);
            // The box's last column stays dark: no letter is cut at its edge.
            EXPECT_LT(line.Right, box.right());
            EXPECT_GE(line.Bottom - line.Top + 1, 7);  // a line of letters, not a stray pixel
        }
        // Line 1, "Game mode : Best after N Game(s)", is the wider one and fills
        // nearly the whole box; line 2 is shorter.
        EXPECT_GT(lines[0].Right - lines[0].Left, 150);
        EXPECT_LT(lines[1].Right - lines[1].Left, lines[0].Right - lines[0].Left);
        // The lines stand one line height apart, not crushed together.
        EXPECT_GE(lines[1].Top - lines[0].Top, 11);

        const std::vector<TInkBand> rating =
            InkBands(img, Form.URLtransparantLabel2->geometry(), LimeInk);
        EXPECT_EQ(rating.size(), 1u);
        Click(Form.URLtransparantLabel1);
    }
}

// Every link, hovered or not, and after its caption changed, shows exactly
// the pixels that drawing its text straight into its box gives, over stars
// or anything else behind it: the link keeps its text laid out between paints.
TEST_F(FormFixture, LinksDrawTheirTextAsDrawnStraightIntoTheirBox) {
    const QList<TURLtransparantLabel*> links = Form.findChildren<TURLtransparantLabel*>();
    ASSERT_GE(links.size(), 7);
    const auto check = [](TURLtransparantLabel* link, const char* when, bool underlined = false) {
        SCOPED_TRACE(link->objectName().toStdString() + " " + when);
        // Noise behind the text, so that a glyph blended another way shows.
        QImage behind(link->size(), QImage::Format_ARGB32_Premultiplied);
        quint32 seed = 12345;
        for (int y = 0; y < behind.height(); ++y)
            for (int x = 0; x < behind.width(); ++x) {
                seed = seed * 1664525u + 1013904223u;
                behind.setPixel(x, y, 0xff000000u | (seed >> 8));
            }
        QImage shown = behind;
        link->render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);
        QImage expected = behind;
        {
            QPainter p(&expected);
            QFont f = link->DrawFont();
            f.setUnderline(underlined && link->Hovered());
            p.setFont(f);
            p.setPen(link->CurrentColor());
            p.drawText(QRect(QPoint(), link->size()), Qt::AlignLeft | Qt::AlignTop, link->ShownText());
        }
        EXPECT_NE(shown, behind);
        EXPECT_EQ(shown, expected);
    };
    for (TURLtransparantLabel* link : links) {
        check(link, "at rest");
        Enter(link);
        check(link, "hovered");
        Leave(link);
        check(link, "left");
    }
    Form.URLtransparantLabel1->SetText(QStringLiteral("Game Mode : Single game\r\nfirst of one"));
    check(Form.URLtransparantLabel1, "two new lines");
    Form.URLtransparantLabel5->SetText(QStringLiteral("A name far too long for the bar"));
    check(Form.URLtransparantLabel5, "cut short");
    Form.URLtransparantLabel3->SetLinkUnderline(true);
    Enter(Form.URLtransparantLabel3);
    check(Form.URLtransparantLabel3, "underlined", true);
    Leave(Form.URLtransparantLabel3);
    check(Form.URLtransparantLabel3, "no longer underlined", true);
}

// The chooser's open lists show rows of 13 pixels: each row's rectangle, and
// the highlighted row as drawn.
TEST_F(FormFixture, ChooserListsOpenWithRowsOfThirteenPixels) {
    FillChooser(2, 0);
    Game.Screen.DIBContainer2.Visible = false;
    Game.Screen.DIBContainer3.Visible = true;
    Form.SyncFromModel();
    Form.show();
    for (QComboBox* box : {Form.ComboBox1, Form.ComboBox2}) {
        SCOPED_TRACE(box->objectName().toStdString());
        box->showPopup();
        QAbstractItemView* view = box->view();
        ASSERT_TRUE(view->isVisible());
        ASSERT_EQ(box->count(), 5);
        for (int i = 0; i < 5; ++i) {
            const QRect r = view->visualRect(view->model()->index(i, 0));
            EXPECT_EQ(r.height(), 13) << "row " << i;
            if (i > 0) {
                EXPECT_EQ(r.top() - view->visualRect(view->model()->index(i - 1, 0)).top(), 13)
                    << "row " << i;
            }
        }
        // The current row is drawn on navy (the style shades it a little): a
        // band exactly 13 pixels high.
        const int current = box->currentIndex();
        const QRect row = view->visualRect(view->model()->index(current, 0));
        const QImage img = Grab(view->viewport());
        const int x = row.right() - 2;  // past the text
        int navy = 0;
        for (int y = 0; y < img.height(); ++y)
            if (ChannelDistance(img.pixel(x, y), qRgb(0, 0, 0x80)) <= 0x18) ++navy;
        EXPECT_EQ(navy, 13);
        // All five rows show at once.
        EXPECT_GE(view->viewport()->height(), 5 * 13);
        box->hidePopup();
    }
}

// A dragged icon shows the cross only where the drop is accepted; for a spot
// that refuses it the drag carries no cursor of its own, so the platform's
// no-drop cursor shows.
TEST(SpriteImage, DragShowsTheCrossOnlyForAcceptingActions) {
    TDIBContainer back;
    back.resize(100, 100);
    auto* icon = new TDIBImage(&back);
    icon->SetImage(TImageList::bacs_image, 3);
    icon->setGeometry(10, 10, 32, 32);
    icon->SetDragSource(true, true);
    back.show();
    int ended = 0;
    QPointer<QDrag> seen;
    QObject::connect(icon, &TDIBImage::EndDrag, icon, [&](QWidget* target, QPoint) {
        ++ended;
        EXPECT_EQ(target, nullptr);  // nothing took the drop here
        // The drag is still there until the event loop deletes it.
        seen = icon->findChild<QDrag*>();
    });
    SendMouse(icon, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    SendMouse(icon, QEvent::MouseMove, {25, 25}, Qt::NoButton, Qt::LeftButton);
    ASSERT_EQ(ended, 1);
    ASSERT_FALSE(seen.isNull());
    EXPECT_EQ(seen->supportedActions(), Qt::MoveAction | Qt::CopyAction);
    for (Qt::DropAction accepting : {Qt::MoveAction, Qt::CopyAction}) {
        SCOPED_TRACE(accepting);
        const QImage cross = seen->dragCursor(accepting).toImage();
        ASSERT_FALSE(cross.isNull());
        // A cross: its centre and arms are drawn, its corners are clear.
        const int cx = cross.width() / 2, cy = cross.height() / 2;
        EXPECT_EQ(qAlpha(cross.pixel(cx, cy)), 255);
        EXPECT_EQ(qAlpha(cross.pixel(cx, 1)), 255);
        EXPECT_EQ(qAlpha(cross.pixel(1, cy)), 255);
        EXPECT_EQ(qAlpha(cross.pixel(1, 1)), 0);
        EXPECT_EQ(qAlpha(cross.pixel(cross.width() - 2, cross.height() - 2)), 0);
    }
    EXPECT_TRUE(seen->dragCursor(Qt::IgnoreAction).isNull());
    EXPECT_TRUE(seen->dragCursor(Qt::LinkAction).isNull());
}

// "Red Won" and "You Won" stand centred where the countdown digit stood; the
// next countdown's digit comes back to its own place.
TEST_F(FormFixture, ResultStandsCentredWhereTheCountdownStood) {
    Game.Screen.DIBContainer2.Visible = false;
    Game.Screen.RxLabel2.Caption = "3";
    Form.SyncFromModel();
    // The big text's rows, over the board, clear of the other lime texts.
    auto inkOf = [&](const char* caption) {
        Game.Screen.RxLabel2.Caption = caption;
        Form.SyncFromModel();
        const QImage img = Grab(Form.DIBContainer1);
        const QRect area(0, 232, img.width(), 470 - 232);
        const std::vector<TInkBand> bands = InkBands(
            img, area, [](QRgb c) { return qGreen(c) > 200 && qRed(c) < 60 && qBlue(c) < 60; });
        TInkBand all{area.bottom(), area.top(), img.width(), -1};
        for (const TInkBand& b : bands) {
            all.Top = std::min(all.Top, b.Top);
            all.Bottom = std::max(all.Bottom, b.Bottom);
            all.Left = std::min(all.Left, b.Left);
            all.Right = std::max(all.Right, b.Right);
        }
        return all;
    };
    const TInkBand digit = inkOf("3");
    ASSERT_GT(digit.Right, digit.Left);
    EXPECT_EQ(Form.RxLabel2->geometry(), QRect(312, 232, 59, Form.RxLabel2->height()));
    const double digitCentre = (digit.Left + digit.Right) / 2.0;
    EXPECT_NEAR(digitCentre, 341, 3);
    for (const char* result : {"Red Won", "You Won"}) {
        SCOPED_TRACE(result);
        const TInkBand ink = inkOf(result);
        ASSERT_GT(ink.Right - ink.Left, 100);
        EXPECT_NEAR((ink.Left + ink.Right) / 2.0, digitCentre, 2.5);
        // The label itself is widened about the digit's centre.
        const QRect g = Form.RxLabel2->geometry();
        EXPECT_NEAR(g.left() + g.width() / 2.0, 312 + 59 / 2.0, 1.0);
        EXPECT_EQ(g.top(), 232);
        EXPECT_GE(g.left(), 0);
        EXPECT_LE(g.right(), Form.DIBContainer1->width());
    }
    const TInkBand again = inkOf("2");
    EXPECT_EQ(Form.RxLabel2->geometry(), QRect(312, 232, 59, Form.RxLabel2->height()));
    EXPECT_NEAR((again.Left + again.Right) / 2.0, digitCentre, 3);
}

// A name too wide for the player bar is cut short with "…" before it reaches
// "Rating :"; the label still holds the whole name, and a name that fits shows whole.
TEST_F(FormFixture, LongPlayerNameStopsShortOfTheRatingInThePlayerBar) {
    const QRect rating = Form.URLtransparantLabel6->geometry();
    ASSERT_EQ(rating.left(), 328);
    const std::string names[] = {std::string(20, 'W'), "Hollowbrine", "Mmmmmmmmmmmmmmmmmmmm"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Game.Screen.URLtransparantLabel5.Caption = name;
        Form.SyncFromModel();
        EXPECT_EQ(Form.URLtransparantLabel5->Text(), QString::fromStdString(name));
        const QImage img = Grab(Form.dxContainer1);
        const int left = Form.URLtransparantLabel5->x();
        const QRect nameRow(left, 1, img.width() - 1 - left, img.height() - 2);
        const std::vector<TInkBand> ink = InkBands(img, nameRow, LimeInk);
        ASSERT_EQ(ink.size(), 1u);
        // A gap stays between the name and "Rating :".
        EXPECT_LT(ink[0].Right, rating.left() - 3);
        EXPECT_LE(Form.URLtransparantLabel5->geometry().right(), rating.left() - 1);
        const QString shown = Form.URLtransparantLabel5->ShownText();
        if (name == "Hollowbrine") {
            EXPECT_EQ(shown, QStringLiteral("Hollowbrine"));
        } else {
            EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
            EXPECT_TRUE(QString::fromStdString(name).startsWith(shown.chopped(1)));
            // As much of the name as fits: most of the space is used.
            EXPECT_GT(ink[0].Right, rating.left() - 40);
        }
    }
}

// The screens were laid out in Liberation Sans, asked for through GameFont:
// every text of the window and the name dialog is set in that face, and each
// label whose place or box is fixed shows its longest text whole in it. In
// another face (a desktop without fonts-liberation2) the player bar's captions
// run into their values, "Super Injection:" goes under the view, the
// advantage message takes a fourth line and the link captions are squeezed.
TEST_F(FormFixture, TextsAreSetInTheLayoutsFaceAndFitTheirPlaces) {
    const std::string face = "Liberation Sans";
    const QFontInfo game(GameFont(13, true));
    EXPECT_EQ(game.family().toStdString(), face)
        << "fontconfig does not find the face the screens were laid out in "
           "(Debian package fonts-liberation2)";
    EXPECT_TRUE(game.bold());
    EXPECT_EQ(game.pixelSize(), 13);

    TForm2 dialog(&Form);
    int texts = 0;
    QString elsewhere;  // the texts set in another face
    for (QWidget* root : {static_cast<QWidget*>(&Form), static_cast<QWidget*>(&dialog)}) {
        for (QWidget* w : root->findChildren<QWidget*>()) {
            auto* label = qobject_cast<QLabel*>(w);
            auto* link = qobject_cast<TURLtransparantLabel*>(w);
            const bool text = qobject_cast<TShadowLabel*>(w) || link ||
                              (label && label->pixmap().isNull()) || qobject_cast<QLineEdit*>(w) ||
                              qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                              qobject_cast<TStringGrid*>(w);
            if (!text) continue;
            ++texts;
            for (const QFont& f : {w->font(), link ? link->DrawFont() : w->font()}) {
                const QString family = QFontInfo(f).family();
                if (family != QString::fromStdString(face)) {
                    elsewhere += QStringLiteral(" %1 (%2)").arg(w->objectName(), family);
                }
            }
        }
    }
    EXPECT_EQ(elsewhere.toStdString(), "") << "set in another face than " << face;
    EXPECT_GE(texts, 40);

    // A label that takes the size of its text stays within the width of its
    // design box (its height follows the shadow, and nothing lies beneath).
    const std::pair<QWidget*, QRect> sized[] = {
        {Form.RxLabel3, {608, 89, 77, 16}},
        {Form.RxLabel4, {88, 89, 77, 16}},
        {Form.RxLabel5, {584, 224, 110, 16}},
        {Form.RxLabel6, {64, 224, 110, 16}},
        {Form.RxLabel8, {584, 360, 111, 16}},
        {Form.RxLabel9, {336, 481, 38, 16}},
        {Form.RxLabel15, {32, 25, 80, 16}},
        {Form.RxLabel12, {84, 25, 200, 16}},
        {Form.URLtransparantLabel3, {632, 504, 98, 20}},
    };
    for (const auto& [label, box] : sized) {
        const QRect g = label->geometry();
        EXPECT_TRUE(g.left() >= box.left() && g.right() <= box.right() && g.top() == box.top())
            << label->objectName().toStdString() << " \"" << CaptionOf(label).toStdString()
            << "\" spans " << g.left() << ".." << g.right() << ", its place " << box.left() << ".."
            << box.right();
    }
    // "Super Injection:" on the left ends where the view begins.
    EXPECT_LE(Form.RxLabel6->geometry().right(), Form.DIBMagnifier1->x() - 1);
    for (TShadowLabel* number : {Form.RxLabel13, Form.RxLabel14}) {
        EXPECT_LT(number->geometry().right(), Form.ComboBox1->x())
            << CaptionOf(number).toStdString();
    }
    // The super bacterium's charge stays on the dark backdrop of the human's column.
    for (const char* charge : {"0% finished", "100% finished", "READY !!"}) {
        Game.Screen.RxLabel7.Caption = charge;
        Form.SyncFromModel();
        const QRect column = Form.DIBImage4->geometry();
        EXPECT_GE(Form.RxLabel7->x(), column.left()) << charge;
        EXPECT_LE(Form.RxLabel7->geometry().right(), column.right()) << charge;
    }
    for (QLabel* caption : Form.StatLabels) {
        EXPECT_LE(caption->width(), 225) << caption->text().toStdString();
    }

    // The player bar: each caption ends at least a space before its value, the
    // longest name the dialog takes shows whole, the rating ends inside the frame.
    const auto* bar = Form.dxContainer1;
    const auto spaceOf = [](const QWidget* w) {
        return QFontMetrics(w->font()).horizontalAdvance(QLatin1Char(' '));
    };
    for (const char* name : {"New User", "Bartholomew Redmoore"}) {
        for (const char* rating : {"1600", "3200"}) {
            SCOPED_TRACE(QStringLiteral("%1 / %2")
                             .arg(QLatin1String(name), QLatin1String(rating))
                             .toStdString());
            Game.Screen.URLtransparantLabel5.Caption = name;
            Game.Screen.URLtransparantLabel7.Caption = rating;
            Form.SyncFromModel();
            const QRect player = Form.URLtransparantLabel4->geometry();
            const QRect shown = Form.URLtransparantLabel5->geometry();
            const QRect caption = Form.URLtransparantLabel6->geometry();
            const QRect value = Form.URLtransparantLabel7->geometry();
            EXPECT_LE(player.right() + spaceOf(Form.URLtransparantLabel4), shown.left() - 1)
                << "\"Player :\" is " << player.width() << " wide";
            EXPECT_EQ(Form.URLtransparantLabel5->ShownText(), QString::fromLatin1(name));
            EXPECT_LE(shown.right() + spaceOf(Form.URLtransparantLabel5), caption.left() - 1);
            EXPECT_LE(caption.right() + spaceOf(Form.URLtransparantLabel6), value.left() - 1)
                << "\"Rating :\" is " << caption.width() << " wide";
            EXPECT_LE(value.right(), bar->width() - 2);
            for (const QRect& r : {player, shown, caption, value}) {
                EXPECT_LE(r.bottom(), bar->height() - 2);
            }
        }
    }

    // Fixed boxes: the text as the label lays it out (wrapped at its width
    // less the shadow) is no wider and no higher than the box.
    struct TLaidOut {
        QRect Rect;
        int Lines;
    };
    const auto layOut = [](const TShadowLabel* l, const QString& text) {
        const QFontMetrics fm(l->font());
        const int flags = Qt::AlignTop | (l->Centred() ? Qt::AlignHCenter : Qt::AlignLeft) |
                          (l->WordWrap() ? Qt::TextWordWrap : 0);
        const QRect r =
            fm.boundingRect(QRect(0, 0, l->width() - l->ShadowSize(), 100000), flags, text);
        return TLaidOut{r, qRound(double(r.height()) / fm.lineSpacing())};
    };
    const auto expectFits = [&](const TShadowLabel* l, const QString& text) {
        const TLaidOut t = layOut(l, text);
        EXPECT_LE(t.Rect.width(), l->width() - l->ShadowSize())
            << l->objectName().toStdString() << ": " << text.toStdString();
        EXPECT_LE(t.Rect.height(), l->height() - l->ShadowSize())
            << l->objectName().toStdString() << ": " << text.toStdString();
        return t;
    };
    ASSERT_EQ(Form.RxLabel16->size(), QSize(321, 81));
    const TLaidOut advantage = expectFits(Form.RxLabel16, Form.RxLabel16->Text());
    EXPECT_EQ(advantage.Lines, 3) << "the advantage message";
    for (const char* message :
         {"You had the advantage so you should have won. Game over. you lost",
          "You lost. You used 888 to win and the ai used 888",
          "You won. The ai did not reach your homeline.",
          "You used 888seconds to win. Defend your homeline for more seconds to win"}) {
        expectFits(Form.RxLabel16, QString::fromLatin1(message));
    }
    ASSERT_EQ(Form.LBL_Action->size(), QSize(369, 49));
    for (const char* action :
         {"The war has begun. Inject your bacterias by dragging them to the playfield",
          "Player executed a global injection", "RED : 100% <-> BLUE : 100%"}) {
        expectFits(Form.LBL_Action, QString::fromLatin1(action));
    }
    // The weapon buttons' names, as "Done" sets them, each on one line of its 71 x 41 box.
    for (int kind = 0; kind < 5; ++kind) {
        Game.Screen.ComboBox1.Items.clear();
        Game.Screen.ComboBox2.Items.clear();
        FillChooser(kind, 4 - kind);
        Game.dxButton1Click();
        Form.SyncFromModel();
        for (TShadowLabel* name : {Form.RxLabel10, Form.RxLabel11}) {
            ASSERT_EQ(name->size(), QSize(71, 41));
            ASSERT_FALSE(name->Text().isEmpty());
            EXPECT_EQ(expectFits(name, name->Text()).Lines, 1) << name->Text().toStdString();
        }
    }

    // The fixed-size links: the rating link's captions fit as they are, the
    // game-mode link's first line is a few pixels too wide and is set narrower
    // by less than a twentieth; all lines stand inside the box.
    const auto linesFit = [](const TURLtransparantLabel* l) {
        const QFontMetricsF fm(l->DrawFont());
        const QStringList lines = l->ShownText().split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            EXPECT_LE(fm.horizontalAdvance(line), l->width() - 1) << line.toStdString();
        }
        EXPECT_LE(lines.size() * fm.lineSpacing(), l->height()) << l->Text().toStdString();
    };
    for (int click = 0; click < 7; ++click) {
        Game.Screen.URLtransparantLabel2.Caption =
            QStringLiteral("Set Rating : AI Rating = %1").arg(1000 + 300 * click).toStdString();
        Form.SyncFromModel();
        linesFit(Form.URLtransparantLabel2);
        const int stretch = Form.URLtransparantLabel2->DrawFont().stretch();
        EXPECT_TRUE(stretch == QFont::AnyStretch || stretch == QFont::Unstretched)
            << Form.URLtransparantLabel2->Text().toStdString() << " set at stretch " << stretch;
    }
    for (int mode : {1, 2}) {
        Game.Screen.URLtransparantLabel1.Caption = TGame::GameModeCaption(mode);
        Form.SyncFromModel();
        linesFit(Form.URLtransparantLabel1);
        const int stretch = Form.URLtransparantLabel1->DrawFont().stretch();
        EXPECT_TRUE(stretch == QFont::AnyStretch || stretch >= 95)
            << "mode " << mode << " set at stretch " << stretch;
    }
}
