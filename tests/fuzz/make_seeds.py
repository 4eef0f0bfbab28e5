#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into corpus/<target>/.

Each seed is a worked case of the tool, laid out as the target reads its
input (see the comment at the top of each target). Run it again after a
target's input layout changes; the seeds are committed.
"""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


# --- dispatcher_fuzz --------------------------------------------------------

COMMANDS = [
    "ReadFirmwareVersion", "ReadPrinterClock", "ReadMultipliers",
    "ReadPrintStatus", "ReadSummaryTotals", "PrintCoinTestTicket", "PrintNoteTestTicket",
    "PrintPayoutTestTicket", "PrintDailyReport", "PrintHistoryReport", "EraseRecords",
    "TestFullCut", "TestPartCut", "SetDateFormatYYMMDD", "SetDateFormatDDMMYY", "SetDateFormatMMDDYY",
    "SetDateFormatYYDDMM", "EnableSerialNumberPrinting", "DisableSerialNumberPrinting", "SetPrinterClock", "DownloadCoinFormat",
    "DownloadNoteFormat", "DownloadPayoutFormat", "SendMultiplierSettings", "SendPrintStatus", "CheckDecimalPlaces",
    "ClearCoinFormat", "ClearNoteFormat", "ClearPayoutFormat",
    "SearchAndPrint", "DownloadLogo1", "DownloadLogo2", "DownloadLogo3", "DownloadAll",
    "ClearMessageWindow", "ClearAll",
]
ONLINE, NOT_SEEN, LOST = 0, 1, 2
IDENTIFIED, ACCEPTING = 0x01, 0x40


def header(link=ONLINE, bits=IDENTIFIED, identify=0, flags=0, timers=0, seconds=0, lines=0,
           progress=0, first=None, period=((2005, 3, 1), (2005, 3, 3))):
    out = [link, bits, identify, flags & 0xFF, (flags >> 8) & 0xFF, (flags >> 16) & 0xFF,
           timers, seconds, lines, progress, 0 if first is None else COMMANDS.index(first) + 1]
    for year, month, day in period:
        out += [year - 2000, month - 1, day - 1]
    return out


def read(data):
    data = list(data)
    if len(data) < 256:
        return [0, len(data)] + data
    return [1, len(data) & 0xFF, len(data) >> 8] + data


def tick(timer):
    return [2 + timer]  # 0 Timer1, 1 Timer2, 2 Timer3


def ticks(timer, rounds):
    out = []
    while rounds > 0:
        n = min(rounds, 64)
        out += [7, ((n - 1) << 2) | timer]
        rounds -= n
    return out


def command(name):
    return [5, COMMANDS.index(name)]


def dispatcher_seeds():
    t = "dispatcher_fuzz"
    firmware = b"ORVEX V2.07 58m" + bytes([0x12, 0x34, 0xAB, 0xCD])
    # Start-up: announcement, the 20-symbol variant reply, a firmware query
    # that counts two seconds and gets its 19-byte answer.
    write(t, "announce-firmware", header(link=NOT_SEEN, bits=0) + read([0x26]) + read([0x0A]) +
          command("ReadFirmwareVersion") + tick(1) + tick(1) + read(firmware))
    # No variant reply: four Timer3 ticks settle the 18-symbol printer.
    write(t, "variant-fallback", header(link=NOT_SEEN, bits=0) + read([0x26]) + ticks(2, 4) +
          command("ReadPrinterClock") + read(b"150630140509"))
    # Print status 0x18: tickets off, date format MM/DD/YY.
    write(t, "print-status-0x18", header(first="ReadPrintStatus") + read([0x18]))
    write(t, "multiplier-summary", header(first="ReadMultipliers") +
          read(struct.pack("<HHHB", 100, 500, 25, 2)) + command("ReadSummaryTotals") +
          read(struct.pack("<IIII", 123456, 7890, 42, 17)))
    # A record-maintenance run: start, two progress reports, finished.
    write(t, "record-report-run", header(lines=3) + read([0x77, 0x11, 0x03, 0x0C, 0x1F]) +
          read([0x77, 0x22, 0x04, 0x01, 0x02]) + command("ReadFirmwareVersion") +
          read([0x77, 0x22, 0x04, 0x01, 0x03]) + read([0x77, 0x33]))
    write(t, "records-full", header() + read([0x77, 0x11, 0x05, 0x01, 0x01]) +
          read([0x77, 0x44, 21, 12, 31]))
    # The reply timeout: 90 ticks, the reset, the printer back from Lost.
    write(t, "timeout-and-return", header(first="EraseRecords", lines=2) + ticks(1, 90) +
          ticks(0, 4) + command("DownloadCoinFormat") + read([0x26]) + read([0, 0, 0, 0, 0, 0x0A]))
    # Test prints and their results; a 0x26 ends an outstanding one.
    write(t, "test-prints", header(first="PrintCoinTestTicket") + read([1]) + command("PrintNoteTestTicket") +
          read([0]) + command("PrintDailyReport") + read([0x26]) + command("TestFullCut") +
          command("SetDateFormatYYDDMM") + command("EnableSerialNumberPrinting"))
    # Search && Print for 1 to 3 March 2005; the reply carries three days and
    # the serial record, and the export runs on an accepting spreadsheet.
    days = b"".join(struct.pack("<IIIH", 1234 * (i + 1), 500, 5, 3 + i) for i in range(3))
    serial = bytes([1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 0])
    write(t, "search-3-days", header(bits=IDENTIFIED | ACCEPTING, first="SearchAndPrint") +
          tick(1) + read(bytes([5, 3, 1, 5, 3, 3, 1, 2]) + days + serial))
    write(t, "search-no-record-no-paper", header(first="SearchAndPrint") + read([0x55]) +
          command("SearchAndPrint") + command("SearchAndPrint") + read([0x00]))
    write(t, "search-year-2001", header(first="SearchAndPrint", period=((2001, 12, 31), (2005, 1, 1))))
    # Logo 1 (384 x 2): header acknowledged, two rows, then the 0xAB reply.
    write(t, "logo-download", header(first="DownloadLogo1") + read(b"B") + read(b"B") + read(b"B") +
          read([0xAB]))
    write(t, "logo-cancel", header(first="DownloadLogo1") + read(b"B") + [6] + tick(1) + read(b"x"))
    # Download All, each step answered.
    write(t, "download-all", header(first="DownloadAll") + read([0xAA]) + read([0xAA]) +
          read([0xAA]) + read([0xAA]) + read([0xAA]) + read(b"B") + read(b"B") + read(b"B") +
          read([0xAB]) + read(b"B") + read([0xAB]) + read(b"B") + tick(1))
    # One burst longer than the receive buffer, and a short one after it
    # that leaves the older bytes behind it.
    long_read = bytes([0x26, 0x00]) + bytes(range(256)) * 130
    write(t, "long-read", header(link=LOST, bits=0) + read(long_read) + read([0x0A]))


# --- format_file_fuzz -------------------------------------------------------

def format_lines(symbol="0", multipliers=("1", "1", "1", "0"), checks=("1",) * 4,
                 logos=("", "", ""), texts=None, radios=None):
    lines = [symbol] + list(multipliers) + list(checks) + list(logos)
    lines += list(texts) if texts else [""] * 30
    lines += list(radios) if radios else ["0"] * 90
    return lines


def crlf(lines, end="\r\n"):
    return "".join(line + end for line in lines).encode("cp1252")


def format_file_seeds():
    t = "format_file_fuzz"
    write(t, "defaults-132-lines", crlf(format_lines()))
    texts = ["COIN TICKET", "Machine 12", "", "Thank you", "", "", "", "", "", "",
             "NOTE TICKET", "Caf\u00e9 \u20ac5", "", "", "", "", "", "", "", "",
             "PAYOUT", "123456789012345678901234567", "", "", "", "", "", "", "", ""]
    radios = []
    for ticket in range(3):
        for line in range(10):
            radios += [str(line % 3), str(line % 2), str((line + ticket) % 7)]
    # Logo lines pick a scratch file by their first byte: a accepted, b the
    # height-0 logo, c no bitmap, d missing, e too large.
    write(t, "full-setup", crlf(format_lines("19", ("100", "500", "25", "2"), ("1", "0", "1", "0"),
                                             ("a", "b", "c"), texts, radios)))
    write(t, "logo-messages", crlf(format_lines(logos=("d", "e", "c"))))
    write(t, "lf-only", crlf(format_lines(multipliers=("7", "-3", "x", "9")), "\n"))
    write(t, "cr-only", crlf(format_lines(checks=(" 1", "1 ", "", "1")), "\r"))
    write(t, "clamped-radios", crlf(format_lines("25", radios=["7", "-5"] * 45) + ["extra", "lines"]))
    write(t, "131-lines", crlf(format_lines()[:131]))
    write(t, "not-a-number", crlf(format_lines(radios=["0"] * 10 + [""] + ["0"] * 79)))


# --- logo_file_fuzz ---------------------------------------------------------

def bmp(width=384, height=2, bits=1, compression=0, pixel_bytes=None, fill=0x5A):
    row = ((width * bits + 31) // 32) * 4
    size = row * abs(height) if pixel_bytes is None else pixel_bytes
    head = b"BM" + struct.pack("<IHHI", 62 + size, 0, 0, 62)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, size, 2835, 2835,
                       2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    pixels = bytes((fill + i * 7) & 0xFF for i in range(size))
    return head + info + palette + pixels


def logo_file_seeds():
    t = "logo_file_fuzz"
    write(t, "384x2", bmp())
    write(t, "384x341", bmp(height=341))
    write(t, "384x342-too-large", bmp(height=342))
    write(t, "384x0", bmp(height=0))
    write(t, "top-down", bmp(height=-2))
    write(t, "24-bit", bmp(bits=24, height=1))
    write(t, "383-wide", bmp(width=383))
    write(t, "compressed", bmp(compression=1))
    write(t, "short-pixels", bmp(height=4, pixel_bytes=100))
    write(t, "33-bytes", bmp()[:33])
    write(t, "not-bmp", b"GIF89a\x80\x01\x02\x00")


# --- workbook_fuzz ----------------------------------------------------------

def workbook_seeds():
    t = "workbook_fuzz"

    def reply(begin, end, follow=1, decimals=2, days=(), serial=None):
        out = bytes(begin + end + (follow, decimals))
        for coin, note, payout, tickets in days:
            out += struct.pack("<IIIH", coin, note, payout, tickets)
        if serial is not None:
            out += bytes([1] + list(serial) + [0])
        return out

    three = [(1234, 500, 5, 3), (0, 99999999, 1, 0), (4294967295, 7, 100, 65535)]
    # mode 0x01: the ending date follows from the day count byte.
    write(t, "3-days-serial", bytes([0x01, 2]) + reply((5, 3, 1), (5, 3, 3), days=three,
                                                        serial=[1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2]))
    # mode 0xC1: the same search twice in one run; the second export
    # attaches, finds no spreadsheet running and starts one.
    write(t, "3-days-twice", bytes([0xC1, 2]) + reply((5, 3, 1), (5, 3, 3), days=three))
    write(t, "1-day-no-decimals", bytes([0x01, 0]) + reply((12, 2, 29), (12, 2, 29), decimals=0,
                                                            days=[(500, 0, 0, 1)]))
    write(t, "14-days", bytes([0x01, 13]) + reply((21, 12, 1), (21, 12, 14), decimals=3,
                                                   days=[(i * 1001, i, 0, i) for i in range(14)]))
    # mode 0x30: the reply as it is.
    # 0xA5 lets a raw reply run a long period: here 2000 days and the limit.
    write(t, "end-before-begin", bytes([0x30, 0xA5]) + reply((5, 3, 9), (5, 3, 7), decimals=1))
    write(t, "no-paper", bytes([0x30, 0]) + bytes([0x00]))
    write(t, "no-record", bytes([0x30, 0]) + bytes([0x55]))
    write(t, "no-records-follow", bytes([0x30, 0]) + reply((5, 3, 7), (5, 3, 9), follow=0))
    write(t, "not-a-date", bytes([0x30, 0]) + reply((5, 13, 1), (5, 13, 3)))
    write(t, "decimals-12", bytes([0x30, 0]) + reply((5, 3, 1), (5, 3, 2), decimals=12))


if __name__ == "__main__":
    shutil.rmtree(CORPUS, ignore_errors=True)
    dispatcher_seeds()
    format_file_seeds()
    logo_file_seeds()
    workbook_seeds()
    for target in sorted(os.listdir(CORPUS)):
        print(target, len(os.listdir(os.path.join(CORPUS, target))), "seeds")
