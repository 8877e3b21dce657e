// Programs run in the background (a host, a desktop window, an X server), and waits on conditions.
#pragma once

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace rw::testing {

/// Polls `done` every 20 ms until it holds (true) or `patience` has passed (false).
template <typename Condition>
bool eventually(Condition done, std::chrono::milliseconds patience = std::chrono::seconds(15)) {
  const auto until = std::chrono::steady_clock::now() + patience;
  for (; !done(); std::this_thread::sleep_for(std::chrono::milliseconds(20)))
    if (std::chrono::steady_clock::now() > until) return false;
  return true;
}

/// A child process writing to `out` and `out` + ".err", with `environment` ("NAME=value"; the test's own
/// when empty). Stopped when it goes out of scope, so that a failing test leaves nothing running.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
        const std::filesystem::path& out) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    for (const int fd : {1, 2})
      posix_spawn_file_actions_addopen(&actions, fd, (out.string() + (fd == 2 ? ".err" : "")).c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args, env;
    for (auto [list, pointers] : {std::pair{&argv, &args}, {&environment, &env}}) {
      for (const auto& item : *list)
        pointers->push_back(const_cast<char*>(item.c_str()));
      pointers->push_back(nullptr);
    }
    if (posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, args.data(),
                    environment.empty() ? environ : env.data()) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { stop(); }

  void signal(int number) const {
    if (pid_ > 0) ::kill(pid_, number);
  }

  /// Waits (at most `patience`) for the child to end by itself, then stops it; its exit status, or -1.
  int wait(std::chrono::milliseconds patience = std::chrono::seconds(15)) {
    eventually([&] { return pid_ <= 0 || reaped(WNOHANG); }, patience);
    return stop();
  }

  /// Ends the child (SIGTERM, SIGKILL after two seconds); its exit status, or -1 when it did not exit.
  int stop() {
    if (pid_ <= 0) return status_;
    ::kill(pid_, SIGTERM);
    if (!eventually([&] { return reaped(WNOHANG); }, std::chrono::seconds(2))) {
      ::kill(pid_, SIGKILL);
      reaped(0);
    }
    return status_;
  }

 private:
  bool reaped(int options) {
    int status = 0;
    if (::waitpid(pid_, &status, options) == 0) return false;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    return true;
  }

  pid_t pid_ = -1;
  int status_ = -1;
};

struct ChildRun {
  bool finished = false;       // exited within the deadline
  bool passed = false;         // with status 0
  std::int64_t peakBytes = 0;  // peak resident memory (getrusage), what it shares with the test included
};

/// Runs `body` in a forked child (exit status 0 when it answers true), killed when it outlasts `patience`.
/// A `body` that replaces the child with a program (exec) measures that program's peak.
inline ChildRun inChild(const std::function<bool()>& body,
                        std::chrono::seconds patience = std::chrono::seconds(60)) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    // The peak starts from the memory the child holds now, not from the test's own peak so far.
    ::malloc_trim(0);
    if (const int refs = ::open("/proc/self/clear_refs", O_WRONLY); refs >= 0) {
      [[maybe_unused]] const auto written = ::write(refs, "5", 1);
      ::close(refs);
    }
    ::_exit(body() ? 0 : 1);
  }
  ChildRun run;
  if (pid < 0) return run;
  int status = 0;
  rusage usage{};
  run.finished = eventually([&] { return ::wait4(pid, &status, WNOHANG, &usage) == pid; }, patience);
  if (!run.finished) {
    ::kill(pid, SIGKILL);
    ::wait4(pid, &status, 0, &usage);
  }
  run.passed = run.finished && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  run.peakBytes = std::int64_t{usage.ru_maxrss} * 1024;
  return run;
}

/// Whether a child's peak memory tells what the code costs: under a sanitizer it also holds shadow memory
/// and freed blocks in quarantine, so bounds on it are left out there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kPeakMemoryIsTheCodes = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
inline constexpr bool kPeakMemoryIsTheCodes = false;
#else
inline constexpr bool kPeakMemoryIsTheCodes = true;
#endif
#else
inline constexpr bool kPeakMemoryIsTheCodes = true;
#endif

/// What `body` adds to the peak of a forked child that does nothing.
inline ChildRun measuredInChild(const std::function<bool()>& body) {
  const ChildRun idle = inChild([] { return true; });
  ChildRun run = inChild(body);
  run.peakBytes -= idle.peakBytes;
  return run;
}

}  // namespace rw::testing
