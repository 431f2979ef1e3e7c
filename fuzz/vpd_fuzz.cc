// Arbitrary bytes as the firmware's VPD, FRU VPD and vNIC answers: each
// decoder stays inside the bytes, what decodes encodes back to the same
// fields, and every chunk the library makes of a VPD area or FRU VPD block
// is lower-case hexadecimal of at most 254 characters.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "areas/controller/vpd.h"
#include "fuzz_support.h"
#include "records/vnic.h"
#include "records/vpd.h"

namespace {

using oxim::fuzz::Check;
using namespace oxim::records;

void CheckChunks(std::span<const uint8_t> block, size_t count) {
  for (const std::string& chunk : oxim::vpd_chunks(block, count)) {
    Check(chunk.size() <= 254 && chunk.size() % 2 == 0);
    Check(chunk.find_first_not_of("0123456789abcdef") == std::string::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  if (std::optional<std::vector<uint8_t>> area = DecodeVpdAnswer(in)) {
    Check(area->size() == kVpdAreaSize);
    CheckChunks(*area, 9);
  }
  if (std::optional<VpdRequest> request = DecodeVpdRequest(in)) {
    std::vector<uint8_t> again(kVpdSize, 0);
    Check(EncodeVpdRequest(again, *request));
    Check(DecodeVpdRequest(again)->selector == request->selector);
  }
  if (std::optional<FruVpdRequest> request = DecodeFruVpdRequest(in)) {
    Check(request->size <= in.size());
    std::optional<std::vector<uint8_t>> block = DecodeFruVpdAnswer(in, request->size);
    Check(block.has_value());
    CheckChunks(*block, 2);
  }
  CheckChunks(in, 11);
  if (std::optional<VnicName> name = DecodeVnicName(in)) {
    Check(name->name.size() <= kVnicNameTextSize);
    std::vector<uint8_t> again(kVnicNameSize, 0);
    Check(EncodeVnicName(again, *name));
    std::optional<VnicName> twice = DecodeVnicName(again);
    Check(twice && twice->enabled == name->enabled && twice->name == name->name);
  }
  if (std::optional<VnicStats> stats = DecodeVnicStats(in)) {
    std::vector<uint8_t> again(kVnicStatsSize, 0);
    Check(EncodeVnicStats(again, *stats));
    Check(DecodeVnicStats(again)->outer_vlan == stats->outer_vlan);
  }
  return 0;
}
