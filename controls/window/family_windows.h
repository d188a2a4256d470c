// The windows of the control families. A family whose windows answer the dialog hub's
// requests registers them from its own source with a CFamilyWindows at namespace
// scope; the window layer calls every such registration each time it starts, so it
// knows no family itself:
//     const CFamilyWindows kWindows(TBRegisterExchangeWindows);
// A family's dialog templates are registered the same way (CFamilyDialogTemplates), so
// that TBFindDialogTemplate finds them without the layer naming them.
#pragma once

#include <toolbox/ui/dialog.h>

#include <cstddef>
#include <vector>

/// Registers a family's windows with TBRegisterModalWindow.
using TBWindowRegistration = void (*)();

/// Adds a family's window registration while the library loads.
class CFamilyWindows {
public:
    explicit CFamilyWindows(TBWindowRegistration registration);
};

/// Calls every family's window registration (the layer does this when it starts).
void TBRegisterFamilyWindows();

/// Adds a family's dialog templates to those TBFindDialogTemplate finds, while the
/// library loads; the templates must live as long as the library.
class CFamilyDialogTemplates {
public:
    CFamilyDialogTemplates(const CDialogTemplate* templates, std::size_t count);
};

/// The family template with id; null when no family registered one.
const CDialogTemplate* TBFindFamilyDialogTemplate(UINT id);

/// Adds the ids of every family's templates to ids.
void TBAddFamilyDialogTemplateIds(std::vector<UINT>& ids);
