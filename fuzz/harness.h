// The machinery shared by the fuzz targets and their regression test: a scratch
// folder per process and an in-process run of a program (both from tests/support),
// the cut of one fuzz input into a program's input files, and the checks that
// every run must pass whatever its input. Header only, so that the regression test
// (built with the ordinary compiler) runs exactly what the fuzz targets run.
//
// Cutting a fuzz input into files: the bytes are cut at every 0x1E byte (the
// ASCII record separator). Piece k becomes input file k, in the order in which
// the program opens its inputs; the last file takes everything after its
// separator, further 0x1E bytes included. When there are fewer pieces than files,
// the files without a piece are not created, so the run meets a missing file.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "records/records.h"
#include "tests/support/run.h"
#include "tests/support/scratch.h"

namespace fuzzing {

inline constexpr char kFileSeparator = '\x1e';

// The input files of one run: piece k of `data` for file k (see above).
inline std::vector<std::string_view> split_files(std::string_view data, std::size_t count) {
  std::vector<std::string_view> pieces;
  if (count == 0) return pieces;
  std::size_t from = 0;
  for (;;) {
    if (pieces.size() + 1 == count) {
      pieces.push_back(data.substr(from));
      break;
    }
    const std::size_t cut = data.find(kFileSeparator, from);
    if (cut == std::string_view::npos) {
      pieces.push_back(data.substr(from));
      break;
    }
    pieces.push_back(data.substr(from, cut - from));
    from = cut + 1;
  }
  return pieces;
}

// The pieces joined again: the fuzz input that gives exactly these files.
inline std::string join_files(std::initializer_list<std::string_view> files) {
  std::string data;
  bool first = true;
  for (std::string_view f : files) {
    if (!first) data += kFileSeparator;
    data += f;
    first = false;
  }
  return data;
}

using Scratch = testsupport::ScratchDir;

// The scratch folder of this process, <base>/tracer-fuzz-<pid>, where <base> is
// /dev/shm when it can be written and the system's temporary folder otherwise.
// It is emptied before every run and removed when the process ends normally.
inline const Scratch& process_scratch() {
  static const Scratch scratch = [] {
    std::error_code ec;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0)
      base = std::filesystem::temp_directory_path();
    return Scratch(base / ("tracer-fuzz-" + std::to_string(::getpid())));
  }();
  return scratch;
}

// Writes the input files of one run into the emptied scratch folder: names[k]
// receives pieces[k]; names without a piece are left missing.
inline void lay_out_inputs(const Scratch& scratch, std::initializer_list<std::string_view> names,
                           const std::vector<std::string_view>& pieces) {
  scratch.clear();
  std::size_t k = 0;
  for (std::string_view name : names) {
    if (k < pieces.size()) scratch.write(name, pieces[k]);
    ++k;
  }
}

using testsupport::run_program;
using testsupport::RunResult;

// ---------------------------------------------------------------------------
// Checks. Each returns a description of what is wrong, or an empty text.

inline bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// The exit status and the console error line of a run. A normal end writes
// nothing on the error stream. A run-ending failure writes exactly one line,
// "<program>: ...", which names one of `files` and gives one of the reasons of
// the record layer (or one of `own_reasons`, the program's own fatal checks);
// status 1 goes with an operating-system failure, status 2 with the others.
inline std::string check_status(const RunResult& r, std::string_view program,
                                std::initializer_list<std::string_view> files,
                                std::initializer_list<std::string_view> own_reasons = {}) {
  if (r.status == 0) {
    if (!r.err.empty()) return "status 0 but an error line: " + r.err;
    return {};
  }
  if (r.status != records::kStatusOsError && r.status != records::kStatusBadInput)
    return "exit status " + std::to_string(r.status);
  const std::string prefix = std::string(program) + ": ";
  if (r.err.size() < prefix.size() + 1 || r.err.compare(0, prefix.size(), prefix) != 0 ||
      r.err.back() != '\n' || r.err.find('\n') != r.err.size() - 1)
    return "the failure is not one line \"" + prefix + "...\": " + r.err;
  bool named = false;
  for (std::string_view f : files) named = named || contains(r.err, f);
  if (!named) return "the failure names no file: " + r.err;
  bool os = contains(r.err, records::kOsErrorPrefix);
  bool read = contains(r.err, records::kBadInteger) || contains(r.err, records::kIntegerOverflow) ||
              contains(r.err, records::kBadReal) || contains(r.err, records::kEndOfFile) ||
              contains(r.err, records::kFileCut) || contains(r.err, records::kBeyondFloatRange) ||
              contains(r.err, "Record longer than ");
  for (std::string_view own : own_reasons) read = read || contains(r.err, own);
  if (r.status == records::kStatusOsError && !os)
    return "status 1 without an operating-system failure: " + r.err;
  if (r.status == records::kStatusBadInput && !read)
    return "status 2 without a read failure: " + r.err;
  return {};
}

// The records of an output file, split at CR LF. Every record ends with CR LF, so
// a file holds only whole records; a LF without its CR is a fault.
inline std::string split_records(std::string_view name, std::string_view content,
                                 std::vector<std::string_view>& records) {
  records.clear();
  std::size_t from = 0;
  while (from < content.size()) {
    const std::size_t lf = content.find('\n', from);
    if (lf == std::string_view::npos)
      return std::string(name) + ": the last record has no line end";
    if (lf == from || content[lf - 1] != '\r')
      return std::string(name) + ": a record ends without CR LF";
    records.push_back(content.substr(from, lf - 1 - from));
    from = lf + 1;
  }
  return {};
}

// Reads an output file of the scratch folder into its records; `exists` tells
// whether it is there. Returns a fault description as split_records does.
inline std::string output_records(const Scratch& scratch, std::string_view name, bool& exists,
                                  std::string& content, std::vector<std::string_view>& records) {
  exists = scratch.exists(name);
  records.clear();
  if (!exists) return {};
  content = scratch.read(name);
  return split_records(name, content, records);
}

// A fault description unless the folder holds what the run may leave: after a
// failure only the inputs (a failed run changes no output), after a success no
// hidden temporary or lock file.
inline std::string leftover_problem(const Scratch& scratch, int status,
                                    std::initializer_list<std::string_view> inputs) {
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
    const std::string name = entry.path().filename().string();
    bool input = false;
    for (std::string_view i : inputs) input = input || name == i;
    if (input) continue;
    if (name.front() == '.') return "a hidden file left by the run: " + name;
    if (status != 0) return "an output file after a failed run: " + name;
  }
  return {};
}

// output_records for a file the run must leave: its absence is the fault `missing`.
inline std::string required_records(const Scratch& scratch, std::string_view name,
                                    std::string_view missing, std::string& content,
                                    std::vector<std::string_view>& records) {
  bool exists = false;
  std::string problem = output_records(scratch, name, exists, content, records);
  if (problem.empty() && !exists) problem = missing;
  return problem;
}

// A fault description unless `records` open with two header lines of `first` and
// `second` columns; `what` names the file.
inline std::string header_problem(std::string_view what,
                                  const std::vector<std::string_view>& records, std::size_t first,
                                  std::size_t second) {
  if (records.size() >= 2 && records[0].size() == first && records[1].size() == second) return {};
  return std::string(what) + " header is not two lines of " + std::to_string(first) + " and " +
         std::to_string(second) + " columns";
}

inline std::size_t count_records(std::string_view text) {
  std::size_t n = 0;
  for (char c : text) n += c == '\n';
  if (!text.empty() && text.back() != '\n') ++n;
  return n;
}

// Ends the process with the description of a finding: the fuzzer keeps the input.
inline void report_finding(const std::string& problem) {
  if (problem.empty()) return;
  std::cerr << "FUZZ FINDING: " << problem << '\n';
  std::cerr.flush();
  std::abort();
}

}  // namespace fuzzing
