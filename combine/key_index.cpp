#include "combine/key_index.h"

namespace combine {

KeyIndex KeyIndex::load(records::InputFile& file, const records::Layout& whole_record, int width,
                        const KeyReader& key_of) {
  KeyIndex index;
  index.file_name_ = file.name();
  try {
    file.skip();
    file.skip();
    std::string text(static_cast<std::size_t>(width), ' ');
    while (file.read_or_eof(whole_record, {records::text(text)})) {
      const long line = file.line();
      const JoinKey key = key_of(text, records::Origin{index.file_name_, line});
      // Only the first record of a key can ever be found; later ones are not kept.
      if (index.first_.try_emplace(key, index.records_.size()).second) {
        index.records_.push_back(Record{text, line});
      }
    }
  } catch (const records::RunError& fault) {
    // A cut file is refused whole, whatever the scans would find before its end.
    if (fault.reason() == records::kFileCut) throw;
    // A scan reaches this point only when no earlier record held its key.
    index.fault_ = fault;
  }
  return index;
}

const KeyIndex::Record* KeyIndex::find(const JoinKey& key) const {
  if (const auto it = first_.find(key); it != first_.end()) return &records_[it->second];
  if (fault_) throw *fault_;
  return nullptr;
}

}  // namespace combine
