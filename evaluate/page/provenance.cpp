#include "evaluate/page/provenance.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "evaluate/page/sha256.h"
#include "tracer_version.h"

namespace evaluate {
namespace {

bool plain_word(std::string_view word) {
  if (word.empty()) return false;
  for (const char c : word) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    std::string_view("-_./=,:+@%").find(c) != std::string_view::npos;
    if (!ok) return false;
  }
  return true;
}

// The time of the run: SOURCE_DATE_EPOCH when it holds a whole number of seconds.
long long run_time() {
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    errno = 0;
    char* end = nullptr;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (errno == 0 && end != epoch && *end == '\0' && seconds >= 0) return seconds;
  }
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::string command_line(std::string_view program, std::span<const std::string> args) {
  std::string out(program);
  for (const std::string& arg : args) {
    out += ' ';
    if (plain_word(arg)) {
      out += arg;
      continue;
    }
    out += '\'';
    for (const char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    out += '\'';
  }
  return out;
}

std::string utc_text(long long seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (gmtime_r(&t, &tm) == nullptr) return "unknown";
  char buf[64];
  const std::size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
  return n == 0 ? std::string("unknown") : std::string(buf, n);
}

std::vector<std::pair<std::string, std::string>> provenance(
    std::string_view program, std::span<const std::string> args,
    std::span<const std::pair<std::string, std::string>> inputs) {
  std::vector<std::pair<std::string, std::string>> out;
  out.emplace_back("Program", std::string(program) + " " + std::string(tracer::kVersion));
  out.emplace_back("Run at", utc_text(run_time()));
  out.emplace_back("Command line", command_line(program, args));
  for (const auto& [name, facts] : inputs) out.emplace_back("Input file", name + ": " + facts);
  return out;
}

std::string file_facts(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return "not a regular file";
  std::ifstream in(path, std::ios::binary);
  if (!in) return "not readable again";
  Sha256 digest;
  unsigned long long size = 0;
  std::string chunk(1 << 16, '\0');
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    digest.add(std::string_view(chunk.data(), got));
    size += got;
  }
  if (in.bad()) return "not readable again";
  return std::to_string(size) + " bytes, SHA-256 " + digest.hex();
}

}  // namespace evaluate
