#include "screens/accessibility.h"

#include "screens/choice_list.h"
#include "screens/controls.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>

namespace screenReader {

namespace {

const char* const kDecorative = "decorativeForScreenReaders";

// The widgets assistive technology hears of inside a container: its child
// widgets, without windows of their own (a list's pop-up) and decorations.
QList<QWidget*> toldChildren(const QWidget* container) {
    QList<QWidget*> told;
    for (QObject* child : container->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && !w->isWindow() && !isDecorative(w))
            told << w;
    }
    return told;
}

// A screen (role window) or a group in it (role grouping), whose decorations are
// left out.
class ContainerAccessible final : public QAccessibleWidget {
public:
    ContainerAccessible(QWidget* widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role) {}

    int childCount() const override { return int(toldChildren(widget()).size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> told = toldChildren(widget());
        return index >= 0 && index < told.size() ? QAccessible::queryAccessibleInterface(told.at(index))
                                                 : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || !child->object() || !child->object()->isWidgetType())
            return -1;
        return int(toldChildren(widget()).indexOf(static_cast<QWidget*>(child->object())));
    }
};

// A list: its name is its prompt whatever is chosen; the chosen item is its value
// and its (read-only) text. Each new choice moves the text caret (see
// ChoiceList), so that a screen reader reads the new item as it reads a line the
// caret moved to.
class ListAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ListAccessible(ChoiceList* list)
        : QAccessibleWidget(list, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Value)
            return list()->currentText();
        return QAccessibleWidget::text(type);
    }

    // The list of items (in its pop-up) is the one child, as in any drop-down.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == list()->view() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action != showMenuAction() && action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        if (list()->view()->isVisible())
            list()->hidePopup();
        else
            list()->showPopup();
    }

    // The text: the chosen item, which cannot be edited or selected.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return list()->caretPosition(); }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return list()->currentText().mid(start, end - start); }
    int characterCount() const override { return int(list()->currentText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    ChoiceList* list() const { return static_cast<ChoiceList*>(widget()); }
};

// A text box. Qt's own description of a line edit tells its text as runs of
// attributes that are all empty (each starts and ends where it was asked for),
// and a screen reader that builds the line it reads from those runs leaves out
// the last character: "1500000,50" is heard as "1500000,5". This one tells the
// whole text as one run, and otherwise the same as Qt's.
class TextBoxAccessible final : public QAccessibleWidget,
                                public QAccessibleTextInterface,
                                public QAccessibleEditableTextInterface {
public:
    explicit TextBoxAccessible(TextBox* box)
        : QAccessibleWidget(box, QAccessible::EditableText) {
        addControllingSignal(QStringLiteral("textChanged(const QString&)"));
        addControllingSignal(QStringLiteral("returnPressed()"));
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Value)
            return shown();
        return QAccessibleWidget::text(type);
    }
    void setText(QAccessible::Text type, const QString& text) override {
        if (type != QAccessible::Value) {
            QAccessibleWidget::setText(type, text);
            return;
        }
        if (!box()->isReadOnly())
            box()->setText(text);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (box()->isReadOnly())
            s.readOnly = true;
        else
            s.editable = true;
        if (box()->echoMode() != QLineEdit::Normal)
            s.passwordEdit = true;
        s.selectableText = true;
        return s;
    }

    // The text.
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }
    int characterCount() const override { return int(shown().size()); }
    QString text(int start, int end) const override { return shown().mid(start, end - start); }
    int cursorPosition() const override { return box()->cursorPosition(); }
    void setCursorPosition(int position) override { box()->setCursorPosition(position); }
    int selectionCount() const override { return box()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index == 0 && box()->hasSelectedText()) {
            *start = box()->selectionStart();
            *end = *start + box()->selectionLength();
        }
    }
    void addSelection(int start, int end) override { box()->setSelection(start, end - start); }
    void removeSelection(int index) override {
        if (index == 0)
            box()->deselect();
    }
    void setSelection(int index, int start, int end) override {
        if (index == 0)
            box()->setSelection(start, end - start);
    }
    QRect characterRect(int offset) const override {
        const QRect inBox = box()->characterRect(offset);
        return inBox.isNull() ? QRect() : QRect(box()->mapToGlobal(inBox.topLeft()), inBox.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        const QPoint inBox = box()->mapFromGlobal(point);
        return box()->rect().contains(inBox) ? box()->cursorPositionAt(inBox) : -1;
    }
    void scrollToSubstring(int start, int end) override {
        box()->setCursorPosition(end);
        box()->setCursorPosition(start);
    }

    // Editing, as a person would: the box keeps its length limit.
    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override {
        if (box()->isReadOnly())
            return;
        box()->setText(box()->text().replace(start, end - start, text));
    }

private:
    TextBox* box() const { return static_cast<TextBox*>(widget()); }
    // A hidden entry is told as it is shown (in dots), never as typed.
    QString shown() const {
        return box()->echoMode() == QLineEdit::Normal ? box()->text() : box()->displayText();
    }
};

// A figure: a paragraph of text named "caption, amount, рублей". A paragraph is
// read as it stands, without a role after it ("метка"); told as one that takes
// no focus, so that it is not taken for a box one cannot type into, although Tab
// reaches it.
class FigureAccessible final : public QAccessibleWidget {
public:
    explicit FigureAccessible(Figure* figure)
        : QAccessibleWidget(figure, QAccessible::Paragraph) {}

    QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Name)
            return static_cast<Figure*>(widget())->spokenText();
        return QAccessibleWidget::text(type);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = false;
        return s;
    }
};

// A notification: named by its text (or by the name given to it). One that ends
// in a link is the link.
class NotificationAccessible final : public QAccessibleWidget {
public:
    explicit NotificationAccessible(NotificationLabel* label)
        : QAccessibleWidget(label, QAccessible::Notification) {}

    QAccessible::Role role() const override {
        return static_cast<NotificationLabel*>(widget())->link().isEmpty() ? QAccessible::Notification
                                                                           : QAccessible::Link;
    }
    QStringList actionNames() const override {
        if (static_cast<NotificationLabel*>(widget())->link().isEmpty())
            return QAccessibleWidget::actionNames();
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        auto* label = static_cast<NotificationLabel*>(widget());
        if (action == pressAction() && !label->link().isEmpty())
            emit label->linkActivated(label->link());
        else
            QAccessibleWidget::doAction(action);
    }

    QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(type);
    }
};

QAccessibleInterface* describe(const QString& className, QObject* object) {
    // Asked once per class of the object's ancestry, most derived first; the
    // object is described by what it is, at the first asking.
    if (!object || !object->isWidgetType() || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (widget->inherits("Screen")) // every screen is a window of its own
        return new ContainerAccessible(widget, QAccessible::Window);
    if (qobject_cast<Group*>(widget))
        return new ContainerAccessible(widget, QAccessible::Grouping);
    if (auto* list = qobject_cast<ChoiceList*>(widget))
        return new ListAccessible(list);
    if (auto* box = qobject_cast<TextBox*>(widget))
        return new TextBoxAccessible(box);
    if (auto* figure = qobject_cast<Figure*>(widget))
        return new FigureAccessible(figure);
    if (auto* label = qobject_cast<NotificationLabel*>(widget))
        return new NotificationAccessible(label);
    return nullptr;
}

// Whether an event only tells what a control now says (its name, text, value):
// news nobody needs while its screen is hidden.
bool isContentNews(QAccessible::Event type) {
    switch (type) {
    case QAccessible::NameChanged:
    case QAccessible::DescriptionChanged:
    case QAccessible::ValueChanged:
    case QAccessible::TextCaretMoved:
    case QAccessible::TextInserted:
    case QAccessible::TextRemoved:
    case QAccessible::TextUpdated:
    case QAccessible::TextSelectionChanged:
        return true;
    default:
        return false;
    }
}

// Whether an event is about the text caret, which matters only where the keyboard is.
bool isCaretNews(QAccessible::Event type) {
    return type == QAccessible::TextCaretMoved || type == QAccessible::TextSelectionChanged;
}

// Passes Qt's news on to assistive technology, except
// - what the controls of screens that have never been shown say: the screens made
//   at once behind the welcome screen would otherwise send hundreds of such
//   events, and a screen reader busy with them stays silent for seconds before it
//   reads the screen that appears. Nothing can have heard of those controls yet;
//   a screen shown once keeps telling, so that nothing heard before goes stale.
// - caret moves in a control without the focus (a box filled in before it takes
//   the focus): a screen reader that gets to such a move after the focus has
//   arrived takes the move for the focus and says nothing.
void tell(QAccessibleEvent* event) {
    const QAccessible::Event type = event->type();
    // The focus moved on at once (Tab passing over an option that is not
    // chosen): news of where it was is stale by the time a reader gets it.
    if (type == QAccessible::Focus) {
        const QObject* object = event->object();
        if (object && object->isWidgetType() && !static_cast<const QWidget*>(object)->hasFocus())
            return;
    }
    if (isContentNews(type)) {
        const QAccessibleInterface* told = event->accessibleInterface();
        const QObject* object = told ? told->object() : event->object();
        if (object && object->isWidgetType()) {
            const auto* widget = static_cast<const QWidget*>(object);
            if (!widget->window()->testAttribute(Qt::WA_WState_Created) ||
                (isCaretNews(type) && !widget->hasFocus()))
                return;
        }
    }
    QAccessible::installUpdateHandler(nullptr); // Qt's own way to the bridge
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(tell);
}

} // namespace

void install() {
    // Factories installed later are asked first: this one comes after Qt's own.
    static bool installed = false;
    if (installed)
        return;
    QAccessible::installFactory(describe);
    QAccessible::installUpdateHandler(tell);
    installed = true;
}

void makeDecorative(QWidget* widget) {
    widget->setProperty(kDecorative, true);
}

bool isDecorative(const QWidget* widget) {
    return widget->property(kDecorative).toBool();
}

void announce(QWidget* notification) {
    // The reader reads a notification when it appears; an alert is the same news
    // for readers that follow alerts.
    for (const QAccessible::Event type : {QAccessible::ObjectShow, QAccessible::Alert}) {
        QAccessibleEvent event(notification, type);
        QAccessible::updateAccessibility(&event);
    }
    const QAccessibleInterface* told = QAccessible::queryAccessibleInterface(notification);
    emit Announcements::instance().made(notification, told ? told->text(QAccessible::Name) : QString());
}

Announcements& Announcements::instance() {
    static Announcements announcements;
    return announcements;
}

void tell(QWidget* within, const QString& text) {
    auto* announcer =
        within->findChild<NotificationLabel*>(QStringLiteral("Announcer"), Qt::FindDirectChildrenOnly);
    if (!announcer) {
        // Heard, not seen: a notification of no size.
        announcer = new NotificationLabel(QString(), within);
        announcer->setObjectName(QStringLiteral("Announcer"));
        announcer->setGeometry(0, 0, 0, 0);
    }
    announcer->setText(text);
    announcer->show();
    announce(announcer);
}

} // namespace screenReader
