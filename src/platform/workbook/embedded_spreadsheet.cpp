#include "workbook/embedded_spreadsheet.h"

#include <algorithm>
#include <cmath>

#include "workbook/biff_text.h"
#include "workbook/compound_file.h"
#include "workbook/report_folder.h"
#include "workbook/workbook_stream.h"

namespace orvex {

namespace {

constexpr const char* kProgId = "Excel.Application";
constexpr std::int32_t kNormalWorkbookFormat = -4143;
constexpr std::size_t kMaxCellUnits = 32767;
constexpr std::size_t kMaxSheetNameUnits = 31;
constexpr double kMaxColumnWidth = 255;
constexpr double kStandardColumnWidth = 8.43;

AutoResult Ok(AutoValue value = {}) {
  return {true, std::move(value), {}};
}
AutoResult Fail(std::string why) {
  return {false, {}, std::move(why)};
}

const char* TypeName(const AutoValue& value) {
  switch (value.index()) {
    case 0:
      return "nothing";
    case 1:
      return "a boolean";
    case 2:
    case 3:
      return "a number";
    case 4:
      return "a text";
    default:
      return "an object";
  }
}

// An index or count: an integer, or a floating value without fraction.
std::optional<std::int64_t> AsInteger(const AutoValue& value) {
  if (const auto* i = std::get_if<std::int32_t>(&value)) return *i;
  if (const auto* d = std::get_if<double>(&value)) {
    if (std::isfinite(*d) && std::trunc(*d) == *d && std::fabs(*d) < 1e15) {
      return static_cast<std::int64_t>(*d);
    }
  }
  return std::nullopt;
}

std::optional<double> AsNumber(const AutoValue& value) {
  if (const auto* i = std::get_if<std::int32_t>(&value)) return *i;
  if (const auto* d = std::get_if<double>(&value)) {
    if (std::isfinite(*d)) return *d;
  }
  return std::nullopt;
}

std::optional<std::string> ArgCount(const std::string& member, const std::vector<AutoValue>& args,
                                    std::size_t least, std::size_t most) {
  if (args.size() >= least && args.size() <= most) return std::nullopt;
  const std::string expected =
      least == most ? std::to_string(least) : std::to_string(least) + " to " + std::to_string(most);
  return "\"" + member + "\" takes " + expected + " argument" + (most == 1 ? "" : "s") + ", not " +
         std::to_string(args.size());
}

// A 1-based index argument within 1..limit, returned 0-based.
std::optional<int> IndexArg(const AutoValue& value, std::int64_t limit, std::string& why,
                            const std::string& what) {
  const auto index = AsInteger(value);
  if (!index) {
    why = what + " must be a whole number, not " + TypeName(value);
    return std::nullopt;
  }
  if (*index < 1 || *index > limit) {
    why = what + " " + std::to_string(*index) + " is outside 1 to " + std::to_string(limit);
    return std::nullopt;
  }
  return static_cast<int>(*index - 1);
}

std::optional<std::string> SheetNameProblem(const std::string& name) {
  const auto text = workbook::ToBiffText(name);
  if (!text) return "the sheet name is not valid UTF-8";
  if (text->units.empty() || text->units.size() > kMaxSheetNameUnits) {
    return "a sheet name has 1 to 31 characters";
  }
  for (const char16_t c : text->units) {
    if (c == u':' || c == u'\\' || c == u'/' || c == u'?' || c == u'*' || c == u'[' || c == u']') {
      return "a sheet name cannot contain : \\ / ? * [ or ]";
    }
  }
  if (text->units.front() == u'\'' || text->units.back() == u'\'') {
    return "a sheet name cannot begin or end with an apostrophe";
  }
  return std::nullopt;
}

const char* KindName(int kind) {
  static constexpr const char* kNames[] = {"application", "workbooks", "workbook", "worksheets",
                                           "worksheet",   "column",    "cell"};
  return kNames[kind];
}

}  // namespace

EmbeddedSpreadsheet::EmbeddedSpreadsheet() = default;

EmbeddedSpreadsheet::EmbeddedSpreadsheet(std::string reportFolder) {
  if (reportFolder.empty() || reportFolder.back() != '/') reportFolder += '/';
  reportFolder_ = std::move(reportFolder);
}

std::string EmbeddedSpreadsheet::ReportFolder() {
  if (reportFolder_) return *reportFolder_;
  return workbook::DocumentsFolder(workbook::ProcessEnvironment());
}

AutoResult EmbeddedSpreadsheet::Create(const std::string& progId) {
  if (progId != kProgId) return Fail("no application is registered as \"" + progId + "\"");
  const std::int64_t id = nextId_++;
  instances_[id] = Instance{};
  nodes_[id] = Node{Kind::Application, id, 0};
  return Ok(AutoObject{id});
}

AutoResult EmbeddedSpreadsheet::Attach(const std::string& progId) {
  if (progId != kProgId) return Fail("no application is registered as \"" + progId + "\"");
  // The most recently started instance, as the running-object table has it.
  if (instances_.empty()) return Fail(std::string("no instance of ") + kProgId + " is running");
  return Ok(AutoObject{instances_.rbegin()->first});
}

std::optional<std::string> EmbeddedSpreadsheet::Resolve(AutoObject object, Node& node) const {
  if (object.empty()) return "no object given";
  const auto it = nodes_.find(object.id);
  if (it == nodes_.end()) return "the object no longer exists";
  node = it->second;
  return std::nullopt;
}

AutoObject EmbeddedSpreadsheet::Handle(const Node& node) {
  const std::int64_t owner = node.kind == Kind::Workbooks ? node.instance : node.workbook;
  const auto key =
      std::make_tuple(static_cast<int>(node.kind), owner, node.sheet, node.row, node.column);
  const auto [it, added] = handles_.try_emplace(key, nextId_);
  if (added) {
    nodes_[nextId_] = node;
    ++nextId_;
  }
  return AutoObject{it->second};
}

workbook::SheetContent& EmbeddedSpreadsheet::SheetOf(const Node& node) {
  return instances_.at(node.instance).workbooks.at(node.workbook).sheets.at(node.sheet);
}

AutoResult EmbeddedSpreadsheet::Get(AutoObject object, const std::string& member,
                                    const std::vector<AutoValue>& args) {
  Node node{};
  if (const auto why = Resolve(object, node)) return Fail(*why);
  return GetMember(node, member, args);
}

AutoResult EmbeddedSpreadsheet::Put(AutoObject object, const std::string& member,
                                    const std::vector<AutoValue>& args, const AutoValue& value) {
  Node node{};
  if (const auto why = Resolve(object, node)) return Fail(*why);
  return PutMember(node, member, args, value);
}

AutoResult EmbeddedSpreadsheet::Call(AutoObject object, const std::string& member,
                                     const std::vector<AutoValue>& args) {
  Node node{};
  if (const auto why = Resolve(object, node)) return Fail(*why);
  return CallMember(object, node, member, args);
}

AutoResult EmbeddedSpreadsheet::GetMember(const Node& node, const std::string& member,
                                          const std::vector<AutoValue>& args) {
  std::string why;
  auto noArgs = [&]() -> std::optional<std::string> { return ArgCount(member, args, 0, 0); };
  switch (node.kind) {
    case Kind::Application:
      if (member == "Workbooks") {
        if (auto e = noArgs()) return Fail(*e);
        return Ok(Handle(Node{Kind::Workbooks, node.instance, 0}));
      }
      if (member == "Visible") {
        if (auto e = noArgs()) return Fail(*e);
        return Ok(instances_.at(node.instance).visible);
      }
      break;
    case Kind::Workbook:
      if (member == "Worksheets") {
        if (auto e = noArgs()) return Fail(*e);
        return Ok(Handle(Node{Kind::Worksheets, node.instance, node.workbook}));
      }
      break;
    case Kind::Worksheets: {
      const auto& sheets = instances_.at(node.instance).workbooks.at(node.workbook).sheets;
      if (member == "Item") {
        if (auto e = ArgCount(member, args, 1, 1)) return Fail(*e);
        const auto sheet =
            IndexArg(args[0], static_cast<std::int64_t>(sheets.size()), why, "the sheet index");
        if (!sheet) return Fail(why);
        return Ok(Handle(Node{Kind::Worksheet, node.instance, node.workbook, *sheet}));
      }
      if (member == "Count") {
        if (auto e = noArgs()) return Fail(*e);
        return Ok(static_cast<std::int32_t>(sheets.size()));
      }
      break;
    }
    case Kind::Worksheet:
      if (member == "Name") {
        if (auto e = noArgs()) return Fail(*e);
        return Ok(SheetOf(node).name);
      }
      if (member == "Columns") {
        if (auto e = ArgCount(member, args, 1, 1)) return Fail(*e);
        const auto column = IndexArg(args[0], workbook::kMaxColumns, why, "the column");
        if (!column) return Fail(why);
        return Ok(Handle(Node{Kind::Column, node.instance, node.workbook, node.sheet, 0, *column}));
      }
      if (member == "Cells") {
        if (auto e = ArgCount(member, args, 2, 2)) return Fail(*e);
        const auto row = IndexArg(args[0], workbook::kMaxRows, why, "the row");
        if (!row) return Fail(why);
        const auto column = IndexArg(args[1], workbook::kMaxColumns, why, "the column");
        if (!column) return Fail(why);
        return Ok(
            Handle(Node{Kind::Cell, node.instance, node.workbook, node.sheet, *row, *column}));
      }
      break;
    case Kind::Column:
      if (member == "ColumnWidth") {
        if (auto e = noArgs()) return Fail(*e);
        const auto& widths = SheetOf(node).columnWidths;
        const auto it = widths.find(node.column);
        return Ok(it == widths.end() ? kStandardColumnWidth : it->second / 256.0);
      }
      break;
    case Kind::Cell:
      if (member == "Value") {
        if (auto e = noArgs()) return Fail(*e);
        const auto& cells = SheetOf(node).cells;
        const auto it = cells.find(workbook::CellKey(node.row, node.column));
        if (it == cells.end()) return Ok();
        return Ok(it->second);
      }
      break;
    case Kind::Workbooks:
      break;
  }
  return Fail(std::string("the ") + KindName(static_cast<int>(node.kind)) + " has no property \"" +
              member + "\" to read");
}

AutoResult EmbeddedSpreadsheet::PutMember(const Node& node, const std::string& member,
                                          const std::vector<AutoValue>& args,
                                          const AutoValue& value) {
  auto badValue = [&](const char* expected) {
    return Fail("\"" + member + "\" takes " + expected + ", not " + TypeName(value));
  };
  const bool known = (node.kind == Kind::Application && member == "Visible") ||
                     (node.kind == Kind::Worksheet && member == "Name") ||
                     (node.kind == Kind::Column && member == "ColumnWidth") ||
                     (node.kind == Kind::Cell && member == "Value");
  if (!known) {
    return Fail(std::string("the ") + KindName(static_cast<int>(node.kind)) +
                " has no property \"" + member + "\" to set");
  }
  if (auto e = ArgCount(member, args, 0, 0)) return Fail(*e);
  switch (node.kind) {
    case Kind::Application:
      if (member == "Visible") {
        const auto* visible = std::get_if<bool>(&value);
        if (visible == nullptr) return badValue("a boolean");
        instances_.at(node.instance).visible = *visible;
        return Ok();
      }
      break;
    case Kind::Worksheet:
      if (member == "Name") {
        const auto* name = std::get_if<std::string>(&value);
        if (name == nullptr) return badValue("a text");
        if (const auto why = SheetNameProblem(*name)) return Fail(*why);
        SheetOf(node).name = *name;
        return Ok();
      }
      break;
    case Kind::Column:
      if (member == "ColumnWidth") {
        const auto width = AsNumber(value);
        if (!width) return badValue("a number");
        if (*width < 0 || *width > kMaxColumnWidth) return Fail("a column width is 0 to 255");
        SheetOf(node).columnWidths[node.column] =
            static_cast<std::uint16_t>(std::lround(*width * 256));
        return Ok();
      }
      break;
    case Kind::Cell:
      if (member == "Value") {
        auto& cells = SheetOf(node).cells;
        const auto key = workbook::CellKey(node.row, node.column);
        if (std::holds_alternative<std::monostate>(value)) {
          cells.erase(key);
          return Ok();
        }
        const auto* text = std::get_if<std::string>(&value);
        if (text == nullptr) return badValue("a text");
        const auto units = workbook::ToBiffText(*text);
        if (!units) return Fail("the cell text is not valid UTF-8");
        if (units->units.size() > kMaxCellUnits)
          return Fail("a cell holds at most 32767 characters");
        if (text->empty()) {
          cells.erase(key);
        } else {
          cells[key] = *text;
        }
        return Ok();
      }
      break;
    default:
      break;
  }
  return Fail("\"" + member + "\" cannot be set");
}

AutoResult EmbeddedSpreadsheet::CallMember(AutoObject object, const Node& node,
                                           const std::string& member,
                                           const std::vector<AutoValue>& args) {
  switch (node.kind) {
    case Kind::Application:
      if (member == "Quit") {
        if (auto e = ArgCount(member, args, 0, 0)) return Fail(*e);
        Quit(object.id);
        return Ok();
      }
      break;
    case Kind::Workbooks:
      if (member == "Add") {
        if (auto e = ArgCount(member, args, 0, 0)) return Fail(*e);
        const std::int64_t id = nextId_++;
        Workbook book;
        book.sheets.push_back(workbook::SheetContent{"Sheet1", {}, {}});
        instances_.at(node.instance).workbooks[id] = std::move(book);
        nodes_[id] = Node{Kind::Workbook, node.instance, id};
        return Ok(AutoObject{id});
      }
      break;
    case Kind::Workbook:
      if (member == "SaveAs") return SaveAs(node, args);
      if (member == "Close") {
        if (auto e = ArgCount(member, args, 0, 1)) return Fail(*e);
        // Only closing without saving: a workbook here has no file of its
        // own to save into.
        if (!args.empty()) {
          const auto* save = std::get_if<bool>(&args[0]);
          if (save == nullptr) {
            return Fail(std::string("\"SaveChanges\" takes a boolean, not ") + TypeName(args[0]));
          }
          if (*save) return Fail("a workbook is saved with \"SaveAs\", not on closing");
        }
        CloseWorkbook(node.instance, node.workbook);
        return Ok();
      }
      break;
    default:
      break;
  }
  return Fail(std::string("the ") + KindName(static_cast<int>(node.kind)) + " has no method \"" +
              member + "\"");
}

AutoResult EmbeddedSpreadsheet::SaveAs(const Node& node, const std::vector<AutoValue>& args) {
  if (auto e = ArgCount("SaveAs", args, 1, 2)) return Fail(*e);
  const auto* path = std::get_if<std::string>(&args[0]);
  if (path == nullptr)
    return Fail(std::string("the file name must be a text, not ") + TypeName(args[0]));
  if (path->empty()) return Fail("no file name given");
  if (args.size() == 2) {
    const auto format = AsInteger(args[1]);
    if (!format)
      return Fail(std::string("the file format must be a number, not ") + TypeName(args[1]));
    if (*format != kNormalWorkbookFormat) {
      return Fail("file format " + std::to_string(*format) + " is not supported");
    }
  }
  const Workbook& book = instances_.at(node.instance).workbooks.at(node.workbook);
  const auto stream = workbook::BuildWorkbookStream(book.sheets);
  if (!stream) return Fail("the workbook could not be laid out");
  // A taken name gets a number: the listener hears the name it got.
  std::string savedAs;
  if (const auto why = workbook::WriteCompoundFile(*path, "Workbook", *stream, &savedAs)) {
    return Fail(*why);
  }
  if (savedListener_) savedListener_(savedAs);
  return Ok();
}

void EmbeddedSpreadsheet::CloseWorkbook(std::int64_t instance, std::int64_t workbook) {
  // The workbook and every object of it go: later calls on those handles fail.
  instances_.at(instance).workbooks.erase(workbook);
  std::erase_if(nodes_, [workbook](const auto& entry) {
    const Node& node = entry.second;
    return node.kind != Kind::Application && node.kind != Kind::Workbooks &&
           node.workbook == workbook;
  });
  std::erase_if(handles_, [this](const auto& entry) { return !nodes_.contains(entry.second); });
}

std::size_t EmbeddedSpreadsheet::OpenWorkbooks() const {
  std::size_t count = 0;
  for (const auto& [id, instance] : instances_) count += instance.workbooks.size();
  return count;
}

void EmbeddedSpreadsheet::Quit(std::int64_t instance) {
  // Unsaved workbooks go with the application, and every object of it with
  // them: later calls on those handles fail.
  instances_.erase(instance);
  std::erase_if(nodes_,
                [instance](const auto& entry) { return entry.second.instance == instance; });
  std::erase_if(handles_, [this](const auto& entry) { return !nodes_.contains(entry.second); });
}

}  // namespace orvex
