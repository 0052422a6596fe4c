#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QToolButton>
#include <new>

#include "platform/qt/QtWindow.h"
#include "platform/qt/QtWindowText.h"

// The settings window's gadgets: choosers, checkboxes, labels and file choosers.

namespace tavrin::qt {

namespace {

bool IsIconFile(const QString &name)
{
    return name.endsWith(QLatin1String(".info"), Qt::CaseInsensitive);
}

class ChooserObject final : public gui::Object {
public:
    ChooserObject(uint32_t id, const char *const *labels)
        : gui::Object(new QComboBox)
    {
        QComboBox *box = combo();
        for (const char *const *label = labels; label && *label; label++)
            box->addItem(ProgramText(*label));
        box->setMaxVisibleItems(10);
        QObject::connect(box, &QComboBox::activated, [this, id] { post({gui::WMHI_GADGETUP | id}); });
    }

    void select(uint32_t index)
    {
        m_set = index;
        combo()->setCurrentIndex(index < static_cast<uint32_t>(combo()->count()) ? static_cast<int>(index) : -1);
    }

    // A value that names no item is kept until the user picks one.
    uint32_t selected() const
    {
        const int shown = combo()->currentIndex();
        return shown >= 0 ? static_cast<uint32_t>(shown) : m_set;
    }

private:
    QComboBox *combo() const { return static_cast<QComboBox *>(widget()); }

    uint32_t m_set = 0;
};

class CheckBoxObject final : public gui::Object {
public:
    explicit CheckBoxObject(const char *text)
        : gui::Object(new QCheckBox(MnemonicLabel(text)))
    {
        checkBox()->setChecked(true);
    }
    QCheckBox *checkBox() const { return static_cast<QCheckBox *>(widget()); }
};

// Icon files are neither shown nor taken.
class NoIconFiles final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        return !files || files->isDir(index) || !IsIconFile(files->fileName(index));
    }
};

class FileRequester final : public QFileDialog {
public:
    FileRequester(QWidget *parent, const QString &title)
        : QFileDialog(parent, title)
    {
        // Qt's own dialog: the desktop's dialogs cannot leave out the icon files.
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::ExistingFile);
        setAcceptMode(QFileDialog::AcceptOpen);
        setProxyModel(new NoIconFiles(this));
    }

    void accept() override
    {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty() && IsIconFile(chosen.first()))
            return;
        QFileDialog::accept();
    }
};

// A read-only path field and a button that asks the program to open the file requester.
class GetFileObject final : public gui::Object {
public:
    GetFileObject(uint32_t id, const char *title)
        : gui::Object(new QWidget)
        , m_title(ProgramText(title))
        , m_field(new QLineEdit)
    {
        auto *row = new QHBoxLayout(widget());
        row->setContentsMargins(QMargins());
        m_field->setReadOnly(true);
        auto *button = new QToolButton;
        button->setIcon(widget()->style()->standardIcon(QStyle::SP_DirOpenIcon));
        button->setToolTip(m_title);
        button->setAccessibleName(m_title);
        row->addWidget(m_field, 1);
        row->addWidget(button);
        widget()->setFocusProxy(m_field);
        widget()->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        QObject::connect(button, &QToolButton::clicked, [this, id] { post({gui::WMHI_GADGETUP | id}); });
    }

    // Paths are kept as the bytes they were given, so that an unchanged path is saved unchanged.
    void setPath(const QByteArray &path)
    {
        m_path = path;
        m_field->setText(ProgramText(m_path.constData()));
        m_field->setCursorPosition(0);
    }
    const char *path() const { return m_path.constData(); }

    bool request(QWidget *parent)
    {
        FileRequester dialog(parent, m_title);
        const QString current = QFile::decodeName(m_path);
        if (QFileInfo(current).isAbsolute())
            dialog.selectFile(current);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        setPath(QFile::encodeName(dialog.selectedFiles().first()));
        return true;
    }

private:
    QString m_title;
    QLineEdit *m_field; // owned by the widget
    QByteArray m_path;
};

} // namespace

} // namespace tavrin::qt

namespace gui {

namespace {

template<typename T, typename... Args> Object *Make(Args... args)
{
    if (!tavrin::qt::WidgetsAvailable())
        return nullptr;
    return new (std::nothrow) T(args...);
}

template<typename T> T *As(Object *obj)
{
    return dynamic_cast<T *>(obj);
}

} // namespace

using tavrin::qt::CheckBoxObject;
using tavrin::qt::ChooserObject;
using tavrin::qt::GetFileObject;

Object *NewChooser(uint32_t id, const char *const *labels)
{
    return Make<ChooserObject>(id, labels);
}

Object *NewCheckBox(uint32_t, const char *text)
{
    return Make<CheckBoxObject>(text);
}

void SetGadgetAttr(Object *gadget, GadgetAttr attr, uint32_t value)
{
    if (!gadget || !gadget->widget())
        return;
    if (attr == GA_Disabled)
        gadget->widget()->setEnabled(!value);
    else if (auto *chooser = As<ChooserObject>(gadget); chooser && attr == CHOOSER_Selected)
        chooser->select(value);
    else if (auto *box = As<CheckBoxObject>(gadget); box && attr == GA_Selected)
        box->checkBox()->setChecked(value != 0);
}

uint32_t GetGadgetAttr(Object *gadget, GadgetAttr attr)
{
    if (!gadget || !gadget->widget())
        return 0;
    if (attr == GA_Disabled)
        return !gadget->widget()->isEnabled();
    if (auto *chooser = As<ChooserObject>(gadget); chooser && attr == CHOOSER_Selected)
        return chooser->selected();
    auto *box = As<CheckBoxObject>(gadget);
    return box && attr == GA_Selected && box->checkBox()->isChecked();
}

Object *NewGetFile(uint32_t id, const char *title)
{
    return Make<GetFileObject>(id, title);
}

void SetGetFilePath(Object *getfile, const char *path)
{
    if (auto *g = As<GetFileObject>(getfile))
        g->setPath(QByteArray(path ? path : ""));
}

const char *GetFilePath(Object *getfile)
{
    auto *g = As<GetFileObject>(getfile);
    return g ? g->path() : "";
}

bool RequestFile(Object *getfile, Window *win)
{
    auto *g = As<GetFileObject>(getfile);
    return g && g->request(win ? win->object->window() : nullptr);
}

Object *NewLabel(const char *text)
{
    if (!tavrin::qt::WidgetsAvailable())
        return nullptr;
    return new (std::nothrow) Object(new QLabel(tavrin::qt::MnemonicLabel(text)));
}

} // namespace gui
