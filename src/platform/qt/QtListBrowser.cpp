#include "platform/qt/QtListBrowser.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <algorithm>
#include <new>

#include "platform/qt/QtWindowText.h"

namespace tavrin::qt {

namespace {

constexpr int RowSpacing = 3;
constexpr int MinimumRows = 5;
// The title column shows at least about this many characters.
constexpr int MinimumTitleChars = 40;
// The widest date the feeds give, as the date column shows it.
constexpr char WidestDate[] = "00 Mmm 0000 00:00:00";

class RowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, RowSpacing);
    }
};

class ListView final : public QTreeWidget {
public:
    explicit ListView(ListBrowserObject &owner)
        : m_owner(owner)
    {
    }

    // Five rows, the whole date column and about 40 characters of title, in the bold face of new entries.
    QSize minimumSizeHint() const override
    {
        const QSize base = QTreeWidget::minimumSizeHint();
        return {std::max(base.width(), minimumWidth()), std::max(base.height(), heightForRows(MinimumRows))};
    }

    QSize sizeHint() const override
    {
        int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
        for (int i = 0; i < columnCount(); i++)
            width += m_startWidths.value(i, header()->sectionSizeHint(i));
        return {width, heightForRows(2 * MinimumRows)};
    }

    void setStartWidths(QList<int> widths) { m_startWidths = std::move(widths); }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        m_doubleClick = false;
        QTreeWidget::mousePressEvent(event);
    }

    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        m_doubleClick = true;
        QTreeWidget::mouseDoubleClickEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QTreeWidget::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
            m_owner.released(m_doubleClick);
        m_doubleClick = false;
    }

private:
    int minimumWidth() const
    {
        QFont bold = font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        const int cellMargins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
        const int date = std::max(
            header()->sectionSizeHint(0), metrics.horizontalAdvance(QLatin1String(WidestDate)) + cellMargins);
        const int title = MinimumTitleChars * metrics.averageCharWidth() + cellMargins;
        return 2 * frameWidth() + verticalScrollBar()->sizeHint().width() + date + title;
    }

    int heightForRows(int rows) const
    {
        QStyleOptionViewItem option;
        option.initFrom(this);
        const int row = itemDelegate()->sizeHint(option, QModelIndex()).height();
        const int rowHeight = std::max(row, fontMetrics().height() + RowSpacing);
        return 2 * frameWidth() + header()->sizeHint().height() + rows * rowHeight;
    }

    ListBrowserObject &m_owner;
    QList<int> m_startWidths;
    bool m_doubleClick = false;
};

// One row. It reads its node's texts when the view asks for them and answers for a new entry with the
// list's one bold font and pen, so that a row holds no copies: a long list costs little memory and is
// attached at once, and the view converts only the rows it shows.
class Row final : public QTreeWidgetItem {
public:
    Row(const gui::ListBrowserNode &node, int columns, const BoldLook &bold)
        : m_node(node)
        , m_columns(columns)
        , m_bold(bold)
    {
    }

    QVariant data(int column, int role) const override
    {
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            if (column >= 0 && column < m_columns && column < 2)
                return ProgramText(m_node.column[column]);
            break;
        case Qt::FontRole:
            if (m_node.bold && column >= 0 && column < m_columns)
                return m_bold.font;
            break;
        case Qt::ForegroundRole:
            if (m_node.bold && column >= 0 && column < m_columns)
                return m_bold.pen;
            break;
        default:
            break;
        }
        return QTreeWidgetItem::data(column, role);
    }

private:
    const gui::ListBrowserNode &m_node;
    int m_columns;
    const BoldLook &m_bold;
};

} // namespace

ListBrowserObject::ListBrowserObject(uint32_t id, const gui::ColumnInfo *columns)
    : gui::Object(new ListView(*this))
    , m_id(id)
{
    auto *list = static_cast<ListView *>(view());
    QStringList titles;
    QList<int> widths;
    for (const gui::ColumnInfo *column = columns; column && column->ci_Width != -1; column++) {
        titles << ProgramText(column->ci_Title);
        widths << column->ci_Width;
    }
    list->setColumnCount(static_cast<int>(titles.size()));
    list->setHeaderLabels(titles);
    list->setStartWidths(widths);
    list->setItemDelegate(new RowDelegate(list));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setAlternatingRowColors(true);
    list->setAllColumnsShowFocus(true);
    list->setTextElideMode(Qt::ElideRight);
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Auto-fit: the date column takes what its texts need, the title column the rest.
    list->header()->setStretchLastSection(true);
    list->header()->setSectionsMovable(false);
    for (int i = 0; i + 1 < titles.size(); i++)
        list->header()->setSectionResizeMode(i, QHeaderView::ResizeToContents);
}

QTreeWidget *ListBrowserObject::view() const
{
    return static_cast<QTreeWidget *>(widget());
}

void ListBrowserObject::setLabels(exec::List *labels, int32_t selected)
{
    QTreeWidget *list = view();
    list->clear();
    m_nodes.clear();
    m_labels = labels;
    if (labels) {
        // A row's own font starts as the application's font, not the list's.
        m_bold = {QFont(), list->palette().brush(QPalette::Active, QPalette::Highlight)};
        m_bold.font.setBold(true);
        QList<QTreeWidgetItem *> rows;
        for (exec::Node *n = exec::GetHead(labels); n; n = exec::GetSucc(n)) {
            auto *node = reinterpret_cast<gui::ListBrowserNode *>(n);
            m_nodes.push_back(node);
            rows << new Row(*node, list->columnCount(), m_bold);
        }
        list->addTopLevelItems(rows);
    }
    if (selected >= 0 && static_cast<size_t>(selected) < m_nodes.size())
        list->setCurrentItem(list->topLevelItem(selected));
    else
        list->clearSelection();
}

gui::ListBrowserNode *ListBrowserObject::selectedNode() const
{
    const QList<QTreeWidgetItem *> chosen = view()->selectedItems();
    if (chosen.isEmpty())
        return nullptr;
    const int row = view()->indexOfTopLevelItem(chosen.first());
    return row >= 0 && static_cast<size_t>(row) < m_nodes.size() ? m_nodes[row] : nullptr;
}

void ListBrowserObject::released(bool doubleClick)
{
    InputEvent event;
    event.result = gui::WMHI_GADGETUP | m_id;
    event.source = this;
    event.relEvent = doubleClick ? gui::LBRE_DOUBLECLICK : gui::LBRE_NORMAL;
    post(event);
}

} // namespace tavrin::qt

namespace gui {

Object *NewListBrowser(uint32_t id, const ColumnInfo *columns)
{
    if (!tavrin::qt::WidgetsAvailable())
        return nullptr;
    return new (std::nothrow) tavrin::qt::ListBrowserObject(id, columns);
}

uint32_t ListBrowserRelEvent(Object *lb)
{
    auto *list = dynamic_cast<tavrin::qt::ListBrowserObject *>(lb);
    return list ? list->relEvent() : LBRE_NORMAL;
}

void SetListBrowserLabels(Object *lb, exec::List *labels, int32_t selected)
{
    if (auto *list = dynamic_cast<tavrin::qt::ListBrowserObject *>(lb))
        list->setLabels(labels, selected);
}

ListBrowserNode *ListBrowserSelectedNode(Object *lb)
{
    auto *list = dynamic_cast<tavrin::qt::ListBrowserObject *>(lb);
    return list ? list->selectedNode() : nullptr;
}

exec::List *ListBrowserLabels(Object *lb)
{
    auto *list = dynamic_cast<tavrin::qt::ListBrowserObject *>(lb);
    return list ? list->labels() : nullptr;
}

} // namespace gui
