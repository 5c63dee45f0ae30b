// The fit of one arc: the worked example, arcs checked bit for bit against a
// separate single-precision model (tests/data/arcstats/fit_cases.txt), and every
// status path with what it leaves untouched.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "arcstats/arc.h"
#include "arcstats/arcstats.h"
#include "records/write.h"

namespace {

using arcstats::bstfit;
using arcstats::FitResults;
using arcstats::SourceSetting;

constexpr float kMark = 777.0f;  // caller's earlier value of an output

FitResults marked() {
  FitResults r;
  r.OMAX = r.CMAX = r.Sy = r.CY = r.RMEAN = r.PHIC = kMark;
  r.NUSED = 77;
  r.IERR = 77;
  return r;
}

// Receptor at bearing b degrees, distance r, as floats.
void place(double b, double r, float& x, float& y) {
  const double a = b * (3.141592653589793 / 180.0);
  x = static_cast<float>(r * std::sin(a));
  y = static_cast<float>(r * std::cos(a));
}

struct Arc {
  std::vector<float> conc, x, y, ylat, ang;
  explicit Arc(std::vector<float> c) : conc(std::move(c)) {
    x.resize(conc.size());
    y.resize(conc.size());
    ylat.assign(conc.size(), kMark);
    ang.assign(conc.size(), kMark);
  }
  int num() const { return static_cast<int>(conc.size()); }
};

// Value rounds to `want` at the given number of decimals.
void expect_digits(float got, double want, int decimals, const char* what) {
  const double half = 0.5 * std::pow(10.0, -decimals);
  EXPECT_LE(std::fabs(got - want), half) << what << ": got " << got << ", want " << want;
}

TEST(ArcstatsFit, WorkedExample) {
  Arc a({1, 1, 2, -1, 0});
  const double b[] = {100, 80, 90, 110, 70};
  for (int i = 0; i < 5; ++i) place(b[i], 1.0, a.x[i], a.y[i]);
  FitResults r = marked();
  bstfit(a.num(), a.conc, a.x, a.y, a.ylat, a.ang, r, SourceSetting{1000.0f, 0.0f, 0.0f}, {});

  EXPECT_EQ(r.IERR, 0);
  EXPECT_EQ(r.OMAX, 2.0f);
  EXPECT_EQ(r.NUSED, 4);
  expect_digits(r.RMEAN, 1.0, 1, "RMEAN");
  expect_digits(r.PHIC, 90.0, 1, "PHIC");
  const float conc[] = {0, 1, 2, 1, -1};
  const double ang[] = {70, 80, 90, 100, 110};
  const double ylat[] = {-349.07, -174.53, 0.00, 174.53, 349.07};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(a.conc[i], conc[i]) << i;
    expect_digits(a.ang[i], ang[i], 3, "ANG");
    expect_digits(a.ylat[i], ylat[i], 2, "YLAT");
    float x, y;
    place(ang[i], 1.0, x, y);
    EXPECT_EQ(a.x[i], x) << i;  // coordinates travel with their receptor
    EXPECT_EQ(a.y[i], y) << i;
  }
  expect_digits(r.Sy, 123.41, 2, "Sy");
  expect_digits(r.CY, 610.87, 2, "CY");
  expect_digits(r.CMAX, 1.9747, 4, "CMAX");
}

// ---- Arcs from the separate model, compared bit for bit.

float hexf(const std::string& s) {
  float v = 0.0f;
  const auto res = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::hex);
  if (res.ec != std::errc() || res.ptr != s.data() + s.size()) {
    throw std::runtime_error("bad hex float in test data: " + s);
  }
  return v;
}

struct ModelCase {
  std::string name;
  SourceSetting src;
  std::vector<float> conc, x, y;
  FitResults want;
  std::vector<float> out_conc, out_x, out_y, out_ylat, out_ang;
};

std::vector<ModelCase> load_cases() {
  std::ifstream in(std::string(TEST_DATA_DIR) + "/arcstats/fit_cases.txt");
  if (!in) throw std::runtime_error("fit_cases.txt not found");
  std::vector<ModelCase> cases;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    std::string tag;
    s >> tag;
    if (tag.empty() || tag[0] == '#') continue;
    std::string a, b, c, d, e, f, g, h;
    if (tag == "case") {
      cases.emplace_back();
      s >> cases.back().name;
    } else if (tag == "source") {
      s >> a >> b >> c;
      cases.back().src = SourceSetting{hexf(a), hexf(b), hexf(c)};
    } else if (tag == "num") {
      // the counts of "in" and "out" lines give it
    } else if (tag == "in") {
      s >> a >> b >> c;
      cases.back().conc.push_back(hexf(a));
      cases.back().x.push_back(hexf(b));
      cases.back().y.push_back(hexf(c));
    } else if (tag == "fit") {
      auto& w = cases.back().want;
      s >> w.IERR >> a >> w.NUSED >> b >> c >> d >> e >> f;
      w.OMAX = hexf(a);
      w.RMEAN = hexf(b);
      w.PHIC = hexf(c);
      w.Sy = hexf(d);
      w.CY = hexf(e);
      w.CMAX = hexf(f);
    } else if (tag == "out") {
      s >> a >> b >> c >> d >> e;
      auto& k = cases.back();
      k.out_conc.push_back(hexf(a));
      k.out_x.push_back(hexf(b));
      k.out_y.push_back(hexf(c));
      k.out_ylat.push_back(hexf(d));
      k.out_ang.push_back(hexf(e));
    }
  }
  return cases;
}

std::uint32_t bits(float v) {
  return std::bit_cast<std::uint32_t>(v);
}

TEST(ArcstatsFit, MatchesSeparateModelBitForBit) {
  const auto cases = load_cases();
  ASSERT_GE(cases.size(), 12u);
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    // Arrays of exactly NUM entries: any access past them shows under the sanitizers.
    std::vector<float> conc = k.conc, x = k.x, y = k.y;
    std::vector<float> ylat(conc.size(), kMark), ang(conc.size(), kMark);
    FitResults r = marked();
    bstfit(static_cast<int>(conc.size()), conc, x, y, ylat, ang, r, k.src, {});
    EXPECT_EQ(r.IERR, k.want.IERR);
    EXPECT_EQ(r.NUSED, k.want.NUSED);
    EXPECT_EQ(bits(r.OMAX), bits(k.want.OMAX)) << r.OMAX;
    EXPECT_EQ(bits(r.RMEAN), bits(k.want.RMEAN)) << r.RMEAN;
    EXPECT_EQ(bits(r.PHIC), bits(k.want.PHIC)) << r.PHIC;
    EXPECT_EQ(bits(r.Sy), bits(k.want.Sy)) << r.Sy;
    EXPECT_EQ(bits(r.CY), bits(k.want.CY)) << r.CY;
    EXPECT_EQ(bits(r.CMAX), bits(k.want.CMAX)) << r.CMAX;
    ASSERT_EQ(k.out_conc.size(), conc.size());
    for (std::size_t i = 0; i < conc.size(); ++i) {
      ASSERT_EQ(bits(conc[i]), bits(k.out_conc[i])) << "receptor " << i;
      ASSERT_EQ(bits(x[i]), bits(k.out_x[i])) << "receptor " << i;
      ASSERT_EQ(bits(y[i]), bits(k.out_y[i])) << "receptor " << i;
      ASSERT_EQ(bits(ylat[i]), bits(k.out_ylat[i])) << "receptor " << i << " " << ylat[i];
      ASSERT_EQ(bits(ang[i]), bits(k.out_ang[i])) << "receptor " << i << " " << ang[i];
    }
  }
}

// ---- Plumes across north.

TEST(ArcstatsFit, CentrelineIsNotReducedPast360) {
  // Centroid a little west of north, weighted mean bearing east of it.
  Arc a({1, 1, 1, 0});
  const double b[] = {350, 10, 10, 12}, rr[] = {10.0, 1.0, 1.0, 1.5};
  for (int i = 0; i < 4; ++i) place(b[i], rr[i], a.x[i], a.y[i]);
  FitResults r = marked();
  bstfit(a.num(), a.conc, a.x, a.y, a.ylat, a.ang, r, SourceSetting{}, {});
  EXPECT_EQ(r.IERR, 0);
  EXPECT_GT(r.PHIC, 360.0f);
  EXPECT_LT(r.PHIC, 365.0f);
  // Bearings come back as the centreline plus the deviation: past 360 east of north.
  EXPECT_NEAR(a.ang[0], 350.0, 1e-3);
  EXPECT_NEAR(a.ang[3], 372.0, 1e-3);
}

TEST(ArcstatsFit, ReceptorsAcrossNorthGetBearingsAbove360) {
  // Centreline near 355; a receptor at bearing 5 comes back near 365.
  Arc a({1, 3, 1, 0.5f});
  const double b[] = {350, 355, 0, 5};
  for (int i = 0; i < 4; ++i) place(b[i], 2.0, a.x[i], a.y[i]);
  FitResults r = marked();
  bstfit(a.num(), a.conc, a.x, a.y, a.ylat, a.ang, r, SourceSetting{}, {});
  EXPECT_EQ(r.IERR, 0);
  EXPECT_NEAR(a.ang[3], 365.0, 1e-3);
  EXPECT_EQ(a.conc[3], 0.5f);
  EXPECT_GT(a.ylat[3], 0.0f);  // clockwise of the centreline is positive
  EXPECT_LT(a.ylat[0], 0.0f);
}

TEST(ArcstatsFit, DeviationOfExactly180IsKept) {
  // Centroid due east (90 exactly); one receptor at bearing 270 exactly. Its
  // deviation is +180 (the fold is strict), so it sorts last, clockwise side.
  Arc a({1, 1, 2, -1, 0});
  a.x = {1, 1, 1, -1, 0};
  a.y = {0.5f, -0.5f, 0, 0x1.4f8b58p-19f, -1};
  ASSERT_EQ(arcstats::bearing(a.x[3], a.y[3], SourceSetting{}), 270.0f);
  FitResults r = marked();
  bstfit(a.num(), a.conc, a.x, a.y, a.ylat, a.ang, r, SourceSetting{}, {});
  EXPECT_EQ(r.IERR, 0);
  EXPECT_EQ(a.conc[4], -1.0f);
  EXPECT_NEAR(a.ang[4], 270.0, 1e-3);
  EXPECT_GT(a.ylat[4], 0.0f);
}

// ---- Status paths and what they leave untouched.

TEST(ArcstatsFit, EmptyArc) {
  FitResults r = marked();
  bstfit(0, {}, {}, {}, {}, {}, r, SourceSetting{}, {});
  EXPECT_EQ(r.IERR, -2);
  EXPECT_EQ(r.OMAX, -99999.0f);
  EXPECT_EQ(r.NUSED, 0);
  for (float v : {r.CMAX, r.Sy, r.CY, r.RMEAN, r.PHIC}) EXPECT_EQ(v, kMark);

  // A negative count holds no receptor either.
  FitResults r2 = marked();
  bstfit(-3, {}, {}, {}, {}, {}, r2, SourceSetting{}, {});
  EXPECT_EQ(r2.IERR, -2);
  EXPECT_EQ(r2.OMAX, -99999.0f);
  EXPECT_EQ(r2.NUSED, 0);
}

TEST(ArcstatsFit, TooManyReceptorsReportsArcSize) {
  Arc a(std::vector<float>(201, 1.0f));
  for (int i = 0; i < 201; ++i) place(i * 0.1, 1.0, a.x[i], a.y[i]);
  const Arc before = a;
  std::string report_text;
  int calls = 0;
  const arcstats::ArcSizeReport report = [&](int NUM) {
    ++calls;
    report_text += records::format_list({std::string_view("NUM  = : "), NUM}) + "\n";
    report_text += records::format_list({std::string_view("NMAX = : "), arcstats::NMAX}) + "\n";
  };
  FitResults r = marked();
  bstfit(201, a.conc, a.x, a.y, a.ylat, a.ang, r, SourceSetting{}, report);
  EXPECT_EQ(r.IERR, -4);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(report_text, " NUM  = :  201\n NMAX = :  200\n");
  for (float v : {r.OMAX, r.CMAX, r.Sy, r.CY, r.RMEAN, r.PHIC}) EXPECT_EQ(v, kMark);
  EXPECT_EQ(r.NUSED, 77);
  EXPECT_EQ(a.conc, before.conc);
  EXPECT_EQ(a.x, before.x);
  EXPECT_EQ(a.y, before.y);
  EXPECT_EQ(a.ylat, before.ylat);
  EXPECT_EQ(a.ang, before.ang);

  // Arrays of the usual capacity with a count past it: nothing is read or written,
  // and a host without a report sink is fine too.
  std::vector<float> c(200, 1.0f), x(200), y(200), yl(200, kMark), an(200, kMark);
  FitResults r2 = marked();
  bstfit(5000, c, x, y, yl, an, r2, SourceSetting{}, {});
  EXPECT_EQ(r2.IERR, -4);
  EXPECT_EQ(r2.OMAX, kMark);
  EXPECT_EQ(yl, std::vector<float>(200, kMark));
}

TEST(ArcstatsFit, TwoPositiveReceptorsAreTooFew) {
  Arc a({0, 3, 0, -1, 2, 0});
  const double b[] = {40, 80, 60, 100, 50, 30};
  for (int i = 0; i < 6; ++i) place(b[i], 1.5, a.x[i], a.y[i]);
  const Arc before = a;
  FitResults r = marked();
  const SourceSetting src{1000.0f, 0.0f, 0.0f};
  bstfit(a.num(), a.conc, a.x, a.y, a.ylat, a.ang, r, src, {});
  EXPECT_EQ(r.IERR, -2);
  EXPECT_EQ(r.OMAX, 3.0f);
  EXPECT_EQ(r.NUSED, 2);
  for (float v : {r.CMAX, r.Sy, r.CY, r.RMEAN, r.PHIC}) EXPECT_EQ(v, kMark);
  // Input order kept; every receptor has its plain bearing.
  EXPECT_EQ(a.conc, before.conc);
  EXPECT_EQ(a.x, before.x);
  EXPECT_EQ(a.y, before.y);
  EXPECT_EQ(a.ylat, before.ylat);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(a.ang[i], arcstats::bearing(a.x[i], a.y[i], src)) << i;
}

TEST(ArcstatsFit, AllNegativeConcentrations) {
  Arc a({-3, -1.5f, -7});
  for (int i = 0; i < 3; ++i) place(80 + 5 * i, 1.0, a.x[i], a.y[i]);
  FitResults r = marked();
  bstfit(a.num(), a.conc, a.x, a.y, a.ylat, a.ang, r, SourceSetting{}, {});
  EXPECT_EQ(r.IERR, -2);
  EXPECT_EQ(r.OMAX, -1.5f);
  EXPECT_EQ(r.NUSED, 0);

  // Nothing above the start value: it stays.
  Arc low({-1.0e6f, -2.0e5f});
  FitResults r2 = marked();
  bstfit(low.num(), low.conc, low.x, low.y, low.ylat, low.ang, r2, SourceSetting{}, {});
  EXPECT_EQ(r2.OMAX, -99999.0f);
  EXPECT_EQ(r2.IERR, -2);
}

TEST(ArcstatsFit, NoSpreadGivesNoPeak) {
  // Three positive receptors on one bearing: every deviation is zero, Sy = 0.
  Arc a({1, 2, 3, -5});
  const double b[] = {45, 45, 45, 60}, rr[] = {1, 2, 3, 2};
  for (int i = 0; i < 4; ++i) place(b[i], rr[i], a.x[i], a.y[i]);
  FitResults r = marked();
  bstfit(a.num(), a.conc, a.x, a.y, a.ylat, a.ang, r, SourceSetting{}, {});
  EXPECT_EQ(r.IERR, -2);
  EXPECT_EQ(r.CMAX, -99.0f);
  EXPECT_EQ(r.Sy, 0.0f);  // computed values are kept
  EXPECT_EQ(r.CY, 0.0f);
  EXPECT_EQ(r.NUSED, 3);
  EXPECT_EQ(r.OMAX, 3.0f);
  EXPECT_NEAR(r.RMEAN, 2.0, 1e-6);
  EXPECT_NE(a.ylat[3], kMark);  // every receptor gets its crosswind distance
}

TEST(ArcstatsFit, ShortArraysAreRefusedBeforeAnythingIsSet) {
  Arc a({1, 2, 3, 4});
  for (int i = 0; i < 4; ++i) place(80 + 5 * i, 1.0, a.x[i], a.y[i]);
  FitResults r = marked();
  std::vector<float> short_ylat(3, kMark), short_ang(3, kMark);
  EXPECT_THROW(bstfit(4, a.conc, a.x, a.y, short_ylat, a.ang, r, SourceSetting{}, {}),
               std::length_error);
  EXPECT_THROW(bstfit(4, a.conc, a.x, a.y, a.ylat, short_ang, r, SourceSetting{}, {}),
               std::length_error);
  EXPECT_THROW(
      bstfit(4, std::span<float>(a.conc).first(3), a.x, a.y, a.ylat, a.ang, r, SourceSetting{}, {}),
      std::length_error);
  EXPECT_EQ(r.OMAX, kMark);
  EXPECT_EQ(r.IERR, 77);
  EXPECT_EQ(a.ang, std::vector<float>(4, kMark));
  EXPECT_EQ(a.conc, (std::vector<float>{1, 2, 3, 4}));
}

// ---- The geometry step on its own.

TEST(ArcstatsArc, TooFewLeavesUnnormalisedCentroid) {
  std::vector<float> conc = {2, 3, 0}, x = {1, 0, 5}, y = {0, 1, 5}, ang(3), dev(200, kMark);
  int npos = -1, ierr = 0;
  float xc = kMark, yc = kMark, phic = kMark, rmean = kMark, omax = kMark;
  arcstats::arc(3, conc, x, y, ang, dev, npos, xc, yc, phic, rmean, omax, ierr, SourceSetting{},
                {});
  EXPECT_EQ(ierr, -2);
  EXPECT_EQ(npos, 2);
  EXPECT_EQ(xc, 2.0f);
  EXPECT_EQ(yc, 3.0f);
  EXPECT_EQ(omax, 3.0f);
  EXPECT_EQ(phic, kMark);
  EXPECT_EQ(rmean, kMark);
  EXPECT_EQ(dev, std::vector<float>(200, kMark));
}

TEST(ArcstatsArc, StatusTellsWhetherReceptorsMoved) {
  std::vector<float> conc = {1, 1, 2, -1, 0}, x(5), y(5), ang(5), dev(200);
  const double b[] = {100, 80, 90, 110, 70};
  for (int i = 0; i < 5; ++i) place(b[i], 1.0, x[i], y[i]);
  int npos = 0, ierr = 0;
  float xc, yc, phic = 0, rmean = 0, omax = 0;
  const SourceSetting src{};
  arcstats::arc(5, conc, x, y, ang, dev, npos, xc, yc, phic, rmean, omax, ierr, src, {});
  EXPECT_EQ(ierr, 2);
  EXPECT_EQ(npos, 3);
  // Centroid of bearings 80, 90, 100 weighted 1, 2, 1 at unit distance.
  EXPECT_NEAR(xc, (2.0 * std::sin(80.0 * 3.141592653589793 / 180.0) + 2.0) / 4.0, 1e-6);
  EXPECT_NEAR(yc, 0.0, 1e-6);
  for (int i = 1; i < 5; ++i) EXPECT_LT(dev[i - 1], dev[i]);
  // Already in order of deviation: a second pass exchanges nothing.
  arcstats::arc(5, conc, x, y, ang, dev, npos, xc, yc, phic, rmean, omax, ierr, src, {});
  EXPECT_EQ(ierr, 0);
}

}  // namespace
