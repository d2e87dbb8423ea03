#pragma once
#include <string>

namespace vek {

// Mail as vek sends it (and offers to hosts through Utils::SendMail).
inline constexpr const char* kMailSenderAddress = "noreply@vek.local";
inline constexpr const char* kMailSenderName = "QDX Software";

// Sends `message` to `recipient` over SMTP; false when any step fails.
// `smtpServer` is a host name or address, optionally with ":port".
bool SendMail(const std::string& smtpServer, const std::string& recipient, const std::string& message);

}  // namespace vek
