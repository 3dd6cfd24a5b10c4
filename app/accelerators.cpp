#include "app/accelerators.h"

#include <QAction>
#include <QMenuBar>

#include "app/main_window.h"
#include "app/menus.h"

namespace mora {

namespace {

constexpr Qt::KeyboardModifier kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

const Accelerator kAccelerators[] = {
    {40007, kCtrl | Qt::Key_1},             // Record (screen)
    {40008, kCtrl | Qt::Key_2},             // Editor
    {40009, kCtrl | Qt::Key_3},             // Clip editor
    {40010, kCtrl | Qt::Key_4},             // Edit Text
    {40011, kCtrl | Qt::Key_5},             // About
    {kRecordCommand, kCtrl | Qt::Key_R},    // Record...
    {40024, kCtrl | Qt::Key_Q},             // Exit
    {40026, kCtrl | Qt::Key_N},             // New project
    {40025, kCtrl | Qt::Key_O},             // Open project
    {40039, kCtrlShift | Qt::Key_O},        // Open clip
    {40036, kCtrl | Qt::Key_S},             // Save selection
    {40028, kCtrl | Qt::Key_Delete},        // Delete
    {40020, kCtrl | Qt::Key_P},             // Clip (publish)
    {40038, kCtrlShift | Qt::Key_P},        // Cliplist
    {40055, kCtrl | Qt::Key_I},             // Image
    {40052, kCtrl | Qt::Key_F},             // Clip to File
    {40054, kCtrlShift | Qt::Key_F},        // Cliplist to File
    {40062, kCtrl | Qt::Key_U},             // Fast Clip
    {40063, kCtrlShift | Qt::Key_U},        // Fast Cliplist
    {40033, kCtrl | Qt::Key_BracketLeft},   // Crop begin
    {40034, kCtrl | Qt::Key_BracketRight},  // Crop end
    {40047, kCtrl | Qt::Key_K},             // Copy to clip-editor...
    {40041, kCtrl | Qt::Key_B},             // Cut begin
    {40042, kCtrl | Qt::Key_E},             // Cut end
    {40043, kCtrl | Qt::Key_M},             // Mark
    {40049, kCtrl | Qt::Key_G},             // Input options...
};

}  // namespace

std::span<const Accelerator> Accelerators() {
    return kAccelerators;
}

void MainWindow::AddAccelerators() {
    for (const Accelerator& accelerator : kAccelerators) {
        if (QAction* item = Item(accelerator.id)) item->setShortcut(accelerator.keys);
    }
    auto* record = new QAction("Record...", this);
    record->setObjectName(QString::number(kRecordCommand));
    record->setData(kRecordCommand);
    record->setShortcut(kCtrl | Qt::Key_R);
    addAction(record);
    connect(record, &QAction::triggered, this, [this] { Command(kRecordCommand); });
}

}  // namespace mora
