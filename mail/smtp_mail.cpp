// The SMTP client. Every reply is read whole and its code checked; a refused command,
// a closed connection or a server silent past the time-out ends the dialogue (QUIT is
// still offered while the connection stands), so message text is never sent to a
// server that did not ask for it and nothing waits forever.
#include <toolbox/mail/mail.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxReply = 64 * 1024;

class Connection {
public:
    explicit Connection(int timeoutMs) : m_timeoutMs(timeoutMs) {}
    ~Connection() {
        if (m_fd >= 0) close(m_fd);
    }

    bool Open(const char* server, unsigned short port) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        char service[8];
        std::snprintf(service, sizeof service, "%u", unsigned(port));
        if (getaddrinfo(server, service, &hints, &found) != 0 || !found) return false;
        for (addrinfo* a = found; a && m_fd < 0; a = a->ai_next) {
            int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
            if (fd < 0) continue;
            if (ConnectWithin(fd, a->ai_addr, a->ai_addrlen))
                m_fd = fd;
            else
                close(fd);
        }
        freeaddrinfo(found);
        return m_fd >= 0;
    }

    bool SendAll(const std::string& data) {
        if (m_fd < 0) return false;
        std::size_t done = 0;
        while (done < data.size()) {
            if (!WaitFor(POLLOUT)) return Fail();
            ssize_t n = send(m_fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
            if (n <= 0) return Fail();
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Reads one whole reply; its code goes to code. False when none came.
    bool ReadReply(int& code) {
        std::string reply;
        char buffer[4096];
        for (;;) {
            TBSmtpReplyState state = TBParseSmtpReply(reply.data(), reply.size(), code);
            if (state == TB_SMTP_COMPLETE) return true;
            if (state == TB_SMTP_MALFORMED || reply.size() > kMaxReply) return Fail();
            if (m_fd < 0 || !WaitFor(POLLIN)) return Fail();
            ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
            if (n <= 0) return Fail();
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }

    bool IsOpen() const { return m_fd >= 0; }

private:
    bool ConnectWithin(int fd, const sockaddr* address, socklen_t length) {
        if (connect(fd, address, length) == 0) return true;
        if (errno != EINPROGRESS) return false;
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, m_timeoutMs) <= 0) return false;
        int error = 0;
        socklen_t size = sizeof error;
        return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }

    bool WaitFor(short events) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_timeoutMs);
        for (;;) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{m_fd, events, 0};
            int r = poll(&p, 1, static_cast<int>(left.count()));
            if (r < 0 && errno == EINTR) continue;
            return r > 0;
        }
    }

    // A dead or silent connection is closed: nothing more is sent or awaited.
    bool Fail() {
        if (m_fd >= 0) close(m_fd);
        m_fd = -1;
        return false;
    }

    int m_fd = -1;
    int m_timeoutMs;
};

bool HasLineBreak(const CString& s) { return s.Find('\r') >= 0 || s.Find('\n') >= 0; }

// Sends a command and reads its reply; true when the reply code is the one expected
// (its first digit).
bool Command(Connection& c, const std::string& line, int expectedClass) {
    int code = 0;
    return c.SendAll(line + "\r\n") && c.ReadReply(code) && code / 100 == expectedClass;
}

}  // namespace

TBSmtpReplyState TBParseSmtpReply(const char* data, std::size_t length, int& code) {
    code = 0;
    std::size_t pos = 0;
    int first = -1;
    while (pos < length) {
        std::size_t end = pos;
        while (end < length && data[end] != '\n') ++end;
        if (end == length) return TB_SMTP_INCOMPLETE;  // the line is not complete yet
        std::size_t lineLength = end - pos;
        if (lineLength > 0 && data[end - 1] == '\r') --lineLength;
        if (lineLength < 3) return TB_SMTP_MALFORMED;
        int value = 0;
        for (int i = 0; i < 3; ++i) {
            char c = data[pos + i];
            if (c < '0' || c > '9') return TB_SMTP_MALFORMED;
            value = value * 10 + (c - '0');
        }
        if (value < 200 || value > 599) return TB_SMTP_MALFORMED;
        if (first >= 0 && value != first) return TB_SMTP_MALFORMED;
        first = value;
        char separator = lineLength > 3 ? data[pos + 3] : ' ';
        if (separator == ' ') {
            if (end + 1 != length) return TB_SMTP_MALFORMED;  // text after the last line
            code = value;
            return TB_SMTP_COMPLETE;
        }
        if (separator != '-') return TB_SMTP_MALFORMED;
        pos = end + 1;
    }
    return TB_SMTP_INCOMPLETE;
}

int TBSmtpSendMessage(const char* server, unsigned short port, const TBMailMessage& message, int timeoutMs) {
    // Envelope addresses go into commands: a line break there would add a command.
    if (!server || !*server || message.to.IsEmpty() || HasLineBreak(message.to) ||
        HasLineBreak(message.senderAddress) || HasLineBreak(CString(server)))
        return 1;
    std::string text;
    CString error;
    if (!TBComposeMail(message, text, error)) return 1;

    Connection c(timeoutMs > 0 ? timeoutMs : 30000);
    if (!c.Open(server, port)) return 1;
    int code = 0;
    bool ok = c.ReadReply(code) && code / 100 == 2 && Command(c, std::string("HELO ") + server, 2) &&
              Command(c, "MAIL FROM:<" + message.senderAddress.str() + ">", 2) &&
              Command(c, "RCPT TO:<" + message.to.str() + ">", 2) && Command(c, "DATA", 3) &&
              Command(c, TBDotStuff(text) + ".", 2);
    if (c.IsOpen()) Command(c, "QUIT", 2);
    return ok ? 0 : 1;
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
