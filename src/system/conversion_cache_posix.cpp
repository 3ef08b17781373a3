#include <dirent.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

#include "system/atomic_file.h"
#include "system/conversion_cache.h"

namespace reportword::docx {
namespace {

namespace fs = std::filesystem;

// Changes when the way this program converts changes, so that entries made
// the old way are not used.
constexpr const char* kConversionVersion = "1";
constexpr const char* kEntryExtension = ".docx";
// No larger than a template may be.
constexpr std::uint64_t kMaxEntryBytes = 512ull << 20;

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// A folder this user may keep private files in: a real folder (not a link),
// the user's own, that nobody else may write.
bool IsPrivateFolder(const fs::path& folder) {
  struct stat status {};
  return ::lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
         status.st_uid == ::geteuid() && (status.st_mode & 022) == 0;
}

bool MakeFolder(const fs::path& folder) {
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string Hex(const unsigned char* bytes, unsigned size) {
  static const char* const kHex = "0123456789abcdef";
  std::string hex;
  for (unsigned i = 0; i < size; ++i) {
    hex += kHex[bytes[i] >> 4];
    hex += kHex[bytes[i] & 15];
  }
  return hex;
}

// The converter as it is installed now: a new version is another file.
std::string ConverterIdentity(const std::string& soffice) {
  std::error_code ec;
  const fs::path resolved = fs::canonical(soffice, ec);
  struct stat status {};
  if (ec || ::stat(resolved.c_str(), &status) != 0) return soffice;
  return resolved.string() + "\n" + std::to_string(status.st_size) + "\n" +
         std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec);
}

struct Entry {
  fs::path path;
  std::uint64_t size;
  struct timespec used;
};

}  // namespace

fs::path UserCacheFolder() {
  const char* setting = std::getenv("REPORTWORD_CACHE");
  if (setting && std::string_view(setting) == "off") return {};
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
    return fs::path(cache) / "reportword";
  const char* home = std::getenv("HOME");
  if (!home || *home != '/') {
    const struct passwd* user = ::getpwuid(::geteuid());
    home = user ? user->pw_dir : nullptr;
  }
  if (!home || *home != '/') return {};
  return fs::path(home) / ".cache" / "reportword";
}

std::optional<ConversionCache> ConversionCache::Open(const fs::path& folder) {
  if (folder.empty() || !folder.is_absolute()) return std::nullopt;
  // The folder above is made as private as the cache, as XDG asks of ~/.cache.
  if (!fs::exists(folder.parent_path()) && !MakeFolder(folder.parent_path())) return std::nullopt;
  if (!MakeFolder(folder) || !IsPrivateFolder(folder)) return std::nullopt;
  return ConversionCache(folder);
}

std::string ConversionCache::Key(std::string_view template_bytes, const std::string& soffice,
                                 const std::string& filter) {
  const std::string about =
      std::string(1, '\0') + ConverterIdentity(soffice) + "\n" + filter + "\n" + kConversionVersion;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> digest(EVP_MD_CTX_new(),
                                                                 &EVP_MD_CTX_free);
  unsigned char sum[EVP_MAX_MD_SIZE];
  unsigned size = 0;
  if (!digest || EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1 ||
      EVP_DigestUpdate(digest.get(), template_bytes.data(), template_bytes.size()) != 1 ||
      EVP_DigestUpdate(digest.get(), about.data(), about.size()) != 1 ||
      EVP_DigestFinal_ex(digest.get(), sum, &size) != 1) {
    return "";
  }
  return Hex(sum, size);
}

std::optional<std::string> ConversionCache::Find(const std::string& key) const {
  if (key.empty()) return std::nullopt;
  const Descriptor fd(::open(EntryOf(key).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat status {};
  if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_uid != ::geteuid() || static_cast<std::uint64_t>(status.st_size) > kMaxEntryBytes) {
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t n = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    filled += static_cast<std::size_t>(n);
  }
  ::futimens(fd.get(), nullptr);  // used now: the last to leave
  return bytes;
}

bool ConversionCache::Has(const std::string& key) const {
  struct stat status {};
  return !key.empty() && ::lstat(EntryOf(key).c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

void ConversionCache::Store(const std::string& key, std::string_view docx) const noexcept {
  if (key.empty()) return;
  // Entries are the user's alone, whatever the umask makes of other files.
  const mode_t mask = ::umask(077);
  try {
    WriteFileAtomically(EntryOf(key).string(), docx, nullptr);
  } catch (...) {
  }
  ::umask(mask);
  Trim();
}

void ConversionCache::Remove(const std::string& key) const noexcept {
  if (!key.empty()) ::unlink(EntryOf(key).c_str());
}

void ConversionCache::Trim() const noexcept {
  try {
    std::vector<Entry> entries;
    std::uint64_t total = 0;
    std::error_code ec;
    for (const fs::directory_entry& item : fs::directory_iterator(folder_, ec)) {
      struct stat status {};
      if (item.path().extension() != kEntryExtension ||
          ::lstat(item.path().c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        continue;
      }
      entries.push_back({item.path(), static_cast<std::uint64_t>(status.st_size), status.st_mtim});
      total += entries.back().size;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
      return a.used.tv_sec != b.used.tv_sec ? a.used.tv_sec < b.used.tv_sec
                                            : a.used.tv_nsec < b.used.tv_nsec;
    });
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const std::size_t left = entries.size() - i;
      if (left <= kMaxCacheEntries && total <= kMaxCacheBytes) break;
      if (::unlink(entries[i].path.c_str()) == 0) total -= entries[i].size;
    }
  } catch (...) {
  }
}

}  // namespace reportword::docx
