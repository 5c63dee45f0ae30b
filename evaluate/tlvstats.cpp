#include "evaluate/tlvstats.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "evaluate/combined_plot.h"
#include "evaluate/evaluation.h"
#include "evaluate/pairs.h"
#include "evaluate/report.h"
#include "evaluate/svg.h"

namespace {

constexpr std::string_view kProgram = "tlvstats";
constexpr int kDefaultResamples = 1000;
constexpr int kMaxResamples = 100000;
constexpr std::uint64_t kDefaultSeed = 1;

const records::ProgramInfo kInfo{
    kProgram, "tlvstats [--resamples N] [--seed N] [--help | --version]",
    "Reads TLV-Combined-NoFill-Results.txt in the working directory and writes\n"
    "TLV-Model-Statistics.txt (FB, MG, NMSE, VG and FAC2 of AERMOD and ISCST3 against\n"
    "the observed CY/Q and CMAX/Q, per arc and stability, with bootstrap 95% limits and\n"
    "the significance of the differences between the models), TLV-Scatter.svg and\n"
    "TLV-QQ.svg.\n"
    "  --resamples N  bootstrap resamples, 1 to 100000 (default 1000)\n"
    "  --seed N       seed of the resampling, 0 to 18446744073709551615 (default 1)\n"};

struct Settings {
  int resamples = kDefaultResamples;
  std::uint64_t seed = kDefaultSeed;
};

// A whole decimal number without sign, all of `text`.
std::optional<std::uint64_t> whole_number(std::string_view text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

int usage_error(const records::RunContext& ctx, const std::string& what) {
  ctx.err << kProgram << ": " << what << '\n' << "usage: " << kInfo.synopsis << '\n';
  ctx.err.flush();
  return records::kStatusReadError;
}

// Takes --resamples and --seed (as "--name N" or "--name=N") out of the arguments;
// the others are left in `rest`. Returns a status when the run should not go on.
std::optional<int> take_settings(const records::RunContext& ctx, Settings& settings,
                                 std::vector<std::string>& rest) {
  for (std::size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& arg = ctx.args[i];
    std::string name = arg;
    std::optional<std::string> value;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (name != "--resamples" && name != "--seed") {
      rest.push_back(arg);
      continue;
    }
    if (!value) {
      if (i + 1 >= ctx.args.size()) return usage_error(ctx, "'" + name + "' needs a number");
      value = ctx.args[++i];
    }
    const std::optional<std::uint64_t> n = whole_number(*value);
    if (name == "--resamples") {
      if (!n || *n < 1 || *n > static_cast<std::uint64_t>(kMaxResamples)) {
        return usage_error(
            ctx, "bad value '" + *value + "' for --resamples (a whole number from 1 to 100000)");
      }
      settings.resamples = static_cast<int>(*n);
    } else {
      if (!n) {
        return usage_error(ctx, "bad value '" + *value +
                                    "' for --seed (a whole number from 0 to "
                                    "18446744073709551615)");
      }
      settings.seed = *n;
    }
  }
  return std::nullopt;
}

// Writes `text` record by record (one per '\n'-ended line).
void write_text_file(const std::filesystem::path& dir, std::string_view name,
                     std::string_view text) {
  records::OutputFile out = records::OutputFile::open(dir, name);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    out.write_record(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  out.close();
}

}  // namespace

int run_tlvstats(const records::RunContext& ctx) {
  Settings settings;
  std::vector<std::string> rest;
  if (auto status = take_settings(ctx, settings, rest)) return *status;
  const records::RunContext plain{ctx.dir, std::span<const std::string>(rest), ctx.in, ctx.out,
                                  ctx.err};
  if (auto status = records::handle_arguments(kInfo, plain)) return *status;

  return records::guarded_run(kProgram, ctx.err, [&]() {
    using namespace evaluate;
    // Everything is read and computed before any output file is touched.
    records::InputFile in = records::InputFile::open(ctx.dir, kCombinedFile);
    const CombinedTable table = read_combined(in);
    in.close();
    const Evaluation ev = evaluate_lines(table.lines, settings.resamples, settings.seed);
    const ReportInput input{kCombinedFile, static_cast<long>(table.lines.size()), table.counts};
    const std::vector<std::string> report = report_lines(input, ev);
    const PairPlotInput plot = combined_plot_input(table.lines);
    const std::string scatter = scatter_svg(plot, "scatter-");
    const std::string qq = qq_svg(plot, "qq-");

    records::OutputFile out = records::OutputFile::open(ctx.dir, kStatisticsFile);
    for (const std::string& line : report) out.write_record(line);
    out.close();
    write_text_file(ctx.dir, kScatterFile, scatter);
    write_text_file(ctx.dir, kQqFile, qq);
    return 0;
  });
}
