#include "screens/notice_line.h"

#include "screens/accessibility.h"
#include "screens/controls.h"
#include "screens/desktop_fit.h"
#include "screens/desktop_opener.h"
#include "screens/look.h"

#include <QFileInfo>
#include <QUrl>

NoticeLine::NoticeLine(QWidget* screen, DesktopFit& fit)
    : QObject(screen)
    , m_screen(screen)
    , m_fit(fit) {}

QStringList NoticeLine::figureTexts() const {
    QStringList texts;
    for (const Figure* figure : m_screen->findChildren<Figure*>())
        texts << figure->text();
    return texts;
}

void NoticeLine::openFolder(const QString& link) {
    const QString folder = QUrl(link).toLocalFile();
    const auto failed = [this, folder] {
        // Said once, below what the notice already tells.
        if (!m_generation || m_label->isHidden() ||
            m_generation->notices.contains(notices::folderOpenFailed(folder)))
            return;
        m_generation->notices << notices::folderOpenFailed(folder);
        showGeneration(*m_generation);
    };
    if (!desktop::open(folder, this, failed))
        failed();
}

void NoticeLine::tellWith(QWidget* teller, const QString& spoken) {
    if (m_teller) {
        QString told = m_teller->accessibleDescription();
        if (told.endsWith(m_told))
            told.chop(m_told.size());
        m_teller->setAccessibleDescription(told);
    }
    m_teller = teller;
    if (!teller)
        return;
    const QString before = teller->accessibleDescription();
    m_told = before.isEmpty() ? spoken : QStringLiteral(". ") + spoken;
    teller->setAccessibleDescription(before + m_told);
}

void NoticeLine::show(const QString& text, const QString& folder, bool problem) {
    m_news = text;
    m_folder = text.isEmpty() ? QString() : folder;
    m_problem = problem;
    if (text.isEmpty())
        m_generation.reset();
    m_figuresAtNotice = figureTexts();
    render(!text.isEmpty());
}

void NoticeLine::setStanding(const QString& text, bool tell) {
    if (text == m_standing)
        return;
    m_standing = text;
    render(tell && !text.isEmpty());
}

void NoticeLine::render(bool tell) {
    if (!m_label) {
        m_label = new NotificationLabel(QString(), m_fit.content());
        m_label->setObjectName(QStringLiteral("Notice"));
        m_label->setWordWrap(true);
        m_label->setTextFormat(Qt::RichText);
        // The path can be copied; the link opens the folder. For the keyboard the
        // notice is one stop, read with its link; Enter opens the folder.
        m_label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
        connect(m_label, &QLabel::linkActivated, this, &NoticeLine::openFolder);
    }
    // Asked where the keyboard is, a screen reader also reads the notice while it
    // is shown: it is part of the description of the control that brought it.
    tellWith(nullptr, {});
    const QString text = m_standing.isEmpty() ? m_news
                         : m_news.isEmpty()   ? m_standing
                                              : m_standing + QLatin1Char('\n') + m_news;
    if (text.isEmpty()) {
        m_label->hide();
        m_label->setFocusPolicy(Qt::NoFocus);
        m_label->setLink(QString());
        m_fit.setRoomBelow(0);
        return;
    }
    constexpr int kMargin = 8;
    const bool problem = m_problem || !m_standing.isEmpty();
    look::setTextColour(m_label, problem ? QColor(128, 0, 0) : QColor(0, 0, 128));
    QString shown = text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    const QString link =
        m_folder.isEmpty() ? QString() : QUrl::fromLocalFile(m_folder).toString(QUrl::FullyEncoded);
    if (!m_folder.isEmpty())
        // The link is one piece: it never wraps between its two words.
        shown += QStringLiteral(" <a href=\"%1\">Открыть&nbsp;папку</a>").arg(link.toHtmlEscaped());
    m_label->setText(shown);
    m_label->setLink(link);
    m_label->setFocusPolicy(Qt::TabFocus);
    // A screen reader reads the message itself, not the markup around it.
    const QString spoken = text.simplified();
    m_label->setAccessibleName(m_folder.isEmpty() ? spoken : spoken + QStringLiteral(" Открыть папку"));
    if (QWidget* teller = m_screen->focusWidget(); teller && teller != m_label)
        tellWith(teller, spoken);
    const int width = m_fit.layout().width();
    const int height = m_label->heightForWidth(width - 2 * kMargin);
    m_label->setGeometry(kMargin, m_fit.layout().height(), width - 2 * kMargin, height);
    m_label->show();
    m_fit.setRoomBelow(height + kMargin);
    m_fit.reveal(m_label, 0);
    // Read out as it appears, as news, whatever the notice itself is told as.
    if (tell)
        screenReader::tell(m_fit.content(), (m_news.isEmpty() ? m_standing : m_news).simplified());
}

void NoticeLine::showGeneration(const GenerationResult& result) {
    GenerationResult told = result;
    // While the plan is not kept as a draft, nothing says the data entered is saved.
    if (!m_standing.isEmpty())
        for (QString& notice : told.notices)
            notice = notices::withoutDataKept(notice);
    show(told.noticeText(), result.written ? QFileInfo(result.filePath).absolutePath() : QString(),
         !result.wentWell());
    m_generation = result;
}

PlanOpener NoticeLine::planOpener() {
    return [this](const QString& path) {
        return desktop::open(path, this, [this, path] {
            // Only while the notice still tells of that file.
            if (!m_generation || m_generation->filePath != path || !m_label || m_label->isHidden())
                return;
            m_generation->openingFailed();
            showGeneration(*m_generation);
        });
    };
}

void NoticeLine::figuresShown() {
    if (!m_label || m_label->isHidden()) // also while the screen itself is hidden
        return;
    if (figureTexts() != m_figuresAtNotice)
        show(QString());
}
