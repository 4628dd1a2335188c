#pragma once

#include "screens/screen.h"

#include <QDateTime>
#include <QList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The welcome screen: who draws up the plan and for which institution.
class Form1 : public Screen {
    Q_OBJECT
public:
    explicit Form1(PlanState& plan);

    struct DraftOffer {
        QDateTime written;
        QString institution;
    };
    // Drafts of plans are there: "Продолжить план от DD.MM.YYYY HH:MM" is offered
    // below "начать" for each, with its institution when there are several.
    void offerDrafts(const QList<DraftOffer>& offers);
    // The draft found could not be read and was put aside: one line says so.
    void reportBadDraft(const QString& movedTo);

signals:
    // "начать": the user's data is stored, with a fresh first record and fresh
    // wizard flags.
    void started();
    // "Продолжить план от …" of the offer at `index`.
    void continueAsked(int index);

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
    QList<QPushButton*> m_continue;    // Command2 …, only with drafts
};
