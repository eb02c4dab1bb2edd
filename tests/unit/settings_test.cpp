#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void putInt(std::vector<unsigned char> &image, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; i++)
        image[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

// The file image of the defaults, built from the documented offsets rather than from the struct.
std::vector<unsigned char> expectedDefaultImage() {
    std::vector<unsigned char> image(3572, 0);
    putInt(image, 3220, 10); // interval
    putInt(image, 3224, 1);  // checkAtStartup
    putInt(image, 3228, 10); // msgRect
    putInt(image, 3232, 10);
    putInt(image, 3236, 210);
    putInt(image, 3240, 60);
    putInt(image, 3244, 0x0000FF00); // msgBackColor
    putInt(image, 3248, 0);          // msgTextColor
    putInt(image, 3252, 12);         // lfHeight
    image[3252 + 23] = 128;          // lfCharSet
    const unsigned char face[] = {0x82, 0x6c, 0x82, 0x72, 0x20, 0x82, 0x6f, 0x83,
                                  0x53, 0x83, 0x56, 0x83, 0x62, 0x83, 0x4e};
    memcpy(&image[3252 + 28], face, sizeof face);
    return image;
}

void useAccount(int slot, const char *name) {
    strcpy(g_settings.names[slot], name);
    strcpy(g_settings.servers[slot], "pop.example.invalid");
    strcpy(g_settings.users[slot], "user");
    strcpy(g_settings.passwords[slot], "secret");
}

class SettingsRecord : public ::testing::Test {
  protected:
    void SetUp() override {
        applyDefaults(&g_settings);
    }
};

} // namespace

TEST_F(SettingsRecord, DefaultImageMatchesTheFileLayoutByteForByte) {
    std::vector<unsigned char> expected = expectedDefaultImage();
    const unsigned char *actual = reinterpret_cast<const unsigned char *>(&g_settings);
    for (size_t offset = 0; offset < expected.size(); offset++)
        ASSERT_EQ(actual[offset], expected[offset]) << "at offset " << offset;
}

TEST_F(SettingsRecord, ApplyingDefaultsClearsEveryAccount) {
    useAccount(3, "work");
    g_settings.apop[3] = 1;
    strcpy(g_settings.mailerPath, "C:\\mail.exe");
    applyDefaults(&g_settings);
    EXPECT_EQ(memcmp(&g_settings, expectedDefaultImage().data(), kSettingsSize), 0);
}

TEST_F(SettingsRecord, EmptyNameFindsTheFirstFreeSlot) {
    EXPECT_EQ(findAccount(""), 0);
    useAccount(0, "home");
    useAccount(1, "work");
    useAccount(2, "club");
    EXPECT_EQ(findAccount(""), 3);
}

TEST_F(SettingsRecord, FullRecordHasNoFreeSlot) {
    const char *names[] = {"a", "b", "c", "d", "e"};
    for (int slot = 0; slot < kAccountSlots; slot++)
        useAccount(slot, names[slot]);
    EXPECT_EQ(findAccount(""), -1);
    EXPECT_EQ(findAccount("e"), 4);
    EXPECT_EQ(findAccount("f"), -1);
}

TEST_F(SettingsRecord, DeletedSlotIsReusedBeforeTheEnd) {
    useAccount(0, "home");
    useAccount(1, "work");
    useAccount(2, "club");
    g_settings.names[1][0] = 0;
    EXPECT_EQ(findAccount(""), 1);
    EXPECT_EQ(findAccount("club"), 2);
}

TEST_F(SettingsRecord, NamesDifferingOnlyInCaseAreDifferentAccounts) {
    useAccount(0, "Home");
    EXPECT_EQ(findAccount("home"), -1);
    EXPECT_EQ(findAccount("HOME"), -1);
    EXPECT_EQ(findAccount("Home"), 0);
}

TEST_F(SettingsRecord, JapaneseNamesAreFound) {
    useAccount(2, "会社");
    EXPECT_EQ(findAccount("会社"), 2);
    EXPECT_EQ(findAccount("会"), -1);
}

TEST(SettingsStrings, TerminatingStringsEndsEveryFieldInsideItsArray) {
    Settings record;
    memset(&record, 'x', sizeof record);
    EXPECT_EQ(terminateStrings(&record), 1);
    for (int slot = 0; slot < kAccountSlots; slot++) {
        EXPECT_EQ(strlen(record.names[slot]), size_t(kNameSize - 1));
        EXPECT_EQ(strlen(record.servers[slot]), size_t(kNameSize - 1));
        EXPECT_EQ(strlen(record.passwords[slot]), size_t(kSecretSize - 1));
        EXPECT_EQ(strlen(record.users[slot]), size_t(kSecretSize - 1));
    }
    EXPECT_EQ(strlen(record.msgFont.lfFaceName), size_t(31));
    EXPECT_EQ(strlen(record.mailerPath), size_t(kPathSize - 1));
    // Numbers are taken as stored.
    EXPECT_EQ(record.interval, 0x78787878);
}

TEST(SettingsStrings, RecordWhoseFieldsAllEndInsideReportsNothingCut) {
    Settings record;
    applyDefaults(&record);
    memset(record.mailerPath, 'x', kPathSize - 1); // the longest path that still fits
    Settings before = record;
    EXPECT_EQ(terminateStrings(&record), 0);
    EXPECT_EQ(memcmp(&record, &before, sizeof record), 0);
    record.users[3][kSecretSize - 1] = 'x';
    memset(record.users[3], 'y', kSecretSize - 1);
    EXPECT_EQ(terminateStrings(&record), 1);
}
