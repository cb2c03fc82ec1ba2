// cabtool against the independent cabinet tools of the system: what gcab
// writes, cabtool extracts; what cabtool makes, cabextract accepts; and the
// trace of a set walked from any of its cabinets.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <filesystem>
#include <random>

#include "tests/support/CabinetBuilder.h"
#include "tests/support/WindowsWorld.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int exitCode;
  std::string output;
};

Outcome RunProgram(const QString& program, const QStringList& arguments, const fs::path& folder) {
  QProcess process;
  process.setWorkingDirectory(QString::fromStdString(folder.string()));
  process.start(program, arguments);
  process.waitForFinished(120000);
  return {process.exitCode(), process.readAllStandardOutput().toStdString() +
                                  process.readAllStandardError().toStdString()};
}

Outcome RunCabtool(const QStringList& arguments, const fs::path& folder) { return RunProgram(CABTOOL, arguments, folder); }

// Bytes no compression shrinks, so that a size limit cuts a set the same way
// with and without it.
std::string RandomBytes(std::size_t size, uint32_t seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator());
  return bytes;
}

bool Installed(const char* program) { return !QStandardPaths::findExecutable(program).isEmpty(); }

// The lines of a trace that start with one of the words.
std::vector<std::string> Lines(const std::string& output, const std::vector<std::string>& words) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < output.size()) {
    const std::size_t end = output.find('\n', start);
    const std::string line = output.substr(start, end - start);
    for (const std::string& word : words)
      if (line.starts_with(word + " ")) lines.push_back(line);
    start = end == std::string::npos ? output.size() : end + 1;
  }
  return lines;
}

}  // namespace

class Cabtool : public ::testing::Test {
 protected:
  Cabtool() {
    world.Write("in/a.bin", RandomBytes(20000, 1));
    world.Write("in/b.bin", RandomBytes(35000, 2));
    world.Write("in/c.bin", RandomBytes(15000, 3));
    world.MakeFolder("out");
  }
  // Three cabinets: a in the first, b from the first into the second, c from
  // the second into the third.
  void MakeSet(const QStringList& options = {}) {
    world.MakeFolder("set");
    const Outcome made =
        RunCabtool(QStringList{"make"} + options + QStringList{"--max-size", "30000", "--set-id", "77", "disk",
                                                            "../in/a.bin", "../in/b.bin", "../in/c.bin"},
                world.Host("set"));
    ASSERT_EQ(made.exitCode, 0) << made.output;
    ASSERT_TRUE(fs::exists(world.Host("set/disk3.cab")));
    ASSERT_FALSE(fs::exists(world.Host("set/disk4.cab")));
  }
  void ExpectExtracted(const std::string& folder) {
    for (const char* name : {"a.bin", "b.bin", "c.bin"})
      EXPECT_EQ(world.Read(folder + "/" + name), world.Read(std::string("in/") + name)) << name;
  }
  WindowsWorld world;
};

TEST_F(Cabtool, ExtractsWhatGcabWritesByteForByte) {
  if (!Installed("gcab")) GTEST_SKIP() << "gcab is not installed";
  world.Write("in/text.txt", std::string(200000, 'k') + MixedBytes(100000, 4));
  const Outcome made = RunProgram("gcab", {"-c", "-z", "peer.cab", "a.bin", "b.bin", "c.bin", "text.txt"}, world.Host("in"));
  ASSERT_EQ(made.exitCode, 0) << made.output;
  const Outcome extracted = RunCabtool({"extract", "in/peer.cab", "out"}, world.Folder());
  ASSERT_EQ(extracted.exitCode, 0) << extracted.output;
  ExpectExtracted("out");
  EXPECT_EQ(world.Read("out/text.txt"), world.Read("in/text.txt"));
}

TEST_F(Cabtool, MakesSetsThatCabextractAccepts) {
  if (!Installed("cabextract")) GTEST_SKIP() << "cabextract is not installed";
  for (const QStringList& options : {QStringList{}, QStringList{"--mszip"}}) {
    MakeSet(options);
    const Outcome tested = RunProgram("cabextract", {"-t", "disk1.cab"}, world.Host("set"));
    EXPECT_EQ(tested.exitCode, 0) << tested.output;
    EXPECT_NE(tested.output.find("All done, no errors."), std::string::npos) << tested.output;
    fs::remove_all(world.Host("set"));
  }
}

TEST_F(Cabtool, ExtractsAWholeSetFromAnyOfItsCabinets) {
  MakeSet({"--mszip"});
  for (const char* first : {"disk1.cab", "disk2.cab", "disk3.cab"}) {
    const std::string out = std::string("out-") + first;
    world.MakeFolder(out);
    const Outcome extracted = RunCabtool({"extract", QString("set/") + first, QString::fromStdString(out)}, world.Folder());
    ASSERT_EQ(extracted.exitCode, 0) << extracted.output;
    ExpectExtracted(out);
  }
}

TEST_F(Cabtool, TracesASetInTheOrderItsCabinetsAreNamed) {
  MakeSet();
  const std::vector<std::string> walk = {"FDICOPY", "RESULT"};
  const Outcome fromFirst = RunCabtool({"trace", "out", "set/", "disk1.cab"}, world.Folder());
  EXPECT_EQ(fromFirst.exitCode, 0) << fromFirst.output;
  EXPECT_EQ(Lines(fromFirst.output, walk),
            (std::vector<std::string>{"FDICOPY disk1.cab", "RESULT ok", "FDICOPY disk2.cab", "RESULT ok",
                                      "FDICOPY disk3.cab", "RESULT ok"}));
  // From the second: the third is named by the cabinet's header, the first by
  // the file that began there, and the spanning file is written with the first.
  const Outcome fromSecond = RunCabtool({"trace", "out2", "set/", "disk2.cab"}, world.Folder());
  EXPECT_NE(fromSecond.exitCode, 0) << "out2 does not exist yet";
  world.MakeFolder("out2");
  const Outcome traced = RunCabtool({"trace", "out2", "set/", "disk2.cab"}, world.Folder());
  EXPECT_EQ(traced.exitCode, 0) << traced.output;
  EXPECT_EQ(Lines(traced.output, {"FDICOPY", "PARTIAL_FILE", "CLOSE_FILE_INFO"}),
            (std::vector<std::string>{
                "FDICOPY disk2.cab", "PARTIAL_FILE name=b.bin from=disk1.cab disk=Disk 1",
                "CLOSE_FILE_INFO name=c.bin", "FDICOPY disk3.cab", "PARTIAL_FILE name=c.bin from=disk2.cab disk=Disk 2",
                "FDICOPY disk1.cab", "CLOSE_FILE_INFO name=a.bin", "CLOSE_FILE_INFO name=b.bin"}));
  ExpectExtracted("out2");
  EXPECT_EQ(Lines(traced.output, {"CABINET_INFO"}).front(),
            "CABINET_INFO next=disk3.cab disk=Disk 3 path=set/ set=77 index=1");
}

TEST_F(Cabtool, TraceGivesUpAMissingCabinetAtTheThirdAskAndListsFiles) {
  MakeSet();
  fs::remove(world.Host("set/disk2.cab"));
  const Outcome traced = RunCabtool({"trace", "out", "set/", "disk1.cab"}, world.Folder());
  EXPECT_EQ(traced.exitCode, 1);
  EXPECT_EQ(Lines(traced.output, {"NEXT_CABINET", "RESULT"}),
            (std::vector<std::string>{"NEXT_CABINET next=disk2.cab disk=Disk 2 path=set/ error=0",
                                      "NEXT_CABINET next=disk2.cab disk=Disk 2 path=set/ error=1",
                                      "NEXT_CABINET next=disk2.cab disk=Disk 2 path=set/ error=1",
                                      "NEXT_CABINET next=disk2.cab disk=Disk 2 path=set/ error=1",
                                      "RESULT error=11"}));
  const Outcome listed = RunCabtool({"list", "set/disk1.cab"}, world.Folder());
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_NE(listed.output.find("20000"), std::string::npos) << listed.output;
  EXPECT_NE(listed.output.find("a.bin"), std::string::npos) << listed.output;
  const Outcome broken = RunCabtool({"extract", "in/a.bin", "out"}, world.Folder());
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_NE(broken.output.find("Invalid cab file."), std::string::npos) << broken.output;
}
