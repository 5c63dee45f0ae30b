// A one-line progress indicator on a terminal: a long run names what it is doing
// ("tlvstats: read", "tlvstats: resample 12 of 1000"), rewritten in place with a
// carriage return and cleared when the run ends, so that the terminal's last line
// stays clean. It shows nothing unless the error stream is a terminal and the run
// has lasted longer than its delay (2 s), so that logs and tests stay clean.
#pragma once

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace runframe {

class Progress {
 public:
  using Clock = std::chrono::steady_clock;

  // Shows on `err` only if `terminal`, once `after` has passed since construction.
  Progress(std::string_view program, std::ostream& err, bool terminal,
           Clock::duration after = std::chrono::seconds(2));
  ~Progress();  // clears the line (also when a failure unwinds the run)
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Starts a phase: "read", "evaluate", "write".
  void phase(std::string_view name);
  // Step `done` of `total` (0: not known) of a counted phase ("resample 12 of 1000",
  // "read line 5000"), which did `work` units (lines); the clock is looked at only
  // once some thousands of units are done, and a step is shown at most every 0.1 s.
  void step(std::string_view name, long done, long total, std::size_t work);
  // Clears the shown line, before anything else goes to the error stream.
  void clear();

 private:
  void show(const std::string& text);

  std::string program_;
  std::ostream& err_;
  bool terminal_;
  Clock::time_point start_;
  Clock::duration after_;
  std::size_t pending_ = 0;  // work since the clock was last looked at
  std::optional<Clock::time_point> step_shown_;
  std::size_t shown_ = 0;  // characters on the line now
};

}  // namespace runframe
