#pragma once

#include "workbook/plan_generator.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

class DesktopFit;
class NotificationLabel;
class QWidget;

// A line of news below a screen's own layout ("Notice"), for what the user must
// know but need not answer; the window grows to hold it. With a folder, it ends
// in a link that opens that folder. News of a problem is dark red, other news
// dark blue. It is read out as it appears, and a screen reader asked where the
// keyboard is also reads it while it is shown.
class NoticeLine final : public QObject {
    Q_OBJECT
public:
    NoticeLine(QWidget* screen, DesktopFit& fit);

    // Shows the news; an empty text takes it away again.
    void show(const QString& text, const QString& folder = {}, bool problem = true);
    // A problem that stands until it is solved (the draft not saved), shown above
    // any news; an empty text takes it away. Read out when `tell` is set.
    void setStanding(const QString& text, bool tell);
    // What became of a press of "Сформировать ПФХД". Made with planOpener(), it
    // turns into "…открыть его не удалось…" when the desktop's opener reports
    // later that it could not open the file.
    void showGeneration(const GenerationResult& result);
    PlanOpener planOpener();
    // The screen's figures were shown anew: news about a plan generated from
    // other figures goes.
    void figuresShown();

private:
    // Shows the standing problem and the news as they are now.
    void render(bool tell);
    void openFolder(const QString& link);
    QStringList figureTexts() const;
    // The control that has the keyboard tells the notice, after its own description.
    void tellWith(QWidget* teller, const QString& spoken);

    QWidget* m_screen;
    DesktopFit& m_fit;
    NotificationLabel* m_label = nullptr;
    std::optional<GenerationResult> m_generation; // what the notice tells of
    QStringList m_figuresAtNotice;
    QString m_standing;
    QString m_news;
    QString m_folder;
    bool m_problem = true;
    QPointer<QWidget> m_teller; // the control that tells the notice while it is shown
    QString m_told;             // what it tells of the notice
};
