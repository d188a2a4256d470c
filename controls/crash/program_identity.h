// What the desktop knows about a program: its name and icon, from its desktop entry
// (freedesktop.org applications folders), the icon theme or icon files beside it.
#pragma once

#include <QIcon>
#include <QString>

#include <toolbox/types/cstring.h>

/// The program's description: the Name of its desktop entry, else its file name up
/// to the first ".".
QString TBProgramDescription(const QString& programPath);
/// The program's icon: its desktop entry's icon, the theme's icon of its name, an icon
/// file beside it or in ../share; the style's error icon when none is found.
QIcon TBProgramIcon(const QString& programPath);

class CWnd;
/// Shows the program's icon as the dialog's window icon and in its icon control id.
void TBSetProgramIcon(CWnd* dialog, unsigned id, const CString& programPath);
