#include "app/cp1252_validator.h"

#include "core/text/cp1252.h"

namespace orvex::app {

Cp1252Validator::Cp1252Validator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State Cp1252Validator::validate(QString& input, int&) const {
  const QByteArray utf8 = input.toUtf8();
  const auto bytes = core::Utf8ToCp1252(std::string_view(utf8.constData(), utf8.size()));
  if (!bytes || bytes->size() > maxBytes_) return Invalid;
  return Acceptable;
}

}  // namespace orvex::app
