#include "system/conversion_cache.h"

namespace reportword::docx {

// The Windows build converts nothing, so it keeps no converted templates.
std::filesystem::path UserCacheFolder() {
  return {};
}

std::optional<ConversionCache> ConversionCache::Open(const std::filesystem::path&) {
  return std::nullopt;
}

std::string ConversionCache::Key(std::string_view, const std::string&, const std::string&) {
  return "";
}

std::optional<std::string> ConversionCache::Find(const std::string&) const {
  return std::nullopt;
}

bool ConversionCache::Has(const std::string&) const {
  return false;
}

void ConversionCache::Store(const std::string&, std::string_view) const noexcept {}

void ConversionCache::Remove(const std::string&) const noexcept {}

void ConversionCache::Trim() const noexcept {}

}  // namespace reportword::docx
