// Test helper: runs a piece of a test in a forked child process, for what must not
// touch the test process itself (a file-size limit, closed standard descriptors),
// or that the test stops from outside (a kill, a stop signal).
// The child's result comes back as its exit status and, optionally, a text sent
// through a pipe (a pipe is not a file, so a file-size limit does not cut it).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace testsupport {

struct ChildResult {
  int status = -1;   // the child's exit status; -1 when it did not exit normally
  std::string text;  // what the child sent
};

// Runs `body(send)` in a child; `send(text)` passes text to the parent; the child
// ends with _exit(<value of body>), so nothing of the test process is flushed or
// destroyed twice.
template <class Body>
ChildResult in_child(Body body) {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const int out = fds[1];
    auto send = [out](const std::string& text) {
      std::size_t done = 0;
      while (done < text.size()) {
        const ssize_t n = ::write(out, text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
    };
    const int code = body(send);
    ::_exit(code);
  }
  ::close(fds[1]);
  ChildResult r;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    r.text.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  int wstatus = 0;
  if (pid > 0 && ::waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus))
    r.status = WEXITSTATUS(wstatus);
  return r;
}

// Starts `body()` in a child and returns at once with its process id; the child
// ends with _exit(<value of body>).
template <class Body>
pid_t start_child(Body body) {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  return pid;
}

// Waits for a child of start_child(): its exit status, or 128 + the number of the
// signal that ended it (as a shell shows it).
inline int wait_child(pid_t pid) {
  int wstatus = 0;
  if (pid <= 0 || ::waitpid(pid, &wstatus, 0) != pid) return -1;
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

}  // namespace testsupport
