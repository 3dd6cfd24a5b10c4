#pragma once
// "Input options": the reporter picks the input equaliser profile.

#include <QDialog>

#include "settings/settings.h"

class QComboBox;

namespace mora {

// Dialog 148 with the profile list (combo box 1031) and "Ok" (1) / "Cancel" (2).
class InputOptionsDialog : public QDialog {
  public:
    InputOptionsDialog(const Settings& settings, QWidget* parent);
    // The text of the list's edit field.
    std::string EditText() const;

  private:
    QComboBox* combo_;
};

}  // namespace mora
