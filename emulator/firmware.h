// The firmware side of the emulated adapter: parses a command buffer's
// request header, checks the request length against the command, runs the
// handler registered for (subsystem, opcode, version) and writes the
// response header and answer back into the buffer, never past the request
// length. A command without a handler answers status 66 (not supported).
#ifndef OXIM_EMULATOR_FIRMWARE_H_
#define OXIM_EMULATOR_FIRMWARE_H_

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "adapter_model.h"
#include "faults.h"

namespace oxim::emulator {

// Firmware statuses the emulator answers with.
inline constexpr uint8_t kFwSuccess = 0;
inline constexpr uint8_t kFwBadRequestLength = 3;  // length does not match the command
inline constexpr uint8_t kFwBufferTooSmall = 4;    // answer needs more; length in the header
inline constexpr uint8_t kFwNotSupported = 66;

// The function a command was addressed to.
struct CommandContext {
  AdapterModel& model;
  FunctionRef function;
  // The adapter's lock, held while the handler runs; null when the caller
  // holds none.
  std::unique_lock<std::mutex>* lock = nullptr;
};

// Releases the adapter's lock for its lifetime (nothing without one), so that
// a handler that waits on the network does not hold up the other functions.
// Whatever the handler found in the model before may have changed after.
class UnlockedScope {
 public:
  explicit UnlockedScope(const CommandContext& context) : lock_(context.lock) {
    if (lock_ != nullptr) lock_->unlock();
  }
  ~UnlockedScope() {
    if (lock_ != nullptr) lock_->lock();
  }
  UnlockedScope(const UnlockedScope&) = delete;
  UnlockedScope& operator=(const UnlockedScope&) = delete;

 private:
  std::unique_lock<std::mutex>* lock_;
};

struct FirmwareAnswer {
  uint8_t status = kFwSuccess;
  uint16_t additional_status = 0;
  std::vector<uint8_t> payload;  // answer bytes from payload offset 0
};

using FirmwareHandler = FirmwareAnswer (*)(CommandContext& context,
                                           std::span<const uint8_t> request);

// One row of the handler table: the request lengths the command accepts.
struct HandlerEntry {
  uint8_t subsystem;
  uint8_t opcode;
  uint8_t version;
  uint32_t min_length;
  uint32_t max_length;
  FirmwareHandler handler;
};

// The handlers the emulator models.
std::span<const HandlerEntry> HandlerTable();

// Names of flash records: one per controller, or one per function.
std::string ControllerFlashKey(const CommandContext& context, const char* name);
std::string FunctionFlashKey(const CommandContext& context, const char* name);

// Runs one command with the handlers of `handlers` (HandlerTable() for the
// adapter). `lock`, when given, is the adapter's lock that the caller holds;
// a handler may release it for a while (UnlockedScope). REQUIRES: command
// holds the 16-byte header and the request length it names (the driver side
// checks this).
void ExecuteCommand(AdapterModel& model, Faults& faults, FunctionRef function,
                    std::span<uint8_t> command,
                    std::span<const HandlerEntry> handlers = HandlerTable(),
                    std::unique_lock<std::mutex>* lock = nullptr);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_FIRMWARE_H_
