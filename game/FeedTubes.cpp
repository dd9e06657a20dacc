// Reaction tubes grow on the energy a side earned this generation.
#include "TGame.h"

void TGame::FeedTubes() {
    for (int p = 1; p <= 2; ++p) {
        // Every tube of the side gets the same share; the remainder is lost.
        const int32_t share = Energy[static_cast<size_t>(p)] / 5;
        Energy[static_cast<size_t>(p)] = 0;
        for (int j = 1; j <= 5; ++j) {
            TTube& tube = Tube[static_cast<size_t>(p)][static_cast<size_t>(j)];
            tube.Growth -= share;
            // At most one size per generation; growth beyond the level-up is not kept.
            if (tube.Size < 10 && tube.Growth <= 0) {
                ++tube.Size;
                tube.Growth = tube.Size * tube.Size * 25;
            }
        }
    }
}
