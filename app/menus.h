#pragma once
// The main window's menus: the full menu, the reduced one for LiteLayout, and the optional
// publishing and input items added from the settings. Every item carries its command
// identifier as objectName and data.

#include "settings/settings.h"
#include "ui/menu_commands.h"

class QAction;
class QMenu;
class QMenuBar;

namespace mora {

// Popup titles; the blanks space the popups out on a narrow screen.
inline constexpr const char* kFilePopup = "    File  ";
inline constexpr const char* kPublishPopup = "  Publish  ";
inline constexpr const char* kEditPopup = "  Edit  ";
inline constexpr const char* kToolsPopup = "  Tools  ";

// Fills `bar` with the full menu, or with the reduced one when `lite`.
void BuildMainMenu(QMenuBar& bar, bool lite);
// Adds the items the settings ask for: input options, images, publishing to a file and fast
// publishing.
void BuildPublishMenu(QMenuBar& bar, const Settings& settings);

// The item with command identifier `id` anywhere in the menu, or nullptr.
QAction* FindMenuItem(const QMenuBar& bar, int id);
// The popup with this title, or nullptr.
QMenu* FindPopup(const QMenuBar& bar, const char* title);

}  // namespace mora
