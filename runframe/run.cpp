// The run frame: arguments, and the one place where a run-ending failure becomes
// a console line and an exit status.
#include "runframe/run.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "records/errors.h"
#include "records/outputs.h"
#include "records/write.h"
#include "tracer_version.h"

namespace runframe {

namespace {

int usage_error(const ProgramInfo& info, const RunContext& ctx, std::string_view reason) {
  ctx.err << info.name << ": " << reason << '\n' << "usage: " << info.synopsis << '\n';
  ctx.err.flush();
  return records::kStatusBadInput;
}

// Takes the value options out of ctx.args; the other arguments go to `rest`.
std::optional<int> take_options(const ProgramInfo& info, const RunContext& ctx,
                                std::span<const ValueOption> options,
                                std::vector<std::string>& rest) {
  for (std::size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& arg = ctx.args[i];
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const auto option = std::find_if(options.begin(), options.end(),
                                     [&](const ValueOption& o) { return o.name == name; });
    if (option == options.end()) {
      rest.push_back(arg);
      continue;
    }
    std::string value;
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
    } else if (i + 1 < ctx.args.size()) {
      value = ctx.args[++i];
    } else {
      return usage_error(info, ctx, "'" + name + "' needs " + std::string(option->needs));
    }
    if (const std::string reason = option->take(value); !reason.empty()) {
      return usage_error(info, ctx, reason);
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> handle_arguments(const ProgramInfo& info, const RunContext& ctx,
                                    std::span<const ValueOption> options) {
  std::vector<std::string> rest;
  if (const auto status = take_options(info, ctx, options, rest)) return status;
  if (rest.empty()) return std::nullopt;
  for (const std::string& arg : rest) {
    if (arg != "--help" && arg != "--version") {
      return usage_error(info, ctx, "unknown argument '" + arg + "'");
    }
  }
  return guarded_run(info.name, ctx.err, [&] {
    if (rest.front() == "--help") {
      ctx.out << "usage: " << info.synopsis << '\n' << info.summary;
      if (!info.summary.empty() && info.summary.back() != '\n') ctx.out << '\n';
    } else {
      ctx.out << info.name << ' ' << tracer::kVersion << '\n';
    }
    records::flush_console(ctx.out);
    return 0;
  });
}

int guarded_run(std::string_view program, std::ostream& err, const std::function<int()>& body) {
  auto report = [&](std::string_view line) {
    err << line << '\n';
    err.flush();
  };
  try {
    return body();
  } catch (const records::RunError& e) {
    report(e.message(program));
    return e.status();
  } catch (const records::StopRun& e) {
    if (!e.console_line().empty()) report(std::string(program) + ": " + e.console_line());
    return e.status();
  } catch (const std::bad_alloc&) {
    report(std::string(program) + ": out of memory");
    return records::kStatusBadInput;
  } catch (const std::exception& e) {
    report(std::string(program) + ": " + e.what());
    return records::kStatusBadInput;
  } catch (...) {
    report(std::string(program) + ": unexpected failure");
    return records::kStatusBadInput;
  }
}

void reopen_closed_standard_streams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is `fd` itself: those below it are open by now.
    const int got = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (got >= 0 && got != fd) {
      ::dup2(got, fd);
      ::close(got);
    }
  }
}

int run_main(int argc, char** argv, int (*run)(const RunContext&)) {
  reopen_closed_standard_streams();
  // A reader that goes away (a closed pipe) makes a write fail with EPIPE, which
  // the run reports like any failing write, instead of killing the process
  // silently. Only the program's own process is set so: runs in-process (tests)
  // keep their host's signal handling.
  std::signal(SIGPIPE, SIG_IGN);
  records::install_interrupt_cleanup();
  std::string program = argc > 0 && argv[0] != nullptr ? argv[0] : "program";
  std::size_t slash = program.find_last_of('/');
  if (slash != std::string::npos) program.erase(0, slash + 1);
  return guarded_run(program, std::cerr, [&]() {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::current_path(ec);
    if (ec) dir = ".";
    RunContext ctx{
        dir, std::span<const std::string>(args), std::cin, std::cout, std::cerr, ::isatty(2) == 1};
    const int status = run(ctx);
    // A run that already failed keeps its own message and status.
    if (status != 0) {
      std::cout.flush();
      return status;
    }
    records::flush_console(std::cout);
    return status;
  });
}

}  // namespace runframe
