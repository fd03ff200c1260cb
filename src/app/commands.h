#pragma once
// The main window's commands: Start, Stop, Quit and the File menu that selects the simulation.
// Start runs a whole set-up and loop inside the click, so a second Start during a run nests a
// new run inside the first one's DoEvents; the nesting is bounded so the stack cannot overflow.

namespace spinlab {

class Program;

class Commands {
public:
    // Runs deeper than this are refused: Start then does nothing.
    static constexpr int kMaxNestedRuns = 16;

    explicit Commands(Program& program) : program_(program) {}

    void Command1_Click();  // Start
    void Command2_Click();  // Stop
    void IsingModel_Click();
    void simulation3D_Click();
    void PolymerChain_Click();
    void Quit_Click();

    // How many runs are active, nested one in another.
    int activeRuns() const { return activeRuns_; }

private:
    enum class Mode { Square, Cubic, Chain };
    // Raises, without changing anything, the error a Start of `mode` would meet in its set-up or
    // first trial.
    void checkInputs(Mode mode);
    void startSquareLattice();
    void startCubicLattice();
    void startPolymerChain();

    Program& program_;
    int activeRuns_ = 0;
};

}  // namespace spinlab
