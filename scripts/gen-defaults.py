#!/usr/bin/python3
"""Writes the definition files of defaults/ (one per model and firmware).

The files are data of their own: which settings each relay has, where they
live, their types, limits, units and factory values. This script is the one
place they are authored; run it and commit its output:

    /usr/bin/python3 scripts/gen-defaults.py [OUTPUT_DIR]

The output uses exactly the XML form the program writes, so a file converted
to the binary form and back comes out byte for byte the same.
"""

import os
import sys

# Lines of each option list the files use (the catalogue compiled into the program).
LIST_LINES = {
    6: 2, 7: 4, 9: 4, 10: 2, 11: 16, 12: 20, 312: 20, 13: 21, 313: 21, 14: 2, 15: 17, 315: 17,
    16: 6, 17: 8, 18: 3, 19: 4, 20: 5, 21: 4, 25: 10, 26: 4, 27: 256, 29: 7, 33: 2, 34: 4,
    37: 13, 38: 3, 40: 3, 41: 2, 42: 8, 43: 8, 60: 2, 61: 5, 361: 5, 62: 14, 362: 14, 63: 14,
    363: 14, 64: 19, 65: 7, 66: 3, 67: 16, 68: 3, 69: 6, 70: 3, 71: 19, 371: 19, 72: 19, 73: 8,
    74: 18, 75: 5, 76: 13, 77: 12, 377: 12, 79: 256, 80: 3, 81: 2, 82: 10, 83: 5, 84: 6, 85: 3,
    95: 11, 96: 16, 97: 10, 338: 3,
}
# Registers a type occupies.
SPAN = {1: 2, 2: 2, 3: 1, 22: 10, 23: 2, 24: 2}
# Registers the program reads or writes itself; never settings.
RESERVED = set([0, 1, 2, 6, 576, 577, 973, 974, 975]) | set(range(580, 600)) \
    | set(range(1096, 1101)) | set(range(1104, 1119))

COLUMNS = [("CFG_NAME", "string", 10), ("CFG_VALUE", "string", 10), ("G_ORDER", "r8", 0),
           ("MAIN", "string", 50), ("MAINTYPE", "string", 25), ("GROUP", "string", 50),
           ("REGISTER", "r8", 0), ("SETTING", "string", 50), ("S_ORDER", "r8", 0),
           ("TYPE", "r8", 0), ("MIN", "r8", 0), ("MAX", "r8", 0), ("DEFAULT", "string", 20),
           ("ACCESS", "r8", 0), ("UNITS", "string", 10), ("COMMENTS", "string", 40)]
WIDTH = {name: width for name, kind, width in COLUMNS if kind == "string"}

DEG = "\u00b0C"  # degrees Celsius


def span(type_code):
    return SPAN.get(type_code, 1)


class Definitions:
    def __init__(self, unit, firmware):
        self.unit, self.firmware = unit, firmware
        self.groups = {}     # number -> (name, kind)
        self.settings = {}   # register -> dict
        self.used = {}       # register -> owner register
        self.current = None
        self.order = 0

    def group(self, number, name, kind):
        assert 0 <= number <= 998 and number not in self.groups, (self.unit, number)
        assert name not in [g[0] for g in self.groups.values()], name
        self.groups[number] = (name, kind)
        self.current, self.order = name, 0
        return self

    def add(self, register, name, type_code, lo=0, hi=0, default=None, units="", access=0,
            comment=""):
        assert self.current is not None
        first, last = register, register + span(type_code) - 1
        assert 3 <= first and last <= 1500, (self.unit, register)
        for r in range(first, last + 1):
            assert r not in RESERVED, (self.unit, name, r)
            assert r not in self.used, (self.unit, name, r, self.used.get(r))
            self.used[r] = register
        if type_code in LIST_LINES:
            assert 0 <= lo <= hi < LIST_LINES[type_code], (name, type_code, hi)
        if default is None:
            default = lo
        if type_code == 22:
            text = str(default)
            assert len(text) <= 20
        elif type_code == 1:
            assert lo <= default <= hi or access, (self.unit, name, default)
            text = "%.2f" % default
        else:
            assert lo <= default <= hi or access, (self.unit, name, default)
            text = "%d" % default
        self.order += 1
        self.settings[register] = dict(GROUP=self.current, REGISTER=register, SETTING=name,
                                       S_ORDER=self.order, TYPE=type_code, MIN=lo, MAX=hi,
                                       DEFAULT=text, ACCESS=access, UNITS=units,
                                       COMMENTS=comment)
        members = [s for s in self.settings.values() if s["GROUP"] == self.current]
        assert len(members) <= 49, self.current
        return self

    def drop(self, register):
        s = self.settings.pop(register)
        for r in range(register, register + span(s["TYPE"])):
            del self.used[r]

    def change(self, register, **fields):
        self.settings[register].update(fields)

    def value(self, v):
        return "%d" % v if float(v).is_integer() else repr(float(v))

    def rows(self):
        yield {"CFG_NAME": "Unit", "CFG_VALUE": self.unit}
        yield {"CFG_NAME": "Firmware", "CFG_VALUE": str(self.firmware)}
        for n in sorted(self.groups):
            yield {"G_ORDER": n, "MAIN": self.groups[n][0], "MAINTYPE": self.groups[n][1]}
        for r in sorted(self.settings):
            yield self.settings[r]

    def xml(self):
        out = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
               '<DATAPACKET Version="2.0">', "<METADATA>", "<FIELDS>"]
        for name, kind, width in COLUMNS:
            w = ' WIDTH="%d"' % width if kind == "string" else ""
            out.append('<FIELD attrname="%s" fieldtype="%s"%s/>' % (name, kind, w))
        out += ["</FIELDS>", "<PARAMS/>", "</METADATA>", "<ROWDATA>"]
        for row in self.rows():
            cells = []
            for name, kind, width in COLUMNS:
                if name not in row or (row[name] == "" and name not in ("CFG_VALUE",)):
                    continue
                v = row[name]
                if kind == "string":
                    v = str(v)
                    assert len(v) <= width, (name, v)
                    cells.append('%s="%s"' % (name, escape(v)))
                else:
                    cells.append('%s="%s"' % (name, self.value(v)))
            out.append("<ROW %s/>" % " ".join(cells))
        out += ["</ROWDATA>", "</DATAPACKET>", ""]
        return "\n".join(out)


def escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("'", "&apos;"))


# ---------------------------------------------------------------- shared parts

def system_name(d, title, location=True):
    d.group(0, "System Name", "system name")
    d.add(600, "Relay Title", 22, 0, 20, title, comment="Printed on reports and curves")
    if location:
        d.add(610, "Location", 22, 0, 20, "Substation 1")
    d.add(620, "Hardware Revision", 3, 0, 65535, 3, access=1)


def rtd_modules(d, first_group, modules, app_type=21):
    d.group(first_group, "RTD Modules", "rtd")
    d.add(390, "Number of RTD Modules", 19, 0, modules, 0)
    d.add(391, "RTD Temperature Bypass", 6, 0, 1, 1)
    for m in range(1, modules + 1):
        base = 400 + (m - 1) * 50
        d.group(first_group + m, "RTD Module %d" % m, "rtd")
        for n in range(8):
            d.add(base + n, "Module %d RTD %d Type" % (m, n + 1), 20, 0, 4, 1)
        for n in range(8):
            d.add(base + 8 + n, "Module %d RTD %d Application" % (m, n + 1), app_type, 0, 3,
                  0 if n < 6 else 1)
        for n in range(8):
            d.add(base + 16 + 2 * n, "Module %d RTD %d Trip Level" % (m, n + 1), 1, 0, 200,
                  130 if n < 6 else 95, DEG)
        for n in range(8):
            d.add(base + 32 + 2 * n, "Module %d RTD %d Alarm Level" % (m, n + 1), 1, 0, 200,
                  120 if n < 6 else 85, DEG)


def local_sensor(d, number, sensor_type=68):
    d.group(number, "Local Temperature Sensor", "rtd")
    d.add(550, "Local Sensor Type", sensor_type, 0, 2, 0)
    d.add(551, "Local Sensor Trip Level", 1, 0, 200, 130, DEG)
    d.add(553, "Local Sensor Alarm Level", 1, 0, 200, 120, DEG)
    d.add(555, "Local Sensor Action", 7, 0, 3, 1)


def metering(d, number, rows):
    d.group(number, "Metering", "metering")
    for register, name, units in rows:
        d.add(register, name, 1, 0, 0, 0, units, access=1)


def meter_rtd(d, number, modules, local_channels):
    d.group(number, "Temperature Sensors", "meter rtd")
    for m in range(1, modules + 1):
        for n in range(1, 9):
            r = 902 + (m - 1) * 16 + (n - 1) * 2
            d.add(r, "RTD Module %d Number %d" % (m, n), 1, 0, 0, 0, DEG, access=1)
    for n in range(1, local_channels + 1):
        d.add(950 + (n - 1) * 2, "Local Sensor %d" % n, 1, 0, 0, 0, DEG, access=1)


def events(d, number, record_type, cause_type, fields):
    d.group(number, "Event Record", "events")
    d.add(976, "Date", 23, 0, 0, 0, access=1)
    d.add(978, "Time", 24, 0, 0, 0, access=1)
    d.add(980, "Record Type", record_type, 0,
          LIST_LINES[record_type] - 1 if record_type in LIST_LINES else 2, 0, access=1,
          comment="" if record_type in LIST_LINES else "0 empty, 1 trip, 2 ETR")
    d.add(981, "Cause", cause_type, 0, 255, 255, access=1)
    for register, name, units in fields:
        d.add(register, name, 1, 0, 0, 0, units, access=1)


def action_type(new):
    return 42 if new else 7


# ---------------------------------------------------------------- motor relays

def motor(unit, firmware, family2=False, series2=False):
    """DRA (family 1), DRB-50 (family 2) and their second-series relatives."""
    d = Definitions(unit, firmware)
    dra = not family2
    # Which revision brought what.
    if unit == "DRA":
        starts = firmware >= 190
        oc_max = 15 if firmware >= 190 else 10
        new_actions = firmware >= 210
        analog = firmware >= 210
        differential = firmware >= 230
        fla_max = 5000 if firmware >= 230 else 1000
        jam_delay_max = 100
        baud_type = 17
    elif unit == "DRB-50":
        starts = firmware >= 120
        oc_max = 15
        new_actions = False
        analog = True
        differential = firmware >= 170
        fla_max = 1000
        jam_delay_max = 60 if firmware >= 130 else 30
        baud_type = 69 if firmware >= 130 else 66
    else:  # QRT-3600 / QRT-2600
        starts, oc_max, new_actions, analog = True, 15, True, True
        differential, fla_max, jam_delay_max = False, 5000, 100
        baud_type = 17 if dra else 69

    system_name(d, "%s Motor" % unit, location=dra)

    d.group(1, "System Ratings", "setpoint")
    d.add(210, "CT-Primary ( Ip )", 1, 1, 5000, 100, "A", comment="Phase CT primary rating")
    d.add(212, "Earth-Fault CT Primary", 1, 1, 5000, 50, "A")
    d.add(214, "Line Frequency", 10, 0, 1, 1)
    if dra:
        d.add(215, "Voltage Input", 9, 0, 3, 3)
        d.add(216, "Starter Type", 11, 0, 15, 1)
    if differential:
        d.add(218, "Differential CT Primary", 1, 1, 5000, 100, "A")
    if dra:
        d.add(220, "PT Primary", 1, 100, 50000, 4160, "V")
        d.add(222, "PT Secondary", 1, 100, 240, 120, "V")
    d.add(225, "FLA Rating #1", 1, 1, fla_max, 50, "A", comment="From the motor nameplate")
    d.add(227, "Nominal Voltage", 1, 100, 50000, 4160 if dra else 480, "V")
    if dra:
        d.add(229, "FLA Rating #2", 1, 1, fla_max, 40, "A", comment="Two-speed motors only")
    d.add(231, "Reset Mode", 338 if series2 else 38, 0, 2, 0)
    d.add(233, "Service Factor", 1, 1, 1.25, 1.15)

    d.group(10, "Overload", "protection")
    d.add(11, "Overload Curve", 33, 0, 1, 0)
    d.add(12, "Overload Action", action_type(new_actions), 0, 7 if new_actions else 3, 1)
    d.add(13, "Locked-Rotor Current", 1, 1.5, 10, 6, "x FLA")
    d.add(15, "Locked-Rotor Time Cold", 1, 0.1, 100, 10, "s")
    d.add(17, "Locked-Rotor Time Hot", 1, 0.1, 100, 5, "s")
    d.add(19, "Overload Alarm Level", 1, 50, 100, 80, "% I2t")
    d.add(21, "Overload Reset Level", 1, 10, 90, 40, "% I2t")
    if starts:
        d.add(23, "Starts per Hour", 25, 0, 9, 2)
        d.add(24, "Time Between Starts", 3, 0, 60, 5, "min")

    d.group(11, "Overcurrent", "protection")
    d.add(31, "Overcurrent Function", 6, 0, 1, 0)
    d.add(32, "Overcurrent Action", action_type(new_actions), 0, 7 if new_actions else 3, 1)
    d.add(33, "Overcurrent Trip Level", 1, 1, oc_max, 10, "x Ip")
    d.add(35, "Overcurrent Trip Delay", 1, 0, 10, 0.1, "s")

    d.group(12, "Aux Overcurrent", "protection")
    d.add(39, "Aux Overcurrent Function", 6, 0, 1, 1)
    d.add(40, "Aux Overcurrent Action", action_type(new_actions), 0, 7 if new_actions else 3, 2)
    d.add(41, "Aux Overcurrent Trip Level", 1, 1, oc_max, 8, "x Ip")
    d.add(43, "Aux Overcurrent Trip Delay", 1, 0, 10, 0.5, "s")

    d.group(13, "Earth Fault", "protection")
    d.add(45, "Earth Fault Function", 6, 0, 1, 0)
    d.add(46, "Earth Fault Action", 7, 0, 3, 3)
    d.add(47, "Earth Fault Trip Level", 1, 0.01, 1, 0.1, "x CT")
    d.add(49, "Earth Fault Trip Delay", 1, 0.05, 10, 0.5, "s")
    d.add(51, "Earth Fault Alarm Level", 1, 0.01, 1, 0.05, "x CT")
    d.add(53, "Earth Fault Alarm Delay", 1, 0.05, 60, 5, "s")

    d.group(14, "Current Unbalance", "protection")
    d.add(55, "Unbalance Function", 6, 0, 1, 0)
    d.add(56, "Unbalance Trip Level", 1, 5, 50, 20, "%")
    d.add(58, "Unbalance Trip Delay", 1, 1, 60, 5, "s")
    d.add(60, "Unbalance Alarm Level", 1, 5, 50, 10, "%")
    d.add(62, "Unbalance Alarm Delay", 1, 1, 60, 10, "s")

    d.group(15, "Jam", "protection")
    d.add(64, "Jam Function", 6, 0, 1, 1)
    d.add(65, "Jam Trip Level", 1, 1, 10, 3, "x FLA")
    d.add(67, "Jam Trip Delay", 1, 1, jam_delay_max, 5, "s")
    d.add(69, "Jam Action", action_type(new_actions), 0, 7 if new_actions else 3, 1)

    d.group(16, "Undercurrent", "protection")
    d.add(70, "Undercurrent Function", 6, 0, 1, 1)
    d.add(71, "Undercurrent Trip Level", 1, 10, 90, 50, "% FLA")
    d.add(73, "Undercurrent Trip Delay", 1, 1, 60, 10, "s")
    d.add(75, "Undercurrent Action", 7, 0, 3, 2)

    if dra:
        d.group(17, "Voltage", "protection")
        d.add(80, "Overvoltage Function", 6, 0, 1, 1)
        d.add(81, "Overvoltage Trip Level", 1, 100, 130, 110, "%")
        d.add(83, "Overvoltage Trip Delay", 1, 0.1, 60, 2, "s")
        d.add(85, "Undervoltage Function", 6, 0, 1, 1)
        d.add(86, "Undervoltage Trip Level", 1, 50, 100, 85, "%")
        d.add(88, "Undervoltage Trip Delay", 1, 0.1, 60, 2, "s")

    d.group(18, "Phase Loss and Reversal", "protection")
    d.add(90, "Phase Loss (I) Function", 6, 0, 1, 0)
    d.add(91, "Phase Reverse (I) Function", 6, 0, 1, 0)
    if dra:
        d.add(92, "Phase Reverse (V) Function", 6, 0, 1, 1)

    if differential:
        d.group(19, "Differential", "protection")
        d.add(236, "Differential Function", 6, 0, 1, 1)
        d.add(237, "Differential Trip Level", 1, 0.05, 1, 0.2, "x Ip")
        d.add(239, "Differential Trip Delay", 1, 0, 10, 0.1, "s")
        d.add(241, "Differential Alarm Level", 1, 0.05, 1, 0.1, "x Ip")
        d.add(243, "Differential Action", action_type(new_actions), 0,
              7 if new_actions else 3, 1)

    d.group(20, "Inputs and Outputs", "setpoint")
    if dra:
        in_type, out_type = (312, 313) if series2 else (12, 13)
        for n in range(7):
            d.add(120 + n, "Digital Input %d" % (n + 1), in_type, 0, 19, [1, 3, 10, 8, 0, 0, 0][n])
        for n in range(5):
            d.add(130 + n, "Relay %d Function" % (n + 1), out_type, 0, 20, [5, 6, 1, 2, 15][n])
        for n in range(5):
            d.add(135 + n, "Relay %d Mode" % (n + 1), 14, 0, 1, 0)
    else:
        in_type, out_type = (361, 362) if series2 else (61, 62)
        d.add(120, "Digital Input", in_type, 0, 4, 2)
        for n in range(3):
            d.add(130 + n, "Relay %d Function" % (n + 1), out_type, 0, 13, [1, 4, 8][n])
        for n in range(3):
            d.add(135 + n, "Relay %d Mode" % (n + 1), 14, 0, 1, 0)

    if analog:
        d.group(21, "Analog Output", "setpoint")
        if dra:
            a_type = 315 if series2 else 15
            d.add(140, "Analog Output Parameter", a_type, 0, 16, 0)
        else:
            a_type = 363 if series2 else 63
            d.add(140, "Analog Output Parameter", a_type, 0, 13, 0)
        d.add(141, "Analog Output Zero Scale", 1, 0, 1000, 0, "%")
        d.add(143, "Analog Output Full Scale", 1, 0, 1000, 100, "%")

    d.group(22, "Communications", "setpoint")
    if dra:
        d.add(150, "Network Protocol", 16, 0, 5, 2)
        d.add(151, "Baud Rate", baud_type, 0, LIST_LINES[baud_type] - 1, 3)
        d.add(152, "Network Address", 3, 1, 254, 254)
        d.add(153, "DF1 Frame Check", 18, 0, 2, 1)
    else:
        d.add(150, "Network Protocol", 65, 0, 6, 4)
        d.add(151, "Baud Rate", baud_type, 0, LIST_LINES[baud_type] - 1, 0)
        d.add(152, "Network Address", 3, 1, 254, 254)
        if series2:
            d.add(155, "DeviceNet Assembly", 82, 0, 9, 6)
    d.add(154, "Network Timeout", 3, 0, 600, 10, "s")

    if series2:
        d.group(23, "Display", "setpoint")
        d.add(260, "Default Display Page", 96 if dra else 95, 0, 15 if dra else 10, 0)
        d.add(261, "Display Timeout", 3, 0, 3600, 300, "s")

    modules = 3 if dra else 2
    rtd_modules(d, 30, modules)
    local_sensor(d, 34)

    # Readings: the metering block, totals and temperature channels.
    if dra:
        rows = [(860, "Phase A Current", "A"), (862, "Phase B Current", "A"),
                (864, "Phase C Current", "A"), (866, "Average Current", "A"),
                (868, "Voltage Vab", "V"), (870, "Voltage Vbc", "V"), (872, "Voltage Vca", "V"),
                (874, "Average Voltage", "V"), (876, "Current Unbalance", "%"),
                (878, "Earth Leakage Current", "A"), (880, "Thermal Capacity Used", "%"),
                (882, "Power Factor", ""), (884, "Real Power", "kW"),
                (886, "Reactive Power", "kvar"), (888, "Apparent Power", "kVA"),
                (890, "Frequency", "Hz"), (892, "Voltage Unbalance", "%"),
                (894, "Time to Trip", "s"), (896, "Time to Start", "s"),
                (898, "Analog Input", "mA"), (900, "Thermal Trend", "%"),
                (966, "Starts Remaining", ""), (968, "Time Since Start", "min"),
                (970, "Motor Speed", "rpm"),
                (1210, "Running Hours", "h"), (1212, "Real Energy", "kWh"),
                (1216, "Reactive Energy", "kvarh"), (1220, "Apparent Energy", "kVAh")]
        if differential:
            rows += [(1224, "Differential Current Phase A", "A"),
                     (1226, "Differential Current Phase B", "A"),
                     (1228, "Differential Current Phase C", "A")]
    else:
        rows = [(860, "Phase A Current", "A"), (862, "Phase B Current", "A"),
                (864, "Phase C Current", "A"), (866, "Average Current", "A"),
                (876, "Current Unbalance", "%"), (878, "Earth Leakage Current", "A"),
                (880, "Thermal Capacity Used", "%"), (882, "Time to Trip", "s")]
        if differential:
            rows += [(884, "Differential Current Phase A", "A"),
                     (886, "Differential Current Phase B", "A"),
                     (888, "Differential Current Phase C", "A")]
        rows += [(890, "Frequency", "Hz"), (900, "Motor Temperature", DEG),
                 (966, "Starts Remaining", ""), (1210, "Running Hours", "h"),
                 (1224, "Peak Phase Current", "A")]
    metering(d, 900, rows)
    meter_rtd(d, 901, modules, 8 if dra else 1)

    if dra:
        fields = [(982, "Phase A Current", "A"), (984, "Phase B Current", "A"),
                  (986, "Phase C Current", "A"), (988, "Earth Leakage Current", "A"),
                  (990, "Current Unbalance", "%"), (992, "Thermal Capacity Used", "%"),
                  (994, "Voltage Vab", "V"), (996, "Voltage Vbc", "V"), (998, "Voltage Vca", "V"),
                  (1000, "Frequency", "Hz"), (1002, "Power Factor", "")]
        channels = 16 if firmware >= 230 and unit == "DRA" else 24
        for k in range(channels):
            m, n = divmod(k, 8)
            fields.append((1005 + 2 * k, "RTD Module %d Number %d" % (m + 1, n + 1), DEG))
        if differential:
            fields += [(1037, "Differential Current Phase A", "A"),
                       (1039, "Differential Current Phase B", "A"),
                       (1041, "Differential Current Phase C", "A")]
            local_first = 1043
        else:
            local_first = 1053
        for n in range(min(8, (1063 - local_first) // 2 + 1)):
            fields.append((local_first + 2 * n, "Local Sensor %d" % (n + 1), DEG))
    else:
        fields = [(982, "Phase A Current", "A"), (984, "Phase B Current", "A"),
                  (986, "Phase C Current", "A"), (988, "Earth Leakage Current", "A"),
                  (990, "Maximum Stator Temperature", DEG),
                  (992, "Maximum Bearing Temperature", DEG),
                  (994, "Maximum Load Temperature", DEG),
                  (996, "Thermal Capacity Used", "%"), (998, "Current Unbalance", "%"),
                  (1000, "Motor Temperature", DEG)]
        for k in range(16):
            m, n = divmod(k, 8)
            fields.append((1005 + 2 * k, "RTD Module %d Number %d" % (m + 1, n + 1), DEG))
        if differential:
            fields += [(1037, "Differential Current Phase A", "A"),
                       (1039, "Differential Current Phase B", "A"),
                       (1041, "Differential Current Phase C", "A")]
    events(d, 902, 26, 27, fields)
    return d


# ---------------------------------------------------------------- feeder relays

def feeder(unit, firmware, series2=False):
    """FDX-50 and QRT-4700 (family 3): two setting groups of six elements."""
    d = Definitions(unit, firmware)
    revised = firmware >= 110 or series2
    dt_delay_max = 30 if revised else 10
    relay_type = 371 if series2 else (74 if revised else 76)
    relay_max = 18 if series2 else (17 if revised else 12)

    system_name(d, "%s Feeder" % unit)

    d.group(1, "System Ratings", "setpoint")
    d.add(251, "Phase CT Primary (Ip)", 1, 1, 5000, 400, "A")
    d.add(253, "EF-CT Primary (Ie)", 1, 1, 5000, 100, "A")
    d.add(255, "Line Frequency", 10, 0, 1, 0)
    d.add(256, "Earth Fault Source", 60, 0, 1, 0)
    if revised:
        d.add(257, "Active Setpoint Group", 81, 0, 1, 0)

    for g, first_group, kind in ((1, 10, "group1"), (2, 20, "group2")):
        off = 0 if g == 1 else 1
        name = lambda text: "%s G%d" % (text, g)
        d.group(first_group, name("Overload"), kind)
        base = 10 if g == 1 else 28
        d.add(base, name("Overload Function"), 6, 0, 1, 0)
        d.add(base + 1, name("Overload Pickup"), 1, 0.1, 10, 1.05, "x Ip")
        d.add(base + 3, name("Overload Action"), 42, 0, 7, 1)
        d.add(base + 5, name("Overload Alarm Level"), 1, 50, 100, 90, "% I^t")
        d.add(base + 7, name("Overload Alarm Action"), 43, 0, 7, 1)
        d.add(base + 9, name("Overload Time Constant"), 1, 1, 60, 10, "min")

        d.group(first_group + 1, name("Phase Inverse"), kind)
        base = 50 + 10 * off
        d.add(base, name("Phase Inverse Function"), 6, 0, 1, 0)
        d.add(base + 1, name("Phase Inverse Curve Type"), 73, 0, 7, 0)
        d.add(base + 2, name("Phase Inverse Time Multiplier"), 1, 0.05, 1, 0.1)
        d.add(base + 4, name("Phase Inverse Pickup"), 1, 0.1, 10, 1, "x Ip")
        d.add(base + 6, name("Phase Inverse Action"), 42, 0, 7, 1)

        d.group(first_group + 2, name("Phase Definite Time"), kind)
        base = 70 if g == 1 else 84
        d.add(base, name("Phase DT Function"), 6, 0, 1, 0)
        d.add(base + 1, name("Phase DT Action"), 42, 0, 7, 1)
        d.add(base + 2, name("Phase DT Trip Level"), 1, 0.01, 15, 6, "x Ip")
        d.add(base + 4, name("Phase DT Trip Delay"), 1, 0, dt_delay_max, 0.1, "s")
        d.add(base + 6, name("Phase DT Alarm Action"), 43, 0, 7, 0)
        d.add(base + 7, name("Phase DT Alarm Level"), 1, 0.01, 15, 4, "x Ip")
        d.add(base + 9, name("Phase DT Alarm Delay"), 1, 0, dt_delay_max, 1, "s")

        d.group(first_group + 3, name("Earth Fault 3Io Inverse"), kind)
        base = 100 + 10 * off
        d.add(base, name("3Io Inverse Function"), 6, 0, 1, 1)
        d.add(base + 1, name("3Io Inverse Curve Type"), 73, 0, 7, 1)
        d.add(base + 2, name("3Io Inverse Time Multiplier"), 1, 0.05, 1, 0.2)
        d.add(base + 4, name("3Io Inverse Pickup"), 1, 0.1, 10, 0.2, "x Ip")
        d.add(base + 6, name("3Io Inverse Action"), 42, 0, 7, 1)

        d.group(first_group + 4, name("Earth Fault 3Io Definite Time"), kind)
        base = 120 if g == 1 else 136
        d.add(base, name("3Io DT Function"), 6, 0, 1, 0)
        d.add(base + 1, name("3Io DT Action"), 42, 0, 7, 1)
        d.add(base + 2, name("3Io DT Trip Level"), 1, 0.01, 15, 0.5, "x Ip")
        d.add(base + 4, name("3Io DT Trip Delay"), 1, 0, dt_delay_max, 0.3, "s")
        d.add(base + 6, name("3Io DT Alarm Level"), 1, 0.01, 15, 0.3, "x Ip")
        d.add(base + 8, name("3Io DT Alarm Delay"), 1, 0, dt_delay_max, 2, "s")

        d.group(first_group + 5, name("Earth Fault CT-Input Definite Time"), kind)
        base = 150 if g == 1 else 166
        d.add(base, name("EF-CT DT Function"), 6, 0, 1, 0)
        d.add(base + 1, name("EF-CT DT Action"), 42, 0, 7, 1)
        d.add(base + 2, name("EF-CT DT Trip Level"), 1, 0.01, 15, 0.2, "x Ie")
        d.add(base + 4, name("EF-CT DT Trip Delay"), 1, 0, dt_delay_max, 0.5, "s")
        d.add(base + 6, name("EF-CT DT Alarm Level"), 1, 0.01, 15, 0.1, "x Ie")
        d.add(base + 8, name("EF-CT DT Alarm Delay"), 1, 0, dt_delay_max, 5, "s")

    d.group(40, "Unbalance and Phase Loss", "protection")
    d.add(180, "Unbalance Function", 6, 0, 1, 1)
    d.add(181, "Unbalance Trip Level", 1, 5, 50, 20, "%")
    d.add(183, "Unbalance Trip Delay", 1, 1, 60, 5, "s")
    d.add(185, "Phase Loss Function", 6, 0, 1, 0)
    d.add(186, "Phase Reverse Function", 6, 0, 1, 1)

    d.group(50, "Inputs and Outputs", "setpoint")
    d.add(190, "Digital Input", 75, 0, 4, 2)
    for n in range(3):
        d.add(191 + n, "Relay %d Function" % (n + 1), relay_type, 0, relay_max, [1, 4, 11][n])
    for n in range(3):
        d.add(194 + n, "Relay %d Mode" % (n + 1), 14, 0, 1, 0)

    d.group(51, "Analog Output", "setpoint")
    d.add(240, "Analog Output Parameter", 377 if series2 else 77, 0, 11, 0)
    d.add(241, "Analog Output Zero Scale", 1, 0, 1000, 0, "%")
    d.add(243, "Analog Output Full Scale", 1, 0, 1000, 100, "%")

    d.group(52, "Communications", "setpoint")
    d.add(200, "Network Protocol", 65, 0, 6, 4)
    d.add(201, "Baud Rate", 66, 0, 2, 0)
    d.add(202, "Network Address", 3, 1, 254, 254)
    if series2:
        d.add(203, "DeviceNet Assembly", 84, 0, 5, 1)
        d.group(53, "Display", "setpoint")
        d.add(260, "Default Display Page", 97, 0, 9, 0)
        d.add(261, "Display Timeout", 3, 0, 3600, 300, "s")

    rtd_modules(d, 60, 1)
    local_sensor(d, 62)

    rows = [(860, "Phase A Current", "A"), (862, "Phase B Current", "A"),
            (864, "Phase C Current", "A"), (866, "Average Current", "A"),
            (868, "Residual Current 3Io", "A"), (870, "EF-CT Current", "A"),
            (872, "Current Unbalance", "%"), (874, "Thermal Capacity Used", "%"),
            (876, "Frequency", "Hz"), (880, "Temperature", DEG),
            (1210, "Hours in Service", "h"), (1224, "Peak Demand Current", "A"),
            (1226, "Peak Earth-Fault Current", "A")]
    metering(d, 900, rows)
    meter_rtd(d, 901, 1, 1)

    fields = [(982, "Phase A Current", "A"), (984, "Phase B Current", "A"),
              (986, "Phase C Current", "A"), (988, "Residual Current 3Io", "A"),
              (990, "EF-CT Current", "A"), (992, "Current Unbalance", "%"),
              (994, "Thermal Capacity Used", "%"), (996, "Temperature", DEG),
              (998, "Frequency", "Hz")]
    for n in range(8):
        fields.append((1005 + 2 * n, "RTD Module 1 Number %d" % (n + 1), DEG))
    events(d, 902, 3, 79, fields)
    return d


FILES = [
    ("dra_defaults_", [motor("DRA", fw) for fw in (185, 190, 210, 230)]),
    ("drb_defaults_", [motor("DRB-50", fw, family2=True) for fw in (100, 120, 130, 170)]),
    ("fdx_defaults_", [feeder("FDX-50", fw) for fw in (100, 110)]),
    ("qrt3600_defaults_", [motor("QRT-3600", 100, series2=True)]),
    ("qrt2600_defaults_", [motor("QRT-2600", 100, family2=True, series2=True)]),
    ("qrt4700_defaults_", [feeder("QRT-4700", 100, series2=True)]),
]


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "defaults")
    out_dir = sys.argv[1] if len(sys.argv) > 1 else root
    os.makedirs(out_dir, exist_ok=True)
    for prefix, definitions in FILES:
        for d in definitions:
            path = os.path.join(out_dir, "%s%d.xml" % (prefix, d.firmware))
            with open(path, "w", encoding="utf-8", newline="\n") as f:
                f.write(d.xml())
            print("%s: %d groups, %d settings" % (os.path.basename(path), len(d.groups),
                                                  len(d.settings)))


if __name__ == "__main__":
    main()
