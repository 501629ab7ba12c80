#pragma once

#include <cmath>
#include <cstdint>

namespace kelmora::analysis {

// The random numbers of one Monte Carlo replicate, from the user's seed and the replicate's
// index alone: xoshiro256** seeded through splitmix64, and normal deviates by Box-Muller. Every
// step is written out here, so the numbers are the same with any standard library and any
// number of threads.
class TReplicateRandom {
  public:
    TReplicateRandom(std::uint64_t seed, std::uint64_t index) {
        std::uint64_t x = SplitMix(seed) ^ (index * 0xD1B54A32D192ED03ull);
        for (std::uint64_t& word : State) {
            word = SplitMix(x);
            x += 0x9E3779B97F4A7C15ull;
        }
    }

    std::uint64_t Next() {
        const std::uint64_t result = Rotl(State[1] * 5, 7) * 9;
        const std::uint64_t t = State[1] << 17;
        State[2] ^= State[0];
        State[3] ^= State[1];
        State[1] ^= State[2];
        State[0] ^= State[3];
        State[2] ^= t;
        State[3] = Rotl(State[3], 45);
        return result;
    }

    // Uniform in (0, 1]: the top 53 bits, never 0, so its logarithm is finite.
    double Uniform() { return static_cast<double>((Next() >> 11) + 1) * 0x1.0p-53; }

    double Normal() {
        if (HasSpare) {
            HasSpare = false;
            return Spare;
        }
        const double radius = std::sqrt(-2.0 * std::log(Uniform()));
        const double angle = 6.283185307179586477 * Uniform();
        Spare = radius * std::sin(angle);
        HasSpare = true;
        return radius * std::cos(angle);
    }

  private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    static std::uint64_t SplitMix(std::uint64_t x) {
        x += 0x9E3779B97F4A7C15ull;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        return x ^ (x >> 31);
    }

    std::uint64_t State[4] = {};
    double Spare = 0.0;
    bool HasSpare = false;
};

}  // namespace kelmora::analysis
