// Replies of SMTP servers: any bytes, in any split.
#include <toolbox/mail/mail.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int code = 0;
    const char* text = reinterpret_cast<const char*>(data);
    for (std::size_t cut = 0; cut <= size; cut += 1 + size / 8) {
        TBSmtpReplyState state = TBParseSmtpReply(text, cut, code);
        if (state == TB_SMTP_COMPLETE && (code < 200 || code > 599)) __builtin_trap();
    }
    return 0;
}
