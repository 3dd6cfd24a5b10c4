#pragma once
// The clip editor's list view: a report-style list of the clip list's rows with a total row,
// single full-row selection that stays visible without the focus, and in-place editing of the
// name column. What the reporter does in it reaches the owner through ClipListViewEvents; the
// owner decides and refills the view.

#include <QPointer>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

#include "project/clip_list.h"

class QStandardItemModel;

namespace mora {

struct ClipListViewEvents {
    // A row became selected (its index; the total row is the last).
    std::function<void(int row)> rowSelected;
    // Enter or Space.
    std::function<void()> playKey;
    // May the name of `row` be edited now?
    std::function<bool(int row)> mayEdit;
    // The name of `row` was edited to `text`; reported after the editor has closed.
    std::function<void(int row, const std::string& text)> renamed;
};

class ClipListView : public QTreeView {
  public:
    ClipListView(QWidget* parent, const QFont& font, ClipListViewEvents events);
    using QTreeView::edit;

    // Replaces all rows: the detailed view has the columns "Name", "Min.", "Time/Date" and
    // "Location" under headers, the simple one "Name" and "Description" without. The selected
    // row is made current and shown.
    void Fill(const std::vector<ClipListRow>& rows, bool detailed);
    // Colours from the skin: the panel's background and text, the selection in `highlight`.
    void SetColours(const QColor& background, const QColor& text, const QColor& highlight);
    // Closes an open name editor, keeping what was typed.
    void EndEditing();
    bool Editing() const { return editor_ != nullptr; }
    int RowCount() const;
    QString Text(int row, int column) const;
    int SelectedRow() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    class NameDelegate;
    void SizeColumns();

    QStandardItemModel* model_;
    ClipListViewEvents events_;
    QPointer<QWidget> editor_;
    bool detailed_ = false;
};

}  // namespace mora
