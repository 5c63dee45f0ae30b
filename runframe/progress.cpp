#include "runframe/progress.h"

#include <algorithm>
#include <ostream>

namespace runframe {
namespace {

// The work between two looks at the clock, and the least time between two steps
// shown.
constexpr std::size_t kWorkPerLook = 4096;
constexpr auto kStepInterval = std::chrono::milliseconds(100);

}  // namespace

Progress::Progress(std::string_view program, std::ostream& err, bool terminal,
                   Clock::duration after)
    : program_(program), err_(err), terminal_(terminal), start_(Clock::now()), after_(after) {}

Progress::~Progress() {
  clear();
}

void Progress::phase(std::string_view name) {
  if (!terminal_) return;
  pending_ = 0;
  if (Clock::now() - start_ >= after_) show(std::string(name));
}

void Progress::step(std::string_view name, long done, long total, std::size_t work) {
  if (!terminal_) return;
  pending_ += work;
  if (pending_ < kWorkPerLook) return;
  pending_ = 0;
  const Clock::time_point now = Clock::now();
  if (now - start_ < after_ || (step_shown_ && now - *step_shown_ < kStepInterval)) return;
  step_shown_ = now;
  std::string text = std::string(name) + ' ' + std::to_string(done);
  if (total > 0) text += " of " + std::to_string(total);
  show(text);
}

void Progress::clear() {
  if (shown_ == 0) return;
  err_ << '\r' << std::string(shown_, ' ') << '\r';
  err_.flush();
  shown_ = 0;
}

void Progress::show(const std::string& text) {
  const std::string line = program_ + ": " + text;
  err_ << '\r' << line;
  if (line.size() < shown_) err_ << std::string(shown_ - line.size(), ' ');
  err_.flush();
  shown_ = std::max(shown_, line.size());
}

}  // namespace runframe
