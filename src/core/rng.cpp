#include "core/rng.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace spinlab {

namespace {

std::uint64_t splitmix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

Rng::Rng(std::uint64_t seed, bool deterministic) : deterministic_(deterministic) {
    std::uint64_t x = seed;
    for (int l = 0; l < kLanes; ++l) {
        const std::uint64_t a = splitmix64(x);
        const std::uint64_t b = splitmix64(x);
        lane_[0][l] = static_cast<std::uint32_t>(a);
        lane_[1][l] = static_cast<std::uint32_t>(a >> 32);
        lane_[2][l] = static_cast<std::uint32_t>(b);
        lane_[3][l] = static_cast<std::uint32_t>(b >> 32);
        // xoshiro's one forbidden state.
        if ((a | b) == 0) lane_[0][l] = 1;
    }
}

Rng Rng::seeded(std::uint64_t seed) {
    return Rng(seed, true);
}

Rng Rng::fromClock() {
    std::random_device device;
    std::uint64_t seed = (static_cast<std::uint64_t>(device()) << 32) ^ device() ^ clockReading();
    Rng rng(seed, false);
    rng.clock_ = rng.mixedClock_ = clockReading();
    return rng;
}

Rng Rng::scripted(const std::vector<std::uint32_t>& draws, std::uint64_t seed) {
    Rng rng(seed, true);
    rng.script_.reserve(draws.size());
    for (std::uint32_t d : draws)
        rng.script_.push_back(static_cast<float>(d & 0xFFFFFFu) * 0x1p-24f);
    return rng;
}

Rng Rng::withNextDraw(std::uint32_t draw, std::uint64_t seed) {
    return scripted({draw}, seed);
}

void Rng::refill() {
    // The draws not yet taken move to the front, the next ones follow them: the stream goes on
    // in order whoever asks and however many draws were left.
    const int left = end_ - next_;
    std::copy(block_ + next_, block_ + end_, block_);
    next_ = 0;
    end_ = left;
    if (scripted_ < script_.size()) {
        const std::size_t n = std::min<std::size_t>(script_.size() - scripted_, kBlock);
        std::copy_n(script_.begin() + static_cast<std::ptrdiff_t>(scripted_), n, block_ + end_);
        scripted_ += n;
        end_ += static_cast<int>(n);
        return;
    }
    fillFromLanes(block_ + end_);
    end_ += kBlock;
}

namespace {

// Where the build targets x86-64 with GCC or Clang, the block is made with AVX2 when the
// processor has it (chosen at run time: the default build stays portable), else with SSE2. Both
// and the plain loop below give the very same draws.
#if defined(__x86_64__) && defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#define SPINLAB_WIDE_FILL 1
#endif

#if defined(__SSE2__)
// One xoshiro128+ step of four lanes, their draws stored at `out`.
inline void step4(__m128i& s0, __m128i& s1, __m128i& s2, __m128i& s3, float* out) {
    const __m128i result = _mm_add_epi32(s0, s3);
    const __m128i t = _mm_slli_epi32(s1, 9);
    s2 = _mm_xor_si128(s2, s0);
    s3 = _mm_xor_si128(s3, s1);
    s1 = _mm_xor_si128(s1, s2);
    s0 = _mm_xor_si128(s0, s3);
    s2 = _mm_xor_si128(s2, t);
    s3 = _mm_or_si128(_mm_slli_epi32(s3, 11), _mm_srli_epi32(s3, 21));
    // The top 24 bits, exactly as a Single times 2^-24.
    const __m128 r = _mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(result, 8)), _mm_set1_ps(0x1p-24f));
    _mm_storeu_ps(out, r);
}

// `lanes` holds word w of lane l at [w * 8 + l].
void fillBaseline(std::uint32_t* lanes, float* out, int count) {
    auto load = [lanes](int at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes + at));
    };
    auto store = [lanes](int at, __m128i v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes + at), v);
    };
    __m128i a0 = load(0), a1 = load(8), a2 = load(16), a3 = load(24);
    __m128i b0 = load(4), b1 = load(12), b2 = load(20), b3 = load(28);
    for (int i = 0; i < count; i += 8) {
        step4(a0, a1, a2, a3, out + i);
        step4(b0, b1, b2, b3, out + i + 4);
    }
    store(0, a0);
    store(8, a1);
    store(16, a2);
    store(24, a3);
    store(4, b0);
    store(12, b1);
    store(20, b2);
    store(28, b3);
}
#else
void fillBaseline(std::uint32_t* lanes, float* out, int count) {
    for (int i = 0; i < count; i += 8) {
        for (int l = 0; l < 8; ++l) {
            std::uint32_t* const w[4] = {lanes + l, lanes + 8 + l, lanes + 16 + l, lanes + 24 + l};
            const std::uint32_t result = *w[0] + *w[3];
            const std::uint32_t t = *w[1] << 9;
            *w[2] ^= *w[0];
            *w[3] ^= *w[1];
            *w[1] ^= *w[2];
            *w[0] ^= *w[3];
            *w[2] ^= t;
            *w[3] = (*w[3] << 11) | (*w[3] >> 21);
            out[i + l] = static_cast<float>(result >> 8) * 0x1p-24f;
        }
    }
}
#endif

#if defined(SPINLAB_WIDE_FILL)
// All eight lanes in one step.
__attribute__((target("avx2"))) void fillWide(std::uint32_t* lanes, float* out, int count) {
    const auto* words = reinterpret_cast<const __m256i*>(lanes);
    __m256i s0 = _mm256_loadu_si256(words);
    __m256i s1 = _mm256_loadu_si256(words + 1);
    __m256i s2 = _mm256_loadu_si256(words + 2);
    __m256i s3 = _mm256_loadu_si256(words + 3);
    const __m256 scale = _mm256_set1_ps(0x1p-24f);
    for (int i = 0; i < count; i += 8) {
        const __m256i result = _mm256_add_epi32(s0, s3);
        const __m256i t = _mm256_slli_epi32(s1, 9);
        s2 = _mm256_xor_si256(s2, s0);
        s3 = _mm256_xor_si256(s3, s1);
        s1 = _mm256_xor_si256(s1, s2);
        s0 = _mm256_xor_si256(s0, s3);
        s2 = _mm256_xor_si256(s2, t);
        s3 = _mm256_or_si256(_mm256_slli_epi32(s3, 11), _mm256_srli_epi32(s3, 21));
        const __m256 r = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(result, 8)), scale);
        _mm256_storeu_ps(out + i, r);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), s0);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes + 8), s1);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes + 16), s2);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes + 24), s3);
}

bool hasWide() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

std::atomic<bool> wideAllowed{true};

}  // namespace

bool Rng::wideFill() {
#if defined(SPINLAB_WIDE_FILL)
    return hasWide() && wideAllowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

void Rng::allowWideFill(bool allowed) {
    wideAllowed.store(allowed, std::memory_order_relaxed);
}

// kBlock / kLanes steps of xoshiro128+ in every lane; each output's top 24 bits make a draw.
void Rng::fillFromLanes(float* out) {
    static_assert(sizeof lane_ == 4 * kLanes * sizeof(std::uint32_t) && kLanes == 8);
#if defined(SPINLAB_WIDE_FILL)
    if (wideFill()) {
        fillWide(&lane_[0][0], out, kBlock);
        return;
    }
#endif
    fillBaseline(&lane_[0][0], out, kBlock);
}

void Rng::mixClock() {
    // Folding the reading in (rather than seeding from it) keeps the sequence going: two
    // Randomize calls within one clock tick leave the draws running on, never replaying them.
    std::uint64_t x = clock_;
    for (int l = 0; l < kLanes; ++l) {
        const std::uint64_t m = splitmix64(x);
        lane_[0][l] ^= static_cast<std::uint32_t>(m);
        lane_[1][l] ^= static_cast<std::uint32_t>(m >> 32);
        if ((lane_[0][l] | lane_[1][l] | lane_[2][l] | lane_[3][l]) == 0) lane_[0][l] = 1;
    }
    // The block drawn ahead came from the state before this reading: it is dropped, never used.
    next_ = end_ = 0;
    mixedClock_ = clock_;
    ++reseeds_;
}

std::uint64_t clockReading() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

}  // namespace spinlab
