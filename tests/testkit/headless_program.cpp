#include "testkit/headless_program.h"

namespace spinlab::testing {

void HeadlessProgram::stopAfter(std::uint64_t calls) {
    pump.after(calls, [this] { main().Command2.click(); });
}

}  // namespace spinlab::testing
