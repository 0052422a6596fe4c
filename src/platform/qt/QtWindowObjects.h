#pragma once

// The window objects of the Qt host: every gadget, layout and window is a gui::Object that owns its
// widget (and its members) and hands its input to the queue of the window it ends up in.

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui.h"

namespace tavrin::qt {

// One queued input result. `source` is told when the program takes the result (the list browser keeps
// the release event of the result just taken).
struct InputEvent {
    uint32_t result = 0;
    uint16_t qualifier = 0;
    gui::Object *source = nullptr;
    uint32_t relEvent = 0;
};

// Widgets exist only in a program that runs a QApplication (not without a display).
bool WidgetsAvailable();

// Gives the label columns of all labelled groups under `root` one width, so that the groups line up.
void AlignLabelColumns(QWidget *root);

class InputQueue {
public:
    virtual void post(const InputEvent &event) = 0;

protected:
    ~InputQueue() = default;
};

} // namespace tavrin::qt

struct gui::Object {
    explicit Object(QWidget *widget)
        : m_widget(widget)
    {
    }
    virtual ~Object();
    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;

    // Null once Qt has deleted the widget.
    QWidget *widget() const { return m_widget; }
    // Where this object and its members put their input; null drops it.
    virtual void setQueue(tavrin::qt::InputQueue *queue) { m_queue = queue; }
    // The program has just taken a result that this object queued.
    virtual void delivered(const tavrin::qt::InputEvent &) { }

protected:
    void post(const tavrin::qt::InputEvent &event)
    {
        if (m_queue)
            m_queue->post(event);
    }

private:
    QPointer<QWidget> m_widget;
    tavrin::qt::InputQueue *m_queue = nullptr;
};

namespace tavrin::qt {

struct LayoutMember {
    std::unique_ptr<gui::Object> object;
    std::unique_ptr<gui::Object> label; // may be null
    uint32_t weight = 0;
    int32_t minHeight = 0;
};

// A layout group: a plain widget or a titled frame with a box layout, or a form layout when members
// have labels. It owns its member objects and their labels.
class LayoutObject final : public gui::Object {
public:
    LayoutObject(const gui::LayoutSpec &desc, std::vector<LayoutMember> members);
    ~LayoutObject() override;
    void setQueue(InputQueue *queue) override;

private:
    std::vector<LayoutMember> m_members;
};

} // namespace tavrin::qt
