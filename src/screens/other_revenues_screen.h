#pragma once

#include "screens/entry_pages.h"
#include "screens/quarter_page.h"
#include "screens/screen.h"

#include <memory>

// The other revenues: budget investments on the screen itself, the parental fee
// on the page Frame2 that covers it. The screen shows again on the page it was
// hidden on.
class Form6 : public Screen, public EntryPages {
    Q_OBJECT
public:
    explicit Form6(PlanState& plan);
    ~Form6() override;

    // Whether the parental fee page is the visible one.
    bool onParentFeePage() const;

    // The budget investments (page 0), then the parental fee (page 1).
    int pageCount() const override { return 2; }
    int shownPage() const override { return onParentFeePage() ? 1 : 0; }
    void showPage(int page) override { showParentFeePage(page == 1); }
    bool takePage(int page) override;

    // The entries and the visible page.
    QJsonObject entriesOut() const override;
    void entriesBack(const QJsonObject& entries) override;

signals:
    // "назад" on the budget investments page.
    void back();
    // "далее" on the parental fee page, both revenues stored.
    void forward();

protected:
    // The first box of the visible page's entry mode.
    QWidget* firstInput() const override;

private:
    void onInvestmentsNextClicked();
    void onInvestmentsBackClicked();
    void onParentFeeNextClicked();
    void onParentFeeBackClicked();
    void showParentFeePage(bool show);

    std::unique_ptr<QuarterPage> m_investments; // the screen itself
    std::unique_ptr<QuarterPage> m_parentFee;   // Frame2
};
