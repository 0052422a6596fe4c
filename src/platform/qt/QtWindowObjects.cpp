#include "platform/qt/QtWindowObjects.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
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

void AlignLabelColumns(QWidget *root)
{
    QList<QWidget *> labels;
    int widest = 0;
    for (QFormLayout *form : root->findChildren<QFormLayout *>()) {
        for (int row = 0; row < form->rowCount(); row++) {
            QLayoutItem *item = form->itemAt(row, QFormLayout::LabelRole);
            if (item && item->widget()) {
                labels << item->widget();
                widest = std::max(widest, item->widget()->sizeHint().width());
            }
        }
    }
    for (QWidget *label : labels)
        label->setMinimumWidth(widest);
}

namespace {

// The group may grow along an axis when one of its members may.
QSizePolicy::Policy GroupPolicy(const std::vector<LayoutMember> &members, Qt::Orientation axis)
{
    for (const auto &member : members) {
        const QSizePolicy policy = member.object->widget()->sizePolicy();
        const QSizePolicy::Policy p = axis == Qt::Horizontal ? policy.horizontalPolicy() : policy.verticalPolicy();
        if (p & QSizePolicy::GrowFlag)
            return QSizePolicy::Preferred;
    }
    return QSizePolicy::Fixed;
}

// Even-sized members all ask for the room of the widest (or tallest) one and share the space equally.
void MakeEvenSize(const std::vector<LayoutMember> &members, bool vertical)
{
    int largest = 0;
    for (const auto &member : members) {
        const QSize hint = member.object->widget()->sizeHint();
        largest = std::max(largest, vertical ? hint.height() : hint.width());
    }
    for (const auto &member : members) {
        if (vertical)
            member.object->widget()->setMinimumHeight(largest);
        else
            member.object->widget()->setMinimumWidth(largest);
    }
}

QWidget *GroupWidget(const char *title)
{
    if (!title)
        return new QWidget;
    auto *frame = new QGroupBox(LiteralLabel(title));
    frame->setAlignment(Qt::AlignHCenter);
    return frame;
}

bool HasLabels(const std::vector<LayoutMember> &members)
{
    return std::any_of(members.begin(), members.end(), [](const LayoutMember &m) { return m.label != nullptr; });
}

void SetSpacing(QLayout *layout, const gui::LayoutSpec &desc)
{
    const QMargins defaults = layout->contentsMargins();
    QMargins margins = desc.spaceOuter ? defaults : QMargins();
    if (desc.leftSpacing)
        margins.setLeft(desc.leftSpacing);
    if (desc.rightSpacing)
        margins.setRight(desc.rightSpacing);
    if (desc.topSpacing)
        margins.setTop(desc.topSpacing);
    layout->setContentsMargins(margins);
    if (desc.innerSpacing)
        layout->setSpacing(desc.innerSpacing);
    else if (!desc.spaceInner)
        layout->setSpacing(0);
}

// Labelled members stand one under the other, their labels lined up in a column on the left.
void FillForm(QWidget *group, const std::vector<LayoutMember> &members)
{
    auto *form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const auto &member : members) {
        auto *label = member.label ? qobject_cast<QLabel *>(member.label->widget()) : nullptr;
        if (label)
            label->setBuddy(member.object->widget());
        form->addRow(label, member.object->widget());
    }
}

void FillBox(QWidget *group, const gui::LayoutSpec &desc, const std::vector<LayoutMember> &members)
{
    auto *box = new QBoxLayout(desc.vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, group);
    if (desc.evenSize)
        MakeEvenSize(members, desc.vertical);
    for (const auto &member : members) {
        const int weight = desc.evenSize && member.weight == 0 ? 1 : static_cast<int>(member.weight);
        box->addWidget(member.object->widget(), weight);
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

LayoutObject::LayoutObject(const gui::LayoutSpec &desc, std::vector<LayoutMember> members)
    : gui::Object(GroupWidget(desc.title))
    , m_members(std::move(members))
{
    for (const auto &member : m_members) {
        if (member.minHeight)
            member.object->widget()->setMinimumHeight(member.minHeight);
    }
    if (HasLabels(m_members))
        FillForm(widget(), m_members);
    else
        FillBox(widget(), desc, m_members);
    SetSpacing(widget()->layout(), desc);
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
        member.object->setQueue(queue);
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
    std::vector<tavrin::qt::LayoutMember> owned;
    bool complete = count >= 0;
    for (int i = 0; i < count; i++) {
        owned.push_back({std::unique_ptr<Object>(members[i].object), std::unique_ptr<Object>(members[i].label),
            members[i].weight, members[i].minHeight});
        complete = complete && members[i].object;
    }
    if (!complete || !tavrin::qt::WidgetsAvailable())
        return nullptr; // the members and labels made so far go with `owned`
    return new (std::nothrow) tavrin::qt::LayoutObject(desc, std::move(owned));
}

void DisposeObject(Object *obj)
{
    delete obj;
}

} // namespace gui
