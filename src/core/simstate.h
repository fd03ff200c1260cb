#pragma once
// The main window's simulation state: the two spin lattices, the chain, the site under trial,
// the last random spin and the run flag. Lives as long as the main window; nothing is reset
// between runs except what the next set-up overwrites.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/startstate.h"

namespace spinlab {

class Rng;

// Spins of the square lattice, indices 0..1000 by 0..1000. Cells hold -1, 0 (never set) or +1,
// so they are stored as bytes, with a frame of zero cells at -1 and 1001 around the array: the
// loop can then sum a 3 x 3 block without clipping at the low edges.
class SquareLattice {
public:
    static constexpr int kMax = 1000;
    static constexpr int kStride = kMax + 3;

    SquareLattice() : cells_(static_cast<std::size_t>(kStride) * kStride, 0) {}

    // Checked access with the platform's bounds error.
    // Indices are checked in the order x, y.
    int get(std::int64_t x, std::int64_t y) const {
        const std::int64_t cx = check(x), cy = check(y);
        return cells_[index(cx, cy)];
    }
    void set(std::int64_t x, std::int64_t y, int spin) {
        const std::int64_t cx = check(x), cy = check(y);
        touch();
        cells_[index(cx, cy)] = static_cast<std::int8_t>(spin);
    }

    // Unchecked access for indices already known to lie in -1..1001. The writable cell counts as
    // a change (before the write it allows), so hold it only while writing.
    std::int8_t* cell(int x, int y) {
        touch();
        return &cells_[index(x, y)];
    }
    const std::int8_t* cell(int x, int y) const { return &cells_[index(x, y)]; }

    // Changes with every write access and is never reused, even by another lattice (a copy
    // keeps it along with the cells): what was derived from the cells under one stamp holds
    // while the stamp does.
    std::uint64_t stamp() const { return stamp_; }

private:
    void touch() { stamp_ = stamps_.fetch_add(1, std::memory_order_relaxed) + 1; }
    static inline std::atomic<std::uint64_t> stamps_{0};
    std::uint64_t stamp_ = 0;

public:
private:
    static std::size_t index(std::int64_t x, std::int64_t y) {
        return static_cast<std::size_t>((x + 1) * kStride + (y + 1));
    }
    static std::int64_t check(std::int64_t i) {
        if (i < 0 || i > kMax) throw BoundsError("Lattice2D", i, 0, kMax);
        return i;
    }
    std::vector<std::int8_t> cells_;
};

// Spins of the cubic lattice, indices 0..100 in each of x, y, z, with the same zero frame.
class CubicLattice {
public:
    static constexpr int kMax = 100;
    static constexpr int kStride = kMax + 3;

    CubicLattice() : cells_(static_cast<std::size_t>(kStride) * kStride * kStride, 0) {}

    // Indices are checked in the order x, y, z.
    int get(std::int64_t x, std::int64_t y, std::int64_t z) const {
        const std::int64_t cx = check(x), cy = check(y), cz = check(z);
        return cells_[index(cx, cy, cz)];
    }
    void set(std::int64_t x, std::int64_t y, std::int64_t z, int spin) {
        const std::int64_t cx = check(x), cy = check(y), cz = check(z);
        cells_[index(cx, cy, cz)] = static_cast<std::int8_t>(spin);
    }
    std::int8_t* cell(int x, int y, int z) { return &cells_[index(x, y, z)]; }
    const std::int8_t* cell(int x, int y, int z) const { return &cells_[index(x, y, z)]; }

    // Distance in cells between neighbours along x and along y; z neighbours are adjacent.
    static constexpr std::ptrdiff_t kStepX = std::ptrdiff_t{kStride} * kStride;
    static constexpr std::ptrdiff_t kStepY = kStride;

private:
    static std::size_t index(std::int64_t x, std::int64_t y, std::int64_t z) {
        return static_cast<std::size_t>(((x + 1) * kStride + (y + 1)) * kStride + (z + 1));
    }
    static std::int64_t check(std::int64_t i) {
        if (i < 0 || i > kMax) throw BoundsError("Lattice3D", i, 0, kMax);
        return i;
    }
    std::vector<std::int8_t> cells_;
};

// The polymer chain: rotational states 1..9 of units 0..10000 (0 before the first set-up).
// data() points at unit 0; a 0 cell before it and after unit 10000, which matches no state,
// lets the loop read both neighbours of any unit.
class Chain {
public:
    static constexpr int kMax = 10000;

    Chain() : states_(kMax + 3, 0) {}
    int get(std::int64_t i) const { return data()[check(i)]; }
    void set(std::int64_t i, int state) { data()[check(i)] = static_cast<std::int16_t>(state); }
    const std::int16_t* data() const { return states_.data() + 1; }
    std::int16_t* data() { return states_.data() + 1; }

private:
    static std::int64_t check(std::int64_t i) {
        if (i < 0 || i > kMax) throw BoundsError("ChainState", i, 0, kMax);
        return i;
    }
    std::vector<std::int16_t> states_;
};

// What accepted moves have changed since the program began. The loops keep it up to date, so a
// measurement takes one full count as its baseline and then follows these totals.
struct Drift {
    std::int64_t energy = 0;
    std::int64_t magnetization = 0;
    std::int64_t stateCounts[10] = {};  // chain units per rotational state 1..9
    std::int64_t accepted = 0;          // accepted moves of every loop, for acceptance ratios
};

// Which Ising model the lattice loops simulate. The defaults are the 3 x 3 (3 x 3 x 3) block with
// open edges and no field; the others give the textbook nearest-neighbour model, wrap-around
// edges (index N + 1 is 0) and a field h, with a flip costing 2 s (sum + h).
enum class Coupling { Block, Nearest };
enum class Edges { Open, Periodic };
struct ModelOptions {
    Coupling coupling = Coupling::Block;
    Edges edges = Edges::Open;
    double field = 0.0;
    // Wolff cluster moves instead of single flips: a trial is one cluster move, and the
    // Metropolis and Glauber choices stand aside until it is off. No field goes with it.
    bool cluster = false;

    bool standard() const {
        return coupling == Coupling::Block && edges == Edges::Open && field == 0 && !cluster;
    }
    // A single site has no neighbours of its own to wrap to, so it counts as open.
    bool wraps(int n) const { return edges == Edges::Periodic && n > 0; }
    // "block, open edges, h = 0" (", Wolff" with cluster moves), for read-outs and reports.
    std::string describe() const;
};

// The field h of a text, converted as Temp is and within Temp's range, -32768 to 32767 (an
// empty text is no field); throws the conversion error naming "Field".
double fieldFromText(const std::string& text);

struct SimState {
    SquareLattice Lattice2D;
    CubicLattice Lattice3D;
    Chain ChainState;
    std::int32_t SiteX = 0;
    std::int32_t SiteY = 0;
    std::int16_t SiteZ = 0;
    std::int16_t SpinValue = 0;
    std::int16_t SpinColor = 0;
    bool Running = false;
    Drift drift;
    ModelOptions model;
    // What the next lattice set-up leaves before the first trial; random at start.
    StartState start = StartState::Random;
};

// Draws a fresh spin, re-seeding first: -1 (colour 9) when the draw is below 0.5, else +1 (15).
void RandomSpin(SimState& state, Rng& rng);

// Colour index of square-lattice site (x, y): 9 for spin -1, 15 otherwise. The arguments are
// rounded to whole numbers; outside 0..1000 they raise the bounds error.
std::int16_t ChooseColor(const SimState& state, double x, double y);

// Lattice size N to pen width in pixels, shared by the square lattice and the plane views.
int penWidthForSize(int n);

}  // namespace spinlab
