// Workbook files: the OLE2 compound file around BIFF5 and BIFF8 streams (through
// libgsf), bare BIFF2 to BIFF4 worksheet streams, and the files themselves.
#include "exchange/tables/xls/xls_biff.h"

#include <toolbox/os/file_io.h>
#include <toolbox/os/output_file.h>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-utils.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>

namespace tb_xls {

namespace {

const unsigned char kCompoundMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool IsCompound(const unsigned char* data, size_t size) {
    return size >= 8 && std::equal(kCompoundMagic, kCompoundMagic + 8, data);
}

CString TitleOf(const CString& path) {
    int slash = path.ReverseFind('/');
    CString name = path.Mid(slash + 1);
    int dot = name.ReverseFind('.');
    return dot > 0 ? name.Left(dot) : name;
}

// Releases a GObject at the end of a scope.
struct Unref {
    void operator()(gpointer p) const {
        if (p) g_object_unref(p);
    }
};
template <class T>
using GPtr = std::unique_ptr<T, Unref>;

// The compound-file library reports damage through the GLib log, which prints to
// standard error. Its messages are taken instead: within a CompoundMessages scope they
// are collected for the reason given to the caller, elsewhere they are dropped.
thread_local std::string* t_compoundMessages = nullptr;

void TakeCompoundMessage(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
    if (!t_compoundMessages || !message) return;
    if (!t_compoundMessages->empty()) *t_compoundMessages += "; ";
    *t_compoundMessages += message;
}

class CompoundMessages {
public:
    CompoundMessages() {
        static std::once_flag installed;
        std::call_once(installed, [] {
            const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION);
            for (const char* domain : {"libgsf", "libgsf:msole", "libgsf:utils"})
                g_log_set_handler(domain, levels, TakeCompoundMessage, nullptr);
        });
        t_compoundMessages = &m_text;
    }
    ~CompoundMessages() { t_compoundMessages = nullptr; }
    CompoundMessages(const CompoundMessages&) = delete;
    CompoundMessages& operator=(const CompoundMessages&) = delete;
    /// ": " and the messages taken so far, or nothing.
    CString Detail() const { return m_text.empty() ? CString() : CString(": ") + CString(m_text.c_str()); }

private:
    std::string m_text;
};

}  // namespace

bool ReadCompoundStream(const unsigned char* data, size_t size, std::string& out, bool& biff5, CDaoStatus& status) {
    CompoundMessages messages;
    GPtr<GsfInput> input(gsf_input_memory_new(data, static_cast<gsf_off_t>(size), FALSE));
    if (!input) return status.Fail(TB_DAO_E_MEMORY, "Not enough memory.");
    GError* error = nullptr;
    GPtr<GsfInfile> ole(gsf_infile_msole_new(input.get(), &error));
    if (!ole) {
        CString text = CString("The compound file is damaged");
        if (error) {
            text += CString(": ") + error->message;
            g_error_free(error);
        } else {
            text += messages.Detail();
        }
        return status.Fail(TB_DAO_E_FORMAT, text + ".");
    }
    // Stream names compare without regard to case, as the compound file format wants.
    int count = gsf_infile_num_children(ole.get());
    int found = -1;
    biff5 = false;
    for (int i = 0; i < count; ++i) {
        const char* name = gsf_infile_name_by_index(ole.get(), i);
        if (!name) continue;
        if (CString(name).CompareNoCase("Workbook") == 0) {
            found = i;
            biff5 = false;
            break;
        }
        if (CString(name).CompareNoCase("Book") == 0 && found < 0) {
            found = i;
            biff5 = true;
        }
    }
    if (found < 0) return status.Fail(TB_DAO_E_FORMAT, "The compound file holds no workbook stream.");
    GPtr<GsfInput> stream(gsf_infile_child_by_index(ole.get(), found));
    if (!stream) return status.Fail(TB_DAO_E_FORMAT, "The workbook stream cannot be read" + messages.Detail() + ".");
    gsf_off_t streamSize = gsf_input_size(stream.get());
    // A stream cannot be larger than the file that holds it.
    if (streamSize < 0 || static_cast<std::uint64_t>(streamSize) > size)
        return status.Fail(TB_DAO_E_FORMAT, "The workbook stream claims to be larger than the file.");
    out.resize(static_cast<size_t>(streamSize));
    if (streamSize > 0 &&
        !gsf_input_read(stream.get(), static_cast<size_t>(streamSize), reinterpret_cast<guint8*>(&out[0])))
        return status.Fail(TB_DAO_E_FORMAT,
                           "The workbook stream is damaged (its sectors cannot be followed)" + messages.Detail() + ".");
    return true;
}

bool ReadWorkbookMemory(const unsigned char* data, size_t size, const CString& title, Workbook& out,
                        CDaoStatus& status) {
    if (!IsCompound(data, size)) return ParseBiffStream(data, size, title, out, status);
    std::string stream;
    bool biff5 = false;
    if (!ReadCompoundStream(data, size, stream, biff5, status)) return false;
    if (!ParseBiffStream(reinterpret_cast<const unsigned char*>(stream.data()), stream.size(), title, out, status))
        return false;
    if (out.version < kBiff5)
        return status.Fail(TB_DAO_E_FORMAT, "The compound file holds an unexpected workbook version.");
    return true;
}

bool ReadWorkbookFile(const CString& path, Workbook& out, CDaoStatus& status) {
    std::ifstream in(path.GetString(), std::ios::binary | std::ios::ate);
    if (!in) return status.Fail(TB_DAO_E_OPEN, CString("The file \"") + path + "\" cannot be opened.");
    std::streamoff size = in.tellg();
    if (size <= 0) return status.Fail(TB_DAO_E_FORMAT, CString("The file \"") + path + "\" is empty.");
    std::string bytes(static_cast<size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(&bytes[0], size))
        return status.Fail(TB_DAO_E_OPEN, CString("The file \"") + path + "\" cannot be read.");
    return ReadWorkbookMemory(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), TitleOf(path), out,
                              status);
}

// The workbook file's bytes: the BIFF stream as it is (Excel 3.0 and 4.0) or inside a
// compound document (Excel 5.0 and later), built in memory so that the file is written
// once, under the output rule.
bool BuildWorkbookBytes(int version, std::string stream, std::string& bytes) {
    if (version == kBiff3 || version == kBiff4) {
        bytes = std::move(stream);
        return true;
    }
    // Spreadsheet programs expect the workbook stream in the big-block area, so a short
    // stream is padded after its last EOF record.
    if (stream.size() < 4096) stream.resize(4096, '\0');
    GPtr<GsfOutput> sink(gsf_output_memory_new());
    if (!sink) return false;
    GPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
    if (!ole) return false;
    GPtr<GsfOutput> child(gsf_outfile_new_child(ole.get(), version == kBiff8 ? "Workbook" : "Book", FALSE));
    bool ok = child && gsf_output_write(child.get(), stream.size(), reinterpret_cast<const guint8*>(stream.data()));
    ok = child && gsf_output_close(child.get()) && ok;
    ok = gsf_output_close(GSF_OUTPUT(ole.get())) && ok;
    if (!gsf_output_is_closed(sink.get())) ok = gsf_output_close(sink.get()) && ok;
    const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
    if (!ok || !data) return false;
    bytes.assign(reinterpret_cast<const char*>(data), static_cast<size_t>(gsf_output_size(sink.get())));
    return true;
}

bool WriteWorkbookFile(const CString& path, int version, const std::vector<CDaoTableData>& tables, CDaoStatus& status) {
    std::string stream;
    if (!BuildBiffStream(version, tables, stream, status)) return false;
    std::string bytes;
    if (!BuildWorkbookBytes(version, std::move(stream), bytes))
        return status.Fail(TB_DAO_E_WRITE, CString("The file \"") + path + "\" cannot be written.");
    if (!TBReplaceFileContents(path.GetString(), bytes))
        return status.Fail(TB_DAO_E_WRITE,
                           CString("The file \"") + path + "\" cannot be written: " + TBSystemErrorText(errno) + ".");
    return true;
}

}  // namespace tb_xls
