#include "hlbanalysis/hlbanalysis.h"

#include <string>
#include <string_view>

#include "arcstats/arcstats.h"
#include "hlbanalysis/arc_reader.h"
#include "hlbanalysis/fit_block.h"
#include "hlbanalysis/report.h"
#include "records/records.h"

namespace hlbanalysis {
namespace {

constexpr std::string_view kProgram = "hlbanalysis";
constexpr int kBlockCount = 340;  // arc blocks of the study, read and reported
constexpr int kHeaderLength = 80;

constexpr runframe::ProgramInfo kInfo{
    kProgram, "hlbanalysis [--help | --version]",
    "Fits every sampling arc of the near-surface release study and reports its plume\n"
    "statistics. Run in the folder that holds the arc file \"hbarcs.txt\" (340 arc\n"
    "blocks); writes the report \"HolmbyOBSAnalysis.txt\" there."};

// The whole run in `dir`; failures unwind to guarded_run.
void analyse(const std::filesystem::path& dir) {
  const ReportLayouts report_layouts;
  const ReaderLayouts reader_layouts;

  records::OutputSet outputs(dir, {kReportName});
  records::OutputFile report = outputs.open(kReportName);
  write_header(report, report_layouts);

  records::InputFile arcs = records::InputFile::open(dir, kArcFileName);
  std::string file_header(kHeaderLength, ' ');
  records::read_list(arcs, {records::text(file_header)}, {"file header"});

  // Arcs of more than NMAX samplers are refused by the fit with these two lines.
  const arcstats::ArcSizeReport size_report = [&report](int NUM) {
    report.write_list({std::string_view("Subroutine ARC NUM  = : "), NUM});
    report.write_list({std::string_view("Increase NMAX = : "), arcstats::NMAX});
  };

  SharedBlocks blocks;
  Counts counts;
  ReceptorArrays samplers;
  FitArrays work;
  for (int block = 1; block <= kBlockCount; ++block) {
    fetch(arcs, report, reader_layouts, blocks, counts, samplers);
    const arcstats::ArcFit fit = fit_block(counts, samplers, blocks.main1, work, size_report);
    const Columns columns = report_columns(fit, blocks.main0.Q);
    const Stamp stamp = read_stamp(report_layouts, blocks.mainn, arcs.name(), blocks.key_line);
    write_line(report, report_layouts, blocks.mainn.NEXP, stamp, blocks.main0.Q, columns,
               records::Origin{arcs.name(), blocks.key_line});
  }
  report.close();
  outputs.commit();
}

}  // namespace
}  // namespace hlbanalysis

int run_hlbanalysis(const runframe::RunContext& ctx) {
  if (auto status = runframe::handle_arguments(hlbanalysis::kInfo, ctx)) return *status;
  return runframe::guarded_run(hlbanalysis::kProgram, ctx.err, [&ctx] {
    hlbanalysis::analyse(ctx.dir);
    return 0;
  });
}
