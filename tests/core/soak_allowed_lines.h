#pragma once
// Every line the tool can write into its message window: the fixed texts and
// the shapes of the lines that carry values (counts, dates, printer bytes).

#include <cctype>
#include <regex>
#include <string>
#include <unordered_set>

#include "core/text/cp1252.h"

namespace orvex::test {

class AllowedLines {
 public:
  AllowedLines()
      : exact_({"",
                "Orvex is online .",
                "Printer is busy right now .",
                "Can't detect printer, please check it .",
                "Communication Error !!",
                "Printer not online .",
                "Firmware version :",
                "Checksum :",
                "Date & Time :",
                "Read Error,try again.",
                "Data has no floating-point .",
                "Print coin ticket .",
                "Won't print coin ticket .",
                "Print note ticket .",
                "Won't print note ticket .",
                "Print payout ticket .",
                "Won't print payout ticket .",
                "Print date format is YY/MM/DD .",
                "Print date format is DD/MM/YY .",
                "Print date format is MM/DD/YY .",
                "Print date format is YY/DD/MM .",
                "Print symbol on payout-ticket .",
                "Won't print symbol on payout-ticket .",
                "Print Record Search.",
                "Not Print Record Search.",
                "Print coin ticket finished .",
                "Print note ticket finished .",
                "Print payout ticket finished .",
                "Print daily report finished .",
                "Print daily history report finished .",
                "Printer have no paper or busy .",
                "Erase record finished .",
                "Erase record Error .",
                "Test full cut finished .",
                "Test part cut finished .",
                "Date format is now YY/MM/DD .",
                "Date format is now DD/MM/YY .",
                "Date format is now MM/DD/YY .",
                "Day format is now YY/DD/MM .",
                "Enable Printe Serial Number.",
                "Disable Printe Serial Number.",
                "Renew records now :",
                "1",
                "Renew records finished .",
                "Renew records: no report for 90 sec, taken as ended .",
                "PC date & time : ",
                "Set date & time finished .",
                "Set date & time Error .",
                "Year must be smaller than 2022.",
                "Year must be bigger than 2001.",
                "Set data mutiplier & floating-point finished .",
                "Set print status finished .",
                "Download coin format finished .",
                "Download note format finished .",
                "Download payout format finished .",
                "Download logo1 finished .",
                "Download logo2 finished .",
                "Download logo3 finished .",
                "Data transfer interrupt .",
                "Please reset printer and try again .",
                "Year must be from 2002 to 2021.",
                "Printer have no paper .",
                "No record be found .",
                "The begining date Orvex selected :",
                "The final date Orvex selected :",
                "Can't output EXCEL file.",
                "Max 2000 days for EXCEL",
                "Finish outputing EXCEL file.",
                "Download all part begin!!",
                "STEP 1 : (Date & Time)",
                "STEP 2 : (Erase Record)",
                "STEP 3 : (Data mutiplier & Decimal)",
                "STEP 4 : (Printer status)",
                "STEP 5 : (Coin Format)",
                "STEP 6 : (Note Format)",
                "STEP 7 : (Payout Format)",
                "STEP 8 : (Logo1)",
                "STEP 9 : (Logo2)",
                "STEP 10 : (Logo3)",
                "Download all part finished!!"}),
        shaped_(
            "Timeout Detect : ([1-9]|[1-8][0-9]|90) sec"
            "|(Last erase date : |Now write record : |Records full! Last record date : )"
            "20[0-9]{2,3}/[0-9]{2,3}/[0-9]{2,3}"
            "|   [0-9A-F]{4}"
            "|       20[0-9]{2}/[0-9]{2}/[0-9]{2}  [0-9]{2}:[0-9]{2}:[0-9]{2}"
            "|(Coin|Note|Payout) value per pulse :   [0-9]{1,5}"
            "|Data has [1-9][0-9]{0,2} floating-points \\."
            "|Total (Coin|Note|Payout|TicketOut) : [0-9]{1,10}"
            "|The (begining|final) date you selected : [0-9]{2}/[0-9]{2}/[0-9]{4}"
            "|     (20[1-9][0-9]{1,2}|200[0-9])/[0-9]{1,3}/[0-9]{1,3}"
            "|Output EXCEL file\\.{0,9}",
            std::regex::optimize) {}

  bool Allowed(const std::string& line) const {
    if (exact_.count(line) != 0) return true;
    if (std::regex_match(line, shaped_)) return true;
    return PrinterText(line);
  }

 private:
  // "     " and the printer's own bytes, a control byte shown as \xHH: a
  // firmware version (up to 15 bytes) or a clock reading
  // "20yy/mm/dd   hh:mm:ss" whose digits are whatever bytes came.
  static bool PrinterText(const std::string& line) {
    if (line.rfind("     ", 0) != 0) return false;
    const auto shown = core::Utf8ToCp1252(line.substr(5));
    if (!shown) return false;
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    std::string b;  // the bytes that came
    for (std::size_t i = 0; i < shown->size(); ++i) {
      const auto c = static_cast<unsigned char>((*shown)[i]);
      if (c < 0x20 || c == 0x7F) return false;  // it must come escaped
      if (c == '\\' && i + 3 < shown->size() && (*shown)[i + 1] == 'x' && hex((*shown)[i + 2]) &&
          hex((*shown)[i + 3])) {
        b += static_cast<char>(std::stoi(shown->substr(i + 2, 2), nullptr, 16));
        i += 3;
        continue;
      }
      b += static_cast<char>(c);
    }
    if (b.size() <= 15) return true;
    return b.size() == 21 && b.compare(0, 2, "20") == 0 && b[4] == '/' && b[7] == '/' &&
           b.compare(10, 3, "   ") == 0 && b[15] == ':' && b[18] == ':';
  }

  std::unordered_set<std::string> exact_;
  std::regex shaped_;
};

}  // namespace orvex::test
