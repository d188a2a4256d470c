// tbx view as a user drives it: files opened from the tool bar through the file
// dialog, channels ticked and edited in the list with the mouse and keys, the plot
// zoomed with the wheel and a dragged rectangle, and what the window then shows.
#include "tests/support/dialog_hub.h"
#include "tools/tbx/view/view_frame.h"

#include <toolbox/exchange/text_dialog_rules.h>
#include <toolbox/exchange/read_and_write_files.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWheelEvent>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char kExample[] = TOOLBOX_SOURCE_DIR "/examples/fault_record.cfg";
// The plot's first two curve colours.
const QRgb kFirstCurve = qRgb(0, 90, 180), kSecondCurve = qRgb(200, 60, 20);

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int CountColour(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return count;
}

class Viewer : public ::testing::Test {
protected:
    tbtest::FakeDialogHub hub;  // answers the file dialogs, records the message boxes
    CViewFrame frame;
    QTemporaryDir scratch;

    void SetUp() override {
        ASSERT_TRUE(frame.Create(CSize(1000, 640)));
        frame.GetWidget()->show();
        Settle();
    }
    void TearDown() override { frame.DestroyWindow(); }

    static void Settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    /// Clicks the tool bar button of command id.
    void ClickTool(UINT id) {
        CTBCommandBar* tools = frame.GetCommandBars()->GetAt(1);
        CTBBarControl* button = tools ? tools->FindControl(id) : nullptr;
        ASSERT_TRUE(button);
        const CRect r = button->GetRect();
        QTest::mouseClick(tools->GetWidget(), Qt::LeftButton, {}, QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        Settle();
    }
    void Open(const char* path) {
        hub.fileName = path;
        ClickTool(viewcmd::kOpen);
    }
    QWidget* Viewport() { return static_cast<QTreeView*>(frame.GetGrid().GetWidget())->viewport(); }
    QPoint CellCentre(int row, int column) {
        RECT r{};
        EXPECT_TRUE(frame.GetGrid().GetCellRect(row, column, &r));
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2) - Viewport()->pos();
    }
    void ClickCell(int row, int column) {
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, CellCentre(row, column));
        Settle();
    }
    /// Opens the editor of a cell as a user does: the first click makes it current,
    /// the second opens the editor.
    void EditCell(int row, int column) {
        ClickCell(row, column);
        QTest::qWait(QApplication::doubleClickInterval() + 20);
        ClickCell(row, column);
    }
    int RowOf(const char* name) {
        for (int row = 0; row < frame.GetGrid().GetItemCount(); ++row)
            if (frame.GetGrid().GetItemText(row, CViewChannelGrid::kName) == name) return row;
        ADD_FAILURE() << "no row " << name;
        return 0;
    }
    QImage Plot() { return frame.GetPlot().GetWidget()->grab().toImage(); }
    /// A mouse move over the plot without buttons, sent straight to its widget (the
    /// offscreen platform drops a synthesised move it thinks the cursor already made).
    void MoveMouse(QPoint at) {
        QWidget* plot = frame.GetPlot().GetWidget();
        QMouseEvent move(QEvent::MouseMove, at, plot->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(plot, &move);
        Settle();
    }
    void Wheel(QPoint at, int notches) {
        QWidget* plot = frame.GetPlot().GetWidget();
        QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(plot, &wheel);
        Settle();
    }
};

TEST_F(Viewer, TickingTwoChannelsDrawsTwoCurvesAndTheCursorReadsThem) {
    Open(kExample);
    ASSERT_EQ(frame.GetDocumentCount(), 1);
    EXPECT_EQ(frame.GetGrid().GetItemCount(), 7);  // time and six analogue channels
    EXPECT_EQ(frame.GetGrid().GetItemText(RowOf("Va(P)"), CViewChannelGrid::kItems), "1000");
    EXPECT_EQ(CountColour(Plot(), kFirstCurve), 0);

    ClickCell(RowOf("Va(P)"), CViewChannelGrid::kPlot);
    ClickCell(RowOf("Ia(P)"), CViewChannelGrid::kPlot);
    const QImage picture = Plot();
    EXPECT_GT(CountColour(picture, kFirstCurve), 300);
    EXPECT_GT(CountColour(picture, kSecondCurve), 300);
    // Volts and amperes: two value axes.
    ASSERT_EQ(frame.GetPlot().GetPanelCount(), 1);
    EXPECT_EQ(frame.GetPlot().GetLayout(0).axes.size(), 2u);

    const CRect f = frame.GetPlot().GetLayout(0).frame;
    MoveMouse(QPoint((f.left + f.right) / 2, (f.top + f.bottom) / 2));
    const std::vector<CString> texts = frame.GetPlot().CursorTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].Find("Time = "), 0) << texts[0].GetString();
    EXPECT_EQ(texts[1].Find("Va(P) = "), 0) << texts[1].GetString();
    EXPECT_NE(texts[2].Find(" A"), -1) << texts[2].GetString();
}

TEST_F(Viewer, ChoosingKilovoltsDividesValuesAndAxisByAThousandAndRenamingShows) {
    Open(kExample);
    const int row = RowOf("Va(P)");
    ClickCell(row, CViewChannelGrid::kPlot);
    const double before = frame.GetDocument(0).GetChannel(1).values->GetAt(10);
    const double axisBefore = frame.GetPlot().GetLayout(0).axes[0].high;
    const CString maximumBefore = frame.GetGrid().GetItemText(row, CViewChannelGrid::kMaximum);

    EditCell(row, CViewChannelGrid::kUnit);
    CWnd* editor = frame.GetGrid().GetEditControl();
    auto* combo = editor ? qobject_cast<QComboBox*>(editor->GetWidget()) : nullptr;
    ASSERT_TRUE(combo) << "no unit selector opened";
    const int kilovolts = combo->findText("kV");
    ASSERT_GE(kilovolts, 0);
    combo->setCurrentIndex(kilovolts);
    QTest::keyClick(combo, Qt::Key_Return);
    Settle();
    Plot();  // draws, so the layout is the new one

    EXPECT_EQ(frame.GetGrid().GetItemText(row, CViewChannelGrid::kUnit), "kV");
    EXPECT_NEAR(frame.GetDocument(0).GetChannel(1).values->GetAt(10), before / 1000, std::fabs(before) * 1e-12);
    EXPECT_NEAR(frame.GetPlot().GetLayout(0).axes[0].high, axisBefore / 1000, std::fabs(axisBefore) * 1e-9);
    EXPECT_EQ(maximumBefore, "8.9815k");
    EXPECT_EQ(frame.GetGrid().GetItemText(row, CViewChannelGrid::kMaximum), "8.9815");

    EditCell(row, CViewChannelGrid::kName);
    QWidget* edit = QApplication::focusWidget();
    ASSERT_TRUE(edit);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, "Phase A");
    QTest::keyClick(edit, Qt::Key_Return);
    Settle();
    EXPECT_EQ(frame.GetDocument(0).GetChannel(1).name, "Phase A");
    EXPECT_EQ(frame.GetPlot().CursorTexts().size(), 0u);
}

TEST_F(Viewer, ExportToCsvWritesWhatTbxConvertWrites) {
    Open(kExample);
    const std::string exported = scratch.filePath("viewer.csv").toStdString();
    const std::string converted = scratch.filePath("convert.csv").toStdString();
    hub.fileName = exported.c_str();
    ClickTool(viewcmd::kExport);
    ASSERT_TRUE(hub.messageTexts.empty()) << hub.messageTexts[0];
    const std::string command = std::string(TOOLBOX_TBX) + " convert '" + kExample + "' '" + converted + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string written = ReadAll(exported);
    EXPECT_GT(written.size(), 1000u);
    EXPECT_EQ(written, ReadAll(converted));
}

TEST_F(Viewer, CopiedChannelPastesAsAChannelOfTheSameValues) {
    Open(kExample);
    ClickCell(RowOf("Ib(P)"), CViewChannelGrid::kPlot);
    ClickTool(viewcmd::kCopy);
    ClickTool(viewcmd::kPaste);
    ASSERT_EQ(frame.GetDocumentCount(), 2);
    const CViewDocument& pasted = frame.GetDocument(1);
    ASSERT_EQ(pasted.GetChannelCount(), 1);
    ASSERT_EQ(pasted.GetItemCount(), 1000);
    const CArray<double, double>& original = *frame.GetDocument(0).GetChannel(RowOf("Ib(P)")).values;
    for (int i = 0; i < 1000; i += 97)
        EXPECT_NEAR(pasted.GetChannel(0).values->GetAt(i), original.GetAt(i), 1e-9 * (1 + std::fabs(original.GetAt(i))));
    EXPECT_EQ(frame.GetGrid().GetItemCount(), 8);
}

TEST_F(Viewer, ZoomingInAndBackOutGivesTheSamePicture) {
    Open(kExample);
    ClickCell(RowOf("Va(P)"), CViewChannelGrid::kPlot);
    Plot();
    QWidget* plot = frame.GetPlot().GetWidget();
    const CRect f = frame.GetPlot().GetLayout(0).frame;
    const QPoint middle((f.left + f.right) / 2, (f.top + f.bottom) / 2);
    // The cursor line and its values are part of the picture: it stands at the middle.
    MoveMouse(middle);
    const QImage whole = Plot();
    Wheel(middle, 1);
    Wheel(middle, 1);
    QTest::mousePress(plot, Qt::LeftButton, {}, middle - QPoint(60, 40));
    QTest::mouseMove(plot, middle);
    QTest::mouseMove(plot, middle + QPoint(60, 40));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, middle + QPoint(60, 40));
    Settle();
    const ViewRange zoomed = frame.GetPlot().GetRange();
    EXPECT_LT(zoomed.xHigh - zoomed.xLow, 0.2 * 0.8 * 0.8);
    EXPECT_LT(zoomed.yHigh - zoomed.yLow, 1.0);
    EXPECT_NE(Plot(), whole);
    for (int i = 0; i < 3; ++i) Wheel(middle, -1);
    MoveMouse(middle);
    EXPECT_EQ(Plot(), whole);
}

TEST_F(Viewer, TheMiddleButtonPansAndBackspaceGoesBack) {
    Open(kExample);
    ClickCell(RowOf("Va(P)"), CViewChannelGrid::kPlot);
    Plot();
    const TBPlotLayout before = frame.GetPlot().GetLayout(0);
    const QPoint middle((before.frame.left + before.frame.right) / 2, (before.frame.top + before.frame.bottom) / 2);
    QWidget* plot = frame.GetPlot().GetWidget();
    QTest::mousePress(plot, Qt::MiddleButton, {}, middle);
    QMouseEvent drag(QEvent::MouseMove, middle + QPoint(100, 0), plot->mapToGlobal(middle + QPoint(100, 0)),
                     Qt::NoButton, Qt::MiddleButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &drag);
    QTest::mouseRelease(plot, Qt::MiddleButton, {}, middle + QPoint(100, 0));
    Plot();
    // Dragged right by 100 pixels: the values 100 pixels further left come into view.
    const TBPlotLayout& panned = frame.GetPlot().GetLayout(0);
    const double shift = 100 * (before.xHigh - before.xLow) / before.frame.Width();
    EXPECT_NEAR(panned.xLow, before.xLow - shift, 1e-9);
    EXPECT_NEAR(panned.xHigh, before.xHigh - shift, 1e-9);
    QTest::keyClick(plot, Qt::Key_Backspace);
    Plot();
    EXPECT_EQ(frame.GetPlot().GetLayout(0).xLow, before.xLow);
    EXPECT_EQ(frame.GetPlot().GetLayout(0).xHigh, before.xHigh);
}

TEST_F(Viewer, FilesDroppedOntoTheWindowOpenSideBySide) {
    const QString second = scratch.filePath("second.cfg");
    ASSERT_TRUE(QFile::copy(kExample, second));
    ASSERT_TRUE(QFile::copy(QString(kExample).replace(".cfg", ".dat"), scratch.filePath("second.dat")));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(kExample), QUrl::fromLocalFile(second)});
    QWidget* window = frame.GetWidget();
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    Settle();
    ASSERT_EQ(frame.GetDocumentCount(), 2);
    EXPECT_EQ(frame.GetGrid().GetItemCount(), 14);
    ClickCell(1, CViewChannelGrid::kPlot);   // Va of the first file
    ClickCell(12, CViewChannelGrid::kPlot);  // Ib of the second
    Plot();
    ASSERT_EQ(frame.GetPlot().GetPanelCount(), 2);
    EXPECT_LT(frame.GetPlot().GetLayout(0).frame.bottom, frame.GetPlot().GetLayout(1).frame.top);
    EXPECT_TRUE(hub.messageTexts.empty());
}

TEST_F(Viewer, OpeningDelimitedTextAsksTheLibrarysImportDialog) {
    int asked = 0;
    hub.answerModal = [&asked](CModalRequest& request) {
        auto* import = dynamic_cast<CTextImportRules*>(&request);
        if (!import) return IDCANCEL;
        ++asked;
        // The user sees the semicolons and decimal commas of the file and says so.
        import->LoadSeparators(";");
        import->LoadDecimal(",");
        return import->OnOK() ? IDOK : IDCANCEL;
    };
    Open(TOOLBOX_SOURCE_DIR "/examples/rc_step.csv");
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(frame.GetDocumentCount(), 1);
    EXPECT_EQ(frame.GetGrid().GetItemText(RowOf("Vout"), CViewChannelGrid::kUnit), "V");
    EXPECT_EQ(frame.GetGrid().GetItemText(RowOf("I"), CViewChannelGrid::kMaximum), "1.0000m");

    // Cancelled: nothing more opens, and the user who cancelled gets no message.
    hub.answerModal = nullptr;
    Open(TOOLBOX_SOURCE_DIR "/examples/rc_step.csv");
    EXPECT_EQ(frame.GetDocumentCount(), 1);
    EXPECT_TRUE(hub.messageTexts.empty());
}

TEST_F(Viewer, DamagedFileShowsTheLibrarysMessageAndTheWindowStaysUsable) {
    const std::string damaged = scratch.filePath("damaged.cfg").toStdString();
    std::ofstream(damaged) << "station,device,1999\nthis is not a channel count\n";
    CReadAndWriteFiles direct;
    ASSERT_EQ(direct.ReadInfoFile(damaged.c_str(), "", -1, nullptr, nullptr, 0, 0, 0), 0);
    Open(damaged.c_str());
    ASSERT_EQ(hub.messageTexts.size(), 1u);
    EXPECT_EQ(hub.messageTexts[0], direct.GetLastError().GetString());
    EXPECT_EQ(frame.GetDocumentCount(), 0);

    Open(kExample);
    ClickCell(RowOf("Vb(P)"), CViewChannelGrid::kPlot);
    EXPECT_GT(CountColour(Plot(), kFirstCurve), 300);
    EXPECT_EQ(hub.messageTexts.size(), 1u);
}

}  // namespace
