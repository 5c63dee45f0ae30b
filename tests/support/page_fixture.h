// A hand-made evaluation page input shaped like a whole run on the example study: two
// quantities, two models and their difference, the all, arc and stability groups, every
// measure, and two small pictures. Values are made up; a few are not formed, infinite or
// without limits, and the texts hold characters that must be escaped.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "evaluate/page/page.h"

namespace testsupport {

// The texts of the hand-made rows, kept for the whole test program.
inline std::string_view fixture_text(const std::string& text) {
  static evaluate::TidyTexts texts;
  return texts.keep(text);
}

inline evaluate::TidyRow page_row(std::string model, std::string quantity, std::string group,
                                  double km, std::string measure, double value, double lower,
                                  double upper, std::string mark) {
  evaluate::TidyRow r;
  r.model = fixture_text(model);
  r.quantity = fixture_text(quantity);
  r.group = fixture_text(group);
  r.arc_km = km;
  r.measure = fixture_text(measure);
  r.value = value;
  r.lower = lower;
  r.upper = upper;
  r.mark = mark.empty() ? '\0' : mark[0];
  return r;
}

// Two small SVG pictures with an XML declaration, as the diagram writers make them.
inline std::string page_fixture_svg(const std::string& id, const std::string& colour) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"600\" height=\"300\" "
         "viewBox=\"0 0 600 300\" id=\"" +
         id +
         "\">\n"
         "<rect x=\"0\" y=\"0\" width=\"600\" height=\"300\" fill=\"white\"/>\n"
         "<rect x=\"60\" y=\"30\" width=\"500\" height=\"220\" fill=\"none\" stroke=\"black\"/>\n"
         "<circle id=\"" +
         id + "-m1\" cx=\"200\" cy=\"120\" r=\"6\" fill=\"none\" stroke=\"" + colour +
         "\"/>\n"
         "<circle cx=\"330\" cy=\"160\" r=\"6\" fill=\"none\" stroke=\"" +
         colour +
         "\"/>\n"
         "<text x=\"310\" y=\"285\" text-anchor=\"middle\" font-size=\"14\">Co &amp; Cp</text>\n"
         "</svg>\n";
}

inline evaluate::PageInput page_fixture() {
  using evaluate::TidyRow;
  evaluate::PageInput in;
  in.title = "Model evaluation: TLV-Combined-NoFill-Results.txt";
  in.facts = {{"Table", "TLV-Combined-NoFill-Results.txt"},
              {"Combined lines read", "40"},
              {"Count lines", "Iaerobs 40, iallthree 44, ISC Zero Cy 4"},
              {"Models", "AERMOD, ISCST3"},
              {"Bootstrap", "1000 resamples within arcs, seed 1"},
              {"Note on <pairs> & \"quotes\"", "a < b && c > 'd'"}};
  in.remarks = {"iallthree - ISC Zero Cy (40) is not the number of combined lines read (39)."};
  in.criteria = "rural";
  in.judged = {{"FB", "|FB| <= 0.3"},
               {"MG", "0.7 <= MG <= 1.3"},
               {"NMSE", "NMSE <= 1.5"},
               {"VG", "VG <= 4"},
               {"FAC2", "FAC2 >= 0.5"}};

  struct Group {
    const char* name;
    double km;
    long lines;
  };
  const Group groups[] = {{"all", NAN, 40},     {"arc", 0.5, 9},  {"arc", 1.0, 10},
                          {"arc", 2.0, 11},     {"arc", 5.0, 10}, {"stable", NAN, 0},
                          {"unstable", NAN, 36}};
  const char* quantities[] = {"CY/Q", "CMAX/Q"};
  const char* models[] = {"AERMOD", "ISCST3"};
  const char* judged[] = {"FB", "MG", "NMSE", "VG", "FAC2", "NAD"};
  for (int q = 0; q < 2; ++q) {
    for (int g = 0; g < 7; ++g) {
      const Group& grp = groups[g];
      const bool empty = grp.lines == 0;
      for (int m = 0; m < 2; ++m) {
        const double s = 1 + 0.37 * g + 0.51 * m + 0.23 * q;  // a made-up spread
        auto add = [&](const char* measure, double v, double lo, double hi, std::string mark) {
          if (empty) v = lo = hi = NAN, mark = mark.empty() ? "" : "-";
          TidyRow r =
              page_row(models[m], quantities[q], grp.name, grp.km, measure, v, lo, hi, mark);
          r.lines = grp.lines;
          r.obs_out = g == 0 ? 1 : 0;
          r.mod_unr = g == 0 && m == 1 ? 4 : 0;
          r.mod_neg = 0;
          r.n = grp.lines - *r.obs_out - *r.mod_unr;
          r.n_pos = *r.n - (m == 1 && g == 0 ? 2 : 0);
          r.boot = empty ? 0 : 1000;
          in.rows.push_back(r);
        };
        add("MeanO", 41.5 / s, NAN, NAN, "");
        add("MeanP", 38.2 * s, NAN, NAN, "");
        add("SdO", 22.1, NAN, NAN, "");
        add("SdP", 30.7 * s, NAN, NAN, "");
        add("R", 0.71 - 0.2 * m, NAN, NAN, "");
        const double values[] = {0.12 * s - 0.4, 0.9 * s, 0.8 * s, 1.4 * s * s, 0.7 / s, 0.21 * s};
        for (int k = 0; k < 6; ++k) {
          const double v = values[k];
          std::string mark = k == 5 ? "." : (v > 0.6 && v < 1.3) || std::fabs(v) < 0.3 ? "Y" : "N";
          add(judged[k], v, v - 0.1 * s, v + 0.12 * s, mark);
        }
        add("RHCo", 152.0, 121.0, 190.0, "");
        add("RHCp", 152.0 * s, 110.0 * s, 201.0 * s, "");
        add("RHCp/RHCo", s, 0.8 * s, 1.3 * s, "");
      }
      // The difference of the two models on their common lines.
      const char* diffs[] = {"dFB", "dlnMG", "dNMSE", "dlnVG", "dFAC2", "dNAD", "dlnRHC"};
      for (int k = 0; k < 7; ++k) {
        const double v = (k % 2 ? -0.31 : 0.18) * (1 + g);
        const bool sig = k == 0 || k == 3;
        TidyRow r = page_row("AERMOD-ISCST3", quantities[q], grp.name, grp.km, diffs[k], v,
                             sig ? v - 0.05 : v - 0.9, sig ? v + 0.07 : v + 0.8, sig ? "Y" : "N");
        if (empty) r.value = r.lower = r.upper = NAN, r.mark = '-';
        r.lines = grp.lines;
        r.n_both = grp.lines - (g == 0 ? 5 : 0);
        r.boot = empty ? 0 : 1000;
        in.rows.push_back(r);
      }
    }
  }
  // An arc of two lines in CMAX/Q: its differences have values but no limits; a VG
  // beyond the range of numbers.
  for (TidyRow& r : in.rows) {
    if (r.quantity == "CMAX/Q" && r.group == "arc" && r.arc_km == 5.0 && r.measure[0] == 'd') {
      r.lower = r.upper = NAN;
      r.mark = '-';
      r.n_both = 2;
    }
    if (r.quantity == "CMAX/Q" && r.group == "arc" && r.arc_km == 0.5 && r.measure == "VG" &&
        r.model == "ISCST3") {
      r.value = r.upper = INFINITY;
      r.mark = 'N';
    }
  }
  in.diagrams = {
      {"MG-VG diagram: geometric bias and variance", page_fixture_svg("mgvg", "#1f6fb4")},
      {"FB-NMSE diagram <fractional bias & error>", page_fixture_svg("fbnmse", "#d0442a")}};
  return in;
}

}  // namespace testsupport
