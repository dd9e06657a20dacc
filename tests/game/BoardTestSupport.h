// Small helpers for tests that build boards by hand and drive the step directly.
#pragma once

#include <cstdint>

#include "TGame.h"
#include "VirtualHost.h"

namespace boardtest {

inline void Put(TGame& g, int x, int y, uint8_t owner, uint8_t strength, uint8_t vitality = 0) {
    g.Grid(x, y) = TCell{owner, strength, vitality};
}

// One whole generation: five step ticks, the last of which closes it.
inline void RunGeneration(TGame& g) {
    for (int i = 0; i < 5; ++i) g.DIBTimer1Timer();
}

inline int CountOwner(const TGrid& grid, uint8_t owner) {
    int n = 0;
    for (int y = 1; y <= BoardHeight; ++y)
        for (int x = 1; x <= BoardWidth; ++x)
            if (grid(x, y).Owner == owner) ++n;
    return n;
}

// FNV-1a over every byte of the grid, border included, in memory order.
inline uint64_t BoardHash(const TGrid& grid) {
    uint64_t h = 1469598103934665603ULL;
    for (const TCell& c : grid.Cells) {
        for (uint8_t b : {c.Owner, c.Strength, c.Vitality}) {
            h ^= b;
            h *= 1099511628211ULL;
        }
    }
    return h;
}

inline bool NextGridIsClear(const TGame& g) {
    for (const TCell& c : g.NextGrid.Cells)
        if (c.Owner != 0 || c.Strength != 0) return false;
    return true;
}

inline bool BorderIsClear(const TGrid& grid) {
    for (int i = 0; i < GridSize; ++i) {
        for (const TCell* c : {&grid(i, 0), &grid(i, GridSize - 1), &grid(0, i), &grid(GridSize - 1, i)})
            if (c->Owner != 0 || c->Strength != 0 || c->Vitality != 0) return false;
    }
    return true;
}

// True when two generators will hand out the same numbers from now on.
inline bool SameStream(TRandom a, TRandom b) {
    for (int i = 0; i < 8; ++i)
        if (a.Next32() != b.Next32()) return false;
    return true;
}

inline int SoundCount(const VirtualHost& host, TWaveList list, int index) {
    int n = 0;
    for (const auto& s : host.Sounds)
        if (s.List == list && s.Index == index) ++n;
    return n;
}

}  // namespace boardtest
