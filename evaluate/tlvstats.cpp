#include "evaluate/tlvstats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <future>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "evaluate/cpu_count.h"
#include "evaluate/input/combined_table.h"
#include "evaluate/input/pairs_file.h"
#include "evaluate/memory_bound.h"
#include "evaluate/page/page_input.h"
#include "evaluate/page/provenance.h"
#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/measure_input.h"
#include "evaluate/pictures/pair_input.h"
#include "evaluate/pictures/skill_input.h"
#include "evaluate/statistics/evaluation.h"
#include "evaluate/statistics/uncertainty.h"
#include "evaluate/tables/report.h"
#include "evaluate/tables/tidy.h"
#include "records/outputs.h"
#include "runframe/progress.h"

namespace {

constexpr std::string_view kProgram = "tlvstats";
constexpr int kDefaultResamples = 1000;
constexpr int kMaxResamples = 100000;
constexpr std::uint64_t kDefaultSeed = 1;
constexpr int kMaxThreads = 256;

// The name of the output of `kind` (the first one) for the stem.
std::string output_of(evaluate::OutputKind kind, std::string_view stem = "TLV") {
  for (const evaluate::OutputFile& file : evaluate::kOutputFiles) {
    if (file.kind == kind) return evaluate::output_name(stem, file);
  }
  return {};
}

// The files named in --help, from the one list of output files: each picture on a
// line of its own with its caption.
std::string summary_text() {
  using evaluate::OutputKind;
  std::string pictures;
  for (const evaluate::OutputFile& file : evaluate::kOutputFiles) {
    if (file.kind != OutputKind::picture) continue;
    std::string name = evaluate::output_name("TLV", file);
    name.resize(std::max<std::size_t>(name.size() + 2, 22), ' ');
    pictures += "  " + name + std::string(file.caption) + "\n";
  }
  return "Reads TLV-Combined-NoFill-Results.txt in the working directory and writes\n" +
         output_of(OutputKind::statistics) + " (" +
         evaluate::measure_list(evaluate::Shown::acceptance) +
         " and the robust highest\n"
         "concentrations of AERMOD and ISCST3 against the observed CY/Q and CMAX/Q, per arc and\n"
         "stability, with bootstrap 95% limits and the significance of the paired differences\n"
         "between the models), the same in tidy form in " +
         output_of(OutputKind::tidy) + ",\nthe page " + output_of(OutputKind::page) +
         " and the pictures\n" + pictures +
         "With --pairs, evaluates the CSV pairs file instead\n"
         "(columns group, observed, optional obk and quantity, one column per model) and\n"
         "names the outputs after it (pairs.csv: " +
         output_of(OutputKind::statistics, "pairs") +
         ", ...).\n"
         "Also the operational statistics (R, " +
         evaluate::measure_list(evaluate::Shown::in_section) +
         ")\nwith bootstrap 95% limits and the models' differences, in a section of their own.\n"
         "  --resamples N      bootstrap resamples, 1 to 100000 (default 1000)\n"
         "  --seed N           seed of the resampling, 0 to 18446744073709551615 (default 1)\n"
         "  --criteria SET     acceptance criteria, rural (default) or urban\n"
         "  --pairs FILE.csv   evaluate a pairs file instead of the combined table\n"
         "  --uncertainty [QTY=]PRESET or [QTY=]U,ALPHA,RV[,NP,NNP]\n"
         "                     the modelling quality objective (FAIRMODE guidance 3.3) for\n"
         "                     quantity QTY, or every quantity; repeatable; presets no2, o3,\n"
         "                     pm10, pm2.5 (RV in ug/m3); MQI_Y and Y90 need NP and NNP\n"
         "  --beta B           the objective's beta, above 0 (default 2)\n"
         "  --percentile P     the percentile of MPI_perc, 0 to 100 (default 90, or the "
         "preset's)\n"
         "  --threshold [QTY=]T the exceedance scores (POD, FAR, F, CSI, FBI, ETS and the\n"
         "                     counts) above T for quantity QTY, or every quantity;\n"
         "                     repeatable\n"
         "  --units QTY=TEXT   the units of quantity QTY, named in the page's column heads\n"
         "                     and the pictures' axes (default: the combined table's own,\n"
         "                     a pairs file's \"units of the input\"); repeatable\n"
         "  --max-memory BYTES the memory the run may hold, e.g. 4G (K, M, G: powers of\n"
         "                     1024; default: the cgroup memory limit, else the physical\n"
         "                     memory); a run estimated to need more is refused\n"
         "  --threads N        threads of the resampling, 1 to 256 (default: the CPUs the\n"
         "                     process may use); the outputs do not depend on it\n";
}

const std::string kSummary = summary_text();

const runframe::ProgramInfo kInfo{
    kProgram,
    "tlvstats [--resamples N] [--seed N] [--criteria rural|urban] [--pairs FILE.csv] "
    "[--uncertainty [QTY=]PRESET|U,ALPHA,RV[,NP,NNP]]... [--beta B] [--percentile P] "
    "[--threshold [QTY=]T]... [--units QTY=TEXT]... [--max-memory BYTES] [--threads N] "
    "[--help | --version]",
    kSummary};

// One --uncertainty: the quantity it applies to (none: every one) and its parameters.
struct UncertaintyOption {
  std::optional<std::string> quantity;
  evaluate::Uncertainty value;
};

struct Settings {
  int resamples = kDefaultResamples;
  std::uint64_t seed = kDefaultSeed;
  evaluate::Criteria criteria = evaluate::Criteria::rural;
  std::optional<std::string> pairs;
  std::vector<UncertaintyOption> uncertainty;  // in the order given
  std::optional<double> beta;
  std::optional<double> percentile;
  // One --threshold each, in the order given: its quantity (none: every one) and T.
  std::vector<std::pair<std::optional<std::string>, float>> thresholds;
  // One --units each, in the order given: (quantity, units); a later one wins.
  std::vector<std::pair<std::string, std::string>> units;
  std::optional<evaluate::MemoryBound> memory;  // --max-memory
  std::optional<int> threads;                   // --threads
};

// "[QTY=]VALUE" split at the last '='.
std::pair<std::optional<std::string>, std::string> split_quantity(const std::string& text) {
  const std::size_t eq = text.rfind('=');
  if (eq == std::string::npos) return {std::nullopt, text};
  return {text.substr(0, eq), text.substr(eq + 1)};
}

// A finite real number, all of `text`.
std::optional<double> real_number(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The uncertainty of each of the study's quantities: the last --uncertainty naming
// it, else the last one without a quantity; --beta and --percentile applied. A named
// quantity the study does not have is a usage error.
std::vector<std::optional<evaluate::Uncertainty>> uncertainty_of_quantities(
    const Settings& settings, const evaluate::Study& study) {
  std::vector<std::optional<evaluate::Uncertainty>> out(study.quantities.size());
  std::optional<evaluate::Uncertainty> general;
  std::vector<std::optional<evaluate::Uncertainty>> named(study.quantities.size());
  for (const UncertaintyOption& option : settings.uncertainty) {
    if (!option.quantity) {
      general = option.value;
      continue;
    }
    const auto q =
        std::find_if(study.quantities.begin(), study.quantities.end(),
                     [&](const evaluate::Quantity& x) { return x.name == *option.quantity; });
    if (q == study.quantities.end()) {
      throw records::RunError(records::kStatusBadInput,
                              "--uncertainty: the input has no quantity '" + *option.quantity + "'",
                              records::Location{study.source, 0, 0, 0, {}});
    }
    named[static_cast<std::size_t>(q - study.quantities.begin())] = option.value;
  }
  for (std::size_t k = 0; k < out.size(); ++k) {
    out[k] = named[k] ? named[k] : general;
    if (!out[k]) continue;
    if (settings.beta) out[k]->beta = *settings.beta;
    if (settings.percentile) out[k]->percentile = *settings.percentile;
  }
  return out;
}

// The thresholds of each of the study's quantities: those without a quantity, then
// those naming it, each in the order given and once. A named quantity the study does
// not have is a usage error.
std::vector<std::vector<float>> thresholds_of_quantities(const Settings& settings,
                                                         const evaluate::Study& study) {
  std::vector<std::vector<float>> out(study.quantities.size());
  auto add = [](std::vector<float>& to, float t) {
    if (std::find(to.begin(), to.end(), t) == to.end()) to.push_back(t);
  };
  for (const auto& [quantity, t] : settings.thresholds) {
    if (quantity) continue;
    for (auto& of : out) add(of, t);
  }
  for (const auto& [quantity, t] : settings.thresholds) {
    if (!quantity) continue;
    const std::string& name = *quantity;  // a lambda may not capture a structured binding
    const auto q = std::find_if(study.quantities.begin(), study.quantities.end(),
                                [&](const evaluate::Quantity& x) { return x.name == name; });
    if (q == study.quantities.end()) {
      throw records::RunError(records::kStatusBadInput,
                              "--threshold: the input has no quantity '" + name + "'",
                              records::Location{study.source, 0, 0, 0, {}});
    }
    add(out[static_cast<std::size_t>(q - study.quantities.begin())], t);
  }
  return out;
}

// Gives each quantity named by --units its units; a quantity the study does not have
// is a usage error.
void apply_units(const Settings& settings, evaluate::Study& study) {
  for (const auto& [quantity, units] : settings.units) {
    const std::string& name = quantity;  // a lambda may not capture a structured binding
    const auto q = std::find_if(study.quantities.begin(), study.quantities.end(),
                                [&](const evaluate::Quantity& x) { return x.name == name; });
    if (q == study.quantities.end()) {
      throw records::RunError(records::kStatusBadInput,
                              "--units: the input has no quantity '" + name + "'",
                              records::Location{study.source, 0, 0, 0, {}});
    }
    q->unit = units;
  }
}

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
      {"--uncertainty", "a preset or U,ALPHA,RV[,NP,NNP]",
       [&settings, bad](const std::string& value) {
         auto [quantity, text] = split_quantity(value);
         UncertaintyOption option{quantity, {}};
         const std::string reason = evaluate::read_uncertainty(text, option.value);
         if (!reason.empty()) return bad(value, "--uncertainty", reason);
         settings.uncertainty.push_back(option);
         return std::string();
       }},
      {"--beta", "a number",
       [&settings, bad](const std::string& value) {
         const std::optional<double> b = real_number(value);
         if (!b || !(*b > 0.0)) return bad(value, "--beta", "a number above 0");
         settings.beta = *b;
         return std::string();
       }},
      {"--percentile", "a number",
       [&settings, bad](const std::string& value) {
         const std::optional<double> p = real_number(value);
         if (!p || !(*p >= 0.0 && *p <= 100.0)) return bad(value, "--percentile", "0 to 100");
         settings.percentile = *p;
         return std::string();
       }},
      {"--threshold", "[QTY=]T",
       [&settings, bad](const std::string& value) {
         auto [quantity, text] = split_quantity(value);
         const std::optional<double> t = real_number(text);
         const float rounded = t ? static_cast<float>(*t) : 0.0f;
         if (!t || !std::isfinite(rounded)) return bad(value, "--threshold", "a finite number");
         settings.thresholds.emplace_back(quantity, rounded);
         return std::string();
       }},
      {"--units", "QTY=TEXT",
       [&settings, bad](const std::string& value) {
         const std::size_t eq = value.find('=');
         if (eq == std::string::npos || eq == 0 || eq + 1 == value.size()) {
           return bad(value, "--units", "QTY=TEXT, both not empty");
         }
         for (const char c : value) {
           if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
             return bad(value, "--units", "no control characters");
           }
         }
         settings.units.emplace_back(value.substr(0, eq), value.substr(eq + 1));
         return std::string();
       }},
      {"--max-memory", "a number of bytes",
       [&settings, bad](const std::string& value) {
         const std::optional<std::uint64_t> n = evaluate::byte_count(value);
         if (!n) return bad(value, "--max-memory", "a whole number of bytes above 0, or K, M, G");
         settings.memory = evaluate::MemoryBound{static_cast<double>(*n), "--max-memory"};
         return std::string();
       }},
      {"--threads", "a number",
       [&settings, bad](const std::string& value) {
         const std::optional<std::uint64_t> n = whole_number(value);
         if (!n || *n < 1 || *n > static_cast<std::uint64_t>(kMaxThreads)) {
           return bad(value, "--threads", "a whole number from 1 to 256");
         }
         settings.threads = static_cast<int>(*n);
         return std::string();
       }},
  };
}

// The arguments as the page records them: without --threads and its value, which
// change no output. A value option's separate value is kept with it.
std::vector<std::string> recorded_arguments(std::span<const std::string> args,
                                            const std::vector<runframe::ValueOption>& options) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::size_t eq = args[i].find('=');
    const std::string name = args[i].substr(0, eq);
    const bool takes_next =
        eq == std::string::npos && i + 1 < args.size() &&
        std::any_of(options.begin(), options.end(),
                    [&](const runframe::ValueOption& o) { return o.name == name; });
    if (name == "--threads") {
      i += takes_next ? 1 : 0;
      continue;
    }
    out.push_back(args[i]);
    if (takes_next) out.push_back(args[++i]);
  }
  return out;
}

// Gives the whole pages of freed memory back to the system where the allocator keeps
// them (glibc keeps what is freed between blocks still in use), so that what one phase
// freed does not stay resident under what the next allocates.
void give_back_freed_memory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

// Writes `text` record by record, one per '\n'-ended line, the record writer adding
// the line ends.
void write_text_file(records::OutputSet& outputs, std::string_view name, std::string_view text) {
  records::OutputFile out = outputs.open(name);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    out.write_record(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  out.close();
}

// Writes the tidy file of an evaluation, its header first, row by row as the rows
// are formed.
void write_tidy(records::OutputSet& outputs, const std::string& name,
                const evaluate::Evaluation& ev) {
  records::OutputFile out = outputs.open(name);
  out.write_record(evaluate::kTidyHeader);
  evaluate::for_each_tidy_row(
      ev, [&out](const evaluate::TidyRow& row) { out.write_record(evaluate::tidy_line(row)); });
  out.close();
}

// Writes one record per line.
void write_records(records::OutputSet& outputs, const std::string& name,
                   const std::vector<std::string>& lines) {
  records::OutputFile out = outputs.open(name);
  for (const std::string& line : lines) out.write_record(line);
  out.close();
}

// What a run writes, made before any file is opened.
struct Outputs {
  const std::vector<std::string>& report;  // the statistics table's lines
  const evaluate::Evaluation& tidy;        // its rows, written one by one
  // In the order of kOutputFiles: each picture whole, then its parts when split.
  const std::vector<std::vector<evaluate::DrawnPicture>>& pictures;
  const std::string& page;
};

// The names of every file of kOutputFiles for `stem`, in its order.
std::vector<std::string> output_names(const std::string& stem) {
  std::vector<std::string> names;
  for (const evaluate::OutputFile& file : evaluate::kOutputFiles) {
    names.push_back(evaluate::output_name(stem, file));
  }
  return names;
}

// The files of the pictures' parts, for `stem`, in the order of kOutputFiles.
std::vector<std::string> part_names(const std::string& stem, const Outputs& out) {
  std::vector<std::string> names;
  std::size_t picture = 0;
  for (const evaluate::OutputFile& file : evaluate::kOutputFiles) {
    if (file.kind != evaluate::OutputKind::picture) continue;
    const auto& drawn = out.pictures.at(picture++);
    for (std::size_t n = 1; n < drawn.size(); ++n) {
      names.push_back(evaluate::output_name(stem, file, n));
    }
  }
  return names;
}

// Removes the parts an earlier run left of a picture this run writes in fewer parts
// (or whole), so that the folder holds only this run's pictures: "<stem>-QQ-n.svg"
// from n = parts + 1 on, as long as they follow each other.
void remove_stale_parts(const std::filesystem::path& dir, const std::string& stem,
                        const Outputs& out) {
  std::size_t picture = 0;
  for (const evaluate::OutputFile& file : evaluate::kOutputFiles) {
    if (file.kind != evaluate::OutputKind::picture) continue;
    const std::size_t drawn = out.pictures.at(picture++).size();
    for (std::size_t n = drawn > 1 ? drawn : 1;; ++n) {
      const std::string name = evaluate::output_name(stem, file, n);
      std::error_code error;
      if (!std::filesystem::is_regular_file(dir / name, error)) break;
      std::filesystem::remove(dir / name, error);
      if (error) {
        throw records::RunError(records::kStatusOsError,
                                "cannot remove the part of an earlier run: " + error.message(),
                                records::Location{name, 0, 0, 0, {}});
      }
    }
  }
}

// Writes every file of kOutputFiles, in its order, named after `stem`, into the
// run's output set, and the parts of a split picture into `parts`.
void write_outputs(records::OutputSet& outputs, records::OutputSet* parts, const std::string& stem,
                   const Outputs& out) {
  using evaluate::OutputKind;
  std::size_t picture = 0;
  for (const evaluate::OutputFile& file : evaluate::kOutputFiles) {
    const std::string name = evaluate::output_name(stem, file);
    switch (file.kind) {
      case OutputKind::statistics:
        write_records(outputs, name, out.report);
        break;
      case OutputKind::tidy:
        write_tidy(outputs, name, out.tidy);
        break;
      case OutputKind::picture: {
        const auto& drawn = out.pictures.at(picture++);
        write_text_file(outputs, name, drawn.front().svg);
        for (std::size_t n = 1; n < drawn.size(); ++n) {
          write_text_file(*parts, evaluate::output_name(stem, file, n), drawn[n].svg);
        }
        break;
      }
      case OutputKind::page:
        write_text_file(outputs, name, out.page);
        break;
    }
  }
}

// The stem of a pairs file's name: its file name without the last extension.
std::string stem_of(const std::string& name) {
  const std::filesystem::path path(name);
  std::string stem = path.stem().string();
  return stem.empty() ? path.filename().string() : stem;
}

// An input file's records, each one a step of the read phase's progress.
class CountedLines final : public records::LineSource {
 public:
  CountedLines(records::LineSource& from, runframe::Progress& progress)
      : from_(from), progress_(progress) {}
  bool next(std::string_view& record) override {
    progress_.step("read line", ++lines_, 0, 1);
    return from_.next(record);
  }
  records::Origin origin() const override { return from_.origin(); }

 private:
  records::LineSource& from_;
  runframe::Progress& progress_;
  long lines_ = 0;
};

// Reads the pairs file, or else the combined table, into a study, and fills in
// what the table's header says of the input; an incomplete table's remark also goes
// to standard error.
evaluate::Study read_study(const runframe::RunContext& ctx, const Settings& settings,
                           evaluate::ReportInput& input, runframe::Progress& progress) {
  using namespace evaluate;
  progress.phase("read");
  if (settings.pairs) {
    records::InputFile in = records::InputFile::open(ctx.dir, *settings.pairs);
    CountedLines counted(in, progress);
    PairsFile pairs = read_pairs_file(counted);
    in.close();
    input.lines = pairs.lines;
    input.pairs = std::move(pairs.notes);
    input.combined = false;
    return std::move(pairs.study);
  }
  records::InputFile in = records::InputFile::open(ctx.dir, formats::kCombinedFile);
  in.require_ended_records();  // TLVCombineAll ends every line with CR LF
  CountedLines counted(in, progress);
  const CombinedTable table = read_combined_table(counted);
  in.close();
  input.lines = static_cast<long>(table.lines.size());
  input.counts = table.counts;
  input.pairs = combined_pairs_notes();
  if (const std::string remark = incomplete_table_remark(table.counts); !remark.empty()) {
    input.remarks.push_back(remark);
    progress.clear();
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
  if (settings.uncertainty.empty() && (settings.beta || settings.percentile)) {
    ctx.err << kProgram << ": " << (settings.beta ? "--beta" : "--percentile")
            << " needs --uncertainty\nusage: " << kInfo.synopsis << '\n';
    ctx.err.flush();
    return records::kStatusBadInput;
  }

  return runframe::guarded_run(kProgram, ctx.err, [&]() {
    using namespace evaluate;
    // Every output is locked first; everything is read and computed before any
    // output file is written.
    const std::string stem = settings.pairs ? stem_of(*settings.pairs) : "TLV";
    records::OutputSet outputs(ctx.dir, output_names(stem));
    // Cleared at the end, and before a failure's message (unwinding destroys it first).
    runframe::Progress progress(kProgram, ctx.err, ctx.err_is_terminal);
    ReportInput input;
    Study study = read_study(ctx, settings, input, progress);
    apply_units(settings, study);
    input.file = study.source;
    auto uncertainty = uncertainty_of_quantities(settings, study);
    auto thresholds = thresholds_of_quantities(settings, study);
    // The lines' numbers in the file serve the reading's messages only.
    for (Block& block : study.blocks) std::vector<long>().swap(block.line);
    progress.phase("evaluate");
    Watch watch{settings.memory ? *settings.memory : system_memory_bound(),
                {},
                settings.threads ? *settings.threads : default_threads(kMaxThreads)};
    // The page states the input's size and checksum, read again: on a thread of its
    // own while the study is evaluated where more than one may run.
    std::future<std::string> input_facts =
        std::async(watch.threads > 1 ? std::launch::async : std::launch::deferred,
                   [path = ctx.dir / study.source] { return file_facts(path); });
    watch.resampled = [&progress](long done, long total, std::size_t lines) {
      progress.step("resample", done, total, lines);
    };
    const Evaluation ev =
        evaluate_study(study, settings.resamples, settings.seed, settings.criteria,
                       std::move(uncertainty), std::move(thresholds), watch);
    progress.phase("write");
    give_back_freed_memory();  // the evaluation's working memory
    // The pictures first, each drawn once, for their files and the page; the pair
    // pictures read the study's lines, which are let go once they are drawn, before
    // the tables are made.
    std::vector<std::vector<DrawnPicture>> pictures;
    std::vector<PageDiagram> diagrams;
    {
      const PairPlotInput pairs = pair_plot_input(study, ev);
      const MeasurePlotInput mg_vg = mg_vg_input(ev);
      const MeasurePlotInput fb_nmse = fb_nmse_input(ev);
      SkillPlotInput skill = skill_input(ev);
      add_quality_objective(skill, ev);
      // A picture too tall to print is shown on the page by its parts, one per quantity.
      for (const OutputFile& file : kOutputFiles) {
        if (file.kind != OutputKind::picture) continue;
        const auto& drawn =
            pictures.emplace_back(file.draw({pairs, mg_vg, fb_nmse, skill}, file.id_prefix));
        for (std::size_t n = drawn.size() > 1 ? 1 : 0; n < drawn.size(); ++n) {
          PageDiagram d = page_diagram(file, drawn[n].svg, ev);
          // A part names its quantity after the picture's name: "Predicted against observed,
          // CM: ...".
          if (!drawn[n].quantity.empty()) {
            d.caption.insert(std::min(d.caption.find(':'), d.caption.size()),
                             ", " + drawn[n].quantity);
          }
          diagrams.push_back(std::move(d));
        }
      }
    }
    std::vector<Block>().swap(study.blocks);
    give_back_freed_memory();  // the study's lines
    // The page from every statistic as tidy rows, let go once the page is made (the
    // tidy file is written from the evaluation row by row); then the statistics table.
    std::string page;
    {
      PageInput page_in = page_input(input, ev);  // the tidy rows among the rest
      const std::vector<std::pair<std::string, std::string>> read{
          {study.source, input_facts.get()}};
      auto named = provenance(kProgram, recorded_arguments(ctx.args, options), read);
      page_in.facts.insert(page_in.facts.begin(), named.begin(), named.end());
      page_in.diagrams.insert(page_in.diagrams.end(), std::make_move_iterator(diagrams.begin()),
                              std::make_move_iterator(diagrams.end()));
      page = evaluation_page(page_in);
    }
    give_back_freed_memory();  // the page's input
    const std::vector<std::string> report = report_lines(input, ev);
    const Outputs out{report, ev, pictures, page};
    // The parts' files are known only now; they are locked before anything is written
    // and put in place just before the rest.
    const std::vector<std::string> part_files = part_names(stem, out);
    std::optional<records::OutputSet> parts;
    if (!part_files.empty()) parts.emplace(ctx.dir, part_files);
    write_outputs(outputs, parts ? &*parts : nullptr, stem, out);
    if (parts) parts->commit();
    outputs.commit();
    remove_stale_parts(ctx.dir, stem, out);
    return 0;
  });
}
