#include "batch/runners.h"

namespace spinlab::batch {

// Placeholder until this simulation is wired to the batch tool.
Report runAnt(const Options&) {
    throw UsageError{"the ant simulation is not available yet"};
}

}  // namespace spinlab::batch
