#pragma once
// The headless backend: off-screen rasters and plain values, no screen. It records what a GUI
// would show (error messages, the end of the program) so tests and the batch tool can see it.

#include <string>
#include <vector>

#include "core/program.h"

namespace spinlab {

class HeadlessBackend : public Backend {
public:
    explicit HeadlessBackend(double twipsPerPixel = 15.0) : twipsPerPixel_(twipsPerPixel) {}
    void endProgram() override { ended = true; }
    void reportError(const std::string& message) override { errors.push_back(message); }
    double twipsPerPixelX() const override { return twipsPerPixel_; }
    double twipsPerPixelY() const override { return twipsPerPixel_; }

    bool ended = false;
    std::vector<std::string> errors;

private:
    double twipsPerPixel_;
};

}  // namespace spinlab
