#pragma once
// Late-bound automation of a spreadsheet application: create or attach,
// get, put and call by member name. Every operation can fail.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace orvex {

// A handle to an automation object; id 0 is no object.
struct AutoObject {
  std::int64_t id = 0;
  bool empty() const { return id == 0; }
  friend bool operator==(const AutoObject&, const AutoObject&) = default;
};

using AutoValue = std::variant<std::monostate, bool, std::int32_t, double, std::string, AutoObject>;

struct AutoResult {
  bool ok = false;
  AutoValue value;
  std::string error;  // why it failed, for logs
};

class Automation {
 public:
  virtual ~Automation() = default;
  virtual AutoResult Create(const std::string& progId) = 0;
  virtual AutoResult Attach(const std::string& progId) = 0;
  virtual AutoResult Get(AutoObject object, const std::string& member,
                         const std::vector<AutoValue>& args) = 0;
  virtual AutoResult Put(AutoObject object, const std::string& member,
                         const std::vector<AutoValue>& args, const AutoValue& value) = 0;
  virtual AutoResult Call(AutoObject object, const std::string& member,
                          const std::vector<AutoValue>& args) = 0;
  // The folder, ending in '/', that saved reports go into.
  virtual std::string ReportFolder() = 0;
};

// An automation port on which every operation fails, as on a machine with no
// spreadsheet application (orvex-provision, which exports nothing).
class NoSpreadsheet : public Automation {
 public:
  AutoResult Create(const std::string&) override { return Fail(); }
  AutoResult Attach(const std::string&) override { return Fail(); }
  AutoResult Get(AutoObject, const std::string&, const std::vector<AutoValue>&) override {
    return Fail();
  }
  AutoResult Put(AutoObject, const std::string&, const std::vector<AutoValue>&,
                 const AutoValue&) override {
    return Fail();
  }
  AutoResult Call(AutoObject, const std::string&, const std::vector<AutoValue>&) override {
    return Fail();
  }
  std::string ReportFolder() override { return "/nonexistent/"; }

 private:
  static AutoResult Fail() { return {false, {}, "no spreadsheet application"}; }
};

}  // namespace orvex
