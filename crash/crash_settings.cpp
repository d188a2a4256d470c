// The crash settings of "Register.cfg", read through the profile cache, and the
// headless prompt.
#include "crash/crash_settings.h"
#include "services/profile_cache.h"

#include <cstdio>
#include <cstdlib>

namespace {

class HeadlessPrompt : public TBCrashPrompt {
public:
    Answer AskToSend(const CMapStringToString&, CString& senderAddress, CString& description) override {
        const char* answer = std::getenv("TOOLBOX_CRASH_REPORT_ANSWER");
        CString text = answer ? answer : "";
        if (text == "send") {
            const char* sender = std::getenv("TOOLBOX_CRASH_REPORT_SENDER");
            const char* body = std::getenv("TOOLBOX_CRASH_REPORT_DESCRIPTION");
            senderAddress = sender ? sender : "";
            description = body ? body : "";
            return Send;
        }
        if (text == "discard") return DontSend;
        return NobodyToAsk;
    }
    bool AskSaveTarget(CString&) override { return false; }
    void ShowMessage(const CString& text) override { std::fprintf(stderr, "%s\n", text.GetString()); }
    void ShowProgress(int, int, const CString&) override {}
};

} // namespace

TBCrashSettings TBReadCrashSettings(const CString& programDirectory) {
    TBCrashSettings settings;
    CString file = programDirectory + "/Register.cfg";
    settings.productVersion = GetPrivateStringValue("General", "ProductVersion", "", file);
    CString server = GetPrivateStringValue("CrashReport", "MailServer", "", file);
    if (!server.IsEmpty()) settings.mailServer = server;
    int port = GetPrivateIntValue("CrashReport", "MailPort", settings.mailPort, file);
    // A port outside the TCP range (or text that is no number) keeps the default.
    if (port > 0 && port < 65536) settings.mailPort = port;
    return settings;
}

TBCrashPrompt& TBGetCrashPrompt() {
    static HeadlessPrompt headless;
    return headless;
}
