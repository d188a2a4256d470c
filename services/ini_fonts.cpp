// Fonts kept in the per-user settings as one line of comma-separated fields.
#include <toolbox/services/system_helpers.h>

#include <toolbox/os/settings_store.h>

#include <cstdlib>
#include <cstring>

void TBSaveIniFont(const LOGFONT* font, const char* section, const char* entry) {
    if (!font || !section || !entry) return;
    char face[sizeof font->lfFaceName + 1] = {};
    std::memcpy(face, font->lfFaceName, sizeof font->lfFaceName);
    CString text;
    text.Format("%s,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i,%i", face, static_cast<int>(font->lfHeight),
                static_cast<int>(font->lfWidth), static_cast<int>(font->lfEscapement),
                static_cast<int>(font->lfOrientation), static_cast<int>(font->lfWeight),
                static_cast<int>(font->lfItalic), static_cast<int>(font->lfUnderline),
                static_cast<int>(font->lfStrikeOut), static_cast<int>(font->lfCharSet),
                static_cast<int>(font->lfOutPrecision), static_cast<int>(font->lfClipPrecision),
                static_cast<int>(font->lfQuality), static_cast<int>(font->lfPitchAndFamily));
    TBWriteProfileString(section, entry, text);
}

int TBLoadIniFont(LOGFONT* font, const char* section, const char* entry) {
    if (!font || !section || !entry) return 0;
    CString text = TBGetProfileString(section, entry, "");
    if (text.IsEmpty()) return 0;
    CString fields[14];
    int count = 0;
    int start = 0;
    while (count < 14) {
        CString token = text.Tokenize(",", start);
        if (start < 0) break;
        fields[count++] = token;
    }
    if (count < 14) return 1;
    LOGFONT loaded;
    std::strncpy(loaded.lfFaceName, fields[0], sizeof loaded.lfFaceName - 1);
    loaded.lfFaceName[sizeof loaded.lfFaceName - 1] = 0;
    auto number = [&](int i) { return std::atoi(fields[i]); };
    loaded.lfHeight = number(1);
    loaded.lfWidth = number(2);
    loaded.lfEscapement = number(3);
    loaded.lfOrientation = number(4);
    loaded.lfWeight = number(5);
    loaded.lfItalic = static_cast<BYTE>(number(6));
    loaded.lfUnderline = static_cast<BYTE>(number(7));
    loaded.lfStrikeOut = static_cast<BYTE>(number(8));
    loaded.lfCharSet = static_cast<BYTE>(number(9));
    loaded.lfOutPrecision = static_cast<BYTE>(number(10));
    loaded.lfClipPrecision = static_cast<BYTE>(number(11));
    loaded.lfQuality = static_cast<BYTE>(number(12));
    loaded.lfPitchAndFamily = static_cast<BYTE>(number(13));
    *font = loaded;
    return 1;
}
