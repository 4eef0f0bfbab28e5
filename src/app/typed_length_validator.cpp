#include "app/typed_length_validator.h"

#include <QLineEdit>
#include <algorithm>

namespace orvex::app {

TypedLengthValidator::TypedLengthValidator(int typedLength, QLineEdit* box,
                                           std::function<QString()> held)
    : QValidator(box), typedLength_(typedLength), box_(box), held_(std::move(held)) {}

QValidator::State TypedLengthValidator::validate(QString& input, int& pos) const {
  // The setup's own value shows whole; an edit may shorten a longer one or
  // replace its characters, never take it past the typed length.
  const qsizetype room = std::max<qsizetype>(typedLength_, held_().size());
  if (input.size() <= room) return Acceptable;
  // An undo brings back a text the box held (the edit it undoes is left to
  // redo; a new edit drops what there was to redo).
  if (box_->isRedoAvailable()) return Acceptable;
  // Typing, a paste or a drop, which the box takes back. A paste is not cut
  // to fit: a cut number is another number.
  if (box_->isUndoAvailable()) return Invalid;
  // A text set whole from outside (a screen reader's insert), which the box
  // cannot take back: cut, as the typed length always cut it.
  input.truncate(room);
  pos = std::min(pos, static_cast<int>(room));
  return Acceptable;
}

}  // namespace orvex::app
