// The file layer in an unfriendly environment: byte-order marks, outputs that are
// not regular files, outputs locked by another run, closed standard descriptors,
// and list-form replies longer than any fixed buffer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "records/records.h"
#include "runframe/run.h"
#include "support/child.h"
#include "support/scratch.h"

namespace {

using records::InputFile;
using records::OutputFile;
using testsupport::ScratchDir;

// Every record of `name` in `dir`, read through the file layer (twice: the second
// time after a rewind, which must read the same).
std::vector<std::string> records_of(const ScratchDir& dir, std::string_view name) {
  InputFile in = InputFile::open(dir.path(), name);
  std::vector<std::string> first, again;
  std::string_view r;
  while (in.next(r)) first.emplace_back(r);
  in.rewind();
  while (in.next(r)) again.emplace_back(r);
  EXPECT_EQ(first, again);
  return first;
}

TEST(RecordsEnvironment, ByteOrderMarkOnlyAtTheVeryStartOfAFile) {
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string content;
    std::vector<std::string> records;
  };
  const Case cases[] = {
      {bom + "80 5 2\r\nsecond\n", {"80 5 2", "second"}},
      {bom, {}},
      {bom + "\n", {""}},
      {bom + bom + "x\n", {bom + "x"}},         // only the first mark goes
      {"x\n" + bom + "y\n", {"x", bom + "y"}},  // not one inside the file
      {" " + bom + "x\n", {" " + bom + "x"}},   // nor one after a blank
      {"\xEF\xBBx\n", {"\xEF\xBBx"}},           // nor part of one
      {"\xEF\xBB", {"\xEF\xBB"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.content));
    ScratchDir dir;
    dir.write("in.txt", c.content);
    EXPECT_EQ(records_of(dir, "in.txt"), c.records);
  }
  // The console keeps what it is given.
  std::istringstream console(bom + "name\n");
  records::ConsoleIn in(console);
  std::string_view r;
  ASSERT_TRUE(in.next(r));
  EXPECT_EQ(r, bom + "name");
}

void write_two_records(OutputFile& out) {
  out.write_record("first");
  out.write(records::Layout("(i3)"), {42});
  out.close();
}

TEST(RecordsEnvironment, OutputsThatAreNotRegularFilesAreWrittenAsTheyAre) {
  ScratchDir dir;
  // A link to /dev/null discards the output.
  std::filesystem::create_symlink("/dev/null", dir / "null.txt");
  OutputFile discard = OutputFile::open(dir.path(), "null.txt");
  EXPECT_NO_THROW(write_two_records(discard));

  // A FIFO streams it to its reader.
  ASSERT_EQ(::mkfifo((dir / "fifo.txt").c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    const int fd = ::open((dir / "fifo.txt").c_str(), O_RDONLY);
    char buf[256];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) received.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
  });
  try {
    OutputFile stream = OutputFile::open(dir.path(), "fifo.txt");
    write_two_records(stream);
  } catch (const records::RunError& e) {
    ADD_FAILURE() << e.message("test");
    const int fd = ::open((dir / "fifo.txt").c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);  // lets the reader end
  }
  reader.join();
  EXPECT_EQ(received, "first\r\n 42\r\n");
}

TEST(RecordsEnvironment, AnOutputFileOpenInAnotherRunIsRefusedUntouched) {
  ScratchDir dir;
  dir.write("out.txt", "earlier\r\n");
  {
    OutputFile first = OutputFile::open(dir.path(), "out.txt");
    try {
      OutputFile second = OutputFile::open(dir.path(), "out.txt");
      ADD_FAILURE() << "a second open of a file in use succeeded";
    } catch (const records::RunError& e) {
      EXPECT_EQ(e.status(), records::kStatusOsError);
      EXPECT_EQ(e.message("prog"), "prog: out.txt: in use by another run");
    }
    EXPECT_EQ(dir.read("out.txt"), "earlier\r\n");
    first.write_record("mine");
    first.close();
  }
  // Closed, the file is free again; and a lock held from outside, on the lock file
  // next to the output, refuses as well.
  OutputFile again = OutputFile::open(dir.path(), "out.txt");
  again.close();
  const int fd = ::open((dir / ".out.txt.lock").c_str(), O_RDONLY | O_CREAT, 0600);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  EXPECT_THROW(OutputFile::open(dir.path(), "out.txt"), records::RunError);
  ::close(fd);
  EXPECT_EQ(dir.read("out.txt"), "mine\r\n");
}

// A run's outputs stay as they were until its set is committed, then are replaced
// whole: a link is followed (its target replaced, in the target's folder, keeping
// its mode), an output that got no record keeps its file or is created empty, and
// nothing hidden is left behind.
TEST(RecordsEnvironment, AnOutputSetReplacesItsFilesOnlyWhenCommitted) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "sub");
  dir.write("sub/target.txt", "earlier target\r\n");
  ::chmod((dir / "sub/target.txt").c_str(), 0640);
  std::filesystem::create_symlink("sub/target.txt", dir / "link.txt");
  dir.write("kept.txt", "earlier kept\r\n");
  {
    records::OutputSet outputs(dir.path(), {"link.txt", "kept.txt", "fresh.txt", "plain.txt"});
    OutputFile link = outputs.open("link.txt");
    OutputFile kept = outputs.open("kept.txt");
    OutputFile fresh = outputs.open("fresh.txt");
    OutputFile plain = outputs.open("plain.txt");
    link.write_record("new target");
    plain.write_record("new plain");
    link.close();
    plain.close();
    EXPECT_EQ(dir.read("sub/target.txt"), "earlier target\r\n");
    EXPECT_FALSE(dir.exists("plain.txt"));
    EXPECT_EQ(ScratchDir(dir / "sub", ScratchDir::kKeep).hidden().size(), 2u);  // lock, temporary
    outputs.commit();
  }
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
  EXPECT_EQ(dir.read("sub/target.txt"), "new target\r\n");
  struct stat st;
  ASSERT_EQ(::stat((dir / "sub/target.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.read("kept.txt"), "earlier kept\r\n");
  EXPECT_TRUE(dir.exists("fresh.txt"));
  EXPECT_EQ(dir.read("fresh.txt"), "");
  EXPECT_EQ(dir.read("plain.txt"), "new plain\r\n");
  EXPECT_EQ(dir.hidden(), std::vector<std::string>{});
  EXPECT_EQ(ScratchDir(dir / "sub", ScratchDir::kKeep).hidden(), std::vector<std::string>{});
}

// A later run removes the temporaries of its outputs that ended runs left, not one
// that a running run holds; an input that another run writes is refused, one this
// run writes itself is not.
TEST(RecordsEnvironment, StaleTemporariesGoAndInputsInUseAreRefused) {
  ScratchDir dir;
  dir.write(".out.txt.tmp.AbC123", "left by a killed run");
  dir.write(".out.txt.tmp.held00", "of a running run");
  dir.write(".other.txt.tmp.AbC123", "of another output");
  const int held = ::open((dir / ".out.txt.tmp.held00").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
  {
    records::OutputSet outputs(dir.path(), {"out.txt"});
    EXPECT_EQ(dir.hidden(), (std::vector<std::string>{".other.txt.tmp.AbC123", ".out.txt.lock",
                                                      ".out.txt.tmp.held00"}));
    // The run's own output read as an input: not refused.
    dir.write("out.txt", "earlier\r\n");
    EXPECT_NO_THROW(InputFile::open(dir.path(), "out.txt"));
  }
  ::close(held);

  dir.write("in.txt", "being written\r\n");
  const int writer = ::open((dir / ".in.txt.lock").c_str(), O_RDONLY | O_CREAT, 0600);
  ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);
  try {
    InputFile::open(dir.path(), "in.txt");
    ADD_FAILURE() << "an input in use was read";
  } catch (const records::RunError& e) {
    EXPECT_EQ(e.status(), records::kStatusOsError);
    EXPECT_EQ(e.message("prog"), "prog: in.txt: in use by another run");
  }
  ::close(writer);
  EXPECT_NO_THROW(InputFile::open(dir.path(), "in.txt"));  // the writer's lock file is stale
}

TEST(RecordsEnvironment, ClosedStandardDescriptorsAreReopenedOnDevNull) {
  struct stat null_st;
  ASSERT_EQ(::stat("/dev/null", &null_st), 0);
  for (const std::vector<int>& closed : {std::vector<int>{0}, {1}, {2}, {0, 1, 2}, {1, 2}}) {
    SCOPED_TRACE(testing::PrintToString(closed));
    const testsupport::ChildResult r = testsupport::in_child([&](auto send) {
      for (int fd : closed) ::close(fd);
      runframe::reopen_closed_standard_streams();
      // The next file opened must not take a standard descriptor's place.
      const int next = ::open("/dev/null", O_RDONLY);
      std::string report = next > 2 ? "" : "a file took descriptor " + std::to_string(next) + "; ";
      for (int fd : closed) {
        struct stat st;
        const int mode = ::fcntl(fd, F_GETFL);
        const bool on_null =
            ::fstat(fd, &st) == 0 && st.st_rdev == null_st.st_rdev && S_ISCHR(st.st_mode);
        const bool right_way =
            fd == 0 ? (mode & O_ACCMODE) == O_RDONLY : (mode & O_ACCMODE) == O_WRONLY;
        if (!on_null || !right_way) report += "descriptor " + std::to_string(fd) + " wrong; ";
      }
      send(report);
      return 0;
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.text, "");
  }
}

TEST(RecordsEnvironment, ListFormWholeTextTakesTheValueWhole) {
  const std::string long_name = "aermet-surface-file-of-the-whole-period.txt";  // 43 characters
  struct Case {
    std::string line;
    std::string whole;  // into a whole-value variable
    std::string cut30;  // into a 30-character variable
  };
  const Case cases[] = {
      {"  " + long_name + " rest", long_name, long_name.substr(0, 30)},
      {"'a name with blanks, and a comma, over thirty'",
       "a name with blanks, and a comma, over thirty", "a name with blanks, and a comm"},
      {"dates.txt", "dates.txt", "dates.txt" + std::string(21, ' ')},
      {"sub/dates.txt", "sub", "sub" + std::string(27, ' ')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::istringstream a(c.line + "\n"), b(c.line + "\n");
    records::ConsoleIn in_a(a), in_b(b);
    std::string whole = "previous", cut(30, ' ');
    records::read_list(in_a, {records::whole_text(whole)});
    records::read_list(in_b, {records::text(cut)});
    EXPECT_EQ(whole, c.whole);
    EXPECT_EQ(cut, c.cut30);
  }
}

}  // namespace
