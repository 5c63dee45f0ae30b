#include "combine/combine.h"

#include <string>

#include "combine/formats.h"
#include "combine/join_key.h"
#include "combine/key_index.h"
#include "combine/obk_table.h"
#include "combine/observed_line.h"

namespace combine {
namespace {

const runframe::ProgramInfo kInfo{
    kProgram, "TLVCombineAll [--help | --version]",
    "Joins the observed arc statistics (TolvernOBSAnalysisNoFill.txt) with the AERMOD\n"
    "and ISCST3 results (TLV-AERMOD-Results.txt, TLV-iscst3-Results.txt) by date-hour\n"
    "and whole-kilometre distance, puts the Obukhov length of each hour from the cut\n"
    "surface file (Tlvcutsurf-all.txt) in the OBK column, and writes the table and its\n"
    "counts to TLV-Combined-NoFill-Results.txt in the working directory."};

struct Counts {
  int aerobs = 0;     // AERMOD records with an observed arc
  int all_three = 0;  // ... and an ISCST3 record
  int zero_cy = 0;    // ... whose ISCST3 CY1/Q is zero or negative
};

// The run in `dir`. Files are opened in the order output, observed, ISCST3, surface,
// AERMOD; the observed and ISCST3 files are held in memory and indexed by key.
int combine_files(const std::filesystem::path& dir) {
  const Layouts layouts;

  records::OutputSet outputs(dir, {formats::kCombinedFile});
  records::OutputFile out = outputs.open(formats::kCombinedFile);
  out.write_record(formats::kCombinedHeader1);
  out.write_record(formats::kCombinedHeader2);

  records::InputFile observed_file = records::InputFile::open(dir, kObservedFile);
  // The analysis report comes from tlvanalysis, whose every line ends with CR LF: a
  // last line without one is a cut copy. The other inputs come from elsewhere.
  observed_file.require_ended_records();
  records::InputFile iscst3_file = records::InputFile::open(dir, kIscst3File);
  records::InputFile surface_file = records::InputFile::open(dir, kSurfaceFile);

  ObkTable obk;
  obk.load(surface_file, layouts);
  surface_file.close();

  const KeyIndex observed =
      KeyIndex::load(observed_file, layouts.observed_line, kObservedWidth,
                     [&](std::string_view line, const records::Origin& origin) {
                       return read_observed_key(layouts, line, origin);
                     });
  const KeyIndex iscst3 =
      KeyIndex::load(iscst3_file, layouts.model_record, kModelWidth,
                     [&](std::string_view record, const records::Origin& origin) {
                       return read_model_key(layouts, record, origin);
                     });

  records::InputFile aermod_file = records::InputFile::open(dir, kAermodFile);
  aermod_file.skip();
  aermod_file.skip();

  Counts counts;
  std::string aermod(kModelWidth, ' ');
  std::string observed_text(kObservedWidth, ' ');
  while (aermod_file.read_or_eof(layouts.model_record, {records::text(aermod)})) {
    const JoinKey key = read_model_key(layouts, aermod, aermod_file.origin());

    const KeyIndex::Record* arc_line = observed.find(key);
    if (arc_line == nullptr) continue;
    ++counts.aerobs;

    // The observed line matched on both keys, so its keys are the AERMOD record's.
    const KeyIndex::Record* iscst3_record = iscst3.find(key);
    if (iscst3_record == nullptr) continue;
    ++counts.all_three;

    float cy1q = 0.0f;
    records::read_text(layouts.cy1q, iscst3_record->text, {&cy1q}, iscst3.origin(*iscst3_record),
                       {"CY1/Q"});
    if (cy1q <= 0.0f) {
      ++counts.zero_cy;
      continue;
    }

    const ObservedArc arc = read_observed_arc(layouts, arc_line->text, observed.origin(*arc_line));
    write_observed_arc(layouts, arc, obk.at(arc.year, arc.month, arc.day, arc.hour), observed_text);
    out.write(layouts.combined_line, {observed_text, aermod, iscst3_record->text});
  }

  out.write_list({formats::kZeroCyLabel, counts.zero_cy});
  out.write_list({formats::kAerobsLabel, counts.aerobs});
  out.write_list({formats::kAllThreeLabel, counts.all_three});
  out.close();
  outputs.commit();
  return 0;
}

}  // namespace
}  // namespace combine

int run_combine(const runframe::RunContext& ctx) {
  if (const auto status = runframe::handle_arguments(combine::kInfo, ctx)) return *status;
  return runframe::guarded_run(combine::kProgram, ctx.err,
                               [&] { return combine::combine_files(ctx.dir); });
}
