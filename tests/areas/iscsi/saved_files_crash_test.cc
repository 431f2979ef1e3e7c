// Saved-target files under crashes and concurrent writers: a writer killed
// at any moment leaves a whole file, and two processes writing at once lose
// no line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "areas/iscsi/saved_files.h"
#include "areas/iscsi/saved_lines.h"
#include "support/temp_root.h"

namespace oxim::iscsi {
namespace {

constexpr char kTargetFile[] = "/scratch/Vallorn/savetgt.txt";

TargetLine NumberedTarget(const std::string& name, const std::string& initial_r2t) {
  TargetLine line;
  line.path = HbaPathOf(0, 0, 0);
  line.name = name;
  line.ip = "192.168.1.20";
  line.port = "3260";
  line.initiator_name = "iqn.1998-01.com.example:host";
  line.options.initial_r2t = initial_r2t;
  line.options.immediate_data = "Yes";
  line.options.authentication_method = "CHAP";
  line.options.initiator_secret = "secret-of-" + name;
  line.target_type = "Static";
  return line;
}

std::string NameOf(size_t index) { return "iqn.crash:" + std::to_string(index); }

// Child body: from the file as it is, first finishes a rewrite a kill cut
// off, then appends target lines with InitialR2T "Yes" and rewrites each to
// "No", forever.
[[noreturn]] void UpdateForever() {
  std::vector<TargetLine> lines;
  (void)ReadTargetLines(HbaPathOf(0, 0, 0), &lines);
  for (const TargetLine& line : lines) {
    if (line.options.initial_r2t == "Yes") {
      (void)ReplaceTargetLine(TargetNameKey(line.path, line.name), NumberedTarget(line.name, "No"));
    }
  }
  for (size_t next = lines.size();; ++next) {
    const std::string name = NameOf(next);
    if (OXIM_add_target_into_file(NumberedTarget(name, "Yes")) != 0) _exit(2);
    if (ReplaceTargetLine(TargetNameKey(HbaPathOf(0, 0, 0), name), NumberedTarget(name, "No")) !=
        0) {
      _exit(3);
    }
  }
}

class SavedFilesCrashTest : public oxim::testing::TempRootTest {};

TEST_F(SavedFilesCrashTest, AKilledWriterLeavesTheOldOrTheNewFile) {
  std::mt19937 random(20261206);
  std::uniform_int_distribution<int> delay_us(0, 30000);  // a few updates at most
  size_t previous_count = 0;
  for (int round = 0; round < 30; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) UpdateForever();
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "writer failed with status " << status;

    const std::string content = root_.read(kTargetFile);
    ASSERT_TRUE(content.empty() || content.back() == '\n') << "round " << round;
    std::vector<TargetLine> lines;
    size_t start = 0;
    while (start < content.size()) {
      const size_t end = content.find('\n', start);
      const std::string text = content.substr(start, end + 1 - start);
      ASSERT_TRUE(LineIsSound(SavedFile::kTargets, text)) << "round " << round << ": " << text;
      TargetLine line;
      ASSERT_TRUE(DecodeTargetLine(text, &line));
      lines.push_back(line);
      start = end + 1;
    }
    // Every earlier line is still there, in order, each once; only the last
    // may still await its rewrite.
    ASSERT_GE(lines.size(), previous_count) << "round " << round;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].name, NameOf(i)) << "round " << round;
      if (i + 1 < lines.size()) {
        EXPECT_EQ(lines[i].options.initial_r2t, "No") << "round " << round;
      }
    }
    previous_count = lines.size();
  }
  EXPECT_GT(previous_count, 0u) << "the writer never got a line in";
}

TEST_F(SavedFilesCrashTest, TwoProcessesAppendingAtOnceLoseNoLine) {
  constexpr int kPerProcess = 200;
  std::vector<pid_t> children;
  for (int process = 0; process < 2; ++process) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0; i < kPerProcess; ++i) {
        const std::string name = "iqn.p" + std::to_string(process) + ":" + std::to_string(i);
        if (OXIM_add_target_into_file(NumberedTarget(name, "Yes")) != 0) _exit(1);
      }
      _exit(0);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  std::vector<TargetLine> lines;
  ASSERT_EQ(ReadTargetLines(HbaPathOf(0, 0, 0), &lines), ReadResult::kRead);
  std::set<std::string> names;
  for (const TargetLine& line : lines) names.insert(line.name);
  EXPECT_EQ(lines.size(), 2u * kPerProcess);
  EXPECT_EQ(names.size(), 2u * kPerProcess) << "every line exactly once";
  for (int process = 0; process < 2; ++process) {
    for (int i = 0; i < kPerProcess; ++i) {
      EXPECT_EQ(names.count("iqn.p" + std::to_string(process) + ":" + std::to_string(i)), 1u);
    }
  }
}

}  // namespace
}  // namespace oxim::iscsi
