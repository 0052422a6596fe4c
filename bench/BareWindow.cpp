// The memory baseline of the start bench: an empty Qt window. Once it is shown, a file "shown" is
// renamed into the directory given, which tells the bench that the window is up.
//
//   tavrin_barewindow <directory>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QWidget window;
    window.resize(600, 400);
    window.show();
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QTimer::singleShot(0, [&dir] {
        QFile file(dir.filePath(".shown"));
        if (file.open(QIODevice::WriteOnly))
            file.close();
        QFile::rename(file.fileName(), dir.filePath("shown"));
    });
    return app.exec();
}
