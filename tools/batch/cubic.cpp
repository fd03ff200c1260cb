#include "batch/runners.h"

namespace spinlab::batch {

// Placeholder until this simulation is wired to the batch tool.
Report runCubic(const Options&) {
    throw UsageError{"the cubic simulation is not available yet"};
}

}  // namespace spinlab::batch
