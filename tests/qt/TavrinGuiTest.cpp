#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

#include "Tavrin.h"
#include "platform/TestPlatform.h"
#include "platform/qt/QtPump.h"
#include "platform/qt/QtWindow.h"
#include "platform/qt/QtWindowText.h"

namespace {

class MainWindowTest : public testing::Test {
protected:
    // One application for all the window's tests, with devices (RAM:, where the public port lives) of its
    // own. The settings window's loop waits with Qt running, as in the program.
    static void SetUpTestSuite()
    {
        devices = new testplat::Devices;
        app = new QApplication(argc, argv);
        qt_pump::Install();
    }
    static void TearDownTestSuite()
    {
        delete app;
        delete devices;
    }
    static inline int argc = 1;
    static inline char *argv[2] = {const_cast<char *>("TavrinGuiTest"), nullptr};
    static inline testplat::Devices *devices;
    static inline QApplication *app;

    void TearDown() override { DestroyAllObjects(); }

    // Opens the main window at the stored edges (0: centred) and shows a bold and a plain row in its list.
    void Open(QPoint edges = {}, QSize size = {520, 380})
    {
        gb_WinLeft = edges.x();
        gb_WinTop = edges.y();
        gb_WinWidth = size.width();
        gb_WinHeight = size.height();
        ASSERT_TRUE(CreateAllObjects());
        gb_Win = gui::WM_OPEN(gb_WindowObj);
        main = dynamic_cast<tavrin::qt::WindowObject &>(*gb_WindowObj).window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
        exec::NewList(&list);
        for (gui::ListBrowserNode &row : rows)
            exec::AddTail(&list, &row.ln);
        gui::SetListBrowserLabels(gb_NewslistGad, &list, -1);
    }
    static uint32_t Next() { return gui::WM_HANDLEINPUT(gb_WindowObj); }
    QTreeWidget *View() const { return main->findChild<QTreeWidget *>(); }
    QPoint SecondRow() const { return View()->visualItemRect(View()->topLevelItem(1)).center(); }

    QMainWindow *main = nullptr;
    gui::ListBrowserNode rows[2] = {{{}, {"28.10.2019", "Neu"}, true, nullptr}, {{}, {"", "Alt"}, false, nullptr}};
    exec::List list;
};

// Gadgets, menu and close button only report, and nothing does while the window is busy.
TEST_F(MainWindowTest, InputReachesTheQueueUnlessBusy)
{
    Open();
    // A button reports the id the program gave it; so does the list (below).
    for (QPushButton *button : main->findChildren<QPushButton *>())
        if (button->text() == "&Prefs")
            QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_NE(exec::SetSignal(0, ~0u) & gui::WindowSigMask(gb_WindowObj), 0u);
    EXPECT_EQ(Next(), gui::WMHI_GADGETUP | GID_Prefs);
    for (QAction *item : main->menuBar()->actions()[0]->menu()->actions())
        item->trigger();
    EXPECT_EQ(Next(), gui::WMHI_MENUPICK | 0xF800);
    EXPECT_EQ(Next(), gui::WMHI_MENUPICK | 0xF820);
    EXPECT_FALSE(main->close()) << "the window must stay open";
    EXPECT_EQ(Next(), gui::WMHI_CLOSEWINDOW);
    EXPECT_EQ(Next(), gui::WMHI_LASTMSG);

    gui::SetBusyPointer(gb_WindowObj, true);
    QTest::mouseClick(main->findChild<QPushButton *>(), Qt::LeftButton);
    QTest::keyClick(main->windowHandle(), Qt::Key_A);
    EXPECT_EQ(Next(), gui::WMHI_LASTMSG);
    gui::SetBusyPointer(gb_WindowObj, false);
    QTest::keyClick(main->windowHandle(), Qt::Key_E);
    EXPECT_EQ(Next(), gui::WMHI_RAWKEY | gui::RawKeyOf('e'));
}

TEST_F(MainWindowTest, BoldRowsAndSingleOrDoubleRelease)
{
    Open();
    EXPECT_TRUE(View()->topLevelItem(0)->font(1).bold());
    EXPECT_FALSE(View()->topLevelItem(1)->font(1).bold());

    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, SecondRow());
    EXPECT_EQ(Next(), gui::WMHI_GADGETUP | 4);
    EXPECT_EQ(gui::ListBrowserRelEvent(gb_NewslistGad), gui::LBRE_NORMAL);
    EXPECT_EQ(gui::ListBrowserSelectedNode(gb_NewslistGad), &rows[1]);

    // Through the native window, so that press-release-press-release comes as a desktop sends it.
    QTest::mouseDClick(main->windowHandle(), Qt::LeftButton, {}, View()->viewport()->mapTo(main, SecondRow()));
    uint32_t last = gui::LBRE_NORMAL;
    while (Next() != gui::WMHI_LASTMSG)
        last = gui::ListBrowserRelEvent(gb_NewslistGad);
    EXPECT_EQ(last, gui::LBRE_DOUBLECLICK);
}

// Centred while an edge is 0; a stored box is used as it is and read back by a snapshot. The first
// start's stored 300 x 150 would show a few rows and a few letters of each title.
TEST_F(MainWindowTest, PlacementSnapshotAndFirstWindow)
{
    Open(QPoint(120, 0));
    const QPoint off = main->frameGeometry().center() - main->screen()->availableGeometry().center();
    EXPECT_LE(off.manhattanLength(), 2);
    DestroyAllObjects();
    Open(QPoint(120, 90));
    DoSnapshot();
    EXPECT_EQ(QRect(gb_WinLeft, gb_WinTop, gb_WinWidth, gb_WinHeight), QRect(120, 90, 520, 380));
    DestroyAllObjects();
    Open(QPoint(120, 90), QSize(300, 150));
    QFont bold = View()->font();
    bold.setBold(true);
    EXPECT_GE(View()->header()->sectionSize(1), 40 * QFontMetrics(bold).averageCharWidth());
    EXPECT_GE(View()->viewport()->height(), 5 * View()->visualItemRect(View()->topLevelItem(0)).height());
}

// Runs `act` once `ready` holds, looking again every few milliseconds while the program waits.
void When(const std::function<bool()> &ready, const std::function<void()> &act)
{
    QTimer::singleShot(5, [=] { ready() ? act() : When(ready, act); });
}

// The real settings window shows the record and gives it back unchanged, also an index that names no
// item; its cancel key ends the visit.
TEST_F(MainWindowTest, SettingsWindowKeepsTheRecord)
{
    Open();
    gb_PrefsData = {2, 5, 1, "TR_special.8svx", 0, TRUE, "firefox --new-window", 7, 0, FALSE, 1};
    const TavrinPrefs before = gb_PrefsData;
    ASSERT_TRUE(CreateAllPrefsObjects());
    SetPrefsVal();
    EXPECT_EQ(static_cast<QComboBox *>(gb_IntervalGad->widget())->currentText(), "120");
    EXPECT_EQ(static_cast<QComboBox *>(gb_OpenshowGad->widget())->currentText(), ""); // 7 names no item
    When([] { return QApplication::activeModalWidget() && QApplication::activeModalWidget()->isActiveWindow(); },
        [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_A, Qt::AltModifier); });
    EXPECT_FALSE(PrefsMsgLoop());
    GetPrefsVal();
    EXPECT_EQ(std::memcmp(&gb_PrefsData, &before, sizeof(before)), 0);
    DestroyAllPrefsObjects();
}

TEST(WindowTextTest, FeedBytesAreShownReadably)
{
    // UTF-8; else ISO-8859-1 (a lone lead byte, an overlong form); UTF-8 cut inside its last character.
    const std::pair<const char *, const char *> cases[] = {{"Gr\xc3\xbc\xc3\x9f", "Grüß"}, {"Gr\xfc\xdf", "Grüß"},
        {"Caf\xe9", "Café"}, {"\xc0\xaf", "À¯"}, {"Ab\xe2\x80", "Ab"}};
    for (const auto &[bytes, shown] : cases)
        EXPECT_EQ(tavrin::qt::ProgramText(bytes), QString::fromUtf8(shown)) << bytes;
}

} // namespace
