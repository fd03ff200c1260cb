#include "batch/runners.h"

namespace spinlab::batch {

// Placeholder until this simulation is wired to the batch tool.
Report runChain(const Options&) {
    throw UsageError{"the chain simulation is not available yet"};
}

}  // namespace spinlab::batch
