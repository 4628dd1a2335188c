#include "screens/expenses_screen.h"

#include "screens/controls.h"

#include <QPushButton>

namespace {

// One category page. The control names follow from the page number; the last
// three columns are where the pages' layouts differ. The subject is what screen
// readers call the page: the category as the plan's table names it.
struct CategoryPage {
    int number;
    Category category;
    const char* subject;
    const char* prompt;
    const char* promptLabel;
    const char* errorLabel;
    int promptWidth;
    int quarterFrameTop;
    int thirdBoxTop;
};

// clang-format off
const CategoryPage kPages[] = {
    { 1, Category::Wages,         "Заработная плата",                          "Введите ожидаемые расходы на выплату заработной платы",                            "Label11", "Label16",  5775, 1425, 220},
    { 2, Category::OtherPayments, "Прочие выплаты",                            "Введите ожидаемые расходы на прочие выплаты по оплате труда",                      "Label5",  "Label26",  5895, 1425, 220},
    { 3, Category::Communication, "Услуги связи",                              "Введите ожидаемые расходы на приобретение услуг связи",                            "Label17", "Label36",  5895, 1425, 220},
    { 4, Category::Transport,     "Транспортные услуги",                       "Введите ожидаемые расходы на приобретение транспортных услуг",                     "Label21", "Label46",  5895, 1440, 220},
    { 5, Category::Utilities,     "Коммунальные услуги",                       "Введите ожидаемые расходы на приобретение коммунальных услуг",                     "Label28", "Label56",  5895, 1425, 220},
    { 6, Category::Rent,          "Арендная плата за пользование имуществом",  "Введите ожидаемые расходы на арендную плату за пользование имуществом",            "Label32", "Label66",  5895, 1425, 240},
    { 7, Category::Maintenance,   "Работы, услуги по содержанию имущества",    "Введите ожидаемые расходы на работы и услуги по содержанию имущества",             "Label39", "Label76",  5895, 1425, 240},
    { 8, Category::OtherServices, "Прочие работы, услуги",                     "Введите ожидаемые расходы на приобретение прочих работ и услуг",                   "Label43", "Label86",  5895, 1425, 240},
    { 9, Category::Food,          "Приобретение продуктов питания",            "Введите ожидаемые расходы на приобретение продуктов питания",                      "Label50", "Label96",  5895, 1425, 240},
    {10, Category::OtherExpenses, "Прочие расходы",                            "Введите ожидаемую величину прочих расходов",                                       "Label54", "Label106", 5895, 1425, 240},
    {12, Category::FixedAssets,   "Увеличение стоимости основных средств",     "Введите ожидаемую величину расходов на увеличение стоимости основных средств",     "Label61", "Label126", 5895, 1425, 240},
    {13, Category::Materials,     "Увеличение стоимости материальных запасов", "Введите ожидаемую величину расходов на увеличение стоимости материальных запасов", "Label65", "Label136", 5895, 1425, 240},
};
// clang-format on

QString nameOf(const char* kind, int page, const char* suffix = "")
{
    return QLatin1String(kind) + QString::number(page) + QLatin1String(suffix);
}

QuarterPageLayout layoutOf(const CategoryPage& entry) {
    const int k = entry.number;
    return {
        .prompt = QString::fromUtf8(entry.promptLabel),
        .promptText = QString::fromUtf8(entry.prompt),
        .promptWidth = entry.promptWidth,
        .quarterly = nameOf("Option", k, "1"),
        .oneSum = nameOf("Option", k, "2"),
        .oneSumCaption = QStringLiteral("Ввод общей суммы расходов"),
        .quarterFrame = nameOf("Frame", k, "1"),
        .quarterFrameTop = entry.quarterFrameTop,
        .quarterLabels = {},
        .quarterBoxes = {nameOf("Text", k, "1"), nameOf("Text", k, "2"), nameOf("Text", k, "3"),
                         nameOf("Text", k, "4")},
        .secondBoxTop = 720,
        .thirdBoxTop = entry.thirdBoxTop,
        .sum = nameOf("Text", k, "0"),
        .error = QString::fromUtf8(entry.errorLabel),
        .back = nameOf("Command", k, "2"),
        .next = nameOf("Command", k, "1"),
    };
}

} // namespace

Form7::Form7(PlanState& plan)
    : Screen(plan, QStringLiteral("Form7"), QStringLiteral("Расходы образовательного учреждения"), 6990,
             3990) {
    for (const CategoryPage& entry : kPages) {
        QWidget* frame =
            addGroup(nameOf("Frame", entry.number), QString::fromUtf8(entry.subject), {0, 0, 6975, 3975});
        auto page = std::make_unique<QuarterPage>(static_cast<TwipLayout&>(*this), frame, QPoint(0, 0),
                                                  layoutOf(entry));
        setPageVisible(frame, m_pages.empty());
        const int index = int(m_pages.size());
        connect(page->next(), &QPushButton::clicked, this, [this, index] { onNextClicked(index); });
        connect(page->back(), &QPushButton::clicked, this, [this, index] { onBackClicked(index); });
        m_pages.push_back({entry.number, entry.category, std::move(page)});
    }
}

Form7::~Form7() = default;

int Form7::currentPage() const { return m_pages[m_current].number; }

QWidget* Form7::firstInput() const {
    return m_pages[m_current].entry->firstInput();
}

QJsonObject Form7::entriesOut() const {
    QJsonObject entries = Screen::entriesOut();
    entries.insert(QStringLiteral("page"), currentPage());
    return entries;
}

void Form7::entriesBack(const QJsonObject& entries) {
    Screen::entriesBack(entries);
    const int number = entries.value(QStringLiteral("page")).toInt(m_pages.front().number);
    for (int index = 0; index < pageCount(); ++index)
        if (m_pages[std::size_t(index)].number == number)
            showPage(index);
}

void Form7::showPage(int index) {
    setPageVisible(m_pages[m_current].entry->page(), false);
    m_current = std::size_t(index);
    setPageVisible(m_pages[m_current].entry->page(), true);
    focusFirstInput();
}

bool Form7::takePage(int index) {
    const Page& page = m_pages[std::size_t(index)];
    // materialsQ4 is the one fixed-point quarter; an amount beyond its range is
    // refused like a text that is not a number, and nothing is stored.
    const auto fourth = page.category == Category::Materials ? familyEntry::FourthQuarter::Fixed
                                                             : familyEntry::FourthQuarter::Tagged;
    const auto family = page.entry->take(faults(), fourth);
    if (family)
        plan().expense(page.category) = *family;
    return family.has_value();
}

void Form7::onNextClicked(int index) {
    const bool taken = takePage(index);
    if (taken && index + 1 == pageCount()) {
        emit forward();
        return;
    }
    if (taken)
        showPage(index + 1);
    emit stepTaken();
}

void Form7::onBackClicked(int index) {
    m_pages[std::size_t(index)].entry->clearError(faults());
    if (index == 0) {
        emit back();
        return;
    }
    showPage(index - 1);
    emit stepTaken();
}
