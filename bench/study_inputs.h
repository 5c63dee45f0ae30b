// Generated studies for the tlvstats benchmarks and for comparing two builds'
// outputs: log-normal observations on twelve arcs with stable, unstable and
// missing Obukhov lengths, a few hours without an observation, and models that
// scatter around the observations with their own bias. The same line count
// always gives the same study. A network study (network_pairs) is the hourly
// pairs of a monitoring network's stations, written in chunks as it is made.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
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

// A network study: `lines` hourly pairs per quantity, line k being station
// k % groups (label "S00001", ...) at hour k / groups, so that every station
// has every hour of the study up to the last. The Obukhov length of a line is
// stable (10 to 500 m) mostly at night, unstable (-500 to -5 m) mostly by
// day, and missing (empty) in one line of ten. Observations are log-normal
// about a median of the quantity, a level of the station and a daily cycle;
// one in fifty is missing (empty). Model m predicts the observation times
// exp(bias_m + scatter_m z), one value in a thousand missing (empty). The
// quantities of a line follow one another (NO2, O3, PM10, PM2.5, then Q5,
// ...). Values have two decimals, Obukhov lengths one, lines end with LF.
struct NetworkShape {
  long long lines = 0;  // per quantity
  int groups = 1;
  int models = 3;  // 1 to 8
  int quantities = 1;
};

namespace detail {

// splitmix64: a small generator whose output is the same on every platform.
struct NetworkStream {
  std::uint64_t state;
  bool has_spare = false;
  double spare = 0.0;

  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in (0, 1].
  double uniform() { return double((next() >> 11) + 1) * 0x1.0p-53; }
  // Standard normal, by Box and Muller (both values of a pair used).
  double normal() {
    if (has_spare) {
      has_spare = false;
      return spare;
    }
    const double r = std::sqrt(-2.0 * std::log(uniform()));
    const double a = 2.0 * std::numbers::pi * uniform();
    spare = r * std::sin(a);
    has_spare = true;
    return r * std::cos(a);
  }
};

// Appends `value` with `decimals` decimals.
inline char* put_fixed(char* at, char* end, double value, int decimals) {
  return std::to_chars(at, end, value, std::chars_format::fixed, decimals).ptr;
}

}  // namespace detail

inline std::string network_quantity(int q) {
  static constexpr const char* kNames[4] = {"NO2", "O3", "PM10", "PM2.5"};
  if (q < 4) return kNames[q];
  std::string name = "Q";
  name += std::to_string(q + 1);
  return name;
}

// Makes the network study of `shape` and hands its text to `write(const char*,
// std::size_t)` in chunks of about 1 MiB, the header first. The same shape always
// gives the same text.
template <class Write>
void network_pairs(const NetworkShape& shape, Write&& write) {
  static constexpr double kMedian[4] = {30.0, 55.0, 20.0, 11.0};
  static constexpr double kBias[8] = {-0.2, 0.15, 0.0, 0.3, -0.1, 0.25, -0.35, 0.05};
  detail::NetworkStream rng{20261208};
  std::vector<double> level(static_cast<std::size_t>(shape.groups));
  for (double& l : level) l = 0.3 * rng.normal();
  std::vector<std::string> quantity(static_cast<std::size_t>(shape.quantities));
  for (int q = 0; q < shape.quantities; ++q) quantity[q] = network_quantity(q);

  std::vector<char> buf(std::size_t{1} << 20 | 8192);
  char* const flush_at = buf.data() + (std::size_t{1} << 20);
  char* const end = buf.data() + buf.size();
  char* at = buf.data();
  auto put = [&](std::string_view text) {
    for (char c : text) *at++ = c;
  };
  put("group,quantity,observed,obk");
  for (int m = 0; m < shape.models; ++m) {
    put(",M");
    put(std::to_string(m + 1));
  }
  put("\n");

  char label[16];
  for (long long k = 0; k < shape.lines; ++k) {
    const int g = static_cast<int>(k % shape.groups);
    const int hour = static_cast<int>(k / shape.groups % 24);
    const bool night = hour < 6 || hour >= 20;
    const double u = rng.uniform();
    char obk[16];
    char* obk_end = obk;
    if (u <= 0.9) {
      const bool stable = night ? u <= 0.7 : u <= 0.2;
      const double size = rng.uniform();
      obk_end = detail::put_fixed(obk, obk + sizeof obk,
                                  stable ? 10.0 + 490.0 * size : -5.0 - 495.0 * size, 1);
    }
    const int label_length = std::snprintf(label, sizeof label, "S%05d", g + 1);
    for (int q = 0; q < shape.quantities; ++q) {
      const double median = q < 4 ? kMedian[q] : 10.0;
      const double cycle = 0.3 * std::cos(2.0 * std::numbers::pi * (hour - 8 - 4 * q) / 24.0);
      const double co = median * std::exp(level[g] + cycle + 0.6 * rng.normal());
      put(std::string_view(label, static_cast<std::size_t>(label_length)));
      *at++ = ',';
      put(quantity[q]);
      *at++ = ',';
      if (rng.uniform() > 0.02) at = detail::put_fixed(at, end, co, 2);
      *at++ = ',';
      put(std::string_view(obk, static_cast<std::size_t>(obk_end - obk)));
      for (int m = 0; m < shape.models; ++m) {
        *at++ = ',';
        const double z = rng.normal();
        if (rng.uniform() > 0.001)
          at = detail::put_fixed(at, end, co * std::exp(kBias[m] + (0.3 + 0.08 * m) * z), 2);
      }
      *at++ = '\n';
      if (at >= flush_at) {
        write(buf.data(), static_cast<std::size_t>(at - buf.data()));
        at = buf.data();
      }
    }
  }
  write(buf.data(), static_cast<std::size_t>(at - buf.data()));
}

}  // namespace studyinputs
