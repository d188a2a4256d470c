// Streams of compound (structured-storage) files through libgsf.
#include <toolbox/ui/sheet_preview.h>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <mutex>

namespace {

void StartGsf() {
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
}

/// Reads the stream name of the compound file behind input (which it takes over).
bool ReadStream(GsfInput* input, const char* name, std::vector<BYTE>& out, std::size_t maxBytes) {
    out.clear();
    if (!input) return false;
    GError* error = nullptr;
    GsfInfile* storage = gsf_infile_msole_new(input, &error);
    g_object_unref(input);
    if (error) g_error_free(error);
    if (!storage) return false;
    bool ok = false;
    if (GsfInput* stream = gsf_infile_child_by_name(storage, name)) {
        const gsf_off_t size = gsf_input_size(stream);
        if (size >= 0 && static_cast<std::uint64_t>(size) <= maxBytes) {
            out.resize(static_cast<std::size_t>(size));
            ok = size == 0 || gsf_input_read(stream, static_cast<std::size_t>(size), out.data()) != nullptr;
            if (!ok) out.clear();
        }
        g_object_unref(stream);
    }
    g_object_unref(storage);
    return ok;
}

}  // namespace

bool TBReadCompoundStream(const char* path, const char* name, std::vector<BYTE>& out, std::size_t maxBytes) {
    out.clear();
    if (!path || !name) return false;
    StartGsf();
    GError* error = nullptr;
    GsfInput* input = gsf_input_stdio_new(path, &error);
    if (error) g_error_free(error);
    return ReadStream(input, name, out, maxBytes);
}

bool TBReadCompoundStream(const BYTE* data, std::size_t size, const char* name, std::vector<BYTE>& out,
                          std::size_t maxBytes) {
    out.clear();
    if (!data || !name || size == 0) return false;
    StartGsf();
    return ReadStream(gsf_input_memory_new(data, static_cast<gsf_off_t>(size), FALSE), name, out, maxBytes);
}
