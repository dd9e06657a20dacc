// All state of a running game and the rules that change it.
//
// One record holds everything: the culture grid and its staging buffer, the
// census, both sides' arsenals, the match values, the settings, the highscore
// tables, the screen model, the four game timers and the one random
// generator. There are no mutable globals, so a test can build as many fresh
// games as it likes. Arrays indexed by side, tube, slot or spot are 1-based
// as the rules speak of them; slot 0 is unused.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "HighScores.h"
#include "Host.h"
#include "Random.h"
#include "Screen.h"
#include "Timer.h"

// Owner codes of a cell.
constexpr uint8_t Empty = 0;
constexpr uint8_t Blue = 1;      // the human, home line on the right
constexpr uint8_t Red = 2;       // the computer, home line on the left
constexpr uint8_t GraySpot = 255;

constexpr int VitalityBase = 7;
constexpr int BoardWidth = 100;
constexpr int BoardHeight = 100;
constexpr int GridSize = 102;  // playfield 1..100 inside an empty border ring

struct TCell {
    uint8_t Owner = 0;
    uint8_t Strength = 0;
    uint8_t Vitality = 0;
};

// 102 x 102 cells indexed (x, y): x the column from the left, y the row from the top.
struct TGrid {
    std::array<TCell, GridSize * GridSize> Cells{};
    TCell& operator()(int x, int y) { return Cells[static_cast<size_t>(y * GridSize + x)]; }
    const TCell& operator()(int x, int y) const {
        return Cells[static_cast<size_t>(y * GridSize + x)];
    }
};

struct TTube {
    uint8_t Size = 0;    // 0 (nothing formed) .. 10
    int32_t Growth = 0;  // growth points still needed for the next size
};

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
};

// The five global-injection kinds in chooser order; kind = index + 1.
extern const char* const GlobalInjectionNames[5];

// The text strictly between the first `open` and the first `close` of `s`
// (both searched from the start); empty when either is missing or when close
// does not come at least two places after open.
std::string TextBetween(const std::string& s, char open, char close);

class TGame {
public:
    explicit TGame(THost& host);
    TGame(const TGame&) = delete;
    TGame& operator=(const TGame&) = delete;

    THost& Host;

    // ---- Culture grid and census -------------------------------------------------
    TGrid Grid;
    TGrid NextGrid;  // staged Owner and Strength; 0 = nothing staged
    int32_t BandStart = 101;
    std::array<int32_t, 5> CellCount{};  // [1] Blue, [2] Red
    std::array<int32_t, 5> SpotBonus{};

    // ---- Side arsenal (sides 1..4; only 1 and 2 play) ---------------------------
    std::array<std::array<TTube, 6>, 5> Tube{};               // Tube[p][1..5]
    std::array<uint8_t, 5> SuperSize{0, 12, 12, 0, 0};
    std::array<int32_t, 5> SuperCharge{};
    std::array<std::array<uint8_t, 3>, 5> GlobalInjection{};  // [p][1..2], kind 1..5
    std::array<int32_t, 5> Energy{};

    // Drag state.
    uint8_t DragPlayer = 1;
    int32_t DropZoneLeft = 300;
    int32_t DropZoneRight = 400;
    std::array<bool, 5> DropAccepted{};
    int DraggedTag = 0;  // tag of the human icon being dragged, 0 when none

    // ---- Match values -----------------------------------------------------------
    uint8_t SeriesCounter = 0;
    uint8_t AdvantageSide = 0;
    std::array<TPoint, 4> SpotPos{};  // [1..3], centres before the advantage shift
    bool InjectionChoiceDone = false;
    int32_t MatchTime = 0;
    int32_t HumanWinTime = 0;
    int32_t ComputerWinTime = 0;
    int32_t DragPulse = 0;
    bool AIActive = true;
    bool AIOpeningPending = true;
    uint32_t MatchNumber = 0;  // counts the games set up; an end sequence knows its own

    // ---- Settings and results ---------------------------------------------------
    int32_t GameMode = 2;
    int32_t AIRating = 1600;
    int32_t PlayerRating = 1600;
    THighScores HighScores;

    // ---- Screen, timers, randomness --------------------------------------------
    TScreen Screen;
    TRandom Rng;
    TTimer DIBTimer1;    // growth-and-battle step, interval = game speed
    TTimer DIBTimer2;    // reaction tubes and match time
    TTimer TimerTaller;  // match clock, 25 ms, runs from start-up
    TTimer AItimer;      // computer player

    // Timers whose ticks nobody could tell from none may rest (see
    // TTimer::Rest): the match clock before the first match, where it only
    // counts the drag pulse on the empty board, and the computer's timer on
    // the title screen after a match once it has nothing left to do on the
    // frozen board. Everything a player sees or hears, every result and every
    // saved file stay as with the timers running; tests switch it off to
    // compare whole runs both ways.
    bool TimersMayRest = true;

    int32_t Random(int32_t n) { return Rng.Below(n); }
    void Randomize() { Rng.Seed(Host.ClockSeed()); }
    void WaitMs(int ms) { Host.WaitMs(ms); }

    // ---- Culture simulation -----------------------------------------------------
    void ClearGrid();
    void ClearNextGrid();
    void DIBTimer1Timer();
    void StepBand();
    void ApplyGeneration();
    void CloseGeneration();  // steps 5a..5i of the tick

    // ---- Arsenal ----------------------------------------------------------------
    void Inject(int32_t radius, int32_t owner, int32_t x, int32_t y, int32_t strength);
    void FeedTubes();
    void FireGlobalInjection(uint8_t side, uint8_t kind);
    void DIBTimer2Timer();
    void RefreshTubeIcons();

    // ---- Match setup and the chooser --------------------------------------------
    void DIBImage2MouseUp();  // start image released
    void SetUpMatch();
    void PlaceGraySpots();
    void dxButton1Click();    // chooser "Done"
    void DIBImage6Click();
    void DIBImage7Click();

    // ---- Mouse over the board ---------------------------------------------------
    // Drop test; returns Accept. `sourceIsSprite`: the dragged thing is a sprite
    // image; `senderIsMagnifier`: the event comes from the magnified view.
    bool DIBMagnifier1DragOver(bool sourceIsSprite, bool senderIsMagnifier, int x, int y);
    void DIBMagnifier1MouseMove(int x, int y);
    void Bac1_1StartDrag(int tag);
    // End of a drag of a human icon with tag 1..6; `onMagnifier`: dropped on the view.
    void Bac1_1EndDrag(int tag, bool onMagnifier, int x, int y);

    // ---- Computer player --------------------------------------------------------
    void AItimerTimer();

    // ---- Match clock and results ------------------------------------------------
    void TimerTallerTimer();
    void AdvanceDragPulse();
    void RecordHighScore();
    void ApplyRatingChange(bool won);

    // ---- Title screen -----------------------------------------------------------
    void URLtransparantLabel1Click();  // next game mode
    void URLtransparantLabel2Click();  // next computer rating
    void RxSlider1Change(int value);   // game speed
    static std::string GameModeCaption(int32_t mode);

private:
    void InjectTube(int t, int x, int y);  // the computer empties tube t into (x, y)
    void ComputerTurn();
    // Whether a tick of the computer's could still inject, fire or make a
    // sound on the board as it is now, which only the computer changes while
    // the title screen is up.
    bool ComputerCanAct() const;
    // Ends the rest of both timers that may rest, before a handler changes
    // what their ticks read; the drag pulse counts on the ticks slept through.
    void WakeRestingTimers();
    void ComputerWins();
    void HumanWins();
    // Enters the win in the table of the computer rating `aiRating`.
    void RecordHighScoreAgainst(int32_t aiRating);
    // Waits `ms`; false when the program is ending or game `game` has been
    // replaced by a new one meanwhile.
    bool PauseWithin(uint32_t game, int ms);
    void ShowTitleScreen();
};
