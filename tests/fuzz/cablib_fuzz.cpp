// Feeds arbitrary bytes to the cabinet library as one cabinet, or as two
// cabinets of a set when the input holds the split marker: FDIIsCabinet, then
// FDICopy extracting everything, with the next cabinet always offered.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "tests/support/CabinetClient.h"

namespace {

constexpr std::string_view kSplit = "NEXTCAB!";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find(kSplit);
  CabinetClient client;
  client.cabinets["first.cab"] = std::string(input.substr(0, split));
  if (split != std::string_view::npos) client.cabinets["second.cab"] = std::string(input.substr(split + kSplit.size()));
  // Always point at the second cabinet; give up once it did not fit.
  client.answer = [](FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) -> std::optional<intptr_t> {
    if (type != fdintNEXT_CABINET) return std::nullopt;
    if (n->fdie != FDIERROR_NONE) return -1;
    std::strcpy(n->psz1, "second.cab");
    n->psz3[0] = '\0';
    return 0;
  };
  FDICABINETINFO info{};
  client.IsCabinet("first.cab", &info);
  client.Copy("first.cab");
  if (client.openHandles() != 0 || client.liveBlocks() != 1) __builtin_trap();  // leaked a handle or memory
  return 0;
}
