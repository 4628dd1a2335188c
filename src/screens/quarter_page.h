#pragma once

#include "state/family_entry.h"

#include <QPoint>
#include <QString>

#include <array>
#include <optional>

class Faults;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class TwipLayout;

// The names of one page's controls where they differ from page to page, and the
// few places where their layouts do. An empty name leaves a control unnamed.
struct QuarterPageLayout {
    QString prompt;
    QString promptText;
    int promptWidth = 5895;
    QString quarterly; // the option "Поквартальный ввод"
    QString oneSum;    // the option of one annual sum
    QString oneSumCaption;
    QString quarterFrame;
    int quarterFrameTop = 1425;
    std::array<QString, 4> quarterLabels;
    std::array<QString, 4> quarterBoxes;
    int secondBoxTop = 720;
    int thirdBoxTop = 220;
    QString sum;
    QString error;
    QString back;
    QString next;
};

// A page on which an amount is entered per quarter or as one annual sum: the
// option pair, four quarter boxes read column by column, the annual box, the
// error label with its hint, and the buttons back and on. Switching the entry
// mode only swaps which boxes are visible; no box is cleared.
class QuarterPage {
public:
    // Builds the page's controls on `page`, which stands at `origin` (in twips) on
    // the screen; the layout's places are given as on the screen.
    QuarterPage(TwipLayout& layout, QWidget* page, QPoint origin, const QuarterPageLayout& names);

    QWidget* page() const { return m_page; }
    QPushButton* back() const { return m_back; }
    QPushButton* next() const { return m_next; }
    bool quarterly() const;
    // The first box of the entry mode chosen.
    QWidget* firstInput() const;

    // The family the page holds, its error cleared; or nothing, the page's
    // entry refused where it is wrong.
    std::optional<Family> take(Faults& faults, familyEntry::FourthQuarter fourth) const;
    void clearError(Faults& faults) const;

private:
    QWidget* m_page;
    QRadioButton* m_quarterly = nullptr;
    std::array<QLineEdit*, 4> m_quarters{};
    QLineEdit* m_sum = nullptr;
    QLabel* m_error = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
};
