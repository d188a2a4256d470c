/// \file
/// \brief Mail delivery: the SMTP client, local submission through sendmail, the crash report mail and sending files through the desktop's mail program.
// Mail delivery: the SMTP client, local submission through sendmail, the crash
// report mail and sending files through the desktop's mail program.
#pragma once

#include <toolbox/types/collections.h>
#include <toolbox/types/cstring.h>
#include <toolbox/types/maps.h>

#include <cstddef>
#include <string>

class CrashReportHandler;

/// One mail message.
struct TBMailMessage {
    CString senderName;  ///< Sender's display name.
    CString senderAddress;  ///< Sender's address.
    CString to;  ///< Recipients, comma-separated.
    CString subject;  ///< Subject line.
    CString body;  ///< The text part (UTF-8).
    CString attachmentPath;  ///< empty: no attachment
    CString attachmentName;  ///< shown name; empty: the file name of attachmentPath
};

/// The multipart message text with CR LF line ends (not yet dot-stuffed): headers,
/// the text part, the base64 attachment in lines of at most 512 characters (chunks of
/// 384 bytes) and the closing boundary. CR and LF in header values are replaced by
/// blanks, so no header can be added through them. Returns false with error set when
/// the attachment cannot be read.
TB_EXPORT bool TBComposeMail(const TBMailMessage& message, std::string& text, CString& error);
/// Standard base64 with "=" padding.
TB_EXPORT std::string TBBase64Encode(const unsigned char* data, std::size_t length);
/// Doubles the "." that starts any line of a CR LF text, so no line ends the data early.
TB_EXPORT std::string TBDotStuff(const std::string& text);

/// How the connection to the mail server is protected.
enum class TBSmtpSecurity {
    None,      ///< plain SMTP
    StartTls,  ///< plain connection upgraded by STARTTLS; sending fails when the server cannot
    Tls,       ///< TLS from the first byte (SMTPS, usually port 465)
};
/// Reads "none", "starttls" or "tls" (any case); false for anything else.
TB_EXPORT bool TBParseSmtpSecurity(const char* text, TBSmtpSecurity& security);

/// Where and how a message is delivered over SMTP.
struct TBSmtpOptions {
    CString server;  ///< Host name or address of the mail server.
    int port = 25;  ///< Port (25 plain, 587 with STARTTLS, 465 TLS).
    TBSmtpSecurity security = TBSmtpSecurity::None;  ///< How the connection is protected.
    CString user;      ///< empty: no authentication
    CString password;  ///< used only with a user; never logged
    CString caFile;    ///< PEM file of trusted authorities; empty: the system's
    int connectTimeoutMilliseconds = 30000;  ///< Time to connect, in milliseconds.
    int timeoutMilliseconds = 120000;  ///< the whole delivery
};

/// Delivers message over SMTP. Returns true when the server accepted it; otherwise
/// error tells why, with the server's own refusal text when it refused. Certificates
/// are always checked against caFile or the system's authorities.
TB_EXPORT bool TBSmtpDeliver(const TBSmtpOptions& options, const TBMailMessage& message, CString& error);

/// Reads the mail password from path (its first line). The file must belong to the
/// user and be readable by nobody else; otherwise false with error telling why.
TB_EXPORT bool TBReadMailPasswordFile(const char* path, CString& password, CString& error);
/// The per-user mail password file: $XDG_CONFIG_HOME/veltranix/mail-password, or
/// ~/.config/veltranix/mail-password.
TB_EXPORT CString TBMailPasswordFilePath();

/// Sends one message to server:port over plain SMTP. Returns 0 on success, 1 on failure
/// (no connection, a refused command, a server that stays silent past 30 s).
TB_EXPORT int SmtpSendMail(const char* server, unsigned short port, const char* senderName, const char* senderAddress,
                           const char* to, const char* subject, const char* body, const char* attachmentPath,
                           const char* attachmentName);
/// SmtpSendMail with its own time limit for connecting and for the whole delivery.
TB_EXPORT int TBSmtpSendMessage(const char* server, unsigned short port, const TBMailMessage& message,
                                int timeoutMilliseconds);

/// Local mail submission through "sendmail -t -i", in the role of the installed mail
/// client's interface.
class TB_EXPORT CmcMailer {
public:
    /// program: the submission program; null finds sendmail in /usr/sbin, /usr/lib or
    /// on the PATH.
    explicit CmcMailer(const char* program = nullptr);
    ~CmcMailer();
    /// True when the submission program exists.
    bool IsAvailable() const { return !m_program.IsEmpty(); }
    /// Opens a session (nothing to log on to locally); false when unavailable.
    bool Logon(const char* user, const char* password);
    /// Hands message to the program; 1 when it accepted it (exit status 0), else 0.
    int Send(const TBMailMessage& message);
    /// Ends the session.
    void Logoff();

private:
    CString m_program;
    bool m_session = false;
};

/// Where the report mail goes and how its attachment is named.
struct TBReportMailTarget {
    CString server;  ///< Host name or address of the report mail server.
    int port = 25;  ///< Port of the report mail server.
    TBSmtpSecurity security = TBSmtpSecurity::None;  ///< How the connection is protected.
    CString user;      ///< empty: no authentication
    CString password;  ///< never stored in "Register.cfg"
    CString caFile;  ///< PEM file of trusted authorities; empty: the system's.
    CString programPath;      ///< the crashed program; its base name + ".zip" names the attachment
    CString sendmailProgram;  ///< empty: the system's sendmail
    int timeoutMilliseconds = 30000;  ///< Time limit of the whole SMTP delivery, in milliseconds.
};

/// Sends the report archive: SMTP to the report mail server first, then local
/// submission. Returns 1 when delivered, 0 otherwise.
TB_EXPORT int TBSendReportMail(const CrashReportHandler& handler, const char* archivePath, const char* senderName,
                               const char* body, const TBReportMailTarget& target);
/// TBSendReportMail to the report mail server of this program's "Register.cfg"; with a
/// user configured there, the password comes from TBMailPasswordFilePath().
TB_EXPORT int SendReportMail(const CrashReportHandler* handler, const char* archivePath, const char* senderName,
                             const char* body);
/// SendReportMail with the password given by the host instead of the password file.
TB_EXPORT int SendReportMail(const CrashReportHandler* handler, const char* archivePath, const char* senderName,
                             const char* body, const char* password);

/// Opens the desktop's mail program (xdg-email) with a prepared message: the files as
/// attachments (first packed into one archive named zipName in the temporary directory
/// when zipName is not empty), subject and recipients; names[i] is the display name of
/// the i-th recipient (counted over to, cc, bcc). The archive is deleted once the mail
/// program returns. Returns 1 when the mail program took the message, 0 otherwise (a
/// message tells why).
TB_EXPORT int TBSendMailWithFiles(CString zipName, int showProgress, CStringArray* files, CString subject,
                                  CStringArray* names, CStringArray* to, CStringArray* cc, CStringArray* bcc);
/// The same with a map of file path -> description; the descriptions are not sent.
TB_EXPORT int TBSendMailWithFiles(CString zipName, int showProgress, CMapStringToString* files, CString subject,
                                  CStringArray* names, CStringArray* to, CStringArray* cc, CStringArray* bcc);
