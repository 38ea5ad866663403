// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "config/reports.h"
#include "config/string_table.h"
#include "i18n/translations.h"
#include "shell/about_dialog.h"
#include "shell/accessibility.h"
#include "shell/field_exchange.h"
#include "shell/help_key.h"
#include "shell/help_window.h"

namespace tarcfg {

// The picture beside the buttons: a double-click opens the About box, a
// click does nothing.
class PictureButton : public QAbstractButton {
 public:
  PictureButton(QPixmap pixmap, QWidget* parent) : QAbstractButton(parent), pixmap_(pixmap) {
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(pixmap_.size());
  }
  std::function<void()> onDoubleClick;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawPixmap(0, 0, pixmap_);
  }
  void mouseDoubleClickEvent(QMouseEvent*) override {
    if (onDoubleClick)
      onDoubleClick();
  }

 private:
  QPixmap pixmap_;
};

namespace {

// A list box as the window system has it: Space selects the line under the
// cursor and nothing else (Qt's lists would also search for a line that
// begins with a blank and move on to it).
class RouterList : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
      if (currentRow() >= 0)
        setCurrentRow(currentRow(), QItemSelectionModel::ClearAndSelect);
      event->accept();
      return;
    }
    QListWidget::keyPressEvent(event);
  }
};

// The client area under the menu bar, with the etched line across its top.
class ClientArea : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, 0, 2000, 0);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, 1, 2000, 1);
  }
};

constexpr int kWindowWidth = 242;
constexpr int kWindowHeight = 236;

}  // namespace

MainWindow::MainWindow(ShellContext& context, MainWindowOptions options, QWidget* parent)
    : QDialog(parent),
      context_(context),
      options_(std::move(options)),
      units_(font()),
      helpPage_(FindHelpPage(QCoreApplication::applicationDirPath(), InstalledLanguage())) {
  setObjectName(QStringLiteral("mainWindow"));
  // A window with a minimise box and no maximise box, not resizable.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(ProgramIcon()));
  BuildWindow();
  BuildMenu();
  new HelpKey(*this);
  // A configuration write holds the commands back while it runs, and may
  // end after the window that started it has closed: they come back then.
  context_.configurationWriteChanged = [this] {
    // Said at once, so that the line has gone before the write's message.
    if (context_.configurationWriteOutstanding())
      BeginWaitCursor(tr("Writing the configuration to router %1...").arg(RouterName()));
    else
      EndWaitCursor();
    Post([this] { UpdateCommandStates(); });
  };
}

MainWindow::~MainWindow() {
  context_.configurationWriteChanged = nullptr;
  Shutdown();
  EndWaitCursor();
}

QPushButton* MainWindow::AddButton(const char* name, const QString& text, int x, int y) {
  auto* button = new QPushButton(text, client_);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  button->setGeometry(units_.ToPixels(x, y, 64, 14));
  return button;
}

QLabel* MainWindow::AddLabel(const char* name, const QString& text, int x, int y, int width) {
  auto* label = new QLabel(text, client_);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(units_.ToPixels(x, y, width, 8));
  return label;
}

void MainWindow::BuildWindow() {
  client_ = new ClientArea(this);
  client_->setFixedSize(units_.ToPixelsX(kWindowWidth), units_.ToPixelsY(kWindowHeight));

  AddLabel("routerSelectionLabel", tr("Router Selection"), 8, 8, 74);
  headerHardware_ = AddLabel("hardwareHeader", tr("H&W-Address"), 8, 20, 48);
  headerName_ = AddLabel("nameHeader", tr("Name"), 84, 20, 48);
  list_ = new RouterList(client_);
  list_->setObjectName(QStringLiteral("routerList"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setGeometry(units_.ToPixels(8, 32, 152, 176));
  headerHardware_->setBuddy(list_);
  list_->setAccessibleName(tr("Router Selection"));
  SpeakRouterLines(list_);

  AddLabel("configurationLabel", tr("Configuration"), 168, 32);
  routerButton_ = AddButton("routerButton", tr("Rou&ter"), 168, 44);
  lineTargetsButton_ = AddButton("lineTargetsButton", tr("&Line Targets"), 168, 60);
  AddLabel("lineMonitorLabel", tr("Line Monitor"), 168, 84);
  connectionsButton_ = AddButton("connectionsButton", tr("&Connections"), 168, 96);
  AddLabel("informationLabel", tr("Information"), 168, 120);
  accountingButton_ = AddButton("accountingButton", tr("&Accounting"), 168, 132);
  picture_ = new PictureButton(MainWindowPicture(), client_);
  picture_->setObjectName(QStringLiteral("pictureButton"));
  picture_->move(units_.ToPixelsX(168), units_.ToPixelsY(160));
  picture_->onDoubleClick = [this] { ShowAbout(); };
  picture_->setAccessibleName(tr("Program picture"));
  picture_->setAccessibleDescription(tr("Double-click to show About TARCFG."));
  registerButton_ = AddButton("registerButton", tr("&Register"), 8, 216);
  deregisterButton_ = AddButton("deregisterButton", tr("&Deregister"), 80, 216);
  overviewButton_ = AddButton("routerOverviewButton", tr("Router &Overview"), 152, 216);
  registerButton_->setDefault(true);

  connect(list_, &QListWidget::itemSelectionChanged, this, &MainWindow::OnSelectionChanged);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { RegisterSelectedRouter(); });
  connect(registerButton_, &QPushButton::clicked, this, &MainWindow::RegisterSelectedRouter);
  connect(deregisterButton_, &QPushButton::clicked, this, &MainWindow::DeregisterRouter);
  connect(routerButton_, &QPushButton::clicked, this, &MainWindow::EditRouterParameters);
  connect(lineTargetsButton_, &QPushButton::clicked, this,
          [this] { OpenRouterDialog(RouterDialog::LineTargets); });
  connect(connectionsButton_, &QPushButton::clicked, this,
          [this] { OpenRouterDialog(RouterDialog::Connections); });
  connect(accountingButton_, &QPushButton::clicked, this,
          [this] { OpenRouterDialog(RouterDialog::Accounting); });
  connect(overviewButton_, &QPushButton::clicked, this,
          [this] { OpenRouterDialog(RouterDialog::RouterOverview); });

  // Tab order as the controls are laid out.
  setTabOrder(list_, routerButton_);
  setTabOrder(routerButton_, lineTargetsButton_);
  setTabOrder(lineTargetsButton_, connectionsButton_);
  setTabOrder(connectionsButton_, accountingButton_);
  setTabOrder(accountingButton_, registerButton_);
  setTabOrder(registerButton_, deregisterButton_);
  setTabOrder(deregisterButton_, overviewButton_);
}

void MainWindow::BuildMenu() {
  menuBar_ = new QMenuBar(this);
  menuBar_->setObjectName(QStringLiteral("menuBar"));
  QMenu* file = menuBar_->addMenu(tr("&File"));
  QAction* openConfiguration = file->addAction(tr("&Open Configuration..."));
  openConfiguration->setObjectName(QStringLiteral("openConfigurationAction"));
  historyAction_ = file->addAction(tr("&History..."));
  historyAction_->setObjectName(QStringLiteral("historyAction"));
  file->addSeparator();
  QAction* settings = file->addAction(tr("&Settings..."));
  settings->setObjectName(QStringLiteral("settingsAction"));
  file->addSeparator();
  QAction* exit = file->addAction(tr("E&xit"));
  exit->setObjectName(QStringLiteral("exitAction"));
  QMenu* help = menuBar_->addMenu(tr("&Help"));
  QAction* contents = help->addAction(tr("&Contents"));
  contents->setObjectName(QStringLiteral("contentsAction"));
  help->addSeparator();
  QAction* about = help->addAction(tr("A&bout TARCFG..."));
  about->setObjectName(QStringLiteral("aboutAction"));
  connect(openConfiguration, &QAction::triggered, this, &MainWindow::OpenConfigurationFile);
  connect(historyAction_, &QAction::triggered, this, &MainWindow::ShowHistory);
  connect(settings, &QAction::triggered, this, &MainWindow::ShowGuiSettings);
  connect(exit, &QAction::triggered, this, [this] { done(QDialog::Accepted); });
  connect(contents, &QAction::triggered, this, &MainWindow::ShowHelpContents);
  connect(about, &QAction::triggered, this, &MainWindow::ShowAbout);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menuBar_);
  layout->addWidget(client_);
  status_ = new QStatusBar(this);
  status_->setObjectName(QStringLiteral("statusLine"));
  status_->setSizeGripEnabled(false);
  layout->addWidget(status_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MainWindow::Start() {
  if (started_)
    return;
  started_ = true;
  setWindowTitle(TableText(57344));
  SetListTabStops(list_, {headerHardware_, headerName_}, units_);
  UpdateCommandStates();
  routersAvailable_ = StartDiscovery() != 0;
}

void MainWindow::UpdateCommandStates() {
  const bool r = registered_;
  const bool s = context_.selected.selectedIndex > 0 && routersAvailable_;
  const bool l = context_.configuration.has_value();
  const bool n = l && context_.configuration->lineTargets.count() > 0;
  const bool u = context_.undefinedProtocols;
  // While the router has not confirmed a configuration write, no other
  // request may start: the router would refuse it and end the registration.
  const bool w = context_.configurationWriteOutstanding();
  registerButton_->setEnabled(!r && s);
  // Deregistering would cut the write short and leave the router's tables
  // half written: it waits for the router's confirmation too.
  deregisterButton_->setEnabled(r && !w);
  routerButton_->setEnabled(r && !w);
  lineTargetsButton_->setEnabled(r && l && !u && !w);
  connectionsButton_->setEnabled(r && n && !u && !w);
  accountingButton_->setEnabled(r && n && !u && !w);
  overviewButton_->setEnabled(!r && routersAvailable_);
  // A restored version becomes the working lists: not while they are sent.
  historyAction_->setEnabled(r && l && !u && !w);
  list_->setEnabled(!r && routersAvailable_);
  routerButton_->setDefault(r);
  registerButton_->setDefault(!r);
}

int MainWindow::StartDiscovery() {
  // The scanning line is the only line shown while the scan runs: the
  // routers found are added hidden beneath it and shown when it is over.
  // The list keeps painting, so the line is there from the window's first
  // paint on, however long the scan takes.
  list_->clear();
  list_->addItem(TableText(1011));
  list_->setEnabled(false);

  RouterProtocol* protocol = context_.protocol.get();
  const std::uint32_t broadcast = BroadcastAddress(context_.settings);
  if (!protocol ||
      protocol->OpenRouterProtocol([this](int code) { OnNetworkError(code); }, broadcast) != 0) {
    list_->clear();
    int error = protocol ? protocol->openErrorNumber() : 0;
    Show(QString::fromLocal8Bit(PortBindMessage(error).c_str()), MessageIcon::Exclamation);
    return 0;
  }
  protocol->SetRegistrationAbandonedCallback([this] {
    context_.selected.current.password = "";
    PostRouterState(1);
  });
  if (options_.driveProtocol) {
    if (protocol->socketDescriptor() >= 0) {
      notifier_ = new QSocketNotifier(protocol->socketDescriptor(), QSocketNotifier::Read, this);
      connect(notifier_, &QSocketNotifier::activated, this, [this] {
        if (context_.protocol)
          context_.protocol->OnDatagramReady();
      });
    }
    ticker_ = new QTimer(this);
    connect(ticker_, &QTimer::timeout, this, [this] {
      if (context_.protocol)
        context_.protocol->OnTimerTick();
    });
    ticker_->start(1000);
  }
  context_.routers = NewRouterEntryList();
  protocol->ScanNetwork([this](const ScanAnswer& answer) { OnRouterFound(answer); });
  return 1;
}

void MainWindow::OnRouterFound(const ScanAnswer& answer) {
  if (!context_.routers)
    return;
  if (answer.end) {
    // Away with the scanning line; the routers found come into view.
    if (list_->count() > 0 && !list_->item(0)->isHidden())
      delete list_->takeItem(0);
    for (int row = 0; row < list_->count(); ++row)
      list_->item(row)->setHidden(false);
    if (list_->count() == 0) {
      list_->addItem(TableText(1016));
      list_->setEnabled(false);
    } else {
      list_->setEnabled(true);
      list_->setFocus(Qt::OtherFocusReason);
      // The Space selects the line under the cursor: the first one.
      list_->setCurrentRow(0, QItemSelectionModel::NoUpdate);
      QCoreApplication::postEvent(list_, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space,
                                                       Qt::NoModifier, QStringLiteral(" ")));
    }
    if (!options_.screenshotPath.isEmpty())
      QTimer::singleShot(500, this, [this] { SaveScreenshot(); });
    return;
  }
  const std::string line =
      FormatRouterLine(answer, context_.addresses, context_.settings.ownAddress);
  const QString text = QString::fromLatin1(line.c_str());
  for (int row = 0; row < list_->count(); ++row)
    if (list_->item(row)->text().startsWith(text, Qt::CaseInsensitive))
      return;
  list_->addItem(text);
  list_->item(list_->count() - 1)->setHidden(true);
  RouterEntry entry;
  entry.displayName = RouterDisplayName(answer.routerAddress, context_.addresses);
  entry.hardwareAddress = FormatHardwareAddress(answer.hardwareAddress);
  entry.exclusiveToThisHost =
      answer.registeredHost != 0 && answer.registeredHost == context_.settings.ownAddress ? 1 : 0;
  context_.routers->Append(std::move(entry));
}

void MainWindow::OnSelectionChanged() {
  routersAvailable_ = context_.routers && !context_.routers->empty();
  SelectedRouter& selected = context_.selected;
  if (routersAvailable_) {
    const QList<QListWidgetItem*> items = list_->selectedItems();
    const int row = items.isEmpty() ? -1 : list_->row(items.front());
    selected.selectedIndex = row + 1;
    if (const RouterEntry* entry = context_.routers->NodeAt(selected.selectedIndex)) {
      selected.routerAddressText = entry->displayName;
      selected.hardwareAddressText = entry->hardwareAddress;
      ParseListedHardwareAddress(entry->hardwareAddress, selected.hardwareAddress);
    }
  } else {
    selected.selectedIndex = 0;
  }
  UpdateCommandStates();
}

void MainWindow::ReplaceSelectedRouter(const ScanAnswer& answer) {
  const int row = context_.selected.selectedIndex - 1;
  if (row < 0 || row >= list_->count())
    return;
  // The entry first: taking the line away clears the selection.
  if (RouterEntry* entry = SelectedEntry()) {
    entry->displayName = RouterDisplayName(answer.routerAddress, context_.addresses);
    entry->hardwareAddress = FormatHardwareAddress(answer.hardwareAddress);
  }
  const std::string line =
      FormatRouterLine(answer, context_.addresses, context_.settings.ownAddress);
  delete list_->takeItem(row);
  list_->insertItem(row, QString::fromLatin1(line.c_str()));
  list_->setCurrentRow(row);
}

void MainWindow::OpenRouterDialog(RouterDialog kind) {
  const bool needsSelection = kind == RouterDialog::Connections || kind == RouterDialog::Accounting;
  if (needsSelection && context_.selected.selectedIndex == 0)
    return;
  // Each of these windows starts requests of its own.
  if (kind != RouterDialog::RouterOverview && context_.RequestInProgress())
    return;
  auto it = dialogs_.routerDialogs.find(kind);
  if (it != dialogs_.routerDialogs.end() && it->second)
    it->second(*this);
  if (kind == RouterDialog::LineTargets)
    UpdateCommandStates();
}

void MainWindow::OpenConfigurationFile() {
  // Reads and writes files only: no request, whatever the registration does.
  if (dialogs_.editConfigurationFile)
    dialogs_.editConfigurationFile(*this);
}

void MainWindow::ShowHistory() {
  if (!registered_ || !context_.configuration || context_.RequestInProgress())
    return;
  if (dialogs_.showHistory)
    dialogs_.showHistory(*this);
  UpdateCommandStates();
}

void MainWindow::ShowGuiSettings() {
  const GuiSettings& settings = context_.settings;
  std::string own = context_.addresses.FormatAddress(settings.ownAddress);
  std::string mask = context_.addresses.FormatAddress(settings.netMask);
  std::string text =
      FormatString(1017, own.c_str(), mask.c_str(), settings.nameResolve ? "on" : "off",
                   settings.firmwarePath.c_str());
  context_.messages.ShowMessage(this, MessageText(text), MessageIcon::Information);
}

void MainWindow::ShowHelpContents() {
  help_ = ShowHelpWindow(this, helpPage_);
  if (!help_)
    Show(TableText(61703), MessageIcon::Stop);
}

void MainWindow::ShowAbout() {
  AboutDialog about(this);
  about.exec();
}

void MainWindow::PostRouterState(int wParam) {
  QCoreApplication::postEvent(this, new RouterStateEvent(wParam));
}

void MainWindow::OnRouterState(int wParam) {
  registered_ = wParam == 0;
  // Registered, or back to selecting: the window waits for nothing more.
  if (!context_.configurationWriteOutstanding())
    EndWaitCursor();
  UpdateCommandStates();
  if (registered_)
    routerButton_->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == WM_ROUTER_STATE) {
    OnRouterState(static_cast<RouterStateEvent*>(event)->wParam());
    return true;
  }
  return QDialog::event(event);
}

void MainWindow::changeEvent(QEvent* event) {
  // Coming to the front puts the focus on the default button.
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    QPushButton* button = registered_ ? routerButton_ : registerButton_;
    if (button->isEnabled())
      button->setFocus(Qt::ActiveWindowFocusReason);
  }
  QDialog::changeEvent(event);
}

void MainWindow::reject() {
  if (registered_ && !context_.configurationWriteOutstanding())
    DeregisterRouter();
}

void MainWindow::done(int result) {
  if (!ConfirmQuit())
    return;
  Shutdown();
  QDialog::done(result);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!ConfirmQuit()) {
    event->ignore();
    return;
  }
  done(QDialog::Rejected);
  event->accept();
}

void MainWindow::CloseWithoutQuestions() {
  quitConfirmed_ = true;
  close();
}

bool MainWindow::ConfirmQuit() {
  if (quitConfirmed_ || shutDown_ || !context_.configurationWriteOutstanding())
    return true;
  // Quitting cuts the write short: the router keeps what it confirmed.
  const WriteProgress progress = context_.protocol->writeProgress();
  QString entries;
  for (const std::string& line :
       DescribeWriteFailure(context_.PlanWrite(), progress, context_.planTexts()))
    entries += QString::fromLocal8Bit(line.c_str()) + QStringLiteral("\n");
  const std::string text = FormatString(40117, entries.trimmed().toLocal8Bit().constData());
  quitConfirmed_ = context_.messages.AskYesNo(this, QString::fromLocal8Bit(text.c_str()),
                                              MessageIcon::Question, Answer::No);
  return quitConfirmed_;
}

void MainWindow::Shutdown() {
  if (shutDown_)
    return;
  shutDown_ = true;
  if (ticker_)
    ticker_->stop();
  EndRegistration();
  // No tick repeats the deregistrations once the window is gone: the
  // repetitions still due go out now.
  if (context_.protocol)
    context_.protocol->FinishReleases();
  if (help_)
    help_->close();
}

void MainWindow::Post(std::function<void()> action) {
  QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
}

void MainWindow::Show(const QString& text, MessageIcon icon) {
  context_.messages.ShowMessage(this, text, icon);
}

void MainWindow::BeginWaitCursor(const QString& status, bool grab) {
  status_->showMessage(status);
  if (!waitCursor_)
    waitCursor_.emplace();
  // Platforms without pointer grabs (offscreen) only get the cursor.
  if (grab && isVisible() && QGuiApplication::platformName() != QLatin1String("offscreen"))
    grabMouse();
}

void MainWindow::EndWaitCursor() {
  if (status_)
    status_->clearMessage();
  waitCursor_.reset();
  if (QWidget::mouseGrabber() == this)
    releaseMouse();
}

QString MainWindow::statusText() const {
  return status_->currentMessage();
}

QString MainWindow::RouterName() const {
  return QString::fromLatin1(context_.SelectedRouterName().c_str());
}

RouterEntry* MainWindow::SelectedEntry() {
  if (!context_.routers)
    return nullptr;
  return context_.routers->NodeAt(context_.selected.selectedIndex);
}

void MainWindow::SaveScreenshot() {
  grab().save(options_.screenshotPath);
  done(QDialog::Accepted);
}

}  // namespace tarcfg
