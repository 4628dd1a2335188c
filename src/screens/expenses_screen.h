#pragma once

#include "screens/screen.h"
#include "state/plan_state.h"

#include <array>
#include <vector>

class QLabel;
class QLineEdit;
class QRadioButton;

// The twelve expense categories, one page each (pages 1 … 10, 12, 13), entered
// per quarter or as one annual sum. The screen keeps its visible page while
// hidden, so it shows again on the page it was left on.
class Form7 : public Screen {
    Q_OBJECT
public:
    explicit Form7(Navigator& navigator);

    // The number of the visible page (1 … 10, 12 or 13).
    int currentPage() const;

    // The entries and the visible page.
    QJsonObject entriesOut() const override;
    void entriesBack(const QJsonObject& entries) override;

protected:
    // The first box of the visible page's entry mode.
    QWidget* firstInput() const override;

private:
    struct Page {
        int number = 0;
        Category category = Category::Wages;
        QWidget* frame = nullptr;             // Frame<k>
        QRadioButton* quarterly = nullptr;    // Option<k>1
        std::array<QLineEdit*, 4> quarters{}; // Text<k>1 … Text<k>4
        QLineEdit* total = nullptr;           // Text<k>0
        QLabel* error = nullptr;
    };

    void next(std::size_t index); // Command<k>1
    void back(std::size_t index); // Command<k>2
    void showPage(std::size_t index);

    std::vector<Page> m_pages;
    std::size_t m_current = 0;
};
