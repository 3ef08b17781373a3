// Converted templates kept between runs: a legacy template (.dot, .doc, RTF,
// OpenDocument) is converted once, and later runs with the same bytes and the
// same converter take the stored .docx and start no converter.
// (One implementation per platform: conversion_cache_posix.cpp; the Windows
// build converts nothing and keeps nothing, conversion_cache_win32.cpp.)
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace reportword::docx {

// Where the user's cache is: $XDG_CACHE_HOME/reportword, else
// ~/.cache/reportword. Empty when REPORTWORD_CACHE is "off", or when there is
// no home to put it in.
std::filesystem::path UserCacheFolder();

// The bound: the least recently used entries leave first.
inline constexpr std::size_t kMaxCacheEntries = 64;
inline constexpr std::uint64_t kMaxCacheBytes = 256ull << 20;

class ConversionCache {
 public:
  // The cache in `folder`, made private (0700) when it is not there. Nothing
  // when `folder` is empty, cannot be made, is a link, or belongs to someone
  // else or may be written by others: the run then converts as without one.
  static std::optional<ConversionCache> Open(const std::filesystem::path& folder);

  // The key of `template_bytes` converted to .docx by the converter at
  // `soffice` with `filter`: any change of the bytes, of the converter (its
  // path, size and time) or of the way this program converts gives another.
  static std::string Key(std::string_view template_bytes, const std::string& soffice,
                         const std::string& filter);

  // The stored .docx for `key`, which counts as used now; nothing when there
  // is none, or it is not a private regular file of this user.
  std::optional<std::string> Find(const std::string& key) const;
  // Whether there is an entry for `key`, without using it.
  bool Has(const std::string& key) const;
  // Stores the .docx for `key` as a document is saved (a run ended midway
  // leaves no partial entry), then trims the cache to its bound. A cache that
  // cannot be written is no failure: nothing is thrown.
  void Store(const std::string& key, std::string_view docx) const noexcept;
  // Removes the entry for `key` (one that failed the checks of a template).
  void Remove(const std::string& key) const noexcept;

  const std::filesystem::path& folder() const { return folder_; }

 private:
  explicit ConversionCache(std::filesystem::path folder) : folder_(std::move(folder)) {}
  std::filesystem::path EntryOf(const std::string& key) const { return folder_ / (key + ".docx"); }
  void Trim() const noexcept;

  std::filesystem::path folder_;
};

}  // namespace reportword::docx
