// The cabinet library through its FDI calls, with an in-memory client:
// extraction of stored and MSZIP folders, the errors of damaged cabinets,
// skipping, aborting and failing writes, and memory use.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cablib/fdi.h"
#include "tests/support/CabinetBuilder.h"
#include "tests/support/CabinetClient.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

TEST(CabinetExtraction, StoredAndMszipFoldersGiveBackEveryFile) {
  const Files files = {{"readme.txt", "Read me first.\r\n"},
                       {"empty.dat", ""},
                       {"big.bin", MixedBytes(100000, 7)},  // several blocks, ends mid-block
                       {"tail.txt", MixedBytes(40000, 8)}};
  for (uint16_t compression : {0, 1}) {
    SCOPED_TRACE(compression);
    CabinetClient client;
    client.cabinets["set.cab"] = OneFolderCabinet(files, compression).Build();
    ASSERT_TRUE(client.Copy("set.cab")) << client.erf().erfOper;
    for (const auto& [name, bytes] : files) EXPECT_EQ(client.extracted[name], bytes) << name;
    EXPECT_EQ(client.openHandles(), 0);
  }
}

TEST(CabinetExtraction, NotifiesEachEntryInStoredOrderWithItsFields) {
  CabinetLayout layout = OneFolderCabinet({{"b.txt", "bee"}, {"a.txt", "ay"}});
  layout.files[0].date = 0x1234;
  layout.files[0].attribs = 0x21;
  CabinetClient client;
  client.cabinets["dir/one.cab"] = layout.Build();
  std::vector<std::string> seen;
  client.answer = [&](FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) -> std::optional<intptr_t> {
    if (type == fdintCOPY_FILE || type == fdintCLOSE_FILE_INFO)
      seen.push_back(std::string(n->psz1) + " " + std::to_string(n->cb) + " " + std::to_string(n->date) + " " +
                     std::to_string(n->attribs));
    return std::nullopt;
  };
  ASSERT_TRUE(client.Copy("one.cab", "dir/"));
  EXPECT_EQ(client.trace.front(), "CABINET_INFO next= disk= path=dir/ set=4660 index=0");
  EXPECT_EQ(seen, (std::vector<std::string>{"b.txt 3 4660 33", "b.txt 3 4660 33", "a.txt 2 8812 32",
                                            "a.txt 2 8812 32"}));
}

TEST(CabinetExtraction, NamesAreCodePage1252UnlessFlaggedUtf8) {
  CabinetLayout layout = OneFolderCabinet({{"Gr\xFC\xDF" "e.txt", "x"}, {"\xC3\xBC" "ber.txt", "y"}});
  layout.files[1].attribs |= _A_NAME_IS_UTF;
  CabinetClient client;
  client.cabinets["n.cab"] = layout.Build();
  ASSERT_TRUE(client.Copy("n.cab"));
  EXPECT_EQ(client.extracted.count("Gr\xC3\xBC\xC3\x9F" "e.txt"), 1u);
  EXPECT_EQ(client.extracted.count("\xC3\xBC" "ber.txt"), 1u);
}

TEST(CabinetExtraction, ReserveAreasAreSkipped) {
  CabinetLayout layout = OneFolderCabinet({{"a", MixedBytes(70000, 3)}}, 1);
  layout.reserve = true;
  layout.headerReserve = 20;
  layout.folderReserve = 5;
  layout.dataReserve = 7;
  CabinetClient client;
  client.cabinets["r.cab"] = layout.Build();
  ASSERT_TRUE(client.Copy("r.cab")) << client.erf().erfOper;
  EXPECT_EQ(client.extracted["a"], MixedBytes(70000, 3));
  FDICABINETINFO info{};
  ASSERT_TRUE(client.IsCabinet("r.cab", &info));
  EXPECT_TRUE(info.fReserve);
}

// A skipped entry is decoded through, not written, when a later one of the
// same folder is wanted; the MSZIP history must still be right after it.
TEST(CabinetExtraction, SkippedEntriesAreNotWrittenButLaterOnesDecode) {
  const Files files = {{"skip1", MixedBytes(50000, 1)}, {"keep", MixedBytes(30000, 2)}, {"skip2", "zz"}};
  CabinetClient client;
  client.cabinets["s.cab"] = OneFolderCabinet(files, 1).Build();
  client.answer = [](FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) -> std::optional<intptr_t> {
    if (type == fdintCOPY_FILE && std::string(n->psz1) != "keep") return 0;
    return std::nullopt;
  };
  ASSERT_TRUE(client.Copy("s.cab"));
  ASSERT_EQ(client.extracted.size(), 1u);
  EXPECT_EQ(client.extracted["keep"], files[1].second);
}

// Entries listed out of folder order make the library go back to a folder's
// start.
TEST(CabinetExtraction, EntriesOutOfFolderOrderStillDecode) {
  const std::string data = MixedBytes(90000, 5);
  CabinetLayout layout;
  layout.folders.push_back({1, MszipBlocks(data)});
  layout.folders.push_back({0, StoredBlocks("second folder")});
  layout.files = {{"late", 20000, 60000, 0}, {"other", 13, 0, 1}, {"early", 1000, 100, 0}};
  CabinetClient client;
  client.cabinets["o.cab"] = layout.Build();
  ASSERT_TRUE(client.Copy("o.cab")) << client.erf().erfOper;
  EXPECT_EQ(client.extracted["late"], data.substr(60000, 20000));
  EXPECT_EQ(client.extracted["early"], data.substr(100, 1000));
  EXPECT_EQ(client.extracted["other"], "second folder");
}

// A block yields the size its record states: a deflate stream that goes on
// past it is cut there.
TEST(CabinetExtraction, MszipStreamLongerThanItsBlockIsCut) {
  const std::string data = MixedBytes(3000, 6);
  CabinetLayout layout = OneFolderCabinet({{"a", data.substr(0, 1000)}});
  BuiltBlock block = MszipBlocks(data)[0];
  block.uncompressed = 1000;
  layout.folders = {{1, {block}}};
  CabinetClient client;
  client.cabinets["c.cab"] = layout.Build();
  ASSERT_TRUE(client.Copy("c.cab")) << client.erf().erfOper;
  EXPECT_EQ(client.extracted["a"], data.substr(0, 1000));
}

struct Damage {
  const char* what;
  std::string (*make)();
  int32_t error;
};

std::string Good() { return OneFolderCabinet({{"a.txt", "hello"}, {"b.txt", "world"}}).Build(); }
std::string Patched16(size_t at, uint16_t v) {
  std::string c = Good();
  PutLe16(c, at, v);
  return c;
}
std::string WithFolders(std::vector<BuiltFolder> folders) {
  CabinetLayout layout = OneFolderCabinet({{"a.txt", "hello"}});
  layout.folders = std::move(folders);
  return layout.Build();
}
BuiltFolder Mszip(std::string data, uint16_t out) { return {1, {{std::move(data), out, true}}}; }

const Damage kDamages[] = {
    {"truncated header", [] { return Good().substr(0, 20); }, FDIERROR_NOT_A_CABINET},
    {"bad signature", [] { std::string c = Good(); c[0] = 'N'; return c; }, FDIERROR_NOT_A_CABINET},
    {"newer minor version", [] { return Patched16(kCabVersionField, 0x0104); }, FDIERROR_UNKNOWN_CABINET_VERSION},
    {"other major version", [] { return Patched16(kCabVersionField, 0x0203); }, FDIERROR_UNKNOWN_CABINET_VERSION},
    {"file table past the end", [] { std::string c = Good(); PutLe32(c, kCabFilesOffsetField, 5000); return c; },
     FDIERROR_CORRUPT_CABINET},
    {"folder table past the end", [] { return Patched16(kCabFolderCountField, 400); }, FDIERROR_CORRUPT_CABINET},
    {"no folders but files", [] { return Patched16(kCabFolderCountField, 0); }, FDIERROR_CORRUPT_CABINET},
    {"no files", [] { return Patched16(kCabFileCountField, 0); }, FDIERROR_CORRUPT_CABINET},
    {"more files than listed", [] { return Patched16(kCabFileCountField, 3); }, FDIERROR_CORRUPT_CABINET},
    {"file in a missing folder",
     [] { CabinetLayout s = OneFolderCabinet({{"a", "x"}}); s.files[0].folder = 3; return s.Build(); },
     FDIERROR_CORRUPT_CABINET},
    {"name without terminator", [] { std::string c = Good(); return c.substr(0, c.find("b.txt") + 5); },
     FDIERROR_CORRUPT_CABINET},
    {"empty name", [] { CabinetLayout s = OneFolderCabinet({{"", "x"}}); return s.Build(); }, FDIERROR_CORRUPT_CABINET},
    {"checksum mismatch", [] { std::string c = Good(); c[c.size() - 1] ^= 1; return c; }, FDIERROR_CORRUPT_CABINET},
    {"block data past the end", [] { std::string c = Good(); return c.substr(0, c.size() - 3); },
     FDIERROR_CORRUPT_CABINET},
    {"folder data past the end",
     [] {
       CabinetLayout s = OneFolderCabinet({{"a", "x"}});
       std::string c = s.Build();
       PutLe32(c, 36, 100000);  // the first folder's data offset
       return c;
     },
     FDIERROR_CORRUPT_CABINET},
    {"file past its folder's data",
     [] { CabinetLayout s = OneFolderCabinet({{"a", "x"}}); s.files[0].size = 2; return s.Build(); },
     FDIERROR_CORRUPT_CABINET},
    {"block larger than 32 KiB",
     [] { return WithFolders({{0, {{std::string(40000, 'x'), 40000, true}}}}); }, FDIERROR_CORRUPT_CABINET},
    {"unknown compression type 5", [] { return WithFolders({{5, StoredBlocks("hello")}}); },
     FDIERROR_BAD_COMPR_TYPE},
    {"LZX window too large", [] { return WithFolders({{0x1603, StoredBlocks("hello")}}); },
     FDIERROR_BAD_COMPR_TYPE},
    {"Quantum window too small", [] { return WithFolders({{0x0902, StoredBlocks("hello")}}); },
     FDIERROR_BAD_COMPR_TYPE},
    {"stored block of the wrong size", [] { return WithFolders({{0, {{"hellox", 5, true}}}}); },
     FDIERROR_MDI_FAIL},
    {"MSZIP block without its signature", [] { return WithFolders({Mszip("XK\x03\x00", 5)}); }, FDIERROR_MDI_FAIL},
    {"MSZIP block of bad deflate data", [] { return WithFolders({Mszip("CK\xFF\xFF\xFF", 5)}); },
     FDIERROR_MDI_FAIL},
    {"MSZIP block shorter than stated",
     [] {
       BuiltBlock b = MszipBlocks("hell")[0];
       b.uncompressed = 5;
       return WithFolders({{1, {b}}});
     },
     FDIERROR_MDI_FAIL},
    {"MSZIP match reaching past its history",
     [] {
       // Deflated after 32 KiB of history, the second block follows five bytes.
       const std::string history = MixedBytes(32768, 4);
       const std::string late = history.substr(20000, 2000);
       CabinetLayout s = OneFolderCabinet({{"a.txt", "hello" + late}});
       s.folders = {{1, {MszipBlocks("hello")[0], MszipBlocks(history + late)[1]}}};
       return s.Build();
     },
     FDIERROR_MDI_FAIL},
};

class DamagedCabinet : public testing::TestWithParam<Damage> {};

TEST_P(DamagedCabinet, FailsWithItsErrorCode) {
  const Damage& damage = GetParam();
  CabinetClient client;
  client.cabinets["bad.cab"] = damage.make();
  EXPECT_FALSE(client.Copy("bad.cab"));
  EXPECT_EQ(client.erf().erfOper, damage.error);
  EXPECT_EQ(client.erf().fError, 1);
  EXPECT_EQ(client.openHandles(), 0);
  EXPECT_EQ(client.liveBlocks(), 1) << "only the context stays allocated";
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedCabinet, testing::ValuesIn(kDamages), [](const auto& info) {
  std::string name;
  for (char c : std::string(info.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

TEST(CabinetExtraction, MissingCabinetAndHeaderChecksReportTheirCodes) {
  CabinetClient client;
  EXPECT_FALSE(client.Copy("absent.cab"));
  EXPECT_EQ(client.erf().erfOper, FDIERROR_CABINET_NOT_FOUND);
  client.cabinets["text.cab"] = "just some text, long enough to hold a header";
  FDICABINETINFO info{};
  EXPECT_FALSE(client.IsCabinet("text.cab", &info));
  EXPECT_EQ(client.erf().erfOper, FDIERROR_NOT_A_CABINET);
  client.cabinets["good.cab"] = Good();
  ASSERT_TRUE(client.IsCabinet("good.cab", &info));
  EXPECT_EQ(info.cFiles, 2);
  EXPECT_EQ(info.cFolders, 1);
  EXPECT_EQ(info.cbCabinet, static_cast<int32_t>(Good().size()));
}

TEST(CabinetExtraction, AbortFromCopyFileEndsTheCopy) {
  CabinetClient client;
  client.cabinets["a.cab"] = Good();
  client.answer = [](FDINOTIFICATIONTYPE type, FDINOTIFICATION*) -> std::optional<intptr_t> {
    if (type == fdintCOPY_FILE) return -1;
    return std::nullopt;
  };
  EXPECT_FALSE(client.Copy("a.cab"));
  EXPECT_EQ(client.erf().erfOper, FDIERROR_USER_ABORT);
  EXPECT_TRUE(client.extracted.empty());
}

// The open file gets its CLOSE_FILE_INFO, so the client can close and remove
// it, whatever ended the copy.
TEST(CabinetExtraction, OpenFileIsClosedWhenWritingOrDecodingFails) {
  {
    CabinetClient client;
    client.cabinets["w.cab"] = Good();
    client.failWritesOf = "a.txt";
    EXPECT_FALSE(client.Copy("w.cab"));
    EXPECT_EQ(client.erf().erfOper, FDIERROR_TARGET_FILE);
    EXPECT_EQ(client.trace.back(), "CLOSE_FILE_INFO a.txt");
    EXPECT_EQ(client.openHandles(), 0);
  }
  {
    CabinetClient client;
    std::string c = Good();
    c[c.size() - 1] ^= 1;
    client.cabinets["c.cab"] = c;
    EXPECT_FALSE(client.Copy("c.cab"));
    EXPECT_EQ(client.erf().erfOper, FDIERROR_CORRUPT_CABINET);
    EXPECT_EQ(client.trace.back(), "CLOSE_FILE_INFO a.txt");
  }
}

// Memory stays at one folder's decoder state however large the cabinet.
TEST(CabinetExtraction, MemoryIsBoundedByOneFolder) {
  const std::string data = MixedBytes(3 << 20, 11);
  CabinetClient client;
  client.cabinets["m.cab"] = OneFolderCabinet({{"m", data}}, 1).Build();
  ASSERT_TRUE(client.Copy("m.cab"));
  EXPECT_EQ(client.extracted["m"], data);
  EXPECT_LT(client.peakBytes(), 400u * 1024);
  EXPECT_EQ(client.liveBlocks(), 1);
}

}  // namespace
