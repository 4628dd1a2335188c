#pragma once

#include "screens/entry_pages.h"
#include "screens/screen.h"

class QLabel;
class QLineEdit;

// The founder's assignment: the annual subsidy for the state (municipal) assignment.
class Form2 : public Screen, public EntryPages {
    Q_OBJECT
public:
    explicit Form2(PlanState& plan);

    int pageCount() const override { return 1; }
    int shownPage() const override { return 0; }
    void showPage(int) override {}
    // The subsidy, refused when it is not an amount.
    bool takePage(int page) override;

signals:
    // "далее" with the subsidy stored.
    void forward();

protected:
    QWidget* firstInput() const override;

private:
    void onNextClicked();

    QLineEdit* m_amount = nullptr;
    QWidget* m_next = nullptr; // Command1
    QLabel* m_error = nullptr;
};
