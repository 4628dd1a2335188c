#pragma once

#include "screens/entry_pages.h"
#include "screens/quarter_page.h"
#include "screens/screen.h"
#include "state/plan_state.h"

#include <memory>
#include <vector>

// The twelve expense categories, one page each (pages 1 … 10, 12, 13), entered
// per quarter or as one annual sum. The screen keeps its visible page while
// hidden, so it shows again on the page it was left on.
class Form7 : public Screen, public EntryPages {
    Q_OBJECT
public:
    explicit Form7(PlanState& plan);
    ~Form7() override;

    // The number of the visible page (1 … 10, 12 or 13).
    int currentPage() const;

    // The categories in the order of their pages.
    int pageCount() const override { return int(m_pages.size()); }
    int shownPage() const override { return int(m_current); }
    void showPage(int page) override;
    bool takePage(int page) override;

    // The entries and the visible page.
    QJsonObject entriesOut() const override;
    void entriesBack(const QJsonObject& entries) override;

signals:
    // "назад" on the first page.
    void back();
    // "далее" on the last page, every category stored; that page stays the
    // visible one, so coming back lands there.
    void forward();

protected:
    // The first box of the visible page's entry mode.
    QWidget* firstInput() const override;

private:
    struct Page {
        int number = 0;
        Category category = Category::Wages;
        std::unique_ptr<QuarterPage> entry; // Frame<k>
    };

    void onNextClicked(int index); // Command<k>1
    void onBackClicked(int index); // Command<k>2

    std::vector<Page> m_pages;
    std::size_t m_current = 0;
};
