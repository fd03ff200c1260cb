#pragma once
// Puts the program together: wires every window's controls to their handlers as the window comes
// into being, and words platform errors for the user. Used alike by the windows, the batch tool
// and the tests, so all three run the same handlers.

#include <string>

#include "antwalk/antcommands.h"
#include "app/commands.h"
#include "core/program.h"

namespace spinlab {

class Application {
public:
    explicit Application(Program& program);
    Program& program() { return program_; }
    Commands& commands() { return commands_; }
    AntCommands& antCommands() { return antCommands_; }

    // Creates and shows the main window, as at program start.
    void start();

private:
    void wire(Form& form);

    Program& program_;
    Commands commands_;
    AntCommands antCommands_{program_};
};

// A platform error in the user's words, naming the input or the array and what was wrong.
std::string describeError(Program& program, const PlatformError& error);

}  // namespace spinlab
