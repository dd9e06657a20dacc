// The window's host: the game timers run on the one scheduler, advanced by the
// wall clock (one QTimer armed for the next due tick); waits run a QEventLoop
// that sleeps until the next due tick or the end of the wait, so the window
// stays alive without spinning a core.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "Host.h"

class QEventLoop;

class TQtHost : public QObject, public THost {
    Q_OBJECT
public:
    explicit TQtHost(QObject* parent = nullptr);
    ~TQtHost() override;

    TTimerScheduler& Scheduler() override { return Scheduler_; }
    void WaitMs(int ms) override;
    int64_t TickCount() override { return Clock_.elapsed(); }
    double Now() override;
    uint64_t ClockSeed() override;
    void MessageBox(const std::string& text, const std::string& caption) override;
    bool InputBox(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
    void PlaySound(TWaveList list, int index) override;
    bool Terminated() override { return Terminated_; }
    void ResultsChanged() override;

    // The program is ending: every wait returns at once, no timer fires again.
    void Terminate();

    // Called after every game event the host dispatches (the window copies the
    // screen model onto its widgets here) and before every wait.
    std::function<void()> AfterEvent;
    std::function<void(TWaveList, int)> Sound;
    std::function<void()> OnResultsChanged;
    QPointer<QWidget> DialogParent;

    // Local date and time as days since 1899-12-30 (fraction = time of day).
    static double ToDays(const class QDateTime& local);

private:
    void Arm();
    void DispatchDue();

    TTimerScheduler Scheduler_;
    QElapsedTimer Clock_;
    QTimer Timer_;
    QEventLoop* CurrentWait_ = nullptr;
    bool Terminated_ = false;
};
