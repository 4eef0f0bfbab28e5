#pragma once
// Waiting for a device that went away (unplugged, simulator ended) to come
// back: inotify on the folder of its path and on the ports folder, so the
// wait costs nothing until something changes there. No polling loop.

#include <optional>
#include <string>
#include <vector>

#include "platform/serial/port_names.h"

namespace orvex::platform {

class PortWatch {
 public:
  // `lost` may also be a port that never opened: a name that stands for
  // nothing yet (it is found once the name stands for a device), or a
  // device that refused to open (tried again when a change names it).
  // Make it while the lost port is still open: a device cannot then come
  // back unseen between closing the port and starting the watch (a new
  // pseudo-terminal could even take the same number once the old one is
  // closed).
  PortWatch(PortNames names, PortDevice lost);
  ~PortWatch();
  PortWatch(const PortWatch&) = delete;
  PortWatch& operator=(const PortWatch&) = delete;

  // False when inotify is not available; Check() then only looks once.
  bool ok() const { return inotify_ >= 0; }
  // Becomes readable when something changed in a watched folder; Check()
  // empties it. -1 when !ok().
  int fd() const { return inotify_; }
  const PortDevice& lost() const { return lost_; }

  // Takes the pending changes (never blocks) and says whether the device is
  // back: the device the name stands for again, to be opened. The first call
  // takes any device that is there and is not the very node that was lost (a
  // stale node would hang up again at once); later calls take the device once
  // a change names it (its link, its node, its by-id name). After a failed
  // open, the next change tries again.
  std::optional<PortDevice> Check();

  // Waits up to timeoutMs (-1: no limit) for Check() to find the device.
  std::optional<PortDevice> WaitForReturn(int timeoutMs);

 private:
  struct Identity {
    bool present = false;
    unsigned long device = 0, inode = 0, rdev = 0;
    std::string path;
    bool operator==(const Identity&) const = default;
  };
  static Identity IdentityOf(const std::string& path);
  // Adds a watch on every folder of interest that exists now.
  void WatchFolders();
  // Reads what is pending; true when a change names the device.
  bool DrainEvents();

  PortNames names_;
  PortDevice lost_;
  Identity lostIdentity_;
  std::vector<std::string> folders_;
  std::vector<std::string> watchedNames_;
  int inotify_ = -1;
  bool firstCheck_ = true;
};

}  // namespace orvex::platform
