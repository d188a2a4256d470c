// Recorder (.dat) files of a digital oscilloscope: line 1 the number of samples, line
// 2 their spacing in seconds, lines 3 and 4 not interpreted, then one sample per line.
// One file gives a time channel and a sample channel; several files chosen in the
// recorder files dialog give one time channel and one channel per file, resampled
// onto the time base of the shortest recording.
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/recorder_files.h>
#include "exchange/value_store.h"
#include <toolbox/os/file_io.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <cmath>
#include <string_view>

namespace {

CString LineText(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return CString(line);
}

// Stores value at row of channel slot index: doubles directly, text storage gets the
// value written with 15 significant digits. False (error TBMsg::InvalidChannelPointer) without any storage.
bool StoreValue(CReadAndWriteFileFunction& engine, int index, int row, double value) {
    CExImPortChannel* channel = engine.GetChannel(index);
    if (!channel) return true;
    const CString text = tb_exchange::ChannelWantsText(*channel) ? TBExtended_ftoa(value, -1, 0, CString()) : CString();
    if (tb_exchange::StoreChannelValue(*channel, row, engine.NrItems, value, text)) return true;
    engine.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {engine.FileName, index + 1}),
                    TB_EXCHANGE_DATA_ERROR);
    return false;
}

void WarnMissingChannels(CReadAndWriteFileFunction& engine) {
    for (int i = 0; i < engine.NrChannels; ++i)
        if (!engine.GetChannel(i)) engine.AddWarning(TBFormatMessage(TBMsg::ChannelNotRead, {engine.FileName, i + 1}));
}

bool FillTimeChannel(CReadAndWriteFileFunction& engine) {
    double time = 0.0;
    for (int r = 0; r < engine.NrItems; ++r) {
        if (!StoreValue(engine, 0, r, time)) return false;
        time += engine.RecorderSpacing;
    }
    return true;
}

CExImPortChannel* NewChannel(const CString& name, const CString& unit) {
    auto* channel = new CExImPortChannel;
    channel->SetChannelName(name);
    channel->SetUnitName(unit);
    return channel;
}

// A sample count the file can hold: each sample needs at least its line end.
bool PlausibleSampleCount(const CString& path, int samples) { return samples >= 0 && samples <= TBFileSize(path); }

// Header checks shared by the single-file and the dialog reader: 1 recorder header,
// 0 error recorded, -1 not numeric (read as delimited text).
int CheckFirstFile(CReadAndWriteFileFunction& engine, const CString& path, CRecorderFileHeader& header) {
    const int kind = TBReadRecorderHeader(path, header);
    if (kind == 0) {
        engine.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {path}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    if (kind == 2) return -1;
    if (!PlausibleSampleCount(path, header.samples)) {
        engine.SetError(TBFormatMessage(TBMsg::InvalidSampleCount, {path, header.samples}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    return 1;
}

}  // namespace

// ---------------------------------------------------------------- header helpers

bool TBIsRecorderNumericLine(const CString& line) {
    for (int i = 0; i < line.GetLength(); ++i) {
        const char c = line.GetAt(i);
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == ',' || c == 'e' || c == 'E' ||
              c == '\r' || c == '\n'))
            return false;
    }
    return true;
}

int TBReadRecorderHeader(const CString& path, CRecorderFileHeader& header) {
    CLineReader in;
    if (!in.Open(path)) return 0;
    std::string_view line;
    const CString first = in.NextLine(line) ? LineText(line) : CString();
    const CString second = in.NextLine(line) ? LineText(line) : CString();
    if (!TBIsRecorderNumericLine(first) || !TBIsRecorderNumericLine(second)) return 2;
    header.samples = TBExtended_atoi(first);
    header.spacing = TBExtended_atof(second, CString());
    return 1;
}

CString TBFileBaseName(const CString& path) {
    const int slash = path.ReverseFind('/');
    CString name = slash >= 0 ? path.Mid(slash + 1) : path;
    const int dot = name.ReverseFind('.');
    if (dot > 0) name = name.Left(dot);
    return name;
}

// ---------------------------------------------------------------- dialog rules

CRecorderFilesRules::CRecorderFilesRules(CString firstFile, int channelLimit)
    : m_firstFile(firstFile), m_limit(channelLimit) {}

void CRecorderFilesRules::Initialize() {
    DeleteAllFiles();
    CRecorderFileHeader header;
    if (TBReadRecorderHeader(m_firstFile, header) == 1) {
        m_paths.Add(m_firstFile);
        m_names.Add(TBFileBaseName(m_firstFile));
        m_units.Add(CString());
        m_samples.Add(header.samples);
        m_spacings.Add(header.spacing);
    }
    ComputeTimeBase();
}

bool CRecorderFilesRules::CanAddFile() const { return m_limit == -1 || m_limit > GetFileCount() + 1; }

bool CRecorderFilesRules::AddFile(const CString& path) {
    if (!CanAddFile()) return false;
    CRecorderFileHeader header;
    if (TBReadRecorderHeader(path, header) != 1 || !PlausibleSampleCount(path, header.samples)) return false;
    m_paths.Add(path);
    m_names.Add(TBFileBaseName(path));
    m_units.Add(CString());
    m_samples.Add(header.samples);
    m_spacings.Add(header.spacing);
    ComputeTimeBase();
    return true;
}

bool CRecorderFilesRules::AskAndAddFile() {
    if (!CanAddFile()) return false;
    CFileDialogRequest request;
    request.forReading = true;
    request.defaultExtension = "*.dat";
    request.filter = TBLoadString(TBMsg::FilterTekDat);
    request.flags = OFN_HIDEREADONLY | OFN_LONGNAMES;
    const CString path = TBGetDialogHub().AskFileName(request);
    return !path.IsEmpty() && AddFile(path);
}

bool CRecorderFilesRules::DeleteFile(int index) {
    if (index < 0 || index >= GetFileCount()) return false;
    m_paths.RemoveAt(index);
    m_names.RemoveAt(index);
    m_units.RemoveAt(index);
    m_samples.RemoveAt(index);
    m_spacings.RemoveAt(index);
    m_selected = -1;
    ComputeTimeBase();
    return true;
}

void CRecorderFilesRules::DeleteAllFiles() {
    m_paths.RemoveAll();
    m_names.RemoveAll();
    m_units.RemoveAll();
    m_samples.RemoveAll();
    m_spacings.RemoveAll();
    m_selected = -1;
    ComputeTimeBase();
}

void CRecorderFilesRules::SetChannelName(int index, const CString& name) {
    if (index >= 0 && index < GetFileCount()) m_names.SetAt(index, name);
}

void CRecorderFilesRules::SetChannelUnit(int index, const CString& unit) {
    if (index >= 0 && index < GetFileCount()) m_units.SetAt(index, unit);
}

void CRecorderFilesRules::ComputeTimeBase() {
    m_commonPoints = 0;
    m_commonSpacing = 0.0;
    double shortest = 0.0;
    for (int i = 0; i < GetFileCount(); ++i) {
        const double duration = (m_samples[i] - 1) * m_spacings[i];
        if (i == 0 || duration < shortest || (duration == shortest && m_samples[i] > m_commonPoints)) {
            shortest = duration;
            m_commonPoints = m_samples[i];
            m_commonSpacing = m_spacings[i];
        }
    }
}

// ---------------------------------------------------------------- single file

int CReadAndWriteFileFunction::ReadInfoRockwellFile(CString fileName) {
    ResetWarnAndErrorMsg();
    if (!fileName.IsEmpty()) FileName = fileName;
    CRecorderFileHeader header;
    const int check = CheckFirstFile(*this, FileName, header);
    if (check == 0) return 0;
    if (check < 0) {
        FileKind = TB_KIND_TEXT;
        return ReadInfoCSVFile(FileName, "", "", 1, 0);
    }
    NrItems = header.samples;
    RecorderSpacing = header.spacing;
    NrChannels = 2;
    DeleteAllChannels();
    ReplaceChannelSlot(0, NewChannel("Time", "s"));
    ReplaceChannelSlot(1, NewChannel(TBFileBaseName(FileName), CString()));
    SaveVersion = -1;
    LoadVersion = 8;
    return 1;
}

int CReadAndWriteFileFunction::ReadDataRockwellFile() {
    ResetWarnAndErrorMsg();
    CLineReader in;
    if (!in.Open(FileName)) {
        SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    WarnMissingChannels(*this);
    std::string_view line;
    for (int skip = 0; skip < 4; ++skip)
        if (!in.NextLine(line)) break;
    double time = 0.0;
    for (int r = 0; r < NrItems && in.NextLine(line); ++r) {
        if (!StoreValue(*this, 0, r, time)) return 0;
        time += RecorderSpacing;
        if (!StoreValue(*this, 1, r, TBExtended_atof(LineText(line), CString()))) return 0;
    }
    SaveVersion = -1;
    LoadVersion = 8;
    return Warnings.GetSize() > 0 ? 2 : 1;
}

// ---------------------------------------------------------------- several files

int CReadAndWriteFileFunction::ReadInfoRockwellFilesWithDialog(CString fileName) {
    ResetWarnAndErrorMsg();
    if (!fileName.IsEmpty()) FileName = fileName;
    CRecorderFileHeader header;
    const int check = CheckFirstFile(*this, FileName, header);
    if (check == 0) return 0;
    if (check < 0) {
        FileKind = TB_KIND_TEXT;
        return ReadInfoCSVFile(FileName, "", "", 1, 0);
    }
    CRecorderFilesRules rules(FileName, DatFileKind);
    rules.Initialize();
    // OK with every file removed leaves the time channel alone, without items.
    if (TBGetDialogHub().DoModal(rules) != IDOK) {
        LastErrorNumber = TB_EXCHANGE_CANCELLED;
        return 0;
    }
    DeleteAllChannels();
    NrChannels = rules.GetFileCount() + 1;
    NrItems = rules.GetCommonPoints();
    RecorderSpacing = rules.GetCommonSpacing();
    RecorderFiles.RemoveAll();
    ReplaceChannelSlot(0, NewChannel("Time", "s"));
    for (int i = 0; i < rules.GetFileCount(); ++i) {
        RecorderFiles.Add(rules.GetFilePath(i));
        ReplaceChannelSlot(i + 1, NewChannel(rules.GetChannelName(i), rules.GetChannelUnit(i)));
    }
    SaveVersion = -1;
    LoadVersion = 8;
    return 1;
}

int CReadAndWriteFileFunction::ReadDataRockwellFilesWithDialog() {
    ResetWarnAndErrorMsg();
    WarnMissingChannels(*this);
    if (!FillTimeChannel(*this)) return 0;
    for (int i = 0; i < RecorderFiles.GetSize() && i + 1 < NrChannels; ++i) {
        const CString path = RecorderFiles[i];
        CLineReader in;
        std::string_view line;
        if (!in.Open(path)) {
            SetError(TBFormatMessage(TBMsg::CannotOpenFile, {path}), TB_EXCHANGE_FILE_ERROR);
            return 0;
        }
        double spacing = 0.0;
        for (int n = 0; n < 4 && in.NextLine(line); ++n)
            if (n == 1) spacing = TBExtended_atof(LineText(line), CString());
        CArray<double, double> samples;
        while (in.NextLine(line)) samples.Add(TBExtended_atof(LineText(line), CString()));
        CExImPortChannel* channel = GetChannel(i + 1);
        if (!channel) continue;
        if (!InterpolateRockwellData(channel, &samples, spacing)) return 0;
    }
    return Warnings.GetSize() > 0 ? 2 : 1;
}

int CReadAndWriteFileFunction::InterpolateRockwellData(CExImPortChannel* channel, CArray<double, double>* samples,
                                                       double spacing) {
    if (!channel || !samples) return 0;
    int index = 0;
    while (index < Channels.GetSize() && Channels[index] != channel) ++index;
    const int m = samples->GetSize();
    const double* x = samples->GetData();
    double target = 0.0, fileTime = 0.0;
    for (int r = 0; r < NrItems; ++r) {
        double value = 0.0;
        if (target == fileTime) {
            value = r < m ? x[r] : 0.0;
        } else if (spacing > 0.0) {
            const double k = std::floor(target / spacing);
            if (k >= 0.0 && k <= m - 2.0) {
                const int i = static_cast<int>(k);
                value = x[i] + (x[i + 1] - x[i]) * (target - k * spacing) / spacing;
            } else if (k == m - 1.0) {
                value = x[m - 1];
            }
        }
        const CString text =
            tb_exchange::ChannelWantsText(*channel) ? TBExtended_ftoa(value, -1, 0, CString()) : CString();
        if (!tb_exchange::StoreChannelValue(*channel, r, NrItems, value, text)) {
            SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {FileName, index + 1}), TB_EXCHANGE_DATA_ERROR);
            return 0;
        }
        target += RecorderSpacing;
        fileTime += spacing;
    }
    return 1;
}
