#include "app/application.h"

#include <cctype>
#include <string>

#include "polymer/polymer.h"

namespace spinlab {

Application::Application(Program& program) : program_(program), commands_(program) {
    program_.describeError = [this](const PlatformError& e) { return describeError(program_, e); };
    program_.onFormCreated = [this](Form& form) { wire(form); };
}

void Application::start() {
    program_.IsingModel().window.Show();
}

void Application::wire(Form& form) {
    auto bind = [this](Command& command, auto& owner, auto handler) {
        command.onClick = [this, &owner, handler] { program_.handle([&] { (owner.*handler)(); }); };
    };
    if (auto* main = dynamic_cast<MainForm*>(&form)) {
        bind(main->Command1, commands_, &Commands::Command1_Click);
        bind(main->Command2, commands_, &Commands::Command2_Click);
        bind(main->IsingModelItem, commands_, &Commands::IsingModel_Click);
        bind(main->simulation3D, commands_, &Commands::simulation3D_Click);
        bind(main->PolymerChain, commands_, &Commands::PolymerChain_Click);
        bind(main->Quit, commands_, &Commands::Quit_Click);
    }
    if (auto* polymer = dynamic_cast<PolymerForm*>(&form)) {
        polymer->Iterations.onChange = [this] {
            program_.handle([this] { Iterations_Change(program_); });
        };
    }
    if (auto* ant = dynamic_cast<AntForm*>(&form)) {
        bind(ant->Command1, antCommands_, &AntCommands::Command1_Click);
        bind(ant->Command2, antCommands_, &AntCommands::Command2_Click);
        bind(ant->Command3, antCommands_, &AntCommands::Command3_Click);
    }
}

namespace {

// The box and its size, as typed and, when the text is not plain digits, as read.
std::string sizeAsTyped(const TextBox& box, int n) {
    const std::string digits = std::to_string(n);
    if (box.Text() == digits) return box.inputName() + " " + digits;
    return box.inputName() + " " + quoteInput(box.Text()) + " (" + digits + ")";
}

// The lattice size and its limit, for a bounds error that a size out of range caused.
std::string sizeProblem(const TextBox& box, int limit) {
    try {
        const int n = box.cint();
        if (n > limit) return sizeAsTyped(box, n) + " is above " + std::to_string(limit);
        if (n < 0) return sizeAsTyped(box, n) + " is negative";
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
