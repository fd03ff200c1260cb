#pragma once
// Form1's three buttons. Start walks inside the click, so a Start during a walk clears the
// picture and runs a whole new walk nested in the first one's DoEvents; as with the main
// window's runs, the nesting is bounded so the stack cannot overflow.

#include "antwalk/antwalk.h"

namespace spinlab {

class Program;

class AntCommands {
public:
    // Walks deeper than this are refused: Start then does nothing.
    static constexpr int kMaxNestedWalks = 16;

    explicit AntCommands(Program& program) : program_(program) {}

    void Command1_Click();  // Start
    void Command2_Click();  // Stop
    void Command3_Click();  // End

    // The last walk that came to its end (by Stop or at the border).
    const AntWalk& lastWalk() const { return lastWalk_; }
    // How many walks are active, nested one in another.
    int activeWalks() const { return activeWalks_; }

private:
    Program& program_;
    AntWalk lastWalk_;
    int activeWalks_ = 0;
};

}  // namespace spinlab
