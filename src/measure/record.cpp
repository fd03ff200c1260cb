#include "measure/record.h"

#include <charconv>

namespace spinlab {

std::string shortestText(double value) {
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? std::string(buf, end) : std::string("nan");
}

void appendText9(std::string& out, double value) {
    out += text9(value);
}

std::string text9(double value, int precision) {
    char buf[48];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

void Record::add(const std::string& key, const std::string& value) {
    std::string line = value;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    entries_.emplace_back(key, std::move(line));
}

std::string Record::commentLines() const {
    std::string out;
    for (const auto& [key, value] : entries_)
        out.append("# ").append(key).append(": ").append(value).append("\n");
    return out;
}

std::string shellWord(const std::string& word) {
    const bool safe = !word.empty() && word.find_first_not_of(
                                           "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                           "0123456789-_.,:/+=@%") == std::string::npos;
    if (safe) return word;
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace spinlab
