// SPDX-License-Identifier: GPL-3.0-or-later
// The progress bar's painting, the progress window, and full
// reconfigurations by download against the emulated routers: a registered
// router, a router still in its loader, the time-outs and unusable images.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "dialogs/firmware_download.h"
#include "dialogs/progress_window.h"
#include "dialogs_router/router_dialogs_test_support.h"
#include "shell/dialog_units.h"

namespace tarcfg::testing {
namespace {

// ---- ProgressBar -----------------------------------------------------------

TEST(ProgressBarGeometryTest, FollowsTheBlockFormulas) {
  const ProgressBarGeometry empty = ComputeProgressBar(246, 0);
  EXPECT_EQ(empty.blockSize, 9);
  EXPECT_EQ(empty.barWidth, 229);
  EXPECT_EQ(empty.inset, 3);
  EXPECT_EQ(empty.barHeight, 17);
  EXPECT_EQ(empty.filled, 0);
  EXPECT_TRUE(empty.blocks.empty());

  const ProgressBarGeometry half = ComputeProgressBar(246, 50);
  EXPECT_EQ(half.filled, 111);
  // Offsets 0, 9, ..., 108 lie below 111: 13 whole blocks.
  ASSERT_EQ(half.blocks.size(), 13u);
  EXPECT_EQ(half.blocks.front(), QRect(3, 4, 7, 9));
  EXPECT_EQ(half.blocks.back(), QRect(3 + 108, 4, 7, 9));

  const ProgressBarGeometry full = ComputeProgressBar(246, 100);
  EXPECT_EQ(full.filled, 223);
  ASSERT_EQ(full.blocks.size(), 25u);
  EXPECT_EQ(full.blocks.back(), QRect(3 + 216, 4, 7, 9));
  // Out-of-range values are clamped rather than painted beyond the bar.
  EXPECT_EQ(ComputeProgressBar(246, 250).blocks.size(), 25u);
  EXPECT_TRUE(ComputeProgressBar(246, -5).blocks.empty());
  EXPECT_TRUE(ComputeProgressBar(10, 100).blocks.empty());
}

QImage PaintBar(int percentage) {
  ProgressBar bar;
  bar.resize(246, 20);
  bar.SetPercentage(percentage);
  QImage image(246, 20, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 0));
  bar.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
  return image;
}

TEST(ProgressBarPaintTest, PaintsFrameAndBlocksExactly) {
  const QColor navy(0, 0, 128), grey(128, 128, 128), red(255, 0, 0);
  const QImage empty = PaintBar(0);
  EXPECT_EQ(empty.pixelColor(0, 0), grey);
  EXPECT_EQ(empty.pixelColor(100, 0), grey);
  EXPECT_EQ(empty.pixelColor(0, 10), grey);
  EXPECT_EQ(empty.pixelColor(100, 16), QColor(Qt::white));  // bottom, y = H - 1
  EXPECT_EQ(empty.pixelColor(228, 8), QColor(Qt::white));   // right, x = W - 1
  EXPECT_EQ(empty.pixelColor(3, 4), red);                   // no block at 0 %
  EXPECT_EQ(empty.pixelColor(240, 8), red);                 // nothing beyond the bar
  EXPECT_EQ(empty.pixelColor(100, 18), red);

  const QImage half = PaintBar(50);
  EXPECT_EQ(half.pixelColor(3, 4), navy);
  EXPECT_EQ(half.pixelColor(3 + 108 + 6, 4 + 8), navy);  // last pixel of block 13
  EXPECT_EQ(half.pixelColor(3 + 108 + 7, 8), red);       // the gap after it
  EXPECT_EQ(half.pixelColor(3 + 117, 8), red);           // block 14 not drawn
  EXPECT_EQ(half.pixelColor(3, 3), red);                 // above the blocks

  const QImage full = PaintBar(100);
  EXPECT_EQ(full.pixelColor(3 + 216, 4), navy);
  EXPECT_EQ(full.pixelColor(3 + 222, 12), navy);
  EXPECT_EQ(full.pixelColor(3 + 223, 12), red);
  EXPECT_EQ(full.pixelColor(3 + 216, 13), red);
}

class ProgressWindowTest : public RouterDialogsTest {};

TEST_F(ProgressWindowTest, ShowsThePercentageAndTheWaitForTheReport) {
  ProgressWindow window(nullptr);
  window.ShowProgress(50);
  EXPECT_EQ(window.message(), QStringLiteral("Router is loaded with firmware: 50%."));
  EXPECT_EQ(window.bar()->percentage(), 50);
  window.ShowProgress(100);
  EXPECT_EQ(window.message(), QStringLiteral("Waiting for router report."));
  EXPECT_EQ(window.bar()->percentage(), 100);
}

TEST_F(ProgressWindowTest, TheUserCannotCloseIt) {
  ProgressWindow window(nullptr);
  window.show();
  QTest::keyClick(&window, Qt::Key_Escape);
  QTest::keyClick(&window, Qt::Key_Return);
  window.close();
  window.reject();
  EXPECT_TRUE(window.isVisible());
  auto* cancel = window.findChild<QPushButton*>(QStringLiteral("progressCancel"));
  ASSERT_NE(cancel, nullptr);
  EXPECT_FALSE(cancel->isVisible());
  EXPECT_FALSE(cancel->isEnabled());
  window.Finish();
  EXPECT_FALSE(window.isVisible());
}

// The window's place counts from the main window's client area, below its
// menu bar.
TEST_F(ProgressWindowTest, SitsBelowTheOwnersMenuBar) {
  UseRouters({});
  StartWindow();
  auto* menuBar = window_->findChild<QMenuBar*>(QStringLiteral("menuBar"));
  ASSERT_NE(menuBar, nullptr);
  ASSERT_GT(menuBar->height(), 0);
  ProgressWindow window(window_.get());
  const DialogUnits units(window.font());
  EXPECT_EQ(window.pos(), window_->mapToGlobal(
                              QPoint(0, menuBar->geometry().bottom() + 1 + units.ToPixelsY(96))));
}

// ---- Full reconfiguration by download ----------------------------------------

struct DownloadRun {
  bool opened = false;
  bool closed = false;
  int ticks = 0;
  std::vector<QString> messages;  // the window's message after each tick, without repeats
  int highestPercentage = 0;
};

class DownloadTest : public RouterDialogsTest {
 protected:
  void StartWithRouters(std::vector<tarnex_sim::RouterConfig> routers) {
    UseRouters(std::move(routers));
    StartWindow();
    InstallRouterDialogs(*window_);
  }

  // Once the progress window runs, ticks by hand until it closes or
  // `maxTicks` have passed.
  void WhenProgressRuns(int maxTicks, DownloadRun& run) {
    // Only the pending timer holds the attempt, so it is freed when it ends.
    auto attempt = std::make_shared<std::function<void(int)>>();
    std::weak_ptr<std::function<void(int)>> self = attempt;
    *attempt = [this, maxTicks, &run, self](int left) {
      QPointer<ProgressWindow> window =
          qobject_cast<ProgressWindow*>(QApplication::activeModalWidget());
      if (!window) {
        if (auto next = self.lock(); next && left > 0)
          QTimer::singleShot(0, [next, left] { (*next)(left - 1); });
        return;
      }
      run.opened = true;
      run.messages.push_back(window->message());
      while (run.ticks < maxTicks && window && window->isVisible()) {
        Tick();
        ++run.ticks;
        if (window && window->message() != run.messages.back())
          run.messages.push_back(window->message());
        if (window)
          run.highestPercentage = std::max(run.highestPercentage, window->bar()->percentage());
      }
      run.closed = !window || !window->isVisible();
    };
    QTimer::singleShot(0, [attempt] { (*attempt)(50); });
  }

  // Runs Router Configuration from the Router button: `edit` fills it in,
  // then OK.
  void EditInDialog(std::function<void(QDialog*)> edit) {
    WhenModalOpens([edit](QDialog* dialog) {
      edit(dialog);
      dialog->accept();
    });
    button("routerButton")->click();
    ProcessPosted();
  }

  RouterParameters Changed(std::function<void(RouterParameters&)> change) {
    RouterParameters changed = context_->selected.current;
    change(changed);
    return changed;
  }

  const tarnex_sim::Router& SimRouter() { return routers_->sim().routers().at(0); }
};

TEST_F(DownloadTest, RegisteredRouterIsReloadedAndListedAnew) {
  WriteFirmware("fw_dss1.2.20", 0);
  StartWithRouters({OpenRouter("198.51.100.10", 1)});
  RegisterRow(0);
  ASSERT_TRUE(window_->registered());
  DownloadRun run;
  EditInDialog([&](QDialog* dialog) {
    WhenModalOpens([](QDialog* select) {
      select->findChild<QListWidget*>(QStringLiteral("versions"))->setCurrentRow(0);
      select->accept();
    });
    dialog->findChild<QPushButton*>(QStringLiteral("changeFirmware"))->click();
    WhenProgressRuns(200, run);
  });
  ASSERT_TRUE(run.opened);
  EXPECT_TRUE(run.closed);
  EXPECT_EQ(run.messages.front(), QStringLiteral("Starting firmware download."));
  EXPECT_EQ(run.messages.back(), QStringLiteral("Waiting for router report."));
  EXPECT_EQ(run.highestPercentage, 100);
  // The router went through its loader and runs the new firmware with its tables.
  // Asked once: the loader scans never found it still running.
  const auto enterLoader = SentByTool(command::kEnterLoader);
  ASSERT_EQ(enterLoader.size(), 1u);
  for (const auto& datagram : enterLoader)
    EXPECT_EQ(datagram.to, SimRouter().config.address);
  EXPECT_TRUE(SimRouter().firmware.applied);
  EXPECT_EQ(SimRouter().config.firmwareVersion, "2.20");
  EXPECT_EQ(SimRouter().lineTargets.size(), 1u);
  EXPECT_EQ(SimRouter().routes.size(), 1u);
  // Back in the list, unregistered, with nothing of the old registration left.
  EXPECT_EQ(ListLines(), (std::vector<QString>{" 00-60-1a-10-00-01\t198.51.100.10 "}));
  EXPECT_FALSE(window_->registered());
  EXPECT_EQ(list()->currentRow(), 0);
  EXPECT_FALSE(context_->configuration.has_value());
  EXPECT_TRUE(button("registerButton")->isEnabled());
  // The download ends with word that the router is back, and where.
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text,
            QStringLiteral("The firmware download is complete.\nThe router has restarted with the "
                           "address 198.51.100.10 and must be registered again."));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Information);
}

TEST_F(DownloadTest, RouterInItsLoaderGetsItsAddressByDownload) {
  WriteFirmware("fw_dss1.2.20", 0);
  StartWithRouters({OpenRouter(nullptr, 4)});
  RegisterRow(0);
  ASSERT_TRUE(window_->registered());
  ASSERT_EQ(ListLines(), (std::vector<QString>{" 00-60-1a-10-00-04\t--------- "}));
  DownloadRun run;
  EditInDialog([&](QDialog* dialog) {
    // The unknown router is offered the DSS1 firmware present.
    EXPECT_EQ(dialog->findChild<QComboBox*>(QStringLiteral("operatingMode"))->currentText(),
              QStringLiteral("DSS1"));
    dialog->findChild<QLineEdit*>(QStringLiteral("ipAddress"))
        ->setText(QStringLiteral("198.51.100.99"));
    dialog->findChild<QLineEdit*>(QStringLiteral("phoneNumber"))->setText(QStringLiteral("0307"));
    WhenProgressRuns(200, run);
  });
  ASSERT_TRUE(run.opened);
  EXPECT_TRUE(run.closed);
  // No loader request: the loader is addressed directly.
  EXPECT_TRUE(SentByTool(command::kEnterLoader).empty());
  EXPECT_EQ(SimRouter().config.address, Ip("198.51.100.99"));
  EXPECT_EQ(SimRouter().config.phone, "0307");
  EXPECT_EQ(SimRouter().config.firmwareVersion, "2.20");
  EXPECT_EQ(ListLines(), (std::vector<QString>{" 00-60-1a-10-00-04\t198.51.100.99 "}));
  EXPECT_EQ(context_->routers->NodeAt(1)->displayName, "198.51.100.99");
  EXPECT_EQ(context_->selected.routerAddressText, "198.51.100.99");
  EXPECT_FALSE(window_->registered());
  EXPECT_EQ(MessageTexts(),
            (std::vector<QString>{"The firmware download is complete.\nThe router has restarted "
                                  "with the address 198.51.100.99 and must be registered again."}));
}

TEST_F(DownloadTest, PermanentConnectionCarriesEmptyTables) {
  WriteFirmware("fw_dss1.2.10", 0);
  StartWithRouters({OpenRouter("198.51.100.10", 1)});
  RegisterRow(0);
  DownloadRun run;
  WhenProgressRuns(200, run);
  window_->ApplyRouterParameters(Changed([](RouterParameters& p) { p.permanentConnection = 1; }),
                                 kFullReconfiguration);
  ProcessPosted();
  ASSERT_TRUE(run.closed);
  EXPECT_EQ(SimRouter().config.permanentConnection, 1);
  EXPECT_TRUE(SimRouter().lineTargets.empty());
  EXPECT_TRUE(SimRouter().routes.empty());
  EXPECT_TRUE(SimRouter().filters.empty());
  EXPECT_FALSE(window_->registered());
}

TEST_F(DownloadTest, LoaderNotFoundClosesTheWindowWithCode14) {
  WriteFirmware("fw_dss1.2.20", 0);
  StartWithRouters({OpenRouter("198.51.100.10", 1)});
  RegisterRow(0);
  routers_.reset();  // the router never comes back as a loader
  DownloadRun run;
  WhenProgressRuns(200, run);
  window_->ApplyRouterParameters(Changed([](RouterParameters& p) { p.firmwareVersion = "2.20"; }),
                                 kFullReconfiguration);
  ProcessPosted();
  ASSERT_TRUE(run.opened);
  EXPECT_TRUE(run.closed);
  // A slot of n ticks fires on the (n + 1)th tick.
  EXPECT_EQ(run.ticks, kTiming.loaderTimeout + 1);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Reset of router failed.!"));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Stop);
  EXPECT_FALSE(window_->registered());
}

TEST_F(DownloadTest, MissingDownloadOfferClosesTheWindowWithCode13) {
  WriteFirmware("fw_dss1.2.20", 0);
  StartWithRouters({OpenRouter(nullptr, 4)});
  RegisterRow(0);
  routers_.reset();  // no loader answers the announcement
  DownloadRun run;
  WhenProgressRuns(200, run);
  window_->ApplyRouterParameters(Changed([](RouterParameters& p) {
                                   p.name = "198.51.100.99";
                                   p.dChannelProtocol = 1;
                                   p.firmwareVersion = "2.20";
                                 }),
                                 kParameterChange);
  ProcessPosted();
  ASSERT_TRUE(run.opened);
  EXPECT_TRUE(run.closed);
  EXPECT_EQ(run.ticks, kTiming.offerTimeout + 1);
  EXPECT_EQ(MessageTexts(), (std::vector<QString>{"Firmware download has failed!"}));
  EXPECT_FALSE(window_->registered());
  EXPECT_EQ(ListLines(), (std::vector<QString>{" 00-60-1a-10-00-04\t--------- "}));
}

TEST_F(DownloadTest, UnusableFirmwareIsRefusedAndTheRegistrationStays) {
  WriteFile("fw_dss1.2.30", std::vector<std::uint8_t>(100, 0x24));
  StartWithRouters({OpenRouter("198.51.100.10", 1)});
  RegisterRow(0);
  for (const char* version : {"2.30", "9.99"}) {
    window_->ApplyRouterParameters(
        Changed([version](RouterParameters& p) { p.firmwareVersion = version; }),
        kFullReconfiguration);
    ProcessPosted();
  }
  ASSERT_EQ(messages_.shown.size(), 2u);
  for (const ShownMessage& shown : messages_.shown) {
    EXPECT_EQ(shown.text, QStringLiteral("The selected firmware is invalid or damaged!"));
    EXPECT_EQ(shown.icon, MessageIcon::Exclamation);
  }
  EXPECT_TRUE(SentByTool(command::kEnterLoader).empty());
  EXPECT_TRUE(window_->registered());
  EXPECT_EQ(context_->protocol->state(), ProtocolState::Registered);
}

TEST_F(DownloadTest, ParameterChangesGoByRequestNotByDownload) {
  StartWithRouters({OpenRouter("198.51.100.10", 1)});
  RegisterRow(0);
  EditInDialog([](QDialog* dialog) {
    dialog->findChild<QLineEdit*>(QStringLiteral("phoneNumber"))->setText(QStringLiteral("0309"));
    WhenModalOpens([](QDialog* change) {
      change->findChild<QLineEdit*>(QStringLiteral("newPassword"))->setText(QStringLiteral("pw"));
      change->findChild<QLineEdit*>(QStringLiteral("confirmPassword"))
          ->setText(QStringLiteral("pw"));
      change->accept();
    });
    dialog->findChild<QPushButton*>(QStringLiteral("changePassword"))->click();
  });
  DeliverDatagrams();
  Tick(2);
  EXPECT_EQ(SentByTool(command::kChangePassword).size(), 1u);
  EXPECT_EQ(SentByTool(command::kWriteParameters).size(), 1u);
  EXPECT_TRUE(SentByTool(command::kEnterLoader).empty());
  EXPECT_EQ(SimRouter().config.phone, "0309");
  EXPECT_EQ(context_->selected.current.password, "pw");
  EXPECT_TRUE(window_->registered());
  EXPECT_EQ(MessageTexts().back(),
            QStringLiteral("The changes have been saved in the router.\nTo activate changes "
                           "please reboot the router."));
}

// A line target whose protocols the tables lack cannot go into the image:
// it is left out only after a question (No sends nothing), and the history
// copy kept first holds it with the protocol definition it needs.
TEST_F(DownloadTest, UndefinedProtocolsAreLeftOutOnlyAfterAskingAndKeptInTheHistory) {
  WriteFirmware("fw_dss1.2.20", 0);
  auto router = OpenRouter("198.51.100.10", 1);
  tarnex_sim::LineTarget odd = router.lineTargets[0];
  odd.address = Ip("198.51.100.201");
  odd.phone = "0309999";
  odd.blockSize = 1234;  // no table entry has these x75 parameters
  router.lineTargets.push_back(odd);
  StartWithRouters({router});
  RegisterRow(0);
  ASSERT_TRUE(context_->undefinedProtocols);
  messages_.shown.clear();
  const RouterParameters pending = Changed([](RouterParameters& p) { p.firmwareVersion = "2.20"; });
  // One watcher for both tries: the progress window opens only after Yes.
  DownloadRun run;
  WhenProgressRuns(200, run);
  messages_.answers = {false};
  window_->ApplyRouterParameters(pending, kFullReconfiguration);
  ProcessPosted();
  EXPECT_FALSE(run.opened);
  EXPECT_EQ(MessageTexts(),
            (std::vector<QString>{"The router's tables lack the protocols of these line targets; "
                                  "the download will leave them out:\nLine target 2: "
                                  "198.51.100.201 0309999\n\nThey are kept in the configuration "
                                  "history with their protocol definitions.\nLeave them out?"}));
  EXPECT_TRUE(SentByTool(command::kEnterLoader).empty());
  EXPECT_TRUE(window_->registered());

  messages_.answers = {true};
  window_->ApplyRouterParameters(pending, kFullReconfiguration);
  ProcessPosted();
  ASSERT_TRUE(run.closed);
  EXPECT_EQ(SimRouter().config.firmwareVersion, "2.20");
  ASSERT_EQ(SimRouter().lineTargets.size(), 1u);
  const std::filesystem::path folder = directory_ / "history" / "00-60-1a-10-00-01";
  std::vector<std::string> kept;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path());
    kept.push_back(entry.path().extension().string() + " " +
                   std::string(std::istreambuf_iterator<char>(in), {}));
  }
  std::sort(kept.begin(), kept.end());
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_NE(kept[0].find("2:x75_1 base=x75 blocksize=1234"), std::string::npos) << kept[0];
  EXPECT_NE(kept[1].find("198.51.100.201       0309999              x75_1"), std::string::npos)
      << kept[1];
  EXPECT_NE(kept[1].find("Line target 2: 198.51.100.201 0309999: left out"), std::string::npos);
}

// ---- A long session in one process ----------------------------------------------

TEST_F(DownloadTest, RegisterAgainDownloadThenRegisterOnceMoreAndRead) {
  // Register, Escape, Register again on the same line, download a new
  // firmware, the router comes back numbering from 1, register and read.
  WriteFirmware("fw_dss1.2.20", 0);
  StartWithRouters({OpenRouter("198.51.100.10", 1)});
  RegisterRow(0);
  ASSERT_TRUE(window_->registered());
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  ProcessPosted();
  ASSERT_FALSE(window_->registered());
  button("registerButton")->click();
  DeliverDatagrams();
  ProcessPosted();
  ASSERT_TRUE(window_->registered());

  DownloadRun run;
  WhenProgressRuns(200, run);
  window_->ApplyRouterParameters(Changed([](RouterParameters& p) { p.firmwareVersion = "2.20"; }),
                                 kFullReconfiguration);
  ProcessPosted();
  ASSERT_TRUE(run.opened);
  ASSERT_TRUE(run.closed);
  // The loader was looked for by the router's own hardware address.
  EXPECT_TRUE(SimRouter().firmware.applied);
  EXPECT_EQ(SimRouter().config.firmwareVersion, "2.20");
  EXPECT_TRUE(std::none_of(messages_.shown.begin(), messages_.shown.end(),
                           [](const ShownMessage& m) { return m.icon == MessageIcon::Stop; }));
  EXPECT_FALSE(window_->registered());

  // Once more: the restarted router's first answers carry numbers the
  // loader's messages had.
  list()->setCurrentRow(0);
  ProcessPosted();
  button("registerButton")->click();
  DeliverDatagrams();
  ProcessPosted();
  ASSERT_TRUE(window_->registered());
  ASSERT_TRUE(context_->configuration.has_value());
  EXPECT_EQ(context_->configuration->lineTargets.count(), 1);
  EXPECT_EQ(context_->configuration->routes.count(), 1);
  EXPECT_EQ(context_->selected.current.firmwareVersion, "2.20");
  EXPECT_EQ(context_->protocol->state(), ProtocolState::Registered);
}

}  // namespace
}  // namespace tarcfg::testing
