#include <toolbox/services/languages.h>

#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <new>
#include <set>

namespace {

constexpr unsigned short kEnglishUS = 1033;
constexpr unsigned short kEnglishPrimary = 9;

// The locale ICU maps the identifier to, only when ICU maps that locale back to the
// same identifier: ICU falls back to a neighbour for identifiers it does not know.
bool ExactLocale(unsigned short id, char* locale, int32_t capacity) {
    if (id == 0) return false;
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = uloc_getLocaleForLCID(id, locale, capacity, &status);
    if (U_FAILURE(status) || length <= 0 || length >= capacity) return false;
    locale[length] = 0;
    return uloc_getLCID(locale) == id;
}

const CString* TextOf(const CLangStringMap& map, unsigned short id) {
    const CString* text = map.PLookup(id);
    return text && !text->IsEmpty() ? text : nullptr;
}

}  // namespace

int GetSupportedLanguages(CArray<unsigned short, unsigned short>& ids) {
    try {
        char locale[ULOC_FULLNAME_CAPACITY];
        int found = 0;
        for (unsigned id = 1; id <= 0xFFFF; ++id) {
            if (!ExactLocale(static_cast<unsigned short>(id), locale, sizeof locale)) continue;
            ids.Add(static_cast<unsigned short>(id));
            ++found;
        }
        return found > 0 ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int GetInstalledLanguages(CArray<unsigned short, unsigned short>& ids) {
    try {
        std::set<unsigned short> seen;
        int32_t count = uloc_countAvailable();
        for (int32_t i = 0; i < count; ++i) {
            const char* locale = uloc_getAvailable(i);
            if (!locale) continue;
            uint32_t id = uloc_getLCID(locale);
            if (id == 0 || id > 0xFFFF || !seen.insert(static_cast<unsigned short>(id)).second) continue;
            ids.Add(static_cast<unsigned short>(id));
        }
        return seen.empty() ? 0 : 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int ExtLangID2LangName(unsigned short id, CString& name) {
    char locale[ULOC_FULLNAME_CAPACITY];
    if (!ExactLocale(id, locale, sizeof locale)) return 0;
    UChar display[256];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = uloc_getDisplayName(locale, nullptr, display, 256, &status);
    if (U_FAILURE(status) || length <= 0) return 0;
    char utf8[1024];
    int32_t utf8Length = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8(utf8, sizeof utf8, &utf8Length, display, length, &status);
    if (U_FAILURE(status) || utf8Length <= 0 || utf8Length >= static_cast<int32_t>(sizeof utf8)) return 0;
    name = CString(utf8, utf8Length);
    return 1;
}

CString LangID2LangName(unsigned short id) {
    CString name;
    ExtLangID2LangName(id, name);
    return name;
}

unsigned short TBGetLangDependentString(const CLangStringMap& map, unsigned short id, CString& text) {
    text.Empty();
    if (map.IsEmpty()) return 0;
    const unsigned short primaryDefault = static_cast<unsigned short>((id & 0x3FF) | 0x400);
    for (unsigned short candidate : {id, primaryDefault, kEnglishUS}) {
        if (const CString* found = TextOf(map, candidate)) {
            text = *found;
            return candidate;
        }
    }
    unsigned short key = 0;
    CString value;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        map.GetNextAssoc(pos, key, value);
        if ((key & 0x3FF) != kEnglishPrimary) continue;
        if (!value.IsEmpty()) {
            text = value;
            return key;
        }
        break;
    }
    POSITION first = map.GetStartPosition();
    map.GetNextAssoc(first, key, value);
    text = value;
    return key;
}

unsigned short TBSetLangDependentString(CLangStringMap& map, unsigned short id, const CString& text) {
    CString current;
    unsigned short chosen = TBGetLangDependentString(map, id, current);
    if (chosen == 0 && map.IsEmpty()) return 0;
    map[chosen] = text;
    return chosen;
}

unsigned short TBLocaleToLangID(const char* locale) {
    if (!locale || !*locale) return 0;
    char canonical[ULOC_FULLNAME_CAPACITY];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = uloc_canonicalize(locale, canonical, sizeof canonical, &status);
    if (U_FAILURE(status) || length <= 0 || length >= static_cast<int32_t>(sizeof canonical)) return 0;
    uint32_t id = uloc_getLCID(canonical);
    return id <= 0xFFFF ? static_cast<unsigned short>(id) : 0;
}

CString TBLangIDToLocale(unsigned short id) {
    char locale[ULOC_FULLNAME_CAPACITY];
    return ExactLocale(id, locale, sizeof locale) ? CString(locale) : CString();
}
