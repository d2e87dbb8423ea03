#include "vek/persistence/User.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/persistence/Database.h"

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
    try {
        // A quote would end the name in the statement the USER table has
        // always been read with; such a login is refused the same way, and
        // nothing typed by the user ever becomes part of the statement.
        if (login.find('\'') != std::string::npos)
            throw NumberedError(ErrorCodes::DATABASE_ERROR, "Syntax error in the login name.");
        Recordset rs = requireDatabase(database_).Connection()->query(
            "SELECT userKey, password, role, company FROM USER WHERE name = ?", {login});
        for (; !rs.eof(); rs.moveNext()) {
            userPassword_ = rs.field(1).toText();
            if (trim(userPassword_) != password) continue;
            loggedIn(rs.field(0).toInt16(), trim(login), toInt16(toDouble(trim(rs.field(2).toText()))),
                     trim(rs.field(3).textOr({})));
            return true;
        }
    } catch (const NumberedError& e) {
        logAt(LogLevel::Error, "Can't validate login information.-->" + e.description());
    }
    return false;
}

}  // namespace vek
