#pragma once
// What the large view shows, handed across from the simulation state as whole blocks: a
// row-major rectangle of site values (spins of the square lattice, one section of the cube, or
// the chain's states), read through the lattices' own accessors. The view scales a block to
// pixels once per repaint; no call per site crosses into the toolkit.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/simstate.h"
#include "measure/png.h"

namespace spinlab {

struct Block {
    int width = 0;
    int height = 0;
    std::vector<std::int8_t> cells;  // row by row: cell (column, row) at row * width + column
    std::int8_t at(int column, int row) const {
        return cells[static_cast<std::size_t>(row) * width + column];
    }
    // Keeps the storage when the size stays, so a repaint allocates nothing.
    void resize(int w, int h);
};

// The axis a section of the cube is taken across, and the plane views' orientation of it:
// Z shows (x, y) as XY does, X shows (y, z) as YZ does, Y shows (x, z) as XZ does.
enum class SectionAxis { Z, X, Y };

// Sites (x, y) of 0..n: column x, row y, as the main window's picture places them.
void readSquare(const SquareLattice& lattice, int n, Block& block);
// The section of the cube at `index` (0..n) across `axis`.
void readSection(const CubicLattice& lattice, int n, SectionAxis axis, int index, Block& block);
// Units 0..n in one row: their states 1..9.
void readChain(const Chain& chain, int n, Block& block);

// The colour of each cell value: spins in the program's two spin colours (-1 light blue,
// anything else white); chain states in nine colours of their own, 0 (never set) in grey.
enum class BlockColours { Spins, ChainStates };
std::uint32_t chainStateColour(int state);
// One opaque pixel (0xFFRRGGBB) per cell, into `image` (resized as needed).
void paintBlock(const Block& block, BlockColours colours, RgbImage& image);
// Each pixel as an sx x sy square, without smoothing.
RgbImage scaled(const RgbImage& image, int sx, int sy);
// The same picture written as a PNG row by row, never whole: a lattice of 1001 x 1001 at zoom 64
// is some 4 billion pixels. `progress`, if given, is told the share done (0..1) now and then and
// cancels the save by returning false. Throws WriteError, naming the size when PNG cannot hold
// it; a failed or cancelled save leaves no file.
void writeScaledPng(const std::string& path, const RgbImage& image, int sx, int sy,
                    const std::function<bool(double)>& progress = {},
                    const Record* record = nullptr);

}  // namespace spinlab
