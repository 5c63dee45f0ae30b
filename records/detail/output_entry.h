// One declared output of a run, shared by its OutputSet and its OutputFile.
#pragma once

#include <filesystem>
#include <string>

namespace records::detail {

struct OutputEntry {
  std::string name;              // as declared, for messages
  std::filesystem::path target;  // the file put in place (links followed)
  std::filesystem::path lock;    // its lock file; empty when not locked
  int lock_fd = -1;
  bool direct = false;         // not a regular file: written in place, never replaced
  std::filesystem::path temp;  // the temporary while there is one
  int fd = -1;                 // the temporary, or the output itself when direct
  bool opened = false;
  bool closed = false;    // no more records (close() was called)
  bool written = false;   // a record was written
  std::string pending;    // records not yet handed to the system
  long long handed = 0;   // bytes handed to the system
  long long started = 0;  // bytes whose writing to the disk has been started

  void start_record();     // before each record; logic_error after close()
  void flush();            // hands the pending records to the system; RunError status 1
  void start_writeback();  // starts writing a temporary's bytes to the disk, not waiting
};

}  // namespace records::detail
