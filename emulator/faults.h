// Fault injection of the emulated adapter: make a chosen firmware command
// fail with a status and additional status, fail driver calls with an error
// number, shorten answers, or change the number of NIC functions after a
// number of NIC driver requests. Tests reach it through the adapter that
// InstallEmulator (emulator.h) returns; the configuration carries the same
// rules (AdapterConfig::faults).
//
//   auto adapter = emulator::InstallEmulator();
//   adapter->faults().FailCommand(CommandFailure(1, 32, 2, 17));
#ifndef OXIM_EMULATOR_FAULTS_H_
#define OXIM_EMULATOR_FAULTS_H_

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace oxim::emulator {

// A firmware command answered with a failure instead of its handler.
struct CommandFault {
  uint8_t subsystem = 0;
  uint8_t opcode = 0;
  uint8_t status = 1;
  uint16_t additional_status = 0;
  // When set, the whole answer area is filled with this byte (what a
  // failing firmware may leave behind).
  std::optional<uint8_t> fill;
  // Actual response length written to the response header.
  uint32_t response_length = 0;
  int times = -1;  // -1: every time
};

// The usual command failure: `times` answers with status and additional
// status.
inline CommandFault CommandFailure(uint8_t subsystem, uint8_t opcode, uint8_t status,
                                   uint16_t additional_status = 0, int times = -1) {
  CommandFault fault;
  fault.subsystem = subsystem;
  fault.opcode = opcode;
  fault.status = status;
  fault.additional_status = additional_status;
  fault.times = times;
  return fault;
}

// A driver call that fails with an error number. request 0 matches every
// request number.
struct DriverFault {
  unsigned long request = 0;
  int error = 5;  // EIO
  int times = -1;
};

// A firmware answer cut to `bytes` payload bytes (response length too).
struct ShortAnswerFault {
  uint8_t subsystem = 0;
  uint8_t opcode = 0;
  uint32_t bytes = 0;
  int times = -1;
};

// After `after_requests` NIC driver requests, the driver shows
// `nic_functions` NIC functions (cut from the end of the configured list).
struct NicCountChange {
  int after_requests = 0;
  int nic_functions = 0;
};

// The set of armed faults. Thread-safe.
class Faults {
 public:
  void FailCommand(const CommandFault& fault);
  void FailDriverCall(const DriverFault& fault);
  void FailDriverCall(unsigned long request, int error, int times = -1) {
    FailDriverCall(DriverFault{request, error, times});
  }
  void ShortenAnswer(const ShortAnswerFault& fault);
  void ShortenAnswer(uint8_t subsystem, uint8_t opcode, uint32_t bytes, int times = -1) {
    ShortenAnswer(ShortAnswerFault{subsystem, opcode, bytes, times});
  }
  void ChangeNicFunctions(const NicCountChange& change);
  void ChangeNicFunctions(int after_requests, int nic_functions) {
    ChangeNicFunctions(NicCountChange{after_requests, nic_functions});
  }
  void Clear();

  // Used by the emulator: the fault that applies to this request (counting
  // it down), if any.
  std::optional<CommandFault> TakeCommandFault(uint8_t subsystem, uint8_t opcode);
  std::optional<int> TakeDriverFault(unsigned long request);
  std::optional<uint32_t> TakeShortAnswer(uint8_t subsystem, uint8_t opcode);
  // Counts one NIC driver request; returns the new NIC function count when
  // a change falls due now.
  std::optional<int> CountNicRequest();

 private:
  std::mutex mutex_;
  std::vector<CommandFault> commands_;
  std::vector<DriverFault> drivers_;
  std::vector<ShortAnswerFault> shorts_;
  std::vector<NicCountChange> changes_;
  int nic_requests_ = 0;
};

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_FAULTS_H_
