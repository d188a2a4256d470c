// One file opened in the viewer: its channels with their values, read and written
// through the exchange engine, converted through the unit catalogue.
#pragma once

#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/types/collections.h>
#include <toolbox/types/cstring.h>

#include <memory>
#include <vector>

/// A channel of an opened file: the values belong to the document.
struct ViewChannel {
    CString name;
    CString unit;
    CString quantity;  // the catalogue quantity the unit belongs to; empty when none
    std::unique_ptr<CArray<double, double>> values = std::make_unique<CArray<double, double>>();
    bool plotted = false;
    double low = 0, high = 0;  // finite values only; low > high when there are none
    void Measure();
};

class CViewDocument {
public:
    /// Reads path. interactive lets the readers ask the user (Import dialog, table
    /// choice, recorder files); otherwise the symbols are detected as tbx convert
    /// does. 1 success, 2 with warnings, 0 failure with error set to the library's text.
    int Open(const CString& path, bool interactive, CString& error, CString& warnings);
    /// A document made from channels pasted from the clipboard. 1, 2 or 0 with error.
    int Paste(CString& error);

    /// True when the last Open failed because the user cancelled a reader's dialog.
    bool WasCancelled() const { return m_cancelled; }
    const CString& GetPath() const { return m_path; }
    /// The file name without its folder, for captions.
    CString GetTitle() const;
    /// The format family's name of the file read (one place, see view_formats.cpp).
    const CString& GetFormatName() const { return m_formatName; }
    int GetItemCount() const { return m_items; }
    int GetChannelCount() const { return static_cast<int>(m_channels.size()); }
    ViewChannel& GetChannel(int index) { return m_channels[static_cast<std::size_t>(index)]; }
    const ViewChannel& GetChannel(int index) const { return m_channels[static_cast<std::size_t>(index)]; }

    /// Converts every value of channel index to unit (of the same quantity) through
    /// the unit catalogue; false with error when the catalogue cannot convert.
    bool ConvertUnit(int index, const CString& unit, CString& error);
    /// Writes every channel to path; the extension picks the writer. withDialog lets
    /// the writer ask (Export dialog). 1, 2 or 0 with error (empty when the user cancelled).
    int Export(const CString& path, bool withDialog, CString& error) const;
    /// Puts the plotted channels (all when none is plotted) on the clipboard. 1, 2 or 0.
    int CopyPlotted(CString& error) const;

private:
    void TakeChannels(int family, int items);
    CString m_path;
    CString m_formatName;
    int m_items = 0;
    bool m_cancelled = false;
    std::vector<ViewChannel> m_channels;
};

/// The quantity of the unit catalogue that has unit (in any spelling); empty when none.
CString ViewQuantityOfUnit(const CString& unit);
/// The name of an exchange format family (CReadAndWriteFiles::GetLoadVersion).
CString ViewFormatFamilyName(int family);
/// The family a file of path is read as, by its extension (as the engine dispatches).
int ViewFamilyOfExtension(const CString& path);
/// True for files shown as text: SPICE netlists and listings, plain text.
bool ViewIsTextFile(const CString& path);
/// True for files whose data channels are read too (a SPICE listing is both).
bool ViewIsDataFile(const CString& path);
