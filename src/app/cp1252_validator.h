#pragma once
// Lets a text box take only what the printer can print: characters that
// Windows-1252 holds, and no more bytes than the line record has room for.

#include <QValidator>
#include <cstddef>

namespace orvex::app {

class Cp1252Validator : public QValidator {
  Q_OBJECT

 public:
  Cp1252Validator(std::size_t maxBytes, QObject* parent = nullptr);
  State validate(QString& input, int& pos) const override;

 private:
  std::size_t maxBytes_;
};

}  // namespace orvex::app
