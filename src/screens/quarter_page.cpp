#include "screens/quarter_page.h"

#include "screens/controls.h"
#include "screens/faults.h"
#include "screens/look.h"
#include "screens/reading_order.h"
#include "screens/twip_layout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

// The quarter captions in the frame: I and II in the left column, III and IV in the right.
constexpr std::array<const char*, 4> kQuarterCaptions{"I квартал", "II квартал", "III квартал", "IV квартал"};
constexpr std::array<QRect, 4> kQuarterLabels{
    {{120, 240, 1095, 255}, {120, 720, 1095, 255}, {3120, 240, 1215, 255}, {3120, 720, 1215, 255}}};

} // namespace

QuarterPage::QuarterPage(TwipLayout& layout, QWidget* page, QPoint origin, const QuarterPageLayout& names)
    : m_page(page) {
    const auto at = [origin](int left, int top, int width, int height) {
        return QRect(left - origin.x(), top - origin.y(), width, height);
    };
    layout.addLabel(names.prompt, names.promptText, at(600, 120, names.promptWidth, 495), page);
    m_quarterly = layout.addOption(names.quarterly, QStringLiteral("Поквартальный ввод"),
                                   at(360, 840, 3135, 375), page);
    QRadioButton* oneSum =
        layout.addOption(names.oneSum, names.oneSumCaption, at(3480, 840, 3135, 375), page);
    // Unnamed: the page names its subject once, its quarter boxes their quarters.
    QWidget* frame =
        layout.addGroup(names.quarterFrame, QString(), at(360, names.quarterFrameTop, 6255, 1215), page);
    readingOrder::readColumnsFirst(frame); // quarters I, II, III, IV
    const std::array<QRect, 4> boxes{{{1320, 220, 1575, 360},
                                      {1320, names.secondBoxTop, 1575, 360},
                                      {4440, names.thirdBoxTop, 1575, 360},
                                      {4440, 700, 1575, 360}}};
    for (std::size_t i = 0; i < m_quarters.size(); ++i) {
        layout.addLabel(names.quarterLabels[i], QString::fromUtf8(kQuarterCaptions[i]), kQuarterLabels[i],
                        frame);
        m_quarters[i] = layout.addTextBox(names.quarterBoxes[i], boxes[i], frame);
    }
    m_sum = layout.addTextBox(names.sum, at(2520, 1920, 2055, 360), page);
    m_error = layout.addError(names.error, QStringLiteral("не верно введены значения!"),
                              at(1560, 2880, 3855, 255), page);
    m_back = layout.addButton(names.back, QStringLiteral("назад"), at(360, 3360, 1815, 495), page);
    m_next = layout.addButton(names.next, QStringLiteral("далее"), at(4800, 3360, 1800, 495), page);

    for (QRadioButton* option : {m_quarterly, oneSum})
        look::setPoints(option, look::kSmallPoints);
    m_quarterly->setChecked(true);
    m_sum->hide();
    QObject::connect(m_quarterly, &QRadioButton::toggled, frame, [frame, sum = m_sum](bool quarterly) {
        frame->setVisible(quarterly);
        sum->setVisible(!quarterly);
    });
    // Enter in any box of the page presses its "далее".
    for (QLineEdit* box : m_quarters)
        TwipLayout::pressOnEnter(box, m_next);
    TwipLayout::pressOnEnter(m_sum, m_next);
}

bool QuarterPage::quarterly() const {
    return m_quarterly->isChecked();
}

QWidget* QuarterPage::firstInput() const {
    return quarterly() ? m_quarters[0] : m_sum;
}

std::optional<Family> QuarterPage::take(Faults& faults, familyEntry::FourthQuarter fourth) const {
    const QList<QLineEdit*> boxes =
        quarterly() ? QList<QLineEdit*>(m_quarters.begin(), m_quarters.end()) : QList<QLineEdit*>{m_sum};
    QList<QString> texts;
    for (const QLineEdit* box : boxes)
        texts << box->text();
    const auto family = quarterly()
                            ? familyEntry::fromQuarters({texts[0], texts[1], texts[2], texts[3]}, fourth)
                            : familyEntry::fromAnnualSum(texts[0], fourth);
    if (!family) {
        QList<QWidget*> atFault;
        for (const int i : familyEntry::atFault(texts))
            atFault << boxes[i];
        faults.refuse(m_error, atFault, familyEntry::hint(texts));
        return std::nullopt;
    }
    faults.withdraw(m_error);
    return family;
}

void QuarterPage::clearError(Faults& faults) const {
    faults.withdraw(m_error);
}
