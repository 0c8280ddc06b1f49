#include "Random.h"

#include <random>

namespace runtime {

double Rnd() {
    // Default-constructed, so it starts from the same fixed state in every
    // run. 24 random bits over 2^24 always give a number below 1.
    static std::mt19937 generator;
    return static_cast<double>(generator() >> 8) / 16777216.0;
}

}  // namespace runtime
