// The outputs of one run as one set: every output is declared before any is opened,
// locked for the whole run, written to a temporary and put in place only when the
// run succeeds.
//
// Declaring the set takes the lock of every output (a hidden ".NAME.lock" in the
// output's folder, removed when the run ends) and removes temporaries that ended
// runs left. A regular output (links followed) is written to ".NAME.tmp.XXXXXX" in
// its folder; commit() flushes and fsyncs every temporary, renames each over its
// output and fsyncs the folders, with SIGINT, SIGTERM and SIGHUP held back. A set
// destroyed without commit() (a run-ending failure unwinds through it) removes its
// temporaries and lock files: no output changes. An output that receives no record
// keeps an existing file as it is and is created empty when absent. An output that
// is not a regular file (a FIFO, /dev/null) is neither locked nor replaced but
// written directly, so a failed run may have written to it.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "records/files.h"

namespace records {

class OutputSet {
 public:
  // Declares and locks the outputs `names` (trailing blanks removed) in `dir`.
  // An output another run holds throws RunError status 1 "<name>: in use by
  // another run"; a folder in which the lock file cannot be made throws the
  // operating system's reason (status 1). Nothing is changed then.
  OutputSet(const std::filesystem::path& dir, std::initializer_list<std::string_view> names);
  OutputSet(const std::filesystem::path& dir, std::span<const std::string> names);
  ~OutputSet();  // without commit(): removes the temporaries, changes no output
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  // Opens the declared output `name` for writing (a logic_error when not declared
  // or already opened). An existing output that cannot be written, or a folder
  // in its place, throws the operating system's reason (status 1).
  OutputFile open(std::string_view name);

  // Puts the run's outputs in place: flushes each (a failure throws RunError
  // status 1 and changes nothing), fsyncs each temporary, renames them over their
  // outputs and fsyncs their folders, then releases the locks.
  void commit();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Makes SIGINT, SIGTERM and SIGHUP remove the temporaries and lock files of the
// process's open output sets before the signal ends the process with its default
// action (a signal the process ignores stays ignored). Installed once by a
// program's main, not by runs in-process.
void install_interrupt_cleanup();

}  // namespace records
