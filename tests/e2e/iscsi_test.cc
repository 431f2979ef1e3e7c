// The iSCSI initiator through the public C API against the emulated
// adapter's storage network: targets and portals, login options and CHAP,
// login with each CHAP level against each kind of target, ISID qualifiers,
// logout, deletion, the saved-target lines and a restart of the client.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

using namespace oxim::testing;

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
constexpr char kOpen[] = "iqn.2026-01.net.oxim-lab:open";
constexpr char kOneWay[] = "iqn.2026-01.net.oxim-lab:oneway";
constexpr char kMutual[] = "iqn.2026-01.net.oxim-lab:mutual";
constexpr char kDigest[] = "iqn.2026-01.net.oxim-lab:digest";
constexpr char kSavedTargets[] = "/scratch/Vallorn/savetgt.txt";
// The name the built-in adapter's first iSCSI function starts with.
constexpr char kInitiator[] = "iqn.2026-01.net.oxim-lab:vn3q0417a2k9.03-00-2";

std::string Hba(const std::string& rest) { return std::string(kHba) + "/" + rest; }

class IscsiTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    Start();
  }
  // Adds a target and returns its display path.
  std::string AddTarget(const std::string& name, const std::string& ip) {
    EXPECT_EQ(Do(Hba("AddTarget"), {name, ip}), 0u) << LastStatus().second;
    for (const std::string& group : Groups(kHba)) {
      if (group.rfind("Target", 0) == 0 && Value(Hba(group + "/TargetISCSIName")) == name) {
        return Hba(group);
      }
    }
    return "";
  }
  std::vector<std::string> SavedLines() {
    std::vector<std::string> lines;
    std::istringstream in(root_.read(kSavedTargets));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  std::vector<std::string> Sessions(const std::string& target) {
    std::vector<std::string> sessions;
    for (const std::string& group : Groups(target)) {
      if (group.rfind("Session", 0) == 0) sessions.push_back(group);
    }
    return sessions;
  }
};

TEST_F(IscsiTest, AddTargetMakesPortalSavedLinesAndPersistentEntry) {
  const std::string target = AddTarget(kOpen, "192.0.2.10");
  ASSERT_EQ(target, Hba("Target0"));
  EXPECT_EQ(Value(target + "/TargetPortal0/TargetIPAddress"), "192.0.2.10");
  EXPECT_EQ(Value(target + "/TargetPortal0/TargetPortNumber"), "3260");
  EXPECT_EQ(Value(target + "/TargetPortal0/PortalGroupTag"), "0");
  EXPECT_EQ(Value(target + "/TargetType"), "Static");
  EXPECT_EQ(Value(target + "/ETO"), "90");  // the controller's default
  const std::string options = std::string(kInitiator) +
                              ",Yes,Yes,None,None,None,,,,,Static,Prohibited,Prohibited,"
                              "Prohibited";
  EXPECT_EQ(SavedLines(),
            (std::vector<std::string>{"Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0," +
                                          std::string(kOpen) + ",192.0.2.10,3260,," + options,
                                      "Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0," +
                                          std::string(kOpen) + ",192.0.2.10,3260,0," + options}));
  // The same name in another case, and the same portal, are refused.
  const std::vector<std::string> groups = Groups(kHba);
  EXPECT_NE(Do(Hba("AddTarget"), {"IQN.2026-01.NET.OXIM-LAB:OPEN", "192.0.2.10"}), 0u);
  EXPECT_EQ(LastStatus().first, 21u);
  EXPECT_EQ(Groups(kHba), groups) << "nothing was added";
  EXPECT_EQ(Do(target + "/AddTargetPortal", {"192.0.2.10"}), 214u);
  EXPECT_EQ(LastStatus(), Status(214,
                                 "Given TargetPortal already exist. Please given another Target "
                                 "IPaddress and PortNumber"));
  EXPECT_EQ(Do(target + "/AddTargetPortal", {"192.0.2.10", "3261"}), 0u);
  EXPECT_EQ(Value(target + "/TargetPortal1/TargetPortNumber"), "3261");
}

// Groups made by commands carry how they were made (tree persistence):
// the command, the group it ran on and its parameters.
TEST_F(IscsiTest, CommandMadeTargetsAndPortalsCarryTheirPersistence) {
  std::vector<uint32_t> tags(8);
  int32_t count = static_cast<int32_t>(tags.size());
  ASSERT_EQ(OXIM_get_persistent_nodes(tags.data(), &count), 0u);
  EXPECT_EQ(count, 0) << "start-up makes nothing persistent";

  const std::string target = AddTarget(kOpen, "192.0.2.10");
  ASSERT_EQ(Do(target + "/AddTargetPortal", {"192.0.2.10", "3261"}), 0u);
  count = static_cast<int32_t>(tags.size());
  ASSERT_EQ(OXIM_get_persistent_nodes(tags.data(), &count), 0u);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(tags[0], Tag(target));
  EXPECT_EQ(tags[1], Tag(target + "/TargetPortal1"));

  OXIM_PERSISTENCE_INFO info;
  ASSERT_EQ(OXIM_get_persistence_info(Tag(target), &info), 0u);
  EXPECT_EQ(info.creator_command_tag, Tag(Hba("AddTarget")));
  EXPECT_EQ(info.target_group_tag, Tag(kHba));
  EXPECT_STREQ(info.params[0], kOpen);
  EXPECT_STREQ(info.params[1], "192.0.2.10");
  ASSERT_EQ(OXIM_get_persistence_info(Tag(target + "/TargetPortal1"), &info), 0u);
  EXPECT_EQ(info.creator_command_tag, Tag(target + "/AddTargetPortal"));
  EXPECT_EQ(info.target_group_tag, Tag(target));
  EXPECT_STREQ(info.params[1], "3261");
  // The portal that came with the target is made again with it.
  EXPECT_NE(OXIM_get_persistence_info(Tag(target + "/TargetPortal0"), &info), 0u);

  ASSERT_EQ(Do(target + "/DeleteTargetPortal", {"1"}), 0u) << LastStatus().second;
  ASSERT_EQ(Do(Hba("DeleteTarget"), {"0"}), 0u) << LastStatus().second;
  count = static_cast<int32_t>(tags.size());
  ASSERT_EQ(OXIM_get_persistent_nodes(tags.data(), &count), 0u);
  EXPECT_EQ(count, 0);
}

// A logical HBA is always enabled, reads so, and runs what an enabled one
// runs.
TEST_F(IscsiTest, LogicalHbaIsEnabled) {
  EXPECT_EQ(Value(Hba("Enabled")), "True");
  EXPECT_EQ(SetValue(Hba("Enabled"), "False"), 1u);
  EXPECT_EQ(LastStatus(), Status(47, "LogicalHBA0 is always enabled. It cannot be disabled."));
  EXPECT_EQ(SetValue(Hba("Enabled"), "True"), 0u);
  EXPECT_EQ(Value(Hba("Enabled")), "True");
  EXPECT_EQ(Do(Hba("Discovery/RefreshAvailableTargets")), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
}

TEST_F(IscsiTest, Qf3RefusesIpv6AndTheHundredTwentyNinthTarget) {
  EXPECT_NE(Do(Hba("AddTarget"), {kOpen, "2001:db8::10"}), 0u);
  EXPECT_EQ(LastStatus(), Status(330, "IPv6 configuration is not supported on given adapter."));
  for (int n = 0; n < 128; ++n) {
    ASSERT_EQ(Do(Hba("AddTarget"), {"iqn.2026-01.net.test:t" + std::to_string(n), "192.0.2.50"}),
              0u)
        << n;
  }
  EXPECT_EQ(Do(Hba("AddTarget"), {"iqn.2026-01.net.test:t128", "192.0.2.50"}), 175u);
  EXPECT_EQ(LastStatus(), Status(175, "The Target count exceeded the configured maximum limit."));
}

TEST_F(IscsiTest, LoginToAnOpenTargetAndLogout) {
  const std::string target = AddTarget(kOpen, "192.0.2.10");
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  const std::string session = target + "/Session0";
  EXPECT_EQ(Value(session + "/SessionStatus"), "Open");
  EXPECT_EQ(Value(session + "/ISIDQualifier"), "0000");
  EXPECT_EQ(Value(session + "/Persistent"), "True");
  EXPECT_EQ(Value(session + "/SessionInitiatorName"), kInitiator);
  EXPECT_EQ(Value(session + "/Connection0/DestinationIPAddress"), "192.0.2.10");
  EXPECT_EQ(Value(session + "/Connection0/DestinationPortNumber"), "3260");
  EXPECT_EQ(Value(session + "/Connection0/Status"), "Logged-in");
  EXPECT_EQ(Value(target + "/ETO"), "90");
  // Deleting a target with an open session is refused.
  EXPECT_EQ(Do(Hba("DeleteTarget"), {"0"}), 34u);
  EXPECT_EQ(Value(target + "/TargetISCSIName"), kOpen);
  // Logout without an instance number logs out the first session, and its
  // persistent entry and saved line go with it.
  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
  EXPECT_TRUE(Sessions(target).empty());
  EXPECT_EQ(Do(target + "/Logout"), 174u);
  EXPECT_EQ(SavedLines().size(), 1u);
  EXPECT_EQ(Do(Hba("DeleteTarget"), {"0"}), 0u);
  EXPECT_EQ(Tag(target), kNoTag);
  EXPECT_TRUE(SavedLines().empty());
  EXPECT_EQ(Do(Hba("DeleteTarget"), {"0"}), 20u);
}

TEST_F(IscsiTest, ChapLevelsAgainstATargetThatRefusesChap) {
  const std::string target = AddTarget(kOpen, "192.0.2.10");
  const std::string auth = target + "/TargetLoginOptions/Authentication";
  // Required: one attempt with CHAP, refused.
  ASSERT_EQ(Do(auth + "/ConfigureCHAP",
               {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1", "Required"}),
            0u);
  EXPECT_EQ(Value(auth + "/CHAPParam"), "Required");
  EXPECT_EQ(Do(target + "/Login"), 25u);
  EXPECT_EQ(LastStatus(), Status(25,
                                 "Authentication failure. Please make sure your initiator is "
                                 "properly enabled for authentication at the target."));
  EXPECT_TRUE(Sessions(target).empty());
  // Preferred: with CHAP first (refused), then without, under a new qualifier.
  ASSERT_EQ(Do(auth + "/ConfigureCHAP",
               {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1", "Preferred"}),
            0u);
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(Sessions(target).size(), 1u);
  EXPECT_EQ(Value(target + "/Session0/ISIDQualifier"), "0001");
  EXPECT_EQ(Value(target + "/Session0/SessionLoginOptions/Authentication/AuthenticationMethod"),
            "None");
  // Only the successful attempt's persistent entry is recorded.
  std::vector<std::string> lines = SavedLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[1].find(",3260,1,"), std::string::npos) << lines[1];
}

TEST_F(IscsiTest, OneWayAndMutualChapTargets) {
  const std::string one_way = AddTarget(kOneWay, "192.0.2.11");
  // Without CHAP (the default level is Prohibited) the target refuses.
  EXPECT_EQ(Do(one_way + "/Login"), 25u);
  const std::string auth = one_way + "/TargetLoginOptions/Authentication";
  ASSERT_EQ(Do(auth + "/ConfigureCHAP", {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1"}),
            0u);
  EXPECT_EQ(Value(auth + "/CHAPParam"), "Prohibited");
  ASSERT_EQ(Do(auth + "/ConfigureCHAP",
               {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1", "Required"}),
            0u);
  ASSERT_EQ(Do(one_way + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(one_way +
                  "/Session0/Connection0/ConnectionNegotiatedLoginOptions/AuthenticationMethod"),
            "One-Way CHAP");

  const std::string mutual = AddTarget(kMutual, "192.0.2.12");
  const std::string mutual_auth = mutual + "/TargetLoginOptions/Authentication";
  ASSERT_EQ(Do(mutual_auth + "/ConfigureCHAP", {"Mutual CHAP", "initiator2", "wrong-secret1",
                                                "tgtuser2", "mutual-secret2", "Required"}),
            0u);
  EXPECT_EQ(Do(mutual + "/Login"), 25u);
  ASSERT_EQ(Do(mutual_auth + "/ConfigureCHAP", {"Mutual CHAP", "initiator2", "initsecret22",
                                                "tgtuser2", "mutual-secret2", "Required"}),
            0u);
  ASSERT_EQ(Do(mutual + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(
      Value(mutual + "/Session0/Connection0/ConnectionNegotiatedLoginOptions/AuthenticationMethod"),
      "Mutual CHAP");
  // The secrets are in the saved line, and the file is the owner's only.
  EXPECT_NE(root_.read(kSavedTargets).find("initsecret22"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(stat(root_.file(kSavedTargets).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(IscsiTest, DigestsAndTheirLevels) {
  const std::string target = AddTarget(kDigest, "192.0.2.13");
  const std::string options = target + "/TargetLoginOptions";
  EXPECT_EQ(Do(target + "/Login"), 243u);
  EXPECT_EQ(LastStatus(), Status(243, "Failed to login due to mismatch in CRC Configuration."));
  EXPECT_EQ(SetValue(options + "/HeaderParam", "Preferred"), 193u);
  ASSERT_EQ(SetValue(options + "/HeaderDigest", "CRC32C"), 0u);
  ASSERT_EQ(SetValue(options + "/HeaderParam", "Preferred"), 0u);
  EXPECT_EQ(SetValue(options + "/HeaderDigest", "None"), 194u);
  ASSERT_EQ(SetValue(options + "/DataDigest", "CRC32C"), 0u);
  ASSERT_EQ(SetValue(options + "/DataParam", "Preferred"), 0u);
  EXPECT_EQ(Value(options + "/HeaderDigest"), "CRC32C");
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(target + "/Session0/Connection0/ConnectionNegotiatedLoginOptions/DataDigest"),
            "CRC32C");
  // The values live in the saved line.
  EXPECT_NE(root_.read(kSavedTargets).find(",CRC32C,CRC32C,"), std::string::npos);
}

TEST_F(IscsiTest, IsidQualifierParameterAndASecondSession) {
  const std::string target = AddTarget(kOpen, "192.0.2.10");
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "0x10"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(target + "/Session0/ISIDQualifier"), "0010");
  // The qualifier in use cannot be taken again.
  EXPECT_EQ(Do(target + "/Login", {"", "", "", "16"}), 71u);
  // A second session on the other portal.
  ASSERT_EQ(Do(target + "/AddTargetPortal", {"192.0.2.10", "3261"}), 0u);
  ASSERT_EQ(Do(target + "/Login", {"192.0.2.10", "3261"}), 0u) << LastStatus().second;
  EXPECT_EQ(Sessions(target).size(), 2u);
  EXPECT_EQ(Do(target + "/Logout", {"7"}), 20u);
}

// A second login to a portal whose session is open makes a session of its
// own: its own qualifier, persistent entry and saved line, and a logout
// that takes those away and leaves the first session's.
TEST_F(IscsiTest, SecondLoginOnAnOpenPortalIsASessionOfItsOwn) {
  const std::string adapter = R"({"controllers": [{"chip": 3, "serial_number": "VN3Q0417A2K9",
      "functions": [{"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}],
      "targets": [{"name": "iqn.2026-01.net.oxim-lab:open", "portals": [{"address": "192.0.2.10"}]}]})";
  Stop();
  Start(WriteConfig(adapter));
  const std::string target = AddTarget(kOpen, "192.0.2.10");
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(Sessions(target), (std::vector<std::string>{"Session0", "Session1"}));
  EXPECT_EQ(Value(target + "/Session1/ISIDQualifier"), "0001");
  EXPECT_EQ(Value(target + "/Session1/SessionStatus"), "Open");
  EXPECT_EQ(Value(target + "/Session1/Persistent"), "True");
  std::vector<std::string> lines = SavedLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[2].find(",3260,1,"), std::string::npos) << lines[2];

  EXPECT_EQ(Do(target + "/Logout", {"1"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
  EXPECT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  lines = SavedLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[1].find(",3260,0,"), std::string::npos) << lines[1];
  // A new start of the adapter logs in what is left persistent: Session0.
  Stop();
  Start(WriteConfig(adapter));
  ASSERT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  EXPECT_EQ(Value(target + "/Session0/ISIDQualifier"), "0000");
}

TEST_F(IscsiTest, SessionsAndOptionsSurviveARestartOfTheClient) {
  const std::string target = AddTarget(kOneWay, "192.0.2.11");
  const std::string auth = target + "/TargetLoginOptions/Authentication";
  ASSERT_EQ(Do(auth + "/ConfigureCHAP",
               {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1", "Required"}),
            0u);
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(SetValue(Hba("InitiatorLoginOptions/ImmediateData"), "No"), 0u);
  ASSERT_EQ(Do(target + "/AddTargetPortal", {"192.0.2.11", "3270"}), 0u);
  Restart();
  EXPECT_EQ(Value(target + "/TargetISCSIName"), kOneWay);
  EXPECT_EQ(Value(target + "/TargetPortal1/TargetPortNumber"), "3270");
  EXPECT_EQ(Value(auth + "/CHAPParam"), "Required");
  EXPECT_EQ(Value(auth + "/TargetCHAPName"), "tgtuser1");
  EXPECT_EQ(Value(Hba("InitiatorLoginOptions/ImmediateData")), "No");
  ASSERT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  EXPECT_EQ(Value(target + "/Session0/SessionStatus"), "Open");
  EXPECT_EQ(Value(target + "/Session0/Persistent"), "True");
  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
}

// An adapter of the given chip with one iSCSI function and a target that
// has an IPv6 portal.
std::string Ipv6Adapter(int chip) {
  return R"({"controllers": [{"chip": )" + std::to_string(chip) +
         R"(, "serial_number": "VN-V6-1", "functions": [
             {"kind": "iscsi", "port": 0, "pci": {"bus": 6, "device": 0, "function": 2}}]}],
           "targets": [{"name": "iqn.2026-01.net.oxim-lab:v6",
                        "portals": [{"address": "2001:db8::10"}],
                        "luns": [{"number": 0, "blocks": 2048}]}]})";
}

// IPv6 portals on the chips that have them: the tree keeps the address in
// its one form, the firmware prints it compressed, and every lookup between
// the two (logout, the saved lines, the restart) finds the same address.
TEST_F(IscsiTest, Ipv6PortalsOnKorvelAndTindra) {
  constexpr char kV6[] = "iqn.2026-01.net.oxim-lab:v6";
  constexpr char kFull[] = "2001:0DB8:0000:0000:0000:0000:0000:0010";
  for (int chip : {4, 5}) {
    SCOPED_TRACE("chip " + std::to_string(chip));
    Stop();
    root_.write(kSavedTargets, "");
    Start(WriteConfig(Ipv6Adapter(chip)));
    const std::string target = AddTarget(kV6, "2001:db8::10");
    ASSERT_EQ(target, Hba("Target0"));
    EXPECT_EQ(Value(target + "/TargetPortal0/TargetIPAddress"), kFull);
    ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
    EXPECT_EQ(Value(target + "/Session0/Connection0/DestinationIPAddress"), "2001:db8::10");
    EXPECT_EQ(SavedLines().size(), 2u);
    // The same address in another spelling is the same portal.
    EXPECT_EQ(Do(target + "/AddTargetPortal", {"2001:DB8:0::0010"}), 214u);
    Restart();  // the library again, over the same adapter
    EXPECT_EQ(Groups(target), (std::vector<std::string>{"TargetLoginOptions", "TargetPortal0",
                                                        "Session0", "LUN0"}));
    EXPECT_EQ(SavedLines().size(), 2u);
    EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
    EXPECT_EQ(LastStatus(), Status(0, ""));
    ASSERT_EQ(SavedLines().size(), 1u);
    EXPECT_NE(SavedLines()[0].find(std::string(",") + kFull + ",3260,,"), std::string::npos)
        << SavedLines()[0];
    // A new start of the adapter: no persistent entry is left to log in,
    // and nothing is added.
    Stop();
    Start(WriteConfig(Ipv6Adapter(chip)));
    EXPECT_EQ(Groups(target), (std::vector<std::string>{"TargetLoginOptions", "TargetPortal0"}));
    EXPECT_EQ(Value(target + "/TargetPortal0/TargetIPAddress"), kFull);
    EXPECT_EQ(SavedLines().size(), 1u);
    ASSERT_EQ(Do(Hba("DeleteTarget"), {"0"}), 0u) << LastStatus().second;
    EXPECT_TRUE(SavedLines().empty());
  }
}

// One address, one text: leading zeros and other spellings of an address
// are kept in one form in the tree and the saved lines, and old lines that
// spell one portal twice become one.
TEST_F(IscsiTest, AddressesAreKeptInOneForm) {
  const std::string target = AddTarget(kOpen, "192.0.2.010");
  EXPECT_EQ(Value(target + "/TargetPortal0/TargetIPAddress"), "192.0.2.10");
  for (const std::string& line : SavedLines()) {
    EXPECT_NE(line.find(",192.0.2.10,3260,"), std::string::npos) << line;
  }
  EXPECT_EQ(Do(target + "/AddTargetPortal", {"192.000.002.10"}), 214u);
  ASSERT_EQ(Do(target + "/Login", {"192.0.2.0010"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(target + "/Session0/Connection0/DestinationIPAddress"), "192.0.2.10");
  ASSERT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
  ASSERT_EQ(Do(Hba("DeleteTarget"), {"0"}), 0u) << LastStatus().second;

  Stop();
  const std::string line = "Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0," + std::string(kOneWay) +
                           ",192.0.2.11,3260,,iqn.qz,Yes,Yes,None,None,None,,,,,Static,"
                           "Prohibited,Prohibited,Prohibited";
  std::string old_spelling = line;
  old_spelling.replace(old_spelling.find("192.0.2.11"), 10, "192.0.2.011");
  root_.write(kSavedTargets, old_spelling + "\n" + line + "\n");
  Start();
  EXPECT_EQ(SavedLines(), std::vector<std::string>{line});
  EXPECT_EQ(Groups(Hba("Target0")),
            (std::vector<std::string>{"TargetLoginOptions", "TargetPortal0"}));
  EXPECT_EQ(Value(Hba("Target0/TargetPortal0/TargetIPAddress")), "192.0.2.11");
}

// A QF3 adapter with one iSCSI function and the open target on two
// portals, online or not.
std::string OpenTargetAdapter(bool online) {
  return R"({"controllers": [{"chip": 3, "serial_number": "VN3Q0417A2K9",
      "functions": [{"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}],
      "targets": [{"name": "iqn.2026-01.net.oxim-lab:open", "online": )" +
         std::string(online ? "true" : "false") +
         R"(, "portals": [{"address": "192.0.2.10"}, {"address": "192.0.2.10", "port": 3261,
                          "group_tag": 2}]}]})";
}

// What is deleted stays deleted, in the firmware too, and a deletion that
// succeeds leaves no status behind: a portal does not come back at the next
// start of the adapter, nor a target with a closed session at a refresh.
TEST_F(IscsiTest, DeletedTargetsAndPortalsStayDeleted) {
  Stop();
  Start(WriteConfig(OpenTargetAdapter(true)));
  const std::string target = AddTarget(kOpen, "192.0.2.10");
  ASSERT_EQ(Do(target + "/AddTargetPortal", {"192.0.2.10", "3261"}), 0u);
  ASSERT_EQ(Do(target + "/DeleteTargetPortal", {"1"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
  Stop();
  Start(WriteConfig(OpenTargetAdapter(true)));  // the adapter starts again
  // It logged in the target's persistent entry, and nothing of the portal.
  EXPECT_EQ(Groups(target),
            (std::vector<std::string>{"TargetLoginOptions", "TargetPortal0", "Session0"}));
  EXPECT_EQ(SavedLines().size(), 2u) << "the target's two lines";

  // Sessions on both portals, closed by a start of the adapter while the
  // target is away.
  ASSERT_EQ(Do(target + "/AddTargetPortal", {"192.0.2.10", "3261"}), 0u);
  ASSERT_EQ(Do(target + "/Login", {"192.0.2.10", "3261"}), 0u) << LastStatus().second;
  Stop();
  Start(WriteConfig(OpenTargetAdapter(false)));
  ASSERT_EQ(Sessions(target), (std::vector<std::string>{"Session0", "Session1"}));
  for (const char* session : {"/Session0", "/Session1"}) {
    EXPECT_EQ(Value(target + session + "/SessionStatus"), "Login failed");
  }

  ASSERT_EQ(Do(target + "/DeleteTargetPortal", {"1"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
  ASSERT_EQ(Sessions(target).size(), 1u);
  EXPECT_EQ(Value(target + "/" + Sessions(target)[0] + "/Connection0/DestinationPortNumber"),
            "3260");
  ASSERT_EQ(Do(Hba("DeleteTarget"), {"0"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
  EXPECT_TRUE(SavedLines().empty());
  ASSERT_EQ(Do(Hba("Discovery/RefreshAvailableTargets")), 0u) << LastStatus().second;
  EXPECT_EQ(Tag(target), kNoTag);
  Stop();
  Start(WriteConfig(OpenTargetAdapter(true)));
  EXPECT_EQ(Tag(target), kNoTag);
  EXPECT_TRUE(SavedLines().empty());
}

// Names and secrets the saved files cannot hold are refused before
// anything changes, with a message that names the parameter.
TEST_F(IscsiTest, NamesAndSecretsTheSavedFilesCannotHoldAreRefused) {
  const std::string kWhy =
      ": Invalid value. It cannot hold a comma, a line end or another control character, and "
      "must be UTF-8 text.";
  const std::string kUnsavable[] = {"iqn.2026-01.x:a,b",  "iqn.2026-01.x:a\nb",
                                    "iqn.2026-01.x:a\rb", "iqn.2026-01.x:a\tb",
                                    "iqn.2026-01.x:\x7f", "iqn.2026-01.x:\xff\xfe\x80"};
  const std::vector<std::string> groups = Groups(kHba);
  for (const std::string& name : kUnsavable) {
    SCOPED_TRACE(::testing::PrintToString(name));
    EXPECT_EQ(Do(Hba("AddTarget"), {name, "192.0.2.10"}), 6u);
    EXPECT_EQ(LastStatus(), Status(6, "TargetName" + kWhy));
  }
  EXPECT_EQ(Groups(kHba), groups);
  EXPECT_EQ(root_.read(kSavedTargets), "");

  // UTF-8 is a name like any other.
  const std::string target = AddTarget("iqn.2026-01.x:caf\xc3\xa9", "192.0.2.10");
  ASSERT_EQ(target, Hba("Target0"));
  const std::string saved = root_.read(kSavedTargets);
  const std::string auth = target + "/TargetLoginOptions/Authentication";
  const std::pair<std::vector<std::string>, std::string> kChap[] = {
      {{"One-Way CHAP", "", "", "user,1", "oneway-secret1"}, "TargetCHAPName"},
      {{"One-Way CHAP", "", "", "user1", "oneway,secret1"}, "TargetSecret"},
      {{"One-Way CHAP", "", "", "user1", "oneway-secret\n"}, "TargetSecret"},
      {{"Mutual CHAP", "init\x01", "initsecret22", "user1", "oneway-secret1"}, "InitiatorCHAPName"},
      {{"Mutual CHAP", "init", "init,secret22", "user1", "oneway-secret1"}, "InitiatorSecret"},
  };
  for (const auto& [params, parameter] : kChap) {
    SCOPED_TRACE(parameter);
    EXPECT_EQ(Do(auth + "/ConfigureCHAP", params), 6u);
    EXPECT_EQ(LastStatus(), Status(6, parameter + kWhy));
  }
  EXPECT_EQ(Value(auth + "/AuthenticationMethod"), "None");
  EXPECT_EQ(Do(target + "/Login", {"", "", "iqn.2026-01.x:init,2"}), 6u);
  EXPECT_EQ(LastStatus(), Status(6, "SessionInitiatorName" + kWhy));
  EXPECT_TRUE(Sessions(target).empty());
  EXPECT_EQ(root_.read(kSavedTargets), saved);
}

// A target that cannot be saved is not added: the command fails with a last
// status that names the file, and nothing of the target is left in the tree
// or the firmware. The files are never opened through a symbolic link.
TEST_F(IscsiTest, FailuresToSaveAreFailures) {
  const std::string file = root_.file(kSavedTargets);
  const std::string temp = root_.file("/scratch/Vallorn/temp_tgt.txt");
  const std::string groups = ::testing::PrintToString(Groups(kHba));
  const std::string kSuffix =
      ". Application internal error occurred. Please check oxim2d.log file for more "
      "information.";

  ASSERT_EQ(mkdir(file.c_str(), 0700), 0);
  EXPECT_EQ(Do(Hba("AddTarget"), {kOpen, "192.0.2.10"}), 1u);
  EXPECT_EQ(LastStatus(), Status(1, "Failed to read " + file + ": it is a directory" + kSuffix));
  EXPECT_EQ(::testing::PrintToString(Groups(kHba)), groups);
  ASSERT_EQ(rmdir(file.c_str()), 0);

  // A link in the temporary file's place: the file is not changed, nor
  // what the link points at.
  const std::string elsewhere = root_.file("/elsewhere");
  root_.write("/elsewhere", "untouched\n");
  ASSERT_EQ(symlink(elsewhere.c_str(), temp.c_str()), 0);
  EXPECT_EQ(Do(Hba("AddTarget"), {kOpen, "192.0.2.10"}), 1u);
  EXPECT_EQ(LastStatus(),
            Status(1, "Failed to write " + temp + ": it is a symbolic link" + kSuffix));
  EXPECT_EQ(::testing::PrintToString(Groups(kHba)), groups);
  EXPECT_EQ(root_.read("/elsewhere"), "untouched\n");
  ASSERT_EQ(unlink(temp.c_str()), 0);

  // Nothing was made persistent in the firmware: the adapter's next start
  // brings nothing back.
  Restart();
  EXPECT_EQ(::testing::PrintToString(Groups(kHba)), groups);

  // The file itself a link: its target keeps its mode (start-up sets the
  // saved files owner-only), and a change is refused.
  ASSERT_EQ(chmod(elsewhere.c_str(), 0644), 0);
  ASSERT_EQ(symlink(elsewhere.c_str(), file.c_str()), 0);
  Restart();
  struct stat info {};
  ASSERT_EQ(stat(elsewhere.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
  EXPECT_EQ(Do(Hba("AddTarget"), {kOpen, "192.0.2.10"}), 1u);
  EXPECT_EQ(LastStatus(),
            Status(1, "Failed to read " + file + ": it is a symbolic link" + kSuffix));
  EXPECT_EQ(root_.read("/elsewhere"), "untouched\n");
}

// A QF3 adapter with one iSCSI function and the one-way CHAP target.
std::string OneWayAdapter() {
  return R"({"controllers": [{"chip": 3, "serial_number": "VN3Q0417A2K9",
      "functions": [{"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}],
      "targets": [{"name": "iqn.2026-01.net.oxim-lab:oneway", "portals": [{"address": "192.0.2.11"}],
                   "chap": {"mode": "one-way", "user": "tgtuser1", "secret": "oneway-secret1"}}]})";
}

// Runs GROUP/Command with parameters in slot order and new-tag list; the
// call's status and the paths of the tags it reported.
std::pair<uint32_t, std::vector<std::string>> DoListing(const std::string& path,
                                                        const std::vector<std::string>& params) {
  std::vector<uint32_t> tags(OXIM_MAX_NEW_TAGS, 0xEEEEEEEEu);
  char block[OXIM_MAX_PARAMS][OXIM_PARAM_SIZE] = {};
  for (size_t i = 0; i < OXIM_MAX_PARAMS; ++i) {
    if (i < params.size() && !params[i].empty()) {
      std::strncpy(block[i], params[i].c_str(), OXIM_PARAM_SIZE - 1);
    } else {
      block[i][0] = static_cast<char>(OXIM_PARAM_NOT_GIVEN);
    }
  }
  const size_t slash = path.rfind('/');
  const uint32_t status =
      OXIM_do_action(Tag(path.substr(0, slash)), Tag(path), &block[0][0], tags.data());
  std::vector<std::string> created;
  for (uint32_t tag : tags) {
    if (tag == 0) break;
    std::string where;
    for (uint32_t at = tag, parent = 0; at != 0; at = parent) {
      char name[OXIM_NAME_SIZE] = "";
      if (OXIM_get_node_name(at, name, OXIM_KIND_GROUP) != 0 ||
          OXIM_get_parent_tag(at, &parent) != 0) {
        where = "<no group " + std::to_string(tag) + ">";
        break;
      }
      where = "/" + std::string(name) + where;
    }
    created.push_back(where);
  }
  return {status, created};
}

// The CHAP level ConfigureCHAP stores is the level every login of the
// target uses, the adapter's own included; and a command reports only
// groups that exist when it returns.
TEST_F(IscsiTest, ChapLevelStoredIsTheLevelUsed) {
  Stop();
  Start(WriteConfig(OneWayAdapter()));
  const std::string target = AddTarget(kOneWay, "192.0.2.11");
  const std::string auth = target + "/TargetLoginOptions/Authentication";
  // The adapter starts again and logs the target's persistent entry in,
  // without CHAP: refused.
  Stop();
  Start(WriteConfig(OneWayAdapter()));
  ASSERT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  ASSERT_EQ(Value(target + "/Session0/SessionStatus"), "Login failed");

  // CHAP without a level: the level is Prohibited, for a Login and for the
  // entry made again for the failed session alike.
  ASSERT_EQ(Do(auth + "/ConfigureCHAP", {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1"}),
            0u);
  ASSERT_EQ(Value(auth + "/CHAPParam"), "Prohibited");
  EXPECT_EQ(Do(target + "/Login"), 25u) << "no CHAP offered";
  Stop();
  Start(WriteConfig(OneWayAdapter()));
  ASSERT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  EXPECT_EQ(Value(target + "/Session0/SessionStatus"), "Login failed") << "nor by the adapter";

  // A wrong secret: the entry is made again and the session stays failed;
  // the command reports only groups that exist when it returns.
  auto [wrong, listed] = DoListing(
      auth + "/ConfigureCHAP", {"One-Way CHAP", "", "", "tgtuser1", "wrong-secret1", "Required"});
  EXPECT_EQ(wrong, 0u) << LastStatus().second;
  for (const std::string& group : listed) {
    EXPECT_EQ(group.find("<no group"), std::string::npos) << group;
  }
  EXPECT_EQ(Do(target + "/Login"), 25u);
  ASSERT_EQ(Do(auth + "/ConfigureCHAP",
               {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1", "Required"}),
            0u);
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(target + "/Session0/SessionStatus"), "Open");
  Stop();
  Start(WriteConfig(OneWayAdapter()));
  EXPECT_EQ(Value(target + "/Session0/SessionStatus"), "Open");
}

// RefreshAvailableTargets reconciles the tree with the saved-target file
// (which another client may have changed): targets and portals without a
// line go, saved targets the tree lacks come, and those saved with a
// qualifier are logged in.
TEST_F(IscsiTest, RefreshReconcilesTheTreeWithTheSavedTargets) {
  auto line = [](const std::string& name, const std::string& ip, const std::string& qualifier) {
    return "Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0," + name + "," + ip + ",3260," + qualifier +
           ",iqn.qz,Yes,Yes,None,None,None,,,,,Static,Prohibited,Prohibited,Prohibited\n";
  };
  Stop();
  root_.write(kSavedTargets, line(kOneWay, "192.0.2.11", "") + line(kDigest, "192.0.2.13", ""));
  Start();
  ASSERT_EQ(Value(Hba("Target0/TargetISCSIName")), kOneWay);
  ASSERT_EQ(Value(Hba("Target1/TargetISCSIName")), kDigest);

  root_.write(kSavedTargets, line(kOneWay, "192.0.2.11", "") + line(kOpen, "192.0.2.10", "0"));
  ASSERT_EQ(Do(Hba("Discovery/RefreshAvailableTargets")), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
  EXPECT_EQ(Value(Hba("Target0/TargetISCSIName")), kOneWay);
  EXPECT_EQ(Tag(Hba("Target1")), kNoTag) << "the digest target has no line any more";
  std::string added;
  for (const std::string& group : Groups(kHba)) {
    if (group.rfind("Target", 0) == 0 && Value(Hba(group + "/TargetISCSIName")) == kOpen) {
      added = Hba(group);
    }
  }
  ASSERT_NE(added, "");
  EXPECT_EQ(Value(added + "/TargetType"), "Static");
  ASSERT_EQ(Sessions(added), std::vector<std::string>{"Session0"});
  EXPECT_EQ(Value(added + "/Session0/SessionStatus"), "Open");
  EXPECT_EQ(Value(added + "/Session0/ISIDQualifier"), "0000");
}

}  // namespace
