#include "evaluate/tlvstats.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "evaluate/input/combined_table.h"
#include "evaluate/input/pairs_file.h"
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

const runframe::ProgramInfo kInfo{
    kProgram,
    "tlvstats [--resamples N] [--seed N] [--criteria rural|urban] [--pairs FILE.csv] [--help | "
    "--version]",
    "Reads TLV-Combined-NoFill-Results.txt in the working directory and writes\n"
    "TLV-Model-Statistics.txt (FB, MG, NMSE, VG, FAC2, NAD and the robust highest\n"
    "concentrations of AERMOD and ISCST3 against the observed CY/Q and CMAX/Q, per arc and\n"
    "stability, with bootstrap 95% limits and the significance of the paired differences\n"
    "between the models), the same in tidy form in TLV-Model-Statistics.csv,\n"
    "the pictures TLV-Scatter.svg, TLV-QQ.svg, TLV-Residuals.svg, TLV-MG-VG.svg and\n"
    "TLV-FB-NMSE.svg, and the page TLV-Evaluation.html. With --pairs, evaluates the CSV pairs file "
    "instead\n"
    "(columns group, observed, optional obk and quantity, one column per model) and\n"
    "names the outputs after it (pairs.csv: pairs-Model-Statistics.txt, ...).\n"
    "  --resamples N      bootstrap resamples, 1 to 100000 (default 1000)\n"
    "  --seed N           seed of the resampling, 0 to 18446744073709551615 (default 1)\n"
    "  --criteria SET     acceptance criteria, rural (default) or urban\n"
    "  --pairs FILE.csv   evaluate a pairs file instead of the combined table\n"};

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

// The options, each keeping its value in `settings`: --resamples, --seed,
// --criteria and --pairs, as "--name V" or "--name=V".
std::vector<runframe::ValueOption> take_settings(Settings& settings) {
  auto bad = [](const std::string& value, std::string_view option, std::string_view what) {
    return "bad value '" + value + "' for " + std::string(option) + " (" + std::string(what) + ")";
  };
  return {
      {"--resamples", "a number",
       [&settings, bad](const std::string& value) {
         const std::optional<std::uint64_t> n = whole_number(value);
         if (!n || *n < 1 || *n > static_cast<std::uint64_t>(kMaxResamples)) {
           return bad(value, "--resamples", "a whole number from 1 to 100000");
         }
         settings.resamples = static_cast<int>(*n);
         return std::string();
       }},
      {"--seed", "a number",
       [&settings, bad](const std::string& value) {
         const std::optional<std::uint64_t> n = whole_number(value);
         if (!n) return bad(value, "--seed", "a whole number from 0 to 18446744073709551615");
         settings.seed = *n;
         return std::string();
       }},
      {"--criteria", "rural or urban",
       [&settings, bad](const std::string& value) {
         if (value != "rural" && value != "urban")
           return bad(value, "--criteria", "rural or urban");
         settings.criteria =
             value == "rural" ? evaluate::Criteria::rural : evaluate::Criteria::urban;
         return std::string();
       }},
      {"--pairs", "a file name",
       [&settings](const std::string& value) {
         if (value.empty()) return std::string("'--pairs' needs a file name");
         settings.pairs = value;
         return std::string();
       }},
  };
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

// The stem of a pairs file's name: its file name without the last extension.
std::string stem_of(const std::string& name) {
  const std::filesystem::path path(name);
  std::string stem = path.stem().string();
  return stem.empty() ? path.filename().string() : stem;
}

// Reads the pairs file, or else the combined table, into a study, and fills in
// what the table's header says of the input; an incomplete table's remark also goes
// to standard error.
evaluate::Study read_study(const runframe::RunContext& ctx, const Settings& settings,
                           evaluate::ReportInput& input) {
  using namespace evaluate;
  if (settings.pairs) {
    records::InputFile in = records::InputFile::open(ctx.dir, *settings.pairs);
    PairsFile pairs = read_pairs_file(in);
    in.close();
    input.lines = pairs.lines;
    input.pairs = std::move(pairs.notes);
    input.combined = false;
    return std::move(pairs.study);
  }
  records::InputFile in = records::InputFile::open(ctx.dir, formats::kCombinedFile);
  const CombinedTable table = read_combined_table(in);
  in.close();
  input.lines = static_cast<long>(table.lines.size());
  input.counts = table.counts;
  input.pairs = combined_pairs_notes();
  if (const std::string remark = incomplete_table_remark(table.counts); !remark.empty()) {
    input.remarks.push_back(remark);
    ctx.err << kProgram << ": " << formats::kCombinedFile << ": " << remark << '\n';
    ctx.err.flush();
  }
  return study_of(table.lines);
}

}  // namespace

int run_tlvstats(const runframe::RunContext& ctx) {
  Settings settings;
  const std::vector<runframe::ValueOption> options = take_settings(settings);
  if (auto status = runframe::handle_arguments(kInfo, ctx, options)) return *status;

  return runframe::guarded_run(kProgram, ctx.err, [&]() {
    using namespace evaluate;
    // Everything is read and computed before any output file is touched.
    ReportInput input;
    const Study study = read_study(ctx, settings, input);
    input.file = study.source;
    const Evaluation ev =
        evaluate_study(study, settings.resamples, settings.seed, settings.criteria);
    const std::vector<std::string> report = report_lines(input, ev);
    PageInput page_in = page_input(input, ev);  // every statistic as tidy rows, among the rest
    const std::string tidy = tidy_csv(page_in.rows);
    const OutputNames names = output_names(settings.pairs ? stem_of(*settings.pairs) : "TLV");
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
