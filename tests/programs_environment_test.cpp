// The five programs in an unfriendly environment, each on a complete set of inputs
// (the example study, the combiner's golden inputs, a small combined table): a disk
// that fills up, outputs that are links to /dev/null, closed standard descriptors,
// byte-order marks on the inputs, outputs held by another run, and the file-name
// dialogue of tessiclip. Every run is compared with an ordinary run of the same
// inputs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "combine/combine.h"
#include "evaluate/tlvstats.h"
#include "hlbanalysis/hlbanalysis.h"
#include "records/records.h"
#include "support/child.h"
#include "support/run.h"
#include "support/scratch.h"
#include "tessiclip/tessiclip.h"
#include "tlvanalysis/tlvanalysis.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunResult;
using testsupport::ScratchDir;

struct Input {
  fs::path source;
  std::string_view name;  // in the working folder
};

struct Program {
  std::string_view name;
  testsupport::RunFunction run;
  std::vector<Input> inputs;
  std::string console;                    // the replies on standard input
  std::vector<std::string_view> outputs;  // in the order the run declares them
  std::string_view held;                  // the input a test feeds through a FIFO
};

const fs::path kExample = EXAMPLE_DIR;
const fs::path kData = TEST_DATA_DIR;

const std::vector<Program>& programs() {
  static const std::vector<Program> all = {
      {"tlvanalysis",
       run_tlvanalysis,
       {{kExample / "tolvern/tolvernsf6-max11052011.txt", "tolvernsf6-max11052011.txt"},
        {kExample / "tolvern/TolvernSF611052011.txt", "TolvernSF611052011.txt"}},
       "",
       {"TolvernOBSAnalysis.txt", "TLVemissions.txt"},
       "TolvernSF611052011.txt"},
      {"hlbanalysis",
       run_hlbanalysis,
       {{kExample / "holmby/hbarcs.txt", "hbarcs.txt"}},
       "",
       {"HolmbyOBSAnalysis.txt"},
       "hbarcs.txt"},
      {"tessiclip",
       run_tessiclip,
       {{kExample / "met/dates.txt", "dates.txt"},
        {kExample / "met/aermet-surface.txt", "aermet-surface.txt"},
        {kExample / "met/aermet-profile.txt", "aermet-profile.txt"}},
       "dates.txt\naermet-surface.txt\naermet-profile.txt\n",
       {"CutmetSummary.txt", "cutsurf.txt", "cutprof.txt", "cutiscst3.txt"},
       "aermet-profile.txt"},
      {"TLVCombineAll",
       run_combine,
       {{kData / "combine/golden/TolvernOBSAnalysisNoFill.txt", "TolvernOBSAnalysisNoFill.txt"},
        {kData / "combine/golden/Tlvcutsurf-all.txt", "Tlvcutsurf-all.txt"},
        {kData / "combine/golden/TLV-iscst3-Results.txt", "TLV-iscst3-Results.txt"},
        {kData / "combine/golden/TLV-AERMOD-Results.txt", "TLV-AERMOD-Results.txt"}},
       "",
       {"TLV-Combined-NoFill-Results.txt"},
       "TLV-AERMOD-Results.txt"},
      {"tlvstats",
       run_tlvstats,
       {{kData / "evaluate/small-combined.txt", "TLV-Combined-NoFill-Results.txt"}},
       "",
       {"TLV-Model-Statistics.txt", "TLV-Model-Statistics.csv", "TLV-Scatter.svg", "TLV-QQ.svg",
        "TLV-MG-VG.svg", "TLV-FB-NMSE.svg", "TLV-Residuals.svg", "TLV-Taylor.svg", "TLV-Target.svg",
        "TLV-Evaluation.html"},
       "TLV-Combined-NoFill-Results.txt"},
  };
  return all;
}

const Program& program(std::string_view name) {
  for (const Program& p : programs())
    if (p.name == name) return p;
  throw std::logic_error("no program " + std::string(name));
}

// Copies the program's inputs into `dir`.
void lay_out(const ScratchDir& dir, const Program& p) {
  for (const Input& in : p.inputs) fs::copy_file(in.source, dir / in.name);
}

struct Outcome {
  RunResult run;
  std::map<std::string, std::string> files;  // every output, byte for byte
};

// The evaluation page states the time of its run: a fixed one lets two runs' pages
// be compared byte for byte.
[[maybe_unused]] const bool kFixedRunTime = [] {
  ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
  return true;
}();

// An output as runs are compared: the page's row that names the input file (its
// size and SHA-256, which a byte-order mark or a pipe in its place changes) left out.
std::string compared(const ScratchDir& dir, std::string_view name) {
  std::string text = dir.read(name);
  if (!name.ends_with("Evaluation.html")) return text;
  const std::size_t at = text.find("<tr><th scope=\"row\">Input file</th>");
  const std::size_t end = text.find("</tr>", at);
  if (at != std::string::npos && end != std::string::npos) text.erase(at, end + 5 - at);
  return text;
}

Outcome outcome(const ScratchDir& dir, const Program& p, const RunResult& run) {
  Outcome o{run, {}};
  for (std::string_view name : p.outputs) o.files[std::string(name)] = compared(dir, name);
  return o;
}

// An ordinary run of the program's inputs.
const Outcome& reference(const Program& p) {
  static std::map<std::string, Outcome, std::less<>> done;
  if (auto it = done.find(p.name); it != done.end()) return it->second;
  ScratchDir dir;
  lay_out(dir, p);
  const Outcome o = outcome(dir, p, testsupport::run_program(p.run, dir.path(), {}, p.console));
  EXPECT_EQ(o.run.status, 0) << o.run.err;
  for (const auto& [name, content] : o.files) EXPECT_FALSE(content.empty()) << name;
  return done.emplace(p.name, o).first->second;
}

void expect_same(const Outcome& got, const Outcome& want) {
  EXPECT_EQ(got.run.status, want.run.status);
  EXPECT_EQ(got.run.err, want.run.err);
  EXPECT_EQ(got.run.out, want.run.out);
  for (const auto& [name, content] : want.files) EXPECT_EQ(got.files.at(name), content) << name;
}

TEST(ProgramsEnvironment, AFullDiskEndsTheRunWithStatus1NamingTheFile) {
  for (const Program& p : programs()) {
    SCOPED_TRACE(std::string(p.name));
    ScratchDir dir;
    lay_out(dir, p);
    // Every output is longer than 100 bytes; writes past that fail with EFBIG.
    const testsupport::ChildResult child = testsupport::in_child([&](auto send) {
      const rlimit limit{100, 100};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      std::signal(SIGXFSZ, SIG_IGN);
      const RunResult r = testsupport::run_program(p.run, dir.path(), {}, p.console);
      send(r.err);
      return r.status;
    });
    EXPECT_EQ(child.status, 1);
    bool named = false;
    for (std::string_view out : p.outputs) {
      named = named || child.text == std::string(p.name) + ": " + std::string(out) +
                                         ": Operating system error: File too large\n";
    }
    EXPECT_TRUE(named) << child.text;
  }
}

TEST(ProgramsEnvironment, OutputsLinkedToDevNullAreDiscardedWithoutFailure) {
  for (const Program& p : programs()) {
    SCOPED_TRACE(std::string(p.name));
    ScratchDir dir;
    lay_out(dir, p);
    for (std::string_view out : p.outputs) fs::create_symlink("/dev/null", dir / out);
    const RunResult r = testsupport::run_program(p.run, dir.path(), {}, p.console);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, reference(p).run.out);
  }
}

TEST(ProgramsEnvironment, ClosedStandardStreamsGetNoFileInTheirPlace) {
  // tessiclip run with `fd` closed from its start (through main's frame, which all
  // five programs share): its outputs must be those of an ordinary run, with no
  // prompt (standard output) or message on a name that does not open (standard
  // error) landing in the summary file opened first.
  struct Case {
    int fd;
    std::string_view first_reply;
  };
  const Case cases[] = {{1, ""}, {2, "no-such-dates.txt\n"}};
  const Program& p = program("tessiclip");
  for (const Case& c : cases) {
    SCOPED_TRACE("without descriptor " + std::to_string(c.fd));
    ScratchDir dir;
    lay_out(dir, p);
    dir.write("replies.in", std::string(c.first_reply) + p.console);
    const testsupport::ChildResult child = testsupport::in_child([&](auto) {
      if (::chdir(dir.path().c_str()) != 0) return 99;
      const int replies = ::open("replies.in", O_RDONLY);
      ::dup2(replies, 0);
      ::close(replies);
      ::close(c.fd);
      std::string name(p.name);
      char* argv[] = {name.data(), nullptr};
      return runframe::run_main(1, argv, p.run);
    });
    EXPECT_EQ(child.status, 0);
    for (const auto& [name, content] : reference(p).files)
      EXPECT_EQ(compared(dir, name), content) << name;
  }
}

TEST(ProgramsEnvironment, AByteOrderMarkOnAnyInputFileIsSkipped) {
  for (const Program& p : programs()) {
    for (const Input& in : p.inputs) {
      SCOPED_TRACE(std::string(p.name) + ", " + std::string(in.name));
      ScratchDir dir;
      lay_out(dir, p);
      dir.write(in.name, "\xEF\xBB\xBF" + dir.read(in.name));
      expect_same(outcome(dir, p, testsupport::run_program(p.run, dir.path(), {}, p.console)),
                  reference(p));
    }
  }
}

TEST(ProgramsEnvironment, AnOutputInUseByAnotherRunEndsTheRunAndStaysUntouched) {
  for (const Program& p : programs()) {
    for (std::string_view out : p.outputs) {
      SCOPED_TRACE(std::string(p.name) + ", " + std::string(out));
      ScratchDir dir;
      lay_out(dir, p);
      dir.write(out, "held by the other run\r\n");
      // The other run holds the lock file next to the output.
      std::string lock = ".";
      lock.append(out).append(".lock");
      const int held = ::open((dir / lock).c_str(), O_RDONLY | O_CREAT, 0600);
      ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
      const RunResult r = testsupport::run_program(p.run, dir.path(), {}, p.console);
      ::close(held);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, std::string(p.name) + ": " + std::string(out) + ": in use by another run\n");
      EXPECT_EQ(dir.read(out), "held by the other run\r\n");
      for (std::string_view other : p.outputs) {
        if (other != out) {
          EXPECT_FALSE(dir.exists(other)) << other;
        }
      }
      EXPECT_EQ(dir.hidden(), std::vector<std::string>{lock});
    }
  }
}

TEST(ProgramsEnvironment, TessiclipSaysWhyANameDoesNotOpenAndOpensLongNamesWhole) {
  const Program& p = program("tessiclip");
  constexpr std::string_view kLong = "dates-of-the-tolvern-study-1980-81.txt";  // 38 characters
  constexpr std::string_view kSpaced = "the dates, of the study 1980-81.txt";   // 35, with blanks
  const std::string dates_prompt = "  Dates filename: \n";
  const std::string surf_prompt = "  AERMET surf input ALL hours filename: \n";
  const std::string prof_prompt = "  AERMET prof input ALL hours filename: \n";
  const std::string quoted_spaced = std::string("'").append(kSpaced).append("'");
  // One reply a line.
  auto lines = [](std::initializer_list<std::string_view> replies) {
    std::string text;
    for (std::string_view r : replies) text.append(r).append("\n");
    return text;
  };
  struct Case {
    std::string replies;
    std::string err;
    std::string out;
  };
  // Replies of 4,096 bytes (the longest taken) and one byte more, and paths that
  // the list form ends at their first '/' before any name.
  const std::string padded(4096 - 9, ' ');
  const std::string no_name =
      ": No file name read: an unquoted name ends at '/', so put a path in quotes\n";
  const Case cases[] = {
      {lines({"dates.txt" + padded, "aermet-surface.txt", "aermet-profile.txt"}), "",
       dates_prompt + surf_prompt + prof_prompt},
      {lines({"dates.txt" + padded + " ", "dates.txt", "aermet-surface.txt", "aermet-profile.txt"}),
       "tessiclip: standard input line 1: Record longer than 4096 bytes\n",
       dates_prompt + dates_prompt + surf_prompt + prof_prompt},
      {lines(
           {"/no-such-folder/dates.txt", "dates.txt", "aermet-surface.txt", "aermet-profile.txt"}),
       "tessiclip: /no-such-folder/dates.txt" + no_name,
       dates_prompt + dates_prompt + surf_prompt + prof_prompt},
      {lines(
           {"dates.txt", "  /tmp/aermet-surface.txt ", "aermet-surface.txt", "aermet-profile.txt"}),
       "tessiclip: /tmp/aermet-surface.txt" + no_name,
       dates_prompt + surf_prompt + surf_prompt + prof_prompt},
      {lines({"dates.txt", "aermet-surfac.txt", "aermet-surface.txt", "aermet-profile.txt"}),
       "tessiclip: aermet-surfac.txt: Operating system error: No such file or directory\n",
       dates_prompt + surf_prompt + surf_prompt + prof_prompt},
      {lines(
           {"sub", "'no such, file.txt'", "dates.txt", "aermet-surface.txt", "aermet-profile.txt"}),
       "tessiclip: sub: Operating system error: Is a directory\n"
       "tessiclip: no such, file.txt: Operating system error: No such file or directory\n",
       dates_prompt + dates_prompt + dates_prompt + surf_prompt + prof_prompt},
      {lines({kLong, "aermet-surface.txt", "aermet-profile.txt"}), "",
       dates_prompt + surf_prompt + prof_prompt},
      {lines({quoted_spaced, "aermet-surface.txt", "aermet-profile.txt"}), "",
       dates_prompt + surf_prompt + prof_prompt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.replies);
    ScratchDir dir;
    lay_out(dir, p);
    fs::create_directory(dir / "sub");
    // The long names hold the dates; their first 30 characters name other files.
    const std::string dates = dir.read("dates.txt");
    for (std::string_view name : {kLong, kSpaced}) {
      dir.write(name, dates);
      dir.write(name.substr(0, 30), "81  1  1  1\n");
    }
    const RunResult r = testsupport::run_program(p.run, dir.path(), {}, c.replies);
    Outcome want = reference(p);
    want.run.err = c.err;
    want.run.out = c.out;
    expect_same(outcome(dir, p, r), want);
  }
}

// ---------------------------------------------------------------------------
// Each run's outputs as one set

// The outputs as an earlier run left them: one line naming each.
void write_previous(const ScratchDir& dir, const Program& p) {
  for (std::string_view out : p.outputs) dir.write(out, "previous " + std::string(out) + "\r\n");
}
void expect_previous(const ScratchDir& dir, const Program& p) {
  for (std::string_view out : p.outputs)
    EXPECT_EQ(dir.read(out), "previous " + std::string(out) + "\r\n") << out;
}

// A run started in a child with the program's held input a FIFO that the test feeds.
class HeldRun {
 public:
  // `through_main`: the run goes through main's frame (with its stop-signal
  // handlers), its console replies on standard input.
  HeldRun(const ScratchDir& dir, const Program& p, bool through_main = false)
      : fifo_(dir / p.held), text_(dir.read(p.held)) {
    std::signal(SIGPIPE, SIG_IGN);  // the child may end while it is fed
    fs::remove(fifo_);
    if (::mkfifo(fifo_.c_str(), 0600) != 0) ADD_FAILURE() << "no FIFO";
    dir.write("replies.in", p.console);
    pid_ = testsupport::start_child([&dir, &p, through_main] {
      if (!through_main) return testsupport::run_program(p.run, dir.path(), {}, p.console).status;
      if (::chdir(dir.path().c_str()) != 0) return 99;
      const int replies = ::open("replies.in", O_RDONLY);
      ::dup2(replies, 0);
      ::close(replies);
      const int prompts = ::open("/dev/null", O_WRONLY);
      ::dup2(prompts, 1);
      ::close(prompts);
      std::string name(p.name);
      char* argv[] = {name.data(), nullptr};
      return runframe::run_main(1, argv, p.run);
    });
    // The write end opens once the child opens the FIFO to read it.
    for (int i = 0; i < 1000 && fd_ < 0; ++i) {
      fd_ = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd_ < 0) ::usleep(10000);
    }
    if (fd_ < 0) ADD_FAILURE() << "the run never opened " << fifo_;
    if (fd_ >= 0) ::fcntl(fd_, F_SETFL, 0);
  }
  ~HeldRun() {
    if (fd_ >= 0) ::close(fd_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      testsupport::wait_child(pid_);
    }
  }

  // Feeds the held input up to `fraction` of its bytes and lets the run take them.
  void feed(double fraction) {
    const auto upto = static_cast<std::size_t>(fraction * static_cast<double>(text_.size()));
    while (fd_ >= 0 && fed_ < upto) {
      const ssize_t n = ::write(fd_, text_.data() + fed_, upto - fed_);
      if (n <= 0) break;
      fed_ += static_cast<std::size_t>(n);
    }
    ::usleep(50000);
  }
  // Stops the run with `sig`; returns how it ended.
  int stop(int sig) {
    ::kill(pid_, sig);
    return finish();
  }
  // Feeds the rest of the input, ends it, and returns how the run ended.
  int finish() {
    feed(1.0);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    const int status = testsupport::wait_child(pid_);
    pid_ = -1;
    return status;
  }
  // The FIFO back to the plain file, for the next run.
  void restore(const ScratchDir& dir) const {
    fs::remove(fifo_);
    dir.write(fifo_.filename().string(), text_);
  }

 private:
  fs::path fifo_;
  std::string text_;
  pid_t pid_ = -1;
  int fd_ = -1;
  std::size_t fed_ = 0;
};

// A run killed (SIGKILL) before it ends, at the start, halfway through and one byte
// before the end of its held input, leaves every earlier output as it was; the next
// run writes the complete set and removes what the killed one left.
TEST(ProgramsEnvironment, AKilledRunLeavesTheEarlierOutputsAndTheNextRunNoTemporary) {
  for (const Program& p : programs()) {
    for (double fraction : {0.0, 0.5, 0.999999}) {
      SCOPED_TRACE(std::string(p.name) + ", killed at " + std::to_string(fraction));
      ScratchDir dir;
      lay_out(dir, p);
      write_previous(dir, p);
      HeldRun run(dir, p);
      run.feed(fraction);
      EXPECT_EQ(run.stop(SIGKILL), 128 + SIGKILL);
      expect_previous(dir, p);
      EXPECT_FALSE(dir.hidden().empty());  // the killed run's lock files, temporaries
      run.restore(dir);
      const Outcome next =
          outcome(dir, p, testsupport::run_program(p.run, dir.path(), {}, p.console));
      expect_same(next, reference(p));
      EXPECT_EQ(dir.hidden(), std::vector<std::string>{});
    }
  }
}

// SIGINT, SIGTERM or SIGHUP before the outputs are put in place: the run removes its
// temporaries and lock files, changes no output, and ends by the signal.
TEST(ProgramsEnvironment, AStopSignalRemovesTheTemporariesAndEndsTheRunByTheSignal) {
  const int signals[] = {SIGINT, SIGTERM, SIGHUP};
  int next = 0;
  for (const Program& p : programs()) {
    const int sig = signals[next++ % 3];
    SCOPED_TRACE(std::string(p.name) + ", signal " + std::to_string(sig));
    ScratchDir dir;
    lay_out(dir, p);
    write_previous(dir, p);
    HeldRun run(dir, p, true);
    run.feed(0.5);
    EXPECT_EQ(run.stop(sig), 128 + sig);
    expect_previous(dir, p);
    EXPECT_EQ(dir.hidden(), std::vector<std::string>{});
  }
}

// Two runs in one folder, the first held halfway through its input: the second is
// refused and changes nothing; the first ends normally with the complete set.
TEST(ProgramsEnvironment, OfTwoConcurrentRunsOneSucceedsAndTheOtherChangesNothing) {
  for (const Program& p : programs()) {
    SCOPED_TRACE(std::string(p.name));
    ScratchDir dir;
    lay_out(dir, p);
    write_previous(dir, p);
    HeldRun first(dir, p);
    first.feed(0.5);
    const RunResult second = testsupport::run_program(p.run, dir.path(), {}, p.console);
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err,
              std::string(p.name) + ": " + std::string(p.outputs[0]) + ": in use by another run\n");
    expect_previous(dir, p);
    EXPECT_EQ(first.finish(), 0);
    for (const auto& [name, content] : reference(p).files)
      EXPECT_EQ(compared(dir, name), content) << name;
    EXPECT_EQ(dir.hidden(), std::vector<std::string>{});
  }
}

// A run that fails on one of its outputs changes none: a later output's name taken by
// a folder, a full disk (a file-size limit), a later output that cannot be written,
// a folder that cannot be written.
TEST(ProgramsEnvironment, ARunThatFailsOnAnOutputChangesNoFile) {
  enum class Fault { kFolder, kFullDisk, kReadOnly, kReadOnlyFolder };
  for (const Program& p : programs()) {
    const std::string last(p.outputs.back());
    for (Fault fault :
         {Fault::kFolder, Fault::kFullDisk, Fault::kReadOnly, Fault::kReadOnlyFolder}) {
      SCOPED_TRACE(std::string(p.name) + ", fault " + std::to_string(static_cast<int>(fault)));
      ScratchDir dir;
      lay_out(dir, p);
      write_previous(dir, p);
      if (fault == Fault::kFolder) {
        fs::remove(dir / last);
        fs::create_directory(dir / last);
      }
      const bool as_nobody = fault == Fault::kReadOnly || fault == Fault::kReadOnlyFolder;
      if (as_nobody) {
        fs::permissions(fault == Fault::kReadOnly ? dir / last : dir.path(),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        // A run by root writes anything: this one runs as nobody, in a folder of its own.
        if (::geteuid() == 0) {
          for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            if (::chown(e.path().c_str(), 65534, 65534) != 0) ADD_FAILURE() << "chown";
          if (::chown(dir.path().c_str(), 65534, 65534) != 0) ADD_FAILURE() << "chown";
        }
      }
      const testsupport::ChildResult child = testsupport::in_child([&](auto send) {
        if (fault == Fault::kFullDisk) {
          const rlimit limit{100, 100};
          ::setrlimit(RLIMIT_FSIZE, &limit);
          std::signal(SIGXFSZ, SIG_IGN);
        }
        if (as_nobody && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
          return 99;
        }
        const RunResult r = testsupport::run_program(p.run, dir.path(), {}, p.console);
        send(r.err);
        return r.status;
      });
      EXPECT_EQ(child.status, 1) << child.text;
      for (std::string_view out : p.outputs) {
        if (fault == Fault::kFolder && out == last) {
          EXPECT_TRUE(fs::is_directory(dir / out));
        } else {
          EXPECT_EQ(dir.read(out), "previous " + std::string(out) + "\r\n") << out;
        }
      }
      EXPECT_EQ(dir.hidden(), std::vector<std::string>{});
    }
  }
}

}  // namespace

namespace {

// `text` without its final line end (LF, or CR LF).
std::string without_final_line_end(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

TEST(ProgramsEnvironment, CutFilesOfTheToolSetAreRefusedOtherInputsReadAsBefore) {
  // The files that the tool set itself wrote, every line ended with CR LF.
  const std::vector<std::pair<std::string_view, std::string_view>> written = {
      {"TLVCombineAll", "TolvernOBSAnalysisNoFill.txt"},
      {"tlvstats", "TLV-Combined-NoFill-Results.txt"}};
  for (const Program& p : programs()) {
    for (const Input& in : p.inputs) {
      SCOPED_TRACE(std::string(p.name) + ", " + std::string(in.name));
      const bool ours =
          std::find(written.begin(), written.end(), std::pair(p.name, in.name)) != written.end();
      ScratchDir dir;
      lay_out(dir, p);
      const std::string whole = dir.read(in.name);
      // The CR alone left, or the whole line end gone.
      for (const std::string& cut :
           {whole.substr(0, whole.size() - 1), without_final_line_end(whole)}) {
        dir.write(in.name, cut);
        const Outcome got =
            outcome(dir, p, testsupport::run_program(p.run, dir.path(), {}, p.console));
        if (!ours) {
          expect_same(got, reference(p));
          continue;
        }
        const auto lines = std::count(cut.begin(), cut.end(), '\n') + 1;
        EXPECT_EQ(got.run.status, 2);
        EXPECT_EQ(got.run.err, std::string(p.name) + ": " + std::string(in.name) + " line " +
                                   std::to_string(lines) +
                                   ": File ends inside a record: the file may be cut\n");
      }
    }
  }
}

// An input that never ends its first line (/dev/zero) ends every program quickly
// with status 2, naming the file and line 1.
TEST(ProgramsEnvironment, AnEndlessInputRecordIsRefused) {
  for (const Program& p : programs()) {
    for (const Input& in : p.inputs) {
      SCOPED_TRACE(std::string(p.name) + ", " + std::string(in.name));
      ScratchDir dir;
      lay_out(dir, p);
      fs::remove(dir / in.name);
      fs::create_symlink("/dev/zero", dir / in.name);
      const RunResult r = testsupport::run_program(p.run, dir.path(), {}, p.console);
      EXPECT_EQ(r.status, 2);
      EXPECT_EQ(r.err, std::string(p.name) + ": " + std::string(in.name) +
                           " line 1: Record longer than 1048576 bytes\n");
    }
  }
}

// Standard output on a full disk or a pipe whose reader has gone: --help,
// --version and the prompts of tessiclip end the run with status 1 and a message,
// through main's frame (which ignores SIGPIPE).
TEST(ProgramsEnvironment, StandardOutputThatCannotBeWrittenIsAFailure) {
  struct Sink {
    std::string_view what;
    std::string_view reason;
  };
  const Sink sinks[] = {{"/dev/full", "No space left on device"}, {"a closed pipe", "Broken pipe"}};
  for (const Program& p : programs()) {
    std::vector<std::string> arg_sets = {"--help", "--version"};
    if (p.name == "tessiclip") arg_sets.emplace_back();  // no argument: the prompts
    for (const std::string& arg : arg_sets) {
      for (const Sink& sink : sinks) {
        SCOPED_TRACE(std::string(p.name) + " " + arg + " into " + std::string(sink.what));
        ScratchDir dir;
        lay_out(dir, p);
        dir.write("replies.in", p.console);
        const testsupport::ChildResult child = testsupport::in_child([&](auto) {
          if (::chdir(dir.path().c_str()) != 0) return 99;
          const int replies = ::open("replies.in", O_RDONLY);
          const int err = ::open("err.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
          int out = -1;
          if (sink.what == "/dev/full") {
            out = ::open("/dev/full", O_WRONLY);
          } else {
            int fds[2];
            if (::pipe(fds) != 0) return 98;
            ::close(fds[0]);
            out = fds[1];
          }
          ::dup2(replies, 0);
          ::dup2(out, 1);
          ::dup2(err, 2);
          std::string name(p.name);
          std::vector<char*> argv = {name.data()};
          std::string a = arg;
          if (!a.empty()) argv.push_back(a.data());
          argv.push_back(nullptr);
          return runframe::run_main(static_cast<int>(argv.size()) - 1, argv.data(), p.run);
        });
        EXPECT_EQ(child.status, 1);
        EXPECT_EQ(dir.read("err.out"), std::string(p.name) +
                                           ": standard output: Operating system error: " +
                                           std::string(sink.reason) + "\n");
      }
    }
  }
}

// A file name that holds a line end is shown escaped, so the message stays one line.
TEST(ProgramsEnvironment, AFileNameWithALineEndIsShownEscaped) {
  ScratchDir dir;
  const RunResult r =
      testsupport::run_program(run_tlvstats, dir.path(), {"--pairs", "no\nsuch.csv"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tlvstats: no\\nsuch.csv: Operating system error: No such file or directory\n");
}

}  // namespace
