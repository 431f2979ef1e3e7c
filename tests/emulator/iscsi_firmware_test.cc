// The emulated adapter's iSCSI firmware through the library's command
// wrappers: logins decided like the default storage network's targets would,
// sessions and their records, persistent targets across adapter starts, the
// target store, session configuration, erasing, and the "targets" section of
// the configuration file.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "config_json.h"
#include "core/last_status.h"
#include "records/coding.h"
#include "records/discovery_params.h"
#include "records/driver_records.h"
#include "records/erase_rom.h"
#include "records/iscsi_login.h"
#include "records/iscsi_sessions.h"
#include "records/iscsi_targets.h"
#include "records/login_options_record.h"
#include "storage_network.h"
#include "transport/commands.h"
#include "transport/emulated_fixture.h"

namespace oxim::emulator {
namespace {

constexpr char kInitiator[] = "iqn.1998-01.com.example:host7";

uint32_t LastCode() {
  uint32_t code = 0;
  oxim_get_last_status(&code, nullptr);
  return code;
}

std::vector<uint8_t> Secret(const char* text) { return records::EncodeSecret(text).value(); }

records::LoginOptions OneWayChap(const char* user, const char* secret) {
  records::LoginOptions options = records::DefaultLoginOptions();
  options.authentication_method = 1;
  options.target_chap_name = user;
  options.target_secret = Secret(secret);
  return options;
}

records::LoginOptions MutualChap(const char* own_secret) {
  records::LoginOptions options = OneWayChap(kMutualChapUser, kMutualChapSecret);
  options.mutual_chap = 1;
  options.initiator_chap_name = kMutualTargetUser;
  options.initiator_secret = Secret(own_secret);
  return options;
}

// One login or persistent-target request.
struct Attempt {
  std::string target = kOpenTargetName;
  std::string address = kOpenTargetAddress;
  uint16_t port = kIscsiPort;
  uint16_t qualifier = 0;
  records::LoginOptions options = records::DefaultLoginOptions();
  uint32_t eto = records::kNoEto;
  uint32_t flags = records::kLoginFlagsLogin;
};

std::array<uint8_t, records::kLoginRequestSize> Encode(const Attempt& attempt) {
  records::LoginRequest request;
  request.target_name = attempt.target;
  request.portal = records::PortalFromText(attempt.address, attempt.port);
  request.flags = attempt.flags;
  request.eto = attempt.eto;
  request.isid_qualifier = attempt.qualifier;
  EXPECT_TRUE(records::EncodeLoginOptions(request.options, attempt.options));
  request.initiator_name = kInitiator;
  std::array<uint8_t, records::kLoginRequestSize> buffer{};
  records::EncodeLoginRequest(buffer, request);
  return buffer;
}

class IscsiFirmwareTest : public testing::EmulatedTest {
 protected:
  // A new adapter over the same state directory, as after a host reboot.
  void Restart() {
    TearDown();
    Start();
  }

  uint32_t Login(const Attempt& attempt, records::LoginResponse* response = nullptr) {
    std::array<uint8_t, records::kLoginRequestSize> buffer = Encode(attempt);
    uint32_t status = ioctl_login_target({.index = 1}, buffer);
    if (response != nullptr) *response = records::DecodeLoginResponse(buffer).value();
    return status;
  }
  uint32_t Handle(const Attempt& attempt) {
    records::LoginResponse response;
    EXPECT_EQ(Login(attempt, &response), 0u);
    return response.session_handle;
  }
  uint32_t Logout(uint32_t handle) {
    uint8_t request[records::kSessionHandleRequestSize];
    records::EncodeSessionHandleRequest(request, handle);
    return ioctl_logout_target({.index = 1}, request);
  }
  uint32_t AddPersistent(Attempt attempt) {
    attempt.flags |= records::kLoginFlagsPersistent;
    std::array<uint8_t, records::kLoginRequestSize> buffer = Encode(attempt);
    return ioctl_add_persistent_target({.index = 1}, buffer);
  }
  uint32_t DeletePersistent(const Attempt& attempt) {
    records::DeletePersistentRequest request;
    request.target_name = attempt.target;
    request.portal = records::PortalFromText(attempt.address, attempt.port);
    request.portal.tag = attempt.qualifier | records::kIsidWordFlag;
    request.initiator_name = kInitiator;
    std::array<uint8_t, records::kDeletePersistentSize> buffer{};
    records::EncodeDeletePersistent(buffer, request);
    return ioctl_del_persistent_target({.index = 1}, buffer);
  }

  std::vector<uint32_t> Sessions() {
    uint8_t query[records::kActiveSessionSizeRequest] = {};
    records::EncodeActiveSessionQuery(query, records::kActiveSessionSelector);
    uint16_t needed = 0;
    EXPECT_EQ(ioctl_get_activesessionidbuffersize({.index = 1}, query, &needed), 0u);
    std::vector<uint8_t> list(std::max<size_t>(needed, 4), 0);
    records::EncodeActiveSessionQuery(list, records::kActiveSessionSelector);
    EXPECT_EQ(ioctl_get_activesessionid({.index = 1}, list, static_cast<uint32_t>(list.size())),
              0u);
    return records::DecodeActiveSessionList(list).value_or(std::vector<uint32_t>{});
  }
  std::optional<records::FirmwareSession> Session(uint32_t handle) {
    std::vector<uint8_t> query(records::kSessionRecordSize, 0);
    records::EncodeSessionHandleRequest(query, handle);
    uint16_t needed = 0;
    if (ioctl_get_a_session_size({.index = 1}, query, &needed) != 0) return std::nullopt;
    std::vector<uint8_t> record(needed, 0);
    records::EncodeSessionHandleRequest(record, handle);
    EXPECT_EQ(ioctl_get_a_session({.index = 1}, record, needed), 0u);
    return records::DecodeSessionRecord(record);
  }

  std::vector<uint32_t> TargetIds() {
    uint8_t query[12] = {};
    records::EncodeTargetIdRequest(query, 0, records::kTargetIdListFlags);
    uint16_t needed = 0;
    EXPECT_EQ(ioctl_get_all_tgt_id_buffer_size({.index = 1}, query, &needed), 0u);
    std::vector<uint8_t> list(records::kTargetIdListSize, 0);
    records::EncodeTargetIdRequest(list, 0, records::kTargetIdListFlags);
    EXPECT_EQ(ioctl_get_all_tgt_id({.index = 1}, list, records::kTargetIdListSize), 0u);
    std::vector<uint32_t> ids = records::DecodeTargetIdList(list).value_or(std::vector<uint32_t>{});
    EXPECT_EQ(needed, records::TargetIdListSize(ids.size()));
    return ids;
  }
  // The target record, or the library status of the size query.
  std::optional<records::FirmwareTarget> Target(uint32_t id, uint32_t* status) {
    std::vector<uint8_t> query(records::kTargetSizeRequestSize, 0);
    records::EncodeTargetRequest(query, id);
    uint16_t needed = 0;
    *status = ioctl_get_a_target_size({.index = 1}, query, &needed);
    if (*status != 0) return std::nullopt;
    std::vector<uint8_t> record(needed, 0);
    records::EncodeTargetRequest(record, id);
    *status = ioctl_get_a_target({.index = 1}, record, needed);
    return records::DecodeTargetRecord(record);
  }

  // The session configuration, or nothing with the library status.
  std::optional<records::SessionConfig> SessionConfig(uint32_t handle, uint32_t* status) {
    std::vector<uint8_t> config(records::kSessionConfigSize, 0);
    records::EncodeSessionHandleRequest(config, handle);
    uint16_t needed = 0;
    *status = ioctl_get_sessionconfig_size({.index = 1}, config, &needed);
    if (*status != 0) return std::nullopt;
    EXPECT_EQ(needed, records::kSessionConfigSize);
    *status = ioctl_get_session_conf({.index = 1}, config, needed);
    return records::DecodeSessionConfig(config);
  }
};

TEST_F(IscsiFirmwareTest, DefaultTargetsDecideLoginsLikeRealTargets) {
  // The open target: no CHAP, digests as offered.
  records::LoginResponse response;
  ASSERT_EQ(Login({}, &response), 0u);
  EXPECT_NE(response.session_handle, 0u);
  EXPECT_EQ(response.state, records::kSessionOpen);
  records::LoginOptions negotiated = records::DecodeLoginOptions(response.negotiated).value();
  EXPECT_EQ(negotiated.max_recv_data_segment_length, kTargetMaxRecvDataSegmentLength);
  EXPECT_EQ(negotiated.first_burst_length, 8192u);  // the initiator's, below the target's
  EXPECT_EQ(negotiated.tcp_mss, kTargetTcpMss);
  EXPECT_NE(negotiated.flags & records::kFlagInitialR2T, 0);

  records::LoginOptions no_r2t = records::DefaultLoginOptions();
  no_r2t.flags = records::kFlagImmediateData;
  ASSERT_EQ(Login({.qualifier = 1, .options = no_r2t}, &response), 0u);
  negotiated = records::DecodeLoginOptions(response.negotiated).value();
  EXPECT_EQ(negotiated.flags & (records::kFlagInitialR2T | records::kFlagImmediateData),
            records::kFlagInitialR2T |
                records::kFlagImmediateData);  // InitialR2T is OR, ImmediateData AND

  EXPECT_EQ(Login({.qualifier = 2, .options = OneWayChap("u", "secretsecret")}), 25u);
  EXPECT_EQ(Login({.target = "iqn.2026-01.net.oxim-lab:nothing"}), 144u);
  EXPECT_EQ(Login({.port = 3262}), 1u);
  EXPECT_EQ(LastCode(), 23u);  // TCP connect failure
  EXPECT_EQ(Login({.address = "192.0.2.99"}), 32u);

  // Names of targets compare ignoring case; CHAP must match the account.
  Attempt oneway{.target = "IQN.2026-01.NET.OXIM-LAB:ONEWAY", .address = kOneWayTargetAddress};
  EXPECT_EQ(Login(oneway), 25u);
  oneway.options = OneWayChap(kOneWayChapUser, "wrong-secret1");
  EXPECT_EQ(Login(oneway), 25u);
  oneway.options = OneWayChap(kOneWayChapUser, kOneWayChapSecret);
  EXPECT_EQ(Login(oneway), 0u);

  Attempt digest{.target = kDigestTargetName, .address = kDigestTargetAddress};
  EXPECT_EQ(Login(digest), 243u);
  digest.options.header_digest = 1;
  EXPECT_EQ(Login(digest), 243u);  // the data digest is required too
  digest.options.data_digest = 1;
  EXPECT_EQ(Login(digest), 0u);
}

TEST_F(IscsiFirmwareTest, MutualChapNeedsTheTargetsOwnAccount) {
  Attempt mutual{.target = kMutualTargetName, .address = kMutualTargetAddress};
  mutual.options = OneWayChap(kMutualChapUser, kMutualChapSecret);
  EXPECT_EQ(Login(mutual), 25u);
  mutual.options = MutualChap("initsecret2X");
  EXPECT_EQ(Login(mutual), 25u);
  mutual.options = MutualChap(kMutualTargetSecret);
  records::LoginResponse response;
  ASSERT_EQ(Login(mutual, &response), 0u);
  records::LoginOptions negotiated = records::DecodeLoginOptions(response.negotiated).value();
  EXPECT_EQ(negotiated.authentication_method, 1u);
  EXPECT_EQ(negotiated.mutual_chap, 1u);
  EXPECT_EQ(negotiated.target_chap_name, kMutualChapUser);
  EXPECT_TRUE(negotiated.target_secret.empty());  // secrets are not echoed
  // The session record carries the credentials the login offered: the
  // boot code logs in again with them.
  std::optional<records::FirmwareSession> record = Session(response.session_handle);
  ASSERT_TRUE(record && !record->connections.empty());
  std::array<uint8_t, records::kLoginOptionsSize> bytes{};
  std::copy(record->session_part.begin(), record->session_part.end(), bytes.begin());
  std::copy(record->connections[0].connection_part.begin(),
            record->connections[0].connection_part.end(),
            bytes.begin() + records::kLoginSessionPartSize);
  records::LoginOptions kept = records::DecodeLoginOptions(bytes).value();
  EXPECT_EQ(kept.target_secret, Secret(kMutualChapSecret));
  EXPECT_EQ(kept.initiator_chap_name, kMutualTargetUser);
  EXPECT_EQ(kept.initiator_secret, Secret(kMutualTargetSecret));

  // The one-way target has no account of its own to answer with.
  Attempt oneway{.target = kOneWayTargetName, .address = kOneWayTargetAddress};
  oneway.options = OneWayChap(kOneWayChapUser, kOneWayChapSecret);
  oneway.options.mutual_chap = 1;
  EXPECT_EQ(Login(oneway), 25u);
}

TEST_F(IscsiFirmwareTest, SameSessionTwiceAndSessionLimit) {
  ASSERT_EQ(Login({}), 0u);
  EXPECT_EQ(Login({}), 1u);
  EXPECT_EQ(LastCode(), 27u);  // session already opened
  for (uint16_t qualifier = 1; qualifier < 4; ++qualifier) {
    EXPECT_EQ(Login({.qualifier = qualifier}), 0u);
  }
  oxim_reset_last_status();
  EXPECT_EQ(Login({.qualifier = 9}), 1u);
  EXPECT_EQ(LastCode(), 164u);  // login service unavailable: four sessions open
}

TEST_F(IscsiFirmwareTest, SessionIsListedWithItsRecordUntilLogout) {
  records::LoginResponse response;
  ASSERT_EQ(Login({.qualifier = 0x0102}, &response), 0u);
  uint32_t handle = response.session_handle;
  EXPECT_EQ(Sessions(), std::vector<uint32_t>{handle});

  std::optional<records::FirmwareSession> session = Session(handle);
  ASSERT_TRUE(session);
  EXPECT_EQ(session->handle, handle);
  EXPECT_EQ(session->state, records::kSessionOpen);
  EXPECT_EQ(records::IsidQualifier(session->isid), 0x0102);
  EXPECT_NE(session->tsih, 0);
  EXPECT_EQ(session->flags, records::kSessionNotPersistent);
  EXPECT_EQ(session->target_name, kOpenTargetName);
  EXPECT_EQ(session->initiator_name, kInitiator);
  EXPECT_TRUE(std::equal(session->session_part.begin(), session->session_part.end(),
                         response.negotiated.begin()));
  ASSERT_EQ(session->connections.size(), 1u);
  const records::FirmwareConnection& c = session->connections[0];
  EXPECT_EQ(c.bits & records::kConnectionLoggedIn, records::kConnectionLoggedIn);
  EXPECT_EQ(records::FormatAddress(c.source_type, c.source_address), "192.0.2.100");
  EXPECT_GE(c.source_port, 49152);
  EXPECT_EQ(records::FormatAddress(c.destination_type, c.destination_address), kOpenTargetAddress);
  EXPECT_EQ(c.destination_port, kIscsiPort);
  EXPECT_TRUE(std::equal(c.connection_part.begin(), c.connection_part.end(),
                         response.negotiated.begin() + records::kLoginSessionPartSize));

  std::vector<uint8_t> attributes(records::kSessionAttributesSize, 0);
  ASSERT_TRUE(records::EncodeSessionAttributesRequest(attributes, {handle, handle + 100}));
  std::vector<uint8_t> again = attributes;
  ASSERT_EQ(ioctl_get_SsnAttr_params({.index = 1}, attributes, records::kSessionAttributesSize),
            0u);
  ASSERT_EQ(ioctl_get_SsnAttr_params({.index = 1}, again, records::kSessionAttributesSize), 0u);
  std::vector<records::SessionAttributes> first =
      records::DecodeSessionAttributes(attributes).value();
  std::vector<records::SessionAttributes> second = records::DecodeSessionAttributes(again).value();
  ASSERT_EQ(first.size(), 1u);  // only the handle that exists
  EXPECT_EQ(first[0].handle, handle);
  EXPECT_EQ(first[0].direction, 1u);
  EXPECT_EQ(first[0].digest_errors, 0u);
  EXPECT_EQ(first[0].target_alias, kOpenTargetAlias);
  EXPECT_GT(second[0].command_pdus, first[0].command_pdus);

  EXPECT_EQ(Logout(handle), 0u);
  EXPECT_TRUE(Sessions().empty());
  EXPECT_EQ(Logout(handle), 116u);  // firmware status 2, additional 0
  EXPECT_FALSE(Session(handle));
  ASSERT_TRUE(records::EncodeSessionAttributesRequest(attributes, {handle}));
  EXPECT_EQ(ioctl_get_SsnAttr_params({.index = 1}, attributes, records::kSessionAttributesSize),
            35u);
}

TEST_F(IscsiFirmwareTest, TargetGoingOfflineClosesTheSessionAndALoginReopensIt) {
  uint32_t handle = Handle({});
  EXPECT_TRUE(adapter_->SetTargetOnline("IQN.2026-01.net.oxim-lab:OPEN", false));
  std::optional<records::FirmwareSession> session = Session(handle);
  ASSERT_TRUE(session);
  EXPECT_EQ(session->state, records::kSessionClosed);
  EXPECT_EQ(session->connections.at(0).bits & records::kConnectionLoggedIn, 0u);
  EXPECT_EQ(Login({}), 1u);
  EXPECT_EQ(LastCode(), 23u);

  EXPECT_TRUE(adapter_->SetTargetOnline(kOpenTargetName, true));
  EXPECT_EQ(Handle({}), handle);
  EXPECT_EQ(Session(handle)->state, records::kSessionOpen);
  EXPECT_EQ(Sessions().size(), 1u);
  EXPECT_FALSE(adapter_->SetTargetOnline("iqn.2026-01.net.oxim-lab:none", false));
}

TEST_F(IscsiFirmwareTest, RebootDropsSessionsAndLogsPersistentEntriesInAgain) {
  ASSERT_EQ(AddPersistent({.qualifier = 3}), 0u);
  const uint32_t transient = Handle({.qualifier = 5});
  ASSERT_EQ(Sessions(), std::vector<uint32_t>{transient});

  adapter_->Reboot();
  // The library's device handles still work; only the persistent entry's
  // session is there, open.
  std::vector<uint32_t> handles = Sessions();
  ASSERT_EQ(handles.size(), 1u);
  std::optional<records::FirmwareSession> session = Session(handles[0]);
  ASSERT_TRUE(session);
  EXPECT_EQ(session->state, records::kSessionOpen);
  EXPECT_EQ(session->isid[5], 3);
  std::vector<SessionSummary> summaries = adapter_->Sessions();
  ASSERT_EQ(summaries.size(), 1u);
  EXPECT_EQ(summaries[0].function, "vmhba64");
  EXPECT_EQ(summaries[0].pci, "03:00.2");
  EXPECT_EQ(summaries[0].target, kOpenTargetName);
  EXPECT_EQ(summaries[0].portal, "192.0.2.10:3260");
  EXPECT_EQ(summaries[0].state, "Open");

  // The target going off line is the network's doing: a reboot does not
  // bring it back, and the entry's login fails.
  ASSERT_TRUE(adapter_->SetTargetOnline(kOpenTargetName, false));
  EXPECT_EQ(adapter_->Sessions().at(0).state, "Closed");
  adapter_->Reboot();
  EXPECT_EQ(adapter_->Sessions().at(0).state, "Login failed");
  EXPECT_EQ(adapter_->persistent_targets(0).size(), 1u);
}

TEST_F(IscsiFirmwareTest, SessionTimeOutStartsFromTheLoginAndCanBeSet) {
  uint32_t with_eto = Handle({.eto = 45});
  uint32_t without = Handle({.qualifier = 1});
  uint32_t status = 0;
  std::optional<records::SessionConfig> config = SessionConfig(with_eto, &status);
  ASSERT_EQ(status, 0u);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->handle, with_eto);
  EXPECT_EQ(config->eto, 45u);
  config = SessionConfig(without, &status);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->eto, 90u);  // default_eto

  config->eto = 30;
  config->byte_8 = 0x5A;  // carried fields come back as set
  config->word_272 = 0x0BADBEEF;
  std::vector<uint8_t> set(records::kSetSessionConfigSize, 0);
  records::EncodeSetSessionConfig(set, *config);
  EXPECT_EQ(ioctl_set_session_conf({.index = 1}, set), 0u);
  config = SessionConfig(without, &status);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->eto, 30u);
  EXPECT_EQ(config->byte_8, 0x5A);
  EXPECT_EQ(config->word_272, 0x0BADBEEFu);
  EXPECT_EQ(SessionConfig(with_eto, &status)->eto, 45u);

  SessionConfig(without + with_eto + 7, &status);
  EXPECT_EQ(status, 116u);
}

TEST_F(IscsiFirmwareTest, PersistentTargetsSurviveARestartAndLogInAtStart) {
  ASSERT_EQ(AddPersistent({.qualifier = 3, .flags = records::kLoginFlagBootTarget}), 0u);
  Attempt bad_secret{.target = kOneWayTargetName, .address = kOneWayTargetAddress};
  bad_secret.options = OneWayChap(kOneWayChapUser, "not-the-secret");
  ASSERT_EQ(AddPersistent(bad_secret), 0u);
  // The same key again replaces the entry.
  ASSERT_EQ(AddPersistent({.qualifier = 3, .eto = 60, .flags = records::kLoginFlagBootTarget}), 0u);
  ASSERT_EQ(adapter_->persistent_targets(0).size(), 2u);
  EXPECT_TRUE(Sessions().empty());  // adding logs nothing in

  Restart();
  std::vector<records::LoginRequest> entries = adapter_->persistent_targets(0);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].eto, 60u);
  EXPECT_TRUE(adapter_->persistent_targets(1).empty());

  std::vector<uint32_t> handles = Sessions();
  ASSERT_EQ(handles.size(), 2u);
  std::optional<records::FirmwareSession> open = Session(handles[0]);
  std::optional<records::FirmwareSession> failed = Session(handles[1]);
  ASSERT_TRUE(open && failed);
  EXPECT_EQ(open->target_name, kOpenTargetName);
  EXPECT_EQ(open->state, records::kSessionOpen);
  EXPECT_EQ(open->flags, records::kSessionBoot);  // persistent, boot
  EXPECT_EQ(failed->target_name, kOneWayTargetName);
  EXPECT_EQ(failed->state, records::kSessionLoginFailed);
  EXPECT_EQ(failed->connections.at(0).bits & records::kConnectionLoggedIn, 0u);
  EXPECT_EQ(Login({.qualifier = 3}), 1u);
  EXPECT_EQ(LastCode(), 27u);

  EXPECT_EQ(DeletePersistent(bad_secret), 0u);
  EXPECT_EQ(DeletePersistent(bad_secret), 116u);
  EXPECT_EQ(DeletePersistent({.qualifier = 4}), 116u);  // another qualifier
  Restart();
  EXPECT_EQ(adapter_->persistent_targets(0).size(), 1u);
  EXPECT_EQ(Sessions().size(), 1u);
}

TEST_F(IscsiFirmwareTest, TargetStoreFollowsPersistentEntriesAndSessions) {
  EXPECT_TRUE(TargetIds().empty());
  ASSERT_EQ(AddPersistent({.port = kOpenTargetSecondPort}), 0u);
  uint32_t session =
      Handle({.target = kDigestTargetName, .address = kDigestTargetAddress, .options = [] {
                records::LoginOptions o = records::DefaultLoginOptions();
                o.header_digest = o.data_digest = 1;
                return o;
              }()});
  std::vector<uint32_t> ids = TargetIds();
  ASSERT_EQ(ids.size(), 2u);

  uint32_t status = 0;
  std::optional<records::FirmwareTarget> open = Target(ids[0], &status);
  ASSERT_TRUE(open) << status;
  EXPECT_EQ(open->id, ids[0]);
  EXPECT_EQ(open->name, kOpenTargetName);
  EXPECT_EQ(open->alias, kOpenTargetAlias);
  ASSERT_EQ(open->groups.size(), 1u);
  EXPECT_EQ(open->groups[0].tag, 2);  // the simulated portal's group
  ASSERT_EQ(open->groups[0].portals.size(), 1u);
  EXPECT_EQ(records::PortalAddressText(open->groups[0].portals[0]), kOpenTargetAddress);
  EXPECT_EQ(open->groups[0].portals[0].port, kOpenTargetSecondPort);
  EXPECT_EQ(Target(ids[0] + ids[1], &status), std::nullopt);
  EXPECT_EQ(status, 116u);

  ASSERT_EQ(DeletePersistent({.port = kOpenTargetSecondPort}), 0u);
  EXPECT_EQ(TargetIds().size(), 1u);
  ASSERT_EQ(Logout(session), 0u);
  EXPECT_TRUE(TargetIds().empty());
}

TEST_F(IscsiFirmwareTest, EraseIsRefusedWithAnOpenSessionElseForgetsTheConfiguration) {
  std::vector<uint8_t> params(records::kDiscoveryParamsSize, 0);
  records::DiscoveryParams enabled;
  enabled.flags = records::kDiscoveryIsnsEnabled;
  records::EncodeDiscoveryParams(params, enabled);
  ASSERT_EQ(ioctl_set_discoveryparams({.index = 1}, params), 0u);
  ASSERT_EQ(AddPersistent({}), 0u);
  uint32_t handle = Handle({.qualifier = 1});
  Restart();
  std::vector<uint8_t> read(records::kDiscoveryParamsSize, 0);
  ASSERT_EQ(ioctl_get_discoveryparams({.index = 1}, read), 0u);
  EXPECT_EQ(read, params);  // kept in flash

  std::array<uint8_t, records::kEraseRequestSize> erase{};
  records::EncodeEraseRequest(erase, records::kEraseIscsiConfiguration);
  EXPECT_EQ(ioctl_erase_ROM({.index = 1}, erase, DriverKind::kIscsi), 1u);
  EXPECT_EQ(LastCode(), 41u);  // the persistent entry's session is open again
  for (uint32_t open : Sessions()) ASSERT_EQ(Logout(open), 0u);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(ioctl_erase_ROM({.index = 1}, erase, DriverKind::kIscsi), 0u);
  EXPECT_TRUE(adapter_->persistent_targets(0).empty());
  EXPECT_TRUE(TargetIds().empty());
  Restart();
  EXPECT_TRUE(adapter_->persistent_targets(0).empty());
  ASSERT_EQ(ioctl_get_discoveryparams({.index = 1}, read), 0u);
  EXPECT_EQ(read, std::vector<uint8_t>(records::kDiscoveryParamsSize, 0));
}

TEST_F(IscsiFirmwareTest, StorageExampleReachesIpv6PortalsAndHexadecimalSecrets) {
  std::string error;
  std::optional<AdapterConfig> config =
      LoadAdapterConfig(std::string(OXIM_CONFIG_DIR) + "/storage.json", &error);
  ASSERT_TRUE(config) << error;
  TearDown();
  Start(*config);

  // The library sends IPv6 addresses in their full form. The connection
  // leaves from the address the Korvel assigned itself from the router's
  // prefix and its MAC address (00:90:fa:4c:21:12).
  const std::string v6 = "2001:0DB8:0000:0000:0000:0000:0000:0010";
  uint32_t handle = Handle({.target = "iqn.2026-01.net.oxim-lab:v6disk", .address = v6});
  std::optional<records::FirmwareSession> session = Session(handle);
  ASSERT_TRUE(session);
  const records::FirmwareConnection& c = session->connections.at(0);
  EXPECT_EQ(records::FormatAddress(c.source_type, c.source_address),
            "2001:db8::290:faff:fe4c:2112");
  EXPECT_EQ(records::FormatAddress(c.destination_type, c.destination_address), "2001:db8::10");
  EXPECT_EQ(adapter_->Sessions().at(0).portal, "[2001:db8::10]:3260");
  EXPECT_EQ(Login({.target = kOpenTargetName, .address = v6}), 144u);

  Attempt hex{.target = "iqn.2026-01.net.oxim-lab:hexchap", .address = "198.51.100.11"};
  hex.options = OneWayChap("hexuser", "0x0102030405060708090a0b0c");
  hex.options.mutual_chap = 1;
  hex.options.initiator_chap_name = "hextarget";
  hex.options.initiator_secret = Secret("0xA0A1A2A3A4A5A6A7A8A9AAAB");
  EXPECT_EQ(Login(hex), 0u);
  hex.qualifier = 1;
  EXPECT_EQ(Login(hex), 1u);  // one session at most
  EXPECT_EQ(LastCode(), 164u);

  EXPECT_EQ(Login({.target = "iqn.2026-01.net.oxim-lab:offline", .address = "198.51.100.13"}), 1u);
  EXPECT_EQ(LastCode(), 23u);
}

// The "targets" section of a configuration file.
std::string Targets(const std::string& targets) {
  return R"({"controllers": [{"chip": 3, "serial_number": "VN1", "functions": [)"
         R"({"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}],)"
         R"( "targets": [)" +
         targets + "]}";
}

std::string Refusal(const std::string& json) {
  std::string error;
  return ParseAdapterConfig(json, &error) ? std::string() : error;
}

TEST(IscsiFirmwareConfig, TargetsSectionIsReadStrictly) {
  std::string error;
  std::optional<AdapterConfig> config = ParseAdapterConfig(
      Targets(R"({"name": "iqn.2026-01.test:a", "alias": "a",)"
              R"( "portals": [{"address": "198.51.100.7", "port": 3270, "group_tag": 5},)"
              R"( {"address": "2001:db8::7"}],)"
              R"( "chap": {"mode": "mutual", "user": "u", "secret": "0x00112233445566778899",)"
              R"( "mutual_user": "m", "mutual_secret": "twelve-chars"},)"
              R"( "header_digest": "require", "data_digest": "none", "max_sessions": 2,)"
              R"( "online": false, "luns": [{"number": 3, "blocks": 1000, "serial": "S3"}]})"),
      &error);
  ASSERT_TRUE(config) << error;
  ASSERT_EQ(config->targets.size(), 1u);
  const SimulatedTarget& t = config->targets[0];
  EXPECT_EQ(t.portals.at(0).port, 3270);
  EXPECT_EQ(t.portals.at(0).group_tag, 5);
  EXPECT_EQ(t.portals.at(1).port, kIscsiPort);
  EXPECT_EQ(t.chap, ChapMode::kMutual);
  EXPECT_EQ(t.header_digest, DigestPolicy::kRequire);
  EXPECT_EQ(t.data_digest, DigestPolicy::kNone);
  EXPECT_EQ(t.max_sessions, 2);
  EXPECT_FALSE(t.online);
  EXPECT_EQ(t.luns.at(0).block_size, 512u);
  // A file without the section has no targets; the built-in adapter has four.
  std::string without = Targets("");
  without.erase(without.find(", \"targets\""), std::string(", \"targets\": []").size());
  config = ParseAdapterConfig(without, &error);
  ASSERT_TRUE(config) << error;
  EXPECT_TRUE(config->targets.empty());
  EXPECT_EQ(DefaultConfig().targets.size(), 4u);

  const std::string portal = R"("portals": [{"address": "192.0.2.50"}])";
  const std::string ok = R"({"name": "iqn.2026-01.test:a", )" + portal + "}";
  EXPECT_EQ(Refusal(Targets(ok + R"(, {"name": "IQN.2026-01.TEST:A", )" + portal + "}")),
            "targets[1].name: duplicate target name IQN.2026-01.TEST:A (also targets[0])");
  EXPECT_EQ(Refusal(Targets(R"({"name": "iqn.x", "portals": [{"address": "192.0.2"}]})")),
            "targets[0].portals[0].address: expected a dotted IPv4 or an IPv6 address");
  EXPECT_EQ(
      Refusal(Targets(ok + R"(, {"name": "iqn.y", )" + portal +
                      R"(, "chap": {"mode": "one-way", "user": "u", "secret": "0x123"}})")),
      "targets[1].chap.secret: expected a secret of 1..16 bytes: a text, or \"0x\" and an even "
      "number of hexadecimal digits");
  EXPECT_EQ(Refusal(Targets(R"({"name": "iqn.x", )" + portal +
                            R"(, "chap": {"mode": "none", "user": "u"}})")),
            "targets[0].chap.user: only with mode \"one-way\" or \"mutual\"");
  EXPECT_EQ(Refusal(Targets(R"({"name": "iqn.x", )" + portal + R"(, "data_digest": "crc"})")),
            "targets[0].data_digest: expected \"none\", \"accept\" or \"require\"");
  EXPECT_EQ(
      Refusal(Targets(R"({"name": "iqn.x", )" + portal +
                      R"(, "luns": [{"number": 1, "blocks": 8}, {"number": 1, "blocks": 8}]})")),
      "targets[0].luns[1].number: duplicate LUN 1 (also targets[0].luns[0])");
  EXPECT_EQ(Refusal(Targets(R"({"name": "iqn.x", "portals": []})")),
            "targets[0].portals: expected 1..32 portals");
  EXPECT_EQ(Refusal(Targets(R"({"name": "iqn.x", )" + portal + R"(, "lun": []})")),
            "targets[0].lun: unknown field");
}

}  // namespace
}  // namespace oxim::emulator
