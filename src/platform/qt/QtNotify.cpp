#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QFile>
#include <QUrl>
#include <QVariantMap>
#include <string>
#include <sys/stat.h>

#include "platform/notify.h"
#include "platform/qt/QtAppIcon.h"
#include "platform/qt/QtWindowText.h"

// Notifications go to the freedesktop notification service on the session bus. Each one opens its own
// connection and closes it afterwards: the bus may come and go while the program runs, and a
// connection that Qt kept would stay tied to the bus it first found.

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kConnection = QStringLiteral("tavrin-notify");
constexpr int kReplyTimeoutMs = 1000;

std::string gReason;

const char *Reason(const char *what, const QString &detail = {})
{
    gReason = what;
    if (!detail.isEmpty())
        gReason += " (" + detail.toStdString() + ")";
    return gReason.c_str();
}

// The session bus as the D-Bus library finds it: the address in the environment, else the user's
// bus socket in the runtime directory.
QString SessionBusAddress()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
    struct stat st;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") || stat(QFile::encodeName(socket).constData(), &st) != 0
        || !S_ISSOCK(st.st_mode))
        return {};
    return QStringLiteral("unix:path=") + socket;
}

QString IconUrl()
{
    const QString file = qt_icon::IconFile();
    return file.isEmpty() ? QString() : QUrl::fromLocalFile(file).toString();
}

const char *Send(QDBusConnection &bus, const char *title, const char *text)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << QStringLiteral("Tavrin") << uint(0) << IconUrl() << tavrin::qt::ProgramText(title)
         << tavrin::qt::ProgramText(text) << QStringList() << QVariantMap() << int(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kReplyTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return nullptr;
    if (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"))
        return Reason("no notification service");
    return Reason("notification failed", reply.errorMessage());
}

} // namespace

namespace notify {

const char *Notify(uint32_t, const char *title, const char *text)
{
    // Qt's D-Bus connections need the application object's event machinery.
    if (!QCoreApplication::instance())
        return Reason("no session bus", QStringLiteral("no Qt application"));
    const QString address = SessionBusAddress();
    if (address.isEmpty())
        return Reason("no session bus");
    const char *result;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, kConnection);
        result = bus.isConnected() ? Send(bus, title, text) : Reason("no session bus", bus.lastError().message());
    }
    QDBusConnection::disconnectFromBus(kConnection);
    return result;
}

} // namespace notify
