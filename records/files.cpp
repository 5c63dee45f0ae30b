// Input files. Input is read in large blocks and split at LF, so that memory stays
// bounded by the block size (or by twice the longest record taken, 2 MiB). Output
// files are in outputs.cpp.
#include "records/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <streambuf>
#include <vector>

#include "records/detail/engine.h"
#include "records/detail/locks.h"
#include "records/errors.h"

namespace records {
namespace {

constexpr std::size_t kBlock = 64 * 1024;

std::string_view trim_name(std::string_view name) {
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

// Opens dir/name; on failure returns -1 with errno set.
int open_in(const std::filesystem::path& dir, std::string_view name, int flags, mode_t mode) {
  std::filesystem::path p = dir / std::filesystem::path(std::string(name));
  int fd;
  do {
    fd = ::open(p.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

// The shared lock of a regular input file: refused (RunError "in use by another
// run") while another run writes it.
void lock_input(int fd, const std::filesystem::path& dir, const std::string& name, int& lock_fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
  lock_fd = detail::take_input_lock(detail::follow_links(dir / name), name);
}

[[noreturn]] void closed_file(const std::string& name) {
  throw std::logic_error("file \"" + name + "\" is used after it was closed");
}

}  // namespace

// ---------------------------------------------------------------------------
// InputFile

struct InputFile::Impl {
  int fd = -1;
  std::string name;
  std::vector<char> buf = std::vector<char>(kBlock);
  std::size_t begin = 0;    // first byte not yet returned
  std::size_t scanned = 0;  // bytes from begin already searched for LF
  std::size_t end = 0;      // end of the valid bytes
  bool at_eof = false;
  bool at_start = true;        // nothing returned since the file was opened or rewound
  bool require_ended = false;  // a last record without a line end means a cut file
  long line = 0;
  int lock_fd = -1;  // the shared lock of a file that a run of the tool set may write

  ~Impl() {
    if (fd >= 0) ::close(fd);
    if (lock_fd >= 0) ::close(lock_fd);
  }

  bool next(std::string_view& record) {
    if (fd < 0) closed_file(name);
    if (at_start) skip_byte_order_mark();
    for (;;) {
      const char* base = buf.data();
      const void* nl = std::memchr(base + begin + scanned, '\n', end - begin - scanned);
      if (nl != nullptr) {
        std::size_t stop = static_cast<std::size_t>(static_cast<const char*>(nl) - base);
        std::size_t len = stop - begin;
        if (len > 0 && base[stop - 1] == '\r') --len;
        if (len > kMaxRecordLength) too_long();
        record = std::string_view(base + begin, len);
        begin = stop + 1;
        scanned = 0;
        ++line;
        return true;
      }
      scanned = end - begin;
      // Without its LF a record of the longest length has at most one byte more, a CR.
      if (scanned > kMaxRecordLength + 1) too_long();
      if (at_eof) {
        if (begin == end) return false;
        if (require_ended) throw file_cut(name, line + 1);
        if (end - begin > kMaxRecordLength) too_long();
        record = std::string_view(base + begin, end - begin);  // last record without LF
        begin = end;
        scanned = 0;
        ++line;
        return true;
      }
      fill();
    }
  }

  [[noreturn]] void too_long() const { throw RecordTooLong(name, line + 1, kMaxRecordLength); }

  // A byte-order mark at the very start of the file is not part of its first record.
  void skip_byte_order_mark() {
    while (end - begin < kByteOrderMark.size() && !at_eof) fill();
    if (std::string_view(buf.data() + begin, end - begin).starts_with(kByteOrderMark)) {
      begin += kByteOrderMark.size();
    }
    at_start = false;
  }

  // Moves the pending bytes to the front, grows the block when one record fills
  // it, and reads more.
  void fill() {
    if (begin > 0) {
      std::memmove(buf.data(), buf.data() + begin, end - begin);
      end -= begin;
      begin = 0;
    }
    if (end == buf.size()) buf.resize(buf.size() * 2);
    ssize_t n;
    do {
      n = ::read(fd, buf.data() + end, buf.size() - end);
    } while (n < 0 && errno == EINTR);
    if (n < 0) throw os_error(name, errno);
    if (n == 0)
      at_eof = true;
    else
      end += static_cast<std::size_t>(n);
  }
};

InputFile::InputFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
InputFile::InputFile(InputFile&&) noexcept = default;
InputFile& InputFile::operator=(InputFile&&) noexcept = default;
InputFile::~InputFile() = default;

std::optional<InputFile> InputFile::try_open(const std::filesystem::path& dir,
                                             std::string_view name) {
  name = trim_name(name);
  int fd = open_in(dir, name, O_RDONLY, 0);
  if (fd < 0) return std::nullopt;
  auto impl = std::make_unique<Impl>();
  impl->fd = fd;
  impl->name = std::string(name);
  lock_input(fd, dir, impl->name, impl->lock_fd);
  return InputFile(std::move(impl));
}

InputFile InputFile::open(const std::filesystem::path& dir, std::string_view name) {
  name = trim_name(name);
  int fd = open_in(dir, name, O_RDONLY, 0);
  if (fd < 0) throw os_error(std::string(name), errno);
  auto impl = std::make_unique<Impl>();
  impl->fd = fd;
  impl->name = std::string(name);
  lock_input(fd, dir, impl->name, impl->lock_fd);
  return InputFile(std::move(impl));
}

void InputFile::require_ended_records() {
  impl_->require_ended = true;
}

bool InputFile::next(std::string_view& record) {
  return impl_->next(record);
}
Origin InputFile::origin() const {
  return Origin{impl_->name, impl_->line};
}
const std::string& InputFile::name() const {
  return impl_->name;
}
long InputFile::line() const {
  return impl_->line;
}

bool InputFile::read_or_eof(const Layout& layout, std::span<const Dest> dests,
                            std::span<const std::string_view> names) {
  std::string_view record;
  if (!impl_->next(record)) return false;
  return detail::read_statement(layout, record, origin(), this, dests, names);
}

void InputFile::read(const Layout& layout, std::span<const Dest> dests,
                     std::span<const std::string_view> names) {
  if (!read_or_eof(layout, dests, names)) throw end_of_file(impl_->name, impl_->line);
}

bool InputFile::read_or_eof(const Layout& layout, std::initializer_list<Dest> dests, Names names) {
  return read_or_eof(layout, std::span<const Dest>(dests.begin(), dests.size()),
                     std::span<const std::string_view>(names.begin(), names.size()));
}

void InputFile::read(const Layout& layout, std::initializer_list<Dest> dests, Names names) {
  read(layout, std::span<const Dest>(dests.begin(), dests.size()),
       std::span<const std::string_view>(names.begin(), names.size()));
}

void InputFile::skip() {
  std::string_view record;
  if (!impl_->next(record)) throw end_of_file(impl_->name, impl_->line);
}

void InputFile::rewind() {
  if (impl_->fd < 0) closed_file(impl_->name);
  if (::lseek(impl_->fd, 0, SEEK_SET) < 0) throw os_error(impl_->name, errno);
  impl_->begin = impl_->end = impl_->scanned = 0;
  impl_->at_eof = false;
  impl_->at_start = true;
  impl_->line = 0;
}

void InputFile::close() {
  if (impl_->fd >= 0) ::close(impl_->fd);
  if (impl_->lock_fd >= 0) ::close(impl_->lock_fd);
  impl_->fd = impl_->lock_fd = -1;
  impl_->buf = std::vector<char>();
  impl_->begin = impl_->end = impl_->scanned = 0;
}

// ---------------------------------------------------------------------------
// ConsoleIn

bool ConsoleIn::next(std::string_view& record) {
  // At most the bound and a CR are kept; a longer line is passed over to its LF.
  buffer_.clear();
  std::streambuf* in = in_.rdbuf();
  bool ended_by_lf = false;
  bool too_long = false;
  for (;;) {
    const int c = in->sbumpc();
    if (c == std::char_traits<char>::eof()) break;
    if (c == '\n') {
      ended_by_lf = true;
      break;
    }
    if (buffer_.size() <= max_length_) {
      buffer_ += static_cast<char>(c);
    } else if (!too_long) {
      too_long = true;
      in_.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
      ended_by_lf = true;
      break;
    }
  }
  if (!ended_by_lf && buffer_.empty()) {
    in_.setstate(std::ios::eofbit);
    return false;
  }
  ++line_;
  if (ended_by_lf && !buffer_.empty() && buffer_.back() == '\r') buffer_.pop_back();
  if (too_long || buffer_.size() > max_length_) {
    buffer_.clear();
    throw RecordTooLong("standard input", line_, max_length_);
  }
  record = buffer_;
  return true;
}

}  // namespace records
