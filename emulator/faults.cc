// Fault injection; see faults.h.
#include "faults.h"

#include <algorithm>

namespace oxim::emulator {
namespace {

// Finds the first rule matching `match`, counts it down and drops it when
// used up.
template <class Rule, class Match>
std::optional<Rule> Take(std::vector<Rule>& rules, Match match) {
  auto it = std::find_if(rules.begin(), rules.end(), match);
  if (it == rules.end()) return std::nullopt;
  Rule rule = *it;
  if (it->times > 0 && --it->times == 0) rules.erase(it);
  return rule;
}

}  // namespace

void Faults::FailCommand(const CommandFault& fault) {
  std::lock_guard<std::mutex> guard(mutex_);
  commands_.push_back(fault);
}

void Faults::FailDriverCall(const DriverFault& fault) {
  std::lock_guard<std::mutex> guard(mutex_);
  drivers_.push_back(fault);
}

void Faults::ShortenAnswer(const ShortAnswerFault& fault) {
  std::lock_guard<std::mutex> guard(mutex_);
  shorts_.push_back(fault);
}

void Faults::ChangeNicFunctions(const NicCountChange& change) {
  std::lock_guard<std::mutex> guard(mutex_);
  changes_.push_back({nic_requests_ + change.after_requests, change.nic_functions});
}

void Faults::Clear() {
  std::lock_guard<std::mutex> guard(mutex_);
  commands_.clear();
  drivers_.clear();
  shorts_.clear();
  changes_.clear();
}

std::optional<CommandFault> Faults::TakeCommandFault(uint8_t subsystem, uint8_t opcode) {
  std::lock_guard<std::mutex> guard(mutex_);
  return Take(commands_, [&](const CommandFault& f) {
    return f.subsystem == subsystem && f.opcode == opcode && f.times != 0;
  });
}

std::optional<int> Faults::TakeDriverFault(unsigned long request) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto rule = Take(drivers_, [&](const DriverFault& f) {
    return (f.request == 0 || f.request == request) && f.times != 0;
  });
  if (!rule) return std::nullopt;
  return rule->error;
}

std::optional<uint32_t> Faults::TakeShortAnswer(uint8_t subsystem, uint8_t opcode) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto rule = Take(shorts_, [&](const ShortAnswerFault& f) {
    return f.subsystem == subsystem && f.opcode == opcode && f.times != 0;
  });
  if (!rule) return std::nullopt;
  return rule->bytes;
}

std::optional<int> Faults::CountNicRequest() {
  std::lock_guard<std::mutex> guard(mutex_);
  ++nic_requests_;
  std::optional<int> due;
  for (auto it = changes_.begin(); it != changes_.end();) {
    if (it->after_requests <= nic_requests_) {
      due = it->nic_functions;
      it = changes_.erase(it);
    } else {
      ++it;
    }
  }
  return due;
}

}  // namespace oxim::emulator
