// Output files and the output set of a run. Records are gathered in a block and
// handed to the system when the block fills, when the file is flushed or closed,
// and when the set is committed; they go to a temporary next to the output, which
// the commit renames over it.
#include "records/outputs.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

#include "records/detail/engine.h"
#include "records/detail/locks.h"
#include "records/detail/output_entry.h"
#include "records/errors.h"

namespace records {
namespace {

namespace fs = std::filesystem;
using detail::OutputEntry;

constexpr std::size_t kBlock = 64 * 1024;
constexpr long long kWritebackChunk = 8 * 1024 * 1024;

std::string_view trim_name(std::string_view name) {
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

fs::path folder_of(const fs::path& file) {
  return file.parent_path().empty() ? fs::path(".") : file.parent_path();
}

std::string random_suffix() {
  static std::mt19937_64 gen{std::random_device{}()};
  static constexpr std::string_view kChars =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string s(6, ' ');
  for (char& c : s) c = kChars[gen() % kChars.size()];
  return s;
}

int open_retrying(const fs::path& path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// The output itself, opened for writing as it is (a FIFO, a character device).
void open_direct(OutputEntry& e) {
  e.fd = open_retrying(e.target, O_WRONLY | O_CREAT, 0666);
  if (e.fd < 0) throw os_error(e.name, errno);
  e.direct = true;
}

// A new temporary ".NAME.tmp.XXXXXX" next to the output, locked as long as it is
// open; `old` (when given) is the output it replaces, whose owner and mode it takes.
void open_temporary(OutputEntry& e, const struct stat* old) {
  const fs::path folder = e.target.parent_path();
  const std::string prefix = detail::hidden_name(e.target, ".tmp.");
  for (int tries = 0; e.fd < 0; ++tries) {
    const fs::path temp = folder / (prefix + random_suffix());
    {
      detail::StopSignalsBlocked blocked;
      e.fd = open_retrying(temp, O_WRONLY | O_CREAT | O_EXCL, 0666);
      if (e.fd >= 0) {
        e.temp = temp;
        detail::remove_on_stop(temp);
      }
    }
    if (e.fd < 0 && (errno != EEXIST || tries > 100)) throw os_error(e.name, errno);
  }
  ::flock(e.fd, LOCK_EX | LOCK_NB);  // a fresh file: free; a later run leaves it alone
  if (old != nullptr) {
    if (::fchown(e.fd, old->st_uid, old->st_gid) != 0) {
      // Owned by the one who runs the program, as a file created anew would be.
    }
    if (::fchmod(e.fd, old->st_mode & 07777) != 0) {
      // A mode the system refuses: the new file's own.
    }
  }
}

void remove_temporary(OutputEntry& e) {
  if (e.temp.empty()) return;
  detail::StopSignalsBlocked blocked;
  ::unlink(e.temp.c_str());
  detail::keep_on_stop(e.temp);
  e.temp.clear();
}

void close_fd(OutputEntry& e) {
  if (e.fd < 0) return;
  const int fd = e.fd;
  e.fd = -1;
  if (::close(fd) != 0 && errno != EINTR) throw os_error(e.name, errno);
}

}  // namespace

// ---------------------------------------------------------------------------
// One output

namespace detail {

void OutputEntry::start_record() {
  if (closed || !opened)
    throw std::logic_error("file \"" + name + "\" is used after it was closed");
  written = true;
}

void OutputEntry::flush() {
  std::size_t done = 0;
  while (done < pending.size()) {
    const ssize_t n = ::write(fd, pending.data() + done, pending.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      pending.erase(0, done);
      throw os_error(name, err);
    }
    done += static_cast<std::size_t>(n);
  }
  pending.clear();
  handed += static_cast<long long>(done);
  if (!temp.empty() && handed - started >= kWritebackChunk) start_writeback();
}

// The disk takes a large temporary's bytes while the run goes on, so that the
// fsync at its end waits only for the last of them. Only a hint: errors are the
// fsync's to report.
void OutputEntry::start_writeback() {
  if (fd >= 0 && handed > started) {
    ::sync_file_range(fd, started, handed - started, SYNC_FILE_RANGE_WRITE);
    started = handed;
  }
}

}  // namespace detail

// ---------------------------------------------------------------------------
// The set

struct OutputFile::Impl {
  std::shared_ptr<OutputEntry> entry;
  std::unique_ptr<OutputSet> own;  // a file opened on its own: a set of one
  int unwinding = 0;               // failures unwinding when it was opened
  ~Impl();
};

struct OutputSet::Impl {
  std::vector<std::shared_ptr<OutputEntry>> entries;
  bool committed = false;

  // Without a commit: the temporaries go and no output changes; a direct output
  // keeps what was written to it.
  ~Impl() {
    for (const auto& e : entries) {
      if (e->direct && e->fd >= 0) {
        try {
          e->flush();
        } catch (...) {
          // The run is ending on an earlier failure, whose message stands.
        }
      }
      if (e->fd >= 0) ::close(e->fd);
      e->fd = -1;
      remove_temporary(*e);
      detail::release_output_lock(e->lock, e->lock_fd);
      e->lock_fd = -1;
    }
  }

  void declare(const fs::path& dir, std::string_view name) {
    auto e = std::make_shared<OutputEntry>();
    e->name = std::string(trim_name(name));
    e->target = detail::follow_links(dir / e->name);
    entries.push_back(e);
    struct stat st;
    if (::stat(e->target.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
      e->direct = true;  // a FIFO or a device is written as it is, unlocked
      return;
    }
    e->lock = detail::lock_path_of(e->target);
    e->lock_fd = detail::take_output_lock(e->lock, e->name);
    detail::remove_stale_temporaries(e->target);
  }

  const std::shared_ptr<OutputEntry>& find(std::string_view name) const {
    name = trim_name(name);
    for (const auto& e : entries) {
      if (e->name == name) return e;
    }
    throw std::logic_error("output \"" + std::string(name) + "\" was not declared");
  }

  void open(OutputEntry& e) {
    if (e.opened) throw std::logic_error("output \"" + e.name + "\" is opened twice");
    e.pending.reserve(kBlock + 1024);
    struct stat st;
    if (e.direct) {
      open_direct(e);
    } else if (::stat(e.target.c_str(), &st) == 0) {
      if (S_ISDIR(st.st_mode)) throw os_error(e.name, EISDIR);
      if (!S_ISREG(st.st_mode)) {
        open_direct(e);
      } else {
        // An output its owner made read-only stays refused, as writing it in place was.
        if (::faccessat(AT_FDCWD, e.target.c_str(), W_OK, AT_EACCESS) != 0)
          throw os_error(e.name, errno);
        open_temporary(e, &st);
      }
    } else if (errno == ENOENT) {
      open_temporary(e, nullptr);
    } else {
      throw os_error(e.name, errno);
    }
    e.opened = true;
  }

  // Every temporary on the disk: the writing of all started at once, then each
  // waited for.
  void sync_temporaries() {
    for (const auto& e : entries) {
      if (!e->temp.empty()) e->start_writeback();
    }
    for (const auto& e : entries) {
      if (e->temp.empty()) continue;
      int r;
      do {
        r = ::fsync(e->fd);
      } while (r != 0 && errno == EINTR);
      if (r != 0) throw os_error(e->name, errno);
    }
  }

  // Renames each temporary over its output; returns the folders changed.
  std::vector<fs::path> rename_temporaries() {
    std::vector<fs::path> folders;
    for (const auto& e : entries) {
      if (e->temp.empty()) continue;
      if (::rename(e->temp.c_str(), e->target.c_str()) != 0) throw os_error(e->name, errno);
      detail::keep_on_stop(e->temp);
      e->temp.clear();
      const fs::path folder = folder_of(e->target);
      if (std::find(folders.begin(), folders.end(), folder) == folders.end())
        folders.push_back(folder);
    }
    return folders;
  }

  // The renames reach the disk with their folders. A folder that cannot be synced
  // (some file systems refuse it) leaves them to the system.
  static void sync_folders(const std::vector<fs::path>& folders) {
    for (const fs::path& folder : folders) {
      const int fd = open_retrying(folder, O_RDONLY | O_DIRECTORY, 0);
      if (fd < 0) continue;
      ::fsync(fd);
      ::close(fd);
    }
  }

  void commit() {
    for (const auto& e : entries) {
      if (e->fd >= 0) e->flush();
    }
    detail::StopSignalsBlocked blocked;
    for (const auto& e : entries) {
      struct stat st;
      if (!e->temp.empty() && !e->written && ::lstat(e->target.c_str(), &st) == 0) {
        close_fd(*e);
        remove_temporary(*e);  // nothing written: the earlier file stays as it is
      }
    }
    sync_temporaries();
    for (const auto& e : entries) close_fd(*e);
    sync_folders(rename_temporaries());
    for (const auto& e : entries) {
      detail::release_output_lock(e->lock, e->lock_fd);
      e->lock_fd = -1;
    }
    committed = true;
  }
};

OutputSet::OutputSet(const fs::path& dir, std::initializer_list<std::string_view> names)
    : impl_(std::make_unique<Impl>()) {
  for (std::string_view name : names) impl_->declare(dir, name);
}

OutputSet::OutputSet(const fs::path& dir, std::span<const std::string> names)
    : impl_(std::make_unique<Impl>()) {
  for (const std::string& name : names) impl_->declare(dir, name);
}

OutputSet::~OutputSet() = default;

OutputFile OutputSet::open(std::string_view name) {
  std::shared_ptr<OutputEntry> entry = impl_->find(name);
  impl_->open(*entry);
  auto file = std::make_unique<OutputFile::Impl>();
  file->entry = std::move(entry);
  return OutputFile(std::move(file));
}

void OutputSet::commit() {
  if (!impl_->committed) impl_->commit();
}

// ---------------------------------------------------------------------------
// One output file

OutputFile::Impl::~Impl() {
  if (own) {
    // A file of its own: put in place unless a failure is unwinding past it.
    if (!entry->closed && std::uncaught_exceptions() == unwinding) {
      try {
        own->commit();
      } catch (...) {
        // Nothing can be reported from a destructor; the output stays as it was.
      }
    }
    return;
  }
  if (entry->direct && entry->fd >= 0 && !entry->closed) {
    try {
      entry->flush();
    } catch (...) {
      // The run is ending on an earlier failure, whose message stands.
    }
  }
}

OutputFile::OutputFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
OutputFile::OutputFile(OutputFile&&) noexcept = default;
OutputFile& OutputFile::operator=(OutputFile&&) noexcept = default;
OutputFile::~OutputFile() = default;

OutputFile OutputFile::open(const fs::path& dir, std::string_view name) {
  auto set = std::make_unique<OutputSet>(dir, std::initializer_list<std::string_view>{name});
  OutputFile file = set->open(name);
  file.impl_->own = std::move(set);
  file.impl_->unwinding = std::uncaught_exceptions();
  return file;
}

void OutputFile::write(const Layout& layout, std::span<const Item> items) {
  OutputEntry& e = *impl_->entry;
  e.start_record();
  detail::append_statement(layout, items, e.pending, "\r\n");
  if (e.pending.size() >= kBlock) e.flush();
}

void OutputFile::write(const Layout& layout, std::initializer_list<Item> items) {
  write(layout, std::span<const Item>(items.begin(), items.size()));
}

void OutputFile::write_list(std::initializer_list<Item> items) {
  write_record(format_list(items));
}

void OutputFile::write_record(std::string_view record) {
  OutputEntry& e = *impl_->entry;
  e.start_record();
  e.pending.append(record);
  e.pending.append("\r\n");
  if (e.pending.size() >= kBlock) e.flush();
}

void OutputFile::flush() {
  OutputEntry& e = *impl_->entry;
  if (!e.closed && e.fd >= 0) e.flush();
}

void OutputFile::close() {
  OutputEntry& e = *impl_->entry;
  if (e.closed) return;
  e.closed = true;
  if (e.fd >= 0) e.flush();
  if (e.direct) close_fd(e);
  if (impl_->own) impl_->own->commit();
}

const std::string& OutputFile::name() const {
  return impl_->entry->name;
}

}  // namespace records
