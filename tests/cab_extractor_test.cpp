// The cabinet extractor over the cabinet library, on cabinets in a Windows
// world of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>

#include "cabinet/CabExtractor.h"
#include "platform/datetime.h"
#include "tests/support/CabinetBuilder.h"
#include "tools/cabwriter.h"
#include "tests/support/WindowsWorld.h"

namespace fs = std::filesystem;

namespace {

struct Offered {
  std::string name;
  int32_t size;
  TDateTime date;
  uint16_t attributes;
};

TDateTime At(int year, int month, int day, int hour, int minute, int second) {
  TDateTime date = 0, time = 0;
  TryEncodeDate(year, month, day, date);
  TryEncodeTime(hour, minute, second, 0, time);
  return date + time;
}

}  // namespace

class CabExtractor : public ::testing::Test {
 protected:
  // A cabinet of one folder holding these files, written into the world.
  std::string Cabinet(const std::string& relative, const std::vector<std::pair<std::string, std::string>>& files,
                      uint16_t compression = 1) {
    world.Write(relative, OneFolderCabinet(files, compression).Build());
    return world.Windows(relative);
  }
  std::string Dest(const std::string& relative = "dest") {
    world.MakeFolder(relative);
    return world.Windows(relative) + "\\";
  }
  // Extracts cabinet into dest and returns the message it raised, or "".
  std::string Extract(const std::string& cabinet, const std::string& dest) {
    try {
      extractor.SetCabinet(cabinet);
      extractor.DestDir = dest;
      extractor.ExtractAll();
      return "";
    } catch (const ECabExtractor& error) {
      return error.Message();
    }
  }
  void Record(TCabExtractor& into) {
    into.OnCopyFile = [this, &into](QObject* sender, const std::string& name, int32_t size, TDateTime date,
                                  uint16_t attributes, bool& extract, bool& keepGoing) {
      EXPECT_EQ(sender, &into);
      EXPECT_TRUE(extract);
      EXPECT_TRUE(keepGoing);
      offered.push_back({name, size, date, attributes});
    };
  }

  WindowsWorld world;
  TCabExtractor extractor{nullptr};
  std::vector<Offered> offered;
};

TEST_F(CabExtractor, WritesEveryFileAndOffersEachFirst) {
  const std::string hello = MixedBytes(70000, 1);
  Record(extractor);
  EXPECT_EQ(Extract(Cabinet("disk/local1.cab", {{"hello.c", hello}, {"welcome.c", "Willkommen"}}), Dest()), "");
  EXPECT_EQ(world.Read("dest/hello.c"), hello);
  EXPECT_EQ(world.Read("dest/welcome.c"), "Willkommen");
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(offered[0].name, "hello.c");
  EXPECT_EQ(offered[0].size, 70000);
  EXPECT_EQ(offered[1].attributes, 0x20);
  // The written file carries the time of its writing, not the stored one.
  const auto age = fs::file_time_type::clock::now() - fs::last_write_time(world.Host("dest/hello.c"));
  EXPECT_LT(age, std::chrono::minutes(5));
}

TEST_F(CabExtractor, TheOwnerDecidesPerFileAndMayStopTheWhole) {
  int asked = 0;
  extractor.OnCopyFile = [&](QObject*, const std::string& name, int32_t, TDateTime, uint16_t, bool& extract,
                             bool& keepGoing) {
    ++asked;
    extract = name != "skip.txt";
    keepGoing = name != "stop.txt";
  };
  const std::string cabinet =
      Cabinet("c.cab", {{"skip.txt", "a"}, {"take.txt", "b"}, {"stop.txt", "c"}, {"never.txt", "d"}});
  EXPECT_EQ(Extract(cabinet, Dest()), "Could not extract cabinet.\rFDI aborted");
  EXPECT_EQ(asked, 3);
  EXPECT_FALSE(fs::exists(world.Host("dest/skip.txt")));
  EXPECT_EQ(world.Read("dest/take.txt"), "b");
  EXPECT_FALSE(fs::exists(world.Host("dest/stop.txt")));
  EXPECT_FALSE(fs::exists(world.Host("dest/never.txt")));
}

TEST_F(CabExtractor, WithoutAnOwnerEveryFileIsWritten) {
  EXPECT_EQ(Extract(Cabinet("c.cab", {{"a.txt", "a"}, {"b.txt", "b"}}, 0), Dest()), "");
  EXPECT_EQ(world.Read("dest/a.txt"), "a");
  EXPECT_EQ(world.Read("dest/b.txt"), "b");
}

TEST_F(CabExtractor, TheStoredClockTimeArrivesWhateverTheTimeZone) {
  CabinetLayout layout = OneFolderCabinet({{"a.txt", "a"}, {"bad.txt", "b"}});
  layout.files[0].date = ((1999 - 1980) << 9) | (5 << 5) | 3;
  layout.files[0].time = (9 << 11) | (5 << 5) | (10 / 2);
  layout.files[1].date = (19 << 9) | (13 << 5) | 0;  // month 13, day 0
  layout.files[1].time = (25 << 11) | (61 << 5);     // 25:61
  world.Write("c.cab", layout.Build());
  const char* saved = std::getenv("TZ");
  const std::string previous = saved ? saved : "";
  for (const char* zone : {"UTC", "Asia/Tokyo", "America/Los_Angeles"}) {
    setenv("TZ", zone, 1);
    tzset();
    offered.clear();
    TCabExtractor fresh(nullptr);
    Record(fresh);
    fresh.SetCabinet(world.Windows("c.cab"));
    fresh.DestDir = Dest(std::string("dest-") + zone[0]);
    fresh.ExtractAll();
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_NEAR(offered[0].date, At(1999, 5, 3, 9, 5, 10), 1e-9) << zone;
    EXPECT_EQ(offered[1].date, 0.0) << "an impossible date and time count as none";
  }
  saved ? setenv("TZ", previous.c_str(), 1) : unsetenv("TZ");
  tzset();
}

TEST_F(CabExtractor, SetCabinetChecksTheFileAndRemembersItsName) {
  world.MakeFolder("folder.cab");
  world.Write("text.cab", "no cabinet at all");
  struct Case {
    std::string path;
    std::string message;
  } cases[] = {
      {world.Windows("missing.cab"), "Cab file not found\rNo error"},
      {world.Windows("folder.cab"), "Cab file not found\rNo error"},
      {world.Windows("text.cab"), "Invalid cab file.\rCabinet file does not have the correct format"},
  };
  for (const Case& c : cases) {
    try {
      extractor.SetCabinet(c.path);
      ADD_FAILURE() << c.path;
    } catch (const ECabExtractor& error) {
      EXPECT_EQ(error.Message(), c.message);
    }
  }
  // The rejected name waits in the work list and is handled first next time.
  EXPECT_EQ(Extract(Cabinet("local1.cab", {{"a.txt", "a"}}), Dest()),
            "Could not extract cabinet.\rCabinet file does not have the correct format");
}

TEST_F(CabExtractor, ACabinetIsExtractedOnceWhateverItsLetterCase) {
  Record(extractor);
  EXPECT_EQ(Extract(Cabinet("disk/local1.cab", {{"a.txt", "a"}}), Dest()), "");
  EXPECT_EQ(Extract(Cabinet("other/LOCAL1.CAB", {{"b.txt", "b"}}), Dest()), "");
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_FALSE(fs::exists(world.Host("dest/b.txt")));
  extractor.ExtractAll();  // nothing left to do
}

TEST_F(CabExtractor, FilesThatCannotBeCreatedEndTheExtraction) {
  world.Write("dest/readonly.txt", "kept");
  fs::permissions(world.Host("dest/readonly.txt"), fs::perms::owner_write, fs::perm_options::remove);
  struct Case {
    std::string name;
    std::string dest;
  } cases[] = {
      {"readonly.txt", Dest()},
      {"sub\\file.txt", Dest()},
      {"file.txt", world.Windows("no-such-folder") + "\\"},
  };
  for (const Case& c : cases) {
    TCabExtractor fresh(nullptr);
    world.Write("c.cab", OneFolderCabinet({{c.name, "new"}}).Build());
    fresh.SetCabinet(world.Windows("c.cab"));
    fresh.DestDir = c.dest;
    EXPECT_THROW(fresh.ExtractAll(), ECabExtractor) << c.name;
  }
  EXPECT_EQ(world.Read("dest/readonly.txt"), "kept");
}

TEST_F(CabExtractor, NamesThatLeadOutOfTheDestinationAreNeverCreated) {
  const char* names[] = {"..\\evil.txt", "../evil.txt", "sub\\..\\..\\evil.txt", "\\evil.txt", "/evil.txt",
                         "C:evil.txt", "Z:\\evil.txt", ".."};
  world.MakeFolder("top/dest/sub");
  for (const char* name : names) {
    TCabExtractor fresh(nullptr);
    world.Write("c.cab", OneFolderCabinet({{"fine.txt", "ok"}, {name, "evil"}}).Build());
    fresh.SetCabinet(world.Windows("c.cab"));
    fresh.DestDir = world.Windows("top\\dest") + "\\";
    try {
      fresh.ExtractAll();
      ADD_FAILURE() << name;
    } catch (const ECabExtractor& error) {
      EXPECT_EQ(error.Message(), "Could not extract cabinet.\rFDI aborted") << name;
    }
    EXPECT_FALSE(fs::exists(world.Host("top/evil.txt"))) << name;
    EXPECT_FALSE(fs::exists(world.Root() / "drive_c/evil.txt")) << name;
  }
  EXPECT_FALSE(fs::exists("/evil.txt"));
  EXPECT_FALSE(LeavesDestination("sub\\name..txt"));
  EXPECT_FALSE(LeavesDestination("..name\\x"));
}

TEST_F(CabExtractor, AnErrorOfAHandlerComesBackFromExtractAll) {
  extractor.OnCopyFile = [](QObject*, const std::string& name, int32_t, TDateTime, uint16_t, bool&, bool&) {
    if (name == "b.txt") throw Exception("Unable to create directory");
  };
  try {
    Extract(Cabinet("c.cab", {{"a.txt", "a"}, {"b.txt", "b"}}), Dest());
    ADD_FAILURE() << "the handler's error is lost";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Unable to create directory");
  }
  EXPECT_EQ(world.Read("dest/a.txt"), "a");
  // The library is left in order: the next cabinet extracts.
  extractor.OnCopyFile = nullptr;
  EXPECT_EQ(Extract(Cabinet("d.cab", {{"d.txt", "d"}}), Dest()), "");
}

// Sets of two cabinets: "a" in the first, "b" from the first into the second.
class CabExtractorSet : public CabExtractor {
 protected:
  CabExtractorSet() {
    a = RandomBytes(20000, 1);
    b = RandomBytes(30000, 2);
    world.Write("in/a.bin", a);
    world.Write("in/b.bin", b);
  }
  static std::string RandomBytes(std::size_t size, uint32_t seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator());
    return bytes;
  }
  // Writes the set into folder and returns the Windows path of its first cabinet.
  std::string Set(const std::string& folder, uint16_t setId = 1) {
    cabwriter::Options options;
    options.compression = cabwriter::Compression::None;
    options.maxCabinetSize = 30000;
    options.setId = setId;
    options.prefix = "disk";
    options.outputFolder = world.Host(folder);
    const auto written = cabwriter::WriteCabinetSet(
        {{"a.bin", world.Host("in/a.bin"), 0, 0, 0x20}, {"b.bin", world.Host("in/b.bin"), 0, 0, 0x20}}, options);
    EXPECT_EQ(written.size(), 2u);
    return world.Windows(folder + "\\disk1.cab");
  }
  void Move(const std::string& from, const std::string& to) {
    fs::create_directories(world.Host(to).parent_path());
    fs::rename(world.Host(from), world.Host(to));
  }
  std::string a, b;
};

TEST_F(CabExtractorSet, TheOwnerMayPointToTheFolderOfTheNextCabinet) {
  const std::string first = Set("disk1");
  Move("disk1/disk2.cab", "disk2/disk2.cab");
  std::vector<std::string> asked;
  extractor.OnNeedCabinet = [&](QObject*, const std::string& next, const std::string& disk, std::string& path,
                                bool& keepGoing) {
    asked.push_back(next + "|" + disk + "|" + path);
    path = world.Windows("disk2") + "\\";
    EXPECT_TRUE(keepGoing);
  };
  // The continuation is read from there; the next cabinet of the work list is
  // looked for in the first cabinet's folder again.
  EXPECT_EQ(Extract(first, Dest()), "Could not extract cabinet.\rCabinet not found");
  EXPECT_EQ(asked, (std::vector<std::string>{"disk2.cab|Disk 2|" + world.Windows("disk1") + "\\"}));
  EXPECT_EQ(world.Read("dest/a.bin"), a);
  EXPECT_EQ(world.Read("dest/b.bin"), b);
}

TEST_F(CabExtractorSet, GivingUpTheNextCabinetEndsTheExtraction) {
  const std::string first = Set("disk1");
  extractor.OnNeedCabinet = [](QObject*, const std::string&, const std::string&, std::string&, bool& keepGoing) {
    keepGoing = false;
  };
  EXPECT_EQ(Extract(first, Dest()), "Could not extract cabinet.\rFDI aborted");
  EXPECT_EQ(world.Read("dest/a.bin"), a) << "what was written before stays";
}

TEST_F(CabExtractorSet, ACabinetTheLibraryTurnsDownIsNotOfferedForever) {
  const std::string first = Set("disk1");
  Set("other", 2);  // the same names, another set
  int asked = 0;
  extractor.OnNeedCabinet = [&](QObject*, const std::string&, const std::string&, std::string& path, bool&) {
    ++asked;
    path = world.Windows("other") + "\\";
  };
  EXPECT_EQ(Extract(first, Dest()), "Could not extract cabinet.\rFDI aborted");
  EXPECT_EQ(asked, 2) << "asked again once the library turned the cabinet down, then given up";
  // Without an owner a missing cabinet is given up too.
  TCabExtractor alone(nullptr);
  fs::remove(world.Host("disk1/disk2.cab"));
  alone.SetCabinet(first);
  alone.DestDir = Dest("alone");
  EXPECT_THROW(alone.ExtractAll(), ECabExtractor);
}

TEST_F(CabExtractorSet, APathLongerThanTheLibrarysBufferIsCut) {
  const std::string first = Set("disk1");
  const std::string base = world.Windows("") + "\\";
  ASSERT_LT(base.size(), 200u);
  const std::string deep = "long\\" + std::string(230, 'd') + "\\" + std::string(30, 'e') + "\\";
  const std::string path = base + deep;
  ASSERT_GT(path.size(), 255u);
  // The library looks where the first 255 characters lead; only a file there can serve.
  auto host = [](std::string relative) {
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return relative;
  };
  const std::string cut = path.substr(base.size(), 255 - base.size());
  fs::create_directories(world.Host(host(deep)));
  // Where the whole path leads lies a cabinet of another set, which would not do.
  Set("other", 2);
  fs::copy_file(world.Host("other/disk2.cab"), world.Host(host(deep) + "disk2.cab"));
  Move("disk1/disk2.cab", host(cut) + "disk2.cab");
  extractor.OnNeedCabinet = [&](QObject*, const std::string&, const std::string&, std::string& answer, bool&) {
    answer = path;
  };
  EXPECT_EQ(Extract(first, Dest()), "Could not extract cabinet.\rCabinet not found") << "disk2 from the work list";
  EXPECT_EQ(world.Read("dest/b.bin"), b);
}
