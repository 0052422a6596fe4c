#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSocketNotifier>

#include "platform/host.h"
#include "platform/qt/QtWindowText.h"
#include "platform/requester.h"

struct requester::Object {
    QMessageBox *box;
};

namespace requester {

Object *NewRequester(const char *title, const char *body, const char *button)
{
    // Without a GUI application (no display) no requester can exist.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    auto *box = new QMessageBox;
    box->setWindowTitle(tavrin::qt::ProgramText(title));
    box->setTextFormat(Qt::PlainText);
    box->setText(tavrin::qt::ProgramText(body));
    box->setIcon(QMessageBox::NoIcon);
    QPushButton *b = box->addButton(tavrin::qt::MnemonicLabel(button), QMessageBox::AcceptRole);
    box->setDefaultButton(b);
    box->setEscapeButton(b);
    return new Object {box};
}

// A quit from outside closes the requester as if its button were pressed, also one that is pending
// already: the notifier then fires at once.
int OpenRequester(Object *req)
{
    QSocketNotifier quit(exec_host::QuitFd(), QSocketNotifier::Read);
    QObject::connect(&quit, &QSocketNotifier::activated, req->box, &QDialog::accept);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        req->box->adjustSize();
        QRect area = screen->availableGeometry();
        req->box->move(area.center() - req->box->rect().center());
    }
    req->box->exec();
    return 0;
}

void DisposeObject(Object *req)
{
    if (!req)
        return;
    delete req->box;
    delete req;
}

} // namespace requester
