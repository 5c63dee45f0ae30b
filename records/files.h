// Files and the console as sources and sinks of records.
//
// Input records end at LF (a CR just before it is dropped); a lone CR is an
// ordinary character; a UTF-8 byte-order mark at the very start of a file is
// skipped. An input that another run of the tool set is writing (its lock file is
// held, see records/outputs.h) is refused, unless this run writes it itself.
// Output records end with CR LF. An output file belongs to the output set of its
// run (records/outputs.h): it is written to a temporary that replaces the file
// only when the run succeeds, so a run that fails changes no output. Only close()
// and the set's commit() report a failing write.
//
// No input record is longer than kMaxRecordLength bytes (its line end not
// counted): a longer one ends the run, and is never held whole in memory.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <istream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/layout.h"
#include "records/read.h"
#include "records/write.h"

namespace records {

// The UTF-8 byte-order mark that some editors put at the start of a text file; an
// input file skips it there.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The longest input record that a file (or, unless told otherwise, the console)
// gives: 1 MiB, without its line end.
inline constexpr std::size_t kMaxRecordLength = std::size_t{1} << 20;

// A sequence of input records (a file or the console).
class LineSource {
 public:
  virtual ~LineSource() = default;
  // Next record without its line end; false at the end. The view stays valid until
  // the next call.
  virtual bool next(std::string_view& record) = 0;
  // Name and number of the record last returned (0 before the first).
  virtual Origin origin() const = 0;
};

class InputFile final : public LineSource {
 public:
  // Opens `name` (trailing blanks removed) in `dir` as an existing file; a missing
  // or unreadable file throws RunError with status 1 ("Operating system error: ...").
  static InputFile open(const std::filesystem::path& dir, std::string_view name);
  // As open(), but returns nothing instead of throwing when the file does not open.
  static std::optional<InputFile> try_open(const std::filesystem::path& dir, std::string_view name);

  // For a file that this tool set wrote, whose every record ends with CR LF: from
  // now on a last record without a line end is not returned; reaching it throws
  // RunError kFileCut (status 2) naming the file and that record's line.
  void require_ended_records();

  InputFile(InputFile&&) noexcept;
  InputFile& operator=(InputFile&&) noexcept;
  ~InputFile() override;

  // Next record; one longer than kMaxRecordLength throws RecordTooLong (status 2)
  // naming its line, with no more than twice the bound of it read into memory.
  bool next(std::string_view& record) override;
  Origin origin() const override;
  const std::string& name() const;
  long line() const;  // number of the last record read, 0 before the first

  // One input statement: reads one record (more where the layout holds '/'); at the
  // end of the file throws RunError "End of file" (status 2).
  void read(const Layout& layout, std::initializer_list<Dest> dests, Names names = {});
  // The same with an end-of-file branch: returns false, reading nothing more, when
  // the file ends before the statement is done.
  bool read_or_eof(const Layout& layout, std::initializer_list<Dest> dests, Names names = {});
  // The same two for a list of destinations built at run time.
  void read(const Layout& layout, std::span<const Dest> dests,
            std::span<const std::string_view> names = {});
  bool read_or_eof(const Layout& layout, std::span<const Dest> dests,
                   std::span<const std::string_view> names = {});
  // Skips one record (an input statement with no items); "End of file" at the end.
  void skip();

  void rewind();  // the next read starts again at the first record
  void close();

 private:
  struct Impl;
  explicit InputFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

class OutputSet;

// An output of a run, opened through its OutputSet.
class OutputFile {
 public:
  // An output on its own, as a set of one: declared, locked and opened at once.
  // close() puts it in place; destroyed without close() it is put in place too,
  // unless a failure is unwinding (then it stays as it was). Failures throw
  // RunError status 1, "in use by another run" when another run holds it.
  static OutputFile open(const std::filesystem::path& dir, std::string_view name);

  OutputFile(OutputFile&&) noexcept;
  OutputFile& operator=(OutputFile&&) noexcept;
  ~OutputFile();

  void write(const Layout& layout, std::initializer_list<Item> items);
  void write(const Layout& layout, std::span<const Item> items);  // items built at run time
  void write_list(std::initializer_list<Item> items);
  void write_record(std::string_view record);  // one record as it stands
  void flush();
  // No more records: flushes (and puts a file of its own in place); a failure
  // throws RunError status 1.
  void close();
  const std::string& name() const;

 private:
  friend class OutputSet;
  struct Impl;
  explicit OutputFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The console as a source of records (standard input of a run). A line longer
// than `max_length` bytes (its line end not counted) is passed over to its end,
// never held whole, and next() throws RecordTooLong for it; the line after it is
// read by the next call.
class ConsoleIn final : public LineSource {
 public:
  explicit ConsoleIn(std::istream& in, std::size_t max_length = kMaxRecordLength)
      : in_(in), max_length_(max_length) {}
  bool next(std::string_view& record) override;
  Origin origin() const override { return Origin{"standard input", line_}; }

 private:
  std::istream& in_;
  std::size_t max_length_;
  std::string buffer_;
  long line_ = 0;
};

// List-form input of one statement from `source`: values separated by blanks or a
// comma, spread over as many records as needed (blank records pass); texts are
// tokens without blank, comma or slash, or quoted with ' or "; stored left-aligned
// and blank-padded or cut to the variable's length (a whole_text variable takes the
// value whole). The statement consumes every record it takes a value from; the
// rest of the last one is dropped. With no destinations it consumes one record.
// Faults throw RunError (status 2; "End of file" when the source ends first).
void read_list(LineSource& source, std::initializer_list<Dest> dests, Names names = {});

}  // namespace records
