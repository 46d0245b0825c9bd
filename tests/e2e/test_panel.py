"""The panel as a user meets it: what it shows, what each slider and button sends, Tab, the end."""
import os
import unittest

from harness import BUILD, BUTTONS, COLUMNS, ProgramTest, click, drag, winlook, screenshot, wait_for, xdotool

CONTROL_CC = 0xB0
WS_CHILD_VISIBLE_GROUP = 0x50020000
WS_EX_CLIENTEDGE = 0x200

def expected_controls():
    """id -> (class, rect, style, exstyle, text), written out from the panel's layout."""
    controls = {0: ("static", [25, 5, 345, 23], 0x50020001, WS_EX_CLIENTEDGE, "Gamma Box")}
    for column, (slider, caption, text, display, _) in enumerate(COLUMNS):
        x = 10 + 40 * column
        controls[slider] = ("msctls_trackbar32", [x, 50, x + 30, 150], 0x50010002, 0, "")
        controls[caption] = ("static", [x, 35, x + 35, 55], 0x50020001, 0, text)
        controls[display] = ("static", [x, 150, x + 35, 170], 0x50020001, WS_EX_CLIENTEDGE, "0")
    for button, text, x, y, _, _ in BUTTONS:
        controls[button] = ("button", [x, y, x + 50, y + 20], 0x50030000, 0, text)
    return controls


class Panel(ProgramTest):
    def test_panel_shows_every_control_where_the_layout_puts_it(self):
        program, panel = self.open_panel()
        self.assertEqual(panel["class"], "WindowClass_0")
        self.assertEqual(panel["client"], [0, 0, 490, 225])
        self.assertEqual(panel["screen"][:2], [0, 0])
        self.assertEqual(panel["style"] & 0x10CF0000, 0x10C80000)  # visible, caption, system menu only
        actual = program.controls(panel)
        expected = expected_controls()
        self.assertEqual(sorted(actual), sorted(expected))
        for number, (klass, rect, style, exstyle, text) in expected.items():
            with self.subTest(control=number):
                control = actual[number]
                self.assertEqual(control["class"].lower(), klass)
                self.assertEqual(control["rect"], rect)
                self.assertEqual(control["style"] & ~0x0000FF00 if klass == "button" else control["style"], style)
                self.assertEqual(control["exstyle"] & WS_EX_CLIENTEDGE, exstyle)
                if klass != "msctls_trackbar32":
                    self.assertEqual(control["text"], text)
                else:
                    self.assertEqual((control["min"], control["max"], control["pos"]), (0, 127, 127))
        screenshot(os.path.join(BUILD, "panel.png"))
        self.assertEqual(program.messages(), [])  # nothing is sent at start-up

    def test_slider_dragged_to_the_top_sends_127_then_back_to_0(self):
        program, panel = self.open_panel()
        slider = program.controls(panel)[1]
        drag(slider, slider["screen"][1] - 20)
        wait_for(lambda: program.messages() and program.messages()[-1] == (CONTROL_CC, 12, 127),
                 what="127 on controller 12", seen=lambda: program.messages()[-3:])
        self.assertTrue(all(m[:2] == (CONTROL_CC, 12) for m in program.messages()))
        values = [m[2] for m in program.messages()]
        self.assertEqual(values, sorted(values), "a drag upwards only rises")
        self.assertEqual(len(values), len(set(values)), "no value is sent twice in a row")
        wait_for(lambda: program.controls(panel)[21]["text"] == "127", what='display 21 showing "127"',
                 seen=lambda: program.controls(panel)[21]["text"])

        slider = program.controls(panel)[1]
        drag(slider, slider["screen"][3] + 20)
        wait_for(lambda: program.messages()[-1] == (CONTROL_CC, 12, 0), what="0 on controller 12",
                 seen=lambda: program.messages()[-3:])
        wait_for(lambda: program.controls(panel)[21]["text"] == "0", what='display 21 showing "0"',
                 seen=lambda: program.controls(panel)[21]["text"])

    def test_every_button_sends_its_message_on_every_press(self):
        program, panel = self.open_panel()
        controls = program.controls(panel)
        expected = []
        for button, _, _, _, controller, value in BUTTONS:
            click(controls[button])
            expected.append((CONTROL_CC, controller, value))
            program.wait_messages(len(expected))
        click(controls[52])
        expected.append((CONTROL_CC, 66, 16))
        self.assertEqual(program.wait_messages(len(expected)), expected)

    def test_tab_walks_sliders_and_buttons_in_creation_order_and_wraps(self):
        program, panel = self.open_panel()
        order = [c[0] for c in COLUMNS] + [b[0] for b in BUTTONS]

        def focused():
            found = winlook("focus", panel["hwnd"])[0]
            return found["id"] if found else None

        seen = []
        for _ in range(len(order) + 1):
            xdotool("key", "Tab")
            wait_for(lambda: focused() != (seen[-1] if seen else None), what="the focus to move from %s"
                     % (seen[-1] if seen else None), seen=focused)
            seen.append(focused())
        self.assertEqual(seen, order + order[:1])
        xdotool("key", "shift+Tab")
        wait_for(lambda: focused() == order[-1], what="Shift+Tab to wrap to the last button", seen=focused)
        self.assertEqual(program.messages(), [], "Tab alone sends nothing")

    def test_closing_sends_the_pending_change_and_ends_with_zero(self):
        program, panel = self.open_panel("--device", "5", "/x")  # arguments change nothing
        self.assertEqual(program.opened_device(), 2)
        slider = program.controls(panel)[5]
        winlook("setpos", slider["hwnd"], "27")  # state 100, and no event for the panel yet
        winlook("close", panel["hwnd"])
        self.assertEqual(program.wait_exit(), 0)
        self.assertEqual(program.messages(), [(CONTROL_CC, 16, 100)])


if __name__ == "__main__":
    unittest.main(verbosity=2)
