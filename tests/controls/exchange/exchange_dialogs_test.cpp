// The exchange dialogs as a host meets them: the engine's reads and writes with
// dialogs show the real windows, the test clicks and types in them while they are
// modal and checks the previews, the choices the engine gets and the cancel class.
#include "ui_test_support.h"

#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/ui/exchange_dialogs.h>
#include <toolbox/ui/recorder_files_dialog.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr UINT kOriginal = 4073, kInterpreted = 4074, kStartLine = 4072, kOtherText = 4065, kDecimalText = 4071;

/// Runs action on the dialog object of the next modal window of this test.
void OnModal(std::function<void(CWnd&)> action, bool* shown = nullptr) {
    uitest::WhenModalOpens([action](QWidget* w) { action(*CWnd::FromHandlePermanent(reinterpret_cast<HWND>(w))); },
                           shown);
}

/// Answers the next file dialog with path.
void AnswerFileDialog(const std::string& path) {
    uitest::WhenModalOpens([path](QWidget* modal) {
        auto* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(path));  // typed, the completer's popup would take the Return
        QTest::keyClick(name, Qt::Key_Return);
    });
}

/// Clicks near the left end, where a check box or radio button has its box and text.
void Click(CWnd& dialog, UINT id) {
    QWidget* button = dialog.GetDlgItem(id)->GetWidget();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    uitest::RunEvents();
}

void Type(CWnd& dialog, UINT id, const char* text) {
    QWidget* edit = dialog.GetDlgItem(id)->GetWidget();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
    uitest::RunEvents();
}

QTreeWidget* List(CWnd& dialog, UINT id) { return qobject_cast<QTreeWidget*>(dialog.GetDlgItem(id)->GetWidget()); }
QString State(CWnd& dialog, UINT id) { return dialog.GetDlgItem(id)->IsWindowEnabled() ? "on" : "off"; }
QString Text(CWnd& dialog, UINT id) { return QString::fromUtf8(dialog.GetDlgItem(id)->GetWindowText().GetString()); }

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ExchangeDialogs : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir.path().toStdString() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    /// Two channels ready to be written: U in V with 1.5, 2; I in A with 0.25, -3.
    void PrepareWrite(CReadAndWriteFiles& files) {
        files.SetNrChannels(2);
        files.SetNrItems(2);
        files.InsertChannel(0, &m_u, "U", "V");
        files.InsertChannel(1, &m_i, "I", "A");
    }
    void SetUp() override { m_u.Add(1.5), m_u.Add(2), m_i.Add(0.25), m_i.Add(-3); }
    QTemporaryDir m_dir;
    uitest::SettingsFolder m_settings;
    CArray<double, double> m_u, m_i;
};

/// Two comment lines, a quoted title line at line 3, then 30 rows "t,u,i".
std::string MeasurementText() {
    std::string text = "Bench 4\nRecorded at 20 C\n\"t(s)\",\"U(V)\",\"I(A)\"\n";
    for (int r = 0; r < 30; ++r)
        text += std::to_string(r) + ".5," + std::to_string(r * 2) + ",-" + std::to_string(r) + "\n";
    return text;
}

}  // namespace

TEST_F(ExchangeDialogs, ImportPreviewsFollowTheChoicesAndTheEngineReadsWhatWasChosen) {
    const std::string path = Write("bench.txt", MeasurementText());
    QStringList seen;
    OnModal([&](CWnd& dialog) {
        QTreeWidget* interpreted = List(dialog, kInterpreted);
        auto columns = [&] {
            seen << QString::number(interpreted->columnCount()) + ":" + interpreted->headerItem()->text(0);
        };
        auto firstLine = [&] { seen << Text(dialog, kOriginal).section('\n', 0, 0).simplified(); };
        columns();            // Semicolon only: each line is one column
        Click(dialog, 4062);  // Comma
        columns();
        Click(dialog, 4060);  // Semicolon off
        Type(dialog, kStartLine, "3");
        columns();  // the quoted titles of line 3
        firstLine();
        Type(dialog, kStartLine, "30");
        firstLine();  // the window moves with the start line
        Type(dialog, kStartLine, "3");
        seen << State(dialog, kOtherText);
        Click(dialog, 4070);  // decimal Other
        seen << State(dialog, kDecimalText);
        Click(dialog, 4068);  // back to Point
        Click(dialog, 4062);  // no separator: OK keeps the dialog open
        Click(dialog, IDOK);
        seen << (dialog.GetWidget()->isVisible() ? "open" : "closed");
        Click(dialog, 4062);
        Click(dialog, IDOK);
    });
    CReadAndWriteFiles files;
    ASSERT_EQ(files.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 1)
        << files.GetLastError().GetString();
    // "Bench 4" has no numbers below it: a line of data, not titles.
    EXPECT_EQ(seen, (QStringList{"1:CH 0", "3:CH 0", "3:t(s)", "1: Bench 4", "10: 6.5,12,-6", "off", "on", "open"}));
    EXPECT_STREQ(files.GetSeperator(), ",");
    ASSERT_EQ(files.GetNrChannels(), 3);
    ASSERT_EQ(files.GetNrItems(), 30);
    EXPECT_STREQ(files.GetChannel(1)->GetChannelName(), "U");
    EXPECT_STREQ(files.GetChannel(2)->GetUnitName(), "A");
    CArray<double, double> values[3];
    for (int c = 0; c < 3; ++c) files.GetChannel(c)->SetDoubleArray(&values[c]);
    ASSERT_EQ(files.ReadDataFile(), 1);
    EXPECT_EQ(std::vector<double>({values[0][29], values[1][29], values[2][29]}), std::vector<double>({29.5, 58, -29}));
}

TEST_F(ExchangeDialogs, ImportCancelledOrNotTextIsClassSeven) {
    const std::string text = Write("short.txt", "1;2\n3;4\n");
    OnModal([](CWnd& dialog) { Click(dialog, IDCANCEL); });
    CReadAndWriteFiles files;
    EXPECT_EQ(files.ReadInfoFile(text.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 0);
    EXPECT_EQ(files.GetLastErrorNumber(), 7);

    // A binary file closes the dialog before it shows.
    const std::string binary = Write("binary.txt", std::string("1;2\n\x01\x02", 6));
    bool shown = false;
    OnModal([](CWnd& dialog) { Click(dialog, IDCANCEL); }, &shown);
    CReadAndWriteFiles other;
    EXPECT_EQ(other.ReadInfoFile(binary.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 0);
    EXPECT_EQ(other.GetLastErrorNumber(), 7);
    uitest::RunIdle(50);
    EXPECT_FALSE(shown);
}

TEST_F(ExchangeDialogs, ExportAsksForSymbolsInTextAndCharacteristicMode) {
    // Text mode: tab and decimal comma; OK goes grey while no separator is chosen.
    QStringList seen;
    OnModal([&](CWnd& dialog) {
        seen << State(dialog, 4034);
        for (UINT id : {4030u, 4031u, 4032u, 4033u}) dialog.GetDlgItem(id)->SendMessage(BM_SETCHECK, BST_UNCHECKED);
        Click(dialog, IDOK);
        seen << State(dialog, IDOK);
        Click(dialog, 4031);  // Tab
        seen << State(dialog, IDOK);
        Click(dialog, 4035);  // decimal Comma
        Click(dialog, IDOK);
    });
    CReadAndWriteFiles files;
    PrepareWrite(files);
    const std::string text = m_dir.path().toStdString() + "/out.txt";
    ASSERT_EQ(files.WriteFile(text.c_str(), "", 11, nullptr, nullptr, 1, 0), 1) << files.GetLastError().GetString();
    EXPECT_EQ(ReadAll(text), "\"U(V)\"\t\"I(A)\"\r\n1,5\t0,25\r\n2\t-3");

    // Characteristic mode: the decimal group is disabled; Space separates.
    OnModal([&](CWnd& dialog) {
        seen << State(dialog, 4034) + State(dialog, 4035) + State(dialog, 4036);
        Click(dialog, 4033);
        Click(dialog, IDOK);
    });
    CReadAndWriteFiles curve;
    PrepareWrite(curve);
    const std::string mdx = m_dir.path().toStdString() + "/out.mdx";
    ASSERT_EQ(curve.WriteFile(mdx.c_str(), "", 0, nullptr, nullptr, 1, 0), 1) << curve.GetLastError().GetString();
    EXPECT_EQ(curve.GetSep(), ' ');
    EXPECT_EQ(seen, (QStringList{"on", "off", "on", "offoffoff"}));

    OnModal([](CWnd& dialog) { Click(dialog, IDCANCEL); });
    CReadAndWriteFiles cancelled;
    PrepareWrite(cancelled);
    EXPECT_EQ(cancelled.WriteFile(text.c_str(), "", 11, nullptr, nullptr, 1, 0), 0);
    EXPECT_EQ(cancelled.GetLastErrorNumber(), 7);
}

TEST_F(ExchangeDialogs, TableDialogListsTheTablesAndFollowsItsSize) {
    const std::string mdb = TOOLBOX_TEST_DATA "/samples/jackcess/testV1997.mdb";
    QStringList offered;
    int comboGrowth = 0, okShift = 0;
    OnModal([&](CWnd& dialog) {
        auto* combo = qobject_cast<QComboBox*>(dialog.GetDlgItem(4020)->GetWidget());
        for (int i = 0; i < combo->count(); ++i) offered << combo->itemText(i);
        const QRect comboBefore = combo->geometry(), okBefore = dialog.GetDlgItem(IDOK)->GetWidget()->geometry();
        QWidget* window = dialog.GetWidget();
        window->resize(window->width() + 100, window->height() + 40);
        uitest::RunEvents();
        comboGrowth = combo->width() - comboBefore.width();
        okShift = dialog.GetDlgItem(IDOK)->GetWidget()->y() - okBefore.y();
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Down);
        Click(dialog, IDOK);
    });
    CReadAndWriteFiles files;
    ASSERT_EQ(files.ReadInfoFile(mdb.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 1)
        << files.GetLastError().GetString();
    EXPECT_EQ(offered, (QStringList{"Table1", "Table2", "Table3", "Table4"}));
    EXPECT_STREQ(files.GetTableName(), "Table3");
    EXPECT_EQ(comboGrowth, 100) << "left and right edges held";
    EXPECT_EQ(okShift, 40) << "the buttons keep to the bottom";

    // A workbook's sheets without their "$"; cancelling is class 7.
    const std::string xls = TOOLBOX_TEST_DATA "/xls/libreoffice_biff8.xls";
    offered.clear();
    OnModal([&](CWnd& dialog) {
        auto* combo = qobject_cast<QComboBox*>(dialog.GetDlgItem(4020)->GetWidget());
        for (int i = 0; i < combo->count(); ++i) offered << combo->itemText(i);
        Click(dialog, IDCANCEL);
    });
    CReadAndWriteFiles workbook;
    EXPECT_EQ(workbook.ReadInfoFile(xls.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 0);
    EXPECT_EQ(workbook.GetLastErrorNumber(), 7);
    ASSERT_FALSE(offered.isEmpty());
    for (const QString& name : offered) EXPECT_FALSE(name.endsWith('$')) << name.toStdString();
}

TEST_F(ExchangeDialogs, RecorderDialogAddsDeletesAndNamesFiles) {
    const std::string first = Write("scope1.dat", "5\n0.001\nCH1\nV\n1\n2\n3\n4\n5\n");
    const std::string second = Write("scope2.dat", "3\n0.0015\nCH2\nA\n10\n20\n30\n");
    QStringList seen;
    OnModal([&](CWnd& window) {
        auto& dialog = dynamic_cast<CRecorderFilesDlg&>(window);
        CTBEditListCtrl& list = dialog.GetList();
        for (UINT id : {4080u, 4081u, 4082u})
            seen << dynamic_cast<CTBBitmapButton*>(CWnd::FromHandlePermanent(dialog.GetDlgItem(id)->m_hWnd))
                        ->GetToolTipText()
                        .GetString();
        for (int c = 0; c < 3; ++c) seen << list.GetEditColumnName(c).GetString();
        seen << Text(dialog, 4084) + State(dialog, 4081);  // DELETE waits for a selected row
        AnswerFileDialog(second);
        Click(dialog, 4080);
        seen << QString::number(list.GetItemCount()) + ":" + Text(dialog, 4084) + ":" + Text(dialog, 4085) +
                    State(dialog, 4080);  // a limit of 3 channels takes two files
        QWidget* viewport = list.GetWidget()->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport"));
        auto clickCell = [&](int row, int column) {  // cell rectangles are in the list's client area
            CRect cell;
            list.GetCellRect(row, column, &cell);
            QTest::mouseClick(viewport, Qt::LeftButton, {},
                              QPoint(cell.CenterPoint().x, cell.CenterPoint().y) - viewport->pos());
            uitest::RunEvents();
        };
        for (const auto& [column, text] : {std::pair<int, const char*>{1, "Voltage"}, {2, "V"}}) {
            clickCell(0, column);  // opens the cell's editor
            EXPECT_TRUE(list.IsEditActive()) << "no editor on column " << column;
            if (!list.IsEditActive()) continue;  // the dialog still has to be closed
            QTest::keyClicks(list.GetEditControl()->GetWidget(), text);
            QTest::keyClick(list.GetEditControl()->GetWidget(), Qt::Key_Return);
            uitest::RunEvents();
        }
        // The dialog took each written cell at once, not only when OK collects them.
        seen << dialog.GetRules().GetChannelName(0).GetString() + QString("/") +
                    dialog.GetRules().GetChannelUnit(0).GetString();
        clickCell(1, 0);
        seen << State(dialog, 4081);
        Click(dialog, 4081);  // deleting the second file brings the first file's base back
        seen << QString::number(list.GetItemCount()) + ":" + Text(dialog, 4084);
        Click(dialog, IDOK);
    });
    CReadAndWriteFiles files;
    ASSERT_EQ(files.ReadInfoFile(first.c_str(), "", -1, nullptr, nullptr, 1, 0, 3), 1)
        << files.GetLastError().GetString();
    EXPECT_EQ(seen, (QStringList{"Add a new file", "Delete current selected file", "Delete all files", "File",
                                 "Channel Name", "Channel Unit", "5off", "2:3:1.5msoff", "Voltage/V", "on", "1:5"}));
    ASSERT_EQ(files.GetNrChannels(), 2);
    EXPECT_EQ(files.GetNrItems(), 5);
    EXPECT_STREQ(files.GetChannel(1)->GetChannelName(), "Voltage");
    EXPECT_STREQ(files.GetChannel(1)->GetUnitName(), "V");

    // DELETEALL empties the list and disables OK; cancelling is class 7.
    OnModal([&](CWnd& dialog) {
        Click(dialog, 4082);
        seen << State(dialog, IDOK);
        Click(dialog, IDCANCEL);
    });
    CReadAndWriteFiles cancelled;
    EXPECT_EQ(cancelled.ReadInfoFile(first.c_str(), "", -1, nullptr, nullptr, 1, 0, -1), 0);
    EXPECT_EQ(cancelled.GetLastErrorNumber(), 7);
    EXPECT_EQ(seen.last(), "off");
}
