// Generated studies for the tlvstats benchmarks and for comparing two builds'
// outputs: log-normal observations on twelve arcs with stable, unstable and
// missing Obukhov lengths, a few hours without an observation, and models that
// scatter around the observations with their own bias. The same line count
// always gives the same study.
#pragma once

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "records/records.h"

namespace studyinputs {

inline constexpr float kArcs[12] = {0.5f,  1.0f,  2.0f,  3.0f,  5.0f,  7.0f,
                                    10.0f, 15.0f, 20.0f, 30.0f, 40.0f, 50.0f};

struct LineShape {
  float arc, obk, cy, cmax, aer_cy, aer_cmax, isc_cy, isc_cmax;
};

inline std::vector<LineShape> shapes(int lines) {
  std::mt19937 rng(20111105);
  std::normal_distribution<double> z(0.0, 1.0);
  std::vector<LineShape> out;
  for (int k = 0; k < lines; ++k) {
    LineShape s;
    s.arc = kArcs[k % 12];
    const int stab = k % 5;
    s.obk = stab == 0 ? -99999.0f : stab < 3 ? -50.0f - 10.0f * float(k % 7) : 80.0f;
    s.cy = static_cast<float>(std::exp(3.0 + z(rng)) / s.arc);
    s.cmax = s.cy / (100.0f * s.arc);
    s.aer_cy = static_cast<float>(s.cy * std::exp(0.4 * z(rng)));
    s.aer_cmax = static_cast<float>(s.cmax * std::exp(0.2 + 0.5 * z(rng)));
    s.isc_cy = static_cast<float>(s.cy * std::exp(-0.5 + 0.8 * z(rng)));
    s.isc_cmax = static_cast<float>(s.cmax * std::exp(-0.7 + 0.9 * z(rng)));
    if (k % 97 == 0) s.cy = -99.0f;  // a few hours without an observation
    out.push_back(s);
  }
  return out;
}

// The combined table of the shapes, with its header and count lines.
inline std::string table_text(const std::vector<LineShape>& shapes) {
  const records::Layout report("(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)");
  const records::Layout model("(3x,a8,4x,f9.3,1pe12.4,0p,2f9.2,1pe10.3,0pf10.4)");
  std::string text = "header line 1\r\nheader line 2\r\n";
  int exp = 0;
  for (const LineShape& s : shapes) {
    std::string line =
        records::format(report, {exp++ % 99999 + 1, 80, 7, 15, 10, 0, 60, s.arc, s.arc, 1000.0f,
                                 s.obk, 1.0f, 1.0f, 1.0f, s.cmax, s.cy, 150.0f, 200.0f});
    line.resize(180, ' ');
    for (auto [cy, cmax] : {std::pair{s.aer_cy, s.aer_cmax}, std::pair{s.isc_cy, s.isc_cmax}}) {
      std::string r = records::format(
          model, {std::string_view("80071510"), s.arc * 1000.0f, cmax, 12.5f, 250.0f, cy, 1.0f});
      r.resize(80, ' ');
      line += r;
    }
    text += line + "\r\n";
  }
  const std::string n = std::to_string(shapes.size());
  text +=
      "     ISC Zero Cy:  0\r\n     Iaerobs:      " + n + "\r\n     iallthree:    " + n + "\r\n";
  return text;
}

// The shapes as a pairs file, one line per quantity, the arc as the group. Three
// models are AERMOD, ISCST3 and MIDDLE (between the two); other counts take the
// models M1, M2, ... that blend the two with their own weight.
inline std::string pairs_text(const std::vector<LineShape>& shapes, int models = 3) {
  std::string text = "group,quantity,observed,obk";
  auto name = [&](int m) {
    if (models == 3) return std::string(m == 0 ? "AERMOD" : m == 1 ? "ISCST3" : "MIDDLE");
    std::string model = "M";
    model += std::to_string(m + 1);
    return model;
  };
  for (int m = 0; m < models; ++m) {
    text += ',';
    text += name(m);
  }
  text += "\r\n";
  auto blend = [&](int m, float aer, float isc) {
    if (models == 3) return m == 0 ? aer : m == 1 ? isc : 0.5f * (aer + isc);
    const float w = models == 1 ? 0.0f : float(m) / float(models - 1);
    return (1.0f - w) * aer + w * isc;
  };
  char buf[64];
  for (const LineShape& s : shapes) {
    const float cy = s.cy > 0 ? s.cy : -99.0f;
    for (int q = 0; q < 2; ++q) {
      std::snprintf(buf, sizeof buf, "%.2f,%s,%.4e,%.1f", s.arc, q == 0 ? "CY/Q" : "CMAX/Q",
                    q == 0 ? cy : s.cmax, s.obk);
      text += buf;
      for (int m = 0; m < models; ++m) {
        std::snprintf(buf, sizeof buf, ",%.4e",
                      q == 0 ? blend(m, s.aer_cy, s.isc_cy) : blend(m, s.aer_cmax, s.isc_cmax));
        text += buf;
      }
      text += "\r\n";
    }
  }
  return text;
}

}  // namespace studyinputs
