// What the fixtures that run real peers (tgtd, isnsd) share: finding a
// tool, a free loopback port, whether a port accepts connections, and
// children that run without a shell and die with the test program.
#ifndef OXIM_TESTS_SUPPORT_CHILD_PROCESS_H_
#define OXIM_TESTS_SUPPORT_CHILD_PROCESS_H_

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace oxim::testing {

// The path of a tool in the system's directories, or "".
std::string FindTool(const char* name);
// A port that was free on 127.0.0.1 a moment ago.
uint16_t FreePort();
// Whether 127.0.0.1:port accepts a TCP connection.
bool Accepts(uint16_t port);
// Forks and execs argv (argv[0] a path) with its output appended to log; the
// child is killed when the thread that started it ends. -1 on failure.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& log);
// The wait status of pid once it ends within timeout, or -1.
int WaitFor(pid_t pid, std::chrono::milliseconds timeout);
// Runs a tool (argv[0] a path) with its output appended to log, and waits
// at most timeout (then kills it). With output given, log is emptied first
// and read back into *output. True when it exits with 0.
bool RunTool(const std::vector<std::string>& argv, const std::string& log, std::string* output,
             std::chrono::milliseconds timeout);
// A wait status in words ("exit status 1", "signal 9").
std::string Describe(int status);
// The last 600 characters of a file.
std::string Tail(const std::string& path);

}  // namespace oxim::testing

#endif  // OXIM_TESTS_SUPPORT_CHILD_PROCESS_H_
