// Sending files through the desktop's mail program: optionally packed into one archive
// first, then handed to xdg-email, which opens the user's mail program with the
// message prepared.
#include <toolbox/mail/mail.h>
#include <toolbox/os/dialog_hub.h>
#include "platform/os/run_program.h"
#include "platform/os/temp_paths.h"
#include <toolbox/zip/zip_archive.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

// Through the dialog hub: a message box once the window layer runs, stderr before.
void ShowMessage(const CString& text) { TBGetDialogHub().MessageBox(text, CString(), MB_OK | MB_ICONERROR); }
void ShowProgress(int position, int count, const CString& name) {
    TBGetDialogHub().ShowProgress(position, count, name);
}

CString OneLine(const CString& value) {
    CString s = value;
    s.Replace('\r', ' ');
    s.Replace('\n', ' ');
    return s;
}

// "Name <address>" when a display name is given for this position.
CString Recipient(const CString& address, CStringArray* names, int position) {
    CString a = OneLine(address);
    if (names && position < names->GetSize() && !names->GetAt(position).IsEmpty())
        return OneLine(names->GetAt(position)) + " <" + a + ">";
    return a;
}

// A new directory of its own for one archive, so that the archive keeps the name the
// recipient sees and no other call can overwrite or remove it. Empty on failure.
CString NewArchiveDirectory() {
    CString parent = TBPrivateTempDirectory();
    if (parent.IsEmpty()) parent = TBTempDirectory();
    CString pattern = parent + "/mail-XXXXXX";
    std::vector<char> buffer(pattern.GetString(), pattern.GetString() + pattern.GetLength() + 1);
    return mkdtemp(buffer.data()) ? CString(buffer.data()) : CString();
}

void RemoveArchive(const CString& archive) {
    if (archive.IsEmpty()) return;
    std::remove(archive);
    rmdir(TBDirectoryOf(archive));
}

// Packs files (in reverse order) into a new directory as zipName(.zip) and replaces
// the list by the archive; false when nothing is left.
bool PackFiles(const CString& zipName, int showProgress, CStringArray& files, CString& archive) {
    CString name = TBFileNameOf(zipName);
    if (name.Find('.') < 0) name += ".zip";
    const CString dir = NewArchiveDirectory();
    if (dir.IsEmpty()) {
        ShowMessage("Mail cannot be sent: no directory for the archive could be made.");
        return false;
    }
    archive = dir + "/" + name;
    CZipArchive zip;
    if (!zip.Open(archive)) {
        rmdir(dir);
        ShowMessage(zip.GetLastError());
        return false;
    }
    // The progress window shows the files packed so far and the one being packed; it
    // goes when the last one is in.
    int count = files.GetSize();
    for (int i = count - 1, done = 0; i >= 0; --i, ++done) {
        if (showProgress == 1) ShowProgress(done, count, files[i]);
        if (!zip.AddNewFile(files[i], TBFileNameOf(files[i]))) ShowMessage(zip.GetLastError());
    }
    if (showProgress == 1) ShowProgress(count, count, CString());
    if (!zip.Close() || zip.GetCount() == 0) {
        if (!zip.GetLastError().IsEmpty()) ShowMessage(zip.GetLastError());
        RemoveArchive(archive);
        return false;
    }
    files.RemoveAll();
    files.Add(archive);
    return true;
}

}  // namespace

int TBSendMailWithFiles(CString zipName, int showProgress, CStringArray* files, CString subject, CStringArray* names,
                        CStringArray* to, CStringArray* cc, CStringArray* bcc) {
    CStringArray none;
    CStringArray& list = files ? *files : none;  // packing replaces the caller's list by the archive
    CString archive;
    if (!zipName.IsEmpty() && list.GetSize() > 0 && !PackFiles(zipName, showProgress, list, archive)) return 0;

    CString program = TBFindProgram("xdg-email");
    if (program.IsEmpty()) {
        ShowMessage("Mail cannot be sent: the desktop's mail program (xdg-email) was not found.");
        RemoveArchive(archive);
        return 0;
    }
    std::vector<std::string> argv = {program.str(), "--utf8", "--subject", OneLine(subject).str()};
    int position = 0;
    std::vector<std::string> direct;
    if (to)
        for (int i = 0; i < to->GetSize(); ++i) direct.push_back(Recipient(to->GetAt(i), names, position++).str());
    if (cc)
        for (int i = 0; i < cc->GetSize(); ++i) {
            argv.push_back("--cc");
            argv.push_back(Recipient(cc->GetAt(i), names, position++).str());
        }
    if (bcc)
        for (int i = 0; i < bcc->GetSize(); ++i) {
            argv.push_back("--bcc");
            argv.push_back(Recipient(bcc->GetAt(i), names, position++).str());
        }
    for (int i = 0; i < list.GetSize(); ++i) {
        argv.push_back("--attach");
        argv.push_back(list[i].str());
    }
    argv.insert(argv.end(), direct.begin(), direct.end());
    int status = TBRunProgram(argv, std::string());
    if (status != 0) {
        CString text;
        text.Format("Mail cannot be sent: the desktop's mail program failed (status %d).", status);
        ShowMessage(text);
    }
    // Sent or not, the archive made for this mail is not needed any more.
    RemoveArchive(archive);
    return status == 0 ? 1 : 0;
}

int TBSendMailWithFiles(CString zipName, int showProgress, CMapStringToString* files, CString subject,
                        CStringArray* names, CStringArray* to, CStringArray* cc, CStringArray* bcc) {
    CStringArray list;
    if (files) {
        POSITION pos = files->GetStartPosition();
        while (pos) {
            CString path, description;
            files->GetNextAssoc(pos, path, description);
            list.Add(path);
        }
    }
    const int result = TBSendMailWithFiles(zipName, showProgress, &list, subject, names, to, cc, bcc);
    // A packed list is the archive alone: the map becomes that too.
    if (files && !zipName.IsEmpty() && list.GetSize() == 1 && !files->PLookup(list[0])) {
        files->RemoveAll();
        files->SetAt(list[0], TBFileNameOf(list[0]));
    }
    return result;
}
