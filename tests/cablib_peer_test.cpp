// The cabinet library against other cabinet tools run as black boxes: what
// gcab packs must come back byte for byte, and cabinets made here must read
// the same with cabextract as with the library.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "tests/support/CabinetBuilder.h"
#include "tests/support/CabinetClient.h"

namespace {

#define REQUIRE_TOOL(tool) \
  if (QStandardPaths::findExecutable(tool).isEmpty()) GTEST_SKIP() << tool " is not installed; no peer to compare with"

void WriteFile(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Runs a tool in a folder; its standard output, or nullopt when it failed.
std::optional<std::string> RunTool(const QString& folder, const QString& tool, const QStringList& args) {
  QProcess process;
  process.setWorkingDirectory(folder);
  process.start(tool, args);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return std::nullopt;
  return process.readAllStandardOutput().toStdString();
}

TEST(CabinetPeers, WhatGcabCompressesComesBackByteForByte) {
  REQUIRE_TOOL("gcab");
  QTemporaryDir dir;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"small.txt", "tiny\n"}, {"mixed.bin", MixedBytes(300000, 4)}, {"zeros.bin", std::string(100000, '\0')}};
  QStringList args = {"-c", "-z", "packed.cab"};
  for (const auto& [name, bytes] : files) {
    WriteFile(dir.filePath(QString::fromStdString(name)), bytes);
    args << QString::fromStdString(name);
  }
  ASSERT_TRUE(RunTool(dir.path(), "gcab", args));
  CabinetClient client;
  client.cabinets["packed.cab"] = ReadFile(dir.filePath("packed.cab"));
  ASSERT_TRUE(client.Copy("packed.cab")) << client.erf().erfOper;
  for (const auto& [name, bytes] : files) EXPECT_TRUE(client.extracted[name] == bytes) << name;
}

// cabextract reads cabinets made by the test builder as the library does, so
// the builder's layout and checksums are the format's and not a shared
// misreading.
TEST(CabinetPeers, CabextractAgreesOnCraftedMszipAndStoredCabinets) {
  REQUIRE_TOOL("cabextract");
  QTemporaryDir dir;
  const std::string data = MixedBytes(120000, 9);
  for (uint16_t compression : {0, 1}) {
    CabinetLayout layout = OneFolderCabinet({{"data.bin", data}}, compression);
    layout.reserve = true;
    layout.dataReserve = 3;
    WriteFile(dir.filePath("c.cab"), layout.Build());
    EXPECT_EQ(RunTool(dir.path(), "cabextract", {"-q", "-p", "c.cab"}), data) << compression;
  }
}

// x86 code-like bytes: calls whose operands the translation changes.
std::string CallHeavyBytes(size_t size) {
  std::string out = MixedBytes(size, 12);
  for (size_t at = 5; at + 5 < size; at += 37) {
    out[at] = '\xE8';
    out[at + 3] = static_cast<char>(at % 3 == 0 ? 0xFF : 0x00);  // targets before and after the call
  }
  return out;
}

TEST(CabinetPeers, CabextractAgreesOnLzxStoredBlocksAndCallTranslation) {
  REQUIRE_TOOL("cabextract");
  QTemporaryDir dir;
  struct Case {
    const char* what;
    std::string data;
    uint32_t translation;
    uint16_t compression;  // LZX with the window bits in the high byte
    bool verbatim;
  };
  const Case cases[] = {{"odd size over three frames", MixedBytes(70001, 5), 0, 0x1003, false},
                        {"translated calls", CallHeavyBytes(80000), 12000000, 0x1003, false},
                        {"one short frame", "short", 0, 0x1003, false},
                        {"verbatim literals, smallest window", MixedBytes(70000, 6), 0, 0x0F03, true},
                        {"verbatim literals, largest window", MixedBytes(40000, 7), 0, 0x1503, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CabinetLayout layout;
    layout.folders = {{c.compression, c.verbatim ? LzxLiteralFrames(c.data, c.compression >> 8)
                                               : LzxStoredFrames(c.data, c.translation)}};
    layout.files = {{"lzx.bin", static_cast<uint32_t>(c.data.size()), 0, 0}};
    const std::string cabinet = layout.Build();
    WriteFile(dir.filePath("lzx.cab"), cabinet);
    const auto peer = RunTool(dir.path(), "cabextract", {"-q", "-p", "lzx.cab"});
    ASSERT_TRUE(peer);
    CabinetClient client;
    client.cabinets["lzx.cab"] = cabinet;
    ASSERT_TRUE(client.Copy("lzx.cab")) << client.erf().erfOper;
    EXPECT_TRUE(client.extracted["lzx.bin"] == *peer);
    if (c.translation == 0) {
      EXPECT_TRUE(*peer == c.data);
    } else {
      EXPECT_FALSE(*peer == c.data) << "the case must change calls";
    }
  }
}

}  // namespace
