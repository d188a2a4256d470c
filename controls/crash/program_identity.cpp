// Finding a program's name and icon the way the desktop shows them.
#include "controls/crash/program_identity.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyle>
#include <QTextStream>

#include <optional>

namespace {

struct DesktopEntry {
    QString name;
    QString icon;
    QString exec;
};

QStringList ApplicationFolders() {
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty()) home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) dirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList folders = {home + QStringLiteral("/applications")};
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << dir + QStringLiteral("/applications");
    return folders;
}

std::optional<DesktopEntry> ReadDesktopEntry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return std::nullopt;
    DesktopEntry entry;
    bool inMainGroup = false;
    QTextStream in(&file);
    // Desktop entries are small; a file beyond this is no desktop entry.
    for (int lines = 0; !in.atEnd() && lines < 10000; ++lines) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup) continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        const QString key = line.left(eq).trimmed(), value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
        else if (key == QLatin1String("Exec"))
            entry.exec = value;
    }
    return entry;
}

// The program an Exec line starts: its first word without quotes.
QString ExecProgram(const QString& exec) {
    QString first = exec.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    if (first.startsWith(QLatin1Char('"'))) first = exec.section(QLatin1Char('"'), 1, 1);
    return first;
}

QString BaseName(const QString& programPath) { return QFileInfo(programPath).fileName().section(QLatin1Char('.'), 0, 0); }

/// The desktop entry named after the program, else the first whose Exec starts it.
std::optional<DesktopEntry> FindDesktopEntry(const QString& programPath) {
    const QFileInfo program(programPath);
    const QStringList folders = ApplicationFolders();
    for (const QString& folder : folders) {
        const QString named = folder + QLatin1Char('/') + BaseName(programPath) + QStringLiteral(".desktop");
        if (QFileInfo::exists(named))
            if (auto entry = ReadDesktopEntry(named)) return entry;
    }
    for (const QString& folder : folders) {
        const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.desktop")}, QDir::Files);
        for (const QFileInfo& file : files) {
            auto entry = ReadDesktopEntry(file.filePath());
            if (!entry) continue;
            const QString started = ExecProgram(entry->exec);
            if (started == program.absoluteFilePath() || started == program.fileName()) return entry;
        }
    }
    return std::nullopt;
}

QIcon IconFile(const QString& path) {
    if (!QFileInfo(path).isFile()) return QIcon();
    QIcon icon(path);
    return icon.availableSizes().isEmpty() && icon.pixmap(32).isNull() ? QIcon() : icon;
}

}  // namespace

QString TBProgramDescription(const QString& programPath) {
    const auto entry = FindDesktopEntry(programPath);
    if (entry && !entry->name.isEmpty()) return entry->name;
    return BaseName(programPath);
}

QIcon TBProgramIcon(const QString& programPath) {
    const QString base = BaseName(programPath);
    if (const auto entry = FindDesktopEntry(programPath); entry && !entry->icon.isEmpty()) {
        QIcon icon = QDir::isAbsolutePath(entry->icon) ? IconFile(entry->icon) : QIcon::fromTheme(entry->icon);
        if (!icon.isNull()) return icon;
    }
    if (QIcon themed = QIcon::fromTheme(base); !themed.isNull()) return themed;
    const QString dir = QFileInfo(programPath).absolutePath();
    for (const QString& candidate :
         {dir + QLatin1Char('/') + base + QStringLiteral(".png"), dir + QLatin1Char('/') + base + QStringLiteral(".svg"),
          dir + QLatin1Char('/') + base + QStringLiteral(".ico"),
          dir + QStringLiteral("/../share/icons/hicolor/48x48/apps/") + base + QStringLiteral(".png"),
          dir + QStringLiteral("/../share/pixmaps/") + base + QStringLiteral(".png")}) {
        if (QIcon icon = IconFile(candidate); !icon.isNull()) return icon;
    }
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical);
}
