// The report mail's text: headers, text part, base64 attachment, closing boundary.
#include <toolbox/mail/mail.h>
#include "platform/os/temp_paths.h"

#include <cstdio>
#include <ctime>

namespace {

const char kBoundary[] = "_VELTRANIX_Crash_Report";
constexpr std::size_t kChunk = 384;  // bytes per base64 line: 512 characters

// Header values travel on one line: CR and LF become blanks.
std::string OneLine(const CString& value) {
    std::string s = value.str();
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

// A quoted header parameter: also without double quotes.
std::string QuotedValue(const CString& value) {
    std::string s = OneLine(value);
    std::string out;
    for (char c : s)
        if (c != '"') out += c;
    return out;
}

// "ddd, dd MMM yyyy hh:mm:ss tt" in English, local time.
std::string DateText() {
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s, %02d %s %04d %02d:%02d:%02d %s", days[t.tm_wday % 7], t.tm_mday,
                  months[t.tm_mon % 12], t.tm_year + 1900, hour12, t.tm_min, t.tm_sec, t.tm_hour < 12 ? "AM" : "PM");
    return buffer;
}

// Body lines with CR LF ends whatever ends they had.
std::string CrLfText(const CString& body) {
    std::string out;
    const std::string& s = body.str();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += "\r\n";
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else if (s[i] == '\n') {
            out += "\r\n";
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

std::string TBBase64Encode(const unsigned char* data, std::size_t length) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= length; i += 3) {
        unsigned v = (unsigned(data[i]) << 16) | (unsigned(data[i + 1]) << 8) | data[i + 2];
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
    }
    if (i < length) {
        unsigned v = unsigned(data[i]) << 16;
        if (i + 1 < length) v |= unsigned(data[i + 1]) << 8;
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < length ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string TBDotStuff(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 16);
    bool lineStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (lineStart && text[i] == '.') out += '.';
        out += text[i];
        lineStart = text[i] == '\n';
    }
    return out;
}

bool TBComposeMail(const TBMailMessage& m, std::string& text, CString& error) {
    text.clear();
    text += "From: " + OneLine(m.senderName);
    if (!m.senderAddress.IsEmpty()) text += "<" + OneLine(m.senderAddress) + ">";
    text += "\r\n";
    text += "To: " + OneLine(m.to) + "\r\n";
    text += "Subject: " + OneLine(m.subject) + "\r\n";
    text += "Date: " + DateText() + "\r\n";
    text += "MIME-Version: 1.0\r\n";
    text += "X-Mailer: Internet Mail Service\r\n";
    text += "Content-Type: multipart/mixed;\r\n";
    text += std::string("\tboundary=\"") + kBoundary + "\"\r\n";
    text += "\r\n\r\n";
    text += std::string("--") + kBoundary + "\r\n";
    text += "Content-Type: text/plain\r\n\r\n";
    if (!m.body.IsEmpty()) text += CrLfText(m.body) + "\r\n\r\n";
    text += "sent by: VELTRANIX - CrashReport\r\n\r\n";
    if (!m.attachmentPath.IsEmpty()) {
        FILE* file = std::fopen(m.attachmentPath, "rb");
        if (!file) {
            error.Format("Cannot read the attachment \"%s\"", m.attachmentPath.GetString());
            return false;
        }
        std::string name = QuotedValue(m.attachmentName.IsEmpty() ? TBFileNameOf(m.attachmentPath) : m.attachmentName);
        text += std::string("--") + kBoundary + "\r\n";
        text += "Content-Type: application/octet-stream;\r\n";
        text += "\tname=\"" + name + "\"\r\n";
        text += "Content-Transfer-Encoding: base64\r\n";
        text += "Content-Disposition: attachment;\r\n";
        text += "\tfilename=\"" + name + "\"\r\n\r\n";
        unsigned char chunk[kChunk];
        bool ok = true;
        for (std::size_t n; (n = std::fread(chunk, 1, kChunk, file)) > 0;) text += TBBase64Encode(chunk, n) + "\r\n";
        if (std::ferror(file)) ok = false;
        std::fclose(file);
        if (!ok) {
            error.Format("Cannot read the attachment \"%s\"", m.attachmentPath.GetString());
            return false;
        }
    }
    // The closing boundary ends the multipart body.
    text += std::string("--") + kBoundary + "--\r\n";
    return true;
}
