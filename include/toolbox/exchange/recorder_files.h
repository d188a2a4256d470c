/// \file
/// \brief Recorder (.dat) files: the header of one file and the rules of the dialog that chooses several files for one common time base.
// Recorder (.dat) files: the header of one file and the rules of the dialog that
// chooses several files for one common time base. The rules need no window: the
// window layer shows CRecorderFilesRules through the dialog hub, tests drive it
// directly.
#pragma once

#include <toolbox/os/dialog_hub.h>
#include <toolbox/types/types.h>

/// Header of a recorder file: samples (line 1) and their spacing in seconds (line 2).
struct TB_EXPORT CRecorderFileHeader {
    int samples = 0;  ///< Number of samples (line 1).
    double spacing = 0.0;  ///< Time between two samples in seconds (line 2).
};

/// Reads the first two lines of path. 1: a recorder header; 2: the file exists but
/// its first or second line is not numeric; 0: the file cannot be opened.
TB_EXPORT int TBReadRecorderHeader(const CString& path, CRecorderFileHeader& header);

/// True when every character of line is a digit, '+', '-', '.', ',', 'e', 'E', CR or LF.
TB_EXPORT bool TBIsRecorderNumericLine(const CString& line);

/// The state and rules of the recorder files dialog (template 4308).
class TB_EXPORT CRecorderFilesRules : public CModalRequest {
public:
    /// channelLimit: the most channels the host takes, time included; -1 for no limit.
    CRecorderFilesRules(CString firstFile, int channelLimit);
    UINT GetTemplateId() const override { return 4308; }

    /// Lists the first file (when its header is numeric) and computes the time base.
    void Initialize();
    /// NEW is enabled while the channel limit leaves room for one more file.
    bool CanAddFile() const;
    /// Appends path with its base name as channel name and an empty unit; false when
    /// the limit is reached or the file has no numeric recorder header.
    bool AddFile(const CString& path);
    /// Asks for a file through the dialog hub (filter string 122) and adds it.
    bool AskAndAddFile();
    /// Removes the file in row index; false when there is no such row. No row is
    /// selected afterwards.
    bool DeleteFile(int index);
    /// Removes every file; no row is selected afterwards.
    void DeleteAllFiles();

    /// Selects row index; an index outside the list selects none (-1).
    void SelectFile(int index) { m_selected = index >= 0 && index < GetFileCount() ? index : -1; }
    /// The selected row; -1 when none.
    int GetSelectedFile() const { return m_selected; }
    /// DELETE is enabled only while a row is selected (not when the dialog opens).
    bool CanDeleteFile() const { return m_selected >= 0; }
    /// DELETE: removes the selected file; false when none is selected.
    bool DeleteSelectedFile() { return CanDeleteFile() && DeleteFile(m_selected); }

    /// Number of files listed.
    int GetFileCount() const { return m_paths.GetSize(); }
    /// Path of the file in row index; valid index required.
    CString GetFilePath(int index) const { return m_paths.GetAt(index); }
    /// Channel name of the file in row index; valid index required.
    CString GetChannelName(int index) const { return m_names.GetAt(index); }
    /// Channel unit of the file in row index; valid index required.
    CString GetChannelUnit(int index) const { return m_units.GetAt(index); }
    /// Sets the channel name of row index; nothing for a bad index.
    void SetChannelName(int index, const CString& name);
    /// Sets the channel unit of row index; nothing for a bad index.
    void SetChannelUnit(int index, const CString& unit);
    /// Number of samples of the file in row index; valid index required.
    int GetFileSamples(int index) const { return m_samples.GetAt(index); }
    /// Sample spacing in seconds of the file in row index; valid index required.
    double GetFileSpacing(int index) const { return m_spacings.GetAt(index); }
    /// The common time base: the file of shortest duration (more samples on a tie).
    int GetCommonPoints() const { return m_commonPoints; }
    /// Sample spacing in seconds of the common time base.
    double GetCommonSpacing() const { return m_commonSpacing; }
    /// The most channels the host takes (time included); -1 for no limit.
    int GetChannelLimit() const { return m_limit; }

private:
    void ComputeTimeBase();
    CString m_firstFile;
    int m_limit;
    CStringArray m_paths, m_names, m_units;
    CArray<int, int> m_samples;
    CArray<double, double> m_spacings;
    int m_commonPoints = 0;
    double m_commonSpacing = 0.0;
    int m_selected = -1;
};

/// Base name of path: without directory and extension.
TB_EXPORT CString TBFileBaseName(const CString& path);
