#pragma once

// The list browser: a multi-column view of an exec list of gui::ListBrowserNode.

#include <QBrush>
#include <QFont>
#include <cstdint>
#include <vector>

#include "platform/qt/QtWindowObjects.h"

class QTreeWidget;

namespace tavrin::qt {

// How the rows of new entries look; all of them share it.
struct BoldLook {
    QFont font;
    QBrush pen;
};

class ListBrowserObject final : public gui::Object {
public:
    ListBrowserObject(uint32_t id, const gui::ColumnInfo *columns);

    void setLabels(exec::List *labels, int32_t selected);
    gui::ListBrowserNode *selectedNode() const;
    exec::List *labels() const { return m_labels; }
    uint32_t relEvent() const { return m_relEvent; }
    void delivered(const InputEvent &event) override { m_relEvent = event.relEvent; }

    // From the view: a mouse button went up over a row.
    void released(bool doubleClick);

private:
    QTreeWidget *view() const;

    uint32_t m_id;
    uint32_t m_relEvent = gui::LBRE_NORMAL;
    std::vector<gui::ListBrowserNode *> m_nodes; // row -> node of the attached list
    BoldLook m_bold; // set anew when a list is attached; its rows refer to it
    exec::List *m_labels = nullptr;
};

} // namespace tavrin::qt
