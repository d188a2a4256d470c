// One file opened in the viewer: reading through the exchange engine, unit
// conversion through the catalogue, writing, and the clipboard exchange.
#include "view_document.h"

#include "../commands.h"

#include <toolbox/exchange/clipboard.h>
#include <toolbox/units/unit_manager.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>
#include <new>

namespace {

CString LowerExtension(const CString& path) {
    const int slash = path.ReverseFind('/');
    const int dot = path.ReverseFind('.');
    if (dot < 0 || dot < slash) return CString();
    CString ext = path.Mid(dot);
    ext.MakeLower();
    return ext;
}

/// Channels the file holds fewer values of than it declares end in gaps (NaN), so
/// every channel has the same length and the plot shows where values are missing.
int EvenOut(std::vector<ViewChannel>& channels, int declared) {
    int length = 0;
    for (const ViewChannel& c : channels) length = std::max(length, c.values->GetSize());
    length = std::min(length, std::max(0, declared));
    for (ViewChannel& c : channels) {
        const int before = c.values->GetSize();
        c.values->SetSize(length);
        for (int i = before; i < length; ++i) c.values->ElementAt(i) = std::numeric_limits<double>::quiet_NaN();
    }
    return length;
}

/// Files whose readers ask the user (text symbols, table choice) unless tbx's own
/// answers stand in for the user.
bool NeedsAnswers(const CString& path) {
    const CString ext = LowerExtension(path);
    for (const char* answered : {".mdx", ".mdk", ".mda", ".cfg", ".out"})
        if (ext == answered) return false;
    return true;
}

CString NumberText(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

/// value converted through the catalogue; false when the result is not a number.
bool ConvertOne(const CString& quantity, const CString& from, const CString& to, double value, double& out) {
    CString text;
    if (!TBConvertUnits(quantity, from, NumberText(value), to, text)) return false;
    char* end = nullptr;
    out = std::strtod(text.GetString(), &end);
    return end && end != text.GetString() && !*end;
}

}  // namespace

void ViewChannel::Measure() {
    low = std::numeric_limits<double>::infinity();
    high = -std::numeric_limits<double>::infinity();
    const double* v = values->GetData();
    for (int i = 0, n = values->GetSize(); i < n; ++i) {
        if (!std::isfinite(v[i])) continue;
        low = std::min(low, v[i]);
        high = std::max(high, v[i]);
    }
}

CString ViewQuantityOfUnit(const CString& unit) {
    if (unit.IsEmpty()) return CString();
    CUnitManager& catalogue = TBGetSharedUnitManager();
    CArray<CQuantity*> quantities;
    catalogue.GetQuantityArray(quantities, 0);
    for (int i = 0; i < quantities.GetSize(); ++i) {
        CUnit* found = nullptr;
        const CString name = quantities[i]->GetQuantityName();
        if (catalogue.FindUnit(name, unit, found) == TB_UNIT_FOUND) return name;
    }
    return CString();
}

bool ViewIsTextFile(const CString& path) {
    const CString ext = LowerExtension(path);
    for (const char* text : {".cir", ".net", ".sp", ".spi", ".ckt", ".lib", ".lis", ".lst", ".log", ".out"})
        if (ext == text) return true;
    return false;
}

bool ViewIsDataFile(const CString& path) { return !ViewIsTextFile(path) || LowerExtension(path) == ".out"; }

CString CViewDocument::GetTitle() const {
    const int slash = m_path.ReverseFind('/');
    return slash < 0 ? m_path : m_path.Mid(slash + 1);
}

void CViewDocument::TakeChannels(int family, int items) {
    m_items = EvenOut(m_channels, items);
    for (int i = 0; i < GetChannelCount(); ++i) {
        ViewChannel& c = m_channels[static_cast<std::size_t>(i)];
        if (c.name.IsEmpty()) c.name.Format("Channel %d", i + 1);
        c.quantity = ViewQuantityOfUnit(c.unit);
        c.Measure();
    }
    m_formatName = ViewFormatFamilyName(family);
}

int CViewDocument::Open(const CString& path, bool interactive, CString& error, CString& warnings) {
    m_path = path;
    m_channels.clear();
    m_items = 0;
    if (!interactive && NeedsAnswers(path)) {
        // The same reading as tbx convert and tbx plot: symbols of text files detected,
        // the first table of a workbook; nothing asks the user.
        std::vector<LoadedChannel> loaded;
        if (!LoadChannels(path.GetString(), "view", loaded)) {
            error = "cannot read " + path;
            return 0;
        }
        for (LoadedChannel& l : loaded) {
            ViewChannel c;
            c.name = l.name.c_str();
            c.unit = l.unit.c_str();
            *c.values = std::move(l.values);
            m_channels.push_back(std::move(c));
        }
        const int items = loaded.empty() ? 0 : loaded[0].values.GetSize();
        TakeChannels(ViewFamilyOfExtension(path), items);
        return 1;
    }
    CReadAndWriteFiles files;
    // withDialog 1: the Import dialog, the table choice and the recorder files dialog
    // appear as the readers need them; datFileKind 3 reads .dat recorder files with it.
    int result = files.ReadInfoFile(path, "", -1, nullptr, nullptr, interactive ? 1 : 0, 0, interactive ? 3 : 2);
    if (result) {
        try {
            m_channels.resize(static_cast<std::size_t>(std::max(0, files.GetNrChannels())));
            for (int i = 0; i < files.GetNrChannels(); ++i) {
                CExImPortChannel* channel = files.GetChannel(i);
                if (!channel) continue;
                m_channels[static_cast<std::size_t>(i)].name = channel->GetChannelName();
                m_channels[static_cast<std::size_t>(i)].unit = channel->GetUnitName();
                channel->SetDoubleArray(m_channels[static_cast<std::size_t>(i)].values.get());
            }
            if (files.GetNrItems() > 0) result = files.ReadDataFile();
        } catch (const std::bad_alloc&) {
            result = 0;
        }
    }
    warnings = files.GetLastWarn();
    m_cancelled = !result && files.GetLastErrorNumber() == 7;
    if (!result) {
        error = files.GetLastError();
        if (error.IsEmpty()) error = "The file " + path + " could not be read.";
        m_channels.clear();
        return 0;
    }
    TakeChannels(files.GetLoadVersion(), files.GetNrItems());
    return result;
}

int CViewDocument::Paste(CString& error) {
    CReadAndWriteClipboard clipboard;
    m_path = "Clipboard";
    m_channels.clear();
    int result = clipboard.ReadInfoClipboard("");
    if (result) {
        m_channels.resize(static_cast<std::size_t>(std::max(0, clipboard.GetNrChannels())));
        for (int i = 0; i < clipboard.GetNrChannels(); ++i)
            if (CExImPortChannel* channel = clipboard.GetChannel(i))
                channel->SetDoubleArray(m_channels[static_cast<std::size_t>(i)].values.get());
        result = clipboard.ReadDataClipboard();
    }
    if (!result) {
        error = clipboard.GetLastError();
        if (error.IsEmpty()) error = "The clipboard holds no values.";
        m_channels.clear();
        return 0;
    }
    TakeChannels(-1, clipboard.GetNrItems());
    m_formatName = "Clipboard";
    return result;
}

bool CViewDocument::ConvertUnit(int index, const CString& unit, CString& error) {
    ViewChannel& c = GetChannel(index);
    if (unit == c.unit) return true;
    // Units of one quantity are related by an affine map in practice: two conversions
    // give it, a third checks it; otherwise every value goes through the catalogue.
    double at0 = 0, at1 = 0, at1000 = 0;
    if (!ConvertOne(c.quantity, c.unit, unit, 0, at0) || !ConvertOne(c.quantity, c.unit, unit, 1, at1) ||
        !ConvertOne(c.quantity, c.unit, unit, 1000, at1000)) {
        error = "The unit catalogue cannot convert " + c.unit + " into " + unit + ".";
        return false;
    }
    const double factor = at1 - at0;
    const bool affine = std::fabs(at0 + 1000 * factor - at1000) <= 1e-9 * std::max(1.0, std::fabs(at1000));
    double* v = c.values->GetData();
    for (int i = 0, n = c.values->GetSize(); i < n; ++i) {
        if (!std::isfinite(v[i])) continue;
        if (affine) {
            v[i] = at0 + factor * v[i];
        } else if (!ConvertOne(c.quantity, c.unit, unit, v[i], v[i])) {
            error = "The unit catalogue cannot convert " + NumberText(v[i]) + " " + c.unit + ".";
            return false;
        }
    }
    c.unit = unit;
    c.Measure();
    return true;
}

int CViewDocument::Export(const CString& path, bool withDialog, CString& error) const {
    CReadAndWriteFiles files;
    files.SetNrChannels(GetChannelCount());
    files.SetNrItems(m_items);
    for (int i = 0; i < GetChannelCount(); ++i)
        files.InsertChannel(i, GetChannel(i).values.get(), GetChannel(i).name, GetChannel(i).unit);
    const int result = files.WriteFile(path, "", -1, nullptr, nullptr, withDialog ? 1 : 0, 0);
    // A cancelled Export dialog leaves error empty: the user knows.
    if (!result && files.GetLastErrorNumber() != 7) error = files.GetLastError();
    return result;
}

int CViewDocument::CopyPlotted(CString& error) const {
    std::vector<int> chosen;
    for (int i = 0; i < GetChannelCount(); ++i)
        if (GetChannel(i).plotted) chosen.push_back(i);
    if (chosen.empty())
        for (int i = 0; i < GetChannelCount(); ++i) chosen.push_back(i);
    CReadAndWriteClipboard clipboard;
    clipboard.SetNrChannels(static_cast<int>(chosen.size()));
    clipboard.SetNrItems(m_items);
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        const ViewChannel& c = GetChannel(chosen[k]);
        clipboard.InsertChannel(static_cast<int>(k), c.values.get(), c.name, c.unit);
    }
    const int result = clipboard.WriteClipboard("");
    if (!result) error = clipboard.GetLastError();
    return result;
}
