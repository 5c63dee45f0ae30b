// The file layer's run locks and the paths a run removes when it is stopped.
//
// A run locks each of its outputs through a companion file ".NAME.lock" in the
// output's folder (the folder of the file a link leads to): an exclusive flock,
// taken without waiting, held until the run's last rename, then the lock file is
// removed while still locked. Whoever takes a lock checks afterwards that the name
// still leads to the file it locked, and tries again when not, so that removing a
// lock file never lets two runs hold "the same" lock. A reader takes the same lock
// shared, and only when a lock file is there (a run that writes the file is about).
#pragma once

#include <csignal>
#include <filesystem>
#include <string>
#include <string_view>

namespace records::detail {

// `path` with every symbolic link of its last component followed (a link to a
// link too); a link whose target does not exist gives that target.
std::filesystem::path follow_links(const std::filesystem::path& path);

// ".NAME<suffix>" for the file `file` ("NAME" its file name).
std::string hidden_name(const std::filesystem::path& file, std::string_view suffix);

// ".NAME.lock" next to `file` (a path with links followed).
std::filesystem::path lock_path_of(const std::filesystem::path& file);

// Takes the exclusive lock of an output through `lock`, creating the lock file;
// returns its descriptor, or -1 on a file system without locks. Another run's lock
// throws RunError status 1 "<name>: in use by another run"; a lock file that cannot
// be created (a folder that cannot be written) throws the operating system's reason.
int take_output_lock(const std::filesystem::path& lock, const std::string& name);
// Removes the lock file and releases the lock.
void release_output_lock(const std::filesystem::path& lock, int fd);

// The shared lock of an input whose file is `file` (links followed): -1 when no
// lock file is there or this process itself holds the lock (an input that is one
// of the run's own outputs); refused like an output when another run writes it.
int take_input_lock(const std::filesystem::path& file, const std::string& name);

// Removes every stale temporary ".NAME.tmp.XXXXXX" of the output `file` whose lock
// can be taken (the run that made it has ended).
void remove_stale_temporaries(const std::filesystem::path& file);

// Paths removed when SIGINT, SIGTERM or SIGHUP stops the run (see
// install_interrupt_cleanup() in records/outputs.h): the run's temporaries and lock
// files. Changed only with those signals blocked.
void remove_on_stop(const std::filesystem::path& path);
void keep_on_stop(const std::filesystem::path& path);

// Blocks SIGINT, SIGTERM and SIGHUP for its lifetime.
class StopSignalsBlocked {
 public:
  StopSignalsBlocked();
  ~StopSignalsBlocked();
  StopSignalsBlocked(const StopSignalsBlocked&) = delete;
  StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

 private:
  sigset_t old_;
};

}  // namespace records::detail
