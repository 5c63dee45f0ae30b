#include "tessiclip/tessiclip.h"

#include <string>
#include <vector>

#include "tessiclip/aermet_index.h"
#include "tessiclip/dialogue.h"
#include "tessiclip/obk2kst.h"

namespace tessiclip {
namespace {

constexpr runframe::ProgramInfo kInfo{
    kProgram,
    "tessiclip [--help | --version]",
    "Asks on the console for a dates file, an AERMET surface file and an AERMET\n"
    "profile file (all hours). For every hour of the dates file that both AERMET\n"
    "files hold, with a valid Obukhov length, writes the two AERMET records to\n"
    "cutsurf.txt and cutprof.txt and one ISCST3 meteorology record, its stability\n"
    "class taken from the Obukhov length, to cutiscst3.txt. Hours that cannot be\n"
    "written are listed in CutmetSummary.txt.",
};

// Width of the surface header kept and copied.
constexpr std::size_t kHeaderWidth = 100;

// Flow vector of every ISCST3 hour record.
constexpr float kFlowVector = 90.0f;

struct Layouts {
  records::Layout dates{"(i2,3i3)"};
  records::Layout header{"(a100)"};
  records::Layout record{"(a165)"};
  records::Layout stations{"(t41,i5,t58,i5)"};
  records::Layout length{"(t56,f9.1)"};
  records::Layout values{"(t16,f7.1,t44,2f6.0,f9.1,f8.4,t88,f7.2,t109,f7.1)"};
  records::Layout iscst3_header{"(t8,i5,t20,i2,t29,i5,t44,i2)"};
  records::Layout iscst3_hour{"(4i2,2f9.4,f6.1,i2,2f7.1)"};
  records::Layout no_prof{"(' NoProf: ',i3,' No Prof data for: ',4i3)"};
  records::Layout no_obk{"(' NoOBK: ',i3,' No Aermet OBK data for: ',4i3)"};
  records::Layout no_surf{"(' NoSurf: ',i3,' No Surf data for: ',4i3)"};
};

// Values of a matched surface record for the ISCST3 hour record.
struct SurfaceValues {
  float H = 0, convective = 0, mechanical = 0, L = 0, z0 = 0, wind = 0, temperature = 0;
};

int cut(const runframe::RunContext& ctx) {
  const Layouts lay;
  records::ConsoleIn console(ctx.in, kMaxReplyLength);
  std::string reply;

  records::OutputSet outputs(ctx.dir,
                             {"CutmetSummary.txt", "cutsurf.txt", "cutprof.txt", "cutiscst3.txt"});
  auto summary = outputs.open("CutmetSummary.txt");
  // The dates records are read whole at once: the files this run writes may be
  // the very file the hours come from, and must not feed back into the loop.
  std::string dates_name;
  std::vector<std::string> dates;
  {
    auto file = ask_for_file(console, ctx.out, ctx.err, ctx.dir, kDatesPrompt, reply);
    dates_name = file.name();
    std::string_view record;
    while (file.next(record)) dates.emplace_back(record);
  }

  // The surface file: its header, then every data record, held in memory from here
  // on (each dates record would otherwise reread it from its top).
  std::string header(kHeaderWidth, ' ');
  AermetRecords surface = [&] {
    auto file = ask_for_file(console, ctx.out, ctx.err, ctx.dir, kSurfacePrompt, reply);
    file.read(lay.header, {records::text(header)}, {"surface header"});
    return AermetRecords(file, kSurfaceKeyLayout);
  }();
  const records::Origin header_origin{surface.file(), 1};

  auto cutsurf = outputs.open("cutsurf.txt");
  cutsurf.write(lay.header, {std::string_view(header)});

  AermetRecords profile = [&] {
    auto file = ask_for_file(console, ctx.out, ctx.err, ctx.dir, kProfilePrompt, reply);
    return AermetRecords(file, kProfileKeyLayout);
  }();

  auto cutprof = outputs.open("cutprof.txt");
  auto cutiscst3 = outputs.open("cutiscst3.txt");

  int no_obk = 0, no_prof = 0, no_surf = 0;
  bool header_written = false;
  std::string profile_buffer(kRecordWidth, ' ');
  HourKey want;

  for (std::size_t i = 0; i < dates.size(); ++i) {
    records::read_text(lay.dates, dates[i], {&want.year, &want.month, &want.day, &want.hour},
                       records::Origin{dates_name, static_cast<long>(i) + 1},
                       {"year", "month", "day", "hour"});
    // The ISCST3 header goes out when the first surface data record is read, before
    // it is compared: with the year of that record and the header's stations.
    if (!header_written && surface.size() > 0) {
      const int year = surface.key(0).year;
      header_written = true;
      int upper_air = 0, station = 0;
      records::read_text(lay.stations, header, {&upper_air, &station}, header_origin,
                         {"station number", "station number"});
      cutiscst3.write(lay.iscst3_header, {station, year, upper_air, year});
    }

    const auto match = surface.find_first(want);
    if (!match) {
      if (want.year != 0 && want.month != 0) {
        ++no_surf;
        summary.write(lay.no_surf, {no_surf, want.year, want.month, want.day, want.hour});
      }
      continue;
    }

    const std::string surface_buffer = surface.text(*match);
    const records::Origin where = surface.origin(*match);
    float L = 0;
    records::read_text(lay.length, surface_buffer, {&L}, where, {"Obukhov length"});
    if (L <= kMissingObukhov) {
      ++no_obk;
      summary.write(lay.no_obk, {no_obk, want.year, want.month, want.day, want.hour});
      continue;
    }

    if (searchprof(profile, want, profile_buffer) != 0) {
      ++no_prof;
      summary.write(lay.no_prof, {no_prof, want.year, want.month, want.day, want.hour});
      continue;
    }

    cutsurf.write(lay.record, {std::string_view(surface_buffer)});
    cutprof.write(lay.record, {std::string_view(profile_buffer)});

    SurfaceValues v;
    records::read_text(
        lay.values, surface_buffer,
        {&v.H, &v.convective, &v.mechanical, &v.L, &v.z0, &v.wind, &v.temperature}, where,
        {"sensible heat flux", "convective mixing height", "mechanical mixing height",
         "Obukhov length", "roughness length", "wind speed", "temperature"});
    const float mixing_height = v.H > 0.0f ? v.convective : v.mechanical;
    const int kst = obk2kst(v.L, v.H, v.z0);
    cutiscst3.write(lay.iscst3_hour, {want.year, want.month, want.day, want.hour, kFlowVector,
                                      v.wind, v.temperature, kst, mixing_height, mixing_height});
  }
  summary.close();
  cutsurf.close();
  cutprof.close();
  cutiscst3.close();
  outputs.commit();
  return 0;
}

}  // namespace
}  // namespace tessiclip

int run_tessiclip(const runframe::RunContext& ctx) {
  if (auto status = runframe::handle_arguments(tessiclip::kInfo, ctx)) return *status;
  return runframe::guarded_run(tessiclip::kProgram, ctx.err, [&] { return tessiclip::cut(ctx); });
}
