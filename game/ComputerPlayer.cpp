// The computer player: the red colony's own tick.
//
// The computer sees the board only through the owner codes of the grid and
// acts through the same operations as the human: it empties its reaction
// tubes with Inject and fires its defensive global injections. Its rating
// chooses which of the procedures below run; nothing else makes it stronger.
// Every random draw is made in the order the procedures reach it and only
// then, so a seed replays a match exactly.
#include "TGame.h"

namespace {

// Tube sizes below which random play leaves a tube alone, tubes 1..5.
constexpr int RandomPlayMinSize[6] = {0, 4, 4, 5, 6, 8};

}  // namespace

void TGame::InjectTube(int t, int x, int y) {
    // The whole bacterium goes in as a square of its own size, and the tube
    // starts forming the next one, just as after the human's drag.
    const int32_t size = Tube[Red][t].Size;
    Inject(size, Red, x, y, size);
    Tube[Red][t].Size = 0;
    Tube[Red][t].Growth = 50;
}

void TGame::AItimerTimer() {
    // The computer acts once every ten growth ticks whatever the game speed.
    // The interval follows the speed even while the computer sits idle.
    AItimer.SetInterval(DIBTimer1.Interval() * 10);
    if (AIActive) ComputerTurn();
    // After a match the title screen hides a board on which nothing grows;
    // once the computer can do nothing more there, its ticks would only draw
    // random numbers, and the next setup seeds the generator anew.
    if (TimersMayRest && MatchNumber > 0 && Screen.DIBContainer2.Visible && !DIBTimer1.Enabled() &&
        !ComputerCanAct())
        AItimer.Rest();
}

bool TGame::ComputerCanAct() const {
    if (!AIActive) return false;
    // The same tests as the turn below, each for every draw of its coins.
    auto owner = [this](int x, int y) { return Grid(x, y).Owner; };
    auto contact = [&](int last) {
        for (int a = 1; a <= last; ++a)
            for (int y = 1; y <= 100; ++y)
                if (owner(a, y) == Red && owner(a + 1, y) == Blue) return true;
        return false;
    };
    auto size = [this](int t) { return Tube[Red][t].Size; };
    const bool defensiveLeft = GlobalInjection[Red][1] == 4 || GlobalInjection[Red][1] == 5 ||
                               GlobalInjection[Red][2] == 4 || GlobalInjection[Red][2] == 5;
    if (AIRating >= 1600 && defensiveLeft && contact(7)) return true;
    if (AIRating >= 1900 && contact(20))
        for (int t = 1; t <= 5; ++t)
            if (size(t) >= 3) return true;
    if (AIRating >= 1300 && AIOpeningPending) return true;
    if (AIRating >= 1300) {
        if (size(4) >= 4 || size(5) >= 4)
            for (int k = 1; k <= 5; ++k)
                for (int y = 5; y <= 95; ++y)
                    if (owner(10 * k + 5, y) == Blue && owner(10 * k, y) == Red) return true;
        for (int t = 1; t <= 3; ++t) {
            if (size(t) < 4) continue;
            for (int k = 5; k <= 9; ++k)
                for (int y = 5; y <= 95; ++y)
                    if (owner(10 * k, y) == Red) return true;
            for (int x = SpotPos[t].X - 2; x <= SpotPos[t].X + 1; ++x)
                for (int y = SpotPos[t].Y - 5; y <= SpotPos[t].Y + 4; ++y) {
                    if (x < 10 || owner(x - 5, y) == Red) continue;
                    for (int c = x; c >= 10; --c)
                        if (owner(c, y) == Red) return true;
                }
        }
    }
    if (AIRating == 1000)
        for (int t = 1; t <= 5; ++t)
            if (size(t) >= RandomPlayMinSize[t]) return true;
    return false;
}

void TGame::ComputerTurn() {
    auto owner = [this](int x, int y) { return Grid(x, y).Owner; };
    // A red cell with a blue cell directly to its right: the front line.
    auto redMeetsBlue = [&](int x, int y) {
        return owner(x, y) == Red && owner(x + 1, y) == Blue;
    };

    // Defensive weapons: once blue touches red in the first seven columns,
    // every further column up to 7 gives one more shot of an inverter or a
    // defender, so a deep incursion fires both at once.
    if (AIRating >= 1600) {
        bool detected = false;
        for (int a = 1; a <= 7; ++a) {
            for (int y = 1; y <= 100 && !detected; ++y) {
                if (redMeetsBlue(a, y)) detected = true;
            }
            if (!detected) continue;
            for (int s = 1; s <= 2; ++s) {
                const uint8_t kind = GlobalInjection[Red][s];
                if (kind == 4 || kind == 5) {
                    FireGlobalInjection(Red, kind);
                    GlobalInjection[Red][s] = 0;
                    break;
                }
            }
        }
    }

    // Front-line reinforcement: each tube of size 3 or more may be thrown at
    // the first red-blue contact in the home quarter; the coin is tossed at
    // every contact, before the tube's size is looked at.
    if (AIRating >= 1900) {
        for (int t = 1; t <= 5; ++t) {
            bool done = false;
            for (int a = 1; a <= 20 && !done; ++a) {
                for (int y = 1; y <= 100 && !done; ++y) {
                    if (!redMeetsBlue(a, y)) continue;
                    if (Random(10) < 6) continue;
                    if (Tube[Red][t].Size < 3) continue;
                    InjectTube(t, a, y);
                    done = true;
                }
            }
        }
    }

    // The plan: an opening near the spots, then a flank guard, a push toward
    // each spot and an advance of the front.
    if (AIRating >= 1300) {
        if (AIOpeningPending) {
            // Opening: on a lucky tick, three colonies just out of the home
            // columns, in line with the three spots.
            if (Random(20) < 5) {
                AIOpeningPending = false;
                for (int t = 1; t <= 3; ++t) {
                    const int x = Random(5) + 15;
                    const int y = Random(4) + SpotPos[t].Y - 2;
                    if (owner(x, y) == Red || owner(x, y) == Empty) InjectTube(t, x, y);
                }
            }
        } else {
            bool injected = false;

            // Flank guard: tubes 4 and 5 strengthen a red cell that blue
            // approaches from five columns to its right, in columns 10..50.
            for (int t = 4; t <= 5; ++t) {
                if (Tube[Red][t].Size < 4) continue;
                for (int k = 1; k <= 5 && !injected; ++k) {
                    if (Random(2) != 0) continue;
                    const int a = 10 * k;
                    for (int y = 5; y <= 95; ++y) {
                        if (owner(a + 5, y) == Blue && owner(a, y) == Red) {
                            InjectTube(t, a, y);
                            injected = true;
                            break;
                        }
                    }
                }
            }

            for (int t = 1; t <= 3; ++t) {
                if (Tube[Red][t].Size < 4) continue;

                // Spot push: the nearest red holding in line with the spot
                // grows toward it, unless red already stands five short of it.
                const int x = Random(4) + SpotPos[t].X - 2;
                const int y = Random(10) + SpotPos[t].Y - 5;
                if (owner(x - 5, y) != Red && x >= 10) {
                    for (int c = x; c >= 10; --c) {
                        if (owner(c, y) == Red) {
                            InjectTube(t, c, y);
                            injected = true;
                            break;
                        }
                    }
                }

                // Advance: reinforce the most advanced of columns 90, 80, 70,
                // 60, 50, scanning it from a random end; only while nothing
                // else has been injected in this tick.
                if (injected) continue;
                for (int k = 9; k >= 5 && !injected; --k) {
                    const int a = 10 * k;
                    const bool downwards = Random(2) == 0;
                    for (int i = 0; i <= 90; ++i) {
                        const int row = downwards ? 5 + i : 95 - i;
                        if (owner(a, row) == Red) {
                            InjectTube(t, a, row);
                            injected = true;
                            break;
                        }
                    }
                }
            }
        }
    }

    // Random play of the weakest rating: each tube big enough gets eleven
    // tries at a random cell that is red, or empty in the home quarter.
    if (AIRating == 1000) {
        for (int t = 1; t <= 5; ++t) {
            if (Tube[Red][t].Size < RandomPlayMinSize[t]) continue;
            for (int attempt = 0; attempt < 11; ++attempt) {
                const int x = Random(90) + 5;
                const int y = Random(90) + 5;
                if (owner(x, y) == Red || (owner(x, y) == Empty && x <= 25)) {
                    InjectTube(t, x, y);
                    break;
                }
            }
        }
    }
}
