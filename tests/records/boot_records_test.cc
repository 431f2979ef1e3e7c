// The boot configuration, the PCI function mapping, the OEM execution
// configuration, the erase request and the factory profile request, against bytes written by hand
// from their offset tables.
#include <gtest/gtest.h>

#include "records/boot_config.h"
#include "records/erase_rom.h"
#include "records/factory_profile.h"
#include "records/golden.h"
#include "records/oem_exec_config.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(BootConfig, AWriteChangesTheFieldsAndKeepsTheOtherBytes) {
  Bytes read = {1, 0x77, 0, 1, 0x55, 0x66, 0x77, 0x88};
  BootConfig boot = DecodeBootConfig(read).value();
  EXPECT_EQ(boot.state, kBootEnabled);
  EXPECT_EQ(boot.native_mode, 0);
  EXPECT_EQ(boot.method, kBootMethodPxe);
  boot.state = kBootDisabled;
  boot.native_mode = 1;
  boot.method = kBootMethodIbft;
  ASSERT_TRUE(EncodeBootConfig(read, boot));
  EXPECT_EQ(read, (Bytes{0, 0x77, 1, 2, 0x55, 0x66, 0x77, 0x88}));
  EXPECT_FALSE(DecodeBootConfig(Bytes(7, 0)));
}

TEST(PciFuncMapping, RomBitMapAtThirtyTwo) {
  Bytes want(68, 0);
  golden::Put32(want, 32, 0x80000005);
  Bytes got(68, 0xEE);
  ASSERT_TRUE(EncodePciFuncMapping(got, 0x80000005));
  EXPECT_EQ(got, want);
  const uint32_t bitmap = DecodePciFuncMapping(want).value();
  EXPECT_TRUE(RomEnabled(bitmap, 0));
  EXPECT_FALSE(RomEnabled(bitmap, 1));
  EXPECT_TRUE(RomEnabled(bitmap, 31));
  // Function numbers the 32-bit map has no bit for.
  EXPECT_FALSE(RomEnabled(0xFFFFFFFF, 32));
  EXPECT_FALSE(RomEnabled(0xFFFFFFFF, 255));
  EXPECT_FALSE(DecodePciFuncMapping(Bytes(67, 0)));
}

TEST(OemExecConfig, AVlanWriteSetsItsBitsAndAReadHasNone) {
  Bytes want(48, 0);
  want[0] = 0x02;  // the VLAN is given
  want[3] = 0x80;  // a write
  golden::Put16(want, 12, 100);
  want[14] = 5;
  want[15] = 0x80;  // a VLAN write
  Bytes got(48, 0xEE);
  OemExecConfig vlan;
  vlan.fields = kOemExecVlan;
  vlan.vlan_id = 100;
  vlan.priority = 5;
  ASSERT_TRUE(EncodeOemExecWrite(got, vlan));
  EXPECT_EQ(got, want);
  EXPECT_TRUE(IsOemExecWrite(want));
  EXPECT_EQ(DecodeOemExecConfig(want)->fields, kOemExecVlan);

  Bytes answer(48, 0);
  golden::PutBytes(answer, 4, {0x02, 0x90, 0xfa, 0, 0, 1});
  golden::Put16(answer, 12, 7);
  OemExecConfig read;
  read.mac = {0x02, 0x90, 0xfa, 0, 0, 1};
  read.vlan_id = 7;
  ASSERT_TRUE(EncodeOemExecAnswer(got, read));
  EXPECT_EQ(got, answer);
  EXPECT_FALSE(IsOemExecWrite(answer));
  OemExecConfig decoded = DecodeOemExecConfig(answer).value();
  EXPECT_EQ(decoded.fields, 0);
  EXPECT_EQ(decoded.mac, read.mac);
  EXPECT_EQ(decoded.vlan_id, 7);
  EXPECT_FALSE(DecodeOemExecConfig(Bytes(47, 0)));
}

TEST(OemExecConfig, AMacWriteLeavesTheVlanWriteBitClear) {
  Bytes want(48, 0);
  want[0] = 0x01;
  want[3] = 0x80;
  golden::PutBytes(want, 4, {1, 2, 3, 4, 5, 6});
  Bytes got(48, 0);
  OemExecConfig mac;
  mac.fields = kOemExecMac;
  mac.mac = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(EncodeOemExecWrite(got, mac));
  EXPECT_EQ(got, want);
}

TEST(EraseRom, SelectorWordsTellTheConfigurationsApart) {
  Bytes want(20, 0);
  golden::Put32(want, 0, 3);
  golden::Put32(want, 4, 14);
  Bytes got(20, 0xEE);
  ASSERT_TRUE(EncodeEraseRequest(got, kEraseNicConfiguration));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeEraseRequest(want), kEraseNicConfiguration);
  golden::Put32(want, 4, 15);
  EXPECT_EQ(DecodeEraseRequest(want), kErasePortConfiguration);
  golden::Put32(want, 4, 13);
  EXPECT_EQ(DecodeEraseRequest(want), kEraseIscsiConfiguration);
  EXPECT_FALSE(DecodeEraseRequest(Bytes(19, 0)));
  // The port and discovery erase and the iSCSI erase, built whole.
  ASSERT_TRUE(EncodeEraseRequest(got, kErasePortConfiguration));
  golden::Put32(want, 4, 15);
  EXPECT_EQ(got, want);
  ASSERT_TRUE(EncodeEraseRequest(got, kEraseIscsiConfiguration));
  golden::Put32(want, 4, 13);
  EXPECT_EQ(got, want);
}

TEST(FactoryProfile, TheRequestIsFourZeroBytes) {
  Bytes got(4, 0xEE);
  ASSERT_TRUE(EncodeFactoryProfileRequest(got));
  EXPECT_EQ(got, Bytes(4, 0));
  Bytes short_request(3, 0xEE);
  EXPECT_FALSE(EncodeFactoryProfileRequest(short_request));
  EXPECT_EQ(short_request, Bytes(3, 0xEE));
}

}  // namespace
}  // namespace oxim::records
