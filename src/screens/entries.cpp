#include "screens/entries.h"

#include "state/draft.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>

namespace entries {

QJsonObject out(const QWidget& screen) {
    QJsonObject entries;
    for (const QLineEdit* box : screen.findChildren<QLineEdit*>())
        if (!box->objectName().isEmpty())
            entries.insert(box->objectName(), draft::textToJson(box->text()));
    for (const QComboBox* list : screen.findChildren<QComboBox*>())
        if (!list->objectName().isEmpty())
            entries.insert(list->objectName(), list->currentText());
    for (const QRadioButton* option : screen.findChildren<QRadioButton*>())
        if (!option->objectName().isEmpty())
            entries.insert(option->objectName(), option->isChecked());
    return entries;
}

void back(QWidget& screen, const QJsonObject& entries) {
    for (QLineEdit* box : screen.findChildren<QLineEdit*>()) {
        const auto text = draft::textFromJson(entries.value(box->objectName()));
        if (!box->objectName().isEmpty() && text)
            box->setText(*text);
    }
    for (QComboBox* list : screen.findChildren<QComboBox*>()) {
        const QJsonValue item = entries.value(list->objectName());
        if (list->objectName().isEmpty() || !item.isString())
            continue;
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(list->findText(item.toString(), Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    for (QRadioButton* option : screen.findChildren<QRadioButton*>())
        if (entries.value(option->objectName()).toBool())
            option->setChecked(true);
}

} // namespace entries
