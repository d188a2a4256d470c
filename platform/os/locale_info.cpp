#include <toolbox/os/locale_info.h>

#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

namespace {

struct Override {
    bool active = false;
    CString listSeparator;
    CString decimalSymbol;
    CString thousandsSeparator;
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

// One item of the user's LC_NUMERIC; fallback when the locale is unknown or the item empty.
CString LocaleNumericItem(nl_item item, const char* fallback) {
    locale_t locale = newlocale(LC_NUMERIC_MASK, UserNumericLocaleName(), static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return CString(fallback);
    const char* text = nl_langinfo_l(item, locale);
    CString symbol = (text && *text) ? CString(text) : CString(fallback);
    freelocale(locale);
    return symbol;
}

CString LocaleDecimalSymbol() { return LocaleNumericItem(RADIXCHAR, "."); }

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

CString TBGetUserThousandsSeparator() {
    const Override& o = SymbolOverride();
    if (o.active) return o.thousandsSeparator;
    return LocaleNumericItem(THOUSEP, "");
}

void TBOverrideUserNumberSymbols(const char* listSeparator, const char* decimalSymbol, const char* thousandsSeparator) {
    Override& o = SymbolOverride();
    o.active = listSeparator != nullptr && decimalSymbol != nullptr;
    o.listSeparator = listSeparator ? listSeparator : "";
    o.decimalSymbol = decimalSymbol ? decimalSymbol : "";
    o.thousandsSeparator = thousandsSeparator ? thousandsSeparator : "";
}
