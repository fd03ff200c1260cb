#pragma once
// How a lattice run begins: fresh random spins, as the program always has, or every site up or
// down for a quench or a hysteresis loop. One table lists the choices; the Lab window and
// spinlab-batch's --start are both built from it. The set-up draws its random spins either way,
// so a random start is unchanged, and the other two overwrite them before the first trial.

#include <array>
#include <string_view>

namespace spinlab {

enum class StartState { Random, Up, Down };

struct StartChoice {
    StartState state;
    std::string_view key;      // names the choice in options: "random", "up", "down"
    std::string_view caption;  // as the Lab window lists it
    int spin;                  // the spin of every site, 0 for random
};

inline constexpr std::array kStartChoices = {
    StartChoice{StartState::Random, "random", "Random spins", 0},
    StartChoice{StartState::Up, "up", "All +1", 1},
    StartChoice{StartState::Down, "down", "All -1", -1},
};

// The choice named `key`, or nullptr.
inline const StartChoice* findStart(std::string_view key) {
    for (const StartChoice& c : kStartChoices) {
        if (c.key == key) return &c;
    }
    return nullptr;
}

inline const StartChoice& startChoice(StartState state) {
    return kStartChoices[static_cast<std::size_t>(state)];
}

}  // namespace spinlab
