#include "testkit/headless_program.h"

namespace spinlab::testing {

HeadlessProgram::HeadlessProgram(std::uint64_t seed, double twipsPerPixel)
    : rng(Rng::seeded(seed)),
      backend(twipsPerPixel),
      pump(&rng),
      program(backend, pump, rng),
      app(program) {
    app.start();
}

void HeadlessProgram::stopAfter(std::uint64_t calls) {
    pump.after(calls, [this] { main().Command2.click(); });
}

}  // namespace spinlab::testing
