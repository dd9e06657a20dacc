#include "AgarholdU2.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QValidator>
#include <QWindow>
#include <algorithm>

#include "Panels.h"

// ---- TNameEdit --------------------------------------------------------------

// Every edit of the line passes here, whatever its way in (keys, an input
// method, a paste, a drop), before it is shown. The text it inserted is found
// by comparing with the text before it, not by the cursor, which an input
// method may have moved. A name is one line, so what comes in keeps its first
// line only, and only as much of it as fits; an edit of which nothing fits is
// refused whole, so the field's undo history stays.
class TNameLengthValidator : public QValidator {
public:
    explicit TNameLengthValidator(TNameEdit* edit) : QValidator(edit), Edit(edit) {}

    State validate(QString& input, int& pos) const override {
        const QString& before = Edit->Accepted;
        const qsizetype common = std::min(input.size(), before.size());
        qsizetype head = 0;
        while (head < common && input[head] == before[head]) ++head;
        qsizetype tail = 0;
        while (tail < common - head && input[input.size() - 1 - tail] == before[before.size() - 1 - tail])
            ++tail;
        const qsizetype insertedSize = input.size() - head - tail;
        QString inserted = input.mid(head, insertedSize);
        const qsizetype lineEnd = inserted.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
        if (lineEnd >= 0) inserted.truncate(lineEnd);
        const qsizetype room = std::max<qsizetype>(0, Edit->Ceiling - head - tail);
        if (inserted.size() > room) inserted.truncate(room);
        if (inserted.size() == insertedSize) return Acceptable;
        const QString kept = input.left(head) + inserted + input.right(tail);
        if (kept == before) return Invalid;
        input = kept;
        pos = static_cast<int>(head + inserted.size());
        return Acceptable;
    }

private:
    TNameEdit* Edit;
};

TNameEdit::TNameEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new TNameLengthValidator(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        Accepted = text;
        // A shortened program text lowers the ceiling with it, never below the typed limit.
        Ceiling = std::max(MaxTyped, std::min(Ceiling, static_cast<int>(text.size())));
    });
}

void TNameEdit::SetProgramText(const QString& text) {
    Ceiling = std::max(MaxTyped, static_cast<int>(text.size()));
    setText(text);
}

// ---- TForm2 -----------------------------------------------------------------

namespace {

// Under Wayland Qt draws the title bar itself, with minimise, maximise and
// close buttons whatever the window's flags say, and cuts the title short at
// the minimise button. The title is centred on the bar, so the dialog is made
// wide enough for the title to end before that button; the buttons take the
// last DecorationButtons pixels of the bar (three 18-pixel buttons, their
// spacing and the bar's margin).
constexpr int DecorationButtons = 80;

bool QtDrawsTheFrame() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
           qEnvironmentVariableIsEmpty("QT_WAYLAND_DISABLE_WINDOWDECORATION");
}

int DialogWidth(const QString& title) {
    if (!QtDrawsTheFrame()) return TForm2::ClientWidth;
    QFont font = QGuiApplication::font();
    font.setPixelSize(14);  // the size Qt's title bar draws its title in
    const int titleWidth = QFontMetrics(font).horizontalAdvance(title);
    return std::max(TForm2::ClientWidth, titleWidth + 2 * DecorationButtons);
}

}  // namespace

void RedrawQtTitleBar(QWidget& window, const QEvent& event) {
    if (event.type() != QEvent::ActivationChange || !QtDrawsTheFrame()) return;
    QWindow* handle = window.windowHandle();
    if (!handle) return;
    // The same title again: Qt marks the bar to be drawn with the next repaint.
    handle->setTitle(handle->title());
    window.update();
}

// A fixed-size modal dialog: only a close button in its title bar, which
// window managers read from the flags (no minimise, no maximise).
TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Player Name"));
    setModal(true);
    // Wider only where the title bar needs it, the controls centred in it.
    const int width = DialogWidth(windowTitle());
    const int dx = (width - ClientWidth) / 2;
    setFixedSize(width, ClientHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x00, 0x00, 0x5E));
    setPalette(pal);

    Label1 = new QLabel(QStringLiteral("Your name :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(GameFont(13));
    Label1->setStyleSheet(QStringLiteral("color: #FFFFFF; background: transparent;"));
    Label1->move(dx + 40, 8);
    Label1->adjustSize();

    Edit1 = new TNameEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(dx + 40, 32, 145, 17);
    Edit1->setFrame(false);
    Edit1->setFont(GameFont(13));
    Edit1->setTextMargins(0, 0, 0, 0);
    Edit1->setStyleSheet(QStringLiteral(
        "QLineEdit { background: #FFFFFF; color: #000000; border: none; padding: 0 1px; }"));
    Edit1->setText(QStringLiteral("New User"));

    dxButton1 = new TdxButton(QStringLiteral("OK"), this);
    dxButton1->setObjectName(QStringLiteral("dxButton1"));
    dxButton1->move(dx + 136, 56);
    dxButton1->setDefault(true);
    connect(dxButton1, &QPushButton::clicked, this, [this] { OkClick(); });

    // Centred again while the frames come and the main window settles (it
    // is fitted on the screen once its frame is known); then the dialog is
    // the player's to move.
    CentreWatch_.setInterval(50);
    connect(&CentreWatch_, &QTimer::timeout, this, [this] {
        const bool framed = Centre();
        const QRect ownerFrame = parentWidget() ? parentWidget()->window()->frameGeometry() : QRect();
        StablePolls_ = framed && ownerFrame == LastOwnerFrame_ ? StablePolls_ + 1 : 0;
        LastOwnerFrame_ = ownerFrame;
        if (StablePolls_ >= 4 || ++CentrePolls_ >= 60) CentreWatch_.stop();
    });
}

QString TForm2::Text() const { return Edit1->text(); }

void TForm2::SetText(const QString& text) { Edit1->SetProgramText(text); }

void TForm2::OkClick() {
    QPointer<TForm2> self(this);
    const bool close = !OnOk || OnOk(Edit1->text());
    if (self && close) accept();
}

void TForm2::setVisible(bool visible) {
    if (visible && !isVisible()) {
        Centre();
        // Window managers tell the frames some time after the windows map,
        // and no event says so: centre again as they come, frame on frame.
        CentrePolls_ = 0;
        StablePolls_ = 0;
        LastOwnerFrame_ = QRect();
        CentreWatch_.start();
    }
    if (!visible) CentreWatch_.stop();
    QDialog::setVisible(visible);
}

bool TForm2::Centre() {
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner) return true;
    // Before a frame is known its margins are zero, and the client area
    // stands for the frame.
    const QRect area = owner->frameGeometry();
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QSize outer = size().grownBy(frame);
    const QPoint corner(area.x() + (area.width() - outer.width()) / 2,
                        area.y() + (area.height() - outer.height()) / 2);
    const QRect place(corner + QPoint(frame.left(), frame.top()), size());
    if (place != geometry()) setGeometry(place);
    const QWindow* ownerWindow = owner->windowHandle();
    return !frame.isNull() && ownerWindow && !ownerWindow->frameMargins().isNull();
}

void TForm2::showEvent(QShowEvent* event) {
    Edit1->setFocus();
    Edit1->selectAll();
    QDialog::showEvent(event);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // There is no cancel: Escape does not close the dialog.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm2::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    RedrawQtTitleBar(*this, *event);
}
