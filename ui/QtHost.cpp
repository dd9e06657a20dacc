#include "QtHost.h"

#include <QDateTime>
#include <QEventLoop>
#include <QInputDialog>
#include <QMessageBox>
#include <chrono>

TQtHost::TQtHost(QObject* parent) : QObject(parent) {
    Clock_.start();
    Scheduler_.Clock = [this] { return Clock_.elapsed(); };
    Scheduler_.OnChange = [this] {
        Arm();
        // A wait sleeps until the next due tick it knew of: wake it to look again.
        if (CurrentWait_) CurrentWait_->quit();
    };
    Timer_.setSingleShot(true);
    Timer_.setTimerType(Qt::PreciseTimer);
    // The handlers run straight from the timer's activation, with no queued
    // call in between (one wake-up a tick, not two). A handler may wait: the
    // timer is single-shot, so it is already stopped, and the new start made
    // when the next due time is known fires in the wait's own event loop.
    connect(&Timer_, &QTimer::timeout, this, [this] { DispatchDue(); });
}

TQtHost::~TQtHost() { Scheduler_.OnChange = nullptr; }

void TQtHost::Arm() {
    if (Terminated_) {
        Timer_.stop();
        return;
    }
    const int64_t due = Scheduler_.NextDue();
    if (due < 0) {
        Timer_.stop();
        return;
    }
    const int64_t wait = std::max<int64_t>(0, due - Clock_.elapsed());
    Timer_.start(static_cast<int>(std::min<int64_t>(wait, 1 << 30)));
}

void TQtHost::DispatchDue() {
    // At most a few ticks per call, so a slow machine cannot starve the mouse.
    for (int i = 0; i < 8 && !Terminated_; ++i) {
        if (!Scheduler_.FireOneDue(Clock_.elapsed())) break;
        if (AfterEvent && !Terminated_) AfterEvent();
    }
    Arm();
}

void TQtHost::WaitMs(int ms) {
    if (Terminated_) return;
    if (AfterEvent) AfterEvent();
    const int64_t end = Clock_.elapsed() + std::max(0, ms);
    while (!Terminated_) {
        const int64_t now = Clock_.elapsed();
        if (now >= end) break;
        // Fire what is due right here: the timer that called us, if any, may be
        // unable to fire the others while we wait inside it.
        if (Scheduler_.FireOneDue(now)) {
            if (AfterEvent && !Terminated_) AfterEvent();
            continue;
        }
        int64_t next = end;
        const int64_t due = Scheduler_.NextDue();
        if (due >= 0 && due < next) next = due;
        QEventLoop loop;
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
        wake.start(static_cast<int>(std::max<int64_t>(0, next - now)));
        QEventLoop* outer = CurrentWait_;
        CurrentWait_ = &loop;
        loop.exec();
        CurrentWait_ = outer;
    }
}

double TQtHost::ToDays(const QDateTime& local) {
    static const QDate epoch(1899, 12, 30);
    const qint64 days = epoch.daysTo(local.date());
    const double frac = local.time().msecsSinceStartOfDay() / 86400000.0;
    return static_cast<double>(days) + frac;
}

double TQtHost::Now() { return ToDays(QDateTime::currentDateTime()); }

uint64_t TQtHost::ClockSeed() {
    return static_cast<uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

void TQtHost::MessageBox(const std::string& text, const std::string& caption) {
    if (Terminated_) return;
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(caption.c_str()),
                    QString::fromLatin1(text.c_str()), QMessageBox::Ok, DialogParent.data());
    box.exec();
    if (AfterEvent && !Terminated_) AfterEvent();
}

bool TQtHost::InputBox(const std::string& caption, const std::string& prompt,
                       std::string& value) {
    if (Terminated_) return false;
    bool ok = false;
    const QString text = QInputDialog::getText(DialogParent.data(), QString::fromLatin1(caption.c_str()),
                                               QString::fromLatin1(prompt.c_str()), QLineEdit::Normal,
                                               QString::fromLatin1(value.c_str()), &ok);
    if (ok) value = text.toLatin1().toStdString();
    if (AfterEvent && !Terminated_) AfterEvent();
    return ok;
}

void TQtHost::PlaySound(TWaveList list, int index) {
    if (Sound && !Terminated_) Sound(list, index);
}

void TQtHost::ResultsChanged() {
    if (OnResultsChanged) OnResultsChanged();
}

void TQtHost::Terminate() {
    Terminated_ = true;
    Timer_.stop();
    if (CurrentWait_) CurrentWait_->quit();
}
