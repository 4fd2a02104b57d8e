#include "framework/qt/QtDialogWindow.h"

#include "framework/ControlLookup.h"
#include "framework/Dialog.h"
#include "framework/qt/ChooseDialogFont.h"
#include "framework/qt/QtMessageBox.h"
#include "framework/qt/Utf8.h"

#include <QComboBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <string>
#include <utility>

namespace slabcal {

namespace {

// Sets the template's font on the frame and measures it.
DialogUnits UseTemplateFont(QWidget& frame, const DialogTemplate& shown) {
    frame.setFont(ChooseDialogFont(shown.fontName, shown.fontPoints));
    return DialogUnits::ForFont(frame.font());
}

constexpr Qt::Alignment Centred = Qt::AlignCenter;

void CentreCells(QTreeWidgetItem& item, int columnCount) {
    for (int column = 0; column < columnCount; ++column)
        item.setTextAlignment(column, Centred);
}

// Whether the list has cell (row, subItem): sub-item 0 always, the others while their column exists. Qt
// would keep a text past the columns where nobody sees it, and crashes on a sub-item near INT_MAX.
bool HasCell(const QTreeWidget& view, int row, int subItem) {
    return row >= 0 && row < view.topLevelItemCount() && subItem >= 0 &&
           subItem < std::max(view.columnCount(), 1);
}

QTreeWidget* CreateListView(QWidget& parent, uint32_t styles) {
    auto* list = new QTreeWidget(&parent);
    list->setColumnCount(0);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectItems);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list, as in any other control, instead of walking its cells.
    list->setTabKeyNavigation(false);
    list->setHeaderHidden((styles & style::ListNoColumnHeader) != 0);
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable((styles & style::ListNoSortHeader) == 0);
    header->setDefaultAlignment(Centred);
    if ((styles & style::Border) == 0)
        list->setFrameShape(QFrame::NoFrame);
    return list;
}

} // namespace

QtDialogWindow::QtDialogWindow(Dialog& shown)
    : dialog(shown), frame(std::make_unique<QtDialogFrame>(
                         [this](int id) { dialog.HandleCommand(id, Notification::Clicked); })),
      units(UseTemplateFont(*frame, shown.Template())) {
    const DialogTemplate& shownTemplate = dialog.Template();
    frame->setWindowTitle(FromUtf8(shownTemplate.caption));
    frame->setFixedSize(units.ToPixelsX(shownTemplate.frame.width),
                        units.ToPixelsY(shownTemplate.frame.height));
    CreateControls();
}

QtDialogWindow::~QtDialogWindow() = default;

void QtDialogWindow::CreateControls() {
    std::vector<QWidget*> tabOrder;
    for (const auto& control : dialog.Template().controls) {
        QWidget* widget = nullptr;
        QRect place = units.ToPixels(control.rect);
        switch (control.kind) {
        case ControlKind::Static: {
            auto* label = new QLabel(FromUtf8(control.text), frame.get());
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = label;
            break;
        }
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(frame.get());
            combo->setEditable(false);
            // The template gives the height with the list dropped down; closed, the box is one line high.
            int closedHeight = combo->sizeHint().height();
            int itemHeight = std::max(QFontMetrics(combo->font()).height(), 1);
            combo->setMaxVisibleItems(std::max(1, (place.height() - closedHeight) / itemHeight));
            place.setHeight(closedHeight);
            QObject::connect(combo, &QComboBox::activated, frame.get(), [this, id = control.id](int) {
                dialog.HandleCommand(id, Notification::SelectionChanged);
            });
            widget = combo;
            break;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(FromUtf8(control.text), frame.get());
            edit->setFrame((control.styles & style::Border) != 0);
            widget = edit;
            break;
        }
        case ControlKind::ListView:
            widget = CreateListView(*frame, control.styles);
            break;
        case ControlKind::Button: {
            auto* button = new QPushButton(FromUtf8(control.text), frame.get());
            // Qt makes a focused dialog button the default one unless told not to; Return does nothing here.
            button->setAutoDefault(false);
            button->setDefault((control.styles & style::ButtonDefault) != 0);
            QObject::connect(button, &QPushButton::clicked, frame.get(),
                             [this, id = control.id] { dialog.HandleCommand(id, Notification::Clicked); });
            widget = button;
            break;
        }
        }
        widget->setGeometry(place);
        widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        if ((control.styles & style::TabStop) != 0) {
            if ((widget->focusPolicy() & Qt::TabFocus) == 0)
                widget->setFocusPolicy(Qt::StrongFocus);
            tabOrder.push_back(widget);
        } else if (widget->focusPolicy() != Qt::NoFocus) {
            widget->setFocusPolicy(Qt::ClickFocus);
        }
        widget->setVisible(control.visible);
        controls.push_back({widget, 0, {}});
    }
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

QtDialogWindow::ControlEntry& QtDialogWindow::Find(int id) {
    return controls[ControlIndex(dialog.Template(), id)];
}
const QtDialogWindow::ControlEntry& QtDialogWindow::Find(int id) const {
    return controls[ControlIndex(dialog.Template(), id)];
}
QtDialogWindow::ControlEntry& QtDialogWindow::Find(int id, ControlKind kind) {
    return controls[ControlIndex(dialog.Template(), id, kind)];
}
const QtDialogWindow::ControlEntry& QtDialogWindow::Find(int id, ControlKind kind) const {
    return controls[ControlIndex(dialog.Template(), id, kind)];
}

QWidget* QtDialogWindow::Control(int id) const {
    auto at = FindControl(dialog.Template(), id);
    return at ? controls[*at].widget : nullptr;
}

std::vector<QWidget*> QtDialogWindow::Controls() const {
    std::vector<QWidget*> widgets;
    for (const auto& control : controls)
        widgets.push_back(control.widget);
    return widgets;
}

std::string QtDialogWindow::GetText(int id) const {
    const std::size_t at = ControlIndex(dialog.Template(), id);
    QWidget* widget = controls[at].widget;
    switch (dialog.Template().controls[at].kind) {
    case ControlKind::Static:
        return ToUtf8(static_cast<QLabel*>(widget)->text());
    case ControlKind::Edit:
        return ToUtf8(static_cast<QLineEdit*>(widget)->text());
    case ControlKind::Button:
        return ToUtf8(static_cast<QPushButton*>(widget)->text());
    case ControlKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(widget);
        return combo->currentIndex() < 0 ? std::string() : ToUtf8(combo->currentText());
    }
    case ControlKind::ListView:
        break;
    }
    return {};
}

void QtDialogWindow::SetText(int id, std::string_view text) {
    const std::size_t at = ControlIndex(dialog.Template(), id);
    QWidget* widget = controls[at].widget;
    switch (dialog.Template().controls[at].kind) {
    case ControlKind::Static:
        static_cast<QLabel*>(widget)->setText(FromUtf8(text));
        break;
    case ControlKind::Edit:
        static_cast<QLineEdit*>(widget)->setText(FromUtf8(text));
        break;
    case ControlKind::Button:
        static_cast<QPushButton*>(widget)->setText(FromUtf8(text));
        break;
    case ControlKind::ComboBox: // a drop-down list shows its selection, never a text of its own
    case ControlKind::ListView:
        break;
    }
}

void QtDialogWindow::Enable(int id, bool enabled) {
    Find(id).widget->setEnabled(enabled);
}

bool QtDialogWindow::IsEnabled(int id) const {
    return Find(id).widget->isEnabledTo(frame.get());
}

void QtDialogWindow::SetFocus(int id) {
    QWidget* widget = Find(id).widget;
    // Qt refuses a disabled widget by itself, but would make a hidden one the focus of a window not shown
    // yet; no operator could reach it there.
    if (!widget->isHidden())
        widget->setFocus(Qt::OtherFocusReason);
}

void QtDialogWindow::SetIcon(IconSize size, const IconResource& icon) {
    QPixmap picture;
    picture.loadFromData(icon.png.data(), static_cast<uint>(icon.png.size()), "PNG");
    (size == IconSize::Large ? largeIcon : smallIcon) = picture;
    ApplyIcon();
}

void QtDialogWindow::ApplyIcon() {
    QIcon icon;
    for (const QPixmap* picture : {&largeIcon, &smallIcon}) {
        if (!picture->isNull())
            icon.addPixmap(*picture);
    }
    frame->setWindowIcon(icon);
}

int QtDialogWindow::ComboAddString(int id, std::string_view text) {
    auto* combo = static_cast<QComboBox*>(Find(id, ControlKind::ComboBox).widget);
    const int selected = combo->currentIndex();
    combo->addItem(FromUtf8(text));
    // Qt selects the first item put into an empty box; the dialog would read that as the operator's choice.
    combo->setCurrentIndex(selected);
    return combo->count() - 1;
}

int QtDialogWindow::ComboSetCurSel(int id, int index) {
    auto* combo = static_cast<QComboBox*>(Find(id, ControlKind::ComboBox).widget);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    return combo->currentIndex();
}

int QtDialogWindow::ComboGetCurSel(int id) const {
    return static_cast<QComboBox*>(Find(id, ControlKind::ComboBox).widget)->currentIndex();
}

uint32_t QtDialogWindow::ListGetExtendedStyle(int id) const {
    return Find(id, ControlKind::ListView).exStyle;
}

void QtDialogWindow::ListSetExtendedStyle(int id, uint32_t exStyle) {
    ControlEntry& list = Find(id, ControlKind::ListView);
    list.exStyle = exStyle;
    bool fullRow = (exStyle & style::ListExFullRowSelect) != 0;
    auto* view = static_cast<QTreeWidget*>(list.widget);
    view->setSelectionBehavior(fullRow ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    view->setAllColumnsShowFocus(fullRow);
}

int QtDialogWindow::ListInsertColumn(int id, int index, std::string_view header, int widthPixels) {
    ControlEntry& list = Find(id, ControlKind::ListView);
    // Cells stay with their sub-item index; only the headers move.
    index = std::clamp(index, 0, static_cast<int>(list.columns.size()));
    list.columns.insert(list.columns.begin() + index, Column{FromUtf8(header), widthPixels});
    ApplyColumns(list);
    return index;
}

void QtDialogWindow::ApplyColumns(const ControlEntry& list) const {
    auto* view = static_cast<QTreeWidget*>(list.widget);
    int count = static_cast<int>(list.columns.size());
    view->setColumnCount(count);
    QTreeWidgetItem* header = view->headerItem();
    for (int column = 0; column < count; ++column) {
        const Column& shown = list.columns[static_cast<std::size_t>(column)];
        header->setText(column, shown.header);
        header->setTextAlignment(column, Centred);
        view->setColumnWidth(column, shown.width);
    }
    for (int row = 0; row < view->topLevelItemCount(); ++row)
        CentreCells(*view->topLevelItem(row), count);
}

int QtDialogWindow::ListInsertItem(int id, int row, std::string_view text) {
    auto* view = static_cast<QTreeWidget*>(Find(id, ControlKind::ListView).widget);
    row = std::clamp(row, 0, view->topLevelItemCount());
    auto* item = new QTreeWidgetItem();
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setText(0, FromUtf8(text));
    CentreCells(*item, std::max(view->columnCount(), 1));
    view->insertTopLevelItem(row, item);
    return row;
}

bool QtDialogWindow::ListSetItemText(int id, int row, int subItem, std::string_view text) {
    auto* view = static_cast<QTreeWidget*>(Find(id, ControlKind::ListView).widget);
    if (!HasCell(*view, row, subItem))
        return false;
    QTreeWidgetItem* item = view->topLevelItem(row);
    item->setText(subItem, FromUtf8(text));
    item->setTextAlignment(subItem, Centred);
    return true;
}

std::string QtDialogWindow::ListGetItemText(int id, int row, int subItem) const {
    auto* view = static_cast<QTreeWidget*>(Find(id, ControlKind::ListView).widget);
    if (!HasCell(*view, row, subItem))
        return {};
    return ToUtf8(view->topLevelItem(row)->text(subItem));
}

int QtDialogWindow::MessageBox(std::string_view text, std::string_view caption, MessageBoxButtons buttons) {
    QtMessageBox box(frame.get(), text, caption, buttons);
    box.setFont(frame->font());
    box.setWindowModality(Qt::WindowModal);
    box.exec();
    return box.Answer();
}

std::function<void()> QtDialogWindow::OpenMessageBox(std::string_view text, std::string_view caption,
                                                     MessageBoxButtons buttons,
                                                     std::function<void(int)> answered) {
    auto* box = new QtMessageBox(frame.get(), text, caption, buttons);
    box->setFont(frame->font());
    box->setAttribute(Qt::WA_DeleteOnClose);
    // The dialog stays usable while the box is up, as it did while the worker's box waited on the board.
    box->setWindowModality(Qt::NonModal);
    auto pending = std::make_shared<std::function<void(int)>>(std::move(answered));
    QObject::connect(box, &QDialog::finished, box, [box, pending](int) {
        if (*pending)
            std::exchange(*pending, nullptr)(box->Answer());
    });
    box->show();
    // The box owns `answered`; the closer only reaches it while the box lives, so a closer that is never
    // called (the window went first) keeps nothing alive.
    return [guard = QPointer<QtMessageBox>(box), weakPending = std::weak_ptr(pending)] {
        if (auto stillPending = weakPending.lock())
            *stillPending = nullptr;
        if (guard) {
            guard->hide();
            guard->deleteLater();
        }
    };
}

int QtDialogWindow::RunModal() {
    if (endResult)
        return *endResult;
    // Modal to its own window only: the simulator panel beside it stays usable.
    frame->setWindowModality(Qt::WindowModal);
    frame->exec();
    return endResult.value_or(IdCancel);
}

void QtDialogWindow::End(int result) {
    if (endResult)
        return;
    endResult = result;
    frame->done(result);
}

void QtDialogWindow::Post(std::function<void()> task) {
    QMetaObject::invokeMethod(frame.get(), std::move(task), Qt::QueuedConnection);
}

} // namespace slabcal
