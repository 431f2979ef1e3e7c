// The emulated firmware's commands about the adapter and its functions'
// network side; see adapter_firmware.h.
#include "adapter_firmware.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "iscsi_firmware.h"
#include "network_model.h"
#include "records/base_t_stats.h"
#include "records/boot_config.h"
#include "records/erase_rom.h"
#include "records/factory_profile.h"
#include "records/ffv_params.h"
#include "records/flow_control.h"
#include "records/link_status.h"
#include "records/mac_records.h"
#include "records/ncsi_attributes.h"
#include "records/oem_exec_config.h"
#include "records/vnic.h"
#include "records/vpd.h"

namespace oxim::emulator {
namespace {

constexpr uint8_t kFwBadParameter = 2;
constexpr uint8_t kFwFailed = 1;
// Additional status of a command the firmware does not offer.
constexpr uint16_t kAddCommandNotSupported = 30;

FirmwareAnswer NotSupported() { return {kFwNotSupported, 0, {}}; }
FirmwareAnswer BadParameter() { return {kFwBadParameter, 0, {}}; }
FirmwareAnswer FlashFailed() { return {kFwFailed, 0, {}}; }

FirmwareAnswer WithPayload(std::vector<uint8_t> payload) { return {kFwSuccess, 0, payload}; }

// The request's bytes, as the answer starts from them.
std::vector<uint8_t> Echo(std::span<const uint8_t> request) {
  return std::vector<uint8_t>(request.begin(), request.end());
}

int ChipOf(const CommandContext& context) {
  return context.model.controller(context.function).chip;
}
bool IsNic(const CommandContext& context) {
  return context.model.function(context.function).kind == FunctionKind::kNic;
}

// --- MAC addresses ---

// Opcode 1: the function's current and permanent MAC address.
FirmwareAnswer GetMacQuery(CommandContext& context, std::span<const uint8_t> request) {
  const FunctionConfig& function = context.model.function(context.function);
  std::vector<uint8_t> answer = Echo(request);
  records::EncodeMacQueryAnswer(answer, {function.mac, function.mac});
  return WithPayload(std::move(answer));
}

// Opcode 147: the function's factory MAC addresses.
FirmwareAnswer GetMacList(CommandContext& context, std::span<const uint8_t> request) {
  if (request[records::kMacListTypeOffset] != records::kMacListFactory) return BadParameter();
  std::vector<uint8_t> answer = Echo(request);
  records::EncodeMacListAnswer(answer, {context.model.function(context.function).mac});
  return WithPayload(std::move(answer));
}

// --- Link ---

// Opcode 5, version 1: the port's link (down when the port's network says
// so, as the iSCSI side sees it too), the function's QoS limit.
FirmwareAnswer GetLinkStatus(CommandContext& context, std::span<const uint8_t>) {
  const ControllerConfig& controller = context.model.controller(context.function);
  const bool up = controller.link_speed != 0 &&
                  context.model.network().PortLinkUp(context.function.controller,
                                                     context.model.function(context.function).port);
  records::LinkStatus link;
  link.link = up ? 1 : 0;
  link.speed_code = controller.link_speed;
  link.qos_speed = context.model.function(context.function).qos_speed;
  link.logical_state = up ? records::kLogicalLinkUp : records::kLogicalLinkDown;
  std::vector<uint8_t> answer(records::kLinkStatusSize, 0);
  records::EncodeLinkStatus(answer, link);
  return WithPayload(std::move(answer));
}

// Opcode 5, version 0: the active port is the function's own, for ports 0
// and 1.
FirmwareAnswer GetNicLinkParams(CommandContext& context, std::span<const uint8_t>) {
  const int port = context.model.function(context.function).port;
  std::vector<uint8_t> answer(records::kLinkStatusSize, 0);
  records::EncodeNicLinkParams(answer,
                               port <= 1 ? static_cast<uint8_t>(port) : records::kNoActivePort);
  return WithPayload(std::move(answer));
}

// Opcode 37: pause frames in both directions; not there on QF2 and Korvel.
FirmwareAnswer GetFlowControl(CommandContext& context, std::span<const uint8_t>) {
  const int chip = ChipOf(context);
  if (chip == kChipQF2 || chip == kChipKorvel) return NotSupported();
  std::vector<uint8_t> answer(records::kFlowControlSize, 0);
  records::EncodeFlowControl(answer, {records::kPauseEnabled, records::kPauseEnabled});
  return WithPayload(std::move(answer));
}

// --- vNIC ---

FirmwareAnswer GetVnicName(CommandContext& context, std::span<const uint8_t>) {
  const std::optional<VnicConfig>& vnic = context.model.function(context.function).vnic;
  std::vector<uint8_t> answer(records::kVnicNameSize, 0);
  records::EncodeVnicName(answer, {vnic.has_value(), vnic ? vnic->name : std::string()});
  return WithPayload(std::move(answer));
}

FirmwareAnswer GetVnicStats(CommandContext& context, std::span<const uint8_t>) {
  const std::optional<VnicConfig>& vnic = context.model.function(context.function).vnic;
  std::vector<uint8_t> answer(records::kVnicStatsSize, 0);
  if (vnic) {
    records::EncodeVnicStats(answer, {vnic->outer_vlan, vnic->min_bandwidth, vnic->max_bandwidth});
  }
  return WithPayload(std::move(answer));
}

// --- Boot configuration ---

// A NIC function boots with PXE; an iSCSI function's boot BIOS is off.
std::vector<uint8_t> DefaultBootConfig(const CommandContext& context) {
  std::vector<uint8_t> record(records::kBootConfigSize, 0);
  records::BootConfig boot;
  boot.state = IsNic(context) ? records::kBootEnabled : records::kBootDisabled;
  boot.method = records::kBootMethodPxe;
  records::EncodeBootConfig(record, boot);
  return record;
}

FirmwareAnswer GetBootConfig(CommandContext& context, std::span<const uint8_t>) {
  std::vector<uint8_t> record = context.model.flash()
                                    .Load(FunctionFlashKey(context, "boot"))
                                    .value_or(DefaultBootConfig(context));
  record.resize(records::kBootConfigSize, 0);
  return WithPayload(std::move(record));
}

// Opcode 67: a state of 0 or 1; a NIC method of PXE, or iBFT on Korvel.
FirmwareAnswer SetBootConfig(CommandContext& context, std::span<const uint8_t> request) {
  std::optional<records::BootConfig> boot = records::DecodeBootConfig(request);
  if (!boot || boot->state > records::kBootEnabled || boot->method > records::kBootMethodIbft) {
    return BadParameter();
  }
  if (IsNic(context) && boot->method == records::kBootMethodIbft &&
      ChipOf(context) != kChipKorvel) {
    return BadParameter();
  }
  if (!context.model.flash().Save(FunctionFlashKey(context, "boot"), Echo(request))) {
    return FlashFailed();
  }
  return {};
}

// Opcode 83: the boot code of every function of the controller whose boot
// ROM is enabled.
FirmwareAnswer GetPciFuncMapping(CommandContext& context, std::span<const uint8_t>) {
  uint32_t bitmap = 0;
  for (const FunctionConfig& function : context.model.controller(context.function).functions) {
    if (function.boot_rom) bitmap |= uint32_t{1} << function.pci.function;
  }
  std::vector<uint8_t> answer(records::kPciFuncMappingSize, 0);
  records::EncodePciFuncMapping(answer, bitmap);
  return WithPayload(std::move(answer));
}

// --- OEM execution configuration (subsystem 21) ---

// The boot VLAN in flash: its ID (16 bits) and priority.
constexpr size_t kBootVlanSize = 3;

FirmwareAnswer OemExecConfig(CommandContext& context, std::span<const uint8_t> request) {
  if (ChipOf(context) == kChipQF2 || !IsNic(context)) return NotSupported();
  NicFunctionState& state = context.model.nic_state(context.function);
  FlashStore& flash = context.model.flash();
  const std::string vlan_key = FunctionFlashKey(context, "boot-vlan");
  if (records::IsOemExecWrite(request)) {
    const records::OemExecConfig write = *records::DecodeOemExecConfig(request);
    if (write.fields & records::kOemExecVlan) {
      if ((request[records::kOemExecVlanWriteOffset] & records::kOemExecWriteBit) == 0 ||
          write.vlan_id > 4095 || write.priority > 7) {
        return BadParameter();
      }
      const std::vector<uint8_t> vlan = {static_cast<uint8_t>(write.vlan_id),
                                         static_cast<uint8_t>(write.vlan_id >> 8), write.priority};
      if (!flash.Save(vlan_key, vlan)) return FlashFailed();
    }
    if (write.fields & records::kOemExecMac) state.volatile_mac = write.mac;
    return WithPayload(Echo(request));
  }
  records::OemExecConfig config;
  config.mac = state.volatile_mac.value_or(context.model.function(context.function).mac);
  const std::vector<uint8_t> vlan = flash.Load(vlan_key).value_or(std::vector<uint8_t>());
  if (vlan.size() == kBootVlanSize) {
    config.vlan_id = static_cast<uint16_t>(vlan[0] | vlan[1] << 8);
    config.priority = vlan[2];
  }
  std::vector<uint8_t> answer(records::kOemExecConfigSize, 0);
  records::EncodeOemExecAnswer(answer, config);
  return WithPayload(std::move(answer));
}

// --- Erase ---

// Opcode 7: the configuration its selector names. The iSCSI configuration
// is the function's persistent entries, target store and discovery
// parameters (iscsi_firmware.h); the NIC configuration returns the
// function's boot settings, boot VLAN and volatile MAC to their factory
// state. The port and discovery configuration (port speed, DCB) is not
// kept by this adapter: its erase, sent to any function of the port,
// succeeds with nothing to reset.
FirmwareAnswer EraseRom(CommandContext& context, std::span<const uint8_t> request) {
  const records::EraseSelector selector = *records::DecodeEraseRequest(request);
  if (selector == records::kEraseIscsiConfiguration) return EraseIscsiConfiguration(context);
  if (selector == records::kErasePortConfiguration) return {};
  if (selector != records::kEraseNicConfiguration) return BadParameter();
  if (!IsNic(context)) return NotSupported();
  FlashStore& flash = context.model.flash();
  context.model.nic_state(context.function).volatile_mac.reset();
  const std::vector<uint8_t> no_vlan(kBootVlanSize, 0);
  if (!flash.Save(FunctionFlashKey(context, "boot"), DefaultBootConfig(context)) ||
      !flash.Save(FunctionFlashKey(context, "boot-vlan"), no_vlan)) {
    return FlashFailed();
  }
  return {};
}

// --- Profiles ---

// Opcode 169: restores the factory profile configuration. QF2, QF3 and
// Korvel firmware has no profile interface and refuses it as not supported
// (additional status 30). Tindra accepts it; this adapter keeps no
// configured profile apart from the factory one, so nothing changes.
FirmwareAnswer SetFactoryProfileConfig(CommandContext& context, std::span<const uint8_t>) {
  if (ChipOf(context) != kChipTindra) return {kFwFailed, kAddCommandNotSupported, {}};
  return {};
}

// --- VPD ---

// The function the selector of a VPD request must name: an iSCSI function
// by its PCI function number; a NIC function on QF2 by 2 + its port, on the
// other chips by its PCI function number.
bool SelectorNamesFunction(const CommandContext& context, const records::VpdRequest& request) {
  const FunctionConfig& function = context.model.function(context.function);
  if (request.iscsi != !IsNic(context)) return false;
  if (IsNic(context) && ChipOf(context) == kChipQF2) return request.selector == 2 + function.port;
  return request.selector == function.pci.function;
}

FirmwareAnswer GetVpd(CommandContext& context, std::span<const uint8_t> request) {
  std::optional<records::VpdRequest> vpd = records::DecodeVpdRequest(request);
  if (!vpd || !SelectorNamesFunction(context, *vpd)) return BadParameter();
  std::vector<uint8_t> answer = Echo(request);
  records::EncodeVpdAnswer(answer, FunctionVpd(context.model, context.function));
  return WithPayload(std::move(answer));
}

// Version 1: Korvel's command.
FirmwareAnswer GetKorvelVpd(CommandContext& context, std::span<const uint8_t> request) {
  if (ChipOf(context) != kChipKorvel) return NotSupported();
  return GetVpd(context, request);
}

// Subsystem 19, opcode 3: a block of the FRU VPD.
FirmwareAnswer ReadFruVpd(CommandContext& context, std::span<const uint8_t> request) {
  std::optional<records::FruVpdRequest> read = records::DecodeFruVpdRequest(request);
  if (!read || read->size == 0 || read->offset > records::kFruVpdTotalSize ||
      read->size > records::kFruVpdTotalSize - read->offset) {
    return BadParameter();
  }
  const std::vector<uint8_t> fru = ControllerFruVpd(context.model, context.function);
  std::vector<uint8_t> answer = Echo(request);
  records::EncodeFruVpdAnswer(answer, std::span(fru).subspan(read->offset, read->size));
  return WithPayload(std::move(answer));
}

// --- FFV parameters (subsystem 19, opcode 2) ---

FirmwareAnswer FfvParams(CommandContext& context, std::span<const uint8_t> request) {
  const int chip = ChipOf(context);
  if (chip != kChipKorvel && chip != kChipTindra) return NotSupported();
  const records::FfvParams ffv = *records::DecodeFfvParams(request);
  const std::string key = ControllerFlashKey(context, "ffv");
  FlashStore& flash = context.model.flash();
  std::string name;
  if (ffv.operation == records::kFfvSet) {
    if (ffv.length != records::kFfvNameSize) return BadParameter();
    name = ffv.name;
    if (!flash.Save(key, std::vector<uint8_t>(name.begin(), name.end()))) return FlashFailed();
  } else if (ffv.operation == records::kFfvGet) {
    std::optional<std::vector<uint8_t>> saved = flash.Load(key);
    name = saved ? std::string(saved->begin(), saved->end())
                 : context.model.controller(context.function).ffv_name;
  } else {
    return BadParameter();
  }
  std::vector<uint8_t> answer(records::kFfvParamsSize, 0);
  records::EncodeFfvParams(answer, {ffv.operation, static_cast<uint8_t>(name.size()), name});
  return WithPayload(std::move(answer));
}

// --- NC-SI ---

// The controller's NIC functions on ports 0 and 1 give the magic-packet
// addresses.
records::NcsiPorts PortsOf(const ControllerConfig& controller, uint8_t wol) {
  records::NcsiPorts ports;
  for (const FunctionConfig& function : controller.functions) {
    if (function.kind != FunctionKind::kNic) continue;
    if (function.port == 0) ports.port0_mac = function.mac;
    if (function.port == 1) ports.port1_mac = function.mac;
  }
  ports.port0_wol = wol;
  ports.port1_wol = wol;
  return ports;
}

// The dynamic block as the firmware first has it: its own version and flag
// bytes around the fields, which a write must leave as they are.
std::array<uint8_t, records::kNcsiSetSize> DefaultNcsiDynamic(const ControllerConfig& controller) {
  std::array<uint8_t, records::kNcsiSetSize> block{};
  block[0] = 0x01;                                       // block version
  block[2] = 0x5A;                                       // firmware flags
  records::NcsiPorts ports = PortsOf(controller, 0x06);  // wake-up kinds, not enabled
  records::EncodeNcsiDynamic(block, ports);
  block[records::kNcsiSetSize - 1] = 0xA5;  // end marker
  return block;
}

FirmwareAnswer GetNcsiAttributes(CommandContext& context, std::span<const uint8_t>) {
  const ControllerConfig& controller = context.model.controller(context.function);
  records::NcsiAttributes ncsi;
  ncsi.state = controller.ncsi_supported ? records::kNcsiSupported : 0;
  ncsi.handshake = controller.ncsi_handshake;
  ncsi.port_swap = 0;
  ncsi.static_ports = PortsOf(controller, 1);
  std::optional<std::vector<uint8_t>> saved =
      context.model.flash().Load(ControllerFlashKey(context, "ncsi"));
  if (saved && saved->size() == records::kNcsiSetSize) {
    std::copy(saved->begin(), saved->end(), ncsi.dynamic_block.begin());
  } else {
    ncsi.dynamic_block = DefaultNcsiDynamic(controller);
  }
  ncsi.dynamic_ports = *records::DecodeNcsiDynamic(ncsi.dynamic_block);
  std::vector<uint8_t> answer(records::kNcsiAttributesSize, 0);
  records::EncodeNcsiAttributes(answer, ncsi);
  return WithPayload(std::move(answer));
}

// Opcode 87: the dynamic block, kept as sent.
FirmwareAnswer SetNcsiAttributes(CommandContext& context, std::span<const uint8_t> request) {
  if (!context.model.controller(context.function).ncsi_supported) return NotSupported();
  if (!context.model.flash().Save(ControllerFlashKey(context, "ncsi"), Echo(request))) {
    return FlashFailed();
  }
  return {};
}

// --- 10GBASE-T statistics (subsystem 18, opcode 8) ---

FirmwareAnswer BaseTStats(CommandContext& context, std::span<const uint8_t> request,
                          records::BaseTVersion version) {
  const ControllerConfig& controller = context.model.controller(context.function);
  if (!controller.base_t) return NotSupported();
  const int port = context.model.function(context.function).port;
  const std::string cleared_key =
      "baset-cleared-" + std::to_string(context.function.controller) + "-" + std::to_string(port);
  auto& volatile_state = context.model.volatile_state();
  const bool cleared = volatile_state.count(cleared_key) != 0;
  records::BaseTStats stats;
  // Diagnostic status, temperature, SNR of pairs A to D, time since link,
  // average MSE of pairs A to D, then the counters.
  const uint32_t kReadings[] = {0x0000, 47, 0x1c2, 0x1bf, 0x1c6, 0x1c0, 0, 3600, 21, 22, 20, 23};
  std::copy(std::begin(kReadings), std::end(kReadings), stats.words.begin());
  if (!cleared) {
    const uint32_t kCounters[] = {0, 12, 0, 3, 1, 2};
    std::copy(std::begin(kCounters), std::end(kCounters),
              stats.words.begin() + std::size(kReadings));
    stats.frame_count = version == records::BaseTVersion::kV1 ? 0x1'0000'2710ull : 0x2710;
  }
  if (version == records::BaseTVersion::kV1 && records::BaseTClearRequested(request)) {
    volatile_state[cleared_key] = {1};
  }
  std::vector<uint8_t> answer = Echo(request);
  records::EncodeBaseTStats(answer, version, stats);
  return WithPayload(std::move(answer));
}

FirmwareAnswer GetBaseTStats(CommandContext& context, std::span<const uint8_t> request) {
  return BaseTStats(context, request, records::BaseTVersion::kV0);
}

FirmwareAnswer GetBaseTStatsV1(CommandContext& context, std::span<const uint8_t> request) {
  if (ChipOf(context) != kChipTindra) return NotSupported();
  return BaseTStats(context, request, records::BaseTVersion::kV1);
}

constexpr HandlerEntry kAdapterHandlers[] = {
    {1, 1, 0, records::kMacQuerySize, records::kMacQuerySize, GetMacQuery},
    {1, 5, 0, records::kLinkStatusSize, records::kLinkStatusSize, GetNicLinkParams},
    {1, 5, 1, records::kLinkStatusSize, records::kLinkStatusSize, GetLinkStatus},
    {1, 7, 0, records::kEraseRequestSize, records::kEraseRequestSize, EraseRom},
    {1, 37, 0, records::kFlowControlSize, records::kFlowControlSize, GetFlowControl},
    {1, 64, 0, records::kVnicStatsSize, records::kVnicStatsSize, GetVnicStats},
    {1, 66, 0, records::kBootConfigSize, records::kBootConfigSize, GetBootConfig},
    {1, 67, 0, records::kBootConfigSize, records::kBootConfigSize, SetBootConfig},
    {1, 83, 0, records::kPciFuncMappingSize, records::kPciFuncMappingSize, GetPciFuncMapping},
    {1, 86, 0, records::kNcsiAttributesSize, records::kNcsiAttributesSize, GetNcsiAttributes},
    {1, 87, 0, records::kNcsiSetSize, records::kNcsiSetSize, SetNcsiAttributes},
    {1, 91, 0, records::kVpdSize, records::kVpdSize, GetVpd},
    {1, 91, 1, records::kVpdSize, records::kVpdSize, GetKorvelVpd},
    {1, 120, 0, records::kVnicNameSize, records::kVnicNameSize, GetVnicName},
    {1, 147, 0, records::kMacListSize, records::kMacListSize, GetMacList},
    {1, 169, 0, records::kFactoryProfileRequestSize, records::kFactoryProfileRequestSize,
     SetFactoryProfileConfig},
    {18, 8, 0, records::kBaseTStatsSize, records::kBaseTStatsSize, GetBaseTStats},
    {18, 8, 1, records::kBaseTStatsV1Size, records::kBaseTStatsV1Size, GetBaseTStatsV1},
    {19, 2, 0, records::kFfvParamsSize, records::kFfvParamsSize, FfvParams},
    {19, 3, 0, records::kFruVpdRequestSize, records::kFruVpdTotalSize, ReadFruVpd},
    {21, 4, 0, records::kOemExecConfigSize, records::kOemExecConfigSize, OemExecConfig},
};

// --- VPD content ---

void Append(std::vector<uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}

// A read-only VPD field: keyword, length, text.
void Field(std::vector<uint8_t>& out, const char* keyword, std::string_view text) {
  const size_t length = std::min<size_t>(text.size(), 255);
  out.push_back(static_cast<uint8_t>(keyword[0]));
  out.push_back(static_cast<uint8_t>(keyword[1]));
  out.push_back(static_cast<uint8_t>(length));
  Append(out, text.substr(0, length));
}

// An IPMI type/length byte and its text (8-bit ASCII, at most 63 bytes).
void FruField(std::vector<uint8_t>& out, std::string_view text) {
  const size_t length = std::min<size_t>(text.size(), 63);
  out.push_back(static_cast<uint8_t>(0xC0 | length));
  Append(out, text.substr(0, length));
}

uint8_t ZeroSumByte(std::span<const uint8_t> bytes) {
  uint8_t sum = 0;
  for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
  return static_cast<uint8_t>(-sum);
}

}  // namespace

std::span<const HandlerEntry> AdapterHandlers() { return kAdapterHandlers; }

std::vector<uint8_t> FunctionVpd(const AdapterModel& model, const FunctionRef& ref) {
  const ControllerConfig& controller = model.controller(ref);
  const FunctionConfig& function = model.function(ref);
  std::vector<uint8_t> vpd;
  const std::string_view id = controller.description;
  vpd.push_back(0x82);  // identifier string
  vpd.push_back(static_cast<uint8_t>(id.size()));
  vpd.push_back(static_cast<uint8_t>(id.size() >> 8));
  Append(vpd, id);
  std::vector<uint8_t> fields;
  Field(fields, "PN", controller.model_number);
  Field(fields, "EC", "A2");
  Field(fields, "SN", controller.serial_number);
  Field(fields, "V0",
        std::string(function.kind == FunctionKind::kNic ? "NIC" : "iSCSI") + " port " +
            std::to_string(function.port));
  // RV: one reserved byte that makes the sum of every byte up to it zero.
  fields.insert(fields.end(), {'R', 'V', 1});
  const size_t length = fields.size() + 1;
  vpd.push_back(0x90);  // read-only fields
  vpd.push_back(static_cast<uint8_t>(length));
  vpd.push_back(static_cast<uint8_t>(length >> 8));
  vpd.insert(vpd.end(), fields.begin(), fields.end());
  vpd.push_back(ZeroSumByte(vpd));
  vpd.push_back(0x78);  // end
  vpd.resize(std::min(vpd.size(), records::kVpdAreaSize));
  return vpd;
}

std::vector<uint8_t> ControllerFruVpd(const AdapterModel& model, const FunctionRef& ref) {
  const ControllerConfig& controller = model.controller(ref);
  std::vector<uint8_t> fru = {0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};  // board area at 8
  fru.push_back(ZeroSumByte(fru));
  std::vector<uint8_t> board = {0x01, 0x00, 0x00, 0x10, 0x2c, 0x8e};  // version, length, date
  FruField(board, controller.manufacturer);
  FruField(board, controller.description);
  FruField(board, controller.serial_number);
  FruField(board, controller.model_number);
  FruField(board, "FRU-1.0");
  board.push_back(0xC1);  // end of fields
  board.resize((board.size() + 1 + 7) / 8 * 8 - 1, 0);
  board[1] = static_cast<uint8_t>((board.size() + 1) / 8);
  board.push_back(ZeroSumByte(board));
  fru.insert(fru.end(), board.begin(), board.end());
  fru.resize(records::kFruVpdBlockOneOffset, 0);
  // Block one: the MAC addresses of the controller's functions.
  Append(fru, "MACS");
  for (const FunctionConfig& function : controller.functions) {
    fru.insert(fru.end(), function.mac.begin(), function.mac.end());
  }
  fru.resize(records::kFruVpdTotalSize, 0);
  return fru;
}

}  // namespace oxim::emulator
