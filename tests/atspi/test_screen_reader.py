#!/usr/bin/python3
"""The program as a screen reader meets it: the real program on a display of its
own with the accessibility bridge on, read and driven through AT-SPI, as Orca
reads it. Walks the welcome screen, the record editor, an expense page and the
adjustment screen; checks names, roles and values, the text of filled boxes,
that refused input is announced each time, a choice (typed or not) once, that
the figure screens appear with their figures, and the keys of option buttons.

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
            "object:text-selection-changed", "object:property-change:accessible-description")

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

        def focused_since(since):
            return [e[1] for e in events[since:] if e[0] == "object:state-changed:focused"
                    and e[1].getState().contains(pyatspi.STATE_FOCUSED)]

        def arrives_with(win, since, *figures, on=None):
            """A screen whose purpose is its figures appears with the keyboard on a
            control that tells them (read after its name as it takes the focus, and
            on asking where the keyboard is), told before the focus arrived."""
            if on:
                wait_for("the focus on %r" % on.name, lambda: on in focused_since(since))
            target = on or wait_for("the focus on " + win.name, lambda: focused_since(since))[-1]
            pump(0.5)
            target.clearCache()
            told = target.description
            for figure in figures:
                check(figure in told, "%s: %r tells %r" % (win.name, told, figure))
            focus = max(i for i, e in enumerate(events) if e[0] == "object:state-changed:focused" and e[1] == target)
            later = [e for e in events[focus:] if e[0] == "object:property-change:accessible-description"
                     and e[1] == target]
            check(not later, "%s: the figures are told once, not again after the focus" % win.name)
            return target

        def check_box_text(box):
            """A filled box tells its whole text as one run of attributes: a reader
            builds the line it reads from those runs."""
            for text in ("", "7", "1500000,50", "Кружок рисования", "9" * 300):
                set_text(box, text)
                wait_for("the text %r" % text[:20], lambda: text_of(box) == text)
                runs = set()
                for offset in {0, len(text) // 2, max(len(text) - 1, 0)}:
                    _, start, end = box.queryText().getAttributeRun(offset, True)
                    runs.add((start, end))
                check(runs == {(0, len(text))}, "box %r holding %d characters: runs %s" % (box.name, len(text), runs))

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
            name_box = find(form4, pyatspi.ROLE_TEXT, "Наименование услуги")
            check_box_text(name_box)
            price = find(form4, pyatspi.ROLE_COMBO_BOX, "Стоимость услуги (без НДС)")
            price.queryComponent().grabFocus()
            wait_for("focus on the price", lambda: price.getState().contains(pyatspi.STATE_FOCUSED))
            since = len(events)
            for keysym in (0x35, 0x30):  # "5", "0": one search
                pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)
                pump(0.1)
            wait_for("the price typed", lambda: text_of(price) == "50")
            pump(1.0)
            told = [e[3] for e in events[since:] if e[0] == "object:state-changed:showing"
                    and e[2] == pyatspi.ROLE_NOTIFICATION]
            check(told and set(told) == {"50"}, "a typed choice is announced once, as the item: %s" % told)

            # The kind options come after the months and before the buttons.
            december = find(form4, pyatspi.ROLE_COMBO_BOX, "Декабрь")
            december.queryComponent().grabFocus()
            wait_for("focus on December", lambda: december.getState().contains(pyatspi.STATE_FOCUSED))
            since = len(events)
            key(0xFF09)  # Tab
            after = wait_for("a focus after December", lambda: focused_since(since))[-1]
            check(after.getRole() == pyatspi.ROLE_RADIO_BUTTON and after.name.startswith("Повторяющаяся"),
                  "Tab from December: the chosen kind, found %s %r" % (after.getRoleName(), after.name))
            since = len(events)
            press(form4, "закончить")
            wait_for("the editor to close", lambda: not showing(form4))

            form5 = window("Платные услуги")  # the summary has the editor's caption
            revenue = "Поступления от оказания платных услуг (всего), 0, рублей"
            arrives_with(form5, since, revenue, "Расходы на оказание платных услуг (всего), 0, рублей")
            figure = find(form5, pyatspi.ROLE_PARAGRAPH, revenue)
            since = len(events)
            key(0xFE20)  # Shift+Tab: "изменить параметры услуг", then the last figure
            key(0xFE20)
            check([f.getRole() for f in focused_since(since)][-1:] == [pyatspi.ROLE_PARAGRAPH],
                  "a figure is reached with Tab")
            press(form5, "далее")

            form6 = window("Прочие поступления")
            for page in ("Бюджетные инвестиции", "Родительская плата"):
                group = find(form6, pyatspi.ROLE_PANEL, page)
                for box in find_all(group, pyatspi.ROLE_TEXT):
                    set_text(box, "100")
                press(group, "далее")

            # An expense page.
            form7 = window("Расходы образовательного учреждения")
            check_window(form7)
            page = find(form7, pyatspi.ROLE_PANEL, "Заработная плата")
            boxes = find_all(page, pyatspi.ROLE_TEXT)
            check([b.name for b in boxes] == ["I квартал", "II квартал", "III квартал", "IV квартал"],
                  "quarter names %s" % [b.name for b in boxes])
            named = [p.name for p in find_all(page, pyatspi.ROLE_PANEL) if p.name]
            check(not named, "the quarters are in no group named again: %s" % named)
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

            # The entry options: Shift+Tab enters them on the chosen one, the arrow
            # keys choose in both directions, Tab leaves them for the quarters.
            quarterly, one_sum = find_all(page, pyatspi.ROLE_RADIO_BUTTON)
            boxes[0].queryComponent().grabFocus()
            wait_for("focus on quarter I", lambda: boxes[0].getState().contains(pyatspi.STATE_FOCUSED))
            for keysym, chosen in ((0xFE20, quarterly), (0xFF54, one_sum), (0xFF54, quarterly),
                                   (0xFF52, one_sum), (0xFF51, quarterly), (0xFF09, boxes[0])):
                since = len(events)
                key(keysym)
                now = wait_for("a focus after key %x" % keysym, lambda: focused_since(since))[-1]
                check(now == chosen, "key %x: on %r, found %r" % (keysym, chosen.name, now.name))
                if chosen.getRole() == pyatspi.ROLE_RADIO_BUTTON:
                    check(chosen.getState().contains(pyatspi.STATE_CHECKED), "key %x chooses %r" % (keysym, chosen.name))

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
                for box in find_all(page, pyatspi.ROLE_TEXT):
                    set_text(box, "100")
                since = len(events)
                press(page, "далее")
            boxes[0].clearCache()
            check(boxes[0].description == "", "an accepted box loses the error")

            form8 = window("Предварительный ПФХД")
            arrives_with(form8, since, "Поступления ПФХД (всего), 10008", "Расходы ПФХД (всего), ")
            since = len(events)
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
            arrives_with(form9, since, "платные услуги, 0, рублей", "фицит, ", on=corrections[0])
            find(form9, pyatspi.ROLE_PARAGRAPH, "расходы на приобретение продуктов питания, 0, рублей")

            # A correction, chosen with an arrow key or typed, is announced once (its
            # percentage, what it changes, the balance), as its list then tells it.
            food = corrections[-1]
            food.queryComponent().grabFocus()
            wait_for("focus on food", lambda: food.getState().contains(pyatspi.STATE_FOCUSED))
            for keys, item in (((0xFF54,), "0,5"), ((0x2D, 0x35), "-5")):  # Down; "-", "5"
                since = len(events)
                for keysym in keys:
                    pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)
                    pump(0.1)
                wait_for("the correction %s" % item, lambda: text_of(food) == item)
                pump(1.0)
                caret = [e for e in events[since:] if e[1] == food and e[0] == "object:text-caret-moved"]
                news = {e[3] for e in events[since:] if e[0] == "object:state-changed:showing"
                        and e[2] == pyatspi.ROLE_NOTIFICATION}
                food.clearCache()
                check(news == {food.description} and not caret,
                      "the correction %s told once: %s, caret %s" % (item, news, caret))
                check(food.description.startswith(item + " процентов. расходы на приобретение продуктов питания, ")
                      and "фицит, " in food.description, "the correction %s: %r" % (item, food.description))

            # Back from "пересчитать", the screen takes the keyboard with its new figures.
            since = len(events)
            press(form9, "пересчитать")
            wait_for("the record editor", lambda: showing(form4))
            press(form4, "закончить")
            arrives_with(form9, since, "платные услуги, ", "фицит, ", on=corrections[0])
        finally:
            app.terminate()
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
