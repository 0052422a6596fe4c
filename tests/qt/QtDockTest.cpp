#include "platform/qt/QtDock.h"

#include <QApplication>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolTip>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "TavrinDocky.h"
#include "platform/TestPlatform.h"
#include "platform/application.h"

// The host's dock with the real icon and real pictures, registered as the program registers it. On the
// offscreen platform (and on a bare X server) the icon is a docklet window. With TAVRIN_DOCK_X set the
// test runs on the X server of DISPLAY, expects the view it names ("tray" or "docklet") and clicks
// through the X server with xdotool.

namespace {

const std::string gXView = getenv("TAVRIN_DOCK_X") ? getenv("TAVRIN_DOCK_X") : "";

// Pumps Qt until `done` holds; false after 20 s.
template<typename Done> bool WaitFor(Done done)
{
    return QTest::qWaitFor(done, 20000);
}

QColor Colour(int state)
{
    return QColor::fromHsv(state * 60, 200, 230);
}

// What shows the icon, the docklet window or the tray icon: its kind, picture, tooltip and place.
struct Shown {
    QString kind;
    QImage picture;
    QString toolTip;
    QRect place;
    bool Shows(int state, const QString &tip) const
    {
        return picture.pixel(10, 10) == Colour(state).rgb() && toolTip == tip;
    }
};
Shown Icon()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "TavrinDocklet" && w->isVisible())
            return {"docklet", w->grab().toImage(), w->toolTip(), w->frameGeometry()};
    }
    tavrin::qt::DockHost *dock = tavrin::qt::CurrentDock();
    QSystemTrayIcon *tray = dock ? dock->findChild<QSystemTrayIcon *>("TavrinTrayIcon") : nullptr;
    if (tray && tray->isVisible())
        return {"tray", tray->icon().pixmap(48, 48).toImage(), tray->toolTip(), tray->geometry()};
    return {};
}

// The pointer moves onto the icon, which is never the active window, and clicks there when asked.
// Without the click it rests beside the centre, so that the click's move to the centre is a move
// (xdotool's --sync waits for one).
void PointAtIcon(bool click)
{
    const QPoint at = Icon().place.center() - (click ? QPoint() : QPoint(2, 2));
    QWidget *docklet = QApplication::topLevelAt(at);
    if (gXView.empty())
        return click ? QTest::mouseClick(docklet, Qt::LeftButton)
                     : QTest::mouseMove(docklet, docklet->mapFromGlobal(at));
    const QStringList move {"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())};
    QProcess::execute("xdotool", click ? move + QStringList {"click", "1"} : move);
}

TEST(DockHost, IconShowsItsStateTicksTakesTheClickAndGoesWithTheRegistration)
{
    testplat::Devices devices; // RAM: holds the skin pictures, too
    if (!gXView.empty())
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    int argc = 1;
    char *argv[] = {const_cast<char *>("QtDockTest"), nullptr};
    QApplication app(argc, argv);
    tavrin::qt::InstallDock();
    if (gXView == "tray")
        WaitFor(QSystemTrayIcon::isSystemTrayAvailable); // the tray may still be starting
    gb_PrgTask = exec::FindTask(nullptr);
    Strlcpy(gb_SkinPath, devices.ram().c_str(), sizeof(gb_SkinPath));
    for (int i = 0; i < int(PICTURE_COUNT); i++) {
        QImage picture(48, 48, QImage::Format_ARGB32);
        picture.fill(Colour(i));
        ASSERT_TRUE(picture.save(QString::fromStdString(devices.ram() + "TR" + std::to_string(i) + ".png")));
    }
    ASSERT_TRUE(LoadAllPictures());
    void *library = CreateDockyLibrary();
    application::ApplicationIconInfo aii {application::APPICONT_Docky, library};
    uint32_t appID = application::RegisterApplication(nullptr, {nullptr, "test", true, &aii, false, nullptr});
    ASSERT_NE(appID, 0u);

    ASSERT_TRUE(WaitFor([] { return !Icon().kind.isEmpty(); }));
    EXPECT_EQ(Icon().kind.toStdString(), gXView.empty() ? "docklet" : gXView);
    EXPECT_TRUE(Icon().Shows(
        State_check, "Tavrin: Suche nach neuen News ...\nNoch nicht geprüft")); // armed by the frame-delay query
    ASSERT_TRUE(
        WaitFor([] { return (exec::SetSignal(0, 0) & SIGBREAKF_CTRL_E) != 0; })); // the first check falls due at once
    gb_DockyData.load()->state = State_german;
    EXPECT_TRUE(WaitFor(
        [] { return Icon().Shows(State_german, "Tavrin: Neue deutsche News liegen vor !\nNoch nicht geprüft"); }));
    if (Icon().kind == "docklet") { // a tray shows the tooltip itself
        PointAtIcon(false);
        EXPECT_TRUE(WaitFor([] { return QToolTip::isVisible() && QToolTip::text() == Icon().toolTip; }))
            << "the docklet's tooltip does not show";
    }
    PointAtIcon(true);
    EXPECT_TRUE(WaitFor([] { return (exec::SetSignal(0, 0) & SIGBREAKF_CTRL_F) != 0; }));

    application::UnregisterApplication(appID);
    EXPECT_EQ(tavrin::qt::CurrentDock(), nullptr);
    EXPECT_TRUE(Icon().kind.isEmpty());
    DeleteDockyLibrary(library);
    FreeAllPictures();
    gb_PrgTask = nullptr;
}

} // namespace
