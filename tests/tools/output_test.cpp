// The programs' outputs as docs/files.md tells them: a temporary beside the target renamed over
// it once complete, devices and FIFOs written in place, links followed, the system's reason on a
// failure, and nothing left behind by a failure or a signal.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "tools/common/output.hpp"

namespace kv74::fileio {
namespace {
namespace fs = std::filesystem;

class Folder {
 public:
  Folder() {
    static int count = 0;
    path_ = fs::temp_directory_path() /
            ("kv74-output-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
    fs::create_directories(path_);
  }
  ~Folder() { fs::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // Every name in the folder and its subfolders, relative and sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(path_))
      names.push_back(e.path().lexically_relative(path_).string());
    std::sort(names.begin(), names.end());
    return names;
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
  }
  void Link(const std::string& name, const std::string& to) const {
    fs::create_symlink(to, path_ / name);
  }

 private:
  fs::path path_;
};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

mode_t Mode(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mode;
}

using Names = std::vector<std::string>;

struct WriteCase {
  const char* name;
  std::function<std::string(Folder&)> setup;  // the target's name as given
  const char* error;                          // a part of the message; nullptr for success
  std::function<void(Folder&)> check;         // what the folder holds afterwards
};

const WriteCase kWrites[] = {
    {"new file with the usual permissions", [](Folder& f) { return f / "out"; }, nullptr,
     [](Folder& f) {
       EXPECT_EQ(Read(f / "out"), "new");
       EXPECT_EQ(Mode(f / "out") & 07777, 0644u);
       EXPECT_EQ(f.Names(), Names{"out"});
     }},
    {"existing file replaced, its permissions kept",
     [](Folder& f) {
       f.Write("out", "old old old");
       ::chmod((f / "out").c_str(), 0640);
       return f / "out";
     },
     nullptr,
     [](Folder& f) {
       EXPECT_EQ(Read(f / "out"), "new");
       EXPECT_EQ(Mode(f / "out") & 07777, 0640u);
       EXPECT_EQ(f.Names(), Names{"out"});
     }},
    {"relative link in another folder followed, the link kept",
     [](Folder& f) {
       fs::create_directories(f / "data");
       fs::create_directories(f / "links");
       f.Write("data/real", "old");
       f.Link("links/out", "../data/real");
       return f / "links/out";
     },
     nullptr,
     [](Folder& f) {
       EXPECT_EQ(Read(f / "data/real"), "new");
       EXPECT_TRUE(S_ISLNK(Mode(f / "links/out")));
       EXPECT_EQ(f.Names(), (Names{"data", "data/real", "links", "links/out"}));
     }},
    {"chain of links to a file still to be made",
     [](Folder& f) {
       f.Link("a", "b");
       f.Link("b", "real");
       return f / "a";
     },
     nullptr,
     [](Folder& f) {
       EXPECT_EQ(Read(f / "real"), "new");
       EXPECT_EQ(f.Names(), (Names{"a", "b", "real"}));
     }},
    {"link loop",
     [](Folder& f) {
       f.Link("a", "b");
       f.Link("b", "a");
       return f / "a";
     },
     "Too many levels of symbolic links",
     [](Folder& f) {
       EXPECT_EQ(f.Names(), (Names{"a", "b"}));
     }},
    {"folder",
     [](Folder& f) {
       fs::create_directories(f / "out");
       return f / "out";
     },
     "Is a directory", [](Folder& f) { EXPECT_EQ(f.Names(), Names{"out"}); }},
    {"missing folder", [](Folder& f) { return f / "none/out"; }, "No such file or directory",
     [](Folder& f) { EXPECT_EQ(f.Names(), Names{}); }},
    {"under a file",
     [](Folder& f) {
       f.Write("file", "x");
       return f / "file/out";
     },
     "Not a directory", [](Folder& f) { EXPECT_EQ(f.Names(), Names{"file"}); }},
    {"full device, a large write", [](Folder&) { return std::string("/dev/full"); },
     "No space left on device", [](Folder& f) { EXPECT_EQ(f.Names(), Names{}); }},
};

TEST(Output, WritesAsTheFilesGuideSays) {
  for (const WriteCase& c : kWrites) {
    SCOPED_TRACE(c.name);
    const mode_t mask = ::umask(022);
    Folder f;
    const std::string target = c.setup(f);
    // Large enough that the stream writes before it is finished.
    const std::string bytes = target == "/dev/full" ? std::string(1 << 16, 'x') : "new";
    std::string error;
    const bool ok = WriteFile("image", target, bytes, error);
    ::umask(mask);
    if (c.error) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(error.rfind("cannot write image " + target + ": ", 0), 0u) << error;
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    } else {
      EXPECT_TRUE(ok) << error;
    }
    c.check(f);
  }
}

TEST(Output, TheTemporaryLiesBesideTheTargetWhichStaysUntilTheEnd) {
  Folder f;
  f.Write("out", "old");
  Output out("image", f / "out");
  std::string error;
  ASSERT_TRUE(out.Open(error)) << error;
  out.Write("new");
  const Names during = f.Names();
  ASSERT_EQ(during.size(), 2u);
  EXPECT_EQ(during[0].rfind(".out.", 0), 0u) << during[0];
  EXPECT_EQ(Read(f / "out"), "old");
  // The target turned into a folder meanwhile: the rename fails and the temporary goes.
  fs::remove(f / "out");
  fs::create_directories(f / "out/inside");
  EXPECT_TRUE(out.Finish(error)) << error;
  EXPECT_FALSE(out.Replace(error));
  EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
  EXPECT_EQ(f.Names(), (Names{"out", "out/inside"}));
}

TEST(Output, AFollowedOutputThatFailsToFlushKeepsTheReason) {
  Output out("recording", "/dev/full");
  std::string error;
  ASSERT_TRUE(out.Open(error)) << error;
  out.Write("10 click k1\n");
  out.Flush();
  EXPECT_FALSE(out.Finish(error));
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
}

// Standard output on a full device: the failure is told and the status is the failure's, also
// when a large print went out in writes of its own before the last flush (its reason then lost).
TEST(StandardOutput, AFullDeviceIsAFailure) {
  const std::string block(64 * 1024, 'x'), line = "a line\n";
  const auto toFull = [] { ASSERT_NE(std::freopen("/dev/full", "w", stdout), nullptr); };
  const struct {
    const char* name;
    std::function<int()> run;
    int status;
    const char* message;
  } cases[] = {
      {"printed, flushed at the end",
       [&] {
         std::fputs(line.c_str(), stdout);
         return ExitStatus(0, "prog", 2);
       },
       2, "prog: cannot write standard output: No space left on device"},
      {"a failing program's status gives way",
       [&] {
         std::fputs(line.c_str(), stdout);
         return ExitStatus(1, "prog", 2);
       },
       2, "prog: cannot write standard output: No space left on device"},
      {"written before the end",
       [&] {
         std::fputs(block.c_str(), stdout);
         return ExitStatus(0, "prog", 2);
       },
       2, "prog: cannot write standard output"},
      {"an output named -",
       [&] {
         Output out("listing", "-");
         std::string error;
         if (!out.Open(error)) return 4;
         out.Write(block);
         if (out.Finish(error)) return 0;
         std::fputs(error.c_str(), stderr);
         return 3;
       },
       3, "cannot write listing -: No space left on device"},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          toFull();
          std::exit(c.run());
        },
        ::testing::ExitedWithCode(c.status), c.message)
        << c.name;
  }
}

TEST(Output, AFifoIsWrittenInPlace) {
  Folder f;
  ASSERT_EQ(::mkfifo((f / "pipe").c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = Read(f / "pipe"); });
  std::string error;
  const bool ok = WriteFile("trace", f / "pipe", "through the pipe", error);
  reader.join();
  EXPECT_TRUE(ok) << error;
  EXPECT_EQ(got, "through the pipe");
  EXPECT_TRUE(S_ISFIFO(Mode(f / "pipe")));
  EXPECT_EQ(f.Names(), Names{"pipe"});
}

TEST(Transaction, AllTargetsReplacedOrNone) {
  struct Case {
    const char* name;
    const char* second;  // the second output's target, beside the first
    bool opens, commits;
    const char* first;  // the first target's text afterwards
  };
  const Case cases[] = {
      {"both written", "b", true, true, "new"},
      {"second is a folder", "dir", false, false, "old"},
      {"second is a full device", "/dev/full", true, false, "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Folder f;
    f.Write("a", "old");
    fs::create_directories(f / "dir");
    const std::string second = c.second[0] == '/' ? c.second : f / c.second;
    Transaction t;
    Output& a = t.Add("image", f / "a");
    Output& b = t.Add("listing", second);
    std::string error;
    ASSERT_EQ(t.OpenAll(error), c.opens) << error;
    if (c.opens) {
      a.Write("new");
      b.Write(std::string(1 << 16, 'x'));
      EXPECT_EQ(t.CommitAll(error), c.commits) << error;
    }
    EXPECT_EQ(Read(f / "a"), c.first);
    Names expected{"a", "dir"};
    if (c.commits) expected = {"a", "b", "dir"};
    EXPECT_EQ(f.Names(), expected);
  }
}

TEST(SameFileClash, NamesOfOneFileAreFound) {
  Folder f;
  f.Write("a", "x");
  fs::create_hard_link(f / "a", f / "hard");
  f.Link("link", "later");
  const struct {
    std::string first, second;
    bool clash;
  } cases[] = {
      {f / "a", f / "b", false},
      {f / "a", f / "./sub/../a", true},
      {f / "a", f / "hard", true},
      {f / "link", f / "later", true},  // a link to a file still to be made
      {"-", "-", false},
      {"-", "./-", false},  // standard output, not the file named -
  };
  for (const auto& c : cases) {
    const std::string clash = SameFileClash({{"image", c.first}, {"listing", c.second}});
    EXPECT_EQ(!clash.empty(), c.clash) << c.first << " " << c.second;
    if (c.clash) {
      EXPECT_EQ(clash, "image and listing name the same file " + c.second);
    }
  }
}

TEST(CheckWritable, FoldersAndFilesAsAskedFor) {
  Folder f;
  f.Write("file", "x");
  const struct {
    std::string path;
    bool folder;
    const char* error;  // nullptr when writable
  } cases[] = {
      {f / "file", false, nullptr},
      {f / "new", false, nullptr},
      {f / "file", true, "Not a directory"},
      {f / ".", false, "Is a directory"},
      {f / "a/b/c", true, nullptr},  // folders made on the way
      {f / "a/b/c", false, "No such file or directory"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(CheckWritable(c.path, c.folder, error), c.error == nullptr) << c.path;
    if (c.error) {
      EXPECT_EQ(error, c.path + ": " + c.error);
    }
  }
}

// A child process opens outputs and is ended by SIGTERM: it dies by the signal and leaves no
// temporary, also after many outputs came and went before.
// A file its user may not write is refused; run as an ordinary user, since root writes anything.
TEST(CheckWritable, AReadOnlyFileIsRefused) {
  Folder f;
  f.Write("ro", "x");
  ::chmod((f / "ro").c_str(), 0444);
  EXPECT_EXIT(
      {
        if (::getuid() == 0 && ::setuid(65534) != 0) std::exit(4);
        std::string error;
        if (CheckWritable(f / "ro", false, error)) std::exit(0);
        std::fputs(error.c_str(), stderr);
        std::exit(3);
      },
      ::testing::ExitedWithCode(3), "ro: Permission denied");
}

TEST(Output, ASignalRemovesTheTemporariesOfTheOpenOutputs) {
  for (const int before : {0, 1, 20}) {
    SCOPED_TRACE(before);
    Folder f;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::string error;
      for (int i = 0; i < before; ++i)
        WriteFile("image", f / ("done" + std::to_string(i)), "x", error);
      for (int i = before; i > 0; --i) ::unlink((f / ("done" + std::to_string(i - 1))).c_str());
      std::vector<std::unique_ptr<Output>> open;
      for (int i = 0; i < 16; ++i) {
        open.push_back(std::make_unique<Output>("image", f / ("out" + std::to_string(i))));
        if (!open.back()->Open(error)) ::_exit(3);
      }
      ::kill(::getpid(), SIGTERM);
      ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(f.Names(), Names{});
  }
}

}  // namespace
}  // namespace kv74::fileio
