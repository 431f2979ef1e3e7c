// PCI configuration space of the emulated functions; see pci_config.h.
#include "pci_config.h"

#include "records/coding.h"
#include "records/pci_express.h"

namespace oxim::emulator {
namespace {

constexpr size_t kCommandOffset = 0x04;
constexpr size_t kStatusOffset = 0x06;
constexpr size_t kRevisionOffset = 0x08;
constexpr size_t kClassOffset = 0x09;  // programming interface, subclass, class
constexpr size_t kHeaderTypeOffset = 0x0E;
constexpr size_t kSubsystemVendorOffset = 0x2C;
constexpr size_t kSubsystemDeviceOffset = 0x2E;
constexpr size_t kInterruptPinOffset = 0x3D;
// Where the PCI Express capability sits on the other chips.
constexpr size_t kPcieCapabilityOffset = 0x40;

}  // namespace

std::vector<uint8_t> ConfigSpace(const AdapterModel& model, const FunctionRef& ref) {
  const ControllerConfig& controller = model.controller(ref);
  const FunctionConfig& function = model.function(ref);
  std::vector<uint8_t> space(kConfigSpaceSize, 0);
  uint8_t* p = space.data();
  records::EncodeFixed16(p, model.config().vendor_id);
  records::EncodeFixed16(p + 2, model.device_id(ref));
  records::EncodeFixed16(p + kCommandOffset, 0x0146);  // memory, bus master, parity, SERR
  records::EncodeFixed16(p + kStatusOffset, 0x0010);   // capability list
  p[kRevisionOffset] = 0x01;
  p[kClassOffset + 1] = function.kind == FunctionKind::kNic ? 0x00 : 0x80;  // Ethernet / other
  p[kClassOffset + 2] = function.kind == FunctionKind::kNic ? 0x02 : 0x01;  // network / storage
  p[kHeaderTypeOffset] = 0x80;                                              // multi-function
  records::EncodeFixed16(p + kSubsystemVendorOffset, controller.subsystem_vendor_id);
  records::EncodeFixed16(p + kSubsystemDeviceOffset, controller.subsystem_device_id);
  p[kInterruptPinOffset] = 0x01;
  records::EncodePcieCapability(
      space,
      controller.chip == kChipKorvel ? records::kKorvelPcieCapabilityOffset : kPcieCapabilityOffset,
      records::PcieLinkRegister(kPcieLanes, kPcieSpeedCode));
  return space;
}

}  // namespace oxim::emulator
