// The rules of the table dialog ("Table Properties"), without a window: the engine
// lists the tables of a database or workbook in it and takes the user's choice. The
// window layer shows it through the dialog hub; tests answer it directly.
#pragma once

#include "platform/os/dialog_hub.h"
#include "platform/types/types.h"

/// Dialog template id of the table dialog.
constexpr UINT IDD_TABLE_PROPERTIES = 4306;

/// A drop-down list under "Table Name" with the table names in the order given, the
/// first selected on opening; OK keeps the index of the entry selected.
class TB_EXPORT CTableDialogRules : public CModalRequest {
public:
    explicit CTableDialogRules(const CStringArray& names) { Names.Copy(names); }
    UINT GetTemplateId() const override { return IDD_TABLE_PROPERTIES; }

    CStringArray Names;  ///< entries of the list
    int Selected = 0;    ///< index of the chosen entry (the first on opening)
};
