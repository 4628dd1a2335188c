#!/usr/bin/python3
"""The program as a screen reader meets it: the real program on a display of its
own with the accessibility bridge on, read and driven through AT-SPI, as Orca
reads it. Walks the welcome screen, the record editor, an expense page and the
adjustment screen; checks names, roles and values, and that refused input and a
chosen correction are announced each time.

usage: test_screen_reader.py PROGRAM"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from headless import Desktop  # noqa: E402

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message, flush=True)
    return condition


def main(program):
    with Desktop() as desktop:
        os.environ.update(desktop.env)  # pyatspi finds the bus through them
        import pyatspi
        from gi.repository import GLib

        events = []
        pyatspi.Registry.registerEventListener(
            lambda e: events.append((e.type, e.source, e.source.getRole(), e.source.name)),
            "object:state-changed:showing", "object:state-changed:focused", "object:text-caret-moved",
            "object:text-selection-changed")

        def pump(seconds=0.05):
            deadline = time.monotonic() + seconds
            context = GLib.MainContext.default()
            while time.monotonic() < deadline:
                while context.iteration(False):
                    pass
                time.sleep(0.01)

        def wait_for(what, ready, timeout=15):
            deadline = time.monotonic() + timeout
            while time.monotonic() < deadline:
                answer = ready()
                if answer:
                    return answer
                pump()
            raise AssertionError("waited in vain for " + what)

        def showing(acc):
            acc.clearCache()
            return acc.getState().contains(pyatspi.STATE_SHOWING)

        def descendants(acc):
            for i in range(acc.childCount):
                child = acc.getChildAtIndex(i)
                if child is None:
                    continue
                yield child
                if child.getRole() != pyatspi.ROLE_COMBO_BOX:  # not its hundreds of items
                    yield from descendants(child)

        def find_all(root, role, name=None, visible=True):
            return [a for a in descendants(root)
                    if a.getRole() == role and (name is None or a.name == name) and (not visible or showing(a))]

        def find(root, role, name=None):
            found = wait_for("%s %r" % (role, name), lambda: find_all(root, role, name))
            return found[0]

        def window(title):
            def shown():
                desk = pyatspi.Registry.getDesktop(0)
                for i in range(desk.childCount):
                    app = desk.getChildAtIndex(i)
                    if app and app.name == "planium":
                        for j in range(app.childCount):
                            w = app.getChildAtIndex(j)
                            if w and w.name == title and showing(w):
                                return w
                return None
            return wait_for("window " + title, shown)

        def text_of(acc):
            try:
                text = acc.queryText()
            except NotImplementedError:
                return None  # a list that does not tell its value
            return text.getText(0, text.characterCount)

        def set_text(acc, text):
            acc.queryEditableText().setTextContents(text)

        def press(root, name):
            button = find(root, pyatspi.ROLE_PUSH_BUTTON, name)
            action = button.queryAction()
            action.doAction(next(i for i in range(action.nActions) if action.getName(i).lower() == "press"))
            pump(0.2)

        def key(keysym):
            pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)
            pump(0.3)

        def announced(role, starts_with, since):
            return [e for e in events[since:] if e[0] == "object:state-changed:showing" and e[2] == role
                    and (e[3] or "").startswith(starts_with)]

        def inputs(root):
            return [a for a in descendants(root)
                    if a.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_COMBO_BOX) and showing(a)]

        def check_window(win):
            title = win.name
            check(win.getRole() == pyatspi.ROLE_FRAME, title + ": the screen is a window (frame)")
            inner = [a for a in descendants(win) if a.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW,
                                                                    pyatspi.ROLE_DIALOG)]
            check(not inner, "%s: no window inside the screen, found %s" % (title, [a.name for a in inner]))
            unnamed = [a.getRoleName() for a in inputs(win) if not a.name.strip()]
            check(not unnamed, "%s: every input is named, unnamed: %s" % (title, unnamed))
            noise = [a.name for a in find_all(win, pyatspi.ROLE_LABEL, visible=False)
                     if a.name.strip() and not any(c.isalnum() for c in a.name)]
            check(not noise, "%s: punctuation is left out, found %s" % (title, noise))

        def check_lists(win, names, value):
            lists = [a for a in inputs(win) if a.getRole() == pyatspi.ROLE_COMBO_BOX]
            check([a.name for a in lists] == names, "%s: list names %s" % (win.name, [a.name for a in lists]))
            values = [text_of(a) for a in lists]
            check(values == [value] * len(names), "%s: list values %s" % (win.name, values))
            return lists

        def choose_next(combo):
            """Moves a list to its next item with the arrow key; the name stays, the
            value is the new item and the reader hears of it (the caret moves)."""
            name, before, since = combo.name, text_of(combo), len(events)
            combo.queryComponent().grabFocus()
            wait_for("focus on " + name, lambda: combo.getState().contains(pyatspi.STATE_FOCUSED))
            key(0xFF54)  # Down
            wait_for("a new item in " + name, lambda: text_of(combo) != before)
            combo.clearCache()
            check(combo.name == name, "list %r keeps its name, now %r" % (name, combo.name))
            check(any(e[0] == "object:text-caret-moved" and e[1] == combo for e in events[since:]),
                  "list %r: the new item is announced" % name)
            return text_of(combo)

        # Welcome screen.
        app = desktop.start([program], env=dict(desktop.env, QT_QPA_PLATFORM="xcb",
                                                QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
        try:
            form1 = window("Приветствие")
            check_window(form1)
            texts = [a for a in inputs(form1) if a.getRole() == pyatspi.ROLE_TEXT]
            check([a.name for a in texts] == ["Фамилия", "Имя (инициал)", "Отчество (инициал)",
                                              "Наименование образовательного учреждения"],
                  "Приветствие: box names %s" % [a.name for a in texts])
            labels = [r.getTarget(0).name for r in texts[0].getRelationSet()
                      if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
            check(labels == ["Фамилия"], "the surname box is labelled by its caption: %s" % labels)
            settlement = check_lists(form1, ["Тип НП"], "")[0]

            since = len(events)
            for attempt in (1, 2):
                press(form1, "начать")
                wait_for("the refusal announced %d times" % attempt,
                         lambda: len(announced(pyatspi.ROLE_NOTIFICATION, "Не введено", since)) >= attempt)
            texts[3].clearCache()
            check(texts[3].description.startswith("Не введено"), "the missing name carries the error")
            set_text(texts[3], "Детский сад")
            check(choose_next(settlement) == "Сельский", "the first settlement type is chosen")
            press(form1, "начать")

            form2 = window("Задание учредителя")
            check_window(form2)
            subsidy = find(form2, pyatspi.ROLE_TEXT)
            check(subsidy.name == "Объём субсидии, рублей", "the subsidy box: %r" % subsidy.name)
            set_text(subsidy, "1000000")
            press(form2, "далее")

            # The record editor.
            form4 = window("Платные услуги")
            press(form4, "перейти к платным услугам")
            find(form4, pyatspi.ROLE_PANEL, "Услуга № 1 из 1")
            find(form4, pyatspi.ROLE_PANEL, "Количество по месяцам")
            check_window(form4)
            months = ["Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август", "Сентябрь",
                      "Октябрь", "Ноябрь", "Декабрь"]
            check_lists(form4, ["Стоимость услуги (без НДС)", "Потребности в оплате труда",
                                "Потребности в прочих расходах"] + months, "0")
            press(form4, "закончить")
            wait_for("the editor to close", lambda: not showing(form4))

            form5 = window("Платные услуги")  # the summary has the editor's caption
            figure = find(form5, pyatspi.ROLE_LABEL, "Поступления от оказания платных услуг (всего), 0, рублей")
            check(figure.getState().contains(pyatspi.STATE_FOCUSABLE), "a figure is reached with Tab")
            press(form5, "далее")

            form6 = window("Прочие поступления")
            for page in ("Бюджетные инвестиции", "Родительская плата"):
                group = find(form6, pyatspi.ROLE_PANEL, page)
                quarters = find(group, pyatspi.ROLE_PANEL, "Квартальные суммы")
                for box in find_all(quarters, pyatspi.ROLE_TEXT):
                    set_text(box, "100")
                press(group, "далее")

            # An expense page.
            form7 = window("Расходы образовательного учреждения")
            check_window(form7)
            page = find(form7, pyatspi.ROLE_PANEL, "Заработная плата")
            boxes = find_all(find(page, pyatspi.ROLE_PANEL, "Квартальные суммы"), pyatspi.ROLE_TEXT)
            check([b.name for b in boxes] == ["I квартал", "II квартал", "III квартал", "IV квартал"],
                  "quarter names %s" % [b.name for b in boxes])
            set_text(boxes[1], "200")
            boxes[0].queryComponent().grabFocus()
            wait_for("focus on quarter I", lambda: boxes[0].getState().contains(pyatspi.STATE_FOCUSED))
            since = len(events)
            key(0xFF09)  # Tab
            wait_for("focus on quarter II", lambda: any(
                e[0] == "object:state-changed:focused" and e[1] == boxes[1] for e in events[since:]))
            pump(0.5)
            first = next(e[0] for e in events[since:] if e[1] == boxes[1])
            check(first == "object:state-changed:focused",
                  "Tab into a box: the reader hears of the focus first, not of %s" % first)

            set_text(boxes[0], "abc")
            since = len(events)
            for attempt in (1, 2):
                press(page, "далее")
                wait_for("the refused amount announced %d times" % attempt,
                         lambda: len(announced(pyatspi.ROLE_NOTIFICATION, "не верно введены значения", since))
                         >= attempt)
            boxes[0].clearCache()
            check(boxes[0].description == "не верно введены значения!", "the refused box carries the error")
            set_text(boxes[0], "100")
            for subject in ("Заработная плата", "Прочие выплаты", "Услуги связи", "Транспортные услуги",
                            "Коммунальные услуги", "Арендная плата за пользование имуществом",
                            "Работы, услуги по содержанию имущества", "Прочие работы, услуги",
                            "Приобретение продуктов питания", "Прочие расходы",
                            "Увеличение стоимости основных средств", "Увеличение стоимости материальных запасов"):
                page = find(form7, pyatspi.ROLE_PANEL, subject)
                for box in find_all(find(page, pyatspi.ROLE_PANEL, "Квартальные суммы"), pyatspi.ROLE_TEXT):
                    set_text(box, "100")
                press(page, "далее")
            boxes[0].clearCache()
            check(boxes[0].description == "", "an accepted box loses the error")

            form8 = window("Предварительный ПФХД")
            press(form8, "далее")

            # The adjustment screen.
            form9 = window("Корректировка  плана финансово-хозяйственной деятельности")
            check_window(form9)
            corrections = check_lists(form9, [
                "оплата труда (заработная плата и прочие выплаты)", "расходы на оплату услуг связи",
                "расходы на оплату транспортных услуг", "расходы на оплату коммунальных услуг",
                "арендная плата за пользование имуществом", "плата за работы, услуги по содержанию имущества",
                "расходы на прочие работы и услуги", "прочие расходы",
                "расходы на увеличение стоимости основных средств",
                "расходы на увеличение материальных запасов (без продуктов питания)",
                "расходы на приобретение продуктов питания"], "0")
            find(form9, pyatspi.ROLE_LABEL, "расходы на приобретение продуктов питания, 0, рублей")
            since = len(events)
            check(choose_next(corrections[-1]) == "0,5", "food is corrected by half a per cent")
            news = wait_for("the correction's result announced",
                            lambda: announced(pyatspi.ROLE_NOTIFICATION, "расходы на приобретение продуктов", since))
            check("рублей. Профицит, " in news[0][3] or "рублей. Дефицит, " in news[0][3],
                  "the balance is announced: %r" % news[0][3])
            find(form9, pyatspi.ROLE_LABEL, "расходы на приобретение продуктов питания, 2, рублей")
        finally:
            app.terminate()
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
