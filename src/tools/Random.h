#pragma once

#include <cstdint>

// The program's single pseudo-random generator: a 32-bit state that is 0 at start and
// never seeded, so the first shuffle of a list gives the same order in every run.
// Each draw sets state = state * 134775813 + 1 and yields (state * n) div 2^32.
uint32_t RandomBelow(uint32_t n);
uint32_t RandomState();
void SetRandomState(uint32_t state);
