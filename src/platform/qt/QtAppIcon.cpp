#include "platform/qt/QtAppIcon.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QIcon>

#include "platform/dos.h"

namespace {

QString Resolved(const char *devicePath)
{
    char host[4096];
    return dos::ResolvePath(devicePath, host, sizeof(host)) ? QDir::cleanPath(QString::fromLocal8Bit(host)) : QString();
}

// The installed icon in all its sizes (<prefix>/share/icons/hicolor/<size>/apps/tavrin.png beside
// <prefix>/bin, which the icon theme does not search for every prefix), else PROGDIR:Tavrin.png
// of a program run where it was built.
QStringList IconFiles()
{
    QStringList files;
    QDirIterator sizes(
        Resolved("PROGDIR:../share/icons/hicolor"), {"tavrin.png"}, QDir::Files, QDirIterator::Subdirectories);
    while (sizes.hasNext())
        files << sizes.next();
    const QString built = Resolved("PROGDIR:Tavrin.png");
    if (files.isEmpty() && QFileInfo::exists(built))
        files << built;
    return files;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const QString &file : IconFiles())
        icon.addFile(file);
    return icon;
}

} // namespace

namespace qt_icon {

void Install()
{
    QGuiApplication::setDesktopFileName("tavrin");
    // A theme of the user's that draws its own "tavrin" icon wins.
    QApplication::setWindowIcon(QIcon::fromTheme("tavrin", ProgramIcon()));
}

QString IconFile()
{
    const QStringList files = IconFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace qt_icon
