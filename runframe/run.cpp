// The run frame: arguments, and the one place where a run-ending failure becomes
// a console line and an exit status.
#include "runframe/run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "records/errors.h"
#include "records/outputs.h"
#include "tracer_version.h"

namespace runframe {

std::optional<int> handle_arguments(const ProgramInfo& info, const RunContext& ctx) {
  if (ctx.args.empty()) return std::nullopt;
  for (const std::string& arg : ctx.args) {
    if (arg != "--help" && arg != "--version") {
      ctx.err << info.name << ": unknown argument '" << arg << "'\n"
              << "usage: " << info.synopsis << '\n';
      ctx.err.flush();
      return kStatusBadInput;
    }
  }
  if (ctx.args.front() == "--help") {
    ctx.out << "usage: " << info.synopsis << '\n' << info.summary;
    if (!info.summary.empty() && info.summary.back() != '\n') ctx.out << '\n';
  } else {
    ctx.out << info.name << ' ' << tracer::kVersion << '\n';
  }
  ctx.out.flush();
  return 0;
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
    return kStatusBadInput;
  } catch (const std::exception& e) {
    report(std::string(program) + ": " + e.what());
    return kStatusBadInput;
  } catch (...) {
    report(std::string(program) + ": unexpected failure");
    return kStatusBadInput;
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
    RunContext ctx{dir, std::span<const std::string>(args), std::cin, std::cout, std::cerr};
    int status = run(ctx);
    std::cout.flush();
    return status;
  });
}

}  // namespace runframe
