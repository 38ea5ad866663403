// SPDX-License-Identifier: GPL-3.0-or-later
// Accounting Data against an emulated router: the text per line target,
// Read and Reset, results after Close, and the CSV export.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <fstream>
#include <sstream>

#include "monitor/accounting_csv.h"
#include "monitor/accounting_dialog.h"
#include "monitor/monitor_test_support.h"

namespace tarcfg::testing {
namespace {

const char* const kRouter = "198.51.100.10";

// Counters as the router holds them: charge, calls out, calls in, packets
// out, packets in, bytes out, bytes in.
tarnex_sim::RouterConfig CountingRouter() {
  tarnex_sim::RouterConfig config = RouterWithTargets(kRouter, 1, 2);
  config.lineTargets[0].counters = {9, 2, 1, 40, 30, 4000, 3000};
  config.lineTargets[1].counters = {0, 0, 0, 0, 0, 0, 0};
  config.lineTargets[2].counters = {4294967295u, 7, 8, 70, 80, 700, 800};
  return config;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class AccountingTest : public MonitorTest {
 protected:
  void Open(tarnex_sim::RouterConfig router = CountingRouter()) {
    RegisterWith({std::move(router)});
    network_.ClearLog();
    dialog_ = std::make_unique<AccountingDialog>(*context_, handOver_, *files_,
                                                 QString::fromLatin1(kRouter), window_.get());
    dialog_->show();
  }
  QString ShownText() {
    return dialog_->findChild<QPlainTextEdit*>(QStringLiteral("accountingText"))->toPlainText();
  }
  // "CRE": Close, Read and Reset, Export; lower case when disabled.
  std::string Buttons() {
    std::string states;
    states += Button(dialog_.get(), "closeButton")->isEnabled() ? 'C' : 'c';
    states += Button(dialog_.get(), "readAndResetButton")->isEnabled() ? 'R' : 'r';
    states += Button(dialog_.get(), "exportButton")->isEnabled() ? 'E' : 'e';
    return states;
  }
  QString Status() { return dialog_->findChild<QLabel*>(QStringLiteral("statusLine"))->text(); }

  std::unique_ptr<AccountingDialog> dialog_;
};

const char* const kFirstBlock =
    "Host name:\t198.51.100.200\r\nPhone number.:\t0301234567\r\n\r\n"
    "Calls\r\nincoming: 1\toutgoing: 2\r\nPackets\r\nincoming: 30\toutgoing: 40\r\n"
    "Bytes\r\nincoming: 3000\toutgoing: 4000\r\nCharges: 9 Units\r\n\r\n";
const char* const kSecondBlock =
    "Host name:\t198.51.100.201\r\nPhone number.:\t04011\r\n\r\n"
    "Calls\r\nincoming: 0\toutgoing: 0\r\nPackets\r\nincoming: 0\toutgoing: 0\r\n"
    "Bytes\r\nincoming: 0  \toutgoing: 0\r\nCharges: 0 Units\r\n\r\n";

TEST_F(AccountingTest, ThreeTargetsGiveOneBlockEachInListOrder) {
  Open();
  EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Accounting Data"));
  EXPECT_EQ(Value(dialog_.get(), "routerName"), QStringLiteral("198.51.100.10"));
  // The commands wait while the first read runs; Close does not.
  EXPECT_EQ(Buttons(), "Cre");
  EXPECT_EQ(Status(), QStringLiteral("Reading the accounting data..."));
  EXPECT_TRUE(Button(dialog_.get(), "closeButton")->isDefault());
  DeliverDatagrams();
  EXPECT_EQ(Payloads(command::kReadAccounting),
            (std::vector<std::vector<std::uint8_t>>{{0, 0, 0}, {0, 0, 1}, {0, 0, 2}}));
  const std::string& report = dialog_->reportText();
  EXPECT_EQ(report.rfind(std::string(kFirstBlock) + kSecondBlock + "Host name:\t198.51.100.202", 0),
            0u)
      << report;
  EXPECT_NE(report.find("Charges: 4294967295 Units\r\n\r\n"), std::string::npos);
  EXPECT_EQ(report.size(), report.rfind("\r\n\r\n") + 4);
  EXPECT_TRUE(ShownText().startsWith(
      QStringLiteral("Host name:\t198.51.100.200\nPhone number.:\t0301234567\n\nCalls\n")));
  EXPECT_EQ(Buttons(), "CRE");
  EXPECT_EQ(Status(), QString());
  // The counters went into the working list.
  EXPECT_EQ(context_->configuration->lineTargets.NodeAt(1)->accountingCounters[6], 3000u);
  EXPECT_EQ(context_->configuration->lineTargets.NodeAt(3)->accountingCounters[1], 7u);
  EXPECT_EQ(SimRouter().lineTargets[0]->counters[0], 9u);  // read only
}

TEST_F(AccountingTest, NoLineTargetsGiveAnEmptyText) {
  auto router = OpenRouter(kRouter, 1);
  router.lineTargets.clear();
  Open(router);
  ProcessPosted();
  EXPECT_EQ(dialog_->reportText(), "");
  EXPECT_EQ(ShownText(), QString());
  EXPECT_TRUE(SentByTool(command::kReadAccounting).empty());
  EXPECT_EQ(Buttons(), "CRE");
}

TEST_F(AccountingTest, ReadAndResetDisablesButtonsUntilTheAnswerAndResetsTheRouter) {
  Open();
  DeliverDatagrams();
  network_.ClearLog();
  Button(dialog_.get(), "readAndResetButton")->click();
  EXPECT_EQ(Buttons(), "cre");
  // The counters the reset clears are shown before the dialog can close.
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  dialog_->close();
  EXPECT_TRUE(dialog_->isVisible());
  DeliverDatagrams();
  EXPECT_EQ(Payloads(command::kReadAccounting),
            (std::vector<std::vector<std::uint8_t>>{{0xFF, 0, 0}, {0xFF, 0, 1}, {0xFF, 0, 2}}));
  EXPECT_EQ(Buttons(), "CRE");
  // The text shows the counters as they were before the reset.
  EXPECT_EQ(dialog_->reportText().rfind(kFirstBlock, 0), 0u);
  EXPECT_EQ(SimRouter().lineTargets[0]->counters, (std::array<std::uint32_t, 7>{}));
  // The next read finds them reset, and the text is replaced.
  Button(dialog_.get(), "readAndResetButton")->click();
  DeliverDatagrams();
  EXPECT_EQ(dialog_->reportText().find("Charges: 9 Units"), std::string::npos);
  EXPECT_EQ(dialog_->reportText().rfind("Host name:\t198.51.100.200", 0), 0u);
  EXPECT_EQ(context_->configuration->lineTargets.NodeAt(1)->accountingCounters[0], 0u);
}

// A second request while the first read is unanswered would fail (8999)
// and end the registration.
TEST_F(AccountingTest, ReadAndResetWaitsForTheFirstRead) {
  Open();
  ASSERT_TRUE(context_->protocol->requestOutstanding());
  Button(dialog_.get(), "readAndResetButton")->click();
  dialog_->ReadAndReset();
  DeliverDatagrams();
  EXPECT_EQ(Payloads(command::kReadAccounting),
            (std::vector<std::vector<std::uint8_t>>{{0, 0, 0}, {0, 0, 1}, {0, 0, 2}}));
  EXPECT_EQ(Buttons(), "CRE");
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(window_->registered());
  EXPECT_EQ(SimRouter().lineTargets[0]->counters[0], 9u) << "nothing was reset";
}

// A read that fails ends the registration; the dialog does not stay open
// empty with its commands enabled.
TEST_F(AccountingTest, NetworkErrorClosesTheDialog) {
  Open();
  routers_.reset();  // the router falls silent
  for (int i = 0; i < 60 && dialog_->isVisible(); ++i)
    Tick();
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(dialog_->result(), QDialog::Rejected);
  EXPECT_FALSE(handOver_->anyRegistered());
  EXPECT_FALSE(window_->registered());
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_TRUE(messages_.shown[0].text.startsWith("General network communication error!"));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Stop);
}

// The whole label fits on the button.
TEST_F(AccountingTest, ReadAndResetShowsItsWholeLabel) {
  Open();
  QPushButton* button = Button(dialog_.get(), "readAndResetButton");
  dialog_->adjustSize();
  const int label = button->fontMetrics().horizontalAdvance(QStringLiteral("Read and Reset"));
  EXPECT_GE(button->width(), label + 2 * button->fontMetrics().averageCharWidth());
  EXPECT_GE(button->width(), Button(dialog_.get(), "closeButton")->width());
}

// Closing during a plain read drops its result; the router keeps the counters.
TEST_F(AccountingTest, ResultAfterCloseIsDropped) {
  Open();
  EXPECT_EQ(Buttons(), "Cre");
  Button(dialog_.get(), "closeButton")->click();
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_FALSE(handOver_->anyRegistered());
  DeliverDatagrams();
  EXPECT_EQ(dialog_->reportText(), "");
  EXPECT_EQ(SimRouter().lineTargets[0]->counters[0], 9u);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(window_->registered());
}

TEST_F(AccountingTest, AccountingButtonOpensTheDialogForTheSelectedRouter) {
  RegisterWith({CountingRouter()});
  QString caption, router, text;
  WhenModalOpens([&](QDialog* dialog) {
    caption = dialog->windowTitle();
    router = Value(dialog, "routerName");
    DeliverDatagrams();
    text = dialog->findChild<QPlainTextEdit*>(QStringLiteral("accountingText"))->toPlainText();
    Button(dialog, "closeButton")->click();
  });
  button("accountingButton")->click();
  EXPECT_EQ(caption, QStringLiteral("Accounting Data"));
  EXPECT_EQ(router, QStringLiteral("198.51.100.10"));
  EXPECT_EQ(text.count(QStringLiteral("Host name:")), 3);
}

TEST_F(AccountingTest, ExportSavesHeaderAndOneRowPerTarget) {
  Open();
  DeliverDatagrams();
  const std::filesystem::path file = directory_ / "counters.csv";
  files_->answer = QString::fromStdString(file.string());
  Button(dialog_.get(), "exportButton")->click();
  EXPECT_EQ(files_->asked, 1);
  EXPECT_EQ(files_->lastCaption, QStringLiteral("Export Accounting Data"));
  EXPECT_TRUE(files_->lastSuggested.endsWith(QStringLiteral("198_51_100_10-accounting.csv")));
  EXPECT_EQ(ReadFile(file),
            "hostName,phoneNumber,charges,callsOutgoing,callsIncoming,packetsOutgoing,"
            "packetsIncoming,bytesOutgoing,bytesIncoming\r\n"
            "198.51.100.200,0301234567,9,2,1,40,30,4000,3000\r\n"
            "198.51.100.201,04011,0,0,0,0,0,0,0\r\n"
            "198.51.100.202,04012,4294967295,7,8,70,80,700,800\r\n");
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(AccountingTest, ExportCancelledWritesNothingAndFailureKeepsTheOldFile) {
  Open();
  DeliverDatagrams();
  files_->answer.clear();
  Button(dialog_.get(), "exportButton")->click();
  EXPECT_EQ(files_->asked, 1);
  EXPECT_TRUE(messages_.shown.empty());

  const std::filesystem::path missing = directory_ / "no-such-dir" / "counters.csv";
  files_->answer = QString::fromStdString(missing.string());
  Button(dialog_.get(), "exportButton")->click();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_TRUE(messages_.shown[0].text.startsWith(QStringLiteral("Cannot write ") +
                                                 QString::fromStdString(missing.string()) + ":\n"));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Stop);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(AccountingCsvTest, FieldsWithCommasOrQuotesAreQuoted) {
  LineTargetList targets = NewLineTargetList();
  LineTarget target;
  target.hostName = "host,one";
  target.phoneNumber = "0\"1";
  target.accountingCounters = {1, 2, 3, 4, 5, 6, 7};
  targets.Append(target);
  EXPECT_EQ(AccountingCsv(targets).substr(AccountingCsv(NewLineTargetList()).size()),
            "\"host,one\",\"0\"\"1\",1,2,3,4,5,6,7\r\n");
}

TEST(AccountingCsvTest, HostNamesThatLookLikeFormulasAreDefused) {
  LineTargetList targets = NewLineTargetList();
  LineTarget target;
  target.hostName = "=1+2";
  target.phoneNumber = "0301234";
  target.accountingCounters = {1, 2, 3, 4, 5, 6, 7};
  targets.Append(target);
  target.hostName = "@evil";
  target.phoneNumber = "-5";
  targets.Append(target);
  EXPECT_EQ(AccountingCsv(targets).substr(AccountingCsv(NewLineTargetList()).size()),
            "\"'=1+2\",0301234,1,2,3,4,5,6,7\r\n\"'@evil\",-5,1,2,3,4,5,6,7\r\n");
}

}  // namespace
}  // namespace tarcfg::testing
