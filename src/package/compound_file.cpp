#include "package/compound_file.h"

#include <algorithm>
#include <cstring>

namespace reportword::docx {
namespace {

constexpr std::string_view kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr std::uint32_t kLastRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::size_t kHeaderFatSectors = 109;
constexpr std::size_t kEntrySize = 128;
constexpr unsigned kMiniSectorShift = 6;
// More than any real template holds; keeps a forged header from making the
// reader gather gigabytes of tables.
constexpr std::size_t kMaxTableSectors = 1 << 16;

std::uint32_t Le32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

char16_t Folded(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return Folded(x) == Folded(y); });
}

}  // namespace

std::optional<CompoundFile> CompoundFile::Open(std::string_view bytes) {
  if (bytes.size() < 512 || !bytes.starts_with(kSignature)) return std::nullopt;
  CompoundFile file(bytes);
  if (!file.Load()) return std::nullopt;
  return file;
}

std::string_view CompoundFile::Sector(std::uint32_t sector) const {
  const std::size_t size = std::size_t{1} << sector_shift_;
  const std::size_t at = (std::size_t{sector} + 1) << sector_shift_;
  if (sector > kLastRegularSector || at >= bytes_.size()) return {};
  return bytes_.substr(at, std::min(size, bytes_.size() - at));
}

std::optional<std::vector<std::uint32_t>> CompoundFile::Chain(
    const std::vector<std::uint32_t>& table, std::uint32_t start, std::size_t limit) const {
  std::vector<std::uint32_t> chain;
  std::vector<bool> visited(table.size());
  for (std::uint32_t sector = start; sector != kEndOfChain;) {
    if (sector >= table.size() || visited[sector] || chain.size() >= limit) return std::nullopt;
    visited[sector] = true;
    chain.push_back(sector);
    sector = table[sector];
  }
  return chain;
}

bool CompoundFile::Load() {
  sector_shift_ = static_cast<unsigned char>(bytes_[30]);
  if (sector_shift_ != 9 && sector_shift_ != 12) return false;
  mini_cutoff_ = Le32(bytes_, 56);
  const std::size_t sector_size = std::size_t{1} << sector_shift_;
  const std::size_t per_sector = sector_size / 4;
  const std::size_t sectors = bytes_.size() / sector_size;

  // The sectors of the allocation table: 109 in the header, the rest listed
  // in a chain of further sectors, each ending in the next one's number.
  std::vector<std::uint32_t> table_sectors;
  const std::uint32_t table_count = Le32(bytes_, 44);
  if (table_count > kMaxTableSectors) return false;
  for (std::size_t i = 0; i < kHeaderFatSectors && table_sectors.size() < table_count; ++i)
    table_sectors.push_back(Le32(bytes_, 76 + 4 * i));
  for (std::uint32_t next = Le32(bytes_, 68); table_sectors.size() < table_count;) {
    const std::string_view list = Sector(next);
    if (list.size() < sector_size) return false;
    for (std::size_t i = 0; i + 1 < per_sector && table_sectors.size() < table_count; ++i)
      table_sectors.push_back(Le32(list, 4 * i));
    next = Le32(list, sector_size - 4);
  }
  for (const std::uint32_t sector : table_sectors) {
    const std::string_view part = Sector(sector);
    if (part.size() < sector_size) return false;
    for (std::size_t i = 0; i < per_sector; ++i) fat_.push_back(Le32(part, 4 * i));
  }

  const auto directory = Chain(fat_, Le32(bytes_, 48), sectors);
  if (!directory) return false;
  for (const std::uint32_t sector : *directory) {
    const std::string_view part = Sector(sector);
    for (std::size_t at = 0; at + kEntrySize <= part.size(); at += kEntrySize) {
      const std::size_t name_bytes = static_cast<unsigned char>(part[at + 64]) |
                                     static_cast<unsigned char>(part[at + 65]) << 8;
      Entry entry;
      for (std::size_t i = 0; i + 2 < std::min<std::size_t>(name_bytes, 64); i += 2) {
        entry.name += static_cast<char16_t>(static_cast<unsigned char>(part[at + i]) |
                                            static_cast<unsigned char>(part[at + i + 1]) << 8);
      }
      entry.start = Le32(part, at + 116);
      entry.size = Le32(part, at + 120);
      if (sector_shift_ == 12) entry.size |= std::uint64_t{Le32(part, at + 124)} << 32;
      if (entries_.empty() || part[at + 66] == 2) entries_.push_back(std::move(entry));
    }
  }
  if (entries_.empty()) return false;

  // Streams smaller than the cutoff lie in the mini stream, which is the root
  // entry's, in 64-byte sectors of a table of their own.
  const auto mini_table = Chain(fat_, Le32(bytes_, 60), sectors);
  if (mini_table) {
    for (const std::uint32_t sector : *mini_table) {
      const std::string_view part = Sector(sector);
      for (std::size_t i = 0; i + 4 <= part.size(); i += 4) mini_fat_.push_back(Le32(part, i));
    }
  }
  if (const auto root = Chain(fat_, entries_.front().start, sectors)) {
    for (const std::uint32_t sector : *root) mini_stream_.append(Sector(sector));
  }
  entries_.erase(entries_.begin());  // the root itself is no stream of the file
  return true;
}

const CompoundFile::Entry* CompoundFile::Find(std::u16string_view name) const {
  for (const Entry& entry : entries_) {
    if (SameName(entry.name, name)) return &entry;
  }
  return nullptr;
}

bool CompoundFile::HasStream(std::u16string_view name) const {
  return Find(name) != nullptr;
}

std::optional<std::string> CompoundFile::ReadStream(std::u16string_view name,
                                                    std::size_t max_bytes) const {
  const Entry* entry = Find(name);
  if (!entry) return std::nullopt;
  const std::size_t wanted =
      static_cast<std::size_t>(std::min<std::uint64_t>(entry->size, max_bytes));
  const bool mini = entry->size < mini_cutoff_;
  const std::size_t sector_size =
      mini ? std::size_t{1} << kMiniSectorShift : std::size_t{1} << sector_shift_;
  // Only as many sectors as `wanted` needs: the chain may go on.
  const std::vector<std::uint32_t>& table = mini ? mini_fat_ : fat_;
  std::string read;
  std::vector<bool> visited(table.size());
  for (std::uint32_t sector = entry->start; read.size() < wanted; sector = table[sector]) {
    if (sector >= table.size() || visited[sector]) return std::nullopt;  // off the table, a loop
    visited[sector] = true;
    if (mini) {
      const std::size_t at = std::size_t{sector} << kMiniSectorShift;
      if (at >= mini_stream_.size()) return std::nullopt;
      read.append(std::string_view(mini_stream_).substr(at, sector_size));
    } else {
      const std::string_view part = Sector(sector);
      if (part.empty()) return std::nullopt;
      read.append(part);
    }
  }
  if (read.size() < wanted) return std::nullopt;
  read.resize(wanted);
  return read;
}

}  // namespace reportword::docx
