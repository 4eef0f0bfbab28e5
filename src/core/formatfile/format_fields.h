#pragma once
// Which control of the ticket setup each of the 132 format file lines holds.
// Saving and loading both walk this one table, so the two cannot drift apart.

#include <string>

#include "core/setup/ticket_setup.h"

namespace orvex::core {

constexpr int kFormatFileLines = 132;

enum class FieldType {
  Radio,       // item index of a radio group
  Check,       // check box
  Multiplier,  // the three multiplier boxes and the decimal box, UTF-8 in the model
  TicketText,  // the thirty ticket line texts, Windows-1252 in the model
  Logo,        // path of a logo slot, UTF-8 in the model
};

struct FormatField {
  FieldType type = FieldType::Radio;
  int* item = nullptr;  // Radio
  int itemCount = 0;    // Radio
  bool* check = nullptr;
  std::string* multiplier = nullptr;
  bool isDecimals = false;  // Multiplier: the decimal box, whose change runs its range check
  FormatLine* line = nullptr;
  int slot = 0;  // Logo: 1..3
};

// The field of line `index`, counted from 0.
FormatField FieldAt(TicketSetup& setup, int index);

}  // namespace orvex::core
