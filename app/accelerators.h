#pragma once
// The main window's keyboard shortcuts. None uses a bare digit, Enter or an arrow: those are
// the record screen's keys.

#include <QKeySequence>
#include <span>

namespace mora {

struct Accelerator {
    int id;  // command identifier
    QKeyCombination keys;
};

// The shortcut of every command. Ctrl+1 ... Ctrl+5 switch to the record screen, editor, clip
// editor, text editor and about screen; Ctrl+R presses Record.
std::span<const Accelerator> Accelerators();

// The command that has no menu item: pressing the record screen's Record button.
inline constexpr int kRecordCommand = 40057;

}  // namespace mora
