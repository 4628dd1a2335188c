#pragma once

#include "screens/screen.h"

class QComboBox;
class QDateTime;
class QLabel;
class QLineEdit;
class QPushButton;

// The welcome screen: who draws up the plan and for which institution.
class Form1 : public Screen {
    Q_OBJECT
public:
    explicit Form1(PlanState& plan);

    // A draft of a plan is there: "Продолжить план от DD.MM.YYYY HH:MM" is offered
    // below "начать".
    void offerDraft(const QDateTime& written);
    // The draft found could not be read and was put aside: one line says so.
    void reportBadDraft(const QString& movedTo);

signals:
    // "начать": the user's data is stored, with a fresh first record and fresh
    // wizard flags.
    void started();
    // "Продолжить план от …".
    void continueAsked();

protected:
    QWidget* firstInput() const override;

private:
    void onStartClicked();

    QLineEdit* m_surname = nullptr;
    QLineEdit* m_firstInitial = nullptr;
    QLineEdit* m_patronymicInitial = nullptr;
    QLineEdit* m_institution = nullptr;
    QComboBox* m_settlement = nullptr;
    QLabel* m_error = nullptr;
    QPushButton* m_start = nullptr;    // Command1
    QPushButton* m_continue = nullptr; // Command2, only with a draft
};
