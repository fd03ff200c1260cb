#include "app/application.h"

#include <cctype>
#include <string>

namespace spinlab {

Application::Application(Program& program) : program_(program), commands_(program) {
    program_.describeError = [this](const PlatformError& e) { return describeError(program_, e); };
    program_.onFormCreated = [this](Form& form) { wire(form); };
}

void Application::start() {
    program_.IsingModel().window.Show();
}

void Application::wire(Form& form) {
    auto bind = [this](Command& command, void (Commands::*handler)()) {
        command.onClick = [this, handler] { program_.handle([&] { (commands_.*handler)(); }); };
    };
    if (auto* main = dynamic_cast<MainForm*>(&form)) {
        bind(main->Command1, &Commands::Command1_Click);
        bind(main->Command2, &Commands::Command2_Click);
        bind(main->IsingModelItem, &Commands::IsingModel_Click);
        bind(main->simulation3D, &Commands::simulation3D_Click);
        bind(main->PolymerChain, &Commands::PolymerChain_Click);
        bind(main->Quit, &Commands::Quit_Click);
    }
    if (auto* ant = dynamic_cast<AntForm*>(&form)) {
        auto bindAnt = [this](Command& command, void (AntCommands::*handler)()) {
            command.onClick = [this, handler] {
                program_.handle([&] { (antCommands_.*handler)(); });
            };
        };
        bindAnt(ant->Command1, &AntCommands::Command1_Click);
        bindAnt(ant->Command2, &AntCommands::Command2_Click);
        bindAnt(ant->Command3, &AntCommands::Command3_Click);
    }
}

namespace {

// The lattice size and its limit, for a bounds error that a size out of range caused.
std::string sizeProblem(const TextBox& box, int limit) {
    try {
        const int n = box.cint();
        if (n > limit) {
            return box.inputName() + " " + std::to_string(n) + " is above " + std::to_string(limit);
        }
        if (n < 0) return box.inputName() + " " + std::to_string(n) + " is negative";
    } catch (const ConversionError&) {
    }
    return {};
}

}  // namespace

std::string describeError(Program& program, const PlatformError& error) {
    if (const auto* bounds = dynamic_cast<const BoundsError*>(&error)) {
        std::string why;
        if (bounds->array() == "Lattice2D" && program.hasIsingModel()) {
            why = sizeProblem(program.IsingModel().GridSize, 1000);
        } else if (bounds->array() == "Lattice3D" && program.hasIsingModel()) {
            why = sizeProblem(program.IsingModel().GridSize, 100);
        } else if (bounds->array() == "ChainState" && program.hasPolymerWindow()) {
            why = sizeProblem(program.PolymerWindow().Iterations, 10000);
        }
        if (!why.empty()) return why + ": " + error.what() + ".";
    }
    std::string message = error.what();
    if (!message.empty()) message[0] = static_cast<char>(std::toupper(message[0]));
    return message + ".";
}

}  // namespace spinlab
