#pragma once
// A spreadsheet application inside the tool's own process, driven through
// the same late-bound automation as an outside one would be. It knows the
// objects and members the period report uses and saves genuine Excel 97-2003
// workbooks.
//
// Objects: application ("Visible", "Workbooks", "Quit"), workbooks ("Add"),
// workbook ("Worksheets", "SaveAs", "Close"), worksheets ("Item"), worksheet ("Name",
// "Columns", "Cells"), column ("ColumnWidth") and cell ("Value").

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "records/automation.h"
#include "workbook/sheet_content.h"

namespace orvex {

class EmbeddedSpreadsheet : public Automation {
 public:
  // Reports go into the user's documents folder.
  EmbeddedSpreadsheet();
  // Reports go into the folder given.
  explicit EmbeddedSpreadsheet(std::string reportFolder);

  AutoResult Create(const std::string& progId) override;
  AutoResult Attach(const std::string& progId) override;
  AutoResult Get(AutoObject object, const std::string& member,
                 const std::vector<AutoValue>& args) override;
  AutoResult Put(AutoObject object, const std::string& member, const std::vector<AutoValue>& args,
                 const AutoValue& value) override;
  AutoResult Call(AutoObject object, const std::string& member,
                  const std::vector<AutoValue>& args) override;
  std::string ReportFolder() override;

  // Told the full path of each workbook that "SaveAs" has written, so the
  // window can say where it went.
  void SetSavedListener(std::function<void(const std::string& path)> listener) {
    savedListener_ = std::move(listener);
  }

  // Application instances created and not yet quit.
  std::size_t RunningInstances() const { return instances_.size(); }
  // Workbooks added and neither closed nor gone with their application.
  std::size_t OpenWorkbooks() const;
  // Objects that handles refer to (cells included).
  std::size_t LiveObjects() const { return nodes_.size(); }

 private:
  enum class Kind { Application, Workbooks, Workbook, Worksheets, Worksheet, Column, Cell };

  struct Node {
    Kind kind;
    std::int64_t instance;  // the application object it belongs to
    std::int64_t workbook;  // the workbook object, for workbook level and below
    int sheet = 0;          // 0-based
    int row = 0;            // 0-based
    int column = 0;         // 0-based
  };
  struct Workbook {
    std::vector<workbook::SheetContent> sheets;
  };
  struct Instance {
    bool visible = false;
    std::map<std::int64_t, Workbook> workbooks;
  };

  std::optional<std::string> Resolve(AutoObject object, Node& node) const;
  // The handle of an object; the same object always gets the same handle.
  AutoObject Handle(const Node& node);
  workbook::SheetContent& SheetOf(const Node& node);

  AutoResult GetMember(const Node& node, const std::string& member,
                       const std::vector<AutoValue>& args);
  AutoResult PutMember(const Node& node, const std::string& member,
                       const std::vector<AutoValue>& args, const AutoValue& value);
  AutoResult CallMember(AutoObject object, const Node& node, const std::string& member,
                        const std::vector<AutoValue>& args);
  AutoResult SaveAs(const Node& node, const std::vector<AutoValue>& args);
  void CloseWorkbook(std::int64_t instance, std::int64_t workbook);
  void Quit(std::int64_t instance);

  std::optional<std::string> reportFolder_;  // unset: chosen at each save
  std::function<void(const std::string& path)> savedListener_;
  std::int64_t nextId_ = 1;
  std::map<std::int64_t, Instance> instances_;
  std::unordered_map<std::int64_t, Node> nodes_;
  std::map<std::tuple<int, std::int64_t, int, int, int>, std::int64_t> handles_;
};

}  // namespace orvex
