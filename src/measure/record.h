#pragma once
// What made an output, written with it: the program and version, the simulation, every model
// and run option and a command line that repeats the run. CSV files carry it as "# key: value"
// lines above the header (gnuplot, numpy, R and pandas skip them), PNG files as text chunks;
// it works on standard output, where a file beside the output could not.
// Numbers in files are written here, never through printf, so a comma-decimal locale cannot
// reach them.

#include <string>
#include <utility>
#include <vector>

namespace spinlab {

// The shortest text that reads back as the same double ("0.1", "1e-07"), as in the C locale.
std::string shortestText(double value);
// printf's %.9g (or %.Pg for a precision P), as in the C locale.
std::string text9(double value, int precision = 9);
// Appends text9(value).
void appendText9(std::string& out, double value);

class Record {
public:
    // A key of letters, digits and hyphens; a value on one line (line breaks become spaces).
    void add(const std::string& key, const std::string& value);
    const std::vector<std::pair<std::string, std::string>>& entries() const { return entries_; }
    // "# key: value" lines, each ended by a newline.
    std::string commentLines() const;

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

// A word of a command line as a POSIX shell reads it back: as it is when it holds only safe
// characters, else in single quotes.
std::string shellWord(const std::string& word);

}  // namespace spinlab
