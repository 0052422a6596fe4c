#pragma once

// The window object: a main window with a menu bar, the layout as its contents and a queue of input
// results that the program drains with WM_HANDLEINPUT.

#include <QMainWindow>
#include <cstdint>
#include <deque>
#include <memory>

#include "platform/qt/QtWindowObjects.h"

namespace tavrin::qt {
class WindowObject;
}

struct gui::Window {
    tavrin::qt::WindowObject *object;
};

namespace tavrin::qt {

class MainWindow;

class WindowObject final : public gui::Object, public InputQueue {
public:
    WindowObject(const gui::WindowSpec &desc, std::unique_ptr<gui::Object> layout, int32_t signalBit);
    ~WindowObject() override;

    void post(const InputEvent &event) override;
    gui::Window *open();
    void close();
    bool iconify();
    uint32_t handleInput();
    uint32_t sigMask() const { return 1u << m_signalBit; }
    uint16_t qualifier() const { return m_qualifier; }
    bool dialog() const { return m_dialog; }
    void setBusy(bool busy);
    bool busy() const { return m_busy; }
    QMainWindow *window() const;

    // From the main window: the user minimised it or brought it back.
    void minimisedChanged(bool minimised);

private:
    enum class State { Closed, Open, Iconified };

    void place();
    void closeOnQuit();
    MainWindow *main() const;

    std::unique_ptr<gui::Object> m_layout;
    gui::Window m_handle {this};
    std::deque<InputEvent> m_queue;
    exec::Task *m_task;
    exec::MsgPort *m_appPort;
    int32_t m_signalBit;
    uint16_t m_qualifier = 0;
    bool m_iconifyGadget;
    bool m_dialog;
    bool m_busy = false;
    bool m_placed = false;
    State m_state = State::Closed;
    int32_t m_left, m_top, m_width, m_height;
};

} // namespace tavrin::qt
