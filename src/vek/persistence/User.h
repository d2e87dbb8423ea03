#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace vek {

class Database;

namespace UserRoles {
enum Value : int32_t { DEBUGONLY = -2, DEVELOPER = -1, NOTSET = 0, EXPERT = 1, OPERATOR = 2 };
}  // namespace UserRoles

// Who is logged in to the host application, and with which role.
class User {
public:
    std::string getRoleName(int16_t role) const;
    // Logs in with one of the two accounts built into vek.
    bool validatePrivateLogin(const std::string& login, const std::string& password);
    // Logs in against the USER table of the database given to setDatabase.
    bool validatePublicLogin(const std::string& login, const std::string& password);
    void setDatabase(std::shared_ptr<Database> database) { database_ = std::move(database); }

    const std::string& connectTime() const { return connectTime_; }
    void setConnectTime(const std::string& v) { connectTime_ = v; }
    int16_t userRole() const { return userRole_; }
    void setUserRole(int16_t v) { userRole_ = v; }
    const std::string& userName() const { return userName_; }
    void setUserName(const std::string& v) { userName_ = v; }
    int16_t userKey() const { return userKey_; }
    void setUserKey(int16_t v) { userKey_ = v; }
    const std::string& userPassword() const { return userPassword_; }
    void setUserPassword(const std::string& v) { userPassword_ = v; }
    const std::string& userCompany() const { return userCompany_; }
    void setUserCompany(const std::string& v) { userCompany_ = v; }

private:
    void loggedIn(int16_t key, const std::string& name, int16_t role, const std::string& company);

    std::string connectTime_;
    int16_t userRole_ = 0;
    std::string userName_;
    int16_t userKey_ = 0;
    std::string userPassword_;
    std::string userCompany_;
    std::shared_ptr<Database> database_;
};

}  // namespace vek
