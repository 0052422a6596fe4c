#include <QString>
#include <QUrl>
#include <string>

#include "platform/notify.h"
#include "platform/posix/SessionBus.h"
#include "platform/qt/QtAppIcon.h"
#include "platform/qt/QtWindowText.h"

// Notifications go to the freedesktop notification service on the session bus. Each one opens its own
// connection and closes it afterwards: the bus may come and go while the program runs. The exchange is
// bounded and ends on a quit (session_bus::Send), so a bus or a service that hangs holds nothing.

namespace {

const std::string kService = "org.freedesktop.Notifications";
const std::string kPath = "/org/freedesktop/Notifications";

std::string gReason;

const char *Reason(const char *what, const std::string &detail = {})
{
    gReason = what;
    if (!detail.empty())
        gReason += " (" + detail + ")";
    return gReason.c_str();
}

std::string Utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

std::string IconUrl()
{
    const QString file = qt_icon::IconFile();
    return file.isEmpty() ? std::string() : Utf8(QUrl::fromLocalFile(file).toString());
}

} // namespace

namespace notify {

const char *Notify(uint32_t, const char *title, const char *text)
{
    session_bus::Call call(kService, kPath, kService, "Notify");
    call.String("Tavrin")
        .Uint32(0)
        .String(IconUrl())
        .String(Utf8(tavrin::qt::ProgramText(title)))
        .String(Utf8(tavrin::qt::ProgramText(text)))
        .EmptyArray("s", 4)
        .EmptyArray("{sv}", 8)
        .Int32(-1);
    const session_bus::Reply reply = session_bus::Send(call);
    switch (reply.kind) {
    case session_bus::Reply::Returned:
        return nullptr;
    case session_bus::Reply::NoBus:
        return Reason("no session bus", reply.error);
    case session_bus::Reply::Quit:
        return Reason("no notification", reply.error);
    case session_bus::Reply::NoReply:
        return Reason("notification failed", reply.error);
    case session_bus::Reply::Error:
        break;
    }
    if (reply.error.rfind("org.freedesktop.DBus.Error.ServiceUnknown", 0) == 0)
        return Reason("no notification service");
    return Reason("notification failed", reply.error);
}

} // namespace notify
