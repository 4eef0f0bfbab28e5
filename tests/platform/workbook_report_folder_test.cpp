// Where reports are saved: beside the program, else in the documents folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "workbook/embedded_spreadsheet.h"
#include "workbook/report_folder.h"

namespace orvex::workbook {
namespace {

namespace fs = std::filesystem;

class WorkbookReportFolderTest : public ::testing::Test {
 protected:
  WorkbookReportFolderTest() {
    char pattern[] = "/tmp/orvex-folders-XXXXXX";
    root = mkdtemp(pattern);
    home = (root / "home").string();
    fs::create_directory(home);
    variables["HOME"] = home;
  }
  ~WorkbookReportFolderTest() override { fs::remove_all(root); }

  EnvironmentLookup Environment() const {
    return [vars = variables](const std::string& name) -> std::optional<std::string> {
      const auto it = vars.find(name);
      if (it == vars.end()) return std::nullopt;
      return it->second;
    };
  }
  void UserDirs(const fs::path& config, const std::string& text) {
    fs::create_directories(config);
    std::ofstream(config / "user-dirs.dirs") << text;
  }

  fs::path root;
  std::string home;
  std::map<std::string, std::string> variables;
  const std::string unwritable = "/nonexistent-orvex-program/bin/";
};

TEST_F(WorkbookReportFolderTest, WritableProgramFolderIsUsed) {
  EXPECT_EQ(ChooseReportFolder(root.string(), Environment()), root.string() + "/");
  EXPECT_EQ(ChooseReportFolder(root.string() + "/", Environment()), root.string() + "/");
  EXPECT_FALSE(fs::exists(fs::path(home) / "Documents")) << "documents left alone";
}

TEST_F(WorkbookReportFolderTest, ElseDocumentsUnderHomeMadeWhenMissing) {
  EXPECT_EQ(ChooseReportFolder(unwritable, Environment()), home + "/Documents/");
  EXPECT_TRUE(fs::is_directory(fs::path(home) / "Documents"));
  // A file is no folder to write into.
  std::ofstream(root / "plain-file") << "x";
  EXPECT_EQ(ChooseReportFolder((root / "plain-file").string(), Environment()),
            home + "/Documents/");
  EXPECT_EQ(ChooseReportFolder("", Environment()), home + "/Documents/");
}

TEST_F(WorkbookReportFolderTest, UserDirsNamesTheDocumentsFolder) {
  UserDirs(fs::path(home) / ".config",
           "# written by xdg-user-dirs-update\n"
           "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
           "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(DocumentsFolder(Environment()), home + "/Dokumente/");
  EXPECT_TRUE(fs::is_directory(fs::path(home) / "Dokumente"));

  // XDG_CONFIG_HOME moves the file; absolute paths stand as they are.
  const fs::path config = root / "cfg";
  variables["XDG_CONFIG_HOME"] = config.string();
  UserDirs(config, "XDG_DOCUMENTS_DIR=\"" + (root / "shared docs").string() + "/\"\n");
  EXPECT_EQ(DocumentsFolder(Environment()), (root / "shared docs").string() + "/");
  EXPECT_TRUE(fs::is_directory(root / "shared docs"));

  // An entry equal to $HOME means the home folder itself.
  UserDirs(config, "XDG_DOCUMENTS_DIR=\"$HOME\"\n");
  EXPECT_EQ(DocumentsFolder(Environment()), home + "/");
}

TEST_F(WorkbookReportFolderTest, MalformedEntriesFallBackToHomeDocuments) {
  const fs::path config = root / "cfg";
  variables["XDG_CONFIG_HOME"] = config.string();
  for (const std::string& text :
       {std::string("#XDG_DOCUMENTS_DIR=\"$HOME/Commented\"\n"),
        std::string("XDG_DOCUMENTS_DIR=relative/path\n"),
        std::string("XDG_DOCUMENTS_DIR=\"docs\"\n"),
        std::string("XDG_DOCUMENTS_DIR=\"$HOME/unterminated\n"), std::string()}) {
    SCOPED_TRACE(text);
    UserDirs(config, text);
    EXPECT_EQ(DocumentsFolder(Environment()), home + "/Documents/");
  }
  // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
  variables["XDG_CONFIG_HOME"] = "relative-config";
  UserDirs(fs::path(home) / ".config", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
  EXPECT_EQ(DocumentsFolder(Environment()), home + "/Papers/");
}

TEST_F(WorkbookReportFolderTest, ProgramFolderIsThatOfTheRunningFile) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(fs::exists(folder + "platform_tests"));
  // Without a folder given, reports go where the rules above put them.
  EXPECT_EQ(EmbeddedSpreadsheet().ReportFolder(),
            ChooseReportFolder(ProgramFolder(), ProcessEnvironment()));
}

}  // namespace
}  // namespace orvex::workbook
