#include "text/message_catalog.h"

#include <cstdint>

namespace reportword::text {
namespace {

constexpr std::uint32_t kMagic = 0x950412de;

class MoReader {
 public:
  explicit MoReader(std::string_view bytes) : bytes_(bytes) {
    if (Word(0) == kMagic) {
      valid_ = true;
    } else {
      swapped_ = true;
      valid_ = Word(0) == kMagic;
    }
  }
  bool valid() const { return valid_; }

  // The 32-bit word at `offset`; 0 past the end (no catalog has a 0 magic).
  std::uint32_t Word(std::size_t offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < 4) return 0;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const auto byte = static_cast<unsigned char>(bytes_[offset + (swapped_ ? i : 3 - i)]);
      value = (value << 8) | byte;
    }
    return value;
  }

  // The string of table entry `index` at `table`, checked to lie inside the
  // catalog and to end in its NUL; false when it does not.
  bool Entry(std::uint32_t table, std::uint32_t index, std::string_view& text) const {
    const std::uint64_t at = std::uint64_t{table} + std::uint64_t{index} * 8;
    if (at + 8 > bytes_.size()) return false;
    const std::uint64_t length = Word(at);
    const std::uint64_t offset = Word(at + 4);
    if (offset + length >= bytes_.size() || bytes_[offset + length] != '\0') return false;
    text = bytes_.substr(offset, length);
    return true;
  }

 private:
  std::string_view bytes_;
  bool swapped_ = false;
  bool valid_ = false;
};

}  // namespace

MessageCatalog::MessageCatalog(std::string_view bytes) {
  const MoReader mo(bytes);
  if (!mo.valid() || (mo.Word(4) >> 16) > 1) return;
  const std::uint32_t count = mo.Word(8);
  const std::uint32_t originals = mo.Word(12);
  const std::uint32_t translations = mo.Word(16);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string_view english;
    std::string_view translated;
    if (!mo.Entry(originals, i, english) || !mo.Entry(translations, i, translated)) {
      translations_.clear();
      return;
    }
    // The header (empty message) and untranslated entries are not looked up.
    if (!english.empty() && !translated.empty()) translations_.emplace(english, translated.data());
  }
}

const char* MessageCatalog::Find(std::string_view english) const {
  const auto found = translations_.find(english);
  return found == translations_.end() ? nullptr : found->second;
}

}  // namespace reportword::text
