#include "polymer/polymer.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "core/program.h"
#include "core/rounding.h"
#include "core/runtime.h"
#include "core/sitedraw.h"

namespace spinlab {

int drawChainState(Rng& rng) {
    rng.Randomize();
    return setUpState(rng.Rnd());
}

int clippedEnergyChange(const Chain& chain, int x, int n, int proposed) {
    const int old = chain.get(x);
    const int lower = x == 0 ? 0 : x - 1;
    const int upper = x == n ? n : x + 1;
    int matchOld = 0;
    int matchNew = 0;
    for (int j = lower; j <= upper; ++j) {
        if (j == x) continue;
        const int s = chain.get(j);
        if (s == old) matchOld += s;
        if (s == proposed) matchNew += s;
    }
    return matchOld - matchNew;
}

void InitChain(Program& program) {
    SimState& state = program.IsingModel().state;
    Rng& rng = program.rng();
    const int n = program.PolymerWindow().Iterations.cint();
    for (int i = 0; i <= n; ++i) {
        const int s = drawChainState(rng);
        // A length above 10000 fails here, at unit 10001, with every unit of the array set.
        state.ChainState.set(i, s);
    }
}

void DrawChain(Program& program) {
    PolymerForm& form = program.PolymerWindow();
    const Chain& chain = program.IsingModel().state.ChainState;
    Surface& picture = form.Picture1;
    picture.setScaleHeight(10.0f);
    // A length of 0 gives a zero-width scale, which puts the single unit on the left edge.
    picture.setScaleWidth(static_cast<float>(form.Iterations.cint()));
    const int n = form.Iterations.cint();
    const Color white = QBColor(15);
    for (int i = 0; i <= n; ++i)
        picture.PSet(i, chain.get(i), white);
    picture.Refresh();
}

namespace {

// M(s) for a unit between neighbours in states l and r (0 for none), at (l << 8 | r << 4 | s):
// s times the number of them in state s.
constexpr std::array<std::int8_t, 4096> kMatch = [] {
    std::array<std::int8_t, 4096> t{};
    for (int l = 0; l < 16; ++l) {
        for (int r = 0; r < 16; ++r) {
            for (int s = 0; s < 16; ++s)
                t[static_cast<std::size_t>(l << 8 | r << 4 | s)] =
                    static_cast<std::int8_t>(s * ((l == s) + (r == s)));
        }
    }
    return t;
}();

// Accepted moves a quiet stretch keeps before it paints them.
constexpr int kMoveLog = 1 << 17;

// How many of units 0..n are in each state 0..9.
using StateTally = std::array<std::int64_t, 10>;
StateTally tallyStates(const Chain& chain, int n) {
    std::int32_t tally[4][16] = {};
    const std::int16_t* const units = chain.data();
    int i = 0;
    for (; i + 4 <= n + 1; i += 4) {
        for (int k = 0; k < 4; ++k)
            ++tally[k][units[i + k] & 15];
    }
    for (; i <= n; ++i)
        ++tally[0][units[i] & 15];
    StateTally out{};
    for (std::size_t s = 0; s < out.size(); ++s)
        out[s] = tally[0][s] + tally[1][s] + tally[2][s] + tally[3][s];
    return out;
}

// Counts `count` logged moves into the state counts, four tallies in turn, so that no
// increment waits for the one before it; returns whether one left a unit never set up (0).
bool countMoves(const std::uint32_t* moves, int count, std::int64_t* counts) {
    std::int32_t tally[4][16] = {};
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        for (int k = 0; k < 4; ++k) {
            const std::uint32_t f = moves[i + k];
            --tally[k][f >> 14 & 15u];
            ++tally[k][f >> 18];
        }
    }
    for (; i < count; ++i) {
        --tally[0][moves[i] >> 14 & 15u];
        ++tally[0][moves[i] >> 18];
    }
    for (int s = 0; s < 10; ++s)
        counts[s] += tally[0][s] + tally[1][s] + tally[2][s] + tally[3][s];
    return (tally[0][0] | tally[1][0] | tally[2][0] | tally[3][0]) != 0;
}

// Paints `count` logged moves, the last first. The arguments are plain values, so the loop
// keeps them in registers while it stores into the raster. With the mask by columns, the
// painting ends once later moves have taken all `places` of the nine states: at a high
// temperature most of a long stretch is hidden.
template <DotGrid::Backwards::Mask M>
void replayMoves(DotGrid::Backwards& pen, const std::uint32_t* moves, int count,
                 std::uint32_t black, std::uint32_t white, std::size_t places) {
    constexpr int kCheck = 256;
    for (int i = count - 1; i >= 0;) {
        const int stop = std::max(i - kCheck, -1);
        for (; i > stop; --i) {
            const std::uint32_t f = moves[i];
            const int x = static_cast<int>(f & 16383u);
            const int old = static_cast<int>(f >> 14 & 15u);
            const int proposed = static_cast<int>(f >> 18);
            pen.paintTwo<M>(x, old, black, proposed, white);
        }
        if (M == DotGrid::Backwards::Mask::Columns && pen.taken() >= places) return;
    }
}

// Paints `count` logged moves and, given `counts`, counts them. Without counts, `unset` says
// whether a unit may have left state 0 (never set up).
void replayMoves(const std::uint32_t* moves, int count, DotGrid& dots, std::int64_t* counts,
                 std::uint32_t black, std::uint32_t white, bool unset = false) {
    if (!dots.crowded(2 * static_cast<std::size_t>(count))) {
        if (!counts) {
            const DotGrid::Forwards pen(dots);
            for (int i = 0; i < count; ++i) {
                const std::uint32_t f = moves[i];
                const int x = static_cast<int>(f & 16383u);
                pen.paint(x, static_cast<int>(f >> 14 & 15u), black);
                pen.paint(x, static_cast<int>(f >> 18), white);
            }
            return;
        }
        const DotGrid::Forwards pen(dots);
        for (int i = 0; i < count; ++i) {
            const std::uint32_t f = moves[i];
            const int x = static_cast<int>(f & 16383u);
            const int old = static_cast<int>(f >> 14 & 15u);
            const int proposed = static_cast<int>(f >> 18);
            --counts[old];
            ++counts[proposed];
            pen.paint(x, old, black);
            pen.paint(x, proposed, white);
        }
        return;
    }
    // A unit never set up (state 0) would take places beyond the nine states'.
    if (counts) unset = countMoves(moves, count, counts);
    using Mask = DotGrid::Backwards::Mask;
    DotGrid::Backwards pen(dots);
    if (pen.mask() == Mask::Columns) {
        replayMoves<Mask::Columns>(pen, moves, count, black, white,
                                   unset ? ~std::size_t{0} : 9 * dots.coveredColumns());
    } else {
        replayMoves<Mask::Pixels>(pen, moves, count, black, white, 0);
    }
}

// The passes of one block of draws, three draws each (unit, proposal, acceptance), on a chain of
// n units within the array; logs the accepted moves at `moves` (x | old << 14 | proposed << 18),
// adds their energy changes to `energy` and returns how many. Every argument is a plain value,
// so the loop keeps them all in registers.
[[gnu::noinline]] int passesOfBlock(const float* r, const float* end, std::int16_t* units, int n,
                                    const float* limits, std::uint32_t* moves,
                                    std::int64_t& energyTotal) {
    const float size = static_cast<float>(n);
    std::uint32_t* logged = moves;
    int energy = 0;
    for (; r != end; r += 3) {
        const int x = roundToInt(size * r[0]);
        std::int16_t* const unit = units + x;
        const int old = unit[0];
        const int proposed = loopProposal(r[1]);
        // The 0 before unit 0 matches no state; unit n + 1 must not count.
        const int left = unit[-1];
        const int right = x < n ? unit[1] : 0;
        const int around = left << 8 | right << 4;
        const int dE = kMatch[static_cast<std::size_t>(around | old)] -
                       kMatch[static_cast<std::size_t>(around | proposed)];
        const int a = -belowMask(r[2], limits[dE]);
        // Masks rather than choices: the compiler would branch on a coin toss.
        const int taken = -a;
        unit[0] = static_cast<std::int16_t>(old ^ ((old ^ proposed) & taken));
        energy += dE & taken;
        *logged = static_cast<std::uint32_t>(x | old << 14 | proposed << 18);
        logged += a;
    }
    energyTotal += energy;
    return static_cast<int>(logged - moves);
}

// Passes whose DoEvents will not service, as the square lattice's quiet trials: the chain's
// length and the thresholds hold for all of them. Each takes its unit, proposal and acceptance
// draws in that order from the block drawn ahead and applies the move without a branch; the
// accepted moves are logged, then counted and painted, the last first, before the stretch ends.
void quietPasses(std::uint64_t passes, Rng& rng, Chain& chain, int n, const float* limits,
                 DotGrid& dots, std::uint32_t* moves, Surface& picture, SimState& state) {
    const std::uint32_t black = DotGrid::pixelOf(QBColor(0));
    const std::uint32_t white = DotGrid::pixelOf(QBColor(15));
    Drift& drift = state.drift;
    int moved = 0;
    // A long stretch takes the change of the state counts from the chain itself, before and
    // after, rather than move by move.
    const bool fromChain = passes >= 4 * static_cast<std::uint64_t>(n + 1);
    StateTally before{};
    if (fromChain) before = tallyStates(chain, n);
    auto paintMoves = [&] {
        if (moved == 0) return;
        drift.accepted += moved;
        picture.countRefreshes(static_cast<std::uint64_t>(moved));
        if (fromChain) {
            const StateTally after = tallyStates(chain, n);
            for (std::size_t s = 0; s < after.size(); ++s)
                drift.stateCounts[s] += after[s] - before[s];
            replayMoves(moves, moved, dots, nullptr, black, white, before[0] != 0);
            before = after;
        } else {
            replayMoves(moves, moved, dots, drift.stateCounts, black, white);
        }
        moved = 0;
    };
    const float* last = nullptr;
    while (passes > 0) {
        const std::span<const float> ahead = rng.pending(3);
        const int count = static_cast<int>(std::min<std::uint64_t>(passes, ahead.size() / 3));
        if (moved + count > kMoveLog) paintMoves();
        last = ahead.data() + 3 * (count - 1);
        moved += passesOfBlock(ahead.data(), ahead.data() + 3 * count, chain.data(), n, limits,
                               moves + moved, drift.energy);
        rng.take(3 * count);
        passes -= static_cast<std::uint64_t>(count);
    }
    paintMoves();
    state.SiteX = roundToInt(static_cast<float>(n) * last[0]);
}

// Iterations stays locked only while a loop runs: whether the loop ends by Stop, by an error
// (a negative length, a bad temperature) or by End, the user can correct the length afterwards.
class UnlockOnExit {
public:
    explicit UnlockOnExit(TextBox& box) : box_(box) {}
    ~UnlockOnExit() { box_.setLocked(false); }
    UnlockOnExit(const UnlockOnExit&) = delete;
    UnlockOnExit& operator=(const UnlockOnExit&) = delete;

private:
    TextBox& box_;
};

}  // namespace

// Each pass follows the classic order: lock the length, draw the unit, draw a proposed state,
// sum the matching neighbours, ask CheckNoise, paint the old dot black and store the move,
// DoEvents, paint the new dot white, count. Only a DoEvents that services can let a nested run
// move SiteX or rewrite the chain, so those are re-read only after the pump has actually run,
// and the passes whose DoEvents will not service run as one quiet stretch.
void RunChain(Program& program) {
    MainForm& main = program.IsingModel();
    PolymerForm& form = program.PolymerWindow();
    SimState& state = main.state;
    Chain& chain = state.ChainState;
    Rng& rng = program.rng();
    EventPump& pump = program.pump();
    AcceptanceRule& rule = main.rule;
    Surface& picture = form.Picture1;
    TextBox& iterations = form.Iterations;
    const Color black = QBColor(0);
    const Color white = QBColor(15);

    UnlockOnExit unlock(iterations);
    DotGrid dots;
    std::vector<std::uint32_t> moves(kMoveLog + Rng::kBlock);
    std::uint64_t passes = 0;
    while (state.Running) {
        iterations.setLocked(true);

        if (const std::uint64_t quiet = pump.quietCalls(); quiet > 0 && iterations.cintConverts()) {
            const int n = iterations.cint();
            const float* limits = rule.limits();
            if (limits && n >= 0 && n <= Chain::kMax) {
                rng.Randomize();
                dots.follow(picture, n, 9);
                quietPasses(quiet, rng, chain, n, limits, dots, moves.data(), picture, state);
                pump.skipQuiet(quiet);
                passes += quiet;
                main.Label1.setNumber(passes);
                continue;
            }
        }

        const int x = drawIndex(rng, iterations);
        const int n = iterations.cint();
        state.SiteX = x;

        rng.Randomize();
        // With a negative length x lies in n..0; the first negative unit fails here.
        const int old = chain.get(x);
        const int proposed = loopProposal(rng.Rnd());
        const int dE = energyChange(chain, x, n, proposed);

        const bool accepted = rule.accepts(dE);
        if (accepted) {
            picture.PSet(x, old, black);
            chain.data()[x] = static_cast<std::int16_t>(proposed);
            state.drift.energy += dE;
            --state.drift.stateCounts[old];
            ++state.drift.stateCounts[proposed];
            ++state.drift.accepted;
        }

        if (pump.DoEvents()) {
            if (accepted) {
                // A nested run may have chosen another unit and laid out a new chain. A lattice
                // run leaves a site index instead, which may lie outside the chain: there is no
                // unit to repaint then. Either way this pass's own unit is painted at the state
                // it holds now, or the picture would keep its move half drawn.
                const std::int64_t site = state.SiteX;
                if (site >= 0 && site <= Chain::kMax) picture.PSet(site, chain.get(site), white);
                picture.PSet(x, chain.get(x), white);
                picture.Refresh();
            }
        } else if (accepted) {
            picture.PSet(x, proposed, white);
            picture.Refresh();
        }

        ++passes;
        main.Label1.setNumber(passes);
    }
}

void Iterations_Change(Program& program) {
    PolymerForm& form = program.PolymerWindow();
    form.Label3.setCaption(form.Iterations.Text());
}

}  // namespace spinlab
