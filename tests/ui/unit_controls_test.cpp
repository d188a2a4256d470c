// Unit-aware controls and material combos on the shipped catalogues: what they list,
// how they draw unit notation, the unit edit's menu and its message to the parent,
// the replacement of template placeholders and DDX_TBDouble.
#include "ui_test_support.h"

#include <toolbox/units/materials.h>
#include <toolbox/units/unit_manager.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QMenu>

#include <algorithm>
#include <map>

using uitest::RunEvents;

namespace {

/// What a control drew as text, one entry per text colour set: the notation drawing
/// puts plain text and symbols down piece by piece, so the pieces are joined here.
struct DrawnText {
    CString text;
    long x = 0, y = 0;
    long colour = 0;
};
std::vector<DrawnText> DrawnTexts(const CRecordingDC& dc) {
    std::vector<DrawnText> out;
    long colour = 0;
    bool fresh = true;
    for (const CDrawRecord& r : dc.GetRecords()) {
        if (r.op == CDrawRecord::SetTextColor) {
            colour = r.args.at(0);
            fresh = true;
        }
        if (r.op != CDrawRecord::TextOut && r.op != CDrawRecord::DrawText) continue;
        if (fresh) out.push_back({"", r.args.at(0), r.args.at(1), colour});
        out.back().text += r.text;
        fresh = false;
    }
    return out;
}

class UnitControlsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.CreateTop(500, 300));
        CArray<CUnit*> units;
        if (!TBGetSharedUnitManager().GetUnitArray("Resistance", units))
            GTEST_SKIP() << "the shipped unit catalogue template/units.skl is not beside the library";
    }
    /// The messages TBWM_UNIT_SELECTED the parent received.
    std::vector<uitest::Logged> UnitMessages() const {
        std::vector<uitest::Logged> out;
        for (const uitest::Logged& m : parent.log)
            if (m.message == TBWM_UNIT_SELECTED) out.push_back(m);
        return out;
    }
    uitest::CLogWindow parent;
};

/// Opens the edit's context menu; reads the top items' enabled state and the
/// "Transform" submenu's texts; then chooses the submenu item named choose (if any).
struct MenuSeen {
    std::map<QString, bool> enabled;
    QStringList transform;
    bool hasTransform = false;
};
MenuSeen OpenUnitMenu(CWnd& edit, const QString& choose = QString()) {
    MenuSeen seen;
    uitest::OpenContextMenu(edit.GetWidget(), QPoint(5, 5), [&seen, choose](QMenu* top) {
        QAction* transform = nullptr;
        for (QAction* a : top->actions()) {
            if (a->isSeparator()) continue;
            const QString text = a->text().remove(QLatin1Char('&'));
            seen.enabled[text] = a->isEnabled();
            if (a->menu()) transform = a;
        }
        seen.hasTransform = transform != nullptr;
        QAction* target = nullptr;
        if (transform)
            for (QAction* a : transform->menu()->actions()) {
                seen.transform << a->text();
                if (a->text() == choose) target = a;
            }
        if (!target) {
            top->close();
            return;
        }
        top->setActiveAction(transform);
        QTest::keyClick(top, Qt::Key_Right);
        transform->menu()->setActiveAction(target);
        QTest::keyClick(transform->menu(), Qt::Key_Return);
    });
    return seen;
}

}  // namespace

TEST_F(UnitControlsTest, UnitEditOffersTheUnitsLastFirstAndPostsTheChoiceOnce) {
    CTBUnitEdit edit;
    ASSERT_TRUE(edit.Create("ignored", "Resistance", WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 10, 150, 34), &parent,
                            21));
    EXPECT_EQ(edit.GetWindowText(), "");  // the text argument is not used
    ASSERT_EQ(edit.GetUnitList().GetSize(), 6);
    EXPECT_EQ(edit.GetUnitList()[0]->GetUnitAcronym(), "\\Ohm\\");  // a main quantity's base unit first
    edit.SetWindowText("4.7");
    parent.log.clear();
    // The submenu lists the unit list backwards: the base unit last.
    QStringList expected;
    int kilo = -1;
    for (int i = edit.GetUnitList().GetSize() - 1; i >= 0; --i) {
        const CString acronym = edit.GetUnitList()[i]->GetUnitAcronym();
        expected << QString::fromUtf8(TBUnitNotationText(acronym).GetString());
        if (acronym == "k\\Ohm\\") kilo = i;
    }
    ASSERT_GE(kilo, 0);
    EXPECT_EQ(expected.back(), QString::fromUtf8("\xCE\xA9"));
    const MenuSeen seen = OpenUnitMenu(edit, QString::fromUtf8("k\xCE\xA9"));
    EXPECT_EQ(seen.transform, expected);
    // Nothing selected, editable, clipboard aside: copy, cut and select all as the text says.
    EXPECT_FALSE(seen.enabled.at("Cut"));
    EXPECT_FALSE(seen.enabled.at("Copy"));
    EXPECT_TRUE(seen.enabled.at("Select All"));
    const auto posted = UnitMessages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].wParam, 21u);
    auto* unit = reinterpret_cast<CUnit*>(posted[0].lParam);
    EXPECT_EQ(unit, edit.GetUnitList()[kilo]);
    EXPECT_EQ(unit->GetUnitAcronym(), "k\\Ohm\\");
    EXPECT_EQ(edit.GetWindowText(), "4.7");
    // The edit's units come from its own catalogue, not the conversion functions' one.
    CArray<CUnit*> shared;
    TBGetSharedUnitManager().GetUnitArray("Resistance", shared);
    for (int i = 0; i < shared.GetSize(); ++i) EXPECT_NE(shared[i], unit);
}

TEST_F(UnitControlsTest, UnitEditFindsTheUnitTypedAfterTheValueInAnySpelling) {
    CTBUnitEdit edit;
    ASSERT_TRUE(edit.Create("", "Resistance", WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 10, 150, 34), &parent, 25));
    auto typed = [&edit](const char* text, CString* value = nullptr) -> std::string {
        edit.SetWindowText("");
        // Key by key; a character without a key of its own (Ω, µ) comes as its text.
        for (const QChar c : QString::fromUtf8(text)) {
            if (c.unicode() < 0x80)
                QTest::keyClick(edit.GetWidget(), static_cast<char>(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, edit.GetWidget(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        RunEvents();
        CUnit* unit = edit.GetTypedUnit(value);
        return unit ? unit->GetUnitAcronym().str() : "<none>";
    };
    CString value;
    EXPECT_EQ(typed("4.7 k\xCE\xA9", &value), "k\\Ohm\\");
    EXPECT_EQ(value, "4.7");
    EXPECT_EQ(typed("4.7kOhm", &value), "k\\Ohm\\");
    EXPECT_EQ(value, "4.7");
    EXPECT_EQ(typed("10 \xC2\xB5\xCE\xA9"), "u\\Ohm\\");
    EXPECT_EQ(typed("(a+b) M\xCE\xA9", &value), "M\\Ohm\\");
    EXPECT_EQ(value, "(a+b)");
    EXPECT_EQ(typed("ohm", &value), "\\Ohm\\");
    EXPECT_EQ(value, "");
    EXPECT_EQ(typed("12 V"), "<none>");  // not a unit of resistance
    EXPECT_EQ(typed("12"), "<none>");
    // The unit combo box selects a unit given as it is shown.
    CTBUnitComboBox combo;
    ASSERT_TRUE(combo.Create("k\xCE\xA9", "Resistance", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST,
                             CRect(10, 40, 150, 64), &parent, 26));
    EXPECT_EQ(combo.GetCurSel(), combo.FindStringExact(-1, "k\\Ohm\\"));
}

TEST_F(UnitControlsTest, UnknownQuantityGivesNoTransformSubmenuAndADisabledCombo) {
    CTBUnitEdit edit;
    ASSERT_TRUE(edit.Create("", "NoSuchQuantity", WS_CHILD | WS_VISIBLE, CRect(10, 10, 150, 34), &parent, 22));
    edit.SetWindowText("12");
    edit.SetSel(0, 1);
    const MenuSeen seen = OpenUnitMenu(edit);
    EXPECT_FALSE(seen.hasTransform);
    EXPECT_TRUE(seen.enabled.at("Cut"));
    EXPECT_TRUE(seen.enabled.at("Copy"));
    EXPECT_TRUE(seen.enabled.at("Delete"));  // not the edit's: left as it is
    EXPECT_TRUE(UnitMessages().empty());
    CTBUnitComboBox combo;
    ASSERT_TRUE(combo.Create("V", "NoSuchQuantity", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 40, 150, 64),
                             &parent, 23));
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_FALSE(combo.IsWindowEnabled());
}

TEST_F(UnitControlsTest, UnitComboListsTheQuantityAndDrawsSymbolsInStateColours) {
    CTBUnitComboBox combo;
    ASSERT_TRUE(combo.Create("k\\Ohm\\", "Resistance", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST,
                             CRect(10, 10, 150, 34), &parent, 24));
    EXPECT_EQ(combo.GetCount(), 6);
    const int kilo = combo.FindStringExact(-1, "k\\Ohm\\");
    ASSERT_GE(kilo, 0);
    EXPECT_EQ(combo.GetCurSel(), kilo);
    EXPECT_TRUE(combo.IsWindowEnabled());
    CRecordingDC dc(120, 20);
    DRAWITEMSTRUCT item;
    item.hDC = dc.GetSafeHdc();
    item.itemID = static_cast<UINT>(kilo);
    item.rcItem = CRect(0, 0, 120, 20);
    item.itemState = ODS_SELECTED;  // an entry of the dropped list: highlight
    combo.DrawItem(item);
    item.itemState = ODS_DISABLED;
    combo.DrawItem(item);
    const std::vector<CDrawRecord> fills = uitest::RecordsOf(dc, CDrawRecord::FillSolidRect);
    const std::vector<DrawnText> texts = DrawnTexts(dc);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "k\xCE\xA9");
    EXPECT_EQ(static_cast<COLORREF>(texts[0].colour), GetSysColor(COLOR_HIGHLIGHTTEXT));
    EXPECT_EQ(static_cast<COLORREF>(texts[1].colour), GetSysColor(COLOR_GRAYTEXT));
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(static_cast<COLORREF>(fills[1].args.back()), GetSysColor(COLOR_BTNFACE));
    // Choosing from the dropped list.
    combo.ShowDropDown(TRUE);
    RunEvents();
    auto* q = static_cast<QComboBox*>(combo.GetWidget());
    const int other = kilo == 0 ? 1 : 0;
    QTest::mouseClick(q->view()->viewport(), Qt::LeftButton, {},
                      q->view()->visualRect(q->model()->index(other, 0)).center());
    EXPECT_EQ(combo.GetCurSel(), other);
}

TEST_F(UnitControlsTest, QuantityComboStartsWithAnEmptySelectedEntryThenSortedNames) {
    CTBPhysQuantComboBox combo;
    ASSERT_TRUE(combo.Create("", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 200, 34), &parent, 25));
    CArray<CQuantity*> all;
    TBGetSharedUnitManager().GetQuantityArray(all, 0);
    ASSERT_EQ(combo.GetCount(), all.GetSize() + 1);
    EXPECT_EQ(combo.GetCurSel(), 0);
    CString first, previous;
    combo.GetLBText(0, first);
    EXPECT_EQ(first, "");
    for (int i = 1; i < combo.GetCount(); ++i) {
        CString name;
        combo.GetLBText(i, name);
        EXPECT_LE(QString::fromUtf8(previous.GetString()).compare(QString::fromUtf8(name.GetString()), Qt::CaseInsensitive), 0);
        previous = name;
    }
    CTBPhysQuantComboBox chosen;
    ASSERT_TRUE(chosen.Create("Voltage", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 40, 200, 64),
                              &parent, 26));
    EXPECT_EQ(chosen.GetWindowText(), "Voltage");
}

TEST_F(UnitControlsTest, DisabledUnitStaticDrawsWhiteThenGreyOnePixelUpAndLeft) {
    CTBUnitStatic label;
    ASSERT_TRUE(label.Create("20 \\degree\\C", WS_CHILD | WS_VISIBLE, CRect(10, 10, 110, 30), &parent, 27));
    label.EnableWindow(FALSE);
    CRecordingDC dc(100, 20);
    label.DrawTo(dc);
    const std::vector<DrawnText> texts = DrawnTexts(dc);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "20 \xC2\xB0"
                             "C");
    EXPECT_EQ(texts[0].colour, static_cast<long>(RGB(255, 255, 255)));
    EXPECT_EQ(texts[1].colour, static_cast<long>(GetSysColor(COLOR_GRAYTEXT)));
    EXPECT_EQ(texts[1].x, texts[0].x - 1);  // left
    EXPECT_EQ(texts[1].y, texts[0].y - 1);  // top
    label.EnableWindow(TRUE);
    dc.ClearRecords();
    label.DrawTo(dc);
    EXPECT_EQ(DrawnTexts(dc).size(), 1u);
}

TEST_F(UnitControlsTest, UnitCheckBoxPlacesItsLabelAndFocusesIt) {
    CTBUnitCheckBox box;
    ASSERT_TRUE(box.Create("m\\2super\\", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | WS_TABSTOP, CRect(10, 10, 130, 30),
                           &parent, 28));
    RunEvents();
    EXPECT_EQ(box.GetWindowText(), "");
    EXPECT_EQ(box.GetUnitText(), "m\\2super\\");
    EXPECT_EQ(uitest::RectIn(*box.GetLabel(), box), CRect(18, 1, 120, 18));
    box.MoveWindow(10, 10, 160, 30);
    RunEvents();
    EXPECT_EQ(uitest::RectIn(*box.GetLabel(), box), CRect(18, 1, 160, 28));
    EXPECT_FALSE(box.GetLabel()->HasFocus());
    box.SetFocus();
    RunEvents();
    EXPECT_TRUE(box.GetLabel()->HasFocus());
    CString shown;
    box.GetLabel()->GetWindowTextA(shown);
    EXPECT_EQ(shown, "m\\2super\\");
    // A click on the label checks the box.
    QTest::mouseClick(box.GetLabel()->GetWidget(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
}

TEST_F(UnitControlsTest, MaterialCombosListOnlyMaterialsWithTheirGroup) {
    CArray<CTBMaterial*> all;
    TBGetSharedMaterialManager().GetMaterialArray(all);
    if (all.GetSize() == 0) GTEST_SKIP() << "the shipped template/materials.skl is not beside the program";
    CTBConductorMaterialComboBox conductors;
    CTBInsulatorMaterialComboBox insulators;
    ASSERT_TRUE(conductors.Create("Copper", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 200, 34),
                                  &parent, 29));
    ASSERT_TRUE(insulators.Create("PTFE", nullptr, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 40, 200, 64),
                                  &parent, 30));
    EXPECT_EQ(conductors.GetWindowText(), "Copper");
    EXPECT_EQ(insulators.GetWindowText(), "PTFE");
    int conductorCount = 0, insulatorCount = 0;
    for (int i = 0; i < all.GetSize(); ++i) {
        const CTBMaterial& m = *all[i];
        EXPECT_EQ(conductors.FindStringExact(-1, m.m_name) >= 0, m.m_conductorValid != 0) << m.m_name.GetString();
        EXPECT_EQ(insulators.FindStringExact(-1, m.m_name) >= 0, m.m_insulatorValid != 0) << m.m_name.GetString();
        conductorCount += m.m_conductorValid;
        insulatorCount += m.m_insulatorValid;
    }
    EXPECT_EQ(conductors.GetCount(), conductorCount);
    EXPECT_EQ(insulators.GetCount(), insulatorCount);
    CString first, second;
    conductors.GetLBText(0, first);
    conductors.GetLBText(1, second);
    EXPECT_LT(first.Compare(second), 0);  // sorted
}

namespace {

constexpr UINT IDC_VALUE = 10, IDC_UNIT = 11, IDC_LABEL = 12, IDC_CHECK = 13, IDC_BEFORE = 9;

/// A dialog whose template holds plain placeholders that become unit controls, with
/// the value exchanged through DDX_TBDouble.
class CResistorDlg : public CDialog {
public:
    double value = 4700;
    CTBUnitEdit valueEdit;
    CTBUnitComboBox unitCombo;
    CTBUnitStatic label;
    CTBUnitCheckBox check;
    void DoDataExchange(CDataExchange* dx) override { DDX_TBDouble(dx, IDC_VALUE, value); }
    BOOL OnInitDialog() override {
        valueEdit.SubclassDlgItem(IDC_VALUE, this);
        unitCombo.SubclassDlgItem(IDC_UNIT, this);
        label.SubclassDlgItem(IDC_LABEL, this);
        check.SubclassDlgItem(IDC_CHECK, this);
        valueEdit.CreateDialogControl("Resistance");
        unitCombo.CreateDialogControl("Resistance");
        label.CreateDialogControl();
        check.CreateDialogControl();
        return CDialog::OnInitDialog();
    }
};

const CDialogTemplate kResistorTemplate{
    1, "Resistor", WS_POPUP | WS_CAPTION, 200, 90, "MS Shell Dlg", 8,
    {{"STATIC", IDC_BEFORE, "Value", WS_CHILD | WS_VISIBLE, 5, 7, 30, 8},
     {"EDIT", IDC_VALUE, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 40, 5, 60, 12},
     {"COMBOBOX", IDC_UNIT, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, 105, 5, 50, 60},
     {"STATIC", IDC_LABEL, "k\\Ohm\\", WS_CHILD | WS_VISIBLE, 5, 25, 60, 10},
     {"BUTTON", IDC_CHECK, "m\\2super\\", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 5, 40, 80, 12}}};

}  // namespace

TEST_F(UnitControlsTest, DialogPlaceholdersBecomeUnitControlsAndValuesGoThroughDDX) {
    CResistorDlg dialog;
    ASSERT_TRUE(dialog.CreateIndirect(kResistorTemplate, nullptr));
    CDialog plain;
    ASSERT_TRUE(plain.CreateIndirect(kResistorTemplate, nullptr));
    for (UINT id : {IDC_VALUE, IDC_LABEL, IDC_CHECK})
        EXPECT_EQ(uitest::ChildRect(&dialog, id), uitest::ChildRect(&plain, id)) << id;
    EXPECT_EQ(dialog.GetDlgItem(IDC_VALUE), &dialog.valueEdit);
    EXPECT_EQ(dialog.GetDlgItem(IDC_UNIT), &dialog.unitCombo);
    EXPECT_EQ(dialog.valueEdit.GetUnitList().GetSize(), 6);
    EXPECT_EQ(dialog.unitCombo.GetCount(), 6);
    EXPECT_TRUE(dialog.unitCombo.GetStyle() & WS_VSCROLL);
    // The placeholder's height already holds the list: it drops as low as the plain one's.
    CRect unitList, plainList;
    dialog.unitCombo.GetDroppedControlRect(&unitList);
    plain.GetDlgItem(IDC_UNIT)->SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&plainList));
    EXPECT_EQ(unitList.Height(), plainList.Height());
    EXPECT_EQ(dialog.check.GetUnitText(), "m\\2super\\");
    CString labelText;
    dialog.label.GetWindowTextA(labelText);
    EXPECT_EQ(labelText, "k\\Ohm\\");
    // The edit keeps its place in the z-order (after the caption before it).
    EXPECT_EQ(dialog.valueEdit.GetNextWindow(GW_HWNDPREV), dialog.GetDlgItem(IDC_BEFORE));
    // DDX_TBDouble shows the value as an engineering number and reads it back.
    EXPECT_EQ(dialog.valueEdit.GetWindowText(), "4.7k");
    dialog.valueEdit.SetWindowText("10m");
    ASSERT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_DOUBLE_EQ(dialog.value, 0.01);
    // Not attached to a placeholder: nothing to replace.
    CTBUnitStatic loose;
    EXPECT_EQ(loose.CreateDialogControl(), 0);
    dialog.DestroyWindow();
    plain.DestroyWindow();
}

TEST(UnitNotation, EscapesBecomeSymbolsAndOtherNamesStayText) {
    EXPECT_EQ(TBUnitNotationText("k\\Ohm\\"), "k\xCE\xA9");
    EXPECT_EQ(TBUnitNotationText("100 \\mu\\F"), "100 \xC2\xB5"
                                                 "F");
    EXPECT_EQ(TBUnitNotationText("m\\2super\\"), "m\xC2\xB2");
    EXPECT_EQ(TBUnitNotationText("\\deg\\C"), "\xC2\xB0"
                                              "C");
    EXPECT_EQ(TBUnitNotationText("mm^2/m"), "mm\xC2\xB2/m");
    EXPECT_EQ(TBUnitNotationText("\\AA\\ \\Omega\\ \\3super\\\\4super\\\\5super\\"),
              "\xC3\x85 \xCE\xA9 \xC2\xB3\xE2\x81\xB4\xE2\x81\xB5");
    EXPECT_EQ(TBUnitNotationText("\\other\\s"), "others");
    EXPECT_EQ(TBUnitNotationText("open\\Ohm"), "open\\Ohm");  // an unclosed escape stays as written
    EXPECT_EQ(TBUnitNotationText(""), "");
}
