#include "AgarholdU1.h"

#include <QCloseEvent>
#include <QMoveEvent>
#include <QShowEvent>
#include <QComboBox>
#include <QDate>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QSlider>
#include <QWindow>
#include <cmath>

#include "AgarholdU2.h"
#include "AnalogClock.h"
#include "ScaledScreen.h"
#include "StarField.h"
#include "WindowFit.h"

namespace {

const QColor Lime(0x00, 0xFF, 0x00);
const QColor RedC(0xFF, 0x00, 0x00);
const QColor BlueC(0x00, 0x00, 0xFF);
const QColor Navy(0x00, 0x00, 0x80);
const QColor GreenC(0x00, 0x80, 0x00);
const QColor Yellow(0xFF, 0xFF, 0x00);
const QColor DarkBlue(0x00, 0x00, 0x40);
const QColor DarkRed(0x40, 0x00, 0x00);
const QColor DarkGreen(0x00, 0x40, 0x00);

struct TLabelLook {
    QColor Color;
    int FontPx;
    QColor Shadow;
    int ShadowSize = 1;
};

TShadowLabel* MakeShadowLabel(QWidget* parent, const char* name, QRect geometry,
                              const QString& text, const TLabelLook& look, bool centred = false,
                              bool wordWrap = false, bool autoSize = true) {
    auto* l = new TShadowLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->SetAutoSize(false);
    l->setFont(GameFont(look.FontPx, true));
    l->SetColor(look.Color);
    l->SetShadow(look.Shadow, look.ShadowSize);
    l->SetCentred(centred);
    l->SetWordWrap(wordWrap);
    l->setGeometry(geometry);
    l->SetText(text);
    l->SetAutoSize(autoSize);
    return l;
}

TDIBImage* MakeSprite(QWidget* parent, const char* name, QRect geometry, TImageList list,
                      int index, int opacity, bool stretch) {
    auto* s = new TDIBImage(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setGeometry(geometry);
    s->SetImage(list, index);
    s->SetOpacity(opacity);
    s->SetStretch(stretch);
    return s;
}

TURLtransparantLabel* MakeLink(QWidget* parent, const char* name, QPoint pos, QSize fixedSize,
                               const QString& text, int fontPx, bool bold, QColor onExit,
                               QColor onEnter) {
    auto* l = new TURLtransparantLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(GameFont(fontPx, bold));
    l->SetColors(onEnter, onExit);
    l->SetLinkUnderline(false);
    l->move(pos);
    if (fixedSize.isValid()) {
        l->resize(fixedSize);
        l->SetFixedGeometry(true);
    }
    l->SetText(text);
    return l;
}

TShape* MakeShape(QWidget* parent, const char* name, QRect geometry, QColor color,
                  bool dotted = false) {
    auto* s = new TShape(parent, color, dotted);
    s->setObjectName(QString::fromLatin1(name));
    s->setGeometry(geometry);
    return s;
}

// The game keeps its texts in 8-bit characters (the player's name as typed,
// the highscore names as saved); Latin-1 reads them back one to one.
QString FromModel(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// A highscore date (days since 1899-12-30, time of day as fraction) as a
// date alone in the user's short date format; empty for a value no calendar holds.
QString ShortDate(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return {};
    const QDate d = QDate(1899, 12, 30).addDays(static_cast<qint64>(std::floor(days)));
    return QLocale().toString(d, QLocale::ShortFormat);
}

}  // namespace

TForm1::TForm1(TGame& game, QWidget* parent) : QWidget(parent), Game(game) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    resize(ClientWidth, ClientHeight);
    // No control may ever be out of reach: the window never gets smaller than
    // its design client area (unless the screen itself is smaller, FitOnScreen).
    setMinimumSize(ClientWidth, ClientHeight);
    move(DesignLeft, DesignTop);

    DIBContainer1 = new TDIBContainer(this, QColor(0x07, 0x07, 0x07));
    DIBContainer1->setObjectName(QStringLiteral("DIBContainer1"));
    DIBContainer1->setGeometry(0, 0, ClientWidth, ClientHeight);

    BuildMatchScreen();
    BuildChooser();
    BuildTitleScreen();
    BuildStatistics();

    // The big centre text lies over the board; the windowed panels above it.
    RxLabel2->raise();
    DIBContainer3->raise();
    DIBContainer2->raise();

    // The title screen moves from its design place to 2, 2 when the window is made.
    Game.Screen.DIBContainer2.Left = 2;
    Game.Screen.DIBContainer2.Top = 2;

    WireEvents();
    SyncFromModel();

    // The window manager tells the frame some time after the window shows,
    // and no event says so: looked for often in the first seconds, then
    // seldom, for as long as it takes (a busy desktop, or one whose window
    // manager starts after the game).
    FrameWatch_.setInterval(20);
    connect(&FrameWatch_, &QTimer::timeout, this, [this] {
        if (FrameReported()) FitOnScreen();
        if (FrameFitted_) FrameWatch_.stop();
        else if (++FramePolls_ == 150) FrameWatch_.setInterval(500);
    });
}

void TForm1::BuildMatchScreen() {
    QWidget* c = DIBContainer1;
    const TLabelLook blue13{BlueC, 13, DarkBlue, 4};
    const TLabelLook red13{RedC, 13, DarkRed, 4};
    const TLabelLook blue11{BlueC, 11, DarkBlue, 4};

    DIBImage1 = new TBoardImage(Game, c);
    DIBImage1->setObjectName(QStringLiteral("DIBImage1"));
    DIBImage1->setGeometry(328, 224, 100, 100);
    DIBImage1->SetAutoSize(true);

    DIBImage5 = MakeSprite(c, "DIBImage5", {56, 56, 113, 409}, TImageList::DIBImageList1, 0, 150, true);
    DIBImage3 = MakeSprite(c, "DIBImage3", {80, 248, 64, 64}, TImageList::bacs_image, 10, 200, true);
    DIBImage3->SetHighlight(true);
    DIBImage3->SetDragSource(true, true);
    DIBImage3->setEnabled(false);
    DIBImage4 = MakeSprite(c, "DIBImage4", {584, 72, 113, 409}, TImageList::DIBImageList1, 0, 150, true);

    RxLabel1 = MakeShadowLabel(c, "RxLabel1", {176, 481, 35, 16}, QStringLiteral("X/Y :"),
                               {BlueC, 13, Navy, 1});
    RxLabel1->hide();
    Shape1 = MakeShape(c, "Shape1", {88, 40, 33, 25}, QColor(0x40, 0x00, 0x00));
    Shape2 = MakeShape(c, "Shape2", {640, 40, 33, 25}, QColor(0x00, 0x00, 0x40));
    LBL_Action = MakeShadowLabel(c, "LBL_Action", {192, 16, 369, 49}, QString(),
                                 {Lime, 13, DarkGreen, 4}, true, true, false);
    RxLabel3 = MakeShadowLabel(c, "RxLabel3", {608, 89, 77, 16}, QStringLiteral("Bacterias :"), blue13);
    Shape3 = MakeShape(c, "Shape3", {632, 32, 33, 25}, QColor(0x00, 0x00, 0xFC));
    Shape4 = MakeShape(c, "Shape4", {80, 32, 33, 25}, QColor(0xFB, 0x00, 0x00));

    const char* humanNames[5] = {"Bac1_1", "bac1_2", "bac1_3", "bac1_4", "bac1_5"};
    const QPoint humanPos[5] = {{608, 112}, {648, 112}, {608, 144}, {608, 176}, {648, 144}};
    for (int i = 0; i < 5; ++i) {
        TDIBImage* s = MakeSprite(c, humanNames[i], QRect(humanPos[i], QSize(32, 32)),
                                  TImageList::bacs_image, 1, 200, false);
        s->SetHighlight(true);
        s->SetTag(i + 1);
        s->SetDragSource(true, true);
        HumanTubes[static_cast<size_t>(i)] = s;
    }
    const char* computerNames[5] = {"bac2_1", "bac2_2", "bac2_3", "bac2_4", "bac2_5"};
    const QPoint computerPos[5] = {{120, 112}, {120, 144}, {120, 176}, {88, 112}, {88, 144}};
    for (int i = 0; i < 5; ++i) {
        TDIBImage* s = MakeSprite(c, computerNames[i], QRect(computerPos[i], QSize(32, 32)),
                                  TImageList::bacs_image, 1, 200, false);
        s->SetHighlight(true);
        s->SetTag(i + 1);
        s->SetDragSource(true, false);
        ComputerTubes[static_cast<size_t>(i)] = s;
    }

    RxLabel4 = MakeShadowLabel(c, "RxLabel4", {88, 89, 77, 16}, QStringLiteral("Bacterias :"), red13);
    RxLabel5 = MakeShadowLabel(c, "RxLabel5", {584, 224, 110, 16}, QStringLiteral("Super Injection:"), blue13);
    RxLabel6 = MakeShadowLabel(c, "RxLabel6", {64, 224, 110, 16}, QStringLiteral("Super Injection:"), red13);
    RxLabel7 = MakeShadowLabel(c, "RxLabel7", {608, 312, 67, 13}, QStringLiteral("0% finished"), blue11);

    bac1_S = MakeSprite(c, "bac1_S", {608, 248, 64, 64}, TImageList::bacs_image, 10, 10, true);
    bac1_S->SetTag(6);
    bac1_S->SetDragSource(true, true);
    bac1_S->setEnabled(false);

    Shape5 = MakeShape(c, "Shape5", {472, 72, 100, 1}, Navy, true);
    Shape6 = MakeShape(c, "Shape6", {472, 478, 100, 1}, Navy, true);

    RxLabel9 = MakeShadowLabel(c, "RxLabel9", {336, 481, 38, 16}, QStringLiteral("Time"),
                               {Lime, 13, GreenC, 1});
    RxLabel8 = MakeShadowLabel(c, "RxLabel8", {584, 360, 111, 16}, QStringLiteral("Global Injection"), blue13);
    DIBImage6 = MakeSprite(c, "DIBImage6", {592, 384, 32, 32}, TImageList::bacs_image, 11, 255, false);
    RxLabel10 = MakeShadowLabel(c, "RxLabel10", {624, 384, 71, 41}, QStringLiteral("Defence"), blue11,
                                false, true, false);
    DIBImage7 = MakeSprite(c, "DIBImage7", {592, 432, 32, 32}, TImageList::bacs_image, 11, 255, false);
    RxLabel11 = MakeShadowLabel(c, "RxLabel11", {624, 432, 71, 41}, QStringLiteral("Invert"), blue11,
                                false, true, false);
    RxLabel2 = MakeShadowLabel(c, "RxLabel2", {312, 232, 59, 115}, QStringLiteral("3"),
                               {Lime, 96, DarkGreen, 4}, true, true, true);
    DIBImage8 = MakeSprite(c, "DIBImage8", {402, 96, 73, 230}, TImageList::DIBImageList2, 1, 100, true);

    DIBMagnifier1 = new TDIBMagnifier(Game, c);
    DIBMagnifier1->setObjectName(QStringLiteral("DIBMagnifier1"));
    DIBMagnifier1->setGeometry(174, 70, MagnifierWidth, MagnifierHeight);
    // The dotted lines mark the free-drop band's top and bottom over the view.
    Shape5->raise();
    Shape6->raise();

    RxLabel16 = MakeShadowLabel(
        c, "RxLabel16", {208, 97, 321, 81},
        QStringLiteral("You have the avantage. The Gray super energi spots will be placed closer "
                       "to you in this game make sure you win as fast as possible."),
        {Yellow, 13, Navy, 1}, false, true, false);
    RxLabel16->hide();

    RxSlider1 = new TDIBContainer(c, QColor(0x09, 0x09, 0x0F));
    RxSlider1->setObjectName(QStringLiteral("RxSlider1"));
    RxSlider1->setGeometry(288, 496, 150, 40);
    RxSlider1Track = new QSlider(Qt::Horizontal, RxSlider1);
    RxSlider1Track->setObjectName(QStringLiteral("RxSlider1Track"));
    RxSlider1Track->setGeometry(4, 2, 142, 22);
    RxSlider1Track->setRange(25, 500);
    RxSlider1Track->setSingleStep(25);
    RxSlider1Track->setPageStep(25);
    RxSlider1Track->setTickInterval(25);
    RxSlider1Track->setTickPosition(QSlider::TicksBelow);
    RxSlider1Track->setValue(50);
    RxSlider1Track->setFocusPolicy(Qt::StrongFocus);
    RxLabel15 = MakeShadowLabel(RxSlider1, "RxLabel15", {32, 25, 80, 16}, QStringLiteral("Game Speed"),
                                {Lime, 13, GreenC, 1});

    RxClock1 = new TRxClock(c);
    RxClock1->setObjectName(QStringLiteral("RxClock1"));
    RxClock1->setGeometry(4, 3, 57, 65);
}

void TForm1::BuildChooser() {
    DIBContainer3 = new TDIBContainer(DIBContainer1, QColor(0x37, 0x37, 0x37));
    DIBContainer3->setObjectName(QStringLiteral("DIBContainer3"));
    DIBContainer3->setGeometry(192, 200, 377, 169);
    DIBContainer3->hide();
    const TLabelLook look{BlueC, 13, DarkBlue, 1};
    RxLabel12 = MakeShadowLabel(DIBContainer3, "RxLabel12", {84, 25, 200, 16},
                                QStringLiteral("Choose two Global Injections"), look);
    RxLabel13 = MakeShadowLabel(DIBContainer3, "RxLabel13", {20, 57, 12, 16}, QStringLiteral("1:"), look);
    RxLabel14 = MakeShadowLabel(DIBContainer3, "RxLabel14", {20, 97, 12, 16}, QStringLiteral("2:"), look);
    auto* combo1 = new TFlatComboBox(DIBContainer3, BlueC);
    auto* combo2 = new TFlatComboBox(DIBContainer3, BlueC);
    ComboBox1 = combo1;
    ComboBox2 = combo2;
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox1->setGeometry(40, 56, 313, 21);
    ComboBox2->setGeometry(40, 96, 313, 21);
    for (TFlatComboBox* cb : {combo1, combo2}) {
        cb->setFont(GameFont(11));
        cb->SetItemHeight(13);
    }
    dxButton1 = new TdxButton(QStringLiteral("Done"), DIBContainer3);
    dxButton1->setObjectName(QStringLiteral("dxButton1"));
    dxButton1->move(152, 136);
}

void TForm1::BuildTitleScreen() {
    DIBContainer2 = new TDIBContainer(DIBContainer1, Qt::black);
    DIBContainer2->setObjectName(QStringLiteral("DIBContainer2"));
    DIBContainer2->setGeometry(8, 0, 737, 537);
    QWidget* t = DIBContainer2;

    NcaStar1 = new TNcaStar(t);
    NcaStar1->setObjectName(QStringLiteral("NcaStar1"));
    NcaStar1->setGeometry(24, 0, 665, 465);
    NcaStar1->SetCentre(QPoint(400, 200));
    NcaStar1->SetBrightness(90);
    NcaStar1->SetMoveInterval(10);
    NcaStar1->SetActive(true);

    Image1 = new QLabel(t);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(152, 16, 460, 200);
    const QImage title = TitlePicture();
    if (!title.isNull()) {
        Image1->setPixmap(QPixmap::fromImage(title));
        Image1->resize(title.size());
        // The picture fills the label without a see-through pixel: the stars
        // behind it need not be painted.
        if (!title.hasAlphaChannel()) Image1->setAttribute(Qt::WA_OpaquePaintEvent);
    }

    DIBImage2 = MakeSprite(t, "DIBImage2", {320, 224, 100, 50}, TImageList::DIBImageList2, 0, 175, false);
    DIBImage2->SetAutoSize(true);
    DIBImage2->SetHighlight(true);
    DIBImage2->setCursor(Qt::PointingHandCursor);

    URLtransparantLabel1 = MakeLink(t, "URLtransparantLabel1", {432, 256}, {169, 41},
                                    QStringLiteral("Game Mode : Best after 2 game(s)"), 11, false,
                                    Lime, RedC);
    URLtransparantLabel2 = MakeLink(t, "URLtransparantLabel2", {432, 232}, {153, 17},
                                    QStringLiteral("Set Rating : AI Rating = 1600"), 11, false, Lime,
                                    RedC);
    URLtransparantLabel3 = MakeLink(t, "URLtransparantLabel3", {632, 504}, QSize(),
                                    QStringLiteral("EXIT GAME"), 16, true, BlueC, RedC);
    for (auto* l : {URLtransparantLabel1, URLtransparantLabel2, URLtransparantLabel3})
        l->setCursor(Qt::PointingHandCursor);

    DIBImage9 = MakeSprite(t, "DIBImage9", {320, 296, 100, 50}, TImageList::DIBImageList2, 2, 175, false);
    DIBImage9->SetAutoSize(true);
    DIBImage9->SetHighlight(true);
    DIBImage9->setCursor(Qt::PointingHandCursor);

    dxContainer1 = new TdxContainer(t, Qt::black);
    dxContainer1->setObjectName(QStringLiteral("dxContainer1"));
    dxContainer1->setGeometry(168, 448, 449, 41);
    QWidget* bar = dxContainer1;
    URLtransparantLabel4 = MakeLink(bar, "URLtransparantLabel4", {8, 8}, QSize(),
                                    QStringLiteral("Player :"), 16, true, Lime, GreenC);
    URLtransparantLabel5 = MakeLink(bar, "URLtransparantLabel5", {72, 8}, QSize(),
                                    QStringLiteral("Name"), 16, false, Lime, Lime);
    URLtransparantLabel6 = MakeLink(bar, "URLtransparantLabel6", {328, 8}, QSize(),
                                    QStringLiteral("Rating :"), 16, true, BlueC, BlueC);
    URLtransparantLabel7 = MakeLink(bar, "URLtransparantLabel7", {400, 8}, QSize(),
                                    QStringLiteral("1000"), 16, false, BlueC, BlueC);
    // A long name is cut short with "…" before it reaches "Rating :".
    constexpr int NameGap = 8;
    URLtransparantLabel5->SetElideWidth(URLtransparantLabel6->x() - URLtransparantLabel5->x() -
                                        NameGap);
}

void TForm1::BuildStatistics() {
    dxContainer3 = new TdxContainer(DIBContainer2, Qt::black);
    dxContainer3->setObjectName(QStringLiteral("dxContainer3"));
    dxContainer3->setGeometry(0, 504, 729, 521);
    dxContainer3->hide();

    struct TPlace {
        QPoint Caption;
        QPoint Grid;
    };
    // Table t = index + 1, computer rating 1000 + 300 (t - 1).
    const TPlace places[7] = {
        {{496, 376}, {496, 400}}, {{256, 376}, {256, 400}}, {{32, 376}, {16, 400}},
        {{496, 200}, {496, 232}}, {{256, 200}, {256, 232}}, {{24, 200}, {16, 232}},
        {{232, 16}, {224, 40}},
    };
    for (int i = 0; i < 7; ++i) {
        auto* label = new QLabel(QStringLiteral("Games against AI Rating %1").arg(1000 + 300 * i),
                                 dxContainer3);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setFont(GameFont(i == 6 ? 13 : 11, true));
        label->setStyleSheet(QStringLiteral("color: #00FF00; background: transparent;"));
        label->move(places[i].Caption);
        label->adjustSize();
        StatLabels[static_cast<size_t>(i)] = label;

        auto* grid = new TStringGrid({80, 84, 52}, 6, 16, dxContainer3);
        grid->setObjectName(QStringLiteral("StringGrid%1").arg(i + 1));
        grid->setGeometry(QRect(places[i].Grid, QSize(225, 105)));
        StringGrids[static_cast<size_t>(i)] = grid;
    }
    dxButton2 = new TdxButton(QStringLiteral("Close"), dxContainer3);
    dxButton2->setObjectName(QStringLiteral("dxButton2"));
    dxButton2->move(648, 8);
}

void TForm1::RunHandler(const std::function<void()>& handler) {
    QPointer<TForm1> self(this);
    handler();
    if (self) SyncFromModel();
}

void TForm1::WireEvents() {
    Sprites_ = {
        {&Game.Screen.Bac1_1, HumanTubes[0], {}},  {&Game.Screen.bac1_2, HumanTubes[1], {}},
        {&Game.Screen.bac1_3, HumanTubes[2], {}},  {&Game.Screen.bac1_4, HumanTubes[3], {}},
        {&Game.Screen.bac1_5, HumanTubes[4], {}},  {&Game.Screen.bac2_1, ComputerTubes[0], {}},
        {&Game.Screen.bac2_2, ComputerTubes[1], {}}, {&Game.Screen.bac2_3, ComputerTubes[2], {}},
        {&Game.Screen.bac2_4, ComputerTubes[3], {}}, {&Game.Screen.bac2_5, ComputerTubes[4], {}},
        {&Game.Screen.bac1_S, bac1_S, {}},         {&Game.Screen.DIBImage3, DIBImage3, {}},
        {&Game.Screen.DIBImage6, DIBImage6, {}},   {&Game.Screen.DIBImage7, DIBImage7, {}},
        {&Game.Screen.DIBImage8, DIBImage8, {}},
    };
    Labels_ = {
        {&Game.Screen.LBL_Action, LBL_Action, {}},
        {&Game.Screen.RxLabel1, RxLabel1, {}},
        {&Game.Screen.RxLabel2, RxLabel2, {}},
        {&Game.Screen.RxLabel7, RxLabel7, {}},
        {&Game.Screen.RxLabel9, RxLabel9, {}},
        {&Game.Screen.RxLabel10, RxLabel10, {}},
        {&Game.Screen.RxLabel11, RxLabel11, {}},
        {&Game.Screen.RxLabel16, RxLabel16, {}},
        {&Game.Screen.URLtransparantLabel1, URLtransparantLabel1, {}},
        {&Game.Screen.URLtransparantLabel2, URLtransparantLabel2, {}},
        {&Game.Screen.URLtransparantLabel5, URLtransparantLabel5, {}},
        {&Game.Screen.URLtransparantLabel7, URLtransparantLabel7, {}},
    };
    Panels_ = {
        {&Game.Screen.DIBContainer2, DIBContainer2},
        {&Game.Screen.DIBContainer3, DIBContainer3},
        {&Game.Screen.dxContainer3, dxContainer3},
    };

    // Title screen.
    connect(DIBImage2, &TDIBImage::MouseUp, this,
            [this] { RunHandler([this] { Game.DIBImage2MouseUp(); }); });
    connect(DIBImage9, &TDIBImage::MouseUp, this, [this] { OpenStatistics(); });
    connect(dxButton2, &QPushButton::clicked, this, [this] { CloseStatistics(); });
    connect(URLtransparantLabel1, &TURLtransparantLabel::Clicked, this,
            [this] { RunHandler([this] { Game.URLtransparantLabel1Click(); }); });
    connect(URLtransparantLabel2, &TURLtransparantLabel::Clicked, this,
            [this] { RunHandler([this] { Game.URLtransparantLabel2Click(); }); });
    connect(URLtransparantLabel3, &TURLtransparantLabel::Clicked, this, [this] {
        if (OnExitGame) OnExitGame();
    });

    // Chooser: the lists hold the player's choice; "Done" hands it to the game.
    connect(ComboBox1, &QComboBox::activated, this,
            [this](int index) { Game.Screen.ComboBox1.ItemIndex = index; });
    connect(ComboBox2, &QComboBox::activated, this,
            [this](int index) { Game.Screen.ComboBox2.ItemIndex = index; });
    connect(dxButton1, &QPushButton::clicked, this, [this] {
        RunHandler([this] {
            Game.Screen.ComboBox1.ItemIndex = ComboBox1->currentIndex();
            Game.Screen.ComboBox2.ItemIndex = ComboBox2->currentIndex();
            Game.dxButton1Click();
        });
    });

    // Weapons.
    connect(DIBImage6, &TDIBImage::Clicked, this,
            [this] { RunHandler([this] { Game.DIBImage6Click(); }); });
    connect(DIBImage7, &TDIBImage::Clicked, this,
            [this] { RunHandler([this] { Game.DIBImage7Click(); }); });

    // Game speed, in whole steps of 25 ms.
    connect(RxSlider1Track, &QSlider::valueChanged, this, [this](int value) {
        const int snapped = std::clamp((value + 12) / 25 * 25, 25, 500);
        if (snapped != value) {
            RxSlider1Track->setValue(snapped);
            return;
        }
        RunHandler([this, value] { Game.RxSlider1Change(value); });
    });

    // The human's icons: start and end of a drag. A drop on the magnified view
    // reaches the game there; any other end of the drag is a refused drop.
    std::vector<TDIBImage*> humanIcons(HumanTubes.begin(), HumanTubes.end());
    humanIcons.push_back(bac1_S);
    humanIcons.push_back(DIBImage3);
    for (TDIBImage* icon : humanIcons) {
        connect(icon, &TDIBImage::StartDrag, this, [this, icon] {
            RunHandler([this, icon] { Game.Bac1_1StartDrag(icon->Tag()); });
        });
        connect(icon, &TDIBImage::EndDrag, this, [this, icon](QWidget* target, QPoint point) {
            if (target == DIBMagnifier1) return;
            RunHandler([this, icon, point] {
                Game.Bac1_1EndDrag(icon->Tag(), false, point.x(), point.y());
            });
        });
    }
    connect(DIBMagnifier1, &TDIBMagnifier::GameChanged, this, [this] { SyncFromModel(); });
}

void TForm1::OpenStatistics() {
    TPanelModel& panel = Game.Screen.dxContainer3;
    panel.Left = 0;
    panel.Top = 8;
    for (int t = 1; t <= 7; ++t) {
        TStringGrid* grid = StringGrids[static_cast<size_t>(t - 1)];
        grid->SetCell(0, 0, QStringLiteral("Player"));
        grid->SetCell(1, 0, QStringLiteral("Date"));
        grid->SetCell(2, 0, QStringLiteral("Score"));
        for (int i = 1; i <= 5; ++i) {
            const THighScoreEntry& e = Game.HighScores[t][i];
            grid->SetCell(0, i, FromModel(e.NameText()));
            grid->SetCell(1, i, ShortDate(e.Date));
            grid->SetCell(2, i, QString::number(e.Score));
        }
    }
    panel.Visible = true;
    SyncFromModel();
}

void TForm1::CloseStatistics() {
    Game.Screen.dxContainer3.Visible = false;
    SyncFromModel();
}

void TForm1::SyncFromModel() {
    for (TSpriteBinding& b : Sprites_) {
        const TSpriteModel& m = *b.Model;
        TDIBImage* w = b.Widget;
        if (!b.Synced || m.ImageIndex != b.Last.ImageIndex) w->SetImageIndex(m.ImageIndex);
        // The opacity is copied only when the game changed it, so that the
        // hover highlight keeps its own until the pointer leaves.
        if (!b.Synced || m.Opacity != b.Last.Opacity) w->SetOpacity(m.Opacity);
        if (w->isEnabled() != m.Enabled) w->setEnabled(m.Enabled);
        if (w->isHidden() == m.Visible) w->setVisible(m.Visible);
        if (!b.Synced || m.Hint != b.Last.Hint) w->SetHint(FromModel(m.Hint));
        w->SetTag(m.Tag);
        b.Last = m;
        b.Synced = true;
    }
    for (TLabelBinding& b : Labels_) {
        const TLabelModel& m = *b.Model;
        if (!b.Synced || m.Caption != b.Last) {
            if (auto* s = qobject_cast<TShadowLabel*>(b.Widget))
                s->SetText(FromModel(m.Caption));
            else if (auto* u = qobject_cast<TURLtransparantLabel*>(b.Widget))
                u->SetText(FromModel(m.Caption));
            b.Last = m.Caption;
            b.Synced = true;
        }
        if (b.Widget->isHidden() == m.Visible) b.Widget->setVisible(m.Visible);
    }
    for (TPanelBinding& b : Panels_) {
        if (b.Widget->pos() != QPoint(b.Model->Left, b.Model->Top))
            b.Widget->move(b.Model->Left, b.Model->Top);
        if (b.Widget->isHidden() == b.Model->Visible) b.Widget->setVisible(b.Model->Visible);
    }
    // The title screen covers the clock wholly: it need not tick under it.
    RxClock1->SetCovered(!DIBContainer2->isHidden() &&
                         DIBContainer2->geometry().contains(RxClock1->geometry()));
    const TComboModel* combos[2] = {&Game.Screen.ComboBox1, &Game.Screen.ComboBox2};
    QComboBox* boxes[2] = {ComboBox1, ComboBox2};
    for (int i = 0; i < 2; ++i) {
        if (combos[i]->Items != ComboItems_[i]) {
            const QSignalBlocker block(boxes[i]);
            boxes[i]->clear();
            for (const std::string& item : combos[i]->Items) boxes[i]->addItem(FromModel(item));
            ComboItems_[i] = combos[i]->Items;
        }
        if (boxes[i]->currentIndex() != combos[i]->ItemIndex) {
            const QSignalBlocker block(boxes[i]);
            boxes[i]->setCurrentIndex(combos[i]->ItemIndex);
        }
    }
    DIBMagnifier1->SetTint(Game.Screen.DIBImage8.Visible);
    if (Game.Screen.DIBImage1RefreshCount != LastRefresh_) {
        LastRefresh_ = Game.Screen.DIBImage1RefreshCount;
        // The board image lies wholly under the opaque view: repainting it
        // would only repaint the view over it again.
        if (DIBMagnifier1->isHidden() || !DIBMagnifier1->geometry().contains(DIBImage1->geometry()))
            DIBImage1->update();
        DIBMagnifier1->Refresh();
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (OnClose && !OnClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    PlaceScreens();
    QWidget::resizeEvent(event);
    if (FrameReported()) FitOnScreen();
}

void TForm1::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (FrameReported()) FitOnScreen();
}

bool TForm1::FrameReported() const {
    // Without a window manager no frame is ever reported: the fit at showing
    // was the only one, and every later size is the player's.
    return !FrameFitted_ && isVisible() && windowHandle() && !windowHandle()->frameMargins().isNull();
}

void TForm1::setVisible(bool visible) {
    if (visible && !Placed_) {
        Placed_ = true;
        PlaceBeforeShowing();
    }
    QWidget::setVisible(visible);
}

void TForm1::showEvent(QShowEvent* event) {
    // A frame known already (a platform that tells it at once) is fitted
    // now; else it is looked for until the window manager tells it.
    if (!event->spontaneous() && !FrameFitted_) {
        FitOnScreen();
        FramePolls_ = 0;
        FrameWatch_.setInterval(20);
        if (!FrameFitted_) FrameWatch_.start();
    }
    QWidget::showEvent(event);
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    RedrawQtTitleBar(*this, *event);
}

QScreen* TForm1::DesignScreen() const {
    QScreen* s = QGuiApplication::screenAt(QPoint(DesignLeft, DesignTop));
    return s ? s : screen();
}

void TForm1::PlaceBeforeShowing() {
    QScreen* s = DesignScreen();
    if (!s || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) return;
    const QMargins frame = ExpectedFrame(s->devicePixelRatio());
    const QRect area = s->availableGeometry();
    const QSize design(ClientWidth, ClientHeight);
    const QPoint lead(frame.left(), frame.top());
    setMinimumSize(SmallestClientSize(area, frame, design));
    const QRect fit = FitClientInArea(area, frame, QRect(QPoint(DesignLeft, DesignTop) + lead, design));
    resize(fit.size());
    // Not made yet, the window is moved by its frame's corner: the window
    // manager puts the corner there, whatever frame it draws.
    AskedCorner_ = fit.topLeft() - lead;
    move(AskedCorner_);
}

void TForm1::FitOnScreen() {
    // A window the player has maximised already fills the area: leave it so.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        FrameFitted_ = true;
        return;
    }
    QWindow* w = windowHandle();
    QScreen* s = DesignScreen();
    if (!w || !s) return;
    QMargins frame = w->frameMargins();
    if (frame.isNull()) return;
    // Where the window manager put the frame's corner: where it was asked
    // (give or take a rounded pixel), or a place of its own choosing.
    const QPoint corner = geometry().topLeft() - QPoint(frame.left(), frame.top());
    const bool asked = std::abs(corner.x() - AskedCorner_.x()) <= 2 && std::abs(corner.y() - AskedCorner_.y()) <= 2;
    // At a fractional scale the frame's screen pixels round to whole
    // logical ones either way: count a pixel more, so it surely fits.
    const qreal ratio = w->devicePixelRatio();
    if (ratio != std::floor(ratio))
        frame += QMargins(frame.left() > 0, frame.top() > 0, frame.right() > 0, frame.bottom() > 0);
    // This is the last fit: later moves are the player's.
    FrameFitted_ = true;
    const QRect area = s->availableGeometry();
    const QSize design(ClientWidth, ClientHeight);
    setMinimumSize(SmallestClientSize(area, frame, design));
    // Where it would have gone had the frame been known from the start.
    const QPoint from = asked ? QPoint(DesignLeft, DesignTop) : corner;
    const QRect fit = FitClientInArea(area, frame, QRect(from + QPoint(frame.left(), frame.top()), design));
    if (fit != geometry()) setGeometry(fit);
}

void TForm1::PlaceScreens() {
    const QSize design(ClientWidth, ClientHeight);
    if (size() == design) {
        // Straight in the window: painted as at any time, at no extra cost.
        if (Scaled_ && Scaled_->Embedded()) {
            QWidget* screens = Scaled_->Release();
            screens->setParent(this);
            screens->setGeometry(0, 0, ClientWidth, ClientHeight);
            screens->show();
        }
        if (Scaled_) Scaled_->hide();
        DIBContainer1->setGeometry(0, 0, ClientWidth, ClientHeight);
        return;
    }
    if (!Scaled_) Scaled_ = new TScaledScreen(design, QColor(0x07, 0x07, 0x07), this);
    Scaled_->setGeometry(rect());
    if (!Scaled_->Embedded()) {
        DIBContainer1->setParent(nullptr);
        Scaled_->Embed(DIBContainer1);
    }
    Scaled_->show();
}
