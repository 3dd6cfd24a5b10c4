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
    {cmd::Record, kCtrl | Qt::Key_1},
    {cmd::Editor, kCtrl | Qt::Key_2},
    {cmd::ClipEditor, kCtrl | Qt::Key_3},
    {cmd::EditText, kCtrl | Qt::Key_4},
    {cmd::About, kCtrl | Qt::Key_5},
    {cmd::RecordButton, kCtrl | Qt::Key_R},  // Record...
    {cmd::Exit, kCtrl | Qt::Key_Q},
    {cmd::NewProject, kCtrl | Qt::Key_N},
    {cmd::OpenProject, kCtrl | Qt::Key_O},
    {cmd::OpenClip, kCtrlShift | Qt::Key_O},
    {cmd::SaveSelection, kCtrl | Qt::Key_S},
    {cmd::Delete, kCtrl | Qt::Key_Delete},
    {cmd::PublishClip, kCtrl | Qt::Key_P},
    {cmd::PublishClipList, kCtrlShift | Qt::Key_P},
    {cmd::Image, kCtrl | Qt::Key_I},
    {cmd::ClipToFile, kCtrl | Qt::Key_F},
    {cmd::ClipListToFile, kCtrlShift | Qt::Key_F},
    {cmd::FastClip, kCtrl | Qt::Key_U},
    {cmd::FastClipList, kCtrlShift | Qt::Key_U},
    {cmd::CropBegin, kCtrl | Qt::Key_BracketLeft},
    {cmd::CropEnd, kCtrl | Qt::Key_BracketRight},
    {cmd::CopyToClipEditor, kCtrl | Qt::Key_K},
    {cmd::CutBegin, kCtrl | Qt::Key_B},
    {cmd::CutEnd, kCtrl | Qt::Key_E},
    {cmd::Mark, kCtrl | Qt::Key_M},
    {cmd::InputOptions, kCtrl | Qt::Key_G},
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
    record->setObjectName(QString::number(cmd::RecordButton));
    record->setData(cmd::RecordButton);
    record->setShortcut(kCtrl | Qt::Key_R);
    addAction(record);
    connect(record, &QAction::triggered, this, [this] { Command(cmd::RecordButton); });
}

}  // namespace mora
