// Writing records: one output statement is a layout and an ordered list of items.
//
// Items are int, float or text. Conversions are exact: fw.d and 1pew.d round the
// exact stored float with ties to even; overflow gives w asterisks; "0.50" drops its
// zero to fit as ".50"; iw.m zero-fills. A statement with more items than the
// layout has data descriptors is a programming error (std::logic_error).
#pragma once

#include <initializer_list>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "records/layout.h"

namespace records {

// One output item. A double does not convert implicitly: pass floats.
using Item = std::variant<int, float, std::string_view>;

// Formats one statement into `out` (replacing its content): the records it makes,
// separated by '\n', without a final line end.
void format(const Layout& layout, std::span<const Item> items, std::string& out);
std::string format(const Layout& layout, std::initializer_list<Item> items);

// Writes one statement into a text variable of fixed length var.size(): its whole
// content is replaced, columns not written become blanks, columns past its
// length are dropped. Only the first record of the statement is kept.
void write_text(const Layout& layout, std::initializer_list<Item> items, std::string& var);

// List form: a leading blank, then the items with one blank between them, except
// that a text directly after a text follows without a blank; integers in their
// shortest form. Returns the record without a line end.
std::string format_list(std::initializer_list<Item> items);

// Console output: each record followed by '\n'.
void write_console(std::ostream& out, const Layout& layout, std::initializer_list<Item> items);
void write_console(std::ostream& out, const Layout& layout, std::span<const Item> items);
void write_console_list(std::ostream& out, std::initializer_list<Item> items);

// Flushes console output `out`; one that could not be written (a full disk, a
// closed pipe) throws RunError status 1 naming "standard output", with the
// system's reason where it gave one.
void flush_console(std::ostream& out);

}  // namespace records
