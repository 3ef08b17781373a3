#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "system/atomic_file.h"
#include "system/signal_cleanup_posix.h"
#include "text/failure.h"
#include "text/system_error_text.h"
#include "text/translate.h"
#include "wordproc/save_target.h"

namespace reportword::docx {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& path, const std::string& what, int error_number) {
  throw SaveFailure(path, text::Format("{0} ({1})", what, text::SystemErrorText(error_number)));
}

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// The folder is opened once and every name in it is reached through that
// descriptor: the temporary file is removed even if the folder is moved
// meanwhile, and only the short temporary name counts against PATH_MAX.
int OpenFolder(const std::string& path, const fs::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
  // A folder that may be written but not read (mode -wx) still has names.
  if (fd < 0 && errno == EACCES) fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
  if (fd < 0) Fail(path, text::Translate("cannot create a file in its folder"), errno);
  return fd;
}

// A file without a name, where the system offers one: until it is linked
// into place, even SIGKILL or a power cut leaves nothing behind.
std::optional<int> OpenUnnamedFile(int folder_fd) {
#ifdef O_TMPFILE
  const int fd = ::openat(folder_fd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
#else
  (void)folder_fd;
#endif
  return std::nullopt;
}

// Gives the open file `fd` the name `name` in the folder. Linking by the
// descriptor itself needs a privilege (root has it); its /proc entry does the
// same for everyone else.
int LinkOpenFile(int fd, int folder_fd, const char* name) {
#ifdef AT_EMPTY_PATH
  if (::linkat(fd, "", folder_fd, name, AT_EMPTY_PATH) == 0) return 0;
  if (errno == EEXIST) return -1;
#endif
  char proc_path[64];
  std::snprintf(proc_path, sizeof proc_path, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, proc_path, folder_fd, name, AT_SYMLINK_FOLLOW);
}

// Creates a fresh temporary name in the folder, registered for removal, and
// returns it: through `fd`, the open unnamed file is linked to it; without,
// a new empty file is created there and opened into `created`.
std::string NewTemporaryName(const std::string& path, int folder_fd, int fd,
                             std::optional<TemporaryFileRegistration>& registration, int* created) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = TemporaryName();
    SignalHold hold;  // registered and created as one step
    registration.emplace(folder_fd, name.c_str());
    int result;
    if (fd < 0) {
      result = *created =
          ::openat(folder_fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    } else {
      result = LinkOpenFile(fd, folder_fd, name.c_str());
    }
    if (result >= 0) return name;
    const int error = errno;
    registration.reset();
    if (error != EEXIST) Fail(path, text::Translate("cannot create a file in its folder"), error);
  }
  Fail(path, text::Translate("cannot create a file in its folder"), EEXIST);
}

void WriteAll(const std::string& path, int fd, std::string_view bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, text::Translate("writing failed"), errno);
    }
    if (n == 0) Fail(path, text::Translate("writing failed"), EIO);
    written += static_cast<std::size_t>(n);
  }
}

// The owner, group and permission bits of the file replaced, so that its
// owner keeps it and those who could read it still can; a new file gets the
// usual 0666 less the umask. The owner goes first, since changing it may
// clear set-id bits. Where the process may not give the file away (EPERM,
// or EINVAL for an owner that a user namespace does not map, as in a rootless
// container), it stays the writer's, as with any other save.
void TakeOverAttributes(const std::string& path, int fd, const struct stat* replaced) {
  mode_t mode;
  if (replaced) {
    if (::fchown(fd, replaced->st_uid, replaced->st_gid) != 0 && errno != EPERM && errno != EINVAL)
      Fail(path, text::Translate("cannot set the file's owner"), errno);
    mode = replaced->st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd, mode) != 0) Fail(path, text::Translate("cannot set the file mode"), errno);
}

// Makes the rename itself durable: until the folder's entry is on disk, a
// machine crash can bring back the old file, or none. Some file systems
// cannot sync a folder and say so with EINVAL or ENOTSUP; they give no other
// way to do it, so that counts as done. A folder opened only for its names
// (mode -wx) cannot be flushed; the file itself is already on disk, so the
// save stands there, as it does for databases that flush their folders.
void SyncFolder(const std::string& path, int folder_fd) {
  if (::fsync(folder_fd) == 0) return;
  const int error = errno;
  if (error == EINVAL || error == ENOTSUP || error == EOPNOTSUPP || error == EBADF) return;
  Fail(path, text::Translate("the file was replaced, but its folder could not be flushed to disk"),
       error);
}

wordproc::FileIdentity IdentityOf(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// What the rename will replace, seen through the folder it will use, just
// before it does: not the run's own files, whatever the target's name led to
// when the run began.
bool CheckReplaced(const std::string& path, int folder_fd, const std::string& name,
                   const wordproc::RunFiles* run_files, struct stat& replaced) {
  if (::fstatat(folder_fd, name.c_str(), &replaced, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (!S_ISREG(replaced.st_mode))
    throw SaveFailure(path, text::Translate("it is not a regular file, so it is not replaced"));
  if (run_files && run_files->Contains(IdentityOf(replaced))) {
    throw InputCheckFailure(
        FailedInputCheck::kTargetIsInput,
        text::Format(text::Translate("cannot save \"{0}\": it is now one of the run's own files"),
                     path));
  }
  return true;
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         wordproc::RunFiles* run_files) {
  const wordproc::SaveTarget target = wordproc::CheckSaveTarget(path);
  const Descriptor folder(OpenFolder(path, target.folder));
  const std::string name = target.file.filename().string();

  struct stat replaced {};
  const bool replaces = CheckReplaced(path, folder.get(), name, run_files, replaced);

  std::optional<TemporaryFileRegistration> registration;
  std::string temporary;
  const std::optional<int> unnamed = OpenUnnamedFile(folder.get());
  int created = -1;
  if (!unnamed) temporary = NewTemporaryName(path, folder.get(), -1, registration, &created);
  Descriptor file(unnamed ? *unnamed : created);
  // A handled failure removes the named temporary file, wherever its folder went.
  struct Remove {
    int folder_fd;
    const std::string& name;
    bool armed = true;
    ~Remove() {
      if (armed && !name.empty()) ::unlinkat(folder_fd, name.c_str(), 0);
    }
  } remove{folder.get(), temporary};

  WriteAll(path, file.get(), bytes);
  TakeOverAttributes(path, file.get(), replaces ? &replaced : nullptr);
  if (::fsync(file.get()) != 0) Fail(path, text::Translate("writing failed"), errno);
  if (temporary.empty())
    temporary = NewTemporaryName(path, folder.get(), file.get(), registration, nullptr);
  struct stat written {};
  if (::fstat(file.get(), &written) != 0) Fail(path, text::Translate("writing failed"), errno);
  if (::close(file.Release()) != 0) Fail(path, text::Translate("writing failed"), errno);
  // The writing took time, in which the name may have come to lead elsewhere.
  struct stat now {};
  CheckReplaced(path, folder.get(), name, run_files, now);
  if (::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) != 0)
    Fail(path, text::Translate("cannot replace the file"), errno);
  remove.armed = false;
  registration.reset();
  if (run_files) run_files->Add(IdentityOf(written));
  SyncFolder(path, folder.get());
}

}  // namespace reportword::docx
