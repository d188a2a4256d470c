// The SMTP client on libcurl's SMTP transport: TLS (STARTTLS or implicit), certificate
// checks, authentication and time limits come from the library. libcurl doubles leading
// dots itself and ends the data, so the composed text is handed over unstuffed. The
// server's replies are watched only to carry a refusal's text to the caller; what the
// client sends (which holds the credentials) is never looked at.
#include <toolbox/mail/mail.h>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Upload {
    const std::string* text;
    std::size_t offset = 0;
};

size_t ReadMessage(char* buffer, size_t size, size_t count, void* user) {
    auto* upload = static_cast<Upload*>(user);
    std::size_t n = std::min(size * count, upload->text->size() - upload->offset);
    std::memcpy(buffer, upload->text->data() + upload->offset, n);
    upload->offset += n;
    return n;
}

// Keeps the last refusal (4xx or 5xx reply) the server sent.
int WatchReplies(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    if (type != CURLINFO_HEADER_IN || size < 3 || (data[0] != '4' && data[0] != '5')) return 0;
    std::string line(data, size);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    *static_cast<std::string*>(user) = line;
    return 0;
}

bool HasLineBreak(const CString& s) { return s.Find('\r') >= 0 || s.Find('\n') >= 0; }

std::string ServerUrl(const TBSmtpOptions& o) {
    std::string host = o.server.str();
    if (host.find(':') != std::string::npos) host = "[" + host + "]";  // an IPv6 address
    const char* scheme = o.security == TBSmtpSecurity::Tls ? "smtps://" : "smtp://";
    return scheme + host + ":" + std::to_string(o.port);
}

struct CurlHandle {
    CURL* curl = curl_easy_init();
    curl_slist* recipients = nullptr;
    ~CurlHandle() {
        curl_slist_free_all(recipients);
        if (curl) curl_easy_cleanup(curl);
    }
};

void SetTransport(CURL* c, const TBSmtpOptions& o, const std::string& url) {
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(o.connectTimeoutMilliseconds));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(o.timeoutMilliseconds));
    curl_easy_setopt(c, CURLOPT_USE_SSL, o.security == TBSmtpSecurity::StartTls ? CURLUSESSL_ALL : CURLUSESSL_NONE);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!o.caFile.IsEmpty()) curl_easy_setopt(c, CURLOPT_CAINFO, o.caFile.GetString());
    if (!o.user.IsEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, o.user.GetString());
        curl_easy_setopt(c, CURLOPT_PASSWORD, o.password.GetString());
    }
}

CString DescribeFailure(CURLcode code, const char* detail, const std::string& refusal) {
    CString error = *detail ? detail : curl_easy_strerror(code);
    if (!refusal.empty()) error += CString(" (server: ") + refusal.c_str() + ")";
    return error;
}

}  // namespace

bool TBParseSmtpSecurity(const char* text, TBSmtpSecurity& security) {
    CString s = text ? text : "";
    s.MakeLower();
    if (s == "none")
        security = TBSmtpSecurity::None;
    else if (s == "starttls")
        security = TBSmtpSecurity::StartTls;
    else if (s == "tls")
        security = TBSmtpSecurity::Tls;
    else
        return false;
    return true;
}

bool TBSmtpDeliver(const TBSmtpOptions& options, const TBMailMessage& message, CString& error) {
    // Envelope addresses and the host go into commands: a line break would add one.
    if (options.server.IsEmpty() || options.port <= 0 || options.port > 65535) {
        error = "no mail server";
        return false;
    }
    if (message.to.IsEmpty() || HasLineBreak(message.to) || HasLineBreak(message.senderAddress) ||
        HasLineBreak(options.server) || HasLineBreak(options.user)) {
        error = "a line break or nothing in an address";
        return false;
    }
    std::string text;
    if (!TBComposeMail(message, text, error)) return false;

    InitCurlOnce();
    CurlHandle handle;
    if (!handle.curl) {
        error = "the mail transport cannot start";
        return false;
    }
    CURL* c = handle.curl;
    const std::string url = ServerUrl(options);
    SetTransport(c, options, url);
    const std::string from = message.senderAddress.str();  // empty: the reverse path "<>"
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
    handle.recipients = curl_slist_append(nullptr, message.to.GetString());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, handle.recipients);

    Upload upload{&text};
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, ReadMessage);
    curl_easy_setopt(c, CURLOPT_READDATA, &upload);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(text.size()));

    std::string refusal;
    char detail[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, WatchReplies);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &refusal);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // the reply watcher is called only in this mode

    CURLcode result = curl_easy_perform(c);
    if (result == CURLE_OK) return true;
    error = DescribeFailure(result, detail, refusal);
    return false;
}

int TBSmtpSendMessage(const char* server, unsigned short port, const TBMailMessage& message, int timeoutMs) {
    TBSmtpOptions options;
    options.server = server ? server : "";
    options.port = port;
    if (timeoutMs > 0) {
        options.connectTimeoutMilliseconds = timeoutMs;
        options.timeoutMilliseconds = timeoutMs;
    }
    CString error;
    return TBSmtpDeliver(options, message, error) ? 0 : 1;
}

int SmtpSendMail(const char* server, unsigned short port, const char* senderName, const char* senderAddress,
                 const char* to, const char* subject, const char* body, const char* attachmentPath,
                 const char* attachmentName) {
    TBMailMessage m;
    m.senderName = senderName;
    m.senderAddress = senderAddress;
    m.to = to;
    m.subject = subject;
    m.body = body;
    m.attachmentPath = attachmentPath;
    m.attachmentName = attachmentName;
    return TBSmtpSendMessage(server, port, m, 30000);
}
