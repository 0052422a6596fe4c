#include "platform/qt/QtWindowObjects.h"

#include <QApplication>
#include <QBoxLayout>
#include <QPushButton>
#include <algorithm>
#include <new>

#include "platform/qt/QtWindowText.h"

gui::Object::~Object()
{
    // Deleting a widget that sits in a parent takes it out of that parent first.
    delete m_widget.data();
}

namespace tavrin::qt {

bool WidgetsAvailable()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

namespace {

// The group may grow along an axis when one of its members may.
QSizePolicy::Policy GroupPolicy(const std::vector<std::unique_ptr<gui::Object>> &members, Qt::Orientation axis)
{
    for (const auto &member : members) {
        const QSizePolicy policy = member->widget()->sizePolicy();
        const QSizePolicy::Policy p = axis == Qt::Horizontal ? policy.horizontalPolicy() : policy.verticalPolicy();
        if (p & QSizePolicy::GrowFlag)
            return QSizePolicy::Preferred;
    }
    return QSizePolicy::Fixed;
}

// Even-sized members all ask for the room of the widest (or tallest) one and share the space equally.
void MakeEvenSize(const std::vector<std::unique_ptr<gui::Object>> &members, bool vertical)
{
    int largest = 0;
    for (const auto &member : members) {
        const QSize hint = member->widget()->sizeHint();
        largest = std::max(largest, vertical ? hint.height() : hint.width());
    }
    for (const auto &member : members) {
        if (vertical)
            member->widget()->setMinimumHeight(largest);
        else
            member->widget()->setMinimumWidth(largest);
    }
}

class ButtonObject final : public gui::Object {
public:
    ButtonObject(uint32_t id, const char *label)
        : gui::Object(new QPushButton(MnemonicLabel(label)))
    {
        auto *button = static_cast<QPushButton *>(widget());
        button->setAutoDefault(false);
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        // clicked() comes on release over the button, as a gadget-up does.
        QObject::connect(button, &QPushButton::clicked, [this, id] { post({gui::WMHI_GADGETUP | id}); });
    }
};

} // namespace

LayoutObject::LayoutObject(const gui::LayoutSpec &desc, std::vector<std::unique_ptr<gui::Object>> members,
    const std::vector<uint32_t> &weights)
    : gui::Object(new QWidget)
    , m_members(std::move(members))
{
    auto *box = new QBoxLayout(desc.vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, widget());
    const QMargins defaults = box->contentsMargins();
    QMargins margins = desc.spaceOuter ? defaults : QMargins();
    if (desc.leftSpacing)
        margins.setLeft(desc.leftSpacing);
    if (desc.rightSpacing)
        margins.setRight(desc.rightSpacing);
    box->setContentsMargins(margins);
    if (desc.innerSpacing)
        box->setSpacing(desc.innerSpacing);
    else if (!desc.spaceInner)
        box->setSpacing(0);

    if (desc.evenSize)
        MakeEvenSize(m_members, desc.vertical);
    for (size_t i = 0; i < m_members.size(); i++) {
        const int weight = desc.evenSize && weights[i] == 0 ? 1 : static_cast<int>(weights[i]);
        box->addWidget(m_members[i]->widget(), weight);
    }
    widget()->setSizePolicy(GroupPolicy(m_members, Qt::Horizontal), GroupPolicy(m_members, Qt::Vertical));
}

LayoutObject::~LayoutObject()
{
    // Members go first, so that each deletes its own widget before the group's widget goes.
    m_members.clear();
}

void LayoutObject::setQueue(InputQueue *queue)
{
    gui::Object::setQueue(queue);
    for (const auto &member : m_members)
        member->setQueue(queue);
}

} // namespace tavrin::qt

namespace gui {

Object *NewButton(uint32_t id, const char *label)
{
    if (!tavrin::qt::WidgetsAvailable())
        return nullptr;
    return new (std::nothrow) tavrin::qt::ButtonObject(id, label);
}

Object *NewLayout(const LayoutSpec &desc, const LayoutMember *members, int count)
{
    std::vector<std::unique_ptr<Object>> owned;
    std::vector<uint32_t> weights;
    bool complete = count >= 0;
    for (int i = 0; i < count; i++) {
        if (members[i].object)
            owned.emplace_back(members[i].object);
        else
            complete = false;
        weights.push_back(members[i].weight);
    }
    if (!complete || !tavrin::qt::WidgetsAvailable())
        return nullptr; // the members made so far go with `owned`
    return new (std::nothrow) tavrin::qt::LayoutObject(desc, std::move(owned), weights);
}

void DisposeObject(Object *obj)
{
    delete obj;
}

} // namespace gui
