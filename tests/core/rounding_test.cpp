// The loops' one-instruction conversions against the rules they stand for: Round with ties to
// the even neighbour, and the comparison of a draw with an acceptance limit.

#include "core/rounding.h"

#include <gtest/gtest.h>

#include <cmath>

namespace spinlab {
namespace {

TEST(Rounding, RoundsSinglesHalfToEven) {
    const struct {
        float value;
        int rounded;
    } rows[] = {{0.5f, 0},           {1.5f, 2},           {2.5f, 2},        {-0.5f, 0},
                {-1.5f, -2},         {-2.5f, -2},         {0.49999997f, 0}, {59.5f, 60},
                {60.5f, 60},         {8.5f, 8},           {9.5f, 10},       {32767.5f, 32768},
                {-32768.5f, -32768}, {1.0e9f, 1000000000}};
    for (const auto& row : rows)
        EXPECT_EQ(roundToInt(row.value), row.rounded) << row.value;
}

TEST(Rounding, BelowMaskIsTheComparisonOfADrawWithALimit) {
    // Every limit the table can hold against draws on either side of it, 0 and 1 included.
    for (std::uint32_t k = 0; k <= (1u << 24); k += 4099) {
        const float limit = static_cast<float>(k) * 0x1p-24f;
        for (std::int64_t d = static_cast<std::int64_t>(k) - 2; d <= k + 2; ++d) {
            if (d < 0 || d >= (1 << 24)) continue;
            const float draw = static_cast<float>(d) * 0x1p-24f;
            ASSERT_EQ(belowMask(draw, limit), draw < limit ? -1 : 0) << d << " " << k;
        }
    }
    EXPECT_EQ(belowMask(0.0f, 0.0f), 0);
    EXPECT_EQ(belowMask(0x1p-24f * 16777215.0f, 1.0f), -1);
}

}  // namespace
}  // namespace spinlab
