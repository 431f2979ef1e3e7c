// Controller discovery and start-up; see discovery.h.
#include "startup/discovery.h"

#include <sys/stat.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sstream>
#include <vector>

#include "core/alloc.h"
#include "core/host_paths.h"
#include "core/last_status.h"
#include "core/lock.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/status.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "kit/function_attributes.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/properties.h"
#include "oxim/oxim.h"
#include "platform/device_backend.h"
#include "records/additional_attributes.h"
#include "records/config_signature.h"
#include "records/controller_attributes.h"
#include "records/coredump_properties.h"
#include "records/driver_records.h"
#include "records/pci_config_command.h"
#include "schema/area.h"
#include "startup/host_facts.h"
#include "startup/tree_builder.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"
#include "transport/ioctl.h"

namespace oxim {
namespace {

constexpr int kMaxControllers = 16;
constexpr int kMaxPorts = 4;
constexpr size_t kInterfaceNameLength = 9;
constexpr char kEsxConfPath[] = "/etc/vmware/esx.conf";
constexpr char kLibraryDirectory[] = "/scratch/Vallorn/";

// Counts of the last enumeration; changed only while the tree is built or
// rebuilt (library lock held, or the NIC refresh, which runs one at a time).
int g_iscsi_count = 0;
int g_nic_count = 0;
uint8_t g_port_bitmap[kMaxControllers][kMaxPorts];

// Set while this thread runs start-up's discovery. A change of the NIC
// functions seen then is only noted: rebuilding the tree there would free
// the groups the enumeration loops are walking. Start-up begins again
// instead (init_hm).
thread_local bool t_discovering = false;
// Whether the running discovery saw the NIC functions change (library lock).
bool g_changed_while_discovering = false;

class DiscoveryScope {
 public:
  DiscoveryScope() : outer_(t_discovering) {
    t_discovering = true;
    g_changed_while_discovering = false;
  }
  ~DiscoveryScope() { t_discovering = outer_; }
  DiscoveryScope(const DiscoveryScope&) = delete;
  DiscoveryScope& operator=(const DiscoveryScope&) = delete;

 private:
  bool outer_;
};

// Interface names of the NIC functions; read by handlers on any thread.
std::mutex g_names_mutex;
std::array<std::string, records::kMaxNicFunctions> g_interface_names;

// A match result: the controller instance, none, or "skip this function"
// (the tree's properties could not be read).
constexpr int kNoMatch = -1;
constexpr int kSkipFunction = -2;

// The bus and device texts of a function's PCI group and its controller's
// serial number; false when one cannot be read.
bool function_identity(Node* controller, Node* function, std::string* bus, std::string* device,
                       std::string* serial) {
  Node* pci = internal_get_node(function, "PCI", OXIM_KIND_GROUP);
  if (pci == nullptr) {
    pdebug(kModuleAdapter, kLogError, "%s:Failed to get PCI node.\n", __func__);
    return false;
  }
  return read_prop(pci, "BusNumber", bus) && read_prop(pci, "DeviceNumber", device) &&
         read_prop(controller, "SerialNumber", serial);
}

// The controller an iSCSI function belongs to: with ASN "0" the first whose
// first iSCSI function has the same bus and device, otherwise the first with
// the same bus and serial number. A controller without iSCSI function ends
// the walk.
int find_iscsi_controller(const std::string& bus, const std::string& device,
                          const std::string& asn) {
  for (Node* controller : controllers()) {
    Node* function = get_first_instance(controller, "iSCSIPhysicalHBA");
    if (function == nullptr) {
      pdebug(kModuleAdapter, kLogError, "%s:Failed to get iSCSI PHBA first instance.\n", __func__);
      return kNoMatch;
    }
    std::string tree_bus, tree_device, serial;
    if (!function_identity(controller, function, &tree_bus, &tree_device, &serial)) {
      pdebug(kModuleAdapter, kLogError, "%s:Failed to get PCI information from iSCSI PHBA group.\n",
             __func__);
      return kSkipFunction;
    }
    const bool same_bus = equal_ignoring_case(bus, tree_bus);
    if (asn == "0" ? same_bus && equal_ignoring_case(device, tree_device)
                   : same_bus && equal_ignoring_case(asn, serial)) {
      return instance_number(controller);
    }
  }
  return kNoMatch;
}

// As find_iscsi_controller, for a NIC function: the controllers are compared
// through their first iSCSI function, or their first NIC function when they
// have none; bus and device decide when the ASN is "0" or the controller's
// serial number is "N/A".
int find_nic_controller(const std::string& bus, const std::string& device, const std::string& asn) {
  for (Node* controller : controllers()) {
    Node* function = get_first_instance(controller, "iSCSIPhysicalHBA");
    if (function == nullptr) function = get_first_instance(controller, "NICPhysicalHBA");
    if (function == nullptr) continue;
    std::string tree_bus, tree_device, serial;
    if (!function_identity(controller, function, &tree_bus, &tree_device, &serial)) {
      pdebug(kModuleAdapter, kLogError, "%s:Failed to get PCI information from NIC PHBA group.\n",
             __func__);
      return kSkipFunction;
    }
    const bool same_bus = equal_ignoring_case(bus, tree_bus);
    const bool by_address = asn == "0" || serial == "N/A";
    if (by_address ? same_bus && equal_ignoring_case(device, tree_device)
                   : same_bus && equal_ignoring_case(asn, serial)) {
      return instance_number(controller);
    }
  }
  return kNoMatch;
}

Node* controller_with_instance(int instance) {
  for (Node* controller : controllers()) {
    if (instance_number(controller) == instance) return controller;
  }
  return nullptr;
}

// Writes the configuration signature of a controller that runs the iSCSI
// protocol; a NIC-only controller counts it as done.
uint32_t OXIM_set_config_signature(int function_index, int controller_instance) {
  std::array<uint8_t, records::kConfigSignatureSize> signature{};
  records::EncodeConfigSignature(signature, records::kConfigSignatureConfigured);
  return ioctl_set_config_sign({.index = function_index}, signature, controller_instance);
}

// The catalogue template of an instanced group start-up creates.
Node* instantiate_named(const char* name, Node* parent) {
  const GroupTemplate* group_template = find_template(name);
  if (group_template == nullptr) {
    pdebug(kModuleAdapter, kLogCritical, "%s:no template for %s\n", __func__, name);
    return nullptr;
  }
  return instantiate(*group_template, parent, nullptr, nullptr, nullptr);
}

// A new controller group for a function, its identity filled by the areas
// from the function's attributes (when they were read).
Node* new_controller(const FoundFunction& found) {
  Node* controller = instantiate_named("Quellfire", hm_get_root(oxim_current_hierarchy));
  if (controller == nullptr) return nullptr;
  const int instance = instance_number(controller);
  pdebug(kModuleAdapter, kLogDebug, "%s:initialized controller %d\n", __func__, instance);
  transport::set_protocol(instance, found.kind == DriverKind::kIscsi ? 1 : 2);
  (void)ioctl_start_management_service({.index = found.function_index}, {}, found.kind);
  for (const Area* area : installed_areas()) {
    if (area->controller_created != nullptr) area->controller_created(controller, found);
  }
  OXIM_set_config_signature(found.function_index, instance);
  return controller;
}

// A new physical-HBA group for a function under its controller, with the
// function index in its private record.
Node* new_function(const char* name, Node* controller, const FoundFunction& found) {
  Node* function = instantiate_named(name, controller);
  if (function == nullptr) return nullptr;
  attach_function_index(function, found.function_index);
  return function;
}

// The areas fill a new physical HBA's properties.
void function_created(Node* function, const FoundFunction& found) {
  for (const Area* area : installed_areas()) {
    if (area->function_created != nullptr) area->function_created(function, found);
  }
}

// The SR-IOV probe: a command a virtual function is refused (195 or 196).
void probe_virtual_function(int function_index, Node* controller) {
  // A refusal is the answer the probe looks for, not a failure of start-up:
  // the last status stays as it was.
  uint32_t code = 0;
  char message[kMessageSize] = "";
  oxim_get_last_status(&code, message);
  uint32_t status = OXIM_STATUS_SUCCESS;
  switch (get_qf_type(controller)) {
    case kChipQF3: {
      std::array<uint8_t, records::kPciCommandSize> record{};
      records::EncodePciConfigCommand(record, {});  // 256 bytes from offset 0
      status = ioctl_read_pci_conf({.index = function_index}, record, DriverKind::kNic);
      break;
    }
    case kChipTindra: {
      std::array<uint8_t, records::kCoredumpPropertiesSize> properties{};
      status = ioctl_get_coredump_props({.index = function_index}, properties, DriverKind::kNic);
      break;
    }
    case kChipKorvel: {
      std::array<uint8_t, records::kAdditionalAttributesSize> attributes{};
      status =
          ioctl_get_cnt_additional_attribs({.index = function_index}, attributes, DriverKind::kNic);
      break;
    }
    default: return;
  }
  if (status == 195 || status == 196) {
    pdebug(kModuleAdapter, kLogError, "%s:OXIM is running on VM\n", __func__);
    set_running_on_virtual_function(true);
    oxim_set_last_status(code, message);
  }
}

void enumerate_iscsi_functions() {
  for (int k = 1; k <= g_iscsi_count; ++k) {
    std::optional<records::ControllerAttributes> attributes =
        function_attributes(k, DriverKind::kIscsi);
    if (!attributes) {
      pdebug(kModuleAdapter, kLogError, "%s:OXIM_get_cntr_attribs failed for i = %d.\n", __func__,
             k);
      continue;
    }
    const FoundFunction found{
        .function_index = k, .kind = DriverKind::kIscsi, .attributes = &*attributes};
    int instance = find_iscsi_controller(pci_number_text(attributes->address.bus),
                                         pci_number_text(attributes->address.device),
                                         attributes->serial_number);
    if (instance == kSkipFunction) continue;
    Node* controller =
        instance == kNoMatch ? new_controller(found) : controller_with_instance(instance);
    if (controller == nullptr) continue;
    Node* function = new_function("iSCSIPhysicalHBA", controller, found);
    if (function == nullptr) {
      pdebug(kModuleAdapter, kLogCritical, "%s:Failed to initialize iscsi phba.\n", __func__);
      continue;
    }
    function_created(function, found);
  }
}

void enumerate_nic_functions() {
  for (int k = 1; k <= g_nic_count; ++k) {
    std::optional<records::ControllerAttributes> attributes =
        function_attributes(k, DriverKind::kNic);
    records::PciAddress address;
    std::string asn = "0";
    if (attributes) {
      address = attributes->address;
      asn = attributes->serial_number;
    } else if (std::optional<records::PciAddress> table = transport::NicFunction(k)) {
      address = *table;  // matched by bus and device
    }
    const FoundFunction found{.function_index = k,
                              .kind = DriverKind::kNic,
                              .attributes = attributes ? &*attributes : nullptr};
    const std::string bus = pci_number_text(address.bus);
    const std::string device = pci_number_text(address.device);
    int instance = find_nic_controller(bus, device, asn);
    if (instance == kSkipFunction) continue;
    Node* controller =
        instance == kNoMatch ? new_controller(found) : controller_with_instance(instance);
    if (controller == nullptr) continue;
    Node* function = new_function("NICPhysicalHBA", controller, found);
    if (function == nullptr) {
      pdebug(kModuleAdapter, kLogCritical, "%s:Failed to initialize nic phba.\n", __func__);
      continue;
    }
    if (!attributes) {
      // Placed by the address of the NIC function table; later functions
      // are matched against it.
      if (Node* pci = internal_get_node(function, "PCI", OXIM_KIND_GROUP)) {
        set_prop_val(pci, "BusNumber", "%s", bus.c_str());
        set_prop_val(pci, "DeviceNumber", "%s", device.c_str());
        set_prop_val(pci, "FunctionNumber", "%s", pci_number_text(address.function).c_str());
      }
    }
    function_created(function, found);
    set_prop_val(function, "IfName", "%s", interface_name(k).c_str());
    probe_virtual_function(k, controller);
    set_prop_val(function, "IsVF", "%s", running_on_virtual_function() ? "True" : "False");
  }
}

// Controller-wide data, then each physical HBA once more, area by area.
void load_controllers() {
  for (Node* controller : controllers()) {
    for (const Area* area : installed_areas()) {
      if (area->load_controller != nullptr) area->load_controller(controller);
    }
  }
  for (Node* controller : controllers()) {
    for (Node* function : physical_hbas(controller)) {
      for (const Area* area : installed_areas()) {
        if (area->setup_function != nullptr) area->setup_function(function);
      }
    }
  }
}

void close_iscsi_devices() {
  for (int handle : transport::OpenIscsiHandles()) platform::CloseDevice(handle);
  transport::SetIscsiHandles({});
}

// The NIC refresh hook: rebuilds the tree when the number of NIC functions
// changed. Takes the library lock unless this thread holds it already (a
// command or refresh handler); a property handler runs without it.
bool nic_refresh_hook(int) { return refresh_oxim_hierarchy() != 0; }

// Counts the trees built, so that a walk over the tree can tell that a
// rebuild (the NIC refresh of a request it sent) replaced it meanwhile.
std::atomic<uint64_t> g_tree_generation{0};

// Tears the tree down and builds it again. REQUIRES: the library lock is
// held by this thread.
uint32_t rebuild_tree() {
  ++g_tree_generation;
  exit_hm();
  return init_hm();
}

}  // namespace

int os_get_port_instances() {
  std::vector<int> handles;
  for (int n = 0; n < records::kMaxIscsiInstances; ++n) {
    const int handle = platform::OpenDevice(records::kIscsiDevicePrefix + std::to_string(n));
    if (handle >= 0) handles.push_back(handle);
  }
  transport::SetIscsiHandles(handles);
  return static_cast<int>(handles.size());
}

void os_put_port_instances() { close_iscsi_devices(); }

int enumerate_qf_nics(int first_index) {
  std::array<uint8_t, records::kChipInfoRecordSize> record{};
  const uint32_t status = IssueNicDriverRequest(records::kNicChipInfoRequest, record);
  std::optional<std::vector<records::ChipInfoController>> chips =
      status == 0 ? records::DecodeChipInfo(record) : std::nullopt;
  if (!chips) {
    pdebug(kModuleAdapter, kLogError, "%s: ioctl_get_chipinfo failed with status = %d\n", __func__,
           static_cast<int>(status));
    return 0;
  }
  std::vector<records::PciAddress> functions;
  for (int k = 1; k <= first_index; ++k) {
    if (std::optional<records::PciAddress> kept = transport::NicFunction(k)) {
      functions.push_back(*kept);
    }
  }
  for (const records::ChipInfoController& chip : *chips) {
    for (uint8_t function : chip.functions) functions.push_back({chip.bus, chip.device, function});
  }
  transport::SetNicFunctions(functions);
  return transport::NicFunctionCount() - first_index;
}

int get_interface_names(int count, int first_index) {
  std::string configuration;
  if (!platform::ReadHostFile(kEsxConfPath, &configuration)) {
    pdebug(kModuleAdapter, kLogError, "%s:Failed to open /etc/vmware/esx.conf\n", __func__);
    return 0;
  }
  std::vector<std::string> lines;
  std::istringstream in(configuration);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::lock_guard<std::mutex> guard(g_names_mutex);
  for (int k = first_index + 1; k <= first_index + count && k <= records::kMaxNicFunctions; ++k) {
    std::optional<records::PciAddress> address = transport::NicFunction(k);
    g_interface_names[k - 1].clear();
    if (!address) continue;
    char key[32];
    std::snprintf(key, sizeof key, "%03d:%02d.%d/vmkname", address->bus, address->device,
                  address->function);
    for (const std::string& line : lines) {
      if (line.find(key) == std::string::npos) continue;
      // The value after the first "=", between double quotes.
      const size_t equals = line.find('=');
      const size_t open = line.find('"', equals == std::string::npos ? line.size() : equals);
      if (open == std::string::npos) break;
      const size_t close = line.find('"', open + 1);
      g_interface_names[k - 1] =
          line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1)
              .substr(0, kInterfaceNameLength);
      break;
    }
  }
  return count;
}

std::string interface_name(int function_index) {
  if (function_index < 1 || function_index > records::kMaxNicFunctions) return "";
  std::lock_guard<std::mutex> guard(g_names_mutex);
  return g_interface_names[function_index - 1];
}

int os_get_nic_port_instances() {
  transport::SetNicFunctions({});
  const int probe = platform::OpenDevice(records::kNicDevicePath);
  if (probe < 0) {
    if (platform::AdapterProblem().empty()) {  // else the backend said why
      pdebug(kModuleAdapter, kLogError, "could not open device node %s\n", records::kNicDevicePath);
    }
    return 0;
  }
  platform::CloseDevice(probe);
  const int count = enumerate_qf_nics(0);
  if (count == 0 || get_interface_names(count, 0) == 0) {
    transport::SetNicFunctions({});
    return 0;
  }
  return count;
}

int get_port_bitmap(int controller, int port) {
  if (controller < 0 || controller >= kMaxControllers || port < 0 || port >= kMaxPorts) return 4;
  const uint8_t bits = g_port_bitmap[controller][port];
  return (bits & 1) != 0 ? 1 : (bits & 2) != 0 ? 2 : 4;
}

void set_port_bitmap() {
  for (Node* controller : controllers()) {
    const int instance = instance_number(controller);
    if (instance < 0 || instance >= kMaxControllers) continue;
    for (int port = 0; port < kMaxPorts; ++port) {
      Node* function = get_valid_phba(controller, std::to_string(port).c_str());
      if (function == nullptr) continue;
      g_port_bitmap[instance][port] |= std::strcmp(function->name, "iSCSIPhysicalHBA") == 0 ? 1 : 2;
    }
  }
}

uint32_t backend_init() {
  DiscoveryScope discovering;
  pdebug(kModuleAdapter, kLogDebug, "OXIMServiceVersion   = %d.%d.%d.%d\n", kServiceVersion[0],
         kServiceVersion[1], kServiceVersion[2], kServiceVersion[3]);
  pdebug(kModuleAdapter, kLogDebug, "OXIMHierarchyVersion = %d.%d\n", kHierarchyVersion[0],
         kHierarchyVersion[1]);
  std::memset(g_port_bitmap, 0, sizeof g_port_bitmap);
  transport::reset_protocol_flags();
  set_running_on_virtual_function(false);
  (void)prepare_library_directories();

  g_iscsi_count = os_get_port_instances();
  pdebug(kModuleAdapter, kLogDebug, "%s:iscsi_valid_hba = %d\n", __func__, g_iscsi_count);
  g_nic_count = os_get_nic_port_instances();
  pdebug(kModuleAdapter, kLogDebug, "%s:nic_valid_hba = %d\n", __func__, g_nic_count);
  transport::SetNicRefreshHook(nic_refresh_hook);
  if (g_iscsi_count == 0 && g_nic_count == 0) {
    // An adapter that was chosen but cannot be used (the emulated adapter
    // runs another configuration, say) fails the start instead of showing
    // an empty tree.
    // The backend has logged the problem already.
    if (const std::string problem = platform::AdapterProblem(); !problem.empty()) {
      return reportf(OXIM_STATUS_FAILURE, "The adapter cannot be used: %s.", problem.c_str());
    }
    pdebug(kModuleAdapter, kLogCritical, "%s:Nevrane Adapter Not Found.\n", __func__);
    (void)report(kNoAdapter);
    return OXIM_STATUS_SUCCESS;
  }

  enumerate_iscsi_functions();
  enumerate_nic_functions();
  set_port_bitmap();
  load_controllers();
  return OXIM_STATUS_SUCCESS;
}

void backend_exit() {
  transport::SetNicRefreshHook(nullptr);
  // The physical HBAs' private records go with their groups when the tree
  // is deleted; here the devices are closed.
  close_iscsi_devices();
  transport::SetNicFunctions({});
  g_iscsi_count = 0;
  g_nic_count = 0;
}

bool discovery_saw_change() { return g_changed_while_discovering; }

int refresh_oxim_hierarchy() {
  const int count = enumerate_qf_nics(0);
  if (count == g_nic_count) return 0;
  pdebug(kModuleAdapter, kLogCritical, "%s:There is a change in OXIM NIC hierarchy.\n", __func__);
  if (t_discovering) {
    // The request fails, and start-up begins again once this pass is over.
    g_changed_while_discovering = true;
    return 1;
  }
  if (oxim_lock_held_by_this_thread()) {
    rebuild_tree();
  } else if (oxim_acquire_lock() == 1) {
    rebuild_tree();
    oxim_release_lock();
  }
  return 1;
}

uint32_t backend_client_init(int mode) {
  if (mode > 1) return OXIM_STATUS_SUCCESS;
  // Functions of the host against those of the tree; rebuild until equal.
  for (int attempt = 0; attempt < 4; ++attempt) {
    close_iscsi_devices();
    const int iscsi = os_get_port_instances();
    const int nic = iscsi == g_iscsi_count ? os_get_nic_port_instances() : g_nic_count;
    if (iscsi != g_iscsi_count || nic != g_nic_count) {
      pdebug(kModuleAdapter, kLogCritical, "%s:There is a change in OXIM %s hierarchy.\n", __func__,
             iscsi != g_iscsi_count ? "iSCSI" : "NIC");
      if (rebuild_tree() != OXIM_STATUS_SUCCESS) return OXIM_STATUS_FAILURE;
      continue;
    }
    const uint64_t generation = g_tree_generation;
    bool changed = false;
    for (Node* controller : controllers()) {
      std::string serial;
      read_prop(controller, "SerialNumber", &serial);
      for (const char* kind_name : {"iSCSIPhysicalHBA", "NICPhysicalHBA"}) {
        const DriverKind kind =
            std::strcmp(kind_name, "iSCSIPhysicalHBA") == 0 ? DriverKind::kIscsi : DriverKind::kNic;
        for (Node* function : groups_named(controller, kind_name)) {
          Node* pci = internal_get_node(function, "PCI", OXIM_KIND_GROUP);
          std::string bus;
          std::optional<records::ControllerAttributes> attributes =
              function_attributes(get_port_number(function), kind);
          if (pci == nullptr || !attributes || !read_prop(pci, "BusNumber", &bus)) continue;
          if (attributes->serial_number == "0" || serial == "N/A") continue;
          if (!equal_ignoring_case(bus, pci_number_text(attributes->address.bus)) ||
              !equal_ignoring_case(serial, attributes->serial_number)) {
            changed = true;
          }
        }
      }
    }
    if (changed) {
      if (rebuild_tree() != OXIM_STATUS_SUCCESS) return OXIM_STATUS_FAILURE;
      continue;
    }
    // A NIC request of the check found the NIC functions changed and
    // rebuilt the tree under it: check the new tree.
    if (g_tree_generation != generation) continue;
    if (g_iscsi_count == 0 && g_nic_count == 0) {
      (void)report(kNoController);
      return OXIM_STATUS_FAILURE;
    }
    for (Node* controller : controllers()) {
      for (Node* function : groups_named(controller, "NICPhysicalHBA")) {
        set_prop_val(function, "IfName", "%s", interface_name(get_port_number(function)).c_str());
      }
    }
    Node* root = hm_get_root(oxim_current_hierarchy);
    for (const Area* area : installed_areas()) {
      if (area->client_attach != nullptr) area->client_attach(root);
    }
    return OXIM_STATUS_SUCCESS;
  }
  return OXIM_STATUS_FAILURE;
}

uint32_t attach_later_client() {
  if (backend_client_init(0) == OXIM_STATUS_SUCCESS) return OXIM_STATUS_SUCCESS;
  uint32_t code = 0;
  oxim_get_last_status(&code, nullptr);
  // A host without adapter starts every client as it started the first.
  if (code != kNoController.code) return OXIM_STATUS_FAILURE;
  (void)report(kNoAdapter);
  return OXIM_STATUS_SUCCESS;
}

uint32_t backend_client_exit(int mode) {
  if (mode != 0) return OXIM_STATUS_SUCCESS;
  Node* root = hm_get_root(oxim_current_hierarchy);
  for (const Area* area : installed_areas()) {
    if (area->client_detach != nullptr) area->client_detach(root);
  }
  close_iscsi_devices();
  return OXIM_STATUS_SUCCESS;
}

uint32_t prepare_library_directories() {
  const uint32_t host = esx_version();
  // Directories stay traversable (0755); the areas keep the files that hold
  // secrets readable by their owner only.
  if (host != kHostEsxi) MakeDirectories(HostPath("/scratch/"), 0755);
  MakeDirectories(HostPath(kLibraryDirectory), 0755);
  for (const Area* area : installed_areas()) {
    if (area->prepare != nullptr) area->prepare();
  }
  return host;
}

}  // namespace oxim
