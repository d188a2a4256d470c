/// \file
/// \brief The "Calculator" dialog: the user writes one formula (an expression, an assignment or a conditional block) with the host's variables and a catalogue of functions, operators and constants.
// The "Calculator" dialog: the user writes one formula (an expression, an assignment
// or a conditional block) with the host's variables and a catalogue of functions,
// operators and constants, and the formula is checked with the formula plug-ins
// before the host receives it.
#pragma once

#include <toolbox/types/maps.h>
#include <toolbox/ui/editors.h>
#include <toolbox/ui/tb_dialog.h>

#include <memory>
#include <vector>

/// Dialog template of the calculator.
constexpr UINT IDD_TB_CALCULATION = 4304;

class CTBInactiveCaret;
struct CTBFormulaCategory;

/// The calculator's base: the resizing dialog, which takes the anchors of GetAnchors.
typedef CTBDialog CTBDlgCalculationBase;

/// The calculator. Configure it with InitDialog, then DoModal: OK returns only after a
/// successful check, and the take-formula callback has the formula by then.
///
/// Check flags: 1 the formula must be an assignment, 2 an assignment is allowed,
/// 4 the variable assigned to need not be known, 8 conditional blocks are allowed. An
/// assignment is forbidden when 1 and 2 are clear, a conditional block when 1, 4 and 8
/// are clear.
class TB_EXPORT CTBDlgCalculation : public CTBDlgCalculationBase {
public:
    typedef void (*FillVariablesProc)(CMapStringToString& variables);  ///< name -> description
    /// Called when the dialog opens: fills formula with the text to start with.
    typedef void (*GetFormulaProc)(CString& formula);
    /// Called on OK with the checked formula.
    typedef void (*TakeFormulaProc)(CString formula);

    /// The calculator owned by parent; configure it with InitDialog before DoModal.
    explicit CTBDlgCalculation(CWnd* parent = nullptr);
    ~CTBDlgCalculation() override;

    /// Stores the configuration; each callback may be null.
    void InitDialog(long flags, FillVariablesProc fillVariables, GetFormulaProc getFormula,
                    TakeFormulaProc takeFormula);
    /// The check flags InitDialog stored.
    long GetCheckFlags() const { return m_flags; }

    /// The anchor flags of the template's controls (id, flags), for the resizing
    /// dialog base.
    struct AnchorInfo {
        WORD id;  ///< Control id.
        WORD flags;  ///< Anchor flags of the control.
    };
    /// The anchors of the calculator template's controls: which edges each control keeps its distance to when the dialog is resized.
    static const std::vector<AnchorInfo>& GetAnchors();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    /// Builds the catalogue of functions, operators and constants by category.
    void FillFunctionArray();
    /// Drops the catalogue.
    void FreeFunctionArray();
    /// Replaces the formula's selection by text and a blank.
    void InsertSymbol(const char* text);
    /// Inserts "name( ) " at the caret, or makes the selection the function's argument.
    void InsertFunction(const char* name);
    /// The check; non-zero when the formula is acceptable. Messages go to message boxes.
    virtual BOOL ParsString(CString formula);

    /// Shows the entries of the selected category.
    void OnSelChangeCategories();
    /// Inserts the double-clicked entry (a function with its parentheses).
    void OnDblClkEntries();
    /// Inserts the double-clicked variable's name.
    void OnDblClkVariables();
    /// Selects the first variable starting with the text typed in the find field.
    void OnChangeFind();
    /// Checks the formula (messages in message boxes) and gives the focus back to it.
    void OnTest();

    DECLARE_MESSAGE_MAP()

private:
    void FillEntryList();
    void FillVariableList();
    void ReplaceSelection(const CString& text, bool caretAtStart);
    void GiveFocusToFormula();
    CString GetFormula() const;

    long m_flags = 0;
    FillVariablesProc m_fillVariables = nullptr;
    GetFormulaProc m_getFormula = nullptr;
    TakeFormulaProc m_takeFormula = nullptr;
    CMapStringToString m_variables;
    std::vector<CString> m_variableNames;  // the name behind each line of the variable list
    std::vector<CTBFormulaCategory> m_categories;
    CTBInactiveCaret* m_caret = nullptr;  // belongs to the formula edit's widget
    CTBOwnEdit m_formulaEdit;              // the template's edits 4009 and 4010
    CTBOwnEdit m_findEdit;
};
