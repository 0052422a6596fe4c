#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "Tavrin.h"
#include "platform/qt/QtWindow.h"
#include "platform/qt/QtWindowText.h"

namespace {

// One application for all tests, with RAM: in a directory of its own; both go when the tests end.
class QtEnvironment final : public testing::Environment {
public:
    void SetUp() override
    {
        if (const char *ram = mkdtemp(m_ram)) {
            setenv("TAVRIN_ASSIGN_RAM", ram, 1);
            m_ramMade = true;
        }
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }

    void TearDown() override
    {
        m_app.reset();
        if (m_ramMade)
            std::filesystem::remove_all(m_ram);
    }

private:
    char m_ram[32] = "/tmp/tavrin-guitest-XXXXXX";
    bool m_ramMade = false;
    char m_name[16] = "TavrinGuiTest";
    char *m_argv[2] = {m_name, nullptr};
    int m_argc = 1;
    std::unique_ptr<QApplication> m_app;
};

const auto *const gEnvironment = testing::AddGlobalTestEnvironment(new QtEnvironment);

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        gb_Iconify = FALSE;
        gb_WinLeft = gb_WinTop = gb_WinWidth = gb_WinHeight = 0;
    }

    void TearDown() override
    {
        DestroyAllObjects();
        exec::SetSignal(0, ~0u);
    }

    QMainWindow *Open()
    {
        EXPECT_TRUE(CreateAllObjects());
        gb_Win = gui::WM_OPEN(gb_WindowObj);
        EXPECT_NE(gb_Win, nullptr);
        QMainWindow *main = dynamic_cast<tavrin::qt::WindowObject &>(*gb_WindowObj).window();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(main));
        return main;
    }

    static uint32_t Next() { return gui::WM_HANDLEINPUT(gb_WindowObj); }

    static bool WindowSignalled()
    {
        const uint32_t mask = gui::WindowSigMask(gb_WindowObj);
        return mask && (exec::SetSignal(0, mask) & mask) == mask;
    }

    static QTreeWidget *List(QMainWindow *main) { return main->findChild<QTreeWidget *>(); }
};

TEST_F(MainWindowTest, EveryButtonReachesTheQueueWithItsId)
{
    QMainWindow *main = Open();
    const struct {
        const char *label;
        uint32_t id;
    } buttons[] = {{"&Deutsch", 1}, {"&Englisch", 2}, {"&Prefs", 3}, {"&Show", 5}, {"News &melden", 6}};
    const auto found = main->findChildren<QPushButton *>();
    ASSERT_EQ(found.size(), 5);
    for (const auto &b : buttons) {
        SCOPED_TRACE(b.label);
        QPushButton *button = nullptr;
        for (QPushButton *candidate : found) {
            if (candidate->text() == QString::fromUtf8(b.label))
                button = candidate;
        }
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(WindowSignalled());
        EXPECT_EQ(Next(), gui::WMHI_GADGETUP | b.id);
        EXPECT_EQ(Next(), gui::WMHI_LASTMSG);
    }
}

TEST_F(MainWindowTest, MenuItemsReportPackedNumbersAndCarryTheirKeys)
{
    QMainWindow *main = Open();
    const auto menus = main->menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), "Projekt");
    const auto items = menus[0]->menu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), QString::fromUtf8("Über ..."));
    EXPECT_EQ(items[0]->shortcut(), QKeySequence("Ctrl+?"));
    EXPECT_EQ(items[1]->text(), "Beenden");
    EXPECT_EQ(items[1]->shortcut(), QKeySequence("Ctrl+Q"));
    items[0]->trigger();
    items[1]->trigger();
    EXPECT_EQ(Next(), gui::WMHI_MENUPICK | 0xF800);
    EXPECT_EQ(Next(), gui::WMHI_MENUPICK | 0xF820);
    EXPECT_EQ(Next(), gui::WMHI_LASTMSG);
}

TEST_F(MainWindowTest, CloseButtonOnlyReports)
{
    QMainWindow *main = Open();
    EXPECT_FALSE(main->close());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(Next(), gui::WMHI_CLOSEWINDOW);
    gui::WM_CLOSE(gb_WindowObj);
    EXPECT_FALSE(main->isVisible());
}

struct Row {
    gui::ListBrowserNode node;
    explicit Row(const char *date, const char *title, bool bold)
        : node {{}, {date, title}, bold, nullptr}
    {
    }
};

TEST_F(MainWindowTest, BoldRowsAndListReleases)
{
    QMainWindow *main = Open();
    Row rows[] = {Row("28.10.2019 10:00", "Neu", true), Row("27.10.2019 09:00", "Alt", false)};
    exec::List list;
    exec::NewList(&list);
    for (Row &row : rows)
        exec::AddTail(&list, &row.node.ln);
    gui::SetListBrowserLabels(gb_NewslistGad, &list, -1);

    QTreeWidget *view = List(main);
    ASSERT_EQ(view->topLevelItemCount(), 2);
    const QBrush accent = view->palette().brush(QPalette::Active, QPalette::Highlight);
    for (int col = 0; col < 2; col++) {
        EXPECT_TRUE(view->topLevelItem(0)->font(col).bold());
        EXPECT_EQ(view->topLevelItem(0)->foreground(col), accent);
        EXPECT_FALSE(view->topLevelItem(1)->font(col).bold());
    }
    EXPECT_EQ(view->topLevelItem(1)->text(1), "Alt");
    EXPECT_EQ(gui::ListBrowserSelectedNode(gb_NewslistGad), nullptr);

    const QPoint second = view->visualItemRect(view->topLevelItem(1)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(Next(), gui::WMHI_GADGETUP | 4);
    EXPECT_EQ(gui::ListBrowserRelEvent(gb_NewslistGad), gui::LBRE_NORMAL);
    EXPECT_EQ(gui::ListBrowserSelectedNode(gb_NewslistGad), &rows[1].node);
    EXPECT_EQ(Next(), gui::WMHI_LASTMSG);

    // Through the native window, so that the press-release-press-release comes as a desktop sends it.
    QTest::mouseDClick(main->windowHandle(), Qt::LeftButton, {}, view->viewport()->mapTo(main, second));
    uint32_t last = gui::LBRE_NORMAL;
    for (uint32_t result = Next(); result != gui::WMHI_LASTMSG; result = Next()) {
        EXPECT_EQ(result, gui::WMHI_GADGETUP | 4);
        last = gui::ListBrowserRelEvent(gb_NewslistGad);
    }
    EXPECT_EQ(last, gui::LBRE_DOUBLECLICK);

    gui::SetListBrowserLabels(gb_NewslistGad, nullptr, -1);
    EXPECT_EQ(view->topLevelItemCount(), 0);
    EXPECT_EQ(gui::ListBrowserSelectedNode(gb_NewslistGad), nullptr);
}

TEST_F(MainWindowTest, RawKeysCarryCodeAndQualifier)
{
    QMainWindow *main = Open();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        uint32_t code;
        uint16_t qualifier;
    } keys[] = {
        {Qt::Key_V, Qt::NoModifier, gui::RawKeyOf('v'), 0},
        {Qt::Key_E, Qt::ShiftModifier, gui::RawKeyOf('e'), gui::IEQUALIFIER_LSHIFT},
        {Qt::Key_D, Qt::ControlModifier, gui::RawKeyOf('d'), gui::IEQUALIFIER_CONTROL},
        {Qt::Key_7, Qt::NoModifier, gui::RawKeyOf('7'), 0},
        {Qt::Key_Escape, Qt::NoModifier, gui::RAWKEY_ESC, 0},
    };
    for (const auto &k : keys) {
        QTest::keyClick(main->windowHandle(), k.key, k.modifiers);
        EXPECT_EQ(Next(), gui::WMHI_RAWKEY | k.code) << k.code;
        EXPECT_EQ(gui::WindowInputQualifier(gb_WindowObj), k.qualifier) << k.code;
    }
    EXPECT_EQ(Next(), gui::WMHI_LASTMSG);
}

TEST_F(MainWindowTest, BusyWindowTakesNoInput)
{
    QMainWindow *main = Open();
    QPushButton *button = main->findChild<QPushButton *>();
    gui::SetBusyPointer(gb_WindowObj, true);
    EXPECT_EQ(main->cursor().shape(), Qt::WaitCursor);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(main->windowHandle(), Qt::Key_A);
    EXPECT_EQ(Next(), gui::WMHI_LASTMSG);
    gui::SetBusyPointer(gb_WindowObj, false);
    EXPECT_NE(main->cursor().shape(), Qt::WaitCursor);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(Next(), gui::WMHI_GADGETUP | 1);
}

// A blocked task calls KeepAlive: what is due to be drawn is drawn.
TEST_F(MainWindowTest, KeepAliveRepaints)
{
    QMainWindow *main = Open();
    QCoreApplication::processEvents();
    struct PaintCounter final : QObject {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    main->installEventFilter(&counter);
    main->update();
    gui::KeepAlive();
    EXPECT_GT(counter.paints, 0);
    main->removeEventFilter(&counter);
}

TEST_F(MainWindowTest, IconifyOnlyInWindowMode)
{
    Open();
    EXPECT_FALSE(gui::WM_ICONIFY(gb_WindowObj));
    DestroyAllObjects();

    gb_Iconify = TRUE;
    QMainWindow *main = Open();
    main->setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(Next(), gui::WMHI_ICONIFY);
    EXPECT_TRUE(gui::WM_ICONIFY(gb_WindowObj));
    main->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(Next(), gui::WMHI_UNICONIFY);
    EXPECT_EQ(Next(), gui::WMHI_LASTMSG);
}

TEST_F(MainWindowTest, WindowIsCentredUnlessBothEdgesAreStored)
{
    const struct {
        LONG left, top;
        bool centred;
    } cases[] = {{0, 0, true}, {0, 120, true}, {120, 0, true}, {120, 90, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top);
        gb_WinLeft = c.left;
        gb_WinTop = c.top;
        gb_WinWidth = 520;
        gb_WinHeight = 380;
        QMainWindow *main = Open();
        const QRect area = main->screen()->availableGeometry();
        if (c.centred) {
            EXPECT_LE((main->frameGeometry().center() - area.center()).manhattanLength(), 2);
            EXPECT_EQ(main->size(), main->sizeHint().boundedTo(area.size()));
        } else {
            DoSnapshot();
            EXPECT_EQ(gb_WinLeft, c.left);
            EXPECT_EQ(gb_WinTop, c.top);
            EXPECT_EQ(gb_WinWidth, 520);
            EXPECT_EQ(gb_WinHeight, 380);
        }
        DestroyAllObjects();
    }
}

TEST_F(MainWindowTest, StoredPositionOffScreenIsPulledBack)
{
    gb_WinLeft = 5000;
    gb_WinTop = -4000;
    gb_WinWidth = 400;
    gb_WinHeight = 300;
    QMainWindow *main = Open();
    EXPECT_TRUE(main->screen()->availableGeometry().contains(main->frameGeometry()));
}

TEST_F(MainWindowTest, SnapshotNeedsAnOpenWindowAndUnsnapshotClears)
{
    ASSERT_TRUE(CreateAllObjects());
    gb_WinLeft = 7;
    DoSnapshot(); // closed: keeps the values
    EXPECT_EQ(gb_WinLeft, 7);
    DoUnsnapshot();
    EXPECT_EQ(gb_WinLeft, 0);
    EXPECT_EQ(gb_WinTop, 0);
    EXPECT_EQ(gb_WinWidth, 0);
    EXPECT_EQ(gb_WinHeight, 0);
    DestroyAllObjects();
    DestroyAllObjects(); // twice is harmless
    EXPECT_EQ(gb_WindowObj, nullptr);
    EXPECT_EQ(gb_Buffer[0], nullptr);
}

TEST(WindowTextTest, FeedBytesAreShownReadably)
{
    const struct {
        const char *bytes;
        const char *shown; // UTF-8
    } cases[] = {
        {"Gr\xc3\xbc\xc3\x9f"
         "e",
            "Grüße"},
        {"Gr\xfc\xdf"
         "e",
            "Grüße"}, // ISO-8859-1
        {"Caf\xe9", "Café"}, // ISO-8859-1, not a cut character
        {"\xc0\xaf", "À¯"}, // overlong form
        {"\xed\xa0\x80", "í\xc2\xa0\xc2\x80"}, // surrogate
        {"Ab\xe2\x80", "Ab"}, // cut inside its last character
        {"\xc3\x9c"
         "ber\xc3",
            "Über"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(tavrin::qt::ProgramText(c.bytes), QString::fromUtf8(c.shown)) << c.bytes;
}

TEST(WindowTextTest, UnderscoreMarksTheShortcut)
{
    EXPECT_EQ(tavrin::qt::MnemonicLabel("News _melden"), "News &melden");
    EXPECT_EQ(tavrin::qt::MnemonicLabel("R&D _x"), "R&&D &x");
    EXPECT_EQ(tavrin::qt::MnemonicLabel("Ende_"), "Ende_");
    EXPECT_EQ(tavrin::qt::LiteralLabel("A & B"), "A && B");
}

} // namespace
