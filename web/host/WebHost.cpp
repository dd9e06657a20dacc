#include "WebHost.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Bridge.h"
#include "ScreenJson.h"

namespace {

int64_t ClockNow() { return static_cast<int64_t>(std::floor(agarhold_now_ms())); }

void SendText(void (*send)(const char*, int), const std::string& utf8) {
    send(utf8.data(), static_cast<int>(utf8.size()));
}

bool NextEvent(TWebEvent& e) {
    static char text[8192];
    int32_t numbers[4] = {0, 0, 0, 0};
    int32_t length = 0;
    const int kind = agarhold_next_event(numbers, text, sizeof text, &length);
    if (kind == 0) return false;
    e.Kind = static_cast<TWebEventKind>(kind);
    std::copy(numbers, numbers + 4, e.N);
    e.Text.assign(text, static_cast<size_t>(std::max(0, length)));
    return true;
}

}  // namespace

TWebHost::TWebHost() {
    Scheduler_.Clock = [] { return ClockNow(); };
}

int64_t TWebHost::TickCount() { return ClockNow(); }

double TWebHost::Now() { return agarhold_local_days(); }

uint64_t TWebHost::ClockSeed() {
    // Microseconds of the page's clock mixed with the local time of day.
    const auto micro = static_cast<uint64_t>(agarhold_now_ms() * 1000.0);
    const auto local = static_cast<uint64_t>(std::fmod(agarhold_local_days(), 1.0) * 86400000.0);
    return micro * 0x9E3779B97F4A7C15ull ^ local;
}

void TWebHost::WaitMs(int ms) {
    if (Terminated_) return;
    Pump(ClockNow() + std::max(0, ms), nullptr);
}

void TWebHost::Run() { Pump(-1, nullptr); }

void TWebHost::Pump(int64_t end, const std::function<bool()>& done) {
    // Whatever ran before this wait may have changed the model.
    Changed_ = true;
    while (!Terminated_) {
        // Everything the page queued, in order.
        TWebEvent e;
        bool handled = false;
        while (!Terminated_ && NextEvent(e)) {
            handled = true;
            if (Dispatch(e)) Changed_ = true;
            if (done && done()) break;
        }
        if (Terminated_ || (done && done())) break;
        const int64_t now = ClockNow();
        if (end >= 0 && now >= end) break;
        // One due tick, then look at the queue again, so a slow machine
        // cannot starve the pointer.
        if (Scheduler_.FireOneDue(now)) {
            Changed_ = true;
            SendScreen();
            continue;
        }
        if (handled) continue;
        int64_t next = end;
        const auto earliest = [&next](int64_t t) {
            if (t >= 0 && (next < 0 || t < next)) next = t;
        };
        earliest(Scheduler_.NextDue());
        if (Decorate) earliest(Decorate(now));
        SendScreen();
        if (Terminated_) break;
        const int64_t later = ClockNow();
        if (next >= 0 && next <= later) continue;
        agarhold_wait(next < 0 ? -1.0 : static_cast<double>(next - later));
    }
    if (!Terminated_) SendScreen();
}

bool TWebHost::Dispatch(const TWebEvent& e) {
    if (e.Kind == TWebEventKind::Dialog) {
        if (Dialogs_.empty()) return false;
        TOpenDialog* d = Dialogs_.back();
        d->Answered = true;
        d->Answer = e;
        return true;
    }
    // A modal dialog keeps the pointer from the window, as on the desktop;
    // the tab closing is heard all the same.
    if (!Dialogs_.empty() && e.Kind != TWebEventKind::PageHide) return false;
    if (OnEvent) OnEvent(e);
    return true;
}

bool TWebHost::AwaitDialog(TWebEvent& answer) {
    TOpenDialog dialog;
    Dialogs_.push_back(&dialog);
    Changed_ = true;
    Pump(-1, [&dialog] { return dialog.Answered; });
    Dialogs_.erase(std::find(Dialogs_.begin(), Dialogs_.end(), &dialog));
    Changed_ = true;
    if (!dialog.Answered) return false;
    answer = dialog.Answer;
    return true;
}

void TWebHost::MessageBox(const std::string& text, const std::string& caption) {
    MessageBoxUtf8(Latin1ToUtf8(text), Latin1ToUtf8(caption));
}

void TWebHost::MessageBoxUtf8(const std::string& t, const std::string& c) {
    if (Terminated_) return;
    SendScreen();
    agarhold_message_box(t.data(), static_cast<int>(t.size()), c.data(), static_cast<int>(c.size()));
    TWebEvent answer;
    AwaitDialog(answer);
}

bool TWebHost::InputBox(const std::string& caption, const std::string& prompt, std::string& value) {
    if (Terminated_) return false;
    SendScreen();
    const std::string c = Latin1ToUtf8(caption);
    const std::string p = Latin1ToUtf8(prompt);
    const std::string v = Latin1ToUtf8(value);
    agarhold_input_box(c.data(), static_cast<int>(c.size()), p.data(), static_cast<int>(p.size()), v.data(),
                       static_cast<int>(v.size()));
    TWebEvent answer;
    if (!AwaitDialog(answer) || answer.N[0] == 0) return false;
    value = Utf8ToLatin1(answer.Text);
    return true;
}

std::string TWebHost::NameDialog(const std::string& text) {
    SendScreen();
    const std::string t = Latin1ToUtf8(text);
    agarhold_name_dialog(t.data(), static_cast<int>(t.size()));
    TWebEvent answer;
    if (!AwaitDialog(answer)) return text;
    return Utf8ToLatin1(answer.Text);
}

void TWebHost::PlaySound(TWaveList list, int index) {
    if (!Terminated_) agarhold_play_sound(static_cast<int>(list), index);
}

void TWebHost::ResultsChanged() {
    if (OnResultsChanged) OnResultsChanged();
}

void TWebHost::SendScreen() {
    if (!Game) return;
    if (Changed_) {
        Changed_ = false;
        std::string json = ScreenJson(*Game);
        if (json != LastJson_) {
            LastJson_ = std::move(json);
            SendText(agarhold_sync, LastJson_);
        }
    }
    const bool tint = Game->Screen.DIBImage8.Visible;
    if (Game->Screen.DIBImage1RefreshCount == LastRefresh_ && tint == LastTint_ && BoardSent_) return;
    LastRefresh_ = Game->Screen.DIBImage1RefreshCount;
    LastTint_ = tint;
    MagnifiedCellColours(Game->Grid, tint, Cells_);
    if (BoardSent_ && Cells_ == SentCells_) return;
    SentCells_ = Cells_;
    BoardSent_ = true;
    Rgba_.resize(Cells_.size() * 4);
    for (size_t i = 0; i < Cells_.size(); ++i) {
        const TArgb c = Cells_[i];
        Rgba_[4 * i] = static_cast<uint8_t>(ArgbRed(c));
        Rgba_[4 * i + 1] = static_cast<uint8_t>(ArgbGreen(c));
        Rgba_[4 * i + 2] = static_cast<uint8_t>(ArgbBlue(c));
        Rgba_[4 * i + 3] = 255;
    }
    agarhold_board(Rgba_.data(), static_cast<int>(Rgba_.size()));
}
