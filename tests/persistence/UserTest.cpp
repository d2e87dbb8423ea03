#include "PersistenceTest.h"
#include "vek/persistence/User.h"

namespace vek::test {
namespace {

class UserTest : public PersistenceTest {
protected:
    void SetUp() override {
        PersistenceTest::SetUp();
        raw("INSERT INTO USER (userKey, name, password, role, company) VALUES (7, 'anna', 'secret   ', 1, ' Acme ')");
        raw("INSERT INTO USER (userKey, name, password, role, company) VALUES (8, 'bob', 'one', 2, NULL)");
        raw("INSERT INTO USER (userKey, name, password, role, company) VALUES (9, 'bob', 'two', 1, 'Second')");
        raw("INSERT INTO USER (userKey, name, password, role, company) VALUES (10, 'bob', 'two', 2, 'Third')");
        user.setDatabase(runtime().database);
    }
    User user;
};

TEST_F(UserTest, TableLoginComparesTheTrimmedStoredPassword) {
    EXPECT_TRUE(user.validatePublicLogin("anna", "secret"));
    EXPECT_EQ(user.userKey(), 7);
    EXPECT_EQ(user.userName(), "anna");
    EXPECT_EQ(user.userRole(), UserRoles::EXPERT);
    EXPECT_EQ(user.userCompany(), "Acme");
    EXPECT_EQ(user.connectTime().size(), 8u);
    EXPECT_FALSE(user.validatePublicLogin("anna", "secret "));
    EXPECT_EQ(user.userPassword(), "secret   ");
    EXPECT_EQ(user.userKey(), 7);  // a failed login leaves the last user in place
}

TEST_F(UserTest, FirstMatchingRowWins) {
    EXPECT_TRUE(user.validatePublicLogin("bob", "two"));
    EXPECT_EQ(user.userKey(), 9);
    EXPECT_EQ(user.userCompany(), "Second");
    EXPECT_TRUE(user.validatePublicLogin("bob", "one"));
    EXPECT_EQ(user.userKey(), 8);
    EXPECT_EQ(user.userCompany(), "");
    EXPECT_FALSE(user.validatePublicLogin("bob", "three"));
    EXPECT_EQ(user.userPassword(), "two");
    EXPECT_FALSE(user.validatePublicLogin("nobody", "two"));
}

TEST_F(UserTest, LoginWithAQuoteIsRefusedAndNothingRuns) {
    EXPECT_FALSE(user.validatePublicLogin("x' OR '1'='1", "secret"));
    EXPECT_FALSE(user.validatePublicLogin("anna'; DROP TABLE USER; --", "secret"));
    EXPECT_TRUE(loggedStartingWith("Can't validate login information.-->"));
    EXPECT_EQ(raw("SELECT count(*) FROM USER"), "4");
    EXPECT_EQ(user.userKey(), 0);
}

TEST_F(UserTest, CredentialsNeverReachTheLog) {
    raw("DROP TABLE USER");
    EXPECT_FALSE(user.validatePublicLogin("anna", "secret"));
    EXPECT_TRUE(loggedAt("Can't validate login information.-->no such table: USER", 3));
    EXPECT_TRUE(user.validatePrivateLogin(" gant ", "ryxo "));
    const std::string text = logFileText();
    for (const char* secret : {"secret", "ryxo", "gant", "bqzlm", "trace"})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
}

}  // namespace
}  // namespace vek::test
