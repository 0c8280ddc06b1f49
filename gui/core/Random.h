#pragma once

namespace runtime {

// The process's one uniform pseudo-random generator. It is never seeded, so
// every run draws the same sequence; each call gives a number in [0, 1).
double Rnd();

}  // namespace runtime
