#include "setup/setup_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace mora {

SetupPage::SetupPage(SetupState& state, QWidget* parent)
    : QWidget(parent), state_(state), settings_(state.settings) {}

namespace {
template <typename T>
T* Named(T* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
}
}  // namespace

QCheckBox* SetupPage::Check(int id, const QString& text) {
    return Named(new QCheckBox(text, this), id);
}

QRadioButton* SetupPage::Radio(int id, const QString& text) {
    return Named(new QRadioButton(text, this), id);
}

QLineEdit* SetupPage::Edit(int id, int maxLength) {
    auto* edit = Named(new QLineEdit(this), id);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    return edit;
}

QPushButton* SetupPage::Button(int id, const QString& text) {
    return Named(new QPushButton(text, this), id);
}

QComboBox* SetupPage::Combo(int id, bool editable) {
    auto* combo = Named(new QComboBox(this), id);
    combo->setEditable(editable);
    return combo;
}

QLabel* SetupPage::Heading(const QString& text) {
    auto* label = new QLabel(text, this);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

void SetChecked(QCheckBox* box, uint32_t value) {
    box->setChecked(value != 0);
}

bool IsChecked(const QCheckBox* box) {
    return box->isChecked();
}

void SetRadio(std::initializer_list<QRadioButton*> buttons, std::initializer_list<int> values,
              int value) {
    auto v = values.begin();
    for (QRadioButton* button : buttons) {
        // Exclusive groups cannot uncheck their last button by setChecked(false).
        button->setAutoExclusive(false);
        button->setChecked(*v++ == value);
        button->setAutoExclusive(true);
    }
}

int RadioValue(std::initializer_list<QRadioButton*> buttons, std::initializer_list<int> values,
               int unchanged) {
    auto v = values.begin();
    for (QRadioButton* button : buttons) {
        if (button->isChecked()) return *v;
        ++v;
    }
    return unchanged;
}

int ComboValue(const QComboBox* combo, int unchanged) {
    return combo->currentIndex() >= 0 ? combo->currentIndex() : unchanged;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

}  // namespace mora
