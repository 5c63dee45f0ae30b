// The machinery shared by the fuzz targets and their regression test: a scratch
// folder per process, the cut of one fuzz input into a program's input files, an
// in-process run of a program, and the checks that every run must pass whatever
// its input. Header only, so that the regression test (built with the ordinary
// compiler) runs exactly what the fuzz targets run.
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
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "records/records.h"

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

// The scratch folder of this process, <base>/tracer-fuzz-<pid>, where <base> is
// /dev/shm when it can be written and the system's temporary folder otherwise.
// It is emptied before every run and removed when the process ends normally.
class Scratch {
 public:
  static Scratch& get() {
    static Scratch scratch;
    return scratch;
  }
  const std::filesystem::path& dir() const { return dir_; }

  void clear() const {
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(dir_, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
      std::error_code rm;
      std::filesystem::remove_all(it->path(), rm);
    }
  }
  void write(std::string_view name, std::string_view content) const {
    std::ofstream f(dir_ / name, std::ios::binary | std::ios::trunc);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
  }
  // The whole file, or nothing when it does not exist.
  std::optional<std::string> read(std::string_view name) const {
    std::ifstream f(dir_ / name, std::ios::binary);
    if (!f) return std::nullopt;
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
  }

  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

 private:
  Scratch() {
    std::error_code ec;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0)
      base = std::filesystem::temp_directory_path();
    dir_ = base / ("tracer-fuzz-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_, ec);
    std::filesystem::create_directories(dir_);
  }
  std::filesystem::path dir_;
};

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

struct RunResult {
  int status = 0;
  std::string out;  // console output
  std::string err;  // console error output
};

using RunFunction = int (*)(const records::RunContext&);

// Runs a program in `dir` without arguments, `console` as its standard input.
inline RunResult run_program(RunFunction run, const std::filesystem::path& dir,
                             std::string_view console = {}) {
  std::istringstream in{std::string(console)};
  std::ostringstream out, err;
  const std::vector<std::string> args;
  records::RunContext ctx{dir, args, in, out, err};
  RunResult r;
  r.status = run(ctx);
  r.out = out.str();
  r.err = err.str();
  return r;
}

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
  if (r.status != records::kStatusOsError && r.status != records::kStatusReadError)
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
              contains(r.err, records::kBadReal) || contains(r.err, records::kEndOfFile);
  for (std::string_view own : own_reasons) read = read || contains(r.err, own);
  if (r.status == records::kStatusOsError && !os)
    return "status 1 without an operating-system failure: " + r.err;
  if (r.status == records::kStatusReadError && !read)
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
  auto text = scratch.read(name);
  exists = text.has_value();
  records.clear();
  if (!exists) return {};
  content = std::move(*text);
  return split_records(name, content, records);
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
