#include "ui/main/Main.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextDocument>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <iostream>
#include <utility>

#include "link/OpenFailureText.h"
#include "platform/NetPortName.h"
#include "settings/RecentPorts.h"
#include "ui/about/About.h"
#include "ui/common/Language.h"
#include "ui/common/Panels.h"
#include "ui/main/AddNetPort.h"
#include "ui/main/ChangeAddr.h"
#include "ui/main/ConfigPages.h"
#include "ui/main/Icons.h"
#include "ui/main/NetworkOpen.h"
#include "ui/main/PortListBox.h"
#include "ui_Main.h"
#include "ui_PageTests.h"
#include "ui/tests/Audit.h"
#include "ui/tests/FindReaders.h"
#include "ui/tests/Sensors.h"
#include "ui/tests/TestAudio.h"
#include "ui/tests/Test_RS485.h"
#include "ui/tests/Test_Radio.h"
#include "ui/service/TrafficLog.h"

namespace q17::ui {

namespace {

// The dimmed page title must stay legible on the window's background: the
// inactive-caption colour of some desktops is nearly the background itself.
const QColor kDimmedTitle(0x80, 0x80, 0x80);

QWidget* Spacer(QWidget* parent, int width) {
  auto* w = new QWidget(parent);
  w->setFixedWidth(width);
  return w;
}

}  // namespace

TfrmMain::TfrmMain(TUiContext& ctx, QWidget* parent)
    : QMainWindow(parent),
      FCtx(ctx),
      ui(std::make_unique<Ui::TfrmMain>()),
      uiTests(std::make_unique<Ui::TPageTests>()) {
  ui->setupUi(this);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  BuildToolBar();
  BuildStatusBar();
  BuildPageTitles();
  FPages = new TConfigPages(FCtx.State,
                            {ui->tbsCommon, ui->tbsNoGate, ui->tbsOnTheFly, ui->tbsOneRead, ui->tbsStandard}, this);
  BuildTestsPage();
  FOpen = new TNetworkOpen(FCtx.Link, this);
  connect(FOpen, &TNetworkOpen::Finished, this, &TfrmMain::NetworkOpenEnded);
  ConnectHandlers();
  SetUpDeviceHandling();
  FormCreate();
}

// FormDestroy: the port goes with the window, after an open under way has
// been given up.
TfrmMain::~TfrmMain() {
  FOpen->Wait();
  FCtx.Link.SetDeviceGoneHandler(nullptr);
  FCtx.Link.Close();
}

void TfrmMain::FormCreate() {
  ApplyPortState(false);
  FPanels[0]->setText(tr("Порт закрыт"));
  FPanels[3]->setText(tr("Статус:  - неизвестен"));
  ui->pgcSections->tabBar()->hide();
  setFixedSize(732, 536);
  if (QScreen* scr = screen()) move(scr->availableGeometry().center() - rect().center());
  ui->pgcSections->setCurrentWidget(ui->tbsCommon);
  FCtx.State.ReaderAddress = 1;
  ShowReaderAddress();
  ListRecentPorts();
  RefreshInterfaces();
}

void TfrmMain::BuildToolBar() {
  QToolBar& bar = *ui->tbrTollBar;
  bar.setFixedHeight(42);
  cbxInterfaces = new TPortListBox(&bar);
  cbxInterfaces->setObjectName(QStringLiteral("cbxInterfaces"));
  cbxInterfaces->setProperty("Tag", 3);
  cbxInterfaces->setEditable(true);
  cbxInterfaces->setInsertPolicy(QComboBox::NoInsert);
  cbxInterfaces->setFixedWidth(265);

  QStyle* st = style();
  ui->tbnRefresh->setIcon(st->standardIcon(QStyle::SP_BrowserReload));
  ui->tbnInterfaceOpen->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
  ui->tbnInterfaceClose->setIcon(ClosePortIcon());
  ui->tbnGetFromReader->setIcon(st->standardIcon(QStyle::SP_ArrowDown));
  ui->tbnLoadToReader->setIcon(st->standardIcon(QStyle::SP_ArrowUp));
  ui->tbnHelpAbout->setIcon(st->standardIcon(QStyle::SP_MessageBoxQuestion));

  bar.addWidget(Spacer(&bar, 8));
  bar.addWidget(cbxInterfaces);
  bar.addWidget(Spacer(&bar, 8));
  bar.addAction(ui->tbnRefresh);
  bar.addAction(ui->tbnInterfaceOpen);
  bar.addAction(ui->tbnInterfaceClose);
  bar.addWidget(Spacer(&bar, 31));
  bar.addAction(ui->tbnGetFromReader);
  bar.addWidget(Spacer(&bar, 8));
  bar.addAction(ui->tbnLoadToReader);
  auto* wide = new QWidget(&bar);
  wide->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  bar.addWidget(wide);
  bar.addAction(ui->tbnHelpAbout);
  for (QAction* a : bar.actions())
    if (auto* b = qobject_cast<QToolButton*>(bar.widgetForAction(a))) b->setFixedSize(31, 30);

  const QIcon sections[] = {st->standardIcon(QStyle::SP_FileDialogDetailedView),
                            st->standardIcon(QStyle::SP_MediaSeekForward),
                            st->standardIcon(QStyle::SP_ArrowRight),
                            st->standardIcon(QStyle::SP_MediaSkipForward),
                            BarrierIcon(),
                            st->standardIcon(QStyle::SP_DialogApplyButton)};
  QToolButton* buttons[] = {ui->btnCommon, ui->btnNoGate, ui->btnOnTheFly,
                            ui->btnOneRead, ui->btnStandard, ui->btnTests};
  for (int i = 0; i < 6; ++i) buttons[i]->setIcon(sections[i]);
}

void TfrmMain::BuildStatusBar() {
  const auto panels = MakeStatusPanels(*ui->sbrStatus, {200, 180, 150, 200});
  for (int i = 0; i < 4; ++i) FPanels[i] = panels[static_cast<std::size_t>(i)];
  FPanels[2]->setText(QStringLiteral("Version"));
  // Shown beside "Подключение к ..." while a network port is being opened.
  FCancelOpen = new QToolButton(ui->sbrStatus);
  FCancelOpen->setObjectName(QStringLiteral("btnCancelOpen"));
  FCancelOpen->setText(tr("Отменить"));
  FCancelOpen->setToolTip(tr("Прервать подключение к серверу (Esc)"));
  ui->sbrStatus->addPermanentWidget(FCancelOpen);
  FCancelOpen->hide();
  FEscape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  FEscape->setEnabled(false);
}

void TfrmMain::BuildPageTitles() {
  const struct {
    QWidget* page;
    const char* name;
    QString title;
  } titles[] = {
      {ui->tbsCommon, "lblCommon", tr("Общие настройки считывателя")},
      {ui->tbsNoGate, "lblNoGate", tr("Режим проезда без ворот")},
      {ui->tbsOnTheFly, "lblOnTheFly", tr("Последовательный проезд")},
      {ui->tbsOneRead, "lblOneRead", tr("Режим однократного чтения")},
      {ui->tbsStandard, "lblStandard", tr("Стандартный режим с датчиками")},
      {ui->tbsTests, "lblTests", tr("Тестирование считывателя")},
  };
  for (const auto& t : titles) {
    auto* layout = new QVBoxLayout(t.page);
    layout->setContentsMargins(8, 6, 8, 6);
    auto* label = new QLabel(t.title, t.page);
    label->setObjectName(QString::fromLatin1(t.name));
    QFont f = label->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    label->setFont(f);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
}

// The launchers' form goes below the title and takes the rest of the page.
void TfrmMain::BuildTestsPage() {
  auto* page = static_cast<QVBoxLayout*>(ui->tbsTests->layout());
  page->setSpacing(3);
  auto* content = new QWidget(ui->tbsTests);
  uiTests->setupUi(content);
  page->addWidget(content, 1);
}

void TfrmMain::ConnectHandlers() {
  connect(cbxInterfaces, &QComboBox::currentIndexChanged, this, &TfrmMain::cbxInterfacesChange);
  // A name being typed is what picking the add entry and cancelling goes back to.
  connect(cbxInterfaces, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (!FFilling && cbxInterfaces->currentIndex() != AddEntryIndex()) FChoiceText = text;
  });
  connect(FCancelOpen, &QToolButton::clicked, this, &TfrmMain::btnCancelOpenClick);
  connect(FEscape, &QShortcut::activated, this, &TfrmMain::btnCancelOpenClick);
  connect(ui->tbnRefresh, &QAction::triggered, this, &TfrmMain::tbnRefreshClick);
  connect(ui->tbnInterfaceOpen, &QAction::triggered, this, &TfrmMain::tbnInterfaceOpenClick);
  connect(ui->tbnInterfaceClose, &QAction::triggered, this, &TfrmMain::tbnInterfaceCloseClick);
  connect(ui->tbnGetFromReader, &QAction::triggered, this, &TfrmMain::tbnGetFromReaderClick);
  connect(ui->tbnLoadToReader, &QAction::triggered, this, &TfrmMain::tbnLoadToReaderClick);
  connect(ui->tbnHelpAbout, &QAction::triggered, this, &TfrmMain::tbnHelpAboutClick);

  connect(ui->btnCommon, &QToolButton::clicked, this, &TfrmMain::btnCommonClick);
  connect(ui->btnNoGate, &QToolButton::clicked, this, &TfrmMain::btnNoGateClick);
  connect(ui->btnOnTheFly, &QToolButton::clicked, this, &TfrmMain::btnOnTheFlyClick);
  connect(ui->btnOneRead, &QToolButton::clicked, this, &TfrmMain::btnOneReadClick);
  connect(ui->btnStandard, &QToolButton::clicked, this, &TfrmMain::btnStandardClick);
  connect(ui->btnTests, &QToolButton::clicked, this, &TfrmMain::btnTestsClick);
  connect(ui->pgcSections, &QTabWidget::currentChanged, this, &TfrmMain::pgcSectionsChange);

  connect(uiTests->btnStartExchangeTest, &QPushButton::clicked, this, &TfrmMain::btnStartExchangeTestClick);
  connect(uiTests->btnStartRadioTest, &QPushButton::clicked, this, &TfrmMain::btnStartRadioTestClick);
  connect(uiTests->btnStartSensTest, &QPushButton::clicked, this, &TfrmMain::btnStartSensTestClick);
  connect(uiTests->btnStartAudit, &QPushButton::clicked, this, &TfrmMain::btnStartAuditClick);
  connect(uiTests->btnAudioTest, &QPushButton::clicked, this, &TfrmMain::btnAudioTestClick);

  connect(ui->miLoadCfg, &QAction::triggered, this, &TfrmMain::miLoadCfgClick);
  connect(ui->miSaveConfig, &QAction::triggered, this, &TfrmMain::miSaveConfigClick);
  connect(ui->miExit, &QAction::triggered, this, &TfrmMain::miExitClick);
  connect(ui->miGetVersion, &QAction::triggered, this, &TfrmMain::miGetVersionClick);
  connect(ui->miDateTimeSet, &QAction::triggered, this, &TfrmMain::miDateTimeSetClick);
  connect(ui->miChangeAddr, &QAction::triggered, this, &TfrmMain::miChangeAddrClick);
  connect(ui->miActionFindReaders, &QAction::triggered, this, &TfrmMain::miActionFindReadersClick);
  connect(ui->miTrafficLog, &QAction::triggered, this, &TfrmMain::miTrafficLogClick);
  connect(ui->miRFConfigRestore, &QAction::triggered, this, &TfrmMain::miRFConfigRestoreClick);
  connect(ui->miAbout, &QAction::triggered, this, &TfrmMain::miAboutClick);
}

QLabel* TfrmMain::Panel(int index) const { return FPanels[index]; }

void TfrmMain::ApplyPortState(bool opened) {
  auto wanted = [opened](const QObject* o, bool& enable) {
    const QVariant tag = o->property("Tag");
    if (!tag.isValid()) return false;
    if (tag.toInt() == 2) enable = opened;
    else if (tag.toInt() == 3) enable = !opened;
    else return false;
    return true;
  };
  for (QWidget* w : findChildren<QWidget*>()) {
    bool enable = false;
    if (!wanted(w, enable)) continue;
    // A menu is reached through its entry in the menu bar.
    if (auto* menu = qobject_cast<QMenu*>(w)) menu->menuAction()->setEnabled(enable);
    else w->setEnabled(enable);
  }
  for (QAction* a : findChildren<QAction*>()) {
    bool enable = false;
    if (wanted(a, enable)) a->setEnabled(enable);
  }
  for (const char* name : {"lblCommon", "lblNoGate", "lblOnTheFly", "lblOneRead", "lblStandard", "lblTests"}) {
    auto* title = findChild<QLabel*>(QString::fromLatin1(name));
    QPalette pal = title->palette();
    const QColor colour = opened ? palette().color(QPalette::Active, QPalette::WindowText) : kDimmedTitle;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      pal.setColor(group, QPalette::WindowText, colour);
    title->setPalette(pal);
  }
  for (QWidget* page : {ui->tbsCommon, ui->tbsNoGate, ui->tbsOnTheFly, ui->tbsOneRead, ui->tbsStandard, ui->tbsTests})
    page->setEnabled(opened);
}

int TfrmMain::ShowResult(int code) {
  ShowReaderAddress();
  FPanels[3]->setToolTip(QString());
  return ShowResultIn(*FPanels[3], code);
}

void TfrmMain::ShowReaderAddress() {
  FPanels[1]->setText(tr("Адрес: %1").arg(FCtx.State.ReaderAddress));
}

void TfrmMain::ShowReaderMode() { FPanels[2]->setText(CoreText("ReaderConfig", ModeStatusText(FCtx.State.Config.Mode))); }

void TfrmMain::RefreshInterfaces() {
  FFilling = true;
  cbxInterfaces->clear();
  cbxInterfaces->clearEditText();
  FFilling = false;
  // Let the emptied box be drawn: the enumeration can take a while.
  QCoreApplication::processEvents();
  FCtx.Link.Refresh();
  FFilling = true;
  for (const auto& entry : FCtx.Link.Entries()) cbxInterfaces->addItem(QString::fromStdString(entry.Text));
  cbxInterfaces->AppendActionEntry(tr("Добавить сетевой порт..."));
  FFilling = false;
  // The add entry is never the chosen port: with no port listed the box stays without a choice.
  cbxInterfaces->setCurrentIndex(FCtx.Link.Count() > 0 ? 0 : -1);
  if (FCtx.Link.Count() == 0) cbxInterfaces->clearEditText();
  FChoice = cbxInterfaces->currentIndex();
  FChoiceText = cbxInterfaces->currentText();
}

int TfrmMain::AddEntryIndex() const { return cbxInterfaces->ActionIndex(); }

void TfrmMain::cbxInterfacesChange(int index) {
  if (FFilling) return;
  if (index < 0 || index != AddEntryIndex()) {
    FChoice = index;
    FChoiceText = cbxInterfaces->currentText();
    return;
  }
  // Back to the port chosen before at once (the box never rests on the add
  // entry), then the dialog, once the list's pop-up has closed.
  FFilling = true;
  cbxInterfaces->setCurrentIndex(FChoice);
  cbxInterfaces->setEditText(FChoiceText);
  FFilling = false;
  QMetaObject::invokeMethod(this, &TfrmMain::AddNetworkPortClick, Qt::QueuedConnection);
}

void TfrmMain::AddNetworkPortClick() {
  if (PortOpening() || FCtx.Link.Opened()) return;
  TfrmAddNetPort dialog(this);
  const int current = cbxInterfaces->currentIndex();
  if (FCtx.Link.IsNetworkPort(current))
    dialog.StartFrom(FCtx.Link.Entries()[static_cast<std::size_t>(current)].Text, FCtx.Link.NetworkAllowance(current));
  if (dialog.exec() != QDialog::Accepted) return;
  const int before = FCtx.Link.Count();
  const int index = FCtx.Link.AddNetworkPort(dialog.Name(), dialog.AllowanceMs());
  if (index < 0) return;
  const std::string& listed = FCtx.Link.Entries()[static_cast<std::size_t>(index)].Text;
  FFilling = true;
  if (FCtx.Link.Count() > before) {
    cbxInterfaces->insertItem(index, QString::fromStdString(listed));
    FUntried.insert(listed);
  }
  FFilling = false;
  cbxInterfaces->setCurrentIndex(index);
}

void TfrmMain::ListRecentPorts() {
  if (FCtx.RecentPortsFile.empty()) return;
  for (const TRecentPort& port : LoadRecentPorts(FCtx.RecentPortsFile))
    FCtx.Link.AddNetworkPort(port.Name, port.AllowanceMs);
}

void TfrmMain::RememberPort(int index) {
  if (FCtx.RecentPortsFile.empty() || !FCtx.Link.IsNetworkPort(index)) return;
  const TRecentPort used{FCtx.Link.Entries()[static_cast<std::size_t>(index)].Text, FCtx.Link.NetworkAllowance(index)};
  std::string error;
  // The port is open and works: a file that cannot be written costs only the memory of it.
  if (!SaveRecentPorts(FCtx.RecentPortsFile, WithRecentPort(LoadRecentPorts(FCtx.RecentPortsFile), used), error))
    std::cerr << "network ports not remembered: " << error << std::endl;
}

void TfrmMain::tbnRefreshClick() { RefreshInterfaces(); }

void TfrmMain::tbnInterfaceOpenClick() {
  if (PortOpening()) return;
  const std::string typed = cbxInterfaces->currentText().toStdString();
  if (FCtx.Link.Count() == 0 && !IsNetPortName(typed)) return;
  // What the user typed into the edit field picks the entry of that text,
  // or none (and the open is refused as a bad port); the add entry's text
  // names no port.
  int index = cbxInterfaces->currentIndex();
  if (index < 0 || cbxInterfaces->itemText(index) != cbxInterfaces->currentText())
    index = cbxInterfaces->findText(cbxInterfaces->currentText(), Qt::MatchFixedString);
  if (index >= FCtx.Link.Count()) index = -1;
  if (index < 0 && IsNetPortName(typed)) {
    // A serial server's address, typed: listed after the local ports under
    // its one name (a port listed already is that entry), and kept once it opens.
    const int before = FCtx.Link.Count();
    index = FCtx.Link.AddNetworkPort(typed);
    const std::string& listed = FCtx.Link.Entries()[static_cast<std::size_t>(index)].Text;
    FFilling = true;
    if (FCtx.Link.Count() > before) {
      cbxInterfaces->insertItem(index, QString::fromStdString(listed));
      FUntried.insert(listed);
    }
    FFilling = false;
    cbxInterfaces->setCurrentIndex(index);
  }
  // A server may take seconds to answer, or never: the window goes on
  // answering meanwhile. A local port opens at once, here.
  if (FCtx.Link.IsNetworkPort(index)) {
    StartNetworkOpen(index);
    return;
  }
  OpenEnded(index, FCtx.Link.Open(index, 0));
}

void TfrmMain::OpenEnded(int index, int result) {
  const int r = ShowResult(result);
  if (r == 0) {
    if (FCtx.Link.IsNetworkPort(index)) FUntried.erase(FCtx.Link.Entries()[static_cast<std::size_t>(index)].Text);
    RememberPort(index);
    ApplyPortState(true);
    const auto& entries = FCtx.Link.Entries();
    const auto at = static_cast<std::size_t>(FCtx.Link.OpenIndex());
    FPanels[0]->setText(tr("Порт %1").arg(at < entries.size() ? QString::fromStdString(entries[at].Text) : QString()));
    return;
  }
  const QString why = ShownText(OpenFailureWords(FCtx.Link));
  if (!why.isEmpty()) {
    // The words name devices and groups from the system: never take them as markup.
    FPanels[3]->setToolTip(Qt::convertFromPlainText(why + QStringLiteral("\n'q17ctl doctor' tells more.")));
    std::cerr << ExplainOpenFailure(FCtx.Link) << std::endl;
  }
  ForgetUntried(index);
}

void TfrmMain::ForgetUntried(int index) {
  if (!FCtx.Link.IsNetworkPort(index)) return;
  const std::string name = FCtx.Link.Entries()[static_cast<std::size_t>(index)].Text;
  if (!FUntried.erase(name) || !FCtx.Link.RemoveNetworkPort(index)) return;
  // The name stays in the edit field, to be mended or tried again.
  FFilling = true;
  cbxInterfaces->removeItem(index);
  cbxInterfaces->setCurrentIndex(-1);
  cbxInterfaces->setEditText(QString::fromStdString(name));
  FFilling = false;
  FChoice = -1;
  FChoiceText = cbxInterfaces->currentText();
}

bool TfrmMain::PortOpening() const { return FOpen->Running(); }

void TfrmMain::StartNetworkOpen(int index) {
  SetConnecting(true, QString::fromStdString(FCtx.Link.Entries()[static_cast<std::size_t>(index)].Text));
  FOpen->Start(index);
}

void TfrmMain::btnCancelOpenClick() { FOpen->GiveUp(); }

void TfrmMain::NetworkOpenEnded(int index, int result, bool gaveUp) {
  SetConnecting(false, QString());
  if (gaveUp) {
    // Given up: nothing about the server, and a port that opened at the last moment is closed again.
    if (result == 0) FCtx.Link.Close();
    ForgetUntried(index);
    ApplyPortState(false);
  } else {
    OpenEnded(index, result);
    if (!FCtx.Link.Opened()) ApplyPortState(false);
  }
  if (std::exchange(FCloseWhenOpenEnds, false)) {
    if (FCtx.Link.Opened()) tbnInterfaceCloseClick();
    close();
  }
}

void TfrmMain::SetConnecting(bool connecting, const QString& name) {
  // Whatever would touch the interface list waits: the list, refresh, open, exit.
  for (QWidget* w : findChildren<QWidget*>())
    if (w->property("Tag").toInt() == 3) w->setEnabled(!connecting);
  for (QAction* a : findChildren<QAction*>())
    if (a->property("Tag").toInt() == 3) a->setEnabled(!connecting);
  FEscape->setEnabled(connecting);
  // The message hides the panels, which leave no room for the button: it
  // shows after them and goes before them.
  if (connecting) {
    ui->sbrStatus->showMessage(tr("Подключение к %1...").arg(name));
    FCancelOpen->show();
  } else {
    FCancelOpen->hide();
    ui->sbrStatus->clearMessage();
  }
}

void TfrmMain::tbnInterfaceCloseClick() {
  FCtx.Link.Close();
  FPanels[0]->setText(tr("Порт закрыт"));
  ApplyPortState(false);
}

void TfrmMain::tbnHelpAboutClick() { FCtx.Windows.About->exec(); }
void TfrmMain::miAboutClick() { FCtx.Windows.About->exec(); }

void TfrmMain::btnCommonClick() { ui->pgcSections->setCurrentWidget(ui->tbsCommon); }
void TfrmMain::btnNoGateClick() { ui->pgcSections->setCurrentWidget(ui->tbsNoGate); }
void TfrmMain::btnOnTheFlyClick() { ui->pgcSections->setCurrentWidget(ui->tbsOnTheFly); }
void TfrmMain::btnOneReadClick() { ui->pgcSections->setCurrentWidget(ui->tbsOneRead); }
void TfrmMain::btnStandardClick() { ui->pgcSections->setCurrentWidget(ui->tbsStandard); }
void TfrmMain::btnTestsClick() { ui->pgcSections->setCurrentWidget(ui->tbsTests); }

// A page's redraw runs when it becomes the visible page.
void TfrmMain::pgcSectionsChange(int index) {
  QWidget* page = ui->pgcSections->widget(index);
  if (page == ui->tbsCommon) FPages->tbsCommonShow();
  else if (page == ui->tbsNoGate) FPages->tbsNoGateShow();
  else if (page == ui->tbsOnTheFly) FPages->tbsOnTheFlyShow();
  else if (page == ui->tbsOneRead) FPages->tbsOneReadShow();
  else if (page == ui->tbsStandard) FPages->tbsStandardShow();
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (FShown) return;
  FShown = true;
  // The page visible at start is drawn from the configuration when the window first shows.
  pgcSectionsChange(ui->pgcSections->currentIndex());
}

void TfrmMain::btnStartExchangeTestClick() { FCtx.Windows.CommTest->exec(); }
void TfrmMain::btnStartRadioTestClick() { FCtx.Windows.RadioTest->exec(); }
void TfrmMain::btnStartSensTestClick() { FCtx.Windows.Sensors->exec(); }
void TfrmMain::btnStartAuditClick() { FCtx.Windows.Audit->exec(); }
void TfrmMain::btnAudioTestClick() {
  FCtx.Windows.Audio->exec();
  // Its start read the reader's block and times into memory: the pages show
  // them, so what they show is what the next write sends.
  RedrawPagesKeepingMode();
}
// Both dialogs may leave another reader to work with.
void TfrmMain::miChangeAddrClick() {
  FCtx.Windows.AddrChange->exec();
  ShowReaderAddress();
}
void TfrmMain::miActionFindReadersClick() {
  FCtx.Windows.FindReaders->exec();
  ShowReaderAddress();
}
void TfrmMain::miTrafficLogClick() {
  TfrmTrafficLog* log = FCtx.Windows.TrafficLog;
  log->show();
  log->raise();
  log->activateWindow();
}

void TfrmMain::miExitClick() { close(); }

void TfrmMain::closeEvent(QCloseEvent* event) {
  // An open under way is given up first; the window closes once it has ended.
  if (PortOpening()) {
    FCloseWhenOpenEnds = true;
    FOpen->GiveUp();
    event->ignore();
    return;
  }
  if (FCtx.Link.Opened()) {
    FCtx.Messages.Inform(this, tr("Прежде чем закрывать приложение, закройте порт!"));
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace q17::ui
