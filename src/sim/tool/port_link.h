#pragma once
// The symlink through which the tool finds the simulated port:
// $XDG_CONFIG_HOME/orvex-tool/ports/COMn -> /dev/pts/N.

#include <optional>
#include <string>

namespace orvex::sim {

// The folder holding the port links, from the environment.
std::optional<std::string> PortLinkFolder(std::string* error);

class PortLink {
 public:
  // Creates the link (and its folders). A stale link of an earlier run is
  // replaced; any other file in the way is left alone and reported.
  static std::optional<PortLink> Create(const std::string& portName, const std::string& target,
                                        std::string* error, std::string* warning);
  PortLink(PortLink&& other) noexcept;
  PortLink& operator=(PortLink&&) = delete;
  PortLink(const PortLink&) = delete;
  ~PortLink();

  const std::string& path() const { return path_; }
  // Removes the link if it still points at our device.
  void Remove();

 private:
  PortLink(std::string path, std::string target)
      : path_(std::move(path)), target_(std::move(target)) {}
  std::string path_;
  std::string target_;
};

}  // namespace orvex::sim
