#include "WebProgram.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "Bridge.h"
#include "HighScoreMerge.h"
#include "HighScores.h"
#include "ScreenJson.h"

namespace {

const char* const HighScoreFileName = "S.hs";
const char* const PlayerNameFileName = "Pl.nam";
// A name file is one short line; never read more than this of a damaged one.
constexpr int MaxNameLineBytes = 4096;
constexpr int ErrorCap = 1024;

// The clock RxClock1 is 57 x 65 and refreshes every 450 ms; the star field
// NcaStar1 moves one step every 10 ms, drawn every 30 ms.
constexpr int ClockWidth = 57;
constexpr int ClockHeight = 65;
constexpr int ClockRefreshMs = 450;

// A stored file's first `cap` bytes, or nothing when absent; `error` gets the
// storage's message when it failed.
std::optional<std::vector<uint8_t>> ReadStored(const char* name, int cap, std::string& error) {
    std::vector<uint8_t> data(static_cast<size_t>(cap));
    char message[ErrorCap] = {};
    const int n = agarhold_storage_read(name, data.data(), cap, message, ErrorCap);
    if (n == -2) {
        error = message;
        return std::nullopt;
    }
    if (n < 0) return std::nullopt;
    data.resize(static_cast<size_t>(std::min(n, cap)));
    return data;
}

// Empty when written, else the storage's message (UTF-8).
std::optional<std::string> WriteStored(const char* name, const uint8_t* data, size_t size) {
    char message[ErrorCap] = {};
    if (agarhold_storage_write(name, data, static_cast<int>(size), message, ErrorCap) == 0) return std::nullopt;
    return std::string(message);
}

// The next frame one period after the one just made, or one period from now
// when the frames fell behind (a busy machine, a hidden page).
int64_t Later(int64_t due, int period, int64_t now) {
    return now - due >= period ? now + period : due + period;
}

}  // namespace

TWebProgram::TWebProgram() : Game(Host), Clock(ClockWidth, ClockHeight) {
    Host.Game = &Game;
    Host.OnEvent = [this](const TWebEvent& e) { Handle(e); };
    Host.OnResultsChanged = [this] { SaveResults(); };
    Host.Decorate = [this](int64_t now) { return Decorate(now); };
    Stars.Seed(Host.ClockSeed());
}

void TWebProgram::Main() {
    FormCreate();
    Host.MarkChanged();
    Host.SendScreen();
    agarhold_ready();
    FormShow();
    Host.Run();
    agarhold_stars(nullptr, 0);
    agarhold_exited();
}

void TWebProgram::ShowError(const std::string& utf8) {
    static const std::string caption = "Agarhold";
    Host.MessageBoxUtf8(utf8, caption);
}

void TWebProgram::FormCreate() {
    TScreen& s = Game.Screen;
    s.DIBContainer2.Left = 2;
    s.DIBContainer2.Top = 2;
    SetHighScoreDefaults(Game.HighScores);
    Game.PlayerRating = 1600;
    std::string error;
    const auto stored = ReadStored(HighScoreFileName, HighScoreFileSize, error);
    if (!error.empty()) {
        ShowError(error);
    } else if (stored) {
        if (!DecodeHighScores(stored->data(), stored->size(), Game.HighScores, Game.PlayerRating))
            ShowError("Read beyond end of file");
        StoredRating = Game.PlayerRating;
    } else {
        SaveResults();
    }
    // A damaged file is reported, and start-up still goes on with the
    // labels, so the player bar shows the real rating and the mode link
    // its caption.
    s.URLtransparantLabel7.Caption = std::to_string(Game.PlayerRating);
    s.URLtransparantLabel1.Caption = TGame::GameModeCaption(Game.GameMode);
}

void TWebProgram::FormShow() {
    std::string name = "New User";
    std::string error;
    if (const auto stored = ReadStored(PlayerNameFileName, MaxNameLineBytes, error); stored && !stored->empty()) {
        std::string line(stored->begin(), stored->end());
        line = line.substr(0, line.find('\n'));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        name = line;
    }
    // OK writes the name when it is not empty; when that fails the player
    // is told and the dialog stays open.
    while (!Host.Terminated()) {
        name = Host.NameDialog(name);
        if (Host.Terminated() || SavePlayerName(name)) break;
    }
    Game.Screen.URLtransparantLabel5.Caption = name;
    Host.MarkChanged();
}

bool TWebProgram::SavePlayerName(const std::string& name) {
    if (name.empty()) return true;
    const std::string line = name + "\r\n";
    if (!WriteStored(PlayerNameFileName, reinterpret_cast<const uint8_t*>(line.data()), line.size())) return true;
    ShowError(std::string("Cannot create file ") + PlayerNameFileName);
    return false;
}

// After a result the save runs at once; when it fails the player is told
// and play goes on: the result stays in memory and the next save writes it.
// Another tab's results are brought in first, so its write is never undone.
bool TWebProgram::SaveResults() {
    BringInStoredResults();
    const auto record = EncodeHighScores(Game.HighScores, Game.PlayerRating);
    if (const auto error = WriteStored(HighScoreFileName, record.data(), record.size())) {
        ShowError(*error);
        return false;
    }
    StoredRating = Game.PlayerRating;
    FailedLeavingSaves = 0;
    return true;
}

// The stored tables may hold results another tab of the game wrote since this
// one last read or wrote them: they join this tab's tables, and the other
// tab's change of the rating is added to this one's. A stored file that is
// absent, unreadable or short is left to the next save.
void TWebProgram::BringInStoredResults() {
    std::string error;
    const auto stored = ReadStored(HighScoreFileName, HighScoreFileSize, error);
    if (!stored) return;
    THighScores theirs = Game.HighScores;
    int32_t rating = 0;
    if (!DecodeHighScores(stored->data(), stored->size(), theirs, rating)) return;
    bool changed = MergeHighScores(Game.HighScores, theirs);
    if (rating != StoredRating) {
        Game.PlayerRating = MergeRating(Game.PlayerRating, StoredRating, rating);
        StoredRating = rating;
        changed = true;
    }
    if (!changed) return;
    // The player bar shows the rating while the title screen does; a game
    // in progress refreshes it when it ends.
    if (Game.Screen.DIBContainer2.Visible)
        Game.Screen.URLtransparantLabel7.Caption = std::to_string(Game.PlayerRating);
    Host.MarkChanged();
}

// The save on leaving: told twice in a row, the player may go all the same.
bool TWebProgram::SaveOnLeaving() {
    if (SaveResults()) return true;
    return ++FailedLeavingSaves >= 2;
}

void TWebProgram::ExitGame() {
    if (!SaveOnLeaving()) return;
    Host.Terminate();
    Game.DIBTimer1.SetEnabled(false);
    Game.DIBTimer2.SetEnabled(false);
    Game.TimerTaller.SetEnabled(false);
    Game.AItimer.SetEnabled(false);
}

void TWebProgram::OpenStatistics() {
    TPanelModel& panel = Game.Screen.dxContainer3;
    panel.Left = 0;
    panel.Top = 8;
    panel.Visible = true;
}

void TWebProgram::Handle(const TWebEvent& e) {
    TScreen& s = Game.Screen;
    switch (e.Kind) {
        case TWebEventKind::Click: Click(e.Text); break;
        case TWebEventKind::Combo:
            if (e.Text == "ComboBox1") s.ComboBox1.ItemIndex = e.N[0];
            else if (e.Text == "ComboBox2") s.ComboBox2.ItemIndex = e.N[0];
            break;
        case TWebEventKind::Speed:
            // Whole steps of 25 ms, as the slider snaps.
            Game.RxSlider1Change(std::clamp((e.N[0] + 12) / 25 * 25, 25, 500));
            break;
        case TWebEventKind::DragStart:
            if (e.N[0] >= 1 && e.N[0] <= 6) Game.Bac1_1StartDrag(e.N[0]);
            break;
        case TWebEventKind::DragOver: Game.DIBMagnifier1DragOver(true, true, e.N[0], e.N[1]); break;
        case TWebEventKind::DragEnd:
            if (e.N[0] >= 1 && e.N[0] <= 6) Game.Bac1_1EndDrag(e.N[0], e.N[1] != 0, e.N[2], e.N[3]);
            break;
        case TWebEventKind::MouseMove:
            if (e.N[0] >= 0 && e.N[0] < MagnifierWidth && e.N[1] >= 0 && e.N[1] < MagnifierHeight)
                Game.DIBMagnifier1MouseMove(e.N[0], e.N[1]);
            break;
        case TWebEventKind::PageHide: SaveResults(); break;
        case TWebEventKind::ScoresChanged: BringInStoredResults(); break;
        default: break;
    }
}

void TWebProgram::Click(const std::string& name) {
    if (name == "DIBImage2") Game.DIBImage2MouseUp();
    else if (name == "DIBImage9") OpenStatistics();
    else if (name == "dxButton2") Game.Screen.dxContainer3.Visible = false;
    else if (name == "URLtransparantLabel1") Game.URLtransparantLabel1Click();
    else if (name == "URLtransparantLabel2") Game.URLtransparantLabel2Click();
    else if (name == "URLtransparantLabel3") ExitGame();
    else if (name == "dxButton1") Game.dxButton1Click();
    else if (name == "DIBImage6") Game.DIBImage6Click();
    else if (name == "DIBImage7") Game.DIBImage7Click();
}

// The star field runs while the title screen shows; the clock, which the
// title screen covers wholly, while it does not.
int64_t TWebProgram::Decorate(int64_t now) {
    const bool title = Game.Screen.DIBContainer2.Visible;
    int64_t next = -1;
    if (title) {
        if (!StarsRunning) {
            StarsRunning = true;
            Pacer.Restart();
            NextStarFrame = now;
        }
        if (now >= NextStarFrame) {
            for (int i = Pacer.StepsAt(now); i > 0; --i) Stars.Step();
            float streaks[TStarMotion::MaxStars * TStarMotion::StreakFloats];
            const size_t n = Stars.WriteStreaks(streaks, std::size(streaks));
            agarhold_stars(streaks, static_cast<int>(n));
            NextStarFrame = Later(NextStarFrame, TStarPacer::FrameIntervalMs, now);
        }
        next = NextStarFrame;
    } else {
        StarsRunning = false;
        if (now >= NextClockFrame) {
            const double days = Host.Now();
            const auto ms = static_cast<int64_t>(std::floor((days - std::floor(days)) * 86400000.0 + 0.5));
            const int secs = static_cast<int>((ms / 1000) % 86400);
            float hands[3 * TClockFace::SegmentFloats];
            const size_t n = Clock.WriteHands(secs / 3600, secs / 60 % 60, secs % 60, hands, std::size(hands));
            agarhold_clock(hands, static_cast<int>(n));
            NextClockFrame = Later(NextClockFrame, ClockRefreshMs, now);
        }
        next = NextClockFrame;
    }
    return next;
}
