// The emulated adapter's IP stack commands as the driver hands them over,
// with the firmware's own answers: the status and additional
// status of each refusal the network rules give (unreachable, refused, link
// down, no address, table full, more than fits, DHCP without a server), and
// the settings kept in flash across an adapter start.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "records/driver_records.h"
#include "records/ip_interface.h"
#include "records/ip_tables.h"
#include "records/iscsi_login.h"
#include "records/login_options_record.h"
#include "records/request_header.h"
#include "storage_network.h"
#include "transport/emulated_fixture.h"

namespace oxim::emulator {
namespace {

using records::IpAddress;

constexpr uint32_t kInterface = 0x10;  // the first iSCSI function's

struct Outcome {
  uint8_t status = 0;
  uint16_t additional_status = 0;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

void PrintTo(const Outcome& outcome, std::ostream* out) {
  *out << static_cast<int>(outcome.status) << "/" << outcome.additional_status;
}

class NetworkFirmwareTest : public testing::EmulatedTest {
 protected:
  // Sends one command of subsystem and opcode with `payload` to the first
  // iSCSI function's device, as the driver would; the firmware's answer,
  // with the answer bytes over the payload.
  Outcome Send(uint8_t subsystem, uint8_t opcode, std::span<uint8_t> payload) {
    std::vector<uint8_t> command(records::kRequestHeaderSize + payload.size(), 0);
    records::EncodeRequestHeader(
        command, {opcode, subsystem, 0, 0, 120, static_cast<uint32_t>(payload.size()), 0});
    std::copy(payload.begin(), payload.end(), command.begin() + records::kRequestHeaderSize);
    EXPECT_EQ(adapter_->Ioctl(iscsi_handles_.at(0), records::kIscsiFirmwareRequest, command).result,
              0);
    std::copy_n(command.begin() + records::kRequestHeaderSize, payload.size(), payload.begin());
    records::ResponseHeader header = records::DecodeResponseHeader(command).value();
    return {header.status, header.additional_status};
  }
  Outcome Ping(const IpAddress& address, uint8_t family = records::kFamilyIpv4) {
    std::array<uint8_t, records::kPingRequestSize> request{};
    records::EncodePingRequest(request, {family, address});
    return Send(2, 6, request);
  }
  Outcome Login(const char* address) {
    records::LoginRequest login;
    login.target_name = kOpenTargetName;
    login.portal = records::PortalFromText(address, kIscsiPort);
    EXPECT_TRUE(records::EncodeLoginOptions(login.options, records::DefaultLoginOptions()));
    login.initiator_name = "iqn.1998-01.com.example:host7";
    std::array<uint8_t, records::kLoginRequestSize> request{};
    records::EncodeLoginRequest(request, login);
    return Send(6, 23, request);
  }
  Outcome ChangeAddress(uint32_t action, const std::array<uint8_t, 4>& address,
                        const std::array<uint8_t, 4>& mask, uint32_t* state = nullptr) {
    std::array<uint8_t, records::kIpRecordChangeSize> change{};
    records::EncodeIpRecordChange(
        change, {action,
                 kInterface,
                 {records::kIpTypeIpv4, records::Ipv4Address(address), records::Ipv4Address(mask)},
                 0});
    Outcome outcome = Send(2, 21, change);
    if (state != nullptr) *state = records::DecodeIpRecordChange(change)->state;
    return outcome;
  }
  Outcome Route(uint8_t action, const records::Route& route) {
    std::array<uint8_t, records::kRouteChangeSize> change{};
    records::EncodeRouteChange(change, {action, route});
    return Send(2, 11, change);
  }
  Outcome Dhcp(uint32_t type) {
    std::array<uint8_t, records::kDhcpStartSize> start{};
    records::EncodeDhcpStart(start, {kInterface, type});
    return Send(2, 17, start);
  }
  records::InterfaceInfo Info(uint32_t type = records::kIpTypeIpv4) {
    std::vector<uint8_t> info(records::kInterfaceInfoSize, 0);
    records::EncodeInterfaceInfoRequest(info, {kInterface, type});
    EXPECT_EQ(Send(2, 25, info), Outcome{});
    return records::DecodeInterfaceInfo(info).value_or(records::InterfaceInfo{});
  }
  std::vector<uint8_t> Table(uint8_t opcode, size_t size) {
    std::vector<uint8_t> table(size, 0);
    EXPECT_EQ(Send(2, opcode, table), Outcome{});
    return table;
  }
};

IpAddress V4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  return records::Ipv4Address({a, b, c, d});
}

TEST_F(NetworkFirmwareTest, RefusalsCarryTheirStatuses) {
  EXPECT_EQ(Ping(V4(192, 0, 2, 30)), Outcome{});
  EXPECT_EQ(Ping(V4(192, 0, 2, 99)), (Outcome{1, 19}));  // nobody there
  // A host answers at 192.0.2.30, but no target listens: refused.
  EXPECT_EQ(Login("192.0.2.30"), (Outcome{1, 21}));
  EXPECT_EQ(Login("192.0.2.99"), (Outcome{1, 19}));
  EXPECT_EQ(Ping(IpAddress{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x30},
                 records::kFamilyIpv6),
            (Outcome{1, 19}))
      << "a QF3 has no IPv6 stack";
  std::vector<uint8_t> info(records::kInterfaceInfoSize, 0);
  records::EncodeInterfaceInfoRequest(info, {kInterface, records::kIpTypeIpv6LinkLocal});
  EXPECT_EQ(Send(2, 25, info), (Outcome{66, 0}));

  ASSERT_TRUE(adapter_->SetLink("vmhba64", false).empty());
  EXPECT_EQ(Ping(V4(192, 0, 2, 30)), (Outcome{1, 23}));
  EXPECT_EQ(Login(kOpenTargetAddress), (Outcome{1, 23}));
  ASSERT_TRUE(adapter_->SetLink("", true).empty());

  EXPECT_EQ(ChangeAddress(records::kActionDelete, {192, 0, 2, 100}, {255, 255, 255, 0}), Outcome{});
  EXPECT_EQ(Ping(V4(192, 0, 2, 30)), (Outcome{46, 0}));
  EXPECT_EQ(Login(kOpenTargetAddress), (Outcome{46, 0}));

  // An ARP answer asked into fewer bytes than it takes.
  std::vector<uint8_t> arp(100, 0);
  EXPECT_EQ(Send(2, 8, arp).status, 4);
}

TEST_F(NetworkFirmwareTest, ManualRoutesAndTheirLimit) {
  for (uint8_t n = 0; n < 8; ++n) {
    ASSERT_EQ(Route(records::kActionAdd, {{10, 0, n, 0}, {255, 255, 255, 0}, {192, 0, 2, 1}}),
              Outcome{})
        << int{n};
  }
  EXPECT_EQ(Route(records::kActionAdd, {{10, 0, 8, 0}, {255, 255, 255, 0}, {192, 0, 2, 1}}),
            (Outcome{1, 22}));
  EXPECT_EQ(Route(records::kActionAdd, {{10, 0, 0, 0}, {255, 255, 255, 0}, {192, 0, 2, 1}}),
            (Outcome{2, 0}))
      << "the same route twice";
  EXPECT_EQ(Route(records::kActionDelete, {{10, 0, 9, 0}, {255, 255, 255, 0}, {192, 0, 2, 1}}),
            (Outcome{2, 0}));
  EXPECT_EQ(records::DecodeRouteTable(Table(10, records::kRouteTableSize))->size(), 8u);
}

TEST_F(NetworkFirmwareTest, DhcpWithoutAServerStaysOnAndLeasesLater) {
  ASSERT_TRUE(adapter_->SetDhcpServer("", false).empty());
  EXPECT_EQ(Dhcp(records::kIpTypeDhcp), (Outcome{1, 24}));
  records::InterfaceInfo info = Info();
  EXPECT_TRUE(info.dhcp);
  EXPECT_TRUE(info.entries.empty());
  ASSERT_TRUE(adapter_->SetDhcpServer("vmhba64", true).empty());
  info = Info();
  ASSERT_EQ(info.entries.size(), 1u);
  EXPECT_EQ(info.entries[0].type, records::kIpTypeDhcp);
  EXPECT_EQ(info.entries[0].address, V4(192, 0, 2, 150));
  EXPECT_EQ(Dhcp(records::kIpTypeIpv6AutoAssign), (Outcome{66, 0})) << "no IPv6 on a QF3";
}

TEST_F(NetworkFirmwareTest, SettingsAreKeptInFlashTheLeaseIsNot) {
  uint32_t state = 0;
  ASSERT_EQ(ChangeAddress(records::kActionDelete, {192, 0, 2, 100}, {255, 255, 255, 0}), Outcome{});
  ASSERT_EQ(ChangeAddress(records::kActionAdd, {192, 0, 2, 1}, {255, 255, 255, 0}, &state),
            Outcome{});
  EXPECT_EQ(state, records::kAddressStateDuplicate) << "the router's address";
  ASSERT_EQ(ChangeAddress(records::kActionAdd, {192, 0, 2, 61}, {255, 255, 255, 0}, &state),
            Outcome{});
  EXPECT_EQ(state, 0u);
  ASSERT_EQ(Route(records::kActionAdd, {{10, 0, 0, 0}, {255, 0, 0, 0}, {192, 0, 2, 1}}), Outcome{});
  ASSERT_EQ(Ping(V4(192, 0, 2, 1)), Outcome{});
  TearDown();
  Start();  // the same state directory: the adapter starts again
  records::InterfaceInfo info = Info();
  ASSERT_EQ(info.entries.size(), 1u);
  EXPECT_EQ(info.entries[0].address, V4(192, 0, 2, 61));
  EXPECT_EQ(records::DecodeRouteTable(Table(10, records::kRouteTableSize))->size(), 1u);
  EXPECT_TRUE(records::DecodeArpTable(Table(8, records::kArpTableSize))->empty())
      << "what was learnt is gone";
}

}  // namespace
}  // namespace oxim::emulator
