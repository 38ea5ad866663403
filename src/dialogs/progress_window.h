// SPDX-License-Identifier: GPL-3.0-or-later
// The window that shows a firmware download: an information icon, one
// message line and the block progress bar. The user cannot close it; it
// ends only when the download ends (Finish).
#pragma once

#include <QDialog>
#include <QRect>
#include <QString>
#include <vector>

class QPushButton;

namespace tarcfg {

class StaticText;

// Where the progress bar paints, for a control of client width `width`.
struct ProgressBarGeometry {
  int blockSize = 0;  // h = width / 25
  int barWidth = 0;   // W = 25 h + 4
  int inset = 0;      // t = 3 h / 8
  int barHeight = 0;  // H = h + 2 t + 2
  int filled = 0;     // F = percentage (W - 6) / 100
  std::vector<QRect> blocks;
};
ProgressBarGeometry ComputeProgressBar(int width, int percentage);

// Navy blocks on a frame that is grey at the top and left, white at the
// bottom and right. Nothing else is painted.
class ProgressBar : public QWidget {
  Q_OBJECT
 public:
  explicit ProgressBar(QWidget* parent = nullptr);

  int percentage() const { return percentage_; }
  // Clamped to 0..100; repaints the bar.
  void SetPercentage(int percentage);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int percentage_ = 0;
};

class ProgressWindow : public QDialog {
  Q_OBJECT
 public:
  // Placed at 0,96 dialog units in the client area of `owner`.
  explicit ProgressWindow(QWidget* owner);

  void SetMessage(const QString& text);
  QString message() const;
  ProgressBar* bar() const { return bar_; }
  // The message of `percentage` (1015 for 100, else 1014) and the bar.
  void ShowProgress(int percentage);
  // Ends the window's modal run; the only way it closes.
  void Finish();

  void reject() override;  // Escape: a beep
  void accept() override;  // Enter: a beep

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  StaticText* message_ = nullptr;
  ProgressBar* bar_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool finishing_ = false;
};

}  // namespace tarcfg
