#include "screens/welcome_screen.h"

#include "screens/faults.h"
#include "screens/look.h"
#include "screens/notice_line.h"
#include "state/plan_state.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Form1::Form1(PlanState& plan)
    : Screen(plan, QStringLiteral("Form1"), QStringLiteral("Приветствие"), 9720, 4875) {
    auto* title = addLabel("Label1", "Добро пожаловать в образовательный программный модуль \"Экономикум\"",
                           {840, 240, 8295, 855});
    look::setTextColour(title, look::kFigure);
    addLabel("Label2",
             "Для начала работы с имитационным модулем, укажите, пожалуйста, Вашу Фамилию и инициалы, а также "
             "наименование учреждения, для которого производится формирование ПВХД, и тип населенного пункта, в "
             "котором оно расположено.",
             {840, 1200, 8295, 1095});
    addLabel("Label3", "Фамилия", {1920, 2400, 1215, 375});
    m_surname = addTextBox("Text1", {3240, 2355, 1935, 375});
    addLabel("Label4", "И.О.", {5760, 2400, 615, 375});
    m_firstInitial = addTextBox("Text2", {6720, 2355, 375, 375});
    addLabel("Label5", ".", {7080, 2520, 255, 255});
    m_patronymicInitial = addTextBox("Text3", {7320, 2355, 375, 375});
    // One caption stands for both initials; each box is named for its own.
    m_firstInitial->setAccessibleName(QStringLiteral("Имя (инициал)"));
    m_patronymicInitial->setAccessibleName(QStringLiteral("Отчество (инициал)"));
    addLabel("Label6", "Наименование образовательного учреждения", {720, 2880, 6255, 375});
    m_institution = addTextBox("Text4", {360, 3240, 7095, 375});
    addLabel("Label8", "Тип НП", {8040, 2880, 1215, 375});
    m_settlement = addList("Combo1", {7800, 3240, 1575, 360}, {"Сельский", "Городской"});
    m_error = addError("Label7",
                       "Не введено наименование образовательного учреждения и (или) тип населенного пункта!",
                       {480, 3840, 8535, 255});
    look::setPoints(m_error, look::kSmallPoints);
    auto* start = addButton("Command1", "начать", {3998, 4200, 1815, 495});
    m_start = start;
    QPalette face = start->palette();
    face.setColor(QPalette::Button, Qt::white);
    start->setPalette(face);

    setTabOrder(m_surname, m_firstInitial);
    setTabOrder(m_firstInitial, m_patronymicInitial);
    setTabOrder(m_patronymicInitial, m_institution);
    setTabOrder(m_institution, start);
    setTabOrder(start, m_settlement);
    for (QLineEdit* box : {m_surname, m_firstInitial, m_patronymicInitial, m_institution})
        pressOnEnter(box, start);

    connect(start, &QPushButton::clicked, this, &Form1::onStartClicked);
}

QWidget* Form1::firstInput() const { return m_surname; }

void Form1::offerDrafts(const QList<DraftOffer>& offers) {
    if (!m_continue.isEmpty())
        return;
    // One plan to continue is offered by its time; several, newest first, each
    // with its institution too.
    const bool several = offers.size() > 1;
    QWidget* before = m_start;
    for (qsizetype i = 0; i < offers.size(); ++i) {
        growClient(600);
        QString caption = QStringLiteral("Продолжить план от ") +
                          offers[i].written.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
        if (several && !offers[i].institution.trimmed().isEmpty())
            caption += QStringLiteral(" — ") + offers[i].institution.simplified();
        const QRect place =
            several ? QRect(360, 4860 + int(i) * 600, 9000, 495) : QRect(2160, 4860, 5400, 495);
        QPushButton* offer = addButton(QStringLiteral("Command%1").arg(i + 2), caption, place);
        offer->setText(offer->fontMetrics().elidedText(caption, Qt::ElideMiddle, offer->width() - 16));
        offer->setAccessibleName(caption);
        offer->setAccessibleDescription(
            QStringLiteral("Вернуться к плану, который Вы заполняли, на том же месте"));
        offer->show();
        // Read after "начать", the last controls of the screen.
        setTabOrder(before, offer);
        before = offer;
        connect(offer, &QPushButton::clicked, this, [this, i] { emit continueAsked(int(i)); });
        m_continue << offer;
    }
    setTabOrder(before, m_settlement);
}

void Form1::reportBadDraft(const QString& movedTo) {
    const QFileInfo aside(movedTo);
    notice().show(
        movedTo.isEmpty()
            ? QStringLiteral("Черновик прежнего плана не прочитан; начат новый план.")
            : QStringLiteral("Черновик прежнего плана не прочитан и отложен в файл %1; начат новый план.")
                  .arg(aside.fileName()),
        movedTo.isEmpty() ? QString() : aside.absolutePath());
}

void Form1::onStartClicked() {
    QList<QWidget*> missing;
    if (m_institution->text().isEmpty())
        missing << m_institution;
    if (m_settlement->currentText().isEmpty())
        missing << m_settlement;
    if (!missing.isEmpty()) {
        faults().refuse(m_error, missing);
        return;
    }
    faults().withdraw(m_error);
    setWindowTitle(QStringLiteral("Подождите, идет загрузка..."));

    PlanState& state = plan();
    state.userSurname = m_surname->text();
    state.userFirstInitial = m_firstInitial->text();
    state.userPatronymicInitial = m_patronymicInitial->text();
    state.institutionName = m_institution->text();
    state.settlementType = m_settlement->currentText();

    // A fresh first record and fresh wizard flags; records 2 … 40 are not touched.
    state.serviceCount = 0;
    ServiceRecord& first = state.service(1);
    first.kind = FixedAmount::fromUnits(1 * FixedAmount::kScale);
    first.name.clear();
    first.price = 0;
    first.labourCost = 0;
    first.otherCost = 0;
    for (TaggedValue& quantity : first.qty)
        quantity = 0;
    state.adjustmentStage = 0;

    emit started();
}
