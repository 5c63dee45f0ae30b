// The statement engines behind every writer and reader: they walk a parsed
// layout's steps, matching data descriptors with items in order.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "records/files.h"
#include "records/layout.h"
#include "records/read.h"
#include "records/write.h"

namespace records::detail {

// Appends the records of one output statement to `out`, each followed by `eol`.
// Throws std::logic_error (leaving `out` as it was) when an item does not suit its
// descriptor or there are more items than data descriptors.
void append_statement(const Layout& layout, std::span<const Item> items, std::string& out,
                      std::string_view eol);

// Reads one input statement whose first record is `record` (its origin `where`).
// At each '/' the next record comes from `more` (nullptr: there is none, which is
// an end of file). Returns false when `more` ends before the statement is done.
// Field faults throw RunError (status 2) naming the field's columns.
bool read_statement(const Layout& layout, std::string_view record, Origin where, LineSource* more,
                    std::span<const Dest> dests, std::span<const std::string_view> names);

// The descriptor of a step as written in a layout ("f10.2", "i2.2", "a").
std::string describe(const Step& step);

}  // namespace records::detail
