// The example study's combined table, made in a folder by the example chain
// (tlvanalysis, tessiclip with the shipped replies, TLVCombineAll) as
// scripts/run-example.sh makes it. Needs EXAMPLE_DIR and the programs' libraries.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "combine/combine.h"
#include "support/run.h"
#include "support/scratch.h"
#include "tessiclip/tessiclip.h"
#include "tlvanalysis/tlvanalysis.h"

namespace testsupport {

inline void copy_folder(const std::filesystem::path& from, const ScratchDir& to) {
  for (const auto& entry : std::filesystem::directory_iterator(from)) {
    std::filesystem::copy_file(entry.path(), to / entry.path().filename().string(),
                               std::filesystem::copy_options::overwrite_existing);
  }
}

// Leaves TLV-Combined-NoFill-Results.txt (and the chain's other files) in `dir`.
inline void make_example_table(const ScratchDir& dir) {
  const std::filesystem::path example = EXAMPLE_DIR;
  copy_folder(example / "tolvern", dir);
  ASSERT_EQ(0, run_program(run_tlvanalysis, dir.path()).status);
  copy_folder(example / "met", dir);
  ASSERT_EQ(
      0, run_program(run_tessiclip, dir.path(), {}, read_file(example / "met/replies.txt")).status);
  std::filesystem::copy_file(dir / "TolvernOBSAnalysis.txt", dir / "TolvernOBSAnalysisNoFill.txt");
  std::filesystem::copy_file(dir / "cutsurf.txt", dir / "Tlvcutsurf-all.txt");
  copy_folder(example / "models", dir);
  ASSERT_EQ(0, run_program(run_combine, dir.path()).status);
}

}  // namespace testsupport
