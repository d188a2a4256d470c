#include <toolbox/os/locale_info.h>

#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

namespace {

struct Override {
    bool active = false;
    CString listSeparator;
    CString decimalSymbol;
};

Override& SymbolOverride() {
    static Override value;
    return value;
}

const char* UserNumericLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return "C";
}

CString LocaleDecimalSymbol() {
    locale_t locale = newlocale(LC_NUMERIC_MASK, UserNumericLocaleName(), static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return CString(".");
    const char* radix = nl_langinfo_l(RADIXCHAR, locale);
    CString symbol = (radix && *radix) ? CString(radix) : CString(".");
    freelocale(locale);
    return symbol;
}

}  // namespace

CString TBGetUserDecimalSymbol() {
    const Override& o = SymbolOverride();
    if (o.active) return o.decimalSymbol;
    return LocaleDecimalSymbol();
}

CString TBGetUserListSeparator() {
    const Override& o = SymbolOverride();
    if (o.active) return o.listSeparator;
    return LocaleDecimalSymbol() == "," ? CString(";") : CString(",");
}

void TBOverrideUserNumberSymbols(const char* listSeparator, const char* decimalSymbol) {
    Override& o = SymbolOverride();
    o.active = listSeparator != nullptr && decimalSymbol != nullptr;
    o.listSeparator = listSeparator ? listSeparator : "";
    o.decimalSymbol = decimalSymbol ? decimalSymbol : "";
}
