#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "platform/LoopbackServer.h"
#include "platform/Program.h"
#include "platform/TestPlatform.h"

// The dock icon on a panel that hosts StatusNotifierItems: a watcher of the test's own on the private
// session bus that tests/qt/dock-under-x starts, the real program on a private X server without an
// XEmbed tray. The item's picture and tooltip are read over D-Bus as a panel reads them, its Activate
// called as a panel calls it, and the X server's windows listed with xdotool.

namespace {

constexpr char kItemInterface[] = "org.kde.StatusNotifierItem";
constexpr char kNewsWindow[] = "Kestrel Review Newsübersicht";

// Whether the tooltip names the state and, without network, why the last check failed (here: the server
// is gone). The lines between are the dock's unit tests' concern.
bool ShowsToolTip(const QString &shown, int state)
{
    const char *const kStates[] = {"Keine neuen News", "Neue deutsche News liegen vor !", nullptr, nullptr,
        "Suche nach neuen News ...", "Kein Netzwerk"};
    return shown.startsWith(QString("Tavrin: ") + QString::fromUtf8(kStates[state]) + "\n")
        && shown.endsWith(state == 5 ? "\nVerbindung abgewiesen" : "");
}

// Each state's skin picture is of one colour of its own.
QRgb Colour(int state)
{
    return QColor::fromHsv(state * 60, 200, 230).rgba();
}

// The part of the StatusNotifierWatcher interface that Qt's tray icon uses: items register with it, and
// it tells them that a host (the panel) shows them.
class Watcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

public:
    QStringList items;
    bool hostRegistered() const { return true; }

public slots:
    // An item names its bus name, or only its object path (then the sender is its bus name).
    void RegisterStatusNotifierItem(const QString &service, const QDBusMessage &message)
    {
        items << (service.startsWith('/') ? message.service() : service);
    }
};

QDBusArgument ItemProperty(const QString &service, const char *name)
{
    QDBusMessage get
        = QDBusMessage::createMethodCall(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get");
    get << QString(kItemInterface) << QString(name);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant().value<QDBusArgument>();
}

// An array of pictures (width, height, ARGB32 in network byte order): the colour in the first one's
// middle, or 0 when there is none.
QRgb FirstPictureColour(const QDBusArgument &pictures)
{
    QRgb colour = 0;
    pictures.beginArray();
    while (!pictures.atEnd()) {
        int width = 0, height = 0;
        QByteArray argb;
        pictures.beginStructure();
        pictures >> width >> height >> argb;
        pictures.endStructure();
        const qsizetype at = (qsizetype(height / 2) * width + width / 2) * 4;
        if (!colour && width > 0 && height > 0 && argb.size() == qsizetype(width) * height * 4)
            colour = qRgba(uchar(argb[at + 1]), uchar(argb[at + 2]), uchar(argb[at + 3]), uchar(argb[at]));
    }
    pictures.endArray();
    return colour;
}

// The item's tooltip as the panel shows it. ToolTip holds an icon name, pictures, a title and a text;
// tray icons put their whole tooltip into the title.
QString ToolTip(const QString &service)
{
    const QDBusArgument toolTip = ItemProperty(service, "ToolTip");
    QString iconName, title, text;
    if (toolTip.currentType() == QDBusArgument::StructureType) {
        toolTip.beginStructure();
        toolTip >> iconName;
        FirstPictureColour(toolTip);
        toolTip >> title >> text;
        toolTip.endStructure();
    }
    return title;
}

// The names of the windows that the X server shows (the root window, which has none, left out).
QStringList VisibleWindows()
{
    QProcess xdotool;
    xdotool.start("xdotool", {"search", "--onlyvisible", "--name", "", "getwindowname", "%@"});
    xdotool.waitForFinished();
    return QString::fromUtf8(xdotool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// Them as a failure message shows them.
std::string Listed(const QStringList &windows)
{
    return windows.join(", ").toStdString();
}

// Waits until the item shows the state: the colour in the middle of its first picture, and its tooltip.
bool Becomes(const QString &service, int state)
{
    return QTest::qWaitFor(
        [&] {
            return FirstPictureColour(ItemProperty(service, "IconPixmap")) == Colour(state)
                && ShowsToolTip(ToolTip(service), state);
        },
        20000);
}

TEST(StatusNotifierItem, RegistersWithThePictureAndTooltipOpensTheWindowAndNoDockletAppears)
{
    int argc = 1;
    char *argv[] = {const_cast<char *>("StatusNotifierTest"), nullptr};
    QCoreApplication app(argc, argv);
    Watcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerObject("/StatusNotifierWatcher", &watcher, QDBusConnection::ExportAllContents));
    ASSERT_TRUE(bus.registerService("org.kde.StatusNotifierWatcher")) << "no private session bus";

    testplat::Devices devices(true);
    const std::string skin = devices.home() + "skins/standard/";
    std::filesystem::create_directories(skin);
    for (int state = 0; state < 6; state++) {
        QImage picture(48, 48, QImage::Format_ARGB32);
        picture.fill(Colour(state));
        ASSERT_TRUE(picture.save(QString::fromStdString(skin + "TR" + std::to_string(state) + ".png")));
    }
    auto feeds = std::make_unique<LoopbackServer>(LoopbackServer::Mode::Repeat,
        "HTTP/1.0 200 OK\r\nContent-Type: application/rss+xml\r\n\r\n" + testplat::TestData("kestrel-de.rss"));
    testplat::Program tavrin("env -u QT_QPA_PLATFORM -u LC_ALL -u LC_MESSAGES LANG=C $TAVRIN_BUILD_DIR/tavrin"
                             " --workbench NEWSURL=localhost NEWSADR="
        + feeds->address());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher.items.isEmpty(); }, 20000)) << "no item registered";
    const QString item = watcher.items.first();
    // The first check runs at once and finds the German news new.
    EXPECT_TRUE(Becomes(item, 1)) << ToolTip(item).toStdString();
    EXPECT_EQ(Listed(VisibleWindows()), "") << "a docklet beside the item";

    QDBusMessage activate = QDBusMessage::createMethodCall(item, "/StatusNotifierItem", kItemInterface, "Activate");
    activate << 0 << 0;
    bus.call(activate, QDBus::NoBlock);
    EXPECT_TRUE(QTest::qWaitFor([] { return VisibleWindows() == QStringList {kNewsWindow}; }, 20000))
        << Listed(VisibleWindows());
    EXPECT_TRUE(Becomes(item, 0)); // the window shows the German news, which are seen now

    // Without the server the check fails: its requester first, then the state of no network.
    feeds.reset();
    kill(tavrin.pid, SIGUSR1);
    ASSERT_TRUE(QTest::qWaitFor([] { return VisibleWindows().contains("Tavrin"); }, 20000));
    QProcess::execute(
        "xdotool", {"search", "--onlyvisible", "--name", "^Tavrin$", "windowfocus", "--sync", "key", "Return"});
    EXPECT_TRUE(Becomes(item, 5)) << ToolTip(item).toStdString();
    EXPECT_EQ(Listed(VisibleWindows()), kNewsWindow);

    kill(tavrin.pid, SIGTERM);
    EXPECT_EQ(tavrin.Exit(), 0);
}

} // namespace

#include "StatusNotifierTest.moc"
