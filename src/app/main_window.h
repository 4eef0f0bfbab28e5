#pragma once
// The main window: the message window, the ticket, logo and settings
// editors and the menus. It is a view of the session, which runs on a
// thread of its own (SessionThread): every handler posts one call into the
// core there, and what the core reports comes back here. The widgets show
// and edit a copy of the session's ticket setup. Each widget carries its
// designed name as its objectName.
//
// The code is split by area: main_window.cpp (construction, start, close,
// panel), main_window_port.cpp (port and status bar), main_window_menus.cpp,
// main_window_ticket_editor.cpp with ticket_line_editor.cpp,
// main_window_logos.cpp and main_window_settings.cpp.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "app/help_window.h"
#include "app/message_memo.h"
#include "app/modal_dialogs.h"
#include "app/qt_ports.h"
#include "app/session_thread.h"
#include "app/ticket_line_editor.h"
#include "core/setup/ticket_setup.h"
#include "platform/traffic/traffic_log.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace orvex::app {

class ImageBox;
class RadioGroup;
class StatusBar;
class TrafficLogWindow;

// Where a window whose frame is `frame` goes so that it lies inside the
// screen's available area: its place when it fits, else moved back in.
QPoint placeInside(const QRect& frame, const QRect& available);

class MainWindow : public QMainWindow, public core::PanelPort {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // The session's thread: tests look at the session through it.
  SessionThread& sessionThread() { return *session_; }
  // The preview window and the about box are created after this window.
  void setPreviewWindow(core::PreviewPort* preview) { previewRelay_.setTarget(preview); }
  void setAboutBox(QWidget* about) { aboutBox_ = about; }
  // Tests script the modal boxes and dialogs; nullptr restores the real ones.
  void setDialogs(ModalDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &qtDialogs_; }
  // What ends the process when the window closes (tests keep theirs alive).
  void setProcessEnd(std::function<void()> end) { processEnd_ = std::move(end); }
  const QString& portName() const { return portName_; }
  // The status bar below the client area, for what the tool itself says.
  StatusBar* toolStatusBar() const { return statusBar_; }

  // The traffic log: every request and read, in the "Traffic Log" window;
  // from startTrafficLog on also in the day files of folder, and with trace
  // on standard error.
  void startTrafficLog(const QString& folder, bool trace);
  platform::TrafficLog& trafficLog() { return trafficLog_; }
  TrafficLogWindow* trafficLogWindow() const { return trafficLogWindow_.get(); }
  // Made when the manual is first asked for.
  ManualWindow* manualWindow() const { return manualWindow_.get(); }
  void showTrafficLog();

  MessageMemo* messageWindow() const { return messageWindow_; }
  // The controls of one ticket line; line 0 is the top of the ticket.
  const TicketLineEditor& lineEditor(core::TicketKind kind, int line) const;
  // The menu item of that object name (a QAction), for tests and shortcuts.
  QAction* menuAction(const QString& objectName) const;

  // core::PanelPort, on the window thread: the session's panel relay
  // calls these.
  void SetGauge(int percent) override;
  void ShowSymbolChooser(bool wide) override;
  void SetSymbolCheckEnabled(bool enabled) override;
  void ShowMessage(const std::string& text) override;
  std::optional<std::string> ChooseOpenFile(const std::string& filter) override;
  std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                            const std::string& defaultSuffix) override;
  // The session's setup, shown; editsTaken: the window's posted edits it
  // has taken in (a copy behind them is asked for again).
  void showSetup(const core::TicketSetup& setup, int editsTaken);
  // A logo slot's picture (a null image for a logo of no rows); nothing
  // blanks the slot.
  void showLogo(int slot, const std::optional<QImage>& image);
  // The window's copy of the setup that the widgets show and edit.
  const core::TicketSetup& shownSetup() const { return viewSetup_; }

  // Start and exit.
  void setStartState();
  void endProgram();

  // Port.
  void openChosenPort();
  void switchToCom1();
  void switchToCom2();

  // Menu "Test_Print".
  void printCoinTestTicket();
  void printNoteTestTicket();
  void printPayoutTestTicket();
  void printDailyReport();
  // Menu "Read".
  void readFirmwareVersion();
  void readPrinterClock();
  void readMultipliers();
  void readPrintStatus();
  void readSummaryTotals();
  // Menu "Download".
  void downloadAll();
  void downloadCoinFormat();
  void downloadNoteFormat();
  void downloadPayoutFormat();
  void downloadLogo1();
  void downloadLogo2();
  void downloadLogo3();
  void setPrinterClock();
  void setDateFormatYYMMDD();
  void setDateFormatDDMMYY();
  void setDateFormatMMDDYY();
  void setDateFormatYYDDMM();
  void enableSerialNumberPrinting();
  void disableSerialNumberPrinting();
  // Menu "Clear".
  void clearMessageWindow();
  void clearLogo1();
  void clearLogo2();
  void clearLogo3();
  void clearCoinFormat();
  void clearNoteFormat();
  void clearPayoutFormat();
  void clearAll();
  // Menu "Preview".
  void previewCoinTicket();
  void previewNoteTicket();
  void previewPayoutTicket();
  // Menu "Other_Functions".
  void testFullCut();
  void testPartCut();
  void eraseRecords();
  void saveFormatFile();
  void loadFormatFile();
  void printHistoryReport();
  // orvex-tool FILE.orx: the file loaded as "Load  Ticket  Format" loads it.
  void loadFormatFileAt(const QString& path);
  void runSerialNumberTool();
  void showAboutBox();
  // Menu "Help": the manual page in a window of its own (F1), and the README
  // handed to the desktop.
  void showManual();
  void openReadme();

  // Buttons, boxes and image boxes.
  void sendMultiplierSettings();
  void sendPrintStatus();
  void searchAndPrint();
  void cancelDownload();
  void checkDecimalPlaces();
  void setSymbolPrinting(bool print);
  void chooseLogo1();
  void chooseLogo2();
  void chooseLogo3();

 signals:
  // A period report workbook has been written to path (absolute).
  void workbookSaved(const QString& path);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildWindow();
  void buildMenus();
  void addMenuKeys();
  void buildTicketEditor(QWidget* client);
  void buildTicketPage(QWidget* page, core::TicketKind kind);
  void buildSymbolChoosers(QWidget* parent);
  void buildPrintStatus(QWidget* client);
  void buildRecordSearch(QWidget* client);
  void buildMultipliers(QWidget* client);
  void buildDownloadBox(QWidget* client);
  void buildLogoPages(QWidget* client);
  void buildStatusBar();
  // The question before closing when work is at stake; Close when none is.
  CloseAnswer askBeforeClosing();
  void fitHeight();
  void keepOnScreen();
  void showPortEvent(const PortEvent& event);
  void sayPortChosen();
  std::array<TicketLineEditor*, core::kLinesPerTicket>& lines(core::TicketKind kind);
  ImageBox* logoBox(int slot) const;
  RadioGroup* symbolChooserInUse() const;
  void setUpTrafficLog();
  void onTrafficFilesFailed(const QString& reason);
  // Posts a menu item's core function.
  void post(void (*command)(core::Session&));
  // Posts an edit of the setup that the window's copy has taken already.
  void postEdit(std::function<void(core::TicketSetup&)> edit);

  platform::TrafficLog trafficLog_;
  PreviewRelay previewRelay_;
  QtModalDialogs qtDialogs_;
  ModalDialogs* dialogs_ = &qtDialogs_;
  MessageMemo* messageWindow_;  // made before the session, placed by buildWindow()
  core::TicketSetup viewSetup_;
  bool wideSymbols_ = false;   // which symbol chooser the printer's variant uses
  bool showingSetup_ = false;  // the controls follow the session's setup: no edits
  std::unique_ptr<SessionThread> session_;

  // Port choice.
  QLabel* portLabel_ = nullptr;
  QComboBox* portBox_ = nullptr;

  // Ticket editor: one page per ticket, ten lines each.
  QTabWidget* ticketTabs_ = nullptr;
  std::array<QWidget*, 3> ticketPages_{};
  std::array<TicketLineEditor*, core::kLinesPerTicket> coinLines_{};
  std::array<TicketLineEditor*, core::kLinesPerTicket> noteLines_{};
  std::array<TicketLineEditor*, core::kLinesPerTicket> payoutLines_{};

  // Logo slots.
  QTabWidget* logoTabs_ = nullptr;
  std::array<ImageBox*, 3> logoBoxes_{};

  // Print status, with the "Symbol" box and the two symbol choosers.
  QGroupBox* printStatusGroup_ = nullptr;
  QCheckBox* printRecordSearchBox_ = nullptr;
  QCheckBox* printCoinBox_ = nullptr;
  QCheckBox* printPayoutBox_ = nullptr;
  QCheckBox* printNoteBox_ = nullptr;
  QCheckBox* printSymbolBox_ = nullptr;
  QPushButton* savePrintStatusButton_ = nullptr;
  QGroupBox* wideSymbolBox_ = nullptr;
  QGroupBox* narrowSymbolBox_ = nullptr;
  RadioGroup* wideSymbolChooser_ = nullptr;
  RadioGroup* narrowSymbolChooser_ = nullptr;

  // Record search.
  QGroupBox* recordSearchGroup_ = nullptr;
  QDateEdit* beginningDatePicker_ = nullptr;
  QDateEdit* endingDatePicker_ = nullptr;
  QPushButton* searchAndPrintButton_ = nullptr;

  // Data multipliers and decimal places.
  QGroupBox* multiplierGroup_ = nullptr;
  QLineEdit* coinMultiplierBox_ = nullptr;
  QLineEdit* noteMultiplierBox_ = nullptr;
  QLineEdit* payoutMultiplierBox_ = nullptr;
  QLineEdit* decimalPlacesBox_ = nullptr;
  QPushButton* saveMultipliersButton_ = nullptr;

  // Download progress.
  QGroupBox* downloadGroup_ = nullptr;
  QProgressBar* downloadGauge_ = nullptr;
  QPushButton* cancelDownloadButton_ = nullptr;

  StatusBar* statusBar_ = nullptr;
  QString portName_ = QStringLiteral("COM1");
  QString portSettings_ = QStringLiteral("38400,N,8,1");
  QWidget* aboutBox_ = nullptr;
  std::function<void()> processEnd_;
  bool closed_ = false;
  SessionStake stake_;  // as the session last told it
  std::unique_ptr<TrafficLogWindow> trafficLogWindow_;
  std::unique_ptr<ManualWindow> manualWindow_;
};

}  // namespace orvex::app
