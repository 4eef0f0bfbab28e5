#pragma once
// TForm1, the main window: the message window, the ticket, logo and settings
// editors, the menus, and the ports through which the core drives them.
// Every handler is one call into the core; the widgets are views of
// session_.setup.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "message_memo.h"
#include "modal_dialogs.h"
#include "qt_ports.h"
#include "radio_group.h"
#include "serial/serial_port.h"
#include "session.h"
#include "traffic/traffic_log.h"
#include "workbook/embedded_spreadsheet.h"

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
class QTimer;
class ImageBox;
class PortRecovery;
class RS232;
class StatusBar;
class TrafficLogWindow;

class TForm1 : public QMainWindow,
               public orvex::TimerPort,
               public orvex::PanelPort,
               public orvex::SetupView {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  orvex::Session& session() { return session_; }
  // The preview window and the about box are created after this window.
  void SetPreviewWindow(orvex::PreviewPort* preview) { previewRelay_.SetTarget(preview); }
  void SetAboutBox(QWidget* about) { aboutBox_ = about; }
  // Tests script the modal boxes and dialogs; nullptr restores the real ones.
  void SetDialogs(ModalDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &qtDialogs_; }
  // What ends the process when the window closes (tests keep theirs alive).
  void SetProcessEnd(std::function<void()> end) { processEnd_ = std::move(end); }
  const QString& portName() const { return portName_; }
  // The status bar below the client area, for what the tool itself says.
  StatusBar* toolStatusBar() const { return statusBar_; }

  // The traffic log: every request and read, in the "Traffic Log" window;
  // from startTrafficLog on also in the day files of folder, and with trace
  // on standard error.
  void startTrafficLog(const QString& folder, bool trace);
  orvex::platform::TrafficLog& trafficLog() { return trafficLog_; }
  TrafficLogWindow* trafficLogWindow() const { return trafficLogWindow_.get(); }
  void showTrafficLog();

  // orvex::TimerPort
  void SetTimerEnabled(orvex::TimerId timer, bool enabled) override;
  bool TimerEnabled(orvex::TimerId timer) const override;
  // orvex::PanelPort
  void SetGauge(int percent) override;
  void ShowSymbolChooser(bool wide) override;
  void SetSymbolCheckEnabled(bool enabled) override;
  void ShowMessage(const std::string& text) override;
  std::optional<std::string> ChooseOpenFile(const std::string& filter) override;
  std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                            const std::string& defaultSuffix) override;
  // orvex::SetupView
  void RefreshSetup() override;
  bool ShowLogo(int slot) override;
  void BlankLogo(int slot) override;

  // Start and exit.
  void FormCreate();
  void FormClose();

  // Port.
  void ComboBox1Select();
  void COM1Click();
  void COM2Click();
  void OpenPort();
  void ClosePort();

  // Timers.
  void OfflineCountTick();
  void ReplyTimeoutTick();
  void VariantWaitTick();

  // Menu "Test_Print".
  void PrintCoinTestTicket();
  void PrintNoteTestTicket();
  void PrintPayoutTestTicket();
  void PrintDailyReport();
  // Menu "Read".
  void ReadFirmwareVersion();
  void ReadPrinterClock();
  void ReadMultipliers();
  void ReadPrintStatus();
  void ReadSummaryTotals();
  // Menu "Download".
  void DownloadAll();
  void DownloadCoinFormat();
  void DownloadNoteFormat();
  void DownloadPayoutFormat();
  void DownloadLogo1();
  void DownloadLogo2();
  void DownloadLogo3();
  void SetPrinterClock();
  void SetDateFormatYYMMDD();
  void SetDateFormatDDMMYY();
  void SetDateFormatMMDDYY();
  void SetDateFormatYYDDMM();
  void EnableSerialNumberPrinting();
  void DisableSerialNumberPrinting();
  // Menu "Clear".
  void ClearMessageWindow();
  void ClearLogo1();
  void ClearLogo2();
  void ClearLogo3();
  void ClearCoinFormat();
  void ClearNoteFormat();
  void ClearPayoutFormat();
  void ClearAll();
  // Menu "Preview".
  void PreviewCoinTicket();
  void PreviewNoteTicket();
  void PreviewPayoutTicket();
  // Menu "Other_Functions".
  void TestFullCut();
  void TestPartCut();
  void EraseRecords();
  void SaveFormatFile();
  void LoadFormatFile();
  void PrintHistoryReport();
  void ReadWriteSerialnumber1Click();
  void N2Click();

  // Buttons, boxes and image boxes.
  void SendMultiplierSettings();
  void SendPrintStatus();
  void SearchAndPrint();
  void CancelDownload();
  void CheckDecimalPlaces();
  void CheckBox4Click();
  void ChooseLogo1();
  void ChooseLogo2();
  void ChooseLogo3();

  // The controls, named as designed.
  QLabel* Label48 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  MessageMemo* Memo1 = nullptr;

  QTabWidget* PageControl2 = nullptr;
  QWidget *TabSheet4 = nullptr, *TabSheet5 = nullptr, *TabSheet6 = nullptr;
  // Legend labels above the ticket editor.
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
  QLabel *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr;
  QLabel *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr;
  // Ticket lines: text box, kind, size and height groups, caption.
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6;
  QLineEdit *Edit7, *Edit8, *Edit9, *Edit10, *Edit15, *Edit16;
  QLineEdit *Edit17, *Edit18, *Edit19, *Edit20, *Edit21, *Edit22;
  QLineEdit *Edit23, *Edit24, *Edit25, *Edit26, *Edit27, *Edit28;
  QLineEdit *Edit29, *Edit30, *Edit31, *Edit32, *Edit33, *Edit34;
  RadioGroup *RadioGroup20, *RadioGroup22, *RadioGroup23, *RadioGroup24, *RadioGroup25;
  RadioGroup *RadioGroup26, *RadioGroup27, *RadioGroup28, *RadioGroup29, *RadioGroup30;
  RadioGroup *RadioGroup51, *RadioGroup52, *RadioGroup53, *RadioGroup54, *RadioGroup55;
  RadioGroup *RadioGroup56, *RadioGroup57, *RadioGroup58, *RadioGroup59, *RadioGroup60;
  RadioGroup *RadioGroup81, *RadioGroup82, *RadioGroup83, *RadioGroup84, *RadioGroup85;
  RadioGroup *RadioGroup86, *RadioGroup87, *RadioGroup88, *RadioGroup89, *RadioGroup90;
  RadioGroup *RadioGroup1, *RadioGroup2, *RadioGroup3, *RadioGroup4, *RadioGroup5;
  RadioGroup *RadioGroup6, *RadioGroup7, *RadioGroup8, *RadioGroup9, *RadioGroup10;
  RadioGroup *RadioGroup31, *RadioGroup32, *RadioGroup33, *RadioGroup34, *RadioGroup35;
  RadioGroup *RadioGroup36, *RadioGroup37, *RadioGroup38, *RadioGroup39, *RadioGroup40;
  RadioGroup *RadioGroup61, *RadioGroup62, *RadioGroup63, *RadioGroup64, *RadioGroup65;
  RadioGroup *RadioGroup66, *RadioGroup67, *RadioGroup68, *RadioGroup69, *RadioGroup70;
  RadioGroup *RadioGroup11, *RadioGroup12, *RadioGroup13, *RadioGroup14, *RadioGroup15;
  RadioGroup *RadioGroup16, *RadioGroup17, *RadioGroup18, *RadioGroup19, *RadioGroup21;
  RadioGroup *RadioGroup41, *RadioGroup42, *RadioGroup43, *RadioGroup44, *RadioGroup45;
  RadioGroup *RadioGroup46, *RadioGroup47, *RadioGroup48, *RadioGroup49, *RadioGroup50;
  RadioGroup *RadioGroup71, *RadioGroup72, *RadioGroup73, *RadioGroup74, *RadioGroup75;
  RadioGroup *RadioGroup76, *RadioGroup77, *RadioGroup78, *RadioGroup79, *RadioGroup80;
  QLabel *Label14, *Label15, *Label16, *Label17, *Label18, *Label19;
  QLabel *Label20, *Label21, *Label22, *Label23, *Label27, *Label28;
  QLabel *Label29, *Label30, *Label31, *Label32, *Label33, *Label34;
  QLabel *Label35, *Label36, *Label37, *Label38, *Label39, *Label40;
  QLabel *Label41, *Label42, *Label43, *Label44, *Label45, *Label46;

  QTabWidget* PageControl1 = nullptr;
  ImageBox *Image1 = nullptr, *Image2 = nullptr, *Image3 = nullptr;

  QGroupBox* GroupBox3 = nullptr;
  QCheckBox *CheckBox5 = nullptr, *CheckBox1 = nullptr, *CheckBox3 = nullptr;
  QCheckBox *CheckBox2 = nullptr, *CheckBox4 = nullptr;
  QPushButton* Button2 = nullptr;
  QGroupBox *GroupBox4 = nullptr, *GroupBox5 = nullptr;
  RadioGroup *RadioGroup91 = nullptr, *RadioGroup92 = nullptr;

  QGroupBox* GroupBox2 = nullptr;
  QLabel *Label12 = nullptr, *Label13 = nullptr;
  QDateEdit *DateTimePicker1 = nullptr, *DateTimePicker2 = nullptr;
  QPushButton* Button4 = nullptr;

  QGroupBox* GroupBox1 = nullptr;
  QLabel *Label24 = nullptr, *Label25 = nullptr, *Label26 = nullptr, *Label47 = nullptr;
  QLineEdit *Edit11 = nullptr, *Edit12 = nullptr, *Edit13 = nullptr, *Edit14 = nullptr;
  QPushButton* Button1 = nullptr;

  QGroupBox* GroupBox6 = nullptr;
  QProgressBar* CGauge1 = nullptr;
  QPushButton* BitBtn2 = nullptr;

  QTimer *Timer1 = nullptr, *Timer2 = nullptr, *Timer3 = nullptr;
  QTimer* stuckWatchTimer_ = nullptr;

  // The controls of one ticket line.
  struct LineControls {
    QLineEdit* text = nullptr;
    RadioGroup* kind = nullptr;
    RadioGroup* size = nullptr;
    RadioGroup* height = nullptr;
    QLabel* caption = nullptr;
  };
  const LineControls& lineControls(orvex::TicketKind kind, int line) const {
    return lines_[static_cast<int>(kind)][line];
  }
  // The menu item of that object name (a QAction), for tests and shortcuts.
  QAction* menuAction(const QString& objectName) const;

 signals:
  // A period report workbook has been written to path (absolute).
  void workbookSaved(const QString& path);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildWindow();
  void BuildMenus();
  void BuildTicketEditor(QWidget* client);
  void BuildTicketPage(QWidget* page, orvex::TicketKind kind);
  void BuildSymbolChoosers(QWidget* parent);
  void BuildPrintStatus(QWidget* client);
  void BuildRecordSearch(QWidget* client);
  void BuildMultipliers(QWidget* client);
  void BuildDownloadBox(QWidget* client);
  void BuildLogoPages(QWidget* client);
  void ApplyKindRule(orvex::TicketKind kind, int line);
  void OnLineTextEdited(orvex::TicketKind kind, int line, const QString& text);
  void OnPortHungUp(int generation);
  void startReceiveThread();
  void stopReceiveThread();
  void onPortBack(const orvex::platform::PortDevice& device);
  ImageBox* imageBox(int slot) const;
  QTimer* timer(orvex::TimerId id) const;
  RadioGroup* symbolGroupInUse() const;
  void setUpTrafficLog();
  void onTrafficFilesFailed(const QString& reason);

  // The ports, declared before the session that refers to them.
  orvex::platform::TrafficLog trafficLog_;
  orvex::platform::SerialPort port_;
  SerialLink link_{port_};
  QtClock clock_;
  QtEventPump events_;
  orvex::EmbeddedSpreadsheet automation_;
  PreviewRelay previewRelay_;
  QtModalDialogs qtDialogs_;
  ModalDialogs* dialogs_ = &qtDialogs_;
  MessageMemo* memo_;  // Memo1, made before the session
  orvex::Session session_;

  std::array<std::array<LineControls, orvex::kLinesPerTicket>, 3> lines_{};
  RS232* rs232_ = nullptr;
  StatusBar* statusBar_ = nullptr;
  PortRecovery* portRecovery_ = nullptr;
  orvex::platform::PortDevice portDevice_;  // what the port name stood for when opened
  int portGeneration_ = 0;                  // which receive thread is the current one
  QString portName_ = QStringLiteral("COM1");
  QString portSettings_ = QStringLiteral("38400,N,8,1");
  QWidget* aboutBox_ = nullptr;
  std::function<void()> processEnd_;
  bool closed_ = false;
  std::unique_ptr<TrafficLogWindow> trafficLogWindow_;
};
