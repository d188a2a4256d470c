// Gallery pages of the exchange dialogs, each the real window over real data: the
// Import dialog on a recorded COMTRADE data file read as comma-separated text, the
// table choice on the tables of a sample Access database and the recorder dialog on
// two recorder files made from that record's phase currents. The samples are the
// public files of the test data folder; a page whose sample is missing is not drawn.
#include "controls/window/gallery_pages.h"
#include <toolbox/exchange/dao.h>
#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/ui/exchange_dialogs.h>
#include <toolbox/ui/recorder_files_dialog.h>

#include <QCoreApplication>
#include <QFile>
#include <QPixmap>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

const QString kSamples = QStringLiteral(TOOLBOX_GALLERY_SAMPLES);

bool Save(CDialog& dialog, const QString& folder) {
    QWidget* window = dialog.GetWidget();
    window->show();
    QCoreApplication::processEvents();
    const bool saved = window->grab().save(folder + QStringLiteral("/dialog_%1.png").arg(dialog.GetTemplateId()), "PNG");
    dialog.DestroyWindow();
    return saved;
}

CString Sample(const char* relative) { return (kSamples + QLatin1Char('/') + QLatin1String(relative)).toUtf8().constData(); }

int RenderImport(const QString& folder) {
    CTextImportRules rules(Sample("python-comtrade/sample_ascii.dat"));
    if (!rules.CheckFileIsText()) return 0;
    rules.LoadSeparators(",");
    rules.LoadDecimal(".");
    CTextImportDlg dialog(rules);
    return dialog.Create(IDD_TEXT_IMPORT) && Save(dialog, folder) ? 1 : 0;
}

int RenderExport(const QString& folder) {
    CExportSeparatorDlg dialog(1);
    return dialog.Create(IDD_EXPORT_SEPARATOR) && Save(dialog, folder) ? 1 : 0;
}

int RenderTableChoice(const QString& folder) {
    CDaoDatabase database;
    if (!database.Open(Sample("jackcess/testV1997.mdb"), FALSE, TRUE)) return 0;
    CStringArray names;
    for (int t = 0; t < database.GetTableDefCount(); ++t) {
        CDaoTableDefInfo info;
        database.GetTableDefInfo(t, info);
        if (info.m_strName.Left(4) != "MSys") names.Add(info.m_strName);
    }
    database.Close();
    CTableChoiceDlg dialog(names);
    return dialog.Create(IDD_TB_TABLE_CHOICE) && Save(dialog, folder) ? 1 : 0;
}

/// A recorder file of every step-th value of values, sampled at spacing.
bool WriteRecorderFile(const QString& path, const CArray<double, double>& values, int step, double spacing) {
    std::FILE* f = std::fopen(path.toUtf8().constData(), "w");
    if (!f) return false;
    const int count = (values.GetSize() + step - 1) / step;
    std::fprintf(f, "%d\n%.9g\nCOMTRADE record\nA\n", count, spacing * step);
    for (int i = 0; i < values.GetSize(); i += step) std::fprintf(f, "%.9g\n", values[i]);
    return std::fclose(f) == 0;
}

/// Two recorder files from the record's first two currents, the second at half the rate.
int RenderRecorderFiles(const QString& folder) {
    CReadAndWriteFiles record;
    if (record.ReadInfoFile(Sample("python-comtrade/sample_ascii.cfg"), "", -1, nullptr, nullptr, 0, 0, 2) == 0 ||
        record.GetNrChannels() < 3)
        return 0;
    std::vector<std::unique_ptr<CArray<double, double>>> stores;
    for (int c = 0; c < record.GetNrChannels(); ++c) {
        stores.push_back(std::make_unique<CArray<double, double>>());
        if (CExImPortChannel* channel = record.GetChannel(c)) channel->SetDoubleArray(stores.back().get());
    }
    const CArray<double, double>& time = *stores[0];
    if (record.ReadDataFile() == 0 || time.GetSize() < 2) return 0;
    auto fileOf = [&](QTemporaryDir& dir, int channel) {
        CString name = record.GetChannel(channel)->GetChannelName();
        if (name.Find('(') > 0) name = name.Left(name.Find('('));
        name.Trim();
        return dir.filePath(QString::fromUtf8(name.GetString()) + QStringLiteral(".dat"));
    };
    const CArray<double, double>&first = *stores[1], &second = *stores[2];
    QTemporaryDir dir;
    const QString firstPath = fileOf(dir, 1), secondPath = fileOf(dir, 2);
    const double spacing = time[1] - time[0];
    if (!dir.isValid() || !WriteRecorderFile(firstPath, first, 1, spacing) ||
        !WriteRecorderFile(secondPath, second, 2, spacing))
        return 0;
    CRecorderFilesDlg dialog(firstPath.toUtf8().constData(), -1);
    dialog.GetRules().AddFile(secondPath.toUtf8().constData());
    if (!dialog.Create(4308)) return 0;
    dialog.GetList().SetEditItemText(0, 2, "A", TB_EDIT_TEXT);
    dialog.GetList().SetEditItemText(1, 2, "A", TB_EDIT_TEXT);
    return Save(dialog, folder) ? 1 : 0;
}

}  // namespace

int TBRenderExchangeGallery(const QString& folder) {
    return RenderImport(folder) + RenderTableChoice(folder) + RenderExport(folder) + RenderRecorderFiles(folder);
}

namespace {
// The exchange dialogs draw their own pages over sample files.
const CGalleryPages kPages("exchange", TBRenderExchangeGallery, {4305, 4306, 4307, 4308});
}  // namespace
