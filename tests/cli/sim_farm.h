#pragma once
// The end-to-end tests of the command-line programs: several orvex-sim
// instances on pseudo-terminals (or ports on which nothing answers), each
// linked as COMn in a config folder of the test's own, the program run
// against them, and its JSON report read back by python.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bitmaps.h"
#include "child_process.h"

namespace orvex::test {

class SimFarm : public ::testing::Test {
 protected:
  struct Outcome {
    std::optional<int> exit;
    std::string out;
    std::string err;
    double seconds = 0;
  };

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = TempFolder(std::string(info->test_suite_name()) + "-" + info->name());
    config_ = folder_ / "config";
    std::filesystem::create_directories(config_ / "orvex-tool/ports");
  }
  void TearDown() override {
    sims_.clear();  // ends them before their folder goes
    for (int fd : silentMasters_) {
      if (fd >= 0) close(fd);
    }
    if (!HasFailure()) std::filesystem::remove_all(folder_);  // kept for a look when it failed
  }

  // A simulated printer serving `port`; its trace goes to <port>.trace.
  void StartSim(const std::string& port, std::vector<std::string> extra = {},
                std::vector<std::string> env = {}) {
    std::vector<std::string> args = {"--port", port, "--trace"};
    args.insert(args.end(), extra.begin(), extra.end());
    ChildProcess::Options options;
    options.env = {"XDG_CONFIG_HOME=" + config_.string()};
    options.env.insert(options.env.end(), env.begin(), env.end());
    options.stdoutPipe = true;
    options.stderrPath = Trace(port).string();
    sims_.push_back(std::make_unique<ChildProcess>(ORVEX_SIM_EXE, args, options));
    const auto banner = sims_.back()->ReadLine(5000);
    ASSERT_TRUE(banner.has_value()) << "orvex-sim did not start";
    ASSERT_THAT(*banner, ::testing::StartsWith("orvex-sim serving " + port));
  }

  // A port on which nothing ever answers: a pseudo-terminal nobody reads.
  // Returns its index for SilentMaster.
  std::size_t SilentPort(const std::string& port) {
    int master = -1;
    int slave = -1;
    EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    // The programs the test starts do not keep the master open, so closing
    // it here hangs the line up.
    fcntl(master, F_SETFD, FD_CLOEXEC);
    std::filesystem::create_symlink(ttyname(slave), config_ / "orvex-tool/ports" / port);
    close(slave);
    silentMasters_.push_back(master);
    return silentMasters_.size() - 1;
  }
  int& SilentMaster(std::size_t index) { return silentMasters_[index]; }

  std::filesystem::path Trace(const std::string& port) const { return folder_ / (port + ".trace"); }
  bool SimReceivedAnything(const std::string& port) const {
    return ReadFile(Trace(port)).find("<-") != std::string::npos;
  }

  ChildProcess::Options ProgramOptions(std::vector<std::string> env = {}) const {
    ChildProcess::Options options;
    options.env = {"XDG_CONFIG_HOME=" + config_.string()};
    options.env.insert(options.env.end(), env.begin(), env.end());
    options.stdoutPath = (folder_ / "program.out").string();
    options.stderrPath = (folder_ / "program.err").string();
    return options;
  }
  // Runs the program to its end; its output in files.
  Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                     int timeoutMs, std::vector<std::string> env = {}) {
    const auto start = std::chrono::steady_clock::now();
    ChildProcess run(program, args, ProgramOptions(std::move(env)));
    Outcome outcome;
    outcome.exit = run.Wait(timeoutMs);
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.out = ReadFile(folder_ / "program.out");
    outcome.err = ReadFile(folder_ / "program.err");
    return outcome;
  }

  std::string Json() const { return (folder_ / "report.json").string(); }
  // What python makes of the report: `expression` is evaluated with r the
  // report and p its printers by port, and printed (a tuple when it has a
  // comma).
  std::string Ask(const std::string& expression) const {
    const std::filesystem::path script = folder_ / "ask.py";
    WriteFile(script,
              "import json, sys\n"
              "r = json.load(open(sys.argv[1]))\n"
              "p = {x['port']: x for x in r['printers']}\n"
              "print((" +
                  expression + "))\n");
    const std::filesystem::path answer = folder_ / "answer.txt";
    if (!test::Run("python3 " + script.string() + " " + Json() + " > " + answer.string())) {
      return "<no answer: " + ReadFile(Json()) + ">";
    }
    std::string text = ReadFile(answer);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }

  std::filesystem::path folder_;
  std::filesystem::path config_;
  std::vector<std::unique_ptr<ChildProcess>> sims_;
  std::vector<int> silentMasters_;
};

}  // namespace orvex::test
