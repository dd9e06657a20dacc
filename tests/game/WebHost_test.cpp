// The browser's host and program natively, against a page of the test's own:
// it keeps a millisecond clock that moves only when the module sleeps, a
// queue of events that arrive at set times, the storage and the dialogs, and
// records what the module sent. The module runs exactly as in the browser,
// except that a sleep returns at once with the clock moved on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "../../web/host/Bridge.h"
#include "../../web/host/WebProgram.h"
#include "HighScores.h"

namespace {

struct TPageEvent {
    int Kind = 0;
    int N[4] = {0, 0, 0, 0};
    std::string Text;
};

TPageEvent Click(const std::string& name) { return {1, {0, 0, 0, 0}, name}; }
TPageEvent DialogOk(const std::string& text) { return {8, {1, 0, 0, 0}, text}; }
TPageEvent PageHide() { return {9, {0, 0, 0, 0}, ""}; }

struct TFakePage {
    double Clock = 0;
    std::multimap<double, TPageEvent> Later;  // events that arrive at a time
    std::deque<TPageEvent> Queue;
    std::vector<double> Sleeps;               // what each sleep asked for
    std::vector<std::string> Syncs;
    int Boards = 0, Stars = 0, Clocks = 0;
    std::vector<std::string> Boxes;           // "caption: text"
    std::vector<std::string> NameDialogs;
    std::map<std::string, std::string> Storage;
    std::string ReadError, WriteError;
    std::vector<std::string> Writes;          // names, in order
    bool Ready = false, Exited = false;
    // Called when a dialog opens: a test answers it here.
    std::function<void()> OnDialog;
    double Limit = 3600e3;                    // a run that never ends fails here

    void At(double t, TPageEvent e) { Later.emplace(t, std::move(e)); }
    void Answer(TPageEvent e, double after = 100) { At(Clock + after, std::move(e)); }
    std::string Label(const std::string& name) const {
        const std::string& j = Syncs.back();
        const std::string key = "\"" + name + "\":{\"caption\":";
        const size_t p = j.find(key);
        if (p == std::string::npos) return "?";
        const size_t q = p + key.size() + 1;
        return j.substr(q, j.find('"', q) - q);
    }
};

TFakePage* Page = nullptr;

void Put(const std::string& s, char* out, int cap) {
    const size_t n = std::min(s.size(), static_cast<size_t>(cap - 1));
    std::memcpy(out, s.data(), n);
    out[n] = 0;
}

}  // namespace

extern "C" {
double agarhold_now_ms() { return Page->Clock; }
double agarhold_local_days() { return 46000.5 + Page->Clock / 86400e3; }
void agarhold_wait(double ms) {
    TFakePage& p = *Page;
    p.Sleeps.push_back(ms);
    if (!p.Queue.empty()) return;
    double until = ms < 0 ? p.Limit : std::min(p.Clock + ms, p.Limit);
    if (!p.Later.empty()) until = std::min(until, p.Later.begin()->first);
    if (until >= p.Limit) throw std::runtime_error("the module sleeps with nothing left to happen");
    p.Clock = std::max(p.Clock, until);
    while (!p.Later.empty() && p.Later.begin()->first <= p.Clock) {
        p.Queue.push_back(p.Later.begin()->second);
        p.Later.erase(p.Later.begin());
    }
}
int agarhold_next_event(int32_t* numbers, char* text, int cap, int32_t* length) {
    if (Page->Queue.empty()) return 0;
    const TPageEvent e = Page->Queue.front();
    Page->Queue.pop_front();
    std::copy(e.N, e.N + 4, numbers);
    Put(e.Text, text, cap);
    *length = static_cast<int32_t>(std::strlen(text));
    return e.Kind;
}
void agarhold_sync(const char* json, int length) { Page->Syncs.emplace_back(json, static_cast<size_t>(length)); }
void agarhold_board(const uint8_t*, int length) {
    EXPECT_EQ(length, 102 * 103 * 4);
    ++Page->Boards;
}
void agarhold_stars(const float*, int count) {
    if (count > 0) ++Page->Stars;
}
void agarhold_clock(const float*, int count) {
    EXPECT_EQ(count, 15);
    ++Page->Clocks;
}
void agarhold_message_box(const char* text, int textLength, const char* caption, int captionLength) {
    Page->Boxes.push_back(std::string(caption, static_cast<size_t>(captionLength)) + ": " +
                          std::string(text, static_cast<size_t>(textLength)));
    if (Page->OnDialog) Page->OnDialog();
}
void agarhold_input_box(const char*, int, const char*, int, const char*, int) {
    if (Page->OnDialog) Page->OnDialog();
}
void agarhold_name_dialog(const char* text, int length) {
    Page->NameDialogs.emplace_back(text, static_cast<size_t>(length));
    if (Page->OnDialog) Page->OnDialog();
}
void agarhold_play_sound(int, int) {}
int agarhold_storage_read(const char* name, uint8_t* data, int cap, char* error, int errorCap) {
    if (!Page->ReadError.empty()) {
        Put(Page->ReadError, error, errorCap);
        return -2;
    }
    const auto it = Page->Storage.find(name);
    if (it == Page->Storage.end()) return -1;
    std::memcpy(data, it->second.data(), std::min(it->second.size(), static_cast<size_t>(cap)));
    return static_cast<int>(it->second.size());
}
int agarhold_storage_write(const char* name, const uint8_t* data, int length, char* error, int errorCap) {
    Page->Writes.emplace_back(name);
    if (!Page->WriteError.empty()) {
        Put(Page->WriteError, error, errorCap);
        return -2;
    }
    Page->Storage[name] = std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
    return 0;
}
void agarhold_ready() { Page->Ready = true; }
void agarhold_exited() { Page->Exited = true; }
}

namespace {

struct WebProgramFixture : ::testing::Test {
    TFakePage P;
    WebProgramFixture() { Page = &P; }
    ~WebProgramFixture() override { Page = nullptr; }

    std::string Defaults() {
        THighScores scores;
        SetHighScoreDefaults(scores);
        const auto bytes = EncodeHighScores(scores, 1600);
        return std::string(bytes.begin(), bytes.end());
    }
};

}  // namespace

// A first visit: the defaults are stored at once, the name dialog offers
// "New User", OK stores the name as 8-bit text with CR LF, and "EXIT GAME"
// saves, ends the run and tells the page.
TEST_F(WebProgramFixture, AFirstVisitStoresTheDefaultsAndTheNameAndExitGameEnds) {
    P.OnDialog = [this] {
        EXPECT_TRUE(P.Ready);  // start-up was done before the dialog
        P.Answer(DialogOk("Zo\xC3\xAB \xE2\x82\xAC"));
    };
    P.At(5000, Click("URLtransparantLabel3"));
    auto program = std::make_unique<TWebProgram>();
    program->Main();
    EXPECT_TRUE(P.Exited);
    EXPECT_EQ(P.NameDialogs, std::vector<std::string>{"New User"});
    EXPECT_EQ(P.Storage["S.hs"], Defaults());
    EXPECT_EQ(P.Storage["Pl.nam"], "Zo\xEB ?\r\n");
    EXPECT_EQ(P.Writes, (std::vector<std::string>{"S.hs", "Pl.nam", "S.hs"}));
    EXPECT_EQ(P.Label("URLtransparantLabel5"), "Zo\xC3\xAB ?");
    EXPECT_EQ(P.Label("URLtransparantLabel7"), "1600");
    EXPECT_TRUE(P.Boxes.empty());
    // The title screen's stars moved about every 30 ms; the covered clock never.
    EXPECT_GT(P.Stars, 100);
    EXPECT_EQ(P.Clocks, 0);
    EXPECT_EQ(P.Clock, 5000);
    // Asleep between the frames, not spinning.
    EXPECT_LT(P.Sleeps.size(), 250u);
    for (double ms : P.Sleeps) EXPECT_TRUE(ms >= 0 && ms <= 30) << ms;
}

// A stored file cut short is read as far as it goes and reported with the
// runtime's words; the name file's first line is offered. While the name
// dialog is open the window takes no clicks, but the tab closing saves.
TEST_F(WebProgramFixture, AShortHighscoreFileIsReportedAndTheDialogKeepsThePointer) {
    THighScores scores;
    SetHighScoreDefaults(scores);
    scores[1][1].SetName("Ann");
    scores[1][1].Score = 42;
    const auto whole = EncodeHighScores(scores, 1750);
    P.Storage["S.hs"] = std::string(whole.begin(), whole.begin() + 2000);
    P.Storage["Pl.nam"] = "Ann\r\nsecond line\r\n";
    int dialogs = 0;
    P.OnDialog = [&] {
        if (++dialogs == 1) {
            P.Answer(DialogOk(""));
            return;
        }
        P.Answer(Click("URLtransparantLabel2"), 50);
        P.Answer(PageHide(), 60);
        P.Answer(DialogOk("Ann"), 100);
    };
    P.At(3000, Click("URLtransparantLabel2"));
    P.At(4000, Click("URLtransparantLabel3"));
    auto program = std::make_unique<TWebProgram>();
    program->Main();
    EXPECT_EQ(P.Boxes, std::vector<std::string>{"Agarhold: Read beyond end of file"});
    EXPECT_EQ(P.NameDialogs, std::vector<std::string>{"Ann"});
    EXPECT_EQ(P.Label("URLtransparantLabel7"), "1600");
    EXPECT_EQ(P.Label("URLtransparantLabel2"), "Set Rating : AI Rating = 1900");
    EXPECT_NE(P.Syncs.back().find("{\"name\":\"Ann\",\"score\":42,"), std::string::npos);
    EXPECT_EQ(P.Writes, (std::vector<std::string>{"S.hs", "Pl.nam", "S.hs"}));
    EXPECT_EQ(P.Storage["S.hs"].size(), 2808u);
    EXPECT_EQ(P.Storage["S.hs"].substr(0, 2000), std::string(whole.begin(), whole.begin() + 2000));
    EXPECT_TRUE(P.Exited);
}

// Storage that refuses to write: the player is told each time and plays on;
// the name dialog stays open until a name is stored or left empty, and
// "EXIT GAME" lets the player go when the save fails a second time.
TEST_F(WebProgramFixture, StorageThatCannotWriteIsReportedAndNeverHoldsThePlayer) {
    P.WriteError = "The quota has been exceeded.";
    // The box at start-up, the name dialog, the box about the name file, the
    // name dialog again (left empty), the two boxes of "EXIT GAME".
    std::deque<std::string> answers{"", "Bo", "", "", "", ""};
    P.OnDialog = [&] {
        ASSERT_FALSE(answers.empty());
        P.Answer(DialogOk(answers.front()));
        answers.pop_front();
    };
    P.At(3000, Click("URLtransparantLabel3"));
    P.At(4000, Click("URLtransparantLabel3"));
    auto program = std::make_unique<TWebProgram>();
    program->Main();
    EXPECT_EQ(P.Boxes, (std::vector<std::string>{
                           "Agarhold: The quota has been exceeded.", "Agarhold: Cannot create file Pl.nam",
                           "Agarhold: The quota has been exceeded.", "Agarhold: The quota has been exceeded."}));
    EXPECT_EQ(P.NameDialogs, (std::vector<std::string>{"New User", "Bo"}));
    EXPECT_EQ(P.Writes, (std::vector<std::string>{"S.hs", "Pl.nam", "S.hs", "S.hs"}));
    EXPECT_EQ(P.Label("URLtransparantLabel5"), "");
    EXPECT_TRUE(P.Storage.empty());
    EXPECT_TRUE(P.Exited);
    EXPECT_EQ(P.Clock, 4100);
}

// A match through the host: the chooser's poll and the countdown wait inside
// the start image's handler while the page's clicks arrive; then the step
// ticks send the board, the clock shows instead of the stars, and "EXIT GAME"
// ends every wait.
TEST_F(WebProgramFixture, AMatchRunsWithNestedWaitsAndEndsWithTheProgram) {
    P.OnDialog = [&] { P.Answer(DialogOk("Player")); };
    P.At(1000, Click("DIBImage2"));
    P.At(2000, TPageEvent{2, {3, 0, 0, 0}, "ComboBox1"});
    P.At(2000, Click("dxButton1"));
    int starsBefore = -1;
    P.At(20000, Click("URLtransparantLabel3"));
    auto program = std::make_unique<TWebProgram>();
    TWebProgram& w = *program;
    std::string midMatch;
    P.At(19000, Click("DIBImage9"));  // not on the screen during a match: harmless
    w.Host.Decorate = [&, inner = w.Host.Decorate](int64_t now) {
        if (now >= 1500 && starsBefore < 0) starsBefore = P.Stars;
        if (now >= 18000 && midMatch.empty()) midMatch = P.Syncs.back();
        return inner(now);
    };
    program->Main();
    EXPECT_TRUE(P.Exited);
    EXPECT_EQ(P.Clock, 20000);
    EXPECT_EQ(P.Stars, starsBefore);
    EXPECT_GT(P.Clocks, 30);
    // The cells change at a generation's close, every fifth step tick: about
    // 4 boards a second over 14 s of play.
    EXPECT_GT(P.Boards, 40);
    EXPECT_EQ(w.Game.GlobalInjection[1][1], 4);
    EXPECT_NE(midMatch.find("\"LBL_Action\":{\"caption\":\"RED : "), std::string::npos);
    EXPECT_NE(midMatch.find("\"DIBContainer2\":{\"visible\":false"), std::string::npos);
    EXPECT_FALSE(w.Game.DIBTimer1.Enabled());
}
