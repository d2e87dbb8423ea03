#include "vek/foundation/Mail.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

#include "vek/foundation/Convert.h"

namespace vek {

namespace {

struct MailPayload {
    std::string text;
    std::size_t sent = 0;
};

std::size_t readPayload(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* payload = static_cast<MailPayload*>(user);
    const std::size_t room = size * count;
    const std::size_t n = std::min(room, payload->text.size() - payload->sent);
    std::memcpy(buffer, payload->text.data() + payload->sent, n);
    payload->sent += n;
    return n;
}

// Mail bodies travel with CR LF line ends.
std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

}  // namespace

bool SendMail(const std::string& smtpServer, const std::string& recipient, const std::string& message) {
    static const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!curlReady || trim(smtpServer).empty() || trim(recipient).empty()) return false;
    CURL* curl = curl_easy_init();
    if (!curl) return false;

    MailPayload payload;
    payload.text = "To: \"" + recipient + "\" <" + recipient + ">\r\n" + "From: \"" + kMailSenderName + "\" <" +
                   kMailSenderAddress + ">\r\n" + "Subject: Email from QDX Software\r\n" +
                   "X-Message-Kind: InformationOnly\r\n" + "MIME-Version: 1.0\r\n" +
                   "Content-Type: text/plain; charset=utf-8\r\n" + "\r\n" + withCrLf(message) + "\r\n";

    curl_slist* recipients = curl_slist_append(nullptr, ("<" + recipient + ">").c_str());
    const std::string url = "smtp://" + trim(smtpServer);
    const std::string from = std::string("<") + kMailSenderAddress + ">";
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readPayload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &payload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // An unreachable server must not hold the host's thread for long.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    const CURLcode result = curl_easy_perform(curl);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    return result == CURLE_OK;
}

}  // namespace vek
