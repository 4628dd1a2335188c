#include "screens/expenses_screen.h"

#include "screens/controls.h"
#include "screens/navigator.h"
#include "screens/other_revenues_screen.h"
#include "screens/preliminary_screen.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr double kOptionPoints = 8.25;

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

} // namespace

Form7::Form7(Navigator& navigator)
    : Screen(navigator, QStringLiteral("Form7"), QStringLiteral("Расходы образовательного учреждения"), 6990,
             3990)
{
    for (const CategoryPage& entry : kPages) {
        const int k = entry.number;
        Page page;
        page.number = k;
        page.category = entry.category;

        page.frame = addGroup(nameOf("Frame", k), QString::fromUtf8(entry.subject), {0, 0, 6975, 3975});
        QWidget* frame = page.frame;
        addLabel(entry.promptLabel, entry.prompt, {600, 120, entry.promptWidth, 495}, frame);
        page.quarterly =
            addOption(nameOf("Option", k, "1"), "Поквартальный ввод", {360, 840, 3135, 375}, frame);
        auto* totalMode =
            addOption(nameOf("Option", k, "2"), "Ввод общей суммы расходов", {3480, 840, 3135, 375}, frame);
        // Unnamed: the page names the category once, its quarter boxes their quarters.
        auto* quarterFrame =
            addGroup(nameOf("Frame", k, "1"), QString(), {360, entry.quarterFrameTop, 6255, 1215}, frame);
        readColumnsFirst(quarterFrame); // quarters I, II, III, IV
        addLabel(QString(), "I квартал", {120, 240, 1095, 255}, quarterFrame);
        page.quarters[0] = addTextBox(nameOf("Text", k, "1"), {1320, 220, 1575, 360}, quarterFrame);
        addLabel(QString(), "II квартал", {120, 720, 1095, 255}, quarterFrame);
        page.quarters[1] = addTextBox(nameOf("Text", k, "2"), {1320, 720, 1575, 360}, quarterFrame);
        addLabel(QString(), "III квартал", {3120, 240, 1215, 255}, quarterFrame);
        page.quarters[2] =
            addTextBox(nameOf("Text", k, "3"), {4440, entry.thirdBoxTop, 1575, 360}, quarterFrame);
        addLabel(QString(), "IV квартал", {3120, 720, 1215, 255}, quarterFrame);
        page.quarters[3] = addTextBox(nameOf("Text", k, "4"), {4440, 700, 1575, 360}, quarterFrame);
        page.total = addTextBox(nameOf("Text", k, "0"), {2520, 1920, 2055, 360}, frame);
        page.error = addError(entry.errorLabel, "не верно введены значения!", {1560, 2880, 3855, 255}, frame);
        auto* backButton = addButton(nameOf("Command", k, "2"), "назад", {360, 3360, 1815, 495}, frame);
        auto* nextButton = addButton(nameOf("Command", k, "1"), "далее", {4800, 3360, 1800, 495}, frame);

        setPoints(page.quarterly, kOptionPoints);
        setPoints(totalMode, kOptionPoints);
        page.quarterly->setChecked(true);
        page.total->hide();
        setPageVisible(frame, m_pages.empty());

        // Switching the entry mode only swaps which boxes are visible.
        QLineEdit* totalBox = page.total;
        connect(page.quarterly, &QRadioButton::toggled, this, [quarterFrame, totalBox](bool quarterly) {
            quarterFrame->setVisible(quarterly);
            totalBox->setVisible(!quarterly);
        });
        const std::size_t index = m_pages.size();
        for (QLineEdit* box : page.quarters)
            pressOnEnter(box, nextButton);
        pressOnEnter(page.total, nextButton);
        connect(nextButton, &QPushButton::clicked, this, [this, index] { next(index); });
        connect(backButton, &QPushButton::clicked, this, [this, index] { back(index); });

        m_pages.push_back(page);
    }
}

int Form7::currentPage() const { return m_pages[m_current].number; }

QWidget* Form7::firstInput() const
{
    const Page& page = m_pages[m_current];
    return page.quarterly->isChecked() ? page.quarters[0] : page.total;
}

QJsonObject Form7::entriesOut() const {
    QJsonObject entries = Screen::entriesOut();
    entries.insert(QStringLiteral("page"), currentPage());
    return entries;
}

void Form7::entriesBack(const QJsonObject& entries) {
    Screen::entriesBack(entries);
    const int number = entries.value(QStringLiteral("page")).toInt(m_pages.front().number);
    for (std::size_t index = 0; index < m_pages.size(); ++index)
        if (m_pages[index].number == number)
            showPage(index);
}

void Form7::showPage(std::size_t index)
{
    setPageVisible(m_pages[m_current].frame, false);
    m_current = index;
    setPageVisible(m_pages[index].frame, true);
    focusFirstInput();
}

void Form7::next(std::size_t index)
{
    const Page& page = m_pages[index];
    // materialsQ4 is the one fixed-point quarter; an amount beyond its range is
    // refused like a text that is not a number, and nothing is stored.
    const auto fourth = page.category == Category::Materials ? familyEntry::FourthQuarter::Fixed
                                                             : familyEntry::FourthQuarter::Tagged;
    const auto family = page.quarterly->isChecked()
                            ? familyEntry::fromQuarters({page.quarters[0]->text(), page.quarters[1]->text(),
                                                         page.quarters[2]->text(), page.quarters[3]->text()},
                                                        fourth)
                            : familyEntry::fromAnnualSum(page.total->text(), fourth);
    if (!family) {
        const QList<QLineEdit*> boxes = page.quarterly->isChecked()
                                            ? QList<QLineEdit*>(page.quarters.begin(), page.quarters.end())
                                            : QList<QLineEdit*>{page.total};
        refuse(page.error, familyEntry::atFault(boxes), familyEntry::hint(boxes));
        return;
    }
    plan().expense(page.category) = *family;
    clearError(page.error);

    if (index + 1 < m_pages.size()) {
        showPage(index + 1);
        return;
    }
    // The last page stays visible, so coming back from the preliminary plan lands here.
    // The figures are there before the screen is, so that it appears with them.
    Form8& preliminary = navigator().form8();
    preliminary.computeAndShow();
    navigator().hideScreen(*this);
    navigator().showScreen(preliminary);
}

void Form7::back(std::size_t index) {
    clearError(m_pages[index].error);
    if (index > 0) {
        showPage(index - 1);
        return;
    }
    navigator().hideScreen(*this);
    navigator().showScreen(navigator().form6());
}
