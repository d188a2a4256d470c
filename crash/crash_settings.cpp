// Minimal INI reading for the crash settings, and the headless prompt.
#include "crash/crash_settings.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

bool SameName(const char* a, std::size_t an, const char* b) {
    std::size_t i = 0;
    for (; i < an && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return i == an && b[i] == 0;
}

void Trim(const char* text, std::size_t& first, std::size_t& last) {
    while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == '\r')) --last;
}

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

bool TBFindIniValue(const char* text, std::size_t length, const char* section, const char* key, CString& value) {
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < length) {
        std::size_t end = pos;
        while (end < length && text[end] != '\n') ++end;
        std::size_t first = pos, last = end;
        pos = end + 1;
        Trim(text, first, last);
        if (first == last || text[first] == ';' || text[first] == '#') continue;
        if (text[first] == '[') {
            std::size_t close = first + 1;
            while (close < last && text[close] != ']') ++close;
            if (close == last) { inSection = false; continue; }
            std::size_t nameFirst = first + 1, nameLast = close;
            Trim(text, nameFirst, nameLast);
            inSection = SameName(text + nameFirst, nameLast - nameFirst, section);
            continue;
        }
        if (!inSection) continue;
        std::size_t equals = first;
        while (equals < last && text[equals] != '=') ++equals;
        if (equals == last) continue;
        std::size_t keyFirst = first, keyLast = equals;
        Trim(text, keyFirst, keyLast);
        if (!SameName(text + keyFirst, keyLast - keyFirst, key)) continue;
        std::size_t valueFirst = equals + 1, valueLast = last;
        Trim(text, valueFirst, valueLast);
        value = CString(std::string(text + valueFirst, valueLast - valueFirst));
        return true;
    }
    return false;
}

TBCrashSettings TBReadCrashSettings(const CString& programDirectory) {
    TBCrashSettings settings;
    std::ifstream in((programDirectory + "/Register.cfg").GetString(), std::ios::binary);
    if (!in) return settings;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CString value;
    if (TBFindIniValue(text.data(), text.size(), "General", "ProductVersion", value)) settings.productVersion = value;
    if (TBFindIniValue(text.data(), text.size(), "CrashReport", "MailServer", value) && !value.IsEmpty())
        settings.mailServer = value;
    if (TBFindIniValue(text.data(), text.size(), "CrashReport", "MailPort", value)) {
        char* end = nullptr;
        long port = std::strtol(value, &end, 10);
        if (end && *end == 0 && port > 0 && port < 65536) settings.mailPort = static_cast<int>(port);
    }
    return settings;
}

TBCrashPrompt& TBGetCrashPrompt() {
    static HeadlessPrompt headless;
    return headless;
}
