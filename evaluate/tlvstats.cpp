#include "evaluate/tlvstats.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "evaluate/input/pairs.h"
#include "evaluate/input/pairs_csv.h"
#include "evaluate/pictures/adapters.h"
#include "evaluate/pictures/svg.h"
#include "evaluate/statistics/evaluation.h"
#include "evaluate/tables/report.h"
#include "evaluate/tables/tidy.h"

namespace {

constexpr std::string_view kProgram = "tlvstats";
constexpr int kDefaultResamples = 1000;
constexpr int kMaxResamples = 100000;
constexpr std::uint64_t kDefaultSeed = 1;

// The text of --help; its list of measures is the table's.
std::string_view summary() {
  static const std::string text =
      "Reads TLV-Combined-NoFill-Results.txt in the working directory and writes\n"
      "TLV-Model-Statistics.txt (" +
      evaluate::measure_list(evaluate::Shown::acceptance) +
      " and the robust highest\n"
      "concentrations of AERMOD and ISCST3 against the observed CY/Q and CMAX/Q, per arc and\n"
      "stability, with bootstrap 95% limits and the significance of the paired differences\n"
      "between the models), the same in tidy form in TLV-Model-Statistics.csv,\n"
      "the pictures TLV-Scatter.svg, TLV-QQ.svg, TLV-Residuals.svg, TLV-MG-VG.svg and\n"
      "TLV-FB-NMSE.svg, and the page TLV-Evaluation.html. With --pairs, evaluates the CSV pairs "
      "file "
      "instead\n"
      "(columns group, observed, optional obk and quantity, one column per model) and\n"
      "names the outputs after it (pairs.csv: pairs-Model-Statistics.txt, ...).\n"
      "  --resamples N      bootstrap resamples, 1 to 100000 (default 1000)\n"
      "  --seed N           seed of the resampling, 0 to 18446744073709551615 (default 1)\n"
      "  --criteria SET     acceptance criteria, rural (default) or urban\n"
      "  --pairs FILE.csv   evaluate a pairs file instead of the combined table\n";
  return text;
}

const runframe::ProgramInfo kInfo{
    kProgram,
    "tlvstats [--resamples N] [--seed N] [--criteria rural|urban] [--pairs FILE.csv] [--help | "
    "--version]",
    summary()};

struct Settings {
  int resamples = kDefaultResamples;
  std::uint64_t seed = kDefaultSeed;
  evaluate::Criteria criteria = evaluate::Criteria::rural;
  std::optional<std::string> pairs;
};

// A whole decimal number without sign, all of `text`.
std::optional<std::uint64_t> whole_number(std::string_view text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

int usage_error(const runframe::RunContext& ctx, const std::string& what) {
  ctx.err << kProgram << ": " << what << '\n' << "usage: " << kInfo.synopsis << '\n';
  ctx.err.flush();
  return runframe::kStatusBadInput;
}

// Takes --resamples and --seed (as "--name N" or "--name=N") out of the arguments;
// the others are left in `rest`. Returns a status when the run should not go on.
std::optional<int> take_settings(const runframe::RunContext& ctx, Settings& settings,
                                 std::vector<std::string>& rest) {
  for (std::size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& arg = ctx.args[i];
    std::string name = arg;
    std::optional<std::string> value;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (name != "--resamples" && name != "--seed" && name != "--criteria" && name != "--pairs") {
      rest.push_back(arg);
      continue;
    }
    if (!value) {
      if (i + 1 >= ctx.args.size()) {
        const char* what = name == "--pairs"      ? "a file name"
                           : name == "--criteria" ? "rural or urban"
                                                  : "a number";
        return usage_error(ctx, "'" + name + "' needs " + what);
      }
      value = ctx.args[++i];
    }
    if (name == "--criteria") {
      if (*value == "rural") {
        settings.criteria = evaluate::Criteria::rural;
      } else if (*value == "urban") {
        settings.criteria = evaluate::Criteria::urban;
      } else {
        return usage_error(ctx, "bad value '" + *value + "' for --criteria (rural or urban)");
      }
      continue;
    }
    if (name == "--pairs") {
      if (value->empty()) return usage_error(ctx, "'--pairs' needs a file name");
      settings.pairs = *value;
      continue;
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

// Writes `text` record by record: one per '\n'-ended line, or (lf false) one per
// CR LF-ended line, the record writer adding the line ends.
void write_text_file(const std::filesystem::path& dir, std::string_view name, std::string_view text,
                     bool lf) {
  const std::string_view end_mark = lf ? "\n" : "\r\n";
  records::OutputFile out = records::OutputFile::open(dir, name);
  while (!text.empty()) {
    const std::size_t end = text.find(end_mark);
    out.write_record(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + end_mark.size());
  }
  out.close();
}

// The whole of a file as text; a file that does not open or read ends the run
// with the operating system's reason (status 1).
std::string whole_file(const std::filesystem::path& dir, const std::string& name) {
  const std::filesystem::path path =
      std::filesystem::path(name).is_absolute() ? std::filesystem::path(name) : dir / name;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw records::os_error(name, errno);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw records::os_error(name, errno);
  return text.str();
}

// The stem of a pairs file's name: its file name without the last extension.
std::string stem_of(const std::string& name) {
  const std::filesystem::path path(name);
  std::string stem = path.stem().string();
  return stem.empty() ? path.filename().string() : stem;
}

}  // namespace

int run_tlvstats(const runframe::RunContext& ctx) {
  Settings settings;
  std::vector<std::string> rest;
  if (auto status = take_settings(ctx, settings, rest)) return *status;
  const runframe::RunContext plain{ctx.dir, std::span<const std::string>(rest), ctx.in, ctx.out,
                                   ctx.err};
  if (auto status = runframe::handle_arguments(kInfo, plain)) return *status;

  return runframe::guarded_run(kProgram, ctx.err, [&]() {
    using namespace evaluate;
    // Everything is read and computed before any output file is touched.
    Study study;
    ReportInput input;
    std::string stem = "TLV";
    if (settings.pairs) {
      PairsFile pairs = read_pairs(whole_file(ctx.dir, *settings.pairs), *settings.pairs);
      study = std::move(pairs.study);
      input.lines = pairs.lines;
      input.pairs = std::move(pairs.notes);
      input.combined = false;
      stem = stem_of(*settings.pairs);
    } else {
      records::InputFile in = records::InputFile::open(ctx.dir, formats::kCombinedFile);
      CombinedTable table = read_combined(in);
      in.close();
      input.lines = static_cast<long>(table.lines.size());
      input.counts = table.counts;
      input.pairs = {
          "Pairs per combined line and model: observed CY/Q (columns 140-151) with the model's "
          "CY1/Q (record columns 55-64), observed CMAX/Q (columns 125-136)",
          "  with the model's Cmax/Q (record columns 25-36); the AERMOD record is columns 181-260 "
          "of the line, the ISCST3 record 261-340. Units: 10^-6 s/m^2 (CY/Q), 10^-6 s/m^3 "
          "(CMAX/Q)."};
      if (const std::string remark = incomplete_table_remark(table.counts); !remark.empty()) {
        input.remarks.push_back(remark);
        ctx.err << kProgram << ": " << formats::kCombinedFile << ": " << remark << '\n';
        ctx.err.flush();
      }
      study = study_of(table.lines);
    }
    input.file = study.source;
    const Evaluation ev =
        evaluate_study(study, settings.resamples, settings.seed, settings.criteria);
    const std::vector<std::string> report = report_lines(input, ev);
    PageInput page_in = page_input(input, ev);  // every statistic as tidy rows, among the rest
    const std::string tidy = tidy_csv(page_in.rows);
    const OutputNames names = output_names(stem);
    const PairPlotInput plot = pair_plot_input(study);
    const std::string scatter = scatter_svg(plot, "scatter-");
    const std::string qq = qq_svg(plot, "qq-");
    const std::string residuals = residuals_svg(plot, "residuals-");
    const std::string mg_vg = mg_vg_svg(mg_vg_input(ev), "mgvg-");
    const std::string fb_nmse = fb_nmse_svg(fb_nmse_input(ev), "fbnmse-");
    page_in.diagrams = {{"Observed against predicted", scatter},
                        {"Quantile-quantile", qq},
                        {"MG against VG", mg_vg},
                        {"FB against NMSE", fb_nmse},
                        {"Residuals Cp/Co by group and stability class", residuals}};
    const std::string page = evaluation_page(page_in);

    records::OutputFile out = records::OutputFile::open(ctx.dir, names.statistics);
    for (const std::string& line : report) out.write_record(line);
    out.close();
    write_text_file(ctx.dir, names.tidy, tidy, false);
    write_text_file(ctx.dir, names.scatter, scatter, true);
    write_text_file(ctx.dir, names.qq, qq, true);
    write_text_file(ctx.dir, names.mg_vg, mg_vg, true);
    write_text_file(ctx.dir, names.fb_nmse, fb_nmse, true);
    write_text_file(ctx.dir, names.residuals, residuals, true);
    write_text_file(ctx.dir, names.page, page, true);
    return 0;
  });
}
