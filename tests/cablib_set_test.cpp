// Cabinet sets: a folder that goes on in the next cabinet, the notifications
// that walk it, and what happens when the next cabinet is missing or is not
// the one that continues the set.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/cablib/fdi.h"
#include "tests/support/CabinetBuilder.h"
#include "tests/support/CabinetClient.h"

namespace {

using Trace = std::vector<std::string>;

// Two cabinets: "a" lies in the first, "b" starts there and ends in the
// second with a block split between them, "c" lies in the second.
struct TwoCabinetSet {
  std::string a = MixedBytes(1000, 1);
  std::string b = MixedBytes(45000, 2);
  std::string c = MixedBytes(300, 3);
  CabinetLayout first, second;

  TwoCabinetSet() {
    first.nextCabinet = "two.cab";
    first.nextDisk = "Disk 2";
    first.folders = {{0, StoredBlocks(a)},
                     {0, {{b.substr(0, 32768), 32768, true}, {b.substr(32768, 7232), 0, true}}}};
    first.files = {{"a", 1000, 0, 0}, {"b", 45000, 0, 0xFFFE}};
    second.index = 1;
    second.prevCabinet = "one.cab";
    second.prevDisk = "Disk 1";
    second.folders = {{0, {{b.substr(40000), 45000 - 32768, true}}}, {0, StoredBlocks(c)}};
    second.files = {{"b", 45000, 0, 0xFFFD}, {"c", 300, 0, 1}};
  }
  void LoadInto(CabinetClient& client, const std::string& secondAs = "two.cab") const {
    client.cabinets["one.cab"] = first.Build();
    client.cabinets[secondAs] = second.Build();
  }
};

const char* const kFirstInfo = "CABINET_INFO next=two.cab disk=Disk 2 path= set=4660 index=0";
const char* const kSecondInfo = "CABINET_INFO next= disk= path= set=4660 index=1";
const char* const kAskSecond = "NEXT_CABINET two.cab disk=Disk 2 path= fdie=";

TEST(CabinetSet, FromTheFirstCabinetTheSpanningFileIsFollowedIntoTheSecond) {
  TwoCabinetSet set;
  CabinetClient client;
  set.LoadInto(client);
  ASSERT_TRUE(client.Copy("one.cab")) << client.erf().erfOper;
  EXPECT_EQ(client.trace, (Trace{kFirstInfo, "COPY_FILE a size=1000 folder=0", "CLOSE_FILE_INFO a",
                                 "COPY_FILE b size=45000 folder=1", std::string(kAskSecond) + "0", kSecondInfo,
                                 "CLOSE_FILE_INFO b"}));
  EXPECT_EQ(client.extracted["a"], set.a);
  EXPECT_EQ(client.extracted["b"], set.b);
  EXPECT_EQ(client.openHandles(), 0);
}

TEST(CabinetSet, FromTheSecondCabinetTheContinuedFileIsOnlyReported) {
  TwoCabinetSet set;
  CabinetClient client;
  set.LoadInto(client);
  ASSERT_TRUE(client.Copy("two.cab")) << client.erf().erfOper;
  EXPECT_EQ(client.trace, (Trace{"CABINET_INFO next= disk= path= set=4660 index=1",
                                 "PARTIAL_FILE b prev=one.cab disk=Disk 1", "COPY_FILE c size=300 folder=1",
                                 "CLOSE_FILE_INFO c"}));
  EXPECT_EQ(client.extracted["c"], set.c);
}

// The client may answer with another path, and the library opens the cabinet
// there.
TEST(CabinetSet, ClientCanPointToTheNextCabinetsFolder) {
  TwoCabinetSet set;
  CabinetClient client;
  set.LoadInto(client, "disk2/two.cab");
  client.answer = [](FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) -> std::optional<intptr_t> {
    if (type != fdintNEXT_CABINET) return std::nullopt;
    if (n->fdie == FDIERROR_CABINET_NOT_FOUND) return -1;
    std::strcpy(n->psz3, "disk2/");
    return 0;
  };
  ASSERT_TRUE(client.Copy("one.cab")) << client.erf().erfOper;
  EXPECT_EQ(client.extracted["b"], set.b);
  EXPECT_EQ(client.trace[5], "CABINET_INFO next= disk= path=disk2/ set=4660 index=1");
}

struct Misfit {
  const char* what;
  void (*spoil)(TwoCabinetSet&, CabinetClient&);
  int32_t fdie;
};

const Misfit kMisfits[] = {
    {"missing", [](TwoCabinetSet&, CabinetClient& c) { c.cabinets.erase("two.cab"); }, FDIERROR_CABINET_NOT_FOUND},
    {"not a cabinet", [](TwoCabinetSet&, CabinetClient& c) { c.cabinets["two.cab"] = "no cabinet at all, really"; },
     FDIERROR_NOT_A_CABINET},
    {"other set",
     [](TwoCabinetSet& s, CabinetClient& c) {
       s.second.setId = 99;
       c.cabinets["two.cab"] = s.second.Build();
     },
     FDIERROR_WRONG_CABINET},
    {"not the next index",
     [](TwoCabinetSet& s, CabinetClient& c) {
       s.second.index = 2;
       c.cabinets["two.cab"] = s.second.Build();
     },
     FDIERROR_WRONG_CABINET},
    {"other reserve sizes",
     [](TwoCabinetSet& s, CabinetClient& c) {
       s.second.reserve = true;
       s.second.dataReserve = 4;
       c.cabinets["two.cab"] = s.second.Build();
     },
     FDIERROR_RESERVE_MISMATCH},
};

class UnfitNextCabinet : public testing::TestWithParam<Misfit> {};

// The library asks again saying why; the client gives up, the copy ends as
// aborted, and the half-written file still gets its CLOSE_FILE_INFO.
TEST_P(UnfitNextCabinet, IsAskedForAgainWithTheReason) {
  TwoCabinetSet set;
  CabinetClient client;
  set.LoadInto(client);
  GetParam().spoil(set, client);
  EXPECT_FALSE(client.Copy("one.cab"));
  EXPECT_EQ(client.erf().erfOper, FDIERROR_USER_ABORT);
  const Trace tail(client.trace.end() - 3, client.trace.end());
  EXPECT_EQ(tail, (Trace{std::string(kAskSecond) + "0", std::string(kAskSecond) + std::to_string(GetParam().fdie),
                         "CLOSE_FILE_INFO b"}));
  EXPECT_EQ(client.openHandles(), 0);
  EXPECT_EQ(client.extracted["b"], set.b.substr(0, 32768)) << "the whole blocks before the split were written";
}

INSTANTIATE_TEST_SUITE_P(Table, UnfitNextCabinet, testing::ValuesIn(kMisfits), [](const auto& info) {
  std::string name;
  for (char c : std::string(info.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

TEST(CabinetSet, AbortWhileAskedForTheNextCabinetClosesTheOpenFile) {
  TwoCabinetSet set;
  CabinetClient client;
  set.LoadInto(client);
  client.answer = [](FDINOTIFICATIONTYPE type, FDINOTIFICATION*) -> std::optional<intptr_t> {
    if (type == fdintNEXT_CABINET) return -1;
    return std::nullopt;
  };
  EXPECT_FALSE(client.Copy("one.cab"));
  EXPECT_EQ(client.erf().erfOper, FDIERROR_USER_ABORT);
  EXPECT_EQ(client.trace.back(), "CLOSE_FILE_INFO b");
}

// A file of a folder whose data begins in the previous cabinet cannot be
// decoded from this one.
TEST(CabinetSet, FileInsideAFolderContinuedFromBeforeIsCorrupt) {
  TwoCabinetSet set;
  set.second.files.push_back({"inside", 100, 45000 - 32768 - 200, 0});
  CabinetClient client;
  set.LoadInto(client);
  EXPECT_FALSE(client.Copy("two.cab"));
  EXPECT_EQ(client.erf().erfOper, FDIERROR_CORRUPT_CABINET);
  EXPECT_EQ(client.trace.back(), "CLOSE_FILE_INFO inside");
}

// A split block's first part must end its cabinet's share of a folder that
// goes on; elsewhere it is damage.
TEST(CabinetSet, SplitBlockOutsideACabinetsEndIsCorrupt) {
  CabinetLayout layout;
  layout.folders = {{0, {{"abc", 0, true}, {"abcdef", 6, true}}}};
  layout.files = {{"x", 6, 0, 0}};
  CabinetClient client;
  client.cabinets["s.cab"] = layout.Build();
  EXPECT_FALSE(client.Copy("s.cab"));
  EXPECT_EQ(client.erf().erfOper, FDIERROR_CORRUPT_CABINET);
}

}  // namespace
