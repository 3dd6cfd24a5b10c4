#pragma once
// The main window's keyboard shortcuts. None uses a bare digit, Enter or an arrow: those are
// the record screen's keys.

#include <QKeySequence>
#include <span>

#include "ui/menu_commands.h"

namespace mora {

struct Accelerator {
    int id;  // command identifier
    QKeyCombination keys;
};

// The shortcut of every command. Ctrl+1 ... Ctrl+5 switch to the record screen, editor, clip
// editor, text editor and about screen; Ctrl+R presses Record (cmd::RecordButton, which has no
// menu item).
std::span<const Accelerator> Accelerators();

}  // namespace mora
