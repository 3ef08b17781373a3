// A compiled gettext catalog (a .mo file) read from memory, for the builds
// whose C library has no gettext (Windows): the program carries its catalogs
// inside itself and looks messages up here.
#pragma once

#include <string_view>
#include <unordered_map>

namespace reportword::text {

class MessageCatalog {
 public:
  // Reads the catalog in `bytes`, which must outlive it. A malformed catalog,
  // or any but a little- or big-endian .mo file of revision 0 or 1, reads as
  // an empty one.
  explicit MessageCatalog(std::string_view bytes);

  // The translation of `english`, or nullptr where the catalog has none.
  const char* Find(std::string_view english) const;
  bool empty() const { return translations_.empty(); }
  // Every message with its translation.
  const std::unordered_map<std::string_view, const char*>& entries() const { return translations_; }

 private:
  std::unordered_map<std::string_view, const char*> translations_;
};

}  // namespace reportword::text
