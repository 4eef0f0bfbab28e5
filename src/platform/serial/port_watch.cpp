// The wait for a lost device: inotify on the folders where it would reappear.

#include "platform/serial/port_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>

namespace orvex::platform {
namespace {

namespace fs = std::filesystem;

// Creation, removal and renaming of entries, and attribute changes (udev
// sets a new node's group and mode just after the kernel made it).
constexpr std::uint32_t kWatchMask =
    IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_ATTRIB | IN_ONLYDIR;

void AddUnique(std::vector<std::string>& list, const std::string& item) {
  if (!item.empty() && std::find(list.begin(), list.end(), item) == list.end())
    list.push_back(item);
}

}  // namespace

PortWatch::PortWatch(PortNames names, PortDevice lost)
    : names_(std::move(names)), lost_(std::move(lost)) {
  lostIdentity_ = IdentityOf(lost_.path);

  // The ports folder for the link; for the device, its folder and the way
  // down to it, since folders come and go with devices (/dev/serial/by-id
  // goes with the last adapter).
  AddUnique(folders_, names_.portsFolder());
  AddUnique(watchedNames_, lost_.comName);
  const auto watchWayTo = [this](const std::string& path) {
    fs::path child = fs::path(path).lexically_normal();
    for (int depth = 0; depth < 3; ++depth) {
      const fs::path folder = child.parent_path();
      if (folder == child || !folder.has_relative_path()) break;  // not / itself
      AddUnique(folders_, folder.string());
      AddUnique(watchedNames_, child.filename().string());
      child = folder;
    }
  };
  watchWayTo(lost_.path);
  if (!lost_.byId.empty()) watchWayTo(names_.InTree("/dev/serial/by-id/" + lost_.byId));
  if (!lost_.ttyName.empty()) watchWayTo(names_.InTree("/dev/" + lost_.ttyName));
  // A name that stood for nothing may come to stand for an adapter plugged
  // in later: its by-id entry appears (every change there counts), or a
  // link is made for it, in a ports folder that may not exist yet.
  if (!lost_.present()) {
    watchWayTo(names_.InTree("/dev/serial/by-id/-"));
    watchWayTo(names_.portsFolder() + "/" + lost_.comName);
  }

  inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  WatchFolders();
}

PortWatch::~PortWatch() {
  if (inotify_ >= 0) close(inotify_);
}

PortWatch::Identity PortWatch::IdentityOf(const std::string& path) {
  Identity identity;
  identity.path = path;
  struct stat info {};
  if (path.empty() || stat(path.c_str(), &info) != 0) return identity;
  identity.present = true;
  identity.device = static_cast<unsigned long>(info.st_dev);
  identity.inode = static_cast<unsigned long>(info.st_ino);
  identity.rdev = static_cast<unsigned long>(info.st_rdev);
  return identity;
}

void PortWatch::WatchFolders() {
  if (inotify_ < 0) return;
  // Watching a folder twice returns the same watch; a missing one fails
  // and is tried again after the next change.
  for (const std::string& folder : folders_)
    (void)inotify_add_watch(inotify_, folder.c_str(), kWatchMask);
}

bool PortWatch::DrainEvents() {
  if (inotify_ < 0) return false;
  bool named = false;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t got = read(inotify_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // EAGAIN: nothing more pending
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if ((event->mask & IN_Q_OVERFLOW) != 0) {
        named = true;  // changes were lost: look at everything again
        continue;
      }
      if (event->len == 0) continue;
      if (!lost_.present()) {
        named = true;  // any new device may be the one the name now stands for
        continue;
      }
      const std::string name(event->name);
      if (std::find(watchedNames_.begin(), watchedNames_.end(), name) != watchedNames_.end())
        named = true;
    }
  }
  return named;
}

std::optional<PortDevice> PortWatch::Check() {
  const bool named = DrainEvents();
  WatchFolders();
  const bool first = firstCheck_;
  firstCheck_ = false;
  std::optional<PortDevice> found;
  if (lost_.present()) {
    found = names_.FindAgain(lost_);
  } else if (PortDevice now = names_.Lookup(lost_.comName); now.present()) {
    found = std::move(now);
  }
  if (!found) return std::nullopt;
  if (named) return found;
  if (first && !(IdentityOf(found->path) == lostIdentity_)) return found;
  return std::nullopt;
}

std::optional<PortDevice> PortWatch::WaitForReturn(int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    if (auto found = Check()) return found;
    if (inotify_ < 0) return std::nullopt;
    int wait = -1;
    if (timeoutMs >= 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return std::nullopt;
      wait = static_cast<int>(left);
    }
    pollfd in{inotify_, POLLIN, 0};
    const int ready = poll(&in, 1, wait);
    if (ready < 0 && errno != EINTR) return std::nullopt;
  }
}

}  // namespace orvex::platform
