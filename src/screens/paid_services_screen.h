#pragma once

#include "screens/screen.h"

#include "state/plan_state.h"

#include <array>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The paid services: an instruction page and a record editor that shows one of
// up to 40 records at a time. Records are appended and removed only at the end.
class Form4 : public Screen {
    Q_OBJECT
public:
    explicit Form4(PlanState& plan);
    // Entering on the instruction page; the record editor page is hidden too when
    // `hideEditor` is set. "перейти к следующему разделу…" is shown only while no
    // record exists.
    void enterInstructions(bool hideEditor);
    // Opens the record editor at record 1 (also how the revision from the
    // adjustment screen enters).
    void openServiceEditor();

    // The entries of the record shown (perhaps not yet saved into its slot) and
    // the visible page.
    QJsonObject entriesOut() const override;
    void entriesBack(const QJsonObject& entries) override;

    static constexpr int kAmountLists = 3; // price, labour need, other costs
    static constexpr int kMonths = 12;

signals:
    // "вернуться к заданию".
    void backToAssignment();
    // The records are done: "закончить" on the last record (before the adjustment
    // the paid-service totals are stored first), "перейти к следующему разделу"
    // without records (both totals 0), or the last record removed in the revision.
    void finished();

protected:
    // The record editor starts on the service name; the instruction page on
    // "перейти к платным услугам".
    QWidget* firstInput() const override;
    void adjustTabOrder() override;

private:
    enum Kind { Recurring = 1, OneOff = 2 };

    void buildInstructionPage();
    void buildEditorPage();

    // The unit captions and the month prompt of a kind; nothing is stored.
    void applyKindCaptions(int kind);
    // Copies the editor into the slot of the current record.
    void saveCurrentService();
    // Loads the slot of the current record into the editor.
    void showService();
    // The caption of "далее" and which of the other buttons exist on this record.
    void updateEditorButtons();
    void showRecordNumbers();
    // The editor page is named after its header: "Услуга № 2 из 3".
    void nameRecordPage();
    // Has a screen reader say which record is shown, when the keyboard stays on
    // the button that moved to it.
    void announceRecord();
    void selectKind(int kind);
    // Every step but "удалить" and "вернуть удалённую" ends the chance to bring
    // the record removed last back.
    void onStep(QPushButton* button, void (Form4::*handler)());

    void onOpenEditorClicked();       // "перейти к платным услугам"
    void onBackToAssignmentClicked(); // "вернуться к заданию"
    void onNoServicesClicked(); // "перейти к следующему разделу (платные услуги не оказываются)"
    void onNextClicked();       // "далее" / "закончить"
    void onBackClicked();       // "назад"
    void onCreateClicked();     // "создать"
    void onRemoveClicked();     // "удалить"
    // "вернуть удалённую": the record removed last comes back at the end.
    void onRestoreClicked();
    // The record removed last can come back only until the next step.
    void forgetRemoved();
    void offerRemoved();

    QWidget* m_instructions = nullptr;   // Frame1
    QWidget* m_editor = nullptr;         // Frame2
    QWidget* m_monthsGroup = nullptr;    // Frame3
    QPushButton* m_noServices = nullptr; // Command3
    QPushButton* m_open = nullptr;       // Command1

    QLabel* m_recordCaption = nullptr; // Label5
    QLabel* m_recordNumber = nullptr;  // Label6
    QLabel* m_recordCount = nullptr;   // Label8
    QRadioButton* m_recurring = nullptr; // Option1
    QRadioButton* m_oneOff = nullptr;    // Option2
    QLineEdit* m_name = nullptr;         // Text1
    std::array<QComboBox*, kAmountLists> m_amounts{}; // Combo1 … Combo3
    std::array<QLabel*, kAmountLists> m_units{};      // Label11, Label12, Label15
    QLabel* m_monthPrompt = nullptr;                  // Label16
    std::array<QComboBox*, kMonths> m_months{};       // Combo11 … Combo43, January first
    QPushButton* m_back = nullptr;   // Command5
    QPushButton* m_delete = nullptr; // Command7
    QPushButton* m_create = nullptr; // Command6
    QPushButton* m_next = nullptr;   // Command4
    QPushButton* m_restore = nullptr; // Command8 "вернуть удалённую", after "удалить"
    std::optional<ServiceRecord> m_removed; // as the editor showed it
    int m_removedNumber = 0;
};
