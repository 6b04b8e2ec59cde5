#include "tools/Random.h"

namespace {
uint32_t gState = 0;
}

uint32_t RandomBelow(uint32_t n) {
    gState = gState * 134775813u + 1u;
    return uint32_t((uint64_t(gState) * n) >> 32);
}

uint32_t RandomState() {
    return gState;
}

void SetRandomState(uint32_t state) {
    gState = state;
}
