#pragma once
// One line of a ticket layout on the main window: the text box, the kind,
// size and height groups, and the caption that stands in for the text box
// while the line prints something else.
//
// The controls are a view of one FormatLine of the window's copy of the
// ticket setup. Every change of a control is written to the line, however it
// came (typing, paste, undo, a click, an arrow key, a screen reader), and
// told with changed(); refresh() shows the line again after the model
// changed, and writes nothing back.

#include <QObject>
#include <QString>

#include "core/setup/ticket_setup.h"

class QLabel;
class QLineEdit;
class QWidget;

namespace orvex::app {

class RadioGroup;

class TicketLineEditor : public QObject {
  Q_OBJECT

 public:
  // Places on a ticket page, in pixels.
  static constexpr int kRowPitch = 28;
  static constexpr int kRowTop = 2;
  static constexpr int kItemPitch = 14;
  static constexpr int kKindLeft = 166;
  static constexpr int kSizeLeft = 270;
  static constexpr int kHeightLeft = 318;

  // The designed object names of the line's controls.
  struct ObjectNames {
    QString textBox, kindGroup, sizeGroup, heightGroup, caption;
  };

  // Builds the controls of row `row` (0 = top) on `page`. `lineName` says
  // which line it is to a screen reader ("Coin line 3").
  TicketLineEditor(QWidget* page, int row, core::FormatLine& line, const ObjectNames& names,
                   const QString& lineName);

  QLineEdit* textBox() const { return textBox_; }
  RadioGroup* kindGroup() const { return kindGroup_; }
  RadioGroup* sizeGroup() const { return sizeGroup_; }
  RadioGroup* heightGroup() const { return heightGroup_; }
  QLabel* caption() const { return caption_; }

  // Shows the line as the model holds it; runs none of the checks of an edit.
  void refresh();
  const core::FormatLine& line() const { return line_; }

 signals:
  // An edit has changed the line.
  void changed();

 private:
  void followText(const QString& text);
  void showModelText();
  void applyKindRule();

  core::FormatLine& line_;
  QLabel* caption_ = nullptr;
  QLineEdit* textBox_ = nullptr;
  RadioGroup* kindGroup_ = nullptr;
  RadioGroup* sizeGroup_ = nullptr;
  RadioGroup* heightGroup_ = nullptr;
  bool refreshing_ = false;
};

}  // namespace orvex::app
