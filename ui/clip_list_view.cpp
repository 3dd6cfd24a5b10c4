#include "ui/clip_list_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <algorithm>

namespace mora {

namespace {

enum Column { kName = 0, kMinutes = 1, kDate = 2, kLocation = 3 };

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString Css(const QColor& colour) {
    return colour.name(QColor::HexRgb);
}

}  // namespace

// Reports a finished name edit to the view's owner instead of writing it into the model: the
// owner renames the clip and refills the view, which it may only do once the editor is gone.
class ClipListView::NameDelegate : public QStyledItemDelegate {
  public:
    explicit NameDelegate(ClipListView& view) : QStyledItemDelegate(&view), view_(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        view_.editor_ = editor;
        return editor;
    }
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        if (view_.editor_ == editor) view_.editor_ = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        const auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line || !view_.events_.renamed) return;
        const int row = index.row();
        const std::string text = line->text().toStdString();
        QPointer<ClipListView> view(&view_);
        QMetaObject::invokeMethod(
            &view_,
            [view, row, text] {
                if (view && view->events_.renamed) view->events_.renamed(row, text);
            },
            Qt::QueuedConnection);
    }

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        // A path (the location, or the simple view's folder) says most at its ends: the middle
        // goes when it is too long.
        const bool path = index.column() == kLocation || (!view_.detailed_ && index.column() == 1);
        if (path) option->textElideMode = Qt::ElideMiddle;
    }

  private:
    ClipListView& view_;
};

ClipListView::ClipListView(QWidget* parent, const QFont& font, ClipListViewEvents events)
    : QTreeView(parent), model_(new QStandardItemModel(this)), events_(std::move(events)) {
    setFont(font);
    setModel(model_);
    setItemDelegate(new NameDelegate(*this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::SelectedClicked);
    setFrameShape(QFrame::NoFrame);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                const QModelIndexList rows = selected.indexes();
                if (!rows.isEmpty() && events_.rowSelected) events_.rowSelected(rows.first().row());
            });
}

void ClipListView::SetColours(const QColor& background, const QColor& text,
                              const QColor& highlight) {
    // The selection keeps its colour when the view loses the focus.
    QPalette p = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Base, background);
        p.setColor(group, QPalette::Window, background);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::Highlight, highlight);
        p.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    setPalette(p);
    // Scroll bars and headers grow with the skin like the rest of the screen.
    const int unit = std::max(1, QFontInfo(font()).pixelSize());
    const int bar = std::max(8, unit * 3 / 4);
    const QColor header = background.lighter(170);
    const QColor handle = background.lighter(300);
    setStyleSheet(QString("QTreeView { background: %1; color: %2; border: none; outline: 0;"
                          " selection-background-color: %3; selection-color: white; }"
                          "QHeaderView::section { background: %4; color: %2; border: none;"
                          " border-right: 1px solid %1; padding: 0 %5px; }"
                          "QScrollBar:vertical { background: %1; width: %6px; margin: 0; }"
                          "QScrollBar:horizontal { background: %1; height: %6px; margin: 0; }"
                          "QScrollBar::handle { background: %7; border-radius: %8px;"
                          " min-height: %6px; min-width: %6px; }"
                          "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
                          "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
                      .arg(Css(background), Css(text), Css(highlight), Css(header))
                      .arg(unit / 4)
                      .arg(bar)
                      .arg(Css(handle))
                      .arg(bar / 2 - 1));
}

void ClipListView::Fill(const std::vector<ClipListRow>& rows, bool detailed) {
    detailed_ = detailed;
    model_->clear();
    if (detailed) {
        model_->setHorizontalHeaderLabels({"Name", "Min.", "Time/Date", "Location"});
    } else {
        model_->setHorizontalHeaderLabels({"Name", "Description"});
    }
    setHeaderHidden(!detailed);
    int selected = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ClipListRow& row = rows[i];
        const bool total = i + 1 == rows.size();
        QList<QStandardItem*> items;
        items << new QStandardItem(Qs(row.name));
        if (detailed) {
            items << new QStandardItem(Qs(row.duration)) << new QStandardItem(Qs(row.date))
                  << new QStandardItem(Qs(row.location));
        } else {
            items << new QStandardItem(Qs(row.description));
        }
        for (QStandardItem* item : items) item->setEditable(false);
        // Only a clip's name is edited in place; the total row is no clip.
        items[kName]->setEditable(!total);
        if (total) {
            QFont bold = font();
            bold.setBold(true);
            for (QStandardItem* item : items) item->setFont(bold);
        }
        model_->appendRow(items);
        if (row.selected) selected = static_cast<int>(i);
    }
    SizeColumns();
    if (selected >= 0) {
        const QModelIndex index = model_->index(selected, kName);
        selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
}

void ClipListView::SizeColumns() {
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(font()), boldMetrics(bold);
    const int pad = metrics.averageCharWidth() * 2;
    const int rows = model_->rowCount();
    auto contents = [&](int column) {
        const QString title = model_->headerData(column, Qt::Horizontal).toString();
        int wide = detailed_ ? metrics.horizontalAdvance(title) : 0;
        for (int r = 0; r < rows; ++r) {
            const QFontMetrics& m = r + 1 == rows ? boldMetrics : metrics;
            wide = std::max(wide, m.horizontalAdvance(Text(r, column)));
        }
        return wide + pad;
    };
    const int width = viewport()->width();
    if (!detailed_) {
        // The description shows whole when it can; the name takes the rest.
        const int description = std::min(contents(1), width * 3 / 4);
        setColumnWidth(kName, width - description);
        setColumnWidth(1, description);
        return;
    }
    // The name keeps room for the other columns; a long one is cut short with an ellipsis.
    const int name = std::min(contents(kName), width * 2 / 5);
    setColumnWidth(kName, name);
    setColumnWidth(kMinutes, contents(kMinutes));
    setColumnWidth(kDate, contents(kDate));
    const int used = name + columnWidth(kMinutes) + columnWidth(kDate);
    setColumnWidth(kLocation, std::max(width - used, contents(kLocation)));
}

void ClipListView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    if (model_->rowCount() > 0) SizeColumns();
}

void ClipListView::EndEditing() {
    if (!editor_) return;
    QWidget* editor = editor_;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

int ClipListView::RowCount() const {
    return model_->rowCount();
}

QString ClipListView::Text(int row, int column) const {
    return model_->data(model_->index(row, column)).toString();
}

int ClipListView::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ClipListView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool play = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    if (play && state() != EditingState && !(event->modifiers() & Qt::ControlModifier)) {
        if (events_.playKey) events_.playKey();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

bool ClipListView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool starts = index.isValid() && (model_->flags(index) & Qt::ItemIsEditable) &&
                        (trigger == AllEditTriggers || (trigger & editTriggers())) && !editor_;
    if (starts && events_.mayEdit && !events_.mayEdit(index.row())) return false;
    return QTreeView::edit(index, trigger, event);
}

}  // namespace mora
