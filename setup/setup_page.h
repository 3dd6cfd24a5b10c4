#pragma once
// One settings page of the setup program. A page is made when its tab opens, filled from the
// record, and stored back into the record when it goes (tab change, "Save and exit", closing
// the window). Its controls carry their control number as objectName, so tests find them.

#include <QString>
#include <QWidget>
#include <initializer_list>

#include "setup/setup_state.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace mora {

class SetupPage : public QWidget {
  public:
    SetupPage(SetupState& state, QWidget* parent);

    virtual void Fill() = 0;
    virtual void Store() = 0;
    // Stops whatever the page plays or measures (tab change, program end).
    virtual void StopAudio() {}

  protected:
    QCheckBox* Check(int id, const QString& text);
    QRadioButton* Radio(int id, const QString& text);
    QLineEdit* Edit(int id, int maxLength = 0);
    QPushButton* Button(int id, const QString& text);
    QComboBox* Combo(int id, bool editable = false);
    // A bold heading above a group of controls.
    QLabel* Heading(const QString& text);

    SetupState& state_;
    Settings& settings_;
};

// Check boxes map to 0/1.
void SetChecked(QCheckBox* box, uint32_t value);
bool IsChecked(const QCheckBox* box);

// A radio group with the value of each button in order: Set checks the button of `value`
// (none when no button has it); Value gives the checked button's value, or `unchanged` when
// none is checked, so an odd stored value survives a visit to the page.
void SetRadio(std::initializer_list<QRadioButton*> buttons, std::initializer_list<int> values,
              int value);
int RadioValue(std::initializer_list<QRadioButton*> buttons, std::initializer_list<int> values,
               int unchanged);

// A combo box index as stored, keeping the stored value when nothing is chosen.
int ComboValue(const QComboBox* combo, int unchanged);

QString Q(const std::string& text);
std::string S(const QString& text);

}  // namespace mora
