// A golden run: one whole seeded match on the virtual clock, the same in every
// build of the rules (native, WebAssembly in a browser or in node). A scripted
// human plays a series of two games against rating 1900 through the same
// handlers the windows call; the board, the times and the rating at the end
// are pinned. Header-only, so the native test and the browser's golden
// program compute exactly this.
#pragma once

#include <cstdint>
#include <string>

#include "ScriptedHuman.h"
#include "TGame.h"
#include "VirtualHost.h"

struct TGoldenResult {
    uint64_t BoardHash = 0;   // FNV-1a over every cell's owner, strength and vitality
    int64_t EndMs = 0;        // virtual time when the title screen came back
    int32_t HumanWinTime = 0;
    int32_t ComputerWinTime = 0;
    int32_t PlayerRating = 0;
    std::string Result;       // the centre text at the end ("You Won" / "Red Won")
};

// The pinned values of the run below.
constexpr uint64_t GoldenBoardHash = 0xe8352993ddfcb057ULL;

inline uint64_t GoldenBoardHashOf(const TGrid& grid) {
    uint64_t h = 1469598103934665603ULL;
    for (const TCell& c : grid.Cells)
        for (uint8_t b : {c.Owner, c.Strength, c.Vitality}) {
            h ^= b;
            h *= 1099511628211ULL;
        }
    return h;
}

inline TGoldenResult RunGoldenMatch() {
    VirtualHost host;
    host.Seed = 20251209;
    TGame game(host);
    game.GameMode = 2;
    game.AIRating = 1900;
    TScriptedHumanOptions options;
    options.Seed = 7;
    TScriptedHuman human(game, host, options);
    bool started = false;
    host.At(0, [&] {
        started = true;
        game.DIBImage2MouseUp();
    });
    host.RunUntil([&] { return started && game.Screen.DIBContainer2.Visible; }, 4LL * 3600 * 1000);
    TGoldenResult r;
    r.BoardHash = GoldenBoardHashOf(game.Grid);
    r.EndMs = host.TickCount();
    r.HumanWinTime = game.HumanWinTime;
    r.ComputerWinTime = game.ComputerWinTime;
    r.PlayerRating = game.PlayerRating;
    r.Result = game.Screen.RxLabel2.Caption;
    return r;
}
