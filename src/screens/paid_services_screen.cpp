#include "screens/paid_services_screen.h"

#include "calc/paid_services.h"
#include "screens/accessibility.h"
#include "screens/controls.h"
#include "screens/look.h"
#include "screens/reading_order.h"
#include "state/draft.h"
#include "state/plan_state.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStringListModel>

namespace {

// Built once per application and shared by every list that holds these items:
// "0", "step", … "last".
QAbstractItemModel* sharedItems(QPointer<ReadOnlyItems>& slot, int last, int step)
{
    if (!slot) {
        QStringList items;
        items.reserve(last / step + 1);
        for (int value = 0; value <= last; value += step)
            items.append(QString::number(value));
        slot = new ReadOnlyItems(items, QCoreApplication::instance());
    }
    return slot;
}

QAbstractItemModel* amountItems() // "0", "10", … "10000"
{
    static QPointer<ReadOnlyItems> items;
    return sharedItems(items, 10000, 10);
}

QAbstractItemModel* quantityItems() // "0", "1", … "600"
{
    static QPointer<ReadOnlyItems> items;
    return sharedItems(items, 600, 1);
}

// Sets a list to the item with the given text; a text that is not an item leaves
// the list as it is.
void selectItem(QComboBox* list, const QString& text)
{
    const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        list->setCurrentIndex(index);
}

struct AmountRow {
    const char* captionName;
    const char* caption;
    const char* listName;
    const char* unitName;
};

// Price, labour need and other costs, top to bottom.
constexpr std::array<AmountRow, Form4::kAmountLists> kAmountRows{{
    {"Label10", "Стоимость услуги (без  НДС)", "Combo1", "Label11"},
    {"Label13", "Потребности в оплате труда", "Combo2", "Label12"},
    {"Label14", "Потребности в прочих расходах", "Combo3", "Label15"},
}};

struct MonthRow {
    const char* caption;
    const char* listName;
    const char* captionName;
};

// The twelve months in quarter order; ComboQM is month M of quarter Q.
constexpr std::array<MonthRow, Form4::kMonths> kMonthRows{{
    {"Январь", "Combo11", "Label17"},
    {"Февраль", "Combo12", "Label18"},
    {"Март", "Combo13", "Label19"},
    {"Апрель", "Combo21", "Label20"},
    {"Май", "Combo22", "Label21"},
    {"Июнь", "Combo23", "Label22"},
    {"Июль", "Combo31", "Label23"},
    {"Август", "Combo32", "Label24"},
    {"Сентябрь", "Combo33", "Label25"},
    {"Октябрь", "Combo41", "Label26"},
    {"Ноябрь", "Combo42", "Label27"},
    {"Декабрь", "Combo43", "Label28"},
}};

struct KindCaptions {
    std::array<const char*, Form4::kAmountLists> units; // Label11, Label12, Label15
    const char* monthPrompt;                            // Label16
};

// Indexed by kind - 1: recurring, one-off.
constexpr std::array<KindCaptions, 2> kKindCaptions{{
    {{"рублей в месяц", "рублей в месяц", "рублей в месяц"},
     "Укажите количество детей, получающих услугу в соответствующем месяце"},
    {{"рублей за услугу", "рублей на услугу", "рублей на услугу"}, "Укажите количество услуг в соответствующем месяце"},
}};

// The grid of months inside Frame3: column q holds quarter q, row m its month m.
constexpr int kMonthTop = 450;
constexpr int kMonthRowStep = 450;
constexpr int kMonthLeft = 150;
constexpr int kMonthColumnStep = 2520;
constexpr int kMonthCaptionWidth = 1335;
constexpr int kMonthListWidth = 960;
constexpr int kMonthHeight = 315;

constexpr int kLastRecord = PlanState::kMaxServices;

} // namespace

Form4::Form4(PlanState& plan)
    : Screen(plan, QStringLiteral("Form4"), QStringLiteral("Платные услуги"), 10725, 5610) {
    m_instructions = addGroup("Frame1", QStringLiteral("Инструктаж"), {135, 37, 10455, 5535});
    // Named after the record it shows ("Услуга № 2 из 3").
    m_editor = addGroup("Frame2", QString(), {135, 37, 10455, 5535});
    buildInstructionPage();
    buildEditorPage();
    setPageVisible(m_instructions, true);
    setPageVisible(m_editor, false);

    // Above both pages, at the right of their top line.
    m_restore = addButton("Command8", "вернуть удалённую", {7260, 120, 3000, 345});
    m_restore->hide();
    connect(m_restore, &QPushButton::clicked, this, &Form4::onRestoreClicked);
    connect(m_delete, &QPushButton::clicked, this, &Form4::onRemoveClicked);
}

void Form4::onStep(QPushButton* button, void (Form4::*handler)()) {
    connect(button, &QPushButton::clicked, this, [this, handler] {
        forgetRemoved();
        (this->*handler)();
    });
}

void Form4::buildInstructionPage() {
    QWidget* page = m_instructions;
    auto* title = addLabel("Label34", "Инструктаж", {240, 150, 9975, 345}, page);
    look::setPoints(title, look::kPromptPoints);
    title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    addLabel("Label1",
             "В данном разделе вводится информация о платных услугах, оказываемых образовательным учреждением, в "
             "случае если они оказываются.",
             {240, 660, 9975, 525}, page);
    addLabel("Label2",
             "Услуги вводятся в виде записей, максимально возможное число услуг, оказываемых образовательным "
             "учреждением - 40.",
             {240, 1305, 9975, 525}, page);
    addLabel("Label3",
             "Необходимо указывать либо количество единовременных услуг с фиксированной стоимостью, оказываемых в "
             "каждый из соответсвующих месяцев, либо среднее количество детей получающих повторяющуюся услугу в "
             "каждый месяц, стоимость которой определяется  в качестве ежемесячного платежа.",
             {240, 1950, 9975, 1035}, page);
    addLabel("Label4",
             "В случае, если в один из месяцев продолжительность услуги, оказываемой на регулярной основе, меньше "
             "продолжительности месяца (услуга оказывается не полный месяц), то количество детей, получающих "
             "услугу корректируется на ее продолжительность (например 30 детей, получающих услугу 1/3 месяца - "
             "это 10 услуг).",
             {240, 3105, 9975, 1035}, page);
    auto* back = addButton("Command2", "вернуться к заданию", {240, 4680, 2415, 615}, page);
    // The middle caption is too long for one line.
    m_noServices =
        addWrappingButton("Command3", "перейти к следующему разделу (платные услуги не оказываются)",
                          {2820, 4680, 4275, 615}, page);
    m_open = addButton("Command1", "перейти к платным услугам", {7260, 4680, 3000, 615}, page);

    onStep(m_open, &Form4::onOpenEditorClicked);
    onStep(back, &Form4::onBackToAssignmentClicked);
    onStep(m_noServices, &Form4::onNoServicesClicked);
}

void Form4::buildEditorPage() {
    QWidget* page = m_editor;
    m_recordCaption = addLabel("Label5", "Услуга №", {240, 150, 1095, 285}, page);
    m_recordNumber = addLabel("Label6", "1", {1380, 150, 405, 285}, page);
    auto* of = addLabel("Label7", "из", {1800, 150, 300, 285}, page);
    m_recordCount = addLabel("Label8", "1", {2130, 150, 405, 285}, page);
    // The page is named by these ("Услуга № 1 из 1"), read once as its name.
    for (QLabel* part : {m_recordCaption, m_recordNumber, of, m_recordCount})
        screenReader::makeDecorative(part);

    m_recurring = addOption("Option1", "Повторяющаяся (в расчете на месяц)", {240, 555, 4695, 330}, page);
    m_oneOff = addOption("Option2", "Единовременная (в расчете на услугу)", {5160, 555, 5055, 330}, page);
    m_recurring->setChecked(true);

    addLabel("Label9", "Наименование услуги", {240, 1050, 3735, 285}, page);
    m_name = addTextBox("Text1", {4080, 1005, 6135, 345}, page);

    for (int row = 0; row < kAmountLists; ++row) {
        const AmountRow& r = kAmountRows[row];
        const int top = 1470 + row * 420;
        addLabel(r.captionName, r.caption, {240, top + 45, 3735, 285}, page);
        m_amounts[row] = addList(r.listName, {4080, top, 1215, 345}, amountItems(), page);
        m_units[row] = addLabel(r.unitName, kKindCaptions[0].units[row], {5400, top + 45, 2655, 285}, page);
    }

    auto* months =
        addGroup("Frame3", QStringLiteral("Количество по месяцам"), {120, 2760, 10215, 1800}, page);
    months->setBorder(true);
    m_monthsGroup = months;
    readingOrder::readColumnsFirst(months); // January … December
    m_monthPrompt = addLabel("Label16", kKindCaptions[0].monthPrompt, {150, 90, 9915, 285}, months);
    for (int month = 0; month < kMonths; ++month) {
        const MonthRow& m = kMonthRows[month];
        const int left = kMonthLeft + (month / 3) * kMonthColumnStep;
        const int top = kMonthTop + (month % 3) * kMonthRowStep;
        addLabel(m.captionName, m.caption, {left, top + 30, kMonthCaptionWidth, 285}, months);
        m_months[month] = addList(m.listName, {left + kMonthCaptionWidth + 45, top, kMonthListWidth, kMonthHeight + 30},
                                  quantityItems(), months);
    }

    m_back = addButton("Command5", "назад", {240, 4800, 1815, 495}, page);
    m_delete = addButton("Command7", "удалить", {2880, 4800, 1815, 495}, page);
    m_create = addButton("Command6", "создать", {5640, 4800, 1815, 495}, page);
    m_next = addButton("Command4", "далее", {8400, 4800, 1815, 495}, page);

    applyKindCaptions(Recurring);
    nameRecordPage();

    connect(m_recurring, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            applyKindCaptions(Recurring);
    });
    connect(m_oneOff, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            applyKindCaptions(OneOff);
    });
    pressOnEnter(m_name, m_next);
    onStep(m_next, &Form4::onNextClicked);
    onStep(m_back, &Form4::onBackClicked);
    onStep(m_create, &Form4::onCreateClicked);
}

// The kind of service is chosen after the record's figures are entered, before
// the buttons that leave the record: the record starts with its name.
void Form4::adjustTabOrder() {
    setTabOrder(m_months.back(), m_recurring);
    setTabOrder(m_recurring, m_oneOff);
}

QWidget* Form4::firstInput() const
{
    if (m_editor->isHidden())
        return m_open;
    return m_name;
}

void Form4::enterInstructions(bool hideEditor) {
    setPageVisible(m_instructions, true);
    if (hideEditor)
        setPageVisible(m_editor, false);
    m_noServices->setVisible(plan().serviceCountValue() == 0);
    focusFirstInput();
}

QJsonObject Form4::entriesOut() const {
    // On the instruction page the editor's boxes are hidden and hold nothing of
    // their own: opening the editor shows them from the record.
    QJsonObject entries = m_editor->isHidden() ? QJsonObject() : Screen::entriesOut();
    if (m_removed) {
        entries.insert(QStringLiteral("removed"), draft::serviceToJson(*m_removed));
        entries.insert(QStringLiteral("removedNumber"), m_removedNumber);
    }
    entries.insert(QStringLiteral("page"),
                   m_editor->isHidden() ? QStringLiteral("instructions") : QStringLiteral("editor"));
    return entries;
}

void Form4::entriesBack(const QJsonObject& entries) {
    // The editor shows a record that exists; anything else is the instruction page.
    if (entries.value(QStringLiteral("page")).toString() == u"editor" && plan().currentServiceValue() >= 1) {
        setPageVisible(m_instructions, false);
        setPageVisible(m_editor, true);
        showService();
        updateEditorButtons();
        // Then the boxes as they were left, saved into the record or not.
        Screen::entriesBack(entries);
    } else {
        enterInstructions(true);
    }
    ServiceRecord removed;
    const int number = entries.value(QStringLiteral("removedNumber")).toInt();
    if (entries.value(QStringLiteral("removed")).isObject() &&
        draft::serviceFromJson(entries.value(QStringLiteral("removed")).toObject(), removed)) {
        m_removed = removed;
        m_removedNumber = number;
        offerRemoved();
    }
}

void Form4::forgetRemoved() {
    m_removed.reset();
    m_restore->hide();
}

void Form4::offerRemoved() {
    const bool fits = m_removed && m_removedNumber == plan().serviceCountValue() + 1 &&
                      m_removedNumber <= kLastRecord && plan().adjustmentStage.toInt() == 0;
    m_restore->setVisible(fits);
    if (fits)
        m_restore->raise();
    else
        m_removed.reset();
}

void Form4::onRestoreClicked() {
    if (!m_removed || m_removedNumber != plan().serviceCountValue() + 1) {
        forgetRemoved();
        emit stepTaken();
        return;
    }
    PlanState& state = plan();
    // Like every other way of leaving a record, the one shown is kept first.
    if (!m_editor->isHidden() && state.currentServiceValue() >= 1)
        saveCurrentService();
    state.serviceCount = m_removedNumber;
    state.currentService = m_removedNumber;
    state.service(m_removedNumber) = *m_removed;
    forgetRemoved();
    setPageVisible(m_instructions, false);
    setPageVisible(m_editor, true);
    showService();
    updateEditorButtons();
    focusFirstInput();
    announce(QStringLiteral("Услуга возвращена. ") + m_editor->accessibleName());
    emit stepTaken();
}

void Form4::applyKindCaptions(int kind)
{
    const KindCaptions& captions = kKindCaptions.at(kind - 1);
    for (int row = 0; row < kAmountLists; ++row) {
        m_units[row]->setText(QString::fromUtf8(captions.units[row]));
        // A screen reader says the unit after the amount.
        m_amounts[row]->setAccessibleDescription(m_units[row]->text());
    }
    m_monthPrompt->setText(QString::fromUtf8(captions.monthPrompt));
    m_monthsGroup->setAccessibleDescription(m_monthPrompt->text());
}

void Form4::selectKind(int kind)
{
    // Selecting one option clears the other and applies its captions.
    (kind == Recurring ? m_recurring : m_oneOff)->setChecked(true);
    applyKindCaptions(kind);
}

void Form4::saveCurrentService()
{
    ServiceRecord& record = plan().service(plan().currentServiceValue());
    const int kind = m_recurring->isChecked() ? Recurring : OneOff;
    record.kind = FixedAmount::fromUnits(kind * FixedAmount::kScale);
    record.name = m_name->text();
    record.label = m_recordCaption->text() + m_recordNumber->text() + QStringLiteral(" - ");
    record.price = m_amounts[0]->currentText();
    record.labourCost = m_amounts[1]->currentText();
    record.otherCost = m_amounts[2]->currentText();
    for (int month = 0; month < kMonths; ++month)
        record.qty[month] = m_months[month]->currentText();
}

void Form4::showRecordNumbers()
{
    m_recordNumber->setText(QString::number(plan().currentServiceValue()));
    m_recordCount->setText(QString::number(plan().serviceCountValue()));
    nameRecordPage();
}

void Form4::nameRecordPage() {
    m_editor->setAccessibleName(
        QStringLiteral("%1 %2 из %3")
            .arg(m_recordCaption->text(), m_recordNumber->text(), m_recordCount->text()));
}

void Form4::announceRecord() {
    announce(m_editor->accessibleName());
}

void Form4::showService()
{
    showRecordNumbers();
    const ServiceRecord& record = plan().service(plan().currentServiceValue());
    // A kind other than 1 or 2 leaves the options and captions as they are.
    const double kind = record.kind.numeric();
    if (kind == 1.0)
        selectKind(Recurring);
    else if (kind == 2.0)
        selectKind(OneOff);
    m_name->setText(record.name);
    selectItem(m_amounts[0], record.price.toText());
    selectItem(m_amounts[1], record.labourCost.toText());
    selectItem(m_amounts[2], record.otherCost.toText());
    for (int month = 0; month < kMonths; ++month)
        selectItem(m_months[month], record.qty[month].toText());
}

void Form4::updateEditorButtons()
{
    const int current = plan().currentServiceValue();
    const int count = plan().serviceCountValue();
    const bool last = current == count;
    m_next->setText(last ? QStringLiteral("закончить") : QStringLiteral("далее"));
    m_create->setVisible(last && count < kLastRecord);
    m_delete->setVisible(last);
    m_back->setVisible(!(plan().adjustmentStage.toInt() == 1 && current == 1));
}

void Form4::openServiceEditor()
{
    PlanState& state = plan();
    // Slot 1 shows whatever it last held: the fresh record, or what was saved
    // into it before it was deleted.
    if (state.serviceCountValue() == 0)
        state.serviceCount = 1;
    state.currentService = 1;
    setPageVisible(m_instructions, false);
    setPageVisible(m_editor, true);
    showService();
    updateEditorButtons();
    focusFirstInput();
}

void Form4::onOpenEditorClicked() {
    openServiceEditor();
    emit stepTaken();
}

void Form4::onBackToAssignmentClicked() {
    emit backToAssignment();
}

void Form4::onNoServicesClicked() {
    plan().paidRevenue.total = 0;
    plan().paidCostTotal = 0;
    emit finished();
}

void Form4::onNextClicked() {
    saveCurrentService();
    PlanState& state = plan();
    if (state.currentServiceValue() < state.serviceCountValue()) {
        state.currentService = state.currentServiceValue() + 1;
        showService();
        updateEditorButtons();
        // The button may now read "закончить": Enter must not press it unseen.
        focusFirstInput();
        announceRecord();
        emit stepTaken();
        return;
    }
    // Before the adjustment the summary shows the year's totals; in the revision
    // the adjustment recalculates them itself.
    if (state.adjustmentStage.toInt() == 0) {
        const PaidServiceTotals totals = computePaidServiceTotals(state);
        state.paidRevenue.total = totals.revenue;
        state.paidCostTotal = totals.cost;
    }
    emit finished();
}

void Form4::onBackClicked() {
    saveCurrentService();
    PlanState& state = plan();
    if (state.currentServiceValue() == 1) {
        // A record exists now, so going on without paid services is no longer offered.
        setPageVisible(m_instructions, true);
        setPageVisible(m_editor, false);
        m_noServices->hide();
        focusFirstInput();
        emit stepTaken();
        return;
    }
    state.currentService = state.currentServiceValue() - 1;
    showService();
    updateEditorButtons();
    announceRecord();
    emit stepTaken();
}

void Form4::onCreateClicked() {
    PlanState& state = plan();
    if (state.serviceCountValue() >= kLastRecord)
        return; // the button is hidden at 40 records
    saveCurrentService();
    state.serviceCount = state.serviceCountValue() + 1;
    state.currentService = state.currentServiceValue() + 1;
    showRecordNumbers();
    // A blank recurring record; its slot is written when the editor leaves it.
    selectKind(Recurring);
    m_name->clear();
    for (QComboBox* list : m_amounts)
        list->setCurrentIndex(0);
    for (QComboBox* list : m_months)
        list->setCurrentIndex(0);
    updateEditorButtons();
    focusFirstInput(); // the new record's name comes first
    announceRecord();
    emit stepTaken();
}

// The shown record is always the last one and is discarded unsaved.
void Form4::onRemoveClicked() {
    PlanState& state = plan();
    // Kept as the editor shows it; its slot keeps what it held.
    ServiceRecord& slot = state.service(state.currentServiceValue());
    const ServiceRecord held = slot;
    saveCurrentService();
    m_removed = slot;
    m_removedNumber = state.currentServiceValue();
    slot = held;
    const QString removedNews = QStringLiteral("Услуга удалена; кнопка «вернуть удалённую» возвращает её.");
    if (state.currentServiceValue() == 1) {
        state.currentService = 0;
        state.serviceCount = 0;
        // No record is left to show: the editor closes (in the revision it opens
        // again on record 1).
        setPageVisible(m_editor, false);
        setPageVisible(m_instructions, true);
        if (state.adjustmentStage.toInt() == 0) {
            m_noServices->show();
            offerRemoved();
            focusFirstInput();
            announce(removedNews);
            emit stepTaken();
        } else {
            // Back to the adjustment, which recalculates with the records left.
            forgetRemoved();
            emit finished();
        }
        return;
    }
    state.currentService = state.currentServiceValue() - 1;
    state.serviceCount = state.serviceCountValue() - 1;
    showService();
    updateEditorButtons();
    offerRemoved();
    // A second Enter must not remove the next record too.
    focusFirstInput();
    announce(removedNews + QLatin1Char(' ') + m_editor->accessibleName());
    emit stepTaken();
}
