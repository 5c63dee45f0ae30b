// A text held in memory as a source of records, split as an input file is: records
// end at LF (a CR just before it is dropped), a lone CR is an ordinary character,
// and a UTF-8 byte-order mark at the very start is skipped.
#pragma once

#include <string>
#include <string_view>

#include "records/files.h"

namespace records {

class TextLines final : public LineSource {
 public:
  // `text` must outlive the source; `name` names it in messages.
  TextLines(std::string_view text, std::string_view name);
  bool next(std::string_view& record) override;
  Origin origin() const override { return Origin{name_, line_}; }

 private:
  std::string_view rest_;
  std::string name_;
  long line_ = 0;
};

}  // namespace records
