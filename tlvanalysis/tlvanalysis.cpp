#include "tlvanalysis/tlvanalysis.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <string>

#include "arcstats/arcstats.h"
#include "tlvanalysis/arc_analysis.h"
#include "tlvanalysis/arc_bands.h"
#include "tlvanalysis/observation_reader.h"
#include "tlvanalysis/qc_table.h"
#include "tlvanalysis/report.h"
#include "tlvanalysis/shared_blocks.h"

namespace tlvanalysis {
namespace {

constexpr int kDuration = 60;  // averaging time of a sample, min

const runframe::ProgramInfo kInfo{
    "tlvanalysis", "tlvanalysis [--help | --version]",
    "Reduces the sampler measurements of the elevated-release tracer study to plume\n"
    "statistics per experiment hour and arc. Run it without arguments in the folder\n"
    "holding tolvernsf6-max11052011.txt (quality flags) and TolvernSF611052011.txt\n"
    "(observation blocks); it writes TolvernOBSAnalysis.txt (one line per admitted arc)\n"
    "and TLVemissions.txt (hourly emission records of the model runs)."};

// The experiment hour of a block, as read from its date and time keys.
struct BlockTime {
  int year = 0, month = 0, day = 0, hour = 0, minutes = 0;
  bool same_hour(const BlockTime& o) const {
    return year == o.year && month == o.month && day == o.day && hour == o.hour;
  }
};

// Reads year, month and day from the date key and hour and minutes from the time key.
// Each key is laid back at its columns of the key record (date key 32-41, time key
// 78-87) before it is read, so a fault names the key record's own columns.
class KeyTimeReader {
 public:
  BlockTime read(const MainnBlock& mainn, const records::Origin& key_record) {
    BlockTime t;
    image_.assign(31, ' ');
    image_ += mainn.DATEKEY;
    records::read_text(date_, image_, {&t.year, &t.month, &t.day}, key_record,
                       {"year", "month", "day"});
    image_.assign(77, ' ');
    image_ += mainn.TIMEKEY;
    records::read_text(time_, image_, {&t.hour, &t.minutes}, key_record, {"hour", "minutes"});
    return t;
  }

 private:
  // "(1x,i2,1x,i2,1x,i2)" on the date key and "(2i2)" on the time key.
  const records::Layout date_{"(t32,1x,i2,1x,i2,1x,i2)"};
  const records::Layout time_{"(t78,2i2)"};
  std::string image_;
};

// Copies `count` samplers from entry `first` on into entries 1..count of the fit
// arrays; returns the largest concentration among them, or 0.0 when none is above it.
float copy_to_fit(const SamplerArrays& samplers, int first, int count, FitArrays& fit) {
  fit.reserve_for(count);
  float OMAX = 0.0f;
  for (int i = 0; i < count; ++i) {
    const auto from = static_cast<std::size_t>(first - 1 + i);
    const auto to = static_cast<std::size_t>(i);
    fit.CONC[to] = samplers.CONC[from];
    fit.XREC[to] = samplers.XREC[from];
    fit.YREC[to] = samplers.YREC[from];
    if (fit.CONC[to] > OMAX) OMAX = fit.CONC[to];
  }
  return OMAX;
}

void analyse_study(const std::filesystem::path& dir) {
  SharedBlocks blocks;
  QcTable qc;
  blocks.main1.DISTFAC = 1000.0f;
  blocks.main1.XSRC = 285.597f;
  blocks.main1.YSRC = 4385.088f;
  BlockTime last_emitted;  // 0, 0, 0, 0: no hour emitted yet

  records::OutputSet outputs(dir, {kReportFileName, kEmissionsFileName});
  fetchqc(dir, qc);
  Report report = Report::create(outputs.open(kReportFileName));
  Emissions emissions = Emissions::open(outputs.open(kEmissionsFileName));
  records::InputFile observations = records::InputFile::open(dir, kObservationFileName);

  ObservationReader reader(observations);
  KeyTimeReader key_time;
  const records::Layout key_layout("(t32,a10,t78,a10)");
  const arcstats::ArcSizeReport arc_size = [&report](int NUM) { report.write_arc_size(NUM); };
  const std::string blank_key(10, ' ');
  std::string datekey(10, ' '), timekey(10, ' ');
  std::string olddate = "9999999999";
  std::string oldtime = blank_key;
  SamplerArrays samplers;
  FitArrays fit;

  for (;;) {
    if (!observations.read_or_eof(key_layout, {records::text(datekey), records::text(timekey)},
                                  {"date key", "time key"})) {
      break;
    }
    if (datekey == blank_key) break;
    const long key_line = observations.line();
    if (datekey != olddate || timekey != oldtime) {
      ++blocks.mainn.NEXP;
      olddate = datekey;
      oldtime = timekey;
    }
    blocks.mainn.DATEKEY = datekey;
    blocks.mainn.TIMEKEY = timekey;

    int n = 0, first = 1, last = 0;
    reader.fetch(n, first, last, samplers, blocks);

    const int count = std::max(last - first + 1, 0);
    const float OMAX = copy_to_fit(samplers, first, count, fit);

    const records::Origin block{observations.name(), key_line};
    const BlockTime t = key_time.read(blocks.mainn, block);
    const int IARC = blocks.mainn.IARC;
    if (!qc.admits(t.year, t.month, t.day, t.hour, IARC) || IARC < 1 || IARC > kArcCount) {
      continue;
    }

    ReportLine line;
    line.NEXP = blocks.mainn.NEXP;
    line.year = t.year;
    line.month = t.month;
    line.day = t.day;
    line.hour = t.hour;
    line.minutes = t.minutes;
    line.DUR = kDuration;
    line.Arc = nominal_arc(IARC);
    line.Q = blocks.main0.Q;
    line.OBK = blocks.met.OBK;
    line.stats = analyse_arc(count, OMAX, blocks.main0.Q, fit, blocks.main1, arc_size);
    report.write_line(line, block);

    if (t.same_hour(last_emitted)) continue;
    emissions.write(
        EmissionRecord{t.year, t.month, t.day, t.hour, 1000.0f, blocks.met.TS, blocks.met.VS},
        block);
    last_emitted = t;
  }
  report.close();
  emissions.close();
  outputs.commit();
}

}  // namespace
}  // namespace tlvanalysis

int run_tlvanalysis(const runframe::RunContext& ctx) {
  if (auto status = runframe::handle_arguments(tlvanalysis::kInfo, ctx)) return *status;
  return runframe::guarded_run(tlvanalysis::kInfo.name, ctx.err, [&ctx] {
    tlvanalysis::analyse_study(ctx.dir);
    return 0;
  });
}
