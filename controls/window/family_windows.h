// The windows of the control families. A family whose windows answer the dialog hub's
// requests registers them from its own source with a CFamilyWindows at namespace
// scope; the window layer calls every such registration each time it starts, so it
// knows no family itself:
//     const CFamilyWindows kWindows(TBRegisterExchangeWindows);
#pragma once

/// Registers a family's windows with TBRegisterModalWindow.
using TBWindowRegistration = void (*)();

/// Adds a family's window registration while the library loads.
class CFamilyWindows {
public:
    explicit CFamilyWindows(TBWindowRegistration registration);
};

/// Calls every family's window registration (the layer does this when it starts).
void TBRegisterFamilyWindows();
