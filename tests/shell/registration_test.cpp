// SPDX-License-Identifier: GPL-3.0-or-later
// The registration flows of the main window against emulated routers:
// registering with and without password, refusals, loading, errors,
// deregistration, router-parameter changes and shutdown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/stop_signals.h"
#include "protocol/wire.h"
#include "shell/shell_test_support.h"
#include "shell/stop_signal_watch.h"

namespace tarcfg::testing {
namespace {

std::vector<std::uint8_t> Payload(const NetworkDatagram& datagram) {
  return std::vector<std::uint8_t>(datagram.bytes.begin() + 4, datagram.bytes.end());
}

// A scripted router that answers the scan and then, to a registration,
// says nothing at all, accepts it but never answers anything after that (a
// loading that fails), or sends a malformed password request.
enum class RegisterAnswer { Nothing, AcceptThenSilence, MalformedChallenge };

class ScriptedRouter {
 public:
  ScriptedRouter(InMemoryNetwork& network, std::uint32_t address, RegisterAnswer answer)
      : network_(network), address_(address) {
    network_.Attach(address_, [this, answer](const NetworkDatagram& d) {
      WireReader reader(d.bytes);
      std::uint16_t commandWord = reader.U16();
      std::uint16_t sequence = reader.U16();
      if (commandWord == command::kScanQuery) {
        WireWriter scan;
        scan.U16(command::kScanAnswer).U16(0).U16(0);
        scan.U8(0).U8(0x60).U8(0x1a).U8(0x10).U8(0).U8(0x20).U32(address_).U32(0);
        network_.Send(address_, d.from, scan.Take());
      } else if (commandWord == command::kRegister &&
                 answer == RegisterAnswer::MalformedChallenge) {
        network_.Send(address_, d.from, WireWriter().U16(0xFF00).U16(0).U16(sequence).Take());
        network_.Send(address_, d.from,
                      WireWriter().U16(command::kPasswordRequest).U16(1).U8(1).U8(2).U8(3).Take());
      } else if (commandWord == command::kRegister && answer == RegisterAnswer::AcceptThenSilence) {
        network_.Send(address_, d.from, WireWriter().U16(0xFF00).U16(0).U16(sequence).Take());
        WireWriter accepted;
        accepted.U16(command::kRegistrationAccepted).U16(1).U16(0).U16(1).U16(1).U16(1);
        accepted.U32(kNetMask).Text("0301110", 20).U8(1).U8(0).Text("2.10", 10);
        network_.Send(address_, d.from, accepted.Take());
      }
    });
  }
  ~ScriptedRouter() { network_.Detach(address_); }

 private:
  InMemoryNetwork& network_;
  std::uint32_t address_;
};

class RegistrationTest : public ShellTest {
 protected:
  void TypePasswordAtThePrompt(const QString& password) {
    WhenModalOpens([this, password](QDialog* dialog) {
      promptCaption_ = dialog->windowTitle();
      auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("password"));
      ASSERT_NE(edit, nullptr);
      promptMasked_ = edit->echoMode() == QLineEdit::Password;
      promptMaxLength_ = edit->maxLength();
      edit->setText(password);
      dialog->accept();
    });
  }
  QString promptCaption_;
  bool promptMasked_ = false;
  int promptMaxLength_ = 0;
};

TEST_F(RegistrationTest, OpenRouterRegistersLoadsConfigurationAndEnablesEverything) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  RegisterRow(0);
  EXPECT_TRUE(window_->registered());
  EXPECT_EQ(EnabledStates(), "rDTLCAos");
  EXPECT_TRUE(button("routerButton")->isDefault());
  ASSERT_TRUE(context_->configuration.has_value());
  EXPECT_EQ(context_->configuration->lineTargets.count(), 1);
  EXPECT_EQ(context_->configuration->routes.count(), 1);
  ASSERT_TRUE(context_->savedConfiguration.has_value());
  EXPECT_TRUE(
      context_->savedConfiguration->lineTargets.SameAs(context_->configuration->lineTargets));
  const RouterParameters& current = context_->selected.current;
  EXPECT_EQ(current.name, "198.51.100.10");
  EXPECT_EQ(current.netmask, "255.255.255.0");
  EXPECT_EQ(current.phoneNumber, "0301110");
  EXPECT_EQ(current.firmwareVersion, "2.10");
  EXPECT_EQ(current.dChannelProtocol, 1);
  EXPECT_FALSE(window_->waitCursorActive());
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(SentByTool(command::kPassword).size(), 0u);
}

TEST_F(RegistrationTest, RouterWithoutLineTargetsLeavesConnectionsAndAccountingOff) {
  auto router = OpenRouter("198.51.100.10", 1);
  router.lineTargets.clear();
  UseRouters({router});
  StartWindow();
  RegisterRow(0);
  EXPECT_EQ(EnabledStates(), "rDTLcaos");
}

TEST_F(RegistrationTest, PasswordPromptSendsTheTypedPassword) {
  auto router = OpenRouter("198.51.100.11", 2);
  router.password = "secret";
  UseRouters({router});
  StartWindow();
  TypePasswordAtThePrompt(QStringLiteral("secret"));
  RegisterRow(0);
  EXPECT_EQ(promptCaption_, QStringLiteral("Tarnex - Password"));
  EXPECT_TRUE(promptMasked_);
  EXPECT_EQ(promptMaxLength_, 10);
  EXPECT_EQ(SentByTool(command::kPassword).size(), 1u);
  EXPECT_TRUE(window_->registered());
  EXPECT_EQ(context_->selected.current.password, "secret");
  EXPECT_EQ(EnabledStates(), "rDTLCAos");
}

TEST_F(RegistrationTest, WrongPasswordShows40000AndReturnsToSelecting) {
  auto router = OpenRouter("198.51.100.11", 2);
  router.password = "secret";
  UseRouters({router});
  StartWindow();
  TypePasswordAtThePrompt(QStringLiteral("guess"));
  RegisterRow(0);
  EXPECT_FALSE(window_->registered());
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Wrong password - Cannot open connection"));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(context_->selected.current.password, "");
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
}

TEST_F(RegistrationTest, CancelAtThePasswordPromptSendsNothingAndReturnsToSelecting) {
  auto router = OpenRouter("198.51.100.11", 2);
  router.password = "secret";
  UseRouters({router});
  StartWindow();
  WhenModalOpens([](QDialog* dialog) { dialog->reject(); });
  RegisterRow(0);
  EXPECT_EQ(SentByTool(command::kPassword).size(), 0u);
  EXPECT_EQ(context_->protocol->state(), ProtocolState::Idle);
  EXPECT_FALSE(window_->registered());
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
  EXPECT_TRUE(messages_.shown.empty());
  // The router can be registered with again right away.
  TypePasswordAtThePrompt(QStringLiteral("secret"));
  button("registerButton")->click();
  DeliverDatagrams();
  EXPECT_TRUE(window_->registered());
}

TEST_F(RegistrationTest, RouterHeldByAnotherHostShows40007WithTheHolder) {
  auto router = OpenRouter("198.51.100.12", 3);
  router.owner = Ip("198.51.100.2");
  UseRouters({router});
  StartWindow();
  RegisterRow(0);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text,
            QStringLiteral("Router registration failed.\nThis router has already been "
                           "registered by host '198.51.100.2'."));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
}

struct RefusalCase {
  std::uint16_t code;
  const char* message;
};

// Names the case in the test's name instead of a dump of its bytes.
void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << "code " << c.code;
}

class RefusalTest : public RegistrationTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, RefusalCodeShowsItsMessageAndReturnsToSelecting) {
  tarnex_sim::Faults faults;
  faults.refuseCode = GetParam().code;
  UseRouters({OpenRouter("198.51.100.10", 1)}, faults);
  StartWindow();
  RegisterRow(0);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QString::fromLatin1(GetParam().message));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_FALSE(window_->registered());
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RefusalTest,
    ::testing::Values(RefusalCase{3, "Wrong password - Cannot open connection"},
                      RefusalCase{5, "The router may not be opened by this host!"},
                      RefusalCase{6, "Time-out during network communication!"},
                      RefusalCase{9,
                                  "Router registration failed. Check the respective connections!\n"
                                  "(Error-Code: 9)"}));

TEST_F(RegistrationTest, RegisteringDisablesTheListUntilTheRouterAnswers) {
  ScriptedRouter silent(network_, Ip("198.51.100.20"), RegisterAnswer::Nothing);
  StartWindow();
  RegisterRow(0);
  EXPECT_EQ(EnabledStates(), "rdtlcaos");
  // While the router keeps silent the window says what it waits for.
  EXPECT_TRUE(window_->waitCursorActive());
  EXPECT_EQ(window_->statusText(), QStringLiteral("Registering with router 198.51.100.20..."));
  EXPECT_EQ(SentByTool(command::kRegister).size(), 1u);
  Tick(12);
  EXPECT_FALSE(window_->waitCursorActive());
  EXPECT_EQ(window_->statusText(), QString());
  EXPECT_EQ(SentByTool(command::kRegister).size(), 3u);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text,
            QStringLiteral("General network communication error!\n(Error code: 8888)"));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Stop);
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
}

TEST_F(RegistrationTest, NetworkErrorWhileLoadingEndsWaitCursorAndReturnsToSelecting) {
  ScriptedRouter silent(network_, Ip("198.51.100.20"), RegisterAnswer::AcceptThenSilence);
  StartWindow();
  RegisterRow(0);
  EXPECT_TRUE(window_->waitCursorActive());
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(window_->statusText(),
            QStringLiteral("Reading the configuration of router 198.51.100.20..."));
  EXPECT_EQ(SentByTool(command::kReadTableEntry).size(), 1u);
  Tick(12);
  EXPECT_FALSE(window_->waitCursorActive());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(window_->statusText(), QString());
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text,
            QStringLiteral("General network communication error!\n(Error code: 8888)"));
  EXPECT_FALSE(window_->registered());
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
}

TEST_F(RegistrationTest, RegistrationThatEndsSilentlyReturnsToSelecting) {
  ScriptedRouter router(network_, Ip("198.51.100.20"), RegisterAnswer::MalformedChallenge);
  StartWindow();
  RegisterRow(0);
  EXPECT_EQ(context_->protocol->state(), ProtocolState::Idle);
  EXPECT_FALSE(window_->registered());
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(RegistrationTest, EnterPressesRegisterWhileNotRegistered) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  FinishScan();
  QTest::keyClick(window_.get(), Qt::Key_Return);
  DeliverDatagrams();
  EXPECT_EQ(SentByTool(command::kRegister).size(), 1u);
  EXPECT_TRUE(window_->registered());
}

TEST_F(RegistrationTest, NetworkErrorClosesTheProgressWindowAndShowsDownloadMessages) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  RegisterRow(0);
  int closed = 0;
  window_->dialogs().closeProgressWindow = [&] { ++closed; };
  window_->OnNetworkError(13);
  ProcessPosted();
  EXPECT_EQ(closed, 1);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Firmware download has failed!"));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Stop);
  EXPECT_FALSE(window_->registered());
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
}

TEST_F(RegistrationTest, UndefinedProtocolsWriteAdditionsAndSaveFileAndKeepDialogsOff) {
  auto router = OpenRouter("198.51.100.10", 1);
  router.lineTargets[0].blockSize = 1234;  // no table entry has these x75 parameters
  UseRouters({router});
  StartWindow();
  RegisterRow(0);
  EXPECT_TRUE(window_->registered());
  EXPECT_TRUE(context_->undefinedProtocols);
  EXPECT_TRUE(std::filesystem::exists(directory_ / "tarcfg.add"));
  // SAVE.CFG keeps the line target, under the name TARCFG.ADD defines.
  std::ifstream saved(directory_ / "state" / "save.cfg");
  const std::string text{std::istreambuf_iterator<char>(saved), {}};
  EXPECT_NE(text.find("\n198.51.100.200       0301234567           x75_1 "), std::string::npos)
      << text;
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_TRUE(messages_.shown[0].text.startsWith(
      QStringLiteral("The router contains undefined protocols")));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(EnabledStates(), "rDTlcaos");
}

TEST_F(RegistrationTest, SaveFileThatCannotBeWrittenIsReportedWithItsReason) {
  std::filesystem::create_directories(directory_ / "state" / "save.cfg");
  auto router = OpenRouter("198.51.100.10", 1);
  router.lineTargets[0].blockSize = 1234;
  UseRouters({router});
  StartWindow();
  RegisterRow(0);
  EXPECT_TRUE(window_->registered());
  ASSERT_EQ(messages_.shown.size(), 2u);
  EXPECT_TRUE(messages_.shown[0].text.startsWith(
      QStringLiteral("The router contains undefined protocols")));
  EXPECT_EQ(messages_.shown[1].text, QStringLiteral("Writing file has failed!\n") +
                                         QString::fromLocal8Bit(std::strerror(EISDIR)));
  EXPECT_EQ(messages_.shown[1].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(std::filesystem::is_directory(directory_ / "state" / "save.cfg"));
}

TEST_F(RegistrationTest, RouterWithoutAddressIsRegisteredWithoutAnyExchange) {
  UseRouters({OpenRouter(nullptr, 4)});
  StartWindow();
  network_.ClearLog();
  RegisterRow(0);
  EXPECT_TRUE(window_->registered());
  EXPECT_EQ(SentByTool(command::kRegister).size(), 0u);
  EXPECT_EQ(context_->selected.current.dChannelProtocol, 255);
  EXPECT_EQ(EnabledStates(), "rDTlcaos");
}

using DeregistrationTest = RegistrationTest;

TEST_F(DeregistrationTest, DeregisterButtonSendsDeregistrationAndFreesConfiguration) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  RegisterRow(0);
  button("deregisterButton")->click();
  ProcessPosted();
  ASSERT_EQ(SentByTool(command::kDeregister).size(), 1u);
  EXPECT_EQ(SentByTool(command::kDeregister)[0].to, Ip("198.51.100.10"));
  EXPECT_FALSE(window_->registered());
  EXPECT_FALSE(context_->configuration.has_value());
  EXPECT_EQ(context_->selected.selectedIndex, 1);
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
  EXPECT_TRUE(routers_->sim().routers()[0].session == 0);
}

TEST_F(DeregistrationTest, EscapeWhileRegisteredDeregisters) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  RegisterRow(0);
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  EXPECT_EQ(SentByTool(command::kDeregister).size(), 1u);
  EXPECT_FALSE(window_->registered());
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(DeregistrationTest, EscapeWhileNotRegisteredDoesNothing) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  FinishScan();
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(SentByTool(command::kDeregister).size(), 0u);
  EXPECT_EQ(EnabledStates(), "RdtlcaOS");
}

TEST_F(DeregistrationTest, ClosingTheWindowWhileRegisteredDeregisters) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  RegisterRow(0);
  window_->close();
  // All of its repetitions at once: no tick follows the window's end.
  ASSERT_EQ(SentByTool(command::kDeregister).size(),
            static_cast<std::size_t>(kTiming.releaseSends));
  EXPECT_FALSE(context_->configuration.has_value());
  // Nothing more goes out when the window object goes.
  window_.reset();
  EXPECT_EQ(SentByTool(command::kDeregister).size(),
            static_cast<std::size_t>(kTiming.releaseSends));
}

// SIGTERM (as SIGINT and SIGHUP) closes the window the way its close box
// does, deregistering first, and gives the exit status of that signal.
TEST_F(DeregistrationTest, AStopSignalClosesTheWindowThroughTheDeregistration) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  RegisterRow(0);
  std::signal(SIGTERM, SIG_DFL);  // caught even where the runner ignores it
  ASSERT_TRUE(StopSignals::Install());
  int status = 0;
  {
    StopSignalWatch watch(*window_);
    std::raise(SIGTERM);
    for (int round = 0; round < 10 && watch.exitStatus() == 0; ++round)
      QCoreApplication::processEvents();
    status = watch.exitStatus();
  }
  StopSignals::Uninstall();
  EXPECT_EQ(status, 128 + SIGTERM);
  ASSERT_EQ(SentByTool(command::kDeregister).size(),
            static_cast<std::size_t>(kTiming.releaseSends));
  EXPECT_EQ(SentByTool(command::kDeregister)[0].to, Ip("198.51.100.10"));
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(context_->configuration.has_value());
}

TEST_F(DeregistrationTest, ClosingTheWindowUnregisteredSendsNothing) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  FinishScan();
  window_->close();
  EXPECT_EQ(SentByTool(command::kDeregister).size(), 0u);
}

class ParameterChangeTest : public RegistrationTest {
 protected:
  void SetUp() override {
    UseRouters({OpenRouter("198.51.100.10", 1)});
    StartWindow();
    RegisterRow(0);
    ASSERT_TRUE(window_->registered());
    context_->protocol->SetSeedSource([] { return std::uint16_t{0x1234}; });
    network_.ClearLog();
  }
  static std::vector<std::uint8_t> Scrambled(const char* password, std::uint16_t seed) {
    std::uint8_t in[kPasswordWireLength] = {};
    std::copy(password, password + std::strlen(password), in);
    std::uint8_t out[kPasswordWireLength];
    ScramblePassword(out, in, seed);
    return std::vector<std::uint8_t>(out, out + kPasswordWireLength);
  }
  std::vector<std::uint8_t> ExpectedPasswordChange(const char* newPassword, bool exclusive) {
    std::vector<std::uint8_t> expected{0x12, 0x34, static_cast<std::uint8_t>(exclusive ? 0xFF : 0)};
    auto fresh = Scrambled(newPassword, 0x1234);
    auto old = Scrambled("", 0x1234);
    expected.insert(expected.end(), fresh.begin(), fresh.end());
    expected.insert(expected.end(), old.begin(), old.end());
    return expected;
  }
  std::vector<std::uint8_t> ExpectedParameters(const char* phone) {
    WireWriter writer;
    writer.U32(Ip("198.51.100.10")).U32(kNetMask).Text(phone, 20).U8(0);
    return writer.Take();
  }
  bool Confirmed40111() const {
    return !messages_.shown.empty() &&
           messages_.shown.back().text ==
               QStringLiteral(
                   "The changes have been saved in the router.\nTo activate changes "
                   "please reboot the router.") &&
           messages_.shown.back().icon == MessageIcon::Information;
  }
};

TEST_F(ParameterChangeTest, NewPasswordSendsOnlyThePasswordChange) {
  EditWith([](RouterParameters& p) { p.password = "newpass"; });
  ASSERT_EQ(SentByTool(command::kChangePassword).size(), 1u);
  EXPECT_EQ(SentByTool(command::kWriteParameters).size(), 0u);
  EXPECT_EQ(Payload(SentByTool(command::kChangePassword)[0]),
            ExpectedPasswordChange("newpass", false));
  EXPECT_TRUE(Confirmed40111());
  EXPECT_EQ(context_->selected.current.password, "newpass");
  EXPECT_EQ(routers_->sim().routers()[0].config.password, "newpass");
}

TEST_F(ParameterChangeTest, ExclusiveRightAloneIsAPasswordChange) {
  EditWith([](RouterParameters& p) { p.exclusiveToThisHost = 1; });
  ASSERT_EQ(SentByTool(command::kChangePassword).size(), 1u);
  EXPECT_EQ(Payload(SentByTool(command::kChangePassword)[0]), ExpectedPasswordChange("", true));
  EXPECT_EQ(context_->routers->NodeAt(1)->exclusiveToThisHost, 1);
}

TEST_F(ParameterChangeTest, NewPhoneNumberSendsOnlyTheRouterParameters) {
  window_->dialogs().editRouterParameters = [](MainWindow&, const RouterParameters& current) {
    RouterParameters changed = current;
    changed.phoneNumber = "0309999";
    return std::optional<RouterParameters>(changed);
  };
  button("routerButton")->click();
  // Until the router confirms, the window says what it waits for.
  EXPECT_EQ(window_->statusText(),
            QStringLiteral("Writing the router parameters to router 198.51.100.10..."));
  EXPECT_TRUE(window_->waitCursorActive());
  DeliverDatagrams();
  EXPECT_EQ(window_->statusText(), QString());
  EXPECT_FALSE(window_->waitCursorActive());
  EXPECT_EQ(SentByTool(command::kChangePassword).size(), 0u);
  ASSERT_EQ(SentByTool(command::kWriteParameters).size(), 1u);
  EXPECT_EQ(Payload(SentByTool(command::kWriteParameters)[0]), ExpectedParameters("0309999"));
  EXPECT_TRUE(Confirmed40111());
  EXPECT_EQ(context_->selected.current.phoneNumber, "0309999");
}

TEST_F(ParameterChangeTest, PasswordAndPhoneSendPasswordChangeThenParameters) {
  EditWith([](RouterParameters& p) {
    p.password = "both";
    p.phoneNumber = "0308888";
  });
  std::vector<std::uint16_t> order;
  for (const auto& datagram : network_.SentBy(kWorkstation)) {
    std::uint16_t commandWord =
        static_cast<std::uint16_t>(datagram.bytes[0] << 8 | datagram.bytes[1]);
    if (commandWord == command::kChangePassword || commandWord == command::kWriteParameters)
      order.push_back(commandWord);
  }
  EXPECT_EQ(order,
            (std::vector<std::uint16_t>{command::kChangePassword, command::kWriteParameters}));
  EXPECT_EQ(Payload(SentByTool(command::kChangePassword)[0]),
            ExpectedPasswordChange("both", false));
  EXPECT_EQ(Payload(SentByTool(command::kWriteParameters)[0]), ExpectedParameters("0308888"));
  EXPECT_TRUE(Confirmed40111());
  EXPECT_EQ(context_->selected.current.password, "both");
  EXPECT_EQ(context_->selected.current.phoneNumber, "0308888");
}

TEST_F(ParameterChangeTest, NewFirmwareVersionHandsOverToTheDownload) {
  std::optional<RouterParameters> handedOver;
  window_->dialogs().startFullReconfiguration = [&](MainWindow&, const RouterParameters& p) {
    handedOver = p;
  };
  EditWith([](RouterParameters& p) { p.firmwareVersion = "2.20"; });
  ASSERT_TRUE(handedOver.has_value());
  EXPECT_EQ(handedOver->firmwareVersion, "2.20");
  EXPECT_EQ(SentByTool(command::kChangePassword).size(), 0u);
  EXPECT_EQ(SentByTool(command::kWriteParameters).size(), 0u);
  EXPECT_EQ(context_->selected.current.firmwareVersion, "2.10");
}

TEST_F(ParameterChangeTest, CancelInTheRouterDialogSendsNothing) {
  window_->dialogs().editRouterParameters = [](MainWindow&, const RouterParameters&) {
    return std::optional<RouterParameters>();
  };
  button("routerButton")->click();
  DeliverDatagrams();
  EXPECT_TRUE(network_.SentBy(kWorkstation).empty());
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(RegistrationTest, RouterWithoutAddressGetsAnyChangeByDownload) {
  UseRouters({OpenRouter(nullptr, 4)});
  StartWindow();
  RegisterRow(0);
  std::optional<RouterParameters> handedOver;
  window_->dialogs().startFullReconfiguration = [&](MainWindow&, const RouterParameters& p) {
    handedOver = p;
  };
  window_->ApplyRouterParameters(RouterParameters{}, kParameterChange);
  EXPECT_TRUE(handedOver.has_value());
}

TEST_F(RegistrationTest, DialogHooksOpenForTheRegisteredRouter) {
  UseRouters({OpenRouter("198.51.100.10", 1)});
  StartWindow();
  std::vector<RouterDialog> opened;
  for (RouterDialog kind :
       {RouterDialog::LineTargets, RouterDialog::Connections, RouterDialog::Accounting})
    window_->dialogs().routerDialogs[kind] = [&opened, kind](MainWindow&) {
      opened.push_back(kind);
    };
  RegisterRow(0);
  button("lineTargetsButton")->click();
  button("connectionsButton")->click();
  button("accountingButton")->click();
  EXPECT_EQ(opened, (std::vector<RouterDialog>{RouterDialog::LineTargets, RouterDialog::Connections,
                                               RouterDialog::Accounting}));
}

}  // namespace
}  // namespace tarcfg::testing
