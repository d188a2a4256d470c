// Recorder (.dat) files of a digital oscilloscope: line 1 the number of samples, line
// 2 their spacing in seconds, lines 3 and 4 not interpreted, then one sample per line.
// One file gives a time channel and a sample channel; several files chosen in the
// recorder files dialog give one time channel and one channel per file, resampled
// onto the time base of the shortest recording.
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/recorder_files.h>
#include "exchange/format_table.h"
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

// ---------------------------------------------------------------- samples

namespace {

// Skips the four header lines of an opened recorder file; the spacing of line 2.
double SkipRecorderHeader(CLineReader& in) {
    double spacing = 0.0;
    std::string_view line;
    for (int n = 0; n < 4 && in.NextLine(line); ++n)
        if (n == 1) spacing = TBExtended_atof(LineText(line), CString());
    return spacing;
}

// Hands the samples after the header to take(row, value), at most limit of them (all
// when limit is negative); false as soon as take fails.
template <class Take>
bool ForEachRecorderSample(CLineReader& in, int limit, Take take) {
    std::string_view line;
    for (int r = 0; (limit < 0 || r < limit) && in.NextLine(line); ++r)
        if (!take(r, TBExtended_atof(LineText(line), CString()))) return false;
    return true;
}

// The recorder file path opened; false (error TBMsg::CannotOpenFile) when it cannot be.
bool OpenRecorderFile(CReadAndWriteFileFunction& engine, const CString& path, CLineReader& in) {
    if (in.Open(path)) return true;
    engine.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {path}), TB_EXCHANGE_FILE_ERROR);
    return false;
}

}  // namespace

// ---------------------------------------------------------------- entries

namespace tb_exchange {

// One file: a time channel and a sample channel. A file whose first two lines are not
// numbers is read as delimited text.
int ReadRecorderInfo(CReadAndWriteFileFunction& e, const ReadRequest& request, ReadOutcome& outcome) {
    e.ResetWarnAndErrorMsg();
    if (!request.fileName.IsEmpty()) e.FileName = request.fileName;
    CRecorderFileHeader header;
    const int check = CheckFirstFile(e, e.FileName, header);
    if (check < 0) outcome.readAsText = e.FileName;
    if (check <= 0) return 0;
    e.NrItems = header.samples;
    e.RecorderSpacing = header.spacing;
    e.NrChannels = 2;
    e.DeleteAllChannels();
    e.ReplaceChannelSlot(0, NewChannel("Time", "s"));
    e.ReplaceChannelSlot(1, NewChannel(TBFileBaseName(e.FileName), CString()));
    RecordFormat(e, TB_KIND_RECORDER);
    return 1;
}

int ReadRecorderData(CReadAndWriteFileFunction& e) {
    e.ResetWarnAndErrorMsg();
    CLineReader in;
    if (!OpenRecorderFile(e, e.FileName, in)) return 0;
    WarnMissingChannels(e);
    SkipRecorderHeader(in);
    double time = 0.0;
    const bool read = ForEachRecorderSample(in, e.NrItems, [&](int r, double value) {
        if (!StoreValue(e, 0, r, time)) return false;
        time += e.RecorderSpacing;
        return StoreValue(e, 1, r, value);
    });
    if (!read) return 0;
    RecordFormat(e, TB_KIND_RECORDER);
    return e.Warnings.GetSize() > 0 ? 2 : 1;
}

// Several files chosen in the recorder files dialog, on the time base of the shortest.
int ReadRecorderFilesInfo(CReadAndWriteFileFunction& e, const ReadRequest& request, ReadOutcome& outcome) {
    e.ResetWarnAndErrorMsg();
    if (!request.fileName.IsEmpty()) e.FileName = request.fileName;
    CRecorderFileHeader header;
    const int check = CheckFirstFile(e, e.FileName, header);
    if (check < 0) outcome.readAsText = e.FileName;
    if (check <= 0) return 0;
    CRecorderFilesRules rules(e.FileName, e.DatFileKind);
    rules.Initialize();
    // OK with every file removed leaves the time channel alone, without items.
    if (TBGetDialogHub().DoModal(rules) != IDOK) {
        e.LastErrorNumber = TB_EXCHANGE_CANCELLED;
        return 0;
    }
    e.DeleteAllChannels();
    e.NrChannels = rules.GetFileCount() + 1;
    e.NrItems = rules.GetCommonPoints();
    e.RecorderSpacing = rules.GetCommonSpacing();
    e.RecorderFiles.RemoveAll();
    e.ReplaceChannelSlot(0, NewChannel("Time", "s"));
    for (int i = 0; i < rules.GetFileCount(); ++i) {
        e.RecorderFiles.Add(rules.GetFilePath(i));
        e.ReplaceChannelSlot(i + 1, NewChannel(rules.GetChannelName(i), rules.GetChannelUnit(i)));
    }
    RecordFormat(e, TB_KIND_RECORDER_FILES);
    return 1;
}

int ReadRecorderFilesData(CReadAndWriteFileFunction& e) {
    e.ResetWarnAndErrorMsg();
    WarnMissingChannels(e);
    if (!FillTimeChannel(e)) return 0;
    for (int i = 0; i < e.RecorderFiles.GetSize() && i + 1 < e.NrChannels; ++i) {
        CLineReader in;
        if (!OpenRecorderFile(e, e.RecorderFiles[i], in)) return 0;
        const double spacing = SkipRecorderHeader(in);
        CArray<double, double> samples;
        ForEachRecorderSample(in, -1, [&](int, double value) {
            samples.Add(value);
            return true;
        });
        CExImPortChannel* channel = e.GetChannel(i + 1);
        if (!channel) continue;
        if (!e.InterpolateRockwellData(channel, &samples, spacing)) return 0;
    }
    return e.Warnings.GetSize() > 0 ? 2 : 1;
}

}  // namespace tb_exchange

int CReadAndWriteFileFunction::ReadInfoRockwellFile(CString fileName) {
    return tb_exchange::ReadInfoAs(*this, TB_KIND_RECORDER, {fileName, CString(), CString(), CString()});
}
int CReadAndWriteFileFunction::ReadDataRockwellFile() { return tb_exchange::ReadRecorderData(*this); }
int CReadAndWriteFileFunction::ReadInfoRockwellFilesWithDialog(CString fileName) {
    return tb_exchange::ReadInfoAs(*this, TB_KIND_RECORDER_FILES, {fileName, CString(), CString(), CString()});
}
int CReadAndWriteFileFunction::ReadDataRockwellFilesWithDialog() { return tb_exchange::ReadRecorderFilesData(*this); }

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
