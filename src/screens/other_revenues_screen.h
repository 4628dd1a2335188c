#pragma once

#include "screens/screen.h"
#include "state/plan_state.h"

#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QRadioButton;

// Reading a revenue or expense family the way its page was filled in: four
// quarter texts or one annual sum. Shared by the other revenues and the expenses
// screens.
namespace familyEntry {

// How the fourth quarter is held: like the others, or as a fixed-point amount.
enum class FourthQuarter { Tagged, Fixed };

// Quarterly entry: the quarters are the texts as typed (the fourth converted at
// once when it is fixed), the total their numeric sum in quarter order. Nothing
// when a text is not a number or lies beyond the range of a money amount.
std::optional<Family> fromQuarters(const std::array<QString, 4>& texts, FourthQuarter fourth);

// One annual sum: the total is the text as typed, every quarter the sum / 4,
// unrounded (the fixed fourth quarter rounded to four decimals, halves to even).
// Nothing when the text is not a number or lies beyond the range of a money amount.
std::optional<Family> fromAnnualSum(const QString& text, FourthQuarter fourth);

// The boxes of a refused entry that are at fault: those that do not hold an
// amount (all of them, should none stand out).
QList<QWidget*> atFault(const QList<QLineEdit*>& boxes);

// Why a refused entry is refused: the hint for the first box at fault, each box
// named for the period it holds ("I квартал" … "IV квартал", or the year).
QString hint(const QList<QLineEdit*>& boxes);

} // namespace familyEntry

// The other revenues: budget investments on the screen itself, the parental fee
// on the page Frame2 that covers it. The screen shows again on the page it was
// hidden on.
class Form6 : public Screen {
    Q_OBJECT
public:
    explicit Form6(Navigator& navigator);

    // Whether the parental fee page is the visible one.
    bool onParentFeePage() const;

    // The entries and the visible page.
    QJsonObject entriesOut() const override;
    void entriesBack(const QJsonObject& entries) override;

protected:
    // The first box of the visible page's entry mode.
    QWidget* firstInput() const override;

private:
    void command1Click(); // budget investments "далее"
    void command2Click(); // budget investments "назад"
    void command3Click(); // parental fee "далее"
    void command4Click(); // parental fee "назад"
    void showParentFeePage(bool show);

    // Budget investments page.
    QWidget* m_investmentsPage = nullptr;
    QRadioButton* m_investmentsQuarterly = nullptr; // Option1
    std::array<QLineEdit*, 4> m_investmentsQuarters{};
    QLineEdit* m_investmentsSum = nullptr;
    QLabel* m_investmentsError = nullptr;

    // Parental fee page.
    QWidget* m_parentFeePage = nullptr;
    QRadioButton* m_parentFeeQuarterly = nullptr; // Option4
    std::array<QLineEdit*, 4> m_parentFeeQuarters{};
    QLineEdit* m_parentFeeSum = nullptr;
    QLabel* m_parentFeeError = nullptr;
};
