// The cabinet library against the shared test cabinets: well-formed ones of
// every method must give their files' known contents, every malformed one
// must end with an error, never a crash or a hang.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/CabinetClient.h"

namespace {

namespace fs = std::filesystem;

fs::path CabinetFolder() { return fs::path(CABLIB_TESTDATA) / "cabinets"; }

#define REQUIRE_TESTDATA()                                                                          \
  if (!fs::is_directory(CabinetFolder()))                                                           \
  GTEST_SKIP() << "the shared test cabinets are not at " << CabinetFolder() << "; nothing to check"

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Md5(const std::string& bytes) {
  return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Md5).toHex().toStdString();
}

// Loads the named cabinets into the client under their own names.
void Load(CabinetClient& client, const std::vector<std::string>& names) {
  for (const std::string& name : names) client.cabinets[name] = ReadAll(CabinetFolder() / name);
}

struct Known {
  const char* cabinet;
  std::vector<std::pair<std::string, std::string>> md5s;
};

TEST(SharedCabinets, WellFormedOnesGiveTheirKnownContents) {
  REQUIRE_TESTDATA();
  const Known known[] = {
      {"mszip_lzx_qtm.cab",
       {{"mszip.txt", "940cba86658fbceb582faecd2b5975d1"},
        {"lzx.txt", "703474293b614e7110b3eb8ac2762b53"},
        {"qtm.txt", "98fcfa4962a0f169a3c7fdbcb445cf17"}}},
      {"normal_2files_1folder.cab",
       {{"hello.c", "c2535936b8908b1f8a28b7724a2c2045"}, {"welcome.c", "67c981a019c21f3f4bb8f92efe4d95a1"}}},
  };
  for (const Known& k : known) {
    SCOPED_TRACE(k.cabinet);
    CabinetClient client;
    Load(client, {k.cabinet});
    ASSERT_TRUE(client.Copy(k.cabinet)) << client.erf().erfOper;
    for (const auto& [name, md5] : k.md5s) EXPECT_EQ(Md5(client.extracted[name]), md5) << name;
  }
}

TEST(SharedCabinets, FivePartSetWalksFromItsFirstCabinet) {
  REQUIRE_TESTDATA();
  CabinetClient client;
  for (int i = 1; i <= 5; ++i) Load(client, {"cabd_multi_basic_pt" + std::to_string(i) + ".cab"});
  ASSERT_TRUE(client.Copy("cabd_multi_basic_pt1.cab")) << client.erf().erfOper;
  EXPECT_EQ(Md5(client.extracted["test1.txt"]), "1ee6ef514d6234f79e3ef54a204901a2");
  EXPECT_EQ(Md5(client.extracted["test2.txt"]), "8e8ca89f5c5c7b80829f05ce451bf477");
  EXPECT_EQ(Md5(client.extracted["test3.txt"]), "e207982a9612cd1d9af933d5f00000f8");
  int asked = 0;
  for (const std::string& line : client.trace) asked += line.rfind("NEXT_CABINET", 0) == 0;
  EXPECT_EQ(asked, 4);
}

TEST(SharedCabinets, ReserveVariantsAreReadable) {
  REQUIRE_TESTDATA();
  for (const char* flags : {"---", "--D", "-F-", "-FD", "H--", "H-D", "HF-", "HFD"}) {
    const std::string name = std::string("reserve_") + flags + ".cab";
    SCOPED_TRACE(name);
    CabinetClient client;
    Load(client, {name});
    ASSERT_TRUE(client.Copy(name)) << client.erf().erfOper;
    EXPECT_EQ(client.extracted.size(), 2u);
    EXPECT_EQ(client.extracted["test1.txt"].size(), 5u);
  }
}

bool IsMalformed(const std::string& name) {
  for (const char* prefix : {"cve-", "lzx-", "partial_", "bad_", "filename-read-violation-", "hidden-file-"})
    if (name.rfind(prefix, 0) == 0) return true;
  return false;
}

TEST(SharedCabinets, MalformedOnesEndWithAnError) {
  REQUIRE_TESTDATA();
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(CabinetFolder())) {
    const std::string name = entry.path().filename().string();
    if (!IsMalformed(name)) continue;
    SCOPED_TRACE(name);
    CabinetClient client;
    Load(client, {name});
    FDICABINETINFO info{};
    const bool cabinet = client.IsCabinet(name, &info);
    const bool copied = client.Copy(name);
    EXPECT_FALSE(cabinet && copied);
    EXPECT_NE(client.erf().erfOper, FDIERROR_NONE);
    EXPECT_EQ(client.openHandles(), 0);
    EXPECT_EQ(client.liveBlocks(), 1);
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
