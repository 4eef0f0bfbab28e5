#pragma once
// Holds what is typed, pasted or dropped into a settings box to its typed
// length, while the box shows a longer value of the setup (a format file's
// line) whole: what the box shows is what is sent and saved. QLineEdit's
// maxLength cut such a value on screen only.

#include <QValidator>
#include <functional>

class QLineEdit;

namespace orvex::app {

class TypedLengthValidator : public QValidator {
  Q_OBJECT

 public:
  // `held` gives the setup's value for the box: the box's text before each
  // change, and what the program sets it to.
  TypedLengthValidator(int typedLength, QLineEdit* box, std::function<QString()> held);
  State validate(QString& input, int& pos) const override;

 private:
  int typedLength_;
  QLineEdit* box_;
  std::function<QString()> held_;
};

}  // namespace orvex::app
