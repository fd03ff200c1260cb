#include "polymer/polymer.h"

#include "core/program.h"
#include "core/runtime.h"
#include "core/sitedraw.h"

namespace spinlab {

int drawChainState(Rng& rng) {
    rng.Randomize();
    const float r = rng.Rnd();
    return 1 + static_cast<int>(Round(r * 8.0f));
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
// DoEvents, paint the new dot white, count. Only DoEvents can let a nested run move SiteX or
// rewrite the chain, so those are re-read only after the pump has actually run.
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
    std::uint64_t passes = 0;
    while (state.Running) {
        iterations.setLocked(true);

        const int x = drawIndex(rng, iterations);
        const int n = iterations.cint();
        state.SiteX = x;

        rng.Randomize();
        // With a negative length x lies in n..0; the first negative unit fails here.
        const int old = chain.get(x);
        const int proposed = drawChainState(rng);
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
