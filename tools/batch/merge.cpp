#include "batch/merge.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>

#include "batch/harness.h"
#include "core/errors.h"

namespace spinlab::batch {

namespace {

struct Shard {
    std::string name;
    std::vector<std::string> record;  // the "# key: value" lines, as written
    std::string header;
    std::vector<std::string> rows;
};

// A failure of the shards themselves: exit status 2, as for an input the run refuses.
[[noreturn]] void refuse(const std::string& message) {
    throw RunFailure{"merge: " + message};
}

Shard readShard(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) refuse("cannot read " + name + ": " + std::strerror(errno));
    Shard shard{name, {}, {}, {}};
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with('#') && shard.header.empty()) {
            shard.record.push_back(line);
        } else if (shard.header.empty()) {
            shard.header = line;
        } else if (!line.empty()) {
            shard.rows.push_back(line);
        }
    }
    if (in.bad()) refuse("cannot read " + name + ": " + std::strerror(errno));
    if (!shard.header.starts_with("temp,") && !shard.header.starts_with("size,temp,"))
        refuse(name + " is not a --sweep's CSV: its first line is not temp,... or size,temp,...");
    return shard;
}

// A temperature of a row, exactly, at the sweep's finest scale.
struct Temp {
    std::int64_t units = 0;
    std::string text;
};

std::string fieldOf(const std::string& row, std::size_t index) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < index; ++i) {
        from = row.find(',', from);
        if (from == std::string::npos) return {};
        ++from;
    }
    return row.substr(from, row.find(',', from) - from);
}

std::string where(const std::string& size, const std::string& temp) {
    return (size.empty() ? "" : "size " + size + ", ") + "T = " + temp;
}

}  // namespace

void mergeShards(const std::vector<std::string>& files, std::FILE* out) {
    if (files.empty()) throw UsageError{"merge needs the CSV files of a sweep's shards"};
    std::vector<Shard> shards;
    shards.reserve(files.size());
    for (const std::string& name : files)
        shards.push_back(readShard(name));
    // Shards of one sweep carry one record and one header; anything else was made another way.
    for (const Shard& s : shards) {
        if (s.record != shards.front().record) {
            const auto [mine, theirs] =
                std::mismatch(s.record.begin(), s.record.end(), shards.front().record.begin(),
                              shards.front().record.end());
            const auto shown = [](const auto& at, const auto& end) {
                return at == end ? std::string("none") : quoteInput(*at);
            };
            refuse(s.name + " and " + shards.front().name +
                   " come from different sweeps: their # lines differ, " +
                   shown(mine, s.record.end()) + " against " +
                   shown(theirs, shards.front().record.end()));
        }
        if (s.header != shards.front().header) {
            refuse(s.name + " and " + shards.front().name +
                   " come from different sweeps: their columns differ");
        }
    }
    const bool sized = shards.front().header.starts_with("size,");
    const auto columns =
        std::count(shards.front().header.begin(), shards.front().header.end(), ',');
    std::optional<Decimal> step;  // the sweep's step, when the record holds it
    for (const std::string& line : shards.front().record) {
        if (line.starts_with("# sweep-step: ")) step = parseDecimal(line.substr(14));
    }

    // Every row's place: its size (in the order the sweep ran them) and its temperature.
    struct Row {
        std::string size, temp, text, shard;
        std::optional<Decimal> t;
    };
    std::vector<Row> rows;
    std::vector<std::string> sizes;  // in the order the shards list them
    int scale = step ? step->scale : 0;
    bool descending = step && step->units < 0;
    for (const Shard& s : shards) {
        std::string previousSize, previousTemp;
        std::optional<Decimal> previous;
        for (const std::string& text : s.rows) {
            Row row{sized ? fieldOf(text, 0) : "", fieldOf(text, sized ? 1 : 0), text, s.name, {}};
            row.t = parseDecimal(row.temp);
            if (!row.t || std::count(text.begin(), text.end(), ',') != columns)
                refuse(s.name + " has a row that is not a sweep's: " + quoteInput(text));
            // Every run of a sweep has its --trials: rows with others come from another sweep.
            const std::string trials = fieldOf(text, sized ? 2 : 1);
            if (rows.empty() || trials != fieldOf(rows.front().text, sized ? 2 : 1)) {
                if (!rows.empty()) {
                    refuse(s.name + " and " + rows.front().shard +
                           " come from different sweeps: their runs have " + trials + " and " +
                           fieldOf(rows.front().text, sized ? 2 : 1) + " trials");
                }
            }
            scale = std::max(scale, row.t->scale);
            if (std::find(sizes.begin(), sizes.end(), row.size) == sizes.end())
                sizes.push_back(row.size);
            // Within a shard the temperatures run the sweep's way.
            if (!step && previous && previousSize == row.size) {
                std::int64_t a = 0, b = 0;
                const int common = std::max(previous->scale, row.t->scale);
                if (rescale(*previous, common, a) && rescale(*row.t, common, b) && b < a)
                    descending = true;
            }
            previous = row.t;
            previousSize = row.size;
            rows.push_back(std::move(row));
        }
    }
    // Keys at one scale, exact, so that a gap is told by whole steps.
    std::map<std::pair<std::size_t, std::int64_t>, const Row*> placed;
    std::map<std::int64_t, std::string> temps;  // every temperature some shard holds
    for (const Row& row : rows) {
        std::int64_t units = 0;
        if (!rescale(*row.t, scale, units))
            refuse(row.shard + ": T = " + row.temp + " needs more than 16 digits");
        const std::size_t size = static_cast<std::size_t>(
            std::find(sizes.begin(), sizes.end(), row.size) - sizes.begin());
        const auto [at, fresh] = placed.emplace(std::pair{size, descending ? -units : units}, &row);
        if (!fresh) {
            refuse("the shards overlap: " + where(row.size, row.temp) +
                   (at->second->shard == row.shard
                        ? " is twice in " + row.shard
                        : " is in both " + at->second->shard + " and " + row.shard));
        }
        temps.emplace(descending ? -units : units, row.temp);
    }
    // The step: the record's, else the closest two temperatures, which a gap cannot hide
    // unless every other row is missing.
    std::int64_t stride = 0;
    if (step) {
        if (!rescale(*step, scale, stride)) refuse("the record's step needs more than 16 digits");
        stride = stride < 0 ? -stride : stride;
    } else {
        for (auto it = temps.begin(); std::next(it) != temps.end(); ++it) {
            const std::int64_t gap = std::next(it)->first - it->first;
            stride = stride == 0 ? gap : std::min(stride, gap);
        }
    }
    for (auto it = temps.begin(); stride > 0 && std::next(it) != temps.end(); ++it) {
        const std::int64_t gap = std::next(it)->first - it->first;
        if (gap != stride) {
            refuse("a shard is missing: no rows between T = " + it->second + " and T = " +
                   std::next(it)->second + " (step " + decimalText(stride, scale) + ")");
        }
    }
    for (std::size_t size = 0; size < sizes.size(); ++size) {
        for (const auto& [units, text] : temps) {
            if (!placed.count({size, units}))
                refuse("a shard is missing: no row for " + where(sizes[size], text));
        }
    }
    for (const std::string& line : shards.front().record)
        std::fprintf(out, "%s\n", line.c_str());
    std::fprintf(out, "%s\n", shards.front().header.c_str());
    for (const auto& [key, row] : placed)
        std::fprintf(out, "%s\n", row->text.c_str());
}

}  // namespace spinlab::batch
