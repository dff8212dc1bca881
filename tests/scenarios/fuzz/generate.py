#!/usr/bin/env python3
"""Writes a random but valid scenario file from a seed.

The scenario drives every window with random clicks, edits and client events
on virtual time; it never uses expect, so a run only has to end with exit 0
and without a crash.

    generate.py SEED [OUTPUT]      (OUTPUT defaults to standard output)
    generate.py SEED OUTPUT --statements N
    generate.py SEED OUTPUT --lively   (a lively simulated conference, linked and
                                        logged on as admin from the start)
"""
import argparse
import os
import random
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SRC = os.path.normpath(os.path.join(HERE, "..", "..", "..", "src"))
UI_FILES = {
    "Form6": "core/Form6.ui",
    "Messages": "chat/Messages.ui",
    "Form116": "chat/Form116.ui",
    "Form14": "util/Form14.ui",
    "Form99": "util/Form99.ui",
}
TEXT_BOXES = {"QLineEdit", "QPlainTextEdit", "QTextEdit"}
CHECK_BOXES = {"QCheckBox"}
OPTION_BUTTONS = {"QRadioButton"}
PROPERTIES = ["Text", "Caption", "Value", "BackColor", "ForeColor", "Enabled", "Visible",
              "ToolTipText", "Left", "Top", "Width", "Height"]
INI_FILES = ["vorivuzav.ini", "messagebox.ini", "textmessage.ini"]
INI_KEYS = {
    "vorivuzav.ini": ["TEXT3", "TEXT43", "TEXT39", "TEXT40", "TEXT41", "TEXT44"]
    + ["TEXT%d" % n for n in range(4, 35)]
    + ["TEXT42", "CHECK1", "CHECK2", "CHECK3", "CHECK5", "OPTION7", "OPTION8", "PASSWORD",
       "CONFERENCE", "PASSWORD2", "CONFERENCE2", "PASSWORD3", "CONFERENCE3", "PASSWORD4",
       "CONFERENCE4", "STATION3", "STATION4", "STAYCON1", "AUTOENTER", "BEACONPERIOD2",
       "OPTION1", "OPTION2", "OPTION3", "OPTION9", "CHECK4", "SUN2", "MON2", "TUE2", "WED2",
       "THUR2", "FRI2", "SAT2", "HOUR2", "MINS2", "HOUR22", "MINS22", "SUN", "MON", "TUE",
       "WED", "THUR", "FRI", "SAT", "HOUR", "MINS", "HOUR00", "MINS00", "LEFT", "TOP"],
    "messagebox.ini": ["CHECK1", "CHECK2", "CHECK3", "OPTION1", "OPTION2", "EXTRACALL"]
    + ["FILTERTEXT%d" % n for n in range(1, 13)],
    "textmessage.ini": ["TEXT%d" % n for n in range(1, 21)] + ["LEFT", "TOP"],
}
CONFERENCES = ["CONFERENCE 1", "CONFERENCE 2", "*HARBOUR*", "CONFERENCE 3"]
CALLS = ["N0CALL", "G4ABC", "VK2XYZ", "W1AW-R", "ZS6QQ-L", "K9ZZ", "M0ODD", "JA1ONE"]
# Controls that end the run: used only now and then, like "end".
RARE = {("Form6", "Command7")}
EMOTICONS = [":)", ":-)", ":>)", ":beer", ":D", ":drink", ":(", ";)", ":r)", ":P", ":-(", ":o"]


def load_controls():
    """form -> list of (class, scenario name) from the window's .ui file."""
    widget = re.compile(r'<widget class="([A-Za-z]+)" name="([^"]+)"')
    controls = {}
    for form, rel in UI_FILES.items():
        with open(os.path.join(SRC, rel), encoding="utf-8") as f:
            text = f.read()
        found = []
        for cls, name in widget.findall(text):
            if name == form or (form, name) in RARE:
                continue
            m = re.fullmatch(r"(.+)_(\d+)", name)
            if m:  # a member of a control array: Name(N)
                name = "%s(%s)" % (m.group(1), m.group(2))
            found.append((cls, name))
        controls[form] = found
    return controls


def quote(text):
    out = text.replace("\\", "\\\\").replace('"', '\\"')
    out = out.replace("\r", "\\r").replace("\n", "\\n").replace("\t", "\\t")
    return '"' + out + '"'


class Generator:
    def __init__(self, seed, statements, lively=False):
        self.lively = lively
        self.r = random.Random(seed)
        self.count = statements
        self.controls = load_controls()
        self.lines = []
        self.members = []
        self.conferences = []

    # --- values -------------------------------------------------------------
    def odd_value(self):
        r = self.r
        kind = r.randrange(14)
        if kind == 0:
            return ""
        if kind == 1:
            return "x" * r.choice([256, 1000, 5000, 40000])
        if kind == 2:
            return r.choice(["abc", "1e9", "-1", "0x10", "NaN", "  7  ", "+3", "2147483648",
                             "-2147483649", "2147483647", "-2147483648", "2147483600", "99999999999999999999", "3.5", "1,5"])
        if kind == 3:
            return r.choice(["Ünïcödé ✓", "日本語テキスト", "🎉🎉", "\u202eRTL", "Ω≈ç√", "\u0000"[0:0] + "é"])
        if kind == 4:
            return r.choice(["a=b", "==", "=", "key=value=more", "x ="])
        if kind == 5:
            return r.choice(['"', '""', '"quoted"', "'single'", 'a"b', '\\', '\\"'])
        if kind == 6:
            return r.choice(["[SETTINGS]", "[OTHER]", ";comment", "#hash", " ", "\t"])
        if kind == 7:
            return str(r.choice([0, 1, 2, 3, -1, 24, 60, 99, 100000]))
        if kind == 8:
            return str(r.randint(-100000000, 100000000))
        if kind == 9:
            return r.choice(CONFERENCES + CALLS).lower()
        if kind == 10:
            return r.choice(["*", "#", "**##", "*1*", "0", "123", "ABCD", "*#*#"])
        return self.nasty_text(short=True)

    def nasty_text(self, short=False):
        r = self.r
        kind = r.randrange(22)
        if kind == 0:
            return ""
        if kind == 1:
            return ">"
        if kind == 2:
            return "~"
        if kind == 3:
            return ":N0CALL-L~"
        if kind == 4:
            return r.choice(CALLS) + "->"
        if kind == 5:
            return "line one\r\nline two\r"
        if kind == 6 and not short:
            return r.choice(["A", "ab ", ":) ", "~>"]) * r.choice([1250, 2500, 5000])
        if kind == 7:
            return r.choice(["<b>bold</b>", "<i>", "<img src=x>", "&amp;", "<script>", "</", "<a href='x'>"])
        if kind == 8:
            glue = r.choice([" ", "", ":", "-"])
            return glue.join(r.choice(EMOTICONS) for _ in range(r.randint(1, 30)))
        if kind == 9:
            return r.choice(CALLS) + ">" + self.word()
        if kind == 10:
            return "->" + r.choice(CALLS)
        if kind == 11:
            return r.choice(CALLS) + ">:" + r.choice(["N0CALL-L", "N0CALL", ""]) + "~" + self.word()
        if kind == 12:
            return "." + r.choice(["mute .", "unmute -a", "ban add X", "users", "admin", "sysop", "disc"])
        if kind == 13:
            return "\r"
        if kind == 14:
            return "\n\n\n"
        if kind == 15:
            return "~~~~~"
        if kind == 16:
            return ">>>>"
        if kind == 17:
            return "Ünïcödé ✓ 日本 🎉"
        if kind == 18:
            return r.choice(["timeout", "node", "Exceeded", "Connected", "Disconnected"]) + " " + self.word()
        if kind == 19:
            calls = [r.choice(CALLS) for _ in range(r.randint(0, 6))]
            text = "\r".join(calls)
            if r.random() < 0.5:
                text += "\r->" + r.choice(CALLS)
            return text
        if kind == 20:
            if r.random() < 0.5:
                specials = "\ufffc\u2028\u2029\u00a0\u200b\ufeff\ufffd:~>-"
                return "".join(r.choice(specials + ":)") for _ in range(r.randint(1, 40)))
            return "".join(chr(r.randint(1, 0x2FF)) for _ in range(r.randint(1, 40)))
        return self.word() + " " + self.word()

    def word(self):
        r = self.r
        return "".join(r.choice("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789*#.-/")
                       for _ in range(r.randint(1, 12)))

    def digits(self):
        r = self.r
        k = r.randrange(6)
        if k == 0:
            return ""
        if k == 1:
            return r.choice(["*111*", "*222*", "*333*", "*444*", "CCC", "**##", "#", "*"])
        if k == 2:
            return "".join(r.choice("0123456789*#ABCD") for _ in range(r.randint(1, 400)))
        if k == 3:
            return self.nasty_text(short=True)
        return "".join(r.choice("0123456789*#ABCD") for _ in range(r.randint(1, 12)))

    def duration(self):
        r = self.r
        k = r.randrange(10)
        if k < 5:
            return "%dms" % r.randint(10, 999)
        if k < 8:
            return "%ds" % r.randint(1, 120)
        if k < 9:
            return "%dm" % r.randint(1, 90)
        return "%dh" % r.randint(1, 2)

    # --- statements ---------------------------------------------------------
    def control(self, form=None, classes=None):
        r = self.r
        forms = [form] if form else list(self.controls)
        for _ in range(50):
            f = r.choice(forms)
            pool = [c for c in self.controls[f] if classes is None or c[0] in classes]
            if pool:
                cls, name = r.choice(pool)
                return f, cls, name
        return None

    def operator(self):
        r = self.r
        k = r.randrange(10)
        if k < 4:
            c = self.control()
            return "click %s.%s" % (c[0], c[2]) if c else None
        if k < 6:
            c = self.control(classes=TEXT_BOXES)
            text = self.nasty_text() if r.random() < 0.6 else self.odd_value()
            return "set %s.%s %s" % (c[0], c[2], quote(text)) if c else None
        if k < 7:
            c = self.control(classes=TEXT_BOXES)
            text = self.nasty_text(short=True)
            if r.random() < 0.3:
                text += "\r"
            return "type %s.%s %s" % (c[0], c[2], quote(text[:300])) if c else None
        if k < 9:
            c = self.control(classes=CHECK_BOXES | OPTION_BUTTONS)
            if not c:
                return None
            value = 1 if c[1] in OPTION_BUTTONS else r.randint(0, 1)
            return "check %s.%s %d" % (c[0], c[2], value)
        # a button the brief names as often pressed: save, logon, connect
        c = self.control(form="Form6", classes={"QPushButton"})
        return "click %s.%s" % (c[0], c[2]) if c else None

    def show(self):
        r = self.r
        c = self.control()
        if not c:
            return None
        form, cls, name = c
        props = ["BackColor", "ForeColor", "Enabled", "Visible", "ToolTipText", "Left", "Top",
                 "Width", "Height"]
        if cls in TEXT_BOXES or cls == "QComboBox":
            props.append("Text")
        if cls not in TEXT_BOXES:
            props.append("Caption")
        if cls in CHECK_BOXES | OPTION_BUTTONS:
            props.append("Value")
        k = r.randrange(4)
        if k == 0:
            return "show %s.%s" % (form, name)
        if k == 1:
            return "show %s.%s" % (form, r.choice(["Caption", "Width", "Height", "Left", "Top", "Visible"]))
        return "show %s.%s.%s" % (form, name, r.choice(props))

    def statement(self):
        r = self.r
        k = r.randrange(100)
        if k < 30:
            return self.operator()
        if k < 34:
            return "answer " + quote(self.nasty_text(short=True) if r.random() < 0.7 else r.choice(CALLS))
        if k < 38:
            return "reply " + r.choice(["yes", "no", "ok"])
        if k < 48:
            return "chat " + quote(self.nasty_text())
        if k < 53:
            return "station-text " + quote(self.nasty_text())
        if k < 57:
            return "dtmf " + quote(self.digits())
        if k < 63:
            return "rx " + r.choice(["on", "off"])
        if k < 66:
            return "linked " + quote(r.choice(CONFERENCES + CALLS + [""]))
        if k < 68:
            return "unlinked " + quote(r.choice(CONFERENCES + CALLS + [""]))
        if k < 69:
            return "connected %s %s %s" % (quote(r.choice(CALLS + ["", "N0CALL-L"])),
                                          quote(self.nasty_text(short=True)), quote("10.0.0.%d" % r.randint(0, 255)))
        if k < 75 and self.members:
            call = r.choice(self.members)
            op = r.randrange(3)
            if op == 0:
                return "key " + call
            if op == 1:
                return "unkey " + call
            return "say %s %s" % (call, quote(self.nasty_text()))
        if k < 86:
            return "wait " + self.duration()
        if k < 94:
            return self.show()
        if k < 96:
            return "show-file " + r.choice(INI_FILES + ["ban.ini", "zurazod2.ini"])
        return self.operator()

    def generate(self):
        r = self.r
        out = self.lines
        out.append("# generated by tests/scenarios/fuzz/generate.py")
        for _ in range(r.randint(0, 8)):
            f = r.choice(INI_FILES)
            out.append("ini %s %s %s" % (f, r.choice(INI_KEYS[f]), quote(self.odd_value())))
        if r.random() < 0.3:
            out.append("clock 20%02d-%02d-%02d %02d:%02d:%02d" % (
                r.randint(20, 37), r.randint(1, 12), r.randint(1, 28), r.randint(0, 23), r.randint(0, 59),
                r.randint(0, 59)))
        if r.random() < 0.3:
            out.append("link-delay " + self.duration())
        chosen = r.sample(CONFERENCES, r.randint(0, len(CONFERENCES)))
        if self.lively and "CONFERENCE 1" not in chosen:
            chosen.insert(0, "CONFERENCE 1")
        for conf in chosen:
            pw = r.choice(["FrothyLantern", "FrothyLantern2", "", "wrong"])
            if self.lively and conf == "CONFERENCE 1":
                pw = "FrothyLantern"
            out.append("conference %s admin %s sysop %s" % (quote(conf), quote(pw), quote(pw)))
            self.conferences.append(conf)
        if self.conferences:
            for call in r.sample(CALLS, r.randint(0, len(CALLS))):
                out.append("member %s in %s" % (quote(call), quote(r.choice(self.conferences))))
                self.members.append(call)
            if self.lively:
                out.append("simulate \"CONFERENCE 1\" seed %d" % r.randint(0, 2**32 - 1))
            elif r.random() < 0.3:
                out.append("simulate %s seed %d" % (quote(r.choice(self.conferences)), r.randint(0, 2**32 - 1)))
        if self.lively:
            out.append('linked "CONFERENCE 1"')
        elif r.random() < 0.3:
            out.append("linked " + quote(r.choice(CONFERENCES)))
        out.append("start")
        if self.lively:
            out += ["wait 1s", "click Form6.Log_On_Admin", "wait 1s"]
        n = 0
        while n < self.count:
            st = self.statement()
            if st is None:
                continue
            out.append(st)
            n += 1
            # About one run in three ends early, at a random place.
            if r.random() < 0.3 / self.count:
                out.append(r.choice(["closing", "close Form6", "end", "click Form6.Command7"]))
            elif r.random() < 0.01:
                out.append("close " + r.choice(["Messages", "Form116", "Form14", "Form99"]))
        out.append("end")
        return "\n".join(out) + "\n"


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("seed", type=int)
    p.add_argument("output", nargs="?")
    p.add_argument("--statements", type=int, default=None)
    p.add_argument("--lively", action="store_true")
    a = p.parse_args()
    gen = Generator(a.seed, a.statements if a.statements is not None else random.Random(a.seed).randint(100, 400), a.lively)
    text = gen.generate()
    if a.output:
        with open(a.output, "w", encoding="utf-8") as f:
            f.write(text)
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main()
