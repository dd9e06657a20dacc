#include "AgarholdU2.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>

#include "Panels.h"

// ---- TNameEdit --------------------------------------------------------------

TNameEdit::TNameEdit(QWidget* parent) : QLineEdit(parent) {}

int TNameEdit::Room() const {
    return MaxTyped - (static_cast<int>(text().size()) - static_cast<int>(selectedText().size()));
}

void TNameEdit::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Paste) {
        QString pasted = QGuiApplication::clipboard()->text();
        pasted.remove(QLatin1Char('\r'));
        pasted = pasted.section(QLatin1Char('\n'), 0, 0);
        insert(pasted.left(std::max(0, Room())));
        event->accept();
        return;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
    if (printable && static_cast<int>(typed.size()) > Room()) {
        event->accept();  // the field is full: the key is swallowed
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TNameEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (static_cast<int>(event->commitString().size()) > Room()) {
        QInputMethodEvent cut(event->preeditString(), event->attributes());
        cut.setCommitString(event->commitString().left(std::max(0, Room())),
                            event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&cut);
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

// ---- TForm2 -----------------------------------------------------------------

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Player Name"));
    setModal(true);
    setFixedSize(ClientWidth, ClientHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x00, 0x00, 0x5E));
    setPalette(pal);

    Label1 = new QLabel(QStringLiteral("Your name :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(GameFont(13));
    Label1->setStyleSheet(QStringLiteral("color: #FFFFFF; background: transparent;"));
    Label1->move(40, 8);
    Label1->adjustSize();

    Edit1 = new TNameEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(40, 32, 145, 17);
    Edit1->setFrame(false);
    Edit1->setFont(GameFont(13));
    Edit1->setTextMargins(0, 0, 0, 0);
    Edit1->setStyleSheet(QStringLiteral(
        "QLineEdit { background: #FFFFFF; color: #000000; border: none; padding: 0 1px; }"));
    Edit1->setText(QStringLiteral("New User"));

    dxButton1 = new TdxButton(QStringLiteral("OK"), this);
    dxButton1->setObjectName(QStringLiteral("dxButton1"));
    dxButton1->move(136, 56);
    dxButton1->setDefault(true);
    connect(dxButton1, &QPushButton::clicked, this, [this] { OkClick(); });
}

QString TForm2::Text() const { return Edit1->text(); }

void TForm2::SetText(const QString& text) { Edit1->setText(text); }

void TForm2::OkClick() {
    QPointer<TForm2> self(this);
    const bool close = !OnOk || OnOk(Edit1->text());
    if (self && close) accept();
}

void TForm2::setVisible(bool visible) {
    if (visible && !isVisible()) {
        if (QWidget* owner = parentWidget()) {
            const QRect area = owner->window()->geometry();
            // Client area on client area: the frames do not shift the centre.
            setGeometry(area.x() + (area.width() - width()) / 2,
                        area.y() + (area.height() - height()) / 2, width(), height());
        }
    }
    QDialog::setVisible(visible);
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
