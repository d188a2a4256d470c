// tbx mail: sends files over SMTP the way TBSendMailWithFiles hands them over, packed
// into one archive, so a mail server setup can be tried from the shell. The password
// comes from the per-user password file when a user is given.
#include <toolbox/mail/mail.h>
#include <toolbox/zip/zip_archive.h>
#include "commands.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const char kUsage[] =
    "usage: tbx mail --to ADDRESS [--server HOST] [--port N] [--security none|starttls|tls]\n"
    "                [--user NAME] [--from ADDRESS] [--ca-file PEM] [--subject TEXT] FILE...\n"
    "Packs the files into one archive and sends it over SMTP (default server localhost,\n"
    "port 25, 465 with --security tls). With --user the password is read from\n"
    "$XDG_CONFIG_HOME/veltranix/mail-password, a file only its owner may read.\n";

struct MailRequest {
    TBSmtpOptions options;
    TBMailMessage message;
    bool portGiven = false;
    std::vector<std::string> files;
};

bool ParseArguments(const Arguments& args, MailRequest& r) {
    r.options.server = "localhost";
    r.message.subject = "Files";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a.rfind("--", 0) != 0) {
            r.files.push_back(a);
            continue;
        }
        if (!hasValue) return false;
        const std::string v = args[++i];
        if (a == "--to")
            r.message.to = v.c_str();
        else if (a == "--server")
            r.options.server = v.c_str();
        else if (a == "--port") {
            char* end = nullptr;
            long port = std::strtol(v.c_str(), &end, 10);
            if (*end || port <= 0 || port > 65535) return false;
            r.options.port = static_cast<int>(port);
            r.portGiven = true;
        } else if (a == "--security") {
            if (!TBParseSmtpSecurity(v.c_str(), r.options.security)) return false;
        } else if (a == "--user")
            r.options.user = v.c_str();
        else if (a == "--from")
            r.message.senderAddress = v.c_str();
        else if (a == "--ca-file")
            r.options.caFile = v.c_str();
        else if (a == "--subject")
            r.message.subject = v.c_str();
        else
            return false;
    }
    if (!r.portGiven && r.options.security == TBSmtpSecurity::Tls) r.options.port = 465;
    return !r.message.to.IsEmpty() && !r.files.empty();
}

// Packs the files into dir/files.zip; false with a message when nothing could be packed.
bool PackFiles(const std::vector<std::string>& files, const std::string& archive) {
    CZipArchive zip;
    if (!zip.Open(archive.c_str())) {
        std::fprintf(stderr, "tbx mail: %s\n", zip.GetLastError().GetString());
        return false;
    }
    for (const std::string& f : files) {
        std::string name = f.substr(f.find_last_of('/') + 1);
        if (!zip.AddNewFile(f.c_str(), name.c_str()))
            std::fprintf(stderr, "tbx mail: %s\n", zip.GetLastError().GetString());
    }
    if (zip.Close() && zip.GetCount() > 0) return true;
    std::fprintf(stderr, "tbx mail: no file could be packed\n");
    return false;
}

}  // namespace

int RunMailCommand(const Arguments& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    MailRequest r;
    if (!ParseArguments(args, r)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    CString error;
    if (!r.options.user.IsEmpty() && !TBReadMailPasswordFile(TBMailPasswordFilePath(), r.options.password, error)) {
        std::fprintf(stderr, "tbx mail: password: %s\n", error.GetString());
        return 1;
    }
    char dir[] = "/tmp/tbx-mail-XXXXXX";
    if (!mkdtemp(dir)) {
        std::perror("tbx mail");
        return 1;
    }
    const std::string archive = std::string(dir) + "/files.zip";
    bool sent = false;
    if (PackFiles(r.files, archive)) {
        r.message.attachmentPath = archive.c_str();
        sent = TBSmtpDeliver(r.options, r.message, error);
        if (!sent) std::fprintf(stderr, "tbx mail: %s\n", error.GetString());
    }
    unlink(archive.c_str());
    rmdir(dir);
    return sent ? 0 : 1;
}
