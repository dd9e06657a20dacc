// A scripted human player for headless matches on the virtual clock.
//
// It plays through the same handlers the window calls: it picks two global
// injections and clicks "Done" when the chooser is shown, drags full tubes onto
// the magnified board (drag-over, then end of drag, in view pixels), drops the
// super bacterium once it is ready and fires its two weapons. It keeps its own
// random generator, so it never disturbs the game's draws, and it acts at most
// once per `ThinkMs` of virtual time, like a player with a reaction time.
//
// Use:
//   VirtualHost host; TGame g(host);
//   TScriptedHuman human(g, host, options);   // installs itself as host.OnEvent
//   g.DIBImage2MouseUp();                     // the whole match runs inside
//
// Header-only, so tools can use it as well as the tests.
#pragma once

#include <cstdint>

#include "Random.h"
#include "TGame.h"
#include "VirtualHost.h"

struct TScriptedHumanOptions {
    // Chooser items (0..4 = kinds 1..5) picked before "Done": by default the
    // Destablizer and the Inverter, the pair that served this player best.
    int Choice1 = 1;
    int Choice2 = 3;
    // Virtual ms the player looks at the chooser before clicking "Done".
    int ChooserDelayMs = 300;
    // Drags tubes onto the board at all; a passive player only clicks "Done".
    bool Drops = true;
    // A tube is dragged once it holds at least this size.
    int MinTubeSize = 4;
    // Virtual ms between two actions during a match.
    int ThinkMs = 400;
    // Drops the super bacterium once it is ready.
    bool UseSuper = true;
    // Fires the two weapons: the first once the human holds at least
    // `WeaponShare` percent and the match is `WeaponAfterMs` old, the second later.
    bool FireWeapons = true;
    int WeaponShare = 20;
    int WeaponAfterMs = 40000;
    // The player's own random generator (rows of drops in the free band).
    uint64_t Seed = 1;
};

class TScriptedHuman {
public:
    TScriptedHuman(TGame& game, VirtualHost& host, TScriptedHumanOptions options = {})
        : G(game), H(host), O(options), Rng(options.Seed) {
        H.OnEvent = [this] { OnEvent(); };
    }
    ~TScriptedHuman() { H.OnEvent = nullptr; }
    TScriptedHuman(const TScriptedHuman&) = delete;
    TScriptedHuman& operator=(const TScriptedHuman&) = delete;

    // What the player did.
    int DoneClicks = 0;
    int Drops = 0;         // accepted drops of a tube
    int SuperDrops = 0;    // accepted drops of the super bacterium
    int RefusedDrops = 0;  // releases the drop test had refused
    int WeaponClicks = 0;

    // Called by the host after every event and in every pass of a wait.
    void OnEvent() {
        if (InHandler) return;  // one action at a time, never from inside another
        InHandler = true;
        Act();
        InHandler = false;
    }

    // One whole drag of the icon with `tag` (1..5 tubes, 6 the super
    // bacterium), moved over view pixel (x, y) of the magnified board and
    // released there. Returns whether the drop test accepted the point; as in
    // the window, a refused point is no drop target.
    bool Drag(int tag, int x, int y) {
        G.Bac1_1StartDrag(tag);
        const bool accepted = G.DIBMagnifier1DragOver(true, true, x, y);
        G.Bac1_1EndDrag(tag, accepted, x, y);
        return accepted;
    }

    // The view pixel at the middle of grid column or row `index`.
    static int ViewPixel(int index) { return index * 4 + 2; }

private:
    void Act() {
        const int64_t now = H.TickCount();
        if (G.Screen.DIBContainer3.Visible && !G.InjectionChoiceDone) {
            if (ChooserSeenAt < 0) ChooserSeenAt = now;
            if (now - ChooserSeenAt >= O.ChooserDelayMs) {
                G.Screen.ComboBox1.ItemIndex = O.Choice1;
                G.Screen.ComboBox2.ItemIndex = O.Choice2;
                G.dxButton1Click();
                ++DoneClicks;
                ChooserSeenAt = -1;
            }
            return;
        }
        // Only while a game runs: the growth step is on.
        if (!G.DIBTimer1.Enabled() || now < NextActionAt) return;
        NextActionAt = now + O.ThinkMs;

        if (O.Drops && O.UseSuper && G.Screen.bac1_S.Enabled && DropSuperOnLine()) return;
        if (O.Drops) {
            for (int j = 1; j <= 5; ++j) {
                if (G.Screen.HumanTubeIcon(j).Enabled && G.Tube[1][j].Size >= O.MinTubeSize) {
                    DropAtFront(j);
                    return;
                }
            }
        }
        if (O.FireWeapons && G.MatchTime >= O.WeaponAfterMs &&
            G.CellCount[1] / 100 >= O.WeaponShare) {
            if (G.Screen.DIBImage6.Opacity > 10) {
                G.DIBImage6Click();
                ++WeaponClicks;
            } else if (G.Screen.DIBImage7.Opacity > 10 && G.MatchTime >= 2 * O.WeaponAfterMs) {
                G.DIBImage7Click();
                ++WeaponClicks;
            }
        }
    }

    // The leftmost view pixel of a column that the drop test can accept: view
    // X must be above 50, and pixel 51 still lies in column 12.
    static int ColumnPixel(int col) { return col == 12 ? 51 : ViewPixel(col); }

    // Drops on the blue cell nearest the computer's home line that the drop
    // test can accept (column 12 or more), or in the free band at a random row
    // when no blue cell stands left of it.
    void DropAtFront(int tag) {
        int bestCol = 75;
        int bestRow = 1 + Rng.Below(100);
        for (int x = 12; x < 75 && bestCol == 75; ++x)
            for (int y = 1; y <= 100; ++y)
                if (G.Grid(x, y).Owner == Blue) {
                    bestCol = x;
                    bestRow = y;
                    break;
                }
        Release(tag, ColumnPixel(bestCol), ViewPixel(bestRow));
    }

    // The super bacterium (size 12 and more) dropped on a blue cell of column
    // 12 reaches column 1 over more than ten rows: it is kept for that moment.
    bool DropSuperOnLine() {
        for (int y = 17; y <= 84; ++y)
            if (G.Grid(12, y).Owner == Blue) {
                Release(6, ColumnPixel(12), ViewPixel(y));
                return true;
            }
        return false;
    }

    void Release(int tag, int x, int y) {
        const bool accepted = Drag(tag, x, y);
        if (!accepted)
            ++RefusedDrops;
        else if (tag == 6)
            ++SuperDrops;
        else
            ++Drops;
    }

    TGame& G;
    VirtualHost& H;
    TScriptedHumanOptions O;
    TRandom Rng;
    int64_t ChooserSeenAt = -1;
    int64_t NextActionAt = 0;
    bool InHandler = false;
};
