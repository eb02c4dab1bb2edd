#include "ui/forms.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(IntervalText, OnlyTheFirstTwoCharactersCountAndOnlyOneToSixtyIsTaken) {
    struct {
        const char *text;
        int minutes;
    } cases[] = {
        {"10", 10}, {"1", 1},  {"60", 60}, {"100", 10}, {" 7", 7}, {"7x", 7}, {"+9", 9},
        {"0", 0},   {"61", 0}, {"-5", 0},  {"abc", 0},  {"", 0},   {"x7", 0}, {"  7", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(intervalFromText(c.text), c.minutes) << "\"" << c.text << "\"";
}

TEST(Centring, HalfTheDifferenceTruncatedTowardZero) {
    struct {
        int referenceStart, referenceLength, length, start;
    } cases[] = {
        {0, 1024, 300, 362},  {0, 1024, 301, 361},
        {100, 200, 200, 100}, {0, 100, 201, -50}, // -101 / 2 is -50, not -51
        {-20, 10, 15, -22},                       // -5 / 2 is -2
        {0, 800, 800, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(centredStart(c.referenceStart, c.referenceLength, c.length), c.start)
            << c.referenceStart << " " << c.referenceLength << " " << c.length;
}

namespace {

void useAccount(int slot, const char *name) {
    strcpy(g_settings.names[slot], name);
    strcpy(g_settings.servers[slot], "pop.example.invalid");
    strcpy(g_settings.users[slot], "user");
    strcpy(g_settings.passwords[slot], "secret");
}

// Every byte of the slot's texts, the zeros after them included.
std::string slotBytes(int slot) {
    return std::string(g_settings.names[slot], kNameSize) +
           std::string(g_settings.servers[slot], kNameSize) +
           std::string(g_settings.users[slot], kSecretSize) +
           std::string(g_settings.passwords[slot], kSecretSize);
}

const char kEmptyName[] = "「表示名」が空欄です。";
const char kEmptyServer[] = "「POP3サーバー名」が空欄です。";
const char kEmptyUser[] = "「ユーザー名」が空欄です。";
const char kEmptyPassword[] = "「パスワード」が空欄です。";
const char kDuplicate[] = "この表示名は登録済みです。";

class AccountOk : public ::testing::Test {
  protected:
    void SetUp() override {
        applyDefaults(&g_settings);
        useAccount(0, "home");
        useAccount(2, "work");
        memcpy(&before, &g_settings, sizeof before);
    }
    bool unchanged() const {
        return memcmp(&before, &g_settings, sizeof before) == 0;
    }
    Settings before;
};

} // namespace

TEST_F(AccountOk, RefusesWithTheFirstMessageThatAppliesAndWritesNothing) {
    struct {
        AccountForm form;
        int editSlot;
        const char *message;
    } cases[] = {
        {{"", "", "", "", 0}, -1, kEmptyName},
        {{"", "pop", "u", "p", 0}, -1, kEmptyName},
        {{"n", "", "", "", 0}, -1, kEmptyServer},
        {{"n", "pop", "", "", 0}, -1, kEmptyUser},
        {{"n", "pop", "u", "", 1}, 2, kEmptyPassword},
        {{"home", "pop", "u", "p", 0}, -1, kDuplicate}, // adding a name in use
        {{"work", "pop", "u", "p", 0}, 0, kDuplicate},  // renaming onto another account
        {{"", "", "", "", 0}, 0, kEmptyName},           // blanks are tested before duplicates
    };
    for (const auto &c : cases) {
        AccountResult result = storeAccountForm(c.form, c.editSlot);
        EXPECT_EQ(result.outcome, kAccountRefused) << c.message;
        ASSERT_NE(result.message, nullptr);
        EXPECT_STREQ(result.message, c.message);
        EXPECT_TRUE(unchanged()) << c.message;
    }
}

TEST_F(AccountOk, AddingTakesTheLowestFreeSlot) {
    AccountResult result = storeAccountForm({"club", "pop.club", "me", "pw", 1}, -1);
    EXPECT_EQ(result.outcome, kAccountStored);
    EXPECT_EQ(result.slot, 1);
    EXPECT_STREQ(g_settings.names[1], "club");
    EXPECT_STREQ(g_settings.servers[1], "pop.club");
    EXPECT_STREQ(g_settings.users[1], "me");
    EXPECT_STREQ(g_settings.passwords[1], "pw");
    EXPECT_EQ(g_settings.apop[1], 1);
    EXPECT_EQ(findAccount(""), 3);
}

TEST_F(AccountOk, AddingWithEverySlotInUseClosesWithoutWriting) {
    useAccount(1, "b");
    useAccount(3, "d");
    useAccount(4, "e");
    memcpy(&before, &g_settings, sizeof before);
    AccountResult result = storeAccountForm({"f", "pop", "u", "p", 0}, -1);
    EXPECT_EQ(result.outcome, kAccountDropped);
    EXPECT_TRUE(unchanged());
}

TEST_F(AccountOk, EditingKeepsOrChangesTheNameOfItsOwnSlot) {
    AccountResult kept = storeAccountForm({"work", "pop2", "u2", "p2", 0}, 2);
    EXPECT_EQ(kept.outcome, kAccountStored);
    EXPECT_EQ(kept.slot, 2);
    EXPECT_STREQ(g_settings.servers[2], "pop2");

    g_settings.apop[2] = 1;
    AccountResult renamed = storeAccountForm({"Work", "pop3", "u3", "p3", 0}, 2);
    EXPECT_EQ(renamed.outcome, kAccountStored) << "names differing in case are different";
    EXPECT_STREQ(g_settings.names[2], "Work");
    EXPECT_STREQ(g_settings.users[2], "u3");
    EXPECT_STREQ(g_settings.passwords[2], "p3");
    EXPECT_EQ(g_settings.apop[2], 0);
    EXPECT_STREQ(g_settings.names[0], "home");
}

TEST_F(AccountOk, LongTextsAreCutToTheirArraysAndTheDuplicateTestSeesTheCutName) {
    std::string longName(300, 'n'), longPassword(70, 'p'), longUser(64, 'u');
    AccountResult result = storeAccountForm(
        {longName.c_str(), longName.c_str(), longUser.c_str(), longPassword.c_str(), 0}, -1);
    ASSERT_EQ(result.outcome, kAccountStored);
    EXPECT_EQ(std::string(g_settings.names[1]), longName.substr(0, 255));
    EXPECT_EQ(std::string(g_settings.servers[1]), longName.substr(0, 255));
    EXPECT_EQ(std::string(g_settings.users[1]), longUser.substr(0, 63));
    EXPECT_EQ(std::string(g_settings.passwords[1]), longPassword.substr(0, 63));

    std::string otherLongName = longName.substr(0, 255) + "zz";
    AccountResult again = storeAccountForm({otherLongName.c_str(), "s", "u", "p", 0}, -1);
    EXPECT_EQ(again.outcome, kAccountRefused);
    EXPECT_STREQ(again.message, kDuplicate);
}

TEST_F(AccountOk, NoByteOfAnOldTextStaysBehindAShorterOneOrInAClearedSlot) {
    const std::string old(300, 'x');
    storeAccountForm({old.c_str(), old.c_str(), old.c_str(), old.c_str(), 1}, 0);
    storeAccountForm({"h", "s", "u", "p", 1}, 0);
    EXPECT_EQ(slotBytes(0).find('x'), std::string::npos);

    clearAccount(0);
    EXPECT_EQ(slotBytes(0), std::string(2 * kNameSize + 2 * kSecretSize, '\0'));
    EXPECT_EQ(g_settings.apop[0], 0);
    EXPECT_EQ(findAccount(""), 0);
}
