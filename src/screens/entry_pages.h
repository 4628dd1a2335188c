#pragma once

// A screen whose pages take what is typed into them into the plan, each as its
// "далее" leaves it (the assignment has one page, the other revenues two, the
// expenses twelve).
class EntryPages {
public:
    virtual ~EntryPages() = default;
    virtual int pageCount() const = 0;
    virtual int shownPage() const = 0;
    virtual void showPage(int page) = 0;
    // Takes the page's entries into the plan as its "далее" does; false when they
    // are refused, the refusal then shown on the page.
    virtual bool takePage(int page) = 0;
};
