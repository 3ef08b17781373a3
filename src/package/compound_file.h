// The compound file, the container of legacy binary Word files (and of a
// password-protected .docx), read as far as telling what it holds needs: its
// streams by name and their first bytes. A damaged file is no compound file
// rather than an error: what it is, is then left to the converter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace reportword::docx {

class CompoundFile {
 public:
  // Nothing when `bytes` are not a well-formed compound file. The bytes must
  // outlive the object.
  static std::optional<CompoundFile> Open(std::string_view bytes);

  // Whether a stream of this name (ASCII letter case ignored) stands anywhere
  // in the file.
  bool HasStream(std::u16string_view name) const;
  // Up to `max_bytes` of the stream's first bytes; nothing when there is no
  // such stream or its sectors cannot be followed.
  std::optional<std::string> ReadStream(std::u16string_view name, std::size_t max_bytes) const;

 private:
  struct Entry {
    std::u16string name;
    std::uint32_t start = 0;
    std::uint64_t size = 0;
  };

  explicit CompoundFile(std::string_view bytes) : bytes_(bytes) {}
  bool Load();
  // The sectors of the chain from `start`, at most `limit` of them; nothing
  // for a chain that loops, leaves the table or is longer.
  std::optional<std::vector<std::uint32_t>> Chain(const std::vector<std::uint32_t>& table,
                                                  std::uint32_t start, std::size_t limit) const;
  std::string_view Sector(std::uint32_t sector) const;
  const Entry* Find(std::u16string_view name) const;

  std::string_view bytes_;
  unsigned sector_shift_ = 9;
  std::uint32_t mini_cutoff_ = 4096;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> mini_fat_;
  std::string mini_stream_;
  std::vector<Entry> entries_;
};

}  // namespace reportword::docx
