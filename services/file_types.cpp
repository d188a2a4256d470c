// Document types of the host in the classes key tree: type, icon, open and print
// commands, the extension and its new-file entry.
#include <toolbox/services/system_helpers.h>

#include <toolbox/os/key_tree.h>
#include <toolbox/os/module_path.h>
#include <toolbox/resources/host_resources.h>
#include <toolbox/resources/string_table.h>

#include <new>

#include <unistd.h>

namespace {

CString Field(const CString& text, int index) {
    CString out;
    TBExtractString(out, text, index, '\n');
    return out;
}

bool SetKey(const CString& key, const CString& value, const char* valueName = nullptr) {
    return TBSetRegKey(key, value, valueName) == 1;
}

// The document string: the host's own once it registered strings, else the library's.
CString DocumentString(UINT id) {
    if (!TBHasHostStrings()) return TBLoadString(id);
    CString text;
    TBFindHostString(id, text);
    return text;
}

CString ClientPath() {
    CString path = TBGetProgramFileName();
    // The path stands in command lines; without short names, blanks need quotes.
    if (path.Find(' ') >= 0 || path.Find('\t') >= 0) path = "\"" + path + "\"";
    return path;
}

}  // namespace

int TBSetRegKey(const char* key, const char* value, const char* valueName) {
    if (!key || !*key || !value) return 0;
    HKEY opened = nullptr;
    if (TBRegCreateKey(HKEY_CLASSES_ROOT, key, &opened) != 0) return 0;
    int result = TBRegSetValue(opened, valueName, value) == 0 ? 1 : 0;
    if (TBRegCloseKey(opened) != 0) result = 0;
    return result;
}

int IsRegKeyWritable(HKEY key) {
    if (!key) return 0;
    try {
        DWORD longest = 0;
        if (TBRegQueryMaxSubKeyLength(key, longest) != 0) return 0;
        DWORD length = longest + 1 > 250 ? 250 : longest + 1;
        CString probe('a', static_cast<int>(length));
        HKEY created = nullptr;
        bool isNew = false;
        if (TBRegCreateKey(key, probe, &created, &isNew) != 0) return 0;
        TBRegCloseKey(created);
        if (!isNew) {
            // Someone's key of that very name: leave it, and judge by the directory.
            return ::access(TBRegKeyDirectory(key), W_OK) == 0 ? 1 : 0;
        }
        return TBRegDeleteKey(key, probe) == 0 ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void TBRegisterFileTypes(UINT id, int withPrint, int iconIndex) {
    try {
        CString documentString = DocumentString(id);
        CString windowTitle = Field(documentString, 0);
        CString extension = Field(documentString, 4);
        CString typeId = Field(documentString, 5);
        CString typeName = Field(documentString, 6);
        if (typeId.IsEmpty()) return;
        if (typeName.IsEmpty()) typeName = typeId;
        // A filter extension may come as "*.ext".
        if (extension.GetLength() > 1 && extension[0] == '*') extension = extension.Mid(1);

        const CString client = ClientPath();
        CString openCommand, printCommand, printToCommand;
        if (!SetKey(typeId, typeName)) return;
        // The program's icons are those the host registered; an index without one
        // falls back to the program's own icon.
        CString icon = client + ",0";
        if (iconIndex != 0 && !TBGetHostIcon(iconIndex).IsEmpty()) icon.Format("%s,%d", client.GetString(), iconIndex);
        if (!SetKey(typeId + "\\DefaultIcon", icon)) return;
        if (windowTitle.IsEmpty()) {
            // The program opens documents through DDE.
            if (!SetKey(typeId + "\\shell\\open\\ddeexec", "[open(\"%1\")]")) return;
            if (withPrint) {
                if (!SetKey(typeId + "\\shell\\print\\ddeexec", "[print(\"%1\")]")) return;
                if (!SetKey(typeId + "\\shell\\printto\\ddeexec", "[printto(\"%1\",\"%2\",\"%3\",\"%4\")]")) return;
            }
            openCommand = printCommand = printToCommand = client + " /dde";
        } else {
            openCommand = client + " \"%1\"";
            printCommand = client + " /p \"%1\"";
            printToCommand = client + " /pt \"%1\" \"%2\" \"%3\" \"%4\"";
        }
        if (!SetKey(typeId + "\\shell\\open\\command", openCommand)) return;
        if (withPrint) {
            if (!SetKey(typeId + "\\shell\\print\\command", printCommand)) return;
            if (!SetKey(typeId + "\\shell\\printto\\command", printToCommand)) return;
        }
        if (extension.IsEmpty()) return;
        HKEY extensionKey = nullptr;
        if (TBRegOpenKey(HKEY_CLASSES_ROOT, extension, &extensionKey) == 0) {
            CString owner;
            bool ownedByOther =
                TBRegQueryValue(extensionKey, nullptr, owner) == 0 && !owner.IsEmpty() && owner != typeId;
            TBRegCloseKey(extensionKey);
            if (ownedByOther) return;
        }
        if (!SetKey(extension, typeId)) return;
        SetKey(extension + "\\ShellNew", "", "NullFile");
    } catch (const std::bad_alloc&) {}
}
