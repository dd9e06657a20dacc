// The name dialog `TForm2` ("Player Name"): the player types his name, "OK"
// hands it on. Its title bar offers only a close button; no cancel path
// otherwise.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QTimer>
#include <functional>

class QLabel;
class TdxButton;

// `Edit1`: no edit of the player's (typing, pasting by key, menu or middle
// button, dropping) makes the name longer than MaxTyped characters or brings
// in a line break, but a
// longer text put in by the program (a long name file) is kept whole, and may
// only be shortened.
class TNameEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int MaxTyped = 20;
    explicit TNameEdit(QWidget* parent = nullptr);
    // Puts in a text from the program, however long.
    void SetProgramText(const QString& text);

private:
    int Ceiling = MaxTyped;  // the longest text an edit may leave
    QString Accepted;        // the text before the edit being checked
    friend class TNameLengthValidator;
};

// Under Wayland Qt draws the title bar into the window's own picture, and
// redraws it when the window becomes active or inactive. On a busy desktop
// that redraw may go into a picture the compositor has already read, and the
// bar keeps its old colours until the whole window is drawn again. Called from
// a window's changeEvent: on a change of activation the bar is marked for
// drawing and the window repainted, which hands the compositor a new picture.
void RedrawQtTitleBar(QWidget& window, const QEvent& event);

class TForm2 : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 215;
    static constexpr int ClientHeight = 84;

    explicit TForm2(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);

    // Called by "OK" with the edit text; false keeps the dialog open.
    std::function<bool(const QString&)> OnOk;

    QLabel* Label1;
    TNameEdit* Edit1;
    TdxButton* dxButton1;

    // Shown centred on the main window, frame on frame once the window
    // manager has told both frames.
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OkClick();
    // Centres the dialog on the main window; true when both frames are known.
    bool Centre();
    QTimer CentreWatch_;
    int CentrePolls_ = 0;
    int StablePolls_ = 0;
    QRect LastOwnerFrame_;
};
