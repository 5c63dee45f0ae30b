// Run locks through companion lock files, stale temporaries, and the paths removed
// when a stop signal ends the run.
#include "records/detail/locks.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "records/errors.h"
#include "records/outputs.h"

namespace records::detail {
namespace {

namespace fs = std::filesystem;

// A name changed under a lock this many times in a row counts as in use.
constexpr int kLockTries = 100;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Paths to remove on a stop signal. Constant-initialised (no constructor runs), and
// changed only with the stop signals blocked, so the handler never sees it half-changed.
std::vector<std::string> g_remove_on_stop;

// Lock files this process holds exclusively, by device and inode.
std::vector<std::pair<dev_t, ino_t>> g_held;

RunError in_use(const std::string& name) {
  Location where;
  where.file = name;
  return RunError(records::kStatusOsError, std::string(kInUse), std::move(where));
}

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `fd` is still the file at `path`.
bool still_named(int fd, const fs::path& path) {
  struct stat by_fd, by_name;
  return ::fstat(fd, &by_fd) == 0 && ::lstat(path.c_str(), &by_name) == 0 &&
         same_file(by_fd, by_name);
}

int open_retrying(const fs::path& path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int flock_retrying(int fd, int operation) {
  int r;
  do {
    r = ::flock(fd, operation | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  return r;
}

// A stop signal: the run's temporaries and lock files go, then the signal ends the
// process with its default action, as a shell expects.
extern "C" void on_stop_signal(int sig) {
  const int saved = errno;
  for (const std::string& path : g_remove_on_stop) ::unlink(path.c_str());
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  ::sigemptyset(&dfl.sa_mask);
  ::sigaction(sig, &dfl, nullptr);
  ::raise(sig);
  sigset_t just;
  ::sigemptyset(&just);
  ::sigaddset(&just, sig);
  ::sigprocmask(SIG_UNBLOCK, &just, nullptr);
  errno = saved;
}

}  // namespace

fs::path follow_links(const fs::path& path) {
  fs::path p = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::error_code ec;
    const fs::path target = fs::read_symlink(p, ec);
    if (ec) return p;
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return p;  // a loop of links: opening it reports it
}

std::string hidden_name(const fs::path& file, std::string_view suffix) {
  std::string name(".");
  name += file.filename().string();
  name += suffix;
  return name;
}

fs::path lock_path_of(const fs::path& file) {
  return file.parent_path() / hidden_name(file, ".lock");
}

int take_output_lock(const fs::path& lock, const std::string& name) {
  for (int tries = 0; tries < kLockTries; ++tries) {
    const int fd = open_retrying(lock, O_RDONLY | O_CREAT, 0666);
    if (fd < 0) throw os_error(name, errno);
    if (flock_retrying(fd, LOCK_EX) != 0) {
      const int err = errno;
      ::close(fd);
      if (err == EWOULDBLOCK) throw in_use(name);
      ::unlink(lock.c_str());  // a file system without locks: the run goes unlocked
      return -1;
    }
    if (still_named(fd, lock)) {
      struct stat st;
      ::fstat(fd, &st);
      g_held.emplace_back(st.st_dev, st.st_ino);
      remove_on_stop(lock);
      return fd;
    }
    ::close(fd);  // the lock file was removed or replaced by its holder: again
  }
  throw in_use(name);
}

void release_output_lock(const fs::path& lock, int fd) {
  if (fd < 0) return;
  struct stat st;
  if (::fstat(fd, &st) == 0) {
    const auto it = std::find(g_held.begin(), g_held.end(), std::pair(st.st_dev, st.st_ino));
    if (it != g_held.end()) g_held.erase(it);
  }
  {
    StopSignalsBlocked blocked;
    if (still_named(fd, lock)) ::unlink(lock.c_str());
    keep_on_stop(lock);
  }
  ::close(fd);
}

int take_input_lock(const fs::path& file, const std::string& name) {
  const std::string base = file.filename().string();
  if (base.empty() || base == "." || base == "..") return -1;
  const fs::path lock = lock_path_of(file);
  for (int tries = 0; tries < kLockTries; ++tries) {
    const int fd = open_retrying(lock, O_RDONLY);
    if (fd < 0) return -1;  // no run writes the file (or its folder cannot be read)
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        std::find(g_held.begin(), g_held.end(), std::pair(st.st_dev, st.st_ino)) != g_held.end()) {
      ::close(fd);
      return -1;
    }
    if (flock_retrying(fd, LOCK_SH) != 0) {
      const int err = errno;
      ::close(fd);
      if (err == EWOULDBLOCK) throw in_use(name);
      return -1;
    }
    if (still_named(fd, lock)) return fd;
    ::close(fd);
  }
  throw in_use(name);
}

void remove_stale_temporaries(const fs::path& file) {
  const std::string prefix = hidden_name(file, ".tmp.");
  const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  DIR* d = ::opendir(folder.c_str());
  if (d == nullptr) return;
  std::vector<std::string> found;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view n = e->d_name;
    if (n.size() == prefix.size() + 6 && n.starts_with(prefix)) found.emplace_back(n);
  }
  ::closedir(d);
  for (const std::string& n : found) {
    const fs::path p = file.parent_path() / n;
    const int fd = open_retrying(p, O_RDONLY);
    if (fd < 0) continue;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock_retrying(fd, LOCK_EX) == 0 &&
        still_named(fd, p)) {
      ::unlink(p.c_str());
    }
    ::close(fd);
  }
}

void remove_on_stop(const fs::path& path) {
  StopSignalsBlocked blocked;
  g_remove_on_stop.push_back(path.string());
}

void keep_on_stop(const fs::path& path) {
  StopSignalsBlocked blocked;
  const auto it = std::find(g_remove_on_stop.begin(), g_remove_on_stop.end(), path.string());
  if (it != g_remove_on_stop.end()) g_remove_on_stop.erase(it);
}

StopSignalsBlocked::StopSignalsBlocked() {
  sigset_t stop;
  ::sigemptyset(&stop);
  for (int sig : kStopSignals) ::sigaddset(&stop, sig);
  ::pthread_sigmask(SIG_BLOCK, &stop, &old_);
}

StopSignalsBlocked::~StopSignalsBlocked() {
  ::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
}

}  // namespace records::detail

namespace records {

void install_interrupt_cleanup() {
  for (int sig : detail::kStopSignals) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    struct sigaction act {};
    act.sa_handler = detail::on_stop_signal;
    ::sigemptyset(&act.sa_mask);
    for (int other : detail::kStopSignals) ::sigaddset(&act.sa_mask, other);
    ::sigaction(sig, &act, nullptr);
  }
}

}  // namespace records
