#pragma once
// spinlab-batch merge: the CSV files of a sweep's shards as the one file the whole sweep would
// have written, refusing shards that overlap, leave a gap, or come from different sweeps.

#include <cstdio>
#include <string>
#include <vector>

namespace spinlab::batch {

// Reads every file in `files`, checks that they fit together, and writes the merged CSV to
// `out`: their common # lines and header, then the rows size by size (in the shards' order)
// and temperature by temperature (the sweep's way). Throws RunFailure naming what does not
// fit, UsageError without files.
void mergeShards(const std::vector<std::string>& files, std::FILE* out);

}  // namespace spinlab::batch
