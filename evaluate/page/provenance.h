// What names a run on its page: the program and its version, the time of the run
// in UTC (from SOURCE_DATE_EPOCH when it is set, so that a page can be made again
// byte for byte), the command line, and each input file's name, size and SHA-256.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace evaluate {

// The facts, as (name, value) rows, of a run of `program` with `args` (the program
// name not among them) that read the input files named in `inputs`, each with its
// file_facts().
std::vector<std::pair<std::string, std::string>> provenance(
    std::string_view program, std::span<const std::string> args,
    std::span<const std::pair<std::string, std::string>> inputs);

// An input file's size and SHA-256 ("<size> bytes, SHA-256 <hex>"), read again; or
// that it is not a regular file (a pipe, say: it would block or give other bytes),
// or cannot be read again.
std::string file_facts(const std::filesystem::path& path);

// The command line as a POSIX shell reads it back: words with characters other than
// letters, digits and -_./=,:+@% in single quotes.
std::string command_line(std::string_view program, std::span<const std::string> args);

// Seconds since 1970 as "2026-12-08 10:45:00 UTC".
std::string utc_text(long long seconds);

}  // namespace evaluate
