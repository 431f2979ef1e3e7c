// The SendTargets records; see sendtargets.h.
#include "records/sendtargets.h"

namespace oxim::records {

bool EncodeSendTargetsRequest(std::span<uint8_t> out, const SendTargetsRequest& request) {
  if (out.size() < kSendTargetsRequestSize) return false;
  EncodeFixed32(out.data() + kSendTargetsHandleOffset, request.session_handle);
  EncodeFixed32(out.data() + kSendTargetsKindOffset, kSendTargetsKindFirst);
  EncodeText(out.subspan(kSendTargetsKeyOffset, kSendTargetsKeySize), request.key, TextEnd::kNul);
  return true;
}

bool EncodeSendTargetsFollowUp(std::span<uint8_t> out, const SendTargetsFollowUp& request) {
  if (out.size() < kFollowUpRequestSize) return false;
  EncodeFixed16(out.data() + kFollowUpReceivedOffset, request.received);
  EncodeFixed16(out.data() + kFollowUpWantedOffset, request.wanted);
  EncodeFixed32(out.data() + kFollowUpKindOffset, kSendTargetsKindFollowUp);
  return true;
}

std::optional<SendTargetsRequest> DecodeSendTargetsRequest(std::span<const uint8_t> in) {
  if (in.size() < kSendTargetsRequestSize ||
      DecodeFixed32(in.data() + kSendTargetsKindOffset) != kSendTargetsKindFirst) {
    return std::nullopt;
  }
  SendTargetsRequest request;
  request.session_handle = DecodeFixed32(in.data() + kSendTargetsHandleOffset);
  request.key = DecodeText(in.subspan(kSendTargetsKeyOffset, kSendTargetsKeySize));
  return request;
}

std::optional<SendTargetsFollowUp> DecodeSendTargetsFollowUp(std::span<const uint8_t> in) {
  if (in.size() < kFollowUpRequestSize ||
      DecodeFixed32(in.data() + kFollowUpKindOffset) != kSendTargetsKindFollowUp) {
    return std::nullopt;
  }
  return SendTargetsFollowUp{.received = DecodeFixed16(in.data() + kFollowUpReceivedOffset),
                             .wanted = DecodeFixed16(in.data() + kFollowUpWantedOffset)};
}

size_t EncodeSendTargetsAnswer(std::span<uint8_t> out, std::span<const DiscoveredTarget> targets) {
  if (out.size() < kSendTargetsRecordsOffset) return 0;
  size_t at = kSendTargetsRecordsOffset;
  size_t written = 0;
  for (const DiscoveredTarget& target : targets) {
    const size_t size = SendTargetsRecordSize(target.portals.size());
    if (!FieldFits(at, size, out.size())) break;
    std::span<uint8_t> record = out.subspan(at, size);
    std::fill(record.begin(), record.end(), uint8_t{0});
    EncodeFixed32(record.data() + kTargetRecordPortalCountOffset,
                  static_cast<uint32_t>(target.portals.size()));
    EncodeText(record.subspan(kTargetRecordNameOffset, kIscsiNameSize), target.name, TextEnd::kNul);
    for (size_t p = 0; p < target.portals.size(); ++p) {
      EncodePortalEntry(record.subspan(kTargetRecordPortalsOffset + p * kPortalEntrySize),
                        target.portals[p]);
    }
    at += size;
    ++written;
  }
  EncodeFixed32(out.data() + kSendTargetsCountOffset, static_cast<uint32_t>(written));
  return written;
}

std::optional<SendTargetsAnswer> DecodeSendTargetsAnswer(std::span<const uint8_t> in) {
  if (in.size() < kSendTargetsRecordsOffset) return std::nullopt;
  SendTargetsAnswer answer;
  answer.count = DecodeFixed32(in.data() + kSendTargetsCountOffset);
  size_t at = kSendTargetsRecordsOffset;
  for (uint32_t i = 0; i < answer.count; ++i) {
    // The portal count is read only when the record's fixed part is there,
    // and the record's size from it only when it stays inside the answer.
    if (!FieldFits(at, kTargetRecordPortalsOffset, in.size())) {
      answer.complete = false;
      break;
    }
    const uint32_t portals = DecodeFixed32(in.data() + at + kTargetRecordPortalCountOffset);
    const size_t room = (in.size() - at - kTargetRecordPortalsOffset) / kPortalEntrySize;
    if (portals > room || (portals == 0 && room == 0)) {
      answer.complete = false;
      break;
    }
    std::span<const uint8_t> record = in.subspan(at, SendTargetsRecordSize(portals));
    DiscoveredTarget target;
    target.name = DecodeText(record.subspan(kTargetRecordNameOffset, kIscsiNameSize));
    for (uint32_t p = 0; p < portals; ++p) {
      std::optional<PortalEntry> portal =
          DecodePortalEntry(record.subspan(kTargetRecordPortalsOffset + p * kPortalEntrySize));
      if (portal) target.portals.push_back(*portal);
    }
    answer.targets.push_back(std::move(target));
    at += record.size();
  }
  return answer;
}

}  // namespace oxim::records
