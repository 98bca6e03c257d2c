// The one process-wide pseudo-random generator: 0..32767 with the same sequence
// on every platform (the C library's own rand differs between them).
#pragma once

#include <cstdint>

constexpr int XRAND_MAX = 32767;

void XSeedRandom(uint32_t seed);
int XRandom();
