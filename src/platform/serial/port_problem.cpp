// Plain-words reasons for a port that does not open, with their fix.

#include "platform/serial/port_problem.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace orvex::platform {
namespace {

const char* kRestart = "then restart the tool";
const char* kNoSuchDevice = "no such device";
const char* kNotSerial = "not a serial port";
const char* kModemManagerMore =
    "ModemManager tries every new serial port as a modem. To keep it away from the adapter for "
    "good, a udev rule can set ENV{ID_MM_DEVICE_IGNORE}=\"1\" for it.";

// The user database entry of `uid`: name and primary group. The reentrant
// lookups, since printers' threads may ask at the same time and getpwuid's
// one static entry would be overwritten under another caller.
struct UserEntry {
  std::string name;
  gid_t group = 0;
};

std::optional<UserEntry> LookUpUser(uid_t uid) {
  const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 1024));
  for (;;) {
    passwd entry{};
    passwd* found = nullptr;
    const int error = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < (1u << 24)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0 || found == nullptr || entry.pw_name == nullptr) return std::nullopt;
    return UserEntry{entry.pw_name, entry.pw_gid};
  }
}

std::optional<std::string> LookUpGroup(gid_t gid) {
  const long size = sysconf(_SC_GETGR_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 1024));
  for (;;) {
    group entry{};
    group* found = nullptr;
    const int error = getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
    // A group with many members needs a larger buffer.
    if (error == ERANGE && buffer.size() < (1u << 24)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0 || found == nullptr || entry.gr_name == nullptr) return std::nullopt;
    return std::string(entry.gr_name);
  }
}

std::string UserName() {
  if (const auto user = LookUpUser(geteuid())) return user->name;
  return "$USER";
}

std::string GroupName(gid_t gid) {
  return LookUpGroup(gid).value_or(std::to_string(gid));
}

std::string OwnerName(uid_t uid) {
  if (const auto user = LookUpUser(uid)) return user->name;
  return std::to_string(uid);
}

// Whether this process runs with `gid` among its groups.
bool SessionHasGroup(gid_t gid) {
  if (getegid() == gid) return true;
  const int count = getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int got = getgroups(count, groups.data());
  return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// Whether the user database lists the user in `gid` (joined, maybe after
// this session began).
bool UserListedInGroup(gid_t gid) {
  const auto user = LookUpUser(geteuid());
  if (!user) return false;
  int count = 64;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  if (getgrouplist(user->name.c_str(), user->group, groups.data(), &count) < 0) {
    groups.resize(static_cast<std::size_t>(count));
    if (getgrouplist(user->name.c_str(), user->group, groups.data(), &count) < 0) return false;
  }
  groups.resize(static_cast<std::size_t>(count));
  return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

// "/dev/ttyUSB0", or "/dev/pts/3 (linked as COM3)".
std::string Named(const PortDevice& port) {
  if (port.source == PortSource::Link) return port.device + " (linked as " + port.comName + ")";
  return port.device;
}

std::string Mode(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

std::string JoinHolders(const std::vector<DeviceHolder>& holders) {
  std::string text;
  for (const DeviceHolder& holder : holders) {
    if (!text.empty()) text += ", ";
    text += holder.name + " (pid " + std::to_string(holder.pid);
    text += holder.pid == getpid() ? ", this program)" : ")";
  }
  return text;
}

PortProblem PermissionProblem(const PortDevice& port) {
  PortProblem problem;
  problem.kind = PortProblemKind::PermissionDenied;
  // The advice names the device's own group, which need not be dialout.
  problem.reason = "permission denied";
  struct stat info {};
  if (stat(port.path.c_str(), &info) != 0) {
    problem.cause = "permission denied on " + Named(port);
    problem.fix = "Serial ports usually belong to the group dialout: sudo usermod -aG dialout " +
                  UserName() + ", then log in again and restart the tool.";
    return problem;
  }
  const std::string group = GroupName(info.st_gid);
  const std::string owner = OwnerName(info.st_uid);
  problem.more = port.path + ": owner " + owner + ", group " + group + ", mode " +
                 Mode(info.st_mode) + "; you are " + UserName() + ".";
  const bool groupMayUse = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  if (!groupMayUse) {
    problem.cause =
        "permission denied on " + Named(port) + " (only its owner " + owner + " may open it)";
    problem.fix =
        "Have a udev rule give it to the group dialout (GROUP=\"dialout\", MODE=\"0660\") and "
        "join that group.";
    return problem;
  }
  problem.cause = "permission denied on " + Named(port) + " (group " + group + ")";
  if (SessionHasGroup(info.st_gid)) {
    problem.fix =
        "You are in the group " + group + ": look at its access list (getfacl " + port.path + ").";
  } else if (UserListedInGroup(info.st_gid)) {
    problem.fix =
        "You joined " + group + " after logging in: log out and in again, " + kRestart + ".";
  } else {
    problem.fix = "Join the group: sudo usermod -aG " + group + " " + UserName() +
                  ", then log in again and restart the tool.";
  }
  return problem;
}

PortProblem InUseProblem(const PortDevice& port) {
  PortProblem problem;
  problem.kind = PortProblemKind::InUse;
  problem.reason = "in use by another program";
  const std::vector<DeviceHolder> holders = ProcessesHolding(port.path);
  if (holders.empty()) {
    // The holder is another user's process, whose descriptors are hidden.
    // Most often that is ModemManager, trying a new adapter as a modem; its
    // name is visible to everyone.
    problem.cause = Named(port) + " is in use by another program";
    problem.fix = "Find it with sudo fuser -v " + port.path + ", close it, " + kRestart + ".";
    const std::vector<DeviceHolder> modemManager = ProcessesNamed("ModemManager");
    if (!modemManager.empty()) {
      problem.cause +=
          ", likely ModemManager (pid " + std::to_string(modemManager.front().pid) + ")";
      problem.fix = "Stop it (sudo systemctl stop ModemManager), " + std::string(kRestart) +
                    "; or find the holder with sudo fuser -v " + port.path + ".";
      problem.more = kModemManagerMore;
    }
    return problem;
  }
  problem.cause = Named(port) + " is in use by " + JoinHolders(holders);
  const auto modemManager =
      std::find_if(holders.begin(), holders.end(),
                   [](const DeviceHolder& holder) { return holder.name == "ModemManager"; });
  if (modemManager != holders.end()) {
    problem.fix = "Stop it (sudo systemctl stop ModemManager), " + std::string(kRestart) + ".";
    problem.more = kModemManagerMore;
  } else {
    problem.fix = "Close " + std::string(holders.size() == 1 ? "that program" : "those programs") +
                  " (kill " + std::to_string(holders.front().pid) + "), " + kRestart + ".";
  }
  return problem;
}

}  // namespace

std::string PortProblemText(const PortProblem& problem) {
  std::string text = problem.cause + ".";
  if (!problem.fix.empty()) text += " " + problem.fix;
  return text;
}

std::string AwaitingFix(const PortDevice& port) {
  const std::string plug = port.source == PortSource::Link
                               ? "Plug it in or point the link " + port.comName + " at it"
                               : std::string("Plug the adapter in");
  return plug + ": the tool opens it as soon as it is there.";
}

std::vector<DeviceHolder> ProcessesNamed(const std::string& name, const std::string& procFolder) {
  std::vector<DeviceHolder> found;
  DIR* proc = opendir(procFolder.c_str());
  if (proc == nullptr) return found;
  while (const dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    std::ifstream comm(procFolder + "/" + entry->d_name + "/comm");
    std::string comName;
    if (std::getline(comm, comName) && comName == name)
      found.push_back({static_cast<pid_t>(pid), comName});
  }
  closedir(proc);
  std::sort(found.begin(), found.end(),
            [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
  return found;
}

std::vector<DeviceHolder> ProcessesHolding(const std::string& path, const std::string& procFolder) {
  std::vector<DeviceHolder> holders;
  struct stat device {};
  if (stat(path.c_str(), &device) != 0) return holders;
  const bool isCharDevice = S_ISCHR(device.st_mode);
  const auto same = [&](const struct stat& other) {
    if (isCharDevice) return S_ISCHR(other.st_mode) && other.st_rdev == device.st_rdev;
    return other.st_dev == device.st_dev && other.st_ino == device.st_ino;
  };

  DIR* proc = opendir(procFolder.c_str());
  if (proc == nullptr) return holders;
  while (const dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    const std::string fdFolder = procFolder + "/" + entry->d_name + "/fd";
    DIR* fds = opendir(fdFolder.c_str());
    if (fds == nullptr) continue;  // gone, or another user's
    bool holds = false;
    while (const dirent* fd = readdir(fds)) {
      if (fd->d_name[0] == '.') continue;
      struct stat info {};
      if (stat((fdFolder + "/" + fd->d_name).c_str(), &info) == 0 && same(info)) {
        holds = true;
        break;
      }
    }
    closedir(fds);
    if (!holds) continue;
    std::ifstream comm(procFolder + "/" + entry->d_name + "/comm");
    std::string name;
    std::getline(comm, name);
    holders.push_back({static_cast<pid_t>(pid), name.empty() ? "?" : name});
  }
  closedir(proc);
  std::sort(holders.begin(), holders.end(),
            [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
  return holders;
}

PortProblem NoDeviceProblem(const PortDevice& port) {
  PortProblem problem;
  problem.kind = PortProblemKind::NoDevice;
  problem.reason = kNoSuchDevice;
  problem.cause = "no device has this name";
  problem.fix = "Plug the adapter in and restart the tool; the port list shows each name's device.";
  problem.more = "Or name a device yourself: ln -s /dev/ttyUSB0 " +
                 (port.link.empty() ? PortsFolder() + "/" + port.comName : port.link);
  return problem;
}

PortProblem NotSerialProblem(const PortDevice& port) {
  PortProblem problem;
  problem.kind = PortProblemKind::NotSerial;
  problem.reason = kNotSerial;
  problem.cause = port.uartMissing() ? Named(port) + " has no UART behind it"
                                     : Named(port) + " is not a serial port";
  if (port.source == PortSource::Link) {
    problem.fix = "Point the link " + port.comName + " at the printer's port, " + kRestart + ".";
    problem.more = "ln -sf /dev/ttyUSB0 " + port.link;
  } else {
    // Words for orvex-provision too: the window's port list is only a hint.
    problem.fix =
        "Choose the name that stands for the printer's port, " + std::string(kRestart) + ".";
    problem.more = "The window's port list shows each name's device.";
  }
  return problem;
}

PortProblem DiagnoseOpenFailure(int error, const PortDevice& port) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR: {
      PortProblem problem;
      problem.kind = PortProblemKind::NoDevice;
      problem.reason = kNoSuchDevice;
      problem.cause = Named(port) + " is not there";
      if (port.source == PortSource::Link) {
        problem.fix = "Plug it in or point the link " + port.comName + " at it, " + kRestart + ".";
        problem.more = "ln -sf /dev/ttyUSB0 " + port.link;
      } else {
        problem.fix = "Plug the adapter in, " + std::string(kRestart) + ".";
      }
      return problem;
    }
    case EACCES:
    case EPERM:
      return PermissionProblem(port);
    case EBUSY:
    case EWOULDBLOCK:
      return InUseProblem(port);
    case ENOTTY:
      return NotSerialProblem(port);
    default: {
      PortProblem problem;
      problem.kind = PortProblemKind::Other;
      problem.reason = std::strerror(error);
      problem.cause = problem.reason + " on " + Named(port);
      return problem;
    }
  }
}

}  // namespace orvex::platform
