#include "vek/persistence/User.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/EventLoop.h"

namespace vek {

namespace {
// The two accounts built into vek; never logged.
constexpr const char* kDeveloperLogin = "gant";
constexpr const char* kDeveloperPassword = "ryxo";
constexpr const char* kDebugLogin = "trace";
constexpr const char* kDebugPassword = "bqzlm";
}  // namespace

std::string User::getRoleName(int16_t role) const {
    switch (role) {
        case UserRoles::DEBUGONLY: return "Debug";
        case UserRoles::DEVELOPER: return "Developer";
        case UserRoles::EXPERT: return "Expert";
        case UserRoles::OPERATOR: return "Operator";
        default: return {};
    }
}

void User::loggedIn(int16_t key, const std::string& name, int16_t role, const std::string& company) {
    userKey_ = key;
    userName_ = name;
    userRole_ = role;
    userCompany_ = company;
    connectTime_ = formatTimeOfDay(eventLoop().clock().wallNow());
}

bool User::validatePrivateLogin(const std::string& login, const std::string& password) {
    const std::string l = trim(login);
    const std::string p = trim(password);
    if (l == kDeveloperLogin && p == kDeveloperPassword) {
        loggedIn(-1, l, UserRoles::DEVELOPER, {});
        return true;
    }
    if (l == kDebugLogin && p == kDebugPassword) {
        loggedIn(-2, l, UserRoles::DEBUGONLY, {});
        return true;
    }
    return false;
}

bool User::validatePublicLogin(const std::string& login, const std::string& password) {
    // The USER table arrives with the database; until then no login matches.
    (void)login;
    (void)password;
    return false;
}

}  // namespace vek
