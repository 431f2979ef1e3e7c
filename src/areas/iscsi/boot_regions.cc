// Boot sessions and the iSCSI regions; see boot_regions.h.
#include "areas/iscsi/boot_regions.h"

#include <algorithm>

#include "areas/iscsi/iscsi_tree.h"
#include "areas/iscsi/sessions.h"
#include "core/log.h"
#include "core/strings.h"
#include "records/iscsi_region.h"
#include "records/login_options_record.h"
#include "transport/commands.h"

namespace oxim::iscsi {
namespace {

using records::IscsiRegion;
using records::Tlv;

// A region as read, as edited, and the bytes to write (none when nothing
// changed).
struct RegionEdit {
  int number = 0;
  std::vector<uint8_t> read;
  IscsiRegion region;
  std::vector<uint8_t> written;
};

// Reads and checks a region and takes its pad TLV off, ready for edits.
uint32_t begin_edit(const FunctionAddress& function, int number, RegionEdit* edit) {
  edit->number = number;
  if (OXIM_read_iscsi_region(function, number, &edit->read) != 0) return 1;
  std::optional<IscsiRegion> region = records::DecodeIscsiRegion(edit->read);
  if (!region) {
    pdebug(kModuleAdapter, kLogError, "%s: region %d is damaged: its TLVs run past its bytes\n",
           __func__, number);
    return 1;
  }
  edit->region = std::move(*region);
  records::RemovePadTlv(&edit->region);
  return 0;
}

// Pads the edited region and encodes it; 1 when it does not fit an object.
uint32_t finish_edit(RegionEdit* edit) {
  records::AddPadTlv(&edit->region);
  std::vector<uint8_t> bytes(records::IscsiRegionSize(edit->region));
  if (!records::EncodeIscsiRegion(bytes, edit->region)) {
    pdebug(kModuleAdapter, kLogError, "%s: region %d does not fit an object\n", __func__,
           edit->number);
    return 1;
  }
  const bool same = bytes.size() <= edit->read.size() &&
                    std::equal(bytes.begin(), bytes.end(), edit->read.begin());
  if (!same) edit->written = std::move(bytes);
  return 0;
}

// Writes what finish_edit encoded, if anything.
uint32_t OXIM_write_iscsi_region(const FunctionAddress& function, const RegionEdit& edit) {
  if (edit.written.empty()) return 0;
  records::ObjectWrite write;
  write.name = records::IscsiRegionObjectName(function.port, edit.number);
  write.data = edit.written;
  std::vector<uint8_t> request(records::ObjectWriteSize(write.data.size()), 0);
  if (!records::EncodeObjectWrite(request, write) ||
      ioctl_common_write_object_version1(function, request, static_cast<uint32_t>(request.size()),
                                         DriverKind::kIscsi) != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: region %d was not written\n", __func__, edit.number);
    return 1;
  }
  return 0;
}

// Encodes both edits, then writes them in order.
uint32_t finish_and_write(const FunctionAddress& function, RegionEdit* first, RegionEdit* second) {
  if (finish_edit(first) != 0 || (second != nullptr && finish_edit(second) != 0)) return 1;
  if (OXIM_write_iscsi_region(function, *first) != 0) return 1;
  return second != nullptr ? OXIM_write_iscsi_region(function, *second) : 0;
}

void remove_types(IscsiRegion* region, std::initializer_list<uint8_t> types) {
  std::erase_if(region->tlvs, [&](const Tlv& tlv) {
    return std::find(types.begin(), types.end(), tlv.type) != types.end();
  });
}

// The login options of the session's first connection.
records::LoginOptions options_of(const records::FirmwareSession& record) {
  std::array<uint8_t, records::kLoginOptionsSize> bytes{};
  std::copy(record.session_part.begin(), record.session_part.end(), bytes.begin());
  if (!record.connections.empty()) {
    const auto& part = record.connections.front().connection_part;
    std::copy(part.begin(), part.end(), bytes.begin() + records::kLoginSessionPartSize);
  }
  return records::DecodeLoginOptions(bytes).value_or(records::LoginOptions{});
}

bool is_mutual(const records::LoginOptions& options) {
  return options.authentication_method == 1 && options.mutual_chap == 1;
}

uint8_t address_kind(uint8_t address_type) {
  return address_type == records::kAddressIpv6 ? records::kBootAddressIpv6
                                               : records::kBootAddressIpv4;
}

// The boot target TLV of a session record; nullopt when a name or secret is
// too long for it.
std::optional<Tlv> boot_tlv_of(const records::FirmwareSession& record) {
  const records::LoginOptions options = options_of(record);
  records::BootTarget boot;
  if (options.authentication_method == 1) {
    boot.authentication = is_mutual(options) ? records::kBootAuthMutual : records::kBootAuthOneWay;
    boot.target_chap_name = options.target_chap_name;
    boot.target_secret = options.target_secret;
    boot.initiator_chap_name = options.initiator_chap_name;
    boot.initiator_secret = options.initiator_secret;
  }
  boot.isid_qualifier = records::IsidQualifier(record.isid);
  boot.header_digest = options.header_digest;
  boot.data_digest = options.data_digest;
  if (!record.connections.empty()) {
    const records::FirmwareConnection& connection = record.connections.front();
    boot.port = connection.destination_port;
    boot.address_kind = address_kind(connection.destination_type);
    std::copy(connection.destination_address.begin(), connection.destination_address.end(),
              boot.address.begin());
  }
  boot.target_name = record.target_name;
  return records::EncodeBootTargetTlv(boot);
}

// Whether a boot target TLV is the session's: type 3 while the session is
// marked (flag bit 8), type 4 with flag bit 10; same target name (any case),
// qualifier, address kind and address as its first connection.
bool belongs_to(const Tlv& tlv, const records::FirmwareSession& record) {
  constexpr uint32_t kTypeFourFlag = 1u << 10;
  if (tlv.type == records::kBootTargetTlvType && (record.flags & records::kSessionBoot) == 0) {
    return false;
  }
  if (tlv.type == records::kBootTargetTlvAltType && (record.flags & kTypeFourFlag) == 0) {
    return false;
  }
  std::optional<records::BootTarget> boot = records::DecodeBootTargetTlv(tlv);
  if (!boot || record.connections.empty()) return false;
  const records::FirmwareConnection& connection = record.connections.front();
  const size_t size = boot->address_kind == records::kBootAddressIpv6 ? 16 : 4;
  return equal_ignoring_case(boot->target_name, record.target_name) &&
         boot->isid_qualifier == records::IsidQualifier(record.isid) &&
         boot->address_kind == address_kind(connection.destination_type) &&
         std::equal(boot->address.begin(), boot->address.begin() + size,
                    connection.destination_address.begin());
}

std::vector<uint8_t> bytes_of(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace

uint32_t OXIM_read_iscsi_region(const FunctionAddress& function, int region,
                                std::vector<uint8_t>* bytes) {
  std::vector<uint8_t> request(records::kObjectReadSize, 0);
  const std::string name = records::IscsiRegionObjectName(function.port, region);
  (void)records::EncodeObjectReadRequest(request, name);
  if (ioctl_common_read_object_version1(function, request, static_cast<uint32_t>(request.size()),
                                        DriverKind::kIscsi) != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: %s could not be read\n", __func__, name.c_str());
    return 1;
  }
  std::optional<records::ObjectReadAnswer> answer = records::DecodeObjectReadAnswer(request);
  if (!answer || answer->data.empty() || !answer->end) {
    pdebug(kModuleAdapter, kLogError, "%s: %s was not read whole\n", __func__, name.c_str());
    return 1;
  }
  if (answer->data.size() < records::kRegionHeaderSize ||
      records::DecodeFixed32(answer->data.data() + records::kRegionLengthOffset) == 0) {
    pdebug(kModuleAdapter, kLogError,
           "%s: The Length from iSCSI Region header is zero, means there are no TLV's present.\n",
           __func__);
    return 1;
  }
  *bytes = std::move(answer->data);
  return 0;
}

uint32_t OXIM_add_boottarget_tlv(Node* session) {
  const FunctionAddress function = function_address(session);
  records::FirmwareSession record;
  if (read_session_record(session, &record) != 0) return 1;
  std::optional<Tlv> tlv = boot_tlv_of(record);
  if (!tlv) {
    pdebug(kModuleAdapter, kLogError,
           "%s: a CHAP name or secret is longer than the boot target TLV holds (255)\n", __func__);
    return 1;
  }
  const records::LoginOptions options = options_of(record);
  // Both regions are read, edited and encoded before either is written.
  RegionEdit targets;
  if (begin_edit(function, records::kBootTargetRegion, &targets) != 0) return 1;
  remove_types(&targets.region, {records::kBootTargetTlvType, records::kBootTargetTlvAltType});
  targets.region.tlvs.push_back(std::move(*tlv));
  RegionEdit chap;
  if (is_mutual(options)) {
    if (begin_edit(function, records::kInitiatorChapRegion, &chap) != 0) return 1;
    remove_types(&chap.region, {records::kChapNameTlvType, records::kChapSecretTlvType});
    chap.region.tlvs.push_back(
        records::ChapTlv(records::kChapNameTlvType, bytes_of(options.initiator_chap_name)));
    chap.region.tlvs.push_back(
        records::ChapTlv(records::kChapSecretTlvType, options.initiator_secret));
  }
  return finish_and_write(function, &targets, is_mutual(options) ? &chap : nullptr);
}

uint32_t OXIM_delete_boottarget_tlv(Node* session, const records::FirmwareSession& record) {
  const FunctionAddress function = function_address(session);
  RegionEdit targets;
  RegionEdit chap;
  if (begin_edit(function, records::kBootTargetRegion, &targets) != 0 ||
      begin_edit(function, records::kInitiatorChapRegion, &chap) != 0) {
    return 1;
  }
  auto own = std::find_if(targets.region.tlvs.begin(), targets.region.tlvs.end(),
                          [&](const Tlv& tlv) { return belongs_to(tlv, record); });
  if (own != targets.region.tlvs.end()) targets.region.tlvs.erase(own);
  remove_types(&chap.region, {records::kChapNameTlvType, records::kChapSecretTlvType});
  return finish_and_write(function, &targets, &chap);
}

uint32_t add_boot_tlv_on_tindra(Node* session) {
  if (get_qf_type(session) != kChipTindra) return 0;
  if (OXIM_add_boottarget_tlv(session) != 0) return report(kBootTlvNotAdded);
  return 0;
}

uint32_t set_boot_session(Node* session, const std::string& value) {
  if (equal_ignoring_case(value, "True")) {
    if (uint32_t status = OXIM_configure_boot_target(session, value); status != 0) return status;
    return add_boot_tlv_on_tindra(session);
  }
  if (cached_prop(session, "iSCSIBoot") == value) {
    pdebug(kModuleAdapter, kLogInfo, "%s: Given value is already configured.\n", __func__);
    return 0;
  }
  // The TLV goes first, found by the record of the session while it is
  // still marked: should its removal fail, the session stays marked and a
  // second unmarking tries again.
  if (get_qf_type(session) == kChipTindra) {
    records::FirmwareSession record;
    if (read_session_record(session, &record) != 0) return report(kBootTlvNotDeleted);
    if ((record.flags & records::kSessionBoot) != 0 &&
        OXIM_delete_boottarget_tlv(session, record) != 0) {
      return report(kBootTlvNotDeleted);
    }
  }
  return OXIM_configure_boot_target(session, value);
}

}  // namespace oxim::iscsi
