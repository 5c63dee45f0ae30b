// The indexed join against the rescanning join it replaces: on many small random studies
// (duplicate keys, blank-for-zero keys, boundary distances, bad fields, short files) both
// must write the same table, the same failure line and the same exit status.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "records/records.h"
#include "runframe/run.h"
#include "support/combine_files.h"

namespace {

using namespace combine_test;

// The join as the files describe it: the observed file is read from its top again for
// every AERMOD record and the ISCST3 file for every observed match.
int rescan_combine(const std::filesystem::path& dir, std::ostream& err) {
  using namespace records;
  return runframe::guarded_run("TLVCombineAll", err, [&] {
    const Layout a180("(a180)"), obs_keys("(t11,a8,t43,f5.2)"), a80("(a80)"),
        model_keys("(3x,a8,4x,f9.3)"), cy_layout("(t55,g10.0)"), surf("(i2,2i3,i4,i3,t57,f8.1)"),
        combined("(a180,2a80)"),
        report("(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)");
    OutputFile out = OutputFile::open(dir, kTableName);
    out.write_record(kHeader1);
    out.write_record(kHeader2);
    InputFile obs = InputFile::open(dir, kObservedName);
    InputFile isc = InputFile::open(dir, kIscst3Name);
    InputFile sf = InputFile::open(dir, kSurfaceName);

    std::map<std::array<int, 4>, float> lengths;
    sf.skip();
    int y = 0, m = 0, d = 0, j = 0, h = 0;
    float len = 0;
    while (
        sf.read_or_eof(surf, {&y, &m, &d, &j, &h, &len},
                       {"year", "month", "day", "day of year", "hour", "Monin-Obukhov length"})) {
      lengths[{y, m, d, h}] = len;
    }
    sf.close();

    InputFile aer = InputFile::open(dir, kAermodName);
    aer.skip();
    aer.skip();
    int zero = 0, aerobs = 0, all3 = 0;
    std::string arec(80, ' '), orec(180, ' '), irec(80, ' '), akey(8, ' '), okey(8, ' '),
        ikey(8, ' '), text180(180, ' ');
    while (aer.read_or_eof(a80, {text(arec)})) {
      float dist = 0;
      read_text(model_keys, arec, {text(akey), &dist}, aer.origin(),
                {"date-hour key", "receptor distance"});
      const double km = std::trunc(dist / 1000.0f);
      obs.rewind();
      obs.skip();
      obs.skip();
      bool found = false;
      while (obs.read_or_eof(a180, {text(orec)})) {
        float arc = 0;
        read_text(obs_keys, orec, {text(okey), &arc}, obs.origin(),
                  {"date-hour key", "arc distance"});
        if (okey == akey && std::trunc(arc) == km) {
          found = true;
          break;
        }
      }
      if (!found) continue;
      const Origin obs_origin{obs.name(), obs.line()};
      ++aerobs;
      isc.rewind();
      isc.skip();
      isc.skip();
      found = false;
      while (isc.read_or_eof(a80, {text(irec)})) {
        float idist = 0;
        read_text(model_keys, irec, {text(ikey), &idist}, isc.origin(),
                  {"date-hour key", "receptor distance"});
        if (ikey == okey && std::trunc(idist / 1000.0f) == km) {
          found = true;
          break;
        }
      }
      if (!found) continue;
      ++all3;
      float cy = 0;
      read_text(cy_layout, irec, {&cy}, isc.origin(), {"CY1/Q"});
      if (cy <= 0) {
        ++zero;
        continue;
      }
      int v[7];
      float r[11];
      read_text(report, orec,
                {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &r[0], &r[1], &r[2], &r[3], &r[4],
                 &r[5], &r[6], &r[7], &r[8], &r[9], &r[10]},
                obs_origin,
                {"Exp", "year", "month", "day", "hour", "minute", "DUR", "Dist", "Arc", "Q", "OBK",
                 "OMAX", "CMAX", "CY", "CMAX/Q", "CY/Q", "Sy", "PHIC"});
      float obk = -99999.0f;
      const bool in_table = (v[1] == 80 || v[1] == 81) && v[2] >= 1 && v[2] <= 12 && v[3] >= 1 &&
                            v[3] <= 31 && v[4] >= 1 && v[4] <= 24;
      if (auto it = lengths.find({v[1], v[2], v[3], v[4]}); in_table && it != lengths.end()) {
        obk = it->second;
      }
      write_text(report,
                 {v[0], v[1], v[2], v[3], v[4], v[5], v[6], r[0], r[1], r[2], obk, r[4], r[5], r[6],
                  r[7], r[8], r[9], r[10]},
                 text180);
      out.write(combined, {text180, arec, irec});
    }
    out.write_list({std::string_view("    ISC Zero Cy: "), zero});
    out.write_list({std::string_view("    Iaerobs:     "), aerobs});
    out.write_list({std::string_view("    iallthree:   "), all3});
    return 0;
  });
}

class StudyMaker {
 public:
  explicit StudyMaker(unsigned seed) : rng_(seed) {}

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool chance(int percent) { return pick(100) < percent; }
  template <class T, std::size_t N>
  const T& one_of(const std::array<T, N>& a) {
    return a[static_cast<std::size_t>(pick(static_cast<int>(N)))];
  }

  // A file of `records`, now and then cut inside its two header lines.
  std::vector<std::string> file(std::vector<std::string> records) {
    if (chance(4)) return std::vector<std::string>(static_cast<std::size_t>(pick(2)), "head");
    records.insert(records.begin(), {"head 1", "head 2"});
    return records;
  }

  // Mostly two hours, now and then a blank-for-zero key, another day or hour 0.
  std::string hour_stamp() {
    static const std::array<std::string, 10> hours = {
        "80071510", "80071510", "80071510", "80071510", "80071511",
        "80071511", "80071511", "80 71510", "81052012", "80071500"};
    return one_of(hours);
  }

  std::vector<std::string> observed() {
    static const std::array<std::string, 7> arcs = {"      0.50", "      0.80", "      1.00",
                                                    "      1.50", "      2.00", "      1.00",
                                                    "     -0.50"};
    std::vector<std::string> lines;
    const int n = pick(12);
    for (int k = 0; k < n; ++k) {
      std::string exp = "   " + std::to_string(10 + k);
      std::string arc = one_of(arcs);
      if (chance(2)) arc = "      x.50";
      if (chance(2)) exp = "   1x";
      lines.push_back(observed_line(exp, hour_stamp() + "00", arc));
    }
    return file(lines);
  }

  std::string model(int k) {
    static const std::array<std::string, 9> dists = {"  500.000", "  800.000", "  999.999",
                                                     " 1000.000", " 1500.000", " 1999.999",
                                                     " 2000.000", " 5000.000", " -999.999"};
    static const std::array<std::string, 7> cys = {"1.2345E-02", "0.0000E+00", "-1.000E-05",
                                                   "          ", "1.0000E-30", "      5000",
                                                   "1.0E-03   "};
    std::string dist = one_of(dists);
    std::string cy = one_of(cys);
    if (chance(2)) dist = " 1000.0x0";
    if (chance(2)) cy = " 1.2x-02  ";
    char tag[16];
    std::snprintf(tag, sizeof tag, "  %d.0000E+00", k % 10);
    std::string rec = model_record(hour_stamp(), dist, cy, tag);
    if (chance(5)) rec = rec.substr(0, static_cast<std::size_t>(20 + pick(60)));
    if (chance(5)) rec += "beyond column 80";
    return rec;
  }

  std::vector<std::string> models() {
    std::vector<std::string> recs;
    const int n = pick(15);
    for (int k = 0; k < n; ++k) recs.push_back(model(k));
    return file(recs);
  }

  std::vector<std::string> surface() {
    if (chance(2)) return {};
    std::vector<std::string> lines = {"surface header"};
    const int n = pick(8);
    for (int k = 0; k < n; ++k) {
      const int yy = chance(90) ? (chance(50) ? 80 : 81) : 82;
      const int mm = chance(90) ? (chance(50) ? 7 : 5) : 13;
      const int dd = chance(50) ? 15 : 20;
      const int hh = pick(26);
      char len[16];
      std::snprintf(len, sizeof len, "%8.1f", (pick(4000) - 2000) / 10.0);
      lines.push_back(surface_record(yy, mm, dd, hh, len));
      if (chance(2)) lines.back() = splice(lines.back(), 57, "  12x.0 ");
    }
    return lines;
  }

 private:
  std::mt19937 rng_;
};

TEST(CombineRescan, SameTableFailureAndStatusAsTheRescanningJoin) {
  int runs = 0, failed = 0, lines_written = 0;
  testsupport::ScratchDir root;
  for (unsigned seed = 1; seed <= 800; ++seed) {
    StudyMaker make(seed);
    // A fresh folder per study (rewriting files in place is slower on some disks).
    const std::filesystem::path dir = root / ("study-" + std::to_string(seed));
    std::filesystem::create_directory(dir);
    auto put = [&](std::string_view name, const std::vector<std::string>& records) {
      std::ofstream f(dir / name, std::ios::binary);
      f << lines(records);
    };
    put(kObservedName, make.observed());
    put(kIscst3Name, make.models());
    put(kSurfaceName, make.surface());
    put(kAermodName, make.models());

    std::ostringstream expected_err;
    const int expected_status = rescan_combine(dir, expected_err);
    const std::string expected_table = read_file(dir / kTableName);
    if (!expected_table.empty())
      std::filesystem::rename(dir / kTableName, dir / "rescan-table.txt");

    const Result r = run_in(dir);
    SCOPED_TRACE("seed " + std::to_string(seed));
    ASSERT_EQ(r.status, expected_status);
    ASSERT_EQ(r.err, expected_err.str());
    ASSERT_EQ(r.table, expected_table);
    ++runs;
    if (r.status != 0) ++failed;
    for (std::size_t p = 0; (p = r.table.find("\r\n", p)) != std::string::npos; p += 2) {
      if (p >= 340 && (p == 340 || r.table[p - 341] == '\n')) ++lines_written;
    }
  }
  // The random studies reach both ends: many complete tables and many failures.
  EXPECT_GT(failed, runs / 10);
  EXPECT_LT(failed, runs * 9 / 10);
  EXPECT_GT(lines_written, runs / 4) << failed << " failures in " << runs << " runs";
}

}  // namespace
