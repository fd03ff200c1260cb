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

// A box's limit in the user's words: its largest value, and what that value makes.
struct SizeLimit {
    int largest;
    const char* largestIs;   // "the largest lattice"
    const char* smallestIs;  // "the smallest lattice is 0"
};

constexpr SizeLimit kSquareLimit{1000, "the largest lattice", "the smallest lattice is 0"};
constexpr SizeLimit kCubicLimit{100, "the largest cubic lattice", "the smallest lattice is 0"};
constexpr SizeLimit kChainLimit{10000, "the longest chain", "the shortest chain is 0"};

// The box and its size, as typed and, when the text is not plain digits, as read.
std::string sizeAsTyped(const TextBox& box, int n) {
    const std::string digits = std::to_string(n);
    if (box.Text() == digits) return box.inputName() + " " + digits;
    return box.inputName() + " " + quoteInput(box.Text()) + " (" + digits + ")";
}

// The size against its limit, for a bounds error that a size out of range caused.
std::string sizeProblem(const TextBox& box, const SizeLimit& limit) {
    try {
        const int n = box.cint();
        if (n > limit.largest) {
            return sizeAsTyped(box, n) + " is above " + std::to_string(limit.largest) + ", " +
                   limit.largestIs;
        }
        if (n < 0) return sizeAsTyped(box, n) + " is negative: " + limit.smallestIs;
    } catch (const ConversionError&) {
    }
    return {};
}

// A size box whose text CInt cannot hold is above or below the box's own limit, which is what
// the user can act on; the text is quoted, as it was never read as a number.
std::string sizeOutOfRange(Program& program, const ConversionError& error) {
    const SizeLimit* limit = nullptr;
    const TextBox* box = nullptr;
    if (program.hasIsingModel() && error.input() == program.IsingModel().GridSize.inputName()) {
        box = &program.IsingModel().GridSize;
        limit = program.IsingModel().simulation3D.Checked() ? &kCubicLimit : &kSquareLimit;
    } else if (program.hasPolymerWindow() &&
               error.input() == program.PolymerWindow().Iterations.inputName()) {
        box = &program.PolymerWindow().Iterations;
        limit = &kChainLimit;
    }
    if (!box || !error.outOfRange() || box->Text() != error.text()) return {};
    if (error.belowRange())
        return box->inputName() + " " + quoteInput(box->Text()) +
               " is negative: " + limit->smallestIs;
    return box->inputName() + " " + quoteInput(box->Text()) + " is above " +
           std::to_string(limit->largest) + ", " + limit->largestIs;
}

}  // namespace

std::string describeError(Program& program, const PlatformError& error) {
    std::string why;
    if (const auto* bounds = dynamic_cast<const BoundsError*>(&error)) {
        // The array and index are the program's own; the message names the box behind them.
        if (bounds->array() == "Lattice2D" && program.hasIsingModel()) {
            why = sizeProblem(program.IsingModel().GridSize, kSquareLimit);
        } else if (bounds->array() == "Lattice3D" && program.hasIsingModel()) {
            why = sizeProblem(program.IsingModel().GridSize, kCubicLimit);
        } else if (bounds->array() == "ChainState" && program.hasPolymerWindow()) {
            why = sizeProblem(program.PolymerWindow().Iterations, kChainLimit);
        }
        if (why.empty()) why = "The run stopped on an internal error";
    } else if (const auto* conversion = dynamic_cast<const ConversionError*>(&error)) {
        why = sizeOutOfRange(program, *conversion);
    }
    if (!why.empty()) return why + ".";
    std::string message = error.what();
    if (!message.empty()) message[0] = static_cast<char>(std::toupper(message[0]));
    return message + ".";
}

}  // namespace spinlab
