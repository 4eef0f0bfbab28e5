// Where reports are saved: the documents folder, never beside the program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "platform/workbook/embedded_spreadsheet.h"
#include "platform/workbook/report_folder.h"
#include "scoped_env.h"

namespace orvex::platform::workbook {
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
};

TEST_F(WorkbookReportFolderTest, DocumentsUnderHomeMadeWhenMissing) {
  EXPECT_FALSE(fs::exists(fs::path(home) / "Documents"));
  EXPECT_EQ(DocumentsFolder(Environment()), home + "/Documents/");
  EXPECT_TRUE(fs::is_directory(fs::path(home) / "Documents"));
  // Made with its parents, as for a user whose home has nothing yet.
  variables["HOME"] = (root / "new" / "home").string();
  EXPECT_EQ(DocumentsFolder(Environment()), (root / "new" / "home" / "Documents/").string());
  EXPECT_TRUE(fs::is_directory(root / "new" / "home" / "Documents"));
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

TEST_F(WorkbookReportFolderTest, ReportsNeverGoBesideTheProgram) {
  // This test program's folder is a writable build folder: reports still go
  // to the documents folder, as they do for a program installed in /usr/bin.
  const fs::path program = fs::read_symlink("/proc/self/exe").parent_path();
  ASSERT_EQ(access(program.c_str(), W_OK), 0);
  test::ScopedEnv homeVariable("HOME", home.c_str());
  test::ScopedEnv configVariable("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(EmbeddedSpreadsheet().ReportFolder(), home + "/Documents/");
  UserDirs(fs::path(home) / ".config", "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(EmbeddedSpreadsheet().ReportFolder(), home + "/Dokumente/");
}

}  // namespace
}  // namespace orvex::platform::workbook
