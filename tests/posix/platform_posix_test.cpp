// The native POSIX platform on real files in a temporary folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "process_runner.h"
#include "runtime/platform.h"

namespace relabel::testing {
namespace {

class PosixPlatformTest : public ::testing::Test {
 protected:
  PosixPlatformTest() {
    dir.write("file", "contents");
    ::mkdir(dir.file("folder").c_str(), 0777);
  }
  ~PosixPlatformTest() override {
    for (const FileHandle h : handles) os.close_file(h);
  }

  // Opens dir/name; the handle is closed with the fixture.
  std::int32_t open(const std::string& name, OpenFor how) {
    FileHandle h = kNoHandle;
    const std::int32_t code = os.open_file(dir.file(name).c_str(), how, h);
    if (code == 0) handles.push_back(h);
    return code;
  }
  std::int32_t close_last() {
    const FileHandle h = handles.back();
    handles.pop_back();
    return os.close_file(h);
  }

  Platform& os = native_platform(0, nullptr);
  TempDir dir;
  std::vector<FileHandle> handles;
};

constexpr OpenFor kRead = OpenFor::reading;
constexpr OpenFor kWrite = OpenFor::writing;

TEST_F(PosixPlatformTest, OpenFailureCodes) {
  ASSERT_EQ(::symlink("loop_b", dir.file("loop_a").c_str()), 0);
  ASSERT_EQ(::symlink("loop_a", dir.file("loop_b").c_str()), 0);
  ASSERT_EQ(::symlink("no_folder/x", dir.file("into_no_folder").c_str()), 0);
  const std::string too_long(NAME_MAX + 1, 'n');
  struct Case {
    std::string name;
    OpenFor how;
    std::int32_t code;
  };
  const Case cases[] = {
      {"missing", kRead, 2},
      {"no_folder/x", kRead, 3},
      {"no_folder/x", kWrite, 3},
      {"folder/no_folder/x", kWrite, 3},
      {"file/x", kRead, 3},
      {"file/x", kWrite, 3},
      {"folder", kRead, 5},
      {"folder", kWrite, 5},
      {too_long, kRead, 123},
      {too_long, kWrite, 123},
      {"loop_a", kRead, 10000 + ELOOP},
      // A link into a missing folder: nothing to read, nowhere to create.
      {"into_no_folder", kRead, 2},
      {"into_no_folder", kWrite, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 20) + (c.how == kRead ? " reading" : " writing"));
    EXPECT_EQ(open(c.name, c.how), c.code);
  }
  EXPECT_TRUE(handles.empty());
  EXPECT_FALSE(dir.exists("no_folder"));
  EXPECT_EQ(dir.read("file"), "contents");
}

// A program that is running is held against writing, as a file another
// open holds: the sharing violation 32. (A copy of one, so that nothing
// else is at stake should the system allow the write.)
TEST_F(PosixPlatformTest, ARunningProgramCannotBeWritten) {
  dir.write("busy", file_contents("/bin/sleep"));
  ASSERT_EQ(::chmod(dir.file("busy").c_str(), 0755), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl(dir.file("busy").c_str(), "busy", "30", nullptr);
    ::_exit(127);
  }
  const std::string exe = "/proc/" + std::to_string(child) + "/exe";
  char path[PATH_MAX];
  for (int i = 0; i < 500; ++i) {  // until the child runs the copy
    const ssize_t n = ::readlink(exe.c_str(), path, sizeof path);
    if (n > 0 && std::string(path, n) == dir.file("busy")) break;
    ::usleep(10000);
  }
  const std::int32_t code = open("busy", kWrite);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  if (code == 0) GTEST_SKIP() << "this system lets a running program be written";
  EXPECT_EQ(code, 32);
}

// With standard input closed the lowest free descriptor, 0, is what an open
// returns: it is a handle like any other.
TEST_F(PosixPlatformTest, OpenMayGiveDescriptorZero) {
  const int saved = ::dup(0);
  ASSERT_GE(saved, 0);
  ::close(0);
  EXPECT_EQ(open("file", kRead), 0);
  if (!handles.empty()) {
    EXPECT_EQ(handles.back(), 0);
    EXPECT_EQ(close_last(), 0);
  }
  ::dup2(saved, 0);
  ::close(saved);
}

TEST_F(PosixPlatformTest, TooManyOpenFilesGives4) {
#ifdef RELABEL_SANITIZED
  GTEST_SKIP() << "the sanitizers' own reporting needs file handles";
#endif
  rlimit old;
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
  const int lowest_free = ::dup(0);
  ASSERT_GE(lowest_free, 0);
  ::close(lowest_free);
  rlimit low = old;
  low.rlim_cur = static_cast<rlim_t>(lowest_free);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  const std::int32_t reading = open("file", kRead);
  const std::int32_t writing = open("file", kWrite);
  ::setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_EQ(reading, 4);
  EXPECT_EQ(writing, 4);
  EXPECT_EQ(dir.read("file"), "contents");
}

// An open that a file's holder rules out is refused before anything is
// emptied, whatever name reaches the file: within the run a held file may be
// opened again only for reading, and not at all while it is held for
// writing; a whole-file lock that another open holds (another run, or any
// program that locks) refuses the same. Once released, the file opens
// again for anything.
TEST_F(PosixPlatformTest, HeldFilesAreRefusedWithoutBeingEmptied) {
  enum class Holder { reading, writing, shared_lock, exclusive_lock };
  struct Case {
    Holder first;
    const char* second_name;
    OpenFor second;
    std::int32_t code;
  };
  using enum Holder;
  const Case cases[] = {
      {reading, "file", kRead, 0},         {reading, "file", kWrite, 32},
      {writing, "file", kRead, 32},        {writing, "file", kWrite, 32},
      {writing, "hard", kRead, 32},        {writing, "hard", kWrite, 32},
      {reading, "hard", kWrite, 32},       {writing, "soft", kWrite, 32},
      {reading, "soft", kWrite, 32},       {writing, "soft", kRead, 32},
      {shared_lock, "file", kRead, 0},     {shared_lock, "file", kWrite, 32},
      {exclusive_lock, "file", kRead, 32}, {exclusive_lock, "file", kWrite, 32},
  };
  const char* const holders[] = {"read, ", "write, ", "shared lock, ",
                                 "exclusive lock, "};
  ASSERT_EQ(::link(dir.file("file").c_str(), dir.file("hard").c_str()), 0);
  ASSERT_EQ(::symlink("file", dir.file("soft").c_str()), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(holders[static_cast<int>(c.first)] + std::string(c.second_name) +
                 (c.second == kRead ? " read" : " write"));
    dir.write("file", "kept");
    int other = -1;
    if (c.first == shared_lock || c.first == exclusive_lock) {
      other = ::open(dir.file("file").c_str(), O_RDONLY);
      ASSERT_EQ(::flock(other, (c.first == shared_lock ? LOCK_SH : LOCK_EX) | LOCK_NB),
                0);
    } else {
      ASSERT_EQ(open("file", c.first == reading ? kRead : kWrite), 0);
    }
    if (c.first == writing) {
      EXPECT_EQ(dir.read("file"), "");
      ASSERT_EQ(os.write_file(handles.back(), "held", 4), 0);
    }
    const std::string before = dir.read("file");
    EXPECT_EQ(open(c.second_name, c.second), c.code);
    EXPECT_EQ(dir.read("file"), before);
    if (c.code == 0) {
      EXPECT_EQ(close_last(), 0);
    }
    if (other >= 0) {
      ::close(other);
    } else {
      EXPECT_EQ(close_last(), 0);
    }
    ASSERT_EQ(open(c.second_name, c.second), 0);
    EXPECT_EQ(close_last(), 0);
  }
}

// Bytes written in pieces read back whole in 128-byte reads, also under a
// name longer than 259 characters; opening for writing empties the file
// even when nothing is written. A new file gets the mode that the umask
// leaves of 0666.
TEST_F(PosixPlatformTest, WriteReadRoundTrip) {
  std::string deep;
  for (int level = 0; level < 6; ++level) {
    deep += std::string(60, static_cast<char>('a' + level));
    ASSERT_EQ(::mkdir(dir.file(deep).c_str(), 0777), 0);
    deep += '/';
  }
  deep += "deep.pcb";
  ASSERT_GT(dir.file(deep).size(), 259u);
  const std::string bytes = std::string("A\r\nB\x1a\0\xff", 7) + std::string(300, 'z');
  const auto size = static_cast<std::uint32_t>(bytes.size());
  const mode_t mask = ::umask(022);
  ::umask(mask);
  for (const std::string& name : {std::string("new"), deep}) {
    SCOPED_TRACE(name.size());
    ASSERT_EQ(open(name, kWrite), 0);
    ASSERT_EQ(os.write_file(handles.back(), bytes.data(), 1), 0);  // one byte is whole
    ASSERT_EQ(os.write_file(handles.back(), bytes.data() + 1, 99), 0);
    ASSERT_EQ(os.write_file(handles.back(), bytes.data() + 100, size - 100), 0);
    EXPECT_EQ(close_last(), 0);
    EXPECT_EQ(dir.read(name), bytes);
    struct stat st;
    ASSERT_EQ(::stat(dir.file(name).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

    ASSERT_EQ(open(name, kRead), 0);
    std::string back;
    char buffer[128];
    std::uint32_t got = 1;
    while (got != 0) {
      ASSERT_EQ(os.read_file(handles.back(), buffer, sizeof buffer, got), 0);
      back.append(buffer, got);
    }
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(close_last(), 0);

    ASSERT_EQ(open(name, kWrite), 0);
    EXPECT_EQ(dir.read(name), "");
    EXPECT_EQ(close_last(), 0);
  }
}

TEST_F(PosixPlatformTest, WriteAndCloseCodes) {
  EXPECT_EQ(os.close_file(1 << 20), 10000 + EBADF);  // no such handle

  FileHandle full = kNoHandle;
  ASSERT_EQ(os.open_file("/dev/full", kWrite, full), 0);
  EXPECT_EQ(os.write_file(full, "x", 1), 112);
  EXPECT_EQ(os.close_file(full), 0);

  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ::close(ends[0]);
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  EXPECT_EQ(os.write_file(ends[1], "x", 1), 109);
  std::signal(SIGPIPE, previous);
  ::close(ends[1]);
}

TEST_F(PosixPlatformTest, SameFile) {
  ASSERT_EQ(::link(dir.file("file").c_str(), dir.file("hard").c_str()), 0);
  ASSERT_EQ(::symlink(dir.file("file").c_str(), dir.file("soft").c_str()), 0);
  dir.write("other", "contents");
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const Case cases[] = {
      {"file", "file", true},   {"file", "hard", true},     {"soft", "file", true},
      {"file", "other", false}, {"file", "missing", false}, {"missing", "missing", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " " + c.b);
    EXPECT_EQ(os.same_file(dir.file(c.a).c_str(), dir.file(c.b).c_str()), c.same);
  }
}

TEST_F(PosixPlatformTest, HandleKinds) {
  ASSERT_EQ(open("file", kRead), 0);
  EXPECT_EQ(os.handle_kind(handles.back()), HandleKind::disk);

  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  EXPECT_EQ(os.handle_kind(ends[1]), HandleKind::pipe);
  ::close(ends[0]);
  ::close(ends[1]);
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  EXPECT_EQ(os.handle_kind(ends[0]), HandleKind::pipe);
  ::close(ends[0]);
  ::close(ends[1]);

  // /dev/null is a device but no console: it takes output in full buffers.
  const int null = ::open("/dev/null", O_WRONLY);
  ASSERT_GE(null, 0);
  EXPECT_NE(os.handle_kind(null), HandleKind::character);
  ::close(null);
  EXPECT_EQ(os.handle_kind(null), HandleKind::unknown);

  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (terminal < 0) GTEST_SKIP() << "no pseudo-terminal available";
  EXPECT_EQ(os.handle_kind(terminal), HandleKind::character);
  ::close(terminal);
}

// The program's own path is absolute and names the running program; the
// module at an address of its code is that path, with a load address below
// the code on a page boundary.
TEST_F(PosixPlatformTest, ModuleAtGivesTheProgramsPathAndLoadAddress) {
  const std::string self(os.executable_path());
  ASSERT_FALSE(self.empty());
  EXPECT_EQ(self[0], '/');
  EXPECT_TRUE(os.same_file(self.c_str(), "/proc/self/exe"));
  char path[261];
  std::uintptr_t base = 0;
  const auto code = reinterpret_cast<std::uintptr_t>(&native_platform);
  ASSERT_TRUE(os.module_at(code, base, path, sizeof path));
  EXPECT_EQ(std::string(path), self);
  char cut[8];  // a path that does not fit is cut, and still ended
  ASSERT_TRUE(os.module_at(code, base, cut, sizeof cut));
  EXPECT_EQ(std::string(cut), self.substr(0, 7));
  EXPECT_LT(base, code);
  EXPECT_EQ(base % 4096, 0u);
  EXPECT_FALSE(os.module_at(0x10, base, path, sizeof path));
}

}  // namespace
}  // namespace relabel::testing
